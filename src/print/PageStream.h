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

// A recorded print job. Spooled (the default), each finished page is encoded into a private
// temporary file with an index of page offsets, and only the page being recorded plus a few
// decoded pages stay in memory, so a job of any length needs about the same memory. Pictures are
// written to the file once however often they are drawn; caller-drawn metafiles cannot be
// written and are kept in memory, shared by the pages that draw them. In memory, every page is
// kept as recorded.
class PageStream {
public:
    struct Page {
        double widthInches = 8.5, heightInches = 11;
        std::vector<PageOp> ops;
    };
    enum class Storage { Spool, Memory };
    static constexpr int DefaultCachePages = 4;

    explicit PageStream(Storage storage = Storage::Spool, int cachePages = DefaultCachePages);
    ~PageStream();
    PageStream(const PageStream&) = delete;
    PageStream& operator=(const PageStream&) = delete;

    // Drops every page and the temporary file.
    void Clear();
    // Starts a new recording; false (and Error()) when the temporary file cannot be created.
    bool Start(int dpiX, int dpiY);
    void BeginPage(double widthInches, double heightInches);
    void Append(PageOp operation);
    // Writes the page being recorded; false (and Error()) when the file could not take it.
    bool Finish();

    Storage StorageKind() const { return storage_; }
    // Pages begun, the one being recorded included.
    int PageCount() const;
    // The last page is still being recorded (until Finish()).
    bool PageOpen() const { return current_ != nullptr; }
    int DpiX() const { return dpiX_; }
    int DpiY() const { return dpiY_; }
    QSizeF PageSizeInches(int index) const;
    // The page's operations; null when the page cannot be read back (Error() says why).
    std::shared_ptr<const Page> PageAt(int index) const;
    // Draws page `index` (0-based) scaled into `target`, given in the painter's coordinates; the
    // page is filled white first. False when the page cannot be read back (Error() says why).
    bool Play(int index, QPainter& painter, const QRectF& target) const;
    // The page as a picture at `dpi`; a null image when the page cannot be read back.
    QImage Render(int index, double dpi) const;
    // Memory held by the recorded pages (the spooled pages only as far as they are cached).
    std::size_t ApproxBytes() const;
    // Bytes written to the temporary file, and its path (empty in memory or before Start).
    qint64 SpoolBytes() const;
    QString SpoolPath() const;
    int CachedPages() const { return static_cast<int>(cache_.size()); }
    // Why the last write or read failed; empty when none did.
    QString Error() const { return error_; }

private:
    struct Spool;
    struct Entry {
        qint64 offset = 0;
        qint64 size = 0;
        double widthInches = 8.5, heightInches = 11;
    };
    void FlushCurrent();
    std::shared_ptr<const Page> ReadPage(int index) const;
    QImage ReadImage(int id, QString& why) const;
    int ImageId(const QImage& image);
    void Fail(const QString& why) const;

    Storage storage_;
    int cachePages_;
    int dpiX_ = 600, dpiY_ = 600;
    std::vector<std::shared_ptr<const Page>> memPages_;  // Memory
    std::vector<Entry> index_;                           // Spool
    std::shared_ptr<Page> current_;                      // the page being recorded
    std::unique_ptr<Spool> spool_;
    mutable std::vector<std::pair<int, std::shared_ptr<const Page>>> cache_;  // most recent last
    mutable QString error_;
};

}  // namespace addrova::print
