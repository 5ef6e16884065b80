#include "GPanels.h"

#include "Common.h"
#include "GBarcode.h"
#include "GIMBarcode.h"
#include "GFiler.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"

#include <QApplication>
#include <QPainter>
#include <cmath>
#include <functional>

namespace addrova::layout {

QRect placementRect(const QRect& band) {
    QRect r = band;
    if (r.width() < 25) r.setWidth(50);
    if (r.height() < 15) r.setHeight(15);
    return r;
}

namespace {

// Creates an object of a tool, lets it finish loading and adopts it.
template <class T> T* adopt(TGBasePanel* panel, const QRect& r, const std::function<void(T*)>& setup = {}) {
    auto* o = new T(panel);
    if (setup) setup(o);
    o->loaded();
    panel->AddObject(o, r);
    return o;
}

template <class T> void takeFont(TGBasePanel* panel, T* o) { o->setFont(panel->panelFont()); }

TGLabelShapes* placeShape(TGBasePanel* panel, const QRect& r, ShapeType shape, bool report) {
    TGLabelShapes* s = report ? new Trpshapes(panel) : new TGLabelShapes(panel);
    s->setShape(shape);
    s->loaded();
    panel->AddObject(s, r);
    return s;
}

TGLineShape* placeLine(TGBasePanel* panel, const QRect& r, LineStyle style) {
    return adopt<TGLineShape>(panel, r, [style](TGLineShape* l) { l->setLineStyle(style); });
}

void placeTextLabel(TGBasePanel* panel, const QRect& r) {
    auto* l = adopt<TGPLabel>(panel, r, [panel](TGPLabel* o) {
        o->setCaption(QStringLiteral("<text>"));
        takeFont(panel, o);
    });
    l->editOnPlacement();
    l->fitToText();
}

void placeDataLabel(TGBasePanel* panel, const QRect& r) {
    auto* l = adopt<TGPDLabel>(panel, r, [panel](TGPDLabel* o) {
        o->setDataFieldName(QStringLiteral("<field>"));
        o->setCaption(QStringLiteral("<field>"));
        takeFont(panel, o);
    });
    l->chooseField();
    panel->RefreshData();
    l->fitToText();
}

void placeMultiLine(TGBasePanel* panel, const QRect& r) {
    auto* m = adopt<TGMultiLineLabel>(panel, r, [panel](TGMultiLineLabel* o) { takeFont(panel, o); });
    m->editText();
    m->fitLines();
}

void placeMemo(TGBasePanel* panel, const QRect& r) {
    adopt<TGDMultiLineLabel>(panel, r, [panel](TGDMultiLineLabel* o) {
        o->setDataFieldName(QStringLiteral("Memo"));
        o->setDataFieldDescript(QStringLiteral("MEMO"));
        takeFont(panel, o);
    });
    panel->RefreshData();
}

void placeAddress(TGBasePanel* panel, const QRect& r) {
    auto* a = adopt<TGDMultiLineAddressLabel>(panel, r, [panel](TGDMultiLineAddressLabel* o) { takeFont(panel, o); });
    panel->RefreshData();
    a->fitLines();
}

void placePostNet(TGBasePanel* panel, const QRect& r) {
    adopt<TGPostNetBarCode>(panel, r, [](TGPostNetBarCode* b) {
        b->setZipCodeField(QStringLiteral("ZIP"));
        b->setAddressField(QStringLiteral("STREET"));
    });
    panel->RefreshData();
}

void placeIMb(TGBasePanel* panel, const QRect& r) {
    adopt<TGIMBarCode>(panel, r, [](TGIMBarCode* b) {
        b->setZipCodeField(QStringLiteral("ZIP"));
        b->setAddressField(QStringLiteral("STREET"));
    });
    panel->RefreshData();
}

void placeSymbol(TGBasePanel* panel, const QRect& r, bool fit) {
    auto* s = adopt<TGSymbolLabel>(panel, r);
    s->symbolSelector();
    if (fit) s->fitToText();
}

template <class T> void placeFitted(TGBasePanel* panel, const QRect& r) {
    auto* l = adopt<T>(panel, r, [panel](T* o) { takeFont(panel, o); });
    l->fitToText();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TGLabelPanel

TGLabelPanel::TGLabelPanel(QWidget* parent) : TGDataPanel(parent) { registerPanelClasses(PanelKind::Label); }

TGLabelPanel::~TGLabelPanel() {
    if (state_ != psPointing) setProgramDragCursor(false);
}

void TGLabelPanel::setPanelState(int s) {
    state_ = s;
    setPointing(s == psPointing);
    setProgramDragCursor(s != psPointing);
}

void TGLabelPanel::PlaceObject(const QRect& band) {
    QRect r = placementRect(band);
    CommandScope scope(this);
    switch (state_) {
    case psLabel: placeTextLabel(this, r); break;
    case psCounterLabel: {
        auto* c = adopt<TGCounterLabel>(this, r, [this](TGCounterLabel* o) {
            o->setStartingNumber(1000);
            o->setTextBefore(QString());
            o->setTextAfter(QString());
            takeFont(this, o);
        });
        c->fitToText();
        break;
    }
    case psSymbolLabel: placeSymbol(this, r, false); break;
    case psDataLabel: placeDataLabel(this, r); break;
    case psMultiLineLabel: placeMultiLine(this, r); break;
    case psMultiLineDataLabel: placeMemo(this, r); break;
    case psAddressLabel: placeAddress(this, r); break;
    case psRectangle: placeShape(this, r, ShapeType::stRectangle, false); break;
    case psEllipse: placeShape(this, r, ShapeType::stEllipse, false); break;
    case psRoundRectangle: placeShape(this, r, ShapeType::stRoundRect, false); break;
    case psLine: placeLine(this, r, LineStyle::stVertical); break;
    case psImage: adopt<TGImage>(this, r); break;
    case psPostNetBarCode: placePostNet(this, r); break;
    case psIMBarCode: placeIMb(this, r); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------------
// TEnvelopePanel

std::array<UspsZone, 4> uspsZones(int W, int H, float zoom, int ppi) {
    auto s = [&](double v) { return static_cast<int>(std::trunc(ppi * v * static_cast<double>(zoom))); };
    int unzoomedW = static_cast<int>(std::trunc(W / static_cast<double>(zoom)));
    int a = unzoomedW < static_cast<int>(std::trunc(ppi * 10.25)) ? s(0.5) : W - s(9.75);
    auto fromTo = [](int x1, int y1, int x2, int y2) { return QRect(x1, y1, x2 - x1, y2 - y1); };
    std::array<UspsZone, 4> z;
    z[0] = {QStringLiteral("[Return Address Area]"), fromTo(1, 1, W / 2, std::min(H - s(2.75), H / 3)), QPoint(3, 3)};
    QRect barcode = fromTo(W - s(4), H - s(0.625), W - s(0.5), H - 1);
    z[1] = {QStringLiteral("[Barcode Clear Zone]"), barcode, barcode.topLeft() + QPoint(2, 2)};
    QRect address = fromTo(a, H - s(2.75), W - s(0.5), H - s(0.625));
    z[2] = {QStringLiteral("[Address Area]"), address, address.topLeft() + QPoint(2, 2)};
    z[3] = {QStringLiteral("[FIM Area]"), fromTo(W - s(3), 1, W - s(2), s(0.625)), QPoint(W - s(3) + 2, 3)};
    return z;
}

QRect marginGuide(int left, int top, int right, int bottom, int pageWidth, int pageHeight, float zoom) {
    double z = zoom;
    int x1 = static_cast<int>(std::trunc(left * z)), y1 = static_cast<int>(std::trunc(top * z));
    int x2 = static_cast<int>(std::trunc((pageWidth - right) * z));
    int y2 = static_cast<int>(std::trunc((pageHeight - bottom) * z));
    return {x1, y1, x2 - x1, y2 - y1};
}

TEnvelopePanel::TEnvelopePanel(QWidget* parent) : TGDataPanel(parent) { registerPanelClasses(PanelKind::Envelope); }

TEnvelopePanel::~TEnvelopePanel() {
    if (state_ != psPointing) setProgramDragCursor(false);
}

void TEnvelopePanel::setPanelState(int s) {
    state_ = s;
    setPointing(s == psPointing);
    setProgramDragCursor(s != psPointing);
}

void TEnvelopePanel::setShowUSPSTemplate(bool on) {
    usps_ = on;
    update();
}

void TEnvelopePanel::setShowMargins(bool on) {
    margins_ = on;
    update();
}

void TEnvelopePanel::setPrinterGeometry(int left, int top, int bottom, int right, int pageWidth, int pageHeight) {
    mLeft_ = left;
    mTop_ = top;
    mBottom_ = bottom;
    mRight_ = right;
    pageW_ = pageWidth;
    pageH_ = pageHeight;
    update();
}

void TEnvelopePanel::PlaceObject(const QRect& band) {
    QRect r = placementRect(band);
    CommandScope scope(this);
    switch (state_) {
    case psLabel: placeTextLabel(this, r); break;
    case psDataLabel: placeDataLabel(this, r); break;
    case psMultiLineLabel: placeMultiLine(this, r); break;
    case psAddressLabel: placeAddress(this, r); break;
    case psRectangle: placeShape(this, r, ShapeType::stRectangle, false); break;
    case psEllipse: placeShape(this, r, ShapeType::stEllipse, false); break;
    case psRoundRectangle: placeShape(this, r, ShapeType::stRoundRect, false); break;
    case psLine: placeLine(this, r, LineStyle::stVertical); break;
    case psImage: adopt<TGImage>(this, r); break;
    case psPostNetBarCode: placePostNet(this, r); break;
    case psFIMBarCode: adopt<TGFIMBarCode>(this, r); break;
    case psIMBarCode: placeIMb(this, r); break;
    default: break;
    }
}

void TEnvelopePanel::paintPanel(QPainter& p) {
    TGDataPanel::paintPanel(p);
    if (usps_) {
        QFont f(QStringLiteral("Arial"));
        f.setPointSize(std::max(1, static_cast<int>(std::trunc(8 * static_cast<double>(zoom_)))));
        p.save();
        p.setFont(f);
        for (const UspsZone& z : uspsZones(width(), height(), zoom_, ppi())) {
            p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
            p.setBrush(QColor(0xEF, 0xEF, 0xEF));
            p.drawRect(z.rect.adjusted(0, 0, -1, -1));
            QRect text = p.fontMetrics().boundingRect(z.caption);
            text.moveTopLeft(z.captionAt);
            p.fillRect(text, QColor(0xC0, 0xC0, 0xC0));
            p.setPen(Qt::black);
            p.drawText(text, Qt::AlignLeft | Qt::AlignTop, z.caption);
        }
        p.restore();
    }
    if (margins_) {
        p.save();
        p.setPen(QPen(Qt::red, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(marginGuide(mLeft_, mTop_, mRight_, mBottom_, pageW_, pageH_, zoom_).adjusted(0, 0, -1, -1));
        p.restore();
    }
}

// ---------------------------------------------------------------------------------------------
// TReportPanel

TReportPanel::TReportPanel(QWidget* parent) : TGDataPanel(parent) { registerPanelClasses(PanelKind::Report); }

TReportPanel::~TReportPanel() {
    if (state_ != psPointing) setProgramDragCursor(false);
}

void TReportPanel::setPanelState(int s) {
    state_ = s;
    setPointing(s == psPointing);
    setProgramDragCursor(s != psPointing);
}

QString TReportPanel::refusal(int state) const {
    if (state == psMultiLineDataLabel && kind_ != ReportPanelKind::rpkMemo)
        return QStringLiteral("This object may only be used in the memo band");
    if (state == psDataLabel && kind_ != ReportPanelKind::rpkDetail)
        return QStringLiteral("This object may only be used in the detail band");
    if ((state == psDateTime || state == psPageNumber) && kind_ != ReportPanelKind::rpkHeader &&
        kind_ != ReportPanelKind::rpkFooter)
        return QStringLiteral("This object may only be used in the header or footer bands");
    if (state == psImage && kind_ != ReportPanelKind::rpkHeader)
        return QStringLiteral("This object may only be used in the header band");
    return {};
}

void TReportPanel::PlaceObject(const QRect& band) {
    QString refused = refusal(state_);
    if (!refused.isEmpty()) {
        QApplication::beep();
        ui::ShowInfo(refused);
        return;
    }
    QRect r = placementRect(band);
    CommandScope scope(this);
    switch (state_) {
    case psLabel: placeTextLabel(this, r); break;
    case psDataLabel: placeDataLabel(this, r); break;
    case psMultiLineDataLabel: placeMemo(this, r); break;
    case psLine: placeLine(this, r, LineStyle::stHorizontal); break;
    case psImage: adopt<TGImage>(this, r); break;
    case psDateTime: placeFitted<TGDateTimeLabel>(this, r); break;
    case psPageNumber: placeFitted<TGPageNumberLabel>(this, r); break;
    case psSymbolLabel: placeSymbol(this, r, true); break;
    case psRectangle: placeShape(this, r, ShapeType::stRectangle, true); break;
    case psEllipse: placeShape(this, r, ShapeType::stEllipse, true); break;
    case psRoundRectangle: placeShape(this, r, ShapeType::stRoundRect, true); break;
    default: break;
    }
}

void TReportPanel::ObjectMouseDown(TGGraphicControl* o, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                   int y) {
    TGDataPanel::ObjectMouseDown(o, button, mods, x, y);
    emit ControlMouseDownEvent(this);
}

void TReportPanel::PanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p) {
    if (!bandEnabled_) {
        QApplication::beep();
        return;
    }
    TGDataPanel::PanelMouseDown(button, mods, p);
}

void TReportPanel::ClampObjects() {
    CommandScope scope(this);
    frame_->clearSelection();
    for (TGGraphicControl* o : objects()) {
        if (o->top() > height()) o->setTop(height());
        if (o->left() > width()) o->setLeft(width());
    }
}

void TReportPanel::PurgeObjects() {
    CommandScope scope(this);
    frame_->clearSelection();
    for (TGGraphicControl* o : objects())
        if (o->top() > height() + 10 || o->left() > width() + 10) destroyObject(o);
}

}  // namespace addrova::layout
