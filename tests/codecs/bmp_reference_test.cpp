// Every good BMP of the conformance corpus against its reference rendering, pixel by pixel. The
// renderings are PNG files, read with the program's own PNG reader without gamma correction.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "codecs/bmp_codec.h"
#include "codecs/png_codec.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

// Channels narrower than 8 bits may be widened by rounding or by repeating their top bits.
int toleranceFor(const std::string& name) {
    for (const char* narrow : {"rgb16", "R5", "R4", "5551", "4444"})
        if (name.find(narrow) != std::string::npos) return 1;
    return 0;
}

void compareWithReference(const std::filesystem::path& bmp, const std::filesystem::path& reference) {
    SCOPED_TRACE(bmp.filename().string() + " vs " + reference.filename().string());
    Bitmap got;
    ASSERT_NO_THROW(got = readBmp(test::readFile(bmp)));
    PngAlphaImage want;
    ASSERT_NO_THROW({
        TPNGImage png;
        png.GammaCorrection = false;
        png.setKeepAlpha(true);
        png.loadFromBytes(test::readFile(reference));
        want.color = static_cast<const Bitmap&>(png);
        want.alpha = png.alphaPlane();
    });
    // Pixels the reference shows fully transparent carry no colour.
    EXPECT_TRUE(test::samePixels(got, want.color, toleranceFor(bmp.filename().string()), want.alpha));
}

TEST(BmpReference, GoodSuiteFilesMatchTheirRenderings) {
    VEXILO_REQUIRE_CORPUS("bmpsuite/g");
    const auto suite = test::corpusDir() / "bmpsuite";
    // Files drawn by another file's rendering in the suite's own page.
    const std::map<std::string, std::string> shared{{"pal1wb", "pal1"},
                                                    {"pal4rle", "pal4"},
                                                    {"pal8-0", "pal8"},
                                                    {"pal8rle", "pal8"},
                                                    {"pal8topdown", "pal8"},
                                                    {"pal8os2", "pal8"},
                                                    {"pal8v4", "pal8"},
                                                    {"pal8v5", "pal8"},
                                                    {"rgb16bfdef", "rgb16"},
                                                    {"rgb16-565pal", "rgb16-565"},
                                                    {"rgb24pal", "rgb24"},
                                                    {"rgb32", "rgb24"},
                                                    {"rgb32bf", "rgb24"},
                                                    {"rgb32bfdef", "rgb24"},
                                                    {"pal8nonsquare", "pal8nonsquare-v"}};
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(suite / "g")) {
        if (entry.path().extension() != ".bmp") continue;
        std::string name = entry.path().stem().string();
        if (auto it = shared.find(name); it != shared.end()) name = it->second;
        const auto reference = suite / "html" / (name + ".png");
        if (!std::filesystem::exists(reference)) {
            ADD_FAILURE() << "no rendering for " << entry.path().filename();
            continue;
        }
        // pal8nonsquare's rendering is stretched to square pixels; only its size differs.
        if (entry.path().stem() == "pal8nonsquare") {
            EXPECT_FALSE(readBmp(test::readFile(entry.path())).empty());
            continue;
        }
        compareWithReference(entry.path(), reference);
        ++compared;
    }
    EXPECT_EQ(compared, 26);
}

TEST(BmpReference, ExtraFilesMatchTheirRenderings) {
    VEXILO_REQUIRE_CORPUS("bmp-extra/reference");
    const auto dir = test::corpusDir() / "bmp-extra";
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".bmp" || name.starts_with("bad-")) continue;
        const auto reference = dir / "reference" / (name + ".png");
        if (!std::filesystem::exists(reference)) continue;  // the lenient files have none
        compareWithReference(entry.path(), reference);
        ++compared;
    }
    EXPECT_GE(compared, 30);
}

}  // namespace
}  // namespace vexilo
