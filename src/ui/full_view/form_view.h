#pragma once
// The enlarged view window: DisplayImage at its own size, or for a "Gif" target (and an animated
// WebP) the file itself animated, in a window sized to the picture and scrolling where the screen is too
// small.
#include <QWidget>
#include <string>

#include "control/full_view/full_view_position.h"
#include "raster/bitmap.h"

class QLabel;
class QScrollArea;

namespace vexilo {

class GifPlayer;

class TFormView : public QWidget {
    Q_OBJECT
public:
    // A window of its own; the parent only ties its lifetime to the main window. The window
    // moves by `position` and keeps its place there; it must outlive the window.
    explicit TFormView(FullViewPosition& position, QWidget* parent = nullptr);

    // Shows path's GIF or WebP animation (gif true, when the file plays) or display, sizes the window
    // inside the screen, shows it and restores it to normal size. It takes the focus unless
    // activate is false (it follows the list, where the arrow keys must keep working).
    void ShowFullView(const std::string& path, bool gif, const Bitmap& display, bool activate = true);

    // Remembers where the visible window is (the settings store that place) / moves the hidden
    // window to the remembered place.
    void rememberPosition();
    void moveToRemembered();

    bool showsAnimation() const;
    GifPlayer* gifPlayer() const { return m_gif; }
    QLabel* imageControl() const { return m_image; }
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void sizeTo(const FullViewLayout& layout);

    QScrollArea* m_scroll = nullptr;
    QLabel* m_image = nullptr;
    GifPlayer* m_gif = nullptr;
    FullViewPosition& m_position;
};

}  // namespace vexilo
