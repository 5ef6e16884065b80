#include "OutlineArt.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace addrova::labels {

using layout::PanelShape;

namespace {

// Every picture the catalogue names, with the stock it outlines.
const OutlineArtEntry kArt[] = {
    {"AV5160", PanelShape::lsRoundRect, 2.625, 1.0, ArtFeature::Plain},
    {"AV5660", PanelShape::lsRectangle, 2.833, 1.0, ArtFeature::Plain},
    {"AV5161", PanelShape::lsRoundRect, 4.0, 1.0, ArtFeature::Plain},
    {"AV5661", PanelShape::lsRectangle, 4.25, 1.0, ArtFeature::Plain},
    {"AV5162", PanelShape::lsRoundRect, 4.0, 1.333, ArtFeature::Plain},
    {"AV5662", PanelShape::lsRectangle, 4.25, 1.333, ArtFeature::Plain},
    {"AV5163", PanelShape::lsRoundRect, 4.0, 2.0, ArtFeature::Plain},
    {"AV5663", PanelShape::lsRectangle, 4.25, 2.0, ArtFeature::Plain},
    {"AV5164", PanelShape::lsRoundRect, 4.0, 3.333, ArtFeature::Plain},
    {"AV5664", PanelShape::lsRectangle, 4.25, 3.333, ArtFeature::Plain},
    {"AV5165", PanelShape::lsRectangle, 8.5, 11.0, ArtFeature::Plain},
    {"AV5126", PanelShape::lsRectangle, 8.5, 5.5, ArtFeature::Plain},
    {"AV5167", PanelShape::lsRoundRect, 1.75, 0.5, ArtFeature::Plain},
    {"AV5667", PanelShape::lsRectangle, 1.75, 0.5, ArtFeature::Plain},
    {"AV5195", PanelShape::lsRoundRect, 1.75, 0.667, ArtFeature::Plain},
    {"AV5168", PanelShape::lsRoundRect, 3.5, 5.0, ArtFeature::Plain},
    {"AV5159", PanelShape::lsRoundRect, 4.0, 1.5, ArtFeature::Plain},
    {"AV6879", PanelShape::lsRoundRect, 3.75, 1.25, ArtFeature::Plain},
    {"AV6873", PanelShape::lsRoundRect, 3.75, 2.0, ArtFeature::Plain},
    {"AV5366", PanelShape::lsRoundRect, 3.438, 0.667, ArtFeature::ColourBand},
    {"AV5388", PanelShape::lsRectangle, 5.0, 3.0, ArtFeature::Ruled},
    {"AV5385", PanelShape::lsRectangle, 4.0, 2.167, ArtFeature::RotarySlots},
    {"AV11171", PanelShape::lsRectangle, 3.0, 1.875, ArtFeature::IndexTab},
    {"AV11173", PanelShape::lsRectangle, 3.0, 0.875, ArtFeature::IndexTab},
    {"AV5371", PanelShape::lsRectangle, 3.5, 2.0, ArtFeature::Perforated},
    {"AV5881", PanelShape::lsRectangle, 3.5, 2.0, ArtFeature::Perforated},
    {"AV5889", PanelShape::lsRectangle, 6.0, 4.0, ArtFeature::Perforated},
    {"AV5315", PanelShape::lsRectangle, 5.5, 8.5, ArtFeature::HalfFold},
    {"AV5196", PanelShape::lsRoundRect, 2.75, 2.75, ArtFeature::WrapFold},
    {"AV5197", PanelShape::lsRoundRect, 4.0, 1.5, ArtFeature::Plain},
    {"AV6490", PanelShape::lsRoundRect, 2.688, 2.0, ArtFeature::Plain},
    {"AV5395", PanelShape::lsRoundRect, 3.375, 2.333, ArtFeature::BadgeBand},
    {"AV5384", PanelShape::lsRectangle, 4.0, 3.0, ArtFeature::BadgeBand},
    {"AV5931", PanelShape::lsEllipse, 4.625, 4.625, ArtFeature::CdHole},
    {"AV5198", PanelShape::lsRoundRect, 3.5, 1.667, ArtFeature::CassetteWindow},
    {"AV8257", PanelShape::lsRoundRect, 2.25, 0.75, ArtFeature::Plain},
    {"AV8387", PanelShape::lsRectangle, 5.5, 4.25, ArtFeature::Perforated},
    {"AV3268", PanelShape::lsRectangle, 4.25, 5.5, ArtFeature::HalfFold},
    {"AV8293", PanelShape::lsEllipse, 1.5, 1.5, ArtFeature::Plain},
    {"AV3274", PanelShape::lsEllipse, 2.5, 2.5, ArtFeature::Plain},
    {"AV3111", PanelShape::lsRectangle, 2.5, 2.5, ArtFeature::Plain},
    {"AV4013", PanelShape::lsRoundRect, 3.5, 0.938, ArtFeature::Plain},
    {"AV4145", PanelShape::lsRoundRect, 3.5, 0.938, ArtFeature::Plain},
    {"AV4020", PanelShape::lsRoundRect, 3.0, 0.938, ArtFeature::Plain},
    {"AV4065", PanelShape::lsRoundRect, 4.0, 0.938, ArtFeature::Plain},
    {"AV4015", PanelShape::lsRoundRect, 5.0, 0.938, ArtFeature::Plain},
    {"AV4060", PanelShape::lsRoundRect, 3.5, 1.438, ArtFeature::Plain},
    {"AV4014", PanelShape::lsRoundRect, 4.0, 1.438, ArtFeature::Plain},
    {"AV4035", PanelShape::lsRoundRect, 3.5, 1.938, ArtFeature::Plain},
    {"AV4022", PanelShape::lsRoundRect, 4.0, 1.938, ArtFeature::Plain},
    {"AV4090", PanelShape::lsRoundRect, 5.0, 1.938, ArtFeature::Plain},
    {"AV4037", PanelShape::lsRoundRect, 2.5, 0.938, ArtFeature::Plain},
    {"AV4030", PanelShape::lsRoundRect, 3.5, 0.938, ArtFeature::Plain},
    {"AV4143", PanelShape::lsRoundRect, 4.0, 0.938, ArtFeature::Plain},
    {"AV4066", PanelShape::lsRoundRect, 4.0, 0.938, ArtFeature::Plain},
    {"AV4032", PanelShape::lsRoundRect, 4.0, 1.438, ArtFeature::Plain},
    {"AV4144", PanelShape::lsRoundRect, 2.5, 0.938, ArtFeature::Plain},
    {"AV4031", PanelShape::lsRoundRect, 3.5, 0.938, ArtFeature::Plain},
    {"AV4067", PanelShape::lsRoundRect, 4.0, 0.938, ArtFeature::Plain},
    {"AV4062", PanelShape::lsRoundRect, 3.5, 1.438, ArtFeature::Plain},
    {"AV4033", PanelShape::lsRoundRect, 4.0, 1.438, ArtFeature::Plain},
    {"AV4021", PanelShape::lsRoundRect, 3.0, 0.938, ArtFeature::Plain},
    {"AV4029", PanelShape::lsRoundRect, 3.5, 0.938, ArtFeature::Plain},
    {"AV4109", PanelShape::lsRoundRect, 3.3, 0.938, ArtFeature::Plain},
    {"AV4161", PanelShape::lsRoundRect, 4.0, 2.938, ArtFeature::Plain},
    {"AV4088", PanelShape::lsRoundRect, 4.25, 2.938, ArtFeature::Plain},
    {"AV4076", PanelShape::lsRoundRect, 5.0, 2.938, ArtFeature::Plain},
    {"AV4027", PanelShape::lsRoundRect, 3.5, 0.438, ArtFeature::ColourBand},
    {"AV4052", PanelShape::lsRoundRect, 3.875, 1.813, ArtFeature::Plain},
    {"AV4160", PanelShape::lsRoundRect, 3.5, 2.438, ArtFeature::BadgeBand},
    {"AV4207", PanelShape::lsRoundRect, 1.5, 0.375, ArtFeature::Plain},
    {"CS30252", PanelShape::lsRoundRect, 3.5, 1.125, ArtFeature::Plain},
    {"CS30321", PanelShape::lsRoundRect, 3.5, 1.4, ArtFeature::Plain},
    {"CS30323", PanelShape::lsRoundRect, 4.0, 2.125, ArtFeature::Plain},
    {"CS30256", PanelShape::lsRoundRect, 4.0, 2.313, ArtFeature::Plain},
    {"CS30330", PanelShape::lsRoundRect, 2.0, 0.75, ArtFeature::Plain},
    {"CS30258", PanelShape::lsRoundRect, 2.75, 2.125, ArtFeature::Plain},
    {"CS30327", PanelShape::lsRoundRect, 3.438, 0.563, ArtFeature::ColourBand},
    {"CS30376", PanelShape::lsRoundRect, 2.0, 0.563, ArtFeature::ColourBand},
    {"CS30374", PanelShape::lsRoundRect, 3.5, 2.0, ArtFeature::Perforated},
    {"CS30332", PanelShape::lsRoundRect, 1.0, 1.0, ArtFeature::Plain},
    {"CS30334", PanelShape::lsRoundRect, 2.25, 1.25, ArtFeature::Plain},
    {"CS30336", PanelShape::lsRoundRect, 2.125, 1.0, ArtFeature::Plain},
    {"CS30346", PanelShape::lsRoundRect, 1.875, 0.5, ArtFeature::Plain},
    {"CS30857", PanelShape::lsRoundRect, 4.0, 2.25, ArtFeature::BadgeBand},
    {"AVL7160", PanelShape::lsRoundRect, 2.5, 1.5, ArtFeature::Plain},
    {"AVL7161", PanelShape::lsRoundRect, 2.5, 1.833, ArtFeature::Plain},
    {"AVL7162", PanelShape::lsRoundRect, 3.9, 1.333, ArtFeature::Plain},
    {"AVL7163", PanelShape::lsRoundRect, 3.9, 1.5, ArtFeature::Plain},
    {"AVL7164", PanelShape::lsRoundRect, 2.5, 2.833, ArtFeature::Plain},
    {"AVL7165", PanelShape::lsRoundRect, 3.9, 2.667, ArtFeature::Plain},
    {"AVL7166", PanelShape::lsRoundRect, 3.9, 3.667, ArtFeature::Plain},
    {"AVL7167", PanelShape::lsRoundRect, 7.858, 11.38, ArtFeature::Plain},
    {"AVL7168", PanelShape::lsRoundRect, 7.858, 5.651, ArtFeature::Plain},
    {"AVL7173", PanelShape::lsRoundRect, 3.9, 2.244, ArtFeature::Plain},
    {"AVL7159", PanelShape::lsRoundRect, 2.52, 1.333, ArtFeature::Plain},
    {"AVL7157", PanelShape::lsRoundRect, 2.52, 0.957, ArtFeature::Plain},
    {"AVL7158", PanelShape::lsRoundRect, 2.52, 1.051, ArtFeature::Plain},
    {"AVL7156", PanelShape::lsRoundRect, 2.283, 0.701, ArtFeature::Plain},
    {"AVL7177", PanelShape::lsRoundRect, 3.9, 1.667, ArtFeature::Plain},
    {"AVL7651", PanelShape::lsRoundRect, 1.5, 0.833, ArtFeature::Plain},
    {"AVL7652", PanelShape::lsRoundRect, 1.8, 0.667, ArtFeature::Plain},
    {"AVL7654", PanelShape::lsRoundRect, 1.8, 1.0, ArtFeature::Plain},
    {"AVL7656", PanelShape::lsRoundRect, 1.811, 0.437, ArtFeature::Plain},
    {"AVL7658", PanelShape::lsRoundRect, 1.0, 0.394, ArtFeature::Plain},
    {"AVL7630", PanelShape::lsEllipse, 2.5, 2.5, ArtFeature::Plain},
    {"AVL7655", PanelShape::lsRoundRect, 3.504, 1.654, ArtFeature::CassetteWindow},
    {"AVL7671", PanelShape::lsRoundRect, 3.0, 1.827, ArtFeature::Plain},
    {"AVL7674", PanelShape::lsRoundRect, 5.7, 0.667, ArtFeature::Plain},
    {"AVL7666", PanelShape::lsRoundRect, 2.756, 2.047, ArtFeature::WrapFold},
    {"AVL7664", PanelShape::lsRoundRect, 2.756, 2.833, ArtFeature::WrapFold},
    {"AVL7665", PanelShape::lsRoundRect, 2.835, 0.833, ArtFeature::Plain},
    {"AVL7667", PanelShape::lsRoundRect, 5.236, 1.166, ArtFeature::Plain},
    {"AVL7668", PanelShape::lsRoundRect, 2.323, 2.008, ArtFeature::Plain},
    {"AVL7675", PanelShape::lsRoundRect, 2.421, 1.378, ArtFeature::Plain},
    {"AVL7170", PanelShape::lsRoundRect, 5.276, 0.433, ArtFeature::ColourBand},
    {"AVL7172", PanelShape::lsRoundRect, 3.937, 1.181, ArtFeature::ColourBand},
    {"AVL7176", PanelShape::lsRoundRect, 3.937, 1.614, ArtFeature::ColourBand},
    {"AVL7178", PanelShape::lsRoundRect, 3.976, 1.142, ArtFeature::ColourBand},
    {"AVL7179", PanelShape::lsRoundRect, 4.37, 0.669, ArtFeature::ColourBand},
    {"AVL7409", PanelShape::lsRectangle, 2.244, 0.591, ArtFeature::ColourBand},
    {"AVL7413", PanelShape::lsRectangle, 3.543, 2.0, ArtFeature::Perforated},
    {"AVL7414", PanelShape::lsRectangle, 3.543, 2.047, ArtFeature::Perforated},
    {"AVL7417", PanelShape::lsRectangle, 3.543, 2.126, ArtFeature::Perforated},
    {"AVL7418", PanelShape::lsRoundRect, 3.386, 2.165, ArtFeature::BadgeBand},
    {"AVL6009", PanelShape::lsRoundRect, 1.8, 0.833, ArtFeature::Plain},
    {"AVL6011", PanelShape::lsRoundRect, 2.5, 1.167, ArtFeature::Plain},
    {"AVL6012", PanelShape::lsRoundRect, 3.78, 2.0, ArtFeature::Plain},
    {"AVL6112", PanelShape::lsRoundRect, 1.575, 1.575, ArtFeature::Plain},
    {"AVL7676", PanelShape::lsEllipse, 4.606, 4.606, ArtFeature::CdHole},
    {"AVL74115", PanelShape::lsRectangle, 3.937, 2.27, ArtFeature::IndexTab},
    {"AV741110", PanelShape::lsRectangle, 3.937, 1.136, ArtFeature::IndexTab},
    {"AV741112", PanelShape::lsRectangle, 3.937, 0.941, ArtFeature::IndexTab},
    {"AV741131", PanelShape::lsRectangle, 3.937, 0.339, ArtFeature::IndexTab},
    {"AVL7169", PanelShape::lsRoundRect, 5.472, 3.902, ArtFeature::Plain},
    {"AVL7171", PanelShape::lsRoundRect, 2.362, 7.874, ArtFeature::SpineHole},
    {"AVL7424", PanelShape::lsRoundRect, 2.323, 7.559, ArtFeature::SpineHole},
    {"AVL7425", PanelShape::lsRoundRect, 1.339, 7.559, ArtFeature::SpineHole},
    {"AVL7701", PanelShape::lsRoundRect, 2.441, 7.559, ArtFeature::SpineHole},
    {"AVL7702", PanelShape::lsRoundRect, 1.535, 7.559, ArtFeature::SpineHole},
    {"AVL7421", PanelShape::lsRectangle, 5.487, 3.83, ArtFeature::Perforated},
    {"AVJ8414", PanelShape::lsRectangle, 3.425, 2.0, ArtFeature::Perforated},
    {"AV32255", PanelShape::lsRectangle, 3.976, 6.142, ArtFeature::InsertFolds},
    {"AVC25446", PanelShape::lsRectangle, 5.827, 8.268, ArtFeature::Plain},
};

int px(double inches, int ppi) { return static_cast<int>(std::lround(inches * ppi)); }

QPainterPath shapePath(const QRectF& r, PanelShape shape, double radius) {
    QPainterPath path;
    switch (shape) {
    case PanelShape::lsRectangle: path.addRect(r); break;
    case PanelShape::lsRoundRect: path.addRoundedRect(r, radius, radius); break;
    case PanelShape::lsEllipse: path.addEllipse(r); break;
    }
    return path;
}

void drawFeature(QPainter& p, double w, double h, ArtFeature f, int ppi) {
    QPen solid(Qt::black, 1);
    QPen dashed(Qt::black, 1, Qt::DashLine);
    auto hline = [&](double y, const QPen& pen) {
        p.setPen(pen);
        p.drawLine(QPointF(0, y), QPointF(w - 1, y));
    };
    switch (f) {
    case ArtFeature::Plain:
    case ArtFeature::Perforated: break;
    case ArtFeature::CdHole: {
        p.setPen(solid);
        double hole = w * 0.33;
        p.drawEllipse(QRectF((w - hole) / 2, (h - hole) / 2, hole, hole));
        p.setPen(dashed);
        double hub = w * 0.48;
        p.drawEllipse(QRectF((w - hub) / 2, (h - hub) / 2, hub, hub));
        break;
    }
    case ArtFeature::SpineHole: {
        p.setPen(solid);
        double d = std::min(w * 0.45, 0.9 * ppi);
        p.drawEllipse(QRectF((w - d) / 2, h * 0.8 - d / 2, d, d));
        break;
    }
    case ArtFeature::WrapFold: hline(h * 0.3, dashed); break;
    case ArtFeature::HalfFold:
        if (h >= w) {
            hline(h / 2, dashed);
        } else {
            p.setPen(dashed);
            p.drawLine(QPointF(w / 2, 0), QPointF(w / 2, h - 1));
        }
        break;
    case ArtFeature::InsertFolds:
        hline(h * 0.74, dashed);
        hline(h * 0.84, dashed);
        break;
    case ArtFeature::CassetteWindow: {
        p.setPen(solid);
        QRectF win(w * 0.28, h * 0.45, w * 0.44, h * 0.36);
        p.drawRoundedRect(win, 6, 6);
        double d = win.height() * 0.55;
        for (double cx : {win.left() + win.width() * 0.22, win.right() - win.width() * 0.22})
            p.drawEllipse(QRectF(cx - d / 2, win.center().y() - d / 2, d, d));
        break;
    }
    case ArtFeature::IndexTab:
        p.setPen(solid);
        p.drawLine(QPointF(w * 0.14, 0), QPointF(w * 0.14, h - 1));
        p.setPen(dashed);
        p.drawLine(QPointF(w * 0.18, h * 0.75), QPointF(w * 0.95, h * 0.75));
        break;
    case ArtFeature::Ruled: {
        hline(h * 0.2, solid);
        double step = 0.25 * ppi;
        for (double y = h * 0.2 + step; y < h - step / 2; y += step) hline(y, dashed);
        break;
    }
    case ArtFeature::RotarySlots: {
        p.setPen(solid);
        double sw = 0.35 * ppi, sh = 0.1 * ppi, y = h - 0.25 * ppi;
        p.drawRect(QRectF(w / 2 - 0.3 * ppi - sw / 2, y, sw, sh));
        p.drawRect(QRectF(w / 2 + 0.3 * ppi - sw / 2, y, sw, sh));
        break;
    }
    case ArtFeature::BadgeBand:
        hline(h * 0.26, solid);
        hline(h * 0.26 + 3, solid);
        break;
    case ArtFeature::ColourBand: hline(h * 0.3, solid); break;
    }
}

}  // namespace

QString artResourceName(const std::string& art) {
    QString s = QString::fromLatin1(art.data(), static_cast<qsizetype>(art.size()));
    qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0) s.truncate(dot);
    return s.trimmed().toUpper();
}

const OutlineArtEntry* findOutlineArt(const QString& resourceName) {
    for (const OutlineArtEntry& e : kArt)
        if (resourceName == QLatin1String(e.name)) return &e;
    return nullptr;
}

QImage outlineBitmap(const QString& resourceName, int ppi) {
    const OutlineArtEntry* e = findOutlineArt(resourceName);
    if (!e) return {};
    return drawOutline(QSize(px(e->width, ppi), px(e->height, ppi)), e->shape, e->feature, ppi);
}

QImage drawOutline(QSize size, PanelShape shape, ArtFeature feature, int ppi) {
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    double w = size.width(), h = size.height();
    // The die-cut (or perforation) half a pixel inside the edge, the print-safe margin 1/16 inch in.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1, feature == ArtFeature::Perforated ? Qt::DotLine : Qt::SolidLine));
    p.drawPath(shapePath(QRectF(0.5, 0.5, w - 1, h - 1), shape, 12));
    double inset = std::max(2.0, ppi / 16.0);
    if (w > 4 * inset && h > 4 * inset) {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawPath(shapePath(QRectF(inset, inset, w - 2 * inset, h - 2 * inset), shape, std::max(0.0, 12 - inset)));
    }
    drawFeature(p, w, h, feature, ppi);
    p.end();
    return img;
}

QImage silverArt(const QImage& picture, QSize labelSize) {
    QImage out(labelSize.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    out.fill(Qt::white);
    const QRgb silver = qRgb(0xC0, 0xC0, 0xC0), white = qRgb(0xFF, 0xFF, 0xFF);
    int w = std::min(picture.width(), out.width()), h = std::min(picture.height(), out.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((picture.pixel(x, y) | 0xFF000000u) != white) out.setPixel(x, y, silver);
    return out;
}

}  // namespace addrova::labels
