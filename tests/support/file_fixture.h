#pragma once
// The fixtures of the tests that convert files: a scratch folder, pictures written into it and
// read back; for the command-line tests also a skip when the tool is not built.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codecs/png_codec.h"
#include "imageio/loaders.h"
#include "support/cli_run.h"
#include "support/test_util.h"

namespace vexilo::test {

// A path quoted for the shell command line runCli builds.
inline std::string q(const std::string& path) {
    return "'" + path + "'";
}

class FileTest : public ::testing::Test {
protected:
    // A w x h patterned PNG file in the scratch folder (its folder made); its path.
    std::string png(const std::string& name, int w, int h) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        writeFile(dir.path() / name, encodePng(makeBitmap(w, h, PixelFormat::Bpp24, patternColor)));
        return dir.file(name);
    }
    // The picture of a written file, whatever its kind.
    static Bitmap load(const std::string& path) {
        Bitmap b;
        FileKind k = 0;
        EXPECT_TRUE(ProbeImageKind(path, &b, k)) << path;
        return b;
    }
    TempDir dir;
};

class CliTest : public FileTest {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(cliPath())) GTEST_SKIP() << "vexilo-cli is not built at " << cliPath();
    }
};

}  // namespace vexilo::test
