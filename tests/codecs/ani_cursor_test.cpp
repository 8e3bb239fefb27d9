#include "codecs/ani_cursor.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "codecs/pe_icons.h"
#include "support/icon_fixtures.h"

namespace vexilo {
namespace {

TEST(AniCursor, DecodesFramesStepsAndRatesAndRefusesHostileFiles) {
    const AniCursor cursor = decodeAniCursor(test::makeAniFile());
    ASSERT_EQ(cursor.frames.size(), 2u);
    EXPECT_EQ(cursor.frames[1].color.pixel(1, 1), (Color{0, 255, 0}));
    EXPECT_EQ(cursor.sequence, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(cursor.delaysMs, (std::vector<int>{100, 200, 50}));
    // The first frame is what the cursor row shows.
    const auto first = extractFileIcon(test::makeAniFile(), 0, 32);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->color.pixel(16, 16), (Color{255, 0, 0}));

    auto truncated = test::makeAniFile();
    truncated.resize(truncated.size() - 10);
    EXPECT_THROW(decodeAniCursor(test::makeAniFile(0xFFFFFFF0u)), DecodeError);
    EXPECT_THROW(decodeAniCursor(test::makeAniFile(2, 0x7FFFFFF0u)), DecodeError);
    EXPECT_THROW(decodeAniCursor(truncated), DecodeError);
    EXPECT_FALSE(extractFileIcon(test::makeAniFile(2, 0x7FFFFFF0u), 0, 32).has_value());
}

}  // namespace
}  // namespace vexilo
