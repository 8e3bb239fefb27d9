#pragma once
// The desktop's own actions for one file, in a pop-up menu: open with the default application
// or another one the desktop lists for the file's MIME type, show the folder in the file
// manager, copy the full path, and the file's properties.
#include <QPoint>
#include <memory>
#include <string>

class QMenu;
class QWidget;

namespace vexilo {

class Dialogs;
class TLang;

// The menu for the file in the pack's language, or null when the file is gone (then nothing is
// shown or said). `dialogs` and `lang` must outlive the menu.
std::unique_ptr<QMenu> buildDesktopMenu(const std::string& path, QWidget* parent, Dialogs& dialogs,
                                        const TLang& lang);

// miWinMenuClick: shows that menu at the screen point and runs what the user picks.
void showDesktopMenu(const std::string& path, const QPoint& at, QWidget* parent, Dialogs& dialogs,
                     const TLang& lang);

// The properties window's text for the file: name, folder, size, dates, MIME type, permissions.
QString filePropertiesText(const std::string& path, const TLang& lang);

}  // namespace vexilo
