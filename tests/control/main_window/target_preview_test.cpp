#include "control/main_window/target_preview.h"

#include <gtest/gtest.h>

#include <map>

#include "raster/raster_ops.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

// Files as the fake loaders see them: a kind and a picture. Kind 0 is the associated icon, which
// every file has unless `noIcon`.
struct FakeFiles {
    struct File {
        FileKind kind;
        Bitmap picture;
    };
    std::map<std::string, File> files;
    bool noIcon = false;
    Bitmap icon = Bitmap(32, 32);

    LoadServices services() {
        LoadServices s;
        s.loadExecutableIcon = [this](const std::string& p, std::uint16_t&, Bitmap* b, const LoadRequest&) {
            auto it = files.find(p);
            if (it == files.end() || it->second.kind != kind::Exe) return false;
            *b = it->second.picture;
            return true;
        };
        s.probeImageKind = [this](const std::string& p, Bitmap* b, FileKind& k, const LoadRequest&) {
            auto it = files.find(p);
            if (it == files.end() || it->second.kind == kind::Exe) return false;
            *b = it->second.picture;
            k = it->second.kind;
            return true;
        };
        s.loadImageAs = [this](FileKind k, const std::string& p, Bitmap* b, const LoadRequest&) {
            if (k == kind::AllFiles && !noIcon) {
                *b = icon;
                return true;
            }
            auto it = files.find(p);
            if (it == files.end() || it->second.kind != k) return false;
            *b = it->second.picture;
            return true;
        };
        return s;
    }
};

search::FoundRow row(const std::string& name, std::int32_t iconIndex = -1) {
    search::FoundRow r;
    r.caption = name;
    r.image.Folder = "/pics/";
    r.image.Name = name;
    r.image.IconIndex = iconIndex;
    return r;
}

class Target : public ::testing::Test {
protected:
    Target() {
        fake.files["/pics/wide.bmp"] = {kind::Bmp, Bitmap(200, 50)};
        fake.files["/pics/photo.jpg"] = {kind::Jpeg, Bitmap(100, 50)};
        fake.files["/pics/half.png"] = {kind::Png, Bitmap(20, 10)};
        fake.files["/pics/tool.exe"] = {kind::Exe, Bitmap(32, 32)};
        fake.files["/pics/flat.tga"] = {kind::Tga, Bitmap(40, 0)};
        preview.onRendered = [this] { ++renders; };
        preview.onSizeEdits = [this](int w, int h) { shown = {w, h}; };
    }
    void load(const std::string& name, std::optional<FileKind> k = std::nullopt, std::int32_t icon = -1) {
        preview.LoadTarget(row(name, icon), k);
    }
    // The user types into an edit as the panel forwards it.
    void type(SizeEdit which, int value) { preview.SEImChange(which, value); }
    void userUnchecksActualSize() { preview.ChBActualSzClick(false, true); }

    FakeFiles fake;
    Bitmap placeholder = Bitmap(17, 13);
    TargetPreview preview{placeholder, fake.services()};
    int renders = 0;
    std::pair<int, int> shown{0, 0};
};

TEST_F(Target, LoadsByAutodetectOrChosenKindWithCaptionAndViewAs) {
    int viewAsReported = -2;
    preview.onViewAs = [&](int v) { viewAsReported = v; };
    load("photo.jpg");
    EXPECT_EQ(preview.viewAs(), kind::Jpeg);
    EXPECT_EQ(viewAsReported, kind::Jpeg);
    EXPECT_EQ(preview.caption(), " Target (double click to enlarge): Jpeg (100x50)");
    EXPECT_EQ(preview.TargetPath(), "/pics/photo.jpg");

    // A kind that cannot read the file shows the placeholder with no selection.
    preview.setTargetTitle("Ziel:");
    load("photo.jpg", kind::Bmp);
    EXPECT_EQ(preview.viewAs(), kNoViewAs);
    EXPECT_EQ(preview.caption(), " Ziel:  (17x13)");
    EXPECT_EQ(preview.DisplayImage().width(), 17);

    // An icon row always loads its icon and selects "*.EXE", whatever kind was chosen.
    load("tool.exe", kind::Png, 3);
    EXPECT_EQ(preview.viewAs(), kind::Exe);

    // Nothing reads the file: autodetection falls back to the associated icon...
    load("notes.txt");
    EXPECT_EQ(preview.viewAs(), kind::AllFiles);
    EXPECT_EQ(preview.DisplayImage().width(), 32);
    // ...and without one the placeholder shows.
    fake.noIcon = true;
    load("notes.txt");
    EXPECT_EQ(preview.viewAs(), kNoViewAs);
    EXPECT_EQ(preview.TargetImage().width(), 17);

    // The view-as list and the list's events need a selected row.
    preview.CBViewAsChange(nullptr, kind::Png);
    EXPECT_EQ(preview.TargetPath(), "/pics/notes.txt");
    const auto png = row("half.png");
    preview.CBViewAsChange(&png, kind::Png);
    EXPECT_EQ(preview.viewAs(), kind::Png);
    EXPECT_FALSE(preview.ListView1Click(nullptr));
    EXPECT_FALSE(preview.ListView1KeyUp(&png, true));
    const auto wide = row("wide.bmp");
    EXPECT_TRUE(preview.ListView1KeyUp(&wide, false));
    EXPECT_EQ(preview.TargetPath(), "/pics/wide.bmp");
}

TEST_F(Target, ActualSizeAfterEveryLoadRendersOnceAndAZeroHeightLoadDidNotLoad) {
    load("flat.tga");
    EXPECT_EQ(preview.viewAs(), kNoViewAs);
    EXPECT_EQ(test::sizeOf(preview.TargetImage()), std::pair(17, 13));
    EXPECT_EQ(preview.caption(), " Target (double click to enlarge):  (17x13)");
    EXPECT_NEAR(static_cast<double>(preview.AspectRatio()), 17.0 / 13.0, 1e-9);
    EXPECT_EQ(renders, 1);

    load("wide.bmp");
    EXPECT_FALSE(preview.sizeEditsEnabled());
    EXPECT_EQ(shown, std::make_pair(200, 50));
    load("photo.jpg");
    EXPECT_EQ(shown, std::make_pair(100, 50));
    EXPECT_EQ(preview.imageWidth(), 100);
    EXPECT_EQ(renders, 3);
    EXPECT_TRUE(preview.SizeChangeArmed());
}

TEST_F(Target, ProportionalEditsFollowEachOtherWithOneRenderPerChange) {
    // Two loads of the same size raise no change events; the next user change still renders.
    load("wide.bmp");
    load("wide.bmp");
    userUnchecksActualSize();
    EXPECT_TRUE(preview.sizeEditsEnabled());
    renders = 0;
    type(SizeEdit::Width, 100);
    EXPECT_EQ(preview.imageHeight(), 25);
    EXPECT_EQ(renders, 1);
    // The proportional partner already showing its value: the next change renders as well.
    type(SizeEdit::Width, 101);  // 25.25 -> 25
    type(SizeEdit::Width, 120);
    EXPECT_EQ(renders, 3);
    EXPECT_EQ(preview.imageHeight(), 30);
    type(SizeEdit::Height, 25);
    EXPECT_EQ(preview.imageWidth(), 100);
    EXPECT_EQ(renders, 4);
    EXPECT_EQ(test::sizeOf(preview.DisplayImage()), std::pair(100, 25));

    // Halves go to the even neighbour: AspectRatio 2, width 5 -> 2, width 7 -> 4.
    load("half.png");
    type(SizeEdit::Width, 5);
    EXPECT_EQ(preview.imageHeight(), 2);
    type(SizeEdit::Width, 7);
    EXPECT_EQ(preview.imageHeight(), 4);

    // Without "Proportional" only the typed edit changes.
    preview.ChBProportClick(false);
    renders = 0;
    type(SizeEdit::Height, 9);
    EXPECT_EQ(preview.imageWidth(), 7);
    EXPECT_EQ(renders, 1);

    // The user's click on "Actual size" puts the edits back and renders through them.
    preview.ChBActualSzClick(true, true);
    EXPECT_EQ(shown, std::make_pair(20, 10));
    EXPECT_EQ(preview.DisplayImage().width(), 20);
}

TEST_F(Target, SizeEditsRefuseEmptyAndRunawayRasters) {
    // A smaller pixel limit keeps the rasters of this test small.
    DecodeLimits small;
    small.maxPixels = 1u << 20;
    preview.setDecodeLimits(small);
    load("photo.jpg");  // 100 x 50
    userUnchecksActualSize();
    renders = 0;
    for (int bad : {0, -5, kMaxImageSize + 1, 2000}) {  // 2000 x 1000 passes the limit
        type(SizeEdit::Width, bad);
        EXPECT_EQ(shown, std::make_pair(100, 50)) << bad;
    }
    EXPECT_EQ(renders, 0);
    preview.ChBProportClick(false);
    renders = 0;
    type(SizeEdit::Width, kMaxImageSize);  // x 50 passes the limit
    type(SizeEdit::Width, 10000);
    EXPECT_EQ(preview.DisplayImage().width(), 10000);
    type(SizeEdit::Height, 200);
    EXPECT_EQ(preview.imageHeight(), 50);
    EXPECT_EQ(renders, 1);
    // Checking "Proportional" over such values holds the partner within the limit.
    preview.ChBProportClick(true);
    EXPECT_EQ(preview.imageHeight(), 104);
    // A width of 1 at 2:1 still builds a 1 x 1 raster.
    type(SizeEdit::Width, 1);
    EXPECT_EQ(preview.imageHeight(), 1);
    EXPECT_EQ(preview.DisplayImage().height(), 1);
}

TEST_F(Target, ButtonShapeAndStretchPicture) {
    fake.files["/pics/red.bmp"] = {kind::Bmp, test::makeBitmap(6, 5, PixelFormat::Bpp24, [](int, int) {
                                       return Color{255, 0, 0};
                                   })};
    // The frame (its rings: DrawButtonFrame.RingsAndCorners) goes on the display image only, and
    // stays on for the next loads.
    load("red.bmp");
    preview.ChBShapeClick(true);
    EXPECT_EQ(test::pixelsAt(preview.DisplayImage(), {{0, 0}, {2, 2}}),
              (std::vector<Color>{kButtonHighlight, {255, 0, 0}}));
    EXPECT_EQ(preview.TargetImage().pixel(0, 0), (Color{255, 0, 0}));
    load("half.png");
    EXPECT_EQ(preview.DisplayImage().pixel(0, 0), kButtonHighlight);
    preview.ChBShapeClick(false);

    load("photo.jpg");  // 100 x 50
    preview.setPreviewSize(300, 300);
    EXPECT_EQ(preview.PreviewImage().width(), 100);
    renders = 0;
    preview.ChBStretchClick(true);
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(test::sizeOf(preview.PreviewImage()), std::pair(300, 150));
    EXPECT_EQ(preview.DisplayImage().width(), 100);  // the fitted copy is the preview's only
    // A fit to a half pixel rounds to even: 20 x 10 into 5 x 5 gives 5 x 2 (2.5 -> 2).
    load("half.png");
    preview.setPreviewSize(5, 5);
    EXPECT_EQ(test::sizeOf(preview.PreviewImage()), std::pair(5, 2));
}

}  // namespace
}  // namespace vexilo
