#include "Presort.h"

#include "Csv.h"
#include "Table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>

namespace addrova::postal {

namespace {

bool lessNoCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

AdcTable LoadAdcTable(const std::string& path)
{
    const auto fail = [&](int line, const std::string& why) {
        return std::runtime_error(path + ", line " + std::to_string(line) + ": " + why);
    };
    std::string text;
    try {
        text = exchange::ReadTextFile(path);
    } catch (const exchange::CsvError& e) {
        throw std::runtime_error(std::string("The ADC table cannot be read: ") + e.what());
    }
    exchange::CsvReader csv(std::move(text));
    std::vector<std::string> fields;
    int line = 0;
    AdcTable table;
    std::map<std::string, int> seen;  // prefix -> line of its row
    try {
        if (!csv.next(fields, line) || fields != std::vector<std::string>{"adc", "prefixes"})
            throw fail(line, "the first line must be adc,prefixes");
        while (csv.next(fields, line)) {
            if (fields.size() != 2)
                throw fail(line, std::to_string(fields.size()) + " values, expected 2");
            if (fields[0].empty())
                throw fail(line, "the ADC name is empty");
            AdcRow row{fields[0], ""};
            size_t p = 0;
            const std::string& s = fields[1];
            while (p < s.size()) {
                while (p < s.size() && s[p] == ' ')
                    ++p;
                const size_t e = std::min(s.find(' ', p), s.size());
                if (e == p)
                    break;
                const std::string prefix = s.substr(p, e - p);
                if (prefix.size() != 3 || !std::all_of(prefix.begin(), prefix.end(), isDigit))
                    throw fail(line, "\"" + prefix + "\" is not a 3-digit ZIP prefix");
                if (auto [it, fresh] = seen.emplace(prefix, line); !fresh)
                    throw fail(line, "prefix " + prefix + " is also in the row of line " + std::to_string(it->second));
                row.prefixes += (row.prefixes.empty() ? "" : " ") + prefix;
                p = e;
            }
            if (row.prefixes.empty())
                throw fail(line, "the row has no prefixes");
            table.push_back(std::move(row));
        }
    } catch (const exchange::CsvError& e) {
        throw std::runtime_error(path + ", " + e.what());
    }
    return table;
}

std::string ZipTally::fold(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

size_t ZipTally::slot(const List& l, const std::string& key) const
{
    const size_t mask = l.index.size() - 1;
    size_t h = std::hash<std::string>{}(key) & mask;
    while (l.index[h] != SIZE_MAX && l.keys[l.index[h]] != key)
        h = (h + 1) & mask;
    return h;
}

void ZipTally::grow(List& l)
{
    std::vector<size_t> old(l.index.empty() ? 64 : l.index.size() * 2, SIZE_MAX);
    l.index.swap(old);
    for (size_t i = 0; i < l.entries.size(); ++i)
        l.index[slot(l, l.keys[i])] = i;
}

bool ZipTally::add(std::string_view zipField)
{
    const std::string zip5(zipField.substr(0, 5));
    if (zip5.empty() || !isDigit(zip5[0]) || zip5 < "00000" || zip5 > "99999-999")
        return false;
    List& l = lists_[zip5[0] - '0'];
    if (l.entries.size() * 2 >= l.index.size())
        grow(l);
    std::string key = fold(zip5);
    const size_t s = slot(l, key);
    if (l.index[s] == SIZE_MAX) {
        l.index[s] = l.entries.size();
        l.entries.push_back({zip5, 1});
        l.keys.push_back(std::move(key));
    } else {
        ++l.entries[l.index[s]].count;
    }
    ++pieces_;
    return true;
}

size_t ZipTally::distinct() const
{
    size_t n = 0;
    for (const List& l : lists_)
        n += l.entries.size();
    return n;
}

std::vector<ZipTally::Entry> ZipTally::sorted(int digit) const
{
    std::vector<Entry> v = lists_[digit].entries;
    std::sort(v.begin(), v.end(), [](const Entry& a, const Entry& b) { return lessNoCase(a.zip, b.zip); });
    return v;
}

std::vector<std::string> BuildListing(const ZipTally& tally, const AdcTable& adc)
{
    std::vector<std::string> out, threeDigit, adcGroups;
    std::vector<ZipTally::Entry> leftovers;
    for (int d = 0; d < 10; ++d) {
        std::vector<ZipTally::Entry> list = tally.sorted(d);
        // 5-digit groups.
        std::vector<ZipTally::Entry> rest;
        for (const auto& e : list) {
            if (e.count > 9) {
                out.push_back("** 5-digit " + e.zip);
                out.push_back(e.zip);
            } else {
                rest.push_back(e);
            }
        }
        // 3-digit groups: runs sharing their first three characters.
        std::vector<ZipTally::Entry> left;
        for (size_t i = 0; i < rest.size();) {
            const std::string prefix = rest[i].zip.substr(0, 3);
            size_t j = i;
            uint64_t sum = 0;
            while (j < rest.size() && rest[j].zip.substr(0, 3) == prefix)
                sum += rest[j++].count;
            if (sum > 9) {
                threeDigit.push_back("** 3-digit " + prefix);
                for (size_t k = i; k < j; ++k)
                    threeDigit.push_back(rest[k].zip.substr(0, 5));
            } else {
                left.insert(left.end(), rest.begin() + static_cast<long>(i), rest.begin() + static_cast<long>(j));
            }
            i = j;
        }
        leftovers.insert(leftovers.end(), left.begin(), left.end());
    }
    // ADC groups, in table order; a ZIP goes to the first row whose prefixes contain its first three.
    for (const AdcRow& row : adc) {
        bool headed = false;
        std::vector<ZipTally::Entry> remaining;
        for (auto& e : leftovers) {
            if (row.prefixes.find(e.zip.substr(0, 3)) != std::string::npos) {
                if (!headed) {
                    adcGroups.push_back("** ADC " + row.name);
                    headed = true;
                }
                adcGroups.push_back(e.zip);
            } else {
                remaining.push_back(std::move(e));
            }
        }
        leftovers.swap(remaining);
    }
    out.insert(out.end(), threeDigit.begin(), threeDigit.end());
    out.insert(out.end(), adcGroups.begin(), adcGroups.end());
    if (!leftovers.empty()) {
        out.push_back("** Unknown");
        for (const auto& e : leftovers)
            out.push_back(e.zip);
    }
    return out;
}

void WriteListing(const std::string& path, const std::vector<std::string>& lines)
{
    const std::string tmp = path + ".new";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        for (const auto& l : lines)
            f << l << "\r\n";
        f.flush();
        if (!f) {
            std::remove(tmp.c_str());
            throw std::runtime_error("Unable to write " + path);
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw std::runtime_error("Unable to write " + path);
    }
}

std::vector<std::string> ReadListing(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("Unable to read " + path);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(f, l)) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

PresortResult DoTheSort(store::Table& table, const AdcTable& adc, const std::string& listingPath,
                        const PresortStatus& status)
{
    const auto say = [&](const std::string& s) { return !status || status(s); };
    ZipTally tally;
    const int zipField = table.fieldIndex("ZIP");
    if (zipField < 0)
        throw std::runtime_error("The table has no ZIP field");
    table.setOrder(0);
    table.setTurboRead(true);
    table.goTop();
    bool go = say("Reading database records...");
    while (go && !table.eof()) {
        tally.add(table.getString(zipField));
        table.skip();
        const uint32_t rec = table.recNo();
        if (rec % 100 == 0)
            go = say("Reading record " + std::to_string(rec));
    }
    table.setTurboRead(false);
    if (!go)
        return PresortResult::Cancelled;
    say("Sorting Zip Codes...");
    WriteListing(listingPath, BuildListing(tally, adc));
    return PresortResult::Done;
}

}  // namespace addrova::postal
