#include "ui/qt_translation.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>

#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

QString cancelText() {
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'));
}

TEST(QtTranslation, StandardButtonsFollowThePacksLanguageAndGoBack) {
    test::qtApp();
    ASSERT_TRUE(installQtTranslation("de"));
    EXPECT_EQ(cancelText(), QStringLiteral("Abbrechen"));
    ASSERT_TRUE(installQtTranslation("fr"));
    EXPECT_EQ(cancelText(), QStringLiteral("Annuler")) << "the new language replaces the old";
    EXPECT_FALSE(installQtTranslation(""));
    EXPECT_EQ(cancelText(), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace vexilo
