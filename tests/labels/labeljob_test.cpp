#include "LabelJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace addrova::labels;

namespace {

// Records in ZIP order; the run sees them as the table's current order and query.
class FakeRecords : public LabelRecords {
public:
    explicit FakeRecords(std::vector<std::string> zips) : zips_(std::move(zips)) {}
    bool eof() override { return pos_ >= zips_.size(); }
    void first() override { pos_ = 0; }
    void next() override { ++pos_; }
    void pastEnd() override { pos_ = zips_.size(); }
    void seekZip(std::string_view key) override
    {
        pos_ = 0;
        while (pos_ < zips_.size() && zips_[pos_].compare(0, key.size(), key) < 0)
            ++pos_;
    }
    std::string zip() override { return zips_.at(pos_); }
    size_t pos() const { return pos_; }

private:
    std::vector<std::string> zips_;
    size_t pos_ = 0;
};

struct Placed {
    int page;
    double x, y;
    std::string what;  // record index as text, or the separator heading
    bool operator==(const Placed&) const = default;
};

class Recorder : public LabelSink {
public:
    explicit Recorder(FakeRecords& r) : records_(r) {}
    void newPage() override { ++page_; }
    void record(double x, double y) override { out.push_back({page_, x, y, std::to_string(records_.pos())}); }
    void separator(double x, double y, const std::string& h) override { out.push_back({page_, x, y, h}); }
    bool stopped() override { return stopAfter >= 0 && static_cast<long>(out.size()) >= stopAfter; }
    std::vector<Placed> out;
    long stopAfter = -1;

private:
    FakeRecords& records_;
    int page_ = 1;
};

LabelGeometry sheet3x10()
{
    LabelGeometry g;
    g.lblHeight = 1;
    g.lblWidth = 2.625;
    g.nbrAcross = 3;
    g.nbrDown = 10;
    g.topMarg = 0.5;
    g.leftMarg = 0.1875;
    g.horizPitch = 2.75;
    g.vertPitch = 1;
    g.sheetWidth = 8.5;
    g.sheetDepth = 11;
    return g;
}

std::vector<Placed> run(const LabelRunOptions& o, std::vector<std::string> zips)
{
    FakeRecords r(std::move(zips));
    Recorder rec(r);
    RunLabels(o, r, rec);
    return rec.out;
}

}  // namespace

TEST(LabelRun, FillsRowsThenPages)
{
    LabelRunOptions o;
    o.geometry = sheet3x10();
    const auto out = run(o, std::vector<std::string>(31, "12345"));
    ASSERT_EQ(out.size(), 31u);
    EXPECT_EQ(std::count_if(out.begin(), out.end(), [](const Placed& p) { return p.page == 1; }), 30);
    EXPECT_EQ(out[29], (Placed{1, 0.1875 + 2 * 2.75, 0.5 + 9, "29"}));
    EXPECT_EQ(out[30], (Placed{2, 0.1875, 0.5, "30"}));
}

TEST(LabelRun, MaskLeavesPositionsBlankOnEveryPage)
{
    LabelRunOptions o;
    o.geometry = sheet3x10();
    o.mask.reset();
    o.mask.set(0);
    o.mask.set(2);
    const auto out = run(o, std::vector<std::string>(5, "12345"));
    ASSERT_EQ(out.size(), 5u);
    const double x0 = 0.1875, x2 = 0.1875 + 2 * 2.75;
    const std::vector<Placed> expected{{1, x0, 0.5, "0"}, {1, x2, 0.5, "1"}, {2, x0, 0.5, "2"},
                                       {2, x2, 0.5, "3"}, {3, x0, 0.5, "4"}};
    EXPECT_EQ(out, expected);
}

TEST(LabelRun, CopiesAndMiddleGap)
{
    LabelRunOptions o;
    o.geometry = sheet3x10();
    o.geometry.midExtraX = 0.25;
    o.copies = 3;
    const auto out = run(o, {"1", "2"});
    ASSERT_EQ(out.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const int col = i % 3;
        EXPECT_EQ(out[i].what, std::to_string(i / 3));
        EXPECT_DOUBLE_EQ(out[i].y, 0.5 + i / 3);
        EXPECT_DOUBLE_EQ(out[i].x, 0.1875 + col * 2.75 + (col >= 1 ? 0.25 : 0)) << i;
    }
}

TEST(LabelRun, PresortPrintsSeparatorsAndGroupsInListingOrder)
{
    std::vector<std::string> zips{"00312"};
    zips.insert(zips.end(), 12, "12345");
    LabelRunOptions o;
    o.geometry = sheet3x10();
    o.presort = true;
    o.listing = {"** 5-digit 12345", "12345", "** Unknown", "00312"};
    const auto out = run(o, zips);
    ASSERT_EQ(out.size(), 15u);
    EXPECT_EQ(out[0].what, "** 5-digit 12345");
    EXPECT_DOUBLE_EQ(out[0].x, 0.1875);
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(out[i].what, std::to_string(i)) << i;  // records 1..12 hold 12345
    EXPECT_EQ(out[13].what, "** Unknown");
    EXPECT_EQ(out[14].what, "0");
}

TEST(LabelRun, PresortSkipsListedZipsWithoutRecordsAndRecordsWithoutLines)
{
    LabelRunOptions o;
    o.geometry = sheet3x10();
    o.presort = true;
    o.listing = {"** ADC ALBANY NY 120", "12001", "12002", "12003"};
    const auto out = run(o, {"11111", "12001", "12003-4444", "13000"});
    std::vector<std::string> what;
    for (const auto& p : out)
        what.push_back(p.what);
    EXPECT_EQ(what, (std::vector<std::string>{"** ADC ALBANY NY 120", "1", "2"}));
}

TEST(LabelRun, StopEndsAfterTheCurrentLabelAndEmptyMaskPlacesNothing)
{
    LabelRunOptions o;
    o.geometry = sheet3x10();
    FakeRecords r(std::vector<std::string>(50, "1"));
    Recorder rec(r);
    rec.stopAfter = 7;
    EXPECT_EQ(RunLabels(o, r, rec), 7);
    o.mask.reset();
    EXPECT_TRUE(run(o, {"1"}).empty());
}

TEST(LabelPaper, CodesOrientationAndConfirmation)
{
    struct Case {
        const char* code;
        double w, d;
        const char* device;
        bool landscape;
        int paper;
        bool setPaper;
        double W, H;
    } cases[] = {
        {"LTR", 8.5, 11, "PDF file", false, 1, true, 8.5, 11},
        {"LTRL", 11, 8.5, "PDF file", true, 1, true, 8.5, 11},
        {"A4L", 11.69, 8.27, "x", true, 9, true, 8.27, 11.69},
        {"A5", 5.82, 8.27, "x", false, 11, true, 5.82, 8.27},
        {"USERP", 4, 6, "x", false, 0, true, 4, 6},
        {"USERL", 6, 4.004, "x", true, 0, true, 4, 6},
        {"USERP", 4, 6, "hpfdj 970", false, 0, false, 4, 6},
    };
    for (const Case& c : cases) {
        const PaperChoice p = ChoosePaper(c.code, c.w, c.d, c.device);
        EXPECT_EQ(p.landscape, c.landscape) << c.code;
        EXPECT_EQ(p.paperCode, c.paper) << c.code;
        EXPECT_EQ(p.setPaper, c.setPaper) << c.code;
        EXPECT_DOUBLE_EQ(p.width, c.W) << c.code;
        EXPECT_DOUBLE_EQ(p.height, c.H) << c.code;
    }
    const PaperChoice user = ChoosePaper("USERP", 4, 6, "PDF file");
    EXPECT_FALSE(PaperNeedsConfirmation(user, 4.0, 6.0));
    EXPECT_FALSE(PaperNeedsConfirmation(user, 4.04, 6.05));
    EXPECT_TRUE(PaperNeedsConfirmation(user, 8.5, 11));
    EXPECT_FALSE(PaperNeedsConfirmation(ChoosePaper("LTRL", 11, 8.5, "x"), 11, 8.5));  // page reported landscape
    EXPECT_TRUE(PaperNeedsConfirmation(ChoosePaper("USERP", 4, 6, "HPFDJ"), 4, 6));
    EXPECT_EQ(PaperQuestion(user),
              "Unable to confirm that the paper size was set to\r\n\r\n4.00\" by 6.00\"\r\n\r\n"
              "(you may have the wrong printer selected)\r\n\r\nWould you like to try printing anyways?");
}
