#pragma once

// "Print Report": the built-in reports and the list of user-defined reports (REPORT.DBF), the record
// choice, print, preview and printer setup; and "Print Current Record".

#include "LayoutList.h"
#include "RecordChoice.h"
#include "ReportStore.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;

namespace addrova::store {
class Table;
}

namespace addrova::reports {

class TReportDesigner;

struct ReportScreenContext {
    std::string sysdataDir;
    std::string tagId;
    std::string shortDateFormat = "MM/dd/yyyy";
    bool filterSet = false;
};

class TReportSetup : public QDialog {
    Q_OBJECT
public:
    TReportSetup(store::Table& address, store::Table& reports, ReportScreenContext context, QWidget* parent = nullptr);
    ~TReportSetup() override;

    // Controls and handlers, named as the window's parts.
    QTabWidget* Pages() const { return pages_; }
    QListWidget* BuiltInList() const { return builtIn_; }
    QLineEdit* TitleEdit() const { return title_; }
    QCheckBox* PrintMemoCheck() const { return printMemo_; }
    QCheckBox* PrintCodesCheck() const { return printCodes_; }
    QTableWidget* ReportGrid() const { return grid_; }
    print::TRecordChoicePanel* WhatToPrint() const { return what_; }
    QCheckBox* OnePerPageCheck() const { return onePerPage_; }
    QPushButton* button(const QString& caption) const { return buttons_.button(caption); }

    void SetReportButtons();
    void NewButtonClick();
    void ModifyButtonClick();
    void DeleteButtonClick();
    void CloneButtonClick();
    void PrintButtonClick();
    void PreviewButtonClick();
    void BuiltInChosen(int row);
    void DoPrintBuiltIns(bool preview);
    void DoPrintUserDefined(bool preview);

    // Tests: the designer instead of its modal loop (returns true for Save).
    std::function<bool(TReportDesigner&)> designerShown;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void refreshGrid();

    store::Table& address_;
    store::Table& reports_;
    ReportScreenContext ctx_;
    ReportList list_;
    bool isNew_ = false;
    QTabWidget* pages_;
    QListWidget* builtIn_;
    QLineEdit* title_;
    QCheckBox* printMemo_;
    QCheckBox* printCodes_;
    print::TLayoutGrid* grid_;
    print::TRecordChoicePanel* what_;
    QCheckBox* onePerPage_;
    print::CommandButtons buttons_{this};
    QPushButton *modify_, *new_, *delete_, *clone_, *print_, *preview_, *setup_, *ok_;
};

// "Print Current Record".
class TPrintCurrentRecord : public QDialog {
    Q_OBJECT
public:
    TPrintCurrentRecord(store::Table& address, std::string shortDateFormat, QWidget* parent = nullptr);
    QCheckBox* box(const QString& caption) const;
    QStringList ticked() const;
    void AllClick();
    void DoPrint(bool preview);

private:
    store::Table& address_;
    std::string shortDate_;
    std::vector<QCheckBox*> boxes_;
    QCheckBox* memo_;
    QCheckBox* all_;
};

// The main window's commands: open the windows (REPORT.DBF opened or created for "Print Report")
// and put the address table back afterwards. False when REPORT.DBF could not be opened.
bool ShowPrintReports(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent = nullptr);
void ShowPrintCurrentRecord(store::Table& address, QWidget* parent = nullptr);

}  // namespace addrova::reports
