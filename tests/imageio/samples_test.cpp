// The sample folder of a first run: every file loads as its kind, the folder holds every format
// the program reads, and it stays small.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "codecs/gif_image.h"
#include "imageio/loaders.h"

namespace vexilo {
namespace {

// The format row of an extension, as the table names it.
const FileFormat* formatOf(const std::string& extension) {
    for (const FileFormat& f : fileFormats())
        if (f.kind != kind::AllFiles && extension == f.extension) return &f;
    return nullptr;
}

TEST(Samples, EveryFileLoadsAsItsKindAndEveryFormatIsThere) {
    const std::filesystem::path folder = std::filesystem::path(VEXILO_SOURCE_DIR) / "samples";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    std::uintmax_t total = 0;
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        total += entry.file_size();
        const std::string ext = entry.path().extension().string();
        if (entry.path().filename() == "README.md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const FileFormat* format = formatOf(ext);
        ASSERT_NE(format, nullptr);
        seen.insert(ext);
        Bitmap bitmap;
        EXPECT_TRUE(LoadImageAs(format->kind, entry.path().string(), &bitmap));
        EXPECT_FALSE(bitmap.empty());
    }
    // Every output format, and the executables' icons.
    for (const FileFormat& f : fileFormats())
        EXPECT_TRUE(!f.output || seen.count(f.extension)) << f.extension;
    EXPECT_TRUE(seen.count(".exe") && seen.count(".dll") && seen.count(".cur"));
    EXPECT_LT(total, 1024u * 1024u);

    std::uint16_t icons = 0;
    Bitmap bitmap;
    ASSERT_TRUE(LoadExecutableIcon((folder / "toolbox.exe").string(), icons, &bitmap));
    EXPECT_GE(icons, 4);
    TGIFImage gif;
    gif.loadFromFile((folder / "spinner.gif").string());
    EXPECT_GT(gif.frameCount(), 1);
}

}  // namespace
}  // namespace vexilo
