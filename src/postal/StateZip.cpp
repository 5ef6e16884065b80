#include "StateZip.h"

#include "Error.h"
#include "Table.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace addrova::postal {

namespace {
std::string upper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

int requireField(const store::Table& t, const char* name)
{
    const int f = t.fieldIndex(name);
    if (f < 0)
        throw std::runtime_error(t.path() + " has no " + name + " field");
    return f;
}
}  // namespace

std::string CheckIndexPath(const std::string& addressFilePath)
{
    const size_t slash = addressFilePath.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : addressFilePath.substr(0, slash + 1)) + kCheckIndexName;
}

StateRanges StateRanges::Load(store::Table& csz)
{
    const int state = requireField(csz, "STATE"), low = requireField(csz, "LOW_ZIP"),
              high = requireField(csz, "HIGH_ZIP");
    StateRanges r;
    const int order = csz.order();
    csz.setOrder(0);
    for (bool ok = csz.goTop(); ok && !csz.eof(); ok = csz.skip())
        r.add(csz.getString(state), csz.getString(low), csz.getString(high));
    csz.setOrder(order);
    return r;
}

void StateRanges::add(std::string_view state, std::string low, std::string high)
{
    byState_[upper(state)].push_back({std::move(low), std::move(high)});
    ++rows_;
}

bool StateRanges::known(std::string_view state) const
{
    return byState_.find(std::string(state)) != byState_.end();
}

bool StateRanges::fits(std::string_view state, std::string_view zip) const
{
    const auto it = byState_.find(std::string(state));
    if (it == byState_.end())
        return false;
    for (const Range& r : it->second)
        if (!(zip < r.low) && !(zip > r.high))
            return true;
    return false;
}

std::string FoundText(uint32_t questionable)
{
    return "Found " + std::to_string(questionable) + " records with questionable state or zipcodes";
}

StateZipCheck::StateZipCheck(store::Table& table) : table_(table) {}

StateZipCheck::~StateZipCheck()
{
    try {
        close();
    } catch (...) {
        // The file must go whatever the table says.
        std::remove(path_.c_str());
    }
}

void StateZipCheck::close()
{
    if (!open_)
        return;
    open_ = false;
    if (table_.isOpen()) {
        table_.setOrder(order_);
        table_.closeScratchIndex(true);
    }
    std::remove(path_.c_str());
}

CheckResult StateZipCheck::run(const StateRanges& ranges, bool includeBlank, const CheckProgress& progress)
{
    close();
    const int stateField = requireField(table_, "STATE"), zipField = requireField(table_, "ZIP");
    path_ = CheckIndexPath(table_.path());
    table_.createScratchIndex(path_, kCheckIndexKey);
    open_ = true;
    order_ = table_.order();
    CheckResult r;
    table_.setOrder(0);
    const uint32_t total = table_.recCount();
    for (bool ok = table_.goTop(); ok && !table_.eof(); ok = table_.skip()) {
        ++r.checked;
        if (!table_.deleted()) {
            const std::string state = table_.getString(stateField);
            const std::string zip = table_.getString(zipField);
            if ((includeBlank || (!state.empty() && !zip.empty())) && !ranges.fits(state, zip)) {
                table_.keyAdd();
                ++r.questionable;
            }
        }
        if (progress && !progress(r.checked, total, r.questionable)) {
            r.cancelled = true;
            break;
        }
    }
    table_.setOrder(order_);
    table_.goTop();
    return r;
}

std::vector<uint32_t> StateZipCheck::records()
{
    std::vector<uint32_t> out;
    if (!open_)
        return out;
    table_.setOrder(order_);
    for (bool ok = table_.goTop(); ok && !table_.eof(); ok = table_.skip())
        out.push_back(table_.recNo());
    table_.goTop();
    return out;
}

uint32_t TagResult(store::Table& table, StateZipCheck& check, const std::string& tagId)
{
    const int tag = requireField(table, "TAG");
    uint32_t n = 0;
    for (uint32_t rec : check.records()) {
        table.go(rec);
        table.setString(tag, tagId);
        table.post();
        ++n;
    }
    table.setOrder(check.order());
    table.goTop();
    return n;
}

bool ToggleTag(store::Table& table, const std::string& tagId)
{
    const int tag = requireField(table, "TAG");
    const bool tagged = table.getString(tag) != tagId;
    table.setString(tag, tagged ? tagId : std::string());
    table.post();
    return tagged;
}

}  // namespace addrova::postal
