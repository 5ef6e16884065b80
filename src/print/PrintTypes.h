#pragma once

// Value types shared by the print engine's job, printer control and page stream.

#include <QColor>
#include <QString>

namespace addrova::print {

// A rectangle in inches, measured from the top-left corner of the page.
struct InchRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

struct InchMargins {
    double left = 0, top = 0, right = 0, bottom = 0;
};

enum class Orientation { Portrait, Landscape };

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };

// Raster mixes of the pen and brush. Copy is plain painting; the others combine with what is on
// the page (vector outputs such as PDF draw them as Copy).
enum class PenMode { Copy, Black, White, Not, Xor, NotXor, Merge, Mask, NotCopy, MergePenNot, MaskPenNot };

enum class BrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

enum class Justify { Left, Center, Right };

// Border lines of a tab cell; combine with |.
enum BoxLine : int { BoxLineNone = 0, BoxLineTop = 1, BoxLineBottom = 2, BoxLineLeft = 4, BoxLineRight = 8, BoxLineAll = 15 };

// Windows paper codes the program uses.
enum PaperCode : int {
    PaperCustom = 0,
    PaperLetter = 1,
    PaperA4 = 9,
    PaperA5 = 11,
    PaperEnv9 = 19,
    PaperEnv10 = 20,
    PaperEnv11 = 21,
    PaperEnv12 = 22,
    PaperEnv14 = 23,
    PaperEnvDL = 27,
    PaperEnvC5 = 28,
    PaperEnvC4 = 30,
    PaperEnvC6 = 31,
    PaperEnvC65 = 32,
    PaperEnvB4 = 33,
    PaperEnvB5 = 34,
    PaperEnvB6 = 35,
    PaperEnvItaly = 36,
    PaperEnvMonarch = 37,
    PaperEnvPersonal = 38,
};

// Width and height in inches (portrait, width the shorter side) of a paper code; false when the
// code is not one of those above (or is PaperCustom).
bool PaperCodeSize(int code, double& width, double& height);

}  // namespace addrova::print
