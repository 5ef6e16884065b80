#pragma once

// TGDataPanel: the design panel bound to the address table. Data-bound objects show the current
// record's values (or their placeholders when DisplayDataValues is off).

#include "Gbasepnl.h"

namespace addrova::store {
class Table;
}

namespace addrova::layout {

class TGDataPanel : public TGBasePanel {
    Q_OBJECT
public:
    explicit TGDataPanel(QWidget* parent = nullptr) : TGBasePanel(parent) {}

    bool displayDataValues() const override { return displayData_; }
    // Setting it runs RefreshData.
    void setDisplayDataValues(bool d);
    // The address table (its fields, display labels and memo texts); not owned.
    RecordSource* records() const override { return records_; }
    void setRecords(RecordSource* r) { records_ = r; }
    // The designer's definition table; not owned.
    store::Table* definitionTable() const { return definition_; }
    void setDefinitionTable(store::Table* t) { definition_ = t; }

    // When the address table is set and open: RefreshData on every object, then the repaint.
    void RefreshData() override;

private:
    bool displayData_ = true;
    RecordSource* records_ = nullptr;
    store::Table* definition_ = nullptr;
};

}  // namespace addrova::layout
