#include "search/find_in_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>

#include "support/test_util.h"

namespace vexilo::search {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

void touch(const fs::path& p, std::size_t bytes = 0) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << std::string(bytes, 'x');
}

// Records every notification as "kind relative-folder name mask".
struct Recorder {
    explicit Recorder(TFindInDir& f, const fs::path& root) : base(root.string() + "/") {
        f.OnFoundFile = [this](TFindInDir& s) { add("file", s); };
        f.OnFoundDir = [this](TFindInDir& s) { add("dir", s); };
        f.OnChangeDir = [this](TFindInDir& s) { add("enter", s, s.FoundEntry.Name); };
        f.OnEndScan = [this](TFindInDir&) { ++ends; };
    }
    void add(const std::string& what, TFindInDir& s, const std::string& name = {}) {
        std::string folder = s.CurrentFolder;
        if (folder.rfind(base, 0) == 0) folder = folder.substr(base.size());
        events.push_back(what + " " + folder + (name.empty() ? s.CurrentName : name) + " " +
                         std::to_string(s.MaskIndex));
    }
    std::vector<std::string> ofKind(const std::string& what) const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind(what + " ", 0) == 0) out.push_back(e);
        return out;
    }
    std::string base;
    std::vector<std::string> events;
    int ends = 0;
};

TEST(FindInDirMask, FollowsTheOldWildcardRules) {
    // "?" is one character, also when that character takes several bytes; bytes that are not
    // UTF-8 still match themselves and "?".
    for (auto [mask, name] : {std::pair{"*.*", "README"},
                              {"*.*", "a.b.c"},
                              {"*.bmp", "PHOTO.BMP"},
                              {"*.BMP", "photo.bmp"},
                              {"?.gif", "a.gif"},
                              {"a*b*c", "axxbyyc"},
                              {"icon.*", "icon"},
                              {"*.", "Makefile"},
                              {"?.png", "\xC3\xA9.png"},
                              {"?x", "\xFFx"}})
        EXPECT_TRUE(MatchesMask(mask, name)) << mask << " " << name;
    for (auto [mask, name] : {std::pair{"*.bmp", "bmp"},
                              {"*.bmp", "a.bmpx"},
                              {"?.gif", "ab.gif"},
                              {"a*b*c", "axxbyy"},
                              {"*.", "a.txt"},
                              {"", "a"},
                              {"\xC3\xA9", "\xC3"}})
        EXPECT_FALSE(MatchesMask(mask, name)) << mask << " " << name;
    // Long runs of stars stay fast.
    EXPECT_FALSE(MatchesMask(std::string(200, '*') + "b", std::string(5000, 'a')));
}

TEST(FindInDirTime, PacksLocalDosDateTimeAndClampsTheEnds) {
    std::tm t{};
    ASSERT_NE(::strptime("2021-07-14 13:45:31", "%Y-%m-%d %H:%M:%S", &t), nullptr);
    t.tm_isdst = -1;
    const std::uint32_t packed = packDosTime(std::mktime(&t));
    EXPECT_EQ(packed >> 16, (41u << 9) | (7u << 5) | 14u);
    EXPECT_EQ(packed & 0xFFFF, (13u << 11) | (45u << 5) | 15u);  // 31 s keeps 2-second steps
    EXPECT_EQ(packDosTime(0) >> 16, (1u << 5) | 1u);             // 1970 reads as 1980-01-01
    EXPECT_EQ(packDosTime(0) & 0xFFFF, 0u);
}

class FindInDirTree : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path root() const { return dir.path(); }
    TFindInDir finder;
    // Points the finder at the folder with the masks; the caller hooks a recorder and scans.
    void setUp(std::vector<std::string> masks, bool subfolders, const fs::path& start = {}) {
        finder.InitialDir = (start.empty() ? root() : start).string();
        finder.Masks = std::move(masks);
        finder.ScanSubfolders = subfolders;
    }
};

TEST_F(FindInDirTree, ReportsMaskByMaskThenSubfoldersDepthFirst) {
    touch(root() / "b.gif");
    touch(root() / "a.bmp");
    touch(root() / "s1" / "c.bmp");
    touch(root() / "s1" / "deep" / "d.gif");
    touch(root() / "s2" / "e.bmp");
    Recorder rec(finder, root());
    setUp({"*.bmp", "*.gif"}, true);
    finder.Scan();
    const auto files = rec.ofKind("file");
    ASSERT_EQ(files.size(), 5u);
    EXPECT_EQ(files[0], "file a.bmp 0");
    EXPECT_EQ(files[1], "file b.gif 1");
    // Each subfolder is walked completely before the next; s1/deep comes right after s1's files.
    const auto pos = [&](const std::string& e) {
        return std::find(rec.events.begin(), rec.events.end(), e) - rec.events.begin();
    };
    EXPECT_LT(pos("file s1/c.bmp 0"), pos("file s1/deep/d.gif 1"));
    const bool s1First = pos("enter s1 -1") < pos("enter s2 -1");
    if (s1First) {
        EXPECT_LT(pos("file s1/deep/d.gif 1"), pos("file s2/e.bmp 0"));
    } else {
        EXPECT_LT(pos("file s2/e.bmp 0"), pos("file s1/c.bmp 0"));
    }
    EXPECT_EQ(rec.ends, 1);
    EXPECT_EQ(finder.CurrentFolder.back(), '/');
}

TEST_F(FindInDirTree, TwoMatchingMasksReportAFileTwice) {
    touch(root() / "photo.bmp", 7);
    Recorder rec(finder, root());
    setUp({"*.bmp", "photo.b?p"}, false);
    std::vector<std::int32_t> sizes;
    finder.OnFoundFile = [&](TFindInDir& s) {
        rec.add("file", s);
        sizes.push_back(s.FoundEntry.Size);
    };
    finder.Scan();
    EXPECT_THAT(rec.events, ElementsAre("file photo.bmp 0", "file photo.bmp 1"));
    EXPECT_THAT(sizes, ElementsAre(7, 7));
}

TEST_F(FindInDirTree, EmptyMasksReportNothingButStillEndAndSubfoldersAreOptional) {
    touch(root() / "a.bmp");
    touch(root() / "sub" / "b.bmp");
    Recorder rec(finder, root());
    setUp({}, true);
    finder.Scan();
    EXPECT_THAT(rec.events, IsEmpty());  // not even a subfolder entered
    EXPECT_EQ(rec.ends, 1);

    // An empty entry among masks is skipped; the fallback mask joins Masks and stays there.
    finder.Masks = {""};
    finder.Scan();
    EXPECT_THAT(rec.ofKind("file"), IsEmpty());
    finder.Masks.clear();
    finder.FileMask = "*.BMP";
    finder.Scan();
    EXPECT_THAT(rec.ofKind("file"), UnorderedElementsAre("file a.bmp 0", "file sub/b.bmp 0"));
    EXPECT_THAT(finder.Masks, ElementsAre("*.BMP"));
    // Without subfolders only the start folder is reported.
    rec.events.clear();
    finder.ScanSubfolders = false;
    finder.Scan();
    EXPECT_THAT(rec.events, ElementsAre("file a.bmp 0"));
}

TEST_F(FindInDirTree, HiddenFilesAreReportedButHiddenFoldersNeverEntered) {
    touch(root() / ".hidden.bmp");
    touch(root() / ".cache" / "inside.bmp");
    touch(root() / "open" / "seen.bmp");
    Recorder rec(finder, root());
    std::vector<std::uint32_t> attrs;
    finder.OnFoundFile = [&](TFindInDir& s) {
        rec.add("file", s);
        attrs.push_back(s.FoundEntry.Attr);
    };
    setUp({"*.bmp"}, true);
    finder.Scan();
    EXPECT_THAT(rec.ofKind("file"), UnorderedElementsAre("file .hidden.bmp 0", "file open/seen.bmp 0"));
    EXPECT_THAT(rec.ofKind("enter"), ElementsAre("enter open -1"));
    for (auto a : attrs) EXPECT_FALSE(a & attr::Directory);
    EXPECT_EQ(std::count_if(attrs.begin(), attrs.end(), [](auto a) { return (a & attr::Hidden) != 0; }), 1);
}

TEST_F(FindInDirTree, TrailingSeparatorMakesNoDifference) {
    touch(root() / "a.bmp");
    touch(root() / "sub" / "b.bmp");
    std::vector<std::string> runs[2];
    for (int k = 0; k < 2; ++k) {
        Recorder rec(finder, root());
        setUp({"*.bmp"}, true, root().string() + (k ? "/" : ""));
        finder.Scan();
        runs[k] = rec.events;
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_EQ(runs[0].size(), 3u);
}

TEST_F(FindInDirTree, StopInsideFoundFileEndsAfterThatEntry) {
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp", "d.gif"}) touch(root() / n);
    touch(root() / "sub" / "e.bmp");
    Recorder rec(finder, root());
    finder.OnFoundFile = [&](TFindInDir& s) {
        rec.add("file", s);
        s.StopScan = true;
    };
    setUp({"*.bmp", "*.gif"}, true);
    finder.Scan();
    EXPECT_EQ(rec.events.size(), 1u);
    EXPECT_EQ(rec.ends, 1);
    EXPECT_TRUE(finder.StopScan);  // survives until the next Scan
    finder.OnFoundFile = [&](TFindInDir& s) { rec.add("file", s); };
    finder.Scan();
    EXPECT_FALSE(finder.StopScan);
    EXPECT_EQ(rec.ofKind("file").size(), 1u + 5u);
}

TEST_F(FindInDirTree, FolderMaskReportsMatchingFoldersOnly) {
    touch(root() / "icons" / "x.bmp");
    touch(root() / "images" / "y.bmp");
    touch(root() / "other" / "z.bmp");
    touch(root() / "inline.bmp");
    Recorder rec(finder, root());
    setUp({"i*/"}, false);
    finder.Scan();
    EXPECT_THAT(rec.events, UnorderedElementsAre("dir icons/ 0", "dir images/ 0"));
}

TEST_F(FindInDirTree, LinkLoopsEndAndEachRealFolderIsWalkedOnce) {
    touch(root() / "a" / "one.bmp");
    touch(root() / "b" / "two.bmp");
    fs::create_directory_symlink("..", root() / "a" / "up");            // back to the start
    fs::create_directory_symlink(root() / "a", root() / "a" / "self");  // to itself
    fs::create_directory_symlink(root() / "b", root() / "a" / "tob");   // a sibling, also reached directly
    fs::create_directory_symlink(root() / "a", root() / "b" / "toa");
    fs::create_directory_symlink(root() / "b", root() / "c");
    fs::create_symlink(root() / "missing.bmp", root() / "dangling.bmp");
    Recorder rec(finder, root());
    setUp({"*.bmp"}, true);
    finder.Scan();
    const auto files = rec.ofKind("file");
    const auto named = [&](const std::string& name) {
        return std::count_if(files.begin(), files.end(), [&](const std::string& f) {
            return f.find("/" + name + " ") != std::string::npos;
        });
    };
    EXPECT_EQ(named("one.bmp"), 1);
    EXPECT_EQ(named("two.bmp"), 1);
    EXPECT_EQ(files.size(), 2u);  // the dangling link is no file
    EXPECT_EQ(rec.ends, 1);
}

TEST_F(FindInDirTree, MissingUnreadableAndSpecialEntriesAreSkippedQuietly) {
    touch(root() / "ok.bmp");
    ASSERT_EQ(::mkfifo((root() / "pipe.bmp").c_str(), 0600), 0);
    touch(root() / "locked" / "secret.bmp");
    fs::permissions(root() / "locked", fs::perms::none);
    Recorder rec(finder, root());
    setUp({"*.bmp"}, true, root() / "no-such-folder");
    finder.Scan();
    EXPECT_THAT(rec.events, IsEmpty());
    EXPECT_EQ(rec.ends, 1);

    finder.InitialDir = root().string();
    finder.Scan();
    auto files = rec.ofKind("file");
    if (::geteuid() != 0) {  // root reads the locked folder anyway
        EXPECT_THAT(files, ElementsAre("file ok.bmp 0"));
    }
    EXPECT_EQ(std::count(files.begin(), files.end(), "file pipe.bmp 0"), 0);
    fs::permissions(root() / "locked", fs::perms::owner_all);
}

TEST_F(FindInDirTree, PauseWaitsPumpingUntilCleared) {
    touch(root() / "a.bmp");
    touch(root() / "b.bmp");
    int pumps = 0, found = 0;
    finder.OnFoundFile = [&](TFindInDir& s) {
        if (++found == 1) s.Pause = true;
    };
    finder.PumpEvents = [&] {
        if (++pumps == 4) finder.Pause = false;
    };
    setUp({"*.bmp"}, false);
    finder.Scan();
    EXPECT_EQ(found, 2);
    EXPECT_GE(pumps, 4);
    EXPECT_FALSE(finder.Pause);
    // Stop also ends a pause.
    found = 0;
    finder.PumpEvents = [&] { finder.StopScan = true; };
    finder.Scan();
    EXPECT_EQ(found, 1);
}

TEST_F(FindInDirTree, ExceptionsFromHandlersReachTheCallerWithoutEndScan) {
    touch(root() / "sub" / "a.bmp");
    Recorder rec(finder, root());
    finder.OnFoundFile = [](TFindInDir&) { throw std::runtime_error("handler failed"); };
    setUp({"*.bmp"}, true);
    EXPECT_THROW(finder.Scan(), std::runtime_error);
    EXPECT_EQ(rec.ends, 0);
    EXPECT_FALSE(finder.scanning());
    // The scanner is usable again, loops still detected from a clean state.
    finder.OnFoundFile = [&](TFindInDir& s) { rec.add("file", s); };
    finder.Scan();
    EXPECT_THAT(rec.ofKind("file"), ElementsAre("file sub/a.bmp 0"));
}

TEST_F(FindInDirTree, AScanStartedFromAHandlerSupersedesTheRunningOne) {
    for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) touch(root() / n);
    Recorder rec(finder, root());
    int nested = 0;
    finder.OnFoundFile = [&](TFindInDir& s) {
        rec.add("file", s);
        if (nested++ == 0) s.Scan();
    };
    setUp({"*.bmp"}, false);
    finder.Scan();
    // One entry of the first scan, then the three of the second; the first ends quietly.
    EXPECT_EQ(rec.ofKind("file").size(), 4u);
    EXPECT_EQ(rec.ends, 1);
}

}  // namespace
}  // namespace vexilo::search
