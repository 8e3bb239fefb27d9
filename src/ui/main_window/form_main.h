#pragma once
// The main window. It builds the widgets, turns their signals into the handlers of the search
// and command rules (control/main_window/), and shows what they report. It holds no format logic.
#include <QMainWindow>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "control/main_window/main_commands.h"
#include "control/main_window/main_form.h"
#include "imageio/file_kind.h"
#include "ui/qt_dialogs.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QItemSelectionModel;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QSpinBox;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeView;

namespace vexilo {

class Dialogs;
class FoundListDelegate;
class FoundListModel;
class SettingsStore;
class TLang;
class TargetPanel;

class TFormMain : public QMainWindow, public MainCommandHandlers {
    Q_OBJECT
public:
    // store, lang and dialogs must outlive the window. options: the command line.
    TFormMain(SettingsStore& store, TLang& lang, Dialogs& dialogs, StartOptions options = {},
              QWidget* parent = nullptr);
    ~TFormMain() override;

    // --- commands (the handler names of the command table) ---
    void SBScanClick() override;
    void SBStopScanClick() override;
    void SBExitClick() override;
    void SBConfigClick() override;
    void miCopyfiletoClick(CommandId which) override;
    void miBatchconvertiontoClick() override;
    void miWinMenuClick() override;
    void miCopybitmaptoclipboardClick() override;
    // A save entry of the target's pop-up: the target saved as that format.
    void miSaveTargetClick(const FileFormat& format);
    void miAboutClick() override;
    void miHelpClick(int helpContext) override;
    void miToolbars1Click(const Toolbar* entry) override;
    void SBDelPathClick(search::DeletePaths which) override;
    void SBAddPathClick();
    void SelListViewType(int style);
    // The large thumbnails' cell size (the advanced options); rows show no large thumbnail
    // until the next scan.
    void setThumbnailSize(int width, int height);
    void ListView1ColumnClick(int column);
    void UpdateCommandStates();
    void FormResize();
    // Closes as the user would, but for a signal (a logout): nothing at close waits for a click.
    void closeForSignal() {
        m_closingForSignal = true;
        close();
    }
    // Adds a folder dropped on the search folders (from the tree or a file manager).
    void CheckListBox1DragDrop(const std::string& folder);
    // Files and folders dropped on the list or the window: their folders join the search, a scan
    // starts, and the files are selected once found (as files named on the command line).
    void dropPaths(const std::vector<std::string>& paths);

    // Hooks for the target preview: a row was clicked; the target needs redrawing.
    void ListView1Click();
    // ListView1KeyUp: a key released over the list loads the target unless a modifier is held.
    void ListView1KeyUp(int key, Qt::KeyboardModifiers modifiers);
    void ShowPreview();

    // --- what other windows and tests read ---
    QTabWidget* pageControl() const { return m_pages; }
    QAction* action(CommandId id) const { return m_actions[static_cast<std::size_t>(id)]; }
    // The target pop-up's save entry of a kind; null for a kind without one.
    QAction* saveAction(FileKind kind) const;
    QToolBar* toolbar(Toolbar t) const { return m_toolbars[static_cast<std::size_t>(t)]; }
    Dock dockOf(Toolbar t) const;
    // Docks a toolbar as a user's drag would, the docking rules applied.
    void dockToolbar(Toolbar t, Dock dock);
    QMenu* languagesMenu() const { return m_menuLanguages; }
    QMenu* filesPopup() const { return m_pmFiles; }
    QMenu* targetPopup() const { return m_pmTarget; }
    TargetPanel* targetPanel() const { return m_targetPanel; }
    search::ImageSearch& imageSearch() { return m_form.search(); }
    MainForm& form() { return m_form; }
    FoundListModel* listModel() const { return m_model; }
    QItemSelectionModel* listSelection() const;
    std::vector<std::size_t> selectedRows() const;
    int viewStyle() const { return m_form.viewStyle(); }
    QListWidget* searchFolderList() const { return m_folderList; }
    QListWidget* maskList() const { return m_maskList; }
    QLineEdit* maskEdit() const { return m_maskEdit; }
    QCheckBox* scanSubfoldersBox() const { return m_scanSubfolders; }
    QLabel* statusPanel(int i) const { return i == 0 ? m_status0 : m_status1; }
    bool GifOutputEnabled() const { return m_form.options().gifOutput; }
    // How the batch dialog and the advanced options are run (tests act inside them).
    RunModal runModal = execModal;

    // The target panel's place: right of dock 4 on the "Images" tab, with its own layout.
    QGroupBox* m_targetArea = nullptr;
    // The "View" and "Modify" toolbars' controls (their rules belong to the target preview).
    QComboBox* CBViewAs = nullptr;
    QCheckBox* ChBStretch = nullptr;
    QCheckBox* ChBActualSz = nullptr;
    QCheckBox* ChBProport = nullptr;
    QCheckBox* ChBButtonShape = nullptr;
    QSpinBox* SEImWidth = nullptr;
    QSpinBox* SEImHeight = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The advanced options "Icon size" and "Keep transparency" handed to the target.
    void applyIconOptions();
    void buildActions();
    void buildMenus();
    // Adds the commands of a place in table order, a separator between sections; returns the
    // separators.
    std::vector<QAction*> addCommands(QWidget* to, unsigned place);
    void buildToolbars();
    void buildSearchTab(QWidget* page);
    void buildImagesTab(QWidget* page);
    void buildTarget();
    void FormCreate();
    void applyLanguage();
    void buildLanguagesMenu();
    void ApplyButtonCaptions();
    // The window takes the form's settings / the form's settings take the window's state.
    void applySettings();
    MainSettings gatherSettings() const;
    void placeToolbars(const std::array<ToolbarLayout, 3>& layouts);
    void syncToolbarChecks();
    void refreshFolderList();
    void refreshMaskList();
    void selectNamedFiles();
    QString text(int number) const;
    QString plainText(int number) const;
    int helpContextOf(QWidget* widget) const;
    // Loads the target when the row it should show is not the one shown (a press, a release).
    void followSelection();
    void setFileEntriesShown(bool shown);
    // The status bar in the current language: the scan's count and folder, or the target's path.
    void showStatus();

    SettingsStore& m_store;
    TLang& m_lang;
    Dialogs& m_dialogs;
    MainForm m_form;
    search::ImageSearch& m_search;          // the form's
    std::vector<std::string> m_namedFiles;  // from the command line or a drop, selected once found
    bool m_closing = false;
    bool m_closingForSignal = false;
    bool m_langLoaded = false;

    // The row the target shows (file and icon number), so a release after a press loads once.
    std::pair<std::string, int> m_shownRow{{}, -2};
    // What the status bar says, kept so a language change can say it again.
    enum class Status { Idle, Scanning, Finished, Target } m_status = Status::Idle;
    std::size_t m_statusRows = 0;
    std::string m_statusFolder;
    // The panel widths stored are the read ones until their splitter has been laid out on screen
    // (a tab never shown has no widths of its own).
    bool m_imagesLaidOut = false, m_searchLaidOut = false;
    bool m_filesPopupFromList = false;
    std::vector<QAction*> m_pmFilesSeparators;
    std::array<QAction*, kCommandCount> m_actions{};
    std::vector<std::pair<const FileFormat*, QAction*>> m_saveActions;  // the format table's order
    std::array<QToolBar*, 3> m_toolbars{};
    std::array<QAction*, 3> m_toolbarCloseActions{};
    std::array<QAction*, 4> m_viewButtons{};
    QActionGroup* m_languageGroup = nullptr;
    QMenu* m_menuFiles = nullptr;
    QMenu* m_menuImage = nullptr;
    QMenu* m_menuOptions = nullptr;
    QMenu* m_menuHelp = nullptr;
    QMenu* m_menuToolbars = nullptr;
    QMenu* m_menuLanguages = nullptr;
    QMenu* m_pmFiles = nullptr;
    QMenu* m_pmTarget = nullptr;
    QMenu* m_pmFolders = nullptr;

    QTabWidget* m_pages = nullptr;
    QSplitter* m_searchSplitter = nullptr;
    QTreeView* m_folderTree = nullptr;
    QFileSystemModel* m_fsModel = nullptr;
    QWidget* m_foldersPanel = nullptr;
    QListWidget* m_folderList = nullptr;
    QGroupBox* m_masksPanel = nullptr;
    QListWidget* m_maskList = nullptr;
    QLineEdit* m_maskEdit = nullptr;
    QToolButton* m_addMaskButton = nullptr;
    QCheckBox* m_scanSubfolders = nullptr;
    QSplitter* m_imagesSplitter = nullptr;
    QWidget* m_listPanel = nullptr;
    QMainWindow* m_imagesWindow = nullptr;
    QStackedWidget* m_viewStack = nullptr;
    QListView* m_iconView = nullptr;
    QTreeView* m_detailView = nullptr;
    FoundListModel* m_model = nullptr;
    FoundListDelegate* m_iconDelegate = nullptr;
    QLabel* m_viewLabel = nullptr;
    QLabel* m_widthLabel = nullptr;
    QLabel* m_heightLabel = nullptr;
    QLabel* m_status0 = nullptr;
    QLabel* m_status1 = nullptr;
    TargetPanel* m_targetPanel = nullptr;
};

}  // namespace vexilo
