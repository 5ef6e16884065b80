#pragma once

// The dialogs of a label print run: "Labels Print" (positions, printer, copies), "Bulk Mail
// Presorting" and the status window.

#include "LabelJob.h"
#include "LabelStock.h"
#include "Presort.h"
#include "TPrintStatus.h"

#include <QDialog>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace addrova::print {
class PrinterControl;
}

namespace addrova::labels {

// The sheet at one fifth of its real size; a click toggles a position.
class SheetView : public QWidget {
    Q_OBJECT
public:
    SheetView(const LabelSetup& setup, PositionMask& mask, QWidget* parent = nullptr);
    // Screen rectangle of the paper and of a position, in the view's pixels.
    QRect paperRect() const;
    QRect positionRect(int position) const;
    int positionAt(QPoint p) const;  // -1 when none
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    double scale() const;
    LabelSetup s_;
    PositionMask& mask_;
};

class TSelectSpecificLabels : public QDialog {
    Q_OBJECT
public:
    // For a preview only the positions are asked: printer and copies are hidden and one copy is
    // taken.
    TSelectSpecificLabels(const LabelSetup& setup, const PositionMask& mask, int copies, bool presort,
                          print::PrinterControl& printer, QWidget* parent = nullptr, bool forPreview = false);

    SheetView* sheet() const { return sheet_; }
    QSpinBox* copiesSpin() const { return copies_; }
    QLabel* copiesCaption() const { return copiesCaption_; }
    QComboBox* printerCombo() const { return printers_; }
    QLabel* printerCaption() const { return printerCaption_; }
    bool forPreview() const { return forPreview_; }
    const PositionMask& mask() const { return mask_; }
    int copies() const;
    int printerIndex() const;

    void AllClick();
    void NoneClick();
    // False (after the message) when no position is selected.
    bool OkClick();

protected:
    void reject() override;

private:
    PositionMask mask_;
    int positions_;
    print::PrinterControl& printer_;
    int startPrinter_;
    SheetView* sheet_;
    QSpinBox* copies_;
    QLabel* copiesCaption_;
    QComboBox* printers_;
    QLabel* printerCaption_;
    bool forPreview_;
};

// Runs the presort over the table's current selection when shown; closes itself when done.
class TSortBulkMail : public QDialog {
    Q_OBJECT
public:
    TSortBulkMail(store::Table& table, postal::AdcTable adc, std::string listingPath, QWidget* parent = nullptr);
    bool DoneCheck() const { return done_; }
    QLabel* statusLabel() const { return status_; }
    void CancelClick();
    void DoTheSort();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    store::Table& table_;
    postal::AdcTable adc_;
    std::string path_;
    QLabel* status_;
    bool started_ = false, running_ = false, done_ = false, cancel_ = false;
};

// "Print Status Screen": the label job's status window.
class TLabelPrinter : public print::TPrintStatus {
    Q_OBJECT
public:
    TLabelPrinter(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent = nullptr);
    static Texts LabelTexts(bool preview);
};

}  // namespace addrova::labels
