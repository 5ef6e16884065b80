#pragma once

// Pages recorded in memory: a list of drawing operations per page, in the device pixels of the
// resolution they were recorded at. Played back onto any painter (the preview window, a printer
// when printing from the preview) through the same code that draws a job directly.

#include "PrintTypes.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

class QFont;
class QPainter;

namespace addrova::print {

struct FontSpec {
    QString name = QStringLiteral("Arial");  // as the caller named it; mapped when drawn
    double pointSize = 10;
    bool bold = false, italic = false, underline = false, strikeOut = false;
    QColor color = Qt::black;
    double rotation = 0;  // degrees, counter-clockwise
    bool operator==(const FontSpec&) const = default;
};

struct PenSpec {
    QColor color = Qt::black;
    PenStyle style = PenStyle::Solid;
    double width = 1;  // device pixels
    PenMode mode = PenMode::Copy;
    bool operator==(const PenSpec&) const = default;
};

struct BrushSpec {
    QColor color = Qt::white;
    BrushStyle style = BrushStyle::Solid;
    QImage pattern;
    bool operator==(const BrushSpec& o) const
    {
        return color == o.color && style == o.style && pattern.cacheKey() == o.pattern.cacheKey();
    }
};

namespace op {
struct Font { FontSpec f; };
struct Pen { PenSpec p; };
struct Brush { BrushSpec b; };
struct Rect { QRectF r; };
struct RoundRect { QRectF r; double rx, ry; };
struct Ellipse { QRectF r; };
struct Line { QPointF a, b; };
struct Fill { QRectF r; QColor color; };  // no pen, leaves the brush alone
struct Text {
    QPointF topLeft;
    QString text;
    bool clipped = false;
    bool opaque = false;
    QRectF clip;
};
struct Image { QRectF r; QImage image; };
// A caller-drawn metafile, kept as its drawing function (which must own what it draws).
struct Metafile {
    QRectF r;
    std::function<void(QPainter&, const QRectF&)> draw;
};
}  // namespace op

using PageOp = std::variant<op::Font, op::Pen, op::Brush, op::Rect, op::RoundRect, op::Ellipse, op::Line, op::Fill,
                            op::Text, op::Image, op::Metafile>;

// The font the engine draws for a FontSpec: Windows names mapped to installed fonts, sized so that
// one unit of the painter's coordinates is one pixel at `coordDpi`.
QFont MakeFont(const FontSpec& desc, double coordDpi, double deviceLogicalDpi);
// The installed family that stands in for a font name of the layouts ("Arial" -> "Liberation Sans").
QString MappedFamily(const QString& name);

// Draws operations onto a painter whose coordinates are device pixels at `coordDpi`.
class PagePainter {
public:
    PagePainter(QPainter& painter, double coordDpi);
    void Apply(const PageOp& operation);

private:
    void ApplyPen();
    void ApplyBrush();
    QPainter& p_;
    double dpi_;
    FontSpec font_;
    PenSpec pen_;
    BrushSpec brush_;
    bool fontDirty_ = true;
    double ascent_ = 0;
};

class PageStream {
public:
    struct Page {
        double widthInches = 8.5, heightInches = 11;
        std::vector<PageOp> ops;
    };

    void Clear();
    void Start(int dpiX, int dpiY);
    void BeginPage(double widthInches, double heightInches);
    void Append(PageOp operation);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    int DpiX() const { return dpiX_; }
    int DpiY() const { return dpiY_; }
    const Page& PageAt(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    QSizeF PageSizeInches(int index) const;
    // Draws page `index` (0-based) scaled into `target`, given in the painter's coordinates; the
    // page is filled white first.
    void Play(int index, QPainter& painter, const QRectF& target) const;
    // The page as a picture at `dpi`.
    QImage Render(int index, double dpi) const;
    // Rough memory held by the recorded pages.
    std::size_t ApproxBytes() const;

private:
    int dpiX_ = 600, dpiY_ = 600;
    std::vector<Page> pages_;
};

}  // namespace addrova::print
