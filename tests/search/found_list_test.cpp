#include "search/found_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>
#include <set>

#include "search/placeholder.h"
#include "support/test_util.h"

namespace vexilo::search {
namespace {

using ::testing::ElementsAre;

FoundImage record(std::int64_t size, std::string folder = "/f/", std::int32_t date = 0,
                  std::int32_t time = 0) {
    FoundImage r;
    r.Size = size;
    r.Folder = std::move(folder);
    r.Date = date;
    r.Time = time;
    return r;
}

std::vector<std::string> captions(const FoundImageList& list) {
    std::vector<std::string> out;
    for (const auto& r : list.rows()) out.push_back(r.caption);
    return out;
}

TEST(FoundImageListSort, EqualKeysKeepFindingOrderUnderEveryKey) {
    FoundImageList list;
    list.addRow("b.bmp", record(10), nullptr);
    list.addRow("a.bmp", record(5), nullptr);
    list.addRow("c.bmp", record(10), nullptr);
    list.addRow("d.bmp", record(10), nullptr);
    list.addRow("e.bmp", record(5), nullptr);
    list.sort(sortkey::Size);
    EXPECT_THAT(captions(list), ElementsAre("a.bmp", "e.bmp", "b.bmp", "c.bmp", "d.bmp"));
    list.sort(sortkey::Name);
    list.sort(sortkey::Finding);
    EXPECT_THAT(captions(list), ElementsAre("b.bmp", "a.bmp", "c.bmp", "d.bmp", "e.bmp"));
    // Every key is a strict weak order: equal rows compare 0 both ways.
    for (std::uint8_t k = 0; k < kSortKeyCount; ++k) {
        EXPECT_EQ(FoundImageList::ListView1Compare(list.row(0), list.row(0), k), 0) << int(k);
    }
    // A large list of ties stays in finding order (an unstable sort would shuffle it).
    FoundImageList many;
    for (int i = 0; i < 500; ++i) many.addRow("same.bmp", record(i % 3), nullptr);
    many.sort(sortkey::Name);
    for (std::size_t i = 1; i < many.size(); ++i)
        EXPECT_LT(many.row(i - 1).image.ImageIndex, many.row(i).image.ImageIndex);
}

TEST(FoundImageListSort, NameIgnoresCaseButPathDoesNot) {
    FoundImageList list;
    list.addRow("beta.png", record(1, "/pics/b/"), nullptr);
    list.addRow("Alpha.png", record(1, "/pics/a/"), nullptr);
    list.addRow("alpha2.png", record(1, "/pics/B/"), nullptr);
    list.sort(sortkey::Name);
    EXPECT_THAT(captions(list), ElementsAre("Alpha.png", "alpha2.png", "beta.png"));
    list.sort(sortkey::Path);  // "B" sorts before "a" byte by byte
    EXPECT_THAT(captions(list), ElementsAre("alpha2.png", "Alpha.png", "beta.png"));
}

TEST(FoundImageListSort, ExtensionDateAndTimeKeys) {
    EXPECT_EQ(sortExtension("photo.Jpg"), "JPG");
    EXPECT_EQ(sortExtension("a.b.gif"), "GIF");
    EXPECT_EQ(sortExtension("shell.dll (2)"), "DLL (2)");
    EXPECT_EQ(sortExtension("README"), "");
    FoundImageList list;
    list.addRow("z.png", record(1, "/", 730000, 5000), nullptr);
    list.addRow("y.bmp", record(1, "/", 720000, 9000), nullptr);
    list.addRow("noext", record(1, "/", 725000, 1000), nullptr);
    list.sort(sortkey::Extension);
    EXPECT_THAT(captions(list), ElementsAre("noext", "y.bmp", "z.png"));
    list.sort(sortkey::Date);
    EXPECT_THAT(captions(list), ElementsAre("y.bmp", "noext", "z.png"));
    list.sort(sortkey::Time);
    EXPECT_THAT(captions(list), ElementsAre("noext", "z.png", "y.bmp"));
    // Sizes past 2 GiB sort as sizes, not as negative numbers.
    list.addRow("huge.bmp", record(std::int64_t{3} << 30), nullptr);
    list.sort(sortkey::Size);
    EXPECT_EQ(list.row(list.size() - 1).caption, "huge.bmp");
    EXPECT_EQ(list.columnText(list.size() - 1, Column::Size), "3221225472");
}

TEST(FoundImageListSort, NaturalOrderComparesDigitRunsAsNumbersOnlyWhenAsked) {
    auto sorted = [](const std::vector<std::string>& names, std::uint8_t key, bool natural) {
        FoundImageList list;
        for (const auto& name : names) list.addRow(name, record(0, "/pics/" + name + "/"), nullptr);
        list.sort(key, natural);
        return captions(list);
    };
    const std::vector<std::string> names{"img10.png",  "IMG2.png",  "img1.png",
                                         "img02b.png", "img2a.png", "x.png"};
    EXPECT_THAT(sorted(names, sortkey::Name, true),
                ElementsAre("img1.png", "IMG2.png", "img2a.png", "img02b.png", "img10.png", "x.png"));
    EXPECT_THAT(sorted(names, sortkey::Name, false),
                ElementsAre("img02b.png", "img1.png", "img10.png", "IMG2.png", "img2a.png", "x.png"));
    EXPECT_THAT(sorted({"d10", "d9"}, sortkey::Path, true), ElementsAre("d9", "d10"));
    EXPECT_THAT(sorted({"b10.gif", "a2.png"}, sortkey::Extension, true), ElementsAre("b10.gif", "a2.png"))
        << "other keys keep their order";

    EXPECT_EQ(compareNatural("a007", "a7"), 0);
    EXPECT_LT(compareNatural("a99999999999999999999", "a100000000000000000000"), 0) << "no overflow";
    EXPECT_LT(compareNatural("a", "a0"), 0);
    EXPECT_GT(compareNatural("b", "a9"), 0);
}

TEST(FoundImageListThumbnails, StretchToBothCellsWithoutKeepingProportions) {
    // Left half red, right half blue: a 100 x 50 picture fills the whole 32 x 32 cell.
    const Bitmap picture = test::makeBitmap(100, 50, PixelFormat::Bpp24, [](int x, int) {
        return x < 50 ? Color{255, 0, 0} : Color{0, 0, 255};
    });
    FoundImageList list;
    list.addRow("wide.bmp", record(1), &picture);
    const Bitmap* large = list.largeThumbnail(0);
    const Bitmap* small = list.smallThumbnail(0);
    ASSERT_NE(large, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(test::sizeOf(*large), std::pair(32, 32));
    EXPECT_EQ(test::sizeOf(*small), std::pair(16, 16));
    const Color red{255, 0, 0}, blue{0, 0, 255};
    for (int y : {0, 31})
        EXPECT_EQ(test::pixelsAt(*large, {{0, y}, {15, y}, {16, y}, {31, y}}),
                  (std::vector{red, red, blue, blue}));
}

TEST(FoundImageListThumbnails, CellSizeChangeAndRowRemovalKeepIndexesValid) {
    const Bitmap picture = makePlaceholderImage();
    FoundImageList list;
    list.addRow("a", record(1), &picture);
    list.addRow("b", record(2), &picture);
    list.largeImages().setCellSize(48, 40);
    EXPECT_EQ(list.largeThumbnail(0), nullptr);  // emptied until the next scan
    EXPECT_NE(list.smallThumbnail(1), nullptr);
    list.addRow("c", record(3), &picture);
    EXPECT_EQ(list.row(2).image.ImageIndex, 2);
    ASSERT_NE(list.largeThumbnail(2), nullptr);
    EXPECT_EQ(test::sizeOf(*list.largeThumbnail(2)), std::pair(48, 40));
    list.removeRow(0);
    EXPECT_EQ(list.row(1).caption, "c");
    EXPECT_EQ(list.row(1).image.ImageIndex, 2);
    EXPECT_NE(list.smallThumbnail(1), nullptr);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.smallImages().count(), 0u);
    EXPECT_EQ(list.addRow("d", record(4), &picture), 0u);
    EXPECT_EQ(list.row(0).image.ImageIndex, 0);
}

TEST(FoundImageListTexts, DayNumbersAndLocaleFormats) {
    // 1980-01-01 is day 722815 counting 1 January of year 1 as day 1.
    const std::uint32_t packed = ((1u << 5 | 1u) << 16) | (13u << 11 | 45u << 5 | 15u);
    EXPECT_EQ(dosDateToDayNumber(packed), 722815);
    EXPECT_EQ(dosTimeToMilliseconds(packed), (13 * 3600 + 45 * 60 + 30) * 1000);
    const std::uint32_t leapDay = ((44u << 9 | 2u << 5 | 29u) << 16);  // 2024-02-29
    EXPECT_EQ(dosDateToDayNumber(leapDay) + 1, dosDateToDayNumber((44u << 9 | 3u << 5 | 1u) << 16));
    const char* saved = std::setlocale(LC_TIME, nullptr);
    const std::string keep = saved ? saved : "C";
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(formatDate(722815), "01/01/80");
    EXPECT_EQ(formatDate(dosDateToDayNumber(leapDay)), "02/29/24");
    EXPECT_EQ(formatTime(dosTimeToMilliseconds(packed)), "13:45:30");
    EXPECT_EQ(formatSize(-1), "-1");
    std::setlocale(LC_TIME, keep.c_str());
}

TEST(FoundImageListModel, ReportsChangesBeforeAndAfter) {
    FoundImageList list;
    std::vector<std::string> seen;
    list.onChanging = [&](ListChange c, std::size_t r) {
        seen.push_back("before " + std::to_string(int(c)) + ":" + std::to_string(r) + "/" +
                       std::to_string(list.size()));
    };
    list.onChanged = [&](ListChange c, std::size_t r) {
        seen.push_back("after " + std::to_string(int(c)) + ":" + std::to_string(r) + "/" +
                       std::to_string(list.size()));
    };
    list.addRow("a", record(1), nullptr);
    list.removeRow(0);
    EXPECT_THAT(seen, ElementsAre("before 1:0/0", "after 1:0/1", "before 2:0/1", "after 2:0/0"));
}

TEST(Placeholder, Is32By32EightBitWithAVisiblePicture) {
    const Bitmap p = makePlaceholderImage();
    EXPECT_EQ(test::sizeOf(p), std::pair(32, 32));
    EXPECT_EQ(p.pixelFormat(), PixelFormat::Bpp8);
    std::set<std::uint32_t> inks;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_LT(p.raw(x, y), p.palette().size());
            inks.insert(p.raw(x, y));
        }
    EXPECT_GE(inks.size(), 4u);
}

}  // namespace
}  // namespace vexilo::search
