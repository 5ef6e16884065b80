#pragma once

// The settings of one user-defined report: page, margins and band sizes in design units (screen
// pixels at the screen's ppi), band use, fonts and band frames; their stored form in thousandths of
// an inch; paper recognition and the layout names.

#include <QString>
#include <cstdint>

namespace addrova::layout {
class StreamWriter;
class StreamReader;
}

namespace addrova::reports {

struct BandFrame {
    bool left = false, top = false, right = false, bottom = false;
    int lineWidth = 1;        // 1 to 3
    int shadePercent = 0;     // 0 to 100
    uint32_t shadeColor = 0x00FFFFFF;  // 0x00BBGGRR
    bool operator==(const BandFrame&) const = default;
};

enum class Paper { Letter, A4, Other };

struct ReportSettings {
    int pageWidth = 0, pageHeight = 0;
    int leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;
    int headerHeight = 33, detailHeight = 33, footerHeight = 33;
    bool useHeader = true, useDetail = true, useMemo = false, useFooter = false;
    QString memoFontName = QStringLiteral("Arial");
    int memoFontSize = 10;
    bool memoBold = false, memoItalic = false;
    int memoAlignment = 0;  // 0 left, 1 right, 2 centred
    QString defaultFontName = QStringLiteral("Arial");
    int defaultFontSize = 10;
    bool defaultBold = false, defaultItalic = false;
    BandFrame headerFrame, detailFrame, memoFrame, footerFrame;

    bool operator==(const ReportSettings&) const = default;

    // A new report: Letter portrait, half-inch margins, header and detail used, frames as "Defaults"
    // gives them (no borders, line width 1, white, 0 per cent).
    static ReportSettings NewReport(int ppi);

    // The settings list of the layout file (lengths in thousandths of an inch).
    void write(layout::StreamWriter& w, int ppi) const;
    // Reads the list written by write(); values are checked (LayoutStreamError on a damaged list).
    void read(layout::StreamReader& r, int ppi);
};

// Stored value of a length (truncated) and the length of a stored value (rounded to the unit).
int32_t LengthToThousandths(int length, int ppi);
int ThousandthsToLength(int32_t value, int ppi);

// The colour a shade percent gives: each channel c becomes c + (100 - p) x (255 - c) / 100.
uint32_t MixShade(uint32_t colour, int percent);

struct PaperChoice {
    Paper paper = Paper::Other;
    bool landscape = false;
};
// The paper of a page size in design units (Letter or A4, either way round).
PaperChoice RecognisePaper(int pageWidth, int pageHeight, int ppi);
// "Letter Size, Portrait", "A4 Size, Landscape", ...
QString LayoutName(Paper paper, bool landscape);
// Sets the page size for a paper and orientation.
void SetPaper(ReportSettings& s, Paper paper, bool landscape, int ppi);

// Margins of the layout dialog: 0.5 to 2.5 inches.
inline constexpr double kMinMargin = 0.5;
inline constexpr double kMaxMargin = 2.5;

}  // namespace addrova::reports
