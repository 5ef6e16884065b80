// The shared list of stored layouts: which row is chosen after a refill and where the table stands.

#include "LayoutList.h"
#include "Table.h"
#include "TestSupport.h"

#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using addrova::print::CommandButtons;
using addrova::print::TLayoutGrid;
using addrova::store::FieldSpec;
using addrova::store::Table;

namespace {

class LayoutGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<FieldSpec> fields{{"DESCRIPT", 'C', 30, 0}};
        Table::create(dir_.file("LAYOUTS.DBF"), fields);
        table_.open(dir_.file("LAYOUTS.DBF"));
    }
    void add(const char* description)
    {
        table_.appendBlank();
        table_.setString("DESCRIPT", description);
        table_.post();
    }
    TLayoutGrid* grid()
    {
        auto* g = new TLayoutGrid(table_, {QStringLiteral("Description")}, [](const Table& t) {
            return QStringList{QString::fromStdString(t.getString("DESCRIPT"))};
        });
        owner_.reset(g);
        return g;
    }

    addrova::test::TempDir dir_;
    Table table_;
    std::unique_ptr<QWidget> owner_;
};

TEST_F(LayoutGridTest, RefillKeepsTheCurrentRecordAndFollowsTheChosenRow)
{
    for (const char* d : {"One", "Two", "Three"})
        add(d);
    TLayoutGrid* g = grid();
    int signalled = 0, lastRow = -2;
    QObject::connect(g, &TLayoutGrid::recordChanged, [&](int row) {
        ++signalled;
        lastRow = row;
    });

    struct Case {
        const char* what;
        uint32_t currentBefore;  // 0: the table at its end
        int row;
    };
    const Case cases[] = {{"the current record stays chosen", 2, 1},
                          {"the last record", 3, 2},
                          {"no current record: the first row", 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.currentBefore) {
            table_.go(c.currentBefore);
        } else {
            table_.goBottom();
            table_.skip(1);
        }
        ASSERT_EQ(table_.eof(), c.currentBefore == 0);
        signalled = 0;
        EXPECT_EQ(g->Refill(), c.row);
        EXPECT_EQ(g->rowCount(), 3);
        EXPECT_EQ(g->currentRow(), c.row);
        EXPECT_EQ(table_.recNo(), g->recordAt(c.row));
        EXPECT_EQ(signalled, 1);
        EXPECT_EQ(lastRow, c.row);
    }

    g->setCurrentCell(2, 0);
    EXPECT_EQ(table_.recNo(), 3u);
    EXPECT_EQ(g->item(2, 0)->text(), QStringLiteral("Three"));
    EXPECT_EQ(g->recordAt(3), 0u);
    EXPECT_EQ(g->recordAt(-1), 0u);
}

TEST_F(LayoutGridTest, DeletedRecordsSelectedAwayAndAnEmptyTable)
{
    add("Kept");
    add("Gone");
    table_.go(2);
    table_.deleteRecord();
    table_.post();
    table_.setSelection("not DELETED()");
    TLayoutGrid* g = grid();
    EXPECT_EQ(g->Refill(), 0);
    ASSERT_EQ(g->rowCount(), 1);
    EXPECT_EQ(table_.recNo(), 1u);

    table_.setSelection("DESCRIPT = 'Nothing'");
    EXPECT_EQ(g->Refill(), -1);
    EXPECT_EQ(g->rowCount(), 0);
    EXPECT_TRUE(table_.eof());
}

TEST(CommandButtons, FoundByCaptionNamedAfterItAndEnabledTogether)
{
    QWidget owner;
    auto* column = new QVBoxLayout(&owner);
    CommandButtons buttons(&owner);
    buttons.AddAll({"New", "Printer Setup", "Pre&view", "Ok"}, column, "Pre&view");
    ASSERT_NE(buttons.button(QStringLiteral("Pre&view")), nullptr);
    EXPECT_EQ(buttons.button(QStringLiteral("Preview")), nullptr);
    EXPECT_EQ(buttons.button(QStringLiteral("Printer Setup"))->objectName(), QStringLiteral("PrinterSetupButton"));
    EXPECT_EQ(buttons.button(QStringLiteral("Pre&view"))->objectName(), QStringLiteral("PreviewButton"));
    EXPECT_FALSE(buttons.button(QStringLiteral("New"))->autoDefault());
    // The stretch after Preview keeps Ok at the bottom.
    EXPECT_EQ(column->count(), 5);
    EXPECT_NE(column->itemAt(3)->spacerItem(), nullptr);

    buttons.SetEnabled({"New", "Ok", "Missing"}, false);
    EXPECT_FALSE(buttons.button(QStringLiteral("New"))->isEnabled());
    EXPECT_FALSE(buttons.button(QStringLiteral("Ok"))->isEnabled());
    EXPECT_TRUE(buttons.button(QStringLiteral("Printer Setup"))->isEnabled());
}

}  // namespace
