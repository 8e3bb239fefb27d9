#include "ui/convert_dialog/form_cnv_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "ui/main_window/form_main_util.h"
#include "ui/qt_text.h"
#include "ui/screen_fit.h"

namespace vexilo {

namespace {

constexpr int kDesignWidth = 760, kDesignHeight = 440, kDesignTreeWidth = 280;

int pageIndex(CnvPage page) {
    switch (page) {
        case CnvPage::Convert:
            return 0;
        case CnvPage::Resize:
            return 1;
        case CnvPage::Path:
            return 2;
        case CnvPage::Icon:
            return 3;
        case CnvPage::Jpeg:
            return 4;
        case CnvPage::None:
            break;
    }
    return -1;
}

QLabel* explanation(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    return l;
}

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

}  // namespace

TFormCnvDlg::TFormCnvDlg(BatchRequest& request, ExportOptions& options, SettingsStore& settings,
                         const TLang& lang, Dialogs& dialogs, bool gifEnabled, const QString& caption,
                         QWidget* parent)
    : QDialog(parent), m_rules(request, options, settings, lang, dialogs, gifEnabled, caption.toStdString()) {
    setObjectName("FormCnvDlg");
    setWindowTitle(caption);
    // Modal to the main window only: the help window beside it stays usable.
    setWindowModality(Qt::WindowModal);
    form_main_detail::setHelpContext(this, CnvDlg::kHelpContext);
    resize(kDesignWidth, kDesignHeight);

    m_splitter = named(new QSplitter(Qt::Horizontal, this), "Splitter1");
    m_splitter->setChildrenCollapsible(false);
    TreeView1 = named(new QTreeWidget(m_splitter), "TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setRootIsDecorated(true);
    TreeView1->setMinimumWidth(120);
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    TreeView1->header()->setStretchLastSection(false);
    Notebook1 = named(new QStackedWidget(m_splitter), "Notebook1");
    m_splitter->addWidget(TreeView1);
    m_splitter->addWidget(Notebook1);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kDesignTreeWidth, kDesignWidth - kDesignTreeWidth});

    // Page "Convert".
    LabelConvert = explanation(this, "LabelConvert");
    auto* convertPanel = new QFrame;
    CBConvert = named(new QComboBox(convertPanel), "CBConvert");
    auto* convertLayout = new QVBoxLayout(convertPanel);
    convertLayout->addWidget(CBConvert);
    ChBKeepTransparency = named(new QCheckBox(convertPanel), "ChBKeepTransparency");
    convertLayout->addWidget(ChBKeepTransparency);
    convertLayout->addStretch();
    makePage("PageConvert", {LabelConvert}, convertPanel);

    // Page "Resize".
    LabelResize = explanation(this, "LabelResize");
    auto* resizePanel = new QFrame;
    ChBActualSz = named(new QCheckBox(resizePanel), "ChBActualSz");
    ChBProport = named(new QCheckBox(resizePanel), "ChBProport");
    Label1 = named(new QLabel(resizePanel), "Label1");
    Label2 = named(new QLabel(resizePanel), "Label2");
    Label3 = named(new QLabel(resizePanel), "Label3");
    Label4 = named(new QLabel(resizePanel), "Label4");
    SEImWidth = named(new QSpinBox(resizePanel), "SEImWidth");
    SEImHeight = named(new QSpinBox(resizePanel), "SEImHeight");
    for (QSpinBox* s : {SEImWidth, SEImHeight}) {
        s->setRange(0, 65535);
        s->setMinimumWidth(90);
    }
    ChBShape = named(new QCheckBox(resizePanel), "ChBShape");
    auto* sizes = new QGridLayout;
    sizes->addWidget(Label1, 0, 0);
    sizes->addWidget(SEImWidth, 0, 1);
    sizes->addWidget(Label3, 0, 2);
    sizes->addWidget(Label2, 1, 0);
    sizes->addWidget(SEImHeight, 1, 1);
    sizes->addWidget(Label4, 1, 2);
    sizes->setColumnStretch(3, 1);
    sizes->setContentsMargins(20, 0, 0, 0);
    auto* resizeLayout = new QVBoxLayout(resizePanel);
    resizeLayout->addWidget(ChBActualSz);
    resizeLayout->addWidget(ChBProport);
    resizeLayout->addLayout(sizes);
    resizeLayout->addWidget(ChBShape);
    resizeLayout->addStretch();
    makePage("PageResize", {LabelResize}, resizePanel);

    // Page "Path".
    LabelSaving = explanation(this, "LabelSaving");
    LabelSaving2 = explanation(this, "LabelSaving2");
    LabelSaving3 = explanation(this, "LabelSaving3");
    auto* pathPanel = new QFrame;
    EPath = named(new QLineEdit(pathPanel), "EPath");
    BitBPath = named(new QToolButton(pathPanel), "BitBPath");
    BitBPath->setText(QStringLiteral("..."));
    RBOverwriteAll = named(new QRadioButton(pathPanel), "RBOverwriteAll");
    RBPrompt = named(new QRadioButton(pathPanel), "RBPrompt");
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(EPath, 1);
    pathRow->addWidget(BitBPath);
    auto* pathLayout = new QVBoxLayout(pathPanel);
    pathLayout->addLayout(pathRow);
    pathLayout->addSpacing(6);
    pathLayout->addWidget(RBOverwriteAll);
    pathLayout->addWidget(RBPrompt);
    pathLayout->addStretch();
    makePage("PagePath", {LabelSaving, LabelSaving2, LabelSaving3}, pathPanel);

    // Page "Icon".
    LabelIcon = explanation(this, "LabelIcon");
    auto* iconPanel = new QFrame;
    RBIco16 = named(new QRadioButton(iconPanel), "RBIco16");
    RBIco256 = named(new QRadioButton(iconPanel), "RBIco256");
    RBIco32 = named(new QRadioButton(iconPanel), "RBIco32");
    auto* iconLayout = new QVBoxLayout(iconPanel);
    iconLayout->addWidget(RBIco16);
    iconLayout->addWidget(RBIco256);
    iconLayout->addWidget(RBIco32);
    iconLayout->addStretch();
    makePage("PageIcon", {LabelIcon}, iconPanel);

    // Page "Jpeg".
    LabelJpeg = explanation(this, "LabelJpeg");
    auto* jpegPanel = new QFrame;
    LColor = named(new QLabel(jpegPanel), "LColor");
    PixelFormat = named(new QComboBox(jpegPanel), "PixelFormat");
    PixelFormat->addItems({QString(), QString()});
    ColorSpace = named(new QComboBox(jpegPanel), "ColorSpace");
    ColorSpace->addItems({QString(), QString()});
    LQuality = named(new QLabel(jpegPanel), "LQuality");
    SEQuality = named(new QSpinBox(jpegPanel), "SEQuality");
    SEQuality->setRange(1, 100);
    SEQuality->setSuffix(QStringLiteral(" %"));
    ChBProgressiveEncoding = named(new QCheckBox(jpegPanel), "ChBProgressiveEncoding");
    auto* jpegGrid = new QGridLayout;
    jpegGrid->addWidget(LColor, 0, 0);
    jpegGrid->addWidget(PixelFormat, 0, 1);
    jpegGrid->addWidget(ColorSpace, 0, 2);
    jpegGrid->addWidget(LQuality, 1, 0);
    jpegGrid->addWidget(SEQuality, 1, 1);
    jpegGrid->setColumnStretch(3, 1);
    auto* jpegLayout = new QVBoxLayout(jpegPanel);
    jpegLayout->addLayout(jpegGrid);
    jpegLayout->addWidget(ChBProgressiveEncoding);
    ChBWebpLossless = named(new QCheckBox(jpegPanel), "ChBWebpLossless");
    jpegLayout->addWidget(ChBWebpLossless);
    jpegLayout->addStretch();
    makePage("PageJpeg", {LabelJpeg}, jpegPanel);

    // The bottom bar: the buttons, then the progress bar up to 5 pixels from the right edge.
    BitBtnOk = named(new QPushButton(this), "BitBtnOk");
    BitBtnOk->setDefault(true);
    BitBtnCancel = named(new QPushButton(this), "BitBtnCancel");
    BitBtnHelp = named(new QPushButton(this), "BitBtnHelp");
    BitBtnOk->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    BitBtnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BitBtnHelp->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    ProgressBar1 = named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setVisible(false);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(0, 0, 5, 0);
    bar->addWidget(BitBtnOk);
    bar->addWidget(BitBtnCancel);
    bar->addWidget(BitBtnHelp);
    bar->addWidget(ProgressBar1, 1);
    bar->addStretch(0);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(bar);

    // Every user action goes to the rules, then the widgets show the result.
    auto forward = [this](auto&& action) {
        return [this, action](auto&&...) {
            action();
            apply();
        };
    };
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        m_rules.TreeView1Click(item->data(0, Qt::UserRole).toInt());
        apply();
    });
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        m_rules.TreeView1Click(item->data(0, Qt::UserRole).toInt());
        apply();
    });
    connect(CBConvert, &QComboBox::currentIndexChanged, this, [this](int i) {
        m_rules.CBConvertChange(i);
        apply();
    });
    // Only the button that became checked acts: redrawing on the other's unchecking would put
    // the old choice back.
    for (QRadioButton* button : {RBIco16, RBIco256, RBIco32})
        connect(button, &QRadioButton::toggled, this, [this, button](bool on) {
            if (!on) return;
            if (button == RBIco32)
                m_rules.RBIco32Click();
            else
                m_rules.RBIcoClick(button == RBIco16);
            apply();
        });
    connect(ChBKeepTransparency, &QCheckBox::toggled, this,
            forward([this] { m_rules.ChBKeepTransparencyClick(ChBKeepTransparency->isChecked()); }));
    connect(SEQuality, &QSpinBox::valueChanged, this, [this] { jpegChanged(); });
    connect(PixelFormat, &QComboBox::currentIndexChanged, this, [this] { jpegChanged(); });
    connect(ColorSpace, &QComboBox::currentIndexChanged, this, [this] { jpegChanged(); });
    connect(ChBProgressiveEncoding, &QCheckBox::toggled, this, [this] { jpegChanged(); });
    connect(ChBWebpLossless, &QCheckBox::toggled, this, [this](bool on) {
        m_rules.ChBWebpLosslessClick(on);
        apply();
    });
    connect(ChBActualSz, &QCheckBox::toggled, this, [this](bool on) {
        m_rules.ChBActualSzClick(on);
        apply();
    });
    connect(ChBProport, &QCheckBox::toggled, this, [this](bool on) {
        m_rules.ChBProportClick(on);
        apply();
    });
    connect(SEImWidth, &QSpinBox::valueChanged, this, [this](int v) {
        m_rules.SEImChange(CnvSpinEdit::Width, v);
        apply();
    });
    connect(SEImHeight, &QSpinBox::valueChanged, this, [this](int v) {
        m_rules.SEImChange(CnvSpinEdit::Height, v);
        apply();
    });
    connect(ChBShape, &QCheckBox::toggled, this, [this](bool on) {
        m_rules.ChBShapeClick(on);
        apply();
    });
    connect(EPath, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_rules.EPathChange(text.toStdString());
        apply();
    });
    connect(RBOverwriteAll, &QRadioButton::toggled, this,
            forward([this] { m_rules.RBOverwriteAllClick(RBOverwriteAll->isChecked()); }));
    connect(BitBPath, &QToolButton::clicked, this, forward([this] { m_rules.BitBPathClick(); }));
    connect(BitBtnOk, &QPushButton::clicked, this, [this] { BOkClick(); });
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtnHelp, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp(m_rules.BitBtnHelpClick());
    });
    // F1 opens the topic of the panel that holds the focus; the tree and the buttons the dialog's.
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] {
        if (!onHelp) return;
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            const QVariant context = w->property(form_main_detail::kHelpContextProperty);
            if (context.isValid()) {
                onHelp(context.toInt());
                return;
            }
        }
        onHelp(CnvDlg::kHelpContext);
    });
    m_rules.onProgress = [this] {
        apply();
        QCoreApplication::processEvents();
    };
}

TFormCnvDlg::~TFormCnvDlg() = default;

QWidget* TFormCnvDlg::makePage(const char* name, std::initializer_list<QLabel*> explanations, QFrame* panel) {
    auto* page = new QWidget(Notebook1);
    page->setObjectName(name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 4, 4, 4);
    for (QLabel* l : explanations) {
        l->setParent(page);
        layout->addWidget(l);
    }
    if (QString(name) == "PagePath") layout->addSpacing(10);  // the path page keeps more room
    panel->setParent(page);
    panel->setFrameShape(QFrame::StyledPanel);
    const QString pageName = QString::fromLatin1(name);
    form_main_detail::setHelpContext(panel, pageName == QLatin1String("PageResize") ? CnvDlg::kResizePanelHelp
                                            : pageName == QLatin1String("PagePath")
                                                ? CnvDlg::kPathPanelHelp
                                                : CnvDlg::kFormatPanelHelp);
    layout->addWidget(panel, 1);
    Notebook1->addWidget(page);
    return page;
}

void TFormCnvDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    const QList<int> sizes = m_splitter->sizes();
    const CnvGeometry g = m_rules.FormShow({width(), height(), x(), y(), sizes.value(0, kDesignTreeWidth)});
    resize(std::max(g.clientWidth, minimumSizeHint().width()),
           std::max(g.clientHeight, minimumSizeHint().height()));
    // A position stored on a screen that is gone, or a size from a larger one, would hide part
    // of the dialog: it is kept on the screen.
    QPoint at(g.left, g.top);
    if (const QScreen* s = QGuiApplication::screenAt(at + QPoint(20, 20)); !s) at = pos();
    move(at);
    keepOnScreen(this);
    m_splitter->setSizes({std::max(g.treeViewWidth, 120), std::max(width() - g.treeViewWidth, 200)});
    buildTree();
    apply();
    TreeView1->setFocus();
}

void TFormCnvDlg::buildTree() {
    const QSignalBlocker block(TreeView1);
    TreeView1->clear();
    const auto& nodes = m_rules.controls().nodes;
    std::vector<QTreeWidgetItem*> items;
    const QIcon images[] = {QIcon(), style()->standardIcon(QStyle::SP_FileDialogContentsView),
                            style()->standardIcon(QStyle::SP_TitleBarMaxButton),
                            style()->standardIcon(QStyle::SP_DirIcon)};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const CnvTreeNode& n = nodes[i];
        QTreeWidgetItem* item = n.parent < 0 ? new QTreeWidgetItem(TreeView1)
                                             : new QTreeWidgetItem(items[static_cast<std::size_t>(n.parent)]);
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        item->setIcon(0, images[n.image >= 1 && n.image <= 3 ? n.image : 0]);
        items.push_back(item);
    }
    TreeView1->expandAll();
}

void TFormCnvDlg::apply() {
    const CnvControls& c = m_rules.controls();
    const QSignalBlocker blocks[] = {QSignalBlocker(TreeView1),      QSignalBlocker(CBConvert),
                                     QSignalBlocker(ChBActualSz),    QSignalBlocker(ChBProport),
                                     QSignalBlocker(ChBShape),       QSignalBlocker(SEImWidth),
                                     QSignalBlocker(SEImHeight),     QSignalBlocker(EPath),
                                     QSignalBlocker(RBOverwriteAll), QSignalBlocker(RBPrompt),
                                     QSignalBlocker(RBIco16),        QSignalBlocker(RBIco256),
                                     QSignalBlocker(RBIco32),        QSignalBlocker(ChBKeepTransparency),
                                     QSignalBlocker(PixelFormat),    QSignalBlocker(ColorSpace),
                                     QSignalBlocker(SEQuality),      QSignalBlocker(ChBProgressiveEncoding),
                                     QSignalBlocker(ChBWebpLossless)};
    LabelConvert->setText(q(c.labelConvert));
    LabelResize->setText(q(c.labelResize));
    LabelSaving->setText(q(c.labelSaving));
    LabelSaving2->setText(q(c.labelSaving2));
    LabelSaving3->setText(q(c.labelSaving3));
    LabelSaving2->setVisible(!c.labelSaving2.empty());
    LabelSaving3->setVisible(!c.labelSaving3.empty());
    LabelIcon->setText(q(c.labelIcon));
    LabelJpeg->setText(q(c.labelJpeg));
    BitBtnOk->setText(q(c.running ? c.stopCaption : c.okCaption));
    BitBtnOk->setIcon(
        style()->standardIcon(c.running ? QStyle::SP_BrowserStop : QStyle::SP_DialogApplyButton));
    BitBtnCancel->setText(q(c.cancelCaption));
    BitBtnHelp->setText(q(c.helpCaption));

    if (CBConvert->count() != static_cast<int>(c.formats.size())) {
        CBConvert->clear();
        for (const auto& f : c.formats) CBConvert->addItem(q(f));
    }
    CBConvert->setCurrentIndex(c.formatIndex);

    ChBActualSz->setText(q(c.actualSzCaption));
    ChBProport->setText(q(c.proportCaption));
    ChBShape->setText(q(c.shapeCaption));
    ChBActualSz->setChecked(c.actualSz);
    ChBProport->setChecked(c.proport);
    ChBShape->setChecked(c.shape);
    ChBProport->setEnabled(c.proportEnabled);
    SEImWidth->setEnabled(c.widthEnabled);
    SEImHeight->setEnabled(c.heightEnabled);
    Label1->setText(q(c.label1));
    Label2->setText(q(c.label2));
    Label3->setText(q(c.label3));
    Label4->setText(q(c.label4));
    Label2->setVisible(c.label2Visible);
    Label4->setVisible(c.label4Visible);
    SEImHeight->setVisible(c.heightVisible);
    SEImWidth->setValue(c.width);
    SEImHeight->setValue(c.height);

    if (EPath->text() != q(c.path)) EPath->setText(q(c.path));
    RBOverwriteAll->setText(q(c.overwriteAllCaption));
    RBPrompt->setText(q(c.promptCaption));
    (c.overwriteAll ? RBOverwriteAll : RBPrompt)->setChecked(true);

    RBIco16->setText(q(c.ico16Caption));
    RBIco256->setText(q(c.ico256Caption));
    RBIco32->setText(q(c.ico32Caption));
    (c.ico32 ? RBIco32 : c.ico16 ? RBIco16 : RBIco256)->setChecked(true);
    ChBKeepTransparency->setText(q(c.keepTransparencyCaption));
    ChBKeepTransparency->setChecked(c.keepTransparency);

    LColor->setText(q(c.colorLabel));
    LQuality->setText(q(c.qualityLabel));
    ChBProgressiveEncoding->setText(q(c.progressiveCaption));
    ChBProgressiveEncoding->setToolTip(q(c.progressiveHint));
    ColorSpace->setToolTip(q(c.colorSpaceHint));
    PixelFormat->setToolTip(q(c.pixelFormatHint));
    SEQuality->setToolTip(q(c.qualityHint));
    for (int i = 0; i < 2; ++i) {
        PixelFormat->setItemText(i, q(c.pixelFormats[static_cast<std::size_t>(i)]));
        ColorSpace->setItemText(i, q(c.colorSpaces[static_cast<std::size_t>(i)]));
    }
    SEQuality->setValue(c.quality);
    PixelFormat->setCurrentIndex(c.pixelFormat);
    ColorSpace->setCurrentIndex(c.colorSpace);
    ChBProgressiveEncoding->setChecked(c.progressive);
    ChBWebpLossless->setText(q(c.losslessCaption));
    ChBWebpLossless->setToolTip(q(c.losslessHint));
    ChBWebpLossless->setChecked(c.webpLossless);

    // The tree: texts change in place; the selection follows the rules.
    const auto& nodes = c.nodes;
    int index = 0;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it, ++index)
        if (index < static_cast<int>(nodes.size()))
            (*it)->setText(0, q(nodes[static_cast<std::size_t>(index)].text));
    index = 0;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it, ++index)
        if (index == c.selectedNode && TreeView1->currentItem() != *it) TreeView1->setCurrentItem(*it);

    const int page = pageIndex(c.page);
    Notebook1->setVisible(page >= 0);
    if (page >= 0) Notebook1->setCurrentIndex(page);

    // While a run is in progress only "Stop" (and closing, which stops) stay live.
    m_splitter->setEnabled(!c.running);
    BitBtnHelp->setEnabled(!c.running);
    ProgressBar1->setVisible(c.progressVisible);
    ProgressBar1->setRange(0, std::max(c.progressMax, 1));
    ProgressBar1->setValue(c.progressPosition);
    ProgressBar1->setFormat(c.progressFile.empty() ? QStringLiteral("%v / %m")
                                                   : q(c.progressFile) + QStringLiteral("  (%v / %m)"));
}

void TFormCnvDlg::jpegChanged() {
    m_rules.ChBJpegClick(SEQuality->value(), PixelFormat->currentIndex(), ColorSpace->currentIndex(),
                         ChBProgressiveEncoding->isChecked());
    apply();
}

void TFormCnvDlg::BOkClick() {
    m_rules.BOkClick();
    apply();
    if (m_closeAfterRun && !m_rules.controls().running) {
        m_closeAfterRun = false;
        done(QDialog::Rejected);
    }
}

void TFormCnvDlg::done(int result) {
    if (m_rules.controls().running) {
        // Closing during a run stops it after the current file; the dialog closes when the
        // run has shown what it did.
        m_rules.stop();
        m_closeAfterRun = true;
        return;
    }
    if (m_shown) {
        const QList<int> sizes = m_splitter->sizes();
        m_rules.FormClose({width(), height(), x(), y(), sizes.value(0, kDesignTreeWidth)});
        m_shown = false;
    }
    QDialog::done(result);
}

}  // namespace vexilo
