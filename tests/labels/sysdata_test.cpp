// The system tables as the build made them: read back through the table engine and checked as data.

#include "CodePage.h"
#include "LabelGeometry.h"
#include "LabelStock.h"
#include "Table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using addrova::labels::LabelGeometry;
using addrova::store::OpenMode;
using addrova::store::Table;

namespace {

const std::string kSysdata = ADDROVA_SYSDATA_DIR;

struct Template {
    std::string descript, printer, papersize, shape, manufac, prodtype, art;
    LabelGeometry g;
};

std::vector<Template> readTemplates() {
    Table t;
    t.open(kSysdata + "/LBLTPL.DBF", OpenMode::ReadOnly);
    std::vector<Template> out;
    auto num = [&](const char* name) { return t.getNumber(t.fieldIndex(name)); };
    for (bool more = t.goTop(); more && !t.eof(); t.skip()) {
        Template r;
        r.descript = addrova::store::toUtf8(t.getString("DESCRIPT"), t.codePage());
        r.printer = t.getString("PRINTER");
        r.papersize = t.getString("PAPERSIZE");
        r.shape = t.getString("LBLSHAPE");
        r.manufac = t.getString("MANUFAC");
        r.prodtype = t.getString("PRODTYPE");
        r.art = t.getString("ART");
        r.g.lblHeight = num("LBLHEIGHT");
        r.g.lblWidth = num("LBLWIDTH");
        r.g.nbrAcross = static_cast<int>(num("NBRACROSS"));
        r.g.nbrDown = static_cast<int>(num("NBRDOWN"));
        r.g.topMarg = num("TOPMARG");
        r.g.leftMarg = num("LEFTMARG");
        r.g.horizPitch = num("HORIZPITCH");
        r.g.vertPitch = num("VERTPITCH");
        r.g.sheetWidth = num("SHEETWIDTH");
        r.g.sheetDepth = num("SHEETDEPTH");
        r.g.midExtraX = num("MIDEXTRAX");
        r.g.midExtraY = num("MIDEXTRAY");
        out.push_back(r);
    }
    return out;
}

const std::vector<Template>& templates() {
    static const std::vector<Template> all = readTemplates();
    return all;
}

const Template* find(const std::string& descript) {
    for (const auto& t : templates())
        if (t.descript == descript) return &t;
    return nullptr;
}

const std::set<std::string> kProdTypes = {"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS",  "DISKETTE LABELS",
                                          "FILE FOLDER LABELS",      "INDEX PRODUCTS", "MISCELLANEOUS"};

// What the stock selector offers: maker and printer kind.
const std::map<std::string, std::pair<std::string, std::string>> kSelector = {
    {"Avery Laserjet", {"AVERY", "LJ"}},
    {"Avery Inkjet", {"AVERY", "IJ"}},
    {"Avery Dot Matrix", {"AVERY", "DM"}},
    {"Costar LabelPrinter", {"COSTAR", "LP"}},
};

bool isUpperOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "Maker NUMBER  Kind": the maker, one blank, the product number, two blanks, the kind.
bool descriptionStyle(const std::string& d) {
    size_t maker = d.find(' ');
    if (maker == std::string::npos || (d.substr(0, maker) != "Avery" && d.substr(0, maker) != "CoStar"))
        return false;
    size_t gap = d.find("  ", maker + 1);
    if (gap == std::string::npos || gap == maker + 1) return false;
    for (size_t i = maker + 1; i < gap; ++i)
        if (!isUpperOrDigit(d[i]) && d[i] != '-' && d[i] != '.') return false;
    return gap + 2 < d.size() && d[gap + 2] != ' ' && d.back() != ' ';
}

// An 8.3 picture name: up to eight capitals or digits and ".BMP".
bool artName(const std::string& a) {
    if (a.size() < 5 || a.size() > 12 || a.compare(a.size() - 4, 4, ".BMP") != 0) return false;
    return std::all_of(a.begin(), a.end() - 4, isUpperOrDigit);
}

}  // namespace

TEST(LabelCatalogue, EveryRowIsPrintable) {
    const auto& all = templates();
    ASSERT_GE(all.size(), 150u);
    for (const auto& t : all) {
        EXPECT_EQ(addrova::labels::ValidLabel(t.g), "") << t.descript;
        EXPECT_TRUE(addrova::labels::fitsOnSheet(t.g)) << t.descript;
    }
}

TEST(LabelCatalogue, CodesAndSheetSizes) {
    const std::set<std::string> printers = {"LJ", "IJ", "DM", "LP"}, shapes = {"RR", "SR", "EL"};
    // Standard paper sizes, inches (A sizes rounded as the table holds them).
    const std::map<std::string, std::pair<double, double>> papers = {
        {"LTR", {8.5, 11}},     {"LTRL", {11, 8.5}}, {"A4", {8.268, 11.693}}, {"A4L", {11.693, 8.268}},
        {"A5", {5.827, 8.268}}, {"USERP", {0, 0}},   {"USERL", {0, 0}},
    };
    std::set<std::string> seen;
    for (const auto& t : templates()) {
        SCOPED_TRACE(t.descript);
        EXPECT_TRUE(printers.count(t.printer));
        EXPECT_TRUE(shapes.count(t.shape));
        EXPECT_TRUE(kProdTypes.count(t.prodtype));
        EXPECT_TRUE(t.manufac == "AVERY" || t.manufac == "COSTAR");
        EXPECT_TRUE(descriptionStyle(t.descript));
        EXPECT_EQ(t.descript.substr(0, 6) == "CoStar", t.manufac == "COSTAR");
        std::string upper;
        for (char c : t.descript) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_TRUE(seen.insert(upper).second) << "listed twice";

        auto paper = papers.find(t.papersize);
        ASSERT_NE(paper, papers.end());
        if (paper->second.first > 0) {
            EXPECT_NEAR(t.g.sheetWidth, paper->second.first, 1e-6);
            EXPECT_NEAR(t.g.sheetDepth, paper->second.second, 1e-6);
            EXPECT_TRUE(t.printer == "LJ" || t.printer == "IJ");
        } else {
            // Continuous forms: one row of labels per form; label printer rolls: one label.
            ASSERT_TRUE(t.printer == "DM" || t.printer == "LP");
            EXPECT_EQ(t.g.nbrDown, 1);
            EXPECT_DOUBLE_EQ(t.g.vertPitch, t.g.sheetDepth);
            if (t.printer == "LP") {
                EXPECT_EQ(t.g.nbrAcross, 1);
                EXPECT_DOUBLE_EQ(t.g.lblWidth, t.g.sheetWidth);
                EXPECT_DOUBLE_EQ(t.g.lblHeight, t.g.sheetDepth);
            }
        }
    }
}

TEST(LabelCatalogue, SelectorCombinationsHaveStock) {
    std::set<std::pair<std::string, std::string>> kinds;
    std::set<std::tuple<std::string, std::string, std::string>> combos;
    for (const auto& t : templates()) {
        kinds.insert({t.manufac, t.printer});
        combos.insert({t.manufac, t.printer, t.prodtype});
    }
    // Every row can be reached from the selector.
    for (const auto& k : kinds) {
        bool offered = false;
        for (const auto& [label, kind] : kSelector) offered |= kind == k;
        EXPECT_TRUE(offered) << k.first << " " << k.second;
    }
    // The product types that exist for each kind of printer.
    const std::map<std::string, std::set<std::string>> expected = {
        {"Avery Laserjet", kProdTypes},
        {"Avery Inkjet", kProdTypes},
        {"Avery Dot Matrix",
         {"ADDRESS/SHIPPING LABELS", "DISKETTE LABELS", "FILE FOLDER LABELS", "MISCELLANEOUS"}},
        {"Costar LabelPrinter",
         {"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS", "DISKETTE LABELS", "FILE FOLDER LABELS",
          "MISCELLANEOUS"}},
    };
    for (const auto& [label, types] : expected) {
        const auto& kind = kSelector.at(label);
        for (const auto& type : types)
            EXPECT_TRUE(combos.count({kind.first, kind.second, type})) << label << " / " << type;
    }
}

TEST(LabelCatalogue, PaperSizesAndShapesPresent) {
    std::set<std::string> papers, shapes;
    for (const auto& t : templates()) {
        papers.insert(t.papersize);
        shapes.insert(t.shape);
    }
    for (const char* p : {"LTR", "A4", "A5", "USERP"}) EXPECT_TRUE(papers.count(p)) << p;
    for (const char* s : {"RR", "SR", "EL"}) EXPECT_TRUE(shapes.count(s)) << s;
}

TEST(LabelCatalogue, PublishedGeometry) {
    // The 30-up 1" x 2-5/8" address sheet, laser and inkjet, and the A4 21-up sheet.
    for (const char* name : {"Avery 5160  Address", "Avery 8160  Address"}) {
        const Template* t = find(name);
        ASSERT_NE(t, nullptr) << name;
        EXPECT_DOUBLE_EQ(t->g.lblHeight, 1.0);
        EXPECT_DOUBLE_EQ(t->g.lblWidth, 2.625);
        EXPECT_EQ(t->g.nbrAcross, 3);
        EXPECT_EQ(t->g.nbrDown, 10);
        EXPECT_DOUBLE_EQ(t->g.topMarg, 0.5);
        EXPECT_NEAR(t->g.leftMarg, 0.1875, 0.0006);  // 3/16" held to three decimals
        EXPECT_DOUBLE_EQ(t->g.horizPitch, 2.75);
        EXPECT_DOUBLE_EQ(t->g.vertPitch, 1.0);
        EXPECT_EQ(t->papersize, "LTR");
        EXPECT_EQ(t->art, "AV5160.BMP");
    }
    EXPECT_EQ(find("Avery 5160  Address")->printer, "LJ");
    EXPECT_EQ(find("Avery 8160  Address")->printer, "IJ");

    const Template* a4 = find("Avery L7160  Address");
    ASSERT_NE(a4, nullptr);
    EXPECT_NEAR(a4->g.lblWidth * 25.4, 63.5, 0.03);
    EXPECT_NEAR(a4->g.lblHeight * 25.4, 38.1, 0.03);
    EXPECT_EQ(a4->g.nbrAcross * a4->g.nbrDown, 21);

    const Template* roll = find("CoStar 30252  Address");
    ASSERT_NE(roll, nullptr);
    EXPECT_DOUBLE_EQ(roll->g.lblHeight, 1.125);
    EXPECT_DOUBLE_EQ(roll->g.lblWidth, 3.5);
}

// A new layout and the shipped 30-up layout place labels as the catalogue's Avery 5160 row does: a
// pitch of 2.765 x 1.01 would drift 0.09 inch down the sheet by the last row.
TEST(LabelCatalogue, NewAndShippedLayoutsUseTheSheetsPitches) {
    const Template* t = find("Avery 5160  Address");
    ASSERT_NE(t, nullptr);
    const LabelGeometry n = addrova::labels::NewLabelSetup().geometry();
    EXPECT_NEAR(n.horizPitch, t->g.horizPitch, 1e-6);
    EXPECT_NEAR(n.vertPitch, t->g.vertPitch, 1e-6);
    EXPECT_NEAR(n.lblWidth, t->g.lblWidth, 1e-6);
    EXPECT_NEAR(n.topMarg + 9 * n.vertPitch + n.lblHeight, 10.5, 1e-6);  // the last row ends half an inch up

    Table layouts;
    layouts.open(kSysdata + "/LABEL.DBF", OpenMode::ReadOnly);
    ASSERT_TRUE(layouts.goTop());
    EXPECT_NEAR(layouts.getNumber("HORIZPITCH"), 2.75, 1e-9);
    EXPECT_NEAR(layouts.getNumber("VERTPITCH"), 1.0, 1e-9);
}

TEST(LabelCatalogue, OneOutlinePerGeometry) {
    using Key = std::tuple<double, double, int, int, double, double, double, double, double, double, double,
                           double, std::string>;
    std::map<Key, std::string> artOf;
    std::map<std::string, Key> geometryOf;
    for (const auto& t : templates()) {
        SCOPED_TRACE(t.descript);
        EXPECT_TRUE(artName(t.art)) << t.art;
        const auto& g = t.g;
        Key k{g.lblHeight, g.lblWidth,   g.nbrAcross,  g.nbrDown,   g.topMarg,   g.leftMarg, g.horizPitch,
              g.vertPitch, g.sheetWidth, g.sheetDepth, g.midExtraX, g.midExtraY, t.shape};
        auto [a, newGeometry] = artOf.emplace(k, t.art);
        EXPECT_EQ(a->second, t.art) << "same geometry as another row, other outline";
        auto [b, newArt] = geometryOf.emplace(t.art, k);
        EXPECT_TRUE(b->second == k) << t.art << " already drawn for another geometry";
    }
}

TEST(LabelCatalogue, TextIsWindows1252AndTagged) {
    Table t;
    t.open(kSysdata + "/LBLTPL.DBF", OpenMode::ReadOnly);
    EXPECT_EQ(t.codePage(), 1252);
    t.setOrder("DESCRIPT");
    ASSERT_TRUE(t.seek("AVERY 3663"));
    EXPECT_EQ(t.getString("DESCRIPT"),
              "Avery 3663  Ordnerr\xFC"
              "cken breit");
    ASSERT_TRUE(t.seek("AVERY 5160  ADDRESS"));
    EXPECT_EQ(t.getString("DESCRIPT"), "Avery 5160  Address");
    EXPECT_FALSE(t.seek("AVERY 0000"));

    // The tag visits every record in key order.
    std::string last;
    uint32_t n = 0;
    for (bool more = t.goTop(); more && !t.eof(); t.skip(), ++n) {
        std::string key;
        for (char c : t.getString("DESCRIPT"))
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_LE(last, key);
        last = key;
    }
    EXPECT_EQ(n, t.recCount());
}

namespace {

struct ZipRange {
    std::string name, state, low, high;
};

std::vector<ZipRange> readZipRanges() {
    Table t;
    t.open(kSysdata + "/CSZ.DBF", OpenMode::ReadOnly);
    std::vector<ZipRange> out;
    for (bool more = t.goTop(); more && !t.eof(); t.skip())
        out.push_back(
            {t.getString("NAME"), t.getString("STATE"), t.getString("LOW_ZIP"), t.getString("HIGH_ZIP")});
    return out;
}

const std::vector<ZipRange>& zipRanges() {
    static const std::vector<ZipRange> all = readZipRanges();
    return all;
}

bool canadian(const std::string& zip) {
    return !zip.empty() && zip[0] >= 'A' && zip[0] <= 'Z';
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}
bool letter(char c) {
    return c >= 'A' && c <= 'Z';
}
// Five digits, or a Canadian forward sortation area: letter, digit, letter.
bool zipShape(const std::string& z, bool canada) {
    if (canada) return z.size() == 3 && letter(z[0]) && digit(z[1]) && letter(z[2]);
    return z.size() == 5 && std::all_of(z.begin(), z.end(), digit);
}

// The state whose range holds a code, "" when none does.
std::string stateOf(const std::string& zip) {
    for (const auto& r : zipRanges()) {
        if (canadian(r.low) != canadian(zip)) continue;
        std::string key = zip.substr(0, r.low.size());
        if (r.low <= key && key <= r.high) return r.state;
    }
    return "";
}

}  // namespace

TEST(ZipRanges, EveryStateTerritoryAndProvince) {
    const char* codes[] = {
        "AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "FL", "GA", "HI", "ID", "IL", "IN", "IA",
        "KS", "KY", "LA", "ME", "MD", "MA", "MI", "MN", "MS", "MO", "MT", "NE", "NV", "NH", "NJ",
        "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA", "RI", "SC", "SD", "TN", "TX", "UT", "VT",
        "VA", "WA", "WV", "WI", "WY", "DC", "PR", "VI", "GU", "AS", "MP", "FM", "MH", "PW", "AA",
        "AE", "AP", "NL", "NS", "PE", "NB", "QC", "ON", "MB", "SK", "AB", "BC", "YT", "NT", "NU",
    };
    std::map<std::string, std::string> names;
    for (const auto& r : zipRanges()) {
        EXPECT_FALSE(r.name.empty()) << r.state;
        auto [it, added] = names.emplace(r.state, r.name);
        EXPECT_EQ(it->second, r.name) << r.state << " has two names";
    }
    for (const char* c : codes) EXPECT_TRUE(names.count(c)) << c;
    EXPECT_EQ(names.size(), std::size(codes));
    EXPECT_EQ(names["AL"], "Alabama");
}

TEST(ZipRanges, WellFormedAndDisjoint) {
    std::vector<const ZipRange*> byCountry[2];
    for (const auto& r : zipRanges()) {
        SCOPED_TRACE(r.state + " " + r.low);
        bool c = canadian(r.low);
        EXPECT_TRUE(zipShape(r.low, c));
        EXPECT_TRUE(zipShape(r.high, c));
        EXPECT_LE(r.low, r.high);
        byCountry[c].push_back(&r);
    }
    for (auto& list : byCountry) {
        std::sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->low < b->low; });
        for (size_t i = 1; i < list.size(); ++i)
            EXPECT_LT(list[i - 1]->high, list[i]->low)
                << list[i - 1]->state << " overlaps " << list[i]->state;
    }
}

TEST(ZipRanges, CodesFallInTheRightState) {
    const std::pair<const char*, const char*> cases[] = {
        {"35203", "AL"}, {"36925", "AL"}, {"00501", "NY"}, {"10001", "NY"}, {"14999", "NY"}, {"00601", "PR"},
        {"00802", "VI"}, {"00901", "PR"}, {"01001", "MA"}, {"05501", "MA"}, {"05401", "VT"}, {"05601", "VT"},
        {"09012", "AE"}, {"20001", "DC"}, {"20101", "VA"}, {"20500", "DC"}, {"20601", "MD"}, {"22201", "VA"},
        {"24699", "VA"}, {"30301", "GA"}, {"39817", "GA"}, {"39701", "MS"}, {"34002", "AA"}, {"34102", "FL"},
        {"56901", "DC"}, {"73301", "TX"}, {"73101", "OK"}, {"74101", "OK"}, {"75201", "TX"}, {"88510", "TX"},
        {"88901", "NV"}, {"87101", "NM"}, {"96201", "AP"}, {"96799", "AS"}, {"96813", "HI"}, {"96701", "HI"},
        {"96910", "GU"}, {"96950", "MP"}, {"96941", "FM"}, {"96960", "MH"}, {"96939", "PW"}, {"99501", "AK"},
        {"A1A", "NL"},   {"B3H", "NS"},   {"C1A", "PE"},   {"E1C", "NB"},   {"H2X", "QC"},   {"J4K", "QC"},
        {"K1A", "ON"},   {"M5V", "ON"},   {"P3E", "ON"},   {"R3C", "MB"},   {"S4P", "SK"},   {"T2P", "AB"},
        {"V6B", "BC"},   {"X0A", "NU"},   {"X0C", "NU"},   {"X0E", "NT"},   {"X1A", "NT"},   {"Y1A", "YT"},
        {"00100", ""},   {"96990", ""},   {"D1A", ""},
    };
    for (const auto& [zip, state] : cases) EXPECT_EQ(stateOf(zip), state) << zip;
}

TEST(ZipRanges, TaggedByState) {
    Table t;
    t.open(kSysdata + "/CSZ.DBF", OpenMode::ReadOnly);
    t.setOrder("STATE");
    ASSERT_TRUE(t.seek("NY"));
    EXPECT_EQ(t.getString("STATE"), "NY");
    EXPECT_EQ(t.getString("NAME"), "New York");
    ASSERT_TRUE(t.seek("QC"));
    EXPECT_EQ(t.getString("NAME"), "Quebec");
    EXPECT_FALSE(t.seek("ZZ"));
}
