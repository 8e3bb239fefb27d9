#include "search/thumbnail_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>

#include "codecs/png_codec.h"
#include "search/thumbnail_maker.h"
#include "support/test_util.h"

namespace vexilo::search {
namespace {

class ThumbnailCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        cache.smallestFile = 0;  // the test pictures are small
        photo = dir.file("photo.png");
        writePng(photo, kBlue, 300, 200);
        setTime(photo, 1700000000);
    }
    static void writePng(const std::string& path, Color c, int w, int h) {
        test::writeFile(path,
                        encodePng(test::makeBitmap(w, h, PixelFormat::Bpp24, [&](int, int) { return c; })));
    }
    static void setTime(const std::string& path, std::int64_t seconds) {
        const utimbuf t{static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
        ASSERT_EQ(::utime(path.c_str(), &t), 0);
    }
    ThumbnailJob job(const std::string& path) const {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return {path, st.st_mtime, static_cast<std::uint64_t>(st.st_size), 32, 32, &cache};
    }

    static constexpr Color kBlue{0, 0, 255}, kRed{255, 0, 0};
    test::TempDir dir;
    ThumbnailCache cache{dir.file("cache/thumbnails")};
    std::string photo;
};

TEST_F(ThumbnailCacheTest, FreshThumbnailIsUsedAndAChangedTimeRemakesIt) {
    Thumbnail made = MakeThumbnail(job(photo), nullptr);
    ASSERT_TRUE(made.loaded);
    EXPECT_EQ(made.kind, kind::Png);
    EXPECT_EQ(test::sizeOf(made.picture), std::pair(128, 85));  // larger side 128, aspect kept
    const std::string cached = cache.thumbnailPath(photo, kNormalThumbnailSize);
    struct stat st {};
    ASSERT_EQ(::stat(cached.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(dir.file("cache/thumbnails/normal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const auto texts = readPngTexts(test::readFile(cached));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const PngText& t) {
        return t.keyword == "Thumb::URI" && t.text == "file://" + photo;
    }));

    // A fresh entry is what the scan shows, even one that no longer looks like the file.
    test::writeFile(cached, encodePng(Bitmap(10, 10), texts));
    Thumbnail again = MakeThumbnail(job(photo), nullptr);
    ASSERT_TRUE(again.loaded);
    EXPECT_EQ(again.picture.width(), 10);
    EXPECT_EQ(again.kind, kind::Png);

    // The file changed: made again, and the entry replaced.
    writePng(photo, kRed, 300, 200);
    setTime(photo, 1700000100);
    Thumbnail remade = MakeThumbnail(job(photo), nullptr);
    ASSERT_EQ(remade.picture.width(), 128);
    EXPECT_EQ(remade.picture.pixel(5, 5), kRed);
    Bitmap read;
    FileKind k = 0;
    ASSERT_EQ(cache.find({photo, 1700000100, job(photo).size}, 32, read, k), ThumbnailCache::Found::Picture);
    EXPECT_EQ(read.pixel(5, 5), kRed);
    // A larger wanted size reads and writes the "large" folder.
    EXPECT_EQ(MakeThumbnail({photo, 1700000100, job(photo).size, 64, 200, &cache}, nullptr).picture.width(),
              256);
    EXPECT_TRUE(test::readFile(cache.thumbnailPath(photo, kLargeThumbnailSize)).size() > 0);
}

TEST_F(ThumbnailCacheTest, FilesCheaperToDecodeThanToLookUpSkipTheCache) {
    cache.smallestFile = 1u << 20;
    EXPECT_TRUE(MakeThumbnail(job(photo), nullptr).loaded);
    EXPECT_FALSE(std::filesystem::exists(cache.thumbnailPath(photo, kNormalThumbnailSize)));
}

TEST_F(ThumbnailCacheTest, FailureEntryStopsRetriesUntilTheTimeChanges) {
    const std::string broken = dir.file("broken.png");
    const std::vector<std::uint8_t> good = test::readFile(photo);
    std::vector<std::uint8_t> bad = good;
    bad[1] = 'X';  // no signature: no decoder reads it
    test::writeFile(broken, bad);
    setTime(broken, 1600000000);
    EXPECT_FALSE(MakeThumbnail(job(broken), nullptr).loaded);
    EXPECT_TRUE(std::filesystem::exists(cache.failurePath(broken)));
    // Mended under the same time and size: the failure entry still stands.
    test::writeFile(broken, good);
    setTime(broken, 1600000000);
    EXPECT_FALSE(MakeThumbnail(job(broken), nullptr).loaded);
    setTime(broken, 1600000002);
    EXPECT_TRUE(MakeThumbnail(job(broken), nullptr).loaded);
}

TEST_F(ThumbnailCacheTest, FoldersInsideTheCacheAreKnownAlsoThroughLinks) {
    EXPECT_TRUE(cache.holds(dir.file("cache/thumbnails")));
    EXPECT_TRUE(cache.holds(dir.file("cache/thumbnails/normal/")));
    EXPECT_FALSE(cache.holds(dir.file("cache/thumbnails-old")));
    EXPECT_FALSE(cache.holds(dir.path().string()));
    MakeThumbnail(job(photo), nullptr);
    std::filesystem::create_directory_symlink(dir.file("cache/thumbnails/normal"), dir.file("link"));
    EXPECT_TRUE(cache.holds(dir.file("link")));
}

}  // namespace
}  // namespace vexilo::search
