#include "ui/main_window/target_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include "control/full_view/gif_playback.h"
#include "control/kind_names.h"
#include "lang/lang.h"
#include "ui/full_view/form_view.h"
#include "ui/platform/clipboard.h"
#include "ui/platform/qimage_convert.h"

namespace vexilo {

namespace {
// Interface texts of the target (language pack numbers).
constexpr int kTextTargetTitle = 24, kTextPreviewHint = 61;

QString text(const TLang& lang, int number) {
    return QString::fromStdString(lang.interfaceText(number));
}
}  // namespace

PreviewImage::PreviewImage(QWidget* parent) : QWidget(parent) {
    setObjectName("ImageMain");
    setMinimumSize(16, 16);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void PreviewImage::setImage(QImage image) {
    m_image = std::move(image);
    update();
}

void PreviewImage::paintEvent(QPaintEvent*) {
    if (m_image.isNull()) return;
    QPainter painter(this);
    painter.drawImage((width() - m_image.width()) / 2, (height() - m_image.height()) / 2, m_image);
}

void PreviewImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(width(), height());
}

void PreviewImage::mouseDoubleClickEvent(QMouseEvent*) {
    emit doubleClicked();
}

void PreviewImage::contextMenuEvent(QContextMenuEvent* event) {
    if (m_menu) m_menu->popup(event->globalPos());
}

QMimeData* PreviewImage::dragData() const {
    const std::string file = shownFile ? shownFile() : std::string();
    if (file.empty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    if (!m_image.isNull()) mime->setImageData(m_image);
    return mime;
}

void PreviewImage::mousePressEvent(QMouseEvent* event) {
    m_pressedAt = event->button() == Qt::LeftButton ? event->position().toPoint() : QPoint(-1, -1);
    QWidget::mousePressEvent(event);
}

void PreviewImage::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_pressedAt.x() < 0 ||
        (event->position().toPoint() - m_pressedAt).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressedAt = {-1, -1};
    QMimeData* mime = dragData();
    if (!mime) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!m_image.isNull())
        drag->setPixmap(
            QPixmap::fromImage(m_image.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction);
}

TargetPanel::TargetPanel(FullViewPosition& fullViewPlace, TLang& lang, Dialogs& dialogs,
                         const Bitmap& placeholder, const ExportOptions& exportOptions,
                         TargetControls controls, QWidget* parent)
    : QWidget(parent),
      m_dialogs(dialogs),
      m_controls(controls),
      m_target(placeholder, LoadServices::standard(&m_turnByOrientation)),
      m_save(m_target, dialogs, lang, exportOptions) {
    setObjectName("TargetPanel");
    m_preview = new PreviewImage(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    if (QLayout* box = m_controls.groupBox->layout())
        box->addWidget(this);
    else
        (new QVBoxLayout(m_controls.groupBox))->addWidget(this);
    m_preview->setPopupMenu(m_controls.popup);
    m_preview->shownFile = [this] { return m_target.hasTarget() ? m_target.TargetPath() : std::string(); };

    m_view = new TFormView(fullViewPlace, this);
    m_save.rowSelected = [this] { return selectedRow && selectedRow() != nullptr; };
    m_save.copyToClipboard = [](const Bitmap& b, const std::vector<std::uint8_t>& alpha) {
        copyBitmapToClipboard(b, alpha);
    };

    QSpinBox* edits[] = {m_controls.width, m_controls.height};
    for (QSpinBox* edit : edits) {
        edit->setRange(kMinImageSize, kMaxImageSize);
        // The value counts once the user is done typing: one render per change, not per digit.
        edit->setKeyboardTracking(false);
        edit->setAccelerated(true);
    }
    if (m_controls.viewAs->count() == 0)
        for (const FileFormat& format : fileFormats())
            m_controls.viewAs->addItem(QString::fromUtf8(format.name));
    m_target.kindName = [&lang](FileKind k) { return kindDisplayName(k, lang); };
    m_controls.viewAs->setCurrentIndex(-1);
    m_target.setStretchPicture(m_controls.stretch->isChecked());
    m_target.ChBProportClick(m_controls.proportional->isChecked());

    m_target.onRendered = [this] { showRendered(); };
    m_target.onSizeEdits = [this](int w, int h) { showEdits(w, h); };
    m_target.onViewAs = [this](int k) { showViewAs(k); };
    m_target.onCaption = [this](const std::string& c) {
        m_controls.groupBox->setTitle(QString::fromStdString(c));
    };

    connect(m_preview, &PreviewImage::resized, this, [this](int w, int h) {
        m_target.setPreviewSize(w, h);
        if (!m_target.stretchPicture()) showRendered();  // another part of the picture shows
    });
    connect(m_preview, &PreviewImage::doubleClicked, this, [this] { ImageMainDblClick(); });
    connect(m_controls.viewAs, &QComboBox::activated, this, [this](int index) { CBViewAsChange(index); });
    connect(m_controls.width, &QSpinBox::valueChanged, this,
            [this](int v) { guarded([this, v] { m_target.SEImChange(SizeEdit::Width, v); }); });
    connect(m_controls.height, &QSpinBox::valueChanged, this,
            [this](int v) { guarded([this, v] { m_target.SEImChange(SizeEdit::Height, v); }); });
    connect(m_controls.proportional, &QCheckBox::clicked, this,
            [this](bool on) { guarded([this, on] { m_target.ChBProportClick(on); }); });
    connect(m_controls.actualSize, &QCheckBox::clicked, this,
            [this](bool on) { guarded([this, on] { m_target.ChBActualSzClick(on, true); }); });
    connect(m_controls.buttonShape, &QCheckBox::clicked, this,
            [this](bool on) { guarded([this, on] { m_target.ChBShapeClick(on); }); });
    // Also the stored state applied by the window: without DisplayImage that shows nothing.
    connect(m_controls.stretch, &QCheckBox::toggled, this,
            [this](bool on) { guarded([this, on] { m_target.ChBStretchClick(on); }); });

    // "Actual size" applied as a program call: the edits show the (empty) target and are off.
    m_controls.actualSize->setChecked(true);
    m_target.ChBActualSzClick(true, false);
    applyTexts(lang);
}

TargetPanel::~TargetPanel() = default;

void TargetPanel::applyTexts(const TLang& lang) {
    // Before any pack is loaded every lookup answers the fallback text; the design-time texts stay.
    if (lang.lastInterfaceNumber() < kTextPreviewHint) return;
    const auto formats = fileFormats();
    for (int i = 0; i < m_controls.viewAs->count() && i < static_cast<int>(formats.size()); ++i)
        m_controls.viewAs->setItemText(
            i, QString::fromStdString(kindDisplayName(formats[static_cast<std::size_t>(i)], lang)));
    m_target.setTargetTitle(lang.interfaceText(kTextTargetTitle));
    if (m_target.hasTarget()) m_controls.groupBox->setTitle(QString::fromStdString(m_target.caption()));
    m_preview->setToolTip(text(lang, kTextPreviewHint));
}

void TargetPanel::saveTarget(const FileFormat& format) {
    guarded([this, &format] { m_save.saveTarget(format); });
}

void TargetPanel::miCopybitmaptoclipboardClick() {
    guarded([this] { m_save.miCopybitmaptoclipboardClick(); });
}

void TargetPanel::ListView1Click() {
    guarded([this] {
        if (!m_target.ListView1Click(selectedRow ? selectedRow() : nullptr)) return;
        // A visible enlarged view follows the selection; a hidden one waits where it was left.
        if (m_view->isVisible()) {
            m_view->rememberPosition();
            m_view->ShowFullView(m_target.TargetPath(),
                                 GifPlayback::plays(static_cast<FileKind>(m_target.viewAs())),
                                 m_target.DisplayImage(), false);
        } else {
            m_view->moveToRemembered();
        }
    });
}

void TargetPanel::ListView1KeyUp(bool modifierHeld) {
    if (!modifierHeld) ListView1Click();
}

void TargetPanel::ImageMainDblClick() {
    const search::FoundRow* row = selectedRow ? selectedRow() : nullptr;
    if (!row) return;
    guarded([this, row] {
        m_view->ShowFullView(row->image.path(), GifPlayback::plays(static_cast<FileKind>(m_target.viewAs())),
                             m_target.DisplayImage());
    });
}

void TargetPanel::CBViewAsChange(int index) {
    guarded([this, index] { m_target.CBViewAsChange(selectedRow ? selectedRow() : nullptr, index); });
}

void TargetPanel::showRendered() {
    // Only the centre of a picture larger than the preview shows; only that is converted.
    const Bitmap& b = m_target.PreviewImage();
    const int w = std::min(b.width(), m_preview->width()), h = std::min(b.height(), m_preview->height());
    const int left = (b.width() - w) / 2, top = (b.height() - h) / 2;
    // A kept transparency shows over the preview's own background.
    m_preview->setImage(toQImage(b, {left, top, left + w, top + h}, m_target.PreviewAlpha()));
}

void TargetPanel::showEdits(int width, int height) {
    const QSignalBlocker blockWidth(m_controls.width), blockHeight(m_controls.height);
    m_controls.width->setValue(width);
    m_controls.height->setValue(height);
    const bool enabled = m_target.sizeEditsEnabled();
    m_controls.width->setEnabled(enabled);
    m_controls.height->setEnabled(enabled);
    m_controls.proportional->setEnabled(enabled);
}

void TargetPanel::showViewAs(int viewAs) {
    const QSignalBlocker block(m_controls.viewAs);
    m_controls.viewAs->setCurrentIndex(fileFormatPosition(viewAs));
}

void TargetPanel::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        m_dialogs.error(kSaveMessageCaption, e.what());
    }
}

}  // namespace vexilo
