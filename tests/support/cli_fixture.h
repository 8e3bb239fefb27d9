#pragma once
// The command-line tests' fixture: a scratch folder, pictures written into it and read back, and
// a skip when the tool is not built.
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

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(cliPath())) GTEST_SKIP() << "vexilo-cli is not built at " << cliPath();
    }
    // A w x h patterned PNG file in the scratch folder; its path.
    std::string png(const std::string& name, int w, int h) {
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

}  // namespace vexilo::test
