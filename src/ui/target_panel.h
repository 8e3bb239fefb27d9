#pragma once
// The target on the "Images" tab: the group box with the preview, and the controls that the
// "View" toolbar (view-as list, "Stretch picture") and the "Modify" toolbar ("Actual size",
// the size edits, "Proportional", "Button shape") carry. It owns the target's rules
// (TargetPreview), its save commands (TargetSave) and the enlarged view, and only forwards
// events to them and shows what they report.
#include <QGroupBox>
#include <QImage>
#include <functional>

#include "control/main_preview.h"
#include "control/main_save.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QSpinBox;
class QToolBar;

namespace vexilo {

class Dialogs;
class SettingsStore;
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

class TargetPanel : public QGroupBox {
    Q_OBJECT
public:
    TargetPanel(SettingsStore& settings, TLang& lang, Dialogs& dialogs, const Bitmap& placeholder,
                QWidget* parent = nullptr);
    ~TargetPanel() override;

    TargetPreview& target() { return m_target; }
    TargetSave& saves() { return m_save; }
    TFormView* fullView() const { return m_view; }
    PreviewImage* preview() const { return m_preview; }
    QMenu* popupMenu() const { return m_menu; }
    // The seven save commands in menu order (BMP, JPG, ICO, GIF, TGA, PNG, metafile) and the
    // clipboard command.
    QAction* saveAction(int row) const { return m_saveActions.at(static_cast<std::size_t>(row)); }
    QAction* clipboardAction() const { return m_clipboard; }

    // The toolbars' controls, for the window to place.
    QComboBox* viewAsList() const { return m_viewAs; }
    QCheckBox* stretchBox() const { return m_stretch; }
    QCheckBox* actualSizeBox() const { return m_actual; }
    QCheckBox* proportionalBox() const { return m_proport; }
    QCheckBox* buttonShapeBox() const { return m_shape; }
    QSpinBox* widthEdit() const { return m_width; }
    QSpinBox* heightEdit() const { return m_height; }
    // Adds the controls to the window's toolbars in their order.
    void fillViewToolBar(QToolBar* bar);
    void fillModifyToolBar(QToolBar* bar);

    // The first selected row of the list, null when none; the window supplies it.
    std::function<const search::FoundRow*()> selectedRow;

    // The interface texts of the pack in use (captions, the pop-up menu, the hint).
    void applyTexts(const TLang& lang);
    // "/GIF" given: shows "Save target as &GIF...".
    void setGifOutputEnabled(bool on);
    // The stored "Stretch picture" state, applied without a render.
    void setStretchPicture(bool on);

    // The list's events (Part of the window's handlers of the same names).
    void ListView1Click();
    void ListView1KeyUp(bool modifierHeld);
    void ImageMainDblClick();
    void CBViewAsChange(int index);

private:
    void showRendered();
    void showEdits(int width, int height);
    void showViewAs(int index);
    // Runs a handler, showing what it throws in the standard error box.
    void guarded(const std::function<void()>& handler);

    Dialogs& m_dialogs;
    TargetPreview m_target;
    TargetSave m_save;
    PreviewImage* m_preview = nullptr;
    TFormView* m_view = nullptr;
    QMenu* m_menu = nullptr;
    std::vector<QAction*> m_saveActions;
    QAction* m_clipboard = nullptr;
    QLabel* m_viewLabel = nullptr;
    QComboBox* m_viewAs = nullptr;
    QCheckBox* m_stretch = nullptr;
    QCheckBox* m_actual = nullptr;
    QCheckBox* m_proport = nullptr;
    QCheckBox* m_shape = nullptr;
    QLabel* m_widthLabel = nullptr;
    QLabel* m_heightLabel = nullptr;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
};

}  // namespace vexilo
