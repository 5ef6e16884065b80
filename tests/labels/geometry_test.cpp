#include "LabelGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

using addrova::labels::fitsOnSheet;
using addrova::labels::LabelGeometry;
using addrova::labels::labelPosition;
using addrova::labels::ValidLabel;

namespace {

// Avery 5160: 30 labels 1" x 2-5/8" on US Letter.
LabelGeometry sheet5160() {
    LabelGeometry g;
    g.lblHeight = 1.0;
    g.lblWidth = 2.625;
    g.nbrAcross = 3;
    g.nbrDown = 10;
    g.topMarg = 0.5;
    g.leftMarg = 0.1875;
    g.horizPitch = 2.75;
    g.vertPitch = 1.0;
    g.sheetWidth = 8.5;
    g.sheetDepth = 11.0;
    return g;
}

const std::string kHeight = "Label Height must be at least .3 inches (or 7mm)";
const std::string kWidth = "Label Width must be at least .5 inch (or 13mm)";
const std::string kHorizPitch = "Horizontal Pitch must be at least = Label Width";
const std::string kVertPitch = "Vertical Pitch must be at least = Label Height";
const std::string kPageWidth = "Page Width must be at least .3 inch";
const std::string kPageHeight = "Page Height must be at least .3 inches";
const std::string kNoLabel = "A sheet needs at least one label across and one down";

struct RuleCase {
    const char* name;
    std::function<void(LabelGeometry&)> change;
    std::string expected;
};

}  // namespace

TEST(ValidLabel, RulesBoundariesAndOrder) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RuleCase cases[] = {
        {"published 5160", [](LabelGeometry&) {}, ""},
        {"height exactly .3", [](LabelGeometry& g) { g.lblHeight = 0.3; }, ""},
        {"height .3 with rounding error", [](LabelGeometry& g) { g.lblHeight = 0.7 - 0.4; }, ""},
        {"height .299", [](LabelGeometry& g) { g.lblHeight = 0.299; }, kHeight},
        {"height not a number", [=](LabelGeometry& g) { g.lblHeight = nan; }, kHeight},
        {"width exactly .5", [](LabelGeometry& g) { g.lblWidth = 0.5; }, ""},
        {"width .499", [](LabelGeometry& g) { g.lblWidth = 0.499; }, kWidth},
        {"pitch equal to width", [](LabelGeometry& g) { g.horizPitch = g.lblWidth; }, ""},
        {"pitch below width", [](LabelGeometry& g) { g.horizPitch = 2.6; }, kHorizPitch},
        {"one column, small pitch",
         [](LabelGeometry& g) {
             g.nbrAcross = 1;
             g.horizPitch = 0;
         },
         ""},
        {"pitch below height", [](LabelGeometry& g) { g.vertPitch = 0.9; }, kVertPitch},
        {"one row, small pitch",
         [](LabelGeometry& g) {
             g.nbrDown = 1;
             g.vertPitch = 0;
         },
         ""},
        {"page width .3", [](LabelGeometry& g) { g.sheetWidth = 0.3; }, ""},
        {"page width .299", [](LabelGeometry& g) { g.sheetWidth = 0.299; }, kPageWidth},
        {"page height .299", [](LabelGeometry& g) { g.sheetDepth = 0.299; }, kPageHeight},
        {"no column", [](LabelGeometry& g) { g.nbrAcross = 0; }, kNoLabel},
        {"negative rows", [](LabelGeometry& g) { g.nbrDown = -1; }, kNoLabel},
        {"200 positions",
         [](LabelGeometry& g) {
             g.nbrAcross = 10;
             g.nbrDown = 20;
         },
         ""},
        {"201 positions",
         [](LabelGeometry& g) {
             g.nbrAcross = 3;
             g.nbrDown = 67;
         },
         "A sheet can hold at most 200 labels (3 across x 67 down is 201)"},
        {"huge counts do not overflow",
         [](LabelGeometry& g) {
             g.nbrAcross = 99999;
             g.nbrDown = 99999;
         },
         "A sheet can hold at most 200 labels (99999 across x 99999 down is 9999800001)"},
        // The first failing rule wins.
        {"height before width",
         [](LabelGeometry& g) {
             g.lblHeight = 0.1;
             g.lblWidth = 0.1;
         },
         kHeight},
        {"width before pitch",
         [](LabelGeometry& g) {
             g.lblWidth = 0.4;
             g.horizPitch = 0.1;
         },
         kWidth},
        {"horizontal before vertical pitch",
         [](LabelGeometry& g) {
             g.horizPitch = 1;
             g.vertPitch = 0.5;
         },
         kHorizPitch},
        {"pitch before page",
         [](LabelGeometry& g) {
             g.vertPitch = 0.5;
             g.sheetWidth = 0;
         },
         kVertPitch},
        {"page width before height",
         [](LabelGeometry& g) {
             g.sheetWidth = 0;
             g.sheetDepth = 0;
         },
         kPageWidth},
        {"page before label count",
         [](LabelGeometry& g) {
             g.sheetDepth = 0;
             g.nbrAcross = 0;
         },
         kPageHeight},
    };
    for (const auto& c : cases) {
        LabelGeometry g = sheet5160();
        c.change(g);
        EXPECT_EQ(ValidLabel(g), c.expected) << c.name;
    }
}

TEST(LabelPosition, RowsAndColumns) {
    LabelGeometry g = sheet5160();
    auto p = labelPosition(g, 0);
    EXPECT_DOUBLE_EQ(p.x, 0.1875);
    EXPECT_DOUBLE_EQ(p.y, 0.5);
    p = labelPosition(g, 4);  // row 1, column 1
    EXPECT_DOUBLE_EQ(p.x, 0.1875 + 2.75);
    EXPECT_DOUBLE_EQ(p.y, 1.5);
    p = labelPosition(g, 29);  // the last label
    EXPECT_DOUBLE_EQ(p.x, 0.1875 + 2 * 2.75);
    EXPECT_DOUBLE_EQ(p.y, 9.5);
    EXPECT_THROW(labelPosition(g, 30), std::out_of_range);
    EXPECT_THROW(labelPosition(g, -1), std::out_of_range);
    g.nbrAcross = 0;
    EXPECT_THROW(labelPosition(g, 0), std::invalid_argument);
}

TEST(LabelPosition, CentreGutters) {
    // Three columns: the gutter lies after the first (3 / 2 = 1), so columns 1 and 2 move right.
    // Four rows: rows 2 and 3 move down.
    LabelGeometry g = sheet5160();
    g.nbrAcross = 3;
    g.nbrDown = 4;
    g.midExtraX = 0.25;
    g.midExtraY = 0.125;
    const struct {
        int position;
        double x, y;
    } expected[] = {
        {0, 0.1875, 0.5}, {1, 0.1875 + 2.75 + 0.25, 0.5}, {2, 0.1875 + 5.5 + 0.25, 0.5},
        {3, 0.1875, 1.5}, {6, 0.1875, 2.5 + 0.125},       {11, 0.1875 + 5.5 + 0.25, 3.5 + 0.125},
    };
    for (const auto& e : expected) {
        auto p = labelPosition(g, e.position);
        EXPECT_DOUBLE_EQ(p.x, e.x) << e.position;
        EXPECT_DOUBLE_EQ(p.y, e.y) << e.position;
    }
    // Only a positive gutter counts.
    g.midExtraX = -0.25;
    g.midExtraY = -1;
    EXPECT_DOUBLE_EQ(labelPosition(g, 2).x, 0.1875 + 5.5);
    EXPECT_DOUBLE_EQ(labelPosition(g, 11).y, 3.5);
}

TEST(FitsOnSheet, EdgesGuttersAndTolerance) {
    const RuleCase cases[] = {
        {"published 5160", [](LabelGeometry&) {}, "fits"},
        {"right edge on the sheet edge", [](LabelGeometry& g) { g.sheetWidth = 0.1875 + 5.5 + 2.625; },
         "fits"},
        {"last column over the edge",
         [](LabelGeometry& g) {
             g.lblWidth = 2.75;
             g.leftMarg = 0.5;
         },
         ""},
        {"last row over the edge", [](LabelGeometry& g) { g.topMarg = 1.01; }, ""},
        {"gutter pushes the right half off", [](LabelGeometry& g) { g.midExtraX = 0.2; }, ""},
        {"gutter pushes the lower half off", [](LabelGeometry& g) { g.midExtraY = 0.6; }, ""},
        {"gutter that still fits", [](LabelGeometry& g) { g.midExtraY = 0.5; }, "fits"},
        {"negative margin", [](LabelGeometry& g) { g.leftMarg = -0.01; }, ""},
        {"negative pitch walks off the top", [](LabelGeometry& g) { g.vertPitch = -1; }, ""},
        {"no label", [](LabelGeometry& g) { g.nbrDown = 0; }, ""},
        {"not a number", [](LabelGeometry& g) { g.sheetDepth = std::nan(""); }, ""},
    };
    for (const auto& c : cases) {
        LabelGeometry g = sheet5160();
        c.change(g);
        EXPECT_EQ(fitsOnSheet(g), c.expected == "fits") << c.name;
    }
    LabelGeometry g = sheet5160();
    g.topMarg = 1.0005;  // the last row ends 0.0005 below the sheet
    EXPECT_FALSE(fitsOnSheet(g));
    EXPECT_TRUE(fitsOnSheet(g, 0.001));
}
