#include <gtest/gtest.h>

#include "search/found_list.h"

namespace vexilo::search {
namespace {

std::vector<std::string> sortedCaptions(std::vector<std::string> captions, std::uint8_t key, bool natural) {
    FoundImageList list;
    for (const auto& c : captions) {
        FoundImage image;
        image.Folder = "/pics/" + c + "/";
        list.addRow(c, image, nullptr);
    }
    list.sort(key, natural);
    std::vector<std::string> out;
    for (const auto& row : list.rows()) out.push_back(row.caption);
    return out;
}

TEST(NaturalOrder, DigitRunsCompareAsNumbersOnlyWhenAsked) {
    const std::vector<std::string> names{"img10.png",  "IMG2.png",  "img1.png",
                                         "img02b.png", "img2a.png", "x.png"};
    EXPECT_EQ(
        sortedCaptions(names, sortkey::Name, true),
        (std::vector<std::string>{"img1.png", "IMG2.png", "img2a.png", "img02b.png", "img10.png", "x.png"}));
    EXPECT_EQ(
        sortedCaptions(names, sortkey::Name, false),
        (std::vector<std::string>{"img02b.png", "img1.png", "img10.png", "IMG2.png", "img2a.png", "x.png"}));
    EXPECT_EQ(sortedCaptions({"d10", "d9"}, sortkey::Path, true), (std::vector<std::string>{"d9", "d10"}));
    EXPECT_EQ(sortedCaptions({"b10.gif", "a2.png"}, sortkey::Extension, true),
              (std::vector<std::string>{"b10.gif", "a2.png"}))
        << "other keys keep their order";

    EXPECT_EQ(compareNatural("a007", "a7"), 0);
    EXPECT_LT(compareNatural("a99999999999999999999", "a100000000000000000000"), 0) << "no overflow";
    EXPECT_LT(compareNatural("a", "a0"), 0);
    EXPECT_GT(compareNatural("b", "a9"), 0);
}

}  // namespace
}  // namespace vexilo::search
