#include "ToolWindows.h"

#include "CodePage.h"
#include "Common.h"
#include "Error.h"
#include "ProgramDir.h"
#include "Table.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace addrova::tools {

namespace {

QString fromTable(const store::Table& t, const std::string& s) { return QString::fromStdString(store::toUtf8(s, t.codePage())); }
std::string toTable(const store::Table& t, const QString& s) { return store::fromUtf8(s.toStdString(), t.codePage()); }

QProgressBar* makeBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setVisible(false);
    return bar;
}

QRadioButton* addRadio(QButtonGroup* group, QLayout* lay, const QString& text, int id)
{
    auto* b = new QRadioButton(text);
    group->addButton(b, id);
    lay->addWidget(b);
    return b;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared parts

LoopProgress::LoopProgress(QProgressBar* bar, QString cancelQuestion, QString cancelCaption)
    : bar_(bar), question_(std::move(cancelQuestion)), caption_(std::move(cancelCaption))
{
}

void LoopProgress::setRunning(bool on)
{
    running_ = on;
    if (on) {
        cancelled_ = false;
        shown_.start();
    }
}

bool LoopProgress::step(uint32_t done, uint32_t total)
{
    // The bar at each new percent; pending messages a few dozen times a second, not after every one
    // of a million records.
    const int pct = total ? static_cast<int>(uint64_t(done) * 100 / total) : 0;
    if (bar_ && pct > 0 && pct < 100 && pct != bar_->value())
        bar_->setValue(pct);
    if (shown_.elapsed() >= 40 || done == total) {
        QCoreApplication::processEvents();
        shown_.restart();
    }
    return !cancelled_;
}

LoopResult LoopProgress::RunChanges(store::Table& table, const std::function<LoopResult(const StepFn&)>& loop)
{
    setRunning(true);
    LoopResult r;
    try {
        r = loop([this](uint32_t done, uint32_t n) { return step(done, n); });
    } catch (const std::exception& e) {
        setRunning(false);
        ui::ShowError(QString::fromStdString(e.what()));
        try {
            table.cancel();
        } catch (const store::Error&) {
        }
    }
    setRunning(false);
    return r;
}

bool LoopProgress::CloseCancelsLoop()
{
    if (!running_)
        return false;
    requestCancel();
    return true;
}

void LoopProgress::requestCancel()
{
    if (asking_ || !running_)
        return;
    asking_ = true;
    if (ui::AskYesNo(question_, caption_))
        cancelled_ = true;
    asking_ = false;
}

QCheckBox* makeSafetyCopyBox(QWidget* parent)
{
    auto* box = new QCheckBox(QStringLiteral("Keep a safety copy"), parent);
    box->setToolTip(QStringLiteral("Copies the address file beside it, named with the date and time, before "
                                   "records change"));
    box->setChecked(keepSafetyCopy());
    QObject::connect(box, &QCheckBox::toggled, box, [](bool on) {
        try {
            setKeepSafetyCopy(on);
        } catch (const std::exception& e) {
            ui::ShowError(QString::fromStdString(e.what()));
        }
    });
    return box;
}

bool takeSafetyCopy(QCheckBox* box, store::Table& table, std::string& copy)
{
    copy.clear();
    if (!box || !box->isChecked())
        return true;
    try {
        copy = makeSafetyCopy(table, std::time(nullptr));
        return true;
    } catch (const std::exception& e) {
        ui::ShowError(QStringLiteral("The safety copy could not be made, so nothing was changed.\n") +
                      QString::fromStdString(e.what()));
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// The duplicates grid: the collected records, their values kept here so that painting never moves
// the table; an edit goes into the record buffer, "S&ave" (or moving to another record) posts it.

class DupGridModel : public QAbstractTableModel {
public:
    DupGridModel(store::Table& t, std::string tagId, bool streetFirst, QObject* parent)
        : QAbstractTableModel(parent), t_(t), tagId_(std::move(tagId))
    {
        cols_ = {"Tagged", "LNAME", "FNAME", "STREET", "STREET2", "CITY", "STATE", "ZIP", "PHONE", "EMAIL", "ORG"};
        if (streetFirst)
            std::rotate(cols_.begin() + 1, cols_.begin() + 3, cols_.begin() + 4);
        for (const auto& c : cols_)
            ids_.push_back(c == "Tagged" ? -1 : t_.fieldIndex(c));
    }

    void load(const std::vector<uint32_t>& recnos)
    {
        beginResetModel();
        rows_.clear();
        for (uint32_t r : recnos) {
            t_.go(r);
            rows_.push_back(readRow());
        }
        recnos_ = recnos;
        endResetModel();
        if (!recnos_.empty())
            t_.go(recnos_.front());
    }

    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(cols_.size()); }

    QVariant data(const QModelIndex& i, int role) const override
    {
        if (!i.isValid())
            return {};
        const QString& v = rows_[size_t(i.row())][size_t(i.column())];
        if (cols_[size_t(i.column())] == "Tagged") {
            if (role == Qt::CheckStateRole)
                return v.isEmpty() ? Qt::Unchecked : Qt::Checked;
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return v;
        return {};
    }

    QVariant headerData(int s, Qt::Orientation o, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Vertical)
            return QString::number(recnos_[size_t(s)]);
        const std::string& c = cols_[size_t(s)];
        const std::string label = store::displayLabel(c);
        return QString::fromStdString(label.empty() ? c : label);
    }

    Qt::ItemFlags flags(const QModelIndex& i) const override
    {
        Qt::ItemFlags f = QAbstractTableModel::flags(i);
        if (i.isValid() && ids_[size_t(i.column())] >= 0)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& i, const QVariant& value, int role) override
    {
        if (!i.isValid() || role != Qt::EditRole || ids_[size_t(i.column())] < 0)
            return false;
        goRow(i.row());
        t_.setString(ids_[size_t(i.column())], toTable(t_, value.toString()));
        rows_[size_t(i.row())][size_t(i.column())] = fromTable(t_, t_.getString(ids_[size_t(i.column())]));
        emit dataChanged(i, i);
        return true;
    }

    // The table on a row's record (an edit of another record is posted by the move).
    void goRow(int row)
    {
        const uint32_t r = recnos_[size_t(row)];
        if (t_.recNo() != r || t_.eof()) {
            if (t_.modified())
                postPending();
            t_.go(r);
        }
    }
    void postPending()
    {
        t_.post();
    }
    void undo(int row)
    {
        t_.cancel();
        if (row >= 0 && size_t(row) < recnos_.size() && t_.recNo() == recnos_[size_t(row)])
            reread(row);
        else
            for (int k = 0; k < rowCount(); ++k)
                if (t_.recNo() == recnos_[size_t(k)])
                    reread(k);
    }
    void reread(int row)
    {
        goRow(row);
        rows_[size_t(row)] = readRow();
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    void removeRow(int row)
    {
        beginRemoveRows({}, row, row);
        rows_.erase(rows_.begin() + row);
        recnos_.erase(recnos_.begin() + row);
        endRemoveRows();
    }
    uint32_t recno(int row) const { return recnos_[size_t(row)]; }
    int tagColumn() const { return 0; }
    const std::string& tagId() const { return tagId_; }

private:
    std::vector<QString> readRow() const
    {
        std::vector<QString> row;
        for (size_t c = 0; c < cols_.size(); ++c) {
            if (ids_[c] == -1 && cols_[c] == "Tagged") {
                const int tag = t_.fieldIndex("TAG");
                const bool tagged = tag >= 0 && !tagId_.empty() && t_.getString(tag) == tagId_;
                row.push_back(tagged ? QStringLiteral("T") : QString());
            } else {
                row.push_back(ids_[c] >= 0 ? fromTable(t_, t_.getString(ids_[c])) : QString());
            }
        }
        return row;
    }

    store::Table& t_;
    std::string tagId_;
    std::vector<std::string> cols_;
    std::vector<int> ids_;
    std::vector<std::vector<QString>> rows_;
    std::vector<uint32_t> recnos_;
};

// ---------------------------------------------------------------------------------------------
// "Check and Repair Duplicates"

TCheckDuplicates::TCheckDuplicates(store::Table& table, std::string tagId, QWidget* parent)
    : QDialog(parent), table_(table), tagId_(std::move(tagId))
{
    setWindowTitle(QStringLiteral("Check and Repair Duplicates"));
    std::error_code ec;
    std::filesystem::create_directories(app::ProgramDir(), ec);
    scratch_ = std::make_unique<DupScratch>(table_, app::ProgramDir() + kDupIndexName);

    setup_ = new QGroupBox(QStringLiteral("Check for"), this);
    auto* setupLay = new QVBoxLayout(setup_);
    kinds_ = new QButtonGroup(this);
    addRadio(kinds_, setupLay, QStringLiteral("&Last + First"), int(DupKind::Name))->setChecked(true);
    addRadio(kinds_, setupLay, QStringLiteral("Last + &First Initial"), int(DupKind::Initial));
    addRadio(kinds_, setupLay, QStringLiteral("&Street Address"), int(DupKind::Street));
    addRadio(kinds_, setupLay, QStringLiteral("Sounds &alike"), int(DupKind::Soundex))
        ->setToolTip(QStringLiteral("Last names that sound alike (Soundex), the same first initial and 5-digit ZIP"));
    auto* lenRow = new QHBoxLayout;
    lengthLabel_ = new QLabel(QStringLiteral("Check how many characters of street address (max 30)"), setup_);
    length_ = new QSpinBox(setup_);
    length_->setRange(1, kMaxStreetLength);
    length_->setValue(kMaxStreetLength);
    lenRow->addWidget(lengthLabel_);
    lenRow->addWidget(length_);
    lenRow->addStretch();
    setupLay->addLayout(lenRow);
    connect(kinds_, &QButtonGroup::idClicked, this, [this] { kindChanged(); });

    bar_ = makeBar(this);
    count_ = new QLabel(this);

    gridPanel_ = new QWidget(this);
    auto* gridLay = new QVBoxLayout(gridPanel_);
    gridLay->setContentsMargins(0, 0, 0, 0);
    gridLay->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), gridPanel_));
    grid_ = new QTableView(gridPanel_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    gridLay->addWidget(grid_);
    auto* nav = new QHBoxLayout;
    const std::pair<const char*, void (TCheckDuplicates::*)()> navButtons[] = {
        {"&Delete", &TCheckDuplicates::DeleteClick}, {"S&ave", &TCheckDuplicates::SaveClick},
        {"&Undo", &TCheckDuplicates::UndoClick},     {"&Tag", &TCheckDuplicates::TagClick},
        {"Tag &All", &TCheckDuplicates::TagAllClick}};
    for (const auto& [text, fn] : navButtons) {
        auto* b = new QPushButton(QString::fromLatin1(text), gridPanel_);
        connect(b, &QPushButton::clicked, this, fn);
        nav->addWidget(b);
    }
    nav->addStretch();
    gridLay->addLayout(nav);
    gridPanel_->setVisible(false);
    connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        if (model_ && i.column() == model_->tagColumn())
            TagClick();
    });

    perform_ = new QPushButton(QStringLiteral("&Perform Duplicate Check Now"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    help_ = new QPushButton(QStringLiteral("Help"), this);
    help_->setVisible(false);  // help comes from the main window's Help menu
    cancel_->setVisible(false);
    connect(perform_, &QPushButton::clicked, this, &TCheckDuplicates::PerformCheck);
    connect(cancel_, &QPushButton::clicked, this, &TCheckDuplicates::CancelClick);
    connect(ok_, &QPushButton::clicked, this, &TCheckDuplicates::OkClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(perform_);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(ok_);
    buttons->addWidget(help_);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(setup_);
    lay->addWidget(gridPanel_, 1);
    lay->addWidget(bar_);
    lay->addWidget(count_);
    lay->addLayout(buttons);
    progress_ = std::make_unique<LoopProgress>(bar_, QStringLiteral("Cancel operation?"), QStringLiteral("CANCEL"));
    kindChanged();
    resize(720, sizeHint().height());
}

TCheckDuplicates::~TCheckDuplicates()
{
    closeScratch();
}

void TCheckDuplicates::setKind(DupKind kind)
{
    kinds_->button(int(kind))->setChecked(true);
    kindChanged();
}

void TCheckDuplicates::setStreetLength(int length) { length_->setValue(length); }

void TCheckDuplicates::kindChanged()
{
    const bool street = kinds_->checkedId() == int(DupKind::Street);
    lengthLabel_->setVisible(street);
    length_->setVisible(street);
}

QString TCheckDuplicates::countText() const { return count_->text(); }
bool TCheckDuplicates::gridShown() const { return !gridPanel_->isHidden(); }
int TCheckDuplicates::gridRows() const { return model_ ? model_->rowCount() : 0; }

void TCheckDuplicates::PerformCheck()
{
    if (progress_->running())
        return;
    const auto kind = static_cast<DupKind>(kinds_->checkedId());
    setup_->setVisible(false);
    perform_->setVisible(false);
    cancel_->setVisible(true);
    ok_->setVisible(false);
    bar_->setValue(0);
    bar_->setVisible(true);
    progress_->setRunning(true);
    LoopResult r;
    QString error;
    try {
        r = findDuplicates(table_, kind, length_->value(), scratch_->path(),
                           [this](uint32_t visited, uint32_t n, uint32_t pairs) {
                               count_->setText(QString::fromStdString(dupCountText(pairs)));
                               return progress_->step(visited, n);
                           });
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
    }
    progress_->setRunning(false);
    bar_->setVisible(false);
    pairs_ = r.count;
    if (error.isEmpty() && pairs_ > 0) {
        try {
            model_ = new DupGridModel(table_, tagId_, kind == DupKind::Street, this);
            model_->load(scratchRecords(table_));
            grid_->setModel(model_);
            grid_->resizeColumnsToContents();
            grid_->selectRow(0);
            gridPanel_->setVisible(true);
            resize(width(), std::max(height(), 460));
        } catch (const std::exception& e) {
            error = QString::fromStdString(e.what());
        }
    }
    cancel_->setVisible(false);
    ok_->setVisible(true);
    count_->setText(QString::fromStdString(dupCountText(pairs_)));
    if (!error.isEmpty()) {
        closeScratch();
        ui::ShowError(error);
    }
}

bool TCheckDuplicates::currentRecord()
{
    if (!model_ || !grid_->currentIndex().isValid())
        return false;
    model_->goRow(grid_->currentIndex().row());
    return true;
}

void TCheckDuplicates::DeleteClick()
{
    if (!currentRecord() || !ui::AskYesNo(QStringLiteral("Delete this record?"), QStringLiteral("DELETE")))
        return;
    const int row = grid_->currentIndex().row();
    const bool hide = table_.hideDeleted();
    try {
        table_.setDeleted(false);
        if (int f = table_.fieldIndex("ISDEL"); f >= 0)
            table_.setLogical(f, true);
        table_.deleteRecord();
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
    table_.setDeleted(hide);
    model_->removeRow(row);
    if (model_->rowCount() > 0)
        grid_->selectRow(std::min(row, model_->rowCount() - 1));
}

void TCheckDuplicates::SaveClick()
{
    if (!model_)
        return;
    try {
        model_->postPending();
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
}

void TCheckDuplicates::UndoClick()
{
    if (model_)
        model_->undo(grid_->currentIndex().row());
}

void TCheckDuplicates::TagClick()
{
    if (!currentRecord() || tagId_.empty())
        return;
    try {
        const int tag = table_.fieldIndex("TAG");
        table_.setString(tag, table_.getString(tag) == tagId_ ? std::string() : tagId_);
        table_.post();
        model_->reread(grid_->currentIndex().row());
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
}

void TCheckDuplicates::TagAllClick()
{
    if (!model_ || !ui::AskYesNo(QStringLiteral("Tag all possible duplicates?"), QStringLiteral("TAG ALL")))
        return;
    try {
        model_->postPending();
        if (tagAll_) {
            tagAll_();
        } else {
            const int tag = table_.fieldIndex("TAG");
            for (int r = 0; r < model_->rowCount(); ++r) {
                model_->goRow(r);
                table_.setString(tag, tagId_);
                table_.post();
            }
        }
        for (int r = 0; r < model_->rowCount(); ++r)
            model_->reread(r);
    } catch (const store::Error& e) {
        ui::ShowError(QString::fromStdString(e.what()));
    }
}

void TCheckDuplicates::CancelClick()
{
    if (progress_->running())
        progress_->requestCancel();
}

void TCheckDuplicates::OkClick()
{
    if (progress_->running())
        return;
    SaveClick();
    closeScratch();
    accept();
}

void TCheckDuplicates::reject()
{
    if (progress_->running()) {
        CancelClick();
        return;
    }
    closeScratch();
    QDialog::reject();
}

void TCheckDuplicates::closeEvent(QCloseEvent* e)
{
    if (progress_->running()) {
        e->ignore();
        CancelClick();
        return;
    }
    QDialog::closeEvent(e);
}

void TCheckDuplicates::closeScratch()
{
    if (grid_)
        grid_->setModel(nullptr);
    delete model_;
    model_ = nullptr;
    if (scratch_) {
        try {
            if (table_.isOpen() && table_.modified())
                table_.post();
        } catch (const store::Error&) {
            table_.cancel();
        }
        scratch_->release();
    }
}

// ---------------------------------------------------------------------------------------------
// "Convert Case"

TConvertCase::TConvertCase(store::Table& table, bool filterSet, QWidget* parent) : QDialog(parent), table_(table)
{
    setWindowTitle(QStringLiteral("Convert Case"));
    options_ = new QWidget(this);
    auto* optLay = new QHBoxLayout(options_);
    optLay->setContentsMargins(0, 0, 0, 0);

    auto* fieldsBox = new QGroupBox(QStringLiteral("Fields"), options_);
    auto* grid = new QGridLayout(fieldsBox);
    int i = 0;
    for (const auto& f : caseFields()) {
        auto* b = new QCheckBox(QString::fromLatin1(f.caption), fieldsBox);
        b->setChecked(true);
        grid->addWidget(b, i % 8, i / 8);
        fields_.push_back(b);
        ++i;
    }
    all_ = new QCheckBox(QStringLiteral("All"), fieldsBox);
    all_->setChecked(true);
    grid->addWidget(all_, 7, 1);
    connect(all_, &QCheckBox::clicked, this, [this](bool on) {
        for (auto* b : fields_)
            b->setChecked(on);
    });
    optLay->addWidget(fieldsBox);

    auto* right = new QVBoxLayout;
    auto* recBox = new QGroupBox(QStringLiteral("Records"), options_);
    auto* recLay = new QVBoxLayout(recBox);
    scope_ = new QButtonGroup(this);
    addRadio(scope_, recLay, QStringLiteral("Current Record Only"), int(RecordScope::Current))->setChecked(true);
    addRadio(scope_, recLay, QStringLiteral("All Records"), int(RecordScope::All));
    addRadio(scope_, recLay, QStringLiteral("All Records Matching Filter"), int(RecordScope::Filter))
        ->setEnabled(filterSet);
    right->addWidget(recBox);
    auto* modeBox = new QGroupBox(QStringLiteral("Conversion"), options_);
    auto* modeLay = new QVBoxLayout(modeBox);
    mode_ = new QButtonGroup(this);
    addRadio(mode_, modeLay, QStringLiteral("Uppercase"), int(CaseMode::Upper))->setChecked(true);
    addRadio(mode_, modeLay, QStringLiteral("Lowercase"), int(CaseMode::Lower));
    addRadio(mode_, modeLay, QStringLiteral("First letter capitalized"), int(CaseMode::Capitalized));
    right->addWidget(modeBox);
    safety_ = makeSafetyCopyBox(options_);
    right->addWidget(safety_);
    right->addStretch();
    optLay->addLayout(right);

    bar_ = makeBar(this);
    convert_ = new QPushButton(QStringLiteral("Convert"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(convert_, &QPushButton::clicked, this, [this] { Convert(); });
    connect(cancel_, &QPushButton::clicked, this, &TConvertCase::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(convert_);
    buttons->addWidget(cancel_);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(options_);
    lay->addWidget(bar_);
    lay->addLayout(buttons);
    progress_ = std::make_unique<LoopProgress>(bar_, QStringLiteral("Cancel case conversion?"), QStringLiteral("CANCEL"));
}

void TConvertCase::setScope(RecordScope scope) { scope_->button(int(scope))->setChecked(true); }
void TConvertCase::setMode(CaseMode mode) { mode_->button(int(mode))->setChecked(true); }

bool TConvertCase::Convert()
{
    if (progress_->running())
        return false;
    std::vector<std::string> names;
    for (size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i]->isChecked())
            names.emplace_back(caseFields()[i].name);
    if (names.empty()) {
        ui::ShowInfo(QStringLiteral("No fields checked for conversion"));
        return false;
    }
    if (!ui::AskYesNoDefaultNo(QStringLiteral("Convert now? This process cannot be undone.."), QStringLiteral("Convert")))
        return false;
    const auto scope = static_cast<RecordScope>(scope_->checkedId());
    // One record needs no copy of the whole file.
    if (scope != RecordScope::Current && !takeSafetyCopy(safety_, table_, copy_))
        return false;
    if (scope != RecordScope::Current)
        bar_->setVisible(true);
    options_->setVisible(false);
    convert_->setVisible(false);
    const LoopResult r = progress_->RunChanges(table_, [&](const StepFn& step) {
        return convertRecords(table_, names, static_cast<CaseMode>(mode_->checkedId()), scope, step);
    });
    done_ = r.count;
    if (!copy_.empty())
        ui::ShowInfo(QStringLiteral("Converted %1 records\n").arg(done_) +
                     QString::fromStdString(safetyCopyText(copy_)));
    accept();
    return true;
}

void TConvertCase::reject()
{
    if (!progress_->CloseCancelsLoop())
        QDialog::reject();
}

// ---------------------------------------------------------------------------------------------
// "Search and Replace"

TSearchReplace::TSearchReplace(store::Table& table, std::string filter, QWidget* parent)
    : QDialog(parent), table_(table), filter_(std::move(filter))
{
    setWindowTitle(QStringLiteral("Search and Replace"));
    auto* lay = new QVBoxLayout(this);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(new QLabel(QStringLiteral("Search for field:"), this));
    field_ = new QComboBox(this);
    for (const auto& f : searchFields())
        field_->addItem(QString::fromLatin1(f.caption), QString::fromLatin1(f.name));
    fieldRow->addWidget(field_, 1);
    lay->addLayout(fieldRow);

    auto* whereBox = new QGroupBox(QStringLiteral("Where the field value:"), this);
    auto* whereLay = new QVBoxLayout(whereBox);
    auto* whereGroup = new QButtonGroup(this);
    equal_ = addRadio(whereGroup, whereLay, QStringLiteral("Is exactly equal to  (leave empty for blank)"), 0);
    contains_ = addRadio(whereGroup, whereLay, QStringLiteral("Contains"), 1);
    equal_->setChecked(true);
    find_ = new QLineEdit(whereBox);
    whereLay->addWidget(find_);
    case_ = new QCheckBox(QStringLiteral("Case sensitive"), whereBox);
    case_->setChecked(true);
    whereLay->addWidget(case_);
    lay->addWidget(whereBox);

    auto* actionBox = new QGroupBox(QStringLiteral("And do this action:"), this);
    auto* actionLay = new QVBoxLayout(actionBox);
    auto* actionGroup = new QButtonGroup(this);
    whole_ = addRadio(actionGroup, actionLay, QStringLiteral("Replace the whole field with"), 0);
    matching_ = addRadio(actionGroup, actionLay, QStringLiteral("Replace only the matching text with"), 1);
    whole_->setChecked(true);
    replace_ = new QLineEdit(actionBox);
    actionLay->addWidget(replace_);
    lay->addWidget(actionBox);

    auto* usingBox = new QGroupBox(QStringLiteral("Using:"), this);
    auto* usingLay = new QVBoxLayout(usingBox);
    auto* usingGroup = new QButtonGroup(this);
    allRecords_ = addRadio(usingGroup, usingLay, QStringLiteral("All Records"), 0);
    filtered_ = addRadio(usingGroup, usingLay, QStringLiteral("Records matching current Filter"), 1);
    allRecords_->setChecked(true);
    filtered_->setEnabled(!filter_.empty());
    lay->addWidget(usingBox);
    safety_ = makeSafetyCopyBox(this);
    lay->addWidget(safety_);

    progressPanel_ = new QWidget(this);
    auto* progLay = new QHBoxLayout(progressPanel_);
    progLay->setContentsMargins(0, 0, 0, 0);
    progLay->addWidget(new QLabel(QStringLiteral("Replacing Records "), progressPanel_));
    bar_ = makeBar(progressPanel_);
    bar_->setVisible(true);
    progLay->addWidget(bar_, 1);
    progressPanel_->setVisible(false);
    lay->addWidget(progressPanel_);

    ok_ = new QPushButton(QStringLiteral("Replace "), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok_, &QPushButton::clicked, this, [this] { ReplaceNow(); });
    connect(cancel_, &QPushButton::clicked, this, &TSearchReplace::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    lay->addLayout(buttons);

    connect(field_, &QComboBox::currentIndexChanged, this, [this] {
        const int f = table_.fieldIndex(field_->currentData().toString().toStdString());
        const int width = f >= 0 ? table_.fields()[size_t(f)].width : 32767;
        find_->setMaxLength(width);  // text already typed is cut
        replace_->setMaxLength(width);
    });
    field_->setCurrentIndex(-1);
    field_->setCurrentIndex(0);
    progress_ = std::make_unique<LoopProgress>(bar_, QStringLiteral("Cancel operation?"), QStringLiteral("CANCEL"));
}

void TSearchReplace::setField(const QString& fieldName)
{
    const int i = field_->findData(fieldName);
    if (i >= 0)
        field_->setCurrentIndex(i);
}
void TSearchReplace::setContains(bool on) { (on ? contains_ : equal_)->setChecked(true); }
void TSearchReplace::setWholeField(bool on) { (on ? whole_ : matching_)->setChecked(true); }
void TSearchReplace::setUseFilter(bool on) { (on ? filtered_ : allRecords_)->setChecked(true); }

ReplaceSpec TSearchReplace::spec() const
{
    ReplaceSpec s;
    s.field = field_->currentData().toString().toStdString();
    s.caption = field_->currentText().toStdString();
    s.find = toTable(table_, find_->text());
    s.contains = contains_->isChecked();
    s.caseSensitive = case_->isChecked();
    s.wholeField = whole_->isChecked();
    s.replacement = toTable(table_, replace_->text());
    if (filtered_->isChecked() && !filter_.empty())
        s.filter = filter_;
    return s;
}

bool TSearchReplace::ReplaceNow()
{
    if (progress_->running())
        return false;
    const ReplaceSpec s = spec();
    if (!ui::AskYesNo(fromTable(table_, replaceQuestion(s)), QStringLiteral("Replace")))
        return false;
    try {
        searchExpression(s);
    } catch (const std::invalid_argument& e) {
        ui::ShowInfo(QString::fromStdString(e.what()));
        return false;
    }
    std::string copy;
    if (!takeSafetyCopy(safety_, table_, copy))
        return false;
    progressPanel_->setVisible(true);
    ok_->setEnabled(false);
    const LoopResult r =
        progress_->RunChanges(table_, [&](const StepFn& step) { return replaceRecords(table_, s, step); });
    done_ = r.count;
    QString text = QStringLiteral("Replaced %1 records").arg(done_);
    if (!copy.empty())
        text += QLatin1Char('\n') + QString::fromStdString(safetyCopyText(copy));
    ui::ShowInfo(text);
    accept();
    return true;
}

void TSearchReplace::reject()
{
    if (!progress_->CloseCancelsLoop())
        QDialog::reject();
}

// ---------------------------------------------------------------------------------------------
// "Delete Records"

TDeleteRecords::TDeleteRecords(store::Table& table, std::string filter, QWidget* parent)
    : QDialog(parent), table_(table), filter_(std::move(filter))
{
    setWindowTitle(QStringLiteral("Delete Records"));
    auto* lay = new QVBoxLayout(this);
    choice_ = new QButtonGroup(this);
    addRadio(choice_, lay, QStringLiteral("Delete &All Records"), int(DeleteChoice::All))->setChecked(true);
    addRadio(choice_, lay, QStringLiteral("Delete Records matching current &Filter"), int(DeleteChoice::Matching))
        ->setEnabled(!filter_.empty());
    addRadio(choice_, lay, QStringLiteral("Delete Records which do &NOT match current Filter"),
             int(DeleteChoice::NotMatching))
        ->setEnabled(!filter_.empty());
    safety_ = makeSafetyCopyBox(this);
    lay->addWidget(safety_);
    status_ = new QLabel(this);
    lay->addWidget(status_);
    bar_ = makeBar(this);
    lay->addWidget(bar_);
    ok_ = new QPushButton(QStringLiteral("Delete Now"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok_, &QPushButton::clicked, this, [this] { DeleteNow(); });
    connect(cancel_, &QPushButton::clicked, this, &TDeleteRecords::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    lay->addLayout(buttons);
    progress_ = std::make_unique<LoopProgress>(bar_, QStringLiteral("Cancel operation?"), QStringLiteral("CANCEL"));
}

void TDeleteRecords::setChoice(DeleteChoice choice) { choice_->button(int(choice))->setChecked(true); }
QRadioButton* TDeleteRecords::choiceButton(DeleteChoice choice) const
{
    return qobject_cast<QRadioButton*>(choice_->button(int(choice)));
}

bool TDeleteRecords::DeleteNow()
{
    if (progress_->running())
        return false;
    if (!ui::AskYesNoDefaultNo(QStringLiteral("Are you sure?"), QStringLiteral("DELETE")))
        return false;
    std::string copy;
    if (!takeSafetyCopy(safety_, table_, copy))
        return false;
    status_->setText(QStringLiteral("Deleting Records "));
    bar_->setVisible(true);
    ok_->setEnabled(false);
    const LoopResult r = progress_->RunChanges(table_, [&](const StepFn& step) {
        return deleteRecords(table_, static_cast<DeleteChoice>(choice_->checkedId()), filter_, step);
    });
    done_ = r.count;
    QString text = QString::fromStdString(deletedText(done_));
    if (!copy.empty())
        text += QLatin1Char('\n') + QString::fromStdString(safetyCopyText(copy));
    ui::ShowInfo(text);
    ui::ShowInfo(QString::fromLatin1(kRebuildAdvice));
    accept();
    return true;
}

void TDeleteRecords::reject()
{
    if (!progress_->CloseCancelsLoop())
        QDialog::reject();
}

}  // namespace addrova::tools

namespace addrova::tools {

void ShowCheckDuplicates(store::Table& table, const std::string& tagId, std::function<void()> tagAll, QWidget* parent)
{
    table.setSelection("!ISDEL");
    {
        TCheckDuplicates w(table, tagId, parent);
        w.setTagAllRunner(std::move(tagAll));
        ui::CenterOverMain(&w);
        w.exec();
    }
    std::error_code ec;
    std::filesystem::remove(app::ProgramDir() + kDupIndexName, ec);
}

bool ShowConvertCase(store::Table& table, bool filterSet, QWidget* parent)
{
    TConvertCase w(table, filterSet, parent);
    ui::CenterOverMain(&w);
    return w.exec() == QDialog::Accepted;
}

bool ShowSearchReplace(store::Table& table, const std::string& filter, QWidget* parent)
{
    TSearchReplace w(table, filter, parent);
    ui::CenterOverMain(&w);
    if (w.exec() != QDialog::Accepted)
        return false;
    ui::ShowInfo(QStringLiteral("Replacement done"));
    return true;
}

bool ShowDeleteRecords(store::Table& table, const std::string& filter, QWidget* parent)
{
    table.setSelection(filter);
    TDeleteRecords w(table, filter, parent);
    ui::CenterOverMain(&w);
    return w.exec() == QDialog::Accepted;
}

}  // namespace addrova::tools
