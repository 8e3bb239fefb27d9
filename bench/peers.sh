#!/usr/bin/env bash
# Finds the peer tools for the benchmarks. Sourced: sets VEXILO_GM and VEXILO_IM_CONVERT (empty
# when missing). Run with --print: shows both with their versions.
# ImageMagick's own binary is preferred over a `convert` earlier on PATH, which may be a wrapper.
VEXILO_GM="$(command -v gm || true)"
VEXILO_IM_CONVERT=""
for c in convert-im6.q16 convert-im6 magick /usr/bin/convert convert; do
  if p="$(command -v "$c" 2>/dev/null)" && [ -n "$p" ]; then
    VEXILO_IM_CONVERT="$p"
    break
  fi
done
export VEXILO_GM VEXILO_IM_CONVERT
if [ "${1:-}" = "--print" ]; then
  echo "gm:      ${VEXILO_GM:-missing} $( [ -n "$VEXILO_GM" ] && "$VEXILO_GM" version | head -1)"
  echo "convert: ${VEXILO_IM_CONVERT:-missing} $( [ -n "$VEXILO_IM_CONVERT" ] && "$VEXILO_IM_CONVERT" -version | head -1)"
fi
