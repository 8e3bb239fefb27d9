#include "control/main_window/main_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <tuple>

#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
        EXPECT_EQ(lang.load(), TLang::kLoaded);
    }
    // A start of the program over the settings folder (a restart reads what FormClose stored).
    MainForm& start(StartOptions options = {}, std::string settingsFolder = {}) {
        form.reset();
        store = std::make_unique<SettingsStore>(settingsFolder.empty() ? (dir.path() / "config").string()
                                                                       : settingsFolder);
        form = std::make_unique<MainForm>(*store, lang, dialogs, std::move(options));
        form->FormCreate({}, "/prog/");
        return *form;
    }
    std::string folder(const std::string& name) const {
        fs::create_directories(dir.path() / name);
        return (dir.path() / name).string() + "/";
    }
    void addRow(const std::string& name, FileKind kind, int icon) {
        search::FoundImage image;
        image.Folder = "/p/";
        image.Name = name;
        image.Kind = kind;
        image.IconIndex = icon;
        form->search().list().addRow(name, image, nullptr);
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    TLang lang;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MainForm> form;
};

TEST_F(MainFormTest, AScanNeedsACheckedFolderAndFoldersNamedOnTheCommandLineAreForThatRunOnly) {
    start();
    EXPECT_FALSE(form->mayScan());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, lang.messageText(16));
    EXPECT_EQ(dialogs.messages[0].caption, MainForm::kCaption);
    form->search().SBAddPathClick(folder("kept"));  // stored for the next run
    EXPECT_TRUE(form->mayScan());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    form->FormClose(false);
    StartOptions options;
    options.folders = {folder("kept"), folder("run")};
    start(options);
    EXPECT_EQ(form->search().searchFolders.items.size(), 2u);
    EXPECT_TRUE(form->search().hasCheckedFolder());
    form->FormClose(false);
    EXPECT_EQ(form->search().searchFolders.items.size(), 2u);  // the window still lists both
    start();
    ASSERT_EQ(form->search().searchFolders.items.size(), 1u);
    EXPECT_EQ(form->search().searchFolders.items[0].text, folder("kept"));
}

TEST_F(MainFormTest, TheBatchRequestCarriesTheSelectedRowsAndTheModifyToolbar) {
    start();
    addRow("a.ico", kind::Ico, 0);
    addRow("b.exe", kind::Exe, 2);
    addRow("c.bmp", kind::Bmp, -1);
    const BatchRequest one = form->batchRequest({1}, 48, 40, true, false);
    EXPECT_EQ(std::tuple(one.singleFile, one.actualSize, one.singleOutputName, one.targetKind, one.width,
                         one.height, one.buttonShape),
              std::tuple(true, false, std::string("b.exe"), kind::Exe, 48, 40, true));
    EXPECT_THAT(one.files, ElementsAre("/p/b.exe"));
    EXPECT_THAT(one.iconIndexes, ElementsAre(2));

    // Several rows always keep their sizes; the first row's kind is the proposed target.
    const BatchRequest two = form->batchRequest({0, 2}, 48, 40, false, false);
    EXPECT_EQ(std::tuple(two.singleFile, two.actualSize, two.singleOutputName, two.targetKind),
              std::tuple(false, true, std::string(), kind::Ico));
    EXPECT_THAT(two.files, ElementsAre("/p/a.ico", "/p/c.bmp"));
    EXPECT_THAT(two.associatedIcons, ElementsAre(false, false));
}

TEST_F(MainFormTest, DamagedSizesStylesAndColumnsChangeNothingAndGoodOnesAreStored) {
    start();
    for (const auto& [w, h] : {std::pair{0, 32}, {32, -1}, {257, 32}, {32, 257}, {32, 32}})
        EXPECT_FALSE(form->setThumbnailSize(w, h)) << w << "x" << h;
    EXPECT_TRUE(form->setThumbnailSize(256, 48));
    for (int style : {-1, 4}) EXPECT_FALSE(form->SelListViewType(style));
    form->ListView1ColumnClick(1);                                         // "Size"
    form->ListView1ColumnClick(static_cast<int>(detailColumns().size()));  // no such column
    EXPECT_EQ(form->search().SortKey, search::sortkey::Size);
    EXPECT_TRUE(form->SelListViewType(3));
    form->FormClose(false);
    start();
    EXPECT_EQ(form->settings().viewStyle, 3);
    EXPECT_EQ(form->settings().imageListWidth, 256);
    EXPECT_EQ(form->settings().imageListHeight, 48);
}

TEST_F(MainFormTest, AnUnsavableStoreIsSaidOnceAndNotAtAllUnderASignal) {
    // A folder nobody may create, not even the superuser.
    start({}, "/proc/self/vexilo-settings-test");
    form->FormClose(true);
    EXPECT_TRUE(dialogs.messages.empty());
    form->FormClose(false);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("Failed to set data"), std::string::npos);
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Error);
}

TEST_F(MainFormTest, StartNoticesNameTheSetAsideFileAndEachMissingArgumentOnce) {
    fs::create_directories(dir.path() / "config");
    test::writeFile(dir.path() / "config" / SettingsStore::kFileName, std::vector<std::uint8_t>{'{', 'x'});
    StartOptions options;
    options.missing = {"nowhere.png", "gone/"};
    start(options);
    form->sayDamagedSettings();
    form->sayMissingArguments();
    form->sayMissingArguments();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].text.find(store->damagedFileBackup()), std::string::npos);
    EXPECT_NE(dialogs.messages[1].text.find("\nnowhere.png\ngone/"), std::string::npos);
    EXPECT_EQ(dialogs.messages[1].kind, MessageKind::Warning);
}

}  // namespace
}  // namespace vexilo
