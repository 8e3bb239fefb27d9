#include "files/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "files/file_operation.h"
#include "support/test_util.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

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

}  // namespace

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
