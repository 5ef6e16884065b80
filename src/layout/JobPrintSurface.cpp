#include "JobPrintSurface.h"

#include "GShapes.h"

namespace addrova::layout {

namespace {

print::PenStyle jobPenStyle(PenStyle s) {
    switch (s) {
    case PenStyle::psDash: return print::PenStyle::Dash;
    case PenStyle::psDot: return print::PenStyle::Dot;
    case PenStyle::psDashDot: return print::PenStyle::DashDot;
    case PenStyle::psDashDotDot: return print::PenStyle::DashDotDot;
    case PenStyle::psClear: return print::PenStyle::Clear;
    case PenStyle::psInsideFrame: return print::PenStyle::InsideFrame;
    default: return print::PenStyle::Solid;
    }
}

print::PenMode jobPenMode(PenMode m) {
    switch (m) {
    case PenMode::pmBlack: return print::PenMode::Black;
    case PenMode::pmWhite: return print::PenMode::White;
    case PenMode::pmNot: return print::PenMode::Not;
    case PenMode::pmXor: return print::PenMode::Xor;
    case PenMode::pmNotXor: return print::PenMode::NotXor;
    case PenMode::pmMerge: return print::PenMode::Merge;
    case PenMode::pmMask: return print::PenMode::Mask;
    case PenMode::pmNotCopy: return print::PenMode::NotCopy;
    case PenMode::pmMergePenNot: return print::PenMode::MergePenNot;
    case PenMode::pmMaskPenNot: return print::PenMode::MaskPenNot;
    default: return print::PenMode::Copy;  // the engine has no other mixes
    }
}

print::BrushStyle jobBrushStyle(BrushStyle s) {
    switch (s) {
    case BrushStyle::bsClear: return print::BrushStyle::Clear;
    case BrushStyle::bsHorizontal: return print::BrushStyle::Horizontal;
    case BrushStyle::bsVertical: return print::BrushStyle::Vertical;
    case BrushStyle::bsFDiagonal: return print::BrushStyle::FDiagonal;
    case BrushStyle::bsBDiagonal: return print::BrushStyle::BDiagonal;
    case BrushStyle::bsCross: return print::BrushStyle::Cross;
    case BrushStyle::bsDiagCross: return print::BrushStyle::DiagCross;
    default: return print::BrushStyle::Solid;
    }
}

}  // namespace

void JobPrintSurface::setPen(Colour c, PenStyle style, int width, PenMode mode) {
    job_.SetPen(toQColor(c), jobPenStyle(style), width, jobPenMode(mode));
}

void JobPrintSurface::setBrush(Colour c, BrushStyle style) {
    brushClear_ = style == BrushStyle::bsClear;
    job_.SetBrush(toQColor(c), jobBrushStyle(style));
}

void JobPrintSurface::textOut(double x, double y, const QString& text, const QRect& clip) {
    // An opaque brush fills the text's own box (not the whole clip), as on screen.
    QRect r = clip;
    if (!brushClear_ && rotation_ == 0)
        r = clip.intersected(job_.InchToDevice(x, y, x + job_.TextWidth(text), y + job_.FontHeight()));
    job_.TextRect(r, x, y, text);
}

void JobPrintSurface::drawMetafile(const QRect& device, const QByteArray& wmf) {
    QByteArray copy = wmf;
    job_.StretchMetafile(device, [copy](QPainter& p, const QRectF& r) { drawWmf(p, copy, r); });
}

}  // namespace addrova::layout
