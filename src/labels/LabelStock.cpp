#include "LabelStock.h"

#include "Table.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace addrova::labels {

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string cut(std::string s, size_t n)
{
    if (s.size() > n)
        s.resize(n);
    return s;
}

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

}  // namespace

LabelGeometry LabelSetup::geometry() const
{
    LabelGeometry g;
    g.lblHeight = lblHeight;
    g.lblWidth = lblWidth;
    g.nbrAcross = nbrAcross;
    g.nbrDown = nbrDown;
    g.topMarg = topMarg;
    g.leftMarg = leftMarg;
    g.horizPitch = horizPitch;
    g.vertPitch = vertPitch;
    g.sheetWidth = sheetWidth;
    g.sheetDepth = sheetDepth;
    g.midExtraX = midExtraX;
    g.midExtraY = midExtraY;
    return g;
}

void LabelSetup::setGeometry(const LabelGeometry& g)
{
    lblHeight = static_cast<float>(g.lblHeight);
    lblWidth = static_cast<float>(g.lblWidth);
    nbrAcross = g.nbrAcross;
    nbrDown = g.nbrDown;
    topMarg = static_cast<float>(g.topMarg);
    leftMarg = static_cast<float>(g.leftMarg);
    horizPitch = static_cast<float>(g.horizPitch);
    vertPitch = static_cast<float>(g.vertPitch);
    sheetWidth = static_cast<float>(g.sheetWidth);
    sheetDepth = static_cast<float>(g.sheetDepth);
    midExtraX = g.midExtraX;
    midExtraY = g.midExtraY;
}

LabelSetup NewLabelSetup()
{
    LabelSetup s;
    s.lblHeight = 1.0f;
    s.lblWidth = 2.625f;
    s.nbrAcross = 3;
    s.nbrDown = 10;
    s.topMarg = 0.5f;
    s.leftMarg = 0.188f;
    s.horizPitch = 2.75f;  // the sheet's real pitches (the catalogue's row), not 2.765 and 1.01
    s.vertPitch = 1.0f;
    s.sheetWidth = 8.5f;
    s.sheetDepth = 11.0f;
    s.paperSize = "LTR";
    s.lblShape = "RR";
    s.tplDescrip = "Avery 5160  Address";
    s.printer = "LJ";
    s.manufac = "AVERY";
    s.prodType = "ADDRESS/SHIPPING LABELS";
    s.descript = "<New Label>";
    return s;
}

namespace {

// The fields a layout shares with a stock record of the catalogue.
void readMeasures(LabelSetup& s, const store::Table& t)
{
    s.printer = cut(t.getString("PRINTER"), 2);
    s.paperSize = cut(t.getString("PAPERSIZE"), 5);
    s.lblShape = t.getString("LBLSHAPE");
    s.manufac = t.getString("MANUFAC");
    s.prodType = t.getString("PRODTYPE");
    s.art = t.getString("ART");
    const auto f = [&](const char* name) { return static_cast<float>(t.getNumber(name)); };
    s.lblHeight = f("LBLHEIGHT");
    s.lblWidth = f("LBLWIDTH");
    s.topMarg = f("TOPMARG");
    s.leftMarg = f("LEFTMARG");
    s.horizPitch = f("HORIZPITCH");
    s.vertPitch = f("VERTPITCH");
    s.sheetWidth = f("SHEETWIDTH");
    s.sheetDepth = f("SHEETDEPTH");
    s.nbrAcross = static_cast<int>(t.getNumber("NBRACROSS"));
    s.nbrDown = static_cast<int>(t.getNumber("NBRDOWN"));
    s.midExtraX = t.getNumber("MIDEXTRAX");
    s.midExtraY = t.getNumber("MIDEXTRAY");
}

}  // namespace

LabelSetup ReadLabelSetup(const store::Table& t)
{
    LabelSetup s;
    readMeasures(s, t);
    s.descript = cut(t.getString("DESCRIPT"), 50);
    s.tplDescrip = cut(t.getString("TPLDESCRIP"), 60);
    s.binary = t.getString("BINARY");
    return s;
}

double RoundTo3(double v) { return std::round(v * 1000.0) / 1000.0; }

void WriteLabelSetup(store::Table& t, const LabelSetup& s)
{
    t.setString("DESCRIPT", s.descript);
    t.setString("PRINTER", s.printer);
    t.setString("PAPERSIZE", s.paperSize);
    t.setString("LBLSHAPE", s.lblShape);
    t.setString("TPLDESCRIP", s.tplDescrip);
    t.setString("MANUFAC", s.manufac);
    t.setString("PRODTYPE", s.prodType);
    t.setString("ART", s.art);
    t.setString("BINARY", s.binary);
    t.setNumber("LBLHEIGHT", RoundTo3(s.lblHeight));
    t.setNumber("LBLWIDTH", RoundTo3(s.lblWidth));
    t.setNumber("TOPMARG", RoundTo3(s.topMarg));
    t.setNumber("LEFTMARG", RoundTo3(s.leftMarg));
    t.setNumber("HORIZPITCH", RoundTo3(s.horizPitch));
    t.setNumber("VERTPITCH", RoundTo3(s.vertPitch));
    t.setNumber("SHEETWIDTH", RoundTo3(s.sheetWidth));
    t.setNumber("SHEETDEPTH", RoundTo3(s.sheetDepth));
    t.setNumber("NBRACROSS", s.nbrAcross);
    t.setNumber("NBRDOWN", s.nbrDown);
    t.setNumber("MIDEXTRAX", s.midExtraX);
    t.setNumber("MIDEXTRAY", s.midExtraY);
}

void TakeStock(LabelSetup& s, const store::Table& stock)
{
    readMeasures(s, stock);
    s.tplDescrip = cut(stock.getString("DESCRIPT"), 60);
}

std::string CalcSheetName(const LabelSetup& s) { return s.tplDescrip.empty() ? "[User Defined]" : s.tplDescrip; }

std::string NextLabelFileName(const std::string& sysdataDir)
{
    for (int n = 100001; n <= 199999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "BIN%05d.L", n % 100000);
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::path(sysdataDir) / name, ec))
            return name;
    }
    return {};
}

std::string CloneDescription(const std::string& d) { return cut("Clone of :" + d, 50); }

const std::vector<std::string> kManufacturerEntries{"Avery Laserjet", "Avery Inkjet", "Avery Dot Matrix",
                                                    "Costar LabelPrinter"};
const std::vector<std::string> kProductEntries{"Address/Shipping Labels", "Card Products", "Diskette Labels",
                                               "File Folder Labels", "Index Products", "Miscellaneous", "All"};

std::string BuildLabelQuery(const std::string& manufacturerEntry, int productIndex, bool europeanOnly)
{
    static const char* const products[] = {"ADDRESS/SHIPPING LABELS", "CARD PRODUCTS", "DISKETTE LABELS",
                                           "FILE FOLDER LABELS", "INDEX PRODUCTS", "MISCELLANEOUS"};
    std::vector<std::string> clauses;
    const std::string m = upper(manufacturerEntry);
    if (contains(m, "AVERY"))
        clauses.push_back(" UPPER(manufac)=\"AVERY\" ");
    else if (contains(m, "NEBS"))
        clauses.push_back(" UPPER(manufac)=\"NEBS\" ");
    else if (contains(m, "COSTAR"))
        clauses.push_back(" UPPER(manufac)=\"COSTAR\" ");
    if (contains(m, "LASERJET"))
        clauses.push_back(" UPPER(printer)=\"LJ\" ");
    else if (contains(m, "INKJET"))
        clauses.push_back(" UPPER(printer)=\"IJ\" ");
    else if (contains(m, "DOT MATRIX"))
        clauses.push_back(" UPPER(printer)=\"DM\" ");
    else if (contains(m, "LABELPRINTER"))
        clauses.push_back(" UPPER(printer)=\"LP\" ");
    if (productIndex >= 0 && productIndex < 6)
        clauses.push_back(std::string(" UPPER(PRODTYPE)=\"") + products[productIndex] + "\" ");
    if (europeanOnly)
        clauses.push_back(" (\"A4\"$UPPER(PAPERSIZE) OR \"A5\"$UPPER(PAPERSIZE))");
    std::string q;
    for (const auto& c : clauses)
        q += (q.empty() ? "" : " and ") + c;
    return q;
}

Preselection PositionLabelCombos(const std::string& manufacIn, const std::string& printerIn,
                                 const std::string& prodTypeIn, bool reset)
{
    Preselection p;
    std::string manufac = upper(manufacIn), printer = upper(printerIn), prod = prodTypeIn;
    if (manufac == "USER" || reset) {
        manufac = "AVERY";
        printer = "LJ";
        prod = "ADDRESS/SHIPPING LABELS";
        p.findDescription = false;
    }
    std::string entry;
    if (manufac == "AVERY" && printer == "LJ")
        entry = "AVERY LASERJET";
    else if (manufac == "AVERY" && printer == "IJ")
        entry = "AVERY INKJET";
    else if (manufac == "AVERY" && printer == "DM")
        entry = "AVERY DOT MATRIX";
    else if (manufac == "COSTAR")
        entry = "COSTAR LABELPRINTER";
    else if (manufac == "NEBS" && printer == "LJ")
        entry = "NEBS LASERJET";
    else if (manufac == "NEBS" && printer == "DM")
        entry = "NEBS DOT MATRIX";
    else if (manufac != "AVERY" && manufac != "NEBS")
        entry = "AVERY LASERJET";
    for (size_t i = 0; i < kManufacturerEntries.size(); ++i)
        if (upper(kManufacturerEntries[i]) == entry)
            p.manufacturerIndex = static_cast<int>(i);
    p.productIndex = static_cast<int>(kProductEntries.size()) - 1;
    for (size_t i = 0; i < kProductEntries.size(); ++i)
        if (upper(kProductEntries[i]) == upper(prod))
            p.productIndex = static_cast<int>(i);
    return p;
}

const std::vector<PaperEntry> kPaperEntries{
    {"LTR", "Letter (8.5 x 11\")", 8.5, 11},
    {"LTRL", "Letter Landscape (11 x 8.5\")", 11, 8.5},
    {"A4", "A4 (210 x 297mm)", 8.27, 11.69},
    {"A4L", "A4 Landscape ( 297 x 210mm)", 11.69, 8.27},
    {"A5", "A5 (148 x 210mm)", 5.82, 8.27},
    {"USERP", "Other Portrait (User Defined)", 0, 0},
    {"USERL", "Other Landscape (User Defined)", 0, 0},
};

std::string FormatInches(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", v);
    std::string s = b;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    if (s == "-0")
        s = "0";
    return s;
}

std::string FormatMm(double v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", v);
    return b;
}

}  // namespace addrova::labels
