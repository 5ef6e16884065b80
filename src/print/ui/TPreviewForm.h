#pragma once

// The preview window every print preview of the program uses.

#include "TPrintStatus.h"

#include <QDialog>
#include <functional>

class QPushButton;

namespace addrova::print {

class PageStream;
class PreviewControl;
class PrinterControl;

class TPreviewForm : public QDialog {
    Q_OBJECT
public:
    // Initial zoom: 1 = whole page, 2 = page width, any other value = that percentage.
    enum : int { ZoomWholePage = 1, ZoomPageWidth = 2 };

    explicit TPreviewForm(QWidget* parent = nullptr);
    ~TPreviewForm() override;

    // The recorded pages; the stream must outlive the window.
    void SetStream(const PageStream* stream) { stream_ = stream; }
    void SetInitialZoom(int zoom) { initialZoom_ = zoom; }
    // The printer that "Print" uses (the program's engine when not set) and the job title.
    void SetPrinter(PrinterControl* printer) { printer_ = printer; }
    void SetJobTitle(const QString& title) { jobTitle_ = title; }
    // "Print" runs through a status window with these texts and this status format, so that it
    // ends with the same message as printing from the room's window.
    void SetPrintTexts(TPrintStatus::Texts texts, QString statusFormat);
    std::function<void()> OnHelp;
    // Shows the status window of "Print" (tests run it without a loop); exec() when empty.
    std::function<void(TPrintStatus&)> printStatusShown;

    // While live the pages are still being recorded: the page count follows the recording and
    // closing the window asks for the recording to stop (StopRequested) instead of closing.
    void SetLive(bool live);
    bool Live() const { return live_; }
    // Takes in pages recorded since the last call.
    void Refresh();

    PreviewControl* Control() const { return control_; }
    // "Preview Page n of m ( z% )".
    QString PageCaption() const;

    // Button handlers.
    void FirstPageClick();
    void PriorPageClick();
    void NextPageClick();
    void LastPageClick();
    void ZoomInClick();
    void ZoomOutClick();
    void ZoomPageWidthClick();
    void ZoomPageClick();
    void Zoom100Click();
    void PrintClick();

signals:
    void StopRequested();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;

private:
    void FormActivate();
    void FormClose();
    void UpdateCaption();
    void UpdateButtons();
    PreviewControl* control_;
    QPushButton* first_;
    QPushButton* prior_;
    QPushButton* next_;
    QPushButton* last_;
    const PageStream* stream_ = nullptr;
    PrinterControl* printer_ = nullptr;
    QString jobTitle_ = QStringLiteral("Addrova");
    int initialZoom_ = ZoomPageWidth;
    TPrintStatus::Texts printTexts_;
    QString printFormat_ = QStringLiteral("Printing Page %p of %t");
    bool live_ = false;
    int shownCount_ = 0;
    bool activated_ = false;
    bool closed_ = false;
};

}  // namespace addrova::print
