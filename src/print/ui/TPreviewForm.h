#pragma once

// The preview window every print preview of the program uses.

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
    std::function<void()> OnHelp;

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
    bool activated_ = false;
    bool closed_ = false;
};

}  // namespace addrova::print
