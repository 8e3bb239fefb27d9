// TFormMain's file commands, the desktop's actions for a file and the advanced options: the
// rules live in control/main_window/main_files and control/options_dialog/config_dialog; this file only
// forwards and shows.
#include <QCursor>
#include <QListView>
#include <QMenu>
#include <QToolBar>
#include <QTreeView>

#include "control/convert_dialog/cnv_dlg.h"
#include "control/main_window/main_files.h"
#include "control/main_window/main_settings.h"
#include "control/options_dialog/config_dialog.h"
#include "lang/lang.h"
#include "search/found_list.h"
#include "ui/main_window/desktop_menu.h"
#include "ui/main_window/file_progress.h"
#include "ui/main_window/form_main.h"
#include "ui/main_window/target_panel.h"
#include "ui/options_dialog/form_config.h"

namespace vexilo {

void TFormMain::miCopyfiletoClick(CommandId which) {
    FileCommand command = FileCommand::Copy;
    if (which == CommandId::miMovefileto) command = FileCommand::Move;
    if (which == CommandId::miRenamefile) command = FileCommand::Rename;
    if (which == CommandId::miErasefiles) command = FileCommand::Erase;
    const QString title = action(which)->text().remove('&');
    FileProgressWindow progress(this, title, QString::fromStdString(m_lang.interfaceText(119)).remove('&'));
    DialogFileOperationUi ui(m_dialogs, m_lang, &progress);
    MainFiles files(m_search.list(), m_dialogs, m_lang);
    files.miCopyfiletoClick(command, selectedRows(), ui);
    UpdateCommandStates();
}

void TFormMain::miWinMenuClick() {
    const auto rows = selectedRows();
    if (rows.size() != 1 || rows.front() >= m_search.list().size()) return;
    // Where the list's pop-up menu opened; the cursor when the command came from elsewhere.
    const QPoint at = m_pmFiles->pos().isNull() ? QCursor::pos() : m_pmFiles->pos();
    showDesktopMenu(m_search.list().row(rows.front()).image.path(), at, this, m_dialogs, m_lang);
}

void TFormMain::SBConfigClick() {
    ConfigValues current;
    const QColor base = m_iconView->palette().color(QPalette::Base);
    current.listColor = Color{static_cast<std::uint8_t>(base.red()), static_cast<std::uint8_t>(base.green()),
                              static_cast<std::uint8_t>(base.blue())};
    current.thumbWidth = m_search.list().largeImages().width();
    current.thumbHeight = m_search.list().largeImages().height();
    current.showButtonText = m_form.settings().showButText;
    current.showMain = !toolbar(Toolbar::Main)->isHidden();
    current.showView = !toolbar(Toolbar::View)->isHidden();
    current.showModify = !toolbar(Toolbar::Modify)->isHidden();
    current.thumbnailCache = m_search.useThumbnailCache;
    current.largestIcons = m_search.iconSize == IconSize::Largest;
    current.keepTransparency = m_form.exportOptions().keepTransparency;
    current.turnByOrientation = m_search.turnByOrientation;
    current.naturalOrder = m_search.naturalOrder;

    bool sizeChanged = false;
    const auto chosen = TFormConfig::SBConfigClick(
        current, m_lang, m_dialogs, sizeChanged, this, [this](int context) { miHelpClick(context); },
        runModal);
    if (chosen) {
        const QColor colour(chosen->listColor.r, chosen->listColor.g, chosen->listColor.b);
        for (QAbstractItemView* view :
             {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailView)}) {
            QPalette palette = view->palette();
            palette.setColor(QPalette::Base, colour);
            // The captions stay readable on the chosen colour, whatever the desktop's palette.
            palette.setColor(QPalette::Text, colour.lightnessF() < 0.5 ? Qt::white : Qt::black);
            palette.setColor(QPalette::AlternateBase,
                             colour.lightnessF() < 0.5 ? colour.lighter(120) : colour.darker(106));
            view->setPalette(palette);
        }
        if (sizeChanged) setThumbnailSize(chosen->thumbWidth, chosen->thumbHeight);
        m_form.settings().showButText = chosen->showButtonText;
        toolbar(Toolbar::Main)->setVisible(chosen->showMain);
        toolbar(Toolbar::View)->setVisible(chosen->showView);
        toolbar(Toolbar::Modify)->setVisible(chosen->showModify);
        m_search.useThumbnailCache = chosen->thumbnailCache;
        m_search.iconSize = chosen->largestIcons ? IconSize::Largest : IconSize::System;
        if (chosen->keepTransparency != m_form.exportOptions().keepTransparency)
            WriteKeepTransparency(m_store, chosen->keepTransparency);
        m_form.exportOptions().keepTransparency = chosen->keepTransparency;
        applyIconOptions();
        m_search.turnByOrientation = chosen->turnByOrientation;
        m_targetPanel->setTurnByOrientation(chosen->turnByOrientation);
        if (chosen->naturalOrder != m_search.naturalOrder) {
            m_search.naturalOrder = chosen->naturalOrder;
            m_search.list().sort(m_search.SortKey, m_search.naturalOrder);
        }
    }
    ApplyButtonCaptions();
    miToolbars1Click(nullptr);
}

}  // namespace vexilo
