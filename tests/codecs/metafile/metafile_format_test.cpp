#include "codecs/metafile/metafile_format.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "codecs/metafile/metafile_player.h"
#include "codecs/metafile/metafile_writer.h"
#include "support/metafile_builders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::pair<int, int> size(const Metafile& m) {
    return {m.width, m.height};
}

TEST(MetafileFormat, WrittenFilesCarryTheirHeadersAndSize) {
    const Bitmap b = test::makeBitmap(37, 5, PixelFormat::Bpp24, test::patternColor);
    const auto wmf = writeMetafile(b, false);
    ASSERT_GE(wmf.size(), 22u);
    EXPECT_EQ(std::vector(wmf.begin(), wmf.begin() + 4), (std::vector<std::uint8_t>{0xD7, 0xCD, 0xC6, 0x9A}));
    EXPECT_EQ(placeableChecksum(wmf.data()), wmf[20] | (wmf[21] << 8));
    const Metafile w = parseMetafile(wmf);
    EXPECT_EQ(w.type, MetafileType::Wmf);
    EXPECT_TRUE(w.placeable);
    EXPECT_EQ(size(w), std::pair(37, 5));

    const Metafile e = parseMetafile(writeMetafile(b, true));
    EXPECT_EQ(e.type, MetafileType::Emf);
    EXPECT_EQ(size(e), std::pair(37, 5));
    EXPECT_EQ(e.records.back().type, emr::kEof);

    // Without the placeable header the window records give the size.
    const Metafile n = parseMetafile(std::vector<std::uint8_t>(wmf.begin() + 22, wmf.end()));
    EXPECT_FALSE(n.placeable);
    EXPECT_EQ(size(n), std::pair(37, 5));

    EXPECT_THROW(writeMetafile(Bitmap(), false), ImageError);
    EXPECT_THROW(writeMetafile(Bitmap(40000, 1), false), ImageError);
}

TEST(MetafileFormat, RejectsBrokenHeadersAndRecords) {
    EXPECT_THAT([] { parseMetafile({1, 2, 3}); }, ThrowsMessage<DecodeError>(HasSubstr("neither")));
    // A record claiming more words than the file holds.
    auto wmf = test::WmfBuilder().record(0x0213, {1, 1}).build(10, 10);
    wmf[22 + 18] = 0xFF;
    EXPECT_THAT([&] { parseMetafile(wmf); }, ThrowsMessage<DecodeError>(HasSubstr("claims")));
    // No placeable header, no window and nothing drawn: no size.
    auto bare = test::WmfBuilder().record(0x0102, {1}).build(10, 10, false);
    EXPECT_THAT([&] { parseMetafile(bare); }, ThrowsMessage<DecodeError>(HasSubstr("window extent")));
    // With drawing records the drawing gives the size.
    const Metafile drawn = parseMetafile(
        test::WmfBuilder().record(0x041B, {30, 40, 5, 5}).record(0x0213, {12, 50}).build(1, 1, false));
    EXPECT_EQ(size(drawn), std::pair(50, 30));
    // Only a font, its selection and text: the text's box from the font size gives the size.
    // "Hello" at (10, 20) in a 24-unit font 10 wide: 10 + 5 x 10 = 60 wide, 20 + 24 = 44 high.
    const std::vector<std::uint8_t> hello{5, 0, 'H', 'e', 'l', 'l', 'o', 0, 20, 0, 10, 0};
    const Metafile text = parseMetafile(test::WmfBuilder()
                                            .record(wmf::kCreateFontIndirect, {24, 10, 0, 0, 400, 0, 0, 0, 0})
                                            .record(wmf::kSelectObject, {0})
                                            .raw(wmf::kTextOut, hello)
                                            .build(1, 1, false));
    EXPECT_EQ(size(text), std::pair(60, 44));
    // ExtTextOut with advances, centred on its x: 3 advances of 20 around x = 100.
    const Metafile ext =
        parseMetafile(test::WmfBuilder()
                          .record(wmf::kSetTextAlign, {6})
                          .record(wmf::kExtTextOut, {10, 100, 3, 0, 'a' | ('b' << 8), 'c', 20, 20, 20})
                          .build(1, 1, false));
    EXPECT_EQ(size(ext), std::pair(130, 26));
    // An empty frame and empty bounds.
    auto emf = test::EmfBuilder().build(1, 1);
    for (std::size_t i = 8; i < 40; ++i)
        emf[i] = i >= 16 && i < 24 ? 0xFF : 0;  // bounds end before they start
    EXPECT_THROW(parseMetafile(emf), DecodeError);
    // A huge bounding box is scaled down to the largest side, keeping its shape.
    EXPECT_EQ(size(parseMetafile(test::WmfBuilder().build(32000, 16000))), std::pair(8192, 4096));
}

TEST(MetafileFormat, CorruptedFilesNeverCrashTheReaderOrPlayer) {
    const Bitmap b = test::makeBitmap(3, 2, PixelFormat::Bpp24, test::patternColor);
    auto playAll = [](std::span<const std::uint8_t> bytes) {
        const Metafile mf = parseMetafile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        if (mf.width * mf.height <= 4096) (void)renderMetafile(mf);
    };
    test::corruptionSweep(writeMetafile(b, false), playAll);
    test::corruptionSweep(writeMetafile(b, true), playAll);
}

TEST(MetafileFormat, EveryCorpusFileParsesAndPlays) {
    VEXILO_REQUIRE_CORPUS("metafile");
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir() / "metafile")) {
        const auto ext = entry.path().extension();
        if (ext != ".wmf" && ext != ".emf") continue;
        SCOPED_TRACE(entry.path().string());
        auto bytes = test::readFile(entry.path());
        const Metafile mf = parseMetafile(bytes);
        EXPECT_GT(mf.records.size(), 1u);
        const Bitmap picture = renderMetafile(mf);
        EXPECT_EQ(picture.width(), mf.width);
        ++count;
        if (mf.type == MetafileType::Wmf && mf.placeable) {
            // The same file without its placeable header still reads.
            const Metafile bare = parseMetafile(std::vector<std::uint8_t>(bytes.begin() + 22, bytes.end()));
            EXPECT_FALSE(bare.placeable);
            EXPECT_GT(bare.width, 0);
        }
    }
    EXPECT_GE(count, 15);
}

}  // namespace
}  // namespace vexilo
