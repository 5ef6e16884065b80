#include "EnvelopeFixture.h"

#include "Common.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "TestProgramDir.h"

#include <QFile>

namespace envelope_test {

void EnvelopeFixture::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    program_ = dir_.path().toStdString() + "/";
    sysdata_ = program_ + "sysdata/";
    ASSERT_TRUE(addrova::test::MakeProgramDir(dir_.path(), QStringLiteral(ADDROVA_SYSDATA_DIR),
                                              {"BIN00001.E", "ENVELOPE.DBF", "ENVELOPE.CDX"}));
    const std::string path = program_ + "ADDRESS.DBF";
    ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
    t_.open(path);
    t_.setSelection("!ISDEL");
    ui::SetMessageHook([this](const ui::MessageRequest& r) {
        messages_.push_back(r.text);
        return true;
    });
    pdf_ = dir_.path() + QStringLiteral("/out.pdf");
}

void EnvelopeFixture::TearDown()
{
    ui::SetMessageHook({});
    if (t_.isOpen())
        t_.close();
}

void EnvelopeFixture::add(const std::string& lname)
{
    t_.appendBlank();
    t_.setString("LNAME", lname);
    t_.setString("FNAME", "Ann");
    t_.setString("STREET", "1 Main St");
    t_.setString("CITY", "Pittsburgh");
    t_.setString("STATE", "PA");
    t_.setString("ZIP", "15213");
    t_.setLogical("ISDEL", false);
    t_.post();
}

void EnvelopeFixture::addNumbered(int n)
{
    for (int i = 1; i <= n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Rec%02d", i);
        add(name);
    }
}

envelopes::EnvelopeSetup EnvelopeFixture::shipped() const
{
    envelopes::EnvelopeSetup s;
    s.descript = "Business envelope No. 10";
    s.setNumber(20);
    s.binary = "BIN00001.E";
    return s;
}

std::vector<PrintedName> EnvelopeFixture::print(const envelopes::EnvelopePrintOptions& o,
                                                envelopes::EnvelopePaper paper, PdfInfo* info,
                                                envelopes::EnvelopeSetup setup)
{
    if (setup.binary.empty())
        setup = shipped();
    envelopes::EnvelopeRunHooks hooks;
    hooks.info = [](const QString& m) { ui::ShowInfo(m); };
    std::vector<PrintedName> out;
    envelopes::EnvelopePrintRun run(t_, setup, sysdata_, o, hooks);
    if (!run.LoadLayout())
        return out;
    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    run.SetPaper(printer, paper);
    run.ApplyRecordChoice();
    print::PrintJob job(printer);
    run.ConfigureJob(job, false);
    QFile::remove(pdf_);
    EXPECT_TRUE(job.PrintToPdf(pdf_, 300)) << job.ErrorText().toStdString();
    run.Restore();
    const PdfInfo pi = ReadPdfInfo(pdf_);
    if (info)
        *info = pi;
    for (int p = 1; p <= pi.pages; ++p)
        for (const PdfWord& w : ReadPdfWords(pdf_, p))
            if (w.text.startsWith(QStringLiteral("Rec")))
                out.push_back({p, w.xMin / 72.0, w.yMin / 72.0, w.text});
    return out;
}

}  // namespace envelope_test
