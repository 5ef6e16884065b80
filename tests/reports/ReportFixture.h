#pragma once

// A program directory of its own with an address file of named records, report layout files made
// on the spot, and runs printed to PDF files or pictures.

#include "AddressFile.h"
#include "Common.h"
#include "PdfProbe.h"
#include "ReportSettings.h"
#include "SystemTables.h"
#include "Table.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace reports_test {

using namespace addrova;

using Fields = std::map<std::string, std::string>;

class ReportFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Appends a record; MEMO is written as a memo.
    uint32_t add(const Fields& fields);
    // Rec01..RecNN as last names.
    void addNumbered(int n);

    // A layout file: "HDR" in the header, the last name in the detail, "FTR" in the footer.
    QString writeLayout(const reports::ReportSettings& s, const QString& name = QStringLiteral("TEST.R"));

    QString pdf() const { return dir_.path() + QStringLiteral("/out.pdf"); }
    // Words of a page that start with `prefix`.
    QStringList words(int page, const QString& prefix = QString()) const;
    int pages() const { return ReadPdfInfo(pdf()).pages; }

    QTemporaryDir dir_;
    std::string program_, sysdata_;
    store::Table t_;
    std::vector<QString> messages_;
};

}  // namespace reports_test
