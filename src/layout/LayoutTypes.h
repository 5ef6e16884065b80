#pragma once

// Value types shared by the layout objects and the layout file format.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

namespace addrova::layout {

// A colour as 0x00BBGGRR, or 0x80000000 + a system colour index (0 to 24).
using Colour = int32_t;

constexpr Colour clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF,
                 clNone = 0x1FFFFFFF;
constexpr Colour clSystem = static_cast<Colour>(0x80000000u);

// The colour as drawn: system colours take their usual Windows defaults, clNone is transparent.
QColor toQColor(Colour c);
Colour fromQColor(const QColor& c);

// Identifier of a named or system colour, or "" for any other value.
QString colourIdent(Colour c);
// The colour an identifier names; false when the identifier is none of them.
bool colourFromIdent(const QString& ident, Colour& out);

enum class Alignment { taLeftJustify, taRightJustify, taCenter };
enum class ShadowDir { sdNone, sdRight, sdLeft, sdDownRight, sdDownLeft, sdDown };
enum class HighlightDir { hdNone, hdright, hdLeft, hdUpRight, hdUpLeft, hdUp };
enum class FontPitch { fpDefault, fpVariable, fpFixed };
enum class DateFormat { dtfDateNone, dtfDateShort, dtfDateLong };
enum class TimeFormat { dtfTimeNone, dtfTimeShort, dtfTimeLong };
enum class ZipOptions { zoAfterState, zoBeforeCity, zoAfterCountry, zoBeforeCountry };
enum class BarCodeType { pnbc5Digit, pnbc9Digit, pnbc11Digit };
enum class FIMType { fimTypeA, fimTypeB, fimTypeC };
enum class LineStyle { stHorizontal, stVertical, stAngleSlopingUp, stAngleSlopingDown };
enum class ShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
enum class PenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum class PenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class BrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Font style bits.
enum FontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A layout object's font: the size is in points and is never converted by the screen resolution.
struct LayoutFont {
    QString name = QStringLiteral("Arial");
    int size = 10;
    Colour color = clBlack;
    unsigned style = 0;
    FontPitch pitch = FontPitch::fpDefault;
    bool operator==(const LayoutFont&) const = default;

    // The font for drawing at a zoom: Trunc(size * zoom) points, at least 1.
    QFont toQFont(double zoom = 1.0) const;
    static LayoutFont fromQFont(const QFont& f, Colour color);
};

struct LayoutPen {
    Colour color = clBlack;
    PenMode mode = PenMode::pmCopy;
    PenStyle style = PenStyle::psSolid;
    int width = 1;
    bool operator==(const LayoutPen&) const = default;
};

struct LayoutBrush {
    Colour color = clWhite;
    BrushStyle style = BrushStyle::bsSolid;
    bool operator==(const LayoutBrush&) const = default;
};

// Names of enumeration values as they are stored; index = enum value.
template <class E> struct EnumNames;
#define ADDROVA_ENUM_NAMES(E, ...)                                            \
    template <> struct EnumNames<E> {                                         \
        static constexpr const char* names[] = {__VA_ARGS__};                 \
        static constexpr int count = sizeof(names) / sizeof(names[0]);         \
    };
ADDROVA_ENUM_NAMES(Alignment, "taLeftJustify", "taRightJustify", "taCenter")
ADDROVA_ENUM_NAMES(ShadowDir, "sdNone", "sdRight", "sdLeft", "sdDownRight", "sdDownLeft", "sdDown")
ADDROVA_ENUM_NAMES(HighlightDir, "hdNone", "hdright", "hdLeft", "hdUpRight", "hdUpLeft", "hdUp")
ADDROVA_ENUM_NAMES(FontPitch, "fpDefault", "fpVariable", "fpFixed")
ADDROVA_ENUM_NAMES(DateFormat, "dtfDateNone", "dtfDateShort", "dtfDateLong")
ADDROVA_ENUM_NAMES(TimeFormat, "dtfTimeNone", "dtfTimeShort", "dtfTimeLong")
ADDROVA_ENUM_NAMES(ZipOptions, "zoAfterState", "zoBeforeCity", "zoAfterCountry", "zoBeforeCountry")
ADDROVA_ENUM_NAMES(BarCodeType, "pnbc5Digit", "pnbc9Digit", "pnbc11Digit")
ADDROVA_ENUM_NAMES(FIMType, "fimTypeA", "fimTypeB", "fimTypeC")
ADDROVA_ENUM_NAMES(LineStyle, "stHorizontal", "stVertical", "stAngleSlopingUp", "stAngleSlopingDown")
ADDROVA_ENUM_NAMES(ShapeType, "stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle")
ADDROVA_ENUM_NAMES(PenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                   "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask",
                   "pmXor", "pmNotXor")
ADDROVA_ENUM_NAMES(PenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame")
ADDROVA_ENUM_NAMES(BrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                   "bsCross", "bsDiagCross")
#undef ADDROVA_ENUM_NAMES

template <class E> const char* enumName(E v) { return EnumNames<E>::names[static_cast<int>(v)]; }
template <class E> bool enumFromName(const QString& name, E& out) {
    for (int i = 0; i < EnumNames<E>::count; ++i)
        if (name == QLatin1String(EnumNames<E>::names[i])) {
            out = static_cast<E>(i);
            return true;
        }
    return false;
}

// Round half to even, as the layout arithmetic rounds.
int roundEven(double v);

// Space trimming of the text objects: only code 32 counts.
QString trimLeftSpaces(const QString& s);
QString trimRightSpaces(const QString& s);
QString trimSpaces(const QString& s);

}  // namespace addrova::layout
