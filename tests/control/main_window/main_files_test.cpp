#include "control/main_window/main_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lang/lang.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

struct CancelAt : FileOperationUi {
    std::size_t at;
    explicit CancelAt(std::size_t i) : at(i) {}
    FileReplaceAnswer askReplace(const std::string&, const std::string&) override {
        return FileReplaceAnswer::Cancel;
    }
    bool progress(const FileProgress& p) override { return p.fileIndex < at; }
};

struct Fixture {
    test::TempDir dir;
    search::FoundImageList list;
    test::ScriptedDialogs dialogs;
    TLang lang;
    MainFiles files{list, dialogs, lang};
    CancelAt never{99};  // a file operation run to its end

    explicit Fixture(std::vector<std::string> names) {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
        EXPECT_EQ(lang.load(), TLang::kLoaded);
        for (const auto& n : names) {
            std::ofstream(dir.file(n)) << n;
            search::FoundImage image;
            image.Folder = dir.path().string() + "/";
            image.Name = n;
            list.addRow(n, image, nullptr);
        }
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& r : list.rows()) out.push_back(r.caption);
        return out;
    }
};

}  // namespace

TEST(MainFiles, CopyOfOneRowProposesItsNameAndKeepsTheExtension) {
    Fixture f({"photo.jpeg", "b.png"});
    f.dialogs.saveAnswers = {f.dir.file("copy")};
    f.files.miCopyfiletoClick(FileCommand::Copy, {0}, f.never);
    ASSERT_EQ(f.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(f.dialogs.saveRequests[0].proposedName, "photo.jpeg");
    EXPECT_EQ(f.dialogs.saveRequests[0].folder, f.dir.path().string() + "/");
    EXPECT_EQ(f.dialogs.saveRequests[0].filter, "Default (*.jpeg)|*.jpeg|Any files (*.*)|*.*");
    EXPECT_TRUE(fs::exists(f.dir.file("copy.jpeg")));

    // Two rows ask for a folder, opened without its trailing "/".
    f.files.miCopyfiletoClick(FileCommand::Copy, {0, 1}, f.never);
    ASSERT_EQ(f.dialogs.folderStarts.size(), 1u);
    EXPECT_EQ(f.dialogs.folderStarts[0], f.dir.path().string());
    EXPECT_EQ(f.list.size(), 2u);
}

// How a move keeps what it left undone at a cancel: TFileOperation in tests/files. Here: which
// rows go.
TEST(MainFiles, AMoveDropsEveryRowOfAMovedFileAndACancelledOneKeepsTheRest) {
    Fixture f({"1.png", "2.png", "3.png", "tools.exe"});
    for (int icon : {1, 2}) {
        search::FoundImage image = f.list.row(3).image;
        image.IconIndex = icon;
        f.list.addRow("tools.exe (" + std::to_string(icon) + ")", image, nullptr);
    }
    fs::create_directory(f.dir.path() / "out");
    f.dialogs.saveAnswers = {f.dir.file("out/tools.exe")};
    f.files.miCopyfiletoClick(FileCommand::Move, {5}, f.never);
    EXPECT_TRUE(fs::exists(f.dir.file("out/tools.exe")));
    EXPECT_EQ(f.captions(), (std::vector<std::string>{"1.png", "2.png", "3.png"}));

    // Cancelled after the first of three: the last rows go first.
    f.dialogs.folderAnswers = {f.dir.file("out")};
    CancelAt cancel(1);
    f.files.miCopyfiletoClick(FileCommand::Move, {0, 1, 2}, cancel);
    EXPECT_EQ(f.captions(), (std::vector<std::string>{"1.png", "2.png"}));
    EXPECT_TRUE(fs::exists(f.dir.file("out/3.png")));
    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages.back().text, f.lang.messageText(31)) << "a cancel is no failure";

    // Two rows of one file are one file: a file name is asked for, and nothing fails.
    for (int icon : {1, 2}) {
        search::FoundImage image = f.list.row(0).image;
        image.Name = "tools.exe";
        image.Folder = f.dir.path().string() + "/out/";
        image.IconIndex = icon;
        f.list.addRow("tools.exe", image, nullptr);
    }
    f.dialogs.saveAnswers = {f.dir.file("tools.exe")};
    f.files.miCopyfiletoClick(FileCommand::Move, {2, 3}, f.never);
    EXPECT_TRUE(fs::exists(f.dir.file("tools.exe")));
    EXPECT_EQ(f.dialogs.saveRequests.size(), 2u);
    EXPECT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.captions(), (std::vector<std::string>{"1.png", "2.png"}));
}

TEST(MainFiles, RenameRemovesTheRowAndRefusesNamesElsewhere) {
    Fixture f({"a.png", "b.png"});
    for (const char* bad : {"../a.png", "", ".", "..", "sub/x.png"}) {
        f.dialogs.inputAnswers = {std::string(bad)};
        f.files.miCopyfiletoClick(FileCommand::Rename, {0}, f.never);
        EXPECT_TRUE(fs::exists(f.dir.file("a.png"))) << bad;
    }
    EXPECT_EQ(f.dialogs.messages.size(), 5u);
    EXPECT_EQ(f.list.size(), 2u);
    EXPECT_EQ(f.dialogs.inputCaptions[0], f.lang.messageText(12) + " " + f.dir.file("a.png"));

    f.dialogs.inputAnswers = {std::string("A.PNG")};
    f.files.miCopyfiletoClick(FileCommand::Rename, {0}, f.never);
    EXPECT_TRUE(fs::exists(f.dir.file("A.PNG")));
    EXPECT_EQ(f.captions(), std::vector<std::string>{"b.png"});
}

TEST(MainFiles, EraseAsksListingTheFilesThenUsesTheTrash) {
    Fixture f({"a;b.png", "c.png", "d.png"});
    test::TempDir data;
    test::ScopedEnv xdg("XDG_DATA_HOME", data.path().c_str());
    f.dialogs.messageAnswers = {1};  // Cancel
    f.files.miCopyfiletoClick(FileCommand::Erase, {0, 1}, f.never);
    EXPECT_EQ(f.list.size(), 3u);
    const auto& asked = f.dialogs.messages.back();
    EXPECT_NE(asked.text.find(f.dir.file("a;b.png")), std::string::npos);
    EXPECT_EQ(asked.buttons, (std::vector<std::string>{"Move to trash", "Cancel"}));

    f.dialogs.messageAnswers = {0};
    f.files.miCopyfiletoClick(FileCommand::Erase, {0, 1}, f.never);
    EXPECT_EQ(f.captions(), std::vector<std::string>{"d.png"});
    EXPECT_TRUE(fs::exists(data.path() / "Trash/files/a;b.png"));
    EXPECT_TRUE(fs::exists(f.dir.file("d.png")));

    // The questions speak the pack's language.
    f.lang.DefaultLangFile = "german.lng";
    ASSERT_EQ(f.lang.load(), TLang::kLoaded);
    f.dialogs.messageAnswers = {1};
    f.files.miCopyfiletoClick(FileCommand::Erase, {0}, f.never);
    EXPECT_EQ(f.dialogs.messages.back().buttons,
              (std::vector<std::string>{"In den Papierkorb", "Abbrechen"}));
    DialogFileOperationUi ui(f.dialogs, f.lang);
    EXPECT_EQ(ui.askReplace(f.dir.file("new.png"), f.dir.file("d.png")), FileReplaceAnswer::Replace);
    const auto& replace = f.dialogs.messages.back();
    EXPECT_EQ(replace.caption, "Datei ersetzen");
    EXPECT_EQ(replace.buttons,
              (std::vector<std::string>{"Überschreiben", "Alle überschreiben", "Überspringen", "Abbrechen"}));
}
