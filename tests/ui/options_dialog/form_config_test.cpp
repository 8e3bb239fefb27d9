#include "ui/options_dialog/form_config.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <filesystem>
#include <memory>

#include "lang/lang.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/main_window/desktop_menu.h"
#include "ui/person.h"
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

TEST(TFormConfig, KeysAndClicksReachTheRulesAndOkAppliesThem) {
    const TLang lang = englishPack();
    test::ScriptedDialogs dialogs;
    ConfigValues current;
    current.thumbWidth = current.thumbHeight = 48;
    TFormConfig form(current, lang, dialogs);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* def = form.findChild<QCheckBox*>("ChBDefaultSz");
    auto* width = form.findChild<QSpinBox*>("SEHor");
    // A 0-pixel width typed and Return pressed, which is OK: it refuses the width (the rule:
    // tests/control) and the dialog stays open.
    test::clickOn(width);
    test::keyOn(width, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(width, "0");
    test::keyOn(width, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(dialogs.messages.size(), 1u);
    // "Default" puts 32 back and locks the edits.
    test::clickOn(def, QPoint(8, def->height() / 2));  // on the box
    EXPECT_EQ(width->value(), 32);
    EXPECT_FALSE(width->isEnabled());
    auto* cache = form.findChild<QCheckBox*>("ChBThumbnailCache");
    test::clickOn(cache, QPoint(8, cache->height() / 2));
    test::keyOn(&form, Qt::Key_Tab, Qt::ControlModifier);  // the toolbars page
    auto* view = form.findChild<QCheckBox*>("ChBShowViewToolbar");
    test::clickOn(view, QPoint(8, view->height() / 2));
    test::keyOn(&form, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    ConfigValues expected = current;
    expected.thumbWidth = expected.thumbHeight = 32;
    expected.thumbnailCache = expected.showView = false;
    bool changed = false;
    EXPECT_EQ(form.rules().apply(current, dialogs, lang, changed), expected);
}

TEST(DesktopMenu, NoMenuForAVanishedFileAndTheDesktopsAppsForAnImage) {
    test::TempDir dir, data;
    test::ScriptedDialogs dialogs;
    const TLang lang = englishPack();
    EXPECT_EQ(buildDesktopMenu(dir.file("gone.png"), nullptr, dialogs, lang), nullptr);
    EXPECT_TRUE(dialogs.messages.empty());

    std::filesystem::create_directories(data.path() / "applications");
    test::writeText(data.path() / "applications/viewer.desktop",
                    "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\nMimeType=image/png;\n");
    // The user's own choice of default wins over whatever the machine has installed.
    test::writeText(data.path() / "mimeapps.list", "[Default Applications]\nimage/png=viewer.desktop\n");
    test::ScopedEnv dataHome("XDG_DATA_HOME", data.path().c_str()),
        configHome("XDG_CONFIG_HOME", data.path().c_str());
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
}
