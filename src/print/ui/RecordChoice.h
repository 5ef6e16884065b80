#pragma once

// The record choice every print window shares: "All records", "Records matching filter", "Only
// current record", "Start from current record"; applied to the address table for one run and put
// back afterwards.

#include <QGroupBox>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QRadioButton;
class QVBoxLayout;

namespace addrova::store {
class Table;
}

namespace addrova::print {

enum class RecordChoice { All, Filter, OnlyCurrent };

inline constexpr const char* kOutOfRange = "Current record is out of range. Starting with first record";

// Applies a choice to the table for one run: the selection replaced ("NOT ISDEL" for all records, a
// record-number condition for the current one) and the start placed. Restore() (also run by the
// destructor) puts back selection, order, exact matching and record.
class RecordScope {
public:
    explicit RecordScope(store::Table& table) : t_(table) {}
    ~RecordScope();
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

    // info receives kOutOfRange when the current record is outside the choice and the run starts
    // from the first record instead.
    void Apply(RecordChoice choice, bool startFromCurrent, const std::function<void(const QString&)>& info);
    void Restore();
    bool active() const { return saved_; }
    uint32_t savedRecord() const { return savedRec_; }

private:
    store::Table& t_;
    bool saved_ = false;
    uint32_t savedRec_ = 0;
    std::string savedQuery_;
    int savedOrder_ = 0;
    bool savedExact_ = false;
};

// The "What to Print" group: three choices and the start check box. Without a filter "Records
// matching filter" is disabled and "All records" chosen. Windows add their own check boxes below.
class TRecordChoicePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TRecordChoicePanel(bool filterSet, QWidget* parent = nullptr);

    RecordChoice choice() const;
    bool startFromCurrent() const;
    void setChoice(RecordChoice c);

    QRadioButton* rbQAll() const { return all_; }
    QRadioButton* rbQFilter() const { return filter_; }
    QRadioButton* rbOnlyThis() const { return only_; }
    QCheckBox* StartCurrentCheck() const { return start_; }
    QVBoxLayout* choiceLayout() const { return layout_; }

signals:
    void choiceClicked();

private:
    QRadioButton* all_;
    QRadioButton* filter_;
    QRadioButton* only_;
    QCheckBox* start_;
    QVBoxLayout* layout_;
};

}  // namespace addrova::print
