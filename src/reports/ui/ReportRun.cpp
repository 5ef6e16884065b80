#include "ReportRun.h"

#include "ReportPrint.h"
#include "Table.h"

namespace addrova::reports {

ReportRun::ReportRun(store::Table& table, std::function<void(const QString&)> info)
    : t_(table), info_(std::move(info)), scope_(table)
{
}

ReportRun::~ReportRun()
{
    try {
        Restore();
    } catch (...) {
        // The table stays where it is.
    }
}

void ReportRun::PrepareUserDefined(print::RecordChoice choice, bool startFromCurrent)
{
    scope_.Apply(choice, startFromCurrent, info_);
}

void ReportRun::PrepareBuiltIn(int report, print::RecordChoice choice, bool startFromCurrent)
{
    bool outOfRange = false;
    scope_.Apply(choice, startFromCurrent, [&](const QString& text) {
        outOfRange = true;
        if (info_)
            info_(text);
    });
    const std::string tag = BuiltInReportOrder(report);
    if (t_.tagArea(tag) > 0)
        t_.setOrder(std::string_view(tag));
    if (!startFromCurrent || outOfRange) {
        t_.goTop();
        PlaceBuiltInStart(t_, report, true);
    }
}

void ReportRun::Restore()
{
    scope_.Restore();
}

}  // namespace addrova::reports
