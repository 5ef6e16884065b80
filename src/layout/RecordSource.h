#pragma once

// The address table as the data-bound layout objects see it: its fields in order with their display
// labels, and the current record's values. TableRecordSource serves an open store::Table with the
// composed fields after the stored ones.

#include <QString>
#include <string>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::layout {

struct RecordField {
    QString name;   // field name ("LNAME", "FullName")
    QString label;  // display label ("Last Name", "Full Name"): the binding key of the objects
    bool isString = true;
    bool isMemo = false;
    int tag = 0;
    bool visible = true;
};

class RecordSource {
public:
    virtual ~RecordSource() = default;
    virtual bool isOpen() const = 0;
    virtual std::vector<RecordField> fields() const = 0;
    // Text of field number i of the current record, as the table gives it (right-trimmed for stored
    // character fields).
    virtual QString text(int i) const = 0;
    virtual bool memoEmpty(int i) const = 0;
    virtual QString memoText(int i) const = 0;

    // Index of the field with this name (case-insensitive), -1 when there is none.
    int fieldByName(const QString& name) const;
    // Index of the last field whose display label equals label exactly, -1 when there is none.
    int fieldByLabel(const QString& label) const;
};

class TableRecordSource : public RecordSource {
public:
    // tagId decides "Tagged"; the short date format shapes "Date" (DisplayDate); printingFields
    // switches the composed name and place fields on.
    explicit TableRecordSource(store::Table& table, std::string tagId = {}, std::string shortDateFormat = "MM/dd/yyyy",
                               bool printingFields = true);
    bool isOpen() const override;
    std::vector<RecordField> fields() const override;
    QString text(int i) const override;
    bool memoEmpty(int i) const override;
    QString memoText(int i) const override;
    store::Table& table() const { return table_; }

private:
    // The field list and its mapping to table fields and composed fields, made once per open table
    // (every label of a print run asks for them).
    void refreshLayout() const;

    store::Table& table_;
    std::string tagId_, shortDate_;
    bool printingFields_;
    mutable std::string layoutOf_;  // path of the table the cache describes; empty when none
    mutable size_t layoutFieldCount_ = 0;
    mutable std::vector<int> mapping_;
    mutable std::vector<RecordField> fields_;
};

}  // namespace addrova::layout
