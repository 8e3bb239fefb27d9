#include "ui/file_progress.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <memory>

namespace vexilo {

std::function<bool(const FileProgress&)> fileProgressDialog(QWidget* parent, const QString& title) {
    auto dialog = std::make_shared<QProgressDialog>(parent);
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(500);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumWidth(420);
    return [dialog](const FileProgress& p) {
        // Bytes when there are any to copy, else files; 1000 steps keep large sizes in an int.
        const bool bytes = p.bytesTotal > 0;
        dialog->setMaximum(1000);
        const double done = bytes ? static_cast<double>(p.bytesDone) / static_cast<double>(p.bytesTotal)
                                  : static_cast<double>(p.fileIndex) /
                                        static_cast<double>(std::max<std::size_t>(p.fileCount, 1));
        dialog->setLabelText(QStringLiteral("%1 of %2: %3")
                                 .arg(p.fileIndex + 1)
                                 .arg(p.fileCount)
                                 .arg(QFileInfo(QString::fromStdString(p.current)).fileName()));
        dialog->setValue(static_cast<int>(done * 1000));
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    };
}

}  // namespace vexilo
