#include "ui/full_view/form_view.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/full_view/gif_player.h"
#include "ui/platform/qimage_convert.h"
#include "ui/screen_fit.h"

namespace vexilo {

TFormView::TFormView(FullViewPosition& position, QWidget* parent)
    : QWidget(parent, Qt::Window), m_position(position) {
    setObjectName("FormView");
    setWindowTitle(QStringLiteral("Full View"));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName("ScrollBox");
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scroll->setWidgetResizable(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    // The scroll area owns whichever control shows; the other waits outside it, hidden.
    m_image = new QLabel(this);
    m_image->setObjectName("Image1");
    m_image->hide();
    m_gif = new GifPlayer(this);
    m_gif->hide();
    move(m_position.Left, m_position.Top);
}

bool TFormView::showsAnimation() const {
    return m_scroll->widget() == m_gif;
}

void TFormView::ShowFullView(const std::string& path, bool gif, const Bitmap& display, bool activate) {
    const QRect screenArea = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    m_scroll->takeWidget();
    m_image->hide();
    m_gif->hide();
    // A file the GIF codec cannot play shows DisplayImage, as any other target does.
    if (gif && m_gif->load(path)) {
        const FullViewLayout layout =
            fullViewLayout(path, true, m_gif->playback().width(), m_gif->playback().height(),
                           screenArea.width(), screenArea.height());
        m_gif->resize(m_gif->sizeHint());
        m_scroll->setWidget(m_gif);
        m_gif->show();
        m_gif->start();
        setWindowTitle(QString::fromStdString(layout.caption));
        sizeTo(layout);
    } else {
        m_gif->stop();
        const FullViewLayout layout = fullViewLayout(path, false, display.width(), display.height(),
                                                     screenArea.width(), screenArea.height());
        m_image->setPixmap(QPixmap::fromImage(toQImage(display)));
        m_image->resize(display.width(), display.height());
        m_scroll->setWidget(m_image);
        m_image->show();
        setWindowTitle(QString::fromStdString(layout.caption));
        sizeTo(layout);
    }
    if (isHidden()) show();
    showNormal();
    keepOnScreen(this);
    // A first showing is framed by the window manager only after this returns.
    QTimer::singleShot(200, this, [this] { keepOnScreen(this); });
    // In front of the main window the person just clicked, but without the focus.
    raise();
    if (!activate) return;
    if (!isActiveWindow()) activateWindow();
}

void TFormView::sizeTo(const FullViewLayout& layout) {
    // A scroll bar in one direction takes room from the other; the window grows by its width so
    // that no row or column of the picture stays out of reach.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    int width = layout.clientWidth, height = layout.clientHeight;
    if (layout.horizontalRange && !layout.verticalRange) height += bar;
    if (layout.verticalRange && !layout.horizontalRange) width += bar;
    resize(std::max(width, 1), std::max(height, 1));
}

void TFormView::rememberPosition() {
    if (!isVisible()) return;
    m_position.Left = x();
    m_position.Top = y();
}

void TFormView::moveToRemembered() {
    move(m_position.Left, m_position.Top);
}

void TFormView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vexilo
