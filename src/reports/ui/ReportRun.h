#pragma once

// The record choice of one report run on the address table: selection, start, and for built-in
// reports their order and the start at the first key of "0" or higher. The "Print Report" window
// and addrova-batch both use it; the table is put back by Restore() or the destructor.

#include "RecordChoice.h"

#include <QString>
#include <functional>

namespace addrova::store {
class Table;
}

namespace addrova::reports {

class ReportRun {
public:
    ReportRun(store::Table& table, std::function<void(const QString&)> info);
    ~ReportRun();
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    void PrepareUserDefined(print::RecordChoice choice, bool startFromCurrent);
    void PrepareBuiltIn(int report, print::RecordChoice choice, bool startFromCurrent);
    void Restore();

private:
    store::Table& t_;
    std::function<void(const QString&)> info_;
    print::RecordScope scope_;
};

}  // namespace addrova::reports
