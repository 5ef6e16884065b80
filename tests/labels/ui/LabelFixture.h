#pragma once

// A program directory of its own with the shipped layout, an address file with named records, and
// label runs read back from the PDF they print.

#include "AddressFile.h"
#include "Common.h"
#include "LabelPrintRun.h"
#include "Table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace labelui_test {

using namespace addrova;

// One label found on the printed pages.
struct PrintedLabel {
    int page = 0;
    double x = 0, y = 0;  // inches, top-left of the first word
    QString text;         // the record's last name, or the separator heading
    bool separator = false;
};

class LabelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A record named `lname` (shown as the first line's last word) with a ZIP.
    void add(const std::string& lname, const std::string& zip = "15213");
    void addNumbered(int n, const std::string& zip = "15213");
    static labels::LabelSetup avery();

    // Runs the label job to a PDF and reads back the record names ("Rec..") and separator headings.
    std::vector<PrintedLabel> print(const labels::LabelPrintOptions& o, const labels::LabelSetup& s,
                                    int* pages = nullptr);
    std::vector<PrintedLabel> print(const labels::LabelPrintOptions& o) { return print(o, avery()); }

    QTemporaryDir dir_;
    std::string sysdata_, program_;
    store::Table t_;
    std::vector<QString> messages_;
    std::vector<QString> questions_;
    bool answer_ = true;
};

// Column and row of a label printed on a sheet.
int columnOf(const PrintedLabel& l, const labels::LabelSetup& s);
int rowOf(const PrintedLabel& l, const labels::LabelSetup& s);

}  // namespace labelui_test
