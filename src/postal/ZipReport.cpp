#include "ZipReport.h"

#include "CodePage.h"
#include "PrintJob.h"

#include <QCoreApplication>

namespace addrova::postal {

namespace {
constexpr double kColumnWidth = 1.875, kCellWidth = 0.625;

void setRowTabs(print::PrintJob& job, bool shaded)
{
    const int shade = shaded ? 5 : 0;
    job.ClearTabs();
    job.SetTab(0, print::Justify::Left, kCellWidth, 0, print::BoxLineNone, shade);
    job.SetTab(print::PrintJob::TabAfterPrevious, print::Justify::Right, kCellWidth, 0, print::BoxLineNone, shade);
    job.SetTab(print::PrintJob::TabAfterPrevious, print::Justify::Left, kCellWidth, 0, print::BoxLineNone, shade);
}
}  // namespace

void ZipReportFrame(print::PrintJob& job)
{
    const double keepX = job.OriginX();
    job.SetOriginX(0);
    const double left = job.SectionLeft(), top = job.SectionTop(), right = job.SectionRight(),
                 bottom = job.SectionBottom();
    job.SetBold(true);
    job.TextOut(left, top - 0.25, kZipReportTitle);
    job.SetBold(false);
    job.TextOut(left, bottom + 0.05, QStringLiteral("Page ") + QString::number(job.PageNumber()));
    job.SetPen(Qt::black, print::PenStyle::Solid, 0);
    job.SetBrush(Qt::white, print::BrushStyle::Clear);
    job.Rectangle(left, top, right, bottom);
    for (int c = 1; c <= 3; ++c) {
        job.MoveTo(left + c * kColumnWidth, top);
        job.LineTo(left + c * kColumnWidth, bottom);
    }
    job.SetOriginX(keepX);
}

void PrintZipReport(print::PrintJob& job, const std::vector<QString>& listing, const std::function<bool()>& keepGoing)
{
    job.SetFont(QStringLiteral("Arial"), 10);
    job.ResetSection();
    ZipReportFrame(job);
    int column = 0, row = 0;
    job.SetOriginX(0.5);
    job.Home();
    for (const QString& line : listing) {
        if (job.Aborted())
            break;
        if (job.LinesLeft() < 1) {
            if (++column > 3) {
                job.SetOriginX(0);
                job.NewPage();
                ZipReportFrame(job);
                column = 0;
            }
            job.SetOriginX(0.5 + column * kColumnWidth);
            job.Home();
            row = 0;
        }
        ++row;
        setRowTabs(job, row % 2 == 1);
        job.PrintTab(line.left(5));
        job.PrintTab(line.mid(5, 12));
        job.Tab();
        job.NewLine();
        QCoreApplication::processEvents();
        if (keepGoing && !keepGoing())
            break;
    }
    job.SetOriginX(0);
}

void ConfigureZipReport(print::PrintJob& job, std::vector<std::string> listing, int codePage,
                        std::function<bool()> keepGoing)
{
    std::vector<QString> lines;
    lines.reserve(listing.size());
    for (const auto& l : listing)
        lines.push_back(QString::fromStdString(store::toUtf8(l, codePage)));
    job.SetTitle(QStringLiteral("Addrova"));
    job.SetMargins(0.5, 1.0, 0.5, 1.0);
    job.OnBeforePrint = [](print::PrintJob& j) {
        j.SetStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
        j.StatusText().append(QString());
        j.StatusText().append(QString());
    };
    job.OnNewPage = nullptr;
    job.OnPrint = [lines = std::move(lines), keepGoing = std::move(keepGoing)](print::PrintJob& j) {
        PrintZipReport(j, lines, keepGoing);
    };
}

}  // namespace addrova::postal
