#include "GGraphc.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSet>
#include <cmath>

namespace addrova::layout {

// ---------------------------------------------------------------------------------------------
// Stored properties

void PropertyWriter::integer(const char* name, int32_t v) {
    s_.writeName(QLatin1String(name));
    s_.writeInteger(v);
}

void PropertyWriter::boolean(const char* name, bool v) {
    s_.writeName(QLatin1String(name));
    s_.writeBool(v);
}

void PropertyWriter::string(const char* name, const QString& v) {
    if (v.isEmpty()) return;
    s_.writeName(QLatin1String(name));
    s_.writeString(v);
}

void PropertyWriter::ident(const char* name, const char* v) {
    s_.writeName(QLatin1String(name));
    s_.writeIdent(QLatin1String(v));
}

void PropertyWriter::colour(const char* name, Colour c) {
    s_.writeName(QLatin1String(name));
    s_.writeColour(c);
}

void PropertyWriter::font(const LayoutFont& f) {
    colour("Font.Color", f.color);
    integer("Font.Height", fontHeightFromPoints(f.size, ppi_));
    s_.writeName(QStringLiteral("Font.Name"));
    s_.writeString(f.name);
    enumeration("Font.Pitch", f.pitch, FontPitch::fpDefault);
    QStringList style;
    if (f.style & fsBold) style << QStringLiteral("fsBold");
    if (f.style & fsItalic) style << QStringLiteral("fsItalic");
    if (f.style & fsUnderline) style << QStringLiteral("fsUnderline");
    if (f.style & fsStrikeOut) style << QStringLiteral("fsStrikeOut");
    s_.writeName(QStringLiteral("Font.Style"));
    s_.writeSet(style);
}

void PropertyWriter::pen(const LayoutPen& p) {
    if (p.color != clBlack) colour("Pen.Color", p.color);
    enumeration("Pen.Mode", p.mode, PenMode::pmCopy);
    enumeration("Pen.Style", p.style, PenStyle::psSolid);
    if (p.width != 1) integer("Pen.Width", p.width);
}

int fontHeightFromPoints(int points, int ppi) { return -roundEven(points * static_cast<double>(ppi) / 72.0); }
int fontPointsFromHeight(int height, int ppi) { return roundEven(-height * 72.0 / static_cast<double>(ppi)); }

// ---------------------------------------------------------------------------------------------

TGGraphicControl::TGGraphicControl(QObject* parent) : QObject(parent) {}

// A host deletes its objects in its own destructor, while it is still whole (see StandaloneHost).
TGGraphicControl::~TGGraphicControl() {
    if (LayoutHost* h = host()) h->removeFromSelection(this);
    delete menu_;
}

LayoutHost* TGGraphicControl::host() const { return dynamic_cast<LayoutHost*>(parent()); }

int TGGraphicControl::ppi() const {
    LayoutHost* h = host();
    return h ? h->ppi() : 96;
}

bool TGGraphicControl::printing() const {
    LayoutHost* h = host();
    return h && h->printing();
}

void TGGraphicControl::setBounds(int l, int t, int w, int h) {
    left_ = l;
    top_ = t;
    width_ = w;
    height_ = h;
    if (!reading_) boundsChanged();
}

void TGGraphicControl::boundsChanged() {
    QRect b = bounds();
    if (b != lastBounds_) {
        notifyChanged();
        lastBounds_ = b;
        if (LayoutHost* h = host()) h->frameChanged(this);
    }
}

void TGGraphicControl::setLocked(bool v) {
    if (v == locked_) return;
    locked_ = v;
    if (!reading_) {
        if (lockedAction_) lockedAction_->setChecked(v);
        notifyChanged();
    }
}

void TGGraphicControl::setUnselectable(bool v) {
    if (v == unselectable_) return;
    unselectable_ = v;
    if (!reading_) {
        notifyChanged();
        if (v)
            if (LayoutHost* h = host()) h->removeFromSelection(this);
    }
}

void TGGraphicControl::setZoom(float z) {
    if (z == zoom_ || z <= 0) return;
    // A bound set by anything but zooming is the geometry from now on; the others keep their
    // fractions, so zooming in and out again gives back the exact geometry.
    const double k = static_cast<double>(zoom_);
    const int now[4] = {left_, top_, width_, height_};
    const int last[4] = {zoomedTo_.x(), zoomedTo_.y(), zoomedTo_.width(), zoomedTo_.height()};
    for (int i = 0; i < 4; ++i)
        if (!haveUnzoomed_ || now[i] != last[i]) unzoomed_[i] = now[i] / k;
    haveUnzoomed_ = true;
    zoom_ = z;
    const double r = static_cast<double>(z);
    setBounds(roundEven(unzoomed_[0] * r), roundEven(unzoomed_[1] * r), roundEven(unzoomed_[2] * r),
              roundEven(unzoomed_[3] * r));
    zoomedTo_ = bounds();
}

void TGGraphicControl::notifyChanged() {
    if (reading_) return;
    LayoutHost* h = host();
    if (h && h->isDesignPanel() && !h->printing() && !h->zoomInProgress()) h->layoutChanged(this);
}

void TGGraphicControl::repaint(bool now) {
    if (LayoutHost* h = host()) h->repaintObject(this, now);
}

void TGGraphicControl::print(PrintSurface&, double, double) {}

void TGGraphicControl::loaded() {
    lastBounds_ = bounds();
    // Menus need a widget application; headless renders have only a GUI one.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) buildMenu();
}

QMenu* TGGraphicControl::popupMenu() {
    if (!menu_) buildMenu();
    return menu_;
}

QMenu* TGGraphicControl::buildMenu() {
    delete menu_;
    menu_ = new QMenu;
    addMenuItems(menu_);
    QObject::connect(menu_, &QMenu::aboutToShow, this, [this] { menuPopup(); });
    return menu_;
}

void TGGraphicControl::addMenuItems(QMenu* m) {
    auto cmd = [this](const QString& c) {
        if (LayoutHost* h = host()) h->objectCommand(this, c);
    };
    m->addAction(QStringLiteral("Bring To Front"), this, [this] {
        notifyChanged();
        bringToFront(this);
        repaint();
    });
    m->addAction(QStringLiteral("Send To Back"), this, [this, cmd] {
        notifyChanged();
        sendToBack(this);
        cmd(QStringLiteral("Send To Back"));
        repaint();
    });
    for (const char* c : {"Cut", "Copy", "Delete", "Clone"}) {
        QString name = QLatin1String(c);
        m->addAction(name, this, [cmd, name] { cmd(name); });
    }
    m->addSeparator();
    lockedAction_ = m->addAction(QStringLiteral("Locked"));
    lockedAction_->setCheckable(true);
    lockedAction_->setChecked(locked_);
    QObject::connect(lockedAction_, &QAction::triggered, this, [this] {
        setLocked(!locked_);
        notifyChanged();
    });
    m->addAction(QStringLiteral("Unselectable"), this, [this] {
        setUnselectable(true);
        if (LayoutHost* h = host()) h->removeFromSelection(this);
    });
    m->addSeparator();
    m->addAction(QStringLiteral("Center Vertically"), this, [this] {
        if (LayoutHost* h = host()) setTop(h->panelSize().height() / 2 - height_ / 2);
        notifyChanged();
        repaint();
    });
    m->addAction(QStringLiteral("Center Horizontally"), this, [this] {
        if (LayoutHost* h = host()) setLeft(h->panelSize().width() / 2 - width_ / 2);
        notifyChanged();
        repaint();
    });
}

void TGGraphicControl::writeProperties(PropertyWriter& w) const {
    if (tag_ != 0) w.integer("Tag", tag_);
    w.integer("Left", left_);
    w.integer("Top", top_);
    w.integer("Width", width_);
    w.integer("Height", height_);
    if (cursor_ != 0) w.integer("Cursor", cursor_);
    w.string("Hint", hint_);
    w.boolean("Locked", locked_);
    w.boolean("Unselectable", unselectable_);
}

PropKind TGGraphicControl::propertyKind(const QString& path) const {
    static const char* const ints[] = {"Tag", "Left", "Top", "Width", "Height", "Cursor"};
    QString head = path.section(QLatin1Char('.'), 0, 0);
    bool dotted = path.contains(QLatin1Char('.'));
    PropKind k = PropKind::None;
    for (const char* n : ints)
        if (head == QLatin1String(n)) k = PropKind::Integer;
    if (head == QLatin1String("Hint")) k = PropKind::String;
    if (head == QLatin1String("Locked") || head == QLatin1String("Unselectable")) k = PropKind::Boolean;
    if (dotted && k != PropKind::None) return PropKind::BadPath;
    return k;
}

bool TGGraphicControl::assignProperty(const QString& path, const StreamValue& v, int) {
    bool isInt = v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32;
    bool isBool = v.code == vaFalse || v.code == vaTrue;
    if (path == QLatin1String("Tag") && isInt) return setTag(v.integer), true;
    // Positions and sizes in screen pixels; stored values past a few hundred inches are damage.
    constexpr int kMaxCoordinate = 32767;
    bool isPos = isInt && v.integer >= -kMaxCoordinate && v.integer <= kMaxCoordinate;
    bool isSize = isInt && v.integer >= 0 && v.integer <= kMaxCoordinate;
    if (path == QLatin1String("Left") && isPos) return setLeft(v.integer), true;
    if (path == QLatin1String("Top") && isPos) return setTop(v.integer), true;
    if (path == QLatin1String("Width") && isSize) return setWidth(v.integer), true;
    if (path == QLatin1String("Height") && isSize) return setHeight(v.integer), true;
    if (path == QLatin1String("Cursor") && isInt) return setCursor(v.integer), true;
    if (path == QLatin1String("Hint") && (v.code == vaString || v.code == vaLString)) return setHint(v.text), true;
    if (path == QLatin1String("Locked") && isBool) return setLocked(v.boolean()), true;
    if (path == QLatin1String("Unselectable") && isBool) return setUnselectable(v.boolean()), true;
    return false;
}

PropKind TGGraphicControl::fontPropertyKind(const QString& sub) {
    if (sub == QLatin1String("Color")) return PropKind::Colour;
    if (sub == QLatin1String("Height") || sub == QLatin1String("Size") || sub == QLatin1String("Charset"))
        return PropKind::Integer;
    if (sub == QLatin1String("Name")) return PropKind::String;
    if (sub == QLatin1String("Pitch")) return PropKind::Enum;
    if (sub == QLatin1String("Style")) return PropKind::Set;
    if (sub.contains(QLatin1Char('.'))) return PropKind::BadPath;
    return PropKind::None;
}

bool TGGraphicControl::assignColour(Colour& c, const StreamValue& v) {
    if (v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32) {
        c = v.integer;
        return true;
    }
    return v.code == vaIdent && colourFromIdent(v.text, c);
}

bool TGGraphicControl::assignFontProperty(LayoutFont& f, const QString& sub, const StreamValue& v, int ppi) {
    bool isInt = v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32;
    if (sub == QLatin1String("Color")) return assignColour(f.color, v);
    if (sub == QLatin1String("Height") && isInt) return f.size = fontPointsFromHeight(v.integer, ppi), true;
    if (sub == QLatin1String("Size") && isInt) return f.size = v.integer, true;
    if (sub == QLatin1String("Charset") && isInt) return true;
    if (sub == QLatin1String("Name") && (v.code == vaString || v.code == vaLString)) return f.name = v.text, true;
    if (sub == QLatin1String("Pitch")) return assignEnum(f.pitch, v);
    if (sub == QLatin1String("Style") && v.code == vaSet) {
        unsigned s = 0;
        for (const auto& n : v.items) {
            if (n == QLatin1String("fsBold")) s |= fsBold;
            else if (n == QLatin1String("fsItalic")) s |= fsItalic;
            else if (n == QLatin1String("fsUnderline")) s |= fsUnderline;
            else if (n == QLatin1String("fsStrikeOut")) s |= fsStrikeOut;
            else return false;
        }
        f.style = s;
        return true;
    }
    return false;
}

PropKind TGGraphicControl::penPropertyKind(const QString& sub) {
    if (sub == QLatin1String("Color")) return PropKind::Colour;
    if (sub == QLatin1String("Mode") || sub == QLatin1String("Style")) return PropKind::Enum;
    if (sub == QLatin1String("Width")) return PropKind::Integer;
    if (sub.contains(QLatin1Char('.'))) return PropKind::BadPath;
    return PropKind::None;
}

bool TGGraphicControl::assignPenProperty(LayoutPen& p, const QString& sub, const StreamValue& v) {
    if (sub == QLatin1String("Color")) return assignColour(p.color, v);
    if (sub == QLatin1String("Mode")) return assignEnum(p.mode, v);
    if (sub == QLatin1String("Style")) return assignEnum(p.style, v);
    if (sub == QLatin1String("Width") && (v.code == vaInt8 || v.code == vaInt16 || v.code == vaInt32))
        return p.width = v.integer, true;
    return false;
}

// ---------------------------------------------------------------------------------------------

std::vector<TGGraphicControl*> layoutObjects(const QObject* panel) {
    std::vector<TGGraphicControl*> out;
    if (!panel) return out;
    for (QObject* c : panel->children())
        if (auto* o = qobject_cast<TGGraphicControl*>(c)) out.push_back(o);
    return out;
}

void bringToFront(TGGraphicControl* o) {
    QObject* p = o->parent();
    if (!p) return;
    // Re-parenting appends the object to the end of its parent's children.
    bool r = o->reading();
    o->setReading(true);
    o->setParent(nullptr);
    o->setParent(p);
    o->setReading(r);
}

void sendToBack(TGGraphicControl* o) {
    QObject* p = o->parent();
    if (!p) return;
    auto all = layoutObjects(p);
    bringToFront(o);
    for (TGGraphicControl* other : all)
        if (other != o) bringToFront(other);
}

QString uniqueComponentName(const QObject* owner, const QString& prefix, int first, int last) {
    QSet<QString> taken;
    if (owner)
        for (auto* o : owner->findChildren<TGGraphicControl*>()) taken.insert(o->objectName());
    for (int n = first; n <= last; ++n) {
        QString candidate = prefix + QString::number(n);
        if (!taken.contains(candidate)) return candidate;
    }
    return {};
}

StandaloneHost::~StandaloneHost() {
    for (auto* o : layoutObjects(this)) delete o;
}

void StandaloneHost::refreshAll() {
    if (records_ && records_->isOpen())
        for (auto* o : layoutObjects(this)) o->refreshData();
}

void StandaloneHost::printAll(PrintSurface& surface, double originX, double originY) {
    refreshAll();
    for (auto* o : layoutObjects(this)) o->print(surface, originX, originY);
    for (auto* o : layoutObjects(this)) o->advanceCounter();
}

void StandaloneHost::paintAll(QPainter& painter) {
    for (auto* o : layoutObjects(this)) {
        painter.save();
        painter.translate(o->left(), o->top());
        painter.setClipRect(QRect(0, 0, o->width(), o->height()));
        o->paint(painter);
        painter.restore();
    }
}

}  // namespace addrova::layout
