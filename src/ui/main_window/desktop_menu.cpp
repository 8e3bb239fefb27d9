#include "ui/main_window/desktop_menu.h"

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <QUrl>

#include "base/text.h"
#include "base/version.h"
#include "control/dialogs.h"
#include "files/desktop_applications.h"
#include "lang/lang.h"
#include "lang/lang_pack.h"
#include "ui/qt_text.h"

namespace vexilo {

namespace {

void launch(const DesktopApplication& app, const std::string& path, Dialogs& dialogs, const TLang& lang) {
    if (!launchApplication(app.id, path))
        dialogs.error(kProgramName, formatLangText(lang.messageText(32), {app.name}));
}

// An application's icon: a theme name, or a file when the entry names one by its path.
QIcon appIcon(const DesktopApplication& app) {
    return app.icon.starts_with('/') ? QIcon(q(app.icon)) : QIcon::fromTheme(q(app.icon));
}

QString permissionsText(const QFileInfo& info, const TLang& lang) {
    const auto p = info.permissions();
    auto bit = [&](QFile::Permission f, char c) { return p.testFlag(f) ? QChar(c) : QChar('-'); };
    QString text;
    text += bit(QFile::ReadOwner, 'r') + QString(bit(QFile::WriteOwner, 'w')) + bit(QFile::ExeOwner, 'x');
    text += bit(QFile::ReadGroup, 'r') + QString(bit(QFile::WriteGroup, 'w')) + bit(QFile::ExeGroup, 'x');
    text += bit(QFile::ReadOther, 'r') + QString(bit(QFile::WriteOther, 'w')) + bit(QFile::ExeOther, 'x');
    return text + " (" +
           q(formatLangText(lang.messageText(35), {info.owner().toStdString(), info.group().toStdString()})) +
           ")";
}

}  // namespace

QString filePropertiesText(const std::string& path, const TLang& lang) {
    const QFileInfo info(q(path));
    const QLocale locale;
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    auto when = [&](QFileDevice::FileTime t) {
        return locale.toString(info.fileTime(t), QLocale::LongFormat);
    };
    auto line = [](const std::string& label, const QString& value) { return q(label) + ": " + value + "\n"; };
    const QString bytes =
        q(formatLangText(lang.messageText(33), {locale.toString(info.size()).toStdString()}));
    return (line(lang.interfaceText(3), info.fileName()) +
            line(lang.interfaceText(126), info.absolutePath()) +
            line(lang.interfaceText(4), locale.formattedDataSize(info.size()) + " (" + bytes + ")") +
            line(lang.interfaceText(127), when(QFileDevice::FileModificationTime)) +
            line(lang.interfaceText(128), when(QFileDevice::FileAccessTime)) +
            line(lang.interfaceText(129), mime.comment() + " (" + mime.name() + ")") +
            line(lang.messageText(34), permissionsText(info, lang)))
        .trimmed();
}

std::unique_ptr<QMenu> buildDesktopMenu(const std::string& path, QWidget* parent, Dialogs& dialogs,
                                        const TLang& lang) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    const QString file = q(path);
    const std::string mime = QMimeDatabase().mimeTypeForFile(file).name().toStdString();
    const auto listed = applicationsFor(mime);
    const auto preferred = defaultApplicationFor(mime);

    auto menu = std::make_unique<QMenu>(parent);
    menu->setObjectName("DesktopActions");
    if (preferred) {
        QAction* open = menu->addAction(appIcon(*preferred),
                                        q(formatLangText(lang.interfaceText(120), {preferred->name})));
        QFont bold = open->font();
        bold.setBold(true);
        open->setFont(bold);
        QObject::connect(open, &QAction::triggered, menu.get(),
                         [entry = *preferred, path, &dialogs, &lang] { launch(entry, path, dialogs, lang); });
    } else {
        QAction* open = menu->addAction(q(lang.interfaceText(121)));
        QObject::connect(open, &QAction::triggered, menu.get(),
                         [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
    }
    QMenu* others = menu->addMenu(q(lang.interfaceText(122)));
    for (const auto& entry : listed) {
        if (preferred && entry.id == preferred->id) continue;
        QAction* a = others->addAction(appIcon(entry), q(entry.name));
        QObject::connect(a, &QAction::triggered, menu.get(),
                         [entry, path, &dialogs, &lang] { launch(entry, path, dialogs, lang); });
    }
    others->setEnabled(!others->isEmpty());
    menu->addSeparator();
    QObject::connect(menu->addAction(QIcon::fromTheme("folder-open"), q(lang.interfaceText(123))),
                     &QAction::triggered, menu.get(), [file] {
                         QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
                     });
    QObject::connect(menu->addAction(QIcon::fromTheme("edit-copy"), q(lang.interfaceText(124))),
                     &QAction::triggered, menu.get(),
                     [file] { QApplication::clipboard()->setText(QFileInfo(file).absoluteFilePath()); });
    menu->addSeparator();
    QObject::connect(menu->addAction(QIcon::fromTheme("document-properties"), q(lang.interfaceText(125))),
                     &QAction::triggered, menu.get(), [path, &dialogs, &lang] {
                         dialogs.inform(stripAmpersands(lang.interfaceText(125)),
                                        filePropertiesText(path, lang).toStdString());
                     });
    return menu;
}

void showDesktopMenu(const std::string& path, const QPoint& at, QWidget* parent, Dialogs& dialogs,
                     const TLang& lang) {
    if (auto menu = buildDesktopMenu(path, parent, dialogs, lang)) menu->exec(at);
}

}  // namespace vexilo
