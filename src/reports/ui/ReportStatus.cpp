#include "ReportStatus.h"

#include "JobStatusTexts.h"
#include "PageStream.h"
#include "PrintJob.h"
#include "TPreviewForm.h"

#include <memory>

namespace addrova::reports {

print::TPrintStatus::Texts ReportTexts(bool preview)
{
    return print::JobStatusTexts(preview, QStringLiteral("Report"));
}

TUserDefinedReportPrint::TUserDefinedReportPrint(print::PrintJob& job, bool preview, print::PageStream* stream,
                                                 QWidget* parent)
    : TPrintStatus(job, preview, stream, ReportTexts(preview), parent)
{
    setObjectName(QStringLiteral("TUserDefinedReportPrint"));
}

TBuiltInReportPrint::TBuiltInReportPrint(print::PrintJob& job, bool preview, print::PageStream* stream,
                                         QWidget* parent)
    : TPrintStatus(job, preview, stream, ReportTexts(preview), parent)
{
    setObjectName(QStringLiteral("TBuiltInReportPrint"));
}

TSingleRecordPrint::TSingleRecordPrint(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent)
    : TPrintStatus(job, preview, stream, ReportTexts(preview), parent)
{
    setObjectName(QStringLiteral("TSingleRecordPrint"));
}

StatusHooks& ReportStatusHooks()
{
    static StatusHooks hooks;
    return hooks;
}

void RunReportJob(StatusKind kind, print::PrintJob& job, bool preview, print::TPrintStatus** current, QWidget* parent)
{
    print::PageStream stream;
    print::TPreviewForm f(parent);
    f.setWindowTitle(QStringLiteral("Preview Report"));
    f.SetStream(&stream);
    f.SetInitialZoom(print::TPreviewForm::ZoomPageWidth);
    f.SetJobTitle(job.Title());
    f.SetPrintTexts(ReportTexts(false), QStringLiteral("Printing Page %p of %t\r%0\r%1"));
    bool aborted = false;
    {
        std::unique_ptr<print::TPrintStatus> s;
        if (kind == StatusKind::UserDefined)
            s = std::make_unique<TUserDefinedReportPrint>(job, preview, &stream, parent);
        else if (kind == StatusKind::BuiltIn)
            s = std::make_unique<TBuiltInReportPrint>(job, preview, &stream, parent);
        else
            s = std::make_unique<TSingleRecordPrint>(job, preview, &stream, parent);
        if (current)
            *current = s.get();
        s->SetLivePreview(&f);
        if (ReportStatusHooks().statusShown)
            ReportStatusHooks().statusShown(*s);
        else
            s->exec();
        aborted = s->Aborted() || !s->Finished();
        if (current)
            *current = nullptr;
    }
    if (!preview || aborted)
        return;
    if (ReportStatusHooks().previewShown)
        ReportStatusHooks().previewShown(f);
    else
        f.exec();
}

}  // namespace addrova::reports
