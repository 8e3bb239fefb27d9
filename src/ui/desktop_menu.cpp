#include "ui/desktop_menu.h"

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
#include <QProcess>
#include <QUrl>

#include "control/dialogs.h"
#include "files/desktop_entries.h"

namespace vexilo {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

void launch(const DesktopEntry& entry, const std::string& path, Dialogs& dialogs) {
    const auto argv = expandExec(entry, path);
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << q(argv[i]);
    if (argv.empty() || !QProcess::startDetached(q(argv[0]), args))
        dialogs.error("Vexilo", "\"" + entry.name + "\" could not be started.");
}

QString permissionsText(const QFileInfo& info) {
    const auto p = info.permissions();
    auto bit = [&](QFile::Permission f, char c) { return p.testFlag(f) ? QChar(c) : QChar('-'); };
    QString text;
    text += bit(QFile::ReadOwner, 'r') + QString(bit(QFile::WriteOwner, 'w')) + bit(QFile::ExeOwner, 'x');
    text += bit(QFile::ReadGroup, 'r') + QString(bit(QFile::WriteGroup, 'w')) + bit(QFile::ExeGroup, 'x');
    text += bit(QFile::ReadOther, 'r') + QString(bit(QFile::WriteOther, 'w')) + bit(QFile::ExeOther, 'x');
    return text + QStringLiteral(" (owner %1, group %2)").arg(info.owner(), info.group());
}

}  // namespace

QString filePropertiesText(const std::string& path) {
    const QFileInfo info(q(path));
    const QLocale locale;
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    auto when = [&](QFileDevice::FileTime t) {
        return locale.toString(info.fileTime(t), QLocale::LongFormat);
    };
    return QStringLiteral(
               "Name: %1\nFolder: %2\nSize: %3 (%4 bytes)\nModified: %5\nAccessed: %6\n"
               "Type: %7 (%8)\nPermissions: %9")
        .arg(info.fileName(), info.absolutePath(), locale.formattedDataSize(info.size()),
             locale.toString(info.size()), when(QFileDevice::FileModificationTime),
             when(QFileDevice::FileAccessTime), mime.comment(), mime.name(), permissionsText(info));
}

std::unique_ptr<QMenu> buildDesktopMenu(const std::string& path, QWidget* parent, Dialogs& dialogs) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    const QString file = q(path);
    const std::string mime = QMimeDatabase().mimeTypeForFile(file).name().toStdString();
    const DesktopApplications apps = DesktopApplications::fromEnvironment();
    const auto listed = apps.forMimeType(mime);
    const auto preferred = apps.defaultFor(mime);

    auto menu = std::make_unique<QMenu>(parent);
    menu->setObjectName("DesktopActions");
    if (preferred) {
        QAction* open = menu->addAction(QIcon::fromTheme(q(preferred->icon)),
                                        QObject::tr("&Open with %1").arg(q(preferred->name)));
        QFont bold = open->font();
        bold.setBold(true);
        open->setFont(bold);
        QObject::connect(open, &QAction::triggered, menu.get(),
                         [entry = *preferred, path, &dialogs] { launch(entry, path, dialogs); });
    } else {
        QAction* open = menu->addAction(QObject::tr("&Open"));
        QObject::connect(open, &QAction::triggered, menu.get(),
                         [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
    }
    QMenu* others = menu->addMenu(QObject::tr("Open &with"));
    for (const auto& entry : listed) {
        if (preferred && entry.id == preferred->id) continue;
        QAction* a = others->addAction(QIcon::fromTheme(q(entry.icon)), q(entry.name));
        QObject::connect(a, &QAction::triggered, menu.get(),
                         [entry, path, &dialogs] { launch(entry, path, dialogs); });
    }
    others->setEnabled(!others->isEmpty());
    menu->addSeparator();
    QObject::connect(menu->addAction(QIcon::fromTheme("folder-open"), QObject::tr("Show in &file manager")),
                     &QAction::triggered, menu.get(), [file] {
                         QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
                     });
    QObject::connect(menu->addAction(QIcon::fromTheme("edit-copy"), QObject::tr("&Copy full path")),
                     &QAction::triggered, menu.get(),
                     [file] { QApplication::clipboard()->setText(QFileInfo(file).absoluteFilePath()); });
    menu->addSeparator();
    QObject::connect(menu->addAction(QIcon::fromTheme("document-properties"), QObject::tr("&Properties")),
                     &QAction::triggered, menu.get(), [path, &dialogs] {
                         dialogs.inform("Properties", filePropertiesText(path).toStdString());
                     });
    return menu;
}

void showDesktopMenu(const std::string& path, const QPoint& at, QWidget* parent, Dialogs& dialogs) {
    if (auto menu = buildDesktopMenu(path, parent, dialogs)) menu->exec(at);
}

}  // namespace vexilo
