#include "GShapes.h"

#include "Common.h"
#include "LayoutDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <cmath>
#include <functional>

namespace addrova::layout {

PrintedSegment linePrintSegment(LineStyle s, int left, int top, int width, int height, int penWidth, int ppi,
                                double X, double Y) {
    double p = ppi;
    int h = penWidth / 2;
    double x1 = X + left / p, x2 = X + (left + width) / p;
    double y1 = Y + (top + h) / p, y2 = Y + (top + h + height) / p;
    switch (s) {
    case LineStyle::stVertical: return {x1, y1, x1, y2};
    case LineStyle::stAngleSlopingUp: return {x1, y2, x2, y1};
    case LineStyle::stAngleSlopingDown: return {x1, y1, x2, y2};
    default: return {x1, y1, x2, y1};
    }
}

int shapePrintPenWidth(int penWidth, int ppi) { return static_cast<int>(std::trunc(penWidth / static_cast<double>(ppi) * 100)); }

int roundCorner(int roundPerc, int width, int height) {
    return static_cast<int>(std::trunc(roundPerc * 0.01 * std::max(width, height)));
}

namespace {

QPen screenPen(const LayoutPen& pen, int w) {
    QPen p(toQColor(pen.color), std::max(0, w), qtPenStyle(pen.style), Qt::FlatCap, Qt::MiterJoin);
    return p;
}

QList<QAction*> thicknessItems(QMenu* parent, QObject* ctx, const std::function<void(int)>& set) {
    QMenu* t = parent->addMenu(QStringLiteral("Line Thickness"));
    QList<QAction*> acts;
    for (int i = 1; i <= 10; ++i) {
        QAction* a = t->addAction(QString::number(i) + QStringLiteral(" Point"), ctx, [set, i] { set(i); });
        a->setCheckable(true);
        acts << a;
    }
    return acts;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TGLineShape

TGLineShape::TGLineShape(QObject* parent) : TGGraphicControl(parent) {
    width_ = 10;
    height_ = 10;
}

void TGLineShape::setLineStyle(LineStyle s) {
    style_ = s;
    repaint();
}

void TGLineShape::setPen(const LayoutPen& p) {
    pen_ = p;
    repaint();
}

void TGLineShape::stretchToEdges() {
    LayoutHost* h = host();
    if (!h) return;
    if (style_ == LineStyle::stHorizontal) setBounds(0, top_, h->panelSize().width(), height_);
    if (style_ == LineStyle::stVertical) setBounds(left_, 0, width_, h->panelSize().height());
}

void TGLineShape::paint(QPainter& p) {
    int w = zoom_ != 1.0f ? roundEven(pen_.width * zoom_) : pen_.width;
    if (w < 1 && pen_.width > 0) w = 1;
    int h = w / 2;
    p.save();
    p.setCompositionMode(compositionFor(pen_.mode));
    p.setPen(screenPen(pen_, w));
    switch (style_) {
    case LineStyle::stHorizontal: p.drawLine(QPointF(h, h + 0.5 * (w % 2)), QPointF(width_ + h - w + 1, h + 0.5 * (w % 2))); break;
    case LineStyle::stVertical: p.drawLine(QPointF(h + 0.5 * (w % 2), h), QPointF(h + 0.5 * (w % 2), h + height_ - w + 1)); break;
    case LineStyle::stAngleSlopingUp: p.drawLine(QPoint(width_, 0), QPoint(0, height_)); break;
    case LineStyle::stAngleSlopingDown: p.drawLine(QPoint(0, 0), QPoint(width_, height_)); break;
    }
    p.restore();
}

void TGLineShape::print(PrintSurface& s, double X, double Y) {
    s.setPen(pen_.color, pen_.style, -pen_.width, PenMode::pmCopy);
    PrintedSegment seg = linePrintSegment(style_, left_, top_, width_, height_, pen_.width, ppi(), X, Y);
    s.moveTo(seg.x1, seg.y1);
    s.lineTo(seg.x2, seg.y2);
}

void TGLineShape::menuPopup() {
    for (int i = 0; i < styleActions_.size(); ++i) styleActions_[i]->setChecked(static_cast<int>(style_) == i);
    for (int i = 0; i < widthActions_.size(); ++i) widthActions_[i]->setChecked(pen_.width == i + 1);
}

void TGLineShape::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    QMenu* st = m->addMenu(QStringLiteral("Style"));
    styleActions_.clear();
    const char* names[] = {"Horizontal", "Vertical", "Angled Sloping Up", "Angled Sloping Down"};
    for (int i = 0; i < 4; ++i) {
        LineStyle v = static_cast<LineStyle>(i);
        QAction* a = st->addAction(QLatin1String(names[i]), this, [this, v] {
            setLineStyle(v);
            notifyChanged();
        });
        a->setCheckable(true);
        styleActions_ << a;
    }
    m->addAction(QStringLiteral("Color"), this, [this] {
        if (auto c = chooseColour(pen_.color)) {
            LayoutPen p = pen_;
            p.color = *c;
            setPen(p);
            notifyChanged();
        }
    });
    widthActions_ = thicknessItems(m, this, [this](int w) {
        LayoutPen p = pen_;
        p.width = w;
        setPen(p);
        notifyChanged();
    });
    m->addSeparator();
    m->addAction(QStringLiteral("Stretch To Edges"), this, [this] {
        stretchToEdges();
        notifyChanged();
    });
}

void TGLineShape::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    w.enumeration("LineStyle", style_, LineStyle::stHorizontal);
    w.pen(pen_);
}

PropKind TGLineShape::propertyKind(const QString& path) const {
    if (path.startsWith(QLatin1String("Pen."))) return penPropertyKind(path.mid(4));
    if (path == QLatin1String("LineStyle")) return PropKind::Enum;
    if (path == QLatin1String("Pen")) return PropKind::String;
    if (path.startsWith(QLatin1String("LineStyle."))) return PropKind::BadPath;
    return TGGraphicControl::propertyKind(path);
}

bool TGLineShape::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    if (path.startsWith(QLatin1String("Pen."))) return assignPenProperty(pen_, path.mid(4), v);
    if (path == QLatin1String("LineStyle")) return assignEnum(style_, v);
    if (path == QLatin1String("Pen")) return false;
    return TGGraphicControl::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// TGLabelShapes

TGLabelShapes::TGLabelShapes(QObject* parent) : TGGraphicControl(parent) {
    width_ = 25;
    height_ = 25;
}

void TGLabelShapes::setShape(ShapeType s) { shape_ = s; repaint(); }
void TGLabelShapes::setRoundPerc(int p) { roundPerc_ = p; repaint(); }
void TGLabelShapes::setPen(const LayoutPen& p) { pen_ = p; repaint(); }
void TGLabelShapes::setBrush(const LayoutBrush& b) { brush_ = b; repaint(); }

void TGLabelShapes::setTransparent(bool t) {
    transparent_ = t;
    brush_.style = t ? BrushStyle::bsClear : BrushStyle::bsSolid;
    repaint();
}

void TGLabelShapes::paint(QPainter& p) {
    int w = pen_.width;
    if (zoom_ != 1.0f) {
        w = roundEven(pen_.width * zoom_);
        if (w < 1 && pen_.width > 0) w = 1;
    }
    // The outline stays inside the box, as the figure rectangle (h, h, W + h - w + 1, H + h - w + 1) does.
    QRectF r(w / 2.0, w / 2.0, width_ - w, height_ - w);
    p.save();
    p.setCompositionMode(compositionFor(pen_.mode));
    p.setPen(w > 0 ? screenPen(pen_, w) : QPen(Qt::NoPen));
    p.setBrush(QBrush(toQColor(brush_.color), qtBrushStyle(brush_.style)));
    switch (shape_) {
    case ShapeType::stRoundRect:
    case ShapeType::stRoundSquare: {
        double rr = roundCorner(roundPerc_, width_, height_) / 2.0;
        p.drawRoundedRect(r, rr, rr);
        break;
    }
    case ShapeType::stEllipse:
    case ShapeType::stCircle: p.drawEllipse(r); break;
    default: p.drawRect(r); break;
    }
    p.restore();
}

void TGLabelShapes::print(PrintSurface& s, double X, double Y) {
    double p = ppi();
    s.setPen(pen_.color, pen_.style, -shapePrintPenWidth(pen_.width, ppi()), pen_.mode);
    s.setBrush(brush_.color, brush_.style);
    double x1 = X + left_ / p, y1 = Y + top_ / p, x2 = X + (left_ + width_) / p, y2 = Y + (top_ + height_) / p;
    switch (shape_) {
    case ShapeType::stRoundRect:
    case ShapeType::stRoundSquare: {
        double c = roundPerc_ * 0.01 * (height_ < width_ ? x2 - x1 : y2 - y1);
        s.roundRect(x1, y1, x2, y2, c, c);
        break;
    }
    case ShapeType::stEllipse:
    case ShapeType::stCircle: s.ellipse(x1, y1, x2, y2); break;
    default: s.rectangle(x1, y1, x2, y2); break;
    }
}

void TGLabelShapes::menuPopup() {
    for (int i = 0; i < widthActions_.size(); ++i) widthActions_[i]->setChecked(pen_.width == i + 1);
    if (transparentAction_) transparentAction_->setChecked(transparent_);
}

void TGLabelShapes::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Background Color"), this, [this] {
        if (auto c = chooseColour(brush_.color)) {
            LayoutBrush b = brush_;
            b.color = *c;
            setBrush(b);
            setTransparent(false);
            notifyChanged();
        }
    });
    m->addAction(QStringLiteral("Line Color"), this, [this] {
        if (auto c = chooseColour(pen_.color)) {
            LayoutPen p = pen_;
            p.color = *c;
            setPen(p);
            notifyChanged();
        }
    });
    widthActions_ = thicknessItems(m, this, [this](int w) {
        LayoutPen p = pen_;
        p.width = w;
        setPen(p);
        notifyChanged();
    });
    m->addSeparator();
    transparentAction_ = m->addAction(QStringLiteral("Transparent"));
    transparentAction_->setCheckable(true);
    connect(transparentAction_, &QAction::triggered, this, [this] {
        setTransparent(!transparent_);
        notifyChanged();
    });
    if (shape_ == ShapeType::stRoundRect || shape_ == ShapeType::stRoundSquare) {
        m->addSeparator();
        QMenu* r = m->addMenu(QStringLiteral("Degree of Rounding"));
        for (int pc = 20; pc <= 80; pc += 10)
            r->addAction(QString::number(pc) + QStringLiteral(" %"), this, [this, pc] {
                setRoundPerc(pc);
                notifyChanged();
            });
    }
}

void TGLabelShapes::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    w.boolean("Transparent", transparent_);
    if (brush_.color != clWhite) w.colour("Brush.Color", brush_.color);
    w.enumeration("Brush.Style", brush_.style, BrushStyle::bsSolid);
    w.pen(pen_);
    if (roundPerc_ != 25) w.integer("RoundPerc", roundPerc_);
    w.enumeration("Shape", shape_, ShapeType::stRectangle);
}

PropKind TGLabelShapes::propertyKind(const QString& path) const {
    if (path.startsWith(QLatin1String("Pen."))) return penPropertyKind(path.mid(4));
    if (path == QLatin1String("Brush.Color")) return PropKind::Colour;
    if (path == QLatin1String("Brush.Style")) return PropKind::Enum;
    if (path.startsWith(QLatin1String("Brush."))) return path.count(QLatin1Char('.')) > 1 ? PropKind::BadPath : PropKind::None;
    static const std::pair<const char*, PropKind> props[] = {{"Transparent", PropKind::Boolean},
                                                             {"RoundPerc", PropKind::Integer},
                                                             {"Shape", PropKind::Enum},
                                                             {"Pen", PropKind::String},
                                                             {"Brush", PropKind::String}};
    QString head = path.section(QLatin1Char('.'), 0, 0);
    for (const auto& [n, k] : props)
        if (head == QLatin1String(n)) return head == path ? k : PropKind::BadPath;
    return TGGraphicControl::propertyKind(path);
}

bool TGLabelShapes::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    if (path.startsWith(QLatin1String("Pen."))) return assignPenProperty(pen_, path.mid(4), v);
    if (path == QLatin1String("Brush.Color")) return assignColour(brush_.color, v);
    if (path == QLatin1String("Brush.Style")) return assignEnum(brush_.style, v);
    if (path == QLatin1String("Transparent"))
        return (v.code == vaFalse || v.code == vaTrue) && (setTransparent(v.boolean()), true);
    if (path == QLatin1String("RoundPerc"))
        return (v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32) && (setRoundPerc(v.integer), true);
    if (path == QLatin1String("Shape")) return assignEnum(shape_, v);
    if (path == QLatin1String("Pen") || path == QLatin1String("Brush")) return false;
    return TGGraphicControl::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// Pictures

namespace {

bool isPlaceable(const QByteArray& d) {
    return d.size() >= 22 && static_cast<uint8_t>(d[0]) == 0xD7 && static_cast<uint8_t>(d[1]) == 0xCD &&
           static_cast<uint8_t>(d[2]) == 0xC6 && static_cast<uint8_t>(d[3]) == 0x9A;
}

int le16(const QByteArray& d, int at) {
    return static_cast<int16_t>(static_cast<uint8_t>(d[at]) | (static_cast<uint8_t>(d[at + 1]) << 8));
}

// A metafile: a placeable header followed by a standard header, or a standard header alone.
bool looksLikeWmf(const QByteArray& d) {
    int at = isPlaceable(d) ? 22 : 0;
    if (d.size() < at + 18) return false;
    int type = le16(d, at), headerWords = le16(d, at + 2);
    return (type == 1 || type == 2) && headerWords == 9;
}

}  // namespace

QSize wmfSize(const QByteArray& wmf) {
    if (!isPlaceable(wmf)) return {};
    int l = le16(wmf, 6), t = le16(wmf, 8), r = le16(wmf, 10), b = le16(wmf, 12);
    int inch = static_cast<uint16_t>(le16(wmf, 14));
    if (inch <= 0) return {};
    return QSize(std::abs(r - l) * 96 / inch, std::abs(b - t) * 96 / inch);
}

QSize LayoutPicture::size() const {
    if (kind_ == Kind::Bitmap) return image_.size();
    if (kind_ == Kind::Metafile) return wmfSize(data_);
    return {};
}

void LayoutPicture::clear() {
    kind_ = Kind::Empty;
    data_.clear();
    image_ = QImage();
}

bool LayoutPicture::loadBytes(const QByteArray& bytes) {
    if (bytes.startsWith("BM")) {
        QImage img = QImage::fromData(bytes, "BMP");
        if (img.isNull()) return false;
        kind_ = Kind::Bitmap;
        data_ = bytes;
        image_ = img;
        return true;
    }
    if (looksLikeWmf(bytes)) {
        kind_ = Kind::Metafile;
        data_ = bytes;
        image_ = QImage();
        return true;
    }
    return false;
}

bool LayoutPicture::loadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    return loadBytes(f.readAll());
}

QByteArray LayoutPicture::streamData() const {
    QByteArray out;
    if (kind_ == Kind::Empty) return out;
    QByteArray name = kind_ == Kind::Bitmap ? QByteArray("TBitmap") : QByteArray("TMetafile");
    out.append(static_cast<char>(name.size()));
    out.append(name);
    if (kind_ == Kind::Bitmap) {
        uint32_t n = static_cast<uint32_t>(data_.size());
        for (int i = 0; i < 4; ++i) out.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    out.append(data_);
    return out;
}

bool LayoutPicture::setStreamData(const QByteArray& d) {
    if (d.isEmpty()) return false;
    int n = static_cast<uint8_t>(d[0]);
    if (d.size() < 1 + n) return false;
    QByteArray name = d.mid(1, n);
    QByteArray rest = d.mid(1 + n);
    if (name == "TBitmap") {
        if (rest.size() < 4) return false;
        uint32_t len = 0;
        for (int i = 3; i >= 0; --i) len = (len << 8) | static_cast<uint8_t>(rest[i]);
        if (len > static_cast<uint32_t>(rest.size() - 4)) return false;
        QByteArray bmp = rest.mid(4, static_cast<qsizetype>(len));
        if (len == 0) {
            clear();
            return true;
        }
        return bmp.startsWith("BM") && loadBytes(bmp);
    }
    if (name == "TMetafile") {
        if (rest.isEmpty()) {
            clear();
            return true;
        }
        if (!looksLikeWmf(rest)) return false;
        kind_ = Kind::Metafile;
        data_ = rest;
        image_ = QImage();
        return true;
    }
    return false;
}

void LayoutPicture::draw(QPainter& p, const QRectF& target) const {
    if (kind_ == Kind::Bitmap) p.drawImage(target, image_);
    if (kind_ == Kind::Metafile) drawWmf(p, data_, target);
}

TGImage::TGImage(QObject* parent) : TGGraphicControl(parent) {
    width_ = 105;
    height_ = 105;
}

void TGImage::setStretch(bool s) {
    stretch_ = s;
    if (s) autoSize_ = false;
    repaint();
}

void TGImage::setAutoSize(bool a) {
    autoSize_ = a;
    if (a) stretch_ = false;
    repaint();
}

void TGImage::paint(QPainter& p) {
    QSize ps = picture_.size();
    if (zoom_ == 1.0f && autoSize_ && ps.width() > 0 && ps.height() > 0 && ps != QSize(width_, height_))
        setBounds(left_, top_, ps.width(), ps.height());
    if (picture_.isEmpty()) {
        p.save();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, width_ - 1, height_ - 1));
        p.restore();
        return;
    }
    if (stretch_ || zoom_ != 1.0f || ps.isEmpty())
        picture_.draw(p, QRectF(0, 0, width_, height_));
    else
        picture_.draw(p, QRectF(QPointF(0, 0), QSizeF(ps)));
}

void TGImage::print(PrintSurface& s, double X, double Y) {
    double p = ppi();
    double x1 = X + left_ / p, y1 = Y + top_ / p, x2 = X + (left_ + width_) / p, y2 = Y + (top_ + height_) / p;
    if (picture_.kind() == LayoutPicture::Kind::Bitmap) s.drawBitmap(x1, y1, x2, y2, picture_.image());
    if (picture_.kind() == LayoutPicture::Kind::Metafile) s.drawMetafile(s.toDevice(x1, y1, x2, y2), picture_.fileData());
}

void TGImage::loadImageFromDisk() {
    QString cwd = QDir::currentPath();
    TGImageBrowser dlg(stretch_, autoSize_);
    if (dlg.exec() == QDialog::Accepted && !dlg.chosenFile().isEmpty()) {
        if (picture_.loadFile(dlg.chosenFile())) {
            stretch_ = dlg.stretch();
            autoSize_ = dlg.autoSize();
            QSize ps = picture_.size();
            if (autoSize_ && ps.width() > 0 && ps.height() > 0) setBounds(left_, top_, ps.width(), ps.height());
            notifyChanged();
            repaint();
        } else {
            picture_.clear();
            ui::ShowError(QStringLiteral("Error loading file!"));
        }
    }
    QDir::setCurrent(cwd);
}

void TGImage::menuPopup() {
    if (stretchAction_) stretchAction_->setChecked(stretch_);
    if (autoSizeAction_) autoSizeAction_->setChecked(autoSize_);
}

void TGImage::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Load Image From Disk"), this, [this] { loadImageFromDisk(); });
    m->addSeparator();
    stretchAction_ = m->addAction(QStringLiteral("Stretch to Fit"));
    stretchAction_->setCheckable(true);
    connect(stretchAction_, &QAction::triggered, this, [this] {
        setStretch(!stretch_);
        notifyChanged();
    });
    autoSizeAction_ = m->addAction(QStringLiteral("AutoSize"));
    autoSizeAction_->setCheckable(true);
    connect(autoSizeAction_, &QAction::triggered, this, [this] {
        setAutoSize(!autoSize_);
        notifyChanged();
    });
}

void TGImage::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    if (autoSize_) w.boolean("AutoSize", autoSize_);
    if (!picture_.isEmpty()) {
        w.stream().writeName(QStringLiteral("Picture.Data"));
        w.stream().writeBinary(picture_.streamData());
    }
    if (!stretch_) w.boolean("Stretch", stretch_);
}

PropKind TGImage::propertyKind(const QString& path) const {
    if (path == QLatin1String("Picture.Data")) return PropKind::Binary;
    if (path.startsWith(QLatin1String("Picture."))) return path.count(QLatin1Char('.')) > 1 ? PropKind::BadPath : PropKind::None;
    if (path == QLatin1String("AutoSize") || path == QLatin1String("Stretch")) return PropKind::Boolean;
    if (path == QLatin1String("Picture")) return PropKind::String;
    if (path.startsWith(QLatin1String("AutoSize.")) || path.startsWith(QLatin1String("Stretch."))) return PropKind::BadPath;
    return TGGraphicControl::propertyKind(path);
}

bool TGImage::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isBool = v.code == vaFalse || v.code == vaTrue;
    if (path == QLatin1String("Picture.Data")) return v.code == vaBinary && picture_.setStreamData(v.binary);
    if (path == QLatin1String("AutoSize")) return isBool && (setAutoSize(v.boolean()), true);
    if (path == QLatin1String("Stretch")) return isBool && (setStretch(v.boolean()), true);
    if (path == QLatin1String("Picture")) return false;
    return TGGraphicControl::assignProperty(path, v, ppi);
}

}  // namespace addrova::layout
