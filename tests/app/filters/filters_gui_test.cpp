#include "Common.h"
#include "DemoData.h"
#include "FilterFixture.h"
#include "FilterWindows.h"
#include "Help.h"
#include "HelpWindow.h"
#include "ProgramDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

using namespace addrova;
using namespace addrova::filters;
using addrova::filters::test::AddressFixture;
using addrova::filters::test::Person;
using addrova::filters::test::samplePeople;

namespace {

constexpr int kLast = 0, kFirst = 1, kTitle = 2, kDate = 14, kCodes = 15;

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Answers every message box and keeps what was asked.
class Answers {
public:
    explicit Answers(std::function<bool(const ui::MessageRequest&)> answer = {}) : answer_(std::move(answer))
    {
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            asked.push_back(r);
            return answer_ ? answer_(r) : true;
        });
    }
    ~Answers() { ui::SetMessageHook({}); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;
    bool askedText(const QString& text) const
    {
        return std::any_of(asked.begin(), asked.end(), [&](const auto& r) { return r.text == text; });
    }
    std::vector<ui::MessageRequest> asked;

private:
    std::function<bool(const ui::MessageRequest&)> answer_;
};

TTaggingForm* taggingWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TTaggingForm*>(w); f && f->isVisible())
            return f;
    return nullptr;
}

class Gui : public AddressFixture {
protected:
    void fillNumbered(int n)
    {
        std::vector<Person> people;
        for (int i = 0; i < n; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "N%05d", (i * 7919) % n);
            people.push_back({name, "F", "", "", i % 50 == 0 ? "a note" : "", ""});
        }
        fill(people);
    }
};

}  // namespace

TEST_F(Gui, FilterDialogTestClearAndCancel)
{
    fill(samplePeople());
    Answers answers;
    FilterState state;
    state.criteria[kLast] = "Jones";
    ASSERT_EQ(ApplyFilter(table, state, "T1"), 1u);

    TAddressFilter dlg(nullptr, table, state, "T1");
    EXPECT_EQ(dlg.windowTitle(), "Address Filter");
    EXPECT_EQ(dlg.edit(kLast)->text(), "Jones");
    dlg.edit(kLast)->setText("Brown");
    dlg.TestButtonClick();
    EXPECT_EQ(dlg.resultLabel()->text(), "3 matches");
    EXPECT_EQ(state.criteria[kLast], "Brown");
    EXPECT_EQ(table.selection(), R"(UPPER(LNAME)="BROWN".and. !ISDEL)");

    dlg.edit(kLast)->setText("Brown+Jones");
    dlg.TestButtonClick();
    EXPECT_EQ(dlg.resultLabel()->text(), "No filter set");

    dlg.edit(kLast)->setText("Brown");
    dlg.edit(kCodes)->setText("$C");
    dlg.ClearButtonClick();
    EXPECT_EQ(dlg.edit(kLast)->text(), "");
    EXPECT_EQ(dlg.edit(kCodes)->text(), "");
    EXPECT_EQ(dlg.resultLabel()->text(), "No filter set");
    EXPECT_EQ(table.selection(), "!ISDEL");

    // Cancel: the filter of before, applied again.
    dlg.CancelButtonClick();
    EXPECT_EQ(state.criteria[kLast], "Jones");
    EXPECT_EQ(table.selection(), R"(UPPER(LNAME)="JONES".and. !ISDEL)");
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(Gui, FilterDialogReportsTooComplexAndShowsTheDateHint)
{
    fill(samplePeople());
    Answers answers;
    FilterState state;
    TAddressFilter dlg(nullptr, table, state, "T1");
    dlg.edit(kLast)->setText("Brown");
    dlg.edit(kFirst)->setText("<" + QString(99, 'Z'));
    dlg.edit(kTitle)->setText("<" + QString(84, 'Z'));
    dlg.TestButtonClick();
    EXPECT_EQ(dlg.resultLabel()->text(), "3 matches");
    EXPECT_TRUE(answers.asked.empty());

    dlg.edit(kTitle)->setText("<" + QString(85, 'Z'));
    dlg.TestButtonClick();
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, "Sorry - filter is too complex.Please simplify it.");
    EXPECT_EQ(answers.asked[0].caption, "Information");
    EXPECT_EQ(dlg.resultLabel()->text(), "No filter set");
    EXPECT_FALSE(state.isSet());
    EXPECT_EQ(state.criteria[kLast], "");
    EXPECT_EQ(table.selection(), "!ISDEL");

    // "(YYYYMMDD)" under the date edit while it has the focus.
    QLabel* hint = nullptr;
    for (QLabel* l : dlg.findChildren<QLabel*>())
        if (l->text() == "(YYYYMMDD)")
            hint = l;
    ASSERT_NE(hint, nullptr);
    dlg.show();
    EXPECT_FALSE(hint->isVisible());
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(dlg.edit(kDate), &in);
    EXPECT_TRUE(hint->isVisible());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(dlg.edit(kDate), &out);
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(Gui, SaveAndRestoreFilterFiles)
{
    fill(samplePeople());
    bool overwrite = false;
    Answers answers([&](const ui::MessageRequest& r) { return r.caption == "Warning!" ? overwrite : true; });
    const QString dir = QString::fromStdString(home.path());
    FilterState state;
    state.criteria[kLast] = "Brown";
    state.criteria[kCodes] = "$C";

    ASSERT_TRUE(SaveFilterTo(dir + "/myfilter", state));
    const std::string saved = home.file("myfilter.FLT");
    const std::string first = slurp(saved);
    EXPECT_EQ(first.rfind("Brown\r\n", 0), 0u);

    // Existing file, answered No: nothing written.
    state.criteria[kLast] = "Jones";
    EXPECT_FALSE(SaveFilterTo(dir + "/myfilter.FLT", state));
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, QString::fromStdString(saved) + " already exists.\nDo you want to overwrite it?");
    EXPECT_TRUE(answers.asked[0].defaultNo);
    EXPECT_EQ(slurp(saved), first);
    overwrite = true;
    EXPECT_TRUE(SaveFilterTo(dir + "/myfilter.FLT", state));
    EXPECT_EQ(slurp(saved).rfind("Jones\r\n", 0), 0u);

    EXPECT_FALSE(SaveFilterTo(dir + "/my.filter", state));
    EXPECT_EQ(answers.asked.back().text, "Must have a .FLT extension");
    EXPECT_FALSE(QFileInfo::exists(dir + "/my.filter"));

    // Restore: the criteria come back, the tagged-only flag stays, the filter is applied.
    state.clear();
    state.taggedOnly = true;
    EXPECT_FALSE(RestoreFilterFrom(dir + "/myfilter.txt", table, state, "T1"));
    EXPECT_EQ(answers.asked.back().text, "Must be a Filter (.FLT) file");
    state.taggedOnly = false;
    ASSERT_TRUE(SaveFilterTo(dir + "/brown", FilterState{{"Brown"}, false, ""}));
    state.taggedOnly = false;
    ASSERT_TRUE(RestoreFilterFrom(dir + "/brown.FLT", table, state, "T1"));
    EXPECT_EQ(state.criteria[kLast], "Brown");
    EXPECT_EQ(table.selection(), R"(UPPER(LNAME)="BROWN".and. !ISDEL)");
    EXPECT_EQ(table.countSelected(), 3u);
}

TEST_F(Gui, ClearTagsDropsATaggedOnlyFilter)
{
    fill(samplePeople());
    Answers answers;
    const std::string id = app::GlobalTagId();
    FilterState state;
    table.goTop();
    EXPECT_TRUE(ToggleTag(table, state, id, false));
    state.taggedOnly = true;
    ASSERT_EQ(ApplyFilter(table, state, id), 1u);

    const std::string fresh = ClearTags(table, state);
    EXPECT_NE(fresh, "");
    EXPECT_EQ(app::GlobalTagId(), fresh);
    EXPECT_FALSE(state.isSet());
    EXPECT_FALSE(state.taggedOnly);
    EXPECT_EQ(table.selection(), "!ISDEL");
    EXPECT_EQ(table.countSelected(), 6u);
}

TEST_F(Gui, UntaggingTheLastTaggedRecordDropsTheFilter)
{
    fill(samplePeople());
    Answers answers;
    FilterState state;
    table.goTop();
    ToggleTag(table, state, "T9", false);
    state.taggedOnly = true;
    ASSERT_EQ(ApplyFilter(table, state, "T9"), 1u);
    table.goTop();
    EXPECT_FALSE(ToggleTag(table, state, "T9", false));
    EXPECT_FALSE(state.isSet());
    EXPECT_EQ(table.selection(), "!ISDEL");
}

TEST_F(Gui, TagAllRunsToCompletionOrStopsOnAConfirmedCancel)
{
    fillNumbered(400);
    FilterState state;
    state.criteria[kLast] = "N001;N002";  // 200 records
    bool yes = false;
    Answers answers([&](const ui::MessageRequest&) { return yes; });
    ASSERT_EQ(ApplyFilter(table, state, "T1"), 200u);

    // "TAG ALL" answered No: nothing happens.
    EXPECT_EQ(TagAllFilterMatches(nullptr, table, "T1"), 0u);
    EXPECT_EQ(answers.asked.back().caption, "TAG ALL");
    EXPECT_EQ(answers.asked.back().text, "Tag all records matching filter?");

    // Press Cancel while it runs (Yes to both questions), then Ok at the end.
    yes = true;
    QString closing, counted;
    int cancelAttempts = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        TTaggingForm* f = taggingWindow();
        if (!f)
            return;
        if (f->cancelButton()->isVisible() && f->counterLabel()->text().endsWith(" tagged") && cancelAttempts++ == 0)
            f->cancelButton()->click();
        if (f->okButton()->isVisible()) {
            closing = f->headingLabel()->text();
            counted = f->counterLabel()->text();
            const QString out = qEnvironmentVariable("ADDROVA_SCREENSHOT_DIR");
            if (!out.isEmpty() && closing == "Complete" && QDir().mkpath(out))
                f->grab().save(out + "/tagging-complete.png");
            f->okButton()->click();
        }
    });
    driver.start(0);
    const uint32_t done = TagAllFilterMatches(nullptr, table, "T1");
    EXPECT_GT(done, 0u);
    EXPECT_LT(done, 200u);
    EXPECT_EQ(closing, "Cancelled before completion");
    EXPECT_EQ(counted, taggedCountText(done));  // the window ends with how many were tagged
    EXPECT_TRUE(answers.askedText("Cancel Tagging?"));
    EXPECT_EQ(answers.asked.back().caption, "CANCEL");

    // Again, to the end.
    cancelAttempts = 1;
    closing.clear();
    EXPECT_EQ(TagAllFilterMatches(nullptr, table, "T1"), 200u);
    EXPECT_EQ(closing, "Complete");
    EXPECT_EQ(counted, "200 records tagged.");
    driver.stop();
    EXPECT_EQ(table.getString("LNAME"), "N00100");  // the first record of the selection
    state.clear();
    state.taggedOnly = true;
    EXPECT_EQ(ApplyFilter(table, state, "T1"), 200u);
}

TEST(TaggedCount, GroupedAsTheLocaleGroups)
{
    const QLocale was;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "0 records tagged."},
        {1, "1 record tagged."},
        {999, "999 records tagged."},
        {12345, "12,345 records tagged."},
        {4000000000u, "4,000,000,000 records tagged."},
    };
    for (const auto& [n, text] : cases)
        EXPECT_EQ(taggedCountText(n), QString::fromLatin1(text)) << n;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(taggedCountText(12345), "12.345 records tagged.");
    QLocale::setDefault(was);
}

TEST_F(Gui, SearchThatFindsNothingSaysWhatWasSought)
{
    fill(samplePeople());
    const QStringList orders{"Last Name", "First Name"};
    struct Case {
        const char* text;
        const char* order;
        const char* lnameAfter;  // the current record afterwards
        const char* notice;      // "" when found
    };
    const Case cases[] = {
        {"brownin", "Last Name", "Browning", ""},
        {"zz", "Last Name", "Jones", "No record has a Last Name starting with \"zz\"."},
        {"ev", "First Name", "Smith", ""},
        {"Quentin", "First Name", "Jones", "No record has a First Name starting with \"Quentin\"."},
    };
    for (const Case& c : cases) {
        table.setOrder("LNAME");
        table.goTop();
        while (table.getString("LNAME") != "Jones")
            table.skip(1);
        Answers answers;
        QString chosen;
        QTimer::singleShot(0, [&] {
            auto* f = qobject_cast<TSearchForm*>(QApplication::activeModalWidget());
            ASSERT_NE(f, nullptr);
            f->orders()->setCurrentItem(f->orders()->findItems(QString::fromLatin1(c.order), Qt::MatchExactly).value(0));
            f->edit()->setText(QString::fromLatin1(c.text));
            f->accept();
        });
        EXPECT_TRUE(ShowSearchDialog(nullptr, table, orders, "Last Name", [&](const QString& name) {
            chosen = name;
            table.setOrder(name == "First Name" ? "FNAME" : "LNAME");
        }));
        EXPECT_EQ(chosen, c.order) << c.text;
        EXPECT_EQ(table.getString("LNAME"), c.lnameAfter) << c.text;
        if (*c.notice) {
            ASSERT_EQ(answers.asked.size(), 1u) << c.text;
            EXPECT_EQ(answers.asked[0].kind, ui::MessageKind::Information);
            EXPECT_EQ(answers.asked[0].text, QString::fromLatin1(c.notice));
        } else {
            EXPECT_TRUE(answers.asked.empty()) << c.text;
        }
    }
}

TEST_F(Gui, FilterDialogHasTheHelpItsHintNames)
{
    fill(samplePeople());
    qputenv("ADDROVA_HELP", QByteArray(ADDROVA_TEST_HELP_DIR));
    FilterState state;
    TAddressFilter dlg(nullptr, table, state, "T1");
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    auto* helpButton = dlg.findChild<QPushButton*>(QStringLiteral("HelpButton"));
    ASSERT_NE(helpButton, nullptr);
    EXPECT_TRUE(helpButton->isVisible());
    EXPECT_EQ(helpButton->text(), "Help");
    struct Case {
        const char* how;
        std::function<void()> press;
    };
    const Case cases[] = {
        {"button", [&] { helpButton->click(); }},
        {"F1", [&] { QTest::keyClick(dlg.findChild<QLineEdit*>(), Qt::Key_F1); }},
    };
    for (const Case& c : cases) {
        help::HelpWindow()->hide();
        QApplication::setActiveWindow(&dlg);
        QApplication::processEvents();
        c.press();
        QApplication::processEvents();
        EXPECT_TRUE(help::HelpWindow()->isVisible()) << c.how;
        EXPECT_EQ(static_cast<help::THelpWindow*>(help::HelpWindow())->currentPage(), "topic1044.html") << c.how;
    }
    help::HelpWindow()->hide();
    qunsetenv("ADDROVA_HELP");
}

TEST_F(Gui, MemoSearchFindsOrBeepsAndStays)
{
    fill(samplePeople());
    Answers answers;
    table.goTop();
    const uint32_t start = table.recNo();
    MemoSearch search{"garden", false};
    EXPECT_TRUE(RunMemoSearch(nullptr, table, search, false));
    EXPECT_TRUE(search.found);
    EXPECT_EQ(table.getString("LNAME"), "Browne");
    EXPECT_TRUE(RunMemoSearch(nullptr, table, search, true));
    EXPECT_EQ(table.getString("LNAME"), "Smith");
    EXPECT_FALSE(RunMemoSearch(nullptr, table, search, true));
    EXPECT_FALSE(search.found);
    EXPECT_EQ(table.getString("LNAME"), "Smith");
    table.go(start);
    search = MemoSearch{"nothing like it", false};
    EXPECT_FALSE(RunMemoSearch(nullptr, table, search, false));
    EXPECT_EQ(table.recNo(), start);
    EXPECT_TRUE(answers.asked.empty());
}

TEST_F(Gui, BrowseTogglesTagsAndKeepsTheColumnOrder)
{
    fillNumbered(300);
    Answers answers;
    FilterState state;
    ApplyFilter(table, state, "T1");
    table.goTop();
    table.skip(5);
    const uint32_t sixth = table.recNo();
    int refreshed = 0;
    {
        TAddressBrowse dlg(nullptr, table, state, "T1", false, [&] { ++refreshed; });
        EXPECT_EQ(dlg.windowTitle(), "Address Browse");
        EXPECT_EQ(dlg.model()->currentRow(), 5);
        EXPECT_EQ(dlg.grid()->currentIndex().row(), 5);
        EXPECT_EQ(dlg.model()->headerData(1, Qt::Horizontal).toString(), "Last Name");

        dlg.TagButtonClick();
        EXPECT_EQ(refreshed, 1);
        EXPECT_EQ(table.recNo(), sixth);
        EXPECT_EQ(table.getString("TAG"), "T1");
        EXPECT_EQ(dlg.model()->data(dlg.model()->index(5, 0)).toString(), "Yes");

        dlg.FirstButtonClick();
        dlg.PriorButtonClick();  // past the start: stays
        EXPECT_EQ(dlg.model()->currentRow(), 0);
        dlg.NextButtonClick();
        EXPECT_EQ(dlg.model()->currentRow(), 1);
        dlg.LastButtonClick();
        dlg.NextButtonClick();
        EXPECT_EQ(dlg.model()->currentRow(), 299);
        EXPECT_EQ(table.getString("LNAME"), "N00299");

        // Last name moved to the front; the order is written when the window closes.
        QHeaderView* header = dlg.grid()->horizontalHeader();
        header->moveSection(1, 0);
        dlg.done(QDialog::Accepted);
    }
    std::vector<std::string> lines = readFieldList(FieldListPath());
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[0], "LNAME");
    EXPECT_EQ(lines[1], "FullName");
    EXPECT_EQ(lines[4], "Tagged");
    EXPECT_EQ(slurp(FieldListPath()).substr(0, 7), "LNAME\r\n");

    TAddressBrowse again(nullptr, table, state, "T1", false, {});
    EXPECT_EQ(again.model()->columns()[0], "LNAME");
    EXPECT_EQ(again.model()->columns()[1], "Tagged");
    EXPECT_EQ(again.model()->currentRow(), 299);  // the record current when it opened
}

// Pictures for the documentation, over demonstration data; written when ADDROVA_SCREENSHOT_DIR is set.
TEST_F(Gui, ScreenshotsOfTheFilterDialogAndTheBrowseGrid)
{
    table.open(path);
    demo::Generator gen(1997);
    demo::Record rec;
    for (int i = 0; i < 400; ++i) {
        gen.make(static_cast<uint64_t>(i), rec);
        table.appendBlank();
        for (int f = 0; f < demo::F_COUNT; ++f) {
            if (f == demo::F_ISDEL || rec.text[f].empty())
                continue;
            if (f == demo::F_MEMO)
                table.setMemo("MEMO", rec.text[f]);
            else
                table.setString(demo::kFields[f].name, rec.text[f]);
        }
        table.setLogical(table.fieldIndex("ISDEL"), false);
        if (i % 7 == 0)
            table.setString("TAG", "T1");
        table.post();
    }
    table.setOrder("LNAME");
    Answers answers;
    FilterState state;
    state.criteria[kLast] = "S;M";
    ASSERT_GT(ApplyFilter(table, state, "T1"), 0u);
    table.goTop();

    TAddressFilter dlg(nullptr, table, state, "T1");
    dlg.TestButtonClick();
    dlg.show();
    const QPixmap filterShot = dlg.grab();
    TAddressBrowse browse(nullptr, table, state, "T1", false, {});
    browse.resize(980, 460);
    browse.show();
    QApplication::processEvents();
    const QPixmap browseShot = browse.grab();
    EXPECT_FALSE(filterShot.isNull());
    EXPECT_FALSE(browseShot.isNull());
    const QString out = qEnvironmentVariable("ADDROVA_SCREENSHOT_DIR");
    if (!out.isEmpty()) {
        QDir().mkpath(out);
        EXPECT_TRUE(filterShot.save(out + "/filter-dialog.png"));
        EXPECT_TRUE(browseShot.save(out + "/browse.png"));
    }
    browse.done(QDialog::Rejected);
}
