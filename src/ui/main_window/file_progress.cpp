#include "ui/main_window/file_progress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vexilo {

FileProgressWindow::FileProgressWindow(QWidget* parent, QString title, QString cancelText)
    : m_parent(parent), m_title(std::move(title)), m_cancelText(std::move(cancelText)) {}

FileProgressWindow::~FileProgressWindow() {
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
}

bool FileProgressWindow::progress(const FileProgress& p) {
    if (!m_running.isValid()) m_running.start();
    // Never while a question waits, never for work that ends at once: only once the work
    // itself has run a while.
    if (m_running.elapsed() >= kDelayMs && !m_cancelled) {
        if (!m_dialog) {
            m_dialog = new QDialog(m_parent);
            m_dialog->setObjectName("FileProgress");
            m_dialog->setWindowTitle(m_title);
            m_dialog->setWindowModality(Qt::WindowModal);
            m_dialog->setMinimumWidth(420);
            auto* layout = new QVBoxLayout(m_dialog);
            m_label = new QLabel(m_dialog);
            m_bar = new QProgressBar(m_dialog);
            m_bar->setRange(0, 1000);
            auto* buttons = new QDialogButtonBox(m_dialog);
            // Enter typed ahead of the window must not cancel the work; Escape and a click do.
            buttons->addButton(m_cancelText, QDialogButtonBox::RejectRole)->setAutoDefault(false);
            layout->addWidget(m_label);
            layout->addWidget(m_bar);
            layout->addWidget(buttons);
            QObject::connect(buttons, &QDialogButtonBox::rejected, m_dialog, &QDialog::reject);
            // Escape and the close box cancel as the button does.
            QObject::connect(m_dialog, &QDialog::rejected, m_dialog, [this] { m_cancelled = true; });
        }
        if (!m_dialog->isVisible()) m_dialog->show();
    }
    if (m_dialog && m_dialog->isVisible()) {
        // Bytes when there are any to copy, else files; 1000 steps keep large sizes in an int.
        const double done = p.bytesTotal > 0
                                ? static_cast<double>(p.bytesDone) / static_cast<double>(p.bytesTotal)
                                : static_cast<double>(p.fileIndex) /
                                      static_cast<double>(std::max<std::size_t>(p.fileCount, 1));
        m_label->setText(QStringLiteral("%1/%2: %3")
                             .arg(p.fileIndex + 1)
                             .arg(p.fileCount)
                             .arg(QFileInfo(QString::fromStdString(p.current)).fileName()));
        m_bar->setValue(static_cast<int>(done * 1000));
    }
    QCoreApplication::processEvents();
    return !m_cancelled;
}

void FileProgressWindow::pause() {
    if (m_dialog) m_dialog->hide();
    m_running.invalidate();
}

}  // namespace vexilo
