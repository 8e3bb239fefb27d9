#pragma once
// Shared body of the WMF and EMF fuzz targets.
#include <cstdint>
#include <span>
#include <vector>

#include "base/errors.h"
#include "codecs/metafile/metafile_format.h"
#include "codecs/metafile/metafile_player.h"
#include "codecs/metafile/metafile_raster.h"

namespace vexilo::fuzz {

class NullCanvas : public MetafileCanvas {
public:
    void setClip(const std::vector<ClipStep>&) override {}
    void fillPath(const DrawPath& p, FillRule, const DrawBrush&) override { (void)p.flatten(); }
    void strokePath(const DrawPath& p, const DrawPen&) override { (void)p.flatten(); }
    void patternBlit(const DrawPath&, const DrawBrush&, BlitOp) override {}
    void drawText(const DrawText&) override {}
    void drawImage(const DrawImage& d) override {
        // The player promises a source rectangle inside the image.
        if (d.source.left < 0 || d.source.top < 0 || d.source.right > d.image->width() ||
            d.source.bottom > d.image->height() || d.source.width() <= 0 || d.source.height() <= 0)
            __builtin_trap();
    }
    Bitmap result() override { return {}; }
};

inline void playMetafileBytes(std::span<const std::uint8_t> bytes, MetafileType wanted) {
    const auto limits = DecodeLimits::forFuzzing();
    try {
        const Metafile mf = parseMetafile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), limits);
        if (mf.type != wanted) return;
        NullCanvas canvas;
        playMetafile(mf, canvas, mf.width, mf.height, limits);
        if (static_cast<std::int64_t>(mf.width) * mf.height <= 65536) (void)renderMetafile(mf, limits);
        // The thumbnail path: any picture, however large it claims to be, at a small bound.
        (void)renderMetafileThumbnail(mf, 64, limits);
    } catch (const ImageError&) {
    }
}

}  // namespace vexilo::fuzz
