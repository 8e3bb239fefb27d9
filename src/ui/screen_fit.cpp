#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vexilo {

QRect fitToArea(QRect client, QMargins frame, QRect area, QSize minimum) {
    const int maxWidth = std::max(area.width() - frame.left() - frame.right(), minimum.width());
    const int maxHeight = std::max(area.height() - frame.top() - frame.bottom(), minimum.height());
    client.setWidth(std::clamp(client.width(), std::max(minimum.width(), 1), std::max(maxWidth, 1)));
    client.setHeight(std::clamp(client.height(), std::max(minimum.height(), 1), std::max(maxHeight, 1)));
    // Right and bottom edges first, then left and top, so the title bar wins when it cannot all fit.
    const QRect framed = client.marginsAdded(frame);
    int dx = 0, dy = 0;
    if (framed.right() > area.right()) dx = area.right() - framed.right();
    if (framed.bottom() > area.bottom()) dy = area.bottom() - framed.bottom();
    if (framed.left() + dx < area.left()) dx = area.left() - framed.left();
    if (framed.top() + dy < area.top()) dy = area.top() - framed.top();
    return client.translated(dx, dy);
}

void keepOnScreen(QWidget* window) {
    window = window->window();
    const QRect client = window->geometry();
    QScreen* screen = QGuiApplication::screenAt(client.center());
    if (!screen) screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Before the window manager has framed the window its frame is unknown: assume a usual one.
    QMargins frame(
        client.left() - window->frameGeometry().left(), client.top() - window->frameGeometry().top(),
        window->frameGeometry().right() - client.right(), window->frameGeometry().bottom() - client.bottom());
    if (frame.isNull() && QGuiApplication::platformName() != QLatin1String("offscreen"))
        frame = QMargins(4, 30, 4, 4);
    const QRect fitted = fitToArea(client, frame, screen->availableGeometry(), window->minimumSize());
    if (fitted.size() != client.size()) window->resize(fitted.size());
    // move() places the frame, not the client area.
    if (fitted.topLeft() != client.topLeft())
        window->move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

}  // namespace vexilo
