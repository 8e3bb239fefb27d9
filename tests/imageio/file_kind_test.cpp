#include "imageio/file_kind.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vexilo {
namespace {

TEST(FileFormats, EveryRowIsFoundByItsKindAndComplete) {
    std::set<int> kinds;
    for (const FileFormat& f : fileFormats()) {
        SCOPED_TRACE(f.name);
        EXPECT_TRUE(kinds.insert(f.kind).second);  // a stored kind names one row
        EXPECT_EQ(fileFormat(f.kind), &f);
        EXPECT_EQ(fileFormats()[static_cast<std::size_t>(fileFormatPosition(f.kind))].kind, f.kind);
        EXPECT_TRUE(f.load || f.probe);
        EXPECT_EQ(f.probe == nullptr, f.mayAccept == nullptr);
        EXPECT_EQ(f.output, f.encode != nullptr);
        EXPECT_EQ(isOutputKind(f.kind), f.output);
        EXPECT_TRUE(f.save.place <= 0 || f.output);  // only output kinds are in the save menu
    }
    EXPECT_EQ(fileFormats().front().kind, kind::AllFiles);  // the view-as list starts with it
    EXPECT_EQ(fileFormat(200), nullptr);
    EXPECT_STREQ(fileKindName(200), "");
    EXPECT_STREQ(fileKindExtension(200), "");
    EXPECT_EQ(fileFormatPosition(-1), -1);

    // The menu holds each place once, in order.
    int place = 0;
    for (const FileFormat* f : saveMenuFormats()) EXPECT_EQ(f->save.place, ++place);
}

}  // namespace
}  // namespace vexilo
