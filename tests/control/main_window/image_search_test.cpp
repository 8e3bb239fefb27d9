#include "control/main_window/image_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "codecs/bmp_codec.h"
#include "imageio/file_kind.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo::search {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

void writeBmpFile(const fs::path& p, int w, int h, Color c) {
    fs::create_directories(p.parent_path());
    const auto bytes = writeBmp(test::makeBitmap(w, h, PixelFormat::Bpp24, [&](int, int) { return c; }));
    test::writeFile(p, bytes);
}

using test::writeText;

std::vector<std::string> captions(const FoundImageList& list) {
    std::vector<std::string> out;
    for (const auto& r : list.rows()) out.push_back(r.caption);
    return out;
}

class ImageSearchScan : public ::testing::Test {
protected:
    ImageSearchScan() {
        search.masks.checkAll(false);
        search.masks.items.at(static_cast<std::size_t>(search.masks.find("*.bmp"))).checked = true;
        search.scanSubfolders = false;
    }
    void addFolder(const fs::path& p) { search.SBAddPathClick(p.string()); }
    test::ScopedCacheHome cache;
    test::TempDir dir;
    ImageSearch search;
};

TEST_F(ImageSearchScan, BuildsOneRowPerFileWithRecordsAndThumbnails) {
    writeBmpFile(dir.path() / "red.bmp", 100, 50, {255, 0, 0});
    writeBmpFile(dir.path() / "sub" / "blue.bmp", 4, 4, {0, 0, 255});
    writeText(dir.path() / "fake.bmp", "not a picture at all");
    addFolder(dir.path());
    search.scanSubfolders = true;
    search.thumbnailThreads = 1;  // workers would let the rows trail the progress reports
    int started = 0, ended = 0;
    std::vector<std::size_t> counts;
    search.onScanStarted = [&] { ++started; };
    search.onEndScan = [&] { ++ended; };
    search.onProgress = [&](const ScanProgress& p) {
        counts.push_back(p.rows);
        EXPECT_EQ(p.folder.back(), '/');
        return true;
    };
    search.RunScan();
    const auto& list = search.list();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_THAT(counts, ElementsAre(1, 2, 3));
    for (std::size_t r = 0; r < list.size(); ++r) {
        const FoundImage& img = list.row(r).image;
        EXPECT_EQ(img.ImageIndex, static_cast<std::int32_t>(r));  // finding order, unsorted key 0
        EXPECT_EQ(img.IconIndex, -1);
        EXPECT_EQ(img.Folder.back(), '/');
        EXPECT_TRUE(fs::exists(img.path()));
        EXPECT_EQ(img.Size, static_cast<std::int64_t>(fs::file_size(img.path())));
        EXPECT_EQ(img.Time % 2000, 0);  // seconds are even
        EXPECT_GT(img.Date, 722814);
        ASSERT_NE(list.largeThumbnail(r), nullptr);  // the cells' sizes: found_list_test.cpp
        ASSERT_NE(list.smallThumbnail(r), nullptr);
        if (img.Name == "fake.bmp") {
            // No image loader reads it: the associated icon (or, failing that, the
            // placeholder) stands in, with kind 0.
            EXPECT_EQ(img.Kind, kind::AllFiles);
        } else {
            EXPECT_EQ(img.Kind, kind::Bmp);
        }
        if (img.Name == "red.bmp") {
            EXPECT_EQ(list.largeThumbnail(r)->pixel(31, 31), (Color{255, 0, 0}));
        }
    }
    // The memory kept per row is the two cells, nothing of the decoded pictures.
    EXPECT_EQ(list.largeImages().count(), 3u);
    EXPECT_EQ(list.smallImages().count(), 3u);
}

TEST_F(ImageSearchScan, ALibraryGetsOneRowPerIconAndAFileWithoutIconsOne) {
    const Color expected[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    test::writeFile(dir.path() / "three.dll",
                    test::oneIconPerGroupLibrary({test::solidIconDib(32, 32, expected[0]),
                                                  test::solidIconDib(32, 32, expected[1]),
                                                  test::solidIconDib(32, 32, expected[2])}));
    writeText(dir.path() / "empty.exe", "MZ but nothing else");
    search.masks.checkAll(false);
    search.masks.items.at(1).checked = true;  // "*.exe"
    search.masks.items.at(2).checked = true;  // "*.dll"
    addFolder(dir.path());
    search.RunScan();
    ASSERT_THAT(captions(search.list()),
                ElementsAre("empty.exe (0)", "three.dll (0)", "three.dll (1)", "three.dll (2)"));
    for (std::size_t r = 0; r < 4; ++r) {
        const FoundImage& img = search.list().row(r).image;
        EXPECT_EQ(img.Kind, kind::Exe);
        EXPECT_EQ(img.IconIndex, r == 0 ? 0 : static_cast<int>(r - 1));
        if (r > 0) {
            EXPECT_EQ(search.list().largeThumbnail(r)->pixel(16, 16), expected[r - 1]);
        }
    }
}

TEST_F(ImageSearchScan, StopKeepsRowsSortsThemAndSkipsLaterFolders) {
    for (const char* n : {"c.bmp", "a.bmp", "b.bmp"}) writeBmpFile(dir.path() / "one" / n, 1, 1, {0, 0, 0});
    writeBmpFile(dir.path() / "two" / "z.bmp", 1, 1, {0, 0, 0});
    addFolder(dir.path() / "one");
    addFolder(dir.path() / "two");
    search.SortKey = sortkey::Name;
    search.thumbnailThreads = 1;  // with workers a stop keeps the rows of files already made
    search.onProgress = [&](const ScanProgress& p) { return p.rows < 2; };
    search.RunScan();
    ASSERT_EQ(search.list().size(), 2u);
    EXPECT_LT(search.list().row(0).caption, search.list().row(1).caption);
    for (const auto& r : search.list().rows()) EXPECT_NE(r.caption, "z.bmp");
    EXPECT_FALSE(search.scanning());
}

// What a scan shows does not depend on how many threads made the thumbnails, nor, with the
// cache, on whether the cache held them already.
TEST_F(ImageSearchScan, WorkersAndTheCacheGiveTheOneThreadRowsOnTheCorpus) {
    VEXILO_REQUIRE_CORPUS("pngsuite");
    search.initMaskList({});  // every format's mask
    search.scanSubfolders = true;
    addFolder(test::corpusDir());
    using Shown = std::tuple<std::string, std::string, FileKind, std::int32_t, PixelWords, PixelWords>;
    const auto scan = [&](int threads, bool cached) {
        search.thumbnailThreads = threads;
        search.useThumbnailCache = cached;
        search.RunScan();
        std::vector<Shown> rows;
        for (std::size_t r = 0; r < search.list().size(); ++r) {
            const FoundRow& row = search.list().row(r);
            const Bitmap* large = search.list().largeThumbnail(r);
            const Bitmap* small = search.list().smallThumbnail(r);
            rows.emplace_back(row.caption, row.image.Folder, row.image.Kind, row.image.IconIndex,
                              large ? large->pixels() : PixelWords{}, small ? small->pixels() : PixelWords{});
        }
        return rows;
    };
    const auto oneThread = scan(1, false);
    ASSERT_GT(oneThread.size(), 500u);
    EXPECT_TRUE(scan(4, false) == oneThread);
    const auto cold = scan(4, true);
    EXPECT_EQ(cold.size(), oneThread.size());
    EXPECT_TRUE(scan(1, true) == cold);  // warm
    EXPECT_TRUE(scan(3, true) == cold);
}

TEST_F(ImageSearchScan, ThumbnailsAreMadeAtTheScreensPixelRatio) {
    const auto bytes = writeBmp(test::makeBitmap(200, 100, PixelFormat::Bpp24, test::patternColor));
    test::writeFile(dir.path() / "pattern.bmp", bytes);
    addFolder(dir.path());
    search.list().setPixelRatio(2.0);
    for (bool cached : {false, true}) {
        search.useThumbnailCache = cached;
        search.RunScan();
        const Bitmap* large = search.list().largeThumbnail(0);
        ASSERT_TRUE(large && search.list().smallThumbnail(0));
        EXPECT_EQ(large->width(), 64);
        EXPECT_EQ(search.list().smallThumbnail(0)->height(), 32);
        // Made from the picture at 64 px, not a 32 px cell blown up into 2 x 2 blocks.
        int sameAsLeft = 0;
        for (int x = 1; x < 64; x += 2) sameAsLeft += large->pixel(x, 10) == large->pixel(x - 1, 10);
        EXPECT_LT(sameAsLeft, 16) << cached;
    }
}

TEST_F(ImageSearchScan, AManyRowListKeepsFewThumbnailsAndRemakesTheOthersWhenAsked) {
    const std::size_t files = kKeptThumbnails + 8;
    const auto colour = [](std::size_t i) {
        return Color{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 7};
    };
    for (std::size_t i = 0; i < files; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%05zu.bmp", i);
        writeBmpFile(dir.path() / name, 2, 2, colour(i));
    }
    addFolder(dir.path());
    search.SortKey = sortkey::Name;
    search.thumbnailThreads = 3;
    std::size_t atEnd = 0;
    search.onEndScan = [&] { atEnd = search.list().size(); };
    for (bool cached : {true, false}) {
        search.useThumbnailCache = cached;
        search.RunScan();
        ASSERT_EQ(search.list().size(), files);
        EXPECT_EQ(atEnd, files) << "the end of a scan on workers counts every row";
        std::size_t kept = 0;
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(files); ++i)
            kept += search.list().largeImages().at(i) != nullptr;
        EXPECT_EQ(kept, kKeptThumbnails);
        for (std::size_t r : {std::size_t{0}, std::size_t{5}, files - 1}) {
            const Bitmap* large = search.list().largeThumbnail(r);
            ASSERT_NE(large, nullptr) << r;
            EXPECT_EQ(large->pixel(3, 3), colour(r)) << r << " " << cached;
            EXPECT_EQ(search.list().smallThumbnail(r)->pixel(3, 3), colour(r)) << r;
        }
    }
}

TEST_F(ImageSearchScan, FilesInsideTheCacheAreNeverCached) {
    writeBmpFile(dir.path() / "red.bmp", 300, 20, {255, 0, 0});
    addFolder(dir.path());
    search.RunScan();
    const fs::path normal = cache.path() / "thumbnails" / "normal";
    ASSERT_EQ(std::distance(fs::directory_iterator(normal), fs::directory_iterator()), 1);
    // A scan of the cache's own thumbnails makes rows but no thumbnails of them.
    search.masks.checkAll(false);
    search.masks.items.at(static_cast<std::size_t>(search.masks.find("*.png"))).checked = true;
    search.searchFolders.checkAll(false);
    addFolder(cache.path());
    search.scanSubfolders = true;
    search.RunScan();
    EXPECT_EQ(search.list().size(), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(normal), fs::directory_iterator()), 1);
}

// How the finder itself takes handlers that scan again or throw: FindInDirTree. Here: the rows.
TEST_F(ImageSearchScan, HandlersThatRescanEditTheFoldersOrThrowLeaveOneWholeScan) {
    for (const char* n : {"a/x.bmp", "a/y.bmp", "b/z.bmp"}) writeBmpFile(dir.path() / n, 1, 1, {0, 0, 0});
    addFolder(dir.path() / "a");
    int nested = 0, ended = 0;
    search.onEndScan = [&] { ++ended; };
    // The first reported file "clicks" Start scan again, as a pumped event would: no mixing.
    search.onProgress = [&](const ScanProgress&) {
        if (nested++ == 0) {
            search.RunScan();
            EXPECT_TRUE(search.scanning());
        }
        return true;
    };
    search.RunScan();
    EXPECT_THAT(captions(search.list()), UnorderedElementsAre("x.bmp", "y.bmp"));
    for (std::size_t r = 0; r < 2; ++r) EXPECT_EQ(search.list().row(r).image.ImageIndex, static_cast<int>(r));
    EXPECT_EQ(ended, 2);
    EXPECT_FALSE(search.scanning());

    // The folder list emptied during a scan: the scan goes on over the folders it started with.
    addFolder(dir.path() / "b");
    search.onProgress = [&](const ScanProgress&) {
        search.SBDelPathClick(DeletePaths::All);
        return true;
    };
    search.RunScan();
    EXPECT_EQ(search.list().size(), 3u);

    // A failing handler ends the scan and leaves it restartable.
    addFolder(dir.path() / "b");
    search.onProgress = [](const ScanProgress&) -> bool { throw std::runtime_error("drawing failed"); };
    EXPECT_THROW(search.RunScan(), std::runtime_error);
    EXPECT_FALSE(search.scanning());
    search.onProgress = nullptr;
    search.RunScan();
    EXPECT_EQ(search.list().size(), 1u);
}

TEST_F(ImageSearchScan, WithoutThumbnailsRowsComeFromEntriesAlone) {
    writeText(dir.path() / "one.bmp", "x");
    writeText(dir.path() / "two.BMP", "yy");
    addFolder(dir.path());
    search.buildThumbnails = false;
    search.SortKey = sortkey::Size;
    search.RunScan();
    ASSERT_EQ(search.list().size(), 2u);
    EXPECT_EQ(search.list().row(0).caption, "one.bmp");
    for (std::size_t r = 0; r < 2; ++r) {
        EXPECT_EQ(search.list().row(r).image.Kind, kKindNotProbed);
        EXPECT_EQ(search.list().largeThumbnail(r), nullptr);
    }
}

TEST_F(ImageSearchScan, TheJpegMaskFindsEveryJpegNameOnceAndAllFilesOverridesTheOtherMasks) {
    for (const char* name : {"a.jpg", "b.JPEG", "c.jfif", "d.jpe", "e.png"})
        writeText(dir.path() / name, "not a picture");
    writeBmpFile(dir.path() / "red.bmp", 2, 2, {255, 0, 0});
    addFolder(dir.path());
    search.masks.checkAll(false);
    search.masks.items.at(static_cast<std::size_t>(search.masks.find(fileFormat(kind::Jpeg)->mask))).checked =
        true;
    search.RunScan();
    std::vector<std::string> names = captions(search.list());
    std::sort(names.begin(), names.end());
    EXPECT_THAT(names, ElementsAre("a.jpg", "b.JPEG", "c.jfif"));

    // "All files" beside it: every file, each row the file's associated icon (when the desktop
    // offers one), never a decode.
    search.masks.items.at(0).checked = true;
    search.RunScan();
    EXPECT_EQ(search.FindInDir1().FileMask, "*.*");
    EXPECT_THAT(search.FindInDir1().Masks, ElementsAre("*.*"));
    for (const auto& r : search.list().rows()) {
        EXPECT_EQ(r.image.Kind, kind::AllFiles);
        EXPECT_EQ(r.caption, r.image.Name);
    }
    EXPECT_LE(search.list().size(), 6u);
}

TEST(ImageSearchMasks, StartEntriesUserMasksAndAllFilesExclusiveBothWays) {
    ImageSearch s;
    const std::size_t starts = fileFormats().size();
    ASSERT_EQ(s.masks.size(), starts);
    EXPECT_EQ(s.masks.items[0].text, "All files as Windows Icons");
    EXPECT_FALSE(s.masks.items[0].checked);
    for (std::size_t i = 1; i < starts; ++i) EXPECT_TRUE(s.masks.items[i].checked);
    s.initMaskList({"*.xcf", "*.BMP", "*.Xcf", "*.kra"});
    EXPECT_EQ(s.masks.size(), starts + 2);
    EXPECT_FALSE(s.masks.items[starts].checked);
    EXPECT_THAT(s.userMasks(), ElementsAre("*.xcf", "*.kra"));

    // "All files" and any other mask exclude each other.
    s.masks.items[0].checked = true;  // the user ticks "All files"
    s.ChLBMasksClickCheck();
    for (std::size_t i = 1; i < s.masks.size(); ++i) EXPECT_FALSE(s.masks.items[i].checked);
    EXPECT_TRUE(s.masks.items[0].checked);
    EXPECT_FALSE(s.AllFilesExclusive);
    s.masks.items[7].checked = true;  // then any other mask
    s.ChLBMasksClickCheck();
    EXPECT_FALSE(s.masks.items[0].checked);
    EXPECT_TRUE(s.masks.items[7].checked);
    EXPECT_TRUE(s.AllFilesExclusive);
    s.masks.items[0].checked = true;
    s.ChLBMasksClickCheck();
    EXPECT_FALSE(s.masks.items[7].checked);
}

TEST(ImageSearchMasks, AddingMasksLowerCasesAndNeverDuplicates) {
    ImageSearch s;
    s.masks.checkAll(false);
    std::string edit = "*.BMP";
    s.BitBtnAddMaskClick(edit);
    EXPECT_EQ(edit, "*.bmp");
    const std::size_t starts = fileFormats().size();
    EXPECT_EQ(s.masks.size(), starts);
    EXPECT_TRUE(s.masks.items[7].checked);
    edit = "Photo?.XPM";
    s.BitBtnAddMaskClick(edit);
    EXPECT_EQ(edit, "photo?.xpm");
    ASSERT_EQ(s.masks.size(), starts + 1);
    EXPECT_EQ(s.masks.items[starts].text, "photo?.xpm");
    EXPECT_TRUE(s.masks.items[starts].checked);
    edit.clear();
    s.BitBtnAddMaskClick(edit);
    EXPECT_EQ(s.masks.size(), starts + 1);
    // Enter makes the typed mask the only checked one; with a modifier it does nothing.
    s.masks.checkAll(true);
    edit = "*.GIF";
    s.EMaskKeyUp(true, true, edit);
    EXPECT_EQ(edit, "*.GIF");
    s.EMaskKeyUp(true, false, edit);
    EXPECT_THAT(s.masks.checkedTexts(), ElementsAre("*.gif"));
}

TEST(ImageSearchFolders, AddCheckAndDeleteAndTheSortButtons) {
    ImageSearch s;
    s.setSearchFolders({"/photos/raw", "/photos/Raw"});
    s.SBAddPathClick("/photos/raw/");  // the same folder: only checked
    EXPECT_EQ(s.searchFolders.size(), 2u);
    EXPECT_TRUE(s.searchFolders.items[0].checked);
    EXPECT_FALSE(s.searchFolders.items[1].checked);  // another folder on this system
    s.SBAddPathClick("/photos/RAW");
    EXPECT_EQ(s.searchFolders.size(), 3u);
    s.SBAddPathClick("");
    EXPECT_EQ(s.searchFolders.size(), 3u);
    EXPECT_TRUE(s.hasCheckedFolder());

    s.searchFolders.items[1].selected = true;
    s.searchFolders.items[2].selected = true;
    s.SBDelPathClick(DeletePaths::Selected);  // no current entry: nothing happens
    EXPECT_EQ(s.searchFolders.size(), 3u);
    s.searchFolders.current = 2;
    s.SBDelPathClick(DeletePaths::Selected);  // removes the first selected entry only
    EXPECT_THAT(s.searchFolders.texts(), ElementsAre("/photos/raw", "/photos/RAW"));
    EXPECT_EQ(s.searchFolders.current, 1);
    s.SBDelPathClick(DeletePaths::All);
    EXPECT_EQ(s.searchFolders.size(), 0u);
    EXPECT_FALSE(s.hasCheckedFolder());

    // The sort buttons pick their keys; a button past the last changes nothing.
    s.SelListViewSort(1);
    EXPECT_EQ(s.SortKey, sortkey::Extension);
    s.SelListViewSort(9);
    EXPECT_EQ(s.SortKey, sortkey::Extension);
}

}  // namespace
}  // namespace vexilo::search
