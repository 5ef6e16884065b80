#pragma once

// The parts every print window's list of stored layouts shares: the grid of layouts, the column of
// command buttons, and the address table's place kept across the window.

#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class QBoxLayout;
class QPushButton;

namespace addrova::store {
class Table;
}

namespace addrova::print {

// A read-only, one-row-at-a-time grid over the records of a layout table. The table follows the grid's
// current row; the grid refills itself from the table.
class TLayoutGrid : public QTableWidget {
    Q_OBJECT
public:
    // The cells of one row, read from the table's current record.
    using RowTexts = std::function<QStringList(const store::Table&)>;

    TLayoutGrid(store::Table& table, const QStringList& headers, RowTexts texts, QWidget* parent = nullptr);

    // Rebuilds the rows from the table's records in its current order. The row of the record that was
    // current stays chosen (else the first row) and the table is put on it; an empty table is left at
    // its end. Emits recordChanged() once, afterwards. Returns the chosen row, -1 when there is none.
    int Refill();

    // The record number shown in `row`; 0 for a row that does not exist.
    uint32_t recordAt(int row) const;

signals:
    // The table has been put on the record of the current row (or at its end when there are no rows).
    void recordChanged(int row);

private:
    void follow(int row);

    store::Table& table_;
    RowTexts texts_;
    std::vector<uint32_t> recnos_;
};

// Push buttons found by their caption, added in order to a layout. Auto-default is off, so Enter does
// not press one of them; the object name is the caption without '&' and blanks, plus "Button".
class CommandButtons {
public:
    explicit CommandButtons(QWidget* owner) : owner_(owner) {}

    QPushButton* Add(const QString& caption, QBoxLayout* into);
    // Adds every caption in order; a stretch follows the caption `stretchAfter` when it is given.
    void AddAll(std::initializer_list<const char*> captions, QBoxLayout* into, const char* stretchAfter = nullptr);
    // nullptr for a caption that was not added.
    QPushButton* button(const QString& caption) const;
    void SetEnabled(std::initializer_list<const char*> captions, bool enabled) const;

private:
    QWidget* owner_;
    std::vector<std::pair<QString, QPushButton*>> buttons_;
};

// The address table's selection, order and record and the program's printer, as they were before a
// print window changed them.
class AddressPlace {
public:
    explicit AddressPlace(store::Table& address);

    // Puts the selection back without a key range, then the order and the record.
    void RestoreAddress() const;
    // Chooses the remembered printer again; nothing when there was none.
    void RestorePrinter() const;
    const QString& printer() const { return printer_; }

private:
    store::Table& address_;
    std::string selection_;
    int order_;
    uint32_t recno_;
    QString printer_;
};

}  // namespace addrova::print
