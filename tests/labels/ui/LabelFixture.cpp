#include "LabelFixture.h"

#include "PdfProbe.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "TestProgramDir.h"

#include <cmath>
#include <map>

namespace labelui_test {

void LabelFixture::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    program_ = dir_.path().toStdString() + "/";
    sysdata_ = program_ + "sysdata/";
    ASSERT_TRUE(addrova::test::MakeProgramDir(dir_.path(), QStringLiteral(ADDROVA_SYSDATA_DIR),
                                              {"BIN00001.L", "ADC.CSV", "LABEL.DBF", "LABEL.CDX", "LBLTPL.DBF", "LBLTPL.CDX"}));
    const std::string path = program_ + "ADDRESS.DBF";
    ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
    t_.open(path);
    t_.setSelection("!ISDEL");
    ui::SetMessageHook([this](const ui::MessageRequest& r) {
        if (r.kind == ui::MessageKind::Question) {
            questions_.push_back(r.text);
            return answer_;
        }
        messages_.push_back(r.text);
        return true;
    });
}

void LabelFixture::TearDown()
{
    ui::SetMessageHook({});
    if (t_.isOpen())
        t_.close();
}

void LabelFixture::add(const std::string& lname, const std::string& zip)
{
    t_.appendBlank();
    t_.setString("LNAME", lname);
    t_.setString("FNAME", "Ann");
    t_.setString("STREET", "1 Main St");
    t_.setString("CITY", "Pittsburgh");
    t_.setString("STATE", "PA");
    t_.setString("ZIP", zip);
    t_.setLogical("ISDEL", false);
    t_.post();
}

void LabelFixture::addNumbered(int n, const std::string& zip)
{
    for (int i = 1; i <= n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Rec%02d", i);
        add(name, zip);
    }
}

labels::LabelSetup LabelFixture::avery()
{
    labels::LabelSetup s = labels::NewLabelSetup();
    s.descript = "test";
    s.binary = "BIN00001.L";
    return s;
}

std::vector<PrintedLabel> LabelFixture::print(const labels::LabelPrintOptions& o, const labels::LabelSetup& s,
                                              int* pages)
{
    labels::LabelRunHooks hooks;
    hooks.info = [](const QString& m) { ui::ShowInfo(m); };
    hooks.ask = [](const QString& m) { return ui::AskYesNo(m, QStringLiteral("PAPER SIZE")); };
    std::vector<PrintedLabel> out;
    labels::LabelPrintRun run(t_, s, sysdata_, program_, o, hooks);
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    labels::PrinterPaper paper(printer);
    if (!run.Prepare(paper))
        return out;
    print::PrintJob job(printer);
    run.ConfigureJob(job, false);
    const QString pdf = dir_.path() + QStringLiteral("/out.pdf");
    QFile::remove(pdf);
    EXPECT_TRUE(job.PrintToPdf(pdf, 300)) << job.ErrorText().toStdString();
    const PdfInfo info = ReadPdfInfo(pdf);
    if (pages)
        *pages = info.pages;
    for (int p = 1; p <= info.pages; ++p) {
        const std::vector<PdfWord> words = ReadPdfWords(pdf, p);
        for (size_t i = 0; i < words.size(); ++i) {
            const PdfWord& w = words[i];
            if (w.text.startsWith(QStringLiteral("Rec"))) {
                // The first word of the block's first line is the first name, on the same line.
                double x = w.xMin;
                for (const PdfWord& v : words)
                    if (v.text == QStringLiteral("Ann") && std::fabs(v.yMin - w.yMin) < 1 && v.xMin < w.xMin &&
                        w.xMin - v.xMin < 60)
                        x = v.xMin;
                out.push_back({p, x / 72.0, w.yMin / 72.0, w.text, false});
            } else if (w.text == QStringLiteral("**")) {
                QString heading = w.text;
                for (size_t j = i + 1; j < words.size() && std::fabs(words[j].yMin - w.yMin) < 1; ++j)
                    heading += QLatin1Char(' ') + words[j].text;
                out.push_back({p, w.xMin / 72.0, w.yMin / 72.0, heading, true});
            }
        }
    }
    std::stable_sort(out.begin(), out.end(), [&s](const PrintedLabel& a, const PrintedLabel& b) {
        if (a.page != b.page)
            return a.page < b.page;
        if (rowOf(a, s) != rowOf(b, s))
            return rowOf(a, s) < rowOf(b, s);
        return columnOf(a, s) < columnOf(b, s);
    });
    return out;
}

int columnOf(const PrintedLabel& l, const labels::LabelSetup& s)
{
    return static_cast<int>(std::floor((l.x - s.leftMarg) / s.horizPitch));
}

int rowOf(const PrintedLabel& l, const labels::LabelSetup& s)
{
    return static_cast<int>(std::floor((l.y - s.topMarg) / s.vertPitch));
}

}  // namespace labelui_test
