#include "PanelUndo.h"

namespace addrova::layout {

void UndoHistory::reset(const PanelSnapshot& current) {
    base_ = current;
    undo_.clear();
    redo_.clear();
}

bool UndoHistory::commit(const PanelSnapshot& current) {
    if (current.data == base_.data && current.zoom == base_.zoom) return false;
    undo_.push_back(base_);
    if (undo_.size() > limit_) undo_.erase(undo_.begin());
    redo_.clear();
    base_ = current;
    return true;
}

std::optional<PanelSnapshot> UndoHistory::undo(const PanelSnapshot& current) {
    if (undo_.empty()) return std::nullopt;
    PanelSnapshot s = undo_.back();
    undo_.pop_back();
    redo_.push_back(current);
    base_ = s;
    return s;
}

std::optional<PanelSnapshot> UndoHistory::redo(const PanelSnapshot& current) {
    if (redo_.empty()) return std::nullopt;
    PanelSnapshot s = redo_.back();
    redo_.pop_back();
    undo_.push_back(current);
    base_ = s;
    return s;
}

}  // namespace addrova::layout
