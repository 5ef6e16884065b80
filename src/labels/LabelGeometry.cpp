#include "LabelGeometry.h"

#include <stdexcept>

namespace addrova::labels {

namespace {

constexpr double kEps = 1e-6;

// Written as "not at least" so that a NaN fails the rule.
bool below(double value, double minimum) {
    return !(value >= minimum - kEps);
}
bool above(double value, double maximum) {
    return !(value <= maximum + kEps);
}

double columnX(const LabelGeometry& g, int c) {
    double x = g.leftMarg + c * g.horizPitch;
    if (c >= g.nbrAcross / 2 && g.midExtraX > 0) x += g.midExtraX;
    return x;
}

double rowY(const LabelGeometry& g, int r) {
    double y = g.topMarg + r * g.vertPitch;
    if (r >= g.nbrDown / 2 && g.midExtraY > 0) y += g.midExtraY;
    return y;
}

}  // namespace

std::string ValidLabel(const LabelGeometry& g) {
    if (below(g.lblHeight, 0.3)) return "Label Height must be at least .3 inches (or 7mm)";
    if (below(g.lblWidth, 0.5)) return "Label Width must be at least .5 inch (or 13mm)";
    if (g.nbrAcross >= 2 && above(g.lblWidth, g.horizPitch))
        return "Horizontal Pitch must be at least = Label Width";
    if (g.nbrDown >= 2 && above(g.lblHeight, g.vertPitch))
        return "Vertical Pitch must be at least = Label Height";
    if (below(g.sheetWidth, 0.3)) return "Page Width must be at least .3 inch";
    if (below(g.sheetDepth, 0.3)) return "Page Height must be at least .3 inches";
    if (g.nbrAcross < 1 || g.nbrDown < 1) return "A sheet needs at least one label across and one down";
    long long n = static_cast<long long>(g.nbrAcross) * g.nbrDown;
    if (n > kMaxLabelsPerSheet)
        return "A sheet can hold at most " + std::to_string(kMaxLabelsPerSheet) + " labels (" +
               std::to_string(g.nbrAcross) + " across x " + std::to_string(g.nbrDown) + " down is " +
               std::to_string(n) + ")";
    return "";
}

LabelPoint labelPosition(const LabelGeometry& g, int position) {
    if (g.nbrAcross < 1 || g.nbrDown < 1)
        throw std::invalid_argument("the sheet has no label across or down");
    long long n = static_cast<long long>(g.nbrAcross) * g.nbrDown;
    if (position < 0 || position >= n)
        throw std::out_of_range("label position " + std::to_string(position) + " is not on a sheet of " +
                                std::to_string(n));
    return {columnX(g, position % g.nbrAcross), rowY(g, position / g.nbrAcross)};
}

bool fitsOnSheet(const LabelGeometry& g, double tolerance) {
    if (g.nbrAcross < 1 || g.nbrDown < 1) return false;
    // x depends only on the column and y only on the row, and both are linear on each side of the
    // gutter, so the first and last column (row) of each half are the extremes.
    auto columnFits = [&](int c) {
        double x = columnX(g, c);
        return x >= -tolerance && x + g.lblWidth <= g.sheetWidth + tolerance;
    };
    auto rowFits = [&](int r) {
        double y = rowY(g, r);
        return y >= -tolerance && y + g.lblHeight <= g.sheetDepth + tolerance;
    };
    int halfX = g.nbrAcross / 2, halfY = g.nbrDown / 2;
    for (int c : {0, halfX - 1, halfX, g.nbrAcross - 1})
        if (c >= 0 && c < g.nbrAcross && !columnFits(c)) return false;
    for (int r : {0, halfY - 1, halfY, g.nbrDown - 1})
        if (r >= 0 && r < g.nbrDown && !rowFits(r)) return false;
    return true;
}

}  // namespace addrova::labels
