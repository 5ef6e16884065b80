#include "PrintSurface.h"

#include "GShapes.h"

#include <QFontMetricsF>
#include <cmath>

namespace addrova::layout {

QPainter::CompositionMode compositionFor(PenMode mode) {
    switch (mode) {
    case PenMode::pmXor:
    case PenMode::pmNotXor:
    case PenMode::pmNot:
        return QPainter::RasterOp_SourceXorDestination;
    case PenMode::pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case PenMode::pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case PenMode::pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case PenMode::pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case PenMode::pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case PenMode::pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case PenMode::pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case PenMode::pmMergePenNot:
    case PenMode::pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case PenMode::pmNop:
        return QPainter::CompositionMode_Destination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

Qt::PenStyle qtPenStyle(PenStyle s) {
    switch (s) {
    case PenStyle::psDash: return Qt::DashLine;
    case PenStyle::psDot: return Qt::DotLine;
    case PenStyle::psDashDot: return Qt::DashDotLine;
    case PenStyle::psDashDotDot: return Qt::DashDotDotLine;
    case PenStyle::psClear: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

Qt::BrushStyle qtBrushStyle(BrushStyle s) {
    switch (s) {
    case BrushStyle::bsClear: return Qt::NoBrush;
    case BrushStyle::bsHorizontal: return Qt::HorPattern;
    case BrushStyle::bsVertical: return Qt::VerPattern;
    case BrushStyle::bsFDiagonal: return Qt::BDiagPattern;
    case BrushStyle::bsBDiagonal: return Qt::FDiagPattern;
    case BrushStyle::bsCross: return Qt::CrossPattern;
    case BrushStyle::bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

PainterPrintSurface::PainterPrintSurface(QPainter& painter, int dpiX, int dpiY, int page)
    : p_(painter), dpiX_(dpiX), dpiY_(dpiY), page_(page) {}

void PainterPrintSurface::setFont(const QString& name, int sizePt) {
    fontName_ = name;
    fontSize_ = sizePt;
    bold_ = italic_ = underline_ = false;
}
void PainterPrintSurface::setBold(bool on) { bold_ = on; }
void PainterPrintSurface::setItalic(bool on) { italic_ = on; }
void PainterPrintSurface::setUnderline(bool on) { underline_ = on; }
void PainterPrintSurface::setFontColor(Colour c) { fontColor_ = c; }
void PainterPrintSurface::setFontRotation(int degrees) { rotation_ = degrees; }

void PainterPrintSurface::setPen(Colour c, PenStyle style, int width, PenMode mode) {
    penColor_ = c;
    penStyle_ = style;
    penWidth_ = width;
    penMode_ = mode;
}

void PainterPrintSurface::setBrush(Colour c, BrushStyle style) {
    brushColor_ = c;
    brushStyle_ = style;
}

QFont PainterPrintSurface::deviceFont() const {
    QFont f(fontName_);
    f.setPixelSize(std::max(1, roundEven(fontSize_ * dpiY_ / 72.0)));
    f.setBold(bold_);
    f.setItalic(italic_);
    f.setUnderline(underline_);
    return f;
}

QPen PainterPrintSurface::qpen() const {
    double w = penWidth_ >= 0 ? penWidth_ : -penWidth_ / 100.0 * dpiX_;
    if (w < 1) w = 1;
    QPen pen(toQColor(penColor_), w, qtPenStyle(penStyle_), Qt::SquareCap, Qt::MiterJoin);
    return pen;
}

QBrush PainterPrintSurface::qbrush() const { return QBrush(toQColor(brushColor_), qtBrushStyle(brushStyle_)); }

static QRectF deviceRect(double x1, double y1, double x2, double y2, int dx, int dy) {
    return QRectF(QPointF(x1 * dx, y1 * dy), QPointF(x2 * dx, y2 * dy)).normalized();
}

void PainterPrintSurface::rectangle(double x1, double y1, double x2, double y2) {
    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    p_.setPen(qpen());
    p_.setBrush(qbrush());
    p_.drawRect(deviceRect(x1, y1, x2, y2, dpiX_, dpiY_));
    p_.restore();
}

void PainterPrintSurface::roundRect(double x1, double y1, double x2, double y2, double cw, double ch) {
    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    p_.setPen(qpen());
    p_.setBrush(qbrush());
    p_.drawRoundedRect(deviceRect(x1, y1, x2, y2, dpiX_, dpiY_), cw * dpiX_ / 2, ch * dpiY_ / 2);
    p_.restore();
}

void PainterPrintSurface::ellipse(double x1, double y1, double x2, double y2) {
    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    p_.setPen(qpen());
    p_.setBrush(qbrush());
    p_.drawEllipse(deviceRect(x1, y1, x2, y2, dpiX_, dpiY_));
    p_.restore();
}

void PainterPrintSurface::moveTo(double x, double y) { pos_ = QPointF(x * dpiX_, y * dpiY_); }

void PainterPrintSurface::lineTo(double x, double y) {
    QPointF to(x * dpiX_, y * dpiY_);
    p_.save();
    p_.setCompositionMode(compositionFor(penMode_));
    QPen pen = qpen();
    pen.setCapStyle(Qt::FlatCap);
    p_.setPen(pen);
    p_.drawLine(pos_, to);
    p_.restore();
    pos_ = to;
}

QRect PainterPrintSurface::toDevice(double x1, double y1, double x2, double y2) const {
    return QRect(QPoint(roundEven(x1 * dpiX_), roundEven(y1 * dpiY_)),
                 QPoint(roundEven(x2 * dpiX_) - 1, roundEven(y2 * dpiY_) - 1));
}

void PainterPrintSurface::textOut(double x, double y, const QString& text, const QRect& clip) {
    p_.save();
    p_.setClipRect(clip);
    QFont f = deviceFont();
    p_.setFont(f);
    QFontMetricsF fm(f);
    p_.translate(x * dpiX_, y * dpiY_);
    p_.rotate(-rotation_);
    if (brushStyle_ != BrushStyle::bsClear)
        p_.fillRect(QRectF(0, 0, fm.horizontalAdvance(text), fm.height()), toQColor(brushColor_));
    p_.setPen(toQColor(fontColor_));
    p_.drawText(QPointF(0, fm.ascent()), text);
    p_.restore();
}

void PainterPrintSurface::drawBitmap(double x1, double y1, double x2, double y2, const QImage& image) {
    p_.drawImage(deviceRect(x1, y1, x2, y2, dpiX_, dpiY_), image);
}

void PainterPrintSurface::drawMetafile(const QRect& device, const QByteArray& wmf) { drawWmf(p_, wmf, device); }

double PainterPrintSurface::textWidth(const QString& text) const {
    return QFontMetricsF(deviceFont()).horizontalAdvance(text) / dpiX_;
}

double PainterPrintSurface::lineHeight() const { return QFontMetricsF(deviceFont()).lineSpacing() / dpiY_; }

}  // namespace addrova::layout
