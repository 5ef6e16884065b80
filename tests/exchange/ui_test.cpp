// The import and export windows, driven as a user would, and the main window's hand-over.
#include "AddressFile.h"
#include "Common.h"
#include "ImportWindows.h"
#include "ProgramDir.h"
#include "TAddressMain.h"
#include "TCopyOut.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace addrova;
using namespace addrova::exchange;
using addrova::test::TempDir;

namespace {

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetMessageHook([this](const ui::MessageRequest& r) {
            messages.push_back(r.text.toStdString());
            captions.push_back(r.caption.toStdString());
            return answer;
        });
    }
    void TearDown() override { ui::SetMessageHook({}); }

    std::string addressFile(const std::string& name = "ADD.DBF", int records = 0)
    {
        const std::string p = dir.file(name);
        EXPECT_EQ(store::createAddressFile(p, store::defaultWidths()), "");
        store::Table t;
        t.open(p);
        for (int i = 0; i < records; ++i) {
            t.appendBlank();
            t.setString("LNAME", "Person " + std::to_string(i + 1));
            t.setString("CITY", i % 2 ? "Boston" : "Denver");
            t.setMemo("MEMO", "12345678");
            t.setLogical("ISDEL", false);
            t.post();
        }
        return p;
    }
    bool told(const std::string& text) const { return std::find(messages.begin(), messages.end(), text) != messages.end(); }
    // Puts a row's current cell on the row with this label.
    static void goRow(TFieldMatchGrid* g, const char* label)
    {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->item(r, 0)->text() == label)
                g->setCurrentCell(r, 1);
    }
    static QString cell(TFieldMatchGrid* g, const char* label)
    {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->item(r, 0)->text() == label)
                return g->item(r, 1)->text();
        return "?";
    }

    TempDir dir;
    std::vector<std::string> messages, captions;
    bool answer = true;
};

TEST_F(WindowTest, AsciiImportFromChoiceToRebuild)
{
    store::Table dest;
    ASSERT_EQ(store::openAddressFile(addressFile(), dest), "");
    TAsciiImport w(dest);
    EXPECT_EQ(w.windowTitle(), "ASCII File Import");
    EXPECT_EQ(w.PathText(), "(none)");
    EXPECT_FALSE(w.MatchEnabled());
    w.ChooseFile("");  // cancelled with nothing held
    EXPECT_EQ(w.PathText(), "(none)");

    write(dir.file("one.csv"), "just one line\r\n");
    w.ChooseFile(QString::fromStdString(dir.file("one.csv")));
    EXPECT_TRUE(told("Unable to import from this file"));
    EXPECT_FALSE(w.MatchEnabled());
    EXPECT_FALSE(w.ImportEnabled());

    std::string text = "First,Last,City\r\n";
    for (int i = 0; i < 14; ++i)
        text += "F" + std::to_string(i) + ",\"L, " + std::to_string(i) + "\",Rome\r\n";
    write(dir.file("in.csv"), text);
    w.ChooseFile(QString::fromStdString(dir.file("in.csv")));
    EXPECT_TRUE(w.MatchEnabled());
    EXPECT_FALSE(w.ImportEnabled());

    bool seen = false;
    w.matchHook = [&](TAsciiMatch& d) {
        seen = true;
        EXPECT_EQ(d.windowTitle(), "ASCII File Import Match Fields");
        EXPECT_EQ(d.Sample()->rowCount(), 10);
        EXPECT_EQ(d.Sample()->columnCount(), 3);
        EXPECT_EQ(d.Sample()->horizontalHeaderItem(1)->text(), "Field 2");
        EXPECT_EQ(d.Sample()->item(1, 1)->text(), "L, 0");
        TFieldMatchGrid* g = d.grid();
        EXPECT_EQ(g->horizontalHeaderItem(0)->text(), "Addrova Field");
        EXPECT_EQ(g->horizontalHeaderItem(1)->text(), "Import from Field (in in.csv)");
        EXPECT_EQ(g->item(0, 0)->text(), "Last Name");
        goRow(g, "Last Name");
        g->choose("Field 2");
        goRow(g, "First Name");
        g->choose("Field 2");  // moves: Last Name loses it
        EXPECT_EQ(cell(g, "Last Name"), "");
        EXPECT_EQ(cell(g, "First Name"), "Field 2");
        QMenu* m = g->fieldMenu();
        const auto actions = m->actions();
        if (actions.size() != 4) {
            ADD_FAILURE() << "menu of " << actions.size();
            return false;
        }
        EXPECT_EQ(actions[0]->text(), "(none)");
        EXPECT_TRUE(actions[2]->isChecked());
        actions[1]->trigger();  // Field 1 into First Name
        EXPECT_EQ(cell(g, "First Name"), "Field 1");
        goRow(g, "Last Name");
        g->choose("Field 2");
        goRow(g, "City");
        g->choose("Field 3");
        g->clearCurrent();
        EXPECT_EQ(cell(g, "City"), "");
        g->choose("Field 3");
        return true;
    };
    ASSERT_TRUE(w.MatchFields());
    EXPECT_TRUE(seen);
    EXPECT_TRUE(w.ImportEnabled());
    // The dialog opens again on the stored mapping.
    w.matchHook = [&](TAsciiMatch& d) {
        EXPECT_EQ(cell(d.grid(), "Last Name"), "Field 2");
        d.grid()->clearAll();
        return false;  // cancelled: the mapping stays
    };
    w.MatchFields();
    EXPECT_TRUE(w.ImportEnabled());
    EXPECT_EQ(w.Scan().columns[1].matched, "Last Name");

    // Choosing the file again (here: cancelling the dialog) empties the matches.
    w.ChooseFile("");
    EXPECT_FALSE(w.Matched());
    EXPECT_FALSE(w.ImportEnabled());
    EXPECT_EQ(w.Scan().columns[1].matched, "");
    w.matchHook = [&](TAsciiMatch& d) {
        EXPECT_EQ(cell(d.grid(), "Last Name"), "");
        goRow(d.grid(), "Last Name");
        d.grid()->choose("Field 2");
        goRow(d.grid(), "City");
        d.grid()->choose("Field 3");
        return true;
    };
    ASSERT_TRUE(w.MatchFields());
    w.Import();
    EXPECT_TRUE(told("Import complete. Imported 15 records."));
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_TRUE(store::checkTags(dest));
    dest.setOrder(0);
    dest.go(2);
    EXPECT_EQ(dest.getString("LNAME"), "L, 0");
    EXPECT_EQ(dest.getString("CITY"), "Rome");
}

TEST_F(WindowTest, AsciiImportCancelStopsAndStillRebuilds)
{
    store::Table dest;
    ASSERT_EQ(store::openAddressFile(addressFile(), dest), "");
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "n" + std::to_string(i) + "\r\n";
    write(dir.file("in.csv"), text);
    TAsciiImport w(dest);
    w.ChooseFile(QString::fromStdString(dir.file("in.csv")));
    w.matchHook = [](TAsciiMatch& d) {
        d.grid()->setCurrentCell(0, 1);
        d.grid()->choose("Field 1");
        return true;
    };
    ASSERT_TRUE(w.MatchFields());
    QTimer::singleShot(0, &w, [&] { w.CancelClick(); });
    w.Import();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front().rfind("Import cancelled after importing ", 0), 0u) << messages.front();
    EXPECT_LT(dest.recCount(), 500u);
    EXPECT_TRUE(store::checkTags(dest));
}

store::Table& fillSource(store::Table& t, const std::string& path)
{
    store::Table::create(path, std::vector<store::FieldSpec>{
                                   {"LNAME", 'C', 20}, {"FNAME", 'C', 20}, {"CITY", 'C', 20}, {"NOTES", 'C', 20},
                                   {"USER1", 'C', 20}, {"REMARK", 'M', 10}, {"SINCE", 'D', 8}});
    t.open(path);
    for (int i = 0; i < 3; ++i) {
        t.appendBlank();
        t.setString("LNAME", "Last" + std::to_string(i));
        t.setString("FNAME", "First" + std::to_string(i));
        t.setString("CITY", "City" + std::to_string(i));
        t.setString("NOTES", "note");
        t.setString("USER1", "c1");
        t.setMemo("REMARK", "memo " + std::to_string(i));
        t.setString("SINCE", "19961231");
        t.post();
    }
    t.close();
    return t;
}

TEST_F(WindowTest, DbfImportProposesAndImports)
{
    store::Table dest, src;
    ASSERT_EQ(store::openAddressFile(addressFile(), dest), "");
    const std::string empty = dir.file("EMPTY.DBF");
    store::Table::create(empty, std::vector<store::FieldSpec>{{"LNAME", 'C', 10}});
    TDBFImport w(dest, "M/d/yyyy");
    EXPECT_EQ(w.windowTitle(), "DBF File Import");
    w.ChooseFile(QString::fromStdString(empty));
    EXPECT_TRUE(told("There are no records in " + empty));
    EXPECT_EQ(w.PathText(), "");
    EXPECT_FALSE(w.MatchEnabled());

    fillSource(src, dir.file("SRC.DBF"));
    w.ChooseFile(QString::fromStdString(dir.file("SRC.DBF")));
    ASSERT_TRUE(w.MatchEnabled());
    EXPECT_FALSE(w.ImportEnabled());
    w.matchHook = [&](TDBFMatch& d) {
        EXPECT_EQ(d.windowTitle(), "DBF File Import Match Fields");
        EXPECT_EQ(d.Browser()->rowCount(), 3);
        TFieldMatchGrid* g = d.grid();
        EXPECT_EQ(g->horizontalHeaderItem(1)->text(), "Import from Field (in SRC.DBF)");
        EXPECT_EQ(cell(g, "Last Name"), "LNAME");
        EXPECT_EQ(cell(g, "First Name"), "FNAME");
        EXPECT_EQ(cell(g, "City"), "CITY");
        EXPECT_EQ(cell(g, "Comment 1"), "USER1");
        EXPECT_EQ(cell(g, "MEMO"), "REMARK");
        EXPECT_EQ(cell(g, "Codes"), "");  // NOTES is proposed nowhere
        goRow(g, "MEMO");
        QMenu* m = g->fieldMenu();
        EXPECT_EQ(m->actions().size(), 2);  // (none) and the memo
        EXPECT_EQ(m->actions().value(1) ? m->actions().value(1)->text() : QString(), "REMARK");
        goRow(g, "Last Name");
        QStringList offered;
        for (QAction* a : g->fieldMenu()->actions())
            offered << a->text();
        EXPECT_EQ(offered, (QStringList{"(none)", "Last Name", "First Name", "City", "NOTES", "Comment 1", "SINCE"}));
        goRow(g, "Actual Date");
        g->choose("SINCE");
        return true;
    };
    ASSERT_TRUE(w.MatchFields());
    EXPECT_TRUE(w.ImportEnabled());
    w.Import();
    EXPECT_TRUE(told("Import complete. Imported 3 records."));
    EXPECT_TRUE(store::checkTags(dest));
    dest.setOrder(0);
    dest.goTop();
    EXPECT_EQ(dest.getString("LNAME"), "Last0");
    EXPECT_EQ(dest.getString("DATE"), "19961231");
    EXPECT_EQ(dest.getMemo("MEMO"), "memo 0\r\n");
}

TEST_F(WindowTest, OlderImportRefusesItselfAndForeignFiles)
{
    const std::string path = addressFile("MAIN.DBF");
    store::Table main;
    ASSERT_EQ(store::openAddressFile(path, main), "");
    TImportOlder w(main, path, Generation::Second, "M/d/yyyy");
    EXPECT_EQ(w.windowTitle(), "Import Addrova 2.x DBF");
    QString upper = QString::fromStdString(path);
    upper.replace("MAIN.DBF", "main.dbf");
    w.ChooseFile(upper);
    EXPECT_TRUE(told("Cannot import a file to itself"));
    EXPECT_FALSE(w.ImportEnabled());
    store::Table src;
    fillSource(src, dir.file("SRC.DBF"));
    w.ChooseFile(QString::fromStdString(dir.file("SRC.DBF")));
    EXPECT_TRUE(told(dir.file("SRC.DBF") + " does not appear to be a Addrova 2.x DBF"));
    EXPECT_FALSE(w.ImportEnabled());
    // An address file of today is a complete second-generation file.
    addressFile("OLD.DBF", 4);
    w.ChooseFile(QString::fromStdString(dir.file("OLD.DBF")));
    ASSERT_TRUE(w.ImportEnabled());
    w.Import();
    EXPECT_TRUE(told("Import complete. Imported 4 records."));
    EXPECT_EQ(main.recCount(), 4u);
    EXPECT_TRUE(store::checkTags(main));
}

TEST_F(WindowTest, CopyOutRefusalsOverwriteAndCopy)
{
    const std::string path = addressFile("MAIN.DBF", 5);
    store::Table t;
    ASSERT_EQ(store::openAddressFile(path, t), "");
    t.setSelection("CITY = \"Boston\" .and. !ISDEL");
    TCopyOut w(t, path);
    EXPECT_EQ(w.windowTitle(), "Copy Records Out");
    EXPECT_EQ(w.TargetText(), "(none)");
    w.ChooseTarget(QString::fromStdString(dir.file("COPY.TXT")));
    EXPECT_TRUE(told("Must have a .DBF extension"));
    EXPECT_EQ(w.TargetText(), "(none)");
    w.ChooseTarget(QString::fromStdString(dir.file("main.dbf")));
    EXPECT_TRUE(told("Cannot copy a file to itself!"));
    write(dir.file("OLD.DBF"), "keep");
    answer = false;
    w.ChooseTarget(QString::fromStdString(dir.file("OLD.DBF")));
    EXPECT_TRUE(told(dir.file("OLD.DBF") + " already exists.\r\nDo you want to overwrite it?"));
    EXPECT_EQ(captions.back(), "Warning!");
    EXPECT_EQ(w.TargetText(), "(none)");
    answer = true;
    w.ChooseTarget(QString::fromStdString(dir.file("OLD.DBF")));
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.Result().written, 2u);
    store::Table c;
    c.open(dir.file("OLD.DBF"), store::OpenMode::ReadOnly);
    EXPECT_EQ(c.recCount(), 2u);

    TCopyOut text(t, path);
    text.SetKind(ExportKind::Text);
    text.ChooseTarget(QString::fromStdString(dir.file("OUT.TXT")));
    EXPECT_EQ(text.Result().written, 2u);
    EXPECT_TRUE(std::filesystem::exists(dir.file("OUT.TXT")));
}

// ---------------------------------------------------------------------------------------------
// The main window

class MainHandOver : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        qputenv("ADDROVA_HOME", QByteArray::fromStdString(dir.path()));
        QDir().mkpath(QString::fromStdString(dir.file("DATA")));
        app::Settings().writeBool("Misc", "GettingStarted", true);
    }
    void TearDown() override
    {
        qunsetenv("ADDROVA_HOME");
        WindowTest::TearDown();
    }
};

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

TEST_F(MainHandOver, ImportsWorkOnTheClosedFileAndItOpensAgain)
{
    const std::string path = addressFile("DATA/PEOPLE.DBF", 3);
    auto w = std::make_unique<ui::TAddressMain>();
    w->show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->openFile(QString::fromStdString(path)));
    ASSERT_TRUE(w->command("mnuImportASCII")->isEnabled());
    write(dir.file("in.csv"), "a,b\r\nc,d\r\n");
    bool tableWasClosed = false;
    whenDialog<TAsciiImport>([&](TAsciiImport* d) {
        tableWasClosed = !w->TableAVX().isOpen();
        d->ChooseFile(QString::fromStdString(dir.file("in.csv")));
        d->matchHook = [](TAsciiMatch& m) {
            m.grid()->setCurrentCell(0, 1);
            m.grid()->choose("Field 1");
            return true;
        };
        d->MatchFields();
        d->Import();
    });
    w->command("mnuImportASCII")->trigger();
    EXPECT_TRUE(tableWasClosed);
    EXPECT_TRUE(told("Import complete. Imported 2 records."));
    ASSERT_TRUE(w->TableAVX().isOpen());
    EXPECT_EQ(w->TableAVX().recCount(), 5u);
    EXPECT_TRUE(store::checkTags(w->TableAVX()));

    // Export: the window works on the main table; an empty selection is refused first.
    whenDialog<TCopyOut>([&](TCopyOut* d) { d->ChooseTarget(QString::fromStdString(dir.file("ALL.DBF"))); });
    w->command("mnuExport")->trigger();
    store::Table all;
    all.open(dir.file("ALL.DBF"), store::OpenMode::ReadOnly);
    EXPECT_EQ(all.recCount(), 5u);
    w->closeFile();
}

// ---------------------------------------------------------------------------------------------
// Pictures for the documentation, written when ADDROVA_SCREENSHOT_DIR names a folder.

TEST_F(WindowTest, Screenshots)
{
    const QString out = qEnvironmentVariable("ADDROVA_SCREENSHOT_DIR");
    if (out.isEmpty())
        GTEST_SKIP() << "ADDROVA_SCREENSHOT_DIR is not set";
    auto shoot = [&](QWidget& wdg, const char* name) {
        wdg.show();
        QCoreApplication::processEvents();
        wdg.grab().save(out + "/" + name);
    };
    store::Table dest, src;
    ASSERT_EQ(store::openAddressFile(addressFile(), dest), "");
    write(dir.file("contacts.csv"),
          "Smith,John,\"Acme, Inc.\",12 Main St,Boston,MA,02134\r\n"
          "Brown,Mary,Baker & Sons,4 Elm Rd,Denver,CO,80202\r\n"
          "M\xC3\xBCller,J\xC3\xBCrgen,Caf\xC3\xA9 Central,Hauptstr. 1,K\xC3\xB6ln,,50667\r\n"
          "Lee,Ann,,99 Oak Ave,Austin,TX,73301\r\n");
    TAsciiImport a(dest);
    a.ChooseFile(QString::fromStdString(dir.file("contacts.csv")));
    a.matchHook = [&](TAsciiMatch& d) {
        const char* rows[] = {"Last Name", "First Name", "Organization", "Address 1", "City", "State", "Zip/Postal Code"};
        for (int i = 0; i < 7; ++i) {
            goRow(d.grid(), rows[i]);
            d.grid()->choose("Field " + std::to_string(i + 1));
        }
        goRow(d.grid(), "City");
        d.resize(720, 600);
        shoot(d, "ascii-match.png");
        return false;
    };
    a.MatchFields();
    fillSource(src, dir.file("CLIENTS.DBF"));
    TDBFImport b(dest, "M/d/yyyy");
    b.ChooseFile(QString::fromStdString(dir.file("CLIENTS.DBF")));
    b.matchHook = [&](TDBFMatch& d) {
        d.resize(720, 600);
        shoot(d, "dbf-match.png");
        return false;
    };
    b.MatchFields();
    TCopyOut c(dest, dest.path());
    shoot(c, "copy-records-out.png");
}

}  // namespace
