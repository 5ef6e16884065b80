#include "ReportSettings.h"

#include "LayoutStream.h"

#include <cmath>

namespace addrova::reports {

namespace {

int inches(double in, int ppi)
{
    // trunc(in x ppi), guarded against 8.27 x 96 landing a hair below its value
    return static_cast<int>(std::trunc(in * ppi + 1e-9));
}

void writeFrame(layout::StreamWriter& w, const BandFrame& f)
{
    w.writeBool(f.left);
    w.writeBool(f.top);
    w.writeBool(f.right);
    w.writeBool(f.bottom);
    w.writeInteger(f.lineWidth);
    w.writeInteger(f.shadePercent);
    w.writeInteger(static_cast<int32_t>(f.shadeColor));
}

int ranged(int32_t v, int lo, int hi, const char* what)
{
    if (v < lo || v > hi)
        throw layout::LayoutStreamError(std::string("report settings: ") + what + " out of range (" +
                                        std::to_string(v) + ")");
    return v;
}

BandFrame readFrame(layout::StreamReader& r)
{
    BandFrame f;
    f.left = r.readBool();
    f.top = r.readBool();
    f.right = r.readBool();
    f.bottom = r.readBool();
    f.lineWidth = ranged(r.readInteger(), 1, 3, "line width");
    f.shadePercent = ranged(r.readInteger(), 0, 100, "shade percent");
    f.shadeColor = static_cast<uint32_t>(r.readInteger());
    return f;
}

}  // namespace

int32_t LengthToThousandths(int length, int ppi)
{
    return static_cast<int32_t>(static_cast<int64_t>(length) * 1000 / ppi);
}

int ThousandthsToLength(int32_t value, int ppi)
{
    // Rounded, not truncated: the stored value is truncated already, and truncating again would
    // take a unit off a band (33 units -> 343 -> 32) at every save.
    return static_cast<int>((static_cast<int64_t>(value) * ppi + 500) / 1000);
}

uint32_t MixShade(uint32_t colour, int percent)
{
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int c = static_cast<int>((colour >> shift) & 0xFF);
        const int m = c + (100 - percent) * (255 - c) / 100;
        out |= static_cast<uint32_t>(m) << shift;
    }
    return out;
}

ReportSettings ReportSettings::NewReport(int ppi)
{
    ReportSettings s;
    s.pageWidth = inches(8.5, ppi);
    s.pageHeight = inches(11, ppi);
    s.leftMargin = s.topMargin = s.rightMargin = s.bottomMargin = inches(0.5, ppi);
    return s;
}

void ReportSettings::write(layout::StreamWriter& w, int ppi) const
{
    for (int v : {pageWidth, pageHeight, leftMargin, topMargin, rightMargin, bottomMargin, headerHeight, detailHeight,
                  footerHeight})
        w.writeInteger(LengthToThousandths(v, ppi));
    w.writeBool(useHeader);
    w.writeBool(useDetail);
    w.writeBool(useMemo);
    w.writeBool(useFooter);
    w.writeString(memoFontName);
    w.writeInteger(memoFontSize);
    w.writeBool(memoBold);
    w.writeBool(memoItalic);
    w.writeInteger(memoAlignment);
    w.writeString(defaultFontName);
    w.writeInteger(defaultFontSize);
    w.writeBool(defaultBold);
    w.writeBool(defaultItalic);
    for (const BandFrame* f : {&headerFrame, &detailFrame, &memoFrame, &footerFrame})
        writeFrame(w, *f);
}

void ReportSettings::read(layout::StreamReader& r, int ppi)
{
    ReportSettings s;
    // Up to 100 inches for the page and the bands; margins and bands never negative.
    int* lengths[] = {&s.pageWidth,   &s.pageHeight,   &s.leftMargin,   &s.topMargin,   &s.rightMargin,
                      &s.bottomMargin, &s.headerHeight, &s.detailHeight, &s.footerHeight};
    for (int* v : lengths)
        *v = ThousandthsToLength(ranged(r.readInteger(), 0, 100000, "length"), ppi);
    if (s.pageWidth <= 0 || s.pageHeight <= 0)
        throw layout::LayoutStreamError("report settings: empty page");
    s.useHeader = r.readBool();
    s.useDetail = r.readBool();
    s.useMemo = r.readBool();
    s.useFooter = r.readBool();
    s.memoFontName = r.readString();
    s.memoFontSize = ranged(r.readInteger(), 1, 1638, "memo font size");
    s.memoBold = r.readBool();
    s.memoItalic = r.readBool();
    s.memoAlignment = ranged(r.readInteger(), 0, 2, "memo alignment");
    s.defaultFontName = r.readString();
    s.defaultFontSize = ranged(r.readInteger(), 1, 1638, "font size");
    s.defaultBold = r.readBool();
    s.defaultItalic = r.readBool();
    s.headerFrame = readFrame(r);
    s.detailFrame = readFrame(r);
    s.memoFrame = readFrame(r);
    s.footerFrame = readFrame(r);
    *this = s;
}

PaperChoice RecognisePaper(int w, int h, int ppi)
{
    const int lw = inches(8.5, ppi), lh = inches(11, ppi);
    const int aw = inches(8.27, ppi), ah = inches(11.68, ppi);
    if (w == lw && h == lh)
        return {Paper::Letter, false};
    if (w == lh && h == lw)
        return {Paper::Letter, true};
    if (w == aw && h == ah)
        return {Paper::A4, false};
    if (w == ah && h == aw)
        return {Paper::A4, true};
    return {Paper::Other, w > h};
}

QString LayoutName(Paper paper, bool landscape)
{
    QString name = paper == Paper::A4 ? QStringLiteral("A4 Size, ") : QStringLiteral("Letter Size, ");
    return name + (landscape ? QStringLiteral("Landscape") : QStringLiteral("Portrait"));
}

void SetPaper(ReportSettings& s, Paper paper, bool landscape, int ppi)
{
    int w = paper == Paper::A4 ? inches(8.27, ppi) : inches(8.5, ppi);
    int h = paper == Paper::A4 ? inches(11.68, ppi) : inches(11, ppi);
    if (landscape)
        std::swap(w, h);
    s.pageWidth = w;
    s.pageHeight = h;
}

}  // namespace addrova::reports
