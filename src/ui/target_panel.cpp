#include "ui/target_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "lang/lang.h"
#include "ui/form_view.h"
#include "ui/platform/clipboard.h"
#include "ui/platform/qimage_convert.h"

namespace vexilo {

namespace {
// Interface texts of the target (language pack numbers).
constexpr int kTextTargetTitle = 24, kTextImageHeight = 26, kTextImageWidth = 29, kTextProportional = 36,
              kTextActualSize = 37, kTextButtonShape = 38, kTextView = 41, kTextPreviewHint = 61,
              kTextStretch = 75, kTextClipboard = 21;
// The save commands' texts, in the order of outputFormats().
constexpr int kSaveTexts[] = {50, 27, 9, 65, 71, 72, 76};
constexpr const char* kSaveObjectNames[] = {"miSaveasBmp",         "miSavetargetasJPG", "miSavetargetasICO",
                                            "miSavetargetasGIF",   "miSavetargetasTGA", "miSavetargetasPNG",
                                            "miSavetargetasWmf"};
constexpr int kGifRow = 3;

QString text(const TLang& lang, int number) {
    return QString::fromStdString(lang.interfaceText(number));
}
QString withColon(QString s) {
    s = s.trimmed();
    return s.endsWith(':') ? s : s + ':';
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

TargetPanel::TargetPanel(SettingsStore& settings, TLang& lang, Dialogs& dialogs, const Bitmap& placeholder,
                         QWidget* parent)
    : QGroupBox(parent), m_dialogs(dialogs), m_target(placeholder), m_save(m_target, dialogs, lang) {
    setObjectName("GroupBoxTarget");
    setTitle(QString::fromStdString(m_target.caption()));
    m_preview = new PreviewImage(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_preview);

    m_view = new TFormView(this);
    m_view->position().read(settings);

    // The pop-up menu of the preview: the seven save commands, then the clipboard.
    m_menu = new QMenu(this);
    m_menu->setObjectName("PMTarget");
    const auto& formats = outputFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        QAction* action = m_menu->addAction(QString::fromUtf8(formats[i].caption));
        action->setObjectName(kSaveObjectNames[i]);
        const OutputFormat* format = &formats[i];
        connect(action, &QAction::triggered, this, [this, i, format] {
            guarded([this, i, format] {
                if (static_cast<int>(i) == kGifRow)
                    m_save.miSavetargetasGIFClick();
                else
                    m_save.saveTarget(*format);
            });
        });
        m_saveActions.push_back(action);
    }
    m_clipboard = m_menu->addAction(QStringLiteral("Copy bitmap to clipboar&d"));
    m_clipboard->setObjectName("miCopybitmaptoclipboard");
    connect(m_clipboard, &QAction::triggered, this, [this] { guarded([this] { m_save.miCopybitmaptoclipboardClick(); }); });
    m_preview->setPopupMenu(m_menu);
    setGifOutputEnabled(false);
    m_save.rowSelected = [this] { return selectedRow && selectedRow() != nullptr; };
    m_save.copyToClipboard = [](const Bitmap& b) { copyBitmapToClipboard(b); };

    // The toolbars' controls; the window places them (fillViewToolBar, fillModifyToolBar). They
    // wait in a hidden holder: a toolbar shows a widget that was hidden itself as disabled.
    auto* holder = new QWidget(this);
    holder->hide();
    m_viewLabel = new QLabel(QStringLiteral(" View: "), holder);
    m_viewAs = new QComboBox(holder);
    m_viewAs->setObjectName("CBViewAs");
    for (int k = 0; k < kFileKindCount; ++k) m_viewAs->addItem(QString::fromUtf8(fileKindName(static_cast<FileKind>(k))));
    m_viewAs->setCurrentIndex(-1);
    m_viewAs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_stretch = new QCheckBox(QStringLiteral("Stretch picture"), holder);
    m_stretch->setObjectName("ChBStretch");
    m_actual = new QCheckBox(QStringLiteral("Actual size"), holder);
    m_actual->setObjectName("ChBActualSz");
    m_actual->setChecked(true);
    m_widthLabel = new QLabel(QStringLiteral("Image width:"), holder);
    m_heightLabel = new QLabel(QStringLiteral("Image height:"), holder);
    for (QSpinBox** edit : {&m_width, &m_height}) {
        *edit = new QSpinBox(holder);
        (*edit)->setRange(kMinImageSize, kMaxImageSize);
        // The value counts once the user is done typing: one render per change, not per digit.
        (*edit)->setKeyboardTracking(false);
        (*edit)->setAccelerated(true);
    }
    m_width->setObjectName("SEImWidth");
    m_height->setObjectName("SEImHeight");
    m_widthLabel->setBuddy(m_width);
    m_heightLabel->setBuddy(m_height);
    m_proport = new QCheckBox(QStringLiteral("Proportional"), holder);
    m_proport->setObjectName("ChBProport");
    m_proport->setChecked(true);
    m_shape = new QCheckBox(QStringLiteral("Button shape"), holder);
    m_shape->setObjectName("ChBShape");

    m_target.onRendered = [this] { showRendered(); };
    m_target.onSizeEdits = [this](int w, int h) { showEdits(w, h); };
    m_target.onViewAs = [this](int k) { showViewAs(k); };
    m_target.onCaption = [this](const std::string& c) { setTitle(QString::fromStdString(c)); };

    connect(m_preview, &PreviewImage::resized, this, [this](int w, int h) { m_target.setPreviewSize(w, h); });
    connect(m_preview, &PreviewImage::doubleClicked, this, [this] { ImageMainDblClick(); });
    connect(m_viewAs, &QComboBox::activated, this, [this](int index) { CBViewAsChange(index); });
    connect(m_width, &QSpinBox::valueChanged, this,
            [this](int v) { guarded([this, v] { m_target.SEImChange(SizeEdit::Width, v); }); });
    connect(m_height, &QSpinBox::valueChanged, this,
            [this](int v) { guarded([this, v] { m_target.SEImChange(SizeEdit::Height, v); }); });
    connect(m_proport, &QCheckBox::clicked, this, [this](bool on) { guarded([this, on] { m_target.ChBProportClick(on); }); });
    connect(m_actual, &QCheckBox::clicked, this,
            [this](bool on) { guarded([this, on] { m_target.ChBActualSzClick(on, true); }); });
    connect(m_shape, &QCheckBox::clicked, this, [this](bool on) { guarded([this, on] { m_target.ChBShapeClick(on); }); });
    connect(m_stretch, &QCheckBox::clicked, this, [this](bool on) { guarded([this, on] { m_target.ChBStretchClick(on); }); });

    // "Actual size" applied as a program call: the edits show the (empty) target and are off.
    m_target.ChBActualSzClick(true, false);
    applyTexts(lang);
}

TargetPanel::~TargetPanel() = default;

void TargetPanel::fillViewToolBar(QToolBar* bar) {
    bar->addWidget(m_viewLabel);
    bar->addWidget(m_viewAs);
    bar->addSeparator();
    bar->addWidget(m_stretch);
}

void TargetPanel::fillModifyToolBar(QToolBar* bar) {
    bar->addWidget(m_actual);
    bar->addWidget(m_widthLabel);
    bar->addWidget(m_width);
    bar->addWidget(m_heightLabel);
    bar->addWidget(m_height);
    bar->addWidget(m_proport);
    bar->addWidget(m_shape);
}

void TargetPanel::applyTexts(const TLang& lang) {
    // Before any pack is loaded every lookup answers the fallback text; the design-time texts stay.
    if (lang.lastInterfaceNumber() < kTextStretch) return;
    m_target.setTargetTitle(lang.interfaceText(kTextTargetTitle));
    if (!m_target.hasTarget()) setTitle(" " + text(lang, kTextTargetTitle) + " ");
    else setTitle(QString::fromStdString(m_target.caption()));
    m_preview->setToolTip(text(lang, kTextPreviewHint));
    m_widthLabel->setText(withColon(text(lang, kTextImageWidth)));
    m_heightLabel->setText(withColon(text(lang, kTextImageHeight)));
    m_proport->setText(text(lang, kTextProportional));
    m_actual->setText(text(lang, kTextActualSize));
    m_shape->setText(text(lang, kTextButtonShape));
    m_viewLabel->setText(" " + text(lang, kTextView) + ": ");
    m_stretch->setText(text(lang, kTextStretch));
    for (std::size_t i = 0; i < m_saveActions.size(); ++i) m_saveActions[i]->setText(text(lang, kSaveTexts[i]));
    m_clipboard->setText(text(lang, kTextClipboard));
}

void TargetPanel::setGifOutputEnabled(bool on) {
    m_save.GifOutputEnabled = on;
    m_saveActions.at(kGifRow)->setVisible(on);
}

void TargetPanel::setStretchPicture(bool on) {
    m_stretch->setChecked(on);
    m_target.setStretchPicture(on);
}

void TargetPanel::ListView1Click() {
    guarded([this] {
        if (!m_target.ListView1Click(selectedRow ? selectedRow() : nullptr)) return;
        // A visible enlarged view follows the selection; a hidden one waits where it was left.
        if (m_view->isVisible()) {
            m_view->rememberPosition();
            m_view->ShowFullView(m_target.TargetPath(), m_target.viewAs() == kind::Gif, m_target.DisplayImage());
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
        m_view->ShowFullView(row->image.path(), m_target.viewAs() == kind::Gif, m_target.DisplayImage());
    });
}

void TargetPanel::CBViewAsChange(int index) {
    guarded([this, index] { m_target.CBViewAsChange(selectedRow ? selectedRow() : nullptr, index); });
}

void TargetPanel::showRendered() {
    m_preview->setImage(toQImage(m_target.PreviewImage()));
}

void TargetPanel::showEdits(int width, int height) {
    const QSignalBlocker blockWidth(m_width), blockHeight(m_height);
    m_width->setValue(width);
    m_height->setValue(height);
    const bool enabled = m_target.sizeEditsEnabled();
    m_width->setEnabled(enabled);
    m_height->setEnabled(enabled);
    m_proport->setEnabled(enabled);
}

void TargetPanel::showViewAs(int index) {
    const QSignalBlocker block(m_viewAs);
    m_viewAs->setCurrentIndex(index);
}

void TargetPanel::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        m_dialogs.error(kSaveMessageCaption, e.what());
    }
}

}  // namespace vexilo
