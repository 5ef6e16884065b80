#pragma once

// The selection of a table as rows of a grid, in the table's current order. Only the rows asked for
// are read: rows are fetched in blocks of 64 from the nearest row whose record number is known
// (a cached block, the first record, the last record) with skip(), and a bounded number of blocks is
// kept. The row count is the engine's count of the selection, taken once per reload.

#include "FilterCore.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace addrova::filters {

class BrowseModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kBlockRows = 64;
    static constexpr size_t kMaxBlocks = 48;

    BrowseModel(store::Table& table, std::string tagId, bool printingFields, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Every field of the table (composed and stored) in the current order, and the shown ones.
    const std::vector<std::string>& fieldOrder() const { return order_; }
    void setFieldOrder(const std::vector<std::string>& order);
    const std::vector<std::string>& columns() const { return columns_; }
    // The field order after the shown columns were put in the given visual order (column indexes);
    // hidden fields keep their places.
    std::vector<std::string> orderAfterMove(const std::vector<int>& visualColumns) const;
    // Initial width of a column in characters.
    int columnChars(int column) const;

    // The record number of a row (0 when the row is out of range).
    uint32_t recnoAt(int row) const;
    // The row of the table's current record (the row of the next record of the selection when the
    // current one is not in it; 0 when at the end). Walks back to the first record once.
    int locateCurrent();
    // Makes a row's record current in the table.
    bool setCurrentRow(int row);
    int currentRow() const { return current_; }

    // Counts the selection again and forgets every cached row.
    void reload();
    // The current record was changed: its row is read again, or the model reloads when the record
    // left the selection.
    void currentRecordChanged();

    // For measurements: skip() calls made so far and blocks held.
    uint64_t skips() const { return skips_; }
    size_t blocksHeld() const { return blocks_.size(); }

private:
    struct Block {
        std::vector<uint32_t> recnos;
        std::vector<std::vector<QString>> cells;  // per row, per shown field (shown_ order)
        std::list<int>::iterator lru;
    };
    const Block& block(int b) const;
    Block readBlock(int b) const;
    void rowValues(std::vector<QString>& out) const;
    void positionAt(int row) const;
    void computeColumns();
    void restoreCurrent() const;

    store::Table& table_;
    std::string tagId_;
    std::string shortDate_;
    bool printingFields_;
    int codePage_ = 1252;
    std::vector<std::string> order_;
    std::vector<std::string> shown_;    // shown fields in standing order: the cached cells' layout
    std::vector<std::string> columns_;  // shown fields in the current order
    std::vector<int> columnSlot_;       // column -> index into shown_
    std::vector<int> fieldIndex_;       // shown_ -> table field index (-1 composed)
    bool anyComposed_ = false;
    int count_ = 0;
    int current_ = 0;
    uint32_t currentRecno_ = 0;  // the record of current_ (0: none)

    mutable std::unordered_map<int, Block> blocks_;
    mutable std::list<int> lru_;
    mutable std::map<int, uint32_t> anchors_;  // block -> record number of its first row
    mutable uint64_t skips_ = 0;
};

}  // namespace addrova::filters
