// The main window driven as a user would: real address files in a temporary program directory,
// message boxes answered through the message hook, modal dialogs answered from a timer.
#include "AddressFile.h"
#include "Common.h"
#include "Dialogs.h"
#include "FilterWindows.h"
#include "MainLogic.h"
#include "ProgramDir.h"
#include "StartUp.h"
#include "TAddressMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <map>

using namespace addrova;
using namespace addrova::ui;

namespace {

using Record = std::map<std::string, std::string>;

// Runs fn on the next modal dialog of type T once it is showing.
template <class T>
void whenDialog(std::function<void(T*)> fn)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(d);
        }
    });
    timer->start();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        qputenv("ADDROVA_HOME", home_.path().toUtf8());
        QDir().mkpath(home_.path() + "/DATA");
        app::Settings().writeBool("Misc", "GettingStarted", true);
        SetMessageHook([this](const MessageRequest& r) {
            messages_.push_back(r);
            if (r.kind != MessageKind::Question)
                return true;
            if (answers_.empty())
                return false;
            const bool a = answers_.front();
            answers_.pop_front();
            return a;
        });
    }
    void TearDown() override
    {
        SetMessageHook({});
        qunsetenv("ADDROVA_HOME");
    }

    QString dataPath(const QString& name) const { return home_.path() + "/DATA/" + name; }

    // A new address file with these records.
    QString makeFile(const QString& name, const std::vector<Record>& records)
    {
        const QString path = dataPath(name);
        EXPECT_EQ(store::createAddressFile(path.toStdString(), store::defaultWidths()), "");
        store::Table t;
        t.open(path.toStdString());
        for (const auto& r : records) {
            t.appendBlank();
            t.setLogical(t.fieldIndex("ISDEL"), false);
            for (const auto& [f, v] : r) {
                if (f == "MEMO")
                    t.setMemo(f, v);
                else
                    t.setString(f, v);
            }
            t.post();
        }
        t.close();
        return path;
    }

    std::unique_ptr<TAddressMain> start()
    {
        auto w = std::make_unique<TAddressMain>();
        w->show();
        QCoreApplication::processEvents();
        return w;
    }

    bool told(const QString& text) const
    {
        for (const auto& m : messages_)
            if (m.text == text)
                return true;
        return false;
    }
    const MessageRequest* question(const QString& caption) const
    {
        for (const auto& m : messages_)
            if (m.kind == MessageKind::Question && m.caption == caption)
                return &m;
        return nullptr;
    }
    void setAdding(const std::map<std::string, std::string>& keys)
    {
        app::ProfileFile ini = app::Settings();
        for (const auto& [k, v] : keys)
            ini.writeString("Adding", k, v);
    }

    QTemporaryDir home_;
    std::vector<MessageRequest> messages_;
    std::deque<bool> answers_;
};

const std::vector<Record> kPeople = {
    {{"LNAME", "Brown"}, {"FNAME", "John"}, {"STREET", "1 Main St"}, {"CITY", "Springfield"}, {"STATE", "IL"},
     {"ZIP", "62701"}, {"PHONE", "555-0101"}, {"CODES", "C"}, {"DATE", "19970428"}, {"EMAIL", "jb@x.org"},
     {"COUNTRY", "USA"}, {"ORG", "Acme"}, {"TITLE", "Boss"}, {"FAX", "555-9"}},
    {{"LNAME", "Adams"}, {"FNAME", "Zoe"}, {"STREET", "9 Elm"}, {"CITY", "Boston"}, {"STATE", "MA"},
     {"ZIP", "02108"}, {"PHONE", "555-0300"}, {"CODES", "A"}, {"DATE", "20010101"}, {"EMAIL", "za@x.org"},
     {"COUNTRY", "Canada"}, {"ORG", "Zeta"}, {"TITLE", "Aide"}, {"FAX", "555-1"}},
    {{"LNAME", "Clark"}, {"FNAME", "Amy"}, {"STREET", "5 Oak"}, {"CITY", "Albany"}, {"STATE", "NY"},
     {"ZIP", "12207"}, {"PHONE", "555-0200"}, {"CODES", "B"}, {"DATE", "19900505"}, {"EMAIL", "ac@x.org"},
     {"COUNTRY", "Belgium"}, {"ORG", "Beta"}, {"TITLE", "Clerk"}, {"FAX", "555-5"}},
};

}  // namespace

TEST_F(MainWindowTest, FirstStartCreatesAndOpensTheFirstFile)
{
    app::Settings().removeKey("Misc", "GettingStarted");
    // Getting Started is queued behind the start-up: close whatever modal window it opens.
    auto* closer = new QTimer;
    QObject::connect(closer, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    closer->start(10);
    auto w = start();
    const QString first = dataPath("ADD0001.DBF");
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_EQ(w->openFilePath(), first);
    EXPECT_TRUE(w->gettingStartedQueued());
    EXPECT_EQ(w->windowTitle(), "Addrova - " + first);
    EXPECT_FALSE(w->emptyStateShown());
    EXPECT_EQ(w->countPanelText(), "No records");
    EXPECT_EQ(w->sortPanelText(), "Sorted by Last Name");
    EXPECT_EQ(w->recentlyUsed(), QStringList{first});
    EXPECT_EQ(w->recentlyUsedMenu(), QStringList{first});
    EXPECT_FALSE(app::Settings().readString("Misc", "GlobalTagId").empty());
    // An empty file: adding works, the record commands do not.
    EXPECT_TRUE(w->command("mnuAdd")->isEnabled());
    EXPECT_FALSE(w->command("mnuEdit")->isEnabled());
    EXPECT_FALSE(w->command("mnuDelete")->isEnabled());
    QTest::qWait(50);
    closer->stop();
    delete closer;
    // The default widths of a new file.
    store::Table t;
    w->closeFile();
    t.open(first.toStdString());
    EXPECT_EQ(t.fields()[static_cast<size_t>(t.fieldIndex("FAX"))].width, 40);
    EXPECT_EQ(t.fields()[static_cast<size_t>(t.fieldIndex("LNAME"))].width, 30);
}

TEST_F(MainWindowTest, GettingStartedNotQueuedWhenTurnedOff)
{
    auto w = start();
    EXPECT_FALSE(w->gettingStartedQueued());
    EXPECT_TRUE(w->startUpDone());
}

TEST_F(MainWindowTest, MissingRecentlyUsedFileShowsEmptyState)
{
    const QString missing = dataPath("GONE.DBF");
    app::Settings().writeString("MRU", "Item1", missing.toStdString());
    auto w = start();
    EXPECT_TRUE(told("File " + missing + " not found"));
    EXPECT_TRUE(w->emptyStateShown());
    EXPECT_EQ(w->emptyStateText(), "Please Open or Create a Addrova Address file");
    EXPECT_FALSE(w->countPanelVisible());
    EXPECT_TRUE(w->openFilePath().isEmpty());
    // Only the file commands, the preferences and help.
    EXPECT_TRUE(w->command("mnuNew")->isEnabled());
    EXPECT_TRUE(w->command("mnuOpen")->isEnabled());
    EXPECT_TRUE(w->command("mnuPreferences")->isEnabled());
    for (const char* c : {"mnuAdd", "mnuEdit", "mnuBrowse", "mnuSetFilter", "mnuFirst", "mnuClone", "mnuSortLNAME"})
        EXPECT_FALSE(w->command(c)->isEnabled()) << c;
    EXPECT_FALSE(w->button("btnAdd")->isEnabled());
}

TEST_F(MainWindowTest, RecentlyUsedListAndFallbackToThePreviousFile)
{
    std::vector<QString> files;
    for (const char* n : {"A1.DBF", "A2.DBF", "A3.DBF", "A4.DBF", "A5.DBF"})
        files.push_back(makeFile(n, {kPeople[0]}));
    auto w = start();
    for (const QString& f : files)
        ASSERT_TRUE(w->openFile(f));
    ASSERT_TRUE(w->openFile(files[2]));
    const QStringList expected{files[2], files[4], files[3], files[1]};
    EXPECT_EQ(w->recentlyUsed(), expected);
    EXPECT_EQ(w->recentlyUsedMenu(), expected);

    // A listed file that has gone: the one open before comes back.
    QFile::remove(files[1]);
    EXPECT_FALSE(w->openRecentlyUsed(files[1]));
    EXPECT_TRUE(told("File " + files[1] + " not found"));
    EXPECT_EQ(w->openFilePath(), files[2]);
    EXPECT_EQ(w->TableAVX().recCount(), 1u);
    EXPECT_EQ(w->windowTitle(), "Addrova - " + files[2]);
}

TEST_F(MainWindowTest, SortOrdersAndStatusLine)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    EXPECT_EQ(w->countPanelText(), "3 records (no filter)");
    // The first record in each order, by the field the order sorts on.
    const std::map<std::string, std::string> firstBy{
        {"LNAME", "Adams"}, {"FNAME", "Clark"},  {"TITLE", "Adams"}, {"ORG", "Brown"},  {"STREET", "Brown"},
        {"CITY", "Clark"},  {"STATE", "Brown"},  {"ZIP", "Adams"},   {"COUNTRY", "Clark"}, {"PHONE", "Brown"},
        {"EMAIL", "Clark"}, {"FAX", "Adams"},    {"DATE", "Clark"},  {"CODES", "Adams"}};
    for (const auto& o : sortOrders()) {
        const QString name = orderName(o);
        w->setOrderByName(name);
        EXPECT_EQ(w->currentOrder(), o.tag);
        EXPECT_EQ(w->sortPanelText(), "Sorted by " + name);
        EXPECT_EQ(w->TableAVX().orderName(w->TableAVX().order()), o.tag);
        int checked = 0;
        for (const auto& p : sortOrders())
            checked += w->command(QString("mnuSort") + p.tag)->isChecked() ? 1 : 0;
        EXPECT_EQ(checked, 1);
        EXPECT_TRUE(w->command(QString("mnuSort") + o.tag)->isChecked());
        w->firstRecord();
        EXPECT_EQ(w->fieldEdit("LNAME")->text().toStdString(), firstBy.at(o.tag)) << o.tag;
    }
    // An unknown name keeps the order but is shown as passed.
    w->setOrderByName("Zip");
    w->setOrderByName("Shoe Size");
    EXPECT_EQ(w->currentOrder(), "ZIP");
    EXPECT_EQ(w->sortPanelText(), "Sorted by Shoe Size");

    // A filter changes the count text.
    w->filterState().criteria[0] = "B";
    EXPECT_EQ(w->applyFilter(), 1u);
    w->refreshButtons();
    EXPECT_EQ(w->countPanelText(), "1 filter matches");
    EXPECT_TRUE(w->command("btnClearFilter")->isVisible());
    w->clearFilter();
    EXPECT_EQ(w->countPanelText(), "3 records (no filter)");
    EXPECT_FALSE(w->command("btnClearFilter")->isVisible());
}

TEST_F(MainWindowTest, SearchTellsWhatItDidNotFindAndWhenItChangedTheOrder)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    w->setOrderByName("Last Name");
    struct Case {
        const char* order;
        const char* text;
        const char* lnameAfter;
        bool found;
        bool orderChanged;
    };
    // One after the other: each starts where the one before left the window.
    const Case cases[] = {
        {"Last Name", "cl", "Clark", true, false},
        {"Zip", "021", "Adams", true, true},
        {"Zip", "99", "Adams", false, false},
        {"City", "zzz", "Adams", false, true},
        {"City", "spr", "Brown", true, false},
    };
    for (const Case& c : cases) {
        messages_.clear();
        w->statusBar()->clearMessage();
        whenDialog<filters::TSearchForm>([&](filters::TSearchForm* f) {
            f->orders()->setCurrentItem(f->orders()->findItems(QString::fromLatin1(c.order), Qt::MatchExactly).value(0));
            f->edit()->setText(QString::fromLatin1(c.text));
            f->accept();
        });
        w->command("mnuSearch")->trigger();
        EXPECT_EQ(w->fieldEdit("LNAME")->text(), c.lnameAfter) << c.text;
        EXPECT_EQ(w->sortPanelText(), QStringLiteral("Sorted by ") + c.order) << c.text;
        EXPECT_EQ(told(filters::searchNotFoundText(c.order, c.text)), !c.found) << c.text;
        EXPECT_EQ(w->statusBar()->currentMessage(), c.orderChanged ? searchOrderNotice(c.order) : QString()) << c.text;
    }
}

TEST_F(MainWindowTest, TitleNamesTheProgramOnce)
{
    NameTheProgram();
    auto w = start();
    const QString path = makeFile("PEOPLE.DBF", kPeople);
    ASSERT_TRUE(w->openFile(path));
    EXPECT_EQ(w->windowTitle(), "Addrova - " + path);
    EXPECT_EQ(QCoreApplication::applicationName(), "Addrova");
    // No display name of its own: one would be added by the platform to every window title.
    QCoreApplication::setApplicationName(QStringLiteral("Elsewhere"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Elsewhere");
    QCoreApplication::setApplicationName(QStringLiteral("Addrova"));
}

TEST_F(MainWindowTest, NavigationBeepsAtTheEndsAndPageKeys)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");
    w->priorRecord();  // already first
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");
    QTest::keyClick(w->fieldEdit("FNAME"), Qt::Key_PageDown);
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Brown");
    QTest::keyClick(w->fieldEdit("FNAME"), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Clark");
    w->nextRecord();  // past the end stays on the last
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Clark");
    EXPECT_TRUE(w->command("mnuEdit")->isEnabled());
    QTest::keyClick(w->fieldEdit("FNAME"), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");
}

TEST_F(MainWindowTest, PageDownWhileEditingAsksToSave)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    QLineEdit* first = w->fieldEdit("FNAME");
    first->setFocus();
    first->selectAll();
    QTest::keyClicks(first, "Zed");
    ASSERT_TRUE(w->editing());
    EXPECT_TRUE(w->button("btnSave")->isVisibleTo(w.get()));
    EXPECT_FALSE(w->button("btnAdd")->isVisibleTo(w.get()));
    EXPECT_FALSE(w->command("mnuExit")->isEnabled());

    answers_ = {false};
    QTest::keyClick(first, Qt::Key_PageDown);
    ASSERT_NE(question("Save"), nullptr);
    EXPECT_EQ(question("Save")->text, "Save changes?");
    EXPECT_TRUE(w->editing());
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");

    answers_ = {true};
    QTest::keyClick(first, Qt::Key_PageDown);
    EXPECT_FALSE(w->editing());
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");
    EXPECT_EQ(w->DataSource().text("FNAME"), "Zed");
}

TEST_F(MainWindowTest, EscapeAsksAndCancels)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    QLineEdit* city = w->fieldEdit("CITY");
    city->setFocus();
    QTest::keyClicks(city, "ville");
    ASSERT_TRUE(w->editing());
    answers_ = {true};
    QTest::keyClick(city, Qt::Key_Escape);
    EXPECT_FALSE(w->editing());
    EXPECT_EQ(city->text(), "Boston");
    EXPECT_EQ(question("Cancel")->text, "Cancel changes?");
}

TEST_F(MainWindowTest, OverwriteModeReplacesTheCharacterAtTheCaret)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    QLineEdit* last = w->fieldEdit("LNAME");
    last->setFocus();
    last->setCursorPosition(0);
    QTest::keyClick(last, Qt::Key_Insert);  // toggle off: overwrite
    EXPECT_FALSE(w->insertMode());
    QTest::keyClicks(last, "E");
    EXPECT_EQ(last->text(), "Edams");
    QTest::keyClick(last, Qt::Key_Insert);
    QTest::keyClicks(last, "x");
    EXPECT_EQ(last->text(), "Exdams");
    w->cancelRecord();
}

TEST_F(MainWindowTest, AddCarriesValuesByPreference)
{
    struct Case {
        std::map<std::string, std::string> keys;
        Record expected;
    };
    const std::string today = store::dateToday(std::time(nullptr));
    const Case cases[] = {
        {{}, {{"CITY", ""}, {"ZIP", ""}, {"ORG", ""}, {"COUNTRY", ""}, {"DATE", ""}}},
        {{{"CarryCity", "1"}, {"CarryState", "1"}, {"CarryZip", "1"}},
         {{"CITY", "Boston"}, {"STATE", "MA"}, {"ZIP", "02108"}, {"STREET", ""}}},
        {{{"CarrySA1", "1"}, {"CarrySA2", "1"}, {"CarryOrg", "1"}},
         {{"STREET", "9 Elm"}, {"ORG", "Zeta"}, {"CITY", ""}}},
        {{{"CarryCountry", "1"}, {"DefaultCountry", "France"}}, {{"COUNTRY", "Canada"}}},
        {{{"DefaultCountry", "France"}}, {{"COUNTRY", "France"}}},
        {{{"PlugDate", "1"}}, {{"DATE", today}}},
    };
    const QString path = makeFile("PEOPLE.DBF", kPeople);
    auto w = start();
    for (const auto& c : cases) {
        app::Settings().removeKey("Adding", "CarryCity");
        for (const char* k : {"CarryCity", "CarryState", "CarryZip", "CarrySA1", "CarrySA2", "CarryOrg",
                              "CarryCountry", "DefaultCountry", "PlugDate"})
            app::Settings().removeKey("Adding", k);
        setAdding(c.keys);
        w->loadPreferences();
        ASSERT_TRUE(w->openFile(path));  // current record: Adams
        const uint32_t before = w->TableAVX().recCount();
        w->addRecord();
        ASSERT_TRUE(w->editing());
        for (const auto& [f, v] : c.expected)
            EXPECT_EQ(w->fieldEdit(f.c_str()) ? w->fieldEdit(f.c_str())->text().toStdString()
                                              : w->DataSource().text(f.c_str()).toStdString(),
                      v)
                << f;
        QTest::keyClicks(w->fieldEdit("LNAME"), "New");
        ASSERT_TRUE(w->saveRecord());
        EXPECT_EQ(w->TableAVX().recCount(), before + 1);
        EXPECT_EQ(w->DataSource().text("LNAME"), "New");
        EXPECT_FALSE(w->TableAVX().getLogical(w->TableAVX().fieldIndex("ISDEL")));
        for (const auto& [f, v] : c.expected)
            EXPECT_EQ(w->DataSource().text(f.c_str()).toStdString(), v) << f;
    }
}

TEST_F(MainWindowTest, AddLooksUpCityAndStateByZip)
{
    setAdding({{"PlugCityState", "1"}});
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    whenDialog<TNewRecordDialog>([](TNewRecordDialog* d) {
        EXPECT_FALSE(d->lastEdit()->isVisibleTo(d));
        EXPECT_TRUE(d->zipEdit()->isVisibleTo(d));
        QTest::keyClicks(d->zipEdit(), "12207");
        QTest::keyClick(d->zipEdit(), Qt::Key_Return);
    });
    w->addRecord();
    ASSERT_TRUE(w->editing());
    EXPECT_EQ(w->fieldEdit("ZIP")->text(), "12207");
    EXPECT_EQ(w->fieldEdit("CITY")->text(), "Albany");
    EXPECT_EQ(w->fieldEdit("STATE")->text(), "NY");
    EXPECT_EQ(w->currentOrder(), "LNAME");
    EXPECT_EQ(w->TableAVX().orderName(w->TableAVX().order()), "LNAME");
    w->cancelRecord();
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");

    // A ZIP that no record has: nothing looked up, the carried values when asked for.
    for (bool carry : {false, true}) {
        setAdding({{"CarryCity", carry ? "1" : "0"}, {"CarryState", carry ? "1" : "0"}});
        w->loadPreferences();
        whenDialog<TNewRecordDialog>([](TNewRecordDialog* d) {
            QTest::keyClicks(d->zipEdit(), "99999");
            QTest::keyClick(d, Qt::Key_PageDown);
        });
        w->addRecord();
        ASSERT_TRUE(w->editing());
        EXPECT_EQ(w->fieldEdit("ZIP")->text(), "99999");
        EXPECT_EQ(w->fieldEdit("CITY")->text(), carry ? "Boston" : "");
        EXPECT_EQ(w->fieldEdit("STATE")->text(), carry ? "MA" : "");
        w->cancelRecord();
    }
}

TEST_F(MainWindowTest, AddAsksAboutPossibleDuplicates)
{
    setAdding({{"AutoDupCheck", "1"}});
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    w->lastRecord();  // Clark
    auto answerNames = [] {
        whenDialog<TNewRecordDialog>([](TNewRecordDialog* d) {
            EXPECT_FALSE(d->zipEdit()->isVisibleTo(d));
            QTest::keyClicks(d->lastEdit(), "brown");
            QTest::keyClicks(d->firstEdit(), "JOHN");
            d->accept();
        });
    };
    answerNames();
    answers_ = {false};
    w->addRecord();
    const MessageRequest* q = question("Possible Duplicate");
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(q->defaultNo);
    EXPECT_EQ(q->text, "Possible duplicate: \n\nJohn Brown\n1 Main St\nSpringfield,IL 62701\n\nContinue adding?");
    EXPECT_FALSE(w->editing());
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Brown");  // the existing record is shown
    EXPECT_EQ(w->TableAVX().recCount(), 3u);

    messages_.clear();
    w->lastRecord();
    answerNames();
    answers_ = {true};
    w->addRecord();
    ASSERT_NE(question("Possible Duplicate"), nullptr);
    ASSERT_TRUE(w->editing());
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "brown");
    EXPECT_EQ(w->fieldEdit("FNAME")->text(), "JOHN");
    ASSERT_TRUE(w->saveRecord());
    EXPECT_EQ(w->TableAVX().recCount(), 4u);

    // A name nobody has: no question.
    messages_.clear();
    whenDialog<TNewRecordDialog>([](TNewRecordDialog* d) {
        QTest::keyClicks(d->lastEdit(), "Nobody");
        QTest::keyClicks(d->firstEdit(), "Here");
        d->accept();
    });
    w->addRecord();
    EXPECT_EQ(question("Possible Duplicate"), nullptr);
    EXPECT_TRUE(w->editing());
    w->cancelRecord();
    EXPECT_EQ(w->TableAVX().recCount(), 4u);
}

TEST_F(MainWindowTest, SkippedFieldsLeaveTheTabOrderWhileAdding)
{
    setAdding({{"SkipLastName", "1"}, {"SkipZip", "1"}});
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    w->addRecord();
    ASSERT_TRUE(w->editing());
    EXPECT_TRUE(w->fieldEdit("FNAME")->hasFocus());
    EXPECT_EQ(w->fieldEdit("LNAME")->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(w->fieldEdit("ZIP")->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(w->fieldEdit("CITY")->focusPolicy(), Qt::StrongFocus);
    w->cancelRecord();
    EXPECT_EQ(w->fieldEdit("LNAME")->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(w->fieldEdit("ZIP")->focusPolicy(), Qt::StrongFocus);
}

TEST_F(MainWindowTest, MemoStoredWithTheMultipleOfFourRule)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {{"abcdefgh", "abcdefgh "}, {"abcdefg", "abcdefg"}, {"a\nb", "a\r\nb "}};
    for (const auto& c : cases) {
        w->editRecord();
        w->memoBox()->setPlainText(c.typed);
        ASSERT_TRUE(w->saveRecord());
        EXPECT_EQ(w->TableAVX().getMemo("MEMO"), c.stored);
    }
    // Typing in the memo box begins editing.
    w->memoBox()->setFocus();
    QTest::keyClicks(w->memoBox(), "z");
    EXPECT_TRUE(w->editing());
    w->cancelRecord();
}

TEST_F(MainWindowTest, DeleteSetsBothMarksAndClonesCopyAllButTheTag)
{
    auto w = start();
    Record tagged = kPeople[2];
    tagged["MEMO"] = "a memo";
    tagged["MIDDLE"] = "Q";
    tagged["USER1"] = "one";
    tagged["USER2"] = "two";
    tagged["PREFIX"] = "Dr.";
    tagged["PHONE2"] = "555-2";
    tagged["STREET2"] = "Apt 1";
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", {kPeople[0], kPeople[1], tagged})));
    w->lastRecord();
    w->toggleTag();
    EXPECT_TRUE(w->taggedBox()->isChecked());

    answers_ = {true};
    w->cloneRecord();
    EXPECT_TRUE(told("Clone completed. Current record is an exact copy"));
    store::Table& t = w->TableAVX();
    ASSERT_EQ(t.recCount(), 4u);
    EXPECT_EQ(t.recNo(), 4u);
    for (const auto& [f, v] : tagged)
        EXPECT_EQ(f == "MEMO" ? t.getMemo("MEMO") : t.getString(f), v) << f;
    EXPECT_EQ(t.getString("TAG"), "");
    EXPECT_FALSE(w->taggedBox()->isChecked());
    EXPECT_EQ(w->countPanelText(), "4 records (no filter)");

    // Delete the middle record in name order (Brown): the previous one (Adams) becomes current.
    w->firstRecord();
    w->nextRecord();
    ASSERT_EQ(w->fieldEdit("LNAME")->text(), "Brown");
    const uint32_t brown = t.recNo();
    answers_ = {false};
    w->deleteRecord();
    EXPECT_EQ(question("DELETE")->text, "Delete this record?");
    EXPECT_EQ(w->countPanelText(), "4 records (no filter)");
    answers_ = {true};
    w->deleteRecord();
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Adams");
    EXPECT_EQ(w->countPanelText(), "3 records (no filter)");
    t.setDeleted(false);
    t.go(brown);
    EXPECT_TRUE(t.deleted());
    EXPECT_TRUE(t.getLogical(t.fieldIndex("ISDEL")));
    t.setDeleted(true);

    // Deleting the first record moves to the new first one; the last leaves the empty state of a file.
    w->firstRecord();
    answers_ = {true};
    w->deleteRecord();
    EXPECT_EQ(w->fieldEdit("LNAME")->text(), "Clark");
    for (int i = 0; i < 2; ++i) {
        answers_ = {true};
        w->deleteRecord();
    }
    EXPECT_EQ(w->countPanelText(), "No records");
    EXPECT_FALSE(w->command("mnuEdit")->isEnabled());
    EXPECT_TRUE(w->command("mnuAdd")->isEnabled());
}

TEST_F(MainWindowTest, CopyToClipboard)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    w->setOrderByName("Last Name");
    w->lastRecord();  // Clark
    whenDialog<TCopyToClipboard>([](TCopyToClipboard* d) {
        d->box(3)->setChecked(false);  // no codes
        d->accept();
    });
    w->copyToClipboard();
    EXPECT_TRUE(told("Record copied to Windows Clipboard"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "Amy Clark \r\nClerk\r\nBeta\r\n5 Oak\r\nAlbany  NY 12207\r\nBelgium \r\nPhone  :555-0200\r\n");
}

TEST_F(MainWindowTest, DatePickerStoresTheChosenDate)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    whenDialog<TDatePicker>([](TDatePicker* d) {
        EXPECT_EQ(d->date(), QDate(2001, 1, 1));
        d->setDate(QDate(1999, 12, 31));
        for (QPushButton* b : d->findChildren<QPushButton*>())
            if (b->text() == "Ok")
                QTest::mouseClick(b, Qt::LeftButton);
    });
    w->pickDate();
    ASSERT_TRUE(w->editing());
    EXPECT_EQ(w->DataSource().text("DATE"), "19991231");
    EXPECT_FALSE(w->displayDateEdit()->text().isEmpty());
    whenDialog<TDatePicker>([](TDatePicker* d) { d->NoDateButtonClick(); });
    w->pickDate();
    EXPECT_EQ(w->DataSource().text("DATE"), "");
    EXPECT_TRUE(w->displayDateEdit()->text().isEmpty());
    ASSERT_TRUE(w->saveRecord());
    EXPECT_EQ(w->TableAVX().getString("DATE"), "");
}

TEST_F(MainWindowTest, EveryWindowCommandHasItsHandler)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    const char* windows[] = {"mnuPrintLabels", "mnuPrintLetters", "mnuPrintEnvelopes", "mnuPrintReports",
                             "mnuPrintCurrent", "btnLetters", "mnuImportASCII", "mnuImportDBF", "mnuImportOlder1",
                             "mnuImportOlder2", "mnuExport", "mnuCountZip", "mnuCheckStateZip", "mnuCheckDuplicates",
                             "mnuConvertCase", "mnuSearchReplace", "mnuDeleteRecords"};
    for (const char* c : windows) {
        ASSERT_NE(w->command(c), nullptr) << c;
        EXPECT_TRUE(w->command(c)->isEnabled()) << c;
    }
    EXPECT_EQ(w->command("mnuPrintLetters")->text(), "Print Le&tters");
    EXPECT_EQ(w->command("mnuPrintLetters")->shortcut(), QKeySequence("Ctrl+T"));
    int runs = 0;
    w->setCommandHandler("mnuCheckDuplicates", [&] { ++runs; });
    EXPECT_TRUE(w->command("mnuCheckDuplicates")->isEnabled());
    w->command("mnuCheckDuplicates")->trigger();
    EXPECT_EQ(runs, 1);
    // While editing the record commands are off again.
    w->editRecord();
    EXPECT_FALSE(w->command("mnuCheckDuplicates")->isEnabled());
    w->cancelRecord();
}

TEST_F(MainWindowTest, NewFileDialogProposesTheNextNameAndChecksIt)
{
    for (const char* n : {"ADD0001.DBF", "ADD0002.DBF", "ADD0003.DBF"})
        makeFile(n, {});
    auto w = start();
    whenDialog<TCreateNewDatabase>([this](TCreateNewDatabase* d) {
        EXPECT_EQ(d->nameEdit()->text(), "ADD0004");
        d->nameEdit()->setText("9bad");
        EXPECT_FALSE(d->okButton()->isEnabled());
        d->nameEdit()->setText("ADD0002");
        d->OkButtonClick();
        EXPECT_TRUE(told("That file already exists.Please select another name"));
        d->nameEdit()->setText("CLUB");
        // Narrower last names for this file, not saved for later files.
        whenDialog<TSpecifyFieldLengths>([](TSpecifyFieldLengths* f) {
            f->edit("LNAME")->setText("5");  // below 10: back to the width in effect
            f->edit("FNAME")->setText("12");
            f->OkButtonClick();
        });
        d->FieldLengthsButtonClick();
        d->OkButtonClick();
    });
    w->command("mnuNew")->trigger();
    const QString club = dataPath("CLUB.DBF");
    ASSERT_EQ(w->openFilePath(), club);
    EXPECT_EQ(w->DataSource().width("FNAME"), 12);
    EXPECT_EQ(w->DataSource().width("LNAME"), 30);
    EXPECT_FALSE(app::Settings().hasKey("NewFileFieldLengths", "FieldFNAME"));
    EXPECT_EQ(w->recentlyUsed().first(), club);
}

// Ctrl+arrows move between records while an edit box has the focus (as it has after every move).
TEST_F(MainWindowTest, RecordCommandsWorkFromTheEditBoxes)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));
    QApplication::setActiveWindow(w.get());
    QLineEdit* box = w->fieldEdit("FNAME");
    box->setFocus();
    QCoreApplication::processEvents();
    const struct {
        Qt::Key key;
        const char* lname;
    } steps[] = {{Qt::Key_Right, "Brown"}, {Qt::Key_Right, "Clark"}, {Qt::Key_Left, "Brown"},
                 {Qt::Key_Up, "Adams"},    {Qt::Key_Down, "Clark"}};
    for (const auto& s : steps) {
        QTest::keyClick(QApplication::focusWidget(), s.key, Qt::ControlModifier);
        EXPECT_EQ(w->fieldEdit("LNAME")->text(), s.lname) << s.key;
    }
    EXPECT_FALSE(w->editing());
}

// The Date box takes a date typed in the short date format and refuses anything else, saying so.
TEST_F(MainWindowTest, DateBoxTakesATypedDate)
{
    auto w = start();
    ASSERT_TRUE(w->openFile(makeFile("PEOPLE.DBF", kPeople)));  // Adams, 2001-01-01
    const QString format = QString::fromStdString(app::ShortDateFormat());
    const QString typed = QString::fromStdString(store::formatDate("19991231", format.toStdString()));
    ASSERT_FALSE(typed.isEmpty());
    QLineEdit* box = w->displayDateEdit();
    EXPECT_FALSE(box->isReadOnly());
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, typed);
    EXPECT_TRUE(w->editing());
    ASSERT_TRUE(w->saveRecord());
    EXPECT_EQ(w->TableAVX().getString("DATE"), "19991231");
    EXPECT_EQ(box->text(), typed);

    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("31.31.x"));
    EXPECT_FALSE(w->saveRecord());
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().kind, MessageKind::Error);
    EXPECT_TRUE(messages_.back().text.startsWith(QStringLiteral("\"31.31.x\" is not a date"))) << messages_.back().text.toStdString();
    EXPECT_EQ(w->TableAVX().getString("DATE"), "19991231");

    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);  // an empty box clears the date
    ASSERT_TRUE(w->saveRecord());
    EXPECT_EQ(w->TableAVX().getString("DATE"), "");
}
