// The postal windows driven offscreen: the count and its report preview, the state and ZIP check
// with its grid, tags and the state-range editor.
#include "AddressFile.h"
#include "Common.h"
#include "PostalWindows.h"
#include "PreviewControl.h"
#include "PrinterControl.h"
#include "PrintJob.h"
#include "TPreviewForm.h"
#include "Table.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace addrova;

namespace {

// Runs `step` on the active modal window every few milliseconds while it lives; a window left up
// too long is rejected and named in `stuck`.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget&)> step) : step_(std::move(step))
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (w != last_) {
                last_ = w;
                ticks_ = 0;
            }
            if (!w || busy_)
                return;
            busy_ = true;
            step_(*w);
            busy_ = false;
            if (++ticks_ == 2000 && QApplication::activeModalWidget() == w) {
                stuck << QString::fromLatin1(w->metaObject()->className());
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
            }
        });
        timer_.start();
    }
    QStringList stuck;

private:
    std::function<void(QWidget&)> step_;
    QTimer timer_;
    QPointer<QWidget> last_;
    int ticks_ = 0;
    bool busy_ = false;
};

class PostalWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("ADDR.DBF");
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        table.open(path, store::OpenMode::Exclusive);
        table.setSelection("!ISDEL");
        ui::SetMessageHook([this](const ui::MessageRequest& m) {
            messages << m.caption + ": " + m.text;
            return answer;
        });
    }
    void TearDown() override { ui::SetMessageHook({}); }
    uint32_t add(const std::string& last, const std::string& state, const std::string& zip)
    {
        table.appendBlank();
        table.setString("LNAME", last);
        table.setString("FNAME", "Pat");
        table.setString("STATE", state);
        table.setString("ZIP", zip);
        table.post();
        return table.recNo();
    }
    // sysdata with a CSZ.DBF of two states, New York in two rows.
    std::string makeSysdata()
    {
        const std::string sys = dir.path() + "/sysdata/";
        std::filesystem::create_directories(sys);
        store::Table::create(sys + "CSZ.DBF", std::vector<store::FieldSpec>{{"NAME", 'C', 20, 0},
                                                                           {"STATE", 'C', 4, 0},
                                                                           {"LOW_ZIP", 'C', 10, 0},
                                                                           {"HIGH_ZIP", 'C', 10, 0}});
        store::Table t;
        t.open(sys + "CSZ.DBF", store::OpenMode::Exclusive);
        const char* rows[][4] = {{"New York", "NY", "00500", "00599"},
                                 {"New Jersey", "NJ", "07000", "08999"},
                                 {"New York", "NY", "10000", "14999"}};
        for (const auto& r : rows) {
            t.appendBlank();
            t.setString("NAME", r[0]);
            t.setString("STATE", r[1]);
            t.setString("LOW_ZIP", r[2]);
            t.setString("HIGH_ZIP", r[3]);
            t.post();
        }
        t.createTag("STATE", "UPPER(STATE)");
        return sys;
    }
    void saveShot(QWidget& w, const char* name)
    {
        const QString dirName = QStringLiteral(ADDROVA_SCREENSHOT_DIR);
        QDir().mkpath(dirName);
        EXPECT_TRUE(w.grab().save(dirName + "/" + name));
    }
    test::TempDir dir;
    std::string path;
    store::Table table;
    QStringList messages;
    bool answer = true;
};

}  // namespace

TEST_F(PostalWindowTest, CountThenPreviewTheReport)
{
    for (int i = 0; i < 120; ++i)
        add("N" + std::to_string(i), "NY", i % 3 ? "10001" : "10001-2222");
    add("Can", "ON", "K1A 0B1");
    add("Empty", "", "");
    postal::TCountZipCodes w(table);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    w.SetPrinter(&printer);
    w.show();
    QTRY_VERIFY(w.CountDone());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Count Zip Codes"));
    EXPECT_EQ(w.Text(), QStringLiteral("Finished counting. Press Print or Preview for the report"));
    EXPECT_EQ(w.Listing(), (std::vector<std::string>{"10001     120", "", "", "K1A 0     1", "BLANK     1"}));
    for (const char* b : {"Print", "Preview", "Printer Setup", "Ok", "Help"})
        EXPECT_TRUE(w.button(QString::fromLatin1(b))->isVisible()) << b;
    EXPECT_FALSE(w.button(QStringLiteral("Cancel"))->isVisible());
    saveShot(w, "count-zip-codes.png");

    QString statusCaption, statusText, previewCaption;
    int pages = 0;
    {
        ModalDriver drive([&](QWidget& m) {
            if (auto* s = qobject_cast<postal::TZipReport*>(&m)) {
                if (!s->Finished())
                    return;
                statusCaption = s->windowTitle();
                statusText = s->StatusText();
                s->accept();
            } else if (auto* f = qobject_cast<print::TPreviewForm*>(&m)) {
                if (!f->windowTitle().startsWith(QStringLiteral("Preview Page")))
                    return;
                previewCaption = f->windowTitle();
                pages = f->Control()->PageCount();
                f->accept();
            }
        });
        w.PreviewClick();
        EXPECT_TRUE(drive.stuck.isEmpty()) << drive.stuck.join(' ').toStdString();
    }
    EXPECT_EQ(statusCaption, QStringLiteral("Preview Status"));
    EXPECT_TRUE(statusText.contains(QStringLiteral("Preview Ready!"))) << statusText.toStdString();
    EXPECT_EQ(previewCaption, QStringLiteral("Preview Page 1 of 1 ( 100% )"));
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
}

TEST_F(PostalWindowTest, CancelledCountClosesTheWindow)
{
    for (int i = 0; i < 300; ++i)
        add("N", "NY", "10001");
    postal::TCountZipCodes w(table);
    QTimer::singleShot(0, &w, [&w] { w.CancelClick(); });
    w.DoTheSort();
    EXPECT_EQ(messages, QStringList{QStringLiteral("CANCEL: Cancel Count?")});
    EXPECT_FALSE(w.CountDone());
    EXPECT_TRUE(w.Listing().empty());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(PostalWindowTest, CheckEditAndTagQuestionableRecords)
{
    add("Fine", "NY", "10001");
    add("Second", "NY", "00501");  // the other New York row
    const uint32_t zeta = add("Zeta", "NY", "09999");
    const uint32_t alpha = add("Alpha", "XX", "10001");
    add("Blank", "", "10001");
    const std::string sys = makeSysdata();
    const std::string index = dir.file("_chksz.idx");
    {
        postal::TStateZipCheck w(table, sys, "TAGID");
        w.show();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Check State and Zip  Codes"));
        w.CheckitButtonClick();
        EXPECT_FALSE(w.Running());
        EXPECT_EQ(w.FoundLine(), QStringLiteral("Found 2 records with questionable state or zipcodes"));
        EXPECT_TRUE(std::filesystem::exists(index));
        postal::RecordGridModel* m = w.ResultModel();
        ASSERT_EQ(m->rowCount(), 2);
        EXPECT_EQ(m->recordAt(0), alpha);
        EXPECT_EQ(m->recordAt(1), zeta);
        EXPECT_EQ(m->index(0, 1).data().toString(), QStringLiteral("Alpha"));
        EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("No"));
        EXPECT_TRUE(w.button(QStringLiteral("Close"))->isVisible());
        EXPECT_FALSE(w.button(QStringLiteral("Cancel"))->isVisible());
        saveShot(w, "check-state-zip.png");

        // Edit Zeta's ZIP in the grid: held until Save, dropped by Cancel.
        ASSERT_TRUE(m->setData(m->index(1, 7), QStringLiteral("10002"), Qt::EditRole));
        EXPECT_EQ(m->index(1, 7).data().toString(), QStringLiteral("10002"));
        w.CancelEditClick();
        EXPECT_EQ(m->index(1, 7).data().toString(), QStringLiteral("09999"));
        ASSERT_TRUE(m->setData(m->index(1, 7), QStringLiteral("10002"), Qt::EditRole));
        w.SaveClick();
        table.go(zeta);
        EXPECT_EQ(table.getString("ZIP"), "10002");

        // Tag one by the button and one by a double-click on the Tagged column.
        w.ResultGrid()->setCurrentIndex(m->index(0, 1));
        w.TagClick();
        table.go(alpha);
        EXPECT_EQ(table.getString("TAG"), "TAGID");
        EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("Yes"));
        w.TagClick();
        EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("No"));

        answer = true;
        w.TagAllClick();
        EXPECT_EQ(messages.last(), QStringLiteral("TAG ALL: Tag all records with questionable state or zipcodes?"));
        for (uint32_t r : {alpha, zeta}) {
            table.go(r);
            EXPECT_EQ(table.getString("TAG"), "TAGID") << r;
        }
        table.go(1);
        EXPECT_EQ(table.getString("TAG"), "");
        w.CloseButtonClick();
    }
    EXPECT_FALSE(std::filesystem::exists(index));
}

TEST_F(PostalWindowTest, CancelDuringTheCheckKeepsWhatWasFound)
{
    for (int i = 0; i < 100; ++i)
        add("N" + std::to_string(100 + i), "NY", i < 50 ? "99999" : "88888");
    const std::string sys = makeSysdata();
    postal::TStateZipCheck w(table, sys, "TAGID");
    w.show();
    w.IncludeBlanks()->setChecked(true);
    QTimer::singleShot(0, &w, [&w] { w.CancelButtonClick(); });
    w.CheckitButtonClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("CANCEL: Cancel operation?")});
    EXPECT_TRUE(w.Result().cancelled);
    EXPECT_LT(w.Result().checked, 100u);
    EXPECT_EQ(static_cast<uint32_t>(w.ResultModel()->rowCount()), w.Result().checked);
}

TEST_F(PostalWindowTest, EditingTheStateRanges)
{
    const std::string sys = makeSysdata();
    add("Pat", "PA", "15001");
    postal::TStateZipCheck w(table, sys, "TAGID");
    w.show();
    w.EditStateProvClick();
    ASSERT_TRUE(w.Editing());
    EXPECT_EQ(w.button(QStringLiteral("Stop Editing"))->text(), QStringLiteral("Stop Editing"));
    postal::RecordGridModel* m = w.StateModel();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("State or Province"));
    w.AddRowClick();
    ASSERT_EQ(m->rowCount(), 4);
    const int row = 3;
    m->setData(m->index(row, 0), QStringLiteral("Pennsylvania"), Qt::EditRole);
    m->setData(m->index(row, 1), QStringLiteral("PA"), Qt::EditRole);
    m->setData(m->index(row, 2), QStringLiteral("15000"), Qt::EditRole);
    m->setData(m->index(row, 3), QStringLiteral("19699"), Qt::EditRole);
    w.SaveRowClick();
    ASSERT_EQ(m->index(0, 1).data().toString(), QStringLiteral("NJ"));  // in STATE order
    w.StateGrid()->setCurrentIndex(m->index(0, 0));
    w.DeleteRowClick();
    EXPECT_EQ(m->rowCount(), 3);
    w.EditStateProvClick();
    EXPECT_FALSE(w.Editing());

    // The check reads the new row: Pennsylvania's ZIP is fine now.
    w.CheckitButtonClick();
    EXPECT_EQ(w.Result().questionable, 0u);
    store::Table csz;
    csz.open(sys + "CSZ.DBF", store::OpenMode::ReadOnly);
    csz.setOrder("STATE");
    EXPECT_TRUE(csz.seek("PA"));
    EXPECT_EQ(csz.getString("HIGH_ZIP"), "19699");
    EXPECT_FALSE(csz.seek("NJ"));
}
