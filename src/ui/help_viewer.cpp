#include "ui/help_viewer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPalette>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "control/main_window/main_commands.h"
#include "lang/program_folder.h"
#include "ui/command_icons.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

namespace vexilo {

namespace {

// The dialogs' help contexts and their pages; the main window's come with its command table.
constexpr HelpTopic kDialogTopics[] = {
    {661, "options.html"},  // advanced options dialog and its pages
    {662, "options.html#image-list"},
    {663, "options.html#toolbars"},
    {651, "batch.html"},  // batch conversion dialog, its panels and its Help button
    {652, "batch.html#convert"},
    {653, "batch.html#resize"},
    {654, "batch.html#path"},
    {582, "batch.html#convert"},
    {583, "batch.html#resize"},
    {584, "batch.html#path"},
};

const std::vector<HelpTopic>& topics() {
    static const std::vector<HelpTopic> all = [] {
        const std::span<const HelpTopic> main = mainWindowHelpTopics();
        std::vector<HelpTopic> t(main.begin(), main.end());
        t.insert(t.end(), std::begin(kDialogTopics), std::end(kDialogTopics));
        return t;
    }();
    return all;
}

const std::vector<int>& contextNumbers() {
    static const std::vector<int> numbers = [] {
        std::vector<int> n;
        for (const HelpTopic& t : topics()) n.push_back(t.context);
        return n;
    }();
    return numbers;
}

}  // namespace

QString helpTopicFor(int helpContext) {
    for (const HelpTopic& t : topics())
        if (t.context == helpContext) return q(t.topic);
    return QStringLiteral("index.html");
}

std::span<const int> helpContexts() {
    return contextNumbers();
}

QString helpFolder() {
    return QString::fromStdString(resolveProgramFolder()) + QStringLiteral("HELP/");
}

THelpViewer::THelpViewer(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(folder)) {
    setWindowIcon(applicationIcon());
    resize(760, 560);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({m_folder});
    // The pages' colours follow the palette, so a dark theme reads as well as a light one.
    const QPalette& pal = m_browser->palette();
    m_browser->document()->setDefaultStyleSheet(
        QStringLiteral("h1, h2 { color: %1; } p.nav { color: %2; } th { background-color: %3; }")
            .arg(pal.color(QPalette::Link).name(), pal.color(QPalette::PlaceholderText).name(),
                 pal.color(QPalette::AlternateBase).name()));

    const auto button = [this](const char* icon, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setIcon(commandIcon(icon));
        b->setIconSize(QSize(kCommandIconSize, kCommandIconSize));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    m_back = button("go-previous", QStringLiteral("Back"));
    m_forward = button("go-next", QStringLiteral("Forward"));
    QToolButton* contents = button("help-contents", QStringLiteral("Contents and index"));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] { showHelp(0); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &THelpViewer::updateCaption);

    // Escape and Ctrl+W close the window, as in desktop help and document viewers.
    // Two shortcuts on one key would cancel each other out, so each key is taken once.
    QList<QKeySequence> closing = {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Close))
        if (!closing.contains(key)) closing << key;
    for (const QKeySequence& key : closing) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 0);
    bar->setSpacing(2);
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(m_browser);
    updateCaption();
}

void THelpViewer::showHelp(int helpContext) {
    m_context = helpContext;
    showTopic(helpTopicFor(helpContext));
}

QUrl THelpViewer::currentUrl() const {
    return m_browser->source();
}

void THelpViewer::showTopic(const QString& topic) {
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    const QString page = hash < 0 ? topic : topic.left(hash);
    const QString path = m_folder + page;
    if (!QFileInfo(path).isFile()) {
        // Reported here, when help is asked for: start-up never checks the pages.
        m_browser->setHtml(
            QStringLiteral("<h2>Help page not found</h2><p>The help page <b>%1</b> is missing.</p>"
                           "<p>Vexilo looks for its help pages in <tt>%2</tt>.</p>")
                .arg(page.toHtmlEscaped(), m_folder.toHtmlEscaped()));
        setWindowTitle(QStringLiteral("Vexilo Help"));
        return;
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (hash >= 0) url.setFragment(topic.mid(hash + 1));
    m_browser->setSource(url);
}

void THelpViewer::updateCaption() {
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Vexilo Help")
                                   : QStringLiteral("Vexilo Help - ") + title);
}

namespace {

// Frees the help window with the window that opened it first.
class HelpWindowGuard : public QObject {
public:
    HelpWindowGuard(THelpViewer* help, QObject* owner) : QObject(owner), m_help(help) {}
    ~HelpWindowGuard() override { delete m_help.data(); }

private:
    QPointer<THelpViewer> m_help;
};

QPointer<THelpViewer>& theHelpWindow() {
    static QPointer<THelpViewer> viewer;
    return viewer;
}

}  // namespace

THelpViewer* helpWindow() {
    return theHelpWindow().data();
}

void showHelp(int helpContext, QWidget* owner) {
    // One help window for the whole program, as desktop help viewers do. It is a window of its
    // own, with no parent: a dialog that is modal to the main window never blocks it, so help
    // asked for from a dialog can be read and scrolled while the dialog waits.
    QPointer<THelpViewer>& viewer = theHelpWindow();
    if (!viewer) {
        viewer = new THelpViewer(helpFolder());
        viewer->setAttribute(Qt::WA_QuitOnClose, false);
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        if (owner) new HelpWindowGuard(viewer, owner->window());
    }
    viewer->showHelp(helpContext);
    viewer->show();
    keepOnScreen(viewer);  // 760 x 560 is more than a small screen has at 200 %
    viewer->raise();
    viewer->activateWindow();
}

}  // namespace vexilo
