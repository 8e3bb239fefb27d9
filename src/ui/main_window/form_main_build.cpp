// TFormMain: building the actions, menus, toolbars and the two tabs.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "codecs/export_options.h"
#include "control/dialogs.h"
#include "imageio/file_kind.h"
#include "lang/lang.h"
#include "lang/program_folder.h"
#include "settings/settings_store.h"
#include "ui/about_box.h"
#include "ui/command_icons.h"
#include "ui/convert_dialog/form_cnv_dlg.h"
#include "ui/full_view/form_view.h"
#include "ui/help_viewer.h"
#include "ui/main_window/form_main.h"
#include "ui/main_window/form_main_util.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/target_panel.h"
#include "ui/splash.h"

namespace vexilo {

namespace {

using enum CommandId;
using namespace form_main_detail;

QIcon viewStyleIcon(int style) {
    static constexpr std::string_view names[] = {"view-list-icons", "view-list-compact", "view-list-text",
                                                 "view-list-details"};
    return commandIcon(names[style]);
}

// The local folder a dropped or dragged URL names: a folder itself, or a file's folder.
std::string droppedFolder(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    const QFileInfo info(url.toLocalFile());
    QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (!info.exists()) return {};
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder.toStdString();
}

// The search folders list accepts folders dragged from the folder tree or dropped from a file
// manager (text/uri-list).
class FolderDropList : public QListWidget {
public:
    std::function<void(const std::string&)> onDrop;

    explicit FolderDropList(QWidget* parent) : QListWidget(parent) {
        setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DropOnly);
    }

protected:
    static bool acceptable(const QMimeData* mime) {
        if (!mime || !mime->hasUrls()) return false;
        for (const auto& url : mime->urls())
            if (!droppedFolder(url).empty()) return true;
        return false;
    }
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (acceptable(e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* e) override {
        if (acceptable(e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
    }
    void dropEvent(QDropEvent* e) override {
        if (!acceptable(e->mimeData())) {
            e->ignore();
            return;
        }
        e->acceptProposedAction();
        for (const auto& url : e->mimeData()->urls()) {
            const std::string folder = droppedFolder(url);
            if (!folder.empty() && onDrop) onDrop(folder);
        }
    }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::LinkAction; }
    // An empty list says what it is for.
    void paintEvent(QPaintEvent* e) override {
        QListWidget::paintEvent(e);
        if (count() > 0) return;
        QPainter p(viewport());
        p.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        p.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                   toolTip());
    }
};

// The small close button a floating toolbar shows at its start.
QToolButton* makeCloseButton(QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName("CloseToolbar");
    b->setAutoRaise(true);
    b->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    if (b->icon().isNull()) b->setText(QStringLiteral("\u00d7"));
    b->setToolTip(QStringLiteral("Close"));
    b->setIconSize(QSize(12, 12));
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Building

void TFormMain::buildActions() {
    for (const Command& c : commandTable()) {
        auto* a = new QAction(q(c.english), this);
        a->setObjectName(q(c.objectName));
        if (!c.shortcut.empty()) a->setShortcut(QKeySequence(q(c.shortcut)));
        if (!c.icon.empty()) a->setIcon(commandIcon(c.icon));
        a->setProperty(kHelpContextProperty, c.helpContext);
        m_actions[static_cast<std::size_t>(c.id)] = a;
        if (c.places & place::ToolbarsMenu) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        if (!c.handler) continue;
        // A failure inside a command is shown with its own text; the window goes on.
        connect(a, &QAction::triggered, this, [this, handler = c.handler, id = c.id] {
            try {
                handler(*this, id);
            } catch (const std::exception& e) {
                m_form.error(e.what());
            }
        });
    }
    // The menu entry and the button open the contents; F1 the topic of the focused area. The
    // entry shows F1; this shortcut answers it.
    auto* f1 = new QShortcut(action(miHelp)->shortcut(), this);
    f1->setContext(Qt::ApplicationShortcut);
    connect(f1, &QShortcut::activated, this,
            [this] { miHelpClick(helpContextOf(QApplication::focusWidget())); });
    action(miHelp)->setShortcutContext(Qt::WidgetShortcut);
}

std::vector<QAction*> TFormMain::addCommands(QWidget* to, unsigned where) {
    std::vector<QAction*> separators;
    const Command* previous = nullptr;
    for (const Command& c : commandTable()) {
        if (!(c.places & where)) continue;
        if (previous && previous->section != c.section) {
            auto* separator = new QAction(to);
            separator->setSeparator(true);
            to->addAction(separator);
            separators.push_back(separator);
        }
        to->addAction(action(c.id));
        previous = &c;
    }
    return separators;
}

void TFormMain::buildMenus() {
    m_menuFiles = menuBar()->addMenu(QStringLiteral("&Files"));
    addCommands(m_menuFiles, place::FilesMenu);

    m_menuImage = menuBar()->addMenu(QStringLiteral("&Image"));
    addCommands(m_menuImage, place::ImageMenu);

    m_menuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    m_menuToolbars = m_menuOptions->addMenu(QStringLiteral("&Toolbars"));
    addCommands(m_menuToolbars, place::ToolbarsMenu);
    addCommands(m_menuOptions, place::OptionsMenu);
    m_menuLanguages = m_menuOptions->addMenu(QStringLiteral("&Languages"));

    m_menuHelp = menuBar()->addMenu(QStringLiteral("&?"));
    addCommands(m_menuHelp, place::HelpMenu);

    // The list's pop-up menu.
    m_pmFiles = new QMenu(this);
    m_pmFiles->setObjectName("PMFiles");
    m_pmFilesSeparators = addCommands(m_pmFiles, place::ListPopup);
    // PMFilesPopup. Dropped down from "Save as..." the menu offers only the batch conversion:
    // the file entries, the desktop's menu and their separators show only over the list. The
    // actions are shared with the "Files" menu, so they are shown again when the menu goes.
    connect(m_pmFiles, &QMenu::aboutToShow, this, [this] {
        UpdateCommandStates();
        setFileEntriesShown(m_filesPopupFromList);
    });
    connect(m_pmFiles, &QMenu::aboutToHide, this, [this] {
        m_filesPopupFromList = false;
        // The triggered entry runs after the menu hides; showing it again must not race it.
        QTimer::singleShot(0, this, [this] { setFileEntriesShown(true); });
    });

    // The target's pop-up menu: a save entry for each save row of the format table, in its menu
    // order, then the target's commands.
    m_pmTarget = new QMenu(this);
    m_pmTarget->setObjectName("PMTarget");
    for (const FileFormat* format : saveMenuFormats()) {
        QAction* a = m_pmTarget->addAction(QString::fromUtf8(format->save.caption));
        a->setProperty(kHelpContextProperty, helpctx::FoundList);
        connect(a, &QAction::triggered, this, [this, format] { miSaveTargetClick(*format); });
        m_saveActions.emplace_back(format, a);
    }
    m_pmTarget->addSeparator();
    addCommands(m_pmTarget, place::TargetPopup);

    m_pmFolders = new QMenu(this);
    m_pmFolders->setObjectName("PMFolders");
    addCommands(m_pmFolders, place::FoldersPopup);
}

void TFormMain::buildToolbars() {
    auto make = [this](Toolbar t, const char* name, const QString& title) {
        auto* tb = new QToolBar(title, this);
        tb->setObjectName(QString::fromLatin1(name));
        tb->setAllowedAreas(Qt::TopToolBarArea | Qt::LeftToolBarArea);
        tb->setFloatable(true);
        // A floating toolbar shows a close button at its start; closing it hides the toolbar.
        auto* close = makeCloseButton(tb);
        QAction* closeAction = tb->addWidget(close);
        closeAction->setVisible(false);
        connect(close, &QToolButton::clicked, tb, &QToolBar::hide);
        connect(tb, &QToolBar::topLevelChanged, closeAction, &QAction::setVisible);
        // Hidden or shown by its own hand, also while its tab is not in view.
        tb->installEventFilter(this);
        m_toolbars[static_cast<std::size_t>(t)] = tb;
        m_toolbarCloseActions[static_cast<std::size_t>(t)] = closeAction;
        return tb;
    };

    QToolBar* main = make(Toolbar::Main, "TlbMain", QStringLiteral("Main"));
    setHelpContext(main, helpctx::ToolbarMain);
    main->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    main->setIconSize(QSize(kCommandIconSize, kCommandIconSize));
    for (const Command& c : commandTable())
        if (c.places & place::MainToolbar) main->addAction(action(c.id));
    action(SBSaveAs)->setMenu(m_pmFiles);  // the list's pop-up menu drops down here
    if (auto* b = qobject_cast<QToolButton*>(main->widgetForAction(action(SBSaveAs))))
        b->setPopupMode(QToolButton::InstantPopup);
    if (auto* b = qobject_cast<QToolButton*>(main->widgetForAction(action(miHelp)))) {
        b->setMenu(m_menuHelp);  // the help button drops down the "?" menu
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    addToolBar(Qt::TopToolBarArea, main);

    QToolBar* view = make(Toolbar::View, "TlbView", QStringLiteral("View"));
    setHelpContext(view, helpctx::ToolbarView);
    m_viewLabel = new QLabel(QStringLiteral(" View: "), view);
    view->addWidget(m_viewLabel);
    CBViewAs = new QComboBox(view);
    CBViewAs->setObjectName("CBViewAs");
    CBViewAs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    view->addWidget(CBViewAs);
    ChBStretch = new QCheckBox(QStringLiteral("Stretch picture"), view);
    ChBStretch->setObjectName("ChBStretch");
    view->addWidget(ChBStretch);
    m_imagesWindow->addToolBar(Qt::TopToolBarArea, view);

    QToolBar* modify = make(Toolbar::Modify, "TlbModify", QStringLiteral("Modify"));
    setHelpContext(modify, helpctx::ToolbarModify);
    ChBActualSz = new QCheckBox(QStringLiteral("Actual size"), modify);
    ChBActualSz->setObjectName("ChBActualSz");
    modify->addWidget(ChBActualSz);
    m_widthLabel = new QLabel(QStringLiteral("Image width:"), modify);
    modify->addWidget(m_widthLabel);
    SEImWidth = new QSpinBox(modify);
    SEImWidth->setObjectName("SEImWidth");
    SEImWidth->setRange(1, 4096);
    SEImWidth->setValue(32);
    modify->addWidget(SEImWidth);
    m_heightLabel = new QLabel(QStringLiteral("Image height:"), modify);
    modify->addWidget(m_heightLabel);
    SEImHeight = new QSpinBox(modify);
    SEImHeight->setObjectName("SEImHeight");
    SEImHeight->setRange(1, 4096);
    SEImHeight->setValue(32);
    modify->addWidget(SEImHeight);
    ChBProport = new QCheckBox(QStringLiteral("Proportional"), modify);
    ChBProport->setObjectName("ChBProport");
    ChBProport->setChecked(true);
    modify->addWidget(ChBProport);
    ChBButtonShape = new QCheckBox(QStringLiteral("Button shape"), modify);
    ChBButtonShape->setObjectName("ChBButtonShape");
    modify->addWidget(ChBButtonShape);
    m_imagesWindow->addToolBar(Qt::LeftToolBarArea, modify);
    // Toolbars on the left edge stack their controls; the labels then sit above their edits.
    for (QToolBar* tb : {modify, view})
        connect(tb, &QToolBar::orientationChanged, this, [this] { FormResize(); });
}

void TFormMain::buildSearchTab(QWidget* page) {
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    m_searchSplitter = new QSplitter(Qt::Horizontal, page);
    m_searchSplitter->setChildrenCollapsible(false);
    layout->addWidget(m_searchSplitter);

    m_fsModel = new QFileSystemModel(this);
    m_fsModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_fsModel->setReadOnly(true);
    m_fsModel->setRootPath(QStringLiteral("/"));
    m_folderTree = new QTreeView(m_searchSplitter);
    m_folderTree->setObjectName("DirectoryTree");
    m_folderTree->setModel(m_fsModel);
    for (int c = 1; c < m_fsModel->columnCount(); ++c) m_folderTree->hideColumn(c);
    m_folderTree->setHeaderHidden(true);
    m_folderTree->setDragEnabled(true);
    m_folderTree->setDragDropMode(QAbstractItemView::DragOnly);
    m_folderTree->setMinimumWidth(120);
    setHelpContext(m_folderTree, helpctx::Folders);
    connect(m_folderTree, &QTreeView::doubleClicked, this, [this] { SBAddPathClick(); });
    // Keyboard: Enter in the tree adds its folder; Delete in the list removes the selected one.
    auto* addKey =
        new QShortcut(QKeySequence(Qt::Key_Return), m_folderTree, nullptr, nullptr, Qt::WidgetShortcut);
    connect(addKey, &QShortcut::activated, this, [this] { SBAddPathClick(); });

    m_foldersPanel = new QWidget(m_searchSplitter);
    setHelpContext(m_foldersPanel, helpctx::Folders);
    auto* fl = new QHBoxLayout(m_foldersPanel);
    fl->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    auto* add = new QToolButton(m_foldersPanel);
    add->setObjectName("SBAddPath");
    add->setText(QStringLiteral(">"));
    add->setIcon(commandIcon("go-next"));
    add->setMinimumSize(28, 28);
    auto* del = new QToolButton(m_foldersPanel);
    del->setObjectName("SBDelPath");
    del->setText(QStringLiteral("<"));
    del->setIcon(commandIcon("go-previous"));
    del->setMinimumSize(28, 28);
    buttons->addWidget(add);
    buttons->addWidget(del);
    buttons->addStretch();
    fl->addLayout(buttons);
    auto* folders = new FolderDropList(m_foldersPanel);
    folders->onDrop = [this](const std::string& f) { CheckListBox1DragDrop(f); };
    m_folderList = folders;
    m_folderList->setObjectName("CheckListBox1");
    m_folderList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_folderList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_folderList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    fl->addWidget(m_folderList, 1);
    connect(add, &QToolButton::clicked, this, [this] { SBAddPathClick(); });
    connect(del, &QToolButton::clicked, this, [this] { SBDelPathClick(search::DeletePaths::Selected); });
    auto* delKey = new QShortcut(QKeySequence::Delete, m_folderList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(delKey, &QShortcut::activated, this, [this] { SBDelPathClick(search::DeletePaths::Selected); });
    connect(m_folderList, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_pmFolders->popup(m_folderList->viewport()->mapToGlobal(p)); });
    connect(m_folderList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const auto row = static_cast<std::size_t>(m_folderList->row(item));
        if (row < m_search.searchFolders.items.size())
            m_search.searchFolders.items[row].checked = item->checkState() == Qt::Checked;
    });
    connect(m_folderList, &QListWidget::itemSelectionChanged, this, [this] {
        auto& items = m_search.searchFolders.items;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (auto* it = m_folderList->item(static_cast<int>(i))) items[i].selected = it->isSelected();
        m_search.searchFolders.current = m_folderList->currentRow();
    });

    m_masksPanel = new QGroupBox(QStringLiteral(" File masks "), m_searchSplitter);
    m_masksPanel->setObjectName("GroupBoxMasks");
    setHelpContext(m_masksPanel, helpctx::Masks);
    auto* ml = new QVBoxLayout(m_masksPanel);
    auto* editRow = new QHBoxLayout;
    m_maskEdit = new QLineEdit(m_masksPanel);
    m_maskEdit->setObjectName("EMask");
    m_maskEdit->setToolTip(QStringLiteral("Type new mask"));
    m_maskEdit->setPlaceholderText(QStringLiteral("*.ext"));
    m_addMaskButton = new QToolButton(m_masksPanel);
    m_addMaskButton->setObjectName("BitBtnAddMask");
    m_addMaskButton->setIcon(commandIcon("list-add"));
    if (m_addMaskButton->icon().isNull()) m_addMaskButton->setText(QStringLiteral("+"));
    editRow->addWidget(m_maskEdit, 1);
    editRow->addWidget(m_addMaskButton);
    ml->addLayout(editRow);
    m_maskList = new QListWidget(m_masksPanel);
    m_maskList->setObjectName("ChLBMasks");
    ml->addWidget(m_maskList, 1);
    m_scanSubfolders = new QCheckBox(QStringLiteral("Scan subfolders"), m_masksPanel);
    m_scanSubfolders->setObjectName("ChBScanSubfolders");
    m_scanSubfolders->setChecked(true);
    ml->addWidget(m_scanSubfolders);
    connect(m_scanSubfolders, &QCheckBox::toggled, this, [this](bool on) { m_search.scanSubfolders = on; });
    auto addMask = [this](bool onlyThis) {
        std::string t = m_maskEdit->text().toStdString();
        if (onlyThis)
            m_search.EMaskKeyUp(true, false, t);
        else
            m_search.BitBtnAddMaskClick(t);
        m_maskEdit->setText(q(t));
        refreshMaskList();
    };
    connect(m_addMaskButton, &QToolButton::clicked, this, [addMask] { addMask(false); });
    connect(m_maskEdit, &QLineEdit::returnPressed, this, [addMask] { addMask(true); });
    connect(m_maskList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const auto row = static_cast<std::size_t>(m_maskList->row(item));
        auto& items = m_search.masks.items;
        if (row >= items.size()) return;
        const bool on = item->checkState() == Qt::Checked;
        if (items[row].checked == on) return;
        items[row].checked = on;
        m_search.ChLBMasksClickCheck();
        refreshMaskList();
    });

    m_searchSplitter->addWidget(m_folderTree);
    m_searchSplitter->addWidget(m_foldersPanel);
    m_searchSplitter->addWidget(m_masksPanel);
    m_searchSplitter->setStretchFactor(0, 1);
    m_searchSplitter->installEventFilter(this);
    connect(m_searchSplitter, &QSplitter::splitterMoved, this, [this] {
        m_searchLaidOut = true;
        FormResize();
    });
}

void TFormMain::buildImagesTab(QWidget* page) {
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_imagesSplitter = new QSplitter(Qt::Horizontal, page);
    m_imagesSplitter->setChildrenCollapsible(false);
    m_imagesSplitter->installEventFilter(this);
    connect(m_imagesSplitter, &QSplitter::splitterMoved, this, [this] { m_imagesLaidOut = true; });
    layout->addWidget(m_imagesSplitter);

    m_listPanel = new QWidget(m_imagesSplitter);
    setHelpContext(m_listPanel, helpctx::FoundList);
    auto* ll = new QVBoxLayout(m_listPanel);
    ll->setContentsMargins(6, 4, 0, 6);
    ll->setSpacing(2);
    auto* strip = new QToolBar(m_listPanel);
    strip->setObjectName("ViewStyleButtons");
    strip->setIconSize(QSize(16, 16));
    auto* group = new QActionGroup(this);
    static const char* names[] = {"Large Icons", "Small Icons", "List", "Details"};
    for (int i = 0; i < 4; ++i) {
        auto* a = strip->addAction(viewStyleIcon(i), QString::fromLatin1(names[i]));
        a->setCheckable(true);
        a->setToolTip(QString::fromLatin1(names[i]));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] { SelListViewType(i); });
        m_viewButtons[static_cast<std::size_t>(i)] = a;
    }
    ll->addWidget(strip);
    // Never so narrow that the view style buttons go behind the toolbar's overflow arrow.
    m_listPanel->setMinimumWidth(strip->sizeHint().width() + 6);

    m_model = new FoundListModel(m_search.list(), this);
    m_viewStack = new QStackedWidget(m_listPanel);
    m_iconView = new QListView(m_viewStack);
    m_iconView->setObjectName("ListView1");
    m_iconView->setModel(m_model);
    m_iconDelegate = new FoundListDelegate(m_iconView);
    m_iconView->setItemDelegate(m_iconDelegate);
    m_iconView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_iconView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_iconView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setBatchSize(200);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setWordWrap(true);
    m_detailView = new QTreeView(m_viewStack);
    m_detailView->setObjectName("ListView1Details");
    m_detailView->setModel(m_model);
    m_detailView->setSelectionModel(m_iconView->selectionModel());
    m_detailView->setRootIsDecorated(false);
    m_detailView->setItemsExpandable(false);
    m_detailView->setUniformRowHeights(true);
    m_detailView->setAlternatingRowColors(true);
    m_detailView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_detailView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_detailView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows drag out as files; drops go on to the window (dropEvent).
    m_detailView->setDragDropMode(QAbstractItemView::DragOnly);
    m_detailView->setIconSize(QSize(search::kSmallCellSize, search::kSmallCellSize));
    m_detailView->header()->setSectionsClickable(true);
    m_detailView->header()->setSortIndicatorShown(false);
    for (std::size_t c = 0; c < detailColumns().size(); ++c)
        m_detailView->setColumnWidth(static_cast<int>(c), detailColumns()[c].width);
    connect(m_detailView->header(), &QHeaderView::sectionClicked, this,
            [this](int c) { ListView1ColumnClick(c); });
    m_viewStack->addWidget(m_iconView);
    m_viewStack->addWidget(m_detailView);
    ll->addWidget(m_viewStack, 1);
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailView)}) {
        setHelpContext(v, helpctx::FoundList);
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(v, &QWidget::customContextMenuRequested, this, [this, v](const QPoint& p) {
            m_filesPopupFromList = true;
            m_pmFiles->popup(v->viewport()->mapToGlobal(p));
        });
    }
    connect(m_iconView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateCommandStates(); });
    // The target follows the click itself: a press has updated the selection by the time it
    // reports, and a release on a row of a larger selection narrows it only then. Keys load on
    // release (ListView1KeyUp, in the event filter). The current-row signal comes before the
    // press selects, so it would show the row clicked before.
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailView)}) {
        connect(v, &QAbstractItemView::pressed, this, [this] { followSelection(); });
        connect(v, &QAbstractItemView::clicked, this, [this] { followSelection(); });
        v->installEventFilter(this);
        // Delete erases as Shift+Del does (to the trash).
        auto* del = new QShortcut(QKeySequence::Delete, v, nullptr, nullptr, Qt::WidgetShortcut);
        connect(del, &QShortcut::activated, this, [this] {
            if (action(miErasefiles)->isEnabled()) action(miErasefiles)->trigger();
        });
    }

    // The inner window: dock 3 across its top, dock 4 down its left, the target in its middle.
    m_imagesWindow = new QMainWindow(m_imagesSplitter);
    m_imagesWindow->setWindowFlags(Qt::Widget);  // QMainWindow makes itself a window otherwise
    m_imagesWindow->setObjectName("ImagesWindow");
    m_targetArea = new QGroupBox(QStringLiteral(" Target (double click to enlarge): "), m_imagesWindow);
    m_targetArea->setObjectName("TargetArea");
    setHelpContext(m_targetArea, helpctx::FoundList);
    new QVBoxLayout(m_targetArea);
    m_imagesWindow->setCentralWidget(m_targetArea);

    m_imagesSplitter->addWidget(m_listPanel);
    m_imagesSplitter->addWidget(m_imagesWindow);
    m_imagesSplitter->setStretchFactor(1, 1);
}

}  // namespace vexilo
