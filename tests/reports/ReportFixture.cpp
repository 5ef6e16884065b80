#include "ReportFixture.h"

#include "GGraphc.h"
#include "GLabels.h"
#include "ReportStore.h"
#include "TestProgramDir.h"

namespace reports_test {

void ReportFixture::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    program_ = dir_.path().toStdString() + "/";
    sysdata_ = program_ + "sysdata/";
    ASSERT_TRUE(addrova::test::MakeProgramDir(dir_.path(), QStringLiteral(ADDROVA_SYSDATA_DIR),
                                              {"REPORT.DBF", "REPORT.CDX", "BIN00001.R"}));
    const std::string path = program_ + "ADDRESS.DBF";
    ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
    t_.open(path);
    t_.setDeleted(true);
    t_.setSelection("!ISDEL");
    ui::SetMessageHook([this](const ui::MessageRequest& r) {
        messages_.push_back(r.text);
        return true;
    });
}

void ReportFixture::TearDown()
{
    ui::SetMessageHook({});
    if (t_.isOpen())
        t_.close();
}

uint32_t ReportFixture::add(const Fields& fields)
{
    t_.appendBlank();
    for (const auto& [name, value] : fields) {
        if (name == "MEMO")
            t_.setMemo(name, value);
        else
            t_.setString(name, value);
    }
    t_.setLogical("ISDEL", false);
    t_.post();
    return t_.recNo();
}

void ReportFixture::addNumbered(int n)
{
    for (int i = 1; i <= n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Rec%02d", i);
        add({{"LNAME", name}, {"FNAME", "Ann"}});
    }
}

QString ReportFixture::writeLayout(const reports::ReportSettings& s, const QString& name)
{
    QObject owner, header, detail, footer;
    auto text = [](QObject* band, const QString& objectName, const QString& caption) {
        auto* o = new layout::TGPLabel(band);
        o->setName(objectName);
        o->setCaption(caption);
        o->setBounds(2, 2, 100, 18);
    };
    text(&header, QStringLiteral("H"), QStringLiteral("HDR"));
    text(&footer, QStringLiteral("F"), QStringLiteral("FTR"));
    auto* d = new layout::TGPDLabel(&detail);
    d->setName(QStringLiteral("D"));
    d->setDataFieldName(QStringLiteral("LNAME"));
    d->setDataFieldDescript(QStringLiteral("Last Name"));
    d->setBounds(2, 2, 200, 18);
    const QString path = QString::fromStdString(sysdata_) + name;
    reports::SaveReportFile(path, reports::ReportBands{&owner, &header, &detail, &footer}, s, 96);
    return path;
}

QStringList ReportFixture::words(int page, const QString& prefix) const
{
    QStringList out;
    for (const PdfWord& w : ReadPdfWords(pdf(), page))
        if (w.text.startsWith(prefix))
            out << w.text;
    return out;
}

}  // namespace reports_test
