#pragma once

#include <QSizeF>

// TGBasePanel: the design surface that holds layout objects. It paints them into an off-screen
// image, routes the mouse to them and to its selection frame, and runs the panel commands: rubber
// band, placing, the object clipboard, clone, stacking, aligning, bulk flags, zoom, grid, undo.

#include "GGraphc.h"
#include "GHandle.h"
#include "GShapes.h"
#include "PanelUndo.h"

#include <QImage>
#include <QWidget>
#include <optional>

class QMenu;
class QAction;

namespace addrova::layout {

enum class PanelShape { lsRectangle, lsRoundRect, lsEllipse };
enum class GridSize { gs4x4, gs8x8 };

class TGBasePanel : public QWidget, public LayoutHost {
    Q_OBJECT
public:
    explicit TGBasePanel(QWidget* parent = nullptr);
    ~TGBasePanel() override;

    // Properties.
    bool pointing() const { return pointing_; }
    void setPointing(bool p) { pointing_ = p; }
    bool drawOutline() const { return drawOutline_; }
    void setDrawOutline(bool d);
    LayoutPicture& picture() { return picture_; }
    LayoutPicture& colorPicture() { return colorPicture_; }
    bool isPrinting() const { return printing_; }
    void setPrinting(bool p) { printing_ = p; }
    PanelShape shape() const { return shape_; }
    void setShape(PanelShape s);
    GridSize gridSize() const { return gridSize_; }
    void setGridSize(GridSize g);
    bool showGrid() const { return showGrid_; }
    void setShowGrid(bool s);
    bool snapToGrid() const { return snapToGrid_; }
    void setSnapToGrid(bool s);
    const LayoutFont& panelFont() const { return font_; }
    void setPanelFont(const LayoutFont& f) { font_ = f; }
    float zoomFactor() const { return zoom_; }
    void setPpi(int p) { ppi_ = p; }
    // The owner of the layout objects (the designer window; names are unique among its objects).
    // Without one, the panel's window.
    QObject* owner() const;
    void setOwner(QObject* o) { owner_ = o; }

    TGHandle* SelectionFrame() const { return frame_; }
    QString clipboardPath() const { return clipPath_; }
    QString scratchPath() const { return scratchPath_; }

    // Virtual operations.
    virtual void PlaceObject(const QRect& rect);
    virtual void ObjectMouseDown(TGGraphicControl* o, Qt::MouseButton button, Qt::KeyboardModifiers mods, int x,
                                 int y);
    virtual void RefreshData();
    virtual void Print(PrintSurface& report, double originX, double originY);
    virtual void ClampObjects();
    virtual void PurgeObjects();

    // Layout files; read and write failures throw LayoutStreamError (state is restored first).
    void SaveToFile(const QString& path);
    void LoadFromFile(const QString& path);
    void ClearAll();
    void ClearDataAll();
    void AdvanceCounters();
    void ResetCounters();
    void SetZoom(float z);
    void AddObject(TGGraphicControl* o, const QRect& rect);
    QString UniqueName(const QString& prefix) const;
    void HookObject(TGGraphicControl* o);
    void HookAll();
    void NotifyChanged();
    std::vector<TGGraphicControl*> objects() const { return layoutObjects(this); }

    // Commands of the popup menus and keys.
    void CopySelection();
    void CutSelection();
    void DeleteSelection();
    void Paste();
    TGGraphicControl* Clone(TGGraphicControl* o);
    void BringToFront();
    void SendToBack();
    void AlignLefts();
    void AlignRights();
    void AlignTops();
    void AlignBottoms();
    void CenterVertically();
    void CenterHorizontally();
    void LockAll();
    void UnlockAll();
    void MarkAllSelectable(bool selectable);
    void SelectAll();
    void ChooseFont();
    void ApplyFontToSelection(const LayoutFont& f);
    // The object menu's commands on one object (the whole selection when it belongs to it).
    void ObjectCopy(TGGraphicControl* o);
    void ObjectCut(TGGraphicControl* o);
    void ObjectDelete(TGGraphicControl* o);
    // Undo and redo (Ctrl+Z, Ctrl+Y).
    bool Undo();
    bool Redo();
    bool canUndo() const { return undo_.canUndo(); }
    bool canRedo() const { return undo_.canRedo(); }
    // The panel's keyboard handling (designers pass keys here).
    void PanelKeyDown(QKeyEvent* e);
    void PanelKeyUp(QKeyEvent* e);

    // The topmost object under a point (panel coordinates), or null.
    TGGraphicControl* objectAt(QPoint p) const;
    QMenu* panelMenu();
    bool rubberBanding() const { return banding_; }
    QRect rubberBand() const { return band_; }
    // The panel's shape as a path (clipping and outline).
    QPainterPath shapePath() const;
    // Renders the panel as painted on screen.
    QImage renderImage();

    // LayoutHost.
    int ppi() const override { return ppi_; }
    bool printing() const override { return printing_; }
    bool zoomInProgress() const override { return zooming_; }
    QSize panelSize() const override { return size(); }
    void layoutChanged(TGGraphicControl*) override { NotifyChanged(); }
    void repaintObject(TGGraphicControl*, bool now) override;
    void frameChanged(TGGraphicControl*) override;
    void removeFromSelection(TGGraphicControl* o) override;
    bool isSelected(const TGGraphicControl* o) const override;
    void refreshAll() override { RefreshData(); }
    void objectCommand(TGGraphicControl* o, const QString& command) override;

    // The bare panel's press (rubber band or menu), in panel coordinates.
    virtual void PanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p);
    // A press that the frame passes on: to the object under the point, else to the bare panel.
    void pressBelowFrame(Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint p);
    // Opens an object's popup menu at the cursor.
    void showObjectMenuFor(TGGraphicControl* o);

signals:
    void LabelChangedEvent(TGBasePanel* sender);
    void DroppedObjectEvent(const QRect& rect);
    void OnDblClick();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void leaveEvent(QEvent*) override;
    // The panel's own painting before the objects (background, pictures, outline, grid).
    virtual void paintPanel(QPainter& p);
    // Removes an object from the panel and destroys it once control returns to the event loop.
    void destroyObject(TGGraphicControl* o);
    // Assigns a zoom without scaling the bounds (objects read at the panel's zoom).
    static void assignZoom(TGGraphicControl* o, float z);

    // Undo: the object list in the layout stream format.
    PanelSnapshot snapshot() const;
    void restore(const PanelSnapshot& s);
    void commitUndo();
    void rebaseUndo();
    int scopeDepth() const { return scopeDepth_; }
    // Groups the changes of one command into one undo step.
    class CommandScope {
    public:
        explicit CommandScope(TGBasePanel* p);
        ~CommandScope();
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        TGBasePanel* p_;
    };
    friend class CommandScope;

    TGHandle* frame_;
    float zoom_ = 1.0f;
    QSizeF unzoomedSize_;  // the size at zoom 1.0 while only zooming changed it
    QSize zoomedTo_;

private:
    void endBand(Qt::KeyboardModifiers mods);
    void scheduleCommit();
    void buildPanelMenu();

    bool pointing_ = true, drawOutline_ = false, printing_ = false, showGrid_ = false, snapToGrid_ = false;
    PanelShape shape_ = PanelShape::lsRoundRect;
    GridSize gridSize_ = GridSize::gs4x4;
    LayoutPicture picture_, colorPicture_;
    LayoutFont font_;
    int ppi_ = 96;
    QObject* owner_ = nullptr;
    QString clipPath_, scratchPath_;
    QRect band_;
    QPoint bandStart_;
    bool banding_ = false, zooming_ = false;
    bool pasted_ = false;
    int64_t lastPaste_ = 0;
    QMenu* menu_ = nullptr;
    QAction *aFront_, *aBack_, *aCut_, *aCopy_, *aPaste_, *aDelete_, *aAlign_[4], *aCenter_[2], *aLock_[2], *aFont_;
    QImage buffer_;
    bool recomputePosted_ = false;
    // Undo state.
    UndoHistory undo_;
    int scopeDepth_ = 0;
    bool dirty_ = false, commitPosted_ = false, restoring_ = false;
};

}  // namespace addrova::layout
