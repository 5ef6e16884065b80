#pragma once

// The status windows of report runs ("Print Status" / "Preview Status") and the hand-over of a
// preview to the shared preview window, captioned "Preview Report".

#include "TPrintStatus.h"

#include <functional>

namespace addrova::print {
class PrintJob;
class TPreviewForm;
}

namespace addrova::reports {

print::TPrintStatus::Texts ReportTexts(bool preview);

// One status window class per kind of run, as the windows name them.
class TUserDefinedReportPrint : public print::TPrintStatus {
    Q_OBJECT
public:
    TUserDefinedReportPrint(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent = nullptr);
};
class TBuiltInReportPrint : public print::TPrintStatus {
    Q_OBJECT
public:
    TBuiltInReportPrint(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent = nullptr);
};
class TSingleRecordPrint : public print::TPrintStatus {
    Q_OBJECT
public:
    TSingleRecordPrint(print::PrintJob& job, bool preview, print::PageStream* stream, QWidget* parent = nullptr);
};

enum class StatusKind { UserDefined, BuiltIn, SingleRecord };

// Hooks for tests: the status window once created (before it runs), and the preview window
// instead of its modal loop.
struct StatusHooks {
    std::function<void(print::TPrintStatus&)> statusShown;
    std::function<void(print::TPreviewForm&)> previewShown;
};
StatusHooks& ReportStatusHooks();

// Runs the job in its status window; a preview that was not aborted then opens in the preview
// window. `current` points at the status window while the job runs (the record loop's stop test).
void RunReportJob(StatusKind kind, print::PrintJob& job, bool preview, print::TPrintStatus** current,
                  QWidget* parent);

}  // namespace addrova::reports
