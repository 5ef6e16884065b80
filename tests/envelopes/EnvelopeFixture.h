#pragma once

// A program directory of its own with the shipped envelope layout and an address file with named
// records; envelope runs printed to PDF and read back.

#include "AddressFile.h"
#include "EnvelopePrintRun.h"
#include "PdfProbe.h"
#include "Table.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace envelope_test {

using namespace addrova;

// Where a record's last name was printed.
struct PrintedName {
    int page = 0;
    double x = 0, y = 0;  // inches from the page's top-left corner
    QString text;
};

class EnvelopeFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void add(const std::string& lname);
    void addNumbered(int n);
    // The shipped No. 10 layout record.
    envelopes::EnvelopeSetup shipped() const;

    // Runs an envelope job to a PDF; the names "Rec.." found and the page count.
    std::vector<PrintedName> print(const envelopes::EnvelopePrintOptions& o, envelopes::EnvelopePaper paper,
                                   PdfInfo* info = nullptr, envelopes::EnvelopeSetup setup = {});

    QTemporaryDir dir_;
    std::string sysdata_, program_;
    store::Table t_;
    std::vector<QString> messages_;
    QString pdf_;
};

}  // namespace envelope_test
