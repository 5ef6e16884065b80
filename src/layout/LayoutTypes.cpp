#include "LayoutTypes.h"

#include <QFont>
#include <cmath>

namespace addrova::layout {

namespace {

struct NamedColour {
    const char* name;
    Colour value;
};
const NamedColour kNamed[] = {
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen},   {"clOlive", clOlive},
    {"clNavy", clNavy},   {"clPurple", clPurple}, {"clTeal", clTeal},     {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed},     {"clLime", clLime},     {"clYellow", clYellow},
    {"clBlue", clBlue},   {"clFuchsia", clFuchsia}, {"clAqua", clAqua},   {"clWhite", clWhite},
    {"clNone", clNone},
};
const char* const kSystemNames[25] = {
    "clScrollBar", "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu", "clWindow", "clWindowFrame",
    "clMenuText", "clWindowText", "clCaptionText", "clActiveBorder", "clInactiveBorder", "clAppWorkSpace",
    "clHighlight", "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText", "clBtnText",
    "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight", "clInfoText", "clInfoBk"};
// The classic Windows defaults of the system colours, as 0x00BBGGRR.
const Colour kSystemValues[25] = {0xC0C0C0, 0x808000, 0x800000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000,
                                  0x000000, 0x000000, 0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x800000,
                                  0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080, 0x000000, 0xC0C0C0, 0xFFFFFF,
                                  0x000000, 0xDFDFDF, 0x000000, 0xE1FFFF};

}  // namespace

QColor toQColor(Colour c) {
    if (c == clNone) return QColor(Qt::transparent);
    uint32_t u = static_cast<uint32_t>(c);
    if (u & 0x80000000u) {
        uint32_t idx = u & 0xFFFFFFu;
        u = idx < 25 ? static_cast<uint32_t>(kSystemValues[idx]) : 0;
    }
    return QColor(u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
}

Colour fromQColor(const QColor& c) {
    return static_cast<Colour>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QString colourIdent(Colour c) {
    for (const auto& n : kNamed)
        if (n.value == c) return QString::fromLatin1(n.name);
    uint32_t u = static_cast<uint32_t>(c);
    if ((u & 0xFF000000u) == 0x80000000u && (u & 0xFFFFFFu) < 25) return QString::fromLatin1(kSystemNames[u & 0xFFFFFFu]);
    return {};
}

bool colourFromIdent(const QString& ident, Colour& out) {
    for (const auto& n : kNamed)
        if (ident == QLatin1String(n.name)) {
            out = n.value;
            return true;
        }
    for (int i = 0; i < 25; ++i)
        if (ident == QLatin1String(kSystemNames[i])) {
            out = static_cast<Colour>(0x80000000u + static_cast<uint32_t>(i));
            return true;
        }
    return false;
}

QFont LayoutFont::toQFont(double zoom) const {
    QFont f(name);
    int pt = zoom == 1.0 ? size : static_cast<int>(std::trunc(size * zoom));
    f.setPointSize(pt < 1 ? 1 : pt);
    f.setBold(style & fsBold);
    f.setItalic(style & fsItalic);
    f.setUnderline(style & fsUnderline);
    f.setStrikeOut(style & fsStrikeOut);
    if (pitch == FontPitch::fpFixed) f.setFixedPitch(true);
    return f;
}

LayoutFont LayoutFont::fromQFont(const QFont& f, Colour color) {
    LayoutFont l;
    l.name = f.family();
    l.size = f.pointSize() > 0 ? f.pointSize() : 10;
    l.color = color;
    l.style = (f.bold() ? 1u * fsBold : 0u) | (f.italic() ? 1u * fsItalic : 0u) |
              (f.underline() ? 1u * fsUnderline : 0u) | (f.strikeOut() ? 1u * fsStrikeOut : 0u);
    return l;
}

int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

QString trimLeftSpaces(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' ')) ++i;
    return s.mid(i);
}

QString trimRightSpaces(const QString& s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
    return s.left(n);
}

QString trimSpaces(const QString& s) { return trimRightSpaces(trimLeftSpaces(s)); }

}  // namespace addrova::layout
