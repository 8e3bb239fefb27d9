// Icon files through the loader: drawn over white, refusals answered quietly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/errors.h"
#include "codecs/icon_file.h"
#include "codecs/icon_writer.h"
#include "imageio/loaders.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
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

    test::writeFile(dir.file("c.ico"), makeIcoFile({{0, dib}}, 2));
    Bitmap untouched;
    EXPECT_FALSE(LoadIconFile(dir.file("c.ico"), &untouched));
    EXPECT_TRUE(untouched.empty());
    EXPECT_FALSE(LoadIconFile(dir.file("missing.ico"), &untouched));
    EXPECT_FALSE(LoadIconFile("", &untouched));
    EXPECT_FALSE(LoadIconFile(dir.file("a.ico"), nullptr));
    // A named pipe is not read (opening it would wait for a writer).
    ASSERT_EQ(::mkfifo(dir.file("pipe.ico").c_str(), 0600), 0);
    EXPECT_FALSE(LoadIconFile(dir.file("pipe.ico"), &untouched));
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

TEST(IconLoader, ReadsWhatTheIconSaverWrites) {
    test::TempDir dir;
    const Bitmap source = makeBitmap(32, 32, PixelFormat::Device, test::patternColor);
    for (IconColors colours : {IconColors::Colors16, IconColors::Colors256}) {
        ASSERT_TRUE(saveIconFile(source, dir.file("a.ico"), colours));
        Bitmap loaded;
        ASSERT_TRUE(LoadIconFile(dir.file("a.ico"), &loaded));
        EXPECT_EQ(loaded.width(), 32);
        EXPECT_EQ(loaded.height(), 32);
    }
}

}  // namespace
}  // namespace vexilo
