#pragma once
// The animated-GIF control: plays a GIF file's frames through GifPlayback on a single-shot
// timer, so the window stays live while it runs. Its size hint is the GIF's logical screen.
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>

#include "control/full_view/gif_playback.h"

namespace vexilo {

class GifPlayer : public QWidget {
    Q_OBJECT
public:
    explicit GifPlayer(QWidget* parent = nullptr);

    // Reads the file and shows its first frame; false, with the codec's message, when it
    // cannot be played. Stops any running animation.
    bool load(const std::string& path, std::string* error = nullptr);
    // Starts from frame 0 / stops where it is.
    void start();
    void stop();
    bool running() const { return m_timer.isActive(); }
    const GifPlayback& playback() const { return m_play; }
    // The delay the timer waits before the next frame, in milliseconds (-1 when stopped).
    int pendingDelay() const { return running() ? m_timer.interval() : -1; }

    QSize sizeHint() const override;

signals:
    void frameShown(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showCanvas(int delay);
    void stepFrame();

    GifPlayback m_play;
    QImage m_frame;
    QTimer m_timer;
};

}  // namespace vexilo
