#include "LetterPrint.h"

#include "PageRender.h"
#include "RecordSource.h"
#include "Table.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace addrova::letters {

PrinterBounds DeterminePrinterBounds(const richtext::PageSettings& page, int px, int py, int ox, int oy)
{
    const long long pageWidth = static_cast<long long>(px) * page.paperWidth / 1440;
    const long long pageHeight = static_cast<long long>(py) * page.paperHeight / 1440;
    PrinterBounds b;
    b.left = static_cast<int>(static_cast<long long>(px) * page.marginLeft / 1440 - ox);
    b.top = static_cast<int>(static_cast<long long>(py) * page.marginTop / 1440 - oy);
    b.width = static_cast<int>(pageWidth - static_cast<long long>(px) * page.marginRight / 1440 - b.left);
    b.height = static_cast<int>(pageHeight - static_cast<long long>(py) * page.marginBottom / 1440 - b.top);
    return b;
}

LetterOutput::~LetterOutput() = default;

PdfLetterOutput::PdfLetterOutput(QString path, int dpi) : path_(std::move(path)), dpi_(dpi) {}

PdfLetterOutput::~PdfLetterOutput()
{
    if (painter_ && painter_->isActive())
        painter_->end();
}

bool PdfLetterOutput::Begin(const richtext::PageSettings& page)
{
    writer_ = std::make_unique<QPdfWriter>(path_);
    writer_->setResolution(dpi_);
    writer_->setCreator(QStringLiteral("Addrova"));
    const double w = page.paperWidth / 1440.0, h = page.paperHeight / 1440.0;
    const bool across = w > h;
    writer_->setPageLayout(QPageLayout(QPageSize(QSizeF(across ? h : w, across ? w : h), QPageSize::Inch),
                                       across ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) {
        error_ = QStringLiteral("Unable to write %1").arg(path_);
        return false;
    }
    return true;
}

QPainter& PdfLetterOutput::Painter()
{
    return *painter_;
}

QPagedPaintDevice* PdfLetterOutput::Device()
{
    return writer_.get();
}

bool PdfLetterOutput::NewPage()
{
    return writer_->newPage();
}

void PdfLetterOutput::Abort()
{
    if (painter_ && painter_->isActive())
        painter_->end();
    writer_.reset();
    QFile::remove(path_);
}

bool PdfLetterOutput::End()
{
    if (!painter_ || !painter_->isActive())
        return false;
    const bool ok = painter_->end();
    writer_.reset();
    if (!ok || !QFile::exists(path_)) {
        error_ = QStringLiteral("Unable to write %1").arg(path_);
        return false;
    }
    return true;
}

std::unique_ptr<QTextDocument> MergedLetter(const QTextDocument& letter, const layout::RecordSource& source,
                                            const QString& shortDate, const QDate& today)
{
    std::unique_ptr<QTextDocument> copy(letter.clone());
    richtext::setPageSettings(*copy, richtext::pageSettings(letter));
    ReplaceTokens(*copy, MergeValues(ValuesOf(source), shortDate, today));
    return copy;
}

LetterPrintRun::LetterPrintRun(const QTextDocument& letter, const layout::RecordSource& source, QString shortDate,
                               QDate today)
    : template_(letter), source_(source), shortDate_(std::move(shortDate)), today_(today),
      page_(richtext::pageSettings(letter).sane())
{
}

LetterPrintRun::~LetterPrintRun() = default;

bool LetterPrintRun::PrintThisRecord(LetterOutput& out, int copies)
{
    std::unique_ptr<QTextDocument> letter = MergedLetter(template_, source_, shortDate_, today_);
    QPagedPaintDevice* device = out.Device();
    const PrinterBounds b =
        DeterminePrinterBounds(page_, device->logicalDpiX(), device->logicalDpiY(), out.OffsetX(), out.OffsetY());
    if (b.width <= 0 || b.height <= 0) {
        error_ = QStringLiteral("The letter's margins leave no room on the page.");
        return false;
    }
    richtext::PageRenderer renderer(*letter, device, QSizeF(b.width, b.height));
    for (int copy = 0; copy < copies; ++copy) {
        int next = renderer.renderPage(out.Painter(), QPointF(b.left, b.top), 0);
        ++pages_;
        while (next > 0) {
            if (!out.NewPage()) {
                error_ = QStringLiteral("The printer refused a new page.");
                return false;
            }
            next = renderer.renderPage(out.Painter(), QPointF(b.left, b.top), next);
            ++pages_;
        }
        if (copy + 1 < copies && !out.NewPage()) {
            error_ = QStringLiteral("The printer refused a new page.");
            return false;
        }
    }
    return true;
}

LetterOutcome LetterPrintRun::Run(store::Table& table, LetterOutput& out, int copies, bool onlyCurrent,
                                  const LetterRunHooks& hooks)
{
    pages_ = 0;
    if (!out.Begin(page_)) {
        error_ = out.ErrorText();
        return LetterOutcome::Failed;
    }
    bool cancelled = false, failed = false;
    try {
        while (!table.eof() && !cancelled) {
            if (!PrintThisRecord(out, copies)) {
                failed = true;
                break;
            }
            if (onlyCurrent)
                break;
            table.skip();
            if (!table.eof() && !out.NewPage()) {
                failed = true;
                error_ = QStringLiteral("The printer refused a new page.");
                break;
            }
            if (hooks.status)
                hooks.status(QStringLiteral("Printing page %1").arg(pages_));
            if (hooks.yield)
                hooks.yield();
            if (hooks.cancelRequested && hooks.cancelRequested()) {
                if (!hooks.ask || hooks.ask(QString::fromLatin1(kCancelQuestion))) {
                    cancelled = true;
                    out.Abort();
                }
            }
        }
    } catch (const std::exception& e) {
        failed = true;
        error_ = QString::fromLocal8Bit(e.what());
    }
    if (cancelled)
        return LetterOutcome::Canceled;
    out.End();  // an error while ending is ignored, as after an abort
    return failed ? LetterOutcome::Failed : LetterOutcome::Completed;
}

QString LetterPrintRun::FinalMessage(LetterOutcome o) const
{
    return QString::fromLatin1(o == LetterOutcome::Canceled ? kLetterCanceled : kLetterCompleted);
}

}  // namespace addrova::letters
