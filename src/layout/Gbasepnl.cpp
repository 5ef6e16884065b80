#include "Gbasepnl.h"

#include "Common.h"
#include "GFiler.h"
#include "LayoutDialogs.h"
#include "ProgramDir.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <algorithm>

namespace addrova::layout {

TGBasePanel::TGBasePanel(QWidget* parent) : QWidget(parent) {
    QString dir = QString::fromStdString(app::ProgramDir());
    clipPath_ = dir + QStringLiteral("Clipbrd.tmp");
    scratchPath_ = dir + QStringLiteral("TempFile.tmp");
    ppi_ = logicalDpiX() > 0 ? logicalDpiX() : 96;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    frame_ = new TGHandle(this);
    undo_.reset(snapshot());
}

TGBasePanel::~TGBasePanel() {
    frame_->clearSelection();
    for (TGGraphicControl* o : objects()) delete o;
    delete menu_;
    QFile::remove(clipPath_);
    QFile::remove(scratchPath_);
}

QObject* TGBasePanel::owner() const { return owner_ ? owner_ : window(); }

void TGBasePanel::setDrawOutline(bool d) {
    drawOutline_ = d;
    update();
}

void TGBasePanel::setShape(PanelShape s) {
    shape_ = s;
    update();
}

void TGBasePanel::setGridSize(GridSize g) {
    gridSize_ = g;
    int step = g == GridSize::gs4x4 ? 4 : 8;
    frame_->setGridX(step);
    frame_->setGridY(step);
    update();
}

void TGBasePanel::setShowGrid(bool s) {
    showGrid_ = s;
    update();
}

void TGBasePanel::setSnapToGrid(bool s) {
    snapToGrid_ = s;
    frame_->setSnapping(s);
    if (s) {
        int step = gridSize_ == GridSize::gs4x4 ? 4 : 8;
        frame_->setGridX(step);
        frame_->setGridY(step);
    }
}

// ---------------------------------------------------------------------------------------------
// Virtual operations

void TGBasePanel::PlaceObject(const QRect&) {}

void TGBasePanel::ObjectMouseDown(TGGraphicControl* o, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                  int y) {
    if (!pointing_ || o->unselectable()) {
        PanelMouseDown(button, mods, QPoint(o->left() + x, o->top() + y));
        return;
    }
    if (!(mods & Qt::ShiftModifier)) frame_->clearSelection();
    frame_->addObject(o);
    update();
    if (frame_->count() == 1 && button == Qt::RightButton) {
        frame_->frameRelease(Qt::RightButton, QPoint());
        showObjectMenuFor(o);
    }
}

void TGBasePanel::RefreshData() {}

void TGBasePanel::Print(PrintSurface& report, double originX, double originY) {
    for (TGGraphicControl* o : objects()) o->print(report, originX, originY);
}

void TGBasePanel::ClampObjects() {
    CommandScope scope(this);
    frame_->clearSelection();
    for (TGGraphicControl* o : objects()) {
        if (o->top() > height() - 10) o->setTop(height() - 10);
        if (o->left() > width() - 20) o->setLeft(width() - 20);
    }
}

void TGBasePanel::PurgeObjects() {
    CommandScope scope(this);
    frame_->clearSelection();
    for (TGGraphicControl* o : objects())
        if (o->top() > height() - 10 || o->left() > width() - 10 || o->width() < 1 || o->height() < 1)
            destroyObject(o);
}

// ---------------------------------------------------------------------------------------------
// Files, zoom, adopting objects

void TGBasePanel::SaveToFile(const QString& path) {
    float remembered = zoom_;
    if (remembered != 1.0f) SetZoom(1.0f);
    ClearDataAll();
    auto restoreState = [&] {
        RefreshData();
        if (remembered != 1.0f) SetZoom(remembered);
    };
    try {
        TGLabelObjectFiler::SaveObjects(this, path, ppi_);
    } catch (...) {
        restoreState();
        throw;
    }
    restoreState();
}

void TGBasePanel::LoadFromFile(const QString& path) {
    if (!QFile::exists(path)) return;
    std::vector<TGGraphicControl*> before = objects();
    auto adopt = [&] {
        // Files hold the 100 % geometry: objects read take the panel's zoom by scaling.
        for (TGGraphicControl* o : objects())
            if (std::find(before.begin(), before.end(), o) == before.end()) {
                o->setReading(true);
                o->setZoom(zoom_);
                o->setReading(false);
            }
        HookAll();
        RefreshData();
        undo_.reset(snapshot());
        update();
    };
    try {
        TGLabelObjectFiler::LoadObjects(owner(), this, path, ppi_);
    } catch (...) {
        adopt();
        throw;
    }
    adopt();
}

void TGBasePanel::ClearAll() {
    frame_->clearSelection();
    std::vector<TGGraphicControl*> all = objects();
    for (auto it = all.rbegin(); it != all.rend(); ++it) destroyObject(*it);
    undo_.reset(snapshot());
    update();
}

void TGBasePanel::ClearDataAll() {
    for (TGGraphicControl* o : objects()) o->clearData();
}

void TGBasePanel::AdvanceCounters() {
    for (TGGraphicControl* o : objects()) o->advanceCounter();
}

void TGBasePanel::ResetCounters() {
    for (TGGraphicControl* o : objects()) o->resetCounter();
}

void TGBasePanel::SetZoom(float z) {
    if (z == zoom_ || z <= 0) return;
    commitUndo();
    zooming_ = true;
    if (size() != zoomedTo_ || unzoomedSize_.isEmpty())
        unzoomedSize_ = QSizeF(width() / static_cast<double>(zoom_), height() / static_cast<double>(zoom_));
    resize(roundEven(unzoomedSize_.width() * z), roundEven(unzoomedSize_.height() * z));
    zoomedTo_ = size();
    zoom_ = z;
    for (TGGraphicControl* o : objects()) o->setZoom(z);
    QCoreApplication::processEvents();
    zooming_ = false;
    frame_->recompute();
    rebaseUndo();
    update();
}

void TGBasePanel::AddObject(TGGraphicControl* o, const QRect& rect) {
    CommandScope scope(this);
    o->setReading(true);
    o->setParent(this);
    o->setName(UniqueName(QStringLiteral("Special")));
    o->setZoom(zoom_);
    o->setBounds(rect.left(), rect.top(), std::max(rect.width(), 10), std::max(rect.height(), 15));
    o->setReading(false);
    HookObject(o);
    o->boundsChanged();
    update();
    NotifyChanged();
    QCoreApplication::processEvents();
}

QString TGBasePanel::UniqueName(const QString& prefix) const { return uniqueComponentName(owner(), prefix, 1, 1000); }

void TGBasePanel::HookObject(TGGraphicControl* o) {
    if (!o->popupMenu()) o->buildMenu();
}

void TGBasePanel::HookAll() {
    for (TGGraphicControl* o : objects()) {
        HookObject(o);
        assignZoom(o, zoom_);
    }
}

void TGBasePanel::assignZoom(TGGraphicControl* o, float z) {
    if (o->zoom() == z) return;
    bool r = o->reading();
    QRect b = o->bounds();
    o->setReading(true);
    o->setZoom(z);
    o->setBounds(b.x(), b.y(), b.width(), b.height());
    o->setReading(r);
}

void TGBasePanel::NotifyChanged() {
    if (printing_ || zooming_) return;
    emit LabelChangedEvent(this);
    if (restoring_) return;
    dirty_ = true;
    if (scopeDepth_ == 0) scheduleCommit();
}

void TGBasePanel::destroyObject(TGGraphicControl* o) {
    frame_->removeObject(o);
    o->setParent(nullptr);
    o->deleteLater();
    update();
}

// ---------------------------------------------------------------------------------------------
// LayoutHost

void TGBasePanel::repaintObject(TGGraphicControl*, bool now) {
    if (printing_) return;
    if (now)
        repaint();
    else
        update();
}

void TGBasePanel::frameChanged(TGGraphicControl*) {
    update();
    if (recomputePosted_) return;
    recomputePosted_ = true;
    QTimer::singleShot(0, this, [this] {
        recomputePosted_ = false;
        if (!frame_->dragging() && !frame_->nudging()) frame_->recompute();
    });
}

void TGBasePanel::removeFromSelection(TGGraphicControl* o) { frame_->removeObject(o); }

bool TGBasePanel::isSelected(const TGGraphicControl* o) const { return frame_->isSelected(o); }

void TGBasePanel::objectCommand(TGGraphicControl* o, const QString& command) {
    if (command == QLatin1String("Cut")) ObjectCut(o);
    else if (command == QLatin1String("Copy")) ObjectCopy(o);
    else if (command == QLatin1String("Delete")) ObjectDelete(o);
    else if (command == QLatin1String("Clone")) Clone(o);
    else if (command == QLatin1String("Send To Back")) frame_->clearSelection();
    update();
}

// ---------------------------------------------------------------------------------------------
// Clipboard and clone

void TGBasePanel::CopySelection() {
    if (frame_->count() == 0) return;
    try {
        TGLabelObjectFiler::SaveSelection(frame_->selection(), clipPath_, ppi_);
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
    }
}

void TGBasePanel::CutSelection() {
    CopySelection();
    DeleteSelection();
}

void TGBasePanel::DeleteSelection() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    std::vector<TGGraphicControl*> sel = frame_->selection();
    for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
        destroyObject(*it);
        NotifyChanged();
    }
}

void TGBasePanel::Paste() {
    int64_t now = panelTicks();
    if (pasted_ && now - lastPaste_ < 1000) return;
    if (!QFile::exists(clipPath_)) return;
    CommandScope scope(this);
    try {
        TGLabelObjectFiler::PasteObjects(owner(), this, clipPath_, ppi_);
    } catch (const std::exception& e) {
        HookAll();
        ui::ShowError(QString::fromLocal8Bit(e.what()));
    }
    HookAll();
    NotifyChanged();
    update();
    QCoreApplication::processEvents();
    pasted_ = true;
    lastPaste_ = now;
}

TGGraphicControl* TGBasePanel::Clone(TGGraphicControl* o) {
    if (!o) return nullptr;
    CommandScope scope(this);
    TGGraphicControl* copy = nullptr;
    try {
        copy = TGLabelObjectFiler::CloneObject(o, owner(), this, ppi_);
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
    if (!copy) return nullptr;
    assignZoom(copy, zoom_);
    copy->setTop(o->top() + 25);
    layout::bringToFront(copy);
    RefreshData();
    if (frame_->isSelected(o)) {
        frame_->removeObject(o);
        frame_->addObject(copy);
        frame_->frameRelease(Qt::LeftButton, QPoint());
    }
    HookAll();
    NotifyChanged();
    update();
    return copy;
}

void TGBasePanel::ObjectCopy(TGGraphicControl* o) {
    if (frame_->isSelected(o)) {
        CopySelection();
        return;
    }
    try {
        TGLabelObjectFiler::SaveObject(o, clipPath_, ppi_);
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
    }
}

void TGBasePanel::ObjectCut(TGGraphicControl* o) {
    ObjectCopy(o);
    ObjectDelete(o);
}

void TGBasePanel::ObjectDelete(TGGraphicControl* o) {
    if (frame_->isSelected(o)) {
        DeleteSelection();
        return;
    }
    CommandScope scope(this);
    destroyObject(o);
    NotifyChanged();
}

// ---------------------------------------------------------------------------------------------
// Stacking, aligning, flags

void TGBasePanel::BringToFront() {
    if (frame_->count() == 0 || frame_->locked()) return;
    CommandScope scope(this);
    frame_->bringSelectionToFront();
    NotifyChanged();
    update();
}

void TGBasePanel::SendToBack() {
    if (frame_->count() == 0 || frame_->locked()) return;
    CommandScope scope(this);
    frame_->sendSelectionToBack();
    NotifyChanged();
    update();
}

void TGBasePanel::AlignLefts() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    NotifyChanged();
    int least = width();
    for (auto* o : frame_->selection()) least = std::min(least, o->left());
    for (auto* o : frame_->selection()) o->setLeft(least);
    update();
}

void TGBasePanel::AlignRights() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    NotifyChanged();
    int most = 0;
    for (auto* o : frame_->selection()) most = std::max(most, o->left() + o->width());
    for (auto* o : frame_->selection()) o->setLeft(most - o->width());
    update();
}

void TGBasePanel::AlignTops() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    NotifyChanged();
    int least = height();
    for (auto* o : frame_->selection()) least = std::min(least, o->top());
    for (auto* o : frame_->selection()) o->setTop(least);
    update();
}

void TGBasePanel::AlignBottoms() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    NotifyChanged();
    int most = 0;
    for (auto* o : frame_->selection()) most = std::max(most, o->top() + o->height());
    for (auto* o : frame_->selection()) o->setTop(most - o->height());
    update();
}

void TGBasePanel::CenterVertically() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    for (auto* o : frame_->selection()) o->setTop(height() / 2 - o->height() / 2);
    NotifyChanged();
    update();
}

void TGBasePanel::CenterHorizontally() {
    if (frame_->count() == 0) return;
    CommandScope scope(this);
    for (auto* o : frame_->selection()) o->setLeft(width() / 2 - o->width() / 2);
    NotifyChanged();
    update();
}

void TGBasePanel::LockAll() {
    CommandScope scope(this);
    for (auto* o : objects())
        if (!o->locked()) o->setLocked(true);
}

void TGBasePanel::UnlockAll() {
    CommandScope scope(this);
    for (auto* o : objects())
        if (o->locked()) o->setLocked(false);
}

void TGBasePanel::MarkAllSelectable(bool selectable) {
    CommandScope scope(this);
    for (auto* o : objects()) o->setUnselectable(!selectable);
}

void TGBasePanel::SelectAll() {
    std::vector<TGGraphicControl*> all = objects();
    if (!all.empty()) frame_->clearSelection();
    for (auto* o : all) frame_->addObject(o);
    frame_->frameRelease(Qt::LeftButton, QPoint());
    update();
}

void TGBasePanel::ChooseFont() {
    if (std::optional<LayoutFont> f = chooseLayoutFont(font_, this)) ApplyFontToSelection(*f);
}

void TGBasePanel::ApplyFontToSelection(const LayoutFont& f) {
    CommandScope scope(this);
    for (auto* o : frame_->selection()) o->applyFont(f);
    update();
}

// ---------------------------------------------------------------------------------------------
// Undo

PanelSnapshot TGBasePanel::snapshot() const {
    return {TGLabelObjectFiler::encodeList(objects(), ppi_), zoom_};
}

void TGBasePanel::restore(const PanelSnapshot& s) {
    restoring_ = true;
    frame_->clearSelection();
    for (TGGraphicControl* o : objects()) destroyObject(o);
    try {
        TGLabelObjectFiler::decodeList(s.data, owner(), this, ReadOptions{0, ppi_, 1252});
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
    }
    for (TGGraphicControl* o : objects()) {
        assignZoom(o, s.zoom);
        if (s.zoom != zoom_) {
            o->setReading(true);
            o->setZoom(zoom_);
            o->setReading(false);
        }
    }
    HookAll();
    RefreshData();
    restoring_ = false;
    dirty_ = false;
    undo_.rebase(snapshot());
    update();
    emit LabelChangedEvent(this);
}

void TGBasePanel::scheduleCommit() {
    if (commitPosted_) return;
    commitPosted_ = true;
    QTimer::singleShot(0, this, [this] {
        commitPosted_ = false;
        if (scopeDepth_ == 0) commitUndo();
    });
}

void TGBasePanel::commitUndo() {
    if (!dirty_ || restoring_ || printing_) return;
    dirty_ = false;
    undo_.commit(snapshot());
}

void TGBasePanel::rebaseUndo() {
    dirty_ = false;
    undo_.rebase(snapshot());
}

TGBasePanel::CommandScope::CommandScope(TGBasePanel* p) : p_(p) {
    // A change made before the command is a step of its own.
    if (p_->scopeDepth_++ == 0) p_->commitUndo();
}

TGBasePanel::CommandScope::~CommandScope() {
    if (--p_->scopeDepth_ == 0) p_->commitUndo();
}

bool TGBasePanel::Undo() {
    if (frame_->dragging() || frame_->nudging()) return false;
    commitUndo();
    std::optional<PanelSnapshot> s = undo_.undo(snapshot());
    if (!s) return false;
    restore(*s);
    return true;
}

bool TGBasePanel::Redo() {
    if (frame_->dragging() || frame_->nudging()) return false;
    commitUndo();
    std::optional<PanelSnapshot> s = undo_.redo(snapshot());
    if (!s) return false;
    restore(*s);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Menus

void TGBasePanel::buildPanelMenu() {
    menu_ = new QMenu;
    aFront_ = menu_->addAction(QStringLiteral("Bring To Front"), this, [this] { BringToFront(); });
    aBack_ = menu_->addAction(QStringLiteral("Send To Back"), this, [this] { SendToBack(); });
    menu_->addSeparator();
    aCut_ = menu_->addAction(QStringLiteral("Cut"), this, [this] { CutSelection(); });
    aCopy_ = menu_->addAction(QStringLiteral("Copy"), this, [this] { CopySelection(); });
    aPaste_ = menu_->addAction(QStringLiteral("Paste"), this, [this] { Paste(); });
    menu_->addSeparator();
    aDelete_ = menu_->addAction(QStringLiteral("Delete"), this, [this] { DeleteSelection(); });
    menu_->addSeparator();
    aAlign_[0] = menu_->addAction(QStringLiteral("Align Left"), this, [this] { AlignLefts(); });
    aAlign_[1] = menu_->addAction(QStringLiteral("Align Right"), this, [this] { AlignRights(); });
    aAlign_[2] = menu_->addAction(QStringLiteral("Align Tops"), this, [this] { AlignTops(); });
    aAlign_[3] = menu_->addAction(QStringLiteral("Align Bottoms"), this, [this] { AlignBottoms(); });
    menu_->addSeparator();
    aCenter_[0] = menu_->addAction(QStringLiteral("Center Vertically"), this, [this] { CenterVertically(); });
    aCenter_[1] = menu_->addAction(QStringLiteral("Center Horizontally"), this, [this] { CenterHorizontally(); });
    menu_->addSeparator();
    aLock_[0] = menu_->addAction(QStringLiteral("Lock All"), this, [this] { LockAll(); });
    aLock_[1] = menu_->addAction(QStringLiteral("Unlock All"), this, [this] { UnlockAll(); });
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Mark All Selectable"), this, [this] { MarkAllSelectable(true); });
    menu_->addAction(QStringLiteral("Mark All Unselectable"), this, [this] { MarkAllSelectable(false); });
    menu_->addAction(QStringLiteral("Select All"), this, [this] { SelectAll(); });
    menu_->addSeparator();
    aFont_ = menu_->addAction(QStringLiteral("Font"), this, [this] { ChooseFont(); });
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        bool sel = frame_->count() > 0;
        for (QAction* a : {aFront_, aBack_, aCut_, aCopy_, aDelete_, aAlign_[0], aAlign_[1], aAlign_[2], aAlign_[3],
                           aCenter_[0], aCenter_[1], aFont_})
            a->setEnabled(sel);
        aPaste_->setEnabled(QFile::exists(clipPath_));
        bool any = !objects().empty();
        aLock_[0]->setEnabled(any);
        aLock_[1]->setEnabled(any);
    });
}

QMenu* TGBasePanel::panelMenu() {
    if (!menu_) buildPanelMenu();
    return menu_;
}

void TGBasePanel::showObjectMenuFor(TGGraphicControl* o) {
    QMenu* m = o->popupMenu();
    if (!m) m = o->buildMenu();
    m->popup(QCursor::pos());
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

TGGraphicControl* TGBasePanel::objectAt(QPoint p) const {
    std::vector<TGGraphicControl*> all = objects();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if ((*it)->bounds().contains(p)) return *it;
    return nullptr;
}

void TGBasePanel::PanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint p) {
    if (button == Qt::RightButton) {
        panelMenu()->popup(mapToGlobal(p));
        return;
    }
    banding_ = true;
    bandStart_ = p;
    band_ = QRect(p, QSize(0, 0));
    setCursor(handPointCursor());
    update();
}

void TGBasePanel::pressBelowFrame(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p) {
    if (TGGraphicControl* o = objectAt(p))
        ObjectMouseDown(o, button, mods, p.x() - o->left(), p.y() - o->top());
    else
        PanelMouseDown(button, mods, p);
}

void TGBasePanel::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    QPoint p = e->position().toPoint();
    if (frame_->isVisible() && frame_->geometry().contains(p))
        frame_->framePress(e->button(), e->modifiers(), p);
    else
        pressBelowFrame(e->button(), e->modifiers(), p);
}

void TGBasePanel::mouseMoveEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (frame_->capturing()) {
        frame_->frameMove(e->buttons(), p);
        setCursor(frame_->dragging() ? handGrabCursor() : frame_->frameCursor());
        return;
    }
    if (banding_) {
        band_ = QRect(std::min(bandStart_.x(), p.x()), std::min(bandStart_.y(), p.y()), std::abs(p.x() - bandStart_.x()),
                      std::abs(p.y() - bandStart_.y()));
        update();
        return;
    }
    if (frame_->isVisible() && frame_->geometry().contains(p)) {
        frame_->frameMove(e->buttons(), p);
        setCursor(frame_->frameCursor());
    } else if (pointing_ && objectAt(p)) {
        setCursor(handPointCursor());
    } else {
        unsetCursor();
    }
}

void TGBasePanel::mouseReleaseEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (frame_->capturing() || frame_->dragging()) {
        CommandScope scope(this);
        frame_->frameRelease(e->button(), p);
        unsetCursor();
        return;
    }
    if (banding_) {
        band_ = QRect(std::min(bandStart_.x(), p.x()), std::min(bandStart_.y(), p.y()), std::abs(p.x() - bandStart_.x()),
                      std::abs(p.y() - bandStart_.y()));
        endBand(e->modifiers());
    }
}

void TGBasePanel::endBand(Qt::KeyboardModifiers mods) {
    banding_ = false;
    QRect band = band_;
    band_ = {};
    unsetCursor();
    update();
    if (pointing_) {
        int x1 = band.x(), y1 = band.y(), x2 = band.x() + band.width(), y2 = band.y() + band.height();
        std::vector<TGGraphicControl*> hit;
        for (TGGraphicControl* o : objects())
            if (o->left() <= x2 && o->left() + o->width() >= x1 && o->top() <= y2 && o->top() + o->height() >= y1)
                hit.push_back(o);
        if (mods & Qt::ShiftModifier) {
            for (TGGraphicControl* o : hit) {
                if (frame_->isSelected(o))
                    frame_->removeObject(o);
                else
                    frame_->addObject(o);
            }
        } else {
            frame_->clearSelection();
            for (TGGraphicControl* o : hit) frame_->addObject(o);
        }
        // The band's release ends the press: nothing continues into a drag.
        frame_->frameRelease(Qt::LeftButton, QPoint());
        update();
    } else {
        PlaceObject(band);
        emit DroppedObjectEvent(band);
    }
}

void TGBasePanel::mouseDoubleClickEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (frame_->isVisible() && frame_->geometry().contains(p)) {
        frame_->frameDoubleClick(p);
        return;
    }
    if (TGGraphicControl* o = objectAt(p)) {
        showObjectMenuFor(o);
        return;
    }
    emit OnDblClick();
}

void TGBasePanel::leaveEvent(QEvent*) { unsetCursor(); }

void TGBasePanel::keyPressEvent(QKeyEvent* e) { PanelKeyDown(e); }
void TGBasePanel::keyReleaseEvent(QKeyEvent* e) { PanelKeyUp(e); }

void TGBasePanel::PanelKeyDown(QKeyEvent* e) {
    bool ctrl = e->modifiers() & Qt::ControlModifier;
    int k = e->key();
    if (ctrl && k == Qt::Key_C) CopySelection();
    else if (ctrl && k == Qt::Key_X) CutSelection();
    else if (ctrl && k == Qt::Key_V) Paste();
    else if (ctrl && ((k == Qt::Key_Z && (e->modifiers() & Qt::ShiftModifier)) || k == Qt::Key_Y)) Redo();
    else if (ctrl && k == Qt::Key_Z) Undo();
    else if (!ctrl && k == Qt::Key_Delete) DeleteSelection();
    else if (!frame_->nudgeKey(k, e->modifiers())) {
        e->ignore();
        return;
    }
    e->accept();
}

void TGBasePanel::PanelKeyUp(QKeyEvent* e) {
    if (e->isAutoRepeat()) return;
    if (frame_->nudging()) {
        CommandScope scope(this);
        frame_->keyReleased();
    }
}

// ---------------------------------------------------------------------------------------------
// Painting

QPainterPath TGBasePanel::shapePath() const {
    QPainterPath path;
    QRectF r(0, 0, width() + 1, height() + 1);
    switch (shape_) {
    case PanelShape::lsRectangle: path.addRect(r); break;
    case PanelShape::lsRoundRect: path.addRoundedRect(r, 12, 12); break;
    case PanelShape::lsEllipse: path.addEllipse(r); break;
    }
    return path;
}

void TGBasePanel::paintPanel(QPainter& p) {
    p.fillRect(rect(), Qt::white);
    QPainterPath shape = shapePath();
    QRectF all(0, 0, width(), height());
    if (!picture_.isEmpty()) {
        p.save();
        p.setClipPath(shape);
        picture_.draw(p, all);
        p.restore();
    }
    if (!colorPicture_.isEmpty()) {
        p.save();
        p.setClipPath(shape);
        colorPicture_.draw(p, all);
        p.restore();
    }
    if (drawOutline_) {
        p.save();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        switch (shape_) {
        case PanelShape::lsRectangle: p.drawRect(0, 0, width(), height()); break;
        case PanelShape::lsRoundRect: p.drawRoundedRect(QRect(0, 0, width(), height()), 12, 12); break;
        case PanelShape::lsEllipse: p.drawEllipse(QRect(0, 0, width(), height())); break;
        }
        p.restore();
    }
    if (showGrid_) {
        QImage cell(8, 8, QImage::Format_RGB32);
        cell.fill(Qt::white);
        QRgb green = qRgb(0, 0x80, 0);
        if (gridSize_ == GridSize::gs4x4) {
            for (int y : {3, 7})
                for (int x : {3, 7}) cell.setPixel(x, y, green);
        } else {
            cell.setPixel(7, 7, green);
        }
        p.save();
        p.setClipPath(shape);
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.fillRect(rect(), QBrush(cell));
        p.restore();
    }
}

QImage TGBasePanel::renderImage() {
    if (buffer_.size() != size()) buffer_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter p(&buffer_);
    paintPanel(p);
    for (TGGraphicControl* o : objects()) {
        p.save();
        p.translate(o->left(), o->top());
        p.setClipRect(QRect(0, 0, o->width(), o->height()));
        o->paint(p);
        p.restore();
    }
    frame_->paintHandles(p);
    frame_->paintOverlay(p);
    if (banding_) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(band_);
    }
    p.end();
    return buffer_;
}

void TGBasePanel::paintEvent(QPaintEvent*) {
    QImage img = renderImage();
    QPainter p(this);
    p.drawImage(0, 0, img);
}

}  // namespace addrova::layout
