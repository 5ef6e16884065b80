#pragma once

#include "LabelGeometry.h"

#include <string>
#include <vector>

namespace addrova::store {
class Table;
}

namespace addrova::labels {

// The in-memory copy of a label layout record (LABEL.DBF), text in the table's code page.
struct LabelSetup {
    std::string descript, printer, paperSize, lblShape, tplDescrip, manufac, prodType, art, binary;
    float lblHeight = 0, lblWidth = 0, topMarg = 0, leftMarg = 0, horizPitch = 0, vertPitch = 0, sheetWidth = 0,
          sheetDepth = 0;
    int nbrAcross = 0, nbrDown = 0;
    double midExtraX = 0, midExtraY = 0;

    LabelGeometry geometry() const;
    void setGeometry(const LabelGeometry& g);
};

// A new layout: the Avery 5160 sheet, described "<New Label>".
LabelSetup NewLabelSetup();

// Reads the current record; texts are cut to the copy's lengths (DESCRIPT 50, PRINTER 2, PAPERSIZE 5,
// TPLDESCRIP 60).
LabelSetup ReadLabelSetup(const store::Table& layouts);
// Writes every field into the current record (in edit or append state); the eight lengths are
// rounded to 3 decimals. The caller posts.
void WriteLabelSetup(store::Table& layouts, const LabelSetup& s);
// Copies a stock record's measures and descriptions (LBLTPL.DBF) into a layout; TPLDESCRIP takes
// the stock's DESCRIPT.
void TakeStock(LabelSetup& s, const store::Table& stock);

// TPLDESCRIP, or "[User Defined]".
std::string CalcSheetName(const LabelSetup& s);

// The first of BIN00001.L .. BIN99999.L that does not exist in the directory; "" when all do.
std::string NextLabelFileName(const std::string& sysdataDir);

// "Clone of :" + description, cut to 50 characters.
std::string CloneDescription(const std::string& descript);

// The catalogue selector's lists, in order.
extern const std::vector<std::string> kManufacturerEntries;
extern const std::vector<std::string> kProductEntries;  // the last is "All"

// The catalogue's query for the selector's choices: manufacturer entry text ("" when none is
// selected), product entry index (the "All" entry or -1 give no clause) and the European check box.
std::string BuildLabelQuery(const std::string& manufacturerEntry, int productIndex, bool europeanOnly);

// The entries the selector starts on for a layout's manufacturer, printer and product type.
struct Preselection {
    int manufacturerIndex = -1;  // -1: nothing selected
    int productIndex = -1;
    bool findDescription = true;  // then move to the stock whose DESCRIPT equals the layout's
};
Preselection PositionLabelCombos(const std::string& manufac, const std::string& printer, const std::string& prodType,
                                 bool reset);

// Paper list of the geometry editor: code, list entry, sheet size in inches (0 for the "Other" entries).
struct PaperEntry {
    const char* code;
    const char* entry;
    double width, height;
};
extern const std::vector<PaperEntry> kPaperEntries;

// Unit switches of the geometry editor: the shown text of a length.
inline constexpr double kInchesPerMm = 0.039370078740157;
std::string FormatInches(double inches);  // "#0.###"
std::string FormatMm(double mm);          // 0 decimals
double RoundTo3(double v);

}  // namespace addrova::labels
