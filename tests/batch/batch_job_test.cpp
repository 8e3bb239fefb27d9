// The batch job on real files in a temporary folder: naming, output folders, sizing, the replace
// rules, counters, stopping, and what is left on disk after failures. Every run test runs one by
// one and on a worker pool, which must not differ.
#include "batch/batch_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>

#include "support/file_fixture.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

// Beside the source, in a relative or absolute folder with its "/": the BatchRun tests' outputs.
TEST(BatchJob, NamesAndPaths) {
    EXPECT_EQ(BatchOutputName("/a/shell32.dll", kind::Ico, 3, false), "3_shell32.ico");
    EXPECT_EQ(BatchOutputName("/a/shell32.dll", kind::Ico, 3, true), "shell32.ico");  // one row
    EXPECT_EQ(BatchOutputName("/a/README", kind::Jpeg, -1, false), "README.jpg");
    EXPECT_EQ(BatchOutputName("/a/x.tar.gz", kind::Png, -1, false), "x.tar.png");
    EXPECT_EQ(BatchOutputName("/a/b.png", kind::AllFiles, -1, false), "b.png");

    EXPECT_EQ(BatchOutputPath("/a/b.png", "out16", "b.bmp"), "/a/out16/b.bmp");  // always a folder
    EXPECT_EQ(BatchOutputPath("/a/b.png", "/conv", "b.bmp"), "/conv/b.bmp");

    BatchRequest r;
    r.actualSize = false;
    const auto size = [&](int sw, int sh) {
        std::pair<int, int> out;
        BatchOutputSize(r, sw, sh, out.first, out.second);
        return out;
    };
    r.percent = 50;
    EXPECT_EQ(size(5, 3), std::pair(2, 2));  // 2.5 and 1.5: halves to even
    r.percent = -1;
    r.fit = true;
    r.width = r.height = 10;
    EXPECT_EQ(size(3000, 2), std::pair(10, 1));  // a thin line keeps one pixel
}

TEST(BatchJob, SummaryAsShown) {
    BatchResult r;
    r.converted = 3;
    r.failed = 1;
    EXPECT_EQ(BatchSummary(r, "Converted:", "Not loaded:", "Failed:"),
              "Converted: 3;\n\rNot loaded: 0;\n\rFailed: 1.");
}

class BatchRun : public test::FileTest, public ::testing::WithParamInterface<int> {
protected:
    BatchResult run(BatchRequest& r) { return RunBatchJob(r, ExportOptions{}, callbacks, GetParam()); }
    // Nothing but the named files: no staging file is ever left behind.
    std::vector<std::string> listing(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> asked;
    std::vector<std::string> progress;
    std::deque<ReplaceAnswer> answers;
    int stopAt = 0;
    BatchCallbacks callbacks{[this](const std::string& p) {
                                 asked.push_back(fs::path(p).filename().string());
                                 const auto a = answers.empty() ? ReplaceAnswer::Skip : answers.front();
                                 if (!answers.empty()) answers.pop_front();
                                 return a;
                             },
                             [this](const BatchProgress& p) {
                                 progress.push_back(std::to_string(p.position) + "/" +
                                                    std::to_string(p.count) + " " +
                                                    fs::path(p.output).filename().string());
                                 return p.position != stopAt;
                             }};
};

// A 32 x 32 icon image: a white border (the written icon's mask colour) around one colour.
std::vector<std::uint8_t> framedIcon(Color c) {
    return test::makeIconDib(
        32, 32, 32, {},
        [c](int x, int y) { return x == 0 || y == 0 || x == 31 || y == 31 ? 0xFFFFFFu : packRgb(c, 0); },
        [](int, int) { return false; });
}

TEST_P(BatchRun, ThreeIconsOfOneLibraryArePrefixedBesideIt) {
    const std::string dll = dir.file("tools.dll");
    test::writeFile(dll, test::oneIconPerGroupLibrary(
                             {framedIcon({255, 0, 0}), framedIcon({0, 255, 0}), framedIcon({0, 0, 255})}));

    BatchRequest r;
    r.targetKind = kind::Ico;
    r.files = {dll, dll, dll};
    r.iconIndexes = {0, 1, 2};
    const BatchResult result = run(r);
    EXPECT_EQ(result.converted, 3);
    EXPECT_EQ(listing(dir.path()),
              (std::vector<std::string>{"0_tools.ico", "1_tools.ico", "2_tools.ico", "tools.dll"}));
    EXPECT_EQ(load(dir.file("2_tools.ico")).pixel(10, 10), (Color{0, 0, 255}));
    EXPECT_EQ(progress, (std::vector<std::string>{"1/3 0_tools.ico", "2/3 1_tools.ico", "3/3 2_tools.ico"}));
}

TEST_P(BatchRun, FoldersQuotesSizesAndTheTypedSingleName) {
    const std::string small = png("a/small.png", 32, 32), big = png("a/big.png", 48, 48);
    BatchRequest r;
    r.targetKind = kind::Png;
    r.actualSize = false;
    r.percent = 50;
    r.files = {small, big};
    r.iconIndexes = {-1, -1};
    r.outputFolder = "\"half/\"";  // relative to each source, quotes removed
    EXPECT_EQ(run(r).converted, 2);
    EXPECT_EQ(r.outputFolder, "half/");
    EXPECT_EQ(load(dir.file("a/half/small.png")).width(), 16);
    EXPECT_EQ(load(dir.file("a/half/big.png")).height(), 24);
    EXPECT_EQ(r.width, 24);  // the request keeps the last file's size
    EXPECT_EQ(listing(dir.path() / "a/half"), (std::vector<std::string>{"big.png", "small.png"}));

    r.outputFolder = "\"" + dir.file("abs") + "/\"";
    r.actualSize = true;
    EXPECT_EQ(run(r).converted, 2);
    EXPECT_EQ(load(dir.file("abs/big.png")).width(), 48);

    // A quote inside a folder name is part of the name; one file may take a typed name.
    r.outputFolder = "q\"x";
    r.files = {small};
    r.iconIndexes = {-1};
    r.singleFile = true;
    r.singleOutputName = "typed.tga.png";
    EXPECT_EQ(run(r).converted, 1);
    EXPECT_EQ(load(dir.file("a/q\"x/typed.tga.png")).width(), 32);
}

TEST_P(BatchRun, SkipAllAsksOnceAndTouchesNothing) {
    const std::string a = png("a.png", 4, 4), b = png("b.png", 4, 4), c = png("c.png", 4, 4);
    for (const char* name : {"a.bmp", "c.bmp"})
        test::writeFile(dir.path() / name, std::vector<std::uint8_t>{1, 2});
    BatchRequest r;
    r.files = {a, b, c};
    r.iconIndexes = {-1, -1, -1};
    answers = {ReplaceAnswer::SkipAll};
    const BatchResult result = run(r);
    EXPECT_EQ(asked, std::vector<std::string>{"a.bmp"});
    EXPECT_EQ((std::vector<int>{result.converted, result.notLoaded, result.failed}),
              (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(test::readFile(dir.path() / "c.bmp"), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(progress, std::vector<std::string>{"2/3 b.bmp"});  // skipped files report nothing

    // Overwrite all clears the prompt for the rest of the run.
    asked.clear();
    answers = {ReplaceAnswer::OverwriteAll};
    EXPECT_EQ(run(r).converted, 3);
    EXPECT_EQ(asked, std::vector<std::string>{"a.bmp"});
    EXPECT_FALSE(r.promptOnReplace);
    EXPECT_EQ(load(dir.file("c.bmp")).width(), 4);
}

TEST_P(BatchRun, OutputsAreKnownBeforeAnythingIsWritten) {
    const std::string a = png("a.png", 4, 4);
    const std::string jpg = dir.file("a.jpg");
    fs::copy_file(png("other.png", 6, 6), jpg);  // a PNG under a .jpg name still loads
    BatchRequest r;
    r.promptOnReplace = false;
    r.files = {a, jpg};
    r.iconIndexes = {-1, -1};
    // Two rows with one output: the first writes it, the second is a reported clash.
    BatchResult result = run(r);
    EXPECT_EQ((std::vector<int>{result.converted, result.failed, result.clashed}),
              (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(load(dir.file("a.bmp")).width(), 4);
    ASSERT_EQ(result.issues.size(), 1u);
    EXPECT_EQ(result.issues[0].kind, BatchIssueKind::SameOutput);
    EXPECT_EQ(result.issues[0].other, a);

    // An output that is another row's source is never written; a row's own source may be.
    r.targetKind = kind::Png;
    r.files = {jpg, a};
    result = run(r);
    EXPECT_EQ((std::vector<int>{result.converted, result.failed, result.clashed}),
              (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(load(a).width(), 4);
    ASSERT_EQ(result.issues.size(), 1u);
    EXPECT_EQ(result.issues[0].kind, BatchIssueKind::OverSource);
    EXPECT_EQ(result.issues[0].source, jpg);
    EXPECT_TRUE(asked.empty());
}

TEST_P(BatchRun, CountsStopsAndConvertsOntoItself) {
    const std::string big = png("big.png", 100, 100), tiny = png("tiny.png", 32, 32);
    BatchRequest r;
    r.targetKind = kind::Png;
    r.actualSize = false;
    r.percent = 1;  // 100 -> 1 pixel, 32 -> none: a failed output, and the run goes on
    r.promptOnReplace = false;
    r.files = {big, tiny, dir.file("missing.png"), png("last.png", 4, 4)};
    r.iconIndexes = {-1, -1, -1, -1};
    stopAt = 4;
    const BatchResult result = run(r);
    EXPECT_EQ((std::vector<int>{result.converted, result.notLoaded, result.failed}),
              (std::vector<int>{1, 1, 1}));
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.left, 1);
    EXPECT_EQ(load(big).width(), 1);  // written over its own source, once
    EXPECT_EQ(load(tiny).width(), 32);
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{"big.png", "last.png", "tiny.png"}));
}

TEST_P(BatchRun, AWriteFailureFailsThatFileAndTheRunGoesOn) {
    const std::string a = png("a/a.png", 4, 4), b = png("b/b.png", 4, 4), c = png("a/c.png", 4, 4);
    test::writeFile(dir.path() / "b/out", std::vector<std::uint8_t>{0});  // a file where a folder must go
    BatchRequest r;
    r.outputFolder = "out/";
    r.files = {a, b, c};
    r.iconIndexes = {-1, -1, -1};
    for (const FileKind k : {kind::Png, kind::Bmp}) {
        r.targetKind = k;
        const BatchResult result = run(r);
        EXPECT_EQ((std::vector<int>{result.converted, result.failed}), (std::vector<int>{2, 1}));
        ASSERT_EQ(result.issues.size(), 1u);
        EXPECT_EQ(result.issues[0].source, b);
        EXPECT_NE(result.issues[0].reason.find(dir.file("b/out")), std::string::npos)
            << result.issues[0].reason;
    }
    EXPECT_EQ(listing(dir.path() / "a/out"), (std::vector<std::string>{"a.bmp", "a.png", "c.bmp", "c.png"}));
}

TEST_P(BatchRun, AFileNoDecoderReadsIsNotLoadedUnlessItsIconWasAskedFor) {
    // A JPEG with its first two bytes zeroed, a folder and a text file, over good outputs.
    std::vector<std::uint8_t> damaged = test::readFile(png("d.png", 4, 4));
    damaged[0] = damaged[1] = 0;
    test::writeFile(dir.path() / "d.jpg", damaged);
    fs::create_directory(dir.path() / "f.jpg");
    test::writeFile(dir.path() / "notes.txt", std::vector<std::uint8_t>{'h', 'i'});
    png("f.png", 4, 4);
    png("notes.png", 4, 4);
    const auto good = test::readFile(dir.path() / "d.png");
    BatchRequest r;
    r.targetKind = kind::Png;
    r.promptOnReplace = false;
    r.files = {dir.file("d.jpg"), dir.file("f.jpg"), dir.file("notes.txt")};
    r.iconIndexes = {-1, -1, -1};
    BatchResult result = run(r);
    EXPECT_EQ((std::vector<int>{result.converted, result.notLoaded}), (std::vector<int>{0, 3}));
    EXPECT_EQ(test::readFile(dir.path() / "d.png"), good);
    ASSERT_EQ(result.issues.size(), 3u);
    EXPECT_EQ(result.issues[2].kind, BatchIssueKind::NotLoaded);

    r.associatedIcons = {false, false, true};  // listed under "All files as Windows Icons"
    result = run(r);
    EXPECT_EQ((std::vector<int>{result.converted, result.notLoaded}), (std::vector<int>{1, 2}));
    EXPECT_EQ(load(dir.file("notes.png")).width(), 32);
}

TEST_P(BatchRun, OverwriteReplacesOnlyFilesTheUserMayWrite) {
    const std::string a = png("a.png", 4, 4);
    test::writeFile(dir.path() / "a.bmp", std::vector<std::uint8_t>{1, 2});
    fs::permissions(dir.path() / "a.bmp",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    BatchRequest r;
    r.promptOnReplace = false;
    r.files = {a};
    r.iconIndexes = {-1};
    const BatchResult result = run(r);
    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(result.issues.size(), 1u);
    EXPECT_NE(result.issues[0].reason.find("read-only"), std::string::npos) << result.issues[0].reason;
    EXPECT_EQ(test::readFile(dir.path() / "a.bmp"), (std::vector<std::uint8_t>{1, 2}));
}

TEST_P(BatchRun, LongNamesConvertAndLeftoversOfKilledRunsGo) {
    const std::string longName(251, 'n');  // with ".bmp", the longest name a folder may hold
    const std::string a = png(longName + ".png", 4, 4);
    // A leftover of a process that is gone goes from every folder the run writes to (which
    // names are leftovers: FileIo.AtomicWritesTakeNamesUpToTheLimitAndRemoveOnlyStaleLeftovers).
    test::writeFile(dir.path() / ".vexilo-3ffffffe-00000001.tmp", std::vector<std::uint8_t>{1});
    BatchRequest r;
    r.files = {a};
    r.iconIndexes = {-1};
    EXPECT_EQ(run(r).converted, 1);
    EXPECT_EQ(load(dir.file(longName + ".bmp")).width(), 4);
    EXPECT_EQ(listing(dir.path()), (std::vector<std::string>{longName + ".bmp", longName + ".png"}));
}

TEST_P(BatchRun, TheOrientationTurnIsAnOptionOfTheRequest) {
    // Stored 16 x 12, to be shown turned upright as 12 x 16.
    const std::string turned = dir.file("turned.tif");
    fs::copy_file(fs::path(VEXILO_TEST_DATA_DIR) / "formats/turned6.tif", turned);
    BatchRequest r;
    r.targetKind = kind::Webp;
    r.files = {turned};
    r.iconIndexes = {-1};
    r.outputFolder = "upright/";
    EXPECT_EQ(run(r).converted, 1);
    r.turnByOrientation = false;
    r.outputFolder = "stored/";
    EXPECT_EQ(run(r).converted, 1);
    EXPECT_EQ(load(dir.file("upright/turned.webp")).width(), 12);
    EXPECT_EQ(load(dir.file("stored/turned.webp")).width(), 16);
}

INSTANTIATE_TEST_SUITE_P(OneByOneAndPool, BatchRun, ::testing::Values(1, 3));

}  // namespace
}  // namespace vexilo
