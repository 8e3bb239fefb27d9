#pragma once
// The batch conversion dialog: an option tree beside five pages of options, and a bottom bar
// with "Convert" (which reads "Stop" while a run is in progress), "Close", "Help" and a progress
// bar naming the file being converted. Every rule lives in control/cnv_dlg; this widget shows
// its state and forwards the user's actions.
#include <QDialog>
#include <functional>

#include "control/convert_dialog/cnv_dlg.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexilo {

class TFormCnvDlg : public QDialog {
    Q_OBJECT
public:
    TFormCnvDlg(BatchRequest& request, ExportOptions& options, SettingsStore& settings, const TLang& lang,
                Dialogs& dialogs, bool gifEnabled, const QString& caption, QWidget* parent = nullptr);
    ~TFormCnvDlg() override;

    CnvDlg& rules() { return m_rules; }
    // Opens the help viewer at a help context; unset, "Help" does nothing.
    std::function<void(int context)> onHelp;

    // The controls, by their names, for tests and the screenshot.
    QTreeWidget* TreeView1 = nullptr;
    QStackedWidget* Notebook1 = nullptr;
    QComboBox* CBConvert = nullptr;
    QCheckBox *ChBActualSz = nullptr, *ChBProport = nullptr, *ChBShape = nullptr;
    QSpinBox *SEImWidth = nullptr, *SEImHeight = nullptr;
    QLineEdit* EPath = nullptr;
    QToolButton* BitBPath = nullptr;
    QRadioButton *RBOverwriteAll = nullptr, *RBPrompt = nullptr, *RBIco16 = nullptr, *RBIco256 = nullptr,
                 *RBIco32 = nullptr;
    QCheckBox* ChBKeepTransparency = nullptr;
    QComboBox *PixelFormat = nullptr, *ColorSpace = nullptr;
    QSpinBox* SEQuality = nullptr;
    QCheckBox* ChBProgressiveEncoding = nullptr;
    QCheckBox* ChBWebpLossless = nullptr;
    QPushButton *BitBtnOk = nullptr, *BitBtnCancel = nullptr, *BitBtnHelp = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makePage(const char* name, std::initializer_list<QLabel*> explanations, QFrame* panel);
    void buildTree();
    void apply();
    void jpegChanged();
    void BOkClick();

    CnvDlg m_rules;
    QSplitter* m_splitter = nullptr;
    QLabel *LabelConvert = nullptr, *LabelResize = nullptr, *LabelSaving = nullptr, *LabelSaving2 = nullptr,
           *LabelSaving3 = nullptr, *LabelIcon = nullptr, *LabelJpeg = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *LColor = nullptr,
           *LQuality = nullptr;
    bool m_shown = false;
    bool m_closeAfterRun = false;
};

}  // namespace vexilo
