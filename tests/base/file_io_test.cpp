#include "base/file_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "base/errors.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

TEST(FileIo, FailuresAreFileErrorsNamingThePath) {
    test::TempDir dir;
    for (const std::string& path : {dir.file("missing.bin"), dir.path().string(), std::string()}) {
        try {
            (void)readFileBytes(path);
            ADD_FAILURE() << "read " << path;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(writeFileAtomic(dir.file("no/such/folder.bin"), std::vector<std::uint8_t>{1}), FileError);
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    writeFileAtomic(dir.file("a.bin"), bytes);
    EXPECT_EQ(readFileBytes(dir.file("a.bin")), bytes);
    EXPECT_THROW(readFileBytes(dir.file("a.bin"), 2), FileError);  // larger than allowed
}

TEST(FileIo, AtomicWritesTakeNamesUpToTheLimitAndRemoveOnlyStaleLeftovers) {
    test::TempDir dir;
    const std::string ownPid = [] {
        char buf[9];
        std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(::getpid()));
        return std::string(buf);
    }();
    const std::vector<std::string> stale{".vexilo-3ffffffe-00000002.tmp", "settings.json.vxtmp12",
                                         ".a.png.vxpart99.png"};
    const std::vector<std::string> kept{".vexilo-3ffffffe-0000000g.tmp",
                                        ".vexilo-" + ownPid + "-00000001.tmp", "a.vxtmp",
                                        ".a.png.vxpart.png"};
    for (const auto& name : stale) test::writeFile(dir.path() / name, std::vector<std::uint8_t>{1});
    for (const auto& name : kept) test::writeFile(dir.path() / name, std::vector<std::uint8_t>{1});
    const std::string longest(255, 'x');
    writeFileAtomic(dir.file(longest), std::vector<std::uint8_t>{7});
    for (const auto& name : stale) EXPECT_FALSE(fileExists(dir.file(name))) << name;
    for (const auto& name : kept) EXPECT_TRUE(fileExists(dir.file(name))) << name;
    EXPECT_EQ(readFileBytes(dir.file(longest)), std::vector<std::uint8_t>{7});
}

}  // namespace
}  // namespace vexilo
