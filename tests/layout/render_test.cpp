// Data-bound objects over a real address file, and printing through a painter at a device resolution.
#include "AddressFile.h"
#include "GBarcode.h"
#include "GFiler.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"
#include "Table.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::layout;
namespace store = addrova::store;

namespace {

// An address file with a few records, opened, and the layout host over it.
class RecordFixture : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.filePath(QStringLiteral("ADD0001.DBF")).toStdString();
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        ASSERT_EQ(store::openAddressFile(path, table), "");
        add({{"LNAME", "Smith   "}, {"FNAME", "Ann"}, {"ZIP", "12345-6789"}, {"STREET", "123 MAIN ST APT 4B"},
             {"CITY", "Springfield"}, {"STATE", "IL"}, {"COUNTRY", "USA"}},
            "First line\r\nSecond line");
        add({{"LNAME", "    "}, {"ZIP", "A1B 2C3"}}, "");
        table.goTop();
        source = std::make_unique<TableRecordSource>(table);
        host.setRecords(source.get());
    }
    void add(std::initializer_list<std::pair<const char*, const char*>> values, const char* memo) {
        table.appendBlank();
        for (const auto& [f, v] : values) table.setString(f, v);
        if (*memo) table.setMemo("MEMO", memo);
        table.post();
    }
    QTemporaryDir dir;
    std::string path;
    store::Table table;
    std::unique_ptr<TableRecordSource> source;
    StandaloneHost host;
};

// A white page at a resolution, printed into with a PainterPrintSurface.
struct Page {
    explicit Page(double wInch, double hInch, int dpi)
        : image(static_cast<int>(wInch * dpi), static_cast<int>(hInch * dpi), QImage::Format_RGB32), dpi(dpi) {
        image.fill(Qt::white);
    }
    QImage image;
    int dpi;
    bool dark(int x, int y) const { return qGray(image.pixel(x, y)) < 128; }
};

}  // namespace

TEST_F(RecordFixture, DataFieldCaptions) {
    auto* d = new TGPDLabel(&host);
    d->setDataFieldDescript(QStringLiteral("Last Name"));
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("Smith"));
    host.setDisplayDataValues(false);
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("[Last Name]"));
    host.setDisplayDataValues(true);
    table.skip(1);
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("<blank field>"));
    host.setPrinting(true);
    d->refreshData();
    EXPECT_EQ(d->caption(), QString());
    host.setPrinting(false);
    d->setDataFieldDescript(QStringLiteral("No Such Label"));
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("<undefined field>"));
    host.setPrinting(true);
    d->clearData();
    d->refreshData();
    EXPECT_EQ(d->caption(), QString());  // while printing an unknown field keeps its (empty) caption
}

TEST_F(RecordFixture, ComposedFieldsBindByLabel) {
    auto* d = new TGPDLabel(&host);
    d->setDataFieldDescript(QStringLiteral("Full Name"));
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("Ann Smith"));
    d->setDataFieldDescript(QStringLiteral("City, State & Zip"));
    d->refreshData();
    EXPECT_EQ(d->caption(), QStringLiteral("Springfield IL 12345-6789"));
}

TEST_F(RecordFixture, MemoAndAddressBlock) {
    auto* memo = new TGDMultiLineLabel(&host);
    memo->setDataFieldDescript(QStringLiteral("MEMO"));
    memo->refreshData();
    EXPECT_EQ(memo->items(), QStringList({"First line", "Second line"}));
    auto* addr = new TGDMultiLineAddressLabel(&host);
    addr->refreshData();
    EXPECT_EQ(addr->items(), QStringList({"Ann Smith ", "123 MAIN ST APT 4B", "Springfield  IL 12345-6789", "USA"}));
    host.setDisplayDataValues(false);
    addr->refreshData();
    memo->refreshData();
    EXPECT_EQ(addr->items(), QStringList({"[Address Label]"}));
    EXPECT_EQ(memo->items(), QStringList({"[MEMO]"}));
    host.setDisplayDataValues(true);
    table.skip(1);
    memo->refreshData();
    EXPECT_TRUE(memo->items().isEmpty());
    memo->setDataFieldDescript(QStringLiteral("Notes"));
    memo->refreshData();
    EXPECT_EQ(memo->items(), QStringList({"<undefined memo>"}));
}

TEST_F(RecordFixture, PlaceholdersArePaintedNotPrinted) {
    auto* memo = new TGDMultiLineLabel(&host);
    memo->setDataFieldDescript(QStringLiteral("MEMO"));
    memo->setBounds(0, 0, 190, 33);
    table.skip(1);
    memo->refreshData();
    QImage screen(200, 40, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter p(&screen);
        host.paintAll(p);
    }
    int dark = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) dark += qGray(screen.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);  // "<blank memo>"
    Page page(2.5, 0.5, 300);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, page.dpi, page.dpi);
        host.setPrinting(true);
        memo->refreshData();
        memo->print(s, 0, 0);
    }
    for (int y = 0; y < page.image.height(); ++y)
        for (int x = 0; x < page.image.width(); ++x) ASSERT_FALSE(page.dark(x, y));
}

TEST_F(RecordFixture, PostnetOnThePrintedPage) {
    auto* bar = new TGPostNetBarCode(&host);
    bar->setZipCodeField(QStringLiteral("ZIP"));
    bar->setAddressField(QStringLiteral("STREET"));
    bar->setBounds(96, 48, 270, 16);  // one inch across, half an inch down
    host.setPrinting(true);
    bar->refreshData();
    std::string printed = postnet::printedString(bar->zipText().toStdString(), bar->addressText().toStdString(),
                                                 BarCodeType::pnbc11Digit);
    EXPECT_EQ(printed, "123456789041");
    const int dpi = 1000;
    Page page(4.5, 1.0, dpi);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, dpi, dpi);
        bar->print(s, 0.25, 0.125);  // label origin
    }
    // Scan the row just above the baseline: each dark run is one bar.
    const int baseline = static_cast<int>((0.125 + 0.5 + 0.125) * dpi) - 2;
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < page.image.width(); ++x) {
        if (!page.dark(x, baseline)) continue;
        if (!runs.empty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.push_back({x, x});
    }
    std::string pattern = postnet::barPattern(printed);
    ASSERT_EQ(runs.size(), pattern.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        double left = 0.25 + 1.0 + 0.046 * static_cast<double>(i);
        EXPECT_NEAR(runs[i].first / static_cast<double>(dpi), left, 0.0025) << i;
        EXPECT_NEAR((runs[i].second - runs[i].first + 1) / static_cast<double>(dpi), 0.015, 0.0025) << i;
        // Bar height from the column's centre.
        int x = (runs[i].first + runs[i].second) / 2, top = baseline;
        while (top > 0 && page.dark(x, top - 1)) --top;
        double height = (baseline + 2 - top) / static_cast<double>(dpi);
        EXPECT_NEAR(height, pattern[i] == '1' ? 0.125 : 0.055, 0.003) << i;
    }
    // A Canadian postal code prints nothing.
    table.skip(1);
    bar->refreshData();
    Page empty(4.5, 1.0, 100);
    {
        QPainter p(&empty.image);
        PainterPrintSurface s(p, 100, 100);
        bar->print(s, 0, 0);
    }
    EXPECT_EQ(empty.image.pixel(100 + 2, 50 + 10), qRgb(255, 255, 255));
}

TEST(Printing, LineThicknessAndShapeOutline) {
    StandaloneHost host;
    auto* line = new TGLineShape(&host);
    line->setBounds(96, 96, 192, 10);  // from 1 to 3 inches across, 1 inch down
    line->setPen({clBlack, PenMode::pmCopy, PenStyle::psSolid, 3});
    const int dpi = 600;
    Page page(4, 2, dpi);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, dpi, dpi);
        line->print(s, 0, 0);
    }
    int x = 2 * dpi, thick = 0;
    for (int y = 0; y < page.image.height(); ++y) thick += page.dark(x, y);
    EXPECT_NEAR(thick / static_cast<double>(dpi), 0.03, 2.0 / dpi);

    auto* shape = new TGLabelShapes(&host);
    shape->setBounds(96, 96, 96, 96);
    shape->setPen({clBlack, PenMode::pmCopy, PenStyle::psSolid, 3});
    shape->setTransparent(true);
    delete line;
    Page box(3, 3, dpi);
    {
        QPainter p(&box.image);
        PainterPrintSurface s(p, dpi, dpi);
        shape->print(s, 0, 0);
    }
    int row = static_cast<int>(1.5 * dpi), darkRun = 0;
    for (int xx = dpi - 20; xx < dpi + 40; ++xx) darkRun += box.dark(xx, row);
    EXPECT_NEAR(darkRun / static_cast<double>(dpi), 0.03, 2.0 / dpi);
    EXPECT_FALSE(box.dark(static_cast<int>(1.5 * dpi), row));  // transparent inside
}

TEST(Printing, SlopingUpRunsBottomLeftToTopRight) {
    StandaloneHost host;
    auto* line = new TGLineShape(&host);
    line->setLineStyle(LineStyle::stAngleSlopingUp);
    line->setBounds(0, 0, 100, 50);
    QImage screen(120, 60, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter p(&screen);
        host.paintAll(p);
    }
    EXPECT_LT(qGray(screen.pixel(4, 48)), 128);
    EXPECT_LT(qGray(screen.pixel(96, 2)), 128);
    EXPECT_EQ(screen.pixel(5, 2), qRgb(255, 255, 255));
}

TEST(Printing, CounterAcrossCopies) {
    StandaloneHost host;
    host.setPrinting(true);
    auto* c = new TGCounterLabel(&host);
    c->setLeadingZeros(4);
    c->setRepeatEach(3);
    c->setStartingNumber(7);
    QStringList seen;
    Page page(2, 1, 100);
    QPainter p(&page.image);
    PainterPrintSurface s(p, 100, 100);
    for (int copy = 0; copy < 5; ++copy) {
        c->print(s, 0, 0);
        seen << c->caption();
        c->advanceCounter();
    }
    EXPECT_EQ(seen, QStringList({"0007", "0007", "0007", "0008", "0008"}));
    p.end();
}

TEST(Printing, TextLabelDrawsInsideItsBox) {
    StandaloneHost host;
    auto* l = new TGPLabel(&host);
    l->setCaption(QStringLiteral("HELLO"));
    l->setBounds(96, 96, 142, 33);
    LayoutFont f;
    f.size = 20;
    l->setFont(f);
    l->setDepthShadow(3);
    l->setDirectionShadow(ShadowDir::sdDownRight);
    const int dpi = 300;
    Page page(4, 3, dpi);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, dpi, dpi);
        l->print(s, 0.5, 0.5);
    }
    QRect ink;
    for (int y = 0; y < page.image.height(); ++y)
        for (int x = 0; x < page.image.width(); ++x)
            if (qGray(page.image.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    // The box on paper: from 1.5 inch across and down, as big as the layout made it.
    QRectF box(1.5 * dpi, 1.5 * dpi, l->width() * dpi / 96.0, l->height() * dpi / 96.0);
    EXPECT_GE(ink.left(), box.left() - 0.03 * dpi - 1);
    EXPECT_GE(ink.top(), box.top() - 0.03 * dpi - 1);
    EXPECT_LE(ink.right(), box.right() + 2);
    EXPECT_LE(ink.bottom(), box.bottom() + 2);
}

TEST(Printing, FimBars) {
    StandaloneHost host;
    auto* fim = new TGFIMBarCode(&host);
    fim->setFIMType(FIMType::fimTypeB);
    fim->setBounds(0, 0, 60, 60);
    const int dpi = 640;  // 20 device pixels per slot
    Page page(1, 1, dpi);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, dpi, dpi);
        fim->print(s, 0, 0);
    }
    std::string seen;
    for (int k = 1; k <= 17; ++k) seen += page.dark((k - 1) * 20 + 10, 100) ? '1' : '0';
    EXPECT_EQ(seen, "10001010001010001");
    EXPECT_TRUE(page.dark(10, static_cast<int>(0.56 * dpi)));
    EXPECT_FALSE(page.dark(10, static_cast<int>(0.57 * dpi)));
}

namespace {

// A placeable metafile 100 x 50 units at 96 units per inch holding one rectangle.
QByteArray smallMetafile() {
    auto le16 = [](int v) {
        QByteArray b(2, 0);
        b[0] = static_cast<char>(v & 0xFF);
        b[1] = static_cast<char>((v >> 8) & 0xFF);
        return b;
    };
    QByteArray w = QByteArray::fromHex("d7cdc69a") + le16(0) + le16(0) + le16(0) + le16(100) + le16(50) + le16(96) +
                   QByteArray(4, 0);
    uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= static_cast<uint16_t>(static_cast<uint8_t>(w[i]) | (static_cast<uint8_t>(w[i + 1]) << 8));
    w += le16(sum);
    QByteArray records = QByteArray::fromHex("07000000" "1b04") + le16(40) + le16(80) + le16(10) + le16(20) +
                         QByteArray::fromHex("030000000000");
    int words = static_cast<int>((18 + records.size()) / 2);
    w += le16(1) + le16(9) + le16(0x300) + le16(words) + le16(0) + le16(0) + le16(7) + le16(0) + le16(0) + records;
    return w;
}

}  // namespace

TEST(Printing, MetafilePicture) {
    StandaloneHost host;
    auto* img = new TGImage(&host);
    ASSERT_TRUE(img->picture().loadBytes(smallMetafile()));
    EXPECT_EQ(img->picture().size(), QSize(100, 50));
    img->setBounds(0, 0, 200, 100);  // printed stretched to twice the size
    Page page(200 / 96.0, 100 / 96.0, 96);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, 96, 96);
        img->print(s, 0, 0);
    }
    // The rectangle's outline from (20, 10) to (80, 40) in metafile units, doubled.
    EXPECT_TRUE(page.dark(40, 20) || page.dark(41, 21));
    EXPECT_TRUE(page.dark(100, 20) || page.dark(100, 21));
    EXPECT_FALSE(page.dark(100, 50));  // inside: the default white brush
    EXPECT_FALSE(page.dark(10, 90));
    // A picture object with Stretch off still prints scaled to its box.
    img->setStretch(false);
    Page again(200 / 96.0, 100 / 96.0, 96);
    {
        QPainter p(&again.image);
        PainterPrintSurface s(p, 96, 96);
        img->print(s, 0, 0);
    }
    EXPECT_EQ(again.image, page.image);
}

TEST(Printing, BitmapPictureStretched) {
    StandaloneHost host;
    auto* img = new TGImage(&host);
    QImage pic(2, 2, QImage::Format_RGB32);
    pic.fill(Qt::black);
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(pic.save(&buf, "BMP"));
    ASSERT_TRUE(img->picture().loadBytes(bmp));
    img->setBounds(48, 48, 48, 48);  // half an inch square at half an inch
    Page page(2, 2, 100);
    {
        QPainter p(&page.image);
        PainterPrintSurface s(p, 100, 100);
        img->print(s, 0.5, 0.5);
    }
    EXPECT_TRUE(page.dark(101, 101));
    EXPECT_TRUE(page.dark(148, 148));
    EXPECT_FALSE(page.dark(152, 152));
    EXPECT_FALSE(page.dark(98, 98));
}

TEST(Printing, RotatedTextRunsAlongItsBox) {
    const int dpi = 200;
    for (int angle : {0, 90, 180, 270}) {
        StandaloneHost host;
        auto* l = new TGPLabel(&host);
        l->setCaption(QStringLiteral("Rotated text"));
        LayoutFont f;
        f.size = 14;
        l->setFont(f);
        l->setBounds(48, 48, 142, 33);
        l->setAngle(angle);
        Page page(3, 3, dpi);
        {
            QPainter p(&page.image);
            PainterPrintSurface s(p, dpi, dpi);
            l->print(s, 0, 0);
        }
        QRect ink;
        for (int y = 0; y < page.image.height(); ++y)
            for (int x = 0; x < page.image.width(); ++x)
                if (page.dark(x, y)) ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isEmpty()) << angle;
        QRectF box(0.5 * dpi, 0.5 * dpi, l->width() * dpi / 96.0, l->height() * dpi / 96.0);
        EXPECT_TRUE(box.adjusted(-0.03 * dpi - 1, -0.03 * dpi - 1, 2, 2).contains(QRectF(ink))) << angle;
        bool upright = angle == 90 || angle == 270;
        EXPECT_EQ(ink.height() > ink.width(), upright) << angle;
        if (qEnvironmentVariableIsSet("KEEP_RENDER"))
            page.image.save(qEnvironmentVariable("KEEP_RENDER") + QString::number(angle) + ".png");
    }
}
