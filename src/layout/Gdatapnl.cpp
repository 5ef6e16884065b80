#include "Gdatapnl.h"

#include <QCoreApplication>

namespace addrova::layout {

void TGDataPanel::setDisplayDataValues(bool d) {
    displayData_ = d;
    RefreshData();
}

void TGDataPanel::RefreshData() {
    if (!records_ || !records_->isOpen()) return;
    // A data refresh outside a command is no undoable change of its own.
    bool outside = scopeDepth() == 0;
    if (outside) commitUndo();
    {
        CommandScope scope(this);
        for (TGGraphicControl* o : objects()) o->refreshData();
        update();
        QCoreApplication::processEvents();
    }
    if (outside) rebaseUndo();
}

}  // namespace addrova::layout
