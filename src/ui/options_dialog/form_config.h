#pragma once
// The advanced options dialog: a thin widget over ConfigDialog (control/options_dialog/config_dialog.h).
#include <QDialog>
#include <functional>

#include "control/options_dialog/config_dialog.h"
#include "ui/qt_dialogs.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QSpinBox;
class QTabWidget;

namespace vexilo {

class TLang;

class TFormConfig : public QDialog {
    Q_OBJECT
public:
    TFormConfig(const ConfigValues& current, const TLang& lang, Dialogs& dialogs, QWidget* parent = nullptr);

    // The help topic of the page on show (F1 and the window's help).
    int currentHelpContext() const;
    const ConfigDialog& rules() const { return m_rules; }
    std::function<void(int helpContext)> onHelp;

    // Shows the dialog modally on the "Image list" page; after OK, the values to take over
    // (Messages text 13 shown when the size changed), else nullopt.
    static std::optional<ConfigValues> SBConfigClick(const ConfigValues& current, const TLang& lang,
                                                     Dialogs& dialogs, bool& sizeChanged, QWidget* parent,
                                                     std::function<void(int)> onHelp = {},
                                                     const RunModal& run = execModal);

    void accept() override;  // OK: refused while the sizes are out of range

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showSwatch();
    void syncSizes();

    ConfigDialog m_rules;
    Dialogs& m_dialogs;
    QTabWidget* m_pages;
    QFrame* m_swatch;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QCheckBox* m_default;
    QCheckBox* m_showText;
    QCheckBox* m_main;
    QCheckBox* m_view;
    QCheckBox* m_modify;
    QCheckBox* m_cache;  // the desktop's thumbnail cache
    QComboBox* m_iconSize;
    QCheckBox* m_keepTransparency;
    QCheckBox* m_orientation = nullptr;
    QCheckBox* m_natural;
};

}  // namespace vexilo
