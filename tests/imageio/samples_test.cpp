// The sample folder of a first run: every file loads as its kind, the folder holds every format
// the program reads, and it stays small.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "codecs/gif_image.h"
#include "imageio/loaders.h"

namespace vexilo {
namespace {

const std::map<std::string, FileKind>& kindsByExtension() {
    static const std::map<std::string, FileKind> kinds = {
        {".exe", kind::Exe}, {".dll", kind::Dll}, {".cur", kind::Cur}, {".wmf", kind::Wmf},
        {".emf", kind::Emf}, {".bmp", kind::Bmp}, {".ico", kind::Ico}, {".jpg", kind::Jpeg},
        {".tga", kind::Tga}, {".png", kind::Png}, {".gif", kind::Gif}};
    return kinds;
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
        const auto kind = kindsByExtension().find(ext);
        ASSERT_NE(kind, kindsByExtension().end());
        seen.insert(ext);
        Bitmap bitmap;
        EXPECT_TRUE(LoadImageAs(kind->second, entry.path().string(), &bitmap));
        EXPECT_FALSE(bitmap.empty());
    }
    EXPECT_EQ(seen.size(), kindsByExtension().size());
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
