// The placement of the layout on the printer's page, the paper warning, the feed text and the
// feed and printer settings.

#include "EnvelopeFeed.h"

#include "Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>

namespace {

using namespace addrova::envelopes;

FeedMethod feed(int facing, int orientation, int position, bool cw)
{
    FeedMethod f;
    f.facing = facing;
    f.orientation = orientation;
    f.position = position;
    f.clockwise = cw;
    return f;
}

TEST(EnvelopeOffsets, FeedCases)
{
    struct Case {
        const char* what;
        FeedMethod f;
        double pw, ph, x, y;
    };
    const double ew = 9.5, eh = 4.125;
    const Case cases[] = {
        // The page is the envelope: nothing moves whatever the feed.
        {"envelope page, up portrait right", feed(faceUp, feedPortrait, posRight, false), 9.5, 4.125, 0, 0},
        {"envelope page, down landscape left cw", feed(faceDown, feedLandscape, posLeft, true), 9.5, 4.125, 0, 0},
        {"envelope page within a tenth", feed(faceDown, feedLandscape, posCenter, false), 9.54, 4.13, 0, 0},
        // Portrait Letter: the envelope is wider than the page, so X goes negative and becomes 0.
        {"letter up portrait center", feed(faceUp, feedPortrait, posCenter, false), 8.5, 11, 0, 0},
        {"letter down portrait left", feed(faceDown, feedPortrait, posLeft, false), 8.5, 11, 0, 0},
        // Landscape Letter, 11 x 8.5.
        {"down landscape center ccw", feed(faceDown, feedLandscape, posCenter, false), 11, 8.5, 1.5, 2.1875},
        {"up landscape right cw", feed(faceUp, feedLandscape, posRight, true), 11, 8.5, 0, 4.375},
        {"up landscape left ccw", feed(faceUp, feedLandscape, posLeft, false), 11, 8.5, 1.5, 0},
        {"up landscape center cw", feed(faceUp, feedLandscape, posCenter, true), 11, 8.5, 0, 2.1875},
        {"down landscape left ccw", feed(faceDown, feedLandscape, posLeft, false), 11, 8.5, 1.5, 4.375},
        {"down landscape right cw", feed(faceDown, feedLandscape, posRight, true), 11, 8.5, 0, 0},
        // A portrait sheet wider than the envelope: the position moves it across.
        {"up portrait right", feed(faceUp, feedPortrait, posRight, false), 11, 17, 1.5, 0},
        {"up portrait center", feed(faceUp, feedPortrait, posCenter, false), 11, 17, 0.75, 0},
        {"up portrait left", feed(faceUp, feedPortrait, posLeft, false), 11, 17, 0, 0},
        {"down portrait left", feed(faceDown, feedPortrait, posLeft, false), 11, 17, 1.5, 0},
        {"down portrait right", feed(faceDown, feedPortrait, posRight, false), 11, 17, 0, 0},
        {"down portrait center", feed(faceDown, feedPortrait, posCenter, false), 11, 17, 0.75, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LayoutOffset o = EnvelopeOffsets(c.f, c.pw, c.ph, ew, eh);
        EXPECT_DOUBLE_EQ(o.x, c.x);
        EXPECT_DOUBLE_EQ(o.y, c.y);
    }
}

TEST(EnvelopeOffsets, PaperWarningBeyondAnInch)
{
    EXPECT_FALSE(PaperMismatch(9.5, 4.125, 9.5, 4.125));
    EXPECT_FALSE(PaperMismatch(9.5, 4.125, 8.5, 4.125));   // exactly one inch: no warning
    EXPECT_TRUE(PaperMismatch(9.5, 4.125, 8.49, 4.125));
    EXPECT_TRUE(PaperMismatch(9.5, 4.125, 8.5, 11));       // portrait Letter
    EXPECT_TRUE(PaperMismatch(9.5, 4.125, 11, 8.5));       // landscape Letter
    EXPECT_FALSE(PaperMismatch(9.16, 6.48, 9.016, 6.378));  // C5 as the printer measures it
}

TEST(EnvelopeFeedText, Description)
{
    EXPECT_EQ(FeedDescription(FeedMethod{}), "Position: Center\r\nOrientation : Landscape\r\nFacing Down");
    EXPECT_EQ(FeedDescription(feed(faceUp, feedLandscape, posLeft, true)),
              "Position: Left\r\nOrientation : Landscape\r\nClockwise Rotation\r\nFacing Up");
    EXPECT_EQ(FeedDescription(feed(faceUp, feedPortrait, posRight, false)),
              "Position: Right\r\nOrientation : Portrait\r\nFacing Up");
}

TEST(EnvelopeFeedText, Parse)
{
    EXPECT_EQ(ParseFeed("face-down,landscape,center,ccw"), FeedMethod{});
    EXPECT_EQ(ParseFeed(" Face-Up , PORTRAIT,right "), feed(faceUp, feedPortrait, posRight, false));
    EXPECT_EQ(ParseFeed("cw"), feed(faceDown, feedLandscape, posCenter, true));
    EXPECT_EQ(ParseFeed(""), FeedMethod{});
    EXPECT_THROW(ParseFeed("sideways"), std::invalid_argument);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("envfeed-" + std::to_string(rd()) + ".ini");
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::filesystem::path path_;
};

TEST_F(SettingsFile, FirstRunDefaultsAndRoundTrip)
{
    addrova::app::ProfileFile ini(path_.string());
    EXPECT_EQ(LoadFeed(ini), feed(faceDown, feedLandscape, posCenter, false));
    const EnvelopePrinterChoice none = LoadEnvelopePrinter(ini);
    EXPECT_TRUE(none.printer.empty() && none.bin.empty() && none.paper.empty());
    EXPECT_EQ(none.orientation, -1);

    const FeedMethod f = feed(faceUp, feedPortrait, posRight, true);
    SaveFeed(ini, f);
    EXPECT_EQ(LoadFeed(ini), f);
    EXPECT_EQ(ini.readString("Envelope Feed", "ClockWiseRotation"), "1");
    EXPECT_EQ(ini.readString("Envelope Feed", "Position"), "1");

    SaveEnvelopePrinter(ini, {"Office ON LPT1:", "Tray 2", "Envelope #10", 1});
    const EnvelopePrinterChoice c = LoadEnvelopePrinter(ini);
    EXPECT_EQ(c.printer, "Office ON LPT1:");
    EXPECT_EQ(c.bin, "Tray 2");
    EXPECT_EQ(c.paper, "Envelope #10");
    EXPECT_EQ(c.orientation, 1);
    EXPECT_EQ(PrinterNameBeforeOn(c.printer), "Office");
    EXPECT_EQ(PrinterNameBeforeOn("Lab on ne14:"), "Lab");
    EXPECT_EQ(PrinterNameBeforeOn("Plain"), "Plain");

    // Out-of-range values fall back to the nearest meaning rather than an unknown feed.
    ini.writeString("Envelope Feed", "Position", "7");
    ini.writeString("Envelope Feed", "Orientation", "3");
    EXPECT_EQ(LoadFeed(ini).position, posCenter);
    EXPECT_EQ(LoadFeed(ini).orientation, feedLandscape);
}

}  // namespace
