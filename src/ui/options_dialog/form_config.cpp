#include "ui/options_dialog/form_config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "lang/lang.h"
#include "ui/qt_text.h"

namespace vexilo {

TFormConfig::TFormConfig(const ConfigValues& current, const TLang& lang, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_rules(current), m_dialogs(dialogs) {
    const ConfigTexts t = configTexts(lang);
    setWindowTitle(q(t.caption));
    setObjectName("TFormConfig");
    // Modal to the main window only: the help window beside it stays usable.
    setWindowModality(Qt::WindowModal);

    m_pages = new QTabWidget(this);
    auto* imageList = new QWidget;
    auto* form = new QFormLayout(imageList);
    auto* colourRow = new QHBoxLayout;
    auto* colourButton = new QPushButton(q(t.backgroundColor));
    colourButton->setObjectName("BitBtnBckgrndColor");
    m_swatch = new QFrame;
    m_swatch->setObjectName("PanelColor");
    m_swatch->setFrameShape(QFrame::StyledPanel);
    m_swatch->setFixedSize(48, 24);
    m_swatch->setAutoFillBackground(true);
    colourRow->addWidget(colourButton);
    colourRow->addWidget(m_swatch);
    colourRow->addStretch();
    form->addRow(colourRow);
    // The edits take any number; OK refuses what the list cannot show.
    m_width = new QSpinBox;
    m_height = new QSpinBox;
    for (auto* spin : {m_width, m_height}) spin->setRange(-9999, 9999);
    m_width->setObjectName("SEHor");
    m_height->setObjectName("SEVer");
    form->addRow(q(t.width), m_width);
    form->addRow(q(t.height), m_height);
    m_default = new QCheckBox(q(t.defaultBox));
    m_default->setObjectName("ChBDefaultSz");
    m_default->setToolTip(q(t.defaultHint));
    form->addRow(m_default);
    m_cache = new QCheckBox(q(t.thumbnailCache));
    m_cache->setObjectName("ChBThumbnailCache");
    form->addRow(m_cache);
    m_iconSize = new QComboBox;
    m_iconSize->setObjectName("CBIconSize");
    m_iconSize->addItems({q(t.systemSize), q(t.largestSize)});
    form->addRow(q(t.iconSize), m_iconSize);
    m_keepTransparency = new QCheckBox(q(t.keepTransparency));
    m_keepTransparency->setObjectName("ChBKeepTransparency");
    form->addRow(m_keepTransparency);
    m_orientation = new QCheckBox(q(t.turnByOrientation));
    m_orientation->setObjectName("ChBTurnByOrientation");
    form->addRow(m_orientation);
    m_natural = new QCheckBox(q(t.naturalOrder));
    m_natural->setObjectName("ChBNaturalOrder");
    form->addRow(m_natural);
    m_pages->addTab(imageList, q(t.imageListPage));

    auto* toolbars = new QWidget;
    auto* column = new QVBoxLayout(toolbars);
    m_showText = new QCheckBox(q(t.showText));
    m_main = new QCheckBox(q(t.showMain));
    m_view = new QCheckBox(q(t.showView));
    m_modify = new QCheckBox(q(t.showModify));
    m_showText->setObjectName("ChBShowText");
    m_main->setObjectName("ChBShowMainToolbar");
    m_view->setObjectName("ChBShowViewToolbar");
    m_modify->setObjectName("ChBShowModifyToolbar");
    for (auto* box : {m_showText, m_main, m_view, m_modify}) column->addWidget(box);
    column->addStretch();
    m_pages->addTab(toolbars, q(t.toolbarsPage));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(q(t.ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(q(t.cancel));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    // Only once the button is inside the dialog does the dialog take it as its default: made
    // default before, Return pressed the first button of the page (the colour button) instead.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);

    const ConfigValues& v = m_rules.values();
    m_default->setChecked(m_rules.defaultChecked());
    syncSizes();
    m_showText->setChecked(v.showButtonText);
    m_main->setChecked(v.showMain);
    m_view->setChecked(v.showView);
    m_modify->setChecked(v.showModify);
    m_cache->setChecked(v.thumbnailCache);
    m_iconSize->setCurrentIndex(v.largestIcons ? 1 : 0);
    m_keepTransparency->setChecked(v.keepTransparency);
    m_orientation->setChecked(v.turnByOrientation);
    m_natural->setChecked(v.naturalOrder);
    showSwatch();

    connect(m_default, &QCheckBox::toggled, this, [this](bool on) {
        m_rules.ChBDefaultSzClick(on);
        syncSizes();
    });
    connect(m_width, &QSpinBox::valueChanged, this, [this](int w) { m_rules.setThumbWidth(w); });
    connect(m_height, &QSpinBox::valueChanged, this, [this](int h) { m_rules.setThumbHeight(h); });
    connect(m_cache, &QCheckBox::toggled, this, [this](bool on) { m_rules.setThumbnailCache(on); });
    connect(m_iconSize, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_rules.setLargestIcons(i == 1); });
    connect(m_keepTransparency, &QCheckBox::toggled, this,
            [this](bool on) { m_rules.setKeepTransparency(on); });
    connect(m_orientation, &QCheckBox::toggled, this, [this](bool on) { m_rules.setTurnByOrientation(on); });
    connect(m_natural, &QCheckBox::toggled, this, [this](bool on) { m_rules.setNaturalOrder(on); });
    connect(colourButton, &QPushButton::clicked, this, [this] {
        m_rules.BitBtnBckgrndColorClick(m_dialogs);
        showSwatch();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormConfig::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFormConfig::reject);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormConfig::syncSizes() {
    const QSignalBlocker bw(m_width), bh(m_height);
    m_width->setValue(m_rules.values().thumbWidth);
    m_height->setValue(m_rules.values().thumbHeight);
    m_width->setEnabled(m_rules.sizeEditsEnabled());
    m_height->setEnabled(m_rules.sizeEditsEnabled());
}

void TFormConfig::showSwatch() {
    const Color c = m_rules.values().listColor;
    QPalette palette = m_swatch->palette();
    palette.setColor(QPalette::Window, QColor(c.r, c.g, c.b));
    m_swatch->setPalette(palette);
}

int TFormConfig::currentHelpContext() const {
    return m_pages->currentIndex() == 0 ? ConfigDialog::kImageListHelp : ConfigDialog::kToolbarsHelp;
}

void TFormConfig::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && onHelp) {
        onHelp(currentHelpContext());
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormConfig::accept() {
    m_rules.setToolbars(m_showText->isChecked(), m_main->isChecked(), m_view->isChecked(),
                        m_modify->isChecked());
    if (m_rules.OKClick(m_dialogs)) QDialog::accept();
}

std::optional<ConfigValues> TFormConfig::SBConfigClick(const ConfigValues& current, const TLang& lang,
                                                       Dialogs& dialogs, bool& sizeChanged, QWidget* parent,
                                                       std::function<void(int)> onHelp, const RunModal& run) {
    sizeChanged = false;
    TFormConfig dialog(current, lang, dialogs, parent);
    dialog.onHelp = std::move(onHelp);
    if (run(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.rules().apply(current, dialogs, lang, sizeChanged);
}

}  // namespace vexilo
