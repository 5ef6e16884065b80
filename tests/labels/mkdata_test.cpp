// addrova-mkdata on small data files: what it accepts and how it refuses bad rows.

#include "Table.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

using addrova::store::OpenMode;
using addrova::store::Table;

namespace {

namespace fs = std::filesystem;

class MkData : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "addrova-mkdata-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Writes the CSV, runs the converter on it; returns what it printed, sets status to its exit code.
    std::string run(const std::string& kind, const std::string& csv, int& status) {
        std::string in = (dir_ / "in.csv").string();
        std::ofstream(in, std::ios::binary) << csv;
        std::string cmd =
            std::string("'") + ADDROVA_MKDATA_PATH + "' " + kind + " '" + in + "' '" + out() + "' 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::string output;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
        int raw = pclose(p);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return output;
    }
    std::string out() const { return (dir_ / "OUT.DBF").string(); }
    bool outputLeft() const { return fs::exists(dir_ / "OUT.DBF") || fs::exists(dir_ / "OUT.CDX"); }

    fs::path dir_;
};

const std::string kHeader =
    "DESCRIPT,LBLHEIGHT,LBLWIDTH,NBRACROSS,NBRDOWN,TOPMARG,LEFTMARG,HORIZPITCH,VERTPITCH,SHEETWIDTH,"
    "SHEETDEPTH,"
    "PRINTER,PAPERSIZE,LBLSHAPE,MANUFAC,PRODTYPE,MIDEXTRAX,MIDEXTRAY,ART\n";
const std::string k5160 =
    "Avery 5160  Address,1,2.625,3,10,0.5,0.188,2.75,1,8.5,11,LJ,LTR,RR,AVERY,ADDRESS/SHIPPING "
    "LABELS,0,0,AV5160.BMP\n";

// A copy of the 5160 row with values replaced (columns counted from 0).
std::string with(std::initializer_list<std::pair<int, std::string>> changes) {
    std::string row = k5160.substr(0, k5160.size() - 1), out;
    int c = 0;
    size_t start = 0;
    for (size_t i = 0; i <= row.size(); ++i) {
        if (i == row.size() || row[i] == ',') {
            std::string value = row.substr(start, i - start);
            for (const auto& [column, v] : changes)
                if (column == c) value = v;
            out += (c ? "," : "") + value;
            start = i + 1;
            ++c;
        }
    }
    return out + "\n";
}
std::string with(int column, const std::string& value) {
    return with({{column, value}});
}

}  // namespace

TEST_F(MkData, BuildsTheTableWithQuotedTextAndItsTag) {
    std::string csv = "\xEF\xBB\xBF" + kHeader;
    csv +=
        "\"Avery 9999  Test, \"\"quoted\"\" "
        "M\xC3\xBCller\",1,2.625,3,10,0.5,0.188,2.75,1,8.5,11,LJ,LTR,RR,AVERY,"
        "ADDRESS/SHIPPING LABELS,0,0,AV9999.BMP\r\n";
    csv += k5160;
    int status = 0;
    std::string printed = run("lbltpl", csv, status);
    ASSERT_EQ(status, 0) << printed;

    Table t;
    t.open(out(), OpenMode::ReadOnly);
    ASSERT_EQ(t.recCount(), 2u);
    t.goTop();
    EXPECT_EQ(t.getString("DESCRIPT"), "Avery 9999  Test, \"quoted\" M\xFCller");
    EXPECT_DOUBLE_EQ(t.getNumber(t.fieldIndex("LEFTMARG")), 0.188);
    EXPECT_EQ(t.fields()[static_cast<size_t>(t.fieldIndex("LEFTMARG"))].width, 6);
    EXPECT_EQ(t.getString("ART"), "AV9999.BMP");
    t.setOrder("DESCRIPT");
    ASSERT_TRUE(t.seek("AVERY 5160"));
    EXPECT_EQ(t.recNo(), 2u);
}

TEST_F(MkData, BuildsZipRanges) {
    int status = 0;
    std::string printed =
        run("csz", "NAME,STATE,LOW_ZIP,HIGH_ZIP\nAlabama,AL,35000,36999\nQuebec,QC,G0A,G9Z\n", status);
    ASSERT_EQ(status, 0) << printed;
    Table t;
    t.open(out(), OpenMode::ReadOnly);
    EXPECT_EQ(t.recCount(), 2u);
    t.setOrder("STATE");
    ASSERT_TRUE(t.seek("QC"));
    EXPECT_EQ(t.getString("LOW_ZIP"), "G0A");
}

TEST_F(MkData, RefusesBadRowsNamingTheLine) {
    const struct {
        const char* kind;
        std::string csv;
        std::string message;
    } cases[] = {
        {"lbltpl", kHeader + k5160 + with(1, "0.2"),
         "line 3: Label Height must be at least .3 inches (or 7mm)"},
        {"lbltpl", kHeader + with(3, "1") + with(7, "2"),
         "line 3: Horizontal Pitch must be at least = Label Width"},
        {"lbltpl", kHeader + with({{3, "20"}, {4, "20"}}),
         "line 2: A sheet can hold at most 200 labels (20 across x 20 down is 400)"},
        {"lbltpl", kHeader + with(5, "1.5"), "line 2: the labels do not fit on the sheet"},
        {"lbltpl", kHeader + with(1, "1.2345"), "line 2, LBLHEIGHT: \"1.2345\" has more than 3 decimals"},
        {"lbltpl", kHeader + with(1, "1,5"), "line 2: 20 values, the header has 19"},
        {"lbltpl", kHeader + with(2, "abc"), "line 2, LBLWIDTH: \"abc\" is not a number"},
        {"lbltpl", kHeader + with(2, ""), "line 2, LBLWIDTH: \"\" is not a number"},
        {"lbltpl", kHeader + with(3, "2.5"), "line 2, NBRACROSS: \"2.5\" is not a whole number"},
        {"lbltpl", kHeader + with(10, "123.5"), "line 2, SHEETDEPTH: 123.5 does not fit N6.3"},
        {"lbltpl", kHeader + with(3, "100000000000000000000"),
         "line 2, NBRACROSS: 100000000000000000000 does not fit N2.0"},
        {"lbltpl", kHeader + with(11, "XX"), "line 2, PRINTER: \"XX\" is not one of LJ, IJ, DM, LP"},
        {"lbltpl", kHeader + with(15, "LABELS"), "line 2, PRODTYPE: \"LABELS\" is not one of"},
        {"lbltpl", kHeader + with(0, std::string(61, 'x')),
         "line 2, DESCRIPT: \"" + std::string(61, 'x') + "\" is longer than 60 characters"},
        {"lbltpl", kHeader + with(0, "Avery 1  \xE2\x9C\x93"),
         "has characters that Windows-1252 does not have"},
        {"lbltpl", kHeader + with(0, "Avery 1  \xC3"), "is not UTF-8"},
        {"lbltpl", kHeader + with(0, ""), "line 2, DESCRIPT: the value is empty"},
        {"lbltpl", kHeader + "\n\n" + with(0, "\"Avery \"x\"\""), "line 4: text after the closing quote"},
        {"lbltpl", kHeader + with(0, "Avery \"x\""), "line 2: a quote inside an unquoted field"},
        {"lbltpl", kHeader + "\"Avery 1  open,1,2\n", "line 2: a quoted field is not closed"},
        {"lbltpl", "DESCRIPT,LBLHEIGHT\n", "line 1: the columns must be DESCRIPT,LBLHEIGHT,LBLWIDTH,"},
        {"lbltpl", "", "the file is empty"},
        {"csz", "NAME,STATE,LOW_ZIP,HIGH_ZIP\nAlabama,AL,36999,35000\n",
         "line 2: LOW_ZIP 36999 is above HIGH_ZIP 35000"},
        {"csz", "NAME,STATE,LOW_ZIP,HIGH_ZIP\nArmed Forces Americas,AA,34000,34099\n",
         "line 2, NAME: \"Armed Forces Americas\" is longer than 20 characters"},
    };
    for (const auto& c : cases) {
        int status = 0;
        std::string printed = run(c.kind, c.csv, status);
        EXPECT_EQ(status, 1) << c.message;
        EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
        EXPECT_FALSE(outputLeft()) << c.message;
    }
}

TEST_F(MkData, UsageAndMissingInput) {
    int status = 0;
    std::string printed = run("cities", kHeader, status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(printed.find("usage: addrova-mkdata lbltpl IN.csv OUT.DBF"), std::string::npos) << printed;

    std::string cmd = std::string("'") + ADDROVA_MKDATA_PATH + "' csz '" + (dir_ / "none.csv").string() +
                      "' '" + out() + "' >/dev/null 2>&1";
    int raw = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
    EXPECT_FALSE(outputLeft());
}
