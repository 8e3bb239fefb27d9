#include "control/options_dialog/config_dialog.h"

#include <gtest/gtest.h>

#include "lang/lang.h"
#include "support/scripted_dialogs.h"

using namespace vexilo;

namespace {
class ConfigDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
        ASSERT_EQ(lang.load(), TLang::kLoaded);
    }
    TLang lang;
    test::ScriptedDialogs dialogs;
};
}  // namespace

TEST_F(ConfigDialogTest, OkWithoutChangesSaysNothingAndDefaultOnA48ListResizesTo32AfterMessage13) {
    const ConfigValues current;
    ConfigDialog same(current);
    EXPECT_TRUE(same.defaultChecked());
    EXPECT_FALSE(same.sizeEditsEnabled());
    ASSERT_TRUE(same.OKClick(dialogs));
    bool changed = true;
    EXPECT_EQ(same.apply(current, dialogs, lang, changed), current);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(dialogs.messages.empty());

    ConfigValues large;
    large.thumbWidth = large.thumbHeight = 48;
    ConfigDialog dlg(large);
    EXPECT_FALSE(dlg.defaultChecked());
    EXPECT_TRUE(dlg.sizeEditsEnabled());
    dlg.ChBDefaultSzClick(true);
    ASSERT_TRUE(dlg.OKClick(dialogs));
    const ConfigValues after = dlg.apply(large, dialogs, lang, changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(after.thumbWidth, 32);
    EXPECT_EQ(after.thumbHeight, 32);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, lang.messageText(13));
}

TEST_F(ConfigDialogTest, CancelKeepsTheColourAndBadSizesAreRefused) {
    const ConfigValues current;
    ConfigDialog cancelled(current);
    dialogs.colorAnswers = {Color{10, 20, 30}};
    cancelled.BitBtnBckgrndColorClick(dialogs);
    EXPECT_EQ(cancelled.values().listColor, (Color{10, 20, 30}));
    bool changed = false;
    EXPECT_EQ(cancelled.apply(current, dialogs, lang, changed).listColor, kWhite) << "no OK, no change";

    for (int bad : {0, -5, 257}) {
        ConfigDialog dlg(current);
        dlg.ChBDefaultSzClick(false);
        dlg.setThumbWidth(bad);
        EXPECT_FALSE(dlg.OKClick(dialogs)) << bad;
        EXPECT_FALSE(dlg.okPressed());
    }
    EXPECT_EQ(dialogs.messages.size(), 3u);
}
