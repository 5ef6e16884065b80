#include "AddressFile.h"
#include "Common.h"
#include "RebuildWindows.h"
#include "SystemTables.h"
#include "Table.h"
#include "TestSupport.h"

#include <QProgressBar>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace addrova;

TEST(RebuildIndexes, PacksMarkedRecordsAndBuildsEveryTag)
{
    test::TempDir dir;
    const std::string path = dir.file("PEOPLE.DBF");
    store::createAddressFile(path, store::defaultWidths());
    store::Table t;
    ASSERT_EQ(store::openAddressFile(path, t), "");
    for (const char* name : {"Able", "Baker", "Cole"}) {
        t.appendBlank();
        t.setString("LNAME", name);
        t.post();
    }
    t.go(2);
    t.deleteRecord();
    t.deleteIndex();  // the tags are gone, as after a crash that lost the index file
    ASSERT_FALSE(store::checkTags(t));

    tools::TRebuildIndexes w(t);
    EXPECT_EQ(w.windowTitle(), "Rebuild indexes for PEOPLE.DBF");
    std::vector<int> seen;
    const auto bar = w.findChild<QProgressBar*>();
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int v) { seen.push_back(v); });
    ASSERT_TRUE(w.Reindex());
    EXPECT_TRUE(store::checkTags(t));
    EXPECT_EQ(t.recCount(), 2u);
    t.setOrder("LNAME");
    t.goTop();
    EXPECT_EQ(t.getString("LNAME"), "Able");
    t.skip();
    EXPECT_EQ(t.getString("LNAME"), "Cole");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
}

TEST(RebuildIndexes, NoOpenFileIsReported)
{
    std::vector<QString> said;
    ui::SetMessageHook([&](const ui::MessageRequest& r) {
        said.push_back(r.text);
        return true;
    });
    store::Table closed;
    tools::TRebuildIndexes w(closed);
    EXPECT_FALSE(w.Reindex());
    ui::SetMessageHook({});
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "You need to have a database file open first");
}

TEST(RebuildSystemIndexes, RemovesMarkedRowsOfTheSystemTables)
{
    test::TempDir dir;
    ::setenv("ADDROVA_HOME", dir.path().c_str(), 1);
    std::filesystem::create_directories(dir.file("sysdata"));
    {
        store::Table letters;
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Letter, letters, dir.file("sysdata/")), "");
        for (const char* d : {"One", "Two"}) {
            letters.appendBlank();
            letters.setString("DESCRIPT", d);
            letters.post();
        }
        letters.goTop();
        letters.deleteRecord();
    }
    std::vector<QString> said;
    ui::SetMessageHook([&](const ui::MessageRequest& r) {
        said.push_back(r.text);
        return true;
    });
    tools::TRebuildSystemIndexes w;
    EXPECT_TRUE(w.Reindex()) << w.Problems().join("; ").toStdString();
    ui::SetMessageHook({});
    EXPECT_TRUE(said.empty());
    store::Table letters;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::Letter, letters, dir.file("sysdata/")), "");
    EXPECT_EQ(letters.recCount(), 1u);
    letters.goTop();
    EXPECT_EQ(letters.getString("DESCRIPT"), "Two");
}
