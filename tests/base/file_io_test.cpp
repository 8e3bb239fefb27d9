#include "base/file_io.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vexilo
