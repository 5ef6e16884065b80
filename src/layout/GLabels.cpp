#include "GLabels.h"

#include "AddressFile.h"
#include "LayoutDialogs.h"
#include "ProgramDir.h"

#include <QAction>
#include <QFontMetrics>
#include <QLocale>
#include <QMenu>
#include <climits>
#include <cmath>

namespace addrova::layout {

// ---------------------------------------------------------------------------------------------
// Geometry

QPoint shadowOffset(ShadowDir d, int depth) {
    switch (d) {
    case ShadowDir::sdRight: return {depth, 0};
    case ShadowDir::sdLeft: return {-depth, 0};
    case ShadowDir::sdDownRight: return {depth, depth};
    case ShadowDir::sdDownLeft: return {-depth, depth};
    case ShadowDir::sdDown: return {0, depth};
    default: return {0, 0};
    }
}

QPoint highlightOffset(HighlightDir d, int depth) {
    switch (d) {
    case HighlightDir::hdright: return {depth, 0};
    case HighlightDir::hdLeft: return {-depth, 0};
    case HighlightDir::hdUpRight: return {depth, -depth};
    case HighlightDir::hdUpLeft: return {-depth, -depth};
    case HighlightDir::hdUp: return {0, -depth};
    default: return {0, 0};
    }
}

TextLayout layoutText(const TextLayoutInput& in) {
    TextLayout out;
    int mx = 0, my = 0;
    if (in.sx < 0) mx = -in.sx;
    if (in.hx < 0) mx = std::max(mx, -in.hx);
    if (in.sy < 0) my = -in.sy;
    if (in.hy < 0) my = std::max(my, -in.hy);
    int f = in.lineH + in.sy - in.hy;
    int w = in.width, h = in.height;
    bool upright = in.angle == 90 || in.angle == 270;
    if (upright) {
        if (in.textW * 1.2 < h) h = static_cast<int>(std::trunc(in.textW * 1.2));
        if (h < 5) h = in.textW;
        if (f * 1.2 < w) w = static_cast<int>(std::trunc(f * 1.2));
        if (w < f) w = f;
    } else {
        if (in.angle == 180 && in.textW * 2 < w) w = in.textW * 2;
        if (w <= 5) w = in.textW;
        if (f * 1.2 < h) h = static_cast<int>(std::trunc(f * 1.2));
        if (h < f) h = f;
    }
    out.width = w;
    out.height = h;
    Edges r = upright ? Edges{my, mx, my + in.lineH, h - my} : Edges{mx, my, w, my + in.lineH};
    if (in.angle == 90) r = r.moved(0, h + r.top + in.hx - r.bottom - 1);
    if (in.angle == 180) r = r.moved(w + r.left - r.right - in.sy - 1, 0);
    auto offset = [&](int dx, int dy) {
        switch (in.angle) {
        case 90: return r.moved(dy, -dx);
        case 180: return r.moved(-dx, -dy);
        case 270: return r.moved(-dy, dx);
        default: return r.moved(dx, dy);
        }
    };
    out.main = r;
    out.shadow = offset(in.sx, in.sy);
    out.highlight = offset(in.hx, in.hy);
    auto origin = [&](const Edges& e) {
        switch (in.angle) {
        case 90: return QPoint(e.left, e.bottom);
        case 180: return QPoint(e.right, e.bottom);
        case 270: return QPoint(e.right, e.top);
        default: return QPoint(e.left, e.top);
        }
    };
    out.mainOrigin = origin(out.main);
    out.shadowOrigin = origin(out.shadow);
    out.highlightOrigin = origin(out.highlight);
    if (in.angle == 0) {
        int x = r.left;
        if (in.alignment == Alignment::taRightJustify) x = r.right - in.textW;
        if (in.alignment == Alignment::taCenter) x = (r.right - r.left) / 2 - in.textW / 2;
        out.mainOrigin.setX(x);
        out.highlightOrigin.setX(x + in.hx);
        out.shadowOrigin.setX(x + in.sx);
    }
    return out;
}

namespace {
const QImage& measureDevice(int ppi) {
    static QImage img;
    static int dpi = 0;
    if (dpi != ppi) {
        img = QImage(4, 4, QImage::Format_RGB32);
        img.setDotsPerMeterX(roundEven(ppi / 0.0254));
        img.setDotsPerMeterY(roundEven(ppi / 0.0254));
        dpi = ppi;
    }
    return img;
}
}  // namespace

TextMeasure measureFont(const QFont& font, int ppi) {
    TextMeasure m;
    m.ppi = ppi;
    QImage& dev = const_cast<QImage&>(measureDevice(ppi));
    QFontMetrics fm(font, &dev);
    m.font = font;
    m.cellH = fm.height();
    int em = font.pixelSize() > 0 ? font.pixelSize() : roundEven(font.pointSizeF() * ppi / 72.0);
    int internal = std::max(0, fm.height() - em);
    m.lineH = m.cellH + internal + std::max(0, fm.leading());
    return m;
}

int TextMeasure::width(const QString& s) const {
    QImage& dev = const_cast<QImage&>(measureDevice(ppi));
    return QFontMetrics(font, &dev).horizontalAdvance(s);
}

// ---------------------------------------------------------------------------------------------
// TGBaseLabel

TGBaseLabel::TGBaseLabel(QObject* parent) : TGGraphicControl(parent) {
    width_ = 142;
    height_ = 33;
    recomputeOffsets();
}

void TGBaseLabel::setCaption(const QString& c) {
    if (c == caption_) return;
    caption_ = c;
    layoutNeeded_ = true;
    notifyChanged();
    repaint();
}

void TGBaseLabel::setFont(const LayoutFont& f) {
    font_ = f;
    layoutNeeded_ = true;
    repaint();
}

void TGBaseLabel::setAlignment(Alignment a) {
    alignment_ = a;
    layoutNeeded_ = true;
    repaint();
    notifyChanged();
}

void TGBaseLabel::setAngle(int a) {
    if (a != 0 && a != 90 && a != 180 && a != 270) return;
    angle_ = a;
    layoutNeeded_ = true;
    if (a != 0) alignment_ = Alignment::taLeftJustify;
    bool flat = a == 0 || a == 180;
    if ((flat && width_ < height_) || (!flat && height_ < width_)) setBounds(left_, top_, height_, width_);
    repaint();
}

void TGBaseLabel::recomputeOffsets() {
    so_ = shadowOffset(dirShadow_, depthShadow_);
    ho_ = highlightOffset(dirHighlight_, depthHighlight_);
    layoutNeeded_ = true;
}

void TGBaseLabel::setDepthShadow(int d) { depthShadow_ = d; recomputeOffsets(); repaint(); }
void TGBaseLabel::setDirectionShadow(ShadowDir d) { dirShadow_ = d; recomputeOffsets(); repaint(); }
void TGBaseLabel::setDepthHighlight(int d) { depthHighlight_ = d; recomputeOffsets(); repaint(); }
void TGBaseLabel::setDirectionHighlight(HighlightDir d) { dirHighlight_ = d; recomputeOffsets(); repaint(); }
void TGBaseLabel::setColorShadow(Colour c) { colorShadow_ = c; repaint(); }
void TGBaseLabel::setColorHighlight(Colour c) { colorHighlight_ = c; repaint(); }

void TGBaseLabel::setTransparent(bool t) {
    transparent_ = t;
    notifyChanged();
    repaint(true);
}

void TGBaseLabel::setBackColor(Colour c) {
    backColor_ = c;
    notifyChanged();
    repaint();
}

void TGBaseLabel::boundsChanged() {
    layoutNeeded_ = true;
    if (width_ <= 0 || height_ <= 0) {
        setBounds(left_, top_, std::max(1, width_), std::max(1, height_));
        return;
    }
    TGGraphicControl::boundsChanged();
}

void TGBaseLabel::applyFont(const LayoutFont& f) {
    font_ = f;
    layoutNeeded_ = true;
}

void TGBaseLabel::doLayout() {
    QFont qf = font_.toQFont(zoom_);
    TextMeasure m = measureFont(qf, ppi());
    TextLayoutInput in;
    in.angle = angle_;
    in.width = width_;
    in.height = height_;
    in.lineH = m.lineH;
    in.textW = m.width(caption_ + QLatin1Char(' '));
    in.sx = so_.x();
    in.sy = so_.y();
    in.hx = ho_.x();
    in.hy = ho_.y();
    in.alignment = alignment_;
    layout_ = layoutText(in);
    if (layout_.width != width_ || layout_.height != height_) setBounds(left_, top_, layout_.width, layout_.height);
    layoutNeeded_ = false;
}

const TextLayout& TGBaseLabel::layout() {
    prepareText();
    if (layoutNeeded_) doLayout();
    return layout_;
}

void TGBaseLabel::fitToText() {
    if (angle_ != 0) return;
    layout();
    int x0 = std::max({layout_.main.left, layout_.shadow.left, layout_.highlight.left});
    int y0 = std::max({layout_.main.top, layout_.shadow.top, layout_.highlight.top});
    TextMeasure m = measureFont(font_.toQFont(zoom_), ppi());
    int w = width_, h = height_;
    int tw = m.width(caption_ + QStringLiteral("     "));
    if (w < x0 + tw) w = x0 + tw;
    if (h < y0 + m.cellH) h = y0 + m.cellH;
    if (w != width_ || h != height_) setBounds(left_, top_, w, h);
    layoutNeeded_ = true;
    repaint();
}

static QRect toQRect(const Edges& e) { return QRect(QPoint(e.left, e.top), QPoint(e.right - 1, e.bottom - 1)); }

void TGBaseLabel::paint(QPainter& p) {
    prepareText();
    if (width_ < 5 || height_ < 5) layoutNeeded_ = true;
    layout();
    if (!transparent_) p.fillRect(QRect(0, 0, width_, height_), toQColor(backColor_));
    QFont qf = font_.toQFont(zoom_);
    // Draw at the panel's resolution whatever the painter's device says.
    qf.setPixelSize(std::max(1, roundEven(qf.pointSizeF() * ppi() / 72.0)));
    p.setFont(qf);
    QFontMetrics fm(qf);
    auto draw = [&](const Edges& r, QPoint o, Colour c) {
        p.save();
        p.setClipRect(toQRect(r), Qt::IntersectClip);
        p.translate(o);
        p.rotate(-angle_);
        p.setPen(toQColor(c));
        p.drawText(QPointF(0, fm.ascent()), caption_);
        p.restore();
    };
    draw(layout_.shadow, layout_.shadowOrigin, colorShadow_);
    draw(layout_.highlight, layout_.highlightOrigin, colorHighlight_);
    draw(layout_.main, layout_.mainOrigin, font_.color);
}

void TGBaseLabel::print(PrintSurface& s, double X, double Y) {
    prepareText();
    layoutNeeded_ = true;
    layout();
    double p = ppi();
    if (!transparent_) {
        s.setPen(backColor_, PenStyle::psClear, 0, PenMode::pmCopy);
        s.setBrush(backColor_, BrushStyle::bsSolid);
        s.rectangle(X + left_ / p, Y + top_ / p, X + (left_ + width_ - 1) / p, Y + (top_ + height_ - 1) / p);
    }
    s.setFont(font_.name, font_.size);
    s.setBold(font_.style & fsBold);
    s.setItalic(font_.style & fsItalic);
    s.setUnderline(font_.style & fsUnderline);
    s.setFontRotation(angle_);
    s.setBrush(clWhite, BrushStyle::bsClear);
    auto out = [&](const Edges& r, QPoint o, Colour c) {
        s.setFontColor(c);
        QRect clip = s.toDevice(X + (left_ + r.left) / p - 0.03, Y + (top_ + r.top) / p - 0.03,
                                X + (left_ + r.right) / p, Y + (top_ + r.bottom) / p);
        s.textOut(X + (left_ + o.x()) / p, Y + (top_ + o.y()) / p, caption_, clip);
    };
    if (depthShadow_ > 0 && dirShadow_ != ShadowDir::sdNone) out(layout_.shadow, layout_.shadowOrigin, colorShadow_);
    if (depthHighlight_ > 0 && dirHighlight_ != HighlightDir::hdNone)
        out(layout_.highlight, layout_.highlightOrigin, colorHighlight_);
    out(layout_.main, layout_.mainOrigin, font_.color);
    s.setFontRotation(0);
}

void TGBaseLabel::chooseFont() {
    if (auto f = chooseLayoutFont(font_)) {
        applyFont(*f);
        notifyChanged();
        repaint();
    }
}

void TGBaseLabel::menuPopup() {
    const Alignment order[] = {Alignment::taLeftJustify, Alignment::taCenter, Alignment::taRightJustify};
    for (int i = 0; i < alignActions_.size() && i < 3; ++i) alignActions_[i]->setChecked(alignment_ == order[i]);
}

void TGBaseLabel::addTextItems(QMenu* m, bool withFontAndAlignment) {
    m->addSeparator();
    if (withFontAndAlignment) m->addAction(QStringLiteral("Font"), this, [this] { chooseFont(); });
    m->addAction(QStringLiteral("3D Effects"), this, [this] {
        TGFont3DEffects dlg(*this);
        if (dlg.exec() == QDialog::Accepted) {
            dlg.applyTo(*this);
            notifyChanged();
        }
    });
    if (withFontAndAlignment) {
        QMenu* a = m->addMenu(QStringLiteral("Alignment"));
        alignActions_.clear();
        const std::pair<const char*, Alignment> items[] = {{"Left", Alignment::taLeftJustify},
                                                          {"Center", Alignment::taCenter},
                                                          {"Right", Alignment::taRightJustify}};
        for (const auto& [text, al] : items) {
            Alignment v = al;
            QAction* act = a->addAction(QLatin1String(text), this, [this, v] {
                setAlignment(v);
                notifyChanged();
            });
            act->setCheckable(true);
            alignActions_ << act;
        }
    }
    m->addAction(QStringLiteral("Background Color"), this, [this] {
        if (auto c = chooseColour(backColor_)) {
            setBackColor(*c);
            setTransparent(false);
        }
    });
    QAction* t = m->addAction(QStringLiteral("Transparent"));
    t->setCheckable(true);
    connect(m, &QMenu::aboutToShow, t, [this, t] { t->setChecked(transparent_); });
    connect(t, &QAction::triggered, this, [this] { setTransparent(!transparent_); });
}

void TGBaseLabel::addRotationItems(QMenu* m) {
    m->addSeparator();
    QMenu* r = m->addMenu(QStringLiteral("Rotation"));
    const std::pair<const char*, int> items[] = {
        {"No Rotation", 0}, {"90 Degrees", 90}, {"180 Degrees", 180}, {"270 Degrees", 270}};
    for (const auto& [text, a] : items) {
        int v = a;
        r->addAction(QLatin1String(text), this, [this, v] {
            setAngle(v);
            notifyChanged();
        });
    }
}

void TGBaseLabel::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    addTextItems(m, true);
}

void TGBaseLabel::writeTextSet(PropertyWriter& w) const {
    w.enumeration("Alignment", alignment_, Alignment::taLeftJustify);
    if (depthHighlight_ != 0) w.integer("DepthHighlight", depthHighlight_);
    if (depthShadow_ != 0) w.integer("DepthShadow", depthShadow_);
    w.enumeration("DirectionHighlight", dirHighlight_, HighlightDir::hdUpLeft);
    w.enumeration("DirectionShadow", dirShadow_, ShadowDir::sdDownRight);
    if (colorHighlight_ != clAqua) w.colour("colorHighlight", colorHighlight_);
    if (colorShadow_ != clGray) w.colour("colorShadow", colorShadow_);
    if (angle_ != 0) w.integer("Angle", angle_);
    w.string("Caption", caption_);
    w.font(font_);
    w.boolean("Transparent", transparent_);
    w.colour("BackColor", backColor_);
}

void TGBaseLabel::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    writeTextSet(w);
}

PropKind TGBaseLabel::propertyKind(const QString& path) const {
    if (path.startsWith(QLatin1String("Font."))) return fontPropertyKind(path.mid(5));
    static const std::pair<const char*, PropKind> props[] = {
        {"Alignment", PropKind::Enum},      {"DepthHighlight", PropKind::Integer},
        {"DepthShadow", PropKind::Integer}, {"DirectionHighlight", PropKind::Enum},
        {"DirectionShadow", PropKind::Enum}, {"colorHighlight", PropKind::Colour},
        {"colorShadow", PropKind::Colour},  {"Angle", PropKind::Integer},
        {"Caption", PropKind::String},      {"Font", PropKind::String},
        {"Transparent", PropKind::Boolean}, {"BackColor", PropKind::Colour}};
    QString head = path.section(QLatin1Char('.'), 0, 0);
    for (const auto& [n, k] : props)
        if (head == QLatin1String(n)) return head == path ? k : PropKind::BadPath;
    return TGGraphicControl::propertyKind(path);
}

bool TGBaseLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isInt = v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32;
    bool isStr = v.code == vaString || v.code == vaLString;
    if (path.startsWith(QLatin1String("Font."))) {
        LayoutFont f = font_;
        if (!assignFontProperty(f, path.mid(5), v, ppi)) return false;
        font_ = f;
        layoutNeeded_ = true;
        return true;
    }
    if (path == QLatin1String("Alignment")) {
        Alignment a;
        return assignEnum(a, v) && (setAlignment(a), true);
    }
    if (path == QLatin1String("DepthHighlight")) return isInt && (setDepthHighlight(v.integer), true);
    if (path == QLatin1String("DepthShadow")) return isInt && (setDepthShadow(v.integer), true);
    if (path == QLatin1String("DirectionHighlight")) {
        HighlightDir d;
        return assignEnum(d, v) && (setDirectionHighlight(d), true);
    }
    if (path == QLatin1String("DirectionShadow")) {
        ShadowDir d;
        return assignEnum(d, v) && (setDirectionShadow(d), true);
    }
    if (path == QLatin1String("colorHighlight")) {
        Colour c;
        return assignColour(c, v) && (setColorHighlight(c), true);
    }
    if (path == QLatin1String("colorShadow")) {
        Colour c;
        return assignColour(c, v) && (setColorShadow(c), true);
    }
    if (path == QLatin1String("Angle")) return isInt && (setAngle(v.integer), true);
    if (path == QLatin1String("Caption")) return isStr && (setCaption(v.text), true);
    if (path == QLatin1String("Transparent"))
        return (v.code == vaFalse || v.code == vaTrue) && (setTransparent(v.boolean()), true);
    if (path == QLatin1String("BackColor")) {
        Colour c;
        return assignColour(c, v) && (setBackColor(c), true);
    }
    if (path == QLatin1String("Font")) return false;
    return TGGraphicControl::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// TGPLabel

void TGPLabel::editText() {
    TGetLabelText dlg(caption_);
    if (dlg.exec() == QDialog::Accepted) {
        setCaption(dlg.text());
        fitToText();
        repaint();
    }
}

void TGPLabel::chooseFont() {
    TGBaseLabel::chooseFont();
    fitToText();
}

void TGPLabel::addMenuItems(QMenu* m) {
    TGBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Text"), this, [this] { editText(); });
    addRotationItems(m);
}

// ---------------------------------------------------------------------------------------------
// TGPDLabel

void TGPDLabel::refreshData() {
    LayoutHost* h = host();
    RecordSource* rs = h ? h->records() : nullptr;
    bool isPrinting = h && h->printing();
    int field = -1;
    if (!dataFieldDescript_.isEmpty() && rs && rs->isOpen()) field = rs->fieldByLabel(dataFieldDescript_);
    QString c = caption_;
    if (field >= 0) {
        if ((h && h->displayDataValues()) || isPrinting) {
            c = rs->text(field);
            if (trimSpaces(c).isEmpty() && !isPrinting) c = QStringLiteral("<blank field>");
        } else {
            c = QLatin1Char('[') + dataFieldDescript_ + QLatin1Char(']');
        }
    } else if (!isPrinting) {
        c = QStringLiteral("<undefined field>");
    }
    caption_ = trimRightSpaces(c);
    layoutNeeded_ = true;
    if (!isPrinting) repaint();
}

void TGPDLabel::clearData() {
    caption_.clear();
    layoutNeeded_ = true;
}

void TGPDLabel::chooseField() {
    LayoutHost* h = host();
    if (ChooseDataField(h ? h->records() : nullptr, [](const RecordField& f) { return f.isString && f.tag >= 0 && f.visible; }, dataFieldName_,
                        dataFieldDescript_))
        notifyChanged();
    if (h) h->refreshAll();
}

void TGPDLabel::addMenuItems(QMenu* m) {
    TGBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Field"), this, [this] { chooseField(); });
}

void TGPDLabel::writeProperties(PropertyWriter& w) const {
    TGBaseLabel::writeProperties(w);
    w.string("DataFieldName", dataFieldName_);
    w.string("DataFieldDescript", dataFieldDescript_);
    w.integer("LengthOfText", lengthOfText_);
}

PropKind TGPDLabel::propertyKind(const QString& path) const {
    if (path == QLatin1String("DataFieldName") || path == QLatin1String("DataFieldDescript")) return PropKind::String;
    if (path == QLatin1String("LengthOfText")) return PropKind::Integer;
    return TGBaseLabel::propertyKind(path);
}

bool TGPDLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isStr = v.code == vaString || v.code == vaLString;
    if (path == QLatin1String("DataFieldName")) return isStr && (dataFieldName_ = v.text, true);
    if (path == QLatin1String("DataFieldDescript")) return isStr && (dataFieldDescript_ = v.text, true);
    if (path == QLatin1String("LengthOfText"))
        return (v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32) && (lengthOfText_ = v.integer, true);
    return TGBaseLabel::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// TGCounterLabel

TGCounterLabel::TGCounterLabel(QObject* parent) : TGBaseLabel(parent) { value_ = startingNumber_; }

QString TGCounterLabel::formatCounter(int value, int leadingZeros) {
    long long v = value;
    QString digits = QString::number(v < 0 ? -v : v);
    if (leadingZeros > 0 && digits.size() < leadingZeros) digits = QString(leadingZeros - digits.size(), QLatin1Char('0')) + digits;
    return v < 0 ? QLatin1Char('-') + digits : digits;
}

QString TGCounterLabel::counterText() const { return textBefore_ + formatCounter(value_, leadingZeros_) + textAfter_; }

void TGCounterLabel::prepareText() {
    QString t = counterText();
    if (t != caption_) {
        caption_ = t;
        layoutNeeded_ = true;
    }
}

void TGCounterLabel::loaded() {
    TGBaseLabel::loaded();
    prepareText();  // the stored settings after Startingnumber shape the text too
}

void TGCounterLabel::setStartingNumber(int n) {
    startingNumber_ = n;
    resetCounter();
}

void TGCounterLabel::setRepeatEach(int n) { repeatEach_ = n; repaint(); }
void TGCounterLabel::setLeadingZeros(int n) { leadingZeros_ = n; repaint(); }
void TGCounterLabel::setTextBefore(const QString& s) { textBefore_ = s; repaint(); }
void TGCounterLabel::setTextAfter(const QString& s) { textAfter_ = s; repaint(); }

void TGCounterLabel::resetCounter() {
    value_ = startingNumber_;
    copies_ = 0;
    prepareText();
    repaint();
}

void TGCounterLabel::advanceCounter() {
    ++copies_;
    if (copies_ == repeatEach_) {
        if (value_ < INT_MAX) ++value_;
        copies_ = 0;
        prepareText();
        repaint(true);
    }
}

void TGCounterLabel::counterSettings() {
    CounterSettings cs{startingNumber_, repeatEach_, leadingZeros_, textBefore_, textAfter_};
    TGetCounter dlg(cs);
    if (dlg.exec() != QDialog::Accepted) return;
    cs = dlg.settings();
    setStartingNumber(cs.startingNumber);
    setRepeatEach(cs.repeatEach);
    setTextBefore(cs.textBefore);
    setTextAfter(cs.textAfter);
    setLeadingZeros(cs.leadingZeros);
    caption_ = textBefore_ + QString::number(value_) + textAfter_;
    layoutNeeded_ = true;
    if (angle_ == 0) {
        setWidth(10);
        fitToText();
    }
    notifyChanged();
}

void TGCounterLabel::addMenuItems(QMenu* m) {
    TGBaseLabel::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Counter Settings"), this, [this] { counterSettings(); });
    addRotationItems(m);
}

void TGCounterLabel::writeProperties(PropertyWriter& w) const {
    TGBaseLabel::writeProperties(w);
    w.string("TextBefore", textBefore_);
    w.string("TextAfter", textAfter_);
    w.integer("Startingnumber", startingNumber_);
    w.integer("RepeatEach", repeatEach_);
    w.integer("LeadingZeros", leadingZeros_);
}

PropKind TGCounterLabel::propertyKind(const QString& path) const {
    if (path == QLatin1String("TextBefore") || path == QLatin1String("TextAfter")) return PropKind::String;
    if (path == QLatin1String("Startingnumber") || path == QLatin1String("RepeatEach") ||
        path == QLatin1String("LeadingZeros"))
        return PropKind::Integer;
    return TGBaseLabel::propertyKind(path);
}

bool TGCounterLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isStr = v.code == vaString || v.code == vaLString;
    bool isInt = v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32;
    if (path == QLatin1String("TextBefore")) return isStr && (setTextBefore(v.text), true);
    if (path == QLatin1String("TextAfter")) return isStr && (setTextAfter(v.text), true);
    if (path == QLatin1String("Startingnumber")) return isInt && (setStartingNumber(v.integer), true);
    if (path == QLatin1String("RepeatEach")) return isInt && (setRepeatEach(v.integer), true);
    if (path == QLatin1String("LeadingZeros")) return isInt && (setLeadingZeros(v.integer), true);
    return TGBaseLabel::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// TGSymbolLabel

TGSymbolLabel::TGSymbolLabel(QObject* parent) : TGBaseLabel(parent) {
    font_.name = QStringLiteral("WingDings");
    font_.size = 24;
    caption_ = QStringLiteral("[");
}

void TGSymbolLabel::fitSymbol() {
    TextMeasure m = measureFont(font_.toQFont(zoom_), ppi());
    int w = static_cast<int>(std::trunc(1.1 * m.width(caption_)));
    int h = static_cast<int>(std::trunc(1.1 * m.cellH));
    if (w != width_ || h != height_) setBounds(left_, top_, w, h);
}

void TGSymbolLabel::boundsChanged() {
    if (host() && !reading_) fitSymbol();
    TGBaseLabel::boundsChanged();
}

int TGSymbolLabel::symbolColumns(int pt) {
    if (pt >= 6 && pt <= 10) return 14;
    if (pt >= 11 && pt <= 20) return 10;
    if (pt >= 21 && pt <= 30) return 8;
    if (pt >= 31 && pt <= 40) return 6;
    if (pt >= 41 && pt <= 50) return 4;
    if (pt >= 51 && pt <= 60) return 3;
    if (pt >= 61 && pt <= 72) return 2;
    return 1;
}

void TGSymbolLabel::symbolSelector() {
    int code = caption_.isEmpty() ? 32 : static_cast<int>(caption_.at(0).unicode());
    TGetSymbol dlg(font_, code);
    if (dlg.exec() != QDialog::Accepted) return;
    font_ = dlg.font();
    caption_ = QChar(dlg.code());
    layoutNeeded_ = true;
    fitSymbol();
    notifyChanged();
    repaint();
}

void TGSymbolLabel::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    addTextItems(m, false);
    m->addSeparator();
    m->addAction(QStringLiteral("Symbol Selector"), this, [this] { symbolSelector(); });
}

// ---------------------------------------------------------------------------------------------
// TGDateTimeLabel

namespace {
std::function<QDateTime()>& clock() {
    static std::function<QDateTime()> c = [] { return QDateTime::currentDateTime(); };
    return c;
}
}  // namespace

void TGDateTimeLabel::setClock(std::function<QDateTime()> c) {
    clock() = c ? std::move(c) : std::function<QDateTime()>([] { return QDateTime::currentDateTime(); });
}

QString TGDateTimeLabel::formatDateTime(const QDateTime& when, DateFormat d, TimeFormat t) {
    QString s;
    QLocale loc = QLocale::system();
    if (d == DateFormat::dtfDateShort) {
        std::string ymd = when.date().toString(QStringLiteral("yyyyMMdd")).toStdString();
        s = QString::fromStdString(store::formatDate(ymd, app::ShortDateFormat()));
    } else if (d == DateFormat::dtfDateLong) {
        s = loc.toString(when.date(), QLocale::LongFormat);
    }
    if (t == TimeFormat::dtfTimeShort) s += QLatin1Char(' ') + loc.toString(when.time(), QLocale::ShortFormat);
    if (t == TimeFormat::dtfTimeLong) s += QLatin1Char(' ') + loc.toString(when.time(), QLocale::LongFormat);
    return s;
}

void TGDateTimeLabel::prepareText() {
    QString t = formatDateTime(clock()(), dateFormat_, timeFormat_);
    if (t != caption_) {
        caption_ = t;
        layoutNeeded_ = true;
    }
}

void TGDateTimeLabel::setDateFormat(DateFormat f) { dateFormat_ = f; repaint(); }
void TGDateTimeLabel::setTimeFormat(TimeFormat f) { timeFormat_ = f; repaint(); }

void TGDateTimeLabel::addMenuItems(QMenu* m) {
    TGBaseLabel::addMenuItems(m);
    m->addSeparator();
    QMenu* d = m->addMenu(QStringLiteral("Date Format"));
    const std::pair<const char*, DateFormat> ds[] = {{"No Date", DateFormat::dtfDateNone},
                                                     {"Windows Short Date", DateFormat::dtfDateShort},
                                                     {"Windows Long Date", DateFormat::dtfDateLong}};
    for (const auto& [text, f] : ds) {
        DateFormat v = f;
        d->addAction(QLatin1String(text), this, [this, v] { setDateFormat(v); notifyChanged(); });
    }
    QMenu* t = m->addMenu(QStringLiteral("Time Format"));
    const std::pair<const char*, TimeFormat> ts[] = {{"No Time", TimeFormat::dtfTimeNone},
                                                     {"Windows Short Time", TimeFormat::dtfTimeShort},
                                                     {"Windows Long Time", TimeFormat::dtfTimeLong}};
    for (const auto& [text, f] : ts) {
        TimeFormat v = f;
        t->addAction(QLatin1String(text), this, [this, v] { setTimeFormat(v); notifyChanged(); });
    }
}

void TGDateTimeLabel::writeProperties(PropertyWriter& w) const {
    TGBaseLabel::writeProperties(w);
    w.enumeration("DateFormat", dateFormat_);
    w.enumeration("TimeFormat", timeFormat_);
}

PropKind TGDateTimeLabel::propertyKind(const QString& path) const {
    if (path == QLatin1String("DateFormat") || path == QLatin1String("TimeFormat")) return PropKind::Enum;
    return TGBaseLabel::propertyKind(path);
}

bool TGDateTimeLabel::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    if (path == QLatin1String("DateFormat")) {
        DateFormat f;
        return assignEnum(f, v) && (setDateFormat(f), true);
    }
    if (path == QLatin1String("TimeFormat")) {
        TimeFormat f;
        return assignEnum(f, v) && (setTimeFormat(f), true);
    }
    return TGBaseLabel::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------
// TGPageNumberLabel

void TGPageNumberLabel::paint(QPainter& p) {
    if (caption_ != QLatin1String("##")) {
        caption_ = QStringLiteral("##");
        layoutNeeded_ = true;
    }
    TGBaseLabel::paint(p);
}

void TGPageNumberLabel::print(PrintSurface& s, double x, double y) {
    caption_ = QString::number(s.pageNumber());
    layoutNeeded_ = true;
    TGBaseLabel::print(s, x, y);
}

}  // namespace addrova::layout
