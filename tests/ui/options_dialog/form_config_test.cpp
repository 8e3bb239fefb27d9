#include "ui/options_dialog/form_config.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>

#include "lang/lang.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/main_window/desktop_menu.h"
#include "ui/qt_test_app.h"

using namespace vexilo;

namespace {
TLang englishPack() {
    test::qtApp();
    TLang lang;
    lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
    EXPECT_EQ(lang.load(), TLang::kLoaded);
    return lang;
}
}  // namespace

TEST(TFormConfig, DefaultBoxDrivesTheSizeEditsAndOkAppliesThem) {
    const TLang lang = englishPack();
    test::ScriptedDialogs dialogs;
    ConfigValues current;
    current.thumbWidth = current.thumbHeight = 48;
    TFormConfig form(current, lang, dialogs);
    auto* def = form.findChild<QCheckBox*>("ChBDefaultSz");
    auto* width = form.findChild<QSpinBox*>("SEHor");
    ASSERT_TRUE(def && width);
    EXPECT_EQ(form.windowTitle(), "Advanced options");
    EXPECT_FALSE(def->isChecked());
    EXPECT_TRUE(width->isEnabled());
    EXPECT_EQ(width->value(), 48);
    def->setChecked(true);
    EXPECT_EQ(width->value(), 32);
    EXPECT_FALSE(width->isEnabled());
    form.findChild<QCheckBox*>("ChBShowViewToolbar")->setChecked(false);
    auto* cache = form.findChild<QCheckBox*>("ChBThumbnailCache");
    ASSERT_TRUE(cache);
    EXPECT_TRUE(cache->isChecked());
    EXPECT_EQ(cache->text(), "Use the desktop's shared thumbnail cache");
    cache->setChecked(false);
    form.accept();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    bool changed = false;
    const ConfigValues after = form.rules().apply(current, dialogs, lang, changed);
    EXPECT_TRUE(changed);
    EXPECT_FALSE(after.showView);
    EXPECT_FALSE(after.thumbnailCache);
    EXPECT_EQ(after.thumbHeight, 32);

    TFormConfig refused(current, lang, dialogs);
    refused.findChild<QSpinBox*>("SEVer")->setValue(0);
    refused.accept();
    EXPECT_NE(refused.result(), QDialog::Accepted) << "a 0-pixel cell is refused";
}

TEST(DesktopMenu, NoMenuForAVanishedFileAndTheDesktopsAppsForAnImage) {
    test::qtApp();
    test::TempDir dir, data;
    test::ScriptedDialogs dialogs;
    const TLang lang = englishPack();
    EXPECT_EQ(buildDesktopMenu(dir.file("gone.png"), nullptr, dialogs, lang), nullptr);
    EXPECT_TRUE(dialogs.messages.empty());

    std::filesystem::create_directories(data.path() / "applications");
    std::ofstream(data.path() / "applications/viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\nMimeType=image/png;\n";
    // The user's own choice of default wins over whatever the machine has installed.
    std::ofstream(data.path() / "mimeapps.list") << "[Default Applications]\nimage/png=viewer.desktop\n";
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", data.path().c_str(), 1);
    const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    test::writeFile(dir.file("a.png"), png);
    const auto menu = buildDesktopMenu(dir.file("a.png"), nullptr, dialogs, lang);
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    EXPECT_TRUE(texts.contains("&Open with Viewer")) << texts.join("|").toStdString();
    EXPECT_TRUE(texts.contains("&Copy full path"));
    menu->actions().back()->trigger();  // Properties
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("Type: "), std::string::npos);
    EXPECT_NE(dialogs.messages[0].text.find("image/png"), std::string::npos);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
}
