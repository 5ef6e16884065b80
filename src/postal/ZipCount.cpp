#include "ZipCount.h"

#include "Table.h"

#include <algorithm>
#include <cctype>

namespace addrova::postal {

std::string FormatCount(uint64_t n)
{
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string CountLine(std::string_view code, uint64_t count)
{
    std::string line(code.substr(0, 10));
    line.resize(10, ' ');
    return line + FormatCount(count);
}

void ZipCounter::add(std::string_view zipField)
{
    ++records_;
    const std::string_view zip5 = zipField.substr(0, 5);
    if (zip5.empty()) {
        ++blanks_;
        return;
    }
    if (zip5.size() == 5 && valid_.add(zip5))
        return;
    std::string key(zip5);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto [it, fresh] = others_.try_emplace(std::move(key), Other{std::string(zip5), 0});
    ++it->second.count;
}

std::vector<std::string> ZipCounter::listing() const
{
    std::vector<std::string> out;
    for (int d = 0; d < 10; ++d)
        for (const auto& e : valid_.sorted(d))
            out.push_back(CountLine(e.zip, e.count));
    out.emplace_back();
    out.emplace_back();
    // The map's order is the upper-cased codes' byte order: ascending without regard to case.
    for (const auto& [key, o] : others_)
        out.push_back(CountLine(o.code, o.count));
    if (blanks_ > 0)
        out.push_back(CountLine("BLANK", blanks_));
    return out;
}

CountResult CountZipCodes(store::Table& table, std::vector<std::string>& listing, const CountStatus& status)
{
    const auto say = [&](const std::string& s) { return !status || status(s); };
    listing.clear();
    const int zipField = table.fieldIndex("ZIP");
    if (zipField < 0)
        throw std::runtime_error("The table has no ZIP field");
    const int order = table.order();
    const uint32_t recno = table.eof() ? 0 : table.recNo();
    ZipCounter counter;
    bool go = true;
    try {
        table.setOrder(0);
        table.setTurboRead(true);
        table.goTop();
        go = say("Reading database records...");
        while (go && !table.eof()) {
            counter.add(table.getString(zipField));
            table.skip();
            const uint32_t rec = table.recNo();
            if (rec % 100 == 0)
                go = say("Reading record " + std::to_string(rec));
        }
        table.setTurboRead(false);
        if (go) {
            say("Sorting Zip Codes...");
            listing = counter.listing();
        }
    } catch (...) {
        table.setTurboRead(false);
        table.setOrder(order);
        throw;
    }
    table.setOrder(order);
    if (recno > 0)
        table.go(recno);
    return go ? CountResult::Done : CountResult::Cancelled;
}

}  // namespace addrova::postal
