#include "PostalWindows.h"

#include "CheckPrinter.h"
#include "CodePage.h"
#include "Common.h"
#include "Help.h"
#include "JobStatusTexts.h"
#include "PageStream.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "SystemTables.h"
#include "TPreviewForm.h"
#include "Table.h"
#include "ZipCount.h"
#include "ZipReport.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

namespace addrova::postal {

namespace {
QPushButton* addButton(QBoxLayout* row, QWidget* owner, const QString& text)
{
    auto* b = new QPushButton(text, owner);
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
}

QPushButton* findButton(const QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// TZipReport

print::TPrintStatus::Texts TZipReport::ReportTexts(bool preview)
{
    return print::JobStatusTexts(preview, QString());
}

TZipReport::TZipReport(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent)
    : TPrintStatus(job, preview, stream, ReportTexts(preview), parent)
{
}

// ---------------------------------------------------------------------------------------------
// TCountZipCodes

TCountZipCodes::TCountZipCodes(store::Table& address, QWidget* parent) : QDialog(parent), table_(address)
{
    setWindowTitle(QStringLiteral("Count Zip Codes"));
    auto* v = new QVBoxLayout(this);
    text_ = new QLabel(QStringLiteral("Counting the number of occurrences of each zip code:"), this);
    text_->setWordWrap(true);
    status_ = new QLabel(this);
    v->addWidget(text_);
    v->addWidget(status_);
    auto* cancelRow = new QHBoxLayout;
    cancelRow->addStretch();
    cancelButton_ = addButton(cancelRow, this, QStringLiteral("Cancel"));
    cancelRow->addStretch();
    v->addLayout(cancelRow);
    bottom_ = new QWidget(this);
    auto* row = new QHBoxLayout(bottom_);
    row->setContentsMargins(0, 0, 0, 0);
    connect(addButton(row, bottom_, QStringLiteral("Print")), &QPushButton::clicked, this,
            &TCountZipCodes::PrintClick);
    connect(addButton(row, bottom_, QStringLiteral("Preview")), &QPushButton::clicked, this,
            &TCountZipCodes::PreviewClick);
    connect(addButton(row, bottom_, QStringLiteral("Printer Setup")), &QPushButton::clicked, this,
            &TCountZipCodes::PrinterSetupClick);
    connect(addButton(row, bottom_, QStringLiteral("Ok")), &QPushButton::clicked, this, &QDialog::accept);
    connect(addButton(row, bottom_, QStringLiteral("Help")), &QPushButton::clicked, this,
            [] { help::ShowHelpContents(); });
    v->addWidget(bottom_);
    bottom_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &TCountZipCodes::CancelClick);
    setMinimumWidth(440);
}

TCountZipCodes::~TCountZipCodes() = default;

QString TCountZipCodes::Text() const { return text_->text(); }
QString TCountZipCodes::Status() const { return status_->text(); }
QPushButton* TCountZipCodes::button(const QString& text) const { return findButton(this, text); }

void TCountZipCodes::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!done_ && !running_)
                DoTheSort();
        });
    }
}

void TCountZipCodes::DoTheSort()
{
    bottom_->hide();
    cancelButton_->show();
    status_->show();
    running_ = true;
    cancel_ = false;
    CountResult r = CountResult::Cancelled;
    try {
        r = CountZipCodes(table_, listing_, [this](const std::string& s) {
            status_->setText(QString::fromStdString(s));
            QCoreApplication::processEvents();
            return !cancel_;
        });
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    running_ = false;
    if (r == CountResult::Cancelled) {
        listing_.clear();
        reject();
        return;
    }
    done_ = true;
    QApplication::beep();
    text_->setText(QStringLiteral("Finished counting. Press Print or Preview for the report"));
    bottom_->show();
    cancelButton_->hide();
    status_->hide();
}

void TCountZipCodes::CancelClick()
{
    if (ui::AskYesNo(QStringLiteral("Cancel Count?"), QStringLiteral("CANCEL")))
        cancel_ = true;
}

void TCountZipCodes::PrinterSetupClick()
{
    print::PrinterControl& printer = printer_ ? *printer_ : print::Engine();
    if (printer.Printers().isEmpty()) {
        ui::ShowInfo(QStringLiteral("There are no printers installed"));
        return;
    }
    print::ShowPrinterSetup(printer, this);
}

void TCountZipCodes::DoThePrintJob(bool preview)
{
    if (!done_)
        DoTheSort();
    if (!done_)
        return;
    print::PrinterControl& printer = printer_ ? *printer_ : print::Engine();
    if (!print::CheckPrinter(printer))
        return;
    const print::Orientation keep = printer.GetOrientation();
    printer.SetOrientation(print::Orientation::Portrait);
    print::PrintJob job(printer);
    print::PageStream stream;
    TZipReport* status = nullptr;
    ConfigureZipReport(job, listing_, table_.codePage(), [&status] { return !(status && status->StopRequested()); });
    print::TPreviewForm f(this);
    f.setWindowTitle(QStringLiteral("Preview Zipcode Count"));
    f.SetStream(&stream);
    f.SetInitialZoom(100);
    f.SetPrinter(&printer);
    f.SetPrintTexts(TZipReport::ReportTexts(false), QStringLiteral("Printing Page %p of %t\r%0\r%1"));
    bool aborted = true;
    {
        TZipReport w(job, preview, preview ? &stream : nullptr, this);
        w.SetLivePreview(&f);
        status = &w;
        ui::CenterOverMain(&w);
        w.exec();
        aborted = w.Aborted();
        status = nullptr;
    }
    printer.SetOrientation(keep);
    if (preview && !aborted)
        f.exec();
}

// ---------------------------------------------------------------------------------------------
// RecordGridModel

RecordGridModel::RecordGridModel(store::Table& table, std::vector<Column> columns, std::string tagId, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns)), tagId_(std::move(tagId))
{
}

void RecordGridModel::setRows(std::vector<uint32_t> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    editRow_ = -1;
    pending_.clear();
    endResetModel();
}

int RecordGridModel::rowOf(uint32_t recno) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == recno)
            return static_cast<int>(i);
    return -1;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.row() == editRow_) {
        auto it = pending_.find(index.column());
        if (it != pending_.end())
            return it->second;
    }
    const Column& c = columns_[static_cast<size_t>(index.column())];
    table_.go(recordAt(index.row()));
    if (table_.eof())
        return {};
    if (c.field.empty()) {
        const int tag = table_.fieldIndex("TAG");
        return tag >= 0 && table_.getString(tag) == tagId_ ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    const int f = table_.fieldIndex(c.field);
    return f < 0 ? QVariant() : QString::fromStdString(store::toUtf8(table_.getString(f), table_.codePage()));
}

bool RecordGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || columns_[static_cast<size_t>(index.column())].field.empty())
        return false;
    if (editRow_ >= 0 && editRow_ != index.row())
        save();
    editRow_ = index.row();
    pending_[index.column()] = value.toString();
    emit dataChanged(index, index);
    return true;
}

bool RecordGridModel::save()
{
    if (editRow_ < 0)
        return false;
    const int row = editRow_;
    table_.go(recordAt(row));
    for (const auto& [col, text] : pending_) {
        const int f = table_.fieldIndex(columns_[static_cast<size_t>(col)].field);
        if (f >= 0)
            table_.setString(f, store::fromUtf8(text.toStdString(), table_.codePage()));
    }
    editRow_ = -1;
    pending_.clear();
    try {
        table_.post();
    } catch (const std::exception& e) {
        table_.cancel();
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

void RecordGridModel::cancelEdit()
{
    const int row = editRow_;
    editRow_ = -1;
    pending_.clear();
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RecordGridModel::toggleTag(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (editRow_ >= 0)
        save();
    table_.go(recordAt(row));
    if (table_.eof())
        return;
    ToggleTag(table_, tagId_);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount())
        return columns_[static_cast<size_t>(section)].title;
    return QAbstractTableModel::headerData(section, o, role);
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !columns_[static_cast<size_t>(index.column())].field.empty())
        f |= Qt::ItemIsEditable;
    return f;
}

// ---------------------------------------------------------------------------------------------
// TStateZipCheck

namespace {
QWidget* navigator(QWidget* owner, QTableView* grid)
{
    auto* w = new QWidget(owner);
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, int> steps[] = {{"|<", -2}, {"<", -1}, {">", 1}, {">|", 2}};
    for (const auto& [text, step] : steps) {
        auto* b = new QPushButton(QString::fromLatin1(text), w);
        b->setAutoDefault(false);
        b->setMaximumWidth(36);
        row->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, grid, [grid, step = step] {
            const int rows = grid->model() ? grid->model()->rowCount() : 0;
            if (rows == 0)
                return;
            int r = grid->currentIndex().isValid() ? grid->currentIndex().row() : 0;
            r = step == -2 ? 0 : step == 2 ? rows - 1 : std::clamp(r + step, 0, rows - 1);
            const int col = std::max(0, grid->currentIndex().column());
            grid->setCurrentIndex(grid->model()->index(r, col));
        });
    }
    row->addStretch();
    return w;
}

QTableView* makeGrid(QWidget* owner)
{
    auto* g = new QTableView(owner);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed);
    g->verticalHeader()->setDefaultSectionSize(20);
    g->horizontalHeader()->setDefaultSectionSize(88);
    return g;
}
}  // namespace

TStateZipCheck::TStateZipCheck(store::Table& address, std::string sysdataDir, std::string tagId, QWidget* parent)
    : QDialog(parent), address_(address), sysdata_(std::move(sysdataDir)), tagId_(std::move(tagId))
{
    setWindowTitle(QStringLiteral("Check State and Zip  Codes"));
    auto* v = new QVBoxLayout(this);

    setup_ = new QWidget(this);
    {
        auto* s = new QVBoxLayout(setup_);
        auto* title = new QLabel(QStringLiteral("Check For State/Province  & Zipcode/Postal Code Anomolies"), setup_);
        title->setTextFormat(Qt::PlainText);
        QFont f = title->font();
        f.setBold(true);
        title->setFont(f);
        auto* text = new QLabel(
            QStringLiteral("A check will be performed by comparing the records in the file against the State/Province "
                           "file, which contains a list of State/Zip Province/Postcode combinations. This file may be "
                           "edited or added to by clicking the 'Edit State/Province File' button below."),
            setup_);
        text->setWordWrap(true);
        blanks_ = new QCheckBox(
            QStringLiteral("Include records with blank State/Province or Zip/Postcode entries?"), setup_);
        auto* go = new QPushButton(QStringLiteral("Perform Check Now"), setup_);
        go->setAutoDefault(false);
        connect(go, &QPushButton::clicked, this, &TStateZipCheck::CheckitButtonClick);
        s->addWidget(title);
        s->addWidget(text);
        s->addWidget(blanks_);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(go);
        row->addStretch();
        s->addLayout(row);
        s->addStretch();
    }
    v->addWidget(setup_);

    gauge_ = new QProgressBar(this);
    gauge_->setRange(0, 100);
    gauge_->hide();
    v->addWidget(gauge_);
    found_ = new QLabel(this);
    v->addWidget(found_);

    resultPanel_ = new QWidget(this);
    {
        auto* s = new QVBoxLayout(resultPanel_);
        auto* text = new QLabel(QStringLiteral("These records have questionable state/zip or province/postcode "
                                               "combinations. You may edit the contents to make changes. When you "
                                               "are done, press the Close button."),
                                resultPanel_);
        text->setWordWrap(true);
        s->addWidget(text);
        s->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), resultPanel_));
        grid_ = makeGrid(resultPanel_);
        s->addWidget(grid_, 1);
        auto* row = new QHBoxLayout;
        row->addWidget(navigator(resultPanel_, grid_));
        connect(addButton(row, resultPanel_, QStringLiteral("&Edit")), &QPushButton::clicked, this,
                &TStateZipCheck::EditClick);
        connect(addButton(row, resultPanel_, QStringLiteral("&Save")), &QPushButton::clicked, this,
                &TStateZipCheck::SaveClick);
        connect(addButton(row, resultPanel_, QStringLiteral("&Cancel")), &QPushButton::clicked, this,
                &TStateZipCheck::CancelEditClick);
        connect(addButton(row, resultPanel_, QStringLiteral("&Tag")), &QPushButton::clicked, this,
                &TStateZipCheck::TagClick);
        connect(addButton(row, resultPanel_, QStringLiteral("Tag &All")), &QPushButton::clicked, this,
                &TStateZipCheck::TagAllClick);
        s->addLayout(row);
        connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
            if (i.column() == 0 && result_)
                result_->toggleTag(i.row());
        });
    }
    resultPanel_->hide();
    v->addWidget(resultPanel_, 1);

    editPanel_ = new QWidget(this);
    {
        auto* s = new QVBoxLayout(editPanel_);
        s->addWidget(new QLabel(QStringLiteral("Make changes to the State/Province file to best reflect your country"),
                                editPanel_));
        s->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), editPanel_));
        cszGrid_ = makeGrid(editPanel_);
        s->addWidget(cszGrid_, 1);
        auto* row = new QHBoxLayout;
        row->addWidget(navigator(editPanel_, cszGrid_));
        connect(addButton(row, editPanel_, QStringLiteral("Add")), &QPushButton::clicked, this,
                &TStateZipCheck::AddRowClick);
        connect(addButton(row, editPanel_, QStringLiteral("Delete")), &QPushButton::clicked, this,
                &TStateZipCheck::DeleteRowClick);
        connect(addButton(row, editPanel_, QStringLiteral("Save")), &QPushButton::clicked, this,
                &TStateZipCheck::SaveRowClick);
        connect(addButton(row, editPanel_, QStringLiteral("Undo")), &QPushButton::clicked, this,
                &TStateZipCheck::UndoRowClick);
        s->addLayout(row);
    }
    editPanel_->hide();
    v->addWidget(editPanel_, 1);

    auto* bottom = new QHBoxLayout;
    editCsz_ = addButton(bottom, this, QStringLiteral("Edit State/Province File"));
    bottom->addStretch();
    help_ = addButton(bottom, this, QStringLiteral("Help"));
    cancel_b_ = addButton(bottom, this, QStringLiteral("Cancel"));
    close_ = addButton(bottom, this, QStringLiteral("Close"));
    cancel_b_->hide();
    v->addLayout(bottom);
    connect(editCsz_, &QPushButton::clicked, this, &TStateZipCheck::EditStateProvClick);
    connect(help_, &QPushButton::clicked, this, [] { help::ShowHelpContents(); });
    connect(cancel_b_, &QPushButton::clicked, this, &TStateZipCheck::CancelButtonClick);
    connect(close_, &QPushButton::clicked, this, &TStateZipCheck::CloseButtonClick);
    resize(900, 420);
}

TStateZipCheck::~TStateZipCheck()
{
    result_.reset();
    check_.reset();  // closes and deletes the scratch index
}

QString TStateZipCheck::FoundLine() const { return found_->text(); }
std::string TStateZipCheck::IndexPath() const { return CheckIndexPath(address_.path()); }
QPushButton* TStateZipCheck::button(const QString& text) const { return findButton(this, text); }

void TStateZipCheck::showPanel(QWidget* panel)
{
    for (QWidget* w : {setup_, resultPanel_, editPanel_})
        w->setVisible(w == panel);
}

void TStateZipCheck::CheckitButtonClick()
{
    if (running_)
        return;
    help_->hide();
    setup_->hide();
    editCsz_->hide();
    close_->hide();
    cancel_b_->show();
    cancel_b_->setEnabled(true);
    running_ = true;
    cancel_ = false;
    const bool blanks = blanks_->isChecked();

    StateRanges ranges;
    {
        store::Table csz;
        const std::string problem = store::openSystemTable(store::SystemTable::StateRanges, csz, sysdata_);
        if (!problem.empty()) {
            ui::ShowInfo(QString::fromStdString(problem));
            running_ = false;
            cancel_b_->hide();
            help_->show();
            editCsz_->show();
            close_->show();
            showPanel(setup_);
            return;
        }
        ranges = StateRanges::Load(csz);
    }
    gauge_->setValue(0);
    gauge_->show();
    result_.reset();
    check_ = std::make_unique<StateZipCheck>(address_);
    try {
        checkResult_ = check_->run(ranges, blanks, [this](uint32_t checked, uint32_t total, uint32_t questionable) {
            const int pct = total ? static_cast<int>(uint64_t(checked) * 100 / total) : 0;
            if (pct > 0 && pct < 100)
                gauge_->setValue(pct);
            found_->setText(QString::fromStdString(FoundText(questionable)));
            QCoreApplication::processEvents();
            return !cancel_;
        });
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    finish();
}

void TStateZipCheck::finish()
{
    gauge_->hide();
    std::vector<RecordGridModel::Column> cols = {
        {"", QStringLiteral("Tagged")},        {"LNAME", QStringLiteral("Last Name")},
        {"FNAME", QStringLiteral("First Name")}, {"ORG", QStringLiteral("Company")},
        {"STREET", QStringLiteral("Street")},  {"CITY", QStringLiteral("City")},
        {"STATE", QStringLiteral("State")},    {"ZIP", QStringLiteral("Zip")},
        {"COUNTRY", QStringLiteral("Country")},
    };
    result_ = std::make_unique<RecordGridModel>(address_, cols, tagId_);
    if (check_ && check_->hasIndex())
        result_->setRows(check_->records());
    grid_->setModel(result_.get());
    if (result_->rowCount() > 0)
        grid_->setCurrentIndex(result_->index(0, 1));
    showPanel(resultPanel_);
    found_->setText(QString::fromStdString(FoundText(checkResult_.questionable)));
    running_ = false;
    checked_ = true;
    cancel_b_->hide();
    editCsz_->show();
    help_->show();
    close_->show();
}

void TStateZipCheck::CancelButtonClick()
{
    if (running_ && ui::AskYesNo(QStringLiteral("Cancel operation?"), QStringLiteral("CANCEL")))
        cancel_ = true;
}

void TStateZipCheck::CloseButtonClick()
{
    if (running_)
        return;
    if (editingCsz_)
        EditStateProvClick();
    if (result_)
        result_->save();
    accept();
}

void TStateZipCheck::reject()
{
    if (running_)
        return;
    if (editingCsz_)
        EditStateProvClick();
    QDialog::reject();
}

void TStateZipCheck::closeEvent(QCloseEvent* e)
{
    if (running_) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TStateZipCheck::EditStateProvClick()
{
    if (!editingCsz_) {
        auto t = std::make_unique<store::Table>();
        try {
            t->open(sysdata_ + "CSZ.DBF", store::OpenMode::Exclusive);
        } catch (const std::exception&) {
            ui::ShowInfo(QStringLiteral("Unable to open CSZ.DBF"));
            return;
        }
        csz_ = std::move(t);
        cszModel_ = std::make_unique<RecordGridModel>(
            *csz_,
            std::vector<RecordGridModel::Column>{{"NAME", QStringLiteral("State or Province")},
                                                 {"STATE", QStringLiteral("Abbreviation")},
                                                 {"LOW_ZIP", QStringLiteral("Starting Zip/Post")},
                                                 {"HIGH_ZIP", QStringLiteral("Ending Zip/Post")}},
            std::string());
        std::vector<uint32_t> rows;
        if (csz_->tagArea("STATE"))
            csz_->setOrder("STATE");
        for (bool ok = csz_->goTop(); ok && !csz_->eof(); ok = csz_->skip())
            rows.push_back(csz_->recNo());
        cszModel_->setRows(std::move(rows));
        cszGrid_->setModel(cszModel_.get());
        if (result_)
            result_->save();
        showPanel(editPanel_);
        cancel_b_->setEnabled(false);
        editCsz_->setText(QStringLiteral("Stop Editing"));
        editingCsz_ = true;
        return;
    }
    cszModel_->save();
    cszGrid_->setModel(nullptr);
    cszModel_.reset();
    csz_->close();
    csz_.reset();
    editingCsz_ = false;
    editCsz_->setText(QStringLiteral("Edit State/Province File"));
    cancel_b_->setEnabled(true);
    showPanel(checked_ ? resultPanel_ : setup_);
}

void TStateZipCheck::TagClick()
{
    if (result_ && grid_->currentIndex().isValid())
        result_->toggleTag(grid_->currentIndex().row());
}

void TStateZipCheck::TagAllClick()
{
    if (!result_ || !check_ || result_->rowCount() == 0)
        return;
    if (!ui::AskYesNo(QStringLiteral("Tag all records with questionable state or zipcodes?"), QStringLiteral("TAG ALL")))
        return;
    result_->save();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TagResult(address_, *check_, tagId_);
    QApplication::restoreOverrideCursor();
    emit result_->dataChanged(result_->index(0, 0), result_->index(result_->rowCount() - 1, 0));
}

void TStateZipCheck::EditClick()
{
    if (grid_->currentIndex().isValid())
        grid_->edit(grid_->currentIndex());
}

void TStateZipCheck::SaveClick()
{
    if (result_)
        result_->save();
}

void TStateZipCheck::CancelEditClick()
{
    if (result_)
        result_->cancelEdit();
}

void TStateZipCheck::AddRowClick()
{
    if (!csz_)
        return;
    cszModel_->save();
    csz_->appendBlank();
    csz_->post();
    const uint32_t rec = csz_->recNo();
    std::vector<uint32_t> rows;
    for (int i = 0; i < cszModel_->rowCount(); ++i)
        rows.push_back(cszModel_->recordAt(i));
    rows.push_back(rec);
    cszModel_->setRows(std::move(rows));
    cszGrid_->setCurrentIndex(cszModel_->index(cszModel_->rowCount() - 1, 0));
}

void TStateZipCheck::DeleteRowClick()
{
    if (!csz_ || !cszGrid_->currentIndex().isValid())
        return;
    cszModel_->cancelEdit();
    const int row = cszGrid_->currentIndex().row();
    csz_->go(cszModel_->recordAt(row));
    csz_->deleteRecord();
    std::vector<uint32_t> rows;
    for (int i = 0; i < cszModel_->rowCount(); ++i)
        if (i != row)
            rows.push_back(cszModel_->recordAt(i));
    cszModel_->setRows(std::move(rows));
    if (cszModel_->rowCount() > 0)
        cszGrid_->setCurrentIndex(cszModel_->index(std::min(row, cszModel_->rowCount() - 1), 0));
}

void TStateZipCheck::SaveRowClick()
{
    if (cszModel_)
        cszModel_->save();
}

void TStateZipCheck::UndoRowClick()
{
    if (cszModel_)
        cszModel_->cancelEdit();
}

// ---------------------------------------------------------------------------------------------

void ShowCountZipCodes(store::Table& address, QWidget* parent)
{
    if (!print::CheckPrinter())
        return;
    const int order = address.order();
    const uint32_t recno = address.eof() ? 0 : address.recNo();
    {
        TCountZipCodes w(address, parent);
        ui::CenterOverMain(&w);
        w.exec();
    }
    address.setOrder(order);
    if (recno > 0)
        address.go(recno);
}

void ShowStateZipCheck(store::Table& address, const std::string& tagId, QWidget* parent)
{
    const std::string sysdata = app::SysdataDir();
    if (!std::filesystem::exists(sysdata + "CSZ.DBF")) {
        ui::ShowInfo(
            QStringLiteral("The file CSZ.DBF has been removed from the SYSDATA directory. Unable to continue."));
        return;
    }
    const std::string selection = address.selection();
    const int order = address.order();
    const uint32_t recno = address.eof() ? 0 : address.recNo();
    address.setSelection("!ISDEL");
    {
        TStateZipCheck w(address, sysdata, tagId, parent);
        ui::CenterOverMain(&w);
        w.exec();
    }
    address.setSelection(selection);
    address.setOrder(order);
    if (recno > 0)
        address.go(recno);
}

}  // namespace addrova::postal
