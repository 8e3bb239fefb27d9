#include "files/file_operation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <filesystem>

#include "files/trash.h"
#include "support/test_util.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

struct ScriptedUi : FileOperationUi {
    std::deque<FileReplaceAnswer> answers;
    std::vector<std::string> asked;
    int cancelAtFile = -1;               // progress answers false when this file starts
    std::uint64_t cancelAfterBytes = 0;  // ... or once this many bytes were copied
    FileReplaceAnswer askReplace(const std::string&, const std::string& target) override {
        asked.push_back(target);
        const auto a = answers.empty() ? FileReplaceAnswer::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        return a;
    }
    bool progress(const FileProgress& p) override {
        if (cancelAfterBytes && p.bytesDone >= cancelAfterBytes) return false;
        return static_cast<int>(p.fileIndex) != cancelAtFile;
    }
};

using test::readText;
using test::writeText;

// A rename that answers EXDEV for targets under `refused`, as across a bind mount.
Trash::RenameFunction refusingUnder(std::string refused) {
    return [refused](const std::string& from, const std::string& to) {
        if (to.starts_with(refused)) {
            errno = EXDEV;
            return -1;
        }
        return ::rename(from.c_str(), to.c_str());
    };
}

int run(TFileMode mode, std::vector<std::string> source, std::string dest, FileOperationUi& ui,
        TFileOperation* out = nullptr) {
    TFileOperation op;
    op.Mode = mode;
    op.Source = std::move(source);
    op.Destination = std::move(dest);
    const int rc = op.Execute(ui);
    if (out) *out = op;
    return rc;
}

}  // namespace

TEST(TFileOperation, CopiesAwkwardNamesKeepingTimesAndPermissionsAndRenamesNeverOverAFile) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "out");
    std::vector<std::string> sources;
    for (const char* name : {"a;b.png", "with space.bmp", "new\nline.gif", "\xc3\xa4pfel.ico"}) {
        writeText(dir.file(name), name);
        sources.push_back(dir.file(name));
    }
    ::chmod(sources[0].c_str(), 0640);
    const fs::file_time_type old = fs::file_time_type::clock::now() - std::chrono::hours(240);
    fs::last_write_time(sources[0], old);

    ScriptedUi ui;
    EXPECT_EQ(run(TFileMode::foCopy, sources, dir.file("out") + "/", ui), 0);
    for (const auto& s : sources) {
        const std::string copy = dir.file("out/" + fs::path(s).filename().string());
        EXPECT_EQ(readText(copy), readText(s)) << copy;
        EXPECT_TRUE(fs::exists(s));
    }
    const std::string first = dir.file("out/a;b.png");
    EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(fs::last_write_time(first), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), {}), 4) << "no temporary left";

    // One file to a chosen name; and never onto itself, which would truncate it.
    EXPECT_EQ(run(TFileMode::foCopy, {sources[1]}, dir.file("renamed.bmp"), ui), 0);
    EXPECT_EQ(readText(dir.file("renamed.bmp")), "with space.bmp");
    TFileOperation op;
    EXPECT_NE(run(TFileMode::foCopy, {sources[1]}, dir.file(""), ui, &op), 0);
    EXPECT_NE(op.Errors().front().find("onto itself"), std::string::npos);
    EXPECT_EQ(readText(sources[1]), "with space.bmp");

    // A rename also by letter case, but never over another file.
    writeText(dir.file("photo.png"), "p");
    EXPECT_EQ(run(TFileMode::foRename, {dir.file("photo.png")}, dir.file("Photo.PNG"), ui), 0);
    EXPECT_EQ(readText(dir.file("Photo.PNG")), "p");
    EXPECT_FALSE(fs::exists(dir.file("photo.png")));
    EXPECT_NE(run(TFileMode::foRename, {dir.file("Photo.PNG")}, dir.file("renamed.bmp"), ui), 0);
    EXPECT_EQ(readText(dir.file("renamed.bmp")), "with space.bmp");
}

TEST(TFileOperation, ExistingTargetsFollowEachAnswer) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "out");
    std::vector<std::string> sources;
    for (const char* name : {"1", "2", "3", "4"}) {
        writeText(dir.file(name), std::string("new") + name);
        writeText(dir.file(std::string("out/") + name), "old");
        sources.push_back(dir.file(name));
    }
    ScriptedUi ui;
    ui.answers = {FileReplaceAnswer::Skip, FileReplaceAnswer::Replace, FileReplaceAnswer::ReplaceAll};
    EXPECT_EQ(run(TFileMode::foCopy, sources, dir.file("out/"), ui), 0);
    EXPECT_EQ(ui.asked.size(), 3u) << "replace all asks no more";
    std::vector<std::string> out;
    for (const char* name : {"1", "2", "3", "4"})
        out.push_back(readText(dir.file(std::string("out/") + name)));
    EXPECT_EQ(out, (std::vector<std::string>{"old", "new2", "new3", "new4"}));

    ScriptedUi cancel;
    cancel.answers = {FileReplaceAnswer::Cancel};
    TFileOperation op;
    EXPECT_NE(run(TFileMode::foMove, sources, dir.file("out/"), cancel, &op), 0);
    EXPECT_TRUE(op.AbortByUser());
    EXPECT_TRUE(fs::exists(sources[0]));
}

TEST(TFileOperation, MovesWithinAndAcrossFileSystemsAndCancelsKeepingTheRest) {
    test::TempDir dir;
    std::vector<std::string> sources;
    for (int i = 0; i < 5; ++i) {
        sources.push_back(dir.file("f" + std::to_string(i)));
        writeText(sources.back(), "x");
    }
    fs::create_directory(dir.path() / "out");
    ScriptedUi ui;
    ui.cancelAtFile = 2;
    TFileOperation op;
    EXPECT_NE(run(TFileMode::foMove, sources, dir.file("out"), ui, &op), 0);
    EXPECT_TRUE(op.AbortByUser());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(fs::exists(sources[i]), i >= 2) << i;

    struct stat a {
    }, b{};
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    test::TempDir dummy;
    const fs::path shm = fs::path("/dev/shm") / dummy.path().filename();
    fs::create_directory(shm);
    ScriptedUi all;
    EXPECT_EQ(run(TFileMode::foMove, {sources[2]}, shm.string() + "/", all), 0);
    EXPECT_FALSE(fs::exists(sources[2]));
    EXPECT_EQ(readText((shm / "f2").string()), "x");

    // Cancelled in the middle of a large cross-device copy: the source stays, nothing half-made.
    writeText(sources[3], std::string(3 << 20, 'y'));
    ScriptedUi midway;
    midway.cancelAfterBytes = 1 << 20;
    EXPECT_NE(run(TFileMode::foMove, {sources[3]}, shm.string() + "/", midway), 0);
    EXPECT_EQ(fs::file_size(sources[3]), 3u << 20);
    EXPECT_EQ(std::distance(fs::directory_iterator(shm), {}), 1) << "only the earlier f2";
    fs::remove_all(shm);
}

TEST(TFileOperation, EraseUsesTheTrashAndNeverDeletesWhatTheTrashRefuses) {
    // How the trash names and records what it takes: the Trash tests below.
    test::TempDir dir;
    for (const char* name : {"kept.png", "agreed.png", "trashed.png"}) writeText(dir.file(name), name);
    TFileOperation op;
    op.Mode = TFileMode::foDelete;
    op.Source = {dir.file("kept.png"), dir.file("agreed.png"), dir.file("trashed.png")};
    op.DeleteForGood = {dir.file("agreed.png")};
    // The trash refuses kept.png after the question was answered for a trash.
    op.Trashes = Trash(dir.file("home/Trash"), [](const std::string& from, const std::string& to) {
        if (from.ends_with("kept.png")) {
            errno = EACCES;
            return -1;
        }
        return ::rename(from.c_str(), to.c_str());
    });
    ScriptedUi ui;
    EXPECT_NE(op.Execute(ui), 0);
    EXPECT_EQ(readText(dir.file("kept.png")), "kept.png");
    EXPECT_FALSE(fs::exists(dir.file("agreed.png")));
    EXPECT_EQ(readText(dir.file("home/Trash/files/trashed.png")), "trashed.png");
    ASSERT_EQ(op.Errors().size(), 1u);
    EXPECT_NE(op.Errors()[0].find("kept.png"), std::string::npos);
}

TEST(Trash, MakesTheHomeTrashsParentsAndTakesNamesTooLongForARecord) {
    test::TempDir dir;
    const fs::path data = dir.path() / "fresh/account/.local/share";
    test::ScopedEnv xdg("XDG_DATA_HOME", data.c_str());
    const std::string stem(239, 'n'), name = stem + " .png";  // 244 bytes: no room for ".trashinfo"
    writeText(dir.path() / name, "1");
    fs::create_directory(dir.path() / "sub");
    writeText(dir.path() / "sub" / name, "2");

    EXPECT_TRUE(canMoveToTrash(dir.file(name)));
    moveToTrash(dir.file(name));
    moveToTrash(dir.file("sub/" + name));
    EXPECT_FALSE(fs::exists(dir.path() / name));
    EXPECT_EQ(fs::status(data / "Trash").permissions() & fs::perms::all, fs::perms(0700));

    std::vector<fs::path> trashed;
    for (const auto& e : fs::directory_iterator(data / "Trash/files")) trashed.push_back(e.path());
    ASSERT_EQ(trashed.size(), 2u);
    std::string contents;
    for (const auto& t : trashed) {
        EXPECT_NE(t.filename().string().find(".png"), std::string::npos) << "the extension is kept";
        const std::string record = readText(data / "Trash/info" / (t.filename().string() + ".trashinfo"));
        const std::string original =
            (readText(t) == "1" ? dir.file(stem) : dir.file("sub/" + stem)) + "%20.png";
        EXPECT_NE(record.find("Path=" + original + "\nDeletionDate="), std::string::npos) << record;
        contents += readText(t);
    }
    EXPECT_TRUE(contents == "12" || contents == "21");
}

TEST(Trash, WhereTheHomeTrashCannotRenameTheTopTrashOrACopyTakesTheFile) {
    test::TempDir dir, top;
    const std::string home = dir.file("home/Trash");
    writeText(dir.path() / "a.gif", "a");
    writeText(dir.path() / "b.gif", "b");

    // A bind mount: same device, yet no rename into the home trash.
    Trash bound(home, refusingUnder(home), [&](const std::string&) { return top.path().string(); });
    ASSERT_TRUE(bound.canTake(dir.file("a.gif")));
    bound.put(dir.file("a.gif"));
    const fs::path own = top.path() / (".Trash-" + std::to_string(::getuid()));
    EXPECT_EQ(readText(own / "files/a.gif"), "a");
    EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms(0700));
    EXPECT_NE(readText(own / "info/a.gif.trashinfo").find("Path=" + dir.file("a.gif")), std::string::npos);

    // No rename reaches either trash: a whole copy goes to the home trash, then the file goes.
    Trash farAway(home, refusingUnder("/"), [&](const std::string&) { return top.path().string(); });
    farAway.put(dir.file("b.gif"));
    EXPECT_FALSE(fs::exists(dir.path() / "b.gif"));
    EXPECT_EQ(readText(home + "/files/b.gif"), "b");
    EXPECT_TRUE(fs::exists(home + "/info/b.gif.trashinfo"));
}

TEST(Trash, TheTopTrashIsTheAdministratorsOnlyWhenStickyAndNoLink) {
    test::TempDir sticky, linked;
    const std::string uid = std::to_string(::getuid());
    fs::create_directory(sticky.path() / ".Trash");
    ::chmod((sticky.path() / ".Trash").c_str(), 01777);
    EXPECT_EQ(topDirTrash(sticky.path().string()), (sticky.path() / ".Trash" / uid).string());

    fs::create_directory_symlink(sticky.path() / ".Trash", linked.path() / ".Trash");
    EXPECT_EQ(topDirTrash(linked.path().string()), (linked.path() / (".Trash-" + uid)).string());
    EXPECT_TRUE(fs::is_directory(linked.path() / (".Trash-" + uid) / "info"));
}
