#pragma once

// Printing merged letters: the letter once (or several times) per chosen record, merged with each,
// page after page onto a printer document or PDF file.

#include "Merge.h"
#include "PageSettings.h"

#include <QString>
#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QTextDocument;

namespace addrova::store {
class Table;
}
namespace addrova::layout {
class RecordSource;
}

namespace addrova::letters {

// The printable rectangle in printer pixels, from the letter's page in twips, the printer's pixels
// per inch and the physical offsets of its printable area (integer arithmetic, truncating).
struct PrinterBounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PrinterBounds&) const = default;
};
PrinterBounds DeterminePrinterBounds(const richtext::PageSettings& page, int px, int py, int ox, int oy);

// A printer document the letters go to.
class LetterOutput {
public:
    virtual ~LetterOutput();
    // Starts the document (its first page). false with ErrorText() when it cannot start.
    virtual bool Begin(const richtext::PageSettings& page) = 0;
    virtual QPainter& Painter() = 0;
    virtual QPagedPaintDevice* Device() = 0;
    virtual bool NewPage() = 0;
    virtual void Abort() = 0;
    virtual bool End() = 0;
    virtual int OffsetX() const { return 0; }
    virtual int OffsetY() const { return 0; }
    virtual QString ErrorText() const { return error_; }

protected:
    QString error_;
};

// A PDF file at `dpi`, each page the size of the letter's paper. Abort removes the file.
class PdfLetterOutput : public LetterOutput {
public:
    explicit PdfLetterOutput(QString path, int dpi = 600);
    ~PdfLetterOutput() override;
    bool Begin(const richtext::PageSettings& page) override;
    QPainter& Painter() override;
    QPagedPaintDevice* Device() override;
    bool NewPage() override;
    void Abort() override;
    bool End() override;

private:
    QString path_;
    int dpi_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
};

// What the status window (or the batch tool) is told and asked during a run.
struct LetterRunHooks {
    std::function<void(const QString&)> status;  // "Printing page N"
    std::function<void()> yield;                 // lets pending window input run, once per record
    std::function<bool()> cancelRequested;       // polled after each record
    std::function<bool(const QString&)> ask;     // "Cancel print job?" -> true for Yes
};

enum class LetterOutcome { Completed, Canceled, Failed };

class LetterPrintRun {
public:
    // The source supplies the current record's values; shortDate is today in the short date format.
    LetterPrintRun(const QTextDocument& letter, const layout::RecordSource& source, QString shortDate, QDate today);
    ~LetterPrintRun();

    // Prints from the current record of the table (placed and filtered by the caller) to its end,
    // or only the current record. Begins and ends the output document.
    LetterOutcome Run(store::Table& table, LetterOutput& out, int copies, bool onlyCurrent,
                      const LetterRunHooks& hooks = {});
    // Merges a copy of the letter with the current record and prints it `copies` times onto the
    // begun output (no new page before the first page). False when drawing fails.
    bool PrintThisRecord(LetterOutput& out, int copies);

    int PagesPrinted() const { return pages_; }
    QString FinalMessage(LetterOutcome o) const;
    const QString& ErrorText() const { return error_; }

private:
    const QTextDocument& template_;
    const layout::RecordSource& source_;
    QString shortDate_;
    QDate today_;
    richtext::PageSettings page_;
    int pages_ = 0;
    QString error_;
};

inline constexpr const char* kLetterCanceled = "Letter Print Canceled!";
inline constexpr const char* kLetterCompleted = "Letter Print Completed!";
inline constexpr const char* kCancelQuestion = "Cancel print job?";

// The merged copy of a letter for the current record.
std::unique_ptr<QTextDocument> MergedLetter(const QTextDocument& letter, const layout::RecordSource& source,
                                            const QString& shortDate, const QDate& today);

}  // namespace addrova::letters
