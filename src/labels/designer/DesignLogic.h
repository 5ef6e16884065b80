#pragma once

// The label designer's rules that need no window: label size on screen, shape codes, zoom steps,
// the POSTNET width rule, read-outs and the default font settings.

#include "GPanels.h"
#include "LabelStock.h"
#include "LayoutTypes.h"
#include "Settings.h"

#include <QSize>
#include <QString>

namespace addrova::store {
class Table;
}

namespace addrova::labels {

// LBLSHAPE to the panel's shape: "RR" rounded, "SR" rectangle, "EL" ellipse; anything else rounded.
layout::PanelShape shapeFromCode(const std::string& code);
// The label at 100 % zoom: Round(inches x ppi) each way.
QSize labelPixels(double widthInches, double heightInches, int ppi);

// Zoom in percent: steps of 10 within 50 to 150. direction > 0 steps up, < 0 down; a step that would
// leave the range is not taken.
inline constexpr int kZoomMin = 50, kZoomMax = 150, kZoomStep = 10;
int zoomStep(int percent, int direction);
// "100%": the rounded percentage of a zoom factor.
QString zoomCaption(float zoom);

// A POSTNET barcode needs a label at least 2.85 inches wide (the width as the layout holds it).
inline constexpr float kPostnetMinWidth = 2.85f;
bool postnetFits(float lblWidth);
// The Intelligent Mail barcode is 2.93 inches long.
inline constexpr float kImbMinWidth = 3.0f;
inline constexpr const char* kImbRefused =
    "The Intelligent Mail barcode is about 3 inches long and needs a label at least 3 inches wide.";
inline constexpr const char* kPostnetRefused =
    "This label is not wide enough for a \rpostnet barcode. At least 2.85 inches are needed";
inline constexpr const char* kPostnetRemoved =
    "Warning: This label is not wide enough for a \rpostnet barcode. At least 2.85 inches are needed";
inline constexpr const char* kNewLabelMessage =
    "A new label has been created using the Avery 5160\rformat. To change to another label format, click on\r"
    "the Change Layout button.\r\rA Database Mailing Address object has already been \radded to the label.\r\r"
    "For additional assistance, click the Help button";
// Asked when the window is closed without saving while the layout has changed.
inline constexpr const char* kUnsavedQuestion = "The label layout has changed.\nSave the changes before closing?";
inline constexpr const char* kUnsavedCaption = "SAVE CHANGES";

// The stock read-out: TPLDESCRIP, or "User Defined Label Layout" for a hand-entered layout.
std::string stockReadout(const LabelSetup& s);
// The geometry of a hand-entered layout: the editor's numbers and codes, maker "USER", no stock,
// no gutters, no art.
void takeHandEntry(LabelSetup& s, const LabelGeometry& g, const std::string& paperSize, const std::string& lblShape);

// A design-unit length in inches with 2 decimals ("1.25").
QString inchText(double pixels, int ppi);

// "Default Font: Arial, 10 pt " (then ", bold" and ", italic" when set).
QString defaultFontCaption(const layout::LayoutFont& f);
// Section "Label": DefaultFontName, DefaultFontSize, DefaultFontBold, DefaultFontItalic.
layout::LayoutFont readDefaultFont(const app::ProfileFile& settings);
void writeDefaultFont(app::ProfileFile& settings, const layout::LayoutFont& f);

}  // namespace addrova::labels
