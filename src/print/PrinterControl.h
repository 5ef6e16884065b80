#pragma once

// The printers of the system plus the built-in "PDF file" printer, and the paper, orientation and
// source chosen for the next job. A PrintJob reads its page geometry from here.

#include "PrintTypes.h"

#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;

namespace addrova::print {

class PrinterControl {
public:
    // Starts on the system's default printer, or on "PDF file" when there is none.
    PrinterControl();
    ~PrinterControl();
    PrinterControl(const PrinterControl&) = delete;
    PrinterControl& operator=(const PrinterControl&) = delete;

    // Name of the built-in printer that writes PDF files.
    static QString PdfPrinterName();  // "PDF file"

    // The printer list: system printers sorted by name (case-insensitive), then "PDF file" unless
    // it was switched off. Read again by Refresh(); the current printer is kept by name.
    QStringList Printers() const;
    void Refresh();
    void SetPdfPrinterListed(bool listed);
    int PrinterIndex() const;  // -1 when the list is empty
    bool SetPrinterIndex(int index);
    // By name, ignoring case; a name of the form "queue ON port" matches by the part before " ON ".
    bool SetPrinterByName(const QString& name);
    QString PrinterName() const;
    // The device name of the current printer (its queue name), empty when no printer is current.
    QString DeviceName() const;
    bool IsPdfPrinter() const;
    // Makes the system's default printer current again (or the first of the list).
    void SelectDefaultPrinter();

    // Paper by Windows paper code (1 Letter, 9 A4, 11 A5, envelopes 19..38); false for codes
    // without a known size (nothing changes then).
    bool SetPaperCode(int code);
    // A custom paper, in inches, width and height as in portrait.
    void SetCustomPaper(double widthInches, double heightInches);
    int PaperCode() const;  // 0 for a custom paper or a paper without a code
    void SetOrientation(Orientation orientation);
    Orientation GetOrientation() const;

    // Papers and paper sources the current printer offers, by name, and the current ones.
    QStringList Papers() const;
    int PaperIndex() const;
    bool SetPaperByName(const QString& name);
    QString PaperName() const;
    QStringList PaperSources() const;
    int PaperSourceIndex() const;
    bool SetPaperSourceByName(const QString& name);
    QString PaperSourceName() const;

    // The page in inches as the printer reports it, after orientation.
    double PageWidth() const;
    double PageHeight() const;
    // The unprintable strips at the page's edges, in inches, after orientation.
    InchMargins Unprintable() const;
    // Device resolution (dots per inch) that jobs to this printer, or recorded for it, use.
    int Resolution() const;

    // "PDF file": the file the next job writes. When empty the job asks the PdfFileNameAsker
    // (installed by the user interface; an empty answer cancels the job).
    void SetPdfFileName(const QString& path);
    QString PdfFileName() const;
    using FileNameAsker = std::function<QString(const QString& title)>;
    static void SetPdfFileNameAsker(FileNameAsker asker);
    static QString AskPdfFileName(const QString& title);
    static bool HasPdfFileNameAsker();

    // The Qt printer that carries the settings (for the printer setup dialog). After a dialog
    // changed it, call SettingsChanged() so that the control reads the printer's settings again.
    QPrinter& QtPrinter();
    void SettingsChanged();
    // Passes the chosen paper source to the printer's job options (called when a job starts).
    void ApplyJobOptions();

private:
    void ApplyPaper();
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace addrova::print
