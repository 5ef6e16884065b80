#pragma once

// The windows of the maintenance tools, thin over Maintenance.h: "Check and Repair Duplicates",
// "Convert Case", "Search and Replace", "Delete Records". Each works on the open address table the
// main window hands it; the main window applies its filter and order again when they close.

#include "Maintenance.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <vector>

class QAbstractTableModel;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;
class QWidget;

namespace addrova::tools {

// The progress of a long loop in a window: the bar, pending window messages now and then, and a
// Cancel confirmed by a question.
class LoopProgress {
public:
    LoopProgress(QProgressBar* bar, QString cancelQuestion, QString cancelCaption);
    // After each record: false once a Cancel was confirmed.
    bool step(uint32_t done, uint32_t total);
    // "Cancel" while the loop runs.
    void requestCancel();
    bool running() const { return running_; }
    void setRunning(bool on);
    // Runs a loop that changes `table`, with step() as its progress hook. An error stops it: the message
    // is shown, the table's unsaved change is dropped and nothing counts as done.
    LoopResult RunChanges(store::Table& table, const std::function<LoopResult(const StepFn&)>& loop);
    // A window's close while the loop runs asks to cancel the loop instead: true when it did.
    bool CloseCancelsLoop();

private:
    QProgressBar* bar_;
    QString question_, caption_;
    QElapsedTimer shown_;
    bool running_ = false;
    bool cancelled_ = false;
    bool asking_ = false;
};

// "Keep a safety copy": the box and the copy it asks for (a message names a copy that fails).
QCheckBox* makeSafetyCopyBox(QWidget* parent);
// The copy when the box is checked; "" when it is not. False when the copy failed (the tool stops).
bool takeSafetyCopy(QCheckBox* box, store::Table& table, std::string& copy);

// ---------------------------------------------------------------------------------------------

class DupGridModel;

class TCheckDuplicates : public QDialog {
    Q_OBJECT
public:
    // tagId: the current tag mark; toggling and tagging set TAG to it.
    TCheckDuplicates(store::Table& table, std::string tagId, QWidget* parent = nullptr);
    ~TCheckDuplicates() override;

    // "Tag &All" runs this over the grid's records (the scratch index order is current); the main
    // window hands the tagging window. Without one the records are tagged here.
    void setTagAllRunner(std::function<void()> run) { tagAll_ = std::move(run); }

    void setKind(DupKind kind);
    void setStreetLength(int length);
    // "&Perform Duplicate Check Now".
    void PerformCheck();
    uint32_t pairs() const { return pairs_; }
    QString countText() const;
    bool gridShown() const;
    QTableView* grid() const { return grid_; }
    int gridRows() const;
    // Grid commands on the grid's current row.
    void DeleteClick();
    void SaveClick();
    void UndoClick();
    void TagClick();
    void TagAllClick();
    void CancelClick();
    void OkClick();
    const std::string& scratchPath() const { return scratch_->path(); }

protected:
    void reject() override;
    void closeEvent(class QCloseEvent* e) override;

private:
    void kindChanged();
    bool currentRecord();
    void closeScratch();

    store::Table& table_;
    std::string tagId_;
    std::unique_ptr<DupScratch> scratch_;
    std::function<void()> tagAll_;
    uint32_t pairs_ = 0;
    QWidget* setup_;
    QButtonGroup* kinds_;
    QLabel* lengthLabel_;
    QSpinBox* length_;
    QProgressBar* bar_;
    QLabel* count_;
    QWidget* gridPanel_;
    QTableView* grid_;
    DupGridModel* model_ = nullptr;
    QPushButton *perform_, *cancel_, *ok_, *help_;
    std::unique_ptr<LoopProgress> progress_;
};

// ---------------------------------------------------------------------------------------------

class TConvertCase : public QDialog {
    Q_OBJECT
public:
    TConvertCase(store::Table& table, bool filterSet, QWidget* parent = nullptr);

    QCheckBox* fieldBox(int i) const { return fields_[static_cast<size_t>(i)]; }
    QCheckBox* allBox() const { return all_; }
    QCheckBox* safetyBox() const { return safety_; }
    void setScope(RecordScope scope);
    void setMode(CaseMode mode);
    QProgressBar* progressBar() const { return bar_; }
    // "Convert": true when records were converted.
    bool Convert();
    uint32_t converted() const { return done_; }
    QString copyPath() const { return QString::fromStdString(copy_); }

protected:
    void reject() override;

private:
    store::Table& table_;
    std::vector<QCheckBox*> fields_;
    QCheckBox* all_;
    QCheckBox* safety_;
    QButtonGroup *scope_, *mode_;
    QWidget* options_;
    QProgressBar* bar_;
    QPushButton *convert_, *cancel_;
    std::unique_ptr<LoopProgress> progress_;
    uint32_t done_ = 0;
    std::string copy_;
};

// ---------------------------------------------------------------------------------------------

class TSearchReplace : public QDialog {
    Q_OBJECT
public:
    // filter: the main window's filter expression ("" when none is set).
    TSearchReplace(store::Table& table, std::string filter, QWidget* parent = nullptr);

    void setField(const QString& fieldName);
    QComboBox* fieldList() const { return field_; }
    QLineEdit* findEdit() const { return find_; }
    QLineEdit* replaceEdit() const { return replace_; }
    QCheckBox* caseBox() const { return case_; }
    QCheckBox* safetyBox() const { return safety_; }
    void setContains(bool on);
    void setWholeField(bool on);
    void setUseFilter(bool on);
    ReplaceSpec spec() const;
    // "Replace ": true when the replacement ran.
    bool ReplaceNow();
    uint32_t replaced() const { return done_; }

protected:
    void reject() override;

private:
    store::Table& table_;
    std::string filter_;
    QComboBox* field_;
    QRadioButton *equal_, *contains_, *whole_, *matching_, *allRecords_, *filtered_;
    QLineEdit *find_, *replace_;
    QCheckBox* case_;
    QCheckBox* safety_;
    QWidget* progressPanel_;
    QProgressBar* bar_;
    QPushButton *ok_, *cancel_;
    std::unique_ptr<LoopProgress> progress_;
    uint32_t done_ = 0;
};

// ---------------------------------------------------------------------------------------------

class TDeleteRecords : public QDialog {
    Q_OBJECT
public:
    TDeleteRecords(store::Table& table, std::string filter, QWidget* parent = nullptr);

    void setChoice(DeleteChoice choice);
    QRadioButton* choiceButton(DeleteChoice choice) const;
    QCheckBox* safetyBox() const { return safety_; }
    // "Delete Now": true when records were deleted.
    bool DeleteNow();
    uint32_t deleted() const { return done_; }

protected:
    void reject() override;

private:
    store::Table& table_;
    std::string filter_;
    QButtonGroup* choice_;
    QCheckBox* safety_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton *ok_, *cancel_;
    std::unique_ptr<LoopProgress> progress_;
    uint32_t done_ = 0;
};

}  // namespace addrova::tools

namespace addrova::tools {

// The windows as the main window opens them, modal and centred over it. The caller has the table
// events quiet and applies its filter and order again afterwards.

// Selection "!ISDEL" while the window is open; the scratch index file never survives it.
// tagAll: the tagging window over the grid's records (may be empty).
void ShowCheckDuplicates(store::Table& table, const std::string& tagId, std::function<void()> tagAll,
                         QWidget* parent);
bool ShowConvertCase(store::Table& table, bool filterSet, QWidget* parent);
// "Replacement done" after a replacement. filter: the main window's filter expression.
bool ShowSearchReplace(store::Table& table, const std::string& filter, QWidget* parent);
// The selection is the filter expression alone while the window is open.
bool ShowDeleteRecords(store::Table& table, const std::string& filter, QWidget* parent);

}  // namespace addrova::tools
