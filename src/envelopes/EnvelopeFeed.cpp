#include "EnvelopeFeed.h"

#include "Settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <sstream>
#include <stdexcept>

namespace addrova::envelopes {

namespace {

constexpr const char* kFeed = "Envelope Feed";
constexpr const char* kPrinter = "Envelope Printer";

long trunc100(double v) { return static_cast<long>(std::trunc(v * 100 + (v >= 0 ? 1e-9 : -1e-9))); }
long trunc10(double v) { return static_cast<long>(std::trunc(v * 10 + (v >= 0 ? 1e-9 : -1e-9))); }

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace

LayoutOffset EnvelopeOffsets(const FeedMethod& f, double pw, double ph, double ew, double eh)
{
    LayoutOffset o;
    if (trunc10(pw) == trunc10(ew) && trunc10(ph) == trunc10(eh))
        return o;
    const bool up = f.facing == faceUp;
    // Face down, the left and right of the feeder swap.
    const int nearEdge = up ? posRight : posLeft;
    const int farEdge = up ? posLeft : posRight;
    auto along = [&](double room) {
        if (f.position == nearEdge)
            return room;
        if (f.position == farEdge)
            return 0.0;
        return room / 2;
    };
    if (f.orientation == feedPortrait) {
        o.x = along(pw - ew);
        o.y = 0;
    } else {
        o.x = f.clockwise ? 0 : pw - ew;
        o.y = along(ph - eh);
    }
    o.x = std::max(0.0, o.x);
    o.y = std::max(0.0, o.y);
    return o;
}

bool PaperMismatch(double ew, double eh, double pw, double ph)
{
    return std::labs(trunc100(ew) - trunc100(pw)) > 100 || std::labs(trunc100(eh) - trunc100(ph)) > 100;
}

std::string FeedDescription(const FeedMethod& f)
{
    std::string s = f.position == posLeft ? "Position: Left\r\n"
                    : f.position == posRight ? "Position: Right\r\n"
                                             : "Position: Center\r\n";
    s += f.orientation == feedPortrait ? "Orientation : Portrait" : "Orientation : Landscape";
    s += "\r\n";
    if (f.clockwise)
        s += "Clockwise Rotation\r\n";
    s += f.facing == faceDown ? "Facing Down" : "Facing Up";
    return s;
}

FeedMethod ParseFeed(const std::string& text, FeedMethod f)
{
    std::stringstream in(text);
    std::string word;
    while (std::getline(in, word, ',')) {
        const std::string w = lower(trim(word));
        if (w.empty())
            continue;
        if (w == "face-up" || w == "up")
            f.facing = faceUp;
        else if (w == "face-down" || w == "down")
            f.facing = faceDown;
        else if (w == "portrait")
            f.orientation = feedPortrait;
        else if (w == "landscape")
            f.orientation = feedLandscape;
        else if (w == "left")
            f.position = posLeft;
        else if (w == "right")
            f.position = posRight;
        else if (w == "center" || w == "centre")
            f.position = posCenter;
        else if (w == "cw" || w == "clockwise")
            f.clockwise = true;
        else if (w == "ccw" || w == "counter-clockwise")
            f.clockwise = false;
        else
            throw std::invalid_argument("unknown feed word \"" + trim(word) +
                                        "\" (use face-up|face-down, portrait|landscape, left|right|center, cw|ccw)");
    }
    return f;
}

FeedMethod LoadFeed(const app::ProfileFile& s)
{
    FeedMethod f;
    f.orientation = s.readInt(kFeed, "Orientation", feedLandscape) == 0 ? feedPortrait : feedLandscape;
    f.facing = s.readInt(kFeed, "Facing", faceDown) == 0 ? faceUp : faceDown;
    const int p = s.readInt(kFeed, "Position", posCenter);
    f.position = p == posLeft || p == posRight ? p : posCenter;
    f.clockwise = s.readBool(kFeed, "ClockWiseRotation", false);
    return f;
}

void SaveFeed(app::ProfileFile& s, const FeedMethod& f)
{
    s.writeInt(kFeed, "Orientation", f.orientation);
    s.writeInt(kFeed, "Facing", f.facing);
    s.writeInt(kFeed, "Position", f.position);
    s.writeBool(kFeed, "ClockWiseRotation", f.clockwise);
}

EnvelopePrinterChoice LoadEnvelopePrinter(const app::ProfileFile& s)
{
    EnvelopePrinterChoice c;
    c.printer = s.readString(kPrinter, "Printer");
    c.bin = s.readString(kPrinter, "Bin");
    c.paper = s.readString(kPrinter, "Paper");
    const std::string o = trim(s.readString(kPrinter, "Orientation"));
    if (!o.empty())
        c.orientation = s.readInt(kPrinter, "Orientation", 1) != 0 ? 1 : 0;
    return c;
}

void SaveEnvelopePrinter(app::ProfileFile& s, const EnvelopePrinterChoice& c)
{
    s.writeString(kPrinter, "Printer", c.printer);
    s.writeString(kPrinter, "Bin", c.bin);
    s.writeString(kPrinter, "Paper", c.paper);
    s.writeInt(kPrinter, "Orientation", c.orientation < 0 ? 0 : c.orientation);
}

std::string PrinterNameBeforeOn(const std::string& name)
{
    const auto at = lower(name).find(" on ");
    return at == std::string::npos ? name : name.substr(0, at);
}

}  // namespace addrova::envelopes
