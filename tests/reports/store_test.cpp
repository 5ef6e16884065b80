// Report settings, layout files and the REPORT.DBF list rules, and the built-in reports' cell texts.

#include "GGraphc.h"
#include "GLabels.h"
#include "LayoutStream.h"
#include "ReportPrint.h"
#include "ReportStore.h"
#include "SystemTables.h"
#include "Table.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova;
using namespace addrova::reports;

namespace {

TEST(ReportSettingsTest, LengthsAreStoredInThousandthsOfAnInch)
{
    ReportSettings s = ReportSettings::NewReport(96);
    EXPECT_EQ(s.pageWidth, 816);
    EXPECT_EQ(s.pageHeight, 1056);
    EXPECT_EQ(s.leftMargin, 48);
    layout::StreamWriter w;
    s.write(w, 96);
    layout::StreamReader r(w.bytes());
    EXPECT_EQ(r.readInteger(), 8500);  // page width
    EXPECT_EQ(r.readInteger(), 11000);

    // The same file read on a 120 ppi screen.
    layout::StreamReader again(w.bytes());
    ReportSettings at120;
    at120.read(again, 120);
    EXPECT_EQ(at120.pageWidth, 1020);
    EXPECT_EQ(at120.pageHeight, 1320);
    EXPECT_EQ(at120.leftMargin, 60);
    EXPECT_EQ(at120.headerHeight, 41);  // 343 thousandths

    // Saving and loading again keeps every length.
    ReportSettings cycled = s;
    for (int i = 0; i < 3; ++i) {
        layout::StreamWriter wc;
        cycled.write(wc, 96);
        layout::StreamReader rc(wc.bytes());
        cycled.read(rc, 96);
    }
    EXPECT_EQ(cycled, s);

    // Everything else comes back as written.
    s.useMemo = true;
    s.memoAlignment = 2;
    s.memoFontName = QStringLiteral("Courier New");
    s.defaultItalic = true;
    s.footerFrame = BandFrame{true, false, true, true, 3, 60, 0x00123456};
    layout::StreamWriter w2;
    s.write(w2, 96);
    layout::StreamReader r2(w2.bytes());
    ReportSettings back;
    back.read(r2, 96);
    EXPECT_EQ(back, s);
}

TEST(ReportSettingsTest, DamagedSettingsAreRefused)
{
    const ReportSettings s = ReportSettings::NewReport(96);
    layout::StreamWriter w;
    s.write(w, 96);
    const QByteArray good = w.bytes();
    // Cut short anywhere: an error, never a crash.
    for (qsizetype n = 0; n < good.size(); ++n) {
        layout::StreamReader r(good.left(n));
        ReportSettings t;
        EXPECT_THROW(t.read(r, 96), std::exception) << n;
    }
    // A line width of 9.
    layout::StreamWriter bad;
    ReportSettings odd = s;
    odd.detailFrame.lineWidth = 9;
    odd.write(bad, 96);
    layout::StreamReader r(bad.bytes());
    ReportSettings t;
    EXPECT_THROW(t.read(r, 96), layout::LayoutStreamError);
}

TEST(ReportSettingsTest, ShadeMixesWithWhite)
{
    struct Case {
        uint32_t colour;
        int percent;
        uint32_t mixed;
    } cases[] = {
        {0x000000FF, 0, 0x00FFFFFF},    // 0 per cent: white
        {0x000000FF, 100, 0x000000FF},  // 100: the colour itself
        {0x00000000, 20, 0x00CCCCCC},   // black at 20: 0 + 80 x 255 / 100 = 204
        {0x00804020, 50, 0x00BF9F8F},   // per channel, integer arithmetic
    };
    for (const Case& c : cases)
        EXPECT_EQ(MixShade(c.colour, c.percent), c.mixed) << c.percent;
}

TEST(ReportSettingsTest, PaperIsRecognisedFromThePageSize)
{
    for (int ppi : {96, 120}) {
        for (Paper p : {Paper::Letter, Paper::A4}) {
            for (bool landscape : {false, true}) {
                ReportSettings s = ReportSettings::NewReport(ppi);
                SetPaper(s, p, landscape, ppi);
                const PaperChoice c = RecognisePaper(s.pageWidth, s.pageHeight, ppi);
                EXPECT_EQ(c.paper, p);
                EXPECT_EQ(c.landscape, landscape);
            }
        }
    }
    ReportSettings s = ReportSettings::NewReport(96);
    SetPaper(s, Paper::Letter, true, 96);
    EXPECT_EQ(s.pageWidth, 1056);
    EXPECT_EQ(LayoutName(Paper::Letter, true), QStringLiteral("Letter Size, Landscape"));
    EXPECT_EQ(LayoutName(Paper::A4, false), QStringLiteral("A4 Size, Portrait"));
    EXPECT_EQ(RecognisePaper(500, 700, 96).paper, Paper::Other);
}

class ReportListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        sysdata_ = dir_.path().toStdString() + "/";
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Report, t_, sysdata_), "");
        t_.setSelection("not DELETED()");
        t_.setOrder(1);
        t_.goTop();
    }
    QString file(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
    QByteArray bytes(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A new report with one text object in the header and the detail.
    ReportDefinition create(ReportList& list, const QString& description)
    {
        QObject owner, header, detail, footer;
        ReportBands bands{&owner, &header, &detail, &footer};
        ReportDefinition def = list.Load(true, bands);
        EXPECT_EQ(def.description, QStringLiteral("<new report>"));
        EXPECT_EQ(def.layoutName, QStringLiteral("Letter Size, Portrait"));
        EXPECT_TRUE(def.binary.isEmpty());
        auto* h = new layout::TGPLabel(&header);
        h->setName(QStringLiteral("HeaderText"));
        h->setCaption(QStringLiteral("In the header"));
        auto* d = new layout::TGPLabel(&detail);
        d->setName(QStringLiteral("DetailText"));
        d->setCaption(QStringLiteral("In the detail"));
        def.description = description;
        list.Save(def, true, bands);
        return def;
    }

    QTemporaryDir dir_;
    std::string sysdata_;
    store::Table t_;
};

TEST_F(ReportListTest, FileNamesAreReusedAfterADelete)
{
    ReportList list(t_, sysdata_);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(create(list, QStringLiteral("First")).binary, QStringLiteral("BIN00001.R"));
    EXPECT_EQ(create(list, QStringLiteral("Second")).binary, QStringLiteral("BIN00002.R"));
    ASSERT_TRUE(list.locate(QStringLiteral("First")));
    EXPECT_EQ(list.DeleteQuestion(), QStringLiteral("Delete \"First\"?"));
    list.DeleteCurrent();
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("BIN00001.R"))));
    EXPECT_EQ(list.descriptions(), QStringList{QStringLiteral("Second")});
    EXPECT_EQ(create(list, QStringLiteral("Third")).binary, QStringLiteral("BIN00001.R"));
    EXPECT_EQ(list.descriptions(), (QStringList{QStringLiteral("Second"), QStringLiteral("Third")}));
}

TEST_F(ReportListTest, ACloneHasItsOwnFile)
{
    ReportList list(t_, sysdata_);
    create(list, QStringLiteral("Phones"));
    ASSERT_TRUE(list.locate(QStringLiteral("Phones")));
    EXPECT_EQ(list.CloneQuestion(), QStringLiteral("Clone \"Phones\"?"));
    list.CloneCurrent();
    ASSERT_TRUE(list.locate(QStringLiteral("Clone of Phones")));
    EXPECT_EQ(QString::fromStdString(t_.getString("BINARY")), QStringLiteral("BIN00002.R"));
    EXPECT_EQ(bytes(QStringLiteral("BIN00002.R")), bytes(QStringLiteral("BIN00001.R")));

    // Changing the clone leaves the original alone.
    const QByteArray original = bytes(QStringLiteral("BIN00001.R"));
    QObject owner, header, detail, footer;
    ReportBands bands{&owner, &header, &detail, &footer};
    ReportDefinition def = list.Load(false, bands);
    EXPECT_EQ(layout::layoutObjects(&header).size(), 1u);
    ClearBand(&header);
    list.Save(def, false, bands);
    EXPECT_EQ(bytes(QStringLiteral("BIN00001.R")), original);
    EXPECT_NE(bytes(QStringLiteral("BIN00002.R")), original);

    // A long description is cut to the field.
    t_.setString("DESCRIPT", std::string(60, 'x'));
    t_.post();
    list.CloneCurrent();
    EXPECT_TRUE(list.locate(QStringLiteral("Clone of ") + QString(51, QLatin1Char('x'))));
}

TEST_F(ReportListTest, LandscapeAndUnusedBandsSurviveASave)
{
    ReportList list(t_, sysdata_);
    create(list, QStringLiteral("Wide"));
    ASSERT_TRUE(list.locate(QStringLiteral("Wide")));
    QObject owner, header, detail, footer;
    ReportBands bands{&owner, &header, &detail, &footer};
    ReportDefinition def = list.Load(false, bands);
    ASSERT_EQ(layout::layoutObjects(&header).size(), 1u);
    SetPaper(def.settings, Paper::Letter, true, 96);
    def.layoutName = LayoutName(Paper::Letter, true);
    def.settings.useHeader = false;  // the header's object stays out of the file
    list.Save(def, false, bands);

    QObject owner2, header2, detail2, footer2;
    ReportBands again{&owner2, &header2, &detail2, &footer2};
    ReportDefinition back = list.Load(false, again);
    EXPECT_EQ(back.settings.pageWidth, 1056);
    EXPECT_EQ(back.layoutName, QStringLiteral("Letter Size, Landscape"));
    EXPECT_FALSE(back.settings.useHeader);
    EXPECT_TRUE(layout::layoutObjects(&header2).empty());
    EXPECT_EQ(layout::layoutObjects(&detail2).size(), 1u);
}

TEST_F(ReportListTest, MissingAndDamagedFiles)
{
    ReportList list(t_, sysdata_);
    create(list, QStringLiteral("Gone"));
    ASSERT_TRUE(list.locate(QStringLiteral("Gone")));
    QFile::remove(file(QStringLiteral("BIN00001.R")));
    QObject owner, header, detail, footer;
    ReportBands bands{&owner, &header, &detail, &footer};
    new layout::TGPLabel(&detail);
    ReportDefinition def = list.Load(false, bands);
    EXPECT_TRUE(layout::layoutObjects(&detail).empty());
    EXPECT_EQ(def.settings, ReportSettings::NewReport(96));

    QFile f(file(QStringLiteral("BIN00001.R")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x0e\x01\x07TGPLabel garbage");
    f.close();
    EXPECT_THROW(list.Load(false, bands), std::exception);
    EXPECT_TRUE(layout::layoutObjects(&detail).empty());
}

TEST(ReportFileNameTest, FirstFreeNumber)
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString() + "/";
    EXPECT_EQ(NextReportBinaryName(d), QStringLiteral("BIN00001.R"));
    for (const char* n : {"BIN00001.R", "BIN00002.R", "BIN00004.R"}) {
        QFile f(dir.path() + QLatin1Char('/') + QLatin1String(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(NextReportBinaryName(d), QStringLiteral("BIN00003.R"));
}

TEST(BuiltInCellTest, NamesAndPlaces)
{
    EXPECT_EQ(NameCell("Smith", "John", "Q"), QStringLiteral("Smith, John Q."));
    EXPECT_EQ(NameCell("", "John", ""), QStringLiteral(", John "));
    EXPECT_EQ(NameCell("Smith", "", ""), QStringLiteral("Smith, "));
    EXPECT_EQ(CityCell("Springfield", "IL", "62704"), QStringLiteral("Springfield, IL  62704 "));
    EXPECT_EQ(CityCell("", "", ""), QString());
    EXPECT_EQ(CityCell("", "IL", ""), QStringLiteral("IL  "));
    EXPECT_EQ(Report4Name("Smith", "John", "Q", ""), QStringLiteral("Smith,  John Q."));
    EXPECT_EQ(Report4Name("Smith", "John", "", "Dr."), QStringLiteral("Smith, Dr. John "));
    EXPECT_EQ(Report4Name("Smith", "", "", ""), QStringLiteral("Smith, "));
    EXPECT_EQ(BuiltInReportNames().at(2), QStringLiteral("3. Organization,Name,Phone,Fax "));
    EXPECT_STREQ(BuiltInReportOrder(3), "ORG");
    EXPECT_STREQ(BuiltInReportOrder(4), "LNAME");
}

}  // namespace
