#include "LabelStock.h"
#include "SystemTables.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace addrova;
using namespace addrova::labels;

namespace {

// The catalogue opens exclusively: work on a copy so that tests running beside this one can read
// the shipped files.
struct StockCopy {
    test::TempDir dir;
    StockCopy()
    {
        for (const char* f : {"LBLTPL.DBF", "LBLTPL.CDX"})
            std::filesystem::copy_file(std::string(ADDROVA_SYSDATA_DIR) + f, dir.file(f));
    }
    std::string sysdata() const { return dir.path() + "/"; }
};

}  // namespace

TEST(LabelQuery, ClausesJoinedAsTheSelectorBuildsThem)
{
    struct Case {
        std::string manufacturer;
        int product;
        bool european;
        std::string query;
    } cases[] = {
        {"Avery Inkjet", 6, false, " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"IJ\" "},
        {"Costar LabelPrinter", 0, false,
         " UPPER(manufac)=\"COSTAR\"  and  UPPER(printer)=\"LP\"  and  UPPER(PRODTYPE)=\"ADDRESS/SHIPPING LABELS\" "},
        {"", 5, true, " UPPER(PRODTYPE)=\"MISCELLANEOUS\"  and  (\"A4\"$UPPER(PAPERSIZE) OR \"A5\"$UPPER(PAPERSIZE))"},
        {"", 6, false, ""},
        {"Avery Dot Matrix", -1, false, " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"DM\" "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildLabelQuery(c.manufacturer, c.product, c.european), c.query) << c.manufacturer;
}

TEST(LabelQuery, RunsOnTheShippedCatalogue)
{
    StockCopy copy;
    store::Table stock;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::LabelStock, stock, copy.sysdata()), "");
    stock.setSelection(BuildLabelQuery("Avery Laserjet", 0, false));
    const uint32_t laser = stock.countSelected();
    EXPECT_GT(laser, 0u);
    stock.setSelection(BuildLabelQuery("Avery Laserjet", 0, true));
    EXPECT_LT(stock.countSelected(), laser);
    for (stock.goTop(); !stock.eof(); stock.skip()) {
        EXPECT_EQ(stock.getString("MANUFAC"), "AVERY");
        EXPECT_NE(stock.getString("PAPERSIZE").find('A'), std::string::npos);
    }
}

TEST(LabelLayouts, TakingAStockRecordKeepsDescriptionAndFileName)
{
    StockCopy copy;
    store::Table stock;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::LabelStock, stock, copy.sysdata()), "");
    stock.setSelection(BuildLabelQuery("Avery Laserjet", 0, false));
    stock.goTop();
    ASSERT_FALSE(stock.eof());
    LabelSetup s = NewLabelSetup();
    s.descript = "Members";
    s.binary = "BIN00004.L";
    TakeStock(s, stock);
    EXPECT_EQ(s.descript, "Members");
    EXPECT_EQ(s.binary, "BIN00004.L");
    EXPECT_EQ(s.tplDescrip, stock.getString("DESCRIPT").substr(0, 60));
    EXPECT_EQ(s.manufac, "AVERY");
    EXPECT_EQ(s.printer, "LJ");
    EXPECT_FLOAT_EQ(s.lblWidth, static_cast<float>(stock.getNumber("LBLWIDTH")));
    EXPECT_EQ(s.nbrAcross, static_cast<int>(stock.getNumber("NBRACROSS")));
    EXPECT_EQ(ValidLabel(s.geometry()), "");
}

TEST(LabelQuery, Preselection)
{
    struct Case {
        const char *manufac, *printer, *prod;
        bool reset;
        int m, p;
        bool find;
    } cases[] = {
        {"USER", "LJ", "CARD PRODUCTS", false, 0, 0, false},
        {"AVERY", "IJ", "card products", false, 1, 1, true},
        {"AVERY", "DM", "nothing known", false, 2, 6, true},
        {"COSTAR", "XX", "MISCELLANEOUS", false, 3, 5, true},
        {"NEBS", "LJ", "ALL", false, -1, 6, true},  // "NEBS LASERJET" is not in the list
        {"AVERY", "LP", "", false, -1, 6, true},
        {"SMITH", "", "", false, 0, 6, true},
        {"AVERY", "IJ", "CARD PRODUCTS", true, 0, 0, false},
    };
    for (const Case& c : cases) {
        const Preselection p = PositionLabelCombos(c.manufac, c.printer, c.prod, c.reset);
        EXPECT_EQ(p.manufacturerIndex, c.m) << c.manufac << "/" << c.printer;
        EXPECT_EQ(p.productIndex, c.p) << c.prod;
        EXPECT_EQ(p.findDescription, c.find) << c.manufac;
    }
}

TEST(LabelLayouts, NamesDescriptionsAndUnits)
{
    test::TempDir dir;
    EXPECT_EQ(NextLabelFileName(dir.path()), "BIN00001.L");
    std::ofstream(dir.file("BIN00001.L")) << "x";
    std::ofstream(dir.file("BIN00003.L")) << "x";
    EXPECT_EQ(NextLabelFileName(dir.path()), "BIN00002.L");

    const std::string d45(45, 'x');
    EXPECT_EQ(CloneDescription(d45).size(), 50u);
    EXPECT_EQ(CloneDescription(d45).substr(0, 10), "Clone of :");
    EXPECT_EQ(CloneDescription(std::string(60, 'y')).size(), 50u);

    EXPECT_EQ(FormatInches(67 * kInchesPerMm), "2.638");
    EXPECT_EQ(FormatInches(2.625), "2.625");
    EXPECT_EQ(FormatInches(1.0), "1");
    EXPECT_EQ(FormatMm(2.625 * 25.4), "67");
    LabelSetup s = NewLabelSetup();
    EXPECT_EQ(CalcSheetName(s), "Avery 5160  Address");
    s.tplDescrip.clear();
    EXPECT_EQ(CalcSheetName(s), "[User Defined]");
}

TEST(LabelLayouts, WrittenRecordReadsBackRounded)
{
    test::TempDir dir;
    store::Table layouts;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::Label, layouts, dir.path() + "/"), "");
    LabelSetup s = NewLabelSetup();
    s.binary = "BIN00007.L";
    s.leftMarg = 0.18765f;
    s.midExtraX = 0.25;
    layouts.appendBlank();
    WriteLabelSetup(layouts, s);
    layouts.post();
    layouts.goTop();
    const LabelSetup r = ReadLabelSetup(layouts);
    EXPECT_EQ(r.descript, "<New Label>");
    EXPECT_EQ(r.binary, "BIN00007.L");
    EXPECT_EQ(r.tplDescrip, "Avery 5160  Address");
    EXPECT_FLOAT_EQ(r.leftMarg, 0.188f);
    EXPECT_FLOAT_EQ(r.horizPitch, 2.75f);
    EXPECT_EQ(r.nbrAcross, 3);
    EXPECT_EQ(r.nbrDown, 10);
    EXPECT_DOUBLE_EQ(r.midExtraX, 0.25);
    EXPECT_EQ(ValidLabel(r.geometry()), "");
}
