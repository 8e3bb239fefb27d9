#include "ui/help_viewer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <vector>

#include "control/convert_dialog/cnv_dlg.h"
#include "control/main_window/main_commands.h"
#include "control/options_dialog/config_dialog.h"
#include "support/test_util.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

QString sourceHelp() {
    return QStringLiteral(VEXILO_SOURCE_DIR "/HELP/");
}

// The anchors of a page as Qt's rich text sees them, so the viewer can scroll to them.
QSet<QString> anchorsOf(const QString& page) {
    QFile file(sourceHelp() + page);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(file.readAll()));
    QSet<QString> names;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (const QString& n : b.charFormat().anchorNames()) names.insert(n);
        for (auto it = b.begin(); !it.atEnd(); ++it)
            for (const QString& n : it.fragment().charFormat().anchorNames()) names.insert(n);
    }
    return names;
}

bool topicExists(const QString& topic, QString* why) {
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    const QString page = hash < 0 ? topic : topic.left(hash);
    if (!QFile::exists(sourceHelp() + page)) {
        *why = QStringLiteral("no page ") + page;
        return false;
    }
    if (hash >= 0 && !anchorsOf(page).contains(topic.mid(hash + 1))) {
        *why = QStringLiteral("no anchor in ") + topic;
        return false;
    }
    return true;
}

TEST(HelpPages, EveryHelpContextAndEveryLinkResolves) {
    test::qtApp();
    // The contexts the windows declare, each with a topic of its own: the command table, the main
    // window's areas, the advanced options, the batch dialog's panels and its Help button's
    // pages (582 to 584, the numbers BitBtnHelpClick gives).
    std::vector<int> declared = {helpctx::MainWindow,
                                 helpctx::ImagesTab,
                                 helpctx::Folders,
                                 helpctx::Masks,
                                 helpctx::FoundList,
                                 helpctx::ToolbarMain,
                                 helpctx::ToolbarView,
                                 helpctx::ToolbarModify,
                                 ConfigDialog::kHelpContext,
                                 ConfigDialog::kImageListHelp,
                                 ConfigDialog::kToolbarsHelp,
                                 CnvDlg::kHelpContext,
                                 CnvDlg::kFormatPanelHelp,
                                 CnvDlg::kResizePanelHelp,
                                 CnvDlg::kPathPanelHelp,
                                 582,
                                 583,
                                 584};
    for (const Command& c : commandTable())
        if (c.helpContext != 0) declared.push_back(c.helpContext);
    for (int context : declared) EXPECT_NE(helpTopicFor(context), QStringLiteral("index.html")) << context;
    QString why;
    for (int context : helpContexts())
        EXPECT_TRUE(topicExists(helpTopicFor(context), &why)) << context << ": " << why.toStdString();
    EXPECT_EQ(helpTopicFor(0), QStringLiteral("index.html"));
    EXPECT_EQ(helpTopicFor(99999), QStringLiteral("index.html"));

    // Every page is reachable from the contents, and no link between pages is broken.
    const QStringList pages = QDir(sourceHelp()).entryList({QStringLiteral("*.html")});
    ASSERT_GE(pages.size(), 8);
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    QSet<QString> linked;
    for (const QString& page : pages) {
        QFile file(sourceHelp() + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto m = href.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            if (target.endsWith(QStringLiteral(".css"))) continue;
            const QString topic = target.startsWith(QLatin1Char('#')) ? page + target : target;
            EXPECT_TRUE(topicExists(topic, &why)) << page.toStdString() << ": " << why.toStdString();
            linked.insert(topic.section(QLatin1Char('#'), 0, 0));
        }
    }
    for (const QString& page : pages)
        EXPECT_TRUE(page == QStringLiteral("index.html") || linked.contains(page)) << page.toStdString();
}

TEST(THelpViewer, OpensTheTopicAndReportsAMissingPage) {
    test::qtApp();
    THelpViewer viewer(sourceHelp());
    viewer.showHelp(52);
    EXPECT_EQ(viewer.currentUrl().fileName(), QStringLiteral("main_window.html"));
    EXPECT_EQ(viewer.currentUrl().fragment(), QStringLiteral("masks"));
    EXPECT_TRUE(viewer.windowTitle().contains(QStringLiteral("main window")));
    viewer.showHelp(0);
    EXPECT_EQ(viewer.currentUrl().fileName(), QStringLiteral("index.html"));
    EXPECT_TRUE(viewer.browser()->isBackwardAvailable());

    test::TempDir empty;
    THelpViewer lost(QString::fromStdString(empty.path().string()) + QStringLiteral("/"));
    lost.showHelp(64);
    EXPECT_TRUE(lost.browser()->toPlainText().contains(QStringLiteral("images_tab.html is missing")));
}

}  // namespace
}  // namespace vexilo
