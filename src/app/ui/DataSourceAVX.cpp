#include "DataSourceAVX.h"

#include "CodePage.h"
#include "ProgramDir.h"

namespace addrova::ui {

DataSourceAVX::DataSourceAVX(store::Table& table, QObject* parent) : QObject(parent), table_(table)
{
    tableChanged();
}

DataSourceAVX::State DataSourceAVX::state() const { return table_.isOpen() ? state_ : State::Inactive; }

bool DataSourceAVX::hasRecord() const
{
    return table_.isOpen() && (state_ == State::Insert || table_.recNo() != table_.recCount() + 1) && !table_.eof();
}

QString DataSourceAVX::text(const char* field) const
{
    if (!table_.isOpen())
        return {};
    const int i = table_.fieldIndex(field);
    if (i < 0 || (table_.eof() && state_ != State::Insert))
        return {};
    return QString::fromStdString(store::toUtf8(table_.getString(i), table_.codePage()));
}

int DataSourceAVX::width(const char* field) const
{
    if (!table_.isOpen())
        return 0;
    const int i = table_.fieldIndex(field);
    return i < 0 ? 0 : table_.fields()[static_cast<size_t>(i)].width;
}

bool DataSourceAVX::setText(const char* field, const QString& value)
{
    if (!editing())
        return false;
    const int i = table_.fieldIndex(field);
    if (i < 0)
        return false;
    table_.setString(i, store::fromUtf8(value.toStdString(), table_.codePage()));
    emit fieldChanged(QString::fromLatin1(field));
    return true;
}

QString DataSourceAVX::memo()
{
    if (!hasRecord())
        return {};
    const int i = table_.fieldIndex("MEMO");
    if (i < 0)
        return {};
    return QString::fromStdString(store::toUtf8(table_.getMemo(i), table_.codePage()));
}

void DataSourceAVX::setMemo(const QString& text)
{
    const int i = table_.fieldIndex("MEMO");
    if (i >= 0 && editing())
        table_.setMemo(i, store::fromUtf8(text.toStdString(), table_.codePage()));
}

store::ComposedFields DataSourceAVX::composed() const
{
    if (!hasRecord())
        return {};
    return store::composeFields(table_, tagId_, app::ShortDateFormat(), printingFields_);
}

void DataSourceAVX::edit()
{
    if (state() == State::Browse && hasRecord())
        setState(State::Edit);
}

void DataSourceAVX::append()
{
    if (state() == State::Inactive)
        return;
    if (editing())
        post();
    table_.appendBlank();
    setState(State::Insert);
    emit recordChanged();
}

void DataSourceAVX::post()
{
    if (!editing())
        return;
    table_.post();
    setState(State::Browse);
    emit recordChanged();
}

void DataSourceAVX::cancel()
{
    if (!editing())
        return;
    table_.cancel();
    setState(State::Browse);
    emit recordChanged();
}

bool DataSourceAVX::first()
{
    const bool ok = table_.goTop();
    emit recordChanged();
    return ok;
}

bool DataSourceAVX::last()
{
    const bool ok = table_.goBottom();
    emit recordChanged();
    return ok;
}

bool DataSourceAVX::next()
{
    if (table_.eof())
        return false;
    const uint32_t here = table_.recNo();
    const bool ok = table_.skip(1);
    if (!ok && here <= table_.recCount())
        table_.go(here);  // stay on the last record
    emit recordChanged();
    return ok;
}

bool DataSourceAVX::prior()
{
    const bool ok = table_.skip(-1) && !table_.bof();
    emit recordChanged();
    return ok;
}

bool DataSourceAVX::go(uint32_t recno)
{
    const bool ok = table_.go(recno);
    emit recordChanged();
    return ok;
}

void DataSourceAVX::refresh() { emit recordChanged(); }

void DataSourceAVX::tableChanged()
{
    state_ = table_.isOpen() ? State::Browse : State::Inactive;
    if (!suppress_)
        emit stateChanged();
    emit recordChanged();
}

void DataSourceAVX::setState(State s)
{
    if (state_ == s)
        return;
    state_ = s;
    if (!suppress_)
        emit stateChanged();
}

}  // namespace addrova::ui
