// Printing merged letters, checked on the PDF files it writes: pages per record and copy, the
// record choices, cancelling, the bold face of a bold token, the page size.

#include "AddressFile.h"
#include "LetterPrint.h"
#include "RecordChoice.h"
#include "RecordSource.h"
#include "Rtf.h"
#include "Table.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace addrova;
using namespace addrova::letters;

namespace {

QString tool(const char* program, const QStringList& args)
{
    QProcess p;
    p.start(QString::fromLatin1(program), args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf)
{
    const QString info = tool(PDFINFO, {pdf});
    for (const QString& l : info.split(QLatin1Char('\n')))
        if (l.startsWith(QStringLiteral("Pages:")))
            return l.mid(6).trimmed().toInt();
    return -1;
}

QString pdfText(const QString& pdf, int page)
{
    return tool(PDFTOTEXT, {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                            QStringLiteral("-layout"), pdf, QStringLiteral("-")});
}

const char* const kOnePage =
    R"({\rtf1{\fonttbl{\f0 Arial;}}\f0\fs20 Dear {\b [Last]},\par We write to [City].\par [Name and Address]})";
const char* const kTwoPages = R"({\rtf1{\fonttbl{\f0 Arial;}}\f0\fs20 Page one for [Last]\page Page two for [First]})";

class LetterPrint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("ADDR.DBF")).toStdString();
        ASSERT_EQ(store::createAddressFile(path_, store::defaultWidths()), "");
        t_.open(path_);
        const char* people[][4] = {{"Ann", "Adams", "Albany", "NY"},
                                   {"Bob", "Brown", "Boston", "MA"},
                                   {"Cy", "Clark", "Chicago", "IL"},
                                   {"Di", "Dunn", "Dover", "DE"}};
        for (const auto& p : people) {
            t_.appendBlank();
            t_.setString("FNAME", p[0]);
            t_.setString("LNAME", p[1]);
            t_.setString("CITY", p[2]);
            t_.setString("STATE", p[3]);
            t_.setLogical("ISDEL", false);
            t_.post();
        }
        t_.go(4);
        t_.setLogical("ISDEL", true);  // marked deleted by the user
        t_.post();
        t_.setSelection("!ISDEL");
        t_.goTop();
    }

    QString pdf(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Runs the letter as the status window does, after the record choice.
    LetterOutcome print(const char* rtf, const QString& out, print::RecordChoice choice, int copies,
                        const LetterRunHooks& hooks = {}, int* pages = nullptr)
    {
        QTextDocument letter;
        EXPECT_TRUE(richtext::ReadRtf(QByteArray(rtf), letter).ok);
        print::RecordScope scope(t_);
        scope.Apply(choice, false, {});
        layout::TableRecordSource source(t_);
        LetterPrintRun run(letter, source, QStringLiteral("1/2/2026"), QDate(2026, 1, 2));
        PdfLetterOutput output(out);
        const LetterOutcome o = run.Run(t_, output, copies, choice == print::RecordChoice::OnlyCurrent, hooks);
        if (pages)
            *pages = run.PagesPrinted();
        EXPECT_EQ(run.FinalMessage(o), o == LetterOutcome::Canceled ? "Letter Print Canceled!"
                                                                     : "Letter Print Completed!");
        return o;
    }

    QTemporaryDir dir_;
    std::string path_;
    store::Table t_;
};

TEST_F(LetterPrint, OnlyCurrentRecordThreeCopies)
{
    t_.go(2);
    int pages = 0;
    EXPECT_EQ(print(kOnePage, pdf("three.pdf"), print::RecordChoice::OnlyCurrent, 3, {}, &pages),
              LetterOutcome::Completed);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(pdfPages(pdf("three.pdf")), 3);
    for (int p = 1; p <= 3; ++p) {
        const QString text = pdfText(pdf("three.pdf"), p);
        EXPECT_TRUE(text.contains(QStringLiteral("Dear Brown,"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("We write to Boston.")));
        EXPECT_TRUE(text.contains(QStringLiteral("Bob Brown")));
        EXPECT_TRUE(text.contains(QStringLiteral("Boston MA")));
    }
    EXPECT_EQ(t_.recNo(), 2u);  // the scope put the record back
    // The bold token gave a bold face.
    EXPECT_TRUE(tool(PDFFONTS, {pdf("three.pdf")}).contains(QStringLiteral("Bold")));
}

TEST_F(LetterPrint, TwoPageLetterTwoRecordsTwoCopiesIsEightPages)
{
    t_.setSelection("(STATE='MA' .or. STATE='IL') .and. !ISDEL");
    t_.goTop();
    QStringList status;
    LetterRunHooks hooks;
    hooks.status = [&](const QString& s) { status << s; };
    int pages = 0;
    EXPECT_EQ(print(kTwoPages, pdf("eight.pdf"), print::RecordChoice::Filter, 2, hooks, &pages),
              LetterOutcome::Completed);
    EXPECT_EQ(pages, 8);
    EXPECT_EQ(pdfPages(pdf("eight.pdf")), 8);
    EXPECT_EQ(status, (QStringList{QStringLiteral("Printing page 4"), QStringLiteral("Printing page 8")}));
    const char* expected[] = {"Page one for Brown", "Page two for Bob", "Page one for Brown", "Page two for Bob",
                              "Page one for Clark", "Page two for Cy",  "Page one for Clark", "Page two for Cy"};
    for (int p = 0; p < 8; ++p)
        EXPECT_TRUE(pdfText(pdf("eight.pdf"), p + 1).contains(QString::fromLatin1(expected[p]))) << p + 1;
}

TEST_F(LetterPrint, AllRecordsReplacesAndRestoresTheFilter)
{
    t_.setSelection("STATE='NY' .and. !ISDEL");
    t_.goTop();
    int pages = 0;
    EXPECT_EQ(print(kOnePage, pdf("all.pdf"), print::RecordChoice::All, 1, {}, &pages), LetterOutcome::Completed);
    EXPECT_EQ(pages, 3);  // every record not marked deleted
    EXPECT_EQ(pdfPages(pdf("all.pdf")), 3);
    EXPECT_EQ(t_.selection(), "STATE='NY' .and. !ISDEL");
}

TEST_F(LetterPrint, CancelAnsweredNoGoesOnYesStops)
{
    QStringList asked;
    LetterRunHooks hooks;
    hooks.cancelRequested = [] { return true; };
    hooks.ask = [&](const QString& q) {
        asked << q;
        return false;
    };
    int pages = 0;
    EXPECT_EQ(print(kOnePage, pdf("no.pdf"), print::RecordChoice::Filter, 1, hooks, &pages), LetterOutcome::Completed);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(asked.size(), 3);
    EXPECT_EQ(asked.value(0), "Cancel print job?");
    EXPECT_EQ(pdfPages(pdf("no.pdf")), 3);

    hooks.ask = [](const QString&) { return true; };
    EXPECT_EQ(print(kOnePage, pdf("yes.pdf"), print::RecordChoice::Filter, 1, hooks, &pages), LetterOutcome::Canceled);
    EXPECT_EQ(pages, 1);
    EXPECT_FALSE(QFile::exists(pdf("yes.pdf")));  // the document was aborted
}

TEST_F(LetterPrint, PageSizeFollowsTheLetter)
{
    const char* a4 = R"({\rtf1\paperw16838\paperh11906\margl720\margr720\margt720\margb720\landscape Across [Last]})";
    EXPECT_EQ(print(a4, pdf("a4.pdf"), print::RecordChoice::OnlyCurrent, 1), LetterOutcome::Completed);
    const QString info = tool(PDFINFO, {pdf("a4.pdf")});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    EXPECT_NEAR(m.captured(1).toDouble(), 16838 / 20.0, 1.0);
    EXPECT_NEAR(m.captured(2).toDouble(), 11906 / 20.0, 1.0);
}

TEST(PrinterBounds, IntegerFormula)
{
    struct Case {
        richtext::PageSettings page;
        int px, py, ox, oy;
        PrinterBounds expected;
    };
    const richtext::PageSettings letter;
    richtext::PageSettings odd;
    odd.paperWidth = 11906;
    odd.paperHeight = 16838;
    odd.marginLeft = 1000;
    odd.marginRight = 700;
    odd.marginTop = 1001;
    odd.marginBottom = 1439;
    const Case cases[] = {
        {letter, 600, 600, 0, 0, {600, 600, 3900, 5400}},
        {letter, 300, 300, 25, 30, {275, 270, 2550 - 300 - 275, 3300 - 300 - 270}},
        // page width 11906*600/1440 = 4960, left 416-0, right 291: width 4960-291-416
        {odd, 600, 600, 0, 0, {416, 417, 4253, 7015 - 599 - 417}},
        {odd, 96, 72, 3, 2, {63, 48, 793 - 46 - 63, 841 - 71 - 48}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeterminePrinterBounds(c.page, c.px, c.py, c.ox, c.oy), c.expected)
            << c.px << " " << c.py << " " << c.ox;
}

}  // namespace
