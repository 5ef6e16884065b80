#pragma once

// Undo history of a design panel: snapshots of its object list in the layout stream format, one per
// command or finished drag. No widgets here; the panel takes and restores the snapshots.

#include <QByteArray>
#include <cstddef>
#include <optional>
#include <vector>

namespace addrova::layout {

struct PanelSnapshot {
    QByteArray data;    // one object list, coordinates at zoom
    float zoom = 1.0f;  // the panel zoom the coordinates belong to
    bool operator==(const PanelSnapshot&) const = default;
};

class UndoHistory {
public:
    explicit UndoHistory(size_t limit = 100) : limit_(limit) {}

    // Forgets every step; current becomes the state the next change is measured against.
    void reset(const PanelSnapshot& current);
    // The state changed without a step of its own (zoom, data refresh, a restore).
    void rebase(const PanelSnapshot& current) { base_ = current; }
    // A command has run: when current differs from the base, the base becomes an undo step and the
    // redo steps are dropped. Returns true when a step was recorded.
    bool commit(const PanelSnapshot& current);
    // The state to restore for an undo (current goes to the redo steps), or nothing.
    std::optional<PanelSnapshot> undo(const PanelSnapshot& current);
    std::optional<PanelSnapshot> redo(const PanelSnapshot& current);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    size_t undoCount() const { return undo_.size(); }
    size_t redoCount() const { return redo_.size(); }
    const PanelSnapshot& base() const { return base_; }

private:
    size_t limit_;
    PanelSnapshot base_;
    std::vector<PanelSnapshot> undo_, redo_;
};

}  // namespace addrova::layout
