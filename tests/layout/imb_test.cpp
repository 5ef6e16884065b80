// The Intelligent Mail barcode: encoder, object, stream and the printed bars.
#include "GBarcode.h"
#include "GFiler.h"
#include "GIMBarcode.h"
#include "GShapes.h"
#include "JobPrintSurface.h"
#include "PdfProbe.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::layout;
namespace print = addrova::print;

namespace {

// zint's own rendering of a symbol: "--dump" prints three rows of hex, one bit per module.
std::string zintBars(const std::string& tracking, const std::string& routing)
{
    QProcess p;
    p.start(QStringLiteral("zint"), {QStringLiteral("-b"), QStringLiteral("USPS_IMAIL"), QStringLiteral("--dump"),
                                     QStringLiteral("-d"), QString::fromStdString(tracking + "-" + routing)});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return "zint failed";
    const QStringList rows = QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (rows.size() != 3)
        return "zint gave " + std::to_string(rows.size()) + " rows";
    auto bit = [&](int row, int module) {
        const QString hex = QString(rows[row]).remove(' ');
        const int nibble = hex.mid(module / 4, 1).toInt(nullptr, 16);
        return (nibble >> (3 - module % 4)) & 1;
    };
    std::string out;
    for (int m = 0; m < 129; m += 2)
        out += bit(0, m) ? (bit(2, m) ? 'F' : 'A') : (bit(2, m) ? 'D' : 'T');
    return out;
}

}  // namespace

TEST(Imb, PublishedExamples)
{
    // The four examples of USPS-B-3200 (Appendix), one per routing length.
    struct Case {
        const char *tracking, *routing, *bars;
    } cases[] = {
        {"01234567094987654321", "", "ATTFATTDTTADTAATTDTDTATTDAFDDFADFDFTFFFFFTATFAAAATDFFTDAADFTFDTDT"},
        {"01234567094987654321", "01234", "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT"},
        {"01234567094987654321", "012345678", "ADFTTAFDTTTTFATTADTAAATFTFTATDAAAFDDADATATDTDTTDFDTDATADADTDFFTFA"},
        {"01234567094987654321", "01234567891", "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA"},
    };
    for (const auto& c : cases) {
        const imb::Encoded e = imb::Encode(c.tracking, c.routing);
        ASSERT_TRUE(e.ok()) << e.error;
        EXPECT_EQ(e.bars, c.bars) << "routing " << c.routing;
        EXPECT_EQ(zintBars(c.tracking, c.routing), c.bars) << "routing " << c.routing;
    }
}

TEST(Imb, AgainstZintForOtherCodes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"00700901234567123456", "12345"},       {"00040123456200800001", "987654321"},
        {"44999999999999999999", "99999999999"}, {"00000000000000000000", ""},
        {"01300123456000000001", "20500000099"},
    };
    for (const auto& [tracking, routing] : cases) {
        const imb::Encoded e = imb::Encode(tracking, routing);
        ASSERT_TRUE(e.ok()) << e.error;
        ASSERT_EQ(e.bars.size(), 65u);
        EXPECT_EQ(e.bars, zintBars(tracking, routing)) << tracking << "-" << routing;
    }
}

TEST(Imb, WrongDigitCountsGiveAMessageNotABarcode)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0123456709498765432", ""},        {"012345670949876543210", ""}, {"0123456709498765432A", ""},
        {"05234567094987654321", ""},       {"01234567094987654321", "1234"},
        {"01234567094987654321", "123456"}, {"01234567094987654321", "1234567890"},
        {"01234567094987654321", "12-45"},
    };
    for (const auto& [tracking, routing] : cases) {
        const imb::Encoded e = imb::Encode(tracking, routing);
        EXPECT_FALSE(e.ok()) << tracking << "-" << routing;
        EXPECT_TRUE(e.bars.empty());
    }
}

TEST(Imb, TrackingAndRoutingFromTheirParts)
{
    std::string err;
    EXPECT_EQ(imb::TrackingCode("00", "700", "123456", "000000001", err), "00700123456000000001");
    EXPECT_EQ(imb::TrackingCode("01", "040", "901234567", "000042", err), "01040901234567000042");
    struct Bad {
        const char *id, *service, *mailer, *serial;
    } bad[] = {
        {"0", "700", "123456", "000000001"},  {"05", "700", "123456", "000000001"},
        {"00", "70", "123456", "000000001"},  {"00", "700", "12345", "000000001"},
        {"00", "700", "923456", "000000001"}, {"00", "700", "123456789", "000001"},
        {"00", "700", "123456", "00000001"},  {"00", "700", "901234567", "000000001"},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(imb::TrackingCode(b.id, b.service, b.mailer, b.serial, err), "") << b.mailer << " " << b.serial;
        EXPECT_FALSE(err.empty());
    }

    EXPECT_EQ(imb::CounterSerial("123456", 41, 1), "000000042");
    EXPECT_EQ(imb::CounterSerial("901234567", 999998, 1), "999999");
    EXPECT_EQ(imb::CounterSerial("901234567", 999999, 1), "");

    struct Route {
        const char *zip, *address;
        BarCodeType type;
        const char* routing;  // "" with an error
    } routes[] = {
        {"12345", "1 MAIN ST", BarCodeType::pnbc11Digit, "12345"},
        {"12345-6789", "", BarCodeType::pnbc9Digit, "123456789"},
        {"12345-6789", "", BarCodeType::pnbc5Digit, "12345"},
        {"12345-6789", "123 MAIN ST APT 4B", BarCodeType::pnbc11Digit, "12345678904"},
        {"12345-6789", "PO BOX 7", BarCodeType::pnbc11Digit, "12345678907"},
        {"1234", "", BarCodeType::pnbc11Digit, ""},
        {"K1A 0B1", "", BarCodeType::pnbc11Digit, ""},
        {"12345-678", "", BarCodeType::pnbc9Digit, ""},
        {"", "", BarCodeType::pnbc5Digit, ""},
    };
    for (const auto& r : routes) {
        EXPECT_EQ(imb::RoutingCode(r.zip, r.address, r.type, err), r.routing) << r.zip;
        EXPECT_EQ(err.empty(), *r.routing != 0) << r.zip;
    }
}

TEST(Imb, ObjectEncodesTheRecordAndCountsSerials)
{
    StandaloneHost host;
    auto* b = new TGIMBarCode(&host);
    b->setBarcodeId(QStringLiteral("01"));
    b->setServiceType(QStringLiteral("234"));
    b->setMailerId(QStringLiteral("567094"));
    b->setSerialNumber(QStringLiteral("987654321"));
    b->setData(QStringLiteral("01234-5678"), QStringLiteral("9 ELM ST APT 91"));
    EXPECT_EQ(b->encode().bars, "AADTFFDFTDADTAADAATFDTDDAAADDTDTTDAFADADDDTFFFDDTTTADFAAADFTDAADA");

    b->setSerialFromCounter(true);
    b->setSerialNumber(QStringLiteral("987654320"));
    EXPECT_NE(b->encode().bars, imb::Encode("01234567094987654321", "01234567891").bars);
    b->advanceCounter();
    EXPECT_EQ(b->encode().bars, imb::Encode("01234567094987654321", "01234567891").bars);
    b->resetCounter();
    EXPECT_EQ(b->encode().bars, imb::Encode("01234567094987654320", "01234567891").bars);

    b->setData(QStringLiteral("K1A 0B1"), QString());
    const imb::Encoded bad = b->encode();
    EXPECT_FALSE(bad.ok());
    EXPECT_NE(bad.error.find("K1A 0B1"), std::string::npos);
    b->setMailerId(QStringLiteral("12345"));
    EXPECT_NE(b->trackingError().find("mailer"), std::string::npos);
}

TEST(Imb, StreamRoundTripAndRegistration)
{
    clearClassRegistry();
    StandaloneHost host;
    auto* line = new TGLineShape(&host);
    line->setName(QStringLiteral("Component0"));
    line->setBounds(10, 20, 100, 10);
    auto* post = new TGPostNetBarCode(&host);
    post->setName(QStringLiteral("Component1"));
    post->setZipCodeField(QStringLiteral("ZIP"));
    const QByteArray without = TGLabelObjectFiler::encodeList({line, post});
    EXPECT_EQ(without.indexOf("TGIMBarCode"), -1);

    auto* b = new TGIMBarCode(&host);
    b->setName(QStringLiteral("Component2"));
    b->setBounds(5, 6, 282, 14);
    b->setBarcodeId(QStringLiteral("00"));
    b->setServiceType(QStringLiteral("040"));
    b->setMailerId(QStringLiteral("901234567"));
    b->setSerialNumber(QStringLiteral("000100"));
    b->setSerialFromCounter(true);
    b->setZipCodeField(QStringLiteral("ZIP"));
    b->setAddressField(QStringLiteral("STREET"));
    b->setRoutingType(BarCodeType::pnbc9Digit);
    const QByteArray with = TGLabelObjectFiler::encodeList({line, post, b});
    // The objects before it are written exactly as without it.
    EXPECT_TRUE(with.startsWith(without.left(without.size() - 1)));

    StandaloneHost other;
    EXPECT_THROW(TGLabelObjectFiler::decodeList(with, &other, &other), LayoutStreamError);
    qDeleteAll(other.children());
    registerPanelClasses(PanelKind::Envelope);  // envelope panels hold it as label panels do
    const auto read = TGLabelObjectFiler::decodeList(with, &other, &other);
    ASSERT_EQ(read.size(), 3u);
    auto* r = qobject_cast<TGIMBarCode*>(read[2]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->bounds(), QRect(5, 6, 282, 14));
    EXPECT_EQ(r->serviceType(), QStringLiteral("040"));
    EXPECT_EQ(r->mailerId(), QStringLiteral("901234567"));
    EXPECT_EQ(r->serialNumber(), QStringLiteral("000100"));
    EXPECT_TRUE(r->serialFromCounter());
    EXPECT_EQ(r->addressField(), QStringLiteral("STREET"));
    EXPECT_EQ(r->routingType(), BarCodeType::pnbc9Digit);
    EXPECT_EQ(TGLabelObjectFiler::encodeList(read), with);
    clearClassRegistry();
    registerPanelClasses(PanelKind::Label);
    EXPECT_TRUE(classRegistered(QStringLiteral("TGIMBarCode")));
    clearClassRegistry();
}

TEST(Imb, PrintedBarsAtUspsDimensions)
{
    StandaloneHost host;
    auto* b = new TGIMBarCode(&host);
    b->setBarcodeId(QStringLiteral("01"));
    b->setServiceType(QStringLiteral("234"));
    b->setMailerId(QStringLiteral("567094"));
    b->setSerialNumber(QStringLiteral("987654321"));
    b->setData(QStringLiteral("01234-5678"), QStringLiteral("9 ELM ST APT 91"));
    b->setBounds(96, 96, 282, 14);  // one inch in and down on the label
    const std::string states = b->encode().bars;
    ASSERT_EQ(states.size(), 65u);

    print::PrinterControl printer;
    printer.SetPrinterByName(print::PrinterControl::PdfPrinterName());
    printer.SetPaperCode(print::PaperLetter);
    print::PrintJob job(printer);
    job.OnPrint = [b](print::PrintJob& j) {
        JobPrintSurface s(j);
        b->print(s, 0.5, 0.5);
    };
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("imb.pdf"));
    ASSERT_TRUE(job.PrintToPdf(pdf));
    const int dpi = 600;
    QImageReader::setAllocationLimit(512);  // a Letter page at 600 dpi
    const QImage page = RenderPdfPage(pdf, 1, dpi);
    ASSERT_FALSE(page.isNull());
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };

    // The tracker band crosses every bar: scan along its middle.
    const double top = 1.5, mid = top + imb::kFullHeight / 2;
    const int y = static_cast<int>(mid * dpi);
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < page.width(); ++x) {
        if (!dark(x, y))
            continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({x, x});
    }
    ASSERT_EQ(runs.size(), 65u);
    const double pitch = (runs.back().first - runs.front().first) / 64.0 / dpi;
    EXPECT_GE(1 / pitch, 20);
    EXPECT_LE(1 / pitch, 24);
    EXPECT_NEAR(runs.front().first / double(dpi), 1.5, 2.0 / dpi);
    for (size_t i = 0; i < runs.size(); ++i) {
        const double width = (runs[i].second - runs[i].first + 1) / double(dpi);
        EXPECT_GE(width, 0.015) << i;
        EXPECT_LE(width, 0.025) << i;
        const int x = (runs[i].first + runs[i].second) / 2;
        int t = y, bottom = y;
        while (t > 0 && dark(x, t - 1))
            --t;
        while (bottom + 1 < page.height() && dark(x, bottom + 1))
            ++bottom;
        const double h = (bottom - t + 1) / double(dpi);
        const bool up = dark(x, static_cast<int>((top + 0.01) * dpi));
        const bool down = dark(x, static_cast<int>((top + imb::kFullHeight - 0.01) * dpi));
        const char state = up ? (down ? 'F' : 'A') : (down ? 'D' : 'T');
        EXPECT_EQ(state, states[i]) << i;
        if (state == 'F') {
            EXPECT_GE(h, 0.125) << i;
            EXPECT_LE(h, 0.165) << i;
        } else if (state == 'T') {
            EXPECT_GE(h, 0.039) << i;
            EXPECT_LE(h, 0.057) << i;
        }
    }

    // A ZIP that forms no routing code prints nothing.
    b->setData(QStringLiteral("1234"), QString());
    print::PrintJob empty(printer);
    empty.OnPrint = [b](print::PrintJob& j) {
        JobPrintSurface s(j);
        b->print(s, 0.5, 0.5);
    };
    std::vector<QImage> pages;
    ASSERT_TRUE(empty.PrintToImages(pages, 100));
    EXPECT_TRUE(InkBox(pages.at(0)).isEmpty());
}
