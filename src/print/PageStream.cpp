#include "PageStream.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

namespace addrova::print {

QString MappedFamily(const QString& name)
{
    static const QHash<QString, QString> map = [] {
        QHash<QString, QString> m;
        m.insert(QStringLiteral("arial"), QStringLiteral("Liberation Sans"));
        m.insert(QStringLiteral("helvetica"), QStringLiteral("Liberation Sans"));
        m.insert(QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans"));
        m.insert(QStringLiteral("arial narrow"), QStringLiteral("Liberation Sans Narrow"));
        m.insert(QStringLiteral("times new roman"), QStringLiteral("Liberation Serif"));
        m.insert(QStringLiteral("times"), QStringLiteral("Liberation Serif"));
        m.insert(QStringLiteral("ms serif"), QStringLiteral("Liberation Serif"));
        m.insert(QStringLiteral("courier new"), QStringLiteral("Liberation Mono"));
        m.insert(QStringLiteral("courier"), QStringLiteral("Liberation Mono"));
        // Windows' tiny bitmap font: a plain sans serif.
        m.insert(QStringLiteral("smallfonts"), QStringLiteral("DejaVu Sans"));
        m.insert(QStringLiteral("small fonts"), QStringLiteral("DejaVu Sans"));
        // No font with the WingDings code layout is packaged; the URW dingbats font is the
        // nearest symbol font (its glyph codes differ).
        const QString dingbats = QStringLiteral("D050000L");
        const QString symbols =
            QFontDatabase::families().contains(dingbats) ? dingbats : QStringLiteral("DejaVu Sans");
        m.insert(QStringLiteral("wingdings"), symbols);
        m.insert(QStringLiteral("symbol"),
                 QFontDatabase::families().contains(QStringLiteral("Standard Symbols PS"))
                     ? QStringLiteral("Standard Symbols PS")
                     : QStringLiteral("DejaVu Sans"));
        return m;
    }();
    const auto it = map.constFind(name.trimmed().toLower());
    return it == map.constEnd() ? name : *it;
}

QFont MakeFont(const FontSpec& desc, double coordDpi, double deviceLogicalDpi)
{
    QFont f(MappedFamily(desc.name));
    // One coordinate unit is one pixel at coordDpi; the device converts points at its own dpi.
    f.setPointSizeF(std::max(0.1, desc.pointSize) * coordDpi / deviceLogicalDpi);
    f.setBold(desc.bold);
    f.setItalic(desc.italic);
    f.setUnderline(desc.underline);
    f.setStrikeOut(desc.strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

PagePainter::PagePainter(QPainter& painter, double coordDpi) : p_(painter), dpi_(coordDpi)
{
    ApplyPen();
    ApplyBrush();
}

namespace {

Qt::PenStyle QtPenStyle(PenStyle s)
{
    switch (s) {
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDot: return Qt::DashDotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Clear: return Qt::NoPen;
    case PenStyle::Solid:
    case PenStyle::InsideFrame: break;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle QtBrushStyle(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Clear: return Qt::NoBrush;
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    case BrushStyle::Solid: break;
    }
    return Qt::SolidPattern;
}

QPainter::CompositionMode QtMode(PenMode m)
{
    switch (m) {
    case PenMode::Xor: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    case PenMode::Merge: return QPainter::RasterOp_SourceOrDestination;
    case PenMode::Mask: return QPainter::RasterOp_SourceAndDestination;
    case PenMode::NotCopy: return QPainter::RasterOp_NotSource;
    case PenMode::MergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case PenMode::MaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case PenMode::Copy:
    case PenMode::Black:
    case PenMode::White: break;
    }
    return QPainter::CompositionMode_SourceOver;
}

}  // namespace

void PagePainter::ApplyPen()
{
    QColor c = pen_.color;
    if (pen_.mode == PenMode::Black)
        c = Qt::black;
    else if (pen_.mode == PenMode::White)
        c = Qt::white;
    QPen pen(c, std::max(1.0, pen_.width), QtPenStyle(pen_.style), Qt::SquareCap, Qt::MiterJoin);
    // Played back smaller than recorded (the preview), a line keeps at least one pixel.
    const double scale = std::abs(p_.worldTransform().m22());
    if (scale > 0 && pen.widthF() * scale < 1.0) {
        pen.setWidth(0);
        pen.setCosmetic(true);
    }
    p_.setPen(pen);
    const bool raster = p_.paintEngine() && p_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    p_.setCompositionMode(raster ? QtMode(pen_.mode) : QPainter::CompositionMode_SourceOver);
}

void PagePainter::ApplyBrush()
{
    if (brush_.style != BrushStyle::Clear && !brush_.pattern.isNull()) {
        // The pattern is tiled at device pixel size.
        QBrush b(brush_.pattern);
        const double s = dpi_ / 96.0;
        b.setTransform(QTransform::fromScale(s, s));
        p_.setBrush(b);
        return;
    }
    p_.setBrush(QBrush(brush_.color, QtBrushStyle(brush_.style)));
}

void PagePainter::Apply(const PageOp& operation)
{
    std::visit(
        [this](const auto& o) {
            using T = std::decay_t<decltype(o)>;
            if constexpr (std::is_same_v<T, op::Font>) {
                font_ = o.f;
                fontDirty_ = true;
            } else if constexpr (std::is_same_v<T, op::Pen>) {
                pen_ = o.p;
                ApplyPen();
            } else if constexpr (std::is_same_v<T, op::Brush>) {
                brush_ = o.b;
                ApplyBrush();
            } else if constexpr (std::is_same_v<T, op::Rect>) {
                QRectF r = o.r.normalized();
                if (pen_.style == PenStyle::InsideFrame) {
                    const double h = pen_.width / 2;
                    r.adjust(h, h, -h, -h);
                }
                p_.drawRect(r);
            } else if constexpr (std::is_same_v<T, op::RoundRect>) {
                p_.drawRoundedRect(o.r.normalized(), o.rx / 2, o.ry / 2);
            } else if constexpr (std::is_same_v<T, op::Ellipse>) {
                p_.drawEllipse(o.r.normalized());
            } else if constexpr (std::is_same_v<T, op::Line>) {
                p_.drawLine(o.a, o.b);
            } else if constexpr (std::is_same_v<T, op::Fill>) {
                p_.fillRect(o.r.normalized(), o.color);
            } else if constexpr (std::is_same_v<T, op::Text>) {
                if (fontDirty_) {
                    p_.setFont(MakeFont(font_, dpi_, p_.device()->logicalDpiY()));
                    ascent_ = QFontMetricsF(p_.font(), p_.device()).ascent();
                    fontDirty_ = false;
                }
                p_.save();
                if (o.clipped) {
                    if (o.opaque)
                        p_.fillRect(o.clip.normalized(), brush_.color);
                    p_.setClipRect(o.clip.normalized(), Qt::IntersectClip);
                }
                p_.setPen(font_.color);
                p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
                p_.translate(o.topLeft);
                if (font_.rotation != 0)
                    p_.rotate(-font_.rotation);
                p_.drawText(QPointF(0, ascent_), o.text);
                p_.restore();
            } else if constexpr (std::is_same_v<T, op::Image>) {
                p_.drawImage(o.r.normalized(), o.image);
            } else if constexpr (std::is_same_v<T, op::Metafile>) {
                if (!o.draw)
                    return;
                p_.save();
                p_.setClipRect(o.r.normalized(), Qt::IntersectClip);
                o.draw(p_, o.r);
                p_.restore();
                // The drawing may have changed anything; set the job's state again.
                ApplyPen();
                ApplyBrush();
                fontDirty_ = true;
            }
        },
        operation);
}

void PageStream::Clear()
{
    pages_.clear();
}

void PageStream::Start(int dpiX, int dpiY)
{
    pages_.clear();
    dpiX_ = dpiX;
    dpiY_ = dpiY;
}

void PageStream::BeginPage(double widthInches, double heightInches)
{
    Page p;
    p.widthInches = widthInches;
    p.heightInches = heightInches;
    pages_.push_back(std::move(p));
}

void PageStream::Append(PageOp operation)
{
    if (pages_.empty())
        BeginPage(8.5, 11);
    pages_.back().ops.push_back(std::move(operation));
}

QSizeF PageStream::PageSizeInches(int index) const
{
    const Page& p = PageAt(index);
    return {p.widthInches, p.heightInches};
}

void PageStream::Play(int index, QPainter& painter, const QRectF& target) const
{
    const Page& page = PageAt(index);
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (page.widthInches * dpiX_), target.height() / (page.heightInches * dpiY_));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    PagePainter pp(painter, dpiY_);
    for (const PageOp& o : page.ops)
        pp.Apply(o);
    painter.restore();
}

QImage PageStream::Render(int index, double dpi) const
{
    const QSizeF in = PageSizeInches(index);
    QImage img(qRound(in.width() * dpi), qRound(in.height() * dpi), QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    QPainter p(&img);
    Play(index, p, QRectF(0, 0, img.width(), img.height()));
    return img;
}

std::size_t PageStream::ApproxBytes() const
{
    std::size_t n = sizeof(*this);
    for (const Page& p : pages_) {
        n += sizeof(Page) + p.ops.capacity() * sizeof(PageOp);
        for (const PageOp& o : p.ops) {
            if (const auto* t = std::get_if<op::Text>(&o))
                n += static_cast<std::size_t>(t->text.capacity()) * 2;
            else if (const auto* i = std::get_if<op::Image>(&o))
                n += static_cast<std::size_t>(i->image.sizeInBytes());
            else if (const auto* f = std::get_if<op::Font>(&o))
                n += static_cast<std::size_t>(f->f.name.capacity()) * 2;
        }
    }
    return n;
}

}  // namespace addrova::print
