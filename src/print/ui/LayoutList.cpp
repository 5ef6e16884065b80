#include "LayoutList.h"

#include "PrintJob.h"
#include "PrinterControl.h"
#include "Table.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QPushButton>

namespace addrova::print {

TLayoutGrid::TLayoutGrid(store::Table& table, const QStringList& headers, RowTexts texts, QWidget* parent)
    : QTableWidget(0, static_cast<int>(headers.size()), parent), table_(table), texts_(std::move(texts))
{
    setHorizontalHeaderLabels(headers);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row) { follow(row); });
}

int TLayoutGrid::Refill()
{
    const uint32_t current = table_.eof() ? 0 : table_.recNo();
    recnos_.clear();
    int chosen = -1;
    {
        const QSignalBlocker block(this);
        setRowCount(0);
        for (table_.goTop(); !table_.eof(); table_.skip()) {
            const QStringList cells = texts_(table_);
            const int row = rowCount();
            insertRow(row);
            for (int c = 0; c < columnCount(); ++c)
                setItem(row, c, new QTableWidgetItem(cells.value(c)));
            if (table_.recNo() == current)
                chosen = row;
            recnos_.push_back(table_.recNo());
        }
        if (chosen < 0 && !recnos_.empty())
            chosen = 0;
        setCurrentCell(chosen, 0);
    }
    follow(chosen);
    return chosen;
}

uint32_t TLayoutGrid::recordAt(int row) const
{
    return row >= 0 && row < static_cast<int>(recnos_.size()) ? recnos_[static_cast<size_t>(row)] : 0;
}

void TLayoutGrid::follow(int row)
{
    if (const uint32_t recno = recordAt(row))
        table_.go(recno);
    else if (recnos_.empty())
        table_.goTop();  // no rows: the end of the table
    emit recordChanged(row);
}

QPushButton* CommandButtons::Add(const QString& caption, QBoxLayout* into)
{
    auto* b = new QPushButton(caption, owner_);
    QString name = caption;
    name.remove(QLatin1Char('&')).remove(QLatin1Char(' '));
    b->setObjectName(name + QStringLiteral("Button"));
    b->setAutoDefault(false);
    if (into)
        into->addWidget(b);
    buttons_.emplace_back(caption, b);
    return b;
}

void CommandButtons::AddAll(std::initializer_list<const char*> captions, QBoxLayout* into, const char* stretchAfter)
{
    for (const char* c : captions) {
        Add(QString::fromLatin1(c), into);
        if (stretchAfter && QLatin1String(c) == QLatin1String(stretchAfter))
            into->addStretch();
    }
}

QPushButton* CommandButtons::button(const QString& caption) const
{
    for (const auto& [c, b] : buttons_)
        if (c == caption)
            return b;
    return nullptr;
}

void CommandButtons::SetEnabled(std::initializer_list<const char*> captions, bool enabled) const
{
    for (const char* c : captions)
        if (QPushButton* b = button(QString::fromLatin1(c)))
            b->setEnabled(enabled);
}

AddressPlace::AddressPlace(store::Table& address)
    : address_(address), selection_(address.selection()), order_(address.order()),
      recno_(address.eof() ? 0 : address.recNo()), printer_(Engine().PrinterName())
{
}

void AddressPlace::RestoreAddress() const
{
    address_.setSelection(selection_);
    address_.clearScope();
    address_.setOrder(order_);
    if (recno_ > 0)
        address_.go(recno_);
}

void AddressPlace::RestorePrinter() const
{
    if (!printer_.isEmpty())
        Engine().SetPrinterByName(printer_);
}

}  // namespace addrova::print
