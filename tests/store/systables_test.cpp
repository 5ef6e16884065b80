// The program's own tables: open or create, silent index repair, and the rebuild.
#include "SystemTables.h"

#include <filesystem>
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace addrova::store;
using addrova::test::TempDir;

namespace {

const SystemTable kAll[] = {SystemTable::Letter, SystemTable::Report,     SystemTable::Envelope,
                            SystemTable::Label,  SystemTable::LabelStock, SystemTable::StateRanges};

// A sysdata folder with the two supplied tables holding a few rows.
std::string makeSysdata(const TempDir& dir) {
    std::string sys = dir.path() + "/";
    Table::create(sys + "LBLTPL.DBF", std::vector<FieldSpec>{{"DESCRIPT", 'C', 60, 0}, {"MANUFAC", 'C', 10, 0}});
    Table::create(sys + "CSZ.DBF", std::vector<FieldSpec>{{"NAME", 'C', 20, 0}, {"STATE", 'C', 4, 0},
                                                          {"LOW_ZIP", 'C', 10, 0}, {"HIGH_ZIP", 'C', 10, 0}});
    for (const char* stem : {"LBLTPL", "CSZ"}) {
        Table t;
        t.open(sys + stem + ".DBF");
        for (const char* v : {"b", "a", "c"}) {
            t.appendBlank();
            t.setString(0, v);
            t.setString(1, v);
            t.post();
        }
    }
    return sys;
}

TEST(SystemTables, CreatableTablesAreMadeWhenMissing) {
    TempDir dir;
    std::string sys = makeSysdata(dir);
    for (SystemTable which : kAll) {
        Table t;
        EXPECT_EQ(openSystemTable(which, t, sys), "") << systemTableStem(which);
        EXPECT_TRUE(std::ifstream(sys + systemTableStem(which) + ".CDX").good()) << systemTableStem(which);
        EXPECT_EQ(t.order(), 1);
    }
    Table label;
    openSystemTable(SystemTable::Label, label, sys);
    EXPECT_EQ(label.fields().size(), 22u);
    EXPECT_EQ(label.fields()[2].name, "LBLHEIGHT");
    EXPECT_EQ(label.fields()[2].decimals, 3);
    Table letter;
    openSystemTable(SystemTable::Letter, letter, sys);
    EXPECT_EQ(letter.orderInfo(1).keyExpr, "UPPER(descript)");
    Table csz;
    openSystemTable(SystemTable::StateRanges, csz, sys);
    EXPECT_EQ(csz.getString("STATE"), "a");  // in tag order
}

TEST(SystemTables, SuppliedTablesAreNeverCreated) {
    TempDir dir;
    std::string sys = dir.path() + "/";
    Table t;
    EXPECT_EQ(openSystemTable(SystemTable::LabelStock, t, sys), "Unable to Open LBLTPL.DBF");
    EXPECT_EQ(openSystemTable(SystemTable::StateRanges, t, sys), "Unable to Open or Create CSZ.DBF");
    EXPECT_FALSE(std::ifstream(sys + "LBLTPL.DBF").good());
    EXPECT_FALSE(std::ifstream(sys + "CSZ.DBF").good());
    EXPECT_EQ(openSystemTable(SystemTable::Report, t, sys + "missing/"), "Unable to Open or Create REPORT.DBF");
}

TEST(SystemTables, MissingOrStaleIndexIsRemadeSilently) {
    TempDir dir;
    std::string sys = makeSysdata(dir);
    {
        Table t;
        ASSERT_EQ(openSystemTable(SystemTable::Report, t, sys), "");
        t.appendBlank();
        t.setString("DESCRIPT", "Zeta");
        t.post();
    }
    std::remove((sys + "REPORT.CDX").c_str());
    Table t;
    ASSERT_EQ(openSystemTable(SystemTable::Report, t, sys), "");
    EXPECT_EQ(t.indexState(), IndexState::Ok);
    EXPECT_TRUE(t.seek("ZETA"));
    t.close();
    std::ofstream(sys + "REPORT.CDX") << "not an index";
    ASSERT_EQ(openSystemTable(SystemTable::Report, t, sys), "");
    EXPECT_EQ(t.tagArea("DESCRIPT"), 1);
}

TEST(SystemTables, RebuildDropsRowsWithTheDeletionMark) {
    TempDir dir;
    std::string sys = makeSysdata(dir);
    for (SystemTable which : kAll) {
        Table t;
        ASSERT_EQ(openSystemTable(which, t, sys), "");
        for (const char* v : {"keep", "drop"}) {
            t.appendBlank();
            t.setString(0, v);
            t.post();
        }
        t.deleteRecord();
    }
    std::vector<std::string> shown;
    std::vector<int> progress;
    EXPECT_TRUE(rebuildSystemIndexes(sys, [&](const std::string& s) { shown.push_back(s); },
                                     [&](int p) { progress.push_back(p); })
                    .empty());
    EXPECT_EQ(shown, (std::vector<std::string>{"Rebuilding Letters File indexes", "Rebuilding Label File indexes",
                                               "Rebuilding State/Province File indexes",
                                               "Rebuilding Label Setup File indexes", "Rebuilding Envelope File indexes",
                                               "Rebuilding Report File indexes"}));
    EXPECT_FALSE(progress.empty());
    for (SystemTable which : kAll) {
        Table t;
        t.open(sys + systemTableStem(which) + ".DBF");
        t.setDeleted(false);
        EXPECT_EQ(t.countSelected(), (which == SystemTable::LabelStock || which == SystemTable::StateRanges) ? 4u : 1u)
            << systemTableStem(which);
        EXPECT_EQ(t.indexState(), IndexState::Ok);
    }
    // A supplied table that is gone is reported and does not stop the others; one of the program's
    // own that was never made has nothing to rebuild.
    std::remove((sys + "LBLTPL.DBF").c_str());
    std::remove((sys + "LETTER.DBF").c_str());
    EXPECT_EQ(rebuildSystemIndexes(sys).size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(sys + "LETTER.DBF"));
}

}  // namespace
