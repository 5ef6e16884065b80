#include "GHandle.h"

#include "Gbasepnl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace addrova::layout {

// ---------------------------------------------------------------------------------------------
// Ticks and cursors

namespace {
std::function<int64_t()>& tickSource() {
    static std::function<int64_t()> source;
    return source;
}

QPixmap cursorPixmap(const std::function<void(QPainter&)>& draw) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}

// A hand: palm, and fingers as rounded bars; extended fingers reach up, folded ones stay short.
void drawHand(QPainter& p, bool pointing) {
    QPainterPath hand;
    hand.addRoundedRect(QRectF(7, 15, 18, 13), 4, 4);                            // palm
    const double fingerX[] = {9, 13.5, 18, 22.5};
    for (int i = 0; i < 4; ++i) {
        double top = pointing ? (i == 0 ? 2 : 12) : 10;
        hand.addRoundedRect(QRectF(fingerX[i] - 2, top, 4.5, 19 - top + 2), 2.2, 2.2);
    }
    hand.addRoundedRect(QRectF(3, pointing ? 16 : 14, 7, 4.5), 2.2, 2.2);        // thumb
    hand.setFillRule(Qt::WindingFill);
    hand = hand.simplified();
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    if (!pointing) {  // the knuckles of a closed hand
        p.setPen(QPen(Qt::black, 0.8));
        for (int i = 1; i < 4; ++i) p.drawLine(QPointF(fingerX[i] - 2.2, 11), QPointF(fingerX[i] - 2.2, 16));
    }
}
}  // namespace

int64_t panelTicks() {
    if (tickSource()) return tickSource()();
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return timer.elapsed() + 1;  // never 0: 0 means "no time recorded"
}

void setPanelTickSource(std::function<int64_t()> source) { tickSource() = std::move(source); }

const QCursor& handGrabCursor() {
    static const QCursor c(cursorPixmap([](QPainter& p) { drawHand(p, false); }), 15, 16);
    return c;
}

const QCursor& handPointCursor() {
    static const QCursor c(cursorPixmap([](QPainter& p) { drawHand(p, true); }), 9, 2);
    return c;
}

const QCursor& dragCursor() {
    static const QCursor c(cursorPixmap([](QPainter& p) {
                               QPolygonF arrow{{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}};
                               p.setPen(QPen(Qt::black, 1));
                               p.setBrush(Qt::white);
                               p.drawPolygon(arrow);
                               p.setRenderHint(QPainter::Antialiasing, false);
                               p.setBrush(Qt::white);
                               p.drawRect(13, 18, 12, 9);  // the object being placed
                               p.setPen(QPen(Qt::black, 1, Qt::DotLine));
                               p.drawLine(15, 21, 23, 21);
                               p.drawLine(15, 24, 21, 24);
                           }),
                           1, 1);
    return c;
}

QCursor cursorById(int id) {
    switch (id) {
    case crHandGrab: return handGrabCursor();
    case crHandPoint: return handPointCursor();
    case crDrag: return dragCursor();
    default: return QCursor(Qt::ArrowCursor);
    }
}

namespace {
bool& dragOverride() {
    static bool on = false;
    return on;
}
}  // namespace

void setProgramDragCursor(bool drag) {
    if (!qApp) return;
    if (drag) {
        if (dragOverride())
            QApplication::changeOverrideCursor(dragCursor());
        else
            QApplication::setOverrideCursor(dragCursor());
        dragOverride() = true;
    } else if (dragOverride()) {
        QApplication::restoreOverrideCursor();
        dragOverride() = false;
    }
}

bool programDragCursor() { return dragOverride(); }

// ---------------------------------------------------------------------------------------------
// Geometry

int snapDown(int v, int step) { return step > 1 ? (v / step) * step : v; }

int frameHitZone(int x, int y, int w, int h) {
    auto near = [](int a, int b, int d) { return std::abs(a - b) < d; };
    int zone = 0;
    if (near(x, 0, 8) && near(y, 0, 8)) zone = 1;
    if (near(x, w, 8) && near(y, h, 8)) zone = 4;
    if (near(x, w, 8) && near(y, 0, 8)) zone = 2;
    if (near(x, 0, 8) && near(y, h, 8)) zone = 3;
    if (near(x, w / 2, 6) && near(y, 0, 8)) zone = 5;
    if (near(x, w / 2, 6) && near(y, h, 8)) zone = 7;
    if (near(y, h / 2, 6) && near(x, 0, 8)) zone = 6;
    if (near(y, h / 2, 6) && near(x, w, 8)) zone = 8;
    return zone;
}

QRect objectsRect(const QRect& f) { return {f.x() + 2, f.y() + 2, f.width() - 5, f.height() - 5}; }
QRect frameAround(const QRect& o) { return {o.x() - 2, o.y() - 2, o.width() + 5, o.height() + 5}; }

QRect dragFrame(const QRect& frame, int zone, int dx, int dy, int stepX, int stepY) {
    QRect o = objectsRect(frame);
    int L = o.x(), T = o.y(), R = o.x() + o.width(), B = o.y() + o.height();
    bool left = false, top = false, right = false, bottom = false;
    switch (zone) {
    case 0: {
        int w = R - L, h = B - T;
        L = snapDown(L + dx, stepX);
        T = snapDown(T + dy, stepY);
        R = L + w;
        B = T + h;
        break;
    }
    case 1: left = top = true; break;
    case 2: right = top = true; break;
    case 3: left = bottom = true; break;
    case 4: right = bottom = true; break;
    case 5: top = true; break;
    case 6: left = true; break;
    case 7: bottom = true; break;
    case 8: right = true; break;
    default: break;
    }
    if (left) L = snapDown(L + dx, stepX);
    if (right) R = snapDown(R + dx, stepX);
    if (top) T = snapDown(T + dy, stepY);
    if (bottom) B = snapDown(B + dy, stepY);
    int fl = L - 2, ft = T - 2, fr = R + 3, fb = B + 3;
    if (fr - fl < 5) {
        if (left) fl = fr - 5;
        else fr = fl + 5;
    }
    if (fb - ft < 5) {
        if (top) ft = fb - 5;
        else fb = ft + 5;
    }
    return {fl, ft, fr - fl, fb - ft};
}

bool nudgeEdges(FrameEdges& e, int key, bool resize, int pw, int ph) {
    int iw = e.right - e.left + 1, ih = e.bottom - e.top + 1;
    switch (key) {
    case Qt::Key_Left:
        if (resize) {
            if (iw > 10) --e.right;
        } else if (e.left > 0) {
            --e.left;
            --e.right;
        }
        return true;
    case Qt::Key_Up:
        if (resize) {
            if (ih > 10) --e.bottom;
        } else if (e.top > 0) {
            --e.top;
            --e.bottom;
        }
        return true;
    case Qt::Key_Right:
        if (e.left + iw <= pw) {
            ++e.right;
            if (!resize) ++e.left;
        }
        return true;
    case Qt::Key_Down:
        if (e.top + ih <= ph) {
            ++e.bottom;
            if (!resize) ++e.top;
        }
        return true;
    default: return false;
    }
}

std::vector<QRect> handleSquares(const QRect& b, bool single) {
    int l = b.x() - 2, t = b.y() - 2, r = b.x() + b.width() + 2, btm = b.y() + b.height() + 2;
    std::vector<QRect> out{QRect(l, t, 5, 5), QRect(r - 5, t, 5, 5), QRect(l, btm - 5, 5, 5),
                           QRect(r - 5, btm - 5, 5, 5)};
    if (single) {
        int mx = l + (r - l) / 2 - 2, my = t + (btm - t) / 2 - 2;
        out.emplace_back(mx, t, 5, 5);
        out.emplace_back(mx, btm - 5, 5, 5);
        out.emplace_back(l, my, 5, 5);
        out.emplace_back(r - 5, my, 5, 5);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// TGHandle

TGHandle::TGHandle(TGBasePanel* panel) : QWidget(panel), panel_(panel), cursor_(handGrabCursor()) {
    // The panel routes the mouse; the frame never paints its background.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    (void)handGrabCursor();
    (void)handPointCursor();
    setGeometry(0, 0, 24, 24);
    setEnabled(false);
    hide();
}

void TGHandle::setColor(Colour c) {
    color_ = c;
    panel_->update();
}

void TGHandle::setSecondaryColor(Colour c) {
    secondaryColor_ = c;
    panel_->update();
}

bool TGHandle::isSelected(const TGGraphicControl* o) const {
    return std::find(selected_.begin(), selected_.end(), o) != selected_.end();
}

void TGHandle::addObject(TGGraphicControl* o) {
    if (!o || o->unselectable()) return;
    pressTime_ = panelTicks();
    if (isSelected(o)) return;
    cursor_ = handGrabCursor();
    QRect r = frameAround(o->bounds());
    if (selected_.empty()) {
        setGeometry(r);
        setEnabled(true);
        show();
    } else {
        setGeometry(geometry().united(r));
    }
    selected_.push_back(o);
    zone_ = 0;
    raise();
    capture_ = true;  // the press that selected the object may go on into a drag
    panel_->update();
}

void TGHandle::removeObject(TGGraphicControl* o) {
    auto it = std::find(selected_.begin(), selected_.end(), o);
    if (it == selected_.end()) return;
    selected_.erase(it);
    if (!selected_.empty()) {
        recompute();
    } else {
        locked_ = false;
        setEnabled(false);
        hide();
        endDrag();
    }
    panel_->update();
}

void TGHandle::clearSelection() {
    selected_.clear();
    locked_ = false;
    hide();
    setGeometry(0, 0, 24, 24);
    setEnabled(false);
    endDrag();
    nudgeActive_ = false;
    panel_->update();
}

void TGHandle::bringSelectionToFront() {
    for (TGGraphicControl* o : selected_) layout::bringToFront(o);
    raise();
}

void TGHandle::sendSelectionToBack() {
    for (TGGraphicControl* o : selected_) layout::sendToBack(o);
    raise();
    clearSelection();
}

void TGHandle::recompute() {
    if (selected_.empty()) return;
    QRect r;
    for (TGGraphicControl* o : selected_) r = r.isNull() ? frameAround(o->bounds()) : r.united(frameAround(o->bounds()));
    setGeometry(r);
    panel_->update();
}

void TGHandle::setFrameBounds(const QRect& r) {
    QRect old = geometry();
    int dl = r.x() - old.x(), dt = r.y() - old.y(), dw = r.width() - old.width(), dh = r.height() - old.height();
    setGeometry(r);
    for (TGGraphicControl* o : std::vector<TGGraphicControl*>(selected_))
        if (!o->locked()) o->setBounds(o->left() + dl, o->top() + dt, o->width() + dw, o->height() + dh);
    panel_->update();
}

QPoint TGHandle::clampToPanel(QPoint p) const {
    return {std::clamp(p.x(), 0, panel_->width()), std::clamp(p.y(), 0, panel_->height())};
}

void TGHandle::endDrag() {
    dragging_ = false;
    capture_ = false;
    rubber_ = {};
    pressTime_ = 0;
}

void TGHandle::framePress(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p) {
    if (button == Qt::LeftButton && panel_->pointing()) {
        if (mods & Qt::ShiftModifier) {
            for (TGGraphicControl* o : std::vector<TGGraphicControl*>(selected_))
                if (o->bounds().contains(p)) removeObject(o);
            if (selected_.empty()) return;
        }
        pressTime_ = panelTicks();
        if (doubleClicked_) return;
        if (!locked_) {
            recompute();
            dragging_ = true;
            capture_ = true;
            origin_ = p;
            rubber_ = geometry();
        }
        return;
    }
    if (button == Qt::RightButton && panel_->pointing()) {
        if (selected_.size() == 1 && selected_[0]->bounds().adjusted(-2, -2, 2, 2).contains(p)) {
            TGGraphicControl* o = selected_[0];
            panel_->showObjectMenuFor(o);
        } else if (QMenu* m = panel_->panelMenu()) {
            m->popup(panel_->mapToGlobal(p));
        }
        return;
    }
    // Placing mode and other buttons: the press goes to what lies under the frame.
    panel_->pressBelowFrame(button, mods, p);
}

void TGHandle::frameMove(Qt::MouseButtons buttons, QPoint p) {
    if (!(buttons & Qt::LeftButton)) {
        capture_ = false;
        zone_ = 0;
        cursor_ = handGrabCursor();
        if (selected_.size() == 1) {
            QPoint c = p - geometry().topLeft();
            zone_ = frameHitZone(c.x(), c.y(), width(), height());
            switch (zone_) {
            case 1: case 4: cursor_ = QCursor(Qt::SizeFDiagCursor); break;
            case 2: case 3: cursor_ = QCursor(Qt::SizeBDiagCursor); break;
            case 5: case 7: cursor_ = QCursor(Qt::SizeVerCursor); break;
            case 6: case 8: cursor_ = QCursor(Qt::SizeHorCursor); break;
            default: break;
            }
        }
        if (locked_) cursor_ = QCursor(Qt::ForbiddenCursor);
        return;
    }
    if (doubleClicked_) return;
    if (!dragging_) {
        if (capture_ && !locked_ && pressTime_ != 0 && panelTicks() - pressTime_ > 10) {
            recompute();
            dragging_ = true;
            origin_ = p;
            rubber_ = geometry();
        }
        return;
    }
    QPoint c = clampToPanel(p);
    rubber_ = dragFrame(geometry(), zone_, c.x() - origin_.x(), c.y() - origin_.y(), stepX(), stepY());
    panel_->update();
}

void TGHandle::frameRelease(Qt::MouseButton button, QPoint p) {
    if (doubleClicked_) {
        doubleClicked_ = false;
        endDrag();
        return;
    }
    if (button != Qt::LeftButton || !dragging_) {
        capture_ = false;
        return;
    }
    QPoint c = clampToPanel(p);
    if (panelTicks() - pressTime_ < 150) origin_ = c;  // a quick click never moves anything
    if (c != origin_) {
        QRect r = dragFrame(geometry(), zone_, c.x() - origin_.x(), c.y() - origin_.y(), stepX(), stepY());
        endDrag();
        setFrameBounds(r);
    } else {
        endDrag();
    }
    zone_ = 0;
    panel_->update();
}

void TGHandle::frameDoubleClick(QPoint p) {
    doubleClicked_ = true;
    endDrag();
    if (selected_.size() != 1) return;
    for (TGGraphicControl* o : selected_)
        if (o->bounds().adjusted(-2, -2, 2, 2).contains(p)) {
            panel_->showObjectMenuFor(o);
            return;
        }
}

bool TGHandle::nudgeKey(int key, Qt::KeyboardModifiers mods) {
    if (key != Qt::Key_Left && key != Qt::Key_Up && key != Qt::Key_Right && key != Qt::Key_Down) return false;
    if (selected_.empty()) return false;
    if (!nudgeActive_) {
        recompute();
        QRect f = geometry();
        nudge_ = {f.x() + 2, f.y() + 2, f.x() + f.width() - 3, f.y() + f.height() - 3};
        nudgeActive_ = true;
    }
    nudgeEdges(nudge_, key, (mods & Qt::ShiftModifier) && selected_.size() == 1, panel_->width(), panel_->height());
    panel_->update();
    return true;
}

void TGHandle::keyReleased() {
    if (!nudgeActive_) return;
    nudgeActive_ = false;
    setFrameBounds(frameAround(QRect(nudge_.left, nudge_.top, nudge_.right - nudge_.left, nudge_.bottom - nudge_.top)));
    panel_->update();
}

void TGHandle::paintHandles(QPainter& p) const {
    if (selected_.empty()) return;
    bool single = selected_.size() == 1;
    QColor c = toQColor(single ? color_ : secondaryColor_);
    for (TGGraphicControl* o : selected_)
        for (const QRect& r : handleSquares(o->bounds(), single)) p.fillRect(r, c);
}

void TGHandle::paintOverlay(QPainter& p) const {
    auto dotted = [&p](const QRect& r) {
        p.save();
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.restore();
    };
    if (dragging_ && !rubber_.isNull()) dotted(objectsRect(rubber_));
    if (nudgeActive_)
        dotted(QRect(nudge_.left, nudge_.top, nudge_.right - nudge_.left, nudge_.bottom - nudge_.top));
}

}  // namespace addrova::layout
