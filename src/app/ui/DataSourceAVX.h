#pragma once

#include "AddressFile.h"
#include "Table.h"

#include <QObject>
#include <QString>

#include <string>

namespace addrova::ui {

// The main table as the windows see it: the current record in UTF-8, the edit and insert states,
// post and cancel, and change events. Text is converted with the table's code page.
class DataSourceAVX : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit DataSourceAVX(store::Table& table, QObject* parent = nullptr);

    store::Table& table() { return table_; }
    const store::Table& table() const { return table_; }
    State state() const;
    bool editing() const { return state() == State::Edit || state() == State::Insert; }
    // Open and standing on a record (not one past the end).
    bool hasRecord() const;

    QString text(const char* field) const;
    int width(const char* field) const;  // 0 when the field is absent
    bool setText(const char* field, const QString& value);  // the record must be in edit or insert state
    QString memo();
    void setMemo(const QString& text);

    // Composed fields of the current record.
    void setTagId(const std::string& id) { tagId_ = id; }
    const std::string& tagId() const { return tagId_; }
    void setPrintingFields(bool on) { printingFields_ = on; }
    bool printingFields() const { return printingFields_; }
    store::ComposedFields composed() const;

    void edit();
    void append();
    // Writes the record; on an engine error the record stays in its state and the error is thrown on.
    void post();
    void cancel();

    // Navigation in the current order and selection; false when it ran into an end.
    bool first();
    bool prior();
    bool next();
    bool last();
    bool go(uint32_t recno);

    // After the table was moved or changed behind our back.
    void refresh();
    // Table events: while suppressed, stateChanged is not sent (recordChanged still is).
    void setSuppressEvents(bool on) { suppress_ = on; }
    bool suppressEvents() const { return suppress_; }
    // The table was opened or closed.
    void tableChanged();

signals:
    void recordChanged();
    void stateChanged();
    void fieldChanged(const QString& field);

private:
    void setState(State s);

    store::Table& table_;
    State state_ = State::Inactive;
    std::string tagId_;
    bool printingFields_ = false;
    bool suppress_ = false;
};

}  // namespace addrova::ui
