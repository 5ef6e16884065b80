// The text and DBF imports into real address files.
#include "AddressFile.h"
#include "Ascii.h"
#include "DbfImport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace addrova::exchange;
using namespace addrova::store;
using addrova::test::TempDir;

namespace {

void write(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string newAddressFile(const TempDir& d, const std::string& name = "ADD.DBF")
{
    const std::string path = d.file(name);
    EXPECT_EQ(createAddressFile(path, defaultWidths()), "");
    return path;
}

// Every file of an address file (table, index, memo), for checking that nothing changed.
std::string snapshot(const std::string& dbf)
{
    const std::string stem = dbf.substr(0, dbf.size() - 3);
    return bytesOf(dbf) + "|" + bytesOf(stem + "CDX") + "|" + bytesOf(stem + "FPT");
}

struct Imported {
    AsciiScan scan;
    AsciiImportResult result;
};

// Scans a file and imports it with the mapping column -> field name.
Imported importText(Table& t, const std::string& file, const std::vector<std::pair<int, std::string>>& map,
                    AsciiOptions opts = {}, LoopHooks hooks = {})
{
    Imported r;
    r.scan = ScanAsciiFile(file, opts);
    if (!r.scan.ok)
        return r;
    AsciiImportSpec spec;
    spec.path = file;
    spec.options = opts;
    spec.columns = static_cast<int>(r.scan.columns.size());
    spec.fieldOfColumn.assign(r.scan.columns.size(), -1);
    for (auto& [c, f] : map)
        if (size_t(c) < spec.fieldOfColumn.size())
            spec.fieldOfColumn[size_t(c)] = t.fieldIndex(f);
    r.result = ImportAscii(t, spec, hooks);
    if (r.result.started)
        RebuildAddressTags(t, {});
    return r;
}

std::vector<std::string> column(Table& t, const char* field)
{
    std::vector<std::string> out;
    t.setOrder(0);
    for (bool ok = t.goTop(); ok && !t.eof(); ok = t.skip(1))
        out.push_back(t.getString(field));
    return out;
}

TEST(AsciiImport, LinesBecomeRecordsWithTheFilesQuirks)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(newAddressFile(d), t), "");
    // A header line, a quoted comma, an empty line, a short line, a long line, a 25-character ZIP.
    write(d.file("in.csv"), "First,Last,Zip\r\n"
                            "John,\"Smith, Jr.\",02134\r\n"
                            "\r\n"
                            "Ann\r\n"
                            "Bo,Berg,12345,extra,more\r\n"
                            "Cy,Cole,1234567890123456789012345\r\n");
    const Imported r = importText(t, d.file("in.csv"), {{0, "FNAME"}, {1, "LNAME"}, {2, "ZIP"}});
    ASSERT_TRUE(r.scan.ok);
    EXPECT_EQ(r.scan.columns.size(), 3u);
    EXPECT_EQ(r.scan.columns[2].name, "Field 3");
    EXPECT_EQ(r.result.summary.end, LoopEnd::Complete);
    EXPECT_EQ(AsciiImportMessage(r.result.summary), "Import complete. Imported 6 records.");
    EXPECT_EQ(r.result.summary.cut, 1u);
    EXPECT_EQ(column(t, "FNAME"), (std::vector<std::string>{"First", "John", "", "Ann", "Bo", "Cy"}));
    EXPECT_EQ(column(t, "LNAME"), (std::vector<std::string>{"Last", "Smith, Jr.", "", "", "Berg", "Cole"}));
    EXPECT_EQ(column(t, "ZIP").back(), "1234567890");
    EXPECT_TRUE(checkTags(t));
    t.setOrder("LNAME");
    t.goTop();
    EXPECT_EQ(t.getString("LNAME"), "");
}

TEST(AsciiImport, FewerThanTwoLinesIsRefused)
{
    TempDir d;
    for (const char* text : {"only,one,line\r\n", "", "only"}) {
        write(d.file("one.csv"), text);
        const AsciiScan s = ScanAsciiFile(d.file("one.csv"), {});
        EXPECT_FALSE(s.ok) << text;
        EXPECT_EQ(s.problem, "Unable to import from this file");
    }
    EXPECT_FALSE(ScanAsciiFile(d.file("missing.csv"), {}).ok);
}

TEST(AsciiImport, ScanShowsTheFirstTenLinesCleaned)
{
    TempDir d;
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += "\"n" + std::to_string(i) + "\",\"a, b\",x\r\n";
    write(d.file("s.csv"), text);
    const AsciiScan s = ScanAsciiFile(d.file("s.csv"), {});
    ASSERT_TRUE(s.ok);
    ASSERT_EQ(s.sample.size(), 10u);
    EXPECT_EQ(s.sample[9], (std::vector<std::string>{"n10", "a, b", "x"}));
    EXPECT_EQ(s.columns[1].longest, 6u);  // measured with its quotes
}

TEST(AsciiImport, CancelStopsAfterTheCurrentLineAndTheTagsAreRebuilt)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(newAddressFile(d), t), "");
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "n" + std::to_string(i) + ",x\r\n";
    write(d.file("in.csv"), text);
    LoopHooks hooks;
    int asked = 0;
    hooks.stopRequested = [&] { return ++asked == 7; };
    const Imported r = importText(t, d.file("in.csv"), {{0, "LNAME"}}, {}, hooks);
    EXPECT_EQ(r.result.summary.end, LoopEnd::Cancelled);
    EXPECT_EQ(AsciiImportMessage(r.result.summary), "Import cancelled after importing 7 records.");
    EXPECT_EQ(t.recCount(), 7u);
    EXPECT_TRUE(checkTags(t));
}

TEST(AsciiImport, EncodingsAreConvertedAndLossesReported)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(newAddressFile(d), t), "");
    write(d.file("utf8.csv"), "\xEF\xBB\xBF" "Zo\xC3\xAB,K\xC3\xB6ln\r\n\xE6\x9D\xB1\xE4\xBA\xAC,Tokyo\r\n");
    write(d.file("ansi.csv"), "Zo\xEB,K\xF6ln\r\nRen\xE9,Caf\xE9\r\n");
    Imported r = importText(t, d.file("utf8.csv"), {{0, "LNAME"}, {1, "CITY"}});
    EXPECT_EQ(r.scan.encoding, Encoding::Utf8);
    EXPECT_EQ(r.scan.sample[0][1], "K\xC3\xB6ln");
    EXPECT_EQ(r.result.summary.unrepresentable, 1u);
    ASSERT_EQ(r.result.summary.notes.size(), 1u);
    EXPECT_NE(r.result.summary.notes[0].find("\xE6\x9D\xB1"), std::string::npos);
    r = importText(t, d.file("ansi.csv"), {{0, "LNAME"}, {1, "CITY"}});
    EXPECT_EQ(r.scan.encoding, Encoding::Cp1252);
    EXPECT_EQ(r.result.summary.unrepresentable, 0u);
    EXPECT_EQ(column(t, "LNAME"), (std::vector<std::string>{"Zo\xEB", "??", "Zo\xEB", "Ren\xE9"}));
    EXPECT_EQ(column(t, "CITY"), (std::vector<std::string>{"K\xF6ln", "Tokyo", "K\xF6ln", "Caf\xE9"}));
}

TEST(AsciiImport, Rfc4180SkipsTheTitleAndUndoublesQuotes)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(newAddressFile(d), t), "");
    write(d.file("r.csv"), "LNAME,ORG\r\n\"O\"\"Brien\",\"Acme, \"\"The\"\" Co\"\r\n");
    AsciiOptions o;
    o.rfc4180 = true;
    const Imported r = importText(t, d.file("r.csv"), {{0, "LNAME"}, {1, "ORG"}}, o);
    ASSERT_TRUE(r.scan.ok);
    EXPECT_EQ(ColumnByKey(r.scan, "org"), 1);
    EXPECT_EQ(ColumnByKey(r.scan, "1"), 0);
    EXPECT_EQ(ColumnByKey(r.scan, "Field 2"), 1);
    EXPECT_EQ(ColumnByKey(r.scan, "3"), -1);
    EXPECT_EQ(r.result.summary.written, 1u);
    EXPECT_EQ(column(t, "LNAME"), std::vector<std::string>{"O\"Brien"});
    EXPECT_EQ(column(t, "ORG"), std::vector<std::string>{"Acme, \"The\" Co"});
}

struct BadText {
    const char* what;
    std::string bytes;
    Encoding encoding;
};

class AsciiBadInput : public testing::TestWithParam<BadText> {};

// A file that is not text is refused before the address file is touched; a very long line is cut.
TEST_P(AsciiBadInput, LeavesTheAddressFileUnchanged)
{
    TempDir d;
    const std::string path = newAddressFile(d);
    {
        Table t;
        ASSERT_EQ(openAddressFile(path, t), "");
        t.appendBlank();
        t.setString("LNAME", "Keep");
        t.post();
    }
    const std::string before = snapshot(path);
    write(d.file("bad.csv"), GetParam().bytes);
    AsciiOptions o;
    o.encoding = GetParam().encoding;
    Table t;
    ASSERT_EQ(openAddressFile(path, t), "");
    const AsciiScan s = ScanAsciiFile(d.file("bad.csv"), o);
    EXPECT_FALSE(s.ok) << GetParam().what;
    EXPECT_EQ(s.problem.rfind("Unable to import from this file", 0), 0u) << s.problem;
    // The import refuses it too, whatever the scan said.
    AsciiImportSpec spec{d.file("bad.csv"), o, 2, {t.fieldIndex("LNAME"), -1}};
    const AsciiImportResult r = ImportAscii(t, spec, {});
    EXPECT_FALSE(r.started) << GetParam().what;
    EXPECT_FALSE(r.summary.detail.empty());
    t.close();
    EXPECT_EQ(snapshot(path), before) << GetParam().what;
}

std::string binary()
{
    std::string b;
    for (int i = 0; i < 4096; ++i)
        b += static_cast<char>((i * 131) & 0xFF);
    return b;
}

INSTANTIATE_TEST_SUITE_P(Cases, AsciiBadInput,
                         testing::Values(BadText{"binary", binary(), Encoding::Auto},
                                         BadText{"nul", std::string("a,b\r\nc\0,d\r\ne,f\r\n", 14), Encoding::Auto},
                                         BadText{"invalid utf-8", "a,b\r\nZo\xEB,d\r\n", Encoding::Utf8}));

TEST(AsciiImport, TenMegabyteLineIsCutToItsFirst2048Characters)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(newAddressFile(d), t), "");
    write(d.file("big.csv"), std::string(10 << 20, 'q') + ",z\r\nnext,line\r\n");
    const Imported r = importText(t, d.file("big.csv"), {{0, "LNAME"}, {1, "FNAME"}});
    ASSERT_TRUE(r.scan.ok);
    EXPECT_EQ(r.scan.columns.size(), 1u);  // the comma lies beyond the cut
    EXPECT_EQ(r.result.summary.written, 2u);
    EXPECT_EQ(column(t, "LNAME"), (std::vector<std::string>{std::string(30, 'q'), "next"}));
}

// ---------------------------------------------------------------------------------------------
// DBF import

std::string makeSource(const TempDir& d, const std::string& name, std::vector<FieldSpec> fields)
{
    const std::string path = d.file(name);
    Table::create(path, fields);
    return path;
}

TEST(DbfImport, ProposalByNameAndLabel)
{
    TempDir d;
    Table dest, src;
    ASSERT_EQ(openAddressFile(newAddressFile(d), dest), "");
    const std::string p = makeSource(d, "S.DBF",
                                     {{"LNAME", 'C', 20}, {"NOTES", 'C', 20}, {"FNAME", 'C', 20}, {"CITY", 'C', 20},
                                      {"USER1", 'C', 20}, {"ISDEL", 'L', 1}, {"REMARKS", 'M', 10}, {"MEMO2", 'M', 10}});
    src.open(p, OpenMode::ReadOnly);
    const std::vector<int> m = ProposeMatch(src, dest);
    auto to = [&](int sf) { return m[size_t(sf)] < 0 ? std::string() : dest.fields()[size_t(m[size_t(sf)])].name; };
    EXPECT_EQ(to(0), "LNAME");
    EXPECT_EQ(to(1), "");
    EXPECT_EQ(to(2), "FNAME");
    EXPECT_EQ(to(3), "CITY");
    EXPECT_EQ(to(4), "USER1");  // by name although it is shown as "Comment 1"
    EXPECT_EQ(to(5), "ISDEL");  // proposed, but no row shows it
    EXPECT_EQ(to(6), "MEMO");   // the first memo
    EXPECT_EQ(to(7), "");
    const auto rows = DestinationFields(dest, false);
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [](const DestField& r) { return r.name == "ISDEL"; }));
    EXPECT_EQ(rows[18].label, "Comment 1");
    // A source named after a display label.
    const std::string q = makeSource(d, "L.DBF", {{"COMMENT_1", 'C', 5}, {"FAX", 'N', 5}});
    Table lab;
    lab.open(q, OpenMode::ReadOnly);
    EXPECT_EQ(ProposeMatch(lab, dest), (std::vector<int>{-1, dest.fieldIndex("FAX")}));
}

TEST(DbfImport, AllowedSourcesFollowTheRowsType)
{
    TempDir d;
    Table dest, src;
    ASSERT_EQ(openAddressFile(newAddressFile(d), dest), "");
    src.open(makeSource(d, "S.DBF", {{"A", 'C', 5}, {"B", 'M', 10}, {"C", 'D', 8}, {"D", 'N', 5}}),
             OpenMode::ReadOnly);
    const auto rows = DestinationFields(dest, false);
    auto row = [&](const char* n) { return *std::find_if(rows.begin(), rows.end(), [&](auto& r) { return r.name == n; }); };
    EXPECT_EQ(AllowedSources(src, row("MEMO")), std::vector<int>{1});
    EXPECT_EQ(AllowedSources(src, row("LNAME")), (std::vector<int>{0, 2, 3}));
}

TEST(DbfImport, ValuesConvertedByType)
{
    TempDir d;
    Table dest, src;
    ASSERT_EQ(openAddressFile(newAddressFile(d), dest), "");
    const std::string p = makeSource(d, "S.DBF",
                                     {{"LNAME", 'C', 60}, {"BORN", 'D', 8}, {"SEEN", 'D', 8}, {"AMOUNT", 'N', 8, 2},
                                      {"OK", 'L', 1}, {"NOTE", 'M', 10}});
    {
        Table w;
        w.open(p);
        w.appendBlank();
        w.setString("LNAME", std::string(45, 'L'));
        w.setString("BORN", "19961231");
        w.setString("SEEN", "20010203");
        w.setNumber("AMOUNT", 12.5);
        w.setLogical("OK", true);
        w.setMemo("NOTE", "12345678");
        w.post();
        w.appendBlank();
        w.deleteRecord();
        w.post();
    }
    src.open(p, OpenMode::ReadOnly);
    src.setDeleted(true);
    std::vector<int> map(6, -1);
    map[0] = dest.fieldIndex("LNAME");
    map[1] = dest.fieldIndex("DATE");
    map[2] = dest.fieldIndex("USER1");
    map[3] = dest.fieldIndex("USER2");
    map[4] = dest.fieldIndex("CODES");
    map[5] = dest.fieldIndex("MEMO");
    const LoopSummary s = ImportDbf(dest, src, map, "M/d/yyyy", {});
    RebuildAddressTags(dest, {});
    EXPECT_EQ(s.end, LoopEnd::Complete);
    EXPECT_EQ(DbfImportMessage(s), "Import complete. Imported 1 records.");
    EXPECT_EQ(s.cut, 1u);
    ASSERT_EQ(dest.recCount(), 1u);
    dest.goTop();
    EXPECT_EQ(dest.getString("LNAME"), std::string(30, 'L'));
    EXPECT_EQ(dest.getString("DATE"), "19961231");  // the address file's date form
    EXPECT_EQ(dest.getString("USER1"), "2/3/2001");  // other fields: the short date text
    EXPECT_EQ(dest.getString("USER2"), "12.50");
    EXPECT_EQ(dest.getString("CODES"), "T");
    EXPECT_EQ(dest.getMemo("MEMO"), "12345678 \r\n");
    EXPECT_TRUE(checkTags(dest));
}

TEST(DbfImport, SourceRefusals)
{
    TempDir d;
    Table src;
    const std::string empty = makeSource(d, "E.DBF", {{"LNAME", 'C', 10}});
    EXPECT_EQ(OpenSource(src, empty), "There are no records in " + empty);
    EXPECT_FALSE(src.isOpen());
    write(d.file("junk.dbf"), "this is not a table at all");
    EXPECT_EQ(OpenSource(src, d.file("junk.dbf")).rfind("Unable to open the file " + d.file("junk.dbf"), 0), 0u);
    // Truncated: the header names more records than the file holds.
    const std::string p = makeSource(d, "T.DBF", {{"LNAME", 'C', 10}});
    {
        Table w;
        w.open(p);
        for (int i = 0; i < 5; ++i) {
            w.appendBlank();
            w.setString("LNAME", "x");
            w.post();
        }
    }
    std::filesystem::resize_file(p, std::filesystem::file_size(p) - 25);
    const std::string m = OpenSource(src, p);
    EXPECT_NE(m.find("damaged"), std::string::npos) << m;
    EXPECT_FALSE(src.isOpen());
}

TEST(DbfImport, TruncatedMemoFileIsRefusedBeforeWriting)
{
    TempDir d;
    const std::string p = makeSource(d, "M.DBF", {{"LNAME", 'C', 10}, {"NOTE", 'M', 10}});
    {
        Table w;
        w.open(p);
        for (int i = 0; i < 3; ++i) {
            w.appendBlank();
            w.setMemo("NOTE", std::string(500, char('a' + i)));
            w.post();
        }
    }
    std::filesystem::resize_file(d.file("M.FPT"), 700);
    Table src;
    ASSERT_EQ(OpenSource(src, p), "");
    EXPECT_EQ(CheckSourceReadable(src, p, {1}).rfind("Unable to open the file", 0), 0u);
}

// ---------------------------------------------------------------------------------------------
// Older generations, made from their field lists

std::string olderFile(const TempDir& d, Generation g, const std::string& name)
{
    std::vector<FieldSpec> f;
    for (const auto& n : OlderFields(g))
        f.push_back({n, n == "MEMO" ? 'M' : n == "ISDEL" ? 'L' : 'C', static_cast<uint16_t>(n == "MEMO" ? 10 : n == "ISDEL" ? 1 : 20)});
    return makeSource(d, name, f);
}

TEST(OlderImport, FirstGeneration)
{
    TempDir d;
    const std::string path = newAddressFile(d);
    const std::string p = olderFile(d, Generation::First, "OLD1.DBF");
    {
        Table w;
        w.open(p);
        for (const char* date : {"12/31/1996", "19970428", "not a date"}) {
            w.appendBlank();
            w.setString("LNAME", "Brown");
            w.setString("NOTES", "ABC");
            w.setString("CARRIER", "C001");
            w.setString("DATE", date);
            w.setMemo("MEMO", "1234");
            w.post();
        }
    }
    Table dest, src;
    ASSERT_EQ(openAddressFile(path, dest), "");
    ASSERT_EQ(OpenOlderSource(src, p, path, Generation::First), "");
    const LoopSummary s = ImportOlder(dest, src, Generation::First, "M/d/yyyy", {});
    RebuildAddressTags(dest, {});
    EXPECT_EQ(s.written, 3u);
    EXPECT_EQ(column(dest, "DATE"), (std::vector<std::string>{"19961231", "19970428", ""}));
    EXPECT_EQ(column(dest, "CODES"), (std::vector<std::string>{"ABC", "ABC", "ABC"}));
    dest.goTop();
    EXPECT_EQ(dest.getMemo("MEMO"), "1234 \r\n");
    EXPECT_EQ(dest.getString("TAG"), "");
    EXPECT_TRUE(checkTags(dest));
}

TEST(OlderImport, SecondGenerationAndRefusals)
{
    TempDir d;
    const std::string path = newAddressFile(d);
    const std::string p = olderFile(d, Generation::Second, "OLD2.DBF");
    {
        Table w;
        w.open(p);
        w.appendBlank();
        w.setString("STREET2", "Apt 4");
        w.setString("USER2", "u2");
        w.setString("TAG", "OLDTAG");
        w.setLogical("ISDEL", true);
        w.setString("DATE", "20200229");
        w.post();
    }
    Table dest, src;
    EXPECT_EQ(OpenOlderSource(src, path, path, Generation::Second), "Cannot import a file to itself");
    std::string upper = path;
    for (auto& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(OpenOlderSource(src, upper, path, Generation::Second), "Cannot import a file to itself");
    // The first generation's file is no second-generation file, and the other way round.
    const std::string p1 = olderFile(d, Generation::First, "OLD1.DBF");
    {
        Table w;
        w.open(p1);
        w.appendBlank();
        w.post();
    }
    EXPECT_EQ(OpenOlderSource(src, p1, path, Generation::Second), p1 + " does not appear to be a Addrova 2.x DBF");
    EXPECT_EQ(OpenOlderSource(src, p, path, Generation::First), p + " does not appear to be a Addrova 1.x DBF");
    // A second-generation file without TAG.
    std::vector<FieldSpec> noTag;
    for (const auto& n : OlderFields(Generation::Second))
        if (n != "TAG")
            noTag.push_back({n, n == "MEMO" ? 'M' : n == "ISDEL" ? 'L' : 'C', static_cast<uint16_t>(n == "MEMO" ? 10 : n == "ISDEL" ? 1 : 20)});
    const std::string p3 = makeSource(d, "NOTAG.DBF", noTag);
    {
        Table w;
        w.open(p3);
        w.appendBlank();
        w.post();
    }
    EXPECT_EQ(OpenOlderSource(src, p3, path, Generation::Second), p3 + " does not appear to be a Addrova 2.x DBF");

    ASSERT_EQ(openAddressFile(path, dest), "");
    ASSERT_EQ(OpenOlderSource(src, p, path, Generation::Second), "");
    const LoopSummary s = ImportOlder(dest, src, Generation::Second, "M/d/yyyy", {});
    RebuildAddressTags(dest, {});
    EXPECT_EQ(s.written, 1u);
    dest.goTop();
    EXPECT_EQ(dest.getString("STREET2"), "Apt 4");
    EXPECT_EQ(dest.getString("USER2"), "u2");
    EXPECT_EQ(dest.getString("DATE"), "20200229");
    EXPECT_TRUE(dest.getLogical("ISDEL"));
    EXPECT_EQ(dest.getString("TAG"), "");
}

}  // namespace
