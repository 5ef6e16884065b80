#include "TEnvelopeDesignScreen.h"

#include "Common.h"
#include "DesignerFrame.h"
#include "EnvelopeDialogs.h"
#include "EnvelopeStore.h"
#include "GHandle.h"
#include "LayoutDialogs.h"
#include "RecordSource.h"
#include "Table.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace addrova::envelopes {

using layout::TEnvelopePanel;

namespace {

constexpr int kSheetMargin = 16;
constexpr const char* kClassName = "TEnvelopeDesignScreen";

// Small plain pictures of the tools.
QIcon toolIcon(int state)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    auto text = [&](const QString& t) { p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, t); };
    switch (state) {
        case TEnvelopePanel::psPointing:
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF({QPointF(7, 3), QPointF(7, 19), QPointF(11, 15), QPointF(14, 21), QPointF(16, 20),
                                     QPointF(13, 14), QPointF(18, 14)}));
            break;
        case TEnvelopePanel::psLabel:
            f.setPixelSize(16);
            p.setFont(f);
            text(QStringLiteral("A"));
            break;
        case TEnvelopePanel::psDataLabel:
            p.drawRect(2, 6, 20, 12);
            text(QStringLiteral("F"));
            break;
        case TEnvelopePanel::psMultiLineLabel:
            for (int y : {6, 10, 14, 18})
                p.drawLine(4, y, y == 18 ? 13 : 20, y);
            break;
        case TEnvelopePanel::psAddressLabel:
            p.drawRect(1, 5, 22, 15);
            p.drawLine(1, 5, 12, 13);
            p.drawLine(23, 5, 12, 13);
            break;
        case TEnvelopePanel::psRectangle: p.drawRect(3, 6, 18, 12); break;
        case TEnvelopePanel::psEllipse: p.drawEllipse(3, 5, 18, 14); break;
        case TEnvelopePanel::psRoundRectangle: p.drawRoundedRect(3, 6, 18, 12, 4, 4); break;
        case TEnvelopePanel::psLine: p.drawLine(5, 19, 19, 5); break;
        case TEnvelopePanel::psImage:
            p.drawRect(2, 4, 20, 16);
            p.setBrush(Qt::darkGray);
            p.drawPolygon(QPolygonF({QPointF(3, 19), QPointF(9, 11), QPointF(13, 16), QPointF(16, 13), QPointF(21, 19)}));
            break;
        case TEnvelopePanel::psPostNetBarCode:
            p.setPen(QPen(Qt::black, 1.4));
            for (int i = 0; i < 9; ++i) {
                const int x = 3 + i * 2;
                const bool full = i == 0 || i == 8 || i % 3 == 1;
                p.drawLine(x, full ? 7 : 12, x, 17);
            }
            break;
        case TEnvelopePanel::psFIMBarCode: text(QStringLiteral("FIM")); break;
        default: break;
    }
    p.end();
    return QIcon(pm);
}

}  // namespace

QString DefaultFontCaption(const layout::LayoutFont& f)
{
    QString s = QStringLiteral("Default Font: ") + f.name + QStringLiteral(", ") + QString::number(f.size) +
                QStringLiteral(" pt ");
    if (f.style & layout::fsBold)
        s += QStringLiteral(", bold");
    if (f.style & layout::fsItalic)
        s += QStringLiteral(", italic");
    return s;
}

TEnvelopeDesignScreen::TEnvelopeDesignScreen(store::Table* address, layout::RecordSource* records, QWidget* parent)
    : QDialog(parent), address_(address)
{
    setObjectName(QLatin1String(kClassName));
    setWindowTitle(QStringLiteral("Envelope Design Screen"));

    area_ = new QScrollArea(this);
    area_->setWidgetResizable(false);
    sheet_ = new QWidget;
    sheet_->setAutoFillBackground(true);
    QPalette pal = sheet_->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    sheet_->setPalette(pal);
    panel_ = new TEnvelopePanel(sheet_);
    panel_->setObjectName(QStringLiteral("EnvelopePanel"));
    panel_->setOwner(this);
    panel_->setPpi(layout::ScreenPpi());
    panel_->move(kSheetMargin, kSheetMargin);
    panel_->setRecords(records);
    area_->setWidget(sheet_);
    panel_->installEventFilter(this);
    panel_->SelectionFrame()->installEventFilter(this);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setExclusive(true);
    const char* hints[] = {"Selection tool",       "Text tool",
                           "Database Field tool",  "Multi-line text tool",
                           "Database Mailing Address tool", "Rectangle tool",
                           "Ellipse tool",         "Round Rectangle tool",
                           "Line Tool",            "Clip Art Tool",
                           "Postnet Barcode tool", "FIM Barcode tool"};
    for (int s = 0; s < 12; ++s) {
        auto* b = new QToolButton(this);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromLatin1(hints[s]));
        b->setIcon(toolIcon(s));
        b->setIconSize(QSize(24, 24));
        if (s == TEnvelopePanel::psFIMBarCode) {
            b->setText(QStringLiteral("FIM"));
            b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        }
        toolGroup_->addButton(b, s);
        tools_[static_cast<size_t>(s)] = b;
        bar->addWidget(b);
        if (s == 0 || s == 4 || s == 9)
            bar->addSpacing(8);
    }
    tools_[0]->setChecked(true);
    bar->addSpacing(12);
    auto addToggle = [&](const char* hint, const char* text) {
        QToolButton* b = layout::MakeDesignerToggle(this, QString::fromLatin1(hint), QString::fromLatin1(text));
        bar->addWidget(b);
        toggles_.emplace_back(QString::fromLatin1(hint), b);
        return b;
    };
    QToolButton* grid = addToggle("Show grid", "#");
    QToolButton* snap = addToggle("Snap to Grid", "Snap");
    QToolButton* names = addToggle("Toggle display of field names or field values", "{ab}");
    QToolButton* margins = addToggle("Show unprintable areas", "Margins");
    QToolButton* usps = addToggle("Show USPS Automation Template", "USPS");
    bar->addSpacing(12);
    layout::DesignerFrame frame;
    frame.EndToolBar(this, bar);
    frame.Arrange(this, bar, area_, QStringLiteral("Change Size"));
    int how = 0;
    for (QToolButton* b : {frame.first, frame.prior, frame.next, frame.last}) {
        connect(b, &QToolButton::clicked, this, [this, how] { MoveRecord(how); });
        ++how;
    }
    zoomLabel_ = frame.zoomLabel;
    description_ = frame.description;
    size_ = frame.size;
    changeSize_ = frame.change;
    font_ = frame.font;
    save_ = frame.save;
    cancel_ = frame.cancel;
    leftLabel_ = frame.left;
    topLabel_ = frame.top;
    resize(1240, 620);

    font_->setText(DefaultFontCaption(panel_->panelFont()));
    SetCode(kEnvelope10);

    connect(toolGroup_, &QButtonGroup::idClicked, this, &TEnvelopeDesignScreen::ToolClick);
    connect(grid, &QToolButton::toggled, panel_, &layout::TGBasePanel::setShowGrid);
    connect(snap, &QToolButton::toggled, panel_, &layout::TGBasePanel::setSnapToGrid);
    connect(names, &QToolButton::toggled, this, [this](bool down) { panel_->setDisplayDataValues(!down); });
    connect(margins, &QToolButton::toggled, panel_, &TEnvelopePanel::setShowMargins);
    connect(usps, &QToolButton::toggled, panel_, &TEnvelopePanel::setShowUSPSTemplate);
    connect(frame.zoomUp, &QToolButton::clicked, this, &TEnvelopeDesignScreen::ZoomIn);
    connect(frame.zoomDown, &QToolButton::clicked, this, &TEnvelopeDesignScreen::ZoomOut);
    connect(changeSize_, &QPushButton::clicked, this, &TEnvelopeDesignScreen::ChangeSizeClick);
    connect(font_, &QPushButton::clicked, this, [this] {
        if (std::optional<layout::LayoutFont> f = layout::chooseLayoutFont(panel_->panelFont(), this))
            ApplyDefaultFont(*f);
    });
    connect(save_, &QPushButton::clicked, this, &TEnvelopeDesignScreen::SaveClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(description_, &QLineEdit::textEdited, this, &TEnvelopeDesignScreen::ShowSave);
    connect(panel_, &layout::TGBasePanel::LabelChangedEvent, this, &TEnvelopeDesignScreen::ShowSave);
    connect(panel_, &layout::TGBasePanel::DroppedObjectEvent, this, [this] {
        panel_->setPanelState(TEnvelopePanel::psPointing);
        tools_[0]->setChecked(true);
    });
    for (QWidget* c : findChildren<QWidget*>())
        if (c != description_)
            c->installEventFilter(this);
}

TEnvelopeDesignScreen::~TEnvelopeDesignScreen() = default;

QToolButton* TEnvelopeDesignScreen::toggle(const QString& hint) const
{
    for (const auto& [h, b] : toggles_)
        if (h == hint)
            return b;
    return nullptr;
}

void TEnvelopeDesignScreen::SetDescription(const QString& d) { description_->setText(d); }

QString TEnvelopeDesignScreen::Description() const
{
    return description_->text().left(static_cast<int>(kDescriptionKept));
}

void TEnvelopeDesignScreen::SetCode(int code)
{
    code_ = KnownEnvelopeCode(code) ? code : kEnvelope10;
    const int i = EnvelopeSizeIndex(code_);
    size_->setText(QString::fromLatin1(kEnvelopeSizes[static_cast<size_t>(i)].entry).trimmed());
    ApplySize();
}

void TEnvelopeDesignScreen::SetPrinterGeometry(int left, int top, int right, int bottom, int pageWidth,
                                               int pageHeight)
{
    panel_->setPrinterGeometry(left, top, bottom, right, pageWidth, pageHeight);
}

int TEnvelopeDesignScreen::zoomPercent() const
{
    return static_cast<int>(std::lround(static_cast<double>(panel_->zoomFactor()) * 100));
}

void TEnvelopeDesignScreen::done(int r)
{
    ui::SavePlacement(this, QLatin1String(kClassName));
    QDialog::done(r);
}

void TEnvelopeDesignScreen::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TEnvelopeDesignScreen::FormActivate()
{
    ui::RestorePlacement(this, QLatin1String(kClassName));
    ApplySize();
    panel_->show();
    save_->hide();
    updating_ = false;
    panel_->setFocus();
}

void TEnvelopeDesignScreen::ApplySize()
{
    const QSize want(PanelPixels(EnvelopeWidth(code_), panel_->ppi()), PanelPixels(EnvelopeHeight(code_), panel_->ppi()));
    const float zoom = panel_->zoomFactor();
    if (zoom != 1.0f)
        panel_->SetZoom(1.0f);
    const bool changed = panel_->size() != want;
    if (changed)
        panel_->resize(want);
    if (zoom != 1.0f)
        panel_->SetZoom(zoom);
    if (changed)
        emit panel_->LabelChangedEvent(panel_);
    layoutDesignArea();
}

void TEnvelopeDesignScreen::layoutDesignArea()
{
    sheet_->resize(panel_->width() + 2 * kSheetMargin, panel_->height() + 2 * kSheetMargin);
}

void TEnvelopeDesignScreen::ShowSave()
{
    if (!updating_)
        save_->show();
}

void TEnvelopeDesignScreen::ToolClick(int state)
{
    tools_.at(static_cast<size_t>(state))->setChecked(true);
    panel_->setPanelState(state);
}

void TEnvelopeDesignScreen::ChangeSizeClick()
{
    int code = code_;
    const bool ok = sizeDialogOverride ? sizeDialogOverride(code) : TChooseEnvelopeLayout::Ask(code, this);
    if (!ok)
        return;
    SetCode(code);
    panel_->ClampObjects();
}

void TEnvelopeDesignScreen::MoveRecord(int how)
{
    store::Table* t = address_;
    if (!t || !t->isOpen())
        return;
    try {
        switch (how) {
            case 0: t->goTop(); break;
            case 1:
                if (!t->skip(-1))
                    t->goTop();
                break;
            case 2:
                if (!t->skip(1) || t->eof())
                    t->goBottom();
                break;
            default: t->goBottom(); break;
        }
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
        return;
    }
    panel_->RefreshData();
    panel_->update();
}

bool TEnvelopeDesignScreen::ZoomIn()
{
    const int now = zoomPercent(), to = EnvelopeZoomStep(now, 1);
    if (to == now)
        return false;
    ZoomTo(to);
    return true;
}

bool TEnvelopeDesignScreen::ZoomOut()
{
    const int now = zoomPercent(), to = EnvelopeZoomStep(now, -1);
    if (to == now)
        return false;
    ZoomTo(to);
    return true;
}

void TEnvelopeDesignScreen::ZoomTo(int percent)
{
    const bool was = updating_;
    updating_ = true;
    panel_->SelectionFrame()->clearSelection();
    panel_->SetZoom(static_cast<float>(percent) / 100.0f);
    zoomLabel_->setText(QString::number(zoomPercent()) + QLatin1Char('%'));
    layoutDesignArea();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    updating_ = was;
}

void TEnvelopeDesignScreen::ApplyDefaultFont(const layout::LayoutFont& f)
{
    panel_->setPanelFont(f);
    font_->setText(DefaultFontCaption(f));
}

void TEnvelopeDesignScreen::SaveClick()
{
    panel_->setPanelState(TEnvelopePanel::psPointing);
    tools_[0]->setChecked(true);
    panel_->SelectionFrame()->clearSelection();
    // The caller stores the panel: at 100 % its objects hold their exact geometry.
    if (zoomPercent() != 100)
        ZoomTo(100);
    accept();
}

void TEnvelopeDesignScreen::ShowPosition(QPoint panelPos)
{
    const double z = panel_->zoomFactor();
    QPoint at = panelPos;
    layout::TGHandle* frame = panel_->SelectionFrame();
    if (frame->count() > 0)
        at = frame->geometry().topLeft();
    const int ppi = panel_->ppi() > 0 ? panel_->ppi() : 96;
    leftLabel_->setText(QStringLiteral("Left: ") + QString::number(at.x() / z / ppi, 'f', 2));
    topLabel_->setText(QStringLiteral("Top: ") + QString::number(at.y() / z / ppi, 'f', 2));
}

bool TEnvelopeDesignScreen::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == panel_ && e->type() == QEvent::Resize)
        layoutDesignArea();
    if (e->type() == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (watched == panel_)
            ShowPosition(me->position().toPoint());
        else if (watched == panel_->SelectionFrame())
            ShowPosition(panel_->SelectionFrame()->mapToParent(me->position().toPoint()));
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease)
        return QDialog::eventFilter(watched, e);
    if (watched == description_ || !isAncestorOf(qobject_cast<QWidget*>(watched)))
        return false;
    auto* ke = static_cast<QKeyEvent*>(e);
    const bool keypad = ke->modifiers() & Qt::KeypadModifier;
    if (keypad && (ke->key() == Qt::Key_Plus || ke->key() == Qt::Key_Minus)) {
        if (e->type() == QEvent::KeyRelease) {
            if (ke->key() == Qt::Key_Plus)
                ZoomIn();
            else
                ZoomOut();
        }
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        QScrollBar* v = area_->verticalScrollBar();
        switch (ke->key()) {
            case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
            case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
            case Qt::Key_Home: v->setValue(v->minimum()); return true;
            case Qt::Key_End: v->setValue(v->maximum()); return true;
            default: break;
        }
    }
    if (watched == panel_ || watched == panel_->SelectionFrame())
        return false;
    if (e->type() == QEvent::KeyPress) {
        ke->setAccepted(false);
        panel_->PanelKeyDown(ke);
        return ke->isAccepted();
    }
    panel_->PanelKeyUp(ke);
    return false;
}

}  // namespace addrova::envelopes
