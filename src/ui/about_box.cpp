#include "ui/about_box.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "base/version.h"
#include "lang/lang.h"
#include "ui/command_icons.h"

namespace vexilo {

namespace {
constexpr int kMargin = 16;
constexpr int kIconSize = 64;
}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent),
      m_name(QString::fromLatin1(kProgramName)),
      m_version(QString::fromLatin1(kProgramVersion)),
      m_versionWord(QStringLiteral("Version")),
      m_blurb(QStringLiteral("Finds, views, converts and collects images and icons.")) {
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(applicationIcon());
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}

void TAboutBox::setProduct(const QString& name, const QString& version) {
    m_name = name;
    m_version = version;
    setFixedSize(sizeHint());
    update();
}

void TAboutBox::applyTexts(const TLang& lang) {
    const auto text = [&lang](int number, const QString& english) {
        const std::string& t = lang.interfaceText(number);
        return t.empty() || t == kLangErrorText ? english : QString::fromStdString(t);
    };
    m_versionWord = text(135, m_versionWord);
    m_blurb = text(136, m_blurb);
    m_ok->setText(text(130, m_ok->text()).remove(QLatin1Char('&')));
    setFixedSize(sizeHint());
    update();
}

QFont TAboutBox::titleFont() const {
    QFont f = font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.8);
    return f;
}

int TAboutBox::bandHeight() const {
    return kIconSize + 2 * kMargin;
}

QSize TAboutBox::sizeHint() const {
    // Wide enough for the longest text, so a long name or a translated caption never clips.
    const QFontMetrics title(titleFont());
    const QFontMetrics body(font());
    const int bandText = std::max(title.horizontalAdvance(m_name),
                                  body.horizontalAdvance(m_versionWord + QLatin1Char(' ') + m_version));
    const int width =
        std::max({360, kMargin * 3 + kIconSize + bandText, kMargin * 2 + body.horizontalAdvance(m_blurb)});
    const int height = bandHeight() + kMargin + body.height() + kMargin + m_ok->sizeHint().height() + kMargin;
    return {width, height};
}

void TAboutBox::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize button = m_ok->sizeHint().expandedTo(QSize(88, 0));
    m_ok->setGeometry(width() - kMargin - button.width(), height() - kMargin - button.height(),
                      button.width(), button.height());
}

void TAboutBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect band(0, 0, width(), bandHeight());
    QLinearGradient gradient(band.topLeft(), band.topRight());
    gradient.setColorAt(0.0, QColor(0x1a, 0x5f, 0xb4));
    gradient.setColorAt(1.0, QColor(0x62, 0xa0, 0xea));
    p.fillRect(band, gradient);
    applicationIcon().paint(&p, QRect(kMargin, kMargin, kIconSize, kIconSize));

    const int textLeft = 2 * kMargin + kIconSize;
    const QFontMetrics title(titleFont());
    p.setPen(Qt::white);
    p.setFont(titleFont());
    const int titleTop = kMargin + (kIconSize - title.height() - fontMetrics().height()) / 2;
    p.drawText(QRect(textLeft, titleTop, width() - textLeft - kMargin, title.height()),
               Qt::AlignLeft | Qt::AlignVCenter, m_name);
    p.setFont(font());
    p.drawText(
        QRect(textLeft, titleTop + title.height(), width() - textLeft - kMargin, fontMetrics().height()),
        Qt::AlignLeft | Qt::AlignVCenter, m_versionWord + QLatin1Char(' ') + m_version);

    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(kMargin, band.bottom() + kMargin, width() - 2 * kMargin, fontMetrics().height()),
               Qt::AlignLeft | Qt::AlignVCenter, m_blurb);
}

}  // namespace vexilo
