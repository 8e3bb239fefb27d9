#include "ui/full_view/gif_player.h"

#include <QPainter>

#include "ui/platform/qimage_convert.h"

namespace vexilo {

GifPlayer::GifPlayer(QWidget* parent) : QWidget(parent) {
    setObjectName("GifPlayer");
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &GifPlayer::stepFrame);
}

bool GifPlayer::load(const std::string& path, std::string* error) {
    stop();
    m_frame = QImage();
    const bool ok = m_play.load(path, error);
    updateGeometry();
    update();
    return ok;
}

void GifPlayer::start() {
    stop();
    showCanvas(m_play.start());
}

void GifPlayer::stop() {
    m_timer.stop();
}

void GifPlayer::stepFrame() {
    showCanvas(m_play.step());
}

void GifPlayer::showCanvas(int delay) {
    if (delay >= 0) m_timer.start(delay);
    if (!m_play.loaded()) return;
    m_frame = toQImageWithAlpha(m_play.canvas());
    update();
    emit frameShown(m_play.shownFrame());
}

QSize GifPlayer::sizeHint() const {
    return m_play.loaded() ? QSize(m_play.width(), m_play.height()) : QSize(0, 0);
}

void GifPlayer::paintEvent(QPaintEvent*) {
    if (m_frame.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_frame);
}

void GifPlayer::hideEvent(QHideEvent* event) {
    // A hidden animation would only burn time.
    stop();
    QWidget::hideEvent(event);
}

}  // namespace vexilo
