#include "ui/splash.h"

#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "base/version.h"
#include "ui/command_icons.h"

namespace vexilo {

namespace {
constexpr int kWidth = 200;
constexpr int kHeight = 100;
constexpr int kFrame = 2;
constexpr int kIconSize = 40;
}  // namespace

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_message(QStringLiteral("Please, wait...")),
      m_product(QString::fromLatin1(kProgramCaption)) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(m_product);
}

void TSplash::showCentred() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) move(screen->geometry().center() - rect().center());
    show();
    raise();
    // Paint now: the start-up work that follows does not return to the event loop.
    repaint();
    QGuiApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    QLinearGradient gradient(all.topLeft(), all.bottomRight());
    gradient.setColorAt(0.0, QColor(0x62, 0xa0, 0xea));
    gradient.setColorAt(1.0, QColor(0x1a, 0x3f, 0x7a));
    p.fillRect(all, gradient);

    // The raised frame: light on the top and left edges, dark on the bottom and right.
    for (int k = 0; k < kFrame; ++k) {
        const QRect r = all.adjusted(k, k, -k, -k);
        p.setPen(QColor(255, 255, 255, k == 0 ? 230 : 140));
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.topLeft(), r.topRight() - QPoint(1, 0));
        p.setPen(QColor(0, 0, 0, k == 0 ? 170 : 100));
        p.drawLine(r.topRight(), r.bottomRight() - QPoint(0, 1));
        p.drawLine(r.bottomRight(), r.bottomLeft());
    }

    const QRect inner = all.adjusted(kFrame + 10, kFrame + 8, -kFrame - 10, -kFrame - 8);
    p.setRenderHint(QPainter::Antialiasing);
    applicationIcon().paint(&p, QRect(inner.left(), inner.top() + 4, kIconSize, kIconSize));

    QFont title = font();
    title.setBold(true);
    title.setPixelSize(18);
    const QRect text = inner.adjusted(kIconSize + 10, 0, 0, 0);
    // Shrink the title until it fits: fonts differ between desktops.
    while (title.pixelSize() > 10 && QFontMetrics(title).horizontalAdvance(m_product) > text.width())
        title.setPixelSize(title.pixelSize() - 1);
    QFont small = font();
    small.setPixelSize(12);
    p.setPen(Qt::white);
    p.setFont(title);
    p.drawText(QRect(text.left(), text.top(), text.width(), 48), Qt::AlignLeft | Qt::AlignVCenter, m_product);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 220));
    p.drawText(QRect(inner.left(), inner.bottom() - 24, inner.width(), 24),
               Qt::AlignHCenter | Qt::AlignVCenter, m_message);
}

}  // namespace vexilo
