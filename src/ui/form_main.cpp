#include "ui/form_main.h"

#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vexilo {

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormMain");
    setWindowTitle(QStringLiteral("Vexilo %1").arg(QStringLiteral(VEXILO_VERSION)));
    resize(900, 640);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName("PageControl1");
    m_pages->setTabPosition(QTabWidget::South);
    auto* search = new QWidget(m_pages);
    search->setObjectName("TabSheetSearch");
    auto* images = new QWidget(m_pages);
    images->setObjectName("TabSheetImages");
    m_pages->addTab(search, QStringLiteral("Search"));
    m_pages->addTab(images, QStringLiteral("Images"));
    setCentralWidget(m_pages);

    statusBar()->setObjectName("StatusBar1");
    statusBar()->showMessage(QString());
}

}  // namespace vexilo
