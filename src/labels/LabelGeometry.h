#pragma once

#include <string>

namespace addrova::labels {

// The layout of one label stock, in inches: label size, how many labels a sheet (or one row of a
// continuous form, or one roll label) holds, where the first one sits and the distance from one
// label to the next. A centre gutter adds midExtraX to the right half of the columns and midExtraY
// to the lower half of the rows.
struct LabelGeometry {
    double lblHeight = 0, lblWidth = 0;
    int nbrAcross = 0, nbrDown = 0;
    double topMarg = 0, leftMarg = 0, horizPitch = 0, vertPitch = 0, sheetWidth = 0, sheetDepth = 0,
           midExtraX = 0, midExtraY = 0;
};

// The largest number of labels on one sheet.
inline constexpr int kMaxLabelsPerSheet = 200;

// "" when the layout can be printed, else the first rule it breaks, as a message for the user.
// Sizes are compared with a tolerance of 1e-6 inch; values that are not numbers break the rule.
std::string ValidLabel(const LabelGeometry& g);

struct LabelPoint {
    double x = 0, y = 0;
};

// Top-left corner of the label at a position, counted along the rows from 0 (row * nbrAcross + column).
// Throws std::out_of_range for a position outside the sheet, std::invalid_argument when the sheet has
// no label across or down.
LabelPoint labelPosition(const LabelGeometry& g, int position);

// Every label lies within [0, sheetWidth] x [0, sheetDepth], give or take the tolerance.
// False when the sheet has no label across or down.
bool fitsOnSheet(const LabelGeometry& g, double tolerance = 1e-6);

}  // namespace addrova::labels
