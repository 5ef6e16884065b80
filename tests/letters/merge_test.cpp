// The merge: the name line, the address block, every token replaced in order with the token's
// formatting kept; the letter store and its memo rule.

#include "LetterStore.h"
#include "Merge.h"
#include "Rtf.h"
#include "Settings.h"
#include "SystemTables.h"
#include "Table.h"

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace addrova;
using namespace addrova::letters;

namespace {

RecordValues rec(std::initializer_list<std::pair<const char*, const char*>> kv)
{
    RecordValues r;
    for (const auto& [k, v] : kv)
        r[QString::fromLatin1(k)] = QString::fromLatin1(v);
    return r;
}

TEST(Merge, NameLineAndAddressBlock)
{
    struct Case {
        RecordValues r;
        const char* nameLine;
        const char* block;
        const char* cityStateZip;
    };
    const Case cases[] = {
        {rec({{"LNAME", "Smith"}}), "Smith ", "Smith \r\n", ""},
        {rec({{"PREFIX", "Mr."}, {"FNAME", "John"}, {"MIDDLE", "Q"}, {"LNAME", "Smith"}}), "Mr. John Q. Smith ",
         "Mr. John Q. Smith \r\n", ""},
        {rec({{"FNAME", "Ann"}, {"LNAME", "Lee"}, {"TITLE", "President"}, {"ORG", "Acme"}}), "Ann Lee ",
         "Ann Lee \r\nPresident,  Acme\r\n", ""},
        {rec({{"ORG", "Acme"}, {"STREET", "1 Main St"}, {"STREET2", "Suite 2"}, {"CITY", "Springfield"},
              {"STATE", "IL"}, {"ZIP", "62704"}, {"COUNTRY", "USA"}}),
         "", "Acme\r\n1 Main St\r\nSuite 2\r\nSpringfield IL  62704\r\nUSA\r\n", "Springfield IL 62704"},
        {rec({{"TITLE", "Dr."}, {"CITY", "Springfield"}, {"ZIP", "62704"}}), "", "Dr.\r\nSpringfield  62704\r\n",
         "Springfield  62704"},
        {rec({{"STATE", "IL"}}), "", "IL\r\n", "IL"},
        {rec({{"ZIP", "62704"}}), "", "62704\r\n", "62704"},
        {rec({}), "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NameLine(c.r).toStdString(), c.nameLine);
        EXPECT_EQ(NameAndAddress(c.r).toStdString(), c.block);
        EXPECT_EQ(CityStateZip(c.r).toStdString(), c.cityStateZip);
    }
    EXPECT_EQ(LongDate(QDate(2026, 3, 5)).toStdString(), "Mar 5, 2026");
    EXPECT_EQ(LongDate(QDate(1999, 12, 31)).toStdString(), "Dec 31, 1999");
}

std::unique_ptr<QTextDocument> docFrom(const char* rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    EXPECT_TRUE(richtext::ReadRtf(QByteArray(rtf), *doc).ok);
    return doc;
}

// Paragraphs joined by '\n', line breaks shown as '|'.
QString text(const QTextDocument& d)
{
    QStringList blocks;
    for (QTextBlock b = d.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(QLatin1Char('\n')).replace(QChar(QChar::LineSeparator), QLatin1Char('|'));
}

QTextCharFormat formatAt(const QTextDocument& doc, const QString& word)
{
    QTextCursor c = doc.find(word);
    EXPECT_FALSE(c.isNull()) << word.toStdString();
    c.setPosition(c.selectionStart() + 1);
    return c.charFormat();
}

const RecordValues kFull = rec({{"PREFIX", "Mr."},     {"FNAME", "John"},      {"MIDDLE", "Q"},
                                {"LNAME", "Smith"},    {"TITLE", "President"}, {"ORG", "Acme"},
                                {"STREET", "1 Main"},  {"STREET2", "Apt 2"},   {"CITY", "Springfield"},
                                {"STATE", "IL"},       {"ZIP", "62704"},       {"COUNTRY", "USA"},
                                {"PHONE", "555-1"},    {"PHONE2", "555-2"},    {"FAX", "555-3"},
                                {"EMAIL", "j@x.org"},  {"USER1", "c one"},     {"USER2", "c two"}});

TEST(Merge, EveryFieldIsReplaced)
{
    QString body;
    for (const QString& f : MergeFieldNames())
        body += QStringLiteral("<[") + f + QStringLiteral("]>");
    QTextDocument doc;
    QTextCursor(&doc).insertText(body);
    ReplaceTokens(doc, MergeValues(kFull, QStringLiteral("12/11/2026"), QDate(2026, 12, 11)));
    EXPECT_EQ(text(doc).toStdString(),
              "<Mr. John Q. Smith ><Mr. John Q. Smith |President,  Acme|1 Main|Apt 2|Springfield IL  62704|USA|>"
              "<John><Smith><Q><Mr.><President><Acme><1 Main><Apt 2><Springfield IL 62704><Springfield><IL><IL>"
              "<62704><62704><USA><555-1><555-2><555-3><j@x.org><12/11/2026><Dec 11, 2026><c one><c two>");
    EXPECT_EQ(MergeFieldNames().size(), kMergeFieldCount);
    EXPECT_EQ(MergeFieldNames().first(), "Full Name");
}

TEST(Merge, TokenRules)
{
    const auto values = [](RecordValues r) { return MergeValues(r, QStringLiteral("1/2/2026"), QDate(2026, 1, 2)); };
    struct Case {
        const char* rtf;
        RecordValues r;
        const char* merged;
    };
    const Case cases[] = {
        // typed several times; not a field stays; lower case matches
        {R"({\rtf1 [Last], [Last]! [Nickname] [last]})", rec({{"LNAME", "Smith"}}), "Smith, Smith! [Nickname] Smith"},
        // empty value removes the token
        {R"({\rtf1 A[Middle]B [Phone 2]C})", rec({}), "AB C"},
        // a value holding a later field's token is merged again; its own token is not
        {R"({\rtf1 [First] / [Comment 1]})", rec({{"FNAME", "[First][Last]"}, {"LNAME", "Lee"}, {"USER1", "[First]"}}),
         "[First]Lee / [First]"},
        // the value of a later field is not merged by an earlier one
        {R"({\rtf1 [Comment 2]})", rec({{"USER2", "[Last]"}, {"LNAME", "Lee"}}), "[Last]"},
        // City+State+Zip with nothing in it is removed
        {R"({\rtf1 x[City+State+Zip]y})", rec({}), "xy"},
        {R"({\rtf1 [City+State+Zip]})", rec({{"CITY", "Springfield"}, {"ZIP", "62704"}}), "Springfield  62704"},
        {R"({\rtf1 [Province]=[State] [Postal Code]=[Zip]})", rec({{"STATE", "ON"}, {"ZIP", "K1A"}}), "ON=ON K1A=K1A"},
        // line breaks of the address block
        {R"({\rtf1 [Name and Address]end})", rec({{"LNAME", "Smith"}, {"CITY", "X"}}), "Smith |X|end"},
        // a token split by formatting is still one token
        {R"({\rtf1 [La{\b st}]})", rec({{"LNAME", "Smith"}}), "Smith"},
    };
    for (const Case& c : cases) {
        auto doc = docFrom(c.rtf);
        ReplaceTokens(*doc, values(c.r));
        EXPECT_EQ(text(*doc).toStdString(), c.merged) << c.rtf;
    }
}

TEST(Merge, TokenFormattingGoesOntoTheValue)
{
    auto doc = docFrom(
        R"({\rtf1{\fonttbl{\f0 Arial;}{\f1 Courier New;}}\f0\fs20 Dear {\b\i\f1\fs28 [Full Name]}, of {\ul [City]}. Plain [State] text.})");
    ReplaceTokens(*doc, MergeValues(kFull, QString(), QDate(2026, 1, 1)));
    EXPECT_EQ(text(*doc).toStdString(), "Dear Mr. John Q. Smith , of Springfield. Plain IL text.");
    const QTextCharFormat name = formatAt(*doc, QStringLiteral("John Q."));
    EXPECT_GE(name.fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(name.fontItalic());
    EXPECT_EQ(name.fontPointSize(), 14.0);
    EXPECT_EQ(name.fontFamilies().toStringList().value(0), "Courier New");
    EXPECT_TRUE(formatAt(*doc, QStringLiteral("Springfield")).fontUnderline());
    EXPECT_FALSE(formatAt(*doc, QStringLiteral("of")).fontUnderline());
    EXPECT_LT(formatAt(*doc, QStringLiteral("IL")).fontWeight(), QFont::DemiBold);
    EXPECT_LT(formatAt(*doc, QStringLiteral("Dear")).fontWeight(), QFont::DemiBold);
}

TEST(LetterStore, StoredBodyRule)
{
    struct Case {
        QByteArray in, out;
    };
    const Case cases[] = {
        {"", ""},         {"abc", "abc"},           {"abcd", "abcd "},        {"abcdefgh", "abcdefgh "},
        {"ab\r\n", "ab\r\n "}, {"a\nb", "a\nb "}, {"abcde", "abcde"},        {"a\r", "a\r"}, {"ab\r", "ab\r "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StoredBody(c.in), c.out) << c.in.toStdString();
}

class LetterTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Letter, t_, dir_.path().toStdString() + "/"), "");
        t_.setOrder(0);
    }
    QTemporaryDir dir_;
    store::Table t_;
};

TEST_F(LetterTable, SaveLoadCloneKeepTheDocument)
{
    auto doc = docFrom(R"({\rtf1{\fonttbl{\f0 Arial;}}\paperw11906\paperh16838 Dear {\b [First]},\par caf\'e9})");
    // Grow the description until the stored text's length is a multiple of 4 at least once.
    bool sawMultiple = false;
    for (int i = 0; i < 4; ++i) {
        QTextCursor c(doc.get());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("x"));
        SaveLetter(t_, true, QStringLiteral("Letter %1").arg(i), *doc);
        const std::string memo = t_.getMemo("RTF");
        const QByteArray written = richtext::WriteRtf(*doc);
        if (written.size() % 4 == 0) {
            sawMultiple = true;
            EXPECT_EQ(memo, written.toStdString() + " ");
        } else {
            EXPECT_EQ(memo, written.toStdString());
        }
        QTextDocument back;
        EXPECT_EQ(LoadBody(t_, back), "");
        EXPECT_EQ(back.toPlainText(), doc->toPlainText());
        EXPECT_EQ(richtext::pageSettings(back).paperWidth, 11906);
        EXPECT_EQ(richtext::WriteRtf(back), written);
    }
    EXPECT_TRUE(sawMultiple);
    EXPECT_EQ(t_.recCount(), 4u);

    // Rewriting the current one, then cloning a 50-character description.
    const QString fifty(50, QLatin1Char('D'));
    ASSERT_TRUE(FindLetter(t_, QStringLiteral("Letter 1")));
    SaveLetter(t_, false, fifty + QStringLiteral("-cut"), *doc);
    EXPECT_EQ(Description(t_), fifty);
    CloneLetter(t_);
    EXPECT_EQ(t_.recNo(), 5u);
    EXPECT_EQ(Description(t_), QStringLiteral("Clone of ") + QString(41, QLatin1Char('D')));
    QTextDocument clone;
    LoadBody(t_, clone);
    EXPECT_EQ(clone.toPlainText(), doc->toPlainText());
    EXPECT_EQ(Descriptions(t_).size(), 5);
    EXPECT_FALSE(FindLetter(t_, QStringLiteral("nothing")));

    EXPECT_EQ(DeleteQuestion(QStringLiteral("Promo")), "Delete \"Promo\"?");
    EXPECT_EQ(CloneQuestion(QStringLiteral("Promo")), "Clone \"Promo\"?");
}

TEST_F(LetterTable, ImportRefusesWhatIsNotRtf)
{
    EXPECT_FALSE(ImportLetter(t_, QStringLiteral("x"), "just text").isEmpty());
    EXPECT_EQ(t_.recCount(), 0u);
    EXPECT_EQ(ImportLetter(t_, QStringLiteral("ok"), R"({\rtf1 fine})"), "");
    EXPECT_EQ(t_.recCount(), 1u);
}

TEST(LetterStore, DefaultFontSettings)
{
    QTemporaryDir dir;
    app::ProfileFile ini(dir.filePath(QStringLiteral("ADDROV.ini")).toStdString());
    LetterFont f = ReadLetterFont(ini);
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.size, 10);
    EXPECT_FALSE(f.bold || f.italic);
    EXPECT_EQ(DefaultFontCaption(f), "&Default Font: Arial, 10 pt ");
    f.bold = true;
    EXPECT_EQ(DefaultFontCaption(f), "&Default Font: Arial, 10 pt , bold");
    f = {QStringLiteral("Times New Roman"), 12, true, true};
    WriteLetterFont(ini, f);
    const LetterFont back = ReadLetterFont(ini);
    EXPECT_EQ(back.name, "Times New Roman");
    EXPECT_EQ(back.size, 12);
    EXPECT_TRUE(back.bold && back.italic);
    EXPECT_EQ(DefaultFontCaption(back), "&Default Font: Times New Roman, 12 pt , bold, italic");
}

}  // namespace
