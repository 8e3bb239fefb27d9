#pragma once
// The progress of a file operation in a window of its own that appears only once the work has
// run for half a second without a question open; its Cancel stops the work between files or
// mid-copy.
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include "control/main_window/main_files.h"

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;

namespace vexilo {

class FileProgressWindow : public FileProgressView {
public:
    static constexpr int kDelayMs = 500;

    FileProgressWindow(QWidget* parent, QString title, QString cancelText);
    ~FileProgressWindow() override;
    FileProgressWindow(const FileProgressWindow&) = delete;
    FileProgressWindow& operator=(const FileProgressWindow&) = delete;

    bool progress(const FileProgress& p) override;
    void pause() override;

private:
    QWidget* m_parent;
    QString m_title, m_cancelText;
    QPointer<QDialog> m_dialog;  // made the first time it is due
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QElapsedTimer m_running;  // since the work last started or went on after a question
    bool m_cancelled = false;
};

}  // namespace vexilo
