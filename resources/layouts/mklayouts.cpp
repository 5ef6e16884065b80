// Builds the ready label layouts shipped with the program: LABEL.DBF (with its index) and the layout
// files it names, written by the design panel itself.
//
//   addrova-mklayouts SYSDATA_DIR

#include "EnvelopeStore.h"
#include "GMultiLine.h"
#include "GPanels.h"
#include "LabelStock.h"
#include "SystemTables.h"
#include "Table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdio>
#include <exception>

using namespace addrova;

namespace {

// A label of the layout's stock with one address block filling it, as the designer starts a new layout.
void writeAddressLayout(const labels::LabelSetup& s, const QString& path)
{
    layout::TGLabelPanel panel;
    panel.setPpi(96);
    const int w = static_cast<int>(std::lround(s.lblWidth * 96)), h = static_cast<int>(std::lround(s.lblHeight * 96));
    panel.resize(w, h);
    panel.setPanelState(layout::TGLabelPanel::psAddressLabel);
    panel.PlaceObject(QRect(QPoint(5, 5), QPoint(w - 10, h - 10)));
    panel.setPanelState(layout::TGLabelPanel::psPointing);
    // Placing fits the block to the lines of the current record; there is none here, so it gets
    // the whole label back.
    for (layout::TGGraphicControl* o : panel.objects())
        o->setBounds(5, 5, w - 15, h - 15);
    panel.SaveToFile(path);
}

// A No. 10 business envelope: a return-address block in the return address area and the address
// block in the USPS address area, in inches on the 9.5 x 4.125 envelope.
void writeEnvelopeLayout(const QString& path)
{
    layout::TEnvelopePanel panel;
    panel.setPpi(96);
    panel.resize(912, 396);
    auto px = [](double inches) { return static_cast<int>(std::lround(inches * 96)); };
    layout::LayoutFont font;
    font.name = QStringLiteral("Arial");

    auto* ret = new layout::TGMultiLineLabel(&panel);
    font.size = 9;
    ret->setFont(font);
    ret->setItems({QStringLiteral("Your Name"), QStringLiteral("Your Street"), QStringLiteral("City, ST 00000")});
    panel.AddObject(ret, QRect(px(0.25), px(0.25), px(2.75), px(0.6)));

    auto* address = new layout::TGDMultiLineAddressLabel(&panel);
    font.size = 12;
    address->setFont(font);
    panel.AddObject(address, QRect(px(4.0), px(1.75), px(4.75), px(1.1)));
    panel.SaveToFile(path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: addrova-mklayouts SYSDATA_DIR\n");
        return 2;
    }
    try {
        std::string dir = argv[1];
        if (dir.back() != '/')
            dir += '/';
        QDir().mkpath(QString::fromStdString(dir));
        for (const char* f : {"LABEL.DBF", "LABEL.CDX", "LABEL.FPT", "BIN00001.L", "ENVELOPE.DBF", "ENVELOPE.CDX",
                              "BIN00001.E"})
            QFile::remove(QString::fromStdString(dir + f));

        labels::LabelSetup s = labels::NewLabelSetup();
        s.descript = "Address labels, 30 per sheet (Avery 5160)";
        s.binary = "BIN00001.L";
        writeAddressLayout(s, QString::fromStdString(dir + s.binary));

        store::Table t;
        const std::string problem = store::openSystemTable(store::SystemTable::Label, t, dir);
        if (!problem.empty()) {
            std::fprintf(stderr, "addrova-mklayouts: %s\n", problem.c_str());
            return 1;
        }
        t.appendBlank();
        labels::WriteLabelSetup(t, s);
        t.post();
        t.close();

        envelopes::EnvelopeSetup e;
        e.descript = "Business envelope No. 10";
        e.setNumber(envelopes::kEnvelope10);
        e.binary = "BIN00001.E";
        writeEnvelopeLayout(QString::fromStdString(dir + e.binary));
        store::Table et;
        const std::string eproblem = store::openSystemTable(store::SystemTable::Envelope, et, dir);
        if (!eproblem.empty()) {
            std::fprintf(stderr, "addrova-mklayouts: %s\n", eproblem.c_str());
            return 1;
        }
        et.appendBlank();
        envelopes::WriteEnvelopeSetup(et, e);
        et.post();
        et.close();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "addrova-mklayouts: %s\n", e.what());
        return 1;
    }
}
