// Builds the ready report shipped with the program: REPORT.DBF (with its index) and the layout file
// of a phone list (header with title, date and page number; name, phone and e-mail per record; a
// footer).
//
//   addrova-mkreports SYSDATA_DIR

#include "GGraphc.h"
#include "GLabels.h"
#include "ReportStore.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <exception>

using namespace addrova;
using layout::LayoutFont;

namespace {

LayoutFont font(int size, unsigned style = 0)
{
    LayoutFont f;
    f.name = QStringLiteral("Arial");
    f.size = size;
    f.style = style;
    return f;
}

template <class T>
T* place(QObject* band, const QString& name, int l, int t, int w, int h, const LayoutFont& f)
{
    auto* o = new T(band);
    o->setName(name);
    o->setFont(f);
    o->setBounds(l, t, w, h);
    return o;
}

void text(QObject* band, const QString& name, const QString& caption, int l, int t, int w, int h, const LayoutFont& f)
{
    place<layout::TGPLabel>(band, name, l, t, w, h, f)->setCaption(caption);
}

void field(QObject* band, const QString& name, const char* fieldName, const char* label, int l, int w)
{
    auto* o = place<layout::TGPDLabel>(band, name, l, 3, w, 17, font(10));
    o->setDataFieldName(QString::fromLatin1(fieldName));
    o->setDataFieldDescript(QString::fromLatin1(label));
    o->setCaption(QLatin1Char('[') + QString::fromLatin1(label) + QLatin1Char(']'));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: addrova-mkreports SYSDATA_DIR\n");
        return 2;
    }
    try {
        std::string dir = argv[1];
        if (dir.back() != '/')
            dir += '/';
        QDir().mkpath(QString::fromStdString(dir));
        for (const char* f : {"REPORT.DBF", "REPORT.CDX", "REPORT.FPT", "BIN00001.R"})
            QFile::remove(QString::fromStdString(dir + f));

        // Letter portrait, half-inch margins: the bands are 696 units wide at 96 ppi.
        reports::ReportDefinition def;
        def.description = QStringLiteral("Phone list");
        def.settings = reports::ReportSettings::NewReport(96);
        reports::ReportSettings& s = def.settings;
        s.headerHeight = 76;
        s.detailHeight = 22;
        s.footerHeight = 30;
        s.useFooter = true;
        s.headerFrame.bottom = true;
        s.headerFrame.lineWidth = 2;
        s.headerFrame.shadePercent = 20;
        s.headerFrame.shadeColor = 0x00C08000;  // a blue, light at 20 per cent
        s.footerFrame.top = true;

        QObject owner, header, detail, footer;
        text(&header, QStringLiteral("Title"), QStringLiteral("Phone List"), 0, 4, 300, 30, font(18, layout::fsBold));
        auto* date = place<layout::TGDateTimeLabel>(&header, QStringLiteral("Date"), 0, 34, 200, 18, font(9));
        date->setDateFormat(layout::DateFormat::dtfDateShort);
        text(&header, QStringLiteral("PageCaption"), QStringLiteral("Page"), 600, 8, 40, 18, font(10));
        place<layout::TGPageNumberLabel>(&header, QStringLiteral("PageNo"), 642, 8, 50, 18, font(10));
        text(&header, QStringLiteral("NameCaption"), QStringLiteral("Name"), 0, 56, 120, 18, font(10, layout::fsBold));
        text(&header, QStringLiteral("PhoneCaption"), QStringLiteral("Phone"), 300, 56, 120, 18,
             font(10, layout::fsBold));
        text(&header, QStringLiteral("EmailCaption"), QStringLiteral("E-mail"), 470, 56, 120, 18,
             font(10, layout::fsBold));

        field(&detail, QStringLiteral("FullName"), "FullName", "Full Name", 0, 290);
        field(&detail, QStringLiteral("Phone"), "PHONE", "Phone 1", 300, 160);
        field(&detail, QStringLiteral("Email"), "EMAIL", "Email", 470, 226);

        text(&footer, QStringLiteral("FooterText"), QStringLiteral("Addrova phone list"), 0, 8, 300, 16,
             font(8, layout::fsItalic));

        store::Table t;
        const std::string problem = store::openSystemTable(store::SystemTable::Report, t, dir);
        if (!problem.empty()) {
            std::fprintf(stderr, "addrova-mkreports: %s\n", problem.c_str());
            return 1;
        }
        t.setSelection("not DELETED()");
        reports::ReportList list(t, dir);
        list.Save(def, true, reports::ReportBands{&owner, &header, &detail, &footer});
        t.close();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "addrova-mkreports: %s\n", e.what());
        return 1;
    }
}
