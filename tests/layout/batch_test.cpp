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
BatchRun batch(const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
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

// Damaged layouts and arguments: refused with a message, never a crash or a picture of the wrong size.
TEST(RenderLayout, DamagedInputIsRefused) {
    QTemporaryDir dir;
    registerPanelClasses(PanelKind::Label);
    StandaloneHost panel;
    auto* line = new TGLineShape(&panel);
    line->setBounds(0, 90, 237, 10);
    QString good = dir.filePath(QStringLiteral("BIN00001.L"));
    TGLabelObjectFiler::SaveObjects(&panel, good);
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    const QByteArray width = QByteArray("\x05Width\x03\xed\x00", 9);
    ASSERT_TRUE(bytes.contains(width));
    auto variant = [&](const char* file, const QByteArray& replacement) {
        QString path = dir.filePath(QString::fromLatin1(file));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(bytes).replace(width, replacement));
        return path;
    };
    QString deep = variant("deep.L", QByteArray("\x05Width\x01", 7) + QByteArray(100000, '\x01') +
                                         QByteArray(100000, '\x00'));
    QString wide = variant("wide.L", QByteArray("\x05Width\x04\xff\xff\xff\x7f", 11));
    QString png = dir.filePath(QStringLiteral("out.png"));

    BatchRun r = batch({"render-layout", deep, "--kind", "label", "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid stream format"))) << r.err.toStdString();
    r = batch({"render-layout", wide, "--kind", "label", "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid property value"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(png));

    r = batch({"render-layout", good, "--kind", "label", "--png", dir.filePath(QStringLiteral("x.xyz"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ending in .png"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.xyz"))));

    std::string data = dir.filePath(QStringLiteral("ADD0001.DBF")).toStdString();
    ASSERT_EQ(store::createAddressFile(data, store::defaultWidths()), "");
    r = batch({"render-layout", good, "--kind", "label", "--record", "0", "--data", QString::fromStdString(data),
               "--png", png});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("has no records"))) << r.err.toStdString();
    {
        store::Table t;
        ASSERT_EQ(store::openAddressFile(data, t), "");
        t.appendBlank();
        t.post();
    }
    r = batch({"render-layout", good, "--kind", "label", "--record", "2", "--data", QString::fromStdString(data),
               "--png", png});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("must be a number from 1 to 1,"))) << r.err.toStdString();
}

// The tool prints only its own output: no notes from Qt, such as a missing XDG_RUNTIME_DIR.
TEST(RenderLayout, PrintsOnlyItsOwnOutput) {
    QTemporaryDir dir;
    registerPanelClasses(PanelKind::Label);
    StandaloneHost panel;
    (new TGLineShape(&panel))->setBounds(0, 10, 96, 10);
    QString layout = dir.filePath(QStringLiteral("BIN00001.L"));
    TGLabelObjectFiler::SaveObjects(&panel, layout);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    BatchRun r = batch({"render-layout", layout, "--kind", "label", "--png", dir.filePath(QStringLiteral("out.png"))}, env);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, QString());
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Rendered 1 objects"))) << r.out.toStdString();
}
