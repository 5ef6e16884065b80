// The designer's rules without a window: zoom steps, the POSTNET width rule, read-outs, the default
// font settings and the outline pictures of every stock in the shipped catalogue.
#include "DesignLogic.h"
#include "OutlineArt.h"
#include "SystemTables.h"
#include "Table.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <set>

using namespace addrova::labels;
using addrova::layout::LayoutFont;
using addrova::layout::PanelShape;

namespace {
// Some pixel within two of (x, y) differs from white.
bool inkNear(const QImage& img, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (img.valid(x + dx, y + dy) && (img.pixel(x + dx, y + dy) & 0xFFFFFF) != 0xFFFFFFu) return true;
    return false;
}
}  // namespace

TEST(DesignLogic, ZoomStepsStayWithin50And150) {
    struct Case {
        int from, direction, to;
    };
    const Case cases[] = {{100, 1, 110}, {140, 1, 150}, {150, 1, 150}, {100, -1, 90},
                          {60, -1, 50},  {50, -1, 50},  {50, 1, 60},   {150, -1, 140}};
    for (const Case& c : cases) EXPECT_EQ(zoomStep(c.from, c.direction), c.to) << c.from << " " << c.direction;
    int z = 100;
    for (int i = 0; i < 6; ++i) z = zoomStep(z, 1);
    EXPECT_EQ(z, 150);
    EXPECT_EQ(zoomCaption(1.1f), "110%");
    EXPECT_EQ(zoomCaption(0.5f), "50%");
}

TEST(DesignLogic, PostnetNeedsTwoPointEightFiveInches) {
    // The width as a layout holds it (single precision): exactly 2.85 fits.
    EXPECT_TRUE(postnetFits(2.85f));
    EXPECT_TRUE(postnetFits(4.0f));
    EXPECT_FALSE(postnetFits(2.849f));
    EXPECT_FALSE(postnetFits(2.625f));
}

TEST(DesignLogic, ShapeCodesAndLabelSize) {
    EXPECT_EQ(shapeFromCode("RR"), PanelShape::lsRoundRect);
    EXPECT_EQ(shapeFromCode("SR"), PanelShape::lsRectangle);
    EXPECT_EQ(shapeFromCode("EL"), PanelShape::lsEllipse);
    EXPECT_EQ(labelPixels(2.625, 1.0, 96), QSize(252, 96));
    EXPECT_EQ(labelPixels(1.333f, 4.0, 96), QSize(128, 384));
    EXPECT_EQ(labelPixels(2.625, 1.0, 120), QSize(315, 120));
}

TEST(DesignLogic, HandEntryClearsStockAndArt) {
    LabelSetup s = NewLabelSetup();
    s.art = "AV5160.BMP";
    s.midExtraX = 0.2;
    LabelGeometry g = s.geometry();
    g.lblWidth = 3.0;
    g.midExtraX = 0.5;
    takeHandEntry(s, g, "A4", "SR");
    EXPECT_EQ(s.manufac, "USER");
    EXPECT_EQ(s.tplDescrip, "");
    EXPECT_EQ(s.printer, "");
    EXPECT_EQ(s.prodType, "");
    EXPECT_EQ(s.art, "");
    EXPECT_EQ(s.paperSize, "A4");
    EXPECT_EQ(s.lblShape, "SR");
    EXPECT_FLOAT_EQ(s.lblWidth, 3.0f);
    EXPECT_EQ(s.midExtraX, 0.0);
    EXPECT_EQ(stockReadout(s), "User Defined Label Layout");
    EXPECT_EQ(stockReadout(NewLabelSetup()), "Avery 5160  Address");
    EXPECT_EQ(inchText(126, 96), "1.31");
}

TEST(DesignLogic, DefaultFontCaptionAndSettings) {
    LayoutFont f;
    EXPECT_EQ(defaultFontCaption(f), "Default Font: Arial, 10 pt ");
    f.name = QStringLiteral("Times New Roman");
    f.size = 12;
    f.style = addrova::layout::fsBold | addrova::layout::fsItalic;
    EXPECT_EQ(defaultFontCaption(f), "Default Font: Times New Roman, 12 pt , bold, italic");

    QTemporaryDir dir;
    addrova::app::ProfileFile ini(dir.filePath(QStringLiteral("ADDROV.ini")).toStdString());
    EXPECT_EQ(readDefaultFont(ini), LayoutFont());  // the defaults without a file
    writeDefaultFont(ini, f);
    EXPECT_EQ(ini.readString("Label", "DefaultFontName"), "Times New Roman");
    EXPECT_EQ(ini.readString("Label", "DefaultFontBold"), "1");
    EXPECT_EQ(readDefaultFont(ini), f);
}

TEST(OutlineArt, ResourceNameAndSilverCopy) {
    EXPECT_EQ(artResourceName("av5160.bmp"), "AV5160");
    EXPECT_EQ(artResourceName("AV5160"), "AV5160");
    EXPECT_EQ(artResourceName("X.Y.BMP"), "X");
    EXPECT_EQ(findOutlineArt(QStringLiteral("NOSUCH")), nullptr);
    EXPECT_TRUE(outlineBitmap(QStringLiteral("NOSUCH"), 96).isNull());

    // Copied unscaled at the top-left; what lies outside the picture stays white.
    QImage pic(10, 10, QImage::Format_RGB32);
    pic.fill(Qt::white);
    pic.setPixel(2, 3, qRgb(0, 0, 0));
    pic.setPixel(9, 9, qRgb(200, 10, 10));
    QImage out = silverArt(pic, QSize(8, 20));
    EXPECT_EQ(out.size(), QSize(8, 20));
    EXPECT_EQ(out.pixel(2, 3) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(out.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(out.pixel(5, 15) & 0xFFFFFF, 0xFFFFFFu);
    int silver = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) silver += (out.pixel(x, y) & 0xFFFFFF) == 0xC0C0C0u;
    EXPECT_EQ(silver, 1);
}

// Every picture the shipped catalogue names exists and has the size of its stock's label, so that
// the outline lies on the label at 100 % zoom.
TEST(OutlineArt, EveryCatalogueArtHasAPictureOfItsLabelSize) {
    // The catalogue opens exclusively: a copy leaves the shipped files to tests running beside this one.
    QTemporaryDir copy;
    for (const char* f : {"LBLTPL.DBF", "LBLTPL.CDX"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(ADDROVA_SYSDATA_DIR) + QLatin1String(f), copy.filePath(QLatin1String(f))));
    addrova::store::Table stock;
    ASSERT_EQ(addrova::store::openSystemTable(addrova::store::SystemTable::LabelStock, stock,
                                              copy.path().toStdString() + "/"),
              "");
    std::set<std::string> names;
    for (bool ok = stock.goTop(); ok && !stock.eof(); ok = stock.skip(1)) {
        std::string art = stock.getString("ART");
        if (art.empty()) continue;
        names.insert(art);
        QString name = artResourceName(art);
        const OutlineArtEntry* e = findOutlineArt(name);
        ASSERT_NE(e, nullptr) << art;
        QImage img = outlineBitmap(name, 96);
        EXPECT_EQ(img.size(), labelPixels(stock.getNumber("LBLWIDTH"), stock.getNumber("LBLHEIGHT"), 96)) << art;
        EXPECT_EQ(e->shape, shapeFromCode(stock.getString("LBLSHAPE"))) << art;
        // The outline runs along the left edge.
        EXPECT_TRUE(inkNear(img, 0, img.height() / 2)) << art;
    }
    EXPECT_GT(names.size(), 100u);
    // A disc label shows its centre hole, a plain address label nothing in its middle.
    QImage cd = outlineBitmap(QStringLiteral("AV5931"), 96);
    int r = static_cast<int>(cd.width() * 0.33 / 2);
    EXPECT_TRUE(inkNear(cd, cd.width() / 2 + r, cd.height() / 2));
    QImage plain = outlineBitmap(QStringLiteral("AV5160"), 96);
    EXPECT_EQ(plain.pixel(plain.width() / 2, plain.height() / 2) & 0xFFFFFF, 0xFFFFFFu);
}
