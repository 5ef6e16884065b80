#pragma once

// "Print Envelope": the stored envelope layouts with New, Modify, Delete and Clone, a small display
// of the current layout with the current address, and the printing controls (what to print,
// printer setup, Print, Preview).

#include "EnvelopePrintRun.h"
#include "EnvelopeStore.h"
#include "LayoutList.h"
#include "RecordChoice.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class TEnvelopePanel;
class TableRecordSource;
}

namespace addrova::envelopes {

class TEnvelopeDesignScreen;
class TEnvelopePrePrint;

struct EnvelopeScreenContext {
    std::string sysdataDir;  // with a trailing '/'
    std::string settingsPath;
    std::string tagId;
    std::string shortDateFormat = "MM/dd/yyyy";
    bool filterSet = true;
};

class TAVEnvelopes : public QDialog {
    Q_OBJECT
public:
    // layouts: ENVELOPE.DBF, open, on its first order and first record.
    TAVEnvelopes(store::Table& address, store::Table& layouts, EnvelopeScreenContext context,
                 QWidget* parent = nullptr);
    ~TAVEnvelopes() override;

    QTableWidget* EnvelopeGrid() const { return grid_; }
    QPushButton* button(const QString& caption) const { return buttons_.button(caption); }  // "New", "Modify", ..., "&Print", "Pre&view", "Ok"
    print::TRecordChoicePanel* whatToPrintPanel() const { return what_; }
    layout::TEnvelopePanel& display() { return *display_; }
    QString currentRecordText(const QString& caption) const;  // "First", "Last", "Org", "City"
    const EnvelopeSetup& setup() const { return setup_; }

    void FormActivate();
    void SetEnvelopeButtons();
    void ShowDisplayEnvelope();
    void NewClick();
    void ModifyClick();
    void DeleteClick();
    void CloneClick();
    void PrinterSetupClick();
    void PrintNowClick() { DoPrint(false); }
    void PreviewButtonClick() { DoPrint(true); }
    void DoPrint(bool preview);
    void MoveRecord(int how);  // the record navigator: 0 first, 1 prior, 2 next, 3 last
    void refreshGrid();

    // Tests drive the modal parts: the size dialog, the designer (before it runs; return its
    // result instead of running it), "Envelope Print", the preview.
    std::function<bool(int&)> sizeDialogOverride;
    std::function<bool(TEnvelopeDesignScreen&)> designerOverride;
    std::function<bool(TEnvelopePrePrint&)> prePrintOverride;
    std::function<void(QDialog& preview)> previewShown;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void recordChanged();
    void showCurrentRecord();

    store::Table& address_;
    store::Table& layouts_;
    EnvelopeScreenContext ctx_;
    std::unique_ptr<layout::TableRecordSource> records_;
    EnvelopeSetup setup_;
    bool newLayout_ = false;
    bool activated_ = false;
    layout::TEnvelopePanel* display_;
    QWidget* displayFrame_;
    print::TLayoutGrid* grid_;
    print::TRecordChoicePanel* what_;
    std::vector<std::pair<QString, QLabel*>> recordFields_;
    print::CommandButtons buttons_{this};
};

// The "Print &Envelopes" command of the main window: opens ENVELOPE.DBF, shows the window, and
// afterwards restores the address table's selection, order and record and the current printer.
bool ShowPrintEnvelopes(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent = nullptr);

}  // namespace addrova::envelopes
