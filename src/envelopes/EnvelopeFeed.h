#pragma once

// How the printer takes envelopes (the feed method), where the layout lands on the printer's page,
// and the envelope printer choice kept in the settings file. No Qt.

#include <string>

namespace addrova::app {
class ProfileFile;
}

namespace addrova::envelopes {

enum FeedOrientation : int { feedPortrait = 0, feedLandscape = 1 };
enum FeedFacing : int { faceUp = 0, faceDown = 1 };
enum FeedPosition : int { posLeft = 0, posRight = 1, posCenter = 2 };

// Settings section "Envelope Feed"; the defaults are those of a first run.
struct FeedMethod {
    int orientation = feedLandscape;
    int facing = faceDown;
    int position = posCenter;
    bool clockwise = false;

    bool operator==(const FeedMethod&) const = default;
};

struct LayoutOffset {
    double x = 0, y = 0;  // inches
};

// Where the envelope's top-left corner lies on a page of pw x ph inches for an envelope of ew x eh:
// nothing moves when the page is the envelope (to a tenth of an inch); otherwise the feed method
// decides, and a negative offset becomes 0.
LayoutOffset EnvelopeOffsets(const FeedMethod& feed, double pw, double ph, double ew, double eh);

// True when the printer's page is more than an inch off the envelope in either direction (the
// warning of "Envelope Print").
bool PaperMismatch(double ew, double eh, double pw, double ph);
inline constexpr const char* kPaperWarning =
    "WARNING: Printer PAPER SIZE and ORIENTATION do not match selected Envelope.\r\nUse Printer Setup to correct this.";

// "Position: Center\r\nOrientation : Landscape\r\nFacing Down" and the like.
std::string FeedDescription(const FeedMethod& feed);

// A feed written as words separated by commas, in any order: "face-up"/"face-down",
// "portrait"/"landscape", "left"/"right"/"center", "cw"/"ccw". Words left out keep `base`'s value.
// Throws std::invalid_argument naming the word it does not know.
FeedMethod ParseFeed(const std::string& text, FeedMethod base = {});

FeedMethod LoadFeed(const app::ProfileFile& settings);
void SaveFeed(app::ProfileFile& settings, const FeedMethod& feed);

// Settings section "Envelope Printer"; empty names leave the printer's current choice.
struct EnvelopePrinterChoice {
    std::string printer, bin, paper;
    int orientation = -1;  // -1: absent; 0 portrait; other landscape
};
EnvelopePrinterChoice LoadEnvelopePrinter(const app::ProfileFile& settings);
void SaveEnvelopePrinter(app::ProfileFile& settings, const EnvelopePrinterChoice& choice);

// The printer name as the engine lists it: the part before the first " ON " (any case).
std::string PrinterNameBeforeOn(const std::string& name);

}  // namespace addrova::envelopes
