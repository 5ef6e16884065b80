#pragma once

// TGGraphicControl: the base of every layout object, and LayoutHost, the panel as the objects see it.
//
// Layout objects are windowless: a QObject whose parent is its panel. The panel paints them (Paint,
// in the object's own coordinates) and routes mouse events to them; printing goes through
// Print(surface, originX, originY) with origins in inches. Coordinates are design units (screen
// pixels at the host's ppi), held at the current Zoom.

#include "LayoutStream.h"
#include "LayoutTypes.h"
#include "PrintSurface.h"
#include "RecordSource.h"

#include <QObject>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <QSize>

class QMenu;
class QAction;

namespace addrova::layout {

class TGGraphicControl;

// The panel an object lives on. A design panel implements it; StandaloneHost is a panel-less host
// for printing and headless rendering. A host deletes its layout objects in its own destructor:
// an object calls removeFromSelection on its host when it is destroyed.
class LayoutHost {
public:
    virtual ~LayoutHost() = default;
    virtual int ppi() const { return 96; }            // the screen's pixels per inch
    virtual bool printing() const { return false; }   // a print run renders the panel
    virtual bool displayDataValues() const { return true; }
    virtual RecordSource* records() const { return nullptr; }  // the address table, or null
    virtual bool isDesignPanel() const { return true; }
    virtual bool zoomInProgress() const { return false; }
    virtual QSize panelSize() const { return {}; }
    // The panel's LabelChangedEvent; called by NotifyChanged when it is not silenced.
    virtual void layoutChanged(TGGraphicControl*) {}
    // Repaint an object (now: at once rather than at the next paint).
    virtual void repaintObject(TGGraphicControl*, bool now = false) { (void)now; }
    // The frame-changed message: the object's bounds changed.
    virtual void frameChanged(TGGraphicControl*) {}
    virtual void removeFromSelection(TGGraphicControl*) {}
    virtual bool isSelected(const TGGraphicControl*) const { return false; }
    // The panel's RefreshData (dialogs of data-bound objects run it).
    virtual void refreshAll() {}
    // The panel's object menu commands that need the panel (clipboard, clone, stacking).
    virtual void objectCommand(TGGraphicControl*, const QString& command) { (void)command; }
};

// Writes named properties; ppi converts font sizes to stored heights.
class PropertyWriter {
public:
    PropertyWriter(StreamWriter& s, int ppi) : s_(s), ppi_(ppi) {}
    StreamWriter& stream() { return s_; }
    int ppi() const { return ppi_; }
    void integer(const char* name, int32_t v);
    void boolean(const char* name, bool v);
    void string(const char* name, const QString& v);  // left out when empty
    void ident(const char* name, const char* v);
    void colour(const char* name, Colour c);
    void font(const LayoutFont& f);                    // the font set
    void pen(const LayoutPen& p);                      // the pen set
    template <class E> void enumeration(const char* name, E v) { ident(name, enumName(v)); }
    template <class E> void enumeration(const char* name, E v, E def) {
        if (v != def) ident(name, enumName(v));
    }

private:
    StreamWriter& s_;
    int ppi_;
};

// Font height as stored: -(points * ppi / 72) rounded; and back.
int fontHeightFromPoints(int points, int ppi);
int fontPointsFromHeight(int height, int ppi);

class TGGraphicControl : public QObject {
    Q_OBJECT
public:
    explicit TGGraphicControl(QObject* parent = nullptr);
    ~TGGraphicControl() override;

    // The class name as stored ("TGLineShape").
    virtual const char* className() const = 0;

    LayoutHost* host() const;
    int ppi() const;  // the host's, 96 without a host
    bool printing() const;

    QString name() const { return objectName(); }
    void setName(const QString& n) { setObjectName(n); }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    QRect bounds() const { return {left_, top_, width_, height_}; }
    void setLeft(int v) { setBounds(v, top_, width_, height_); }
    void setTop(int v) { setBounds(left_, v, width_, height_); }
    void setWidth(int v) { setBounds(left_, top_, v, height_); }
    void setHeight(int v) { setBounds(left_, top_, width_, v); }
    void setBounds(int l, int t, int w, int h);
    int cursor() const { return cursor_; }
    void setCursor(int c) { cursor_ = c; }
    QString hint() const { return hint_; }
    void setHint(const QString& h) { hint_ = h; }
    bool locked() const { return locked_; }
    void setLocked(bool v);
    bool unselectable() const { return unselectable_; }
    void setUnselectable(bool v);
    float zoom() const { return zoom_; }
    void setZoom(float z);

    // True while the object is being read from a layout: setters skip their design-time effects.
    bool reading() const { return reading_; }
    void setReading(bool r) { reading_ = r; }
    // The read of a layout has finished (builds the popup menu).
    virtual void loaded();

    void notifyChanged();
    void repaint(bool now = false);

    // Virtual operations, in this order.
    virtual void boundsChanged();
    virtual void menuPopup() {}
    virtual void applyFont(const LayoutFont&) {}
    virtual void refreshData() {}
    virtual void clearData() {}
    virtual void advanceCounter() {}
    virtual void resetCounter() {}
    virtual void print(PrintSurface& surface, double originX, double originY);

    // Draws the object in its own coordinates (0, 0 is its top-left corner) at its zoom.
    virtual void paint(QPainter& painter) = 0;

    // The object's popup menu: the common items followed by the class's own (built by loaded()).
    // Built on first use (or when loading finishes under a widget application).
    QMenu* popupMenu();
    QMenu* buildMenu();

    // Stored properties (the filer's side).
    virtual void writeProperties(PropertyWriter& w) const;
    // Kind of the property at a path: None (no such property), BadPath (a prefix that is no
    // sub-object), else the value type it takes.
    virtual PropKind propertyKind(const QString& path) const;
    // Assigns a read value through the property's setter; false when the value does not suit it.
    virtual bool assignProperty(const QString& path, const StreamValue& v, int ppi);

protected:
    virtual void addMenuItems(QMenu* menu);
    // Common sub-object properties.
    static PropKind fontPropertyKind(const QString& sub);
    static bool assignFontProperty(LayoutFont& f, const QString& sub, const StreamValue& v, int ppi);
    static PropKind penPropertyKind(const QString& sub);
    static bool assignPenProperty(LayoutPen& p, const QString& sub, const StreamValue& v);
    static bool assignColour(Colour& c, const StreamValue& v);
    template <class E> static bool assignEnum(E& out, const StreamValue& v) {
        return v.code == vaIdent && enumFromName(v.text, out);
    }

    int tag_ = 0, left_ = 0, top_ = 0, width_ = 0, height_ = 0, cursor_ = 0;
    QString hint_;
    bool locked_ = false, unselectable_ = false;
    float zoom_ = 1.0f;
    // The geometry at zoom 1.0, kept in fractions while only zooming changes the bounds, so that
    // zooming in and out again gives back the exact geometry.
    double unzoomed_[4] = {0, 0, 0, 0};  // left, top, width, height
    bool haveUnzoomed_ = false;
    QRect zoomedTo_;
    QRect lastBounds_;
    bool reading_ = false;
    QMenu* menu_ = nullptr;
    QAction* lockedAction_ = nullptr;
};

// The layout objects of a panel (its children), bottom of the z-order first.
std::vector<TGGraphicControl*> layoutObjects(const QObject* panel);
// Moves an object to the top or the bottom of its panel's z-order.
void bringToFront(TGGraphicControl* o);
void sendToBack(TGGraphicControl* o);
// The first of prefix + n (n from first to last) that no layout object owned by owner bears; "" when
// all are taken.
QString uniqueComponentName(const QObject* owner, const QString& prefix, int first, int last = 1000);

// A host without a panel window: serves printing and headless rendering.
class StandaloneHost : public QObject, public LayoutHost {
    Q_OBJECT
public:
    explicit StandaloneHost(QObject* parent = nullptr) : QObject(parent) {}
    ~StandaloneHost() override;
    int ppi() const override { return ppi_; }
    bool printing() const override { return printing_; }
    bool displayDataValues() const override { return displayData_; }
    RecordSource* records() const override { return records_; }
    QSize panelSize() const override { return size_; }
    void layoutChanged(TGGraphicControl*) override { ++changes; }
    void refreshAll() override;

    void setPpi(int p) { ppi_ = p; }
    void setPrinting(bool p) { printing_ = p; }
    void setDisplayDataValues(bool d) { displayData_ = d; }
    void setRecords(RecordSource* r) { records_ = r; }
    void setPanelSize(QSize s) { size_ = s; }
    int changes = 0;  // LabelChangedEvent count

    // The panel's drive of a print run: RefreshData, Print and AdvanceCounters on every object.
    void printAll(PrintSurface& surface, double originX, double originY);
    // Paints every object at its place.
    void paintAll(QPainter& painter);

private:
    int ppi_ = 96;
    bool printing_ = false, displayData_ = true;
    RecordSource* records_ = nullptr;
    QSize size_;
};

}  // namespace addrova::layout
