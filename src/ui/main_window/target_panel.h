#pragma once
// The target on the "Images" tab: the preview in its group box, wired to the controls of the
// "View" and "Modify" toolbars and to the preview's pop-up menu.
#include <QImage>
#include <QWidget>
#include <functional>

#include "control/full_view/full_view_position.h"
#include "control/main_window/target_preview.h"
#include "control/main_window/target_save.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QMenu;
class QSpinBox;

namespace vexilo {

class Dialogs;
class TLang;
class TFormView;

// The preview image control: paints its picture centred, opens the pop-up menu and reports
// double clicks and its size.
class PreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit PreviewImage(QWidget* parent = nullptr);
    void setImage(QImage image);
    const QImage& image() const { return m_image; }
    void setPopupMenu(QMenu* menu) { m_menu = menu; }
    QSize sizeHint() const override { return {200, 150}; }

signals:
    void doubleClicked();
    void resized(int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QImage m_image;
    QMenu* m_menu = nullptr;
};

// The controls of the target that the window builds: the group box around the preview, the
// "View" toolbar's view-as list and "Stretch picture", the "Modify" toolbar's boxes and size
// edits, and the pop-up menu (the save and clipboard commands).
struct TargetControls {
    QGroupBox* groupBox = nullptr;
    QComboBox* viewAs = nullptr;
    QCheckBox* stretch = nullptr;
    QCheckBox* actualSize = nullptr;
    QCheckBox* proportional = nullptr;
    QCheckBox* buttonShape = nullptr;
    QSpinBox* width = nullptr;
    QSpinBox* height = nullptr;
    QMenu* popup = nullptr;
};

// The target of the "Images" tab: the preview inside the window's group box. It owns the
// target's rules (TargetPreview), its save commands (TargetSave) and the enlarged view, connects
// the controls to their handlers and shows what the rules report.
class TargetPanel : public QWidget {
    Q_OBJECT
public:
    // Places itself in the group box's layout; the controls, the window's export options and the
    // enlarged view's place (fullViewPlace) must outlive the panel.
    TargetPanel(FullViewPosition& fullViewPlace, TLang& lang, Dialogs& dialogs, const Bitmap& placeholder,
                const ExportOptions& exportOptions, TargetControls controls, QWidget* parent = nullptr);
    ~TargetPanel() override;

    TargetPreview& target() { return m_target; }
    TargetSave& saves() { return m_save; }
    TFormView* fullView() const { return m_view; }
    PreviewImage* preview() const { return m_preview; }
    const TargetControls& controls() const { return m_controls; }

    // The first selected row of the list, null when none; the window supplies it.
    std::function<const search::FoundRow*()> selectedRow;

    // After the window applied a language pack: the caption title and the preview's hint.
    void applyTexts(const TLang& lang);
    // "/GIF" given: the GIF save command works (the window shows its menu entry).
    void setGifOutputEnabled(bool on) { m_save.GifOutputEnabled = on; }
    // The advanced option: pictures turned by their EXIF orientation (the next load on).
    void setTurnByOrientation(bool on) { m_turnByOrientation = on; }

    // The window's handlers of the same names.
    void ListView1Click();
    void ListView1KeyUp(bool modifierHeld);
    void ImageMainDblClick();
    void CBViewAsChange(int index);
    // The save command of a format row of the pop-up menu, and the clipboard command.
    void saveTarget(const FileFormat& format);
    void miCopybitmaptoclipboardClick();

private:
    void showRendered();
    void showEdits(int width, int height);
    void showViewAs(int viewAs);
    // Runs a handler, showing what it throws in the standard error box.
    void guarded(const std::function<void()>& handler);

    Dialogs& m_dialogs;
    TargetControls m_controls;
    bool m_turnByOrientation = true;  // read by m_target's loaders
    TargetPreview m_target;
    TargetSave m_save;
    PreviewImage* m_preview = nullptr;
    TFormView* m_view = nullptr;
};

}  // namespace vexilo
