// Round trips through independent xBase readers and writers: Perl's XBase (dbf_dump, index_dump)
// and Python's dbf package read what we write, and we read what they write.
#include "CodePage.h"
#include "Table.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace addrova::store;
using addrova::test::run;
using addrova::test::TempDir;

namespace {

bool have(const char* probe) {
    int status = -1;
    run(std::string(probe) + " >/dev/null 2>&1", &status);
    return status == 0;
}

bool havePerl() { return have("perl -MXBase -e 1") && have("test -x /usr/bin/index_dump"); }
bool havePythonDbf() { return have("/usr/bin/python3 -c 'import dbf'"); }

std::vector<std::string> split(const std::string& s, const std::string& sep) {
    std::vector<std::string> out;
    size_t pos = 0;
    for (size_t at; (at = s.find(sep, pos)) != std::string::npos; pos = at + sep.size()) out.push_back(s.substr(pos, at - pos));
    if (pos < s.size()) out.push_back(s.substr(pos));
    return out;
}

struct Row {
    std::string lname, fname;
    int age;
    double paid;
    bool active;
    std::string born;
    std::string memo;
    bool deleted;
};

// Latin-1 letters are written in the table's code page (Windows-1252).
const std::vector<Row> kRows = {
    {"Müller", "Jürgen", 44, 12.5, true, "19810203", "Zeile eins\r\nZeile zwei", false},
    {"Smith", "Anne", 31, 0, false, "", "", false},
    {"Zapata", "Emiliano", 7, -3.25, true, "20000229", std::string(3000, 'z'), true},
    {"adams", "Zoë", 90, 1000000.5, false, "19991231", "short", false},
    {"Smith", "Aaron", 31, 7, true, "20240101", "", false},
    {"Brown", "", 55, 0.01, false, "19700101", "x", false},
};

// Builds the table with three tags; returns its path.
std::string writeOurTable(const TempDir& dir) {
    std::string path = dir.file("ours.dbf");
    std::vector<FieldSpec> fields = {{"LNAME", 'C', 20, 0}, {"FNAME", 'C', 15, 0}, {"AGE", 'N', 3, 0},
                                     {"PAID", 'N', 12, 2},  {"ACTIVE", 'L', 1, 0}, {"BORN", 'D', 8, 0},
                                     {"NOTES", 'M', 10, 0}};
    Table::create(path, fields);
    Table t;
    t.open(path);
    for (const auto& r : kRows) {
        t.appendBlank();
        t.setString("LNAME", fromUtf8(r.lname, 1252));
        t.setString("FNAME", fromUtf8(r.fname, 1252));
        t.setNumber(t.fieldIndex("AGE"), r.age);
        t.setNumber(t.fieldIndex("PAID"), r.paid);
        t.setLogical(t.fieldIndex("ACTIVE"), r.active);
        t.setString("BORN", r.born);
        t.setMemo("NOTES", fromUtf8(r.memo, 1252));
        t.post();
        if (r.deleted) t.deleteRecord();
    }
    t.createTag("NAME", "UPPER(LNAME)+UPPER(FNAME)");
    t.createTag("AGE", "AGE");
    t.createTag("BORN", "DTOS(BORN)");
    return path;
}

// Record numbers in the order of one of our tags, deleted records included.
std::vector<std::string> ourOrder(const std::string& path, const char* tag) {
    Table t;
    t.open(path, OpenMode::ReadOnly);
    t.setDeleted(false);
    t.setOrder(tag);
    std::vector<std::string> out;
    for (bool ok = t.goTop(); ok; ok = t.skip()) out.push_back(std::to_string(t.recNo()));
    return out;
}

TEST(Oracle, PerlReadsOurRecordsMemosAndTags) {
    if (!havePerl()) GTEST_SKIP() << "libdbd-xbase-perl is not installed";
    TempDir dir;
    std::string path = writeOurTable(dir);
    std::string out = run("dbf_dump --fs '|' --rs '<EOR>' " + path);
    std::vector<std::string> recs = split(out, "<EOR>");
    std::vector<const Row*> live;
    for (const auto& r : kRows)
        if (!r.deleted) live.push_back(&r);
    ASSERT_EQ(recs.size(), live.size()) << out;
    for (size_t i = 0; i < live.size(); ++i) {
        std::vector<std::string> f = split(toUtf8(recs[i], 1252), "|");
        f.resize(7);
        EXPECT_EQ(f[0], live[i]->lname);
        EXPECT_EQ(f[1], live[i]->fname);
        EXPECT_EQ(std::stoi(f[2]), live[i]->age);
        EXPECT_DOUBLE_EQ(f[3].empty() ? 0 : std::stod(f[3]), live[i]->paid);
        EXPECT_EQ(f[4], live[i]->active ? "1" : "0");
        EXPECT_EQ(f[5], live[i]->born);
        EXPECT_EQ(f[6], live[i]->memo);
    }
    // index_dump lists "key recno" in index order.
    struct TagCase {
        const char* tag;
        const char* type;
    };
    for (TagCase tc : {TagCase{"NAME", "char"}, TagCase{"AGE", "num"}, TagCase{"BORN", "char"}}) {
        SCOPED_TRACE(tc.tag);
        std::string dump = run(std::string("index_dump -type=") + tc.type + " -tag=" + tc.tag + " " + dir.file("ours.cdx"));
        std::vector<std::string> theirs;
        std::istringstream in(dump);
        for (std::string line; std::getline(in, line);) theirs.push_back(line.substr(line.find_last_of(' ') + 1));
        EXPECT_EQ(theirs, ourOrder(path, tc.tag)) << dump;
    }
}

TEST(Oracle, PythonDbfReadsOurTable) {
    if (!havePythonDbf()) GTEST_SKIP() << "python3-dbf is not installed";
    TempDir dir;
    std::string path = writeOurTable(dir);
    std::string script = dir.file("read.py");
    std::ofstream(script) << "import dbf, sys\n"
                             "t = dbf.Table(sys.argv[1]); t.open()\n"
                             "for r in t:\n"
                             "    born = r.born.strftime('%Y%m%d') if r.born else ''\n"
                             "    print(repr((dbf.is_deleted(r), r.lname.rstrip(), r.fname.rstrip(), int(r.age),\n"
                             "                float(r.paid or 0), bool(r.active), born, r.notes)))\n";
    int status = -1;
    std::string out = run("/usr/bin/python3 " + script + " " + path + " 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    std::vector<std::string> lines = split(out, "\n");
    ASSERT_EQ(lines.size(), kRows.size()) << out;
    for (size_t i = 0; i < kRows.size(); ++i) {
        const Row& r = kRows[i];
        char paid[64];
        std::snprintf(paid, sizeof paid, "%.15g", r.paid);
        std::string p = paid;
        if (p.find('.') == std::string::npos && p.find('e') == std::string::npos) p += ".0";
        std::string memo = r.memo;
        for (size_t at; (at = memo.find("\r\n")) != std::string::npos;) memo.replace(at, 2, "\\r\\n");
        std::string want = std::string("(") + (r.deleted ? "True" : "False") + ", '" + r.lname + "', '" + r.fname + "', " +
                           std::to_string(r.age) + ", " + p + ", " + (r.active ? "True" : "False") + ", '" + r.born +
                           "', '" + memo + "')";
        EXPECT_EQ(lines[i], want);
    }
}

TEST(Oracle, WeReadWhatPythonAndPerlWrite) {
    if (!havePythonDbf() || !havePerl()) GTEST_SKIP() << "python3-dbf or libdbd-xbase-perl is not installed";
    TempDir dir;
    std::string py = dir.file("write.py");
    std::ofstream(py) << "import dbf, datetime, sys\n"
                         "t = dbf.Table(sys.argv[1], 'name C(20); age N(5,1); born D; ok L; notes M', dbf_type='fp',"
                         " codepage='cp1252')\n"
                         "t.open(dbf.READ_WRITE)\n"
                         "t.append(('Zo\\u00eb', 41.5, datetime.date(1983, 4, 5), True, 'line1\\r\\nline2'))\n"
                         "t.append(('Bob', -7, None, False, ''))\n"
                         "t.append(('Long', 1, None, None, 'm' * 5000))\n"
                         "dbf.delete(t[1])\n"
                         "t.close()\n";
    int status = -1;
    std::string out = run("/usr/bin/python3 " + py + " " + dir.file("py.dbf") + " 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    Table t;
    t.open(dir.file("py.dbf"), OpenMode::ReadOnly);
    ASSERT_EQ(t.recCount(), 3u);
    t.go(1);
    EXPECT_EQ(toUtf8(t.getString("NAME"), t.codePage()), "Zoë");
    EXPECT_DOUBLE_EQ(t.getNumber(t.fieldIndex("AGE")), 41.5);
    EXPECT_EQ(t.getString("BORN"), "19830405");
    EXPECT_TRUE(t.getLogical(t.fieldIndex("OK")));
    EXPECT_EQ(t.getMemo("NOTES"), "line1\r\nline2");
    t.go(2);
    EXPECT_TRUE(t.deleted());
    EXPECT_TRUE(t.memoEmpty("NOTES"));
    t.go(3);
    EXPECT_EQ(t.getMemo("NOTES"), std::string(5000, 'm'));
    EXPECT_EQ(t.countSelected(), 2u);

    out = run("perl -MXBase -e 'my $t = XBase->create(name => \"" + dir.file("pl.dbf") +
                  "\", field_names => [\"NAME\",\"AGE\",\"NOTES\"], field_types => [\"C\",\"N\",\"M\"],"
                  " field_lengths => [20,5,10], field_decimals => [0,1,0], memofile => \"" + dir.file("pl.fpt") +
                  "\") or die XBase->errstr; $t->set_record(0, \"Perl One\", 12.5, \"memo\\r\\nof one\");"
                  " $t->set_record(1, \"Perl Two\", -3, \"\"); $t->delete_record(1); $t->close;' 2>&1",
              &status);
    ASSERT_EQ(status, 0) << out;
    Table p;
    p.open(dir.file("pl.dbf"));
    ASSERT_EQ(p.recCount(), 2u);
    p.go(1);
    EXPECT_EQ(p.getString("NAME"), "Perl One");
    EXPECT_DOUBLE_EQ(p.getNumber(p.fieldIndex("AGE")), 12.5);
    EXPECT_EQ(p.getMemo("NOTES"), "memo\r\nof one");
    p.go(2);
    EXPECT_TRUE(p.deleted());
    // And what we then write into their file, they read back.
    p.go(1);
    p.setMemo("NOTES", "rewritten by us");
    p.post();
    p.close();
    out = run("dbf_dump --fs '|' " + dir.file("pl.dbf"));
    EXPECT_EQ(out, "Perl One|12.5|rewritten by us\n");
}

}  // namespace
