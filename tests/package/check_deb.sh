#!/usr/bin/env bash
# Makes the Debian package of the build folder BUILD in WORK and checks it as a packager would:
# its control fields and contents, lintian's verdict, the installed program finding its packs, the
# manual pages rendering, and the completion loading and completing.
set -euo pipefail
build=$1 work=$2 source=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/vexilo_*.deb) || fail "no .deb made"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vexilo ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$(sed -n 's/^project(vexilo VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")" ] \
  || fail "Version: $(field Version)"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g')
for lib in libqt6widgets6 libjpeg62-turbo zlib1g libdeflate0 libwebp7 libtiff6 libheif1 librsvg2-2 libqt6svg6; do
  grep -qx "$lib" <<<"$depends" || fail "Depends lacks $lib: $(field Depends)"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/vexilo usr/bin/vexilo-cli usr/lib/vexilo/vexilo-cli-desktop.so usr/share/vexilo/english.lng \
         usr/share/vexilo/HELP/index.html usr/share/applications/org.vexilo.Vexilo.desktop \
         usr/share/metainfo/org.vexilo.Vexilo.metainfo.xml usr/share/icons/hicolor/scalable/apps/vexilo.svg \
         usr/share/man/man1/vexilo.1.gz usr/share/man/man1/vexilo-cli.1.gz \
         usr/share/bash-completion/completions/vexilo-cli usr/share/doc/vexilo/copyright \
         usr/share/doc/vexilo/changelog.gz; do
  grep -qx "\./$f" <<<"$contents" || fail "not in the package: $f"
done

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 \
    || { cat "$work/lintian.log"; fail "lintian reports errors"; }
else
  fail "lintian missing: run scripts/setup.sh"
fi

root=$work/root
dpkg -x "$deb" "$root"
out=$("$root/usr/bin/vexilo-cli" paths) || fail "installed vexilo-cli paths: $out"
grep -q "english.lng" <<<"$out" && grep -q "program folder.$root/usr/share/vexilo/" <<<"$out" \
  || fail "the installed program does not find its packs: $out"

for page in vexilo vexilo-cli; do
  text=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1) || fail "man -l $page: $text"
  grep -q "^NAME" <<<"$text" && grep -q "^SYNOPSIS" <<<"$text" || fail "man -l $page renders no page"
done

# Every option a command's help names is in the manual page and in the completion.
man_text=$(zcat "$root/usr/share/man/man1/vexilo-cli.1.gz" | sed 's/\\-/-/g')
completion=$root/usr/share/bash-completion/completions/vexilo-cli
for command in $("$root/usr/bin/vexilo-cli" --help | sed -n 's/^  \([a-z-]*\) .*/\1/p; s/^  \([a-z-]*\)$/\1/p'); do
  grep -q "\b$command\b" "$completion" || fail "completion lacks the command $command"
  for option in $("$root/usr/bin/vexilo-cli" "$command" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    [ "$option" = --help ] && continue
    grep -q -- "$option\b" <<<"$man_text" || fail "vexilo-cli.1 lacks $command $option"
    grep -q -- "$option\b" "$completion" || fail "the completion lacks $command $option"
  done
done

complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
           complete -p vexilo-cli >/dev/null || exit 3
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
           _vexilo_cli vexilo-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$completion" "$@"
}
[ -f /usr/share/bash-completion/bash_completion ] || fail "bash-completion missing: run scripts/setup.sh"
grep -qx convert <<<"$(complete_words vexilo-cli con)" || fail "commands do not complete"
grep -qx png <<<"$(complete_words vexilo-cli convert --to p)" || fail "formats do not complete"
grep -qx -- --subfolders <<<"$(complete_words vexilo-cli scan --sub)" || fail "options do not complete"
echo "package $(basename "$deb") checked"
