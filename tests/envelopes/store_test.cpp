// Envelope sizes, layout records in a real ENVELOPE.DBF, file names, clone and delete.

#include "EnvelopeStore.h"

#include "SystemTables.h"
#include "Table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

using namespace addrova;
using namespace addrova::envelopes;
namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("envstore-" + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string dir() const { return path_.string() + "/"; }

private:
    fs::path path_;
};

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(EnvelopeSizes, CodesGiveTheListedInches)
{
    struct Case {
        int code;
        double w, h;
        const char* entry;
    };
    const Case cases[] = {
        {19, 8.875, 3.875, "Envelope #9 3 7/8 x 8 7/8 inches"},
        {20, 9.5, 4.125, "Envelope #10 4 1/8 x 9 1/2 inches"},
        {28, 9.16, 6.48, "Envelope C5 162 x 229 mm "},
        {30, 12.96, 12.96, "Envelope C4  229 x 324 mm"},
        {35, 5.0, 7.04, "Envelope B6  176 x 125 mm"},
        {38, 6.5, 3.625, "6 3/4 Envelope 3 5/8 x 6 1/2 inches"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_DOUBLE_EQ(EnvelopeWidth(c.code), c.w);
        EXPECT_DOUBLE_EQ(EnvelopeHeight(c.code), c.h);
        EXPECT_STREQ(kEnvelopeSizes[static_cast<size_t>(EnvelopeSizeIndex(c.code))].entry, c.entry);
    }
    EXPECT_EQ(kEnvelopeSizes.size(), 16u);
    for (int unknown : {0, 1, 24, 29, 39, -5, 99999}) {
        EXPECT_EQ(EnvelopeSizeIndex(unknown), -1) << unknown;
        EXPECT_EQ(EnvelopeWidth(unknown), -1) << unknown;
        EXPECT_EQ(EnvelopeHeight(unknown), -1) << unknown;
    }
}

TEST(EnvelopeFiles, NextNameIsTheFirstFree)
{
    TempDir d;
    EXPECT_EQ(NextEnvelopeBinaryName(d.dir()), "BIN00001.E");
    writeFile(d.dir() + "BIN00001.E", "x");
    writeFile(d.dir() + "BIN00003.E", "x");
    writeFile(d.dir() + "BIN00002.L", "x");  // label files do not count
    EXPECT_EQ(NextEnvelopeBinaryName(d.dir()), "BIN00002.E");
    writeFile(d.dir() + "BIN00002.E", "x");
    EXPECT_EQ(NextEnvelopeBinaryName(d.dir()), "BIN00004.E");
}

TEST(EnvelopeFiles, PlainFileNamesOnly)
{
    for (const char* ok : {"BIN00001.E", "layout.e"})
        EXPECT_TRUE(PlainFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "../ADDROV.ini", "/etc/passwd", "sub\\BIN00001.E", "C:BIN.E"})
        EXPECT_FALSE(PlainFileName(bad)) << bad;
}

TEST(EnvelopeFiles, CopyIsByteForByteAcrossBlocks)
{
    TempDir d;
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes.push_back(static_cast<char>(i * 7));
    writeFile(d.dir() + "a", bytes);
    ASSERT_TRUE(CopyLayoutFile(d.dir() + "a", d.dir() + "b"));
    EXPECT_EQ(readFile(d.dir() + "b"), bytes);
    EXPECT_FALSE(CopyLayoutFile(d.dir() + "missing", d.dir() + "c"));
    EXPECT_FALSE(fs::exists(d.dir() + "c"));
}

class EnvelopeTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Envelope, t_, d_.dir()), "");
    }
    void add(const std::string& descript, int number, const std::string& binary)
    {
        EnvelopeSetup s;
        s.descript = descript;
        s.setNumber(number);
        s.binary = binary;
        t_.appendBlank();
        WriteEnvelopeSetup(t_, s);
        t_.post();
    }
    TempDir d_;
    store::Table t_;
};

TEST_F(EnvelopeTable, RecordRoundTripAndEmptyTableCopy)
{
    t_.goTop();
    const EnvelopeSetup none = ReadEnvelopeSetup(t_);  // at the end: the No. 10 copy
    EXPECT_EQ(none.descript, "Envelope #10");
    EXPECT_EQ(none.number, 20);
    EXPECT_DOUBLE_EQ(none.width, 9.5);

    add("Wide", 28, "BIN00001.E");
    add("Odd", 77, "BIN00002.E");
    t_.go(1);
    EnvelopeSetup s = ReadEnvelopeSetup(t_);
    EXPECT_EQ(s.descript, "Wide");
    EXPECT_EQ(s.number, 28);
    EXPECT_DOUBLE_EQ(s.width, 9.16);
    EXPECT_DOUBLE_EQ(s.height, 6.48);
    EXPECT_EQ(s.binary, "BIN00001.E");
    t_.go(2);
    s = ReadEnvelopeSetup(t_);
    EXPECT_EQ(s.number, 77);
    EXPECT_EQ(s.width, -1);
    EXPECT_EQ(s.height, -1);
}

TEST_F(EnvelopeTable, CloneCopiesRecordAndFile)
{
    writeFile(d_.dir() + "BIN00001.E", "layout bytes");
    add("Business", 22, "BIN00001.E");
    t_.goTop();
    const EnvelopeSetup c = CloneEnvelope(t_, d_.dir());
    EXPECT_EQ(c.descript, "Clone of Business");
    EXPECT_EQ(c.number, 22);
    EXPECT_EQ(c.binary, "BIN00002.E");
    EXPECT_EQ(readFile(d_.dir() + "BIN00002.E"), "layout bytes");
    EXPECT_EQ(t_.recCount(), 2u);
    const EnvelopeSetup stored = ReadEnvelopeSetup(t_);
    EXPECT_EQ(stored.descript, "Clone of Business");
    EXPECT_EQ(stored.binary, "BIN00002.E");

    // A missing layout file: the record is still added, no file appears.
    add("Lost", 20, "BIN00009.E");
    t_.go(3);
    const EnvelopeSetup lost = CloneEnvelope(t_, d_.dir());
    EXPECT_EQ(lost.descript, "Clone of Lost");
    EXPECT_EQ(lost.binary, "BIN00003.E");
    EXPECT_FALSE(fs::exists(d_.dir() + "BIN00003.E"));
    EXPECT_EQ(t_.recCount(), 4u);
}

TEST_F(EnvelopeTable, DeleteRemovesTheFileButNothingOutsideSysdata)
{
    writeFile(d_.dir() + "BIN00001.E", "x");
    add("One", 20, "BIN00001.E");
    fs::create_directories(d_.dir() + "sub");
    writeFile(d_.dir() + "sub/keep", "x");
    add("Hostile", 20, "sub/keep");
    t_.go(1);
    DeleteEnvelope(t_, d_.dir());
    EXPECT_FALSE(fs::exists(d_.dir() + "BIN00001.E"));
    t_.go(2);
    DeleteEnvelope(t_, d_.dir());
    EXPECT_TRUE(fs::exists(d_.dir() + "sub/keep"));
}

}  // namespace
