#include "TReportDesigner.h"

#include "Common.h"
#include "GHandle.h"
#include "GPanels.h"
#include "Help.h"
#include "HRuler.h"
#include "LayoutTypes.h"
#include "RecordSource.h"
#include "ReportPrint.h"
#include "Table.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace addrova::reports {

using layout::TReportPanel;

namespace {

constexpr int kPpi = 96;
constexpr int kCaption = 20, kSizer = 5, kRuler = 24, kMemoHeight = 33;

struct ToolInfo {
    const char* name;
    int state;
    bool header, detail, footer;
};
const ToolInfo kTools[] = {
    {"Selection tool", TReportPanel::psPointing, true, true, true},
    {"Text tool", TReportPanel::psLabel, true, true, true},
    {"Line Tool", TReportPanel::psLine, true, true, true},
    {"Clip Art Tool", TReportPanel::psImage, true, false, false},
    {"Database Field tool", TReportPanel::psDataLabel, false, true, false},
    {"Date Time Tool", TReportPanel::psDateTime, true, false, false},
    {"Page Number Tool", TReportPanel::psPageNumber, true, false, false},
    {"Symbol tool", TReportPanel::psSymbolLabel, true, true, true},
    {"Rectangle tool", TReportPanel::psRectangle, true, true, true},
    {"Ellipse tool", TReportPanel::psEllipse, true, true, true},
    {"Round Rectangle tool", TReportPanel::psRoundRectangle, true, true, true},
};

struct NamedColour {
    const char* name;
    uint32_t value;
};
const NamedColour kColours[] = {
    {"White", 0x00FFFFFF}, {"Silver", 0x00C0C0C0}, {"Gray", 0x00808080},   {"Black", 0x00000000},
    {"Red", 0x000000FF},   {"Yellow", 0x0000FFFF}, {"Lime", 0x0000FF00},   {"Aqua", 0x00FFFF00},
    {"Blue", 0x00FF0000},  {"Fuchsia", 0x00FF00FF}, {"Navy", 0x00800000}, {"Teal", 0x00808000},
};

QColor qcolour(uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

BandFrame& frameOf(ReportSettings& s, int band)
{
    BandFrame* f[] = {&s.headerFrame, &s.detailFrame, &s.memoFrame, &s.footerFrame};
    return *f[band];
}

}  // namespace

// The 5-pixel strip below a band that sizes it.
class BandSizer : public QWidget {
public:
    BandSizer(TReportDesigner* d, int band, QWidget* parent) : QWidget(parent), d_(d), band_(band)
    {
        setCursor(Qt::SizeVerCursor);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(0xA0, 0xA0, 0xA0));
        setPalette(p);
    }
    std::function<int()> height_;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        pressY_ = e->globalPosition().toPoint().y();
        start_ = height_ ? height_() : 0;
        down_ = true;
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (down_)
            d_->DragSizer(band_, start_, e->globalPosition().toPoint().y() - pressY_, false);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!down_)
            return;
        down_ = false;
        d_->DragSizer(band_, start_, e->globalPosition().toPoint().y() - pressY_, true);
    }

private:
    TReportDesigner* d_;
    int band_;
    int pressY_ = 0, start_ = 0;
    bool down_ = false;
};

TReportDesigner::TReportDesigner(store::Table& address, std::string tagId, std::string shortDateFormat,
                                 QWidget* parent)
    : QDialog(parent), address_(address),
      records_(std::make_unique<layout::TableRecordSource>(address, std::move(tagId), std::move(shortDateFormat), true)),
      s_(ReportSettings::NewReport(kPpi))
{
    setObjectName(QStringLiteral("TReportDesigner"));
    setWindowTitle(QStringLiteral("Report Designer"));
    auto* top = new QVBoxLayout(this);

    auto* strip = new QHBoxLayout;
    strip->addWidget(new QLabel(QStringLiteral("Description:")));
    description_ = new QLineEdit;
    description_->setObjectName(QStringLiteral("DescriptionEdit"));
    description_->setMaxLength(kDescriptionLength);
    strip->addWidget(description_, 1);
    strip->addWidget(new QLabel(QStringLiteral("Layout:")));
    layoutLabel_ = new QLabel;
    layoutLabel_->setObjectName(QStringLiteral("LayoutLabel"));
    strip->addWidget(layoutLabel_);
    fontButton_ = new QPushButton;
    fontButton_->setObjectName(QStringLiteral("DefaultFontButton"));
    fontButton_->setAutoDefault(false);
    strip->addWidget(fontButton_);
    top->addLayout(strip);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar"));
    tools_ = new QActionGroup(this);
    tools_->setExclusive(true);
    for (const ToolInfo& t : kTools) {
        QAction* a = bar->addAction(QString::fromLatin1(t.name).section(QLatin1Char(' '), 0, -2));
        a->setToolTip(QString::fromLatin1(t.name));
        a->setObjectName(QString::fromLatin1(t.name));
        a->setCheckable(true);
        tools_->addAction(a);
    }
    tools_->actions().first()->setChecked(true);
    bar->addSeparator();
    grid_ = bar->addAction(QStringLiteral("Grid"));
    grid_->setToolTip(QStringLiteral("Show grid"));
    snap_ = bar->addAction(QStringLiteral("Snap"));
    snap_->setToolTip(QStringLiteral("Snap to Grid"));
    names_ = bar->addAction(QStringLiteral("Names"));
    names_->setToolTip(QStringLiteral("Toggle display of field names or field values"));
    for (QAction* a : {grid_, snap_, names_})
        a->setCheckable(true);
    top->addWidget(bar);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("PageScroll"));
    page_ = new QWidget;
    page_->setObjectName(QStringLiteral("Page"));
    page_->setAutoFillBackground(true);
    QPalette pal = page_->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    page_->setPalette(pal);
    scroll->setWidget(page_);
    top->addWidget(scroll, 1);

    ruler_ = new layout::THRuler(page_);
    ruler_->setPpi(kPpi);
    const char* captions[] = {"Header", "Detail", "Memo", "Footer"};
    const layout::ReportPanelKind kinds[] = {layout::ReportPanelKind::rpkHeader, layout::ReportPanelKind::rpkDetail,
                                             layout::ReportPanelKind::rpkFooter};
    for (int i = 0; i < 4; ++i) {
        caption_[i] = new QWidget(page_);
        caption_[i]->setAutoFillBackground(true);
        QPalette cp = caption_[i]->palette();
        cp.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
        caption_[i]->setPalette(cp);
        auto* cl = new QHBoxLayout(caption_[i]);
        cl->setContentsMargins(4, 0, 4, 0);
        use_[i] = new QCheckBox(QString::fromLatin1(captions[i]), caption_[i]);
        use_[i]->setObjectName(QString::fromLatin1(captions[i]) + QStringLiteral("Use"));
        cl->addWidget(use_[i]);
        cl->addStretch();
        sizer_[i] = new BandSizer(this, i, page_);
        sizer_[i]->height_ = [this, i] { return bandHeight(i); };
        connect(use_[i], &QCheckBox::toggled, this, [this, i](bool on) {
            bool* flags[] = {&s_.useHeader, &s_.useDetail, &s_.useMemo, &s_.useFooter};
            *flags[i] = on;
            LayOut();
        });
    }
    memoProps_ = new QPushButton(QStringLiteral("Properties"), caption_[2]);
    memoProps_->setObjectName(QStringLiteral("MemoProperties"));
    memoProps_->setFlat(true);
    caption_[2]->layout()->addWidget(memoProps_);
    auto* menu = new QMenu(memoProps_);
    menu->addAction(QStringLiteral("Font"), this, [this] {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, memo_->font(), this);
        if (ok)
            memo_->setFont(f);
        s_.memoFontName = memo_->font().family();
        s_.memoFontSize = memo_->font().pointSize();
        s_.memoBold = memo_->font().bold();
        s_.memoItalic = memo_->font().italic();
        LayOut();
    });
    const struct {
        const char* text;
        int value;
    } aligns[] = {{"Left Aligned", 0}, {"Centered", 2}, {"Right Aligned", 1}};
    for (const auto& a : aligns) {
        QAction* act = menu->addAction(QString::fromLatin1(a.text));
        act->setCheckable(true);
        const int v = a.value;
        connect(act, &QAction::triggered, this, [this, v] {
            s_.memoAlignment = v;
            LayOut();
        });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const int order[] = {0, 2, 1};
        for (int i = 0; i < 3; ++i)
            menu->actions().at(i + 1)->setChecked(s_.memoAlignment == order[i]);
    });
    memoProps_->setMenu(menu);

    for (int i = 0; i < 3; ++i) {
        bands_[i] = new TReportPanel(page_);
        bands_[i]->setPAnelKind(kinds[i]);
        bands_[i]->setPpi(kPpi);
        bands_[i]->setOwner(this);
        bands_[i]->setRecords(records_.get());
        bands_[i]->setDisplayDataValues(true);
        connect(bands_[i], &TReportPanel::ControlMouseDownEvent, this, [this](TReportPanel* sender) {
            for (TReportPanel* b : bands_)
                if (b != sender)
                    b->SelectionFrame()->clearSelection();
        });
        connect(bands_[i], &layout::TGBasePanel::DroppedObjectEvent, this, [this] {
            QTimer::singleShot(0, this, [this] {
                tools_->actions().first()->setChecked(true);
                ToolChosen(tools_->actions().first());
            });
        });
    }
    bands_[0]->setObjectName(QStringLiteral("HeaderBand"));
    bands_[1]->setObjectName(QStringLiteral("DetailBand"));
    bands_[2]->setObjectName(QStringLiteral("FooterBand"));
    memo_ = new QPlainTextEdit(page_);
    memo_->setObjectName(QStringLiteral("MemoBox"));
    memo_->setReadOnly(true);

    auto* bottom = new QHBoxLayout;
    auto mk = [&](const QString& caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        bottom->addWidget(b);
        return b;
    };
    connect(mk(QStringLiteral("Save"), "SaveButton"), &QPushButton::clicked, this, &TReportDesigner::SaveButtonClick);
    connect(mk(QStringLiteral("Cancel"), "CancelButton"), &QPushButton::clicked, this, &QDialog::reject);
    connect(mk(QStringLiteral("Change Layout"), "ChangeLayoutButton"), &QPushButton::clicked, this,
            &TReportDesigner::ChangeLayoutClick);
    connect(mk(QStringLiteral("Help"), "HelpButton"), &QPushButton::clicked, this,
            [] { help::ShowHelpContents(); });
    bottom->addStretch();
    const char* moves[] = {"|<", "<", ">", ">|"};
    const char* names[] = {"FirstButton", "PriorButton", "NextButton", "LastButton"};
    for (int i = 0; i < 4; ++i)
        connect(mk(QString::fromLatin1(moves[i]), names[i]), &QPushButton::clicked, this, [this, i] { MoveRecord(i); });
    top->addLayout(bottom);

    connect(tools_, &QActionGroup::triggered, this, &TReportDesigner::ToolChosen);
    connect(grid_, &QAction::toggled, this, [this](bool on) {
        for (TReportPanel* b : bands_)
            b->setShowGrid(on);
    });
    connect(snap_, &QAction::toggled, this, [this](bool on) {
        for (TReportPanel* b : bands_)
            b->setSnapToGrid(on);
    });
    connect(names_, &QAction::toggled, this, [this](bool down) { bands_[1]->setDisplayDataValues(!down); });
    connect(fontButton_, &QPushButton::clicked, this, [this] {
        QFont start(s_.defaultFontName, s_.defaultFontSize);
        start.setBold(s_.defaultBold);
        start.setItalic(s_.defaultItalic);
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, start, this);
        if (ok) {
            s_.defaultFontName = f.family();
            s_.defaultFontSize = f.pointSize();
            s_.defaultBold = f.bold();
            s_.defaultItalic = f.italic();
            LayOut();
        }
        rebuildFontCaption();
    });
    resize(900, 640);
}

TReportDesigner::~TReportDesigner() = default;

ReportBands TReportDesigner::Bands()
{
    return ReportBands{this, bands_[0], bands_[1], bands_[2]};
}

void TReportDesigner::SetDefinition(const ReportDefinition& def)
{
    s_ = def.settings;
    layoutName_ = def.layoutName;
    binary_ = def.binary;
    description_->setText(def.description);
    layoutLabel_->setText(def.layoutName);
    for (TReportPanel* b : bands_)
        b->HookAll();
    const bool flags[] = {s_.useHeader, s_.useDetail, s_.useMemo, s_.useFooter};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker block(use_[i]);
        use_[i]->setChecked(flags[i]);
    }
    rebuildFontCaption();
    LayOut();
}

ReportDefinition TReportDesigner::Definition() const
{
    ReportDefinition d;
    d.description = description_->text().left(kDescriptionLength);
    d.layoutName = layoutLabel_->text();
    d.binary = binary_;
    d.settings = s_;
    return d;
}

QAction* TReportDesigner::Tool(const QString& name) const
{
    for (QAction* a : tools_->actions())
        if (a->objectName() == name)
            return a;
    for (QAction* a : {grid_, snap_, names_})
        if (a->toolTip() == name)
            return a;
    return nullptr;
}

void TReportDesigner::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (activated_)
        return;
    activated_ = true;
    for (TReportPanel* b : bands_)
        b->RefreshData();
    refreshMemo();
    LayOut();
    rebuildFontCaption();
    ui::RestorePlacement(this, QStringLiteral("TReportDesigner"));
}

void TReportDesigner::done(int r)
{
    ui::SavePlacement(this, QStringLiteral("TReportDesigner"));
    QDialog::done(r);
}

void TReportDesigner::rebuildFontCaption()
{
    QString c = QStringLiteral("Default Font: ") + s_.defaultFontName + QStringLiteral(", ") +
                QString::number(s_.defaultFontSize) + QStringLiteral(" pt ");
    if (s_.defaultBold)
        c += QStringLiteral(", bold");
    if (s_.defaultItalic)
        c += QStringLiteral(", italic");
    fontButton_->setText(c);
}

void TReportDesigner::refreshMemo()
{
    memo_->setPlainText(MemoText(address_));
}

int TReportDesigner::bandHeight(int band) const
{
    const int h[] = {s_.headerHeight, s_.detailHeight, s_.useMemo ? kMemoHeight : 0, s_.footerHeight};
    return h[band];
}

void TReportDesigner::setBandHeight(int band, int h)
{
    int* v[] = {&s_.headerHeight, &s_.detailHeight, nullptr, &s_.footerHeight};
    if (v[band])
        *v[band] = h;
}

void TReportDesigner::LayOut()
{
    const int W = s_.pageWidth - s_.leftMargin - s_.rightMargin - kPpi / 4;
    const int memoH = s_.useMemo ? kMemoHeight : 0;
    const int area = s_.pageHeight + memoH - s_.topMargin - s_.bottomMargin + 100;
    ruler_->setStartInch(double(s_.leftMargin) / kPpi);
    const bool used[] = {s_.useHeader, s_.useDetail, s_.useMemo, s_.useFooter};
    for (int i : {0, 1, 3}) {
        if (!used[i]) {
            setBandHeight(i, 0);
        } else if (bandHeight(i) == 0 && !dragging_) {
            setBandHeight(i, 20);
            const int total = s_.headerHeight + s_.detailHeight + s_.footerHeight + memoH + 100;
            if (total > area)
                setBandHeight(i, std::max(0, 20 - (total - area)));
        }
    }
    int y = 0;
    ruler_->setGeometry(0, y, W, kRuler);
    y += kRuler;
    for (int i = 0; i < 4; ++i) {
        caption_[i]->setGeometry(0, y, W, kCaption);
        y += kCaption;
        const int h = bandHeight(i);
        QWidget* band = i == 2 ? static_cast<QWidget*>(memo_) : static_cast<QWidget*>(bands_[i == 3 ? 2 : i]);
        band->setGeometry(0, y, W, h);
        band->setVisible(h > 0);
        y += h;
        sizer_[i]->setGeometry(0, y, W, kSizer);
        sizer_[i]->setEnabled(used[i] && i != 2);
        y += kSizer;
    }
    memoProps_->setVisible(s_.useMemo);
    QFont mf(s_.memoFontName, s_.memoFontSize);
    mf.setBold(s_.memoBold);
    mf.setItalic(s_.memoItalic);
    memo_->setFont(mf);
    const Qt::Alignment a = s_.memoAlignment == 1 ? Qt::AlignRight : s_.memoAlignment == 2 ? Qt::AlignHCenter
                                                                                            : Qt::AlignLeft;
    QTextOption opt = memo_->document()->defaultTextOption();
    opt.setAlignment(a);
    memo_->document()->setDefaultTextOption(opt);
    layout::LayoutFont df;
    df.name = s_.defaultFontName;
    df.size = s_.defaultFontSize;
    df.style = (s_.defaultBold ? layout::fsBold : 0u) | (s_.defaultItalic ? layout::fsItalic : 0u);
    for (TReportPanel* b : bands_)
        b->setPanelFont(df);
    page_->resize(W, std::max(y, area));
}

void TReportDesigner::DragSizer(int band, int startHeight, int dy, bool released)
{
    if (band == 2)
        return;
    // A band dragged to 0 keeps it, also at the release, so that Save unticks it.
    dragging_ = true;
    int h = std::max(0, startHeight + dy);
    setBandHeight(band, h);
    const int memoH = s_.useMemo ? kMemoHeight : 0;
    const int area = s_.pageHeight + memoH - s_.topMargin - s_.bottomMargin + 100;
    const int total = s_.headerHeight + s_.detailHeight + s_.footerHeight + memoH + 100;
    if (total > area)
        setBandHeight(band, std::max(0, h - (total - area)));
    LayOut();
    dragging_ = false;
    if (released)
        bands_[band == 3 ? 2 : band]->ClampObjects();
}

void TReportDesigner::ToolChosen(QAction* tool)
{
    for (const ToolInfo& t : kTools) {
        if (tool->objectName() != QLatin1String(t.name))
            continue;
        const bool allowed[] = {t.header, t.detail, t.footer};
        for (int i = 0; i < 3; ++i) {
            bands_[i]->setPanelState(t.state);
            bands_[i]->setBandEnabled(allowed[i]);
        }
    }
}

void TReportDesigner::MoveRecord(int how)
{
    try {
        if (how == 0)
            address_.goTop();
        else if (how == 1) {
            address_.skip(-1);
            if (address_.bof())
                address_.goTop();
        } else if (how == 2) {
            address_.skip(1);
            if (address_.eof())
                address_.goBottom();
        } else
            address_.goBottom();
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    bands_[1]->RefreshData();
    refreshMemo();
}

void TReportDesigner::SaveButtonClick()
{
    const bool flagsUsed[] = {s_.useHeader, s_.useDetail, s_.useMemo, s_.useFooter};
    for (int i = 0; i < 4; ++i)
        if (flagsUsed[i] && bandHeight(i) == 0)
            use_[i]->setChecked(false);
    if (!s_.useHeader && !s_.useDetail && !s_.useMemo && !s_.useFooter) {
        ui::ShowInfo(QString::fromLatin1(kNoBands));
        return;
    }
    const bool used[] = {s_.useHeader, s_.useDetail, s_.useFooter};
    for (int i = 0; i < 3; ++i) {
        if (used[i])
            bands_[i]->PurgeObjects();
        else
            bands_[i]->ClearAll();
    }
    for (int i : {2, 0, 1})
        bands_[i]->ClearDataAll();
    saved_ = true;
    accept();
}

void TReportDesigner::ChangeLayoutClick()
{
    TReportProperties p(s_, kPpi, this);
    ui::CenterOverMain(&p);
    const bool save = propertiesShown ? propertiesShown(p) : p.exec() == QDialog::Accepted;
    if (!save)
        return;
    s_ = p.Result();
    layoutName_ = p.LayoutNameChosen();
    layoutLabel_->setText(layoutName_);
    LayOut();
}

// ---- TReportProperties ----

TReportProperties::TReportProperties(const ReportSettings& settings, int ppi, QWidget* parent)
    : QDialog(parent), s_(settings), ppi_(ppi)
{
    setObjectName(QStringLiteral("TReportProperties"));
    setWindowTitle(QStringLiteral("Report Layout"));
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    tabs_ = new QTabWidget(this);
    left->addWidget(tabs_);
    top->addLayout(left, 1);

    auto* pageTab = new QWidget;
    auto* pl = new QVBoxLayout(pageTab);
    auto* orient = new QGroupBox(QStringLiteral("Orientation"));
    auto* ol = new QHBoxLayout(orient);
    portrait_ = new QRadioButton(QStringLiteral("Portrait"));
    landscape_ = new QRadioButton(QStringLiteral("Landscape"));
    ol->addWidget(portrait_);
    ol->addWidget(landscape_);
    auto* size = new QGroupBox(QStringLiteral("Size"));
    auto* sl = new QHBoxLayout(size);
    letter_ = new QRadioButton(QStringLiteral("Letter"));
    a4_ = new QRadioButton(QStringLiteral("A4"));
    sl->addWidget(letter_);
    sl->addWidget(a4_);
    auto* margins = new QGroupBox(QStringLiteral("Margins (in inches)"));
    auto* ml = new QGridLayout(margins);
    const char* marginNames[] = {"Left", "Top", "Right", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        margins_[i] = new QDoubleSpinBox;
        margins_[i]->setObjectName(QString::fromLatin1(marginNames[i]) + QStringLiteral("Margin"));
        margins_[i]->setDecimals(2);
        margins_[i]->setRange(kMinMargin, kMaxMargin);
        margins_[i]->setSingleStep(0.05);
        ml->addWidget(new QLabel(QString::fromLatin1(marginNames[i])), i / 2, (i % 2) * 2);
        ml->addWidget(margins_[i], i / 2, (i % 2) * 2 + 1);
        connect(margins_[i], &QDoubleSpinBox::valueChanged, this, [this] { changed(); });
    }
    pl->addWidget(orient);
    pl->addWidget(size);
    pl->addWidget(margins);
    pl->addStretch();
    tabs_->addTab(pageTab, QStringLiteral("Page"));
    for (QRadioButton* r : {portrait_, landscape_, letter_, a4_})
        connect(r, &QRadioButton::toggled, this, [this] { changed(); });

    const char* bandNames[] = {"Header", "Detail", "Memo", "Footer"};
    for (int b = 0; b < 4; ++b) {
        auto* tab = new QWidget;
        auto* tl = new QVBoxLayout(tab);
        auto* borders = new QGroupBox(QStringLiteral("Borders"));
        auto* bl = new QHBoxLayout(borders);
        FrameControls& f = frames_[b];
        f.top = new QCheckBox(QStringLiteral("Top"));
        f.left = new QCheckBox(QStringLiteral("Left"));
        f.bottom = new QCheckBox(QStringLiteral("Bottom"));
        f.right = new QCheckBox(QStringLiteral("Right"));
        for (QCheckBox* c : {f.top, f.left, f.bottom, f.right}) {
            bl->addWidget(c);
            connect(c, &QCheckBox::toggled, this, [this] { changed(); });
        }
        tl->addWidget(borders);
        auto* form = new QGridLayout;
        f.width = new QSpinBox;
        f.width->setRange(1, 3);
        f.shade = new QSpinBox;
        f.shade->setRange(0, 100);
        f.shade->setSingleStep(20);
        f.colour = new QComboBox;
        for (const NamedColour& c : kColours) {
            QPixmap swatch(12, 12);
            swatch.fill(qcolour(c.value));
            f.colour->addItem(QIcon(swatch), QString::fromLatin1(c.name), c.value);
        }
        form->addWidget(new QLabel(QStringLiteral("Line Width")), 0, 0);
        form->addWidget(f.width, 0, 1);
        form->addWidget(new QLabel(QStringLiteral("Shade Percent")), 1, 0);
        form->addWidget(f.shade, 1, 1);
        form->addWidget(new QLabel(QStringLiteral("Shade Color")), 2, 0);
        form->addWidget(f.colour, 2, 1);
        tl->addLayout(form);
        tl->addStretch();
        connect(f.width, &QSpinBox::valueChanged, this, [this] { changed(); });
        connect(f.shade, &QSpinBox::valueChanged, this, [this] { changed(); });
        connect(f.colour, &QComboBox::currentIndexChanged, this, [this] { changed(); });
        tabs_->addTab(tab, QString::fromLatin1(bandNames[b]));
    }

    auto* right = new QVBoxLayout;
    picture_ = new QLabel;
    picture_->setObjectName(QStringLiteral("Miniature"));
    picture_->setMinimumSize(240, 240);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->installEventFilter(this);
    right->addWidget(picture_);
    auto* buttons = new QHBoxLayout;
    auto mk = [&](const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(mk(QStringLiteral("Save")), &QPushButton::clicked, this, &QDialog::accept);
    connect(mk(QStringLiteral("Cancel")), &QPushButton::clicked, this, &QDialog::reject);
    connect(mk(QStringLiteral("Defaults")), &QPushButton::clicked, this, &TReportProperties::DefaultsClick);
    right->addLayout(buttons);
    top->addLayout(right);
    load(settings);
    resize(660, 320);
}

void TReportProperties::load(const ReportSettings& s)
{
    const QSignalBlocker b(this);
    const PaperChoice p = RecognisePaper(s.pageWidth, s.pageHeight, ppi_);
    (p.landscape ? landscape_ : portrait_)->setChecked(true);
    (p.paper == Paper::A4 ? a4_ : letter_)->setChecked(true);
    const int m[] = {s.leftMargin, s.topMargin, s.rightMargin, s.bottomMargin};
    for (int i = 0; i < 4; ++i)
        margins_[i]->setValue(double(m[i]) / ppi_);
    ReportSettings copy = s;
    for (int i = 0; i < 4; ++i) {
        const BandFrame& f = frameOf(copy, i);
        FrameControls& c = frames_[i];
        c.top->setChecked(f.top);
        c.left->setChecked(f.left);
        c.bottom->setChecked(f.bottom);
        c.right->setChecked(f.right);
        c.width->setValue(f.lineWidth);
        c.shade->setValue(f.shadePercent);
        int at = c.colour->findData(f.shadeColor);
        if (at < 0) {
            c.colour->addItem(QStringLiteral("Custom"), f.shadeColor);
            at = c.colour->count() - 1;
        }
        c.colour->setCurrentIndex(at);
    }
    changed();
}

ReportSettings TReportProperties::Result() const
{
    ReportSettings s = s_;
    SetPaper(s, a4_->isChecked() ? Paper::A4 : Paper::Letter, landscape_->isChecked(), ppi_);
    int* m[] = {&s.leftMargin, &s.topMargin, &s.rightMargin, &s.bottomMargin};
    for (int i = 0; i < 4; ++i)
        *m[i] = static_cast<int>(std::trunc(margins_[i]->value() * ppi_ + 1e-9));
    for (int i = 0; i < 4; ++i) {
        BandFrame& f = frameOf(s, i);
        const FrameControls& c = frames_[i];
        f.top = c.top->isChecked();
        f.left = c.left->isChecked();
        f.bottom = c.bottom->isChecked();
        f.right = c.right->isChecked();
        f.lineWidth = c.width->value();
        f.shadePercent = c.shade->value();
        f.shadeColor = c.colour->currentData().toUInt();
    }
    return s;
}

QString TReportProperties::LayoutNameChosen() const
{
    return LayoutName(a4_->isChecked() ? Paper::A4 : Paper::Letter, landscape_->isChecked());
}

void TReportProperties::DefaultsClick()
{
    ReportSettings d = s_;
    SetPaper(d, Paper::Letter, false, ppi_);
    d.leftMargin = d.topMargin = d.rightMargin = d.bottomMargin = static_cast<int>(std::trunc(0.5 * ppi_));
    d.headerFrame = d.detailFrame = d.memoFrame = d.footerFrame = BandFrame{};
    load(d);
}

void TReportProperties::bandAreas(const ReportSettings& s, QRect areas[4], QSize& paper) const
{
    const double k = 1.0 / (0.05 * ppi_);  // design units to miniature pixels
    const int w = int(s.pageWidth * k), h = int(s.pageHeight * k);
    paper = QSize(w, h);
    const int l = int(s.leftMargin * k), t = int(s.topMargin * k), r = w - int(s.rightMargin * k),
              b = h - int(s.bottomMargin * k);
    const int hh = int(s.headerHeight * k), fh = int(s.footerHeight * k), mh = int(kMemoHeight * k);
    areas[0] = QRect(QPoint(l, t), QPoint(r, t + hh));
    areas[1] = QRect(QPoint(l, t + hh), QPoint(r, b - fh - mh));
    areas[2] = QRect(QPoint(l, b - fh - mh), QPoint(r, b - fh));
    areas[3] = QRect(QPoint(l, b - fh), QPoint(r, b));
}

QImage TReportProperties::Miniature() const
{
    const ReportSettings s = Result();
    QRect areas[4];
    QSize paper;
    bandAreas(s, areas, paper);
    const int w = paper.width(), h = paper.height();
    QImage img(w + 1, h + 1, QImage::Format_RGB32);
    img.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&img);
    p.fillRect(0, 0, w, h, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(0, 0, w, h);
    for (int i = 0; i < 4; ++i) {
        ReportSettings copy = s;
        const BandFrame& f = frameOf(copy, i);
        const QRect& a = areas[i];
        p.fillRect(a, qcolour(MixShade(f.shadeColor, f.shadePercent)));
        p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), 1, Qt::DotLine));
        p.drawRect(a.adjusted(0, 0, -1, -1));
        const int lw = f.lineWidth;
        if (f.top)
            p.fillRect(a.left(), a.top(), a.width(), lw, Qt::black);
        if (f.bottom)
            p.fillRect(a.left(), a.bottom() - lw + 1, a.width(), lw, Qt::black);
        if (f.left)
            p.fillRect(a.left(), a.top(), lw, a.height(), Qt::black);
        if (f.right)
            p.fillRect(a.right() - lw + 1, a.top(), lw, a.height(), Qt::black);
    }
    return img;
}

void TReportProperties::MiniatureClicked(QPoint at)
{
    QRect areas[4];
    QSize paper;
    bandAreas(Result(), areas, paper);
    // Header first: the bands lie inside the paper.
    for (int i = 0; i < 4; ++i) {
        if (areas[i].contains(at)) {
            tabs_->setCurrentIndex(i + 1);
            return;
        }
    }
    if (QRect(QPoint(0, 0), paper).contains(at))
        tabs_->setCurrentIndex(0);
}

bool TReportProperties::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picture_ && event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const QSize pix = picture_->pixmap().size();
        const QPoint offset((picture_->width() - pix.width()) / 2, (picture_->height() - pix.height()) / 2);
        MiniatureClicked(me->position().toPoint() - offset);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TReportProperties::changed()
{
    picture_->setPixmap(QPixmap::fromImage(Miniature()));
}

}  // namespace addrova::reports
