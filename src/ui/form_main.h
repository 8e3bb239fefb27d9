#pragma once
// The main window. It shows the core's state and forwards commands; it holds no format logic.
#include <QMainWindow>

class QTabWidget;
class QStatusBar;

namespace vexilo {

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);

    QTabWidget* pageControl() const { return m_pages; }

private:
    QTabWidget* m_pages = nullptr;
};

}  // namespace vexilo
