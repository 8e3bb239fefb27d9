#pragma once
// The program's help: HTML pages under HELP/ in the program folder, shown in an in-program
// viewer at the topic of a help context number (0: the contents and index).
#include <QString>
#include <QUrl>
#include <QWidget>
#include <span>

class QTextBrowser;
class QToolButton;

namespace vexilo {

// The page and anchor of a help context ("main_window.html#masks"); "index.html" for 0 and for
// a number without a topic of its own.
QString helpTopicFor(int helpContext);

// Every help context number that has a topic of its own.
std::span<const int> helpContexts();

// The HELP/ folder below the program folder, ending with '/'.
QString helpFolder();

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    // helpFolder: where the pages are, ending with '/'.
    explicit THelpViewer(QString folder, QWidget* parent = nullptr);

    // Shows the topic of the help context; a missing page says so in the viewer.
    void showHelp(int helpContext);

    QTextBrowser* browser() const { return m_browser; }
    // The help context last shown (0: the contents).
    int helpContext() const { return m_context; }
    QUrl currentUrl() const;

private:
    void showTopic(const QString& topic);
    void updateCaption();

    QString m_folder;
    int m_context = 0;
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};

// Opens the program's one help window at the topic of the help context and brings it to the
// front. It is a top-level window without a parent, so dialogs modal to the main window leave it
// usable; Escape and Ctrl+W close it, which frees it. It is also freed with owner's window.
void showHelp(int helpContext, QWidget* owner = nullptr);
// The help window while it is open, else null.
THelpViewer* helpWindow();

}  // namespace vexilo
