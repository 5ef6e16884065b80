// addrova-mkdata: turns the system data files (UTF-8 CSV, one header row) into the system tables.
//
//   addrova-mkdata lbltpl IN.csv OUT.DBF   label stock catalogue
//   addrova-mkdata csz IN.csv OUT.DBF      state/province ZIP ranges
//
// Every value is checked; the first bad row stops the run with a message naming its line, and no
// output is left behind.

#include "CodePage.h"
#include "Csv.h"
#include "Error.h"
#include "LabelGeometry.h"
#include "Table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using addrova::exchange::CsvReader;
using addrova::store::FieldSpec;
using addrova::store::OpenMode;
using addrova::store::Table;

constexpr int kCodePage = 1252;

// A fault in the input; the message already names the line.
class DataError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string at(int line) {
    return "line " + std::to_string(line);
}

struct Column {
    FieldSpec spec;
    std::function<void(const std::string&, int line)> check;  // extra rule for the value, may be empty
};

// One row by column name: the text as read (UTF-8) and the value of numeric columns.
struct Row {
    std::map<std::string, std::string> text;
    std::map<std::string, double> number;
};

void requireCode(const std::string& value, const std::vector<std::string>& allowed, const std::string& column,
                 int line) {
    if (std::find(allowed.begin(), allowed.end(), value) != allowed.end()) return;
    std::string list;
    for (const auto& a : allowed) list += (list.empty() ? "" : ", ") + a;
    throw DataError(at(line) + ", " + column + ": \"" + value + "\" is not one of " + list);
}

// The allowed values are copied: the lambda outlives the initializer list.
Column code(const char* name, uint16_t width, std::initializer_list<const char*> allowed) {
    std::vector<std::string> values(allowed.begin(), allowed.end());
    return {{name, 'C', width, 0},
            [name, values](const std::string& v, int line) { requireCode(v, values, name, line); }};
}

Column text(const char* name, uint16_t width, bool required = false) {
    return {{name, 'C', width, 0}, [=](const std::string& v, int line) {
                if (required && v.empty()) throw DataError(at(line) + ", " + name + ": the value is empty");
            }};
}

Column number(const char* name, uint16_t width, uint8_t decimals) {
    return {{name, 'N', width, decimals}, {}};
}

// A decimal number with at most the field's decimals: [-]digits[.digits].
double parseNumber(const std::string& s, const FieldSpec& f, int line) {
    auto fail = [&](const std::string& why) {
        throw DataError(at(line) + ", " + f.name + ": \"" + s + "\" " + why);
    };
    size_t i = s.size() && s[0] == '-' ? 1 : 0;
    size_t digits = 0, decimals = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            ++(point ? decimals : digits);
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            fail("is not a number");
        }
    }
    if (digits == 0 && decimals == 0) fail("is not a number");
    if (decimals > f.decimals)
        fail(f.decimals ? "has more than " + std::to_string(f.decimals) + " decimals"
                        : "is not a whole number");
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) fail("is not a number");
    if (std::snprintf(nullptr, 0, "%.*f", static_cast<int>(f.decimals), v) > f.width)
        throw DataError(at(line) + ", " + f.name + ": " + s + " does not fit N" + std::to_string(f.width) +
                        "." + std::to_string(f.decimals));
    return v;
}

struct TableKind {
    std::vector<Column> columns;
    std::string tagName, tagExpr;
    std::function<void(const Row&, int line)> checkRow;  // rules across columns
};

void checkLabel(const Row& r, int line) {
    auto num = [&](const char* name) { return r.number.at(name); };
    addrova::labels::LabelGeometry g;
    g.lblHeight = num("LBLHEIGHT");
    g.lblWidth = num("LBLWIDTH");
    g.nbrAcross = static_cast<int>(num("NBRACROSS"));
    g.nbrDown = static_cast<int>(num("NBRDOWN"));
    g.topMarg = num("TOPMARG");
    g.leftMarg = num("LEFTMARG");
    g.horizPitch = num("HORIZPITCH");
    g.vertPitch = num("VERTPITCH");
    g.sheetWidth = num("SHEETWIDTH");
    g.sheetDepth = num("SHEETDEPTH");
    g.midExtraX = num("MIDEXTRAX");
    g.midExtraY = num("MIDEXTRAY");
    std::string problem = addrova::labels::ValidLabel(g);
    if (!problem.empty()) throw DataError(at(line) + ": " + problem);
    if (!addrova::labels::fitsOnSheet(g)) throw DataError(at(line) + ": the labels do not fit on the sheet");
}

TableKind labelTemplates() {
    TableKind k;
    k.columns = {
        text("DESCRIPT", 60, true),
        number("LBLHEIGHT", 6, 3),
        number("LBLWIDTH", 6, 3),
        number("NBRACROSS", 2, 0),
        number("NBRDOWN", 2, 0),
        number("TOPMARG", 6, 3),
        number("LEFTMARG", 6, 3),
        number("HORIZPITCH", 6, 3),
        number("VERTPITCH", 6, 3),
        number("SHEETWIDTH", 6, 3),
        number("SHEETDEPTH", 6, 3),
        code("PRINTER", 2, {"LJ", "IJ", "DM", "LP"}),
        code("PAPERSIZE", 5, {"LTR", "LTRL", "A4", "A4L", "A5", "USERP", "USERL"}),
        code("LBLSHAPE", 2, {"RR", "SR", "EL"}),
        code("MANUFAC", 10, {"AVERY", "COSTAR"}),
        code("PRODTYPE", 25,
             {"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS", "DISKETTE LABELS", "FILE FOLDER LABELS",
              "INDEX PRODUCTS", "MISCELLANEOUS"}),
        number("MIDEXTRAX", 6, 3),
        number("MIDEXTRAY", 6, 3),
        text("ART", 12),
    };
    k.tagName = "DESCRIPT";
    k.tagExpr = "UPPER(descript)";
    k.checkRow = checkLabel;
    return k;
}

TableKind zipRanges() {
    TableKind k;
    k.columns = {text("NAME", 20, true), text("STATE", 4, true), text("LOW_ZIP", 10, true),
                 text("HIGH_ZIP", 10, true)};
    k.tagName = "STATE";
    k.tagExpr = "UPPER(state)";
    k.checkRow = [](const Row& r, int line) {
        const std::string &low = r.text.at("LOW_ZIP"), &high = r.text.at("HIGH_ZIP");
        if (low > high) throw DataError(at(line) + ": LOW_ZIP " + low + " is above HIGH_ZIP " + high);
    };
    return k;
}

void build(const TableKind& kind, const std::string& csvPath, const std::string& outPath) {
    CsvReader csv(addrova::exchange::ReadTextFile(csvPath));
    std::vector<std::string> fields;
    int line = 0;
    std::string expected;
    for (const auto& c : kind.columns) expected += (expected.empty() ? "" : ",") + c.spec.name;
    if (!csv.next(fields, line)) throw DataError("the file is empty; the first line must be " + expected);
    std::string header;
    for (const auto& f : fields) header += (header.empty() ? "" : ",") + f;
    if (header != expected)
        throw DataError(at(line) + ": the columns must be " + expected + ", not " + header);

    std::vector<FieldSpec> specs;
    for (const auto& c : kind.columns) specs.push_back(c.spec);
    Table::create(outPath, specs);
    Table t;
    t.open(outPath, OpenMode::Exclusive);
    while (csv.next(fields, line)) {
        if (fields.size() != kind.columns.size())
            throw DataError(at(line) + ": " + std::to_string(fields.size()) + " values, the header has " +
                            std::to_string(kind.columns.size()));
        Row row;
        for (size_t i = 0; i < fields.size(); ++i) {
            const Column& c = kind.columns[i];
            const std::string& v = fields[i];
            if (c.spec.type == 'N') row.number[c.spec.name] = parseNumber(v, c.spec, line);
            if (c.check) c.check(v, line);
            row.text[c.spec.name] = v;
        }
        if (kind.checkRow) kind.checkRow(row, line);

        t.appendBlank();
        for (size_t i = 0; i < fields.size(); ++i) {
            const FieldSpec& f = kind.columns[i].spec;
            const std::string& v = fields[i];
            if (f.type == 'N') {
                try {
                    t.setNumber(static_cast<int>(i), row.number.at(f.name));
                } catch (const addrova::store::Error&) {
                    throw DataError(at(line) + ", " + f.name + ": " + v + " does not fit N" +
                                    std::to_string(f.width) + "." + std::to_string(f.decimals));
                }
                continue;
            }
            std::string native = addrova::store::fromUtf8(v, kCodePage);
            if (std::count(native.begin(), native.end(), '?') != std::count(v.begin(), v.end(), '?'))
                throw DataError(at(line) + ", " + f.name + ": \"" + v +
                                "\" is not UTF-8 or has characters that Windows-1252 does not have");
            if (native.size() > f.width)
                throw DataError(at(line) + ", " + f.name + ": \"" + v + "\" is longer than " +
                                std::to_string(f.width) + " characters");
            t.setString(static_cast<int>(i), native);
        }
        t.post();
    }
    t.createTag(kind.tagName, kind.tagExpr);
    t.close();
}

void removeOutput(const std::string& outPath) {
    std::error_code ec;
    std::filesystem::path p(outPath);
    std::filesystem::remove(p, ec);
    for (const char* ext : {".CDX", ".cdx"})
        std::filesystem::remove(std::filesystem::path(p).replace_extension(ext), ec);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[1]) != "lbltpl" && std::string(argv[1]) != "csz")) {
        std::fprintf(stderr,
                     "usage: addrova-mkdata lbltpl IN.csv OUT.DBF\n"
                     "       addrova-mkdata csz IN.csv OUT.DBF\n");
        return 2;
    }
    std::string what = argv[1], in = argv[2], out = argv[3];
    try {
        build(what == "lbltpl" ? labelTemplates() : zipRanges(), in, out);
    } catch (const DataError& e) {
        removeOutput(out);
        std::fprintf(stderr, "addrova-mkdata: %s: %s\n", in.c_str(), e.what());
        return 1;
    } catch (const addrova::exchange::CsvError& e) {
        removeOutput(out);
        std::fprintf(stderr, "addrova-mkdata: %s: %s\n", in.c_str(), e.what());
        return 1;
    } catch (const std::exception& e) {
        removeOutput(out);
        std::fprintf(stderr, "addrova-mkdata: %s\n", e.what());
        return 1;
    }
    return 0;
}
