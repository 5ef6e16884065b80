#include "PageStream.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QDataStream>
#include <QDir>
#include <QTemporaryFile>

#include <map>
#include <unordered_map>

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

// ---- spooled pages ----
//
// The file is a sequence of records: magic (4 bytes), payload length (4), FNV-1a hash of the
// payload (8), payload (zlib-compressed QDataStream). A page payload holds its operations; a
// picture payload one image. The index of record offsets stays in memory.

namespace {

constexpr quint32 kPageMagic = 0x41504731;   // "APG1"
constexpr quint32 kImageMagic = 0x41494D31;  // "AIM1"
constexpr int kHeaderBytes = 16;
constexpr int kImageCache = 16;

enum Tag : quint8 { TFont = 1, TPen, TBrush, TRect, TRoundRect, TEllipse, TLine, TFill, TText, TImage, TMetafile };

quint64 Fnv1a(const QByteArray& data)
{
    quint64 h = 1469598103934665603ULL;
    for (const char c : data) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

QByteArray Record(quint32 magic, const QByteArray& body)
{
    const QByteArray payload = qCompress(body, 1);
    QByteArray out;
    out.reserve(kHeaderBytes + payload.size());
    QDataStream d(&out, QIODevice::WriteOnly);
    d.setByteOrder(QDataStream::LittleEndian);
    d << magic << static_cast<quint32>(payload.size()) << Fnv1a(payload);
    out.append(payload);
    return out;
}

}  // namespace

struct PageStream::Spool {
    QTemporaryFile file;
    qint64 end = 0;
    std::unordered_map<qint64, int> imageIds;  // QImage::cacheKey() -> picture number
    std::vector<Entry> images;
    std::vector<op::Metafile> metafiles;
    std::map<int, QImage> imageCache;
    std::size_t metafileBytes = 0;

    // "the temporary file … is <what>", for reads that find the file not as it was written.
    QString Problem(const char* what) const
    {
        return QStringLiteral("the temporary file %1 is %2")
            .arg(QDir::toNativeSeparators(file.fileName()), QLatin1String(what));
    }

    bool Write(const QByteArray& record, QString& error)
    {
        // Flushed at once, so that a full disk shows here rather than on a later read.
        if (!file.seek(end) || file.write(record) != record.size() || !file.flush()) {
            error = QStringLiteral("The preview pages could not be written to %1: %2")
                        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
            return false;
        }
        end += record.size();
        return true;
    }

    // The payload of the record at `e`, checked; empty and `error` when it is not there intact.
    QByteArray Read(const Entry& e, quint32 magic, QString& error)
    {
        QByteArray head;
        if (file.seek(e.offset))
            head = file.read(kHeaderBytes);
        if (head.size() != kHeaderBytes) {
            error = Problem("shorter than recorded");
            return {};
        }
        QDataStream d(head);
        d.setByteOrder(QDataStream::LittleEndian);
        quint32 m = 0, len = 0;
        quint64 hash = 0;
        d >> m >> len >> hash;
        if (m != magic || static_cast<qint64>(len) + kHeaderBytes != e.size) {
            error = Problem("damaged");
            return {};
        }
        const QByteArray payload = file.read(len);
        if (payload.size() != static_cast<qsizetype>(len)) {
            error = Problem("shorter than recorded");
            return {};
        }
        if (Fnv1a(payload) != hash) {
            error = Problem("damaged");
            return {};
        }
        QByteArray body = qUncompress(payload);
        if (body.isEmpty())
            error = Problem("damaged");
        return body;
    }
};

PageStream::PageStream(Storage storage, int cachePages) : storage_(storage), cachePages_(std::max(1, cachePages)) {}

PageStream::~PageStream() = default;

void PageStream::Clear()
{
    memPages_.clear();
    index_.clear();
    current_.reset();
    spool_.reset();
    cache_.clear();
    error_.clear();
}

bool PageStream::Start(int dpiX, int dpiY)
{
    Clear();
    dpiX_ = dpiX;
    dpiY_ = dpiY;
    if (storage_ == Storage::Memory)
        return true;
    spool_ = std::make_unique<Spool>();
    spool_->file.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("addrova-preview-XXXXXX.pages")));
    if (!spool_->file.open()) {
        error_ = QStringLiteral("The preview pages could not be stored in %1: %2")
                     .arg(QDir::toNativeSeparators(QDir::tempPath()), spool_->file.errorString());
        spool_.reset();
        return false;
    }
    return true;
}

void PageStream::BeginPage(double widthInches, double heightInches)
{
    FlushCurrent();
    current_ = std::make_shared<Page>();
    current_->widthInches = widthInches;
    current_->heightInches = heightInches;
}

void PageStream::Append(PageOp operation)
{
    if (!current_)
        BeginPage(8.5, 11);
    current_->ops.push_back(std::move(operation));
}

bool PageStream::Finish()
{
    FlushCurrent();
    return error_.isEmpty();
}

int PageStream::ImageId(const QImage& image)
{
    const auto it = spool_->imageIds.find(image.cacheKey());
    if (it != spool_->imageIds.end())
        return it->second;
    QByteArray body;
    {
        QDataStream d(&body, QIODevice::WriteOnly);
        d.setVersion(QDataStream::Qt_6_4);
        d << image;
    }
    Entry e;
    e.offset = spool_->end;
    const QByteArray rec = Record(kImageMagic, body);
    e.size = rec.size();
    if (error_.isEmpty() && !spool_->Write(rec, error_))
        return -1;
    const int id = static_cast<int>(spool_->images.size());
    spool_->images.push_back(e);
    spool_->imageIds.emplace(image.cacheKey(), id);
    return id;
}

void PageStream::FlushCurrent()
{
    if (!current_)
        return;
    std::shared_ptr<Page> page = std::move(current_);
    current_.reset();
    if (storage_ == Storage::Memory || !spool_) {
        memPages_.push_back(std::move(page));
        return;
    }
    QByteArray body;
    {
        QDataStream d(&body, QIODevice::WriteOnly);
        d.setVersion(QDataStream::Qt_6_4);
        d << static_cast<quint32>(page->ops.size());
        for (const PageOp& o : page->ops) {
            std::visit(
                [&](const auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, op::Font>) {
                        const quint8 flags = (v.f.bold ? 1 : 0) | (v.f.italic ? 2 : 0) | (v.f.underline ? 4 : 0) |
                                             (v.f.strikeOut ? 8 : 0);
                        d << quint8(TFont) << v.f.name << v.f.pointSize << flags << v.f.color << v.f.rotation;
                    } else if constexpr (std::is_same_v<T, op::Pen>) {
                        d << quint8(TPen) << v.p.color << qint32(v.p.style) << v.p.width << qint32(v.p.mode);
                    } else if constexpr (std::is_same_v<T, op::Brush>) {
                        const qint32 id = v.b.pattern.isNull() ? -1 : ImageId(v.b.pattern);
                        d << quint8(TBrush) << v.b.color << qint32(v.b.style) << id;
                    } else if constexpr (std::is_same_v<T, op::Rect>) {
                        d << quint8(TRect) << v.r;
                    } else if constexpr (std::is_same_v<T, op::RoundRect>) {
                        d << quint8(TRoundRect) << v.r << v.rx << v.ry;
                    } else if constexpr (std::is_same_v<T, op::Ellipse>) {
                        d << quint8(TEllipse) << v.r;
                    } else if constexpr (std::is_same_v<T, op::Line>) {
                        d << quint8(TLine) << v.a << v.b;
                    } else if constexpr (std::is_same_v<T, op::Fill>) {
                        d << quint8(TFill) << v.r << v.color;
                    } else if constexpr (std::is_same_v<T, op::Text>) {
                        const quint8 flags = (v.clipped ? 1 : 0) | (v.opaque ? 2 : 0);
                        d << quint8(TText) << v.topLeft << v.text << flags << v.clip;
                    } else if constexpr (std::is_same_v<T, op::Image>) {
                        d << quint8(TImage) << v.r << qint32(v.image.isNull() ? -1 : ImageId(v.image));
                    } else if constexpr (std::is_same_v<T, op::Metafile>) {
                        // A drawing function cannot be written: it stays in memory.
                        d << quint8(TMetafile) << qint32(spool_->metafiles.size());
                        spool_->metafiles.push_back(v);
                        spool_->metafileBytes += sizeof(op::Metafile);
                    }
                },
                o);
        }
    }
    Entry e;
    e.offset = spool_->end;
    e.widthInches = page->widthInches;
    e.heightInches = page->heightInches;
    const QByteArray rec = Record(kPageMagic, body);
    e.size = rec.size();
    if (error_.isEmpty())
        spool_->Write(rec, error_);
    index_.push_back(e);
}

int PageStream::PageCount() const
{
    const std::size_t done = storage_ == Storage::Memory || !spool_ ? memPages_.size() : index_.size();
    return static_cast<int>(done) + (current_ ? 1 : 0);
}

QSizeF PageStream::PageSizeInches(int index) const
{
    const int done = PageCount() - (current_ ? 1 : 0);
    if (current_ && index == done)
        return {current_->widthInches, current_->heightInches};
    if (index < 0 || index >= done)
        return {8.5, 11};
    if (storage_ == Storage::Memory || !spool_) {
        const Page& p = *memPages_.at(static_cast<std::size_t>(index));
        return {p.widthInches, p.heightInches};
    }
    const Entry& e = index_.at(static_cast<std::size_t>(index));
    return {e.widthInches, e.heightInches};
}

void PageStream::Fail(const QString& why) const
{
    error_ = why;
}

QImage PageStream::ReadImage(int id, QString& why) const
{
    if (id < 0)
        return {};
    auto& cache = spool_->imageCache;
    if (const auto it = cache.find(id); it != cache.end())
        return it->second;
    const QString bad = spool_->Problem("damaged");
    if (static_cast<std::size_t>(id) >= spool_->images.size()) {
        why = bad;
        return {};
    }
    const QByteArray body = spool_->Read(spool_->images[static_cast<std::size_t>(id)], kImageMagic, why);
    if (body.isEmpty())
        return {};
    QImage img;
    QDataStream d(body);
    d.setVersion(QDataStream::Qt_6_4);
    d >> img;
    if (img.isNull()) {
        why = bad;
        return {};
    }
    if (cache.size() >= static_cast<std::size_t>(kImageCache))
        cache.clear();
    cache.emplace(id, img);
    return img;
}

std::shared_ptr<const PageStream::Page> PageStream::ReadPage(int index) const
{
    const Entry& e = index_.at(static_cast<std::size_t>(index));
    QString why;
    const QByteArray body = spool_->Read(e, kPageMagic, why);
    const auto damaged = [&](const QString& detail) {
        Fail(QStringLiteral("The preview pages could not be read (page %1): %2").arg(index + 1).arg(detail));
        return std::shared_ptr<const Page>();
    };
    if (body.isEmpty())
        return damaged(why);
    const QString bad = spool_->Problem("damaged");
    auto page = std::make_shared<Page>();
    page->widthInches = e.widthInches;
    page->heightInches = e.heightInches;
    QDataStream d(body);
    d.setVersion(QDataStream::Qt_6_4);
    quint32 count = 0;
    d >> count;
    // Every operation takes at least its tag byte.
    if (count > static_cast<quint32>(body.size()))
        return damaged(bad);
    page->ops.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        quint8 tag = 0;
        d >> tag;
        switch (tag) {
        case TFont: {
            op::Font o;
            quint8 flags = 0;
            d >> o.f.name >> o.f.pointSize >> flags >> o.f.color >> o.f.rotation;
            o.f.bold = flags & 1;
            o.f.italic = flags & 2;
            o.f.underline = flags & 4;
            o.f.strikeOut = flags & 8;
            page->ops.emplace_back(std::move(o));
            break;
        }
        case TPen: {
            op::Pen o;
            qint32 style = 0, mode = 0;
            d >> o.p.color >> style >> o.p.width >> mode;
            o.p.style = static_cast<PenStyle>(style);
            o.p.mode = static_cast<PenMode>(mode);
            page->ops.emplace_back(std::move(o));
            break;
        }
        case TBrush: {
            op::Brush o;
            qint32 style = 0, id = -1;
            d >> o.b.color >> style >> id;
            o.b.style = static_cast<BrushStyle>(style);
            if (id >= 0) {
                o.b.pattern = ReadImage(id, why);
                if (o.b.pattern.isNull())
                    return damaged(why);
            }
            page->ops.emplace_back(std::move(o));
            break;
        }
        case TRect: {
            op::Rect o;
            d >> o.r;
            page->ops.emplace_back(o);
            break;
        }
        case TRoundRect: {
            op::RoundRect o{};
            d >> o.r >> o.rx >> o.ry;
            page->ops.emplace_back(o);
            break;
        }
        case TEllipse: {
            op::Ellipse o;
            d >> o.r;
            page->ops.emplace_back(o);
            break;
        }
        case TLine: {
            op::Line o;
            d >> o.a >> o.b;
            page->ops.emplace_back(o);
            break;
        }
        case TFill: {
            op::Fill o;
            d >> o.r >> o.color;
            page->ops.emplace_back(o);
            break;
        }
        case TText: {
            op::Text o;
            quint8 flags = 0;
            d >> o.topLeft >> o.text >> flags >> o.clip;
            o.clipped = flags & 1;
            o.opaque = flags & 2;
            page->ops.emplace_back(std::move(o));
            break;
        }
        case TImage: {
            op::Image o;
            qint32 id = -1;
            d >> o.r >> id;
            if (id >= 0) {
                o.image = ReadImage(id, why);
                if (o.image.isNull())
                    return damaged(why);
            }
            page->ops.emplace_back(std::move(o));
            break;
        }
        case TMetafile: {
            qint32 id = -1;
            d >> id;
            if (id < 0 || static_cast<std::size_t>(id) >= spool_->metafiles.size())
                return damaged(bad);
            page->ops.emplace_back(spool_->metafiles[static_cast<std::size_t>(id)]);
            break;
        }
        default:
            return damaged(bad);
        }
        if (d.status() != QDataStream::Ok)
            return damaged(bad);
    }
    return page;
}

std::shared_ptr<const PageStream::Page> PageStream::PageAt(int index) const
{
    const int done = PageCount() - (current_ ? 1 : 0);
    if (current_ && index == done)
        return current_;
    if (index < 0 || index >= done) {
        Fail(QStringLiteral("There is no page %1 in the preview.").arg(index + 1));
        return nullptr;
    }
    if (storage_ == Storage::Memory || !spool_)
        return memPages_[static_cast<std::size_t>(index)];
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->first == index) {
            auto hit = *it;
            cache_.erase(it);
            cache_.push_back(hit);
            return hit.second;
        }
    }
    std::shared_ptr<const Page> page = ReadPage(index);
    if (!page)
        return nullptr;
    if (cache_.size() >= static_cast<std::size_t>(cachePages_))
        cache_.erase(cache_.begin());
    cache_.emplace_back(index, page);
    return page;
}

bool PageStream::Play(int index, QPainter& painter, const QRectF& target) const
{
    const std::shared_ptr<const Page> page = PageAt(index);
    if (!page)
        return false;
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.setClipRect(target, Qt::IntersectClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / (page->widthInches * dpiX_), target.height() / (page->heightInches * dpiY_));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    PagePainter pp(painter, dpiY_);
    for (const PageOp& o : page->ops)
        pp.Apply(o);
    painter.restore();
    return true;
}

QImage PageStream::Render(int index, double dpi) const
{
    const QSizeF in = PageSizeInches(index);
    QImage img(qRound(in.width() * dpi), qRound(in.height() * dpi), QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    bool ok = false;
    {
        QPainter p(&img);
        ok = Play(index, p, QRectF(0, 0, img.width(), img.height()));
    }
    return ok ? img : QImage();
}

namespace {

std::size_t PageBytes(const PageStream::Page& p)
{
    std::size_t n = sizeof(PageStream::Page) + p.ops.capacity() * sizeof(PageOp);
    for (const PageOp& o : p.ops) {
        if (const auto* t = std::get_if<op::Text>(&o))
            n += static_cast<std::size_t>(t->text.capacity()) * 2;
        else if (const auto* i = std::get_if<op::Image>(&o))
            n += static_cast<std::size_t>(i->image.sizeInBytes());
        else if (const auto* f = std::get_if<op::Font>(&o))
            n += static_cast<std::size_t>(f->f.name.capacity()) * 2;
    }
    return n;
}

}  // namespace

std::size_t PageStream::ApproxBytes() const
{
    std::size_t n = sizeof(*this);
    for (const auto& p : memPages_)
        n += PageBytes(*p);
    if (current_)
        n += PageBytes(*current_);
    n += index_.capacity() * sizeof(Entry);
    for (const auto& c : cache_)
        n += PageBytes(*c.second);
    if (spool_) {
        n += sizeof(Spool) + spool_->images.capacity() * sizeof(Entry) + spool_->imageIds.size() * 32 +
             spool_->metafileBytes;
        for (const auto& [id, img] : spool_->imageCache)
            n += static_cast<std::size_t>(img.sizeInBytes());
    }
    return n;
}

qint64 PageStream::SpoolBytes() const
{
    return spool_ ? spool_->end : 0;
}

QString PageStream::SpoolPath() const
{
    return spool_ ? spool_->file.fileName() : QString();
}

}  // namespace addrova::print
