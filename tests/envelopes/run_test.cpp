// Envelope runs printed to PDF: page size, one envelope per page, the record choices and the
// layout moved onto the envelope by the feed method.

#include "EnvelopeFixture.h"

#include <QFile>
#include <cmath>

namespace envelope_test {
namespace {

using envelopes::EnvelopePaper;
using envelopes::EnvelopePrintOptions;
using envelopes::RecordChoice;

class EnvelopeRunTest : public EnvelopeFixture {};

// The shipped layout's address block: 4 inches from the left edge; the name line sits on the
// block's first line, 1.75 inches from the top (plus the word's own ascent gap).
constexpr double kAddressX = 4.0, kAddressY = 1.75;

TEST_F(EnvelopeRunTest, AllRecordsOneEnvelopePerPageOnTheEnvelopeSize)
{
    addNumbered(3);
    EnvelopePrintOptions o;
    o.choice = RecordChoice::All;
    PdfInfo info;
    const auto names = print(o, EnvelopePaper::Envelope, &info);
    EXPECT_EQ(info.pages, 3);
    EXPECT_NEAR(info.widthPt, 9.5 * 72, 0.5);
    EXPECT_NEAR(info.heightPt, 4.125 * 72, 0.5);
    ASSERT_EQ(names.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(names[static_cast<size_t>(i)].page, i + 1);
        EXPECT_EQ(names[static_cast<size_t>(i)].text, QStringLiteral("Rec0%1").arg(i + 1));
        EXPECT_GT(names[static_cast<size_t>(i)].x, kAddressX);
        EXPECT_NEAR(names[static_cast<size_t>(i)].y, kAddressY, 0.05);
    }
}

TEST_F(EnvelopeRunTest, OnlyCurrentRecordPrintsOneEvenWithStartFromCurrent)
{
    addNumbered(4);
    t_.go(3);
    EnvelopePrintOptions o;
    o.choice = RecordChoice::OnlyCurrent;
    o.startFromCurrent = true;
    PdfInfo info;
    const auto names = print(o, EnvelopePaper::Envelope, &info);
    EXPECT_EQ(info.pages, 1);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].text, QStringLiteral("Rec03"));
    EXPECT_EQ(t_.recNo(), 3u);  // put back
}

TEST_F(EnvelopeRunTest, StartFromCurrentAndOutOfRange)
{
    addNumbered(4);
    t_.go(3);
    EnvelopePrintOptions o;
    o.choice = RecordChoice::Filter;
    o.startFromCurrent = true;
    auto names = print(o, EnvelopePaper::Envelope);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].text, QStringLiteral("Rec03"));

    t_.setSelection("LNAME <> 'Rec03' .and. !ISDEL");
    t_.go(3);
    names = print(o, EnvelopePaper::Envelope);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].text, QStringLiteral("Rec01"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QStringLiteral("Current record is out of range. Starting with first record"));
}

TEST_F(EnvelopeRunTest, LetterSheetsMoveTheLayoutByTheFeed)
{
    add("Rec01");
    struct Case {
        const char* feed;
        double pageW, pageH, x, y;
    };
    const Case cases[] = {
        {"face-down,landscape,center,ccw", 11, 8.5, 1.5, 2.1875},
        {"face-up,landscape,right,cw", 11, 8.5, 0, 4.375},
        {"face-up,portrait,center", 8.5, 11, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feed);
        EnvelopePrintOptions o;
        o.choice = RecordChoice::All;
        o.feed = envelopes::ParseFeed(c.feed);
        PdfInfo info;
        const auto names = print(o, EnvelopePaper::Letter, &info);
        EXPECT_NEAR(info.widthPt, c.pageW * 72, 0.5);
        EXPECT_NEAR(info.heightPt, c.pageH * 72, 0.5);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_NEAR(names[0].y, c.y + kAddressY, 0.05);
        EXPECT_GT(names[0].x, c.x + kAddressX);
        EXPECT_LT(names[0].x, c.x + kAddressX + 1.0);
    }
}

TEST_F(EnvelopeRunTest, CopiesRepeatEachRecord)
{
    addNumbered(2);
    EnvelopePrintOptions o;
    o.choice = RecordChoice::All;
    o.copies = 2;
    const auto names = print(o, EnvelopePaper::EnvelopeExact);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1].text, QStringLiteral("Rec01"));
    EXPECT_EQ(names[2].text, QStringLiteral("Rec02"));
}

TEST_F(EnvelopeRunTest, MissingFileUnknownSizeAndDamagedLayoutAreReported)
{
    add("Rec01");
    EnvelopePrintOptions o;
    envelopes::EnvelopeSetup s = shipped();
    s.binary = "BIN00042.E";
    EXPECT_TRUE(print(o, EnvelopePaper::Envelope, nullptr, s).empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_.back(), QStringLiteral("Envelope definition file has been removed from the sysdata directory"));

    s = shipped();
    s.setNumber(77);
    EXPECT_TRUE(print(o, EnvelopePaper::Envelope, nullptr, s).empty());
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_TRUE(messages_.back().contains(QStringLiteral("77"))) << messages_.back().toStdString();

    QFile bad(QString::fromStdString(sysdata_ + "BIN00005.E"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("TPF0\x0b" "garbage that is no layout");
    bad.close();
    s = shipped();
    s.binary = "BIN00005.E";
    EXPECT_TRUE(print(o, EnvelopePaper::Envelope, nullptr, s).empty());
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_TRUE(messages_.back().contains(QStringLiteral("could not be read"))) << messages_.back().toStdString();
}

}  // namespace
}  // namespace envelope_test
