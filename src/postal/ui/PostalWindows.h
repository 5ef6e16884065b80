#pragma once

// The postal tools' windows: the ZIP count with its report, and the state and ZIP check.

#include "StateZip.h"
#include "TPrintStatus.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;

namespace addrova::store {
class Table;
}
namespace addrova::print {
class PrinterControl;
}

namespace addrova::postal {

// The status window of the ZIP count report ("Print Status" or "Preview Status").
class TZipReport : public print::TPrintStatus {
    Q_OBJECT
public:
    TZipReport(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent = nullptr);
    static Texts ReportTexts(bool preview);
};

class TCountZipCodes : public QDialog {
    Q_OBJECT
public:
    TCountZipCodes(store::Table& address, QWidget* parent = nullptr);
    ~TCountZipCodes() override;

    // The printer the report goes to (the program's engine unless set).
    void SetPrinter(print::PrinterControl* printer) { printer_ = printer; }

    void DoTheSort();
    void CancelClick();
    void PrintClick() { DoThePrintJob(false); }
    void PreviewClick() { DoThePrintJob(true); }
    void PrinterSetupClick();

    bool CountDone() const { return done_; }
    const std::vector<std::string>& Listing() const { return listing_; }
    QString Text() const;
    QString Status() const;
    QPushButton* button(const QString& text) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void DoThePrintJob(bool preview);
    store::Table& table_;
    print::PrinterControl* printer_ = nullptr;
    std::vector<std::string> listing_;
    bool done_ = false, running_ = false, cancel_ = false, activated_ = false;
    QLabel* text_;
    QLabel* status_;
    QPushButton* cancelButton_;
    QWidget* bottom_;
};

// Rows of a table shown by record number; cells edit the record. An edit is held until Save, a move
// to another row (which saves it) or Cancel.
class RecordGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        std::string field;  // "" for the Tagged column
        QString title;
    };
    RecordGridModel(store::Table& table, std::vector<Column> columns, std::string tagId, QObject* parent = nullptr);

    void setRows(std::vector<uint32_t> rows);
    uint32_t recordAt(int row) const { return rows_.at(static_cast<size_t>(row)); }
    int rowOf(uint32_t recno) const;
    bool editing() const { return editRow_ >= 0; }
    // Posts the held edit (false when there was none).
    bool save();
    void cancelEdit();
    // Toggles the tag of a row's record.
    void toggleTag(int row);

    int rowCount(const QModelIndex& = {}) const override { return static_cast<int>(rows_.size()); }
    int columnCount(const QModelIndex& = {}) const override { return static_cast<int>(columns_.size()); }
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    store::Table& table_;
    std::vector<Column> columns_;
    std::string tagId_;
    std::vector<uint32_t> rows_;
    int editRow_ = -1;
    std::map<int, QString> pending_;  // column -> text of the held edit
};

class TStateZipCheck : public QDialog {
    Q_OBJECT
public:
    TStateZipCheck(store::Table& address, std::string sysdataDir, std::string tagId, QWidget* parent = nullptr);
    ~TStateZipCheck() override;

    void CheckitButtonClick();
    void CancelButtonClick();
    void CloseButtonClick();
    void EditStateProvClick();  // starts or stops editing CSZ.DBF
    void TagClick();
    void TagAllClick();
    void EditClick();
    void SaveClick();
    void CancelEditClick();
    void AddRowClick();
    void DeleteRowClick();
    void SaveRowClick();
    void UndoRowClick();

    QCheckBox* IncludeBlanks() const { return blanks_; }
    QTableView* ResultGrid() const { return grid_; }
    RecordGridModel* ResultModel() const { return result_.get(); }
    QTableView* StateGrid() const { return cszGrid_; }
    RecordGridModel* StateModel() const { return cszModel_.get(); }
    QString FoundLine() const;
    bool Running() const { return running_; }
    bool Editing() const { return editingCsz_; }
    const CheckResult& Result() const { return checkResult_; }
    std::string IndexPath() const;
    QPushButton* button(const QString& text) const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void showPanel(QWidget* panel);
    void finish();
    store::Table& address_;
    std::string sysdata_, tagId_;
    std::unique_ptr<StateZipCheck> check_;
    std::unique_ptr<RecordGridModel> result_;
    std::unique_ptr<store::Table> csz_;
    std::unique_ptr<RecordGridModel> cszModel_;
    CheckResult checkResult_;
    bool running_ = false, cancel_ = false, checked_ = false, editingCsz_ = false;
    QWidget* setup_;
    QWidget* resultPanel_;
    QWidget* editPanel_;
    QCheckBox* blanks_;
    QProgressBar* gauge_;
    QLabel* found_;
    QTableView* grid_;
    QTableView* cszGrid_;
    QPushButton* editCsz_;
    QPushButton* help_;
    QPushButton* cancel_b_;
    QPushButton* close_;
};

// The commands of the main window: the ZIP count (after the printer check) and the state and ZIP
// check (refused without sysdata/CSZ.DBF). Both restore the table's order, record and selection.
void ShowCountZipCodes(store::Table& address, QWidget* parent);
void ShowStateZipCheck(store::Table& address, const std::string& tagId, QWidget* parent);

}  // namespace addrova::postal
