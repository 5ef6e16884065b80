// addrova-batch report and print-record: the shipped phone list, the built-in reports, the record
// options and the errors.

#include "ReportFixture.h"

#include <QProcess>

namespace reports_test {
namespace {

class ReportBatchTest : public ReportFixture {
protected:
    int batch(const QString& verb, QStringList args)
    {
        t_.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ADDROVA_HOME"), dir_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        args.prepend(QString::fromStdString(program_ + "ADDRESS.DBF"));
        args.prepend(verb);
        args << QStringLiteral("--pdf") << pdf();
        p.start(QStringLiteral(ADDROVA_BATCH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        err_ = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }
    QString err_;
};

TEST_F(ReportBatchTest, TheShippedPhoneList)
{
    add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"PHONE", "555-0100"}, {"EMAIL", "js@example.com"}});
    add({{"LNAME", "Brown"}, {"FNAME", "Amy"}, {"PHONE", "555-0199"}});
    ASSERT_EQ(batch(QStringLiteral("report"), {QStringLiteral("--report"), QStringLiteral("Phone list")}), 0)
        << err_.toStdString();
    const QStringList w = words(1);
    for (const char* text : {"Phone", "List", "Page", "1", "John", "Smith", "555-0100", "js@example.com", "Amy",
                             "Brown", "555-0199", "Addrova"})
        EXPECT_TRUE(w.contains(QString::fromLatin1(text))) << text;

    // Ordered by last name, one record only, one per page.
    ASSERT_EQ(batch(QStringLiteral("report"), {QStringLiteral("--report"), QStringLiteral("Phone list"),
                                               QStringLiteral("--order"), QStringLiteral("LNAME")}),
              0);
    const QStringList sorted = words(1);
    EXPECT_LT(sorted.indexOf(QStringLiteral("Brown")), sorted.indexOf(QStringLiteral("Smith")));
    ASSERT_EQ(batch(QStringLiteral("report"),
                    {QStringLiteral("--report"), QStringLiteral("Phone list"), QStringLiteral("--recno"), "1"}),
              0);
    EXPECT_FALSE(words(1).contains(QStringLiteral("Brown")));
    ASSERT_EQ(batch(QStringLiteral("report"), {QStringLiteral("--report"), QStringLiteral("Phone list"),
                                               QStringLiteral("--one-per-page")}),
              0);
    EXPECT_EQ(pages(), 2);
}

TEST_F(ReportBatchTest, BuiltInReportsAndTheirTitles)
{
    add({{"LNAME", "Smith"}, {"ORG", "Acme"}, {"CITY", "Pittsburgh"}});
    add({{"LNAME", "Jones"}, {"ORG", "Beta"}, {"CITY", "Erie"}});
    ASSERT_EQ(batch(QStringLiteral("report"), {QStringLiteral("--builtin"), "3", QStringLiteral("--title"),
                                               QStringLiteral("Companies")}),
              0)
        << err_.toStdString();
    const QStringList w = words(1);
    EXPECT_TRUE(w.contains(QStringLiteral("Companies")));
    EXPECT_TRUE(w.contains(QStringLiteral("Organization")));
    ASSERT_EQ(batch(QStringLiteral("report"), {QStringLiteral("--builtin"), "1", QStringLiteral("--filter"),
                                               QStringLiteral("CITY = \"Erie\"")}),
              0);
    EXPECT_TRUE(words(1).contains(QStringLiteral("Jones,")));
    EXPECT_FALSE(words(1).contains(QStringLiteral("Smith,")));
    EXPECT_TRUE(words(1).contains(QStringLiteral("Report")));
}

TEST_F(ReportBatchTest, PrintRecord)
{
    add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"CITY", "Erie"}, {"MEMO", "Call after noon"}});
    ASSERT_EQ(batch(QStringLiteral("print-record"), {QStringLiteral("--recno"), "1", QStringLiteral("--fields"),
                                                     QStringLiteral("Last,city"), QStringLiteral("--memo")}),
              0)
        << err_.toStdString();
    const QStringList w = words(1);
    for (const char* text : {"Last", "Smith", "City", "Erie", "noon"})
        EXPECT_TRUE(w.contains(QString::fromLatin1(text))) << text;
    EXPECT_FALSE(w.contains(QStringLiteral("John")));
}

TEST_F(ReportBatchTest, Errors)
{
    add({{"LNAME", "Smith"}});
    struct Case {
        const char* verb;
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {"report", {}, 2, "choose one of --builtin"},
        {"report", {"--builtin", "5"}, 2, "--builtin must be 1, 2, 3 or 4"},
        {"report", {"--builtin", "1", "--report", "x"}, 2, "choose one of --builtin"},
        {"report", {"--report", "No such"}, 1, "no report is described \"No such\"; the reports are:\n  Phone list"},
        {"report", {"--builtin", "1", "--recno", "9"}, 2, "--recno must be 1 to 1"},
        {"report", {"--builtin", "1", "--order", "NOPE"}, 2, "no index tag"},
        {"print-record", {"--recno", "1", "--fields", "Shoe size"}, 2, "unknown field \"Shoe size\""},
        {"print-record", {}, 2, "--recno N is required"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(batch(QString::fromLatin1(c.verb), c.args), c.status) << c.message;
        EXPECT_TRUE(err_.contains(QString::fromLatin1(c.message))) << err_.toStdString();
    }
}

}  // namespace
}  // namespace reports_test
