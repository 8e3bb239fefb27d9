#pragma once
// The main window as a person meets it: a program folder with language packs, a settings folder,
// and the window over them. open() starts the program (again: a restart reads what the last
// run stored when it was closed).
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QListView>
#include <QTest>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "codecs/bmp_codec.h"
#include "control/main_window/main_settings.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/main_window/form_main.h"
#include "ui/person.h"
#include "ui/qt_test_app.h"

namespace vexilo::test {

// The window's next modal dialogs of type D run for real; `steps` act inside each one's event
// loop once it is on the screen, as a person does, and a dialog the steps leave open is
// cancelled. Dialogs of another type are cancelled at once.
template <class D>
void whenTheDialogIsUp(TFormMain& form, std::function<void(D&)> steps) {
    form.runModal = [steps](QDialog& dialog) {
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, steps] {
                if (auto* d = qobject_cast<D*>(&dialog); d && QTest::qWaitForWindowExposed(d)) steps(*d);
                if (dialog.isVisible()) dialog.reject();
            },
            Qt::QueuedConnection);
        return dialog.exec();
    };
}

// DialogsT: the scripted dialogs the window asks (a test may answer them its own way).
template <class DialogsT = ScriptedDialogs>
class MainWindowTestWith : public ::testing::Test {
protected:
    explicit MainWindowTestWith(std::initializer_list<const char*> packs = {"english.lng"}) {
        qtApp();
        std::filesystem::create_directories(dir.path() / "prog");
        for (const char* pack : packs)
            std::filesystem::copy_file(std::filesystem::path(VEXILO_SOURCE_DIR) / "lang" / pack,
                                       dir.path() / "prog" / pack);
        options.programFolder = (dir.path() / "prog").string() + "/";
    }
    ~MainWindowTestWith() override { form.reset(); }

    // closeFirst: the running window is closed as a person closes it, storing its settings.
    void open(bool closeFirst = false) {
        if (form && closeFirst) form->close();
        form.reset();
        lang.reset();
        store = std::make_unique<SettingsStore>((dir.path() / "config").string());
        lang = std::make_unique<TLang>(store.get());
        form = std::make_unique<TFormMain>(*store, *lang, dialogs, options);
        form->show();
    }
    // The data folder (or a folder below it), with its final '/'.
    std::string data(const std::string& sub = "") const {
        return (dir.path() / "data").string() + "/" + (sub.empty() ? "" : sub + "/");
    }
    // Pictures in the data folder (a name may hold a subfolder).
    void writePictures(std::initializer_list<std::string> names, int width = 4, int height = 4) {
        for (const std::string& name : names) {
            std::filesystem::create_directories(std::filesystem::path(data() + name).parent_path());
            saveBmpFile(makeBitmap(width, height, PixelFormat::Bpp24, patternColor), data() + name);
        }
    }
    // Started, the data folder added and scanned, the rows sorted by name.
    void openAndScan() {
        open();
        form->CheckListBox1DragDrop(data());
        form->SBScanClick();
        form->ListView1ColumnClick(0);
    }
    QListView* list() const { return form->findChild<QListView*>("ListView1"); }
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& r : form->imageSearch().list().rows()) out.push_back(r.caption);
        return out;
    }

    ScopedCacheHome cacheHome;
    TempDir dir;
    StartOptions options;
    DialogsT dialogs;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<TLang> lang;
    std::unique_ptr<TFormMain> form;
};

using MainWindowTest = MainWindowTestWith<>;

}  // namespace vexilo::test
