// addrova-batch render-layout: a stored layout with a record's data drawn through the print engine.
#include "AddressFile.h"
#include "GBarcode.h"
#include "GFiler.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"
#include "Table.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::layout;
namespace store = addrova::store;

namespace {

struct BatchRun {
    int status;
    QString out, err;
};
BatchRun batch(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(ADDROVA_BATCH_PATH), args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

TEST(RenderLayout, LabelWithRecordData) {
    QTemporaryDir dir;
    std::string data = dir.filePath(QStringLiteral("ADD0001.DBF")).toStdString();
    ASSERT_EQ(store::createAddressFile(data, store::defaultWidths()), "");
    {
        store::Table t;
        ASSERT_EQ(store::openAddressFile(data, t), "");
        t.appendBlank();
        t.setString("LNAME", "Smith");
        t.setString("ZIP", "12345-6789");
        t.setString("STREET", "123 MAIN ST APT 4B");
        t.post();
    }
    registerPanelClasses(PanelKind::Label);
    StandaloneHost panel;
    auto* name = new TGPDLabel(&panel);
    name->setDataFieldDescript(QStringLiteral("Last Name"));
    name->setBounds(10, 5, 142, 33);
    auto* bar = new TGPostNetBarCode(&panel);
    bar->setZipCodeField(QStringLiteral("ZIP"));
    bar->setAddressField(QStringLiteral("STREET"));
    bar->setBounds(10, 60, 270, 16);
    auto* line = new TGLineShape(&panel);
    line->setBounds(0, 90, 288, 10);
    QString layout = dir.filePath(QStringLiteral("BIN00001.L"));
    TGLabelObjectFiler::SaveObjects(&panel, layout);

    QString png = dir.filePath(QStringLiteral("out.png"));
    BatchRun r = batch({"render-layout", layout, "--kind", "label", "--record", "1", "--data", QString::fromStdString(data),
                   "--png", png, "--dpi", "200", "--width", "3", "--height", "1.25"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QImage img(png);
    ASSERT_EQ(img.size(), QSize(600, 250));
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 128; };
    // POSTNET of 12345-6789 with delivery point 04: 62 bars from x = 10/96 inch.
    int baseline = static_cast<int>((60 + 12) / 96.0 * 200) - 1;
    int bars = 0;
    for (int x = 1; x < img.width(); ++x) bars += dark(x, baseline) && !dark(x - 1, baseline);
    EXPECT_EQ(bars, static_cast<int>(postnet::barPattern("123456789041").size()));
    // The name printed in the label's top-left area, the line across the whole width.
    int ink = 0;
    for (int y = 5 * 200 / 96; y < 38 * 200 / 96; ++y)
        for (int x = 10 * 200 / 96; x < 152 * 200 / 96; ++x) ink += dark(x, y);
    EXPECT_GT(ink, 50);
    int lineY = static_cast<int>(90 / 96.0 * 200);
    auto lineAt = [&](int x) {
        for (int y = lineY - 2; y <= lineY + 2; ++y)
            if (dark(x, y)) return true;
        return false;
    };
    EXPECT_TRUE(lineAt(20) && lineAt(580));
    if (qEnvironmentVariableIsSet("KEEP_RENDER")) img.save(qEnvironmentVariable("KEEP_RENDER"));
}

TEST(RenderLayout, Errors) {
    QTemporaryDir dir;
    QString bad = dir.filePath(QStringLiteral("BIN00002.E"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x01TPF0\x0cTGFIMBarCode\x01X", 20);
    f.close();
    QString png = dir.filePath(QStringLiteral("out.png"));
    BatchRun r = batch({"render-layout", bad, "--kind", "label", "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Class TGFIMBarCode not found"))) << r.err.toStdString();
    r = batch({"render-layout", bad, "--kind", "envelope", "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Stream read error"))) << r.err.toStdString();
    r = batch({"render-layout", bad, "--kind", "report", "--png", png});
    EXPECT_EQ(r.status, 2);
    r = batch({"render-layout", dir.filePath(QStringLiteral("none.L")), "--kind", "label", "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(QFile::exists(png));
}
