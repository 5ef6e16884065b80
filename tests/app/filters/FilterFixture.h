#pragma once

// An address file in a program directory of its own, filled with the given records.

#include "AddressFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace addrova::filters::test {

struct Person {
    std::string lname, fname, codes, date, memo, tag;
    bool isdel = false;
    std::string title = "";
};

class AddressFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("ADDROVA_HOME", home.path().c_str(), 1);
        path = home.file("ADDR.DBF");
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
    }
    void TearDown() override
    {
        table.close();
        unsetenv("ADDROVA_HOME");
    }
    // Appends the records and opens the file in the LNAME order with the main window's selection.
    void fill(const std::vector<Person>& people)
    {
        table.open(path);
        for (const Person& p : people) {
            table.appendBlank();
            table.setString("LNAME", p.lname);
            table.setString("FNAME", p.fname);
            table.setString("CODES", p.codes);
            table.setString("DATE", p.date);
            table.setString("TAG", p.tag);
            table.setString("TITLE", p.title);
            if (!p.memo.empty())
                table.setMemo("MEMO", p.memo);
            table.setLogical(table.fieldIndex("ISDEL"), p.isdel);
            table.post();
        }
        table.setOrder("LNAME");
        table.setSelection("!ISDEL");
        table.goTop();
    }
    // Last names of the selection in the current order.
    std::vector<std::string> walk()
    {
        std::vector<std::string> out;
        for (bool ok = table.goTop(); ok && !table.eof(); ok = table.skip(1))
            out.push_back(table.getString("LNAME"));
        return out;
    }

    addrova::test::TempDir home;
    std::string path;
    store::Table table;
};

inline std::vector<Person> samplePeople()
{
    return {
        {"Brown", "Ann", "AC", "19961231", "", ""},
        {"Browne", "Bob", "B", "19970101", "Likes GARDENING and tea", ""},
        {"Browning", "Cid", "C", "19970615", "", ""},
        {"Jones", "Dee", "XC", "20010101", "", ""},
        {"Smith", "Eve", "", "", "call about the Garden party", ""},
        {"Brownlow", "Fay", "C", "19950101", "", "", true},
        {"Adams", "Gus", "", "bad", "", ""},
    };
}

}  // namespace addrova::filters::test
