// Icon files through the loader: drawn over white, refusals answered quietly.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "codecs/icon_file.h"
#include "imageio/loaders.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeIcoFile;
using test::makeIconDib;

constexpr Color kRed{255, 0, 0};

TEST(IconLoader, DrawsOverWhiteAndFailsQuietly) {
    test::TempDir dir;
    const auto dib = makeIconDib(
        32, 32, 4, {kBlack, kRed}, [](int x, int) { return x < 16 ? 1u : 0u; },
        [](int x, int) { return x >= 16; });
    test::writeFile(dir.file("a.ico"), makeIcoFile({{0, dib}}));
    Bitmap b;
    ASSERT_TRUE(LoadIconFile(dir.file("a.ico"), &b));
    EXPECT_EQ(b.width(), 32);
    EXPECT_EQ(b.pixel(0, 0), kRed);
    EXPECT_EQ(b.pixel(31, 0), kWhite);

    test::writeFile(dir.file("c.ico"), makeIcoFile({{0, dib}}, 2));  // a cursor's header type
    Bitmap untouched;
    EXPECT_FALSE(LoadIconFile(dir.file("c.ico"), &untouched));
    EXPECT_TRUE(untouched.empty());
}

TEST(IconLoader, CorpusFilesLoadOrFailCleanly) {
    VEXILO_REQUIRE_CORPUS("ico");
    int loaded = 0, files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir() / "ico")) {
        const auto ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".ico" && ext != ".cur")) continue;
        ++files;
        try {
            const Icon icon = ReadIconFile(test::readFile(entry.path()));
            EXPECT_EQ(icon.width(), 32) << entry.path();
            ++loaded;
        } catch (const DecodeError&) {
        }
    }
    EXPECT_GT(files, 0);
    // The synthetic BMP-entry icons at every depth must all be among the loaded ones.
    for (int bits : {1, 4, 8, 24, 32}) {
        const auto path =
            test::corpusDir() / "ico" / "synthetic" / ("ico-" + std::to_string(bits) + "bpp-32x32.ico");
        if (!std::filesystem::exists(path)) continue;
        Bitmap b;
        EXPECT_TRUE(LoadIconFile(path.string(), &b)) << path;
    }
    RecordProperty("loaded", loaded);
}

}  // namespace
}  // namespace vexilo
