// TFormMain's stored layout: the window's state gathered into the form's settings and applied
// from them, and the toolbars placed in their docks by the docking rules.
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <algorithm>
#include <utility>

#include "ui/main_window/form_main.h"
#include "ui/screen_fit.h"

namespace vexilo {

using enum CommandId;

MainSettings TFormMain::gatherSettings() const {
    MainSettings s = m_form.settings();
    s.clientWidth = width();
    s.clientHeight = height();
    s.left = x();
    s.top = y();
    // A splitter that was never on screen reports the sizes of widgets never laid out.
    if (m_imagesLaidOut) s.thumbWidth = m_imagesSplitter->sizes().value(0, s.thumbWidth);
    if (m_searchLaidOut) {
        const QList<int> searchSizes = m_searchSplitter->sizes();
        s.dirWidth = searchSizes.value(1, s.dirWidth);
        s.masksWidth = searchSizes.value(2, s.masksWidth);
    }
    s.stretchView = ChBStretch->isChecked();
    for (Toolbar t : kToolbars) {
        auto& l = s.toolbars[static_cast<std::size_t>(t)];
        QToolBar* tb = toolbar(t);
        l.visible = !tb->isHidden();
        l.dock = dockOf(t);
        if (l.dock == Dock::None) {
            const QRect g = tb->geometry();
            l.floatLeft = g.left();
            l.floatTop = g.top();
            l.floatRight = g.right() + 1;
            l.floatBottom = g.bottom() + 1;
            l.floatRightX = g.right() + 1;
            continue;
        }
        // Row: how many toolbars of the same area lie nearer the edge; position along the row.
        const bool top = l.dock == Dock::Dock1 || l.dock == Dock::Dock3;
        l.pos = top ? tb->x() : tb->y();
        l.row = 0;
        for (Toolbar o : kToolbars) {
            if (o == t || dockOf(o) != l.dock || toolbar(o)->isHidden()) continue;
            QToolBar* other = toolbar(o);
            if (top ? other->y() < tb->y() : other->x() < tb->x()) ++l.row;
        }
    }
    return s;
}

void TFormMain::applySettings() {
    MainSettings& s = m_form.settings();
    if (s.clientWidth >= 320 && s.clientHeight >= 240) resize(s.clientWidth, s.clientHeight);
    // A stored position off every screen (a monitor was removed) leaves the platform's choice.
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(QPoint(s.left + 40, s.top + 20))) {
            move(s.left, s.top);
            break;
        }
    }
    // A stored fault must not hide the list: each panel keeps at least its own minimum.
    s.thumbWidth = std::max({80, m_listPanel->minimumWidth(), s.thumbWidth});
    s.dirWidth = std::max(80, s.dirWidth);
    s.masksWidth = std::max(80, s.masksWidth);
    m_imagesSplitter->setSizes({s.thumbWidth, std::max(200, width() - s.thumbWidth)});
    m_searchSplitter->setSizes(
        {std::max(120, width() - s.dirWidth - s.masksWidth), s.dirWidth, s.masksWidth});
    SelListViewType(s.viewStyle);
    setThumbnailSize(s.imageListWidth, s.imageListHeight);
    ChBStretch->setChecked(s.stretchView);
    placeToolbars(s.toolbars);
    // A size stored at another scale or on a larger screen still fits the screen it opens on.
    keepOnScreen(this);
}

void TFormMain::placeToolbars(const std::array<ToolbarLayout, 3>& layouts) {
    // Per dock, the toolbars in row and position order, with a break between rows.
    for (Dock d : {Dock::Dock1, Dock::Dock2, Dock::Dock3, Dock::Dock4}) {
        std::vector<std::size_t> here;
        for (std::size_t i = 0; i < 3; ++i)
            if (layouts[i].dock == d) here.push_back(i);
        std::sort(here.begin(), here.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(layouts[a].row, layouts[a].pos) < std::pair(layouts[b].row, layouts[b].pos);
        });
        QMainWindow* owner =
            (d == Dock::Dock1 || d == Dock::Dock2) ? static_cast<QMainWindow*>(this) : m_imagesWindow;
        const Qt::ToolBarArea area =
            (d == Dock::Dock1 || d == Dock::Dock3) ? Qt::TopToolBarArea : Qt::LeftToolBarArea;
        int lastRow = -1;
        for (std::size_t i : here) {
            if (lastRow >= 0 && layouts[i].row != lastRow) owner->addToolBarBreak(area);
            owner->addToolBar(area, m_toolbars[i]);
            lastRow = layouts[i].row;
        }
    }
    for (std::size_t i = 0; i < 3; ++i) m_toolbars[i]->setVisible(layouts[i].visible);
    syncToolbarChecks();
}

Dock TFormMain::dockOf(Toolbar t) const {
    QToolBar* tb = toolbar(t);
    if (tb->isFloating()) return Dock::None;
    const bool outer = t == Toolbar::Main;
    const QMainWindow* owner = outer ? static_cast<const QMainWindow*>(this) : m_imagesWindow;
    const Qt::ToolBarArea area = owner->toolBarArea(tb);
    if (area == Qt::LeftToolBarArea) return outer ? Dock::Dock2 : Dock::Dock4;
    return outer ? Dock::Dock1 : Dock::Dock3;
}

void TFormMain::dockToolbar(Toolbar t, Dock dock) {
    dock = allowedDock(t, dock);
    if (dock == Dock::None) dock = homeDock(t);
    QMainWindow* owner =
        (dock == Dock::Dock1 || dock == Dock::Dock2) ? static_cast<QMainWindow*>(this) : m_imagesWindow;
    const Qt::ToolBarArea area =
        (dock == Dock::Dock1 || dock == Dock::Dock3) ? Qt::TopToolBarArea : Qt::LeftToolBarArea;
    const bool shown = !toolbar(t)->isHidden();
    owner->addToolBar(area, toolbar(t));
    toolbar(t)->setVisible(shown);
}

void TFormMain::syncToolbarChecks() {
    static constexpr CommandId entries[] = {miToolbarMain, miToolbarView, miToolbarModify};
    for (std::size_t i = 0; i < 3; ++i) {
        QAction* a = action(entries[i]);
        if (!m_toolbars[i]) continue;
        const QSignalBlocker block(a);
        a->setChecked(!m_toolbars[i]->isHidden());
    }
}

void TFormMain::miToolbars1Click(const Toolbar* entry) {
    std::array<bool, 3> visible;
    for (std::size_t i = 0; i < 3; ++i) visible[i] = !m_toolbars[i]->isHidden();
    const auto wanted = vexilo::miToolbars1Click(visible, entry);
    for (std::size_t i = 0; i < 3; ++i) m_toolbars[i]->setVisible(wanted[i]);
    syncToolbarChecks();
}

}  // namespace vexilo
