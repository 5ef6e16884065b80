// The RTF reader and writer: a table of documents read, written and read again to an equal
// document; what the reader makes of each construct; damaged input.

#include "DocDescribe.h"
#include "Rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace addrova::richtext;

namespace {

struct Case {
    const char* name;
    const char* rtf;
    const char* text;  // the plain text read (paragraphs joined by '\n')
};

const Case kCases[] = {
    {"plain", R"({\rtf1\ansi Hello, world.})", "Hello, world."},
    {"paragraphs", R"({\rtf1\ansi One\par Two\par\par Four})", "One\nTwo\n\nFour"},
    {"bold_italic_underline_strike",
     R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times New Roman;}}\f0\fs20 a {\b bold} {\i italic} {\ul under\ulnone line} {\strike gone} {\f1\fs36 big}})",
     "a bold italic underline gone big"},
    {"plain_resets", R"({\rtf1\ansi\b\i bold italic\plain  plain})", "bold italic plain"},
    {"colours",
     R"({\rtf1\ansi{\colortbl;\red255\green0\blue0;\red0\green0\blue255;\red255\green255\blue0;}{\cf1 red} {\cf2\highlight3 blue on yellow} {\cb3 back}})",
     "red blue on yellow back"},
    {"alignment",
     R"({\rtf1\ansi\pard\ql left\par\pard\qr right\par\pard\qc centre\par\pard\qj justified text})",
     "left\nright\ncentre\njustified text"},
    {"indents_spacing",
     R"({\rtf1\ansi\pard\li720\ri360\fi-360\sb120\sa240 indented\par\pard\sl360\slmult1 one and a half\par\pard\sl-300\slmult0 exact\par\pard\sl400\slmult0 at least})",
     "indented\none and a half\nexact\nat least"},
    {"tabs_and_lines",
     R"({\rtf1\ansi\pard\tx1440\tqr\tx5760\tqc\tx4320 a\tab b\tab c\line second line})",
     "a\tb\tc\u2028second line"},
    {"page_break", R"({\rtf1\ansi first page\page second page\par\pard\pagebb third page})",
     "first page\nsecond page\nthird page"},
    {"letter_page", R"({\rtf1\ansi\paperw12240\paperh15840\margl1440\margr1440\margt1440\margb1440 Letter})", "Letter"},
    {"a4_landscape",
     R"({\rtf1\ansi\paperw16838\paperh11906\margl1134\margr1134\margt850\margb850\landscape A4 across})",
     "A4 across"},
    {"code_page_1252", R"({\rtf1\ansi\ansicpg1252 caf\'e9 na\'efve \'80 \'93q\'94})", "café naïve € “q”"},
    {"code_page_1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2})", "Привет"},
    {"font_charset",
     R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}{\f1\fcharset238 Arial CE;}}\f1 \'9f\'e9\f0  \'e9})", "źé é"},
    {"unicode_fallback", R"({\rtf1\ansi\uc1\u8364?\u-10179?\u-8704? \uc2\u937 xxA\uc0\u960 B})", "€😀 ΩAπB"},
    {"unicode_hex_fallback", R"({\rtf1\ansi\u20013\'3f\u25991\'3f})", "中文"},
    {"nested_groups", R"({\rtf1\ansi a{\b b{\i c{\ul d}c}b}a})", "abcdcba"},
    {"unknown_destinations",
     R"({\rtf1\ansi{\*\generator Foo;}{\*\unknown {nested} text}visible{\*\bkmkstart x}{\info{\title T}} text})",
     "visible text"},
    {"picture_dropped",
     R"({\rtf1\ansi before {\pict\wmetafile8\picw100\pich100 0102030405ff}{\*\shppict{\pict\pngblip 89504e47}}{\nonshppict{\pict 00}}after})",
     "before after"},
    {"binary", "{\\rtf1\\ansi x{\\*\\blob\\bin4 }}{}y}z}", "xz"},
    {"field_result",
     R"({\rtf1\ansi see {\field{\*\fldinst HYPERLINK "http://x"}{\fldrslt the link}} here})", "see the link here"},
    {"symbols", R"({\rtf1\ansi a\~b\_c \{braces\} back\\slash\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
     "a\u00a0b\u2011c {braces} back\\slash—–•‘’“”"},
    {"escaped_newline", "{\\rtf1\\ansi one\\\ntwo}", "one\ntwo"},
    {"closing_par", R"({\rtf1\ansi One\par Two\par})", "One\nTwo"},
    {"empty_last_paragraph", R"({\rtf1\ansi One\par\par})", "One\n"},
};

QString plainText(const QTextDocument& doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(QLatin1Char('\n'));
}

class RtfTable : public ::testing::TestWithParam<Case> {};

TEST_P(RtfTable, ReadWriteReadIsEqual)
{
    const Case& c = GetParam();
    QTextDocument first;
    const RtfResult r = ReadRtf(QByteArray(c.rtf), first);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(plainText(first).toStdString(), c.text);

    const QByteArray written = WriteRtf(first);
    for (char ch : written)
        ASSERT_TRUE(static_cast<unsigned char>(ch) < 0x80) << "written RTF is ASCII";
    QTextDocument second;
    const RtfResult r2 = ReadRtf(written, second);
    ASSERT_TRUE(r2.ok) << r2.error.toStdString();
    EXPECT_EQ(DescribeDocument(second).toStdString(), DescribeDocument(first).toStdString()) << written.toStdString();
    // Writing is stable.
    EXPECT_EQ(WriteRtf(second), written);
}

INSTANTIATE_TEST_SUITE_P(Documents, RtfTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

QTextDocument* read(const char* rtf, QTextDocument& doc)
{
    const RtfResult r = ReadRtf(QByteArray(rtf), doc);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    return &doc;
}

// The character format of the fragment holding `text`.
QTextCharFormat formatOf(const QTextDocument& doc, const QString& text)
{
    QTextCursor c = doc.find(text);
    EXPECT_FALSE(c.isNull()) << text.toStdString();
    QTextCursor at(c);
    at.setPosition(c.selectionStart() + 1);
    return at.charFormat();
}

TEST(RtfRead, CharacterFormats)
{
    QTextDocument doc;
    read(kCases[2].rtf, doc);
    EXPECT_EQ(formatOf(doc, "bold").fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(doc, "italic").fontItalic());
    EXPECT_TRUE(formatOf(doc, "under").fontUnderline());
    EXPECT_FALSE(formatOf(doc, "line").fontUnderline());
    EXPECT_TRUE(formatOf(doc, "gone").fontStrikeOut());
    EXPECT_EQ(formatOf(doc, "big").fontPointSize(), 18.0);
    EXPECT_EQ(formatOf(doc, "big").fontFamilies().toStringList().value(0), "Times New Roman");
    EXPECT_EQ(formatOf(doc, "bold").fontFamilies().toStringList().value(0), "Arial");
    EXPECT_EQ(formatOf(doc, "bold").fontPointSize(), 10.0);

    QTextDocument colours;
    read(kCases[4].rtf, colours);
    EXPECT_EQ(formatOf(colours, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(formatOf(colours, "blue").background().color(), QColor(255, 255, 0));
    EXPECT_FALSE(formatOf(colours, "back").hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfRead, ParagraphFormatsAndPage)
{
    QTextDocument doc;
    read(kCases[6].rtf, doc);
    const QTextBlockFormat f = doc.begin().blockFormat();
    EXPECT_EQ(unitsToTwipsRounded(f.leftMargin()), 720);
    EXPECT_EQ(unitsToTwipsRounded(f.rightMargin()), 360);
    EXPECT_EQ(unitsToTwipsRounded(f.textIndent()), -360);
    EXPECT_EQ(unitsToTwipsRounded(f.topMargin()), 120);
    EXPECT_EQ(unitsToTwipsRounded(f.bottomMargin()), 240);
    const QTextBlockFormat half = doc.begin().next().blockFormat();
    EXPECT_EQ(half.lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(half.lineHeight(), 150.0);

    QTextDocument breaks;
    read(kCases[8].rtf, breaks);
    ASSERT_EQ(breaks.blockCount(), 3);
    EXPECT_FALSE(breaks.begin().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_TRUE(breaks.begin().next().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    EXPECT_TRUE(breaks.lastBlock().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);

    QTextDocument a4;
    read(kCases[10].rtf, a4);
    const PageSettings p = pageSettings(a4);
    EXPECT_EQ(p.paperWidth, 16838);
    EXPECT_EQ(p.paperHeight, 11906);
    EXPECT_EQ(p.marginLeft, 1134);
    EXPECT_EQ(p.marginTop, 850);
    EXPECT_TRUE(p.landscape);

    QTextDocument none;
    read(R"({\rtf1 x})", none);
    EXPECT_EQ(pageSettings(none), PageSettings{});
}

TEST(RtfRead, InsertKeepsPageAndJoinsParagraph)
{
    QTextDocument doc;
    read(R"({\rtf1\paperw10000 Dear X,\par end})", doc);
    QTextCursor c(&doc);
    c.setPosition(5);  // after "Dear "
    ASSERT_TRUE(InsertRtf(QByteArray(R"({\rtf1\paperw5000 {\b Mr} Y\par and })"), c).ok);
    EXPECT_EQ(plainText(doc).toStdString(), "Dear Mr Y\nand X,\nend");
    EXPECT_EQ(pageSettings(doc).paperWidth, 10000);
}

TEST(RtfRead, ClosingParEndsTheLastParagraph)
{
    // Read whole, and inserted after "A" of "AB".
    const struct {
        const char* rtf;
        const char* whole;
        const char* inserted;
    } cases[] = {
        {R"({\rtf1 x\par})", "x", "AxB"},
        {R"({\rtf1 x\par }  )", "x", "AxB"},
        {R"({\rtf1 x})", "x", "AxB"},
        {R"({\rtf1 x\par\par})", "x\n", "Ax\nB"},
        {R"({\rtf1 \par})", "", "AB"},
        {R"({\rtf1 x\par{\b }})", "x", "AxB"},
        {R"({\rtf1 x\par\page})", "x\n", "Ax\nB"},  // the page break keeps its paragraph
        {R"({\rtf1 x\par\line})", "x\n\u2028", "Ax\n\u2028B"},
    };
    for (const auto& c : cases) {
        QTextDocument whole;
        read(c.rtf, whole);
        EXPECT_EQ(plainText(whole).toStdString(), c.whole) << c.rtf;
        QTextDocument host;
        QTextCursor(&host).insertText(QStringLiteral("AB"));
        QTextCursor at(&host);
        at.setPosition(1);
        ASSERT_TRUE(InsertRtf(QByteArray(c.rtf), at).ok) << c.rtf;
        EXPECT_EQ(plainText(host).toStdString(), c.inserted) << c.rtf;
    }
}

TEST(RtfRead, DamagedInputGivesErrorOrText)
{
    struct Bad {
        QByteArray rtf;
        bool ok;
        const char* text;
    };
    const QByteArray deep = "{\\rtf1 a" + QByteArray(100000, '{') + "b" + QByteArray(100000, '}') + "}";
    const Bad cases[] = {
        {"", false, ""},
        {"plain text, no RTF", false, ""},
        {"{\\rtf1 truncated \\b bold", false, "truncated bold"},
        {"{\\rtf1 x}} trailing } { ignored", true, "x"},
        {deep, false, "a"},
        {"{\\rtf1 \\'", false, ""},
        {"{\\rtf1 \\'zz\\'4", false, "zz"},
        {"{\\rtf1 \\u", false, ""},
        {"{\\rtf1 \\u99999999999999999999 ?a}", true, "a"},
        {"{\\rtf1 \\bin999999999999 hidden}", false, ""},
        {"{\\rtf1 \\bin-5 x}", true, "x"},
        {"{\\rtf1 \\fs999999999 \\li-99999999999 \\paperw0\\margl99999999 huge}", true, "huge"},
        {"{\\rtf1 \\" + QByteArray(5000, 'a') + " tail}", true, "tail"},
        {QByteArray("{\\rtf1 nul\0in\0text}", 19), true, "nulintext"},
        {"{\\rtf1{\\fonttbl{\\f0 " + QByteArray(10000, 'F') + ";}}x}", true, "x"},
        {"{\\rtf1 \\u-10179? lone surrogate}", true, " lone surrogate"},
    };
    for (const Bad& b : cases) {
        QTextDocument doc;
        const RtfResult r = ReadRtf(b.rtf, doc);
        EXPECT_EQ(r.ok, b.ok) << b.rtf.left(60).toStdString() << ": " << r.error.toStdString();
        if (!r.ok) {
            EXPECT_FALSE(r.error.isEmpty());
        }
        EXPECT_EQ(plainText(doc).toStdString(), b.text) << b.rtf.left(60).toStdString();
        const PageSettings p = pageSettings(doc);
        EXPECT_GE(p.paperWidth, 1440);
        EXPECT_LE(p.marginLeft, p.paperWidth / 3);
        // What was read can be written and read again.
        QTextDocument again;
        EXPECT_TRUE(ReadRtf(WriteRtf(doc), again).ok);
    }
}

TEST(RtfWrite, NonAsciiUsesCodePageOrUnicode)
{
    QTextDocument doc;
    QTextCursor(&doc).insertText(QString::fromUtf8("é€ Ω 中 😀 {\\}"));
    setPageSettings(doc, PageSettings{});
    const QByteArray rtf = WriteRtf(doc, 1252);
    EXPECT_NE(rtf.indexOf("\\'e9\\'80"), -1) << rtf.toStdString();
    EXPECT_NE(rtf.indexOf("\\u937?"), -1);
    EXPECT_NE(rtf.indexOf("\\u20013?"), -1);
    EXPECT_NE(rtf.indexOf("\\u-10179?\\u-8704?"), -1);
    EXPECT_NE(rtf.indexOf("\\{\\\\\\}"), -1);
    const QByteArray cyr = WriteRtf(doc, 1251);
    EXPECT_NE(cyr.indexOf("\\ansicpg1251"), -1);
    QTextDocument back;
    ASSERT_TRUE(ReadRtf(cyr, back).ok);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
}

}  // namespace

namespace {

// Mutations of every table document (bytes changed, cut, braces and backslashes put in): each is
// read without crashing, and what was read writes and reads again.
TEST(RtfRead, MutatedDocumentsNeverCrash)
{
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const char specials[] = "{}\\'*0123456789-u ";
    for (const Case& c : kCases) {
        for (int round = 0; round < 150; ++round) {
            QByteArray rtf(c.rtf);
            const int edits = 1 + static_cast<int>(next() % 6);
            for (int e = 0; e < edits && !rtf.isEmpty(); ++e) {
                const qsizetype at = static_cast<qsizetype>(next() % static_cast<uint32_t>(rtf.size()));
                switch (next() % 4) {
                    case 0: rtf[at] = static_cast<char>(next() & 0xFF); break;
                    case 1: rtf.insert(at, specials[next() % (sizeof specials - 1)]); break;
                    case 2: rtf.truncate(at); break;
                    default: rtf.remove(at, 1 + static_cast<qsizetype>(next() % 4)); break;
                }
            }
            QTextDocument doc;
            ReadRtf(rtf, doc);
            QTextDocument again;
            EXPECT_TRUE(ReadRtf(WriteRtf(doc), again).ok) << rtf.toStdString();
        }
    }
}

}  // namespace
