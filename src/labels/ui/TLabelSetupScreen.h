#pragma once

// "Print Labels": the stored label layouts with New, Modify, Delete and Clone, and the printing
// controls (what to print, printer, presort, Print, Preview).

#include "LabelJob.h"
#include "LabelPrintRun.h"
#include "LabelStock.h"
#include "LayoutList.h"
#include "RecordChoice.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class TGLabelPanel;
class TableRecordSource;
}

namespace addrova::labels {

class TSelectSpecificLabels;

struct LabelScreenContext {
    std::string sysdataDir;   // with a trailing '/'
    std::string programDir;   // with a trailing '/'
    std::string tagId;
    std::string shortDateFormat = "MM/dd/yyyy";
    bool filterSet = true;    // without a filter "Records matching filter" is disabled
};

class TLabelSetupScreen : public QDialog {
    Q_OBJECT
public:
    // layouts: LABEL.DBF, open, on its first order and first record.
    TLabelSetupScreen(store::Table& address, store::Table& layouts, LabelScreenContext context,
                      QWidget* parent = nullptr);
    ~TLabelSetupScreen() override;

    // Controls, by their role.
    QTableWidget* LabelSetupGrid() const { return grid_; }
    QPushButton* button(const QString& name) const { return buttons_.button(name); }  // "New", "Modify", "Delete", "Clone", "Print", "Preview", "Ok"
    print::TRecordChoicePanel* whatToPrintPanel() const { return whatPanel_; }
    QGroupBox* printerPanel() const { return printerPanel_; }
    QRadioButton* rbQAll() const { return whatPanel_->rbQAll(); }
    QRadioButton* rbQFilter() const { return whatPanel_->rbQFilter(); }
    QRadioButton* rbOnlyThis() const { return whatPanel_->rbOnlyThis(); }
    QCheckBox* StartCurrentCheck() const { return whatPanel_->StartCurrentCheck(); }
    QCheckBox* PresortCheck() const { return presort_; }
    QComboBox* PrinterCombo() const { return printerCombo_; }
    QString fieldText(const QString& caption) const;  // the read-outs beside the list

    const LabelSetup& setup() const { return setup_; }
    PositionMask& positionMask() { return mask_; }
    bool presortDone() const { return presortDone_; }
    layout::TGLabelPanel& hiddenPanel() { return *panel_; }

    // Operations and handlers.
    void FormActivate();
    void SetLabelButtons();
    void NewClick();
    void ModifyClick();
    void DeleteClick();
    void CloneClick();
    void PrintNowClick();
    void PreviewButtonClick();
    // The position dialog (positions only for a preview): false when it was cancelled.
    bool DoPageSetup(bool preview = false);
    void DoPrint(bool preview);
    LabelPrintOptions printOptions() const;
    void refreshGrid();

    // Tests replace the position dialog and see the preview before it is shown.
    std::function<bool(TLabelSetupScreen&)> pageSetupOverride;
    std::function<void(QDialog& preview)> previewShown;
    // Tests answer the real position dialog: true for Ok.
    std::function<bool(TSelectSpecificLabels&)> pageSetupShown;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void recordChanged();
    void showFields();
    void recordChoiceClicked();

    store::Table& address_;
    store::Table& layouts_;
    LabelScreenContext ctx_;
    std::unique_ptr<layout::TableRecordSource> records_;
    LabelSetup setup_;
    bool newLayout_ = false;
    bool activated_ = false;
    bool presortDone_ = false;
    PositionMask mask_;
    int copies_ = 1;
    layout::TGLabelPanel* panel_;
    print::TLayoutGrid* grid_;
    print::TRecordChoicePanel* whatPanel_;
    QGroupBox* printerPanel_;
    QCheckBox* presort_;
    QComboBox* printerCombo_;
    std::vector<std::pair<QString, QLabel*>> fields_;
    print::CommandButtons buttons_{this};
};

// The "Print Labels" command of the main window: opens LABEL.DBF, shows the window, and afterwards
// restores the address table's selection, key range, order and record and the current printer.
// Returns false when LABEL.DBF could not be opened (after the message).
bool ShowPrintLabels(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent = nullptr);

}  // namespace addrova::labels
