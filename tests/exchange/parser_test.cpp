// The line parser, RFC 4180 records, encoding detection and the small rules the loops share.
#include "Ascii.h"
#include "Exchange.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace addrova::exchange;
using addrova::test::TempDir;

namespace {

using Values = std::vector<std::string>;

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct LineCase {
    const char* line;
    Values values;
};

class AsciiLine : public testing::TestWithParam<LineCase> {};

TEST_P(AsciiLine, Values)
{
    EXPECT_EQ(ParseAsciiLine(GetParam().line), GetParam().values) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AsciiLine,
    testing::Values(LineCase{R"(John,"Smith, Jr.",Boston)", {"John", "Smith, Jr.", "Boston"}},
                    LineCase{"", {""}},
                    LineCase{"one", {"one"}},
                    LineCase{"a,b,", {"a", "b", ""}},
                    LineCase{",", {"", ""}},
                    LineCase{R"("")", {""}},
                    LineCase{R"(")", {""}},
                    LineCase{R"("a","b, c","")", {"a", "b, c", ""}},
                    // A doubled quote closes the quotes before a comma, and the last quote opens them again.
                    LineCase{R"("say ""hi"", then",x)", {R"(say ""hi")", R"( then",x)"}},
                    LineCase{R"("a""",b)", {R"(a"")", "b"}},
                    // Quotes in the middle of a value stay; a comma after an odd quote is inside.
                    LineCase{R"(5" disk,box)", {R"(5" disk,box)"}},
                    LineCase{R"(a"b"c,d)", {R"(a"b"c)", "d"}}));

TEST(AsciiLine, MarkedValuesKeepQuotedCommasApart)
{
    const Values marked = SplitMarked(R"(x,"a,b")");
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[1], "\"a\x7F" "b\"");
    EXPECT_EQ(CleanValue(marked[1]), "a,b");
}

TEST(TextReader, LinesEndInAnyConventionAndLongLinesAreCut)
{
    TempDir d;
    const std::string long3000(3000, 'x');
    write(d.file("t.txt"), "a\r\nb\nc\rd\r\n\r\n" + long3000 + "\nlast");
    TextReader r(d.file("t.txt"));
    std::string line;
    Values got;
    while (r.readLine(line))
        got.push_back(line);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(Values(got.begin(), got.begin() + 5), (Values{"a", "b", "c", "d", ""}));
    EXPECT_EQ(got[5], std::string(kMaxLineLength, 'x'));
    EXPECT_EQ(got[6], "last");
}

TEST(TextReader, Rfc4180Records)
{
    TempDir d;
    write(d.file("t.csv"), "a,\"b \"\"q\"\", c\",\"line1\r\nline2\"\r\n,\n\"unterminated");
    TextReader r(d.file("t.csv"));
    Values v;
    ASSERT_TRUE(r.readRecord(v));
    EXPECT_EQ(v, (Values{"a", "b \"q\", c", "line1\r\nline2"}));
    ASSERT_TRUE(r.readRecord(v));
    EXPECT_EQ(v, (Values{"", ""}));
    ASSERT_TRUE(r.readRecord(v));
    EXPECT_EQ(v, (Values{"unterminated"}));
    EXPECT_FALSE(r.readRecord(v));
}

TEST(TextReader, Rfc4180ValuesAndColumnsAreBounded)
{
    TempDir d;
    std::string big = "\"" + std::string(100000, 'y') + "\"";
    for (int i = 0; i < 300; ++i)
        big += ",z";
    write(d.file("t.csv"), big + "\n");
    TextReader r(d.file("t.csv"));
    Values v;
    ASSERT_TRUE(r.readRecord(v));
    EXPECT_EQ(v.size(), kMaxColumns);
    EXPECT_EQ(v[0].size(), kMaxValueLength);
}

struct EncodingCase {
    const char* what;
    std::string bytes;
    Encoding asked;
    Encoding expected;
    bool refused;
};

class EncodingChoice : public testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingChoice, FromTheBytes)
{
    TempDir d;
    write(d.file("t.txt"), GetParam().bytes);
    std::string problem;
    const Encoding e = ResolveEncoding(GetParam().asked, ProbeTextFile(d.file("t.txt")), problem);
    EXPECT_EQ(!problem.empty(), GetParam().refused) << GetParam().what << ": " << problem;
    if (!GetParam().refused) {
        EXPECT_EQ(e, GetParam().expected) << GetParam().what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncodingChoice,
    testing::Values(EncodingCase{"ascii", "a,b\nc,d\n", Encoding::Auto, Encoding::Cp1252, false},
                    EncodingCase{"utf8", "Zo\xC3\xAB,K\xC3\xB6ln\n", Encoding::Auto, Encoding::Utf8, false},
                    EncodingCase{"bom", "\xEF\xBB\xBF" "a,b\n", Encoding::Auto, Encoding::Utf8, false},
                    EncodingCase{"cp1252", "Zo\xEB,K\xF6ln\n", Encoding::Auto, Encoding::Cp1252, false},
                    EncodingCase{"forced cp1252", "Zo\xC3\xAB\n", Encoding::Cp1252, Encoding::Cp1252, false},
                    EncodingCase{"invalid utf8 forced", "Zo\xEB\n", Encoding::Utf8, Encoding::Utf8, true},
                    EncodingCase{"bom then invalid", "\xEF\xBB\xBF" "Zo\xEB\n", Encoding::Auto, Encoding::Utf8, true},
                    EncodingCase{"overlong", "\xC0\xAF\n", Encoding::Utf8, Encoding::Utf8, true},
                    EncodingCase{"surrogate", "\xED\xA0\x80\n", Encoding::Utf8, Encoding::Utf8, true},
                    EncodingCase{"cut sequence", "ab\xE2\x82", Encoding::Utf8, Encoding::Utf8, true},
                    EncodingCase{"nul", std::string("a,b\nc\0d\n", 8), Encoding::Auto, Encoding::Cp1252, true}));

TEST(Probe, CountsLinesAndFindsTheBadOne)
{
    TempDir d;
    write(d.file("t.txt"), "a\r\nb\n\xFF\rlast");
    const TextProbe p = ProbeTextFile(d.file("t.txt"));
    EXPECT_EQ(p.lines, 4u);
    EXPECT_FALSE(p.validUtf8);
    EXPECT_EQ(p.badUtf8Line, 3u);
    EXPECT_FALSE(ProbeTextFile(d.file("missing.txt")).readable);
}

TEST(Conversion, UnrepresentableCharactersAreReported)
{
    bool lost = false;
    EXPECT_EQ(Utf8ToCodePage("Zo\xC3\xAB \xE2\x82\xAC", 1252, &lost), "Zo\xEB \x80");
    EXPECT_FALSE(lost);
    EXPECT_EQ(Utf8ToCodePage("\xE6\x9D\xB1 ok", 1252, &lost), "? ok");
    EXPECT_TRUE(lost);
    lost = false;
    EXPECT_EQ(ValueDecoder(Encoding::Cp1252, 1252).toTable("K\xF6ln", &lost), "K\xF6ln");
    EXPECT_EQ(ValueDecoder(Encoding::Cp1252, 1252).toUtf8("K\xF6ln"), "K\xC3\xB6ln");
    EXPECT_FALSE(lost);
}

struct MemoCase {
    const char* text;
    const char* stored;
};

class MemoRule : public testing::TestWithParam<MemoCase> {};

TEST_P(MemoRule, Storage)
{
    EXPECT_EQ(MemoForStorage(GetParam().text), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Cases, MemoRule,
                         testing::Values(MemoCase{"", ""}, MemoCase{"12345678", "12345678 \r\n"},
                                         MemoCase{"123", "123\r\n"}, MemoCase{"12345678\r\n", "12345678 \r\n"},
                                         // 1 + 2 + 1 = 4: the line end counts two.
                                         MemoCase{"a\nb", "a\r\nb \r\n"}, MemoCase{"ab\r\ncd", "ab\r\ncd\r\n"},
                                         MemoCase{"\r\n\r\n", "\r\n\r\n"}));

TEST(RebuildGauge, SumsIncreasesOver1800)
{
    RebuildGauge g;
    EXPECT_EQ(g.event(50), 3);    // 50 of 1800
    EXPECT_EQ(g.event(100), 6);   // 100
    EXPECT_EQ(g.event(0), 6);     // next tag starts: no increase
    EXPECT_EQ(g.event(100), 11);  // 200
    for (int i = 0; i < 30; ++i) {
        g.event(0);
        g.event(100);
    }
    EXPECT_EQ(g.event(100), 100);  // limited
}

}  // namespace
