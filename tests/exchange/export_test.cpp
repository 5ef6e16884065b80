// The export, its round trips through the imports, and independent readers of what both write.
#include "AddressFile.h"
#include "Ascii.h"
#include "DbfImport.h"
#include "Export.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace addrova::exchange;
using namespace addrova::store;
using addrova::test::run;
using addrova::test::TempDir;

namespace {

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        out.push_back(l);
    }
    return out;
}

std::string oracle(const std::string& args, int* status = nullptr)
{
    return run(std::string("/usr/bin/python3 ") + ADDROVA_EXCHANGE_TESTS + "/oracle.py " + args + " 2>&1", status);
}

// LibreOffice Calc reads and writes CSV; Writer alone does not. One profile for every start.
bool haveCalc()
{
    return std::filesystem::exists("/usr/lib/libreoffice/program/libsclo.so");
}

// LibreOffice with a profile of the test's own, so that two tests may convert at once.
std::string soffice(const TempDir& d)
{
    return "soffice -env:UserInstallation=file://" + d.path() + "/lo-profile --headless ";
}

std::string batch(const std::string& args, int* status = nullptr)
{
    return run("ADDROVA_HOME=/nonexistent-home " + std::string(ADDROVA_BATCH) + " " + args + " 2>&1", status);
}

struct Rec {
    std::map<std::string, std::string> values;
    std::string memo;
    bool isdel = false;
};

// An address file with the given records.
std::string addressFile(const TempDir& d, const std::vector<Rec>& recs, const std::string& name = "ADD.DBF")
{
    const std::string path = d.file(name);
    EXPECT_EQ(createAddressFile(path, defaultWidths()), "");
    Table t;
    EXPECT_EQ(openAddressFile(path, t), "");
    for (const auto& r : recs) {
        t.appendBlank();
        for (const auto& [f, v] : r.values)
            t.setString(f, v);
        if (!r.memo.empty())
            t.setMemo("MEMO", r.memo);
        t.setLogical("ISDEL", r.isdel);
        t.setString("TAG", "TAGGED");
        t.post();
    }
    return path;
}

void selectAll(Table& t)
{
    t.setSelection("!ISDEL");
}

const std::vector<Rec> kPeople = {
    {{{"FNAME", "John"}, {"LNAME", "Smith, Jr."}, {"CITY", "Boston"}, {"DATE", "19970428"}, {"ZIP", "02134"}},
     "12345678", false},
    {{{"FNAME", "Ann"}, {"LNAME", "O\"Brien"}, {"ORG", "Caf\xE9 \"Z\""}, {"USER2", "u2"}}, "line one\r\nline two", false},
    {{}, "", false},
    {{{"LNAME", "Gone"}}, "", true},
};

TEST(TextExport, ThreeRecordsGiveThreeLinesOfTwentyQuotedValues)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    selectAll(t);
    const LoopSummary s = CopyASCII(t, d.file("OUT.TXT"), {}, {});
    EXPECT_EQ(s.end, LoopEnd::Complete);
    EXPECT_EQ(s.written, 3u);
    const std::string text = bytesOf(d.file("OUT.TXT"));
    const auto lines = linesOf(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], R"("","John","","Smith, Jr.","","","","","Boston","","02134","","","","","","19970428","","","")");
    EXPECT_EQ(lines[1], R"("","Ann","","O"Brien","","Caf)" "\xE9" R"( "Z"","","","","","","","","","","","","","u2","")");
    std::string empty;
    for (int i = 0; i < 20; ++i)
        empty += i ? ",\"\"" : "\"\"";
    EXPECT_EQ(lines[2], empty);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));
}

TEST(TextExport, FollowsTheSelectionAndOrder)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, {{{{"LNAME", "b"}}, "", false}, {{{"LNAME", "c"}}, "", false}, {{{"LNAME", "a"}}, "", false}}), t), "");
    t.setOrder("LNAME");
    t.setSelection("LNAME <> \"c\" .and. !ISDEL");
    CopyASCII(t, d.file("OUT.TXT"), {}, {});
    const auto lines = linesOf(bytesOf(d.file("OUT.TXT")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 12), R"("","","","a")");
    EXPECT_EQ(lines[1].substr(0, 12), R"("","","","b")");
}

TEST(TextExport, ReadBackByTheImportCommasSurviveQuotesDoNot)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    selectAll(t);
    CopyASCII(t, d.file("OUT.TXT"), {}, {});
    const AsciiScan scan = ScanAsciiFile(d.file("OUT.TXT"), {});
    ASSERT_TRUE(scan.ok);
    EXPECT_EQ(scan.columns.size(), 20u);
    EXPECT_EQ(scan.sample[0][3], "Smith, Jr.");
    EXPECT_EQ(scan.sample[0][8], "Boston");
    EXPECT_NE(scan.sample[1][3], "O\"Brien");
}

TEST(TextExport, Rfc4180RoundTripKeepsEveryValue)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    selectAll(t);
    TextExportOptions o;
    o.rfc4180 = true;
    ASSERT_EQ(CopyASCII(t, d.file("OUT.CSV"), o, {}).written, 3u);
    // Python's csv module reads the same values.
    const auto rows = linesOf(oracle("csv " + d.file("OUT.CSV") + " utf-8-sig"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].substr(0, 17), "PREFIX|FNAME|MIDD");
    EXPECT_EQ(rows[2], "|Ann||O\"Brien||Caf\xC3\xA9 \"Z\"|||||||||||||u2|");

    // Back in through the import: every value as it was.
    Table back;
    ASSERT_EQ(openAddressFile(addressFile(d, {}, "BACK.DBF"), back), "");
    AsciiOptions io;
    io.rfc4180 = true;
    const AsciiScan scan = ScanAsciiFile(d.file("OUT.CSV"), io);
    ASSERT_TRUE(scan.ok);
    EXPECT_EQ(scan.encoding, Encoding::Utf8);
    AsciiImportSpec spec{d.file("OUT.CSV"), io, 20, {}};
    for (const char* f : TextExportFields())
        spec.fieldOfColumn.push_back(back.fieldIndex(f));
    const AsciiImportResult r = ImportAscii(back, spec, {});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.summary.written, 3u);
    RebuildAddressTags(back, {});
    back.goTop();
    t.setOrder(0);
    t.goTop();
    for (int i = 0; i < 3; ++i, back.skip(1), t.skip(1))
        for (const char* f : TextExportFields())
            EXPECT_EQ(back.getString(f), t.getString(f)) << f << " of record " << i + 1;
}

TEST(TextExport, Rfc4180ReadByLibreOffice)
{
    if (!haveCalc())
        GTEST_SKIP() << "LibreOffice Calc is not installed";
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    selectAll(t);
    TextExportOptions o;
    o.rfc4180 = true;
    CopyASCII(t, d.file("out.csv"), o, {});
    std::filesystem::create_directory(d.file("lo"));
    // Read as CSV (comma, quote, UTF-8) and written again as UTF-8 CSV.
    run("cd " + d.path() + " && " + soffice(d) + "--infilter='Text - txt - csv (StarCalc):44,34,76,1' --convert-to "
        "'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir " + d.file("lo") + " out.csv >/dev/null 2>&1");
    // Calc writes no line for the trailing record whose values are all empty.
    const auto rows = linesOf(oracle("csv " + d.file("lo/out.csv") + " utf-8-sig"));
    ASSERT_EQ(rows.size(), 3u) << bytesOf(d.file("lo/out.csv"));
    EXPECT_EQ(rows[1].substr(0, 22), "|John||Smith, Jr.|||||");
    EXPECT_EQ(rows[2], "|Ann||O\"Brien||Caf\xC3\xA9 \"Z\"|||||||||||||u2|");
}

TEST(TextImport, CsvFilesWrittenByLibreOffice)
{
    if (!haveCalc())
        GTEST_SKIP() << "LibreOffice Calc is not installed";
    TempDir d;
    std::ofstream(d.file("src.csv"), std::ios::binary) << "Last,City\r\nZo\xC3\xAB,K\xC3\xB6ln\r\nRen\xC3\xA9,\"Caf\xC3\xA9, Bar\"\r\n";
    std::filesystem::create_directory(d.file("u8"));
    std::filesystem::create_directory(d.file("w"));
    const std::string lo = "cd " + d.path() + " && " + soffice(d) + "--infilter='Text - txt - csv (StarCalc):44,34,76,1' ";
    run(lo + "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir u8 src.csv >/dev/null 2>&1");
    run(lo + "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,1,1' --outdir w src.csv >/dev/null 2>&1");
    for (const char* f : {"u8/src.csv", "w/src.csv"}) {
        Table t;
        ASSERT_EQ(openAddressFile(addressFile(d, {}, std::string(f[0] == 'u' ? "U" : "W") + ".DBF"), t), "");
        const AsciiScan scan = ScanAsciiFile(d.file(f), {});
        ASSERT_TRUE(scan.ok) << f << ": " << scan.problem;
        EXPECT_EQ(scan.encoding, f[0] == 'u' ? Encoding::Utf8 : Encoding::Cp1252) << f;
        AsciiImportSpec spec{d.file(f), {}, 2, {t.fieldIndex("LNAME"), t.fieldIndex("CITY")}};
        ASSERT_TRUE(ImportAscii(t, spec, {}).started);
        RebuildAddressTags(t, {});
        t.go(2);
        EXPECT_EQ(t.getString("LNAME"), "Zo\xEB") << f;
        EXPECT_EQ(t.getString("CITY"), "K\xF6ln") << f;
        t.go(3);
        EXPECT_EQ(t.getString("CITY"), "Caf\xE9, Bar") << f;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(DbfExport, Refusals)
{
    EXPECT_EQ(CheckExportTarget("/x/COPY.TXT", ExportKind::Dbf, "/x/ADD.DBF"), "Must have a .DBF extension");
    EXPECT_EQ(CheckExportTarget("/x/dbf", ExportKind::Dbf, "/x/ADD.DBF"), "Must have a .DBF extension");
    EXPECT_EQ(CheckExportTarget("/x/copy.dbf", ExportKind::Dbf, "/x/ADD.DBF"), "");
    EXPECT_EQ(CheckExportTarget("/x/add.dbf", ExportKind::Dbf, "/x/ADD.DBF"), "Cannot copy a file to itself!");
    EXPECT_EQ(CheckExportTarget("/X/Add.Dbf", ExportKind::Dbf, "/x/ADD.DBF"), "Cannot copy a file to itself!");
    EXPECT_EQ(CheckExportTarget("/x/COPY.TXT", ExportKind::Text, "/x/ADD.DBF"), "");
    EXPECT_EQ(OverwriteQuestion("/x/C.DBF"), "/x/C.DBF already exists.\r\nDo you want to overwrite it?");
}

TEST(DbfExport, ReplacesAnExistingFileAndItsIndex)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    // An earlier address file of the target's name, with its index and memo file.
    addressFile(d, {{{{"LNAME", "Old"}}, "old memo", false}, {{{"LNAME", "Old2"}}, "", false}}, "COPY.DBF");
    ASSERT_TRUE(std::filesystem::exists(d.file("COPY.CDX")));
    selectAll(t);
    const LoopSummary s = CopyDBF(t, d.file("COPY.DBF"), {});
    EXPECT_EQ(s.end, LoopEnd::Complete);
    EXPECT_EQ(s.written, 3u);
    EXPECT_FALSE(std::filesystem::exists(d.file("COPY.CDX")));
    Table c;
    c.open(d.file("COPY.DBF"), OpenMode::ReadOnly);
    EXPECT_EQ(c.indexState(), IndexState::None);
    ASSERT_EQ(c.recCount(), 3u);
    EXPECT_EQ(c.fields().size(), t.fields().size());
    c.goTop();
    EXPECT_EQ(c.getString("LNAME"), "Smith, Jr.");
    EXPECT_EQ(c.getString("DATE"), "19970428");
    EXPECT_EQ(c.getMemo("MEMO"), "12345678 \r\n");  // eight characters, a blank, CR LF
    EXPECT_EQ(c.getString("TAG"), "");
    EXPECT_FALSE(c.getLogical("ISDEL"));
    c.skip(1);
    EXPECT_EQ(c.getMemo("MEMO"), "line one\r\nline two\r\n");
}

TEST(DbfExport, ReadByPythonDbfAndPerlXBase)
{
    TempDir d;
    Table t;
    ASSERT_EQ(openAddressFile(addressFile(d, kPeople), t), "");
    selectAll(t);
    ASSERT_EQ(CopyDBF(t, d.file("COPY.DBF"), {}).written, 3u);
    const auto rows = linesOf(oracle("dbf " + d.file("COPY.DBF")));
    ASSERT_EQ(rows.size(), 3u) << oracle("dbf " + d.file("COPY.DBF"));
    // ISDEL and TAG stay empty.
    EXPECT_EQ(rows[0], "Smith, Jr.|John|||||||Boston||02134||19970428||||||||||12345678 \\r\\n");
    EXPECT_EQ(rows[1], "O\"Brien|Ann||||Caf\xC3\xA9 \"Z\"||||||||||||||u2|||line one\\r\\nline two\\r\\n");
    int status = 0;
    const std::string perl = run("dbf_dump --fs '|' --rs '#\\n' " + d.file("COPY.DBF"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::count(perl.begin(), perl.end(), '#'), 3);
    EXPECT_NE(perl.find("Smith, Jr.|John|"), std::string::npos);
    EXPECT_NE(perl.find("line one\r\nline two\r\n"), std::string::npos);
    EXPECT_NE(perl.find("12345678 \r\n"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// The batch verbs

TEST(Batch, EveryCorpusTableImports)
{
    TempDir d;
    int tables = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(ADDROVA_XBASE_CORPUS)) {
        std::string ext = e.path().extension().string();
        for (auto& c : ext)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext != ".DBF")
            continue;
        ++tables;
        const std::string src = e.path().string();
        const std::string dest = d.file("C" + std::to_string(tables) + ".DBF");
        ASSERT_EQ(createAddressFile(dest, defaultWidths()), "");
        std::string map = oracle("plan '" + src + "'");
        while (!map.empty() && (map.back() == '\n'))
            map.pop_back();
        int status = 1;
        const std::string out = batch("import-dbf " + dest + " '" + src + "' --map '" + map + "'", &status);
        EXPECT_EQ(status, 0) << src << "\n" << out;
        EXPECT_NE(out.find("Import complete. Imported "), std::string::npos) << out;
        const std::string check = oracle("check '" + src + "' " + dest + " '" + map + "'");
        EXPECT_EQ(check.substr(0, 3), "ok ") << src << ": " << check;
        Table t;
        ASSERT_EQ(openAddressFile(dest, t), "") << src;
        EXPECT_TRUE(checkTags(t)) << src;
    }
    EXPECT_GE(tables, 25);
}

TEST(Batch, ImportDbfPrintsTheProposalFirst)
{
    TempDir d;
    const std::string dest = d.file("A.DBF"), src = d.file("S.DBF");
    ASSERT_EQ(createAddressFile(dest, defaultWidths()), "");
    Table::create(src, std::vector<FieldSpec>{{"LNAME", 'C', 20}, {"NOTES", 'C', 20}, {"CITY", 'C', 20}});
    {
        Table w;
        w.open(src);
        w.appendBlank();
        w.setString("LNAME", "Lee");
        w.setString("CITY", "Rome");
        w.post();
    }
    int status = 1;
    const std::string out = batch("import-dbf " + dest + " " + src, &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.rfind("Proposed match:\n  LNAME -> LNAME (Last Name)\n  CITY -> CITY (City)\n", 0), 0u) << out;
    EXPECT_NE(out.find("Import complete. Imported 1 records.\nSummary: read 1, written 1"), std::string::npos) << out;
}

TEST(Batch, BadSourcesLeaveTheAddressFileUnchanged)
{
    TempDir d;
    const std::string dest = d.file("A.DBF");
    ASSERT_EQ(createAddressFile(dest, defaultWidths()), "");
    ASSERT_EQ(batch("import-csv " + dest + " /dev/null --map 1=LNAME").find("Unable"), 0u);
    auto snapshot = [&] { return bytesOf(dest) + bytesOf(d.file("A.CDX")) + bytesOf(d.file("A.FPT")); };
    {
        std::ofstream(d.file("ok.csv")) << "a,b\nc,d\n";
        ASSERT_NE(batch("import-csv " + dest + " " + d.file("ok.csv") + " --map 1=LNAME,2=City").find("Import complete"), std::string::npos);
    }
    const std::string before = snapshot();
    // A truncated table.
    const std::string src = d.file("T.DBF");
    Table::create(src, std::vector<FieldSpec>{{"LNAME", 'C', 20}});
    {
        Table w;
        w.open(src);
        for (int i = 0; i < 10; ++i) {
            w.appendBlank();
            w.setString("LNAME", "x");
            w.post();
        }
    }
    std::filesystem::resize_file(src, std::filesystem::file_size(src) - 30);
    int status = 0;
    std::string out = batch("import-dbf " + dest + " " + src, &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("damaged"), std::string::npos) << out;
    // Text that is not text, and UTF-8 that is not UTF-8.
    std::ofstream(d.file("nul.csv"), std::ios::binary) << std::string("a,b\n\0\0\0,x\n", 11);
    out = batch("import-csv " + dest + " " + d.file("nul.csv") + " --map 1=LNAME", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("NUL"), std::string::npos) << out;
    std::ofstream(d.file("bad.csv"), std::ios::binary) << "a,b\nZo\xEB,x\n";
    out = batch("import-csv " + dest + " " + d.file("bad.csv") + " --map 1=LNAME --encoding utf-8", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("not valid UTF-8"), std::string::npos) << out;
    // Importing a file into itself.
    out = batch("import-older " + dest + " " + dest + " --generation 2", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Cannot import a file to itself"), std::string::npos) << out;
    EXPECT_EQ(snapshot(), before);
}

TEST(Batch, ExportVerbs)
{
    TempDir d;
    const std::string path = addressFile(d, kPeople);
    int status = 1;
    std::string out = batch("export " + path + " --text " + d.file("o.txt") + " --order LNAME --filter 'CITY=\"Boston\"'", &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Copied 1 records"), std::string::npos) << out;
    EXPECT_EQ(linesOf(bytesOf(d.file("o.txt"))).size(), 1u);
    out = batch("export " + path + " --dbf " + d.file("o.txt"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Must have a .DBF extension"), std::string::npos);
    out = batch("export " + path + " --dbf " + d.file("add.dbf"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Cannot copy a file to itself!"), std::string::npos);
    out = batch("export " + path + " --filter 'LNAME=\"nobody\"' --text " + d.file("n.txt"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("No active records for current filter. Nothing to copy"), std::string::npos);
    out = batch("export " + path + " --dbf " + d.file("C.DBF"), &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Summary: read 3, written 3"), std::string::npos) << out;
}

}  // namespace
