// The program directory, the settings file, the short date format, first start and single instance.
#include "DemoData.h"
#include "ProgramDir.h"
#include "SingleInstance.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

using namespace addrova::app;
using addrova::test::TempDir;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points the program directory (and the installed resources) at a fresh folder for one test.
class Home : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ADDROVA_HOME", home.path().c_str(), 1);
        unsetenv("ADDROVA_RESOURCES");
    }
    void TearDown() override { unsetenv("ADDROVA_HOME"); }
    TempDir home;
};

TEST_F(Home, SettingsFileReadsAndWritesLikeAProfileFile) {
    EXPECT_EQ(ProgramDir(), home.path() + "/");
    EXPECT_EQ(SettingsPath(), home.path() + "/ADDROV.ini");
    std::ofstream(SettingsPath()) << "; kept as it is\r\n[MRU]\r\nItem1=/data/a.dbf\r\n\r\n[Misc]\r\nGettingStarted=1\r\n"
                                     "Count= 12 \r\nBad=12x\r\n";
    ProfileFile s = Settings();
    EXPECT_EQ(s.readString("mru", "ITEM1"), "/data/a.dbf");
    EXPECT_TRUE(s.readBool("MISC", "gettingstarted", false));
    EXPECT_EQ(s.readInt("Misc", "Count", 0), 12);
    EXPECT_EQ(s.readInt("Misc", "Bad", 7), 7);
    EXPECT_EQ(s.readInt("Misc", "Missing", 7), 7);
    EXPECT_EQ(s.readString("Nope", "Item1", "dflt"), "dflt");

    s.writeString("mru", "item2", "/data/b.dbf");
    s.writeBool("Misc", "GettingStarted", false);
    s.writeInt("Dialing", "Port", 2);
    EXPECT_EQ(s.readString("MRU", "Item2"), "/data/b.dbf");
    EXPECT_FALSE(s.readBool("Misc", "GettingStarted", true));
    EXPECT_EQ(s.readInt("Dialing", "Port", 0), 2);
    EXPECT_EQ(s.keys("MRU"), (std::vector<std::string>{"Item1", "item2"}));
    std::string text = readFile(SettingsPath());
    EXPECT_EQ(text.substr(0, 17), "; kept as it is\r\n");
    EXPECT_NE(text.find("GettingStarted=0\r\n"), std::string::npos);
    s.removeKey("MRU", "Item1");
    EXPECT_FALSE(s.hasKey("MRU", "Item1"));

    // A write that cannot finish leaves the old file whole.
    std::string before = readFile(SettingsPath());
    std::filesystem::create_directory(SettingsPath() + ".new");
    EXPECT_THROW(s.writeString("Misc", "X", "1"), std::runtime_error);
    EXPECT_EQ(readFile(SettingsPath()), before);
    std::filesystem::remove(SettingsPath() + ".new");

    // An unreadable file gives the defaults.
    std::filesystem::remove(SettingsPath());
    std::filesystem::create_directory(SettingsPath());
    EXPECT_EQ(Settings().readInt("Misc", "Count", 3), 3);
}

TEST_F(Home, WidthsDatesAndTagIdComeFromTheSettings) {
    ProfileFile s = Settings();
    s.writeInt("NewFileFieldLengths", "FieldLNAME", 0);
    s.writeInt("NewFileFieldLengths", "FieldFNAME", 200);
    s.writeInt("NewFileFieldLengths", "FieldCITY", 25);
    addrova::store::FieldWidths w = NewFileWidths();
    EXPECT_EQ(w["LNAME"], 30);
    EXPECT_EQ(w["FNAME"], 30);
    EXPECT_EQ(w["CITY"], 25);
    SaveNewFileWidths(w);
    EXPECT_EQ(s.readInt("NewFileFieldLengths", "FieldLNAME", 0), 30);

    s.writeString("INTL", "sShortDate", "dd.MM.yyyy");
    EXPECT_EQ(ShortDateFormat(), "dd.MM.yyyy");
    s.removeKey("INTL", "sShortDate");
    EXPECT_FALSE(ShortDateFormat().empty());
    EXPECT_EQ(PatternFromStrftime("%m/%d/%y"), "MM/dd/yy");
    EXPECT_EQ(PatternFromStrftime("%d.%m.%Y"), "dd.MM.yyyy");
    EXPECT_EQ(PatternFromStrftime("%F"), "yyyy-MM-dd");

    std::string id = GlobalTagId();
    EXPECT_FALSE(id.empty());
    EXPECT_EQ(s.readString("Misc", "GlobalTagId"), id);
    EXPECT_EQ(GlobalTagId(), id);
}

TEST_F(Home, FirstStartPreparesTheFoldersAndTheFirstFile) {
    TempDir installed;
    std::filesystem::create_directories(installed.path() + "/sysdata/help");
    std::ofstream(installed.path() + "/sysdata/CSZ.DBF") << "installed";
    std::ofstream(installed.path() + "/sysdata/help/index.html") << "help";
    setenv("ADDROVA_RESOURCES", installed.path().c_str(), 1);
    std::filesystem::create_directories(SysdataDir());
    std::ofstream(SysdataDir() + "CSZ.DBF") << "the user's own";

    EXPECT_FALSE(PrepareProgramDir().empty());
    EXPECT_TRUE(std::filesystem::is_directory(DataDir()));
    EXPECT_EQ(readFile(SysdataDir() + "CSZ.DBF"), "the user's own");
    EXPECT_EQ(readFile(SysdataDir() + "help/index.html"), "help");

    std::string first = FirstAddressFile();
    EXPECT_EQ(first, DataDir() + "ADD0001.DBF");
    addrova::store::Table t;
    ASSERT_EQ(addrova::store::openAddressFile(first, t), "");
    EXPECT_TRUE(addrova::store::checkTags(t));
    t.close();
    EXPECT_EQ(FirstAddressFile(), first);  // an existing file is kept
}

TEST_F(Home, OneCopyRunsAndASecondAsksItToComeForward) {
    auto first = std::make_unique<SingleInstance>(ProgramDir());
    ASSERT_TRUE(first->acquire());
    EXPECT_GE(first->listenFd(), 0);
    EXPECT_FALSE(first->takeActivation());
    {
        SingleInstance second(ProgramDir());
        EXPECT_FALSE(second.acquire());
    }
    EXPECT_TRUE(first->takeActivation());
    first.reset();
    SingleInstance third(ProgramDir());
    EXPECT_TRUE(third.acquire());
}

TEST_F(Home, ACrashedCopyReleasesTheLock) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SingleInstance mine(ProgramDir());
        char ok = mine.acquire() ? '1' : '0';
        if (write(ready[1], &ok, 1) != 1) _exit(2);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    {
        SingleInstance second(ProgramDir());
        EXPECT_FALSE(second.acquire());
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    SingleInstance after(ProgramDir());
    EXPECT_TRUE(after.acquire());
}

}  // namespace

namespace {

// Demonstration records put every ZIP inside its state's range of the shipped state table.
TEST(DemoData, ZipsAgreeWithTheStateTable) {
    addrova::store::Table csz;
    csz.open(ADDROVA_BUILD_SYSDATA "/CSZ.DBF", addrova::store::OpenMode::ReadOnly);
    std::multimap<std::string, std::pair<std::string, std::string>> ranges;
    for (bool ok = csz.goTop(); ok; ok = csz.skip())
        ranges.emplace(csz.getString("STATE"), std::make_pair(csz.getString("LOW_ZIP"), csz.getString("HIGH_ZIP")));
    addrova::demo::Generator gen(1997);
    addrova::demo::Record r;
    int checked = 0;
    for (uint64_t i = 0; i < 20000; ++i) {
        gen.make(i, r);
        std::string zip = r.text[addrova::demo::F_ZIP].substr(0, 5);
        auto [b, e] = ranges.equal_range(r.text[addrova::demo::F_STATE]);
        ASSERT_NE(b, e) << "no range for " << r.text[addrova::demo::F_STATE];
        bool inside = false;
        for (auto it = b; it != e; ++it) inside |= zip >= it->second.first.substr(0, 5) && zip <= it->second.second.substr(0, 5);
        ASSERT_TRUE(inside) << r.text[addrova::demo::F_CITY] << " " << r.text[addrova::demo::F_STATE] << " " << zip;
        ++checked;
    }
    EXPECT_EQ(checked, 20000);
}

}  // namespace
