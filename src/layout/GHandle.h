#pragma once

// TGHandle: the selection frame of a design panel. It holds the selected objects in selection order,
// draws their grab handles on the panel and turns drags and arrow keys into moves and resizes.
//
// The frame is a transparent child window of the panel lying over the selection. The panel routes
// the mouse to it (press, move, release in panel coordinates) while the pointer is over the frame or
// the frame holds the capture; the frame itself paints nothing.

#include "LayoutTypes.h"

#include <QCursor>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

namespace addrova::layout {

class TGGraphicControl;
class TGBasePanel;

// The millisecond tick counter of the panels and frames (paste rule, click and drag timing).
int64_t panelTicks();
// Replaces the tick counter (tests); an empty function restores the real one.
void setPanelTickSource(std::function<int64_t()> source);

// The program's cursors: "HANDGRAB" (cursor 6), "HANDPOINT" (cursor -10) and the drag cursor of the
// placing tools.
const QCursor& handGrabCursor();
const QCursor& handPointCursor();
const QCursor& dragCursor();
// A cursor by its number (6, -10, the drag cursor -12, else the arrow).
QCursor cursorById(int id);
constexpr int crHandGrab = 6, crHandPoint = -10, crDrag = -12;
// The program-wide cursor: the drag cursor while a placing tool is active, else the default.
void setProgramDragCursor(bool drag);
bool programDragCursor();

// Object edges with exclusive right and bottom.
struct FrameEdges {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const FrameEdges&) const = default;
};

// Snapping toward zero: (v div step) * step.
int snapDown(int v, int step);
// The resize zone under a point of the frame's client rectangle (0, 0, w, h): 0 = move, 1 to 8 the
// handles (corners 1 top-left, 2 top-right, 3 bottom-left, 4 bottom-right; sides 5 top, 6 left,
// 7 bottom, 8 right).
int frameHitZone(int x, int y, int w, int h);
// The frame after a drag of zone by (dx, dy): the moved edges of the objects' rectangle (the frame
// without its 2/3 margins) are snapped down to the grid steps; a frame narrower or lower than 5
// keeps 5, holding the edge that was not dragged.
QRect dragFrame(const QRect& frame, int zone, int dx, int dy, int stepX, int stepY);
// The objects' rectangle inside a frame, and the frame around an objects' rectangle.
QRect objectsRect(const QRect& frame);
QRect frameAround(const QRect& objects);
// One arrow key of a keyboard nudge on the edges (right and bottom exclusive); resize with Shift and
// one object selected. Returns false when the key is no arrow.
bool nudgeEdges(FrameEdges& e, int key, bool resize, int panelWidth, int panelHeight);
// A selected object's handle squares (corners, and the side middles when single).
std::vector<QRect> handleSquares(const QRect& objectBounds, bool single);

class TGHandle : public QWidget {
    Q_OBJECT
public:
    explicit TGHandle(TGBasePanel* panel);

    Colour color() const { return color_; }
    void setColor(Colour c);
    Colour secondaryColor() const { return secondaryColor_; }
    void setSecondaryColor(Colour c);
    bool locked() const { return locked_; }
    void setLocked(bool l) { locked_ = l; }
    int gridX() const { return gridX_; }
    int gridY() const { return gridY_; }
    void setGridX(int g) { gridX_ = g < 1 ? 1 : g; }
    void setGridY(int g) { gridY_ = g < 1 ? 1 : g; }
    // Switches snapping on or off; the effective step is 1 while off.
    void setSnapping(bool on) { snapping_ = on; }
    bool snapToGrid() const { return stepX() > 1 || stepY() > 1; }
    int stepX() const { return snapping_ ? gridX_ : 1; }
    int stepY() const { return snapping_ ? gridY_ : 1; }

    // The selection, in selection order.
    void addObject(TGGraphicControl* o);
    void removeObject(TGGraphicControl* o);
    void clearSelection();
    int count() const { return static_cast<int>(selected_.size()); }
    TGGraphicControl* selectedAt(int i) const { return selected_.at(static_cast<size_t>(i)); }
    const std::vector<TGGraphicControl*>& selection() const { return selected_; }
    bool isSelected(const TGGraphicControl* o) const;
    void bringSelectionToFront();
    void sendSelectionToBack();
    // The frame around the selection (the panel's frame-changed message).
    void recompute();
    // Moves and resizes every unlocked selected object by the change from the current frame.
    void setFrameBounds(const QRect& r);

    // Mouse, in panel coordinates.
    void framePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p);
    void frameMove(Qt::MouseButtons buttons, QPoint p);
    void frameRelease(Qt::MouseButton button, QPoint p);
    void frameDoubleClick(QPoint p);
    bool capturing() const { return capture_; }
    bool dragging() const { return dragging_; }
    int zone() const { return zone_; }
    // The cursor the frame shows now (the panel applies it).
    QCursor frameCursor() const { return cursor_; }

    // Arrow keys; true when the key was taken.
    bool nudgeKey(int key, Qt::KeyboardModifiers mods);
    // Any key release ends a nudge.
    void keyReleased();
    bool nudging() const { return nudgeActive_; }

    // Handles of every selected object, on the panel's surface.
    void paintHandles(QPainter& p) const;
    // The rubber rectangle of a drag and the nudge rectangle.
    void paintOverlay(QPainter& p) const;

private:
    QPoint clampToPanel(QPoint p) const;
    void endDrag();
    TGBasePanel* panel_;
    std::vector<TGGraphicControl*> selected_;
    Colour color_ = clBlack, secondaryColor_ = 8421504;
    bool locked_ = false, snapping_ = false;
    int gridX_ = 8, gridY_ = 8;
    QPoint origin_;
    QRect rubber_;
    bool dragging_ = false, capture_ = false, doubleClicked_ = false;
    int64_t pressTime_ = 0;
    int zone_ = 0;
    FrameEdges nudge_;
    bool nudgeActive_ = false;
    QCursor cursor_;
};

}  // namespace addrova::layout
