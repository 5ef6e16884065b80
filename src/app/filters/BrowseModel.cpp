#include "BrowseModel.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "ProgramDir.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace addrova::filters {

BrowseModel::BrowseModel(store::Table& table, std::string tagId, bool printingFields, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      tagId_(std::move(tagId)),
      shortDate_(app::ShortDateFormat()),
      printingFields_(printingFields),
      codePage_(table.codePage())
{
    // The table's fields: the standing order, less stored fields the file lacks.
    for (const std::string& f : browseFieldOrder())
        if (isComposedField(f) || table_.fieldIndex(f) >= 0)
            order_.push_back(f);
    for (const std::string& f : order_) {
        if (!browseFieldVisible(f, printingFields_))
            continue;
        shown_.push_back(f);
        fieldIndex_.push_back(isComposedField(f) ? -1 : table_.fieldIndex(f));
        anyComposed_ = anyComposed_ || isComposedField(f);
    }
    computeColumns();
    count_ = static_cast<int>(std::min<uint32_t>(table_.countSelected(), std::numeric_limits<int>::max()));
}

void BrowseModel::computeColumns()
{
    columns_.clear();
    columnSlot_.clear();
    for (const std::string& f : order_) {
        auto it = std::find(shown_.begin(), shown_.end(), f);
        if (it == shown_.end())
            continue;
        columns_.push_back(f);
        columnSlot_.push_back(static_cast<int>(it - shown_.begin()));
    }
}

void BrowseModel::setFieldOrder(const std::vector<std::string>& order)
{
    std::vector<std::string> next;
    for (const std::string& f : order)
        if (std::find(order_.begin(), order_.end(), f) != order_.end() &&
            std::find(next.begin(), next.end(), f) == next.end())
            next.push_back(f);
    for (const std::string& f : order_)
        if (std::find(next.begin(), next.end(), f) == next.end())
            next.push_back(f);
    beginResetModel();
    order_ = std::move(next);
    computeColumns();
    endResetModel();
}

std::vector<std::string> BrowseModel::orderAfterMove(const std::vector<int>& visualColumns) const
{
    std::vector<std::string> visual;
    for (int c : visualColumns)
        if (c >= 0 && c < static_cast<int>(columns_.size()))
            visual.push_back(columns_[static_cast<size_t>(c)]);
    for (const std::string& c : columns_)
        if (std::find(visual.begin(), visual.end(), c) == visual.end())
            visual.push_back(c);
    // The shown fields take the places the shown fields had, in their new order.
    std::vector<std::string> out = order_;
    size_t next = 0;
    for (std::string& f : out)
        if (std::find(columns_.begin(), columns_.end(), f) != columns_.end())
            f = visual[next++];
    return out;
}

int BrowseModel::columnChars(int column) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return 10;
    const std::string& f = columns_[static_cast<size_t>(column)];
    int width = 0;
    if (!isComposedField(f))
        width = table_.fields()[static_cast<size_t>(table_.fieldIndex(f))].width;
    return browseColumnChars(f, width);
}

int BrowseModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

int BrowseModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    const std::string& f = columns_[static_cast<size_t>(section)];
    std::string label = store::displayLabel(f);
    return QString::fromStdString(label.empty() ? f : label);
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count_ || index.column() >= static_cast<int>(columns_.size()))
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const int b = index.row() / kBlockRows;
    const Block& blk = block(b);
    const size_t r = static_cast<size_t>(index.row() - b * kBlockRows);
    if (r >= blk.cells.size())
        return {};
    return blk.cells[r][static_cast<size_t>(columnSlot_[static_cast<size_t>(index.column())])];
}

uint32_t BrowseModel::recnoAt(int row) const
{
    if (row < 0 || row >= count_)
        return 0;
    const int b = row / kBlockRows;
    const Block& blk = block(b);
    const size_t r = static_cast<size_t>(row - b * kBlockRows);
    return r < blk.recnos.size() ? blk.recnos[r] : 0;
}

const BrowseModel::Block& BrowseModel::block(int b) const
{
    auto it = blocks_.find(b);
    if (it != blocks_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second.lru);
        return it->second;
    }
    Block blk = readBlock(b);
    restoreCurrent();
    while (blocks_.size() >= kMaxBlocks) {
        blocks_.erase(lru_.back());
        lru_.pop_back();
    }
    lru_.push_front(b);
    blk.lru = lru_.begin();
    return blocks_.emplace(b, std::move(blk)).first->second;
}

// Puts the table on a row: from the nearest row with a known record number, the first or the last.
void BrowseModel::positionAt(int row) const
{
    long bestDist = row;  // from the first record
    int from = 0;
    uint32_t fromRecno = 0;
    enum { Top, Bottom, Anchor } how = Top;
    if (count_ - 1 - row < bestDist) {
        bestDist = count_ - 1 - row;
        how = Bottom;
    }
    auto consider = [&](std::map<int, uint32_t>::const_iterator it) {
        const int pos = it->first * kBlockRows;
        const long d = std::labs(static_cast<long>(row) - pos);
        if (d < bestDist) {
            bestDist = d;
            how = Anchor;
            from = pos;
            fromRecno = it->second;
        }
    };
    auto up = anchors_.lower_bound(row / kBlockRows);
    if (up != anchors_.end())
        consider(up);
    if (up != anchors_.begin())
        consider(std::prev(up));

    switch (how) {
    case Top:
        table_.goTop();
        from = 0;
        break;
    case Bottom:
        table_.goBottom();
        from = count_ - 1;
        break;
    case Anchor:
        table_.go(fromRecno);
        break;
    }
    if (row != from) {
        table_.skip(row - from);
        skips_ += static_cast<uint64_t>(std::labs(static_cast<long>(row) - from));
    }
}

BrowseModel::Block BrowseModel::readBlock(int b) const
{
    Block blk;
    const int first = b * kBlockRows;
    const int rows = std::min(kBlockRows, count_ - first);
    if (rows <= 0)
        return blk;
    positionAt(first);
    blk.recnos.reserve(static_cast<size_t>(rows));
    blk.cells.reserve(static_cast<size_t>(rows));
    for (int i = 0; i < rows && !table_.eof(); ++i) {
        if (i == 0)
            anchors_[b] = table_.recNo();
        blk.recnos.push_back(table_.recNo());
        blk.cells.emplace_back();
        rowValues(blk.cells.back());
        ++skips_;
        if (!table_.skip(1))
            break;
        if (i == kBlockRows - 1)
            anchors_[b + 1] = table_.recNo();
    }
    return blk;
}

void BrowseModel::rowValues(std::vector<QString>& out) const
{
    out.resize(shown_.size());
    store::ComposedFields composed;
    if (anyComposed_)
        composed = store::composeFields(table_, tagId_, shortDate_, printingFields_);
    for (size_t i = 0; i < shown_.size(); ++i) {
        const int f = fieldIndex_[i];
        if (f >= 0) {
            out[i] = QString::fromStdString(store::toUtf8(table_.getString(f), codePage_));
            continue;
        }
        const std::string& name = shown_[i];
        std::string text;
        if (name == "Tagged")
            text = composed.tagged ? "Yes" : "No";
        else if (name == "DisplayDate")
            text = composed.displayDate;
        else if (name == "FullName")
            text = composed.fullName;
        else if (name == "FullNameWithPrefix")
            text = composed.fullNameWithPrefix;
        else if (name == "CityStateZip")
            text = composed.cityStateZip;
        out[i] = QString::fromStdString(store::toUtf8(text, codePage_));
    }
}

void BrowseModel::restoreCurrent() const
{
    if (currentRecno_)
        table_.go(currentRecno_);
}

int BrowseModel::locateCurrent()
{
    if (count_ == 0 || table_.eof()) {
        setCurrentRow(0);
        return current_;
    }
    const std::string& sel = table_.selection();
    const bool inSelection = !(table_.hideDeleted() && table_.deleted()) && (sel.empty() || table_.test(sel));
    // Walk back to the first record, noting the record numbers passed: passed[k] stands at row n-1-k.
    std::vector<uint32_t> passed{table_.recNo()};
    while (table_.skip(-1)) {
        passed.push_back(table_.recNo());
        ++skips_;
    }
    const int n = static_cast<int>(passed.size());
    for (int b = 0; b * kBlockRows <= n - 1; ++b) {
        const int k = n - 1 - b * kBlockRows;
        if (k > 0 || inSelection)
            anchors_[b] = passed[static_cast<size_t>(k)];
    }
    // A current record outside the selection stands before the next record of the selection.
    const int row = std::clamp(n - 1, 0, count_ - 1);
    setCurrentRow(row);
    return current_;
}

bool BrowseModel::setCurrentRow(int row)
{
    if (count_ == 0) {
        current_ = 0;
        currentRecno_ = 0;
        return false;
    }
    row = std::clamp(row, 0, count_ - 1);
    const uint32_t recno = recnoAt(row);
    if (!recno)
        return false;
    current_ = row;
    currentRecno_ = recno;
    table_.go(recno);
    return true;
}

void BrowseModel::reload()
{
    beginResetModel();
    blocks_.clear();
    lru_.clear();
    anchors_.clear();
    count_ = static_cast<int>(std::min<uint32_t>(table_.countSelected(), std::numeric_limits<int>::max()));
    const int keep = current_;
    currentRecno_ = 0;
    endResetModel();
    setCurrentRow(keep);
}

void BrowseModel::currentRecordChanged()
{
    const std::string& sel = table_.selection();
    bool stillIn = !table_.eof() && !(table_.hideDeleted() && table_.deleted());
    if (stillIn && !sel.empty())
        stillIn = table_.test(sel);
    if (!stillIn) {
        reload();
        return;
    }
    const int b = current_ / kBlockRows;
    auto it = blocks_.find(b);
    if (it != blocks_.end()) {
        const size_t r = static_cast<size_t>(current_ - b * kBlockRows);
        if (r < it->second.cells.size())
            rowValues(it->second.cells[r]);
    }
    emit dataChanged(index(current_, 0), index(current_, columnCount() - 1));
}

}  // namespace addrova::filters
