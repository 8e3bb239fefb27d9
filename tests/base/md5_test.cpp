#include "base/md5.h"

#include <gtest/gtest.h>

#include "base/uri.h"

namespace vexilo {
namespace {

// The test suite of the digest's own definition, with tails of one and of two blocks.
TEST(Md5, KnownDigests) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890123456789"
                     "0"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// The cache names files by the digest of this URI: every byte but the unreserved ones
// encoded, whatever the locale thinks a letter is.
TEST(Md5, FileUriOfAThumbnail) {
    EXPECT_EQ(fileUrl("/home/jens/photos/Urlaub 2024/\xc3\xa4pfel.png"),
              "file:///home/jens/photos/Urlaub%202024/%C3%A4pfel.png");
}

}  // namespace
}  // namespace vexilo
