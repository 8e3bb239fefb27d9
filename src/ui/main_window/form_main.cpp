#include "ui/main_window/form_main.h"

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
#include <QKeyEvent>
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
#include <cstdio>
#include <utility>

#include "codecs/export_options.h"
#include "control/dialogs.h"
#include "control/kind_names.h"
#include "imageio/file_kind.h"
#include "lang/lang.h"
#include "lang/program_folder.h"
#include "settings/settings_store.h"
#include "ui/about_box.h"
#include "ui/command_icons.h"
#include "ui/convert_dialog/form_cnv_dlg.h"
#include "ui/full_view/form_view.h"
#include "ui/help_viewer.h"
#include "ui/main_window/form_main_util.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/target_panel.h"
#include "ui/qt_translation.h"
#include "ui/screen_fit.h"
#include "ui/splash.h"

namespace vexilo {

namespace {

using enum CommandId;
using namespace form_main_detail;

}  // namespace

TFormMain::TFormMain(SettingsStore& store, TLang& lang, Dialogs& dialogs, StartOptions options,
                     QWidget* parent)
    : QMainWindow(parent),
      m_store(store),
      m_lang(lang),
      m_dialogs(dialogs),
      m_form(store, lang, dialogs, std::move(options)),
      m_search(m_form.search()),
      m_namedFiles(m_form.options().files) {
    setObjectName("FormMain");
    setWindowTitle(QString::fromLatin1(kProgramCaption));
    setWindowIcon(applicationIcon());
    setMinimumSize(560, 380);
    resize(940, 620);
    setAcceptDrops(true);

    buildActions();
    m_pages = new QTabWidget(this);
    m_pages->setObjectName("PageControl1");
    m_pages->setTabPosition(QTabWidget::South);
    m_pages->setDocumentMode(true);
    auto* search = new QWidget(m_pages);
    search->setObjectName("TabSheetSearch");
    setHelpContext(search, helpctx::MainWindow);
    auto* images = new QWidget(m_pages);
    images->setObjectName("TabSheetImages");
    setHelpContext(images, helpctx::ImagesTab);
    m_pages->addTab(search, QStringLiteral("Search"));
    m_pages->addTab(images, QStringLiteral("Images"));
    setCentralWidget(m_pages);
    buildSearchTab(search);
    buildImagesTab(images);
    buildMenus();
    buildToolbars();

    statusBar()->setObjectName("StatusBar1");
    m_status0 = new QLabel(this);
    m_status0->setMinimumWidth(100);
    m_status1 = new QLabel(this);
    m_status1->setMinimumWidth(50);
    m_status1->setTextInteractionFlags(Qt::NoTextInteraction);
    statusBar()->addWidget(m_status0);
    statusBar()->addWidget(m_status1, 1);

    FormCreate();
    buildTarget();
    applyIconOptions();
}

TFormMain::~TFormMain() {
    m_search.SBStopScanClick();
    m_search.FindInDir1().PumpEvents = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Start-up

void TFormMain::FormCreate() {
    // 1. The program folder, and LastDir starting there.
    const StartOptions& options = m_form.options();
    const std::string programFolder =
        options.programFolder.empty() ? resolveProgramFolder() : options.programFolder;
    // 2. GIF output only under "/GIF" (parsed with the rest of the command line).
    for (const auto& [format, a] : m_saveActions)
        if (format->needsGifSwitch) a->setVisible(options.gifOutput);
    // 4. Large icons; the placeholder picture comes with the search.
    SelListViewType(0);
    // 6. The toolbars' start layout (the defaults of MainSettings).
    // 7. The view-as list and the mask list.
    for (const FileFormat& format : fileFormats()) CBViewAs->addItem(QString::fromLatin1(format.name));
    m_search.initMaskList({});
    // 8. The stored settings.
    MainSettings s = gatherSettings();
    s.thumbWidth = 296;
    s.dirWidth = 299;
    // The masks panel is wide enough for its longest entry ("All files as Windows Icons").
    s.masksWidth = std::max(
        185,
        m_maskList->fontMetrics().horizontalAdvance(QString::fromLatin1(fileKindName(kind::AllFiles))) + 80);
    s.lastDir = programFolder;
    // 9. A toolbar docked nowhere is docked again; the menu checks follow. Folders named on the
    // command line join the list, checked, for this run only.
    m_form.FormCreate(s, programFolder);
    applySettings();
    refreshFolderList();
    refreshMaskList();
    // 10. The language pack.
    m_lang.RootKey = lgHKCU;
    m_lang.IniKey = std::string(kSettingsRootKey) + "\\Languages";
    m_lang.ProgramDir = programFolder;
    m_lang.ProgramName = kProgramName;
    m_lang.DefaultLangFile = "english.lng";
    m_lang.PumpEvents = [] { QCoreApplication::processEvents(); };
    applyLanguage();
    buildLanguagesMenu();
    // 11.
    ApplyButtonCaptions();
    // 13. The splash window covers the last steps of the start-up.
    auto splash = std::make_unique<TSplash>();
    splash->showCentred();
    // 14. The caption.
    setWindowTitle(QString::fromLatin1(kProgramCaption));
    // 15. Scanner start values.
    m_search.FindInDir1().ScanSubfolders = false;
    m_search.SortKey = search::sortkey::Finding;
    // 16. "Actual size" is checked.
    ChBActualSz->setChecked(true);
    // 17. The folder tree opens at LastDir.
    // The model reads folders in the background, so the way down to LastDir opens as each
    // level arrives; the user's own clicks end it.
    auto reveal = [this] {
        QString path = q(m_form.settings().lastDir);
        if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
        const QModelIndex last = m_fsModel->index(path);
        if (!last.isValid()) return;
        m_folderTree->setCurrentIndex(last);
        m_folderTree->scrollTo(last, QAbstractItemView::PositionAtCenter);
    };
    reveal();
    auto revealing = std::make_shared<QMetaObject::Connection>();
    *revealing =
        connect(m_fsModel, &QFileSystemModel::directoryLoaded, this, [this, reveal](const QString& dir) {
            if (q(m_form.settings().lastDir).startsWith(dir)) reveal();
        });
    connect(m_folderTree, &QTreeView::pressed, this, [this, revealing] { disconnect(*revealing); });
    // 18.
    m_pages->setCurrentIndex(0);
    m_maskEdit->clear();
    UpdateCommandStates();
    splash.reset();

    // The scanner keeps the window alive while it walks: events are pumped at most every 15 ms,
    // which keeps pauses short without spending the scan's time in the event loop.
    m_search.FindInDir1().PumpEvents = [timer = std::make_shared<QElapsedTimer>()] {
        if (timer->isValid() && timer->elapsed() < 15) return;
        QCoreApplication::processEvents();
        timer->start();
    };
    m_search.onScanStarted = [this] {
        // Thumbnails as sharp as the screen shows them (64 px for a 32 px cell at 200 %).
        m_search.list().setPixelRatio(devicePixelRatioF());
        m_shownRow = {{}, -2};
        m_status = Status::Scanning;
        m_statusRows = 0;
        m_statusFolder.clear();
        showStatus();
        UpdateCommandStates();
    };
    m_search.onProgress = [this, timer = std::make_shared<QElapsedTimer>()](const search::ScanProgress& p) {
        if (!timer->isValid() || timer->elapsed() >= 50) {
            m_status = Status::Scanning;
            m_statusRows = p.rows;
            m_statusFolder = p.folder;
            showStatus();
            timer->start();
        }
        return true;
    };
    m_search.onEndScan = [this] {
        m_status = Status::Finished;
        m_statusRows = m_search.list().size();
        showStatus();
        m_pages->setCurrentIndex(1);
    };

    m_form.sayDamagedSettings();
    // Named on the command line but not on disk: said once the window is up, not dropped silently.
    if (!options.missing.empty()) QTimer::singleShot(0, this, [this] { m_form.sayMissingArguments(); });
    if (!options.folders.empty()) QTimer::singleShot(0, this, [this] { SBScanClick(); });
}

void TFormMain::showStatus() {
    switch (m_status) {
        case Status::Idle:
            break;
        case Status::Scanning:
            m_status0->setText(m_statusFolder.empty() ? text(94)
                                                      : text(94) + " " + QString::number(m_statusRows));
            m_status1->setText(m_statusFolder.empty() ? QString() : text(95) + " " + q(m_statusFolder));
            break;
        case Status::Finished:
            m_status0->setText(text(94) + " " + QString::number(m_statusRows));
            m_status1->setText(q(m_lang.messageText(10)));
            break;
        case Status::Target:
            // The count of the last scan stays beside the target's path.
            m_status0->setText(text(94) + " " + QString::number(m_statusRows));
            if (m_targetPanel) m_status1->setText(q(m_targetPanel->target().TargetPath()));
            break;
    }
}

QString TFormMain::text(int number) const {
    return q(m_lang.interfaceText(number));
}

QString TFormMain::plainText(int number) const {
    return q(removeAmpersands(m_lang.interfaceText(number)));
}

void TFormMain::applyLanguage() {
    int loaded = TLang::kNoUsablePack;
    try {
        loaded = m_lang.load();
    } catch (const std::exception& e) {
        m_form.error(e.what());
        return;
    }
    if (loaded != TLang::kLoaded) {
        m_form.inform(kLangPackErrorMessage);
        return;
    }
    m_langLoaded = true;
    installQtTranslation(m_lang.languageCode());
    for (const Command& c : commandTable()) {
        QAction* a = action(c.id);
        const QString t = text(c.textNumber);
        a->setText(t);
        a->setIconText(plainText(c.textNumber));
        a->setToolTip(plainText(c.textNumber));
    }
    for (const auto& [format, a] : m_saveActions) a->setText(text(format->save.textNumber));
    QStringList titles;
    for (const DetailColumn& c : detailColumns()) titles << text(c.textNumber);
    m_model->setColumnTitles(titles);
    for (int i = 0; i < 4; ++i) {
        m_viewButtons[static_cast<std::size_t>(i)]->setText(plainText(10 + i));
        m_viewButtons[static_cast<std::size_t>(i)]->setToolTip(plainText(10 + i));
    }
    m_masksPanel->setTitle(" " + plainText(22) + " ");
    m_targetArea->setTitle(" " + plainText(24) + " ");
    m_targetArea->setToolTip(plainText(61));
    m_viewLabel->setText(" " + plainText(41) + ": ");
    toolbar(Toolbar::View)->setWindowTitle(plainText(41));
    toolbar(Toolbar::Modify)->setWindowTitle(plainText(25));
    toolbar(Toolbar::Main)->setWindowTitle(plainText(102));
    m_widthLabel->setText(text(29));
    m_heightLabel->setText(text(26));
    ChBProport->setText(text(36));
    ChBActualSz->setText(text(37));
    ChBButtonShape->setText(text(38));
    m_scanSubfolders->setText(text(46));
    ChBStretch->setText(text(75));
    m_folderList->setToolTip(plainText(68));
    m_addMaskButton->setToolTip(plainText(82));
    m_pages->setTabText(0, plainText(69));
    m_pages->setTabText(1, plainText(70));
    m_menuFiles->setTitle(text(99));
    m_menuImage->setTitle(text(100));
    m_menuOptions->setTitle(text(101));
    m_menuToolbars->setTitle(text(85));
    m_menuLanguages->setTitle(text(116));
    // The size labels share one width, so the edits line up.
    const QFontMetrics fm(font());
    for (QCheckBox* b : {ChBActualSz, ChBProport, ChBButtonShape})
        b->setMinimumWidth(fm.horizontalAdvance(b->text()) + 30);
    const int labels =
        std::max(fm.horizontalAdvance(m_widthLabel->text()), fm.horizontalAdvance(m_heightLabel->text())) + 5;
    m_widthLabel->setMinimumWidth(labels);
    m_heightLabel->setMinimumWidth(labels);
    if (m_targetPanel) m_targetPanel->applyTexts(m_lang);
    refreshMaskList();
}

void TFormMain::buildLanguagesMenu() {
    m_menuLanguages->clear();
    m_languageGroup = new QActionGroup(this);
    m_languageGroup->setExclusive(true);
    const auto& names = m_lang.langNames();
    const auto& files = m_lang.langFiles();
    for (std::size_t i = 0; i < names.size() && i < files.size(); ++i) {
        QAction* a = m_menuLanguages->addAction(q(names[i]));
        a->setCheckable(true);
        a->setChecked(static_cast<int>(i) == m_lang.langIndex());
        a->setData(q(files[i]));
        m_languageGroup->addAction(a);
        const std::string name = names[i], file = files[i];
        connect(a, &QAction::triggered, this, [this, name, file] {
            m_lang.choose(name, file);
            applyLanguage();
            ApplyButtonCaptions();
            showStatus();
            setWindowTitle(QString::fromLatin1(kProgramCaption));
        });
    }
    m_menuLanguages->setEnabled(!names.empty());
}

void TFormMain::ApplyButtonCaptions() {
    static constexpr CommandId buttons[] = {SBScan, SBStopScan, SBSaveAs, SBConfig, miHelp, SBExit};
    QToolBar* main = toolbar(Toolbar::Main);
    std::array<std::string, 6> hints;
    for (std::size_t i = 0; i < 6; ++i) hints[i] = action(buttons[i])->iconText().toStdString();
    const QFontMetrics fm(main->font());
    const auto sizes = vexilo::ApplyButtonCaptions(
        m_form.settings().showButText, hints,
        [&fm](const std::string& t) { return fm.horizontalAdvance(q(t)); }, fm.height());
    main->setToolButtonStyle(m_form.settings().showButText ? Qt::ToolButtonTextUnderIcon
                                                           : Qt::ToolButtonIconOnly);
    for (std::size_t i = 0; i < 6; ++i) {
        auto* b = qobject_cast<QToolButton*>(main->widgetForAction(action(buttons[i])));
        if (!b) continue;
        // The drop-down arrow of "Save as..." and "Help" needs room beside the caption.
        const int arrow = (m_form.settings().showButText && (i == 2 || i == 4)) ? 16 : 0;
        b->setFixedSize(sizes.widths[i] + arrow + 8, sizes.heights[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Search folders and masks

void TFormMain::refreshFolderList() {
    const QSignalBlocker block(m_folderList);
    m_folderList->clear();
    for (const auto& item : m_search.searchFolders.items) {
        auto* it = new QListWidgetItem(q(item.text), m_folderList);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        it->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
        it->setSelected(item.selected);
        it->setIcon(QIcon::fromTheme(QStringLiteral("folder")));
    }
    if (m_search.searchFolders.current >= 0)
        m_folderList->setCurrentRow(m_search.searchFolders.current, QItemSelectionModel::NoUpdate);
}

void TFormMain::refreshMaskList() {
    const QSignalBlocker block(m_maskList);
    const auto& items = m_search.masks.items;
    while (m_maskList->count() > static_cast<int>(items.size()))
        delete m_maskList->takeItem(m_maskList->count() - 1);
    for (std::size_t i = 0; i < items.size(); ++i) {
        QListWidgetItem* it = m_maskList->item(static_cast<int>(i));
        if (!it) {
            it = new QListWidgetItem(m_maskList);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        }
        it->setText(q(items[i].text));
        it->setCheckState(items[i].checked ? Qt::Checked : Qt::Unchecked);
        // A built-in mask names its format in a hint.
        QString hint;
        for (const FileFormat& format : fileFormats())
            if (format.kind != kind::AllFiles && items[i].text == format.mask)
                hint = q(kindDisplayName(format, m_lang));
        it->setToolTip(hint);
    }
}

void TFormMain::SBAddPathClick() {
    const QModelIndex index = m_folderTree->currentIndex();
    if (!index.isValid()) return;
    std::string folder = m_fsModel->filePath(index).toStdString();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    m_search.SBAddPathClick(folder);
    refreshFolderList();
}

void TFormMain::CheckListBox1DragDrop(const std::string& folder) {
    m_search.CheckListBox1DragDrop(folder);
    refreshFolderList();
}

void TFormMain::dropPaths(const std::vector<std::string>& paths) {
    // Dropped paths are absolute: the command line's rule makes the folders and the files.
    const StartOptions dropped = parseCommandLine(paths, "/");
    if (dropped.folders.empty()) return;
    for (const auto& folder : dropped.folders) m_search.SBAddPathClick(folder);
    m_namedFiles = dropped.files;
    refreshFolderList();
    // After the drop has returned to the window system: the scan pumps events.
    QTimer::singleShot(0, this, [this] { SBScanClick(); });
}

namespace {
// Local files from elsewhere; a row dragged within this window is no drop.
std::vector<std::string> droppedPaths(const QDropEvent* event, const QWidget* window) {
    std::vector<std::string> paths;
    const auto* source = qobject_cast<const QWidget*>(event->source());
    if (source && source->window() == window) return paths;
    if (!event->mimeData() || !event->mimeData()->hasUrls()) return paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}
}  // namespace

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPaths(event, this).empty()) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!droppedPaths(event, this).empty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const auto paths = droppedPaths(event, this);
    if (paths.empty()) return;
    event->acceptProposedAction();
    dropPaths(paths);
}

void TFormMain::SBDelPathClick(search::DeletePaths which) {
    m_search.SBDelPathClick(which);
    refreshFolderList();
}

// ---------------------------------------------------------------------------------------------
// The found-image list

QItemSelectionModel* TFormMain::listSelection() const {
    return m_iconView->selectionModel();
}

std::vector<std::size_t> TFormMain::selectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& i : listSelection()->selectedIndexes())
        if (i.column() == 0) rows.push_back(static_cast<std::size_t>(i.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TFormMain::SelListViewType(int style) {
    if (!m_form.SelListViewType(style)) return;
    m_viewButtons[static_cast<std::size_t>(style)]->setChecked(true);
    if (style == 3) {
        m_viewStack->setCurrentWidget(m_detailView);
        return;
    }
    const auto& large = m_search.list().largeImages();
    const auto& small = m_search.list().smallImages();
    if (style == 0) {
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setIconSize(QSize(large.width(), large.height()));
        // Room for two lines of caption under the picture, as file managers show them.
        const int line = m_iconView->fontMetrics().height();
        m_iconView->setGridSize(QSize(std::max(100, large.width() + 48), large.height() + 2 * line + 14));
        m_iconView->setWrapping(true);
    } else {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setIconSize(QSize(small.width(), small.height()));
        m_iconView->setGridSize(style == 1 ? QSize(170, small.height() + 6) : QSize());
        m_iconView->setFlow(style == 1 ? QListView::LeftToRight : QListView::TopToBottom);
        m_iconView->setWrapping(true);
    }
    m_iconView->setWordWrap(style == 0);
    // Every large icon cell is the grid's size; the list styles measure one caption line.
    m_iconDelegate->setFixedItemSize(style == 0 ? m_iconView->gridSize() - QSize(4, 4) : QSize());
    m_iconDelegate->setIconSize(m_iconView->iconSize());
    m_iconView->setUniformItemSizes(style == 0);
    m_iconView->setTextElideMode(style == 0 ? Qt::ElideRight : Qt::ElideMiddle);
    // A view mode switches dragging off for a static layout: rows drag out as files all the same.
    m_iconView->setDragDropMode(QAbstractItemView::DragOnly);
    m_viewStack->setCurrentWidget(m_iconView);
}

void TFormMain::setThumbnailSize(int width, int height) {
    if (!m_form.setThumbnailSize(width, height)) return;
    m_model->thumbnailsChanged();
    SelListViewType(viewStyle());
}

void TFormMain::ListView1ColumnClick(int column) {
    m_form.ListView1ColumnClick(column);
}

void TFormMain::UpdateCommandStates() {
    const CommandStates states = vexilo::UpdateCommandStates(selectedRows().size());
    for (const Command& c : commandTable()) action(c.id)->setEnabled(states[c.id]);
}

void TFormMain::buildTarget() {
    m_targetPanel = new TargetPanel(m_form.settings().preview, m_lang, m_dialogs, m_search.PlaceholderImage(),
                                    m_form.exportOptions(),
                                    {m_targetArea, CBViewAs, ChBStretch, ChBActualSz, ChBProport,
                                     ChBButtonShape, SEImWidth, SEImHeight, m_pmTarget},
                                    m_targetArea);
    m_targetPanel->setGifOutputEnabled(GifOutputEnabled());
    m_targetPanel->setTurnByOrientation(m_search.turnByOrientation);
    m_targetPanel->fullView()->moveToRemembered();
    m_targetPanel->selectedRow = [this]() -> const search::FoundRow* {
        const std::vector<std::size_t> rows = selectedRows();
        return rows.empty() ? nullptr : &m_search.list().row(rows.front());
    };
    for (QAbstractItemView* v :
         {static_cast<QAbstractItemView*>(m_iconView), static_cast<QAbstractItemView*>(m_detailView)})
        connect(v, &QAbstractItemView::doubleClicked, this, [this] { m_targetPanel->ImageMainDblClick(); });
}

void TFormMain::ListView1Click() {
    const std::vector<std::size_t> rows = selectedRows();
    if (!m_targetPanel || rows.empty()) return;
    UpdateCommandStates();
    const search::FoundImage& image = m_search.list().row(rows.front()).image;
    m_shownRow = {image.path(), image.IconIndex};
    m_targetPanel->ListView1Click();
    if (m_status != Status::Scanning) m_status = Status::Target;
    if (m_status == Status::Target) m_statusRows = m_search.list().size();
    m_status1->setText(q(m_targetPanel->target().TargetPath()));
}

void TFormMain::followSelection() {
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) return;
    const search::FoundImage& image = m_search.list().row(rows.front()).image;
    if (m_shownRow != std::pair(image.path(), image.IconIndex)) ListView1Click();
}

void TFormMain::ListView1KeyUp(int key, Qt::KeyboardModifiers modifiers) {
    // Shift or Ctrl with an arrow extends the selection; the target stays until a plain key.
    static constexpr int modifierKeys[] = {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta,
                                           Qt::Key_AltGr};
    if (std::find(std::begin(modifierKeys), std::end(modifierKeys), key) != std::end(modifierKeys)) return;
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
    followSelection();
}

void TFormMain::setFileEntriesShown(bool shown) {
    for (CommandId id : {miCopyfileto, miMovefileto, miRenamefile, miErasefiles, miWinMenu})
        action(id)->setVisible(shown);
    for (QAction* separator : m_pmFilesSeparators) separator->setVisible(shown);
}

void TFormMain::ShowPreview() {
    if (m_targetPanel) m_targetPanel->target().ShowPreview();
}

void TFormMain::selectNamedFiles() {
    if (m_namedFiles.empty()) return;
    const auto& rows = m_search.list().rows();
    QItemSelection selection;
    int first = -1;
    std::vector<std::string> wanted = m_namedFiles;  // one row per named file: its first
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto at = std::find(wanted.begin(), wanted.end(), rows[i].image.path());
        if (at == wanted.end()) continue;
        wanted.erase(at);
        const QModelIndex index = m_model->index(static_cast<int>(i), 0);
        selection.select(index, index);
        if (first < 0) first = static_cast<int>(i);
    }
    if (first < 0) return;
    m_namedFiles.clear();
    listSelection()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listSelection()->setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
    m_iconView->scrollTo(m_model->index(first, 0), QAbstractItemView::PositionAtCenter);
    m_detailView->scrollTo(m_model->index(first, 0), QAbstractItemView::PositionAtCenter);
    ListView1Click();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TFormMain::SBScanClick() {
    if (!m_form.mayScan()) {
        m_pages->setCurrentIndex(0);
        return;
    }
    m_pages->setCurrentIndex(1);
    m_search.RunScan();
    if (m_closing) return;
    UpdateCommandStates();
    selectNamedFiles();
}

void TFormMain::SBStopScanClick() {
    m_search.SBStopScanClick();
}

void TFormMain::SBExitClick() {
    m_search.SBStopScanClick();
    close();
}

void TFormMain::miBatchconvertiontoClick() {
    const std::vector<std::size_t> rows = selectedRows();
    if (rows.empty()) return;
    BatchRequest request = m_form.batchRequest(rows, SEImWidth->value(), SEImHeight->value(),
                                               ChBButtonShape->isChecked(), ChBActualSz->isChecked());
    // The dialog puts the export options back when it goes, so its choices reach single saves
    // only through the stored settings.
    TFormCnvDlg dialog(request, m_form.exportOptions(), m_store, m_lang, m_dialogs, GifOutputEnabled(),
                       windowTitle(), this);
    dialog.onHelp = [this](int context) { miHelpClick(context); };
    runModal(dialog);
}

void TFormMain::miSaveTargetClick(const FileFormat& format) {
    m_targetPanel->saveTarget(format);
}

void TFormMain::miCopybitmaptoclipboardClick() {
    m_targetPanel->miCopybitmaptoclipboardClick();
}

QAction* TFormMain::saveAction(FileKind kind) const {
    for (const auto& [format, a] : m_saveActions)
        if (format->kind == kind) return a;
    return nullptr;
}

void TFormMain::miAboutClick() {
    // Not modal to the event loop: a scan pumping events goes on behind it.
    auto* about = new TAboutBox(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(action(miAbout)->iconText());
    about->setProduct(QString::fromLatin1(kProgramName), QString::fromLatin1(kProgramVersion));
    about->applyTexts(m_lang);
    about->open();
}

void TFormMain::miHelpClick(int helpContext) {
    showHelp(helpContext, this);
}

int TFormMain::helpContextOf(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(kHelpContextProperty);
        if (v.isValid()) return v.toInt();
    }
    return m_pages->currentIndex() == 1 ? helpctx::ImagesTab : helpctx::MainWindow;
}

// ---------------------------------------------------------------------------------------------
// Window events

void TFormMain::FormResize() {
    if (m_closing) return;
    // The mask editor's row is laid out by its layout; the preview follows the new size.
    ShowPreview();
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormResize();  // FormShow
    // Once the window manager has framed the window, its title bar must be on the screen.
    if (!event->spontaneous()) QTimer::singleShot(200, this, [this] { keepOnScreen(this); });
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && (watched == m_iconView || watched == m_detailView)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        ListView1KeyUp(key->key(), key->modifiers());
    }
    // A splitter sized while hidden shares its first real width out in proportion; the stored
    // panel widths are put back when it is first laid out on screen.
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) {
        if (watched == m_imagesSplitter && m_imagesSplitter->isVisible() && !m_imagesLaidOut) {
            m_imagesLaidOut = true;
            const int total = m_imagesSplitter->width() - m_imagesSplitter->handleWidth();
            const int thumbWidth = m_form.settings().thumbWidth;
            m_imagesSplitter->setSizes({thumbWidth, std::max(1, total - thumbWidth)});
        }
        if (watched == m_searchSplitter && m_searchSplitter->isVisible() && !m_searchLaidOut) {
            m_searchLaidOut = true;
            const int total = m_searchSplitter->width() - 2 * m_searchSplitter->handleWidth();
            const MainSettings& s = m_form.settings();
            m_searchSplitter->setSizes(
                {std::max(1, total - s.dirWidth - s.masksWidth), s.dirWidth, s.masksWidth});
        }
    }
    if ((event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent) &&
        std::find(m_toolbars.begin(), m_toolbars.end(), watched) != m_toolbars.end())
        syncToolbarChecks();
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    // A running scan stops first; it unwinds once this event returns.
    m_search.SBStopScanClick();
    if (m_targetPanel) m_targetPanel->fullView()->rememberPosition();
    m_form.settings() = gatherSettings();
    m_form.FormClose(m_closingForSignal);
    m_closing = true;
    event->accept();
}

void TFormMain::applyIconOptions() {
    if (m_targetPanel)
        m_targetPanel->target().setIconOptions(m_search.iconSize, m_form.exportOptions().keepTransparency);
}

}  // namespace vexilo
