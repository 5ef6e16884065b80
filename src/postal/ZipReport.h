#pragma once

// The "Zip Code Count Report": the count listing in four columns of code and count per page.

#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace addrova::print {
class PrintJob;
}

namespace addrova::postal {

inline const QString kZipReportTitle = QStringLiteral("Zip Code Count Report");

// Sets the job's margins, title and events to print the listing (lines in the code page given).
// keepGoing is asked after every line; false stops the report there (a preview's "Stop").
void ConfigureZipReport(print::PrintJob& job, std::vector<std::string> listing, int codePage,
                        std::function<bool()> keepGoing = {});

// The page frame: title, page number, the section's outline and the three column rules.
void ZipReportFrame(print::PrintJob& job);
// Draws every page of the report on a started job.
void PrintZipReport(print::PrintJob& job, const std::vector<QString>& listing, const std::function<bool()>& keepGoing);

}  // namespace addrova::postal
