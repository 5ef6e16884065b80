// Add-record preferences: section Adding of the settings file.
#include "Preferences.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace addrova;
using prefs::AddPreferences;

namespace {

class PrefsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("addrova_prefs_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string path() const { return (dir_ / "ADDROV.ini").string(); }
    void write(const std::string& text) const { std::ofstream(path(), std::ios::binary) << text; }
    std::string text() const
    {
        std::ifstream in(path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_;
};

std::vector<prefs::BoolOption> allOptions()
{
    std::vector<prefs::BoolOption> all;
    for (const auto* list : {&prefs::GeneralOptions(), &prefs::CarryOptions(), &prefs::SkipOptions()})
        all.insert(all.end(), list->begin(), list->end());
    return all;
}

}  // namespace

TEST_F(PrefsFile, MissingFileOrSectionGivesEverythingOff)
{
    EXPECT_EQ(prefs::LoadPreferences(app::ProfileFile(path())), AddPreferences{});
    write("[Misc]\nGettingStarted=1\n[Dialing]\nPrefix=9\n");
    EXPECT_EQ(prefs::LoadPreferences(app::ProfileFile(path())), AddPreferences{});
}

TEST_F(PrefsFile, ReadsFlagsAnyNonZeroAsTrueAndTheCountry)
{
    write("[adding]\r\nplugdate=1\r\nCarryZip=7\r\nSkipfirstName=1\r\nSkiptitle=0\r\n"
          "DefaultCountry= New Zealand \r\n");  // blanks around a value are not part of it
    const AddPreferences p = prefs::LoadPreferences(app::ProfileFile(path()));
    AddPreferences want;
    want.PlugDate = true;
    want.CarryZip = true;
    want.SkipfirstName = true;
    want.DefaultCountry = "New Zealand";
    EXPECT_EQ(p, want);
}

// Every option alone: its own key is written as 1, every other as 0, and it reads back alone.
TEST_F(PrefsFile, EachOptionHasItsOwnKey)
{
    const auto options = allOptions();
    ASSERT_EQ(options.size(), 28u);
    for (const auto& option : options) {
        SCOPED_TRACE(option.key);
        std::filesystem::remove(path());
        AddPreferences p;
        p.*option.member = true;
        app::ProfileFile ini(path());
        prefs::SavePreferences(ini, p);
        EXPECT_NE(text().find(std::string(option.key) + "=1"), std::string::npos);
        EXPECT_EQ(prefs::LoadPreferences(ini), p);
        for (const auto& other : options) {
            if (other.member != option.member) {
                EXPECT_FALSE(ini.readBool("Adding", other.key, true)) << other.key;
            }
        }
    }
}

TEST_F(PrefsFile, SaveWritesTheKeyNamesWithTheirCapitals)
{
    AddPreferences p;
    p.SkipfirstName = true;
    p.Skipcomments2 = true;
    p.DefaultCountry = "Canada";
    app::ProfileFile ini(path());
    prefs::SavePreferences(ini, p);
    const std::string t = text();
    for (const char* line : {"[Adding]", "PlugDate=0", "PlugCityState=0", "AutoDupCheck=0", "DefaultCountry=Canada",
                             "CarrySA1=0", "CarrySA2=0", "SkipfirstName=1", "Skiptitle=0", "Skipcomments2=1",
                             "SkipComments1=0", "SkipMiddleInitial=0"})
        EXPECT_NE(t.find(line), std::string::npos) << line;
    // Other sections stay.
    ini.writeString("Misc", "GlobalTagId", "ABCD1234");
    prefs::SavePreferences(ini, AddPreferences{});
    EXPECT_EQ(ini.readString("Misc", "GlobalTagId"), "ABCD1234");
    EXPECT_EQ(ini.readString("Adding", "DefaultCountry", "x"), "");
}

TEST_F(PrefsFile, SaveToAnUnwritableFolderThrows)
{
    app::ProfileFile ini((dir_ / "no such folder" / "ADDROV.ini").string());
    EXPECT_THROW(prefs::SavePreferences(ini, AddPreferences{}), std::runtime_error);
}

TEST(Prefs, SkipsFieldFollowsTheSkipKeys)
{
    for (const auto& option : prefs::SkipOptions()) {
        AddPreferences p;
        EXPECT_FALSE(prefs::SkipsField(p, option.field)) << option.key;
        p.*option.member = true;
        EXPECT_TRUE(prefs::SkipsField(p, option.field)) << option.key;
    }
    AddPreferences all;
    for (const auto& option : prefs::SkipOptions())
        all.*option.member = true;
    EXPECT_FALSE(prefs::SkipsField(all, "STREET"));
    EXPECT_FALSE(prefs::SkipsField(all, "CITY"));
    EXPECT_TRUE(prefs::SkipsField(all, "DATE"));
    EXPECT_TRUE(prefs::SkipsField(all, "USER2"));
}

TEST(Prefs, FocusAfterAddingBegins)
{
    struct Case {
        std::vector<bool AddPreferences::*> skipped;
        bool lastEmpty, firstEmpty;
        const char* field;
    };
    using P = AddPreferences;
    const Case cases[] = {
        {{}, true, true, "LNAME"},
        {{&P::SkipLastName}, true, true, "FNAME"},
        {{}, false, true, "FNAME"},
        {{}, false, false, "MIDDLE"},
        {{&P::SkipLastName, &P::SkipfirstName}, true, true, "MIDDLE"},
        {{&P::SkipMiddleInitial}, false, false, "PREFIX"},
        {{&P::SkipMiddleInitial, &P::SkipPrefix}, false, false, "TITLE"},
        {{&P::SkipMiddleInitial, &P::SkipPrefix, &P::Skiptitle}, false, false, "ORG"},
        {{&P::SkipMiddleInitial, &P::SkipPrefix, &P::Skiptitle, &P::SkipOrganization}, false, false, "STREET"},
    };
    for (const auto& c : cases) {
        AddPreferences p;
        for (auto m : c.skipped)
            p.*m = true;
        EXPECT_EQ(prefs::AddFocusField(p, c.lastEmpty, c.firstEmpty), c.field);
    }
}
