#include "AddressFile.h"
#include "DemoData.h"
#include "Common.h"
#include "Table.h"
#include "TestSupport.h"
#include "ToolWindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>

using namespace addrova;

namespace {

// An address file of n records in a temp program directory; message boxes answered from a queue.
class ToolWindows : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("PEOPLE.DBF");
    store::Table t;
    std::vector<ui::MessageRequest> said;
    std::deque<bool> answers;

    void SetUp() override
    {
        ::setenv("ADDROVA_HOME", dir.path().c_str(), 1);
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            said.push_back(r);
            if (answers.empty())
                return true;
            bool a = answers.front();
            answers.pop_front();
            return a;
        });
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        ASSERT_EQ(store::openAddressFile(path, t), "");
    }
    void TearDown() override { ui::SetMessageHook({}); }

    void add(const char* last, const char* first, const char* street = "")
    {
        t.appendBlank();
        t.setString("LNAME", last);
        t.setString("FNAME", first);
        t.setString("STREET", street);
        t.setLogical("ISDEL", false);
        t.post();
    }
    QStringList texts() const
    {
        QStringList l;
        for (const auto& r : said)
            l << r.text;
        return l;
    }
};

}  // namespace

TEST_F(ToolWindows, DuplicatesGridAndDeleteFromIt)
{
    add("Brown", "Jane", "12 Main St");
    add("Zed", "Al");
    add("BROWN", "jane", "12 Main Street");
    t.setSelection("!ISDEL");
    tools::TCheckDuplicates w(t, "TAGID");
    EXPECT_EQ(w.windowTitle(), "Check and Repair Duplicates");
    auto* length = w.findChild<QSpinBox*>();
    w.setKind(tools::DupKind::Street);
    EXPECT_FALSE(length->isHidden());
    w.setKind(tools::DupKind::Name);
    EXPECT_TRUE(length->isHidden());

    w.PerformCheck();
    EXPECT_EQ(w.countText(), "Found 1 possible duplicates");
    ASSERT_TRUE(w.gridShown());
    ASSERT_EQ(w.gridRows(), 2);
    EXPECT_TRUE(std::filesystem::exists(w.scratchPath()));
    auto* m = w.grid()->model();
    EXPECT_EQ(m->headerData(0, Qt::Vertical).toString(), "1");
    EXPECT_EQ(m->data(m->index(1, 1)).toString(), "BROWN");

    // An edit in place, undone; then one saved.
    w.grid()->setCurrentIndex(m->index(0, 2));
    m->setData(m->index(0, 2), "Janet");
    w.UndoClick();
    EXPECT_EQ(m->data(m->index(0, 2)).toString(), "Jane");
    m->setData(m->index(0, 2), "Janet");
    w.SaveClick();
    t.go(1);
    EXPECT_EQ(t.getString("FNAME"), "Janet");

    // Tag, then delete the second record from the grid.
    w.grid()->setCurrentIndex(m->index(0, 1));
    w.TagClick();
    EXPECT_EQ(m->data(m->index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    w.grid()->setCurrentIndex(m->index(1, 1));
    answers = {true};
    w.DeleteClick();
    EXPECT_EQ(said.back().text, "Delete this record?");
    EXPECT_EQ(w.gridRows(), 1);
    t.setDeleted(false);
    t.go(3);
    EXPECT_TRUE(t.deleted());
    EXPECT_TRUE(t.getLogical("ISDEL"));
    t.go(1);
    EXPECT_EQ(t.getString("TAG"), "TAGID");
    t.setDeleted(true);

    const std::string scratch = w.scratchPath();
    w.OkClick();
    EXPECT_FALSE(std::filesystem::exists(scratch));
    EXPECT_EQ(t.orderCount(), 26);
}

TEST_F(ToolWindows, DuplicatesWithoutPairsAndTagAll)
{
    add("Able", "A");
    add("Baker", "B");
    add("Baker", "Bo");
    t.setSelection("!ISDEL");
    {
        tools::TCheckDuplicates w(t, "TAGID");
        w.PerformCheck();
        EXPECT_EQ(w.countText(), "Found 0 possible duplicates");
        EXPECT_FALSE(w.gridShown());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("_chkdup.idx")));
    tools::TCheckDuplicates w(t, "TAGID");
    w.setKind(tools::DupKind::Initial);
    w.PerformCheck();
    ASSERT_EQ(w.gridRows(), 2);
    bool ran = false;
    w.setTagAllRunner([&] {
        ran = true;
        for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip()) {
            t.setString("TAG", "TAGID");
            t.post();
        }
    });
    w.TagAllClick();
    EXPECT_EQ(said.back().text, "Tag all possible duplicates?");
    EXPECT_EQ(said.back().caption, "TAG ALL");
    EXPECT_TRUE(ran);
    EXPECT_EQ(w.grid()->model()->data(w.grid()->model()->index(1, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    t.go(1);
    EXPECT_EQ(t.getString("TAG"), "");  // only the grid's records
}

TEST_F(ToolWindows, ConvertCaseWithProgress)
{
    for (int i = 0; i < 3000; ++i)
        add("smith", "ann");
    t.setSelection("!ISDEL");
    t.go(7);
    tools::TConvertCase w(t, false);
    EXPECT_FALSE(w.findChild<QRadioButton*>(QString(), Qt::FindChildrenRecursively) == nullptr);
    // No field checked.
    w.allBox()->click();
    EXPECT_FALSE(w.fieldBox(0)->isChecked());
    EXPECT_FALSE(w.Convert());
    EXPECT_EQ(said.back().text, "No fields checked for conversion");
    w.fieldBox(0)->setChecked(true);
    // No to the question changes nothing.
    answers = {false};
    EXPECT_FALSE(w.Convert());
    EXPECT_EQ(said.back().text, "Convert now? This process cannot be undone..");
    EXPECT_EQ(said.back().caption, "Convert");
    EXPECT_TRUE(said.back().defaultNo);
    w.setScope(tools::RecordScope::All);
    w.setMode(tools::CaseMode::Capitalized);
    w.safetyBox()->setChecked(false);
    std::vector<int> seen;
    QObject::connect(w.progressBar(), &QProgressBar::valueChanged, [&](int v) { seen.push_back(v); });
    answers = {true};
    ASSERT_TRUE(w.Convert());
    EXPECT_EQ(w.converted(), 3000u);
    ASSERT_EQ(seen.size(), 99u);
    EXPECT_EQ(seen.front(), 1);
    EXPECT_EQ(seen.back(), 99);
    EXPECT_EQ(t.recNo(), 7u);
    EXPECT_EQ(t.selection(), "!ISDEL");
    t.go(3000);
    EXPECT_EQ(t.getString("LNAME"), "Smith");
    EXPECT_EQ(t.getString("FNAME"), "ann");
    EXPECT_FALSE(tools::keepSafetyCopy());  // the choice is remembered
}

TEST_F(ToolWindows, ConvertKeepsASafetyCopyAndSaysWhere)
{
    add("smith", "ann");
    t.setSelection("!ISDEL");
    tools::TConvertCase w(t, false);
    EXPECT_TRUE(w.safetyBox()->isChecked());
    w.setScope(tools::RecordScope::All);
    answers = {true};
    ASSERT_TRUE(w.Convert());
    ASSERT_FALSE(w.copyPath().isEmpty());
    EXPECT_TRUE(std::filesystem::exists(w.copyPath().toStdString()));
    EXPECT_TRUE(said.back().text.startsWith("Converted 1 records\nA safety copy was saved as " +
                                            QString::fromStdString(dir.file("PEOPLE_"))))
        << said.back().text.toStdString();
}

TEST_F(ToolWindows, ReplaceQuestionAndResult)
{
    add("A", "a");
    add("B", "b");
    t.go(1);
    t.setString("TITLE", "Mrs");
    t.post();
    tools::TSearchReplace w(t, "");
    EXPECT_EQ(w.fieldList()->count(), 18);
    EXPECT_EQ(w.fieldList()->currentText(), "Last Name");
    EXPECT_FALSE(w.findChildren<QRadioButton*>().last()->isEnabled());  // no filter set
    w.findEdit()->setText(QString(40, 'x'));
    w.setField("TITLE");
    EXPECT_EQ(w.findEdit()->text().size(), t.fields()[size_t(t.fieldIndex("TITLE"))].width);
    w.findEdit()->setText("Mr");
    w.replaceEdit()->setText("Dr");
    w.safetyBox()->setChecked(false);
    answers = {false};
    EXPECT_FALSE(w.ReplaceNow());
    EXPECT_EQ(said.back().caption, "Replace");
    EXPECT_EQ(said.back().text,
              "Find records where field Title\nexactly matches: \"Mr\"  (case sensitive)\nand replace the entire field "
              "with \"Dr\"");
    answers = {true};
    ASSERT_TRUE(w.ReplaceNow());
    EXPECT_EQ(said.back().text, "Replaced 1 records");
    t.go(1);
    EXPECT_EQ(t.getString("TITLE"), "Dr");
}

TEST_F(ToolWindows, DeleteRecordsChoicesAndMessages)
{
    add("Smith", "a");
    add("Jones", "b");
    {
        tools::TDeleteRecords w(t, "");
        EXPECT_FALSE(w.choiceButton(tools::DeleteChoice::Matching)->isEnabled());
        EXPECT_TRUE(w.choiceButton(tools::DeleteChoice::All)->isChecked());
    }
    tools::TDeleteRecords w(t, "LNAME = \"S\"");
    w.setChoice(tools::DeleteChoice::NotMatching);
    w.safetyBox()->setChecked(false);
    answers = {false};
    EXPECT_FALSE(w.DeleteNow());
    EXPECT_EQ(said.back().text, "Are you sure?");
    EXPECT_EQ(said.back().caption, "DELETE");
    answers = {true};
    ASSERT_TRUE(w.DeleteNow());
    const QStringList l = texts();
    EXPECT_EQ(l[l.size() - 2], "Deleted 1 records");
    EXPECT_EQ(l.back(), "For optimum space usage, please select\n[Rebuild Indexes] from the File menu");
    t.setSelection("!ISDEL");
    t.goTop();
    EXPECT_EQ(t.getString("LNAME"), "Smith");
    EXPECT_EQ(t.countSelected(), 1u);
}

// The windows as pictures (saved when ADDROVA_SCREENSHOT_DIR is set).
TEST_F(ToolWindows, Screenshots)
{
    demo::Generator gen(20261211);
    demo::Record r;
    for (uint64_t i = 0; i < 3000; ++i) {
        gen.make(i, r);
        t.appendBlank();
        for (int f = 0; f < demo::F_COUNT; ++f)
            if (f != demo::F_ISDEL && f != demo::F_MEMO)
                t.setString(demo::kFields[f].name, r.text[f]);
        t.setLogical("ISDEL", false);
        t.post();
    }
    t.setSelection("!ISDEL");
    tools::TCheckDuplicates dup(t, "TAGID");
    dup.setKind(tools::DupKind::Name);
    dup.PerformCheck();
    ASSERT_TRUE(dup.gridShown());
    dup.resize(900, 480);
    dup.show();
    QApplication::processEvents();
    const QPixmap dupShot = dup.grab();
    tools::TSearchReplace rep(t, "UPPER(LNAME) = \"S\"");
    rep.setField("STREET");
    rep.setContains(true);
    rep.caseBox()->setChecked(false);
    rep.setWholeField(false);
    rep.findEdit()->setText("St");
    rep.replaceEdit()->setText("Street");
    rep.show();
    QApplication::processEvents();
    const QPixmap repShot = rep.grab();
    tools::TConvertCase conv(t, true);
    conv.setScope(tools::RecordScope::Filter);
    conv.setMode(tools::CaseMode::Capitalized);
    conv.show();
    QApplication::processEvents();
    const QPixmap convShot = conv.grab();
    EXPECT_FALSE(dupShot.isNull());
    const QString out = qEnvironmentVariable("ADDROVA_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        EXPECT_TRUE(dupShot.save(out + "/check-duplicates.png"));
        EXPECT_TRUE(repShot.save(out + "/search-replace.png"));
        EXPECT_TRUE(convShot.save(out + "/convert-case.png"));
    }
}
