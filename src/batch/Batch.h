#pragma once

#include "CodePage.h"
#include "PrintJob.h"
#include "ProgramDir.h"
#include "RecordChoice.h"
#include "SystemTables.h"
#include "Table.h"

#include <functional>
#include <stdexcept>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace addrova::batch {

// Parsed command line of one verb: positional arguments and --options.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // "--filter EXPR" -> {"filter", "EXPR"}; flags map to ""
    bool has(const std::string& name) const { return options.count(name) != 0; }
    std::string get(const std::string& name, const std::string& fallback = "") const {
        auto it = options.find(name);
        return it == options.end() ? fallback : it->second;
    }
};

// A usage error: the message is printed with the verb's usage line.
struct UsageError {
    std::string message;
};

struct Verb {
    std::string name;
    std::string usage;                   // arguments after the verb
    std::string summary;                 // one line
    std::vector<std::string> valueOptions;  // options that take a value
    std::vector<std::string> flagOptions;   // options without a value
    size_t minArgs = 0, maxArgs = 0;
    std::function<int(const Args&)> run;  // returns the exit status
};

// A whole number from the command line; a UsageError naming `what` otherwise.
long long wholeNumber(const std::string& text, const char* what);
// The application for verbs that draw or print (fonts need one), offscreen unless a platform is set.
std::unique_ptr<QApplication> StartApplication();
// Opens the address file (the first word) read-only for a print verb, with --order TAG and --filter EXPR;
// deleted records are always left out. --recno N is checked and made current. Returns the records asked
// for: OnlyCurrent with --recno, All with --all, else Filter.
print::RecordChoice OpenAddressFile(const Args& a, store::Table& t);
// Prints `job` to the --pdf file; false after naming the failure on stderr.
bool WriteJobPdf(print::PrintJob& job, const Args& a, const char* verb);
// A message of a print run on stderr, its line breaks made plain.
void TellRunMessage(const QString& text);

// The stored layout of a system table whose description is `description`, read by `read`; the
// message lists the stored descriptions otherwise. `selection` limits the rows looked at.
template <class Setup, class Read>
Setup FindStoredLayout(store::SystemTable which, const std::string& kind, const std::string& file,
                       const std::string& description, Read read, const std::string& selection = {})
{
    store::Table layouts;
    const std::string problem = store::openSystemTable(which, layouts, app::SysdataDir());
    if (!problem.empty())
        throw std::runtime_error(problem);
    if (!selection.empty())
        layouts.setSelection(selection);
    layouts.setOrder(layouts.orderCount() >= 1 ? 1 : 0);
    const std::string wanted = store::fromUtf8(description, layouts.codePage());
    std::vector<std::string> known;
    for (layouts.goTop(); !layouts.eof(); layouts.skip()) {
        Setup s = read(layouts);
        if (s.descript == wanted)
            return s;
        known.push_back(store::toUtf8(s.descript, layouts.codePage()));
    }
    std::string msg = "no " + kind + " layout is described \"" + description + "\"";
    if (known.empty()) {
        msg += " (" + file + " holds no layouts)";
    } else {
        msg += "; the layouts are:";
        for (const auto& k : known)
            msg += "\n  " + k;
    }
    throw std::runtime_error(msg);
}

void addTableVerbs(std::vector<Verb>& verbs);
void addAddressVerbs(std::vector<Verb>& verbs);
void addPostalVerbs(std::vector<Verb>& verbs);
void addLayoutVerbs(std::vector<Verb>& verbs);
void addLabelVerbs(std::vector<Verb>& verbs);
void addEnvelopeVerbs(std::vector<Verb>& verbs);
void addReportVerbs(std::vector<Verb>& verbs);
void addLetterVerbs(std::vector<Verb>& verbs);
void addExchangeVerbs(std::vector<Verb>& verbs);
void addToolVerbs(std::vector<Verb>& verbs);

}  // namespace addrova::batch
