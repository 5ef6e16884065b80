// Geometry of the layout objects: text layout, counters, address blocks, barcodes, lines and shapes.
#include "GBarcode.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"

#include <QFontDatabase>
#include <gtest/gtest.h>
#include <map>

using namespace addrova::layout;

// ---------------------------------------------------------------------------------------------
// Text labels

TEST(TextLayout, BoxFittedAndRectanglesPerAngle) {
    struct Case {
        const char* what;
        TextLayoutInput in;
        int w, h;
        Edges main, shadow;
        QPoint mainOrigin, shadowOrigin;
    } cases[] = {
        {"flat with shadow down right", {0, 142, 33, 16, 40, 3, 3, 0, 0, Alignment::taLeftJustify}, 142, 22,
         {0, 0, 142, 16}, {3, 3, 145, 19}, {0, 0}, {3, 3}},
        {"flat, too low", {0, 142, 10, 16, 40, 0, 0, 0, 0, Alignment::taLeftJustify}, 142, 16,
         {0, 0, 142, 16}, {0, 0, 142, 16}, {0, 0}, {0, 0}},
        {"flat, too narrow takes the text width", {0, 4, 33, 16, 40, 0, 0, 0, 0, Alignment::taLeftJustify}, 40, 19,
         {0, 0, 40, 16}, {0, 0, 40, 16}, {0, 0}, {0, 0}},
        {"upright 90", {90, 33, 142, 16, 40, 0, 0, 0, 0, Alignment::taLeftJustify}, 19, 48,
         {0, -1, 16, 47}, {0, -1, 16, 47}, {0, 47}, {0, 47}},
        {"upside down 180", {180, 142, 33, 16, 40, 0, 0, 0, 0, Alignment::taLeftJustify}, 80, 19,
         {-1, 0, 79, 16}, {-1, 0, 79, 16}, {79, 16}, {79, 16}},
        {"upright 270 with shadow", {270, 33, 142, 16, 40, 2, 2, 0, 0, Alignment::taLeftJustify}, 21, 48,
         {0, 0, 16, 48}, {-2, 2, 14, 50}, {16, 0}, {14, 2}},
    };
    for (const auto& c : cases) {
        TextLayout l = layoutText(c.in);
        EXPECT_EQ(l.width, c.w) << c.what;
        EXPECT_EQ(l.height, c.h) << c.what;
        EXPECT_EQ(l.main, c.main) << c.what;
        EXPECT_EQ(l.shadow, c.shadow) << c.what;
        EXPECT_EQ(l.mainOrigin, c.mainOrigin) << c.what;
        EXPECT_EQ(l.shadowOrigin, c.shadowOrigin) << c.what;
    }
}

TEST(TextLayout, InsetsKeepShadowAndHighlightInside) {
    TextLayoutInput in{0, 142, 33, 16, 40, 0, 0, 0, 0, Alignment::taLeftJustify};
    QPoint s = shadowOffset(ShadowDir::sdLeft, 3);
    in.sx = s.x();
    in.sy = s.y();
    EXPECT_EQ(layoutText(in).main.left, 3);
    EXPECT_EQ(layoutText(in).shadow.left, 0);
    QPoint h = highlightOffset(HighlightDir::hdLeft, 5);
    in.hx = h.x();
    in.hy = h.y();
    EXPECT_EQ(layoutText(in).main.left, 5);
    EXPECT_EQ(layoutText(in).highlight.left, 0);
    // An upward highlight moves the main text down by its depth.
    TextLayoutInput up{0, 142, 33, 16, 40, 0, 0, 0, -4, Alignment::taLeftJustify};
    EXPECT_EQ(layoutText(up).main.top, 4);
    EXPECT_EQ(layoutText(up).highlight.top, 0);
}

TEST(TextLayout, AlignmentAtAngleZero) {
    TextLayoutInput in{0, 142, 33, 16, 40, 2, 2, -1, -1, Alignment::taRightJustify};
    TextLayout r = layoutText(in);
    EXPECT_EQ(r.mainOrigin.x(), r.main.right - 40);
    EXPECT_EQ(r.shadowOrigin.x(), r.mainOrigin.x() + 2);
    EXPECT_EQ(r.highlightOrigin.x(), r.mainOrigin.x() - 1);
    in.alignment = Alignment::taCenter;
    r = layoutText(in);
    EXPECT_EQ(r.mainOrigin.x(), (r.main.right - r.main.left) / 2 - 20);
}

TEST(TextLayout, OffsetsByDirection) {
    EXPECT_EQ(shadowOffset(ShadowDir::sdDownLeft, 4), QPoint(-4, 4));
    EXPECT_EQ(shadowOffset(ShadowDir::sdNone, 4), QPoint(0, 0));
    EXPECT_EQ(highlightOffset(HighlightDir::hdUpRight, 2), QPoint(2, -2));
    EXPECT_EQ(highlightOffset(HighlightDir::hdright, 2), QPoint(2, 0));
}

TEST(TextLabel, AngleSetter) {
    StandaloneHost host;
    auto* l = new TGPLabel(&host);
    l->setAlignment(Alignment::taCenter);
    EXPECT_EQ(l->bounds().size(), QSize(142, 33));
    l->setAngle(45);
    EXPECT_EQ(l->angle(), 0);
    EXPECT_EQ(l->bounds().size(), QSize(142, 33));
    EXPECT_EQ(l->alignment(), Alignment::taCenter);
    l->setAngle(90);
    EXPECT_EQ(l->bounds().size(), QSize(33, 142));
    EXPECT_EQ(l->alignment(), Alignment::taLeftJustify);
    l->setAngle(270);  // already upright: no swap
    EXPECT_EQ(l->bounds().size(), QSize(33, 142));
    l->setAngle(180);
    EXPECT_EQ(l->bounds().size(), QSize(142, 33));
}

TEST(TextLabel, ZeroSizeBecomesOne) {
    StandaloneHost host;
    auto* l = new TGPLabel(&host);
    l->setBounds(3, 4, 0, -5);
    EXPECT_EQ(l->bounds(), QRect(3, 4, 1, 1));
}

TEST(TextLabel, FitToTextOnlyGrows) {
    StandaloneHost host;
    auto* l = new TGPLabel(&host);
    l->setBounds(0, 0, 10, 10);
    l->setCaption(QStringLiteral("A rather long caption"));
    l->fitToText();
    TextMeasure m = measureFont(l->font().toQFont(), 96);
    EXPECT_GE(l->width(), m.width(QStringLiteral("A rather long caption     ")));
    EXPECT_GE(l->height(), m.cellH);
    QSize grown = l->bounds().size();
    l->setCaption(QStringLiteral("x"));
    l->fitToText();
    EXPECT_EQ(l->bounds().size(), grown);
}

TEST(Counter, SequenceRepeatAndZeros) {
    StandaloneHost host;
    auto* c = new TGCounterLabel(&host);
    c->setLeadingZeros(4);
    c->setRepeatEach(3);
    c->setStartingNumber(7);
    QStringList printed;
    for (int copy = 0; copy < 5; ++copy) {
        printed << c->counterText();
        c->advanceCounter();
    }
    EXPECT_EQ(printed, QStringList({"0007", "0007", "0007", "0008", "0008"}));
    c->resetCounter();
    EXPECT_EQ(c->counterText(), QStringLiteral("0007"));
    c->setRepeatEach(0);
    for (int i = 0; i < 5; ++i) c->advanceCounter();
    EXPECT_EQ(c->value(), 7);
}

TEST(Counter, Formatting) {
    struct Case {
        int value, zeros;
        const char* text;
    } cases[] = {{5, 0, "5"}, {5, 3, "005"}, {1234, 2, "1234"}, {-5, 3, "-005"}, {-2147483647 - 1, 0, "-2147483648"}};
    for (const auto& c : cases) EXPECT_EQ(TGCounterLabel::formatCounter(c.value, c.zeros), QLatin1String(c.text));
}

TEST(DateTimeLabel, TimeWithoutDateStartsWithSpace) {
    QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 0));
    QString t = TGDateTimeLabel::formatDateTime(when, DateFormat::dtfDateNone, TimeFormat::dtfTimeShort);
    ASSERT_FALSE(t.isEmpty());
    EXPECT_EQ(t[0], QLatin1Char(' '));
    EXPECT_TRUE(TGDateTimeLabel::formatDateTime(when, DateFormat::dtfDateNone, TimeFormat::dtfTimeNone).isEmpty());
    QString d = TGDateTimeLabel::formatDateTime(when, DateFormat::dtfDateShort, TimeFormat::dtfTimeNone);
    EXPECT_TRUE(d.contains(QStringLiteral("09")) || d.contains(QStringLiteral("9"))) << d.toStdString();
    EXPECT_FALSE(d.startsWith(QLatin1Char(' ')));
}

TEST(SymbolLabel, ColumnsBySize) {
    struct Case {
        int pt, cols;
    } cases[] = {{5, 1}, {6, 14}, {10, 14}, {11, 10}, {20, 10}, {24, 8}, {40, 6}, {41, 4}, {60, 3}, {72, 2}, {73, 1}};
    for (const auto& c : cases) EXPECT_EQ(TGSymbolLabel::symbolColumns(c.pt), c.cols) << c.pt;
}

TEST(SymbolLabel, SizesItselfToTheCharacter) {
    StandaloneHost host;
    auto* s = new TGSymbolLabel(&host);
    s->setBounds(10, 10, 300, 300);
    TextMeasure m = measureFont(s->font().toQFont(), 96);
    EXPECT_EQ(s->width(), static_cast<int>(1.1 * m.width(QStringLiteral("["))));
    EXPECT_EQ(s->height(), static_cast<int>(1.1 * m.cellH));
}

TEST(Zoom, ScalesBoundsWithBankersRounding) {
    StandaloneHost host;
    auto* l = new TGLineShape(&host);
    l->setBounds(5, 7, 101, 3);
    l->setZoom(0.5f);
    EXPECT_EQ(l->bounds(), QRect(2, 4, 50, 2));  // 2.5 -> 2, 3.5 -> 4, 50.5 -> 50, 1.5 -> 2
    // Back at 100 % the geometry is exact again, however the steps rounded.
    for (float z : {0.6f, 1.5f, 0.7f, 1.0f})
        l->setZoom(z);
    EXPECT_EQ(l->bounds(), QRect(5, 7, 101, 3));
    // Bounds set at a zoom become the geometry: moved to 20 at 50 % is 40 at 100 %.
    l->setZoom(0.5f);
    l->setLeft(20);
    l->setZoom(1.0f);
    EXPECT_EQ(l->bounds(), QRect(40, 7, 101, 3));
}

TEST(NotifyChanged, SilentWhilePrinting) {
    StandaloneHost host;
    auto* l = new TGPLabel(&host);
    int before = host.changes;
    l->setCaption(QStringLiteral("changed"));
    EXPECT_EQ(host.changes, before + 1);
    host.setPrinting(true);
    l->setCaption(QStringLiteral("again"));
    l->setLocked(true);
    EXPECT_EQ(host.changes, before + 1);
}

// ---------------------------------------------------------------------------------------------
// Multi-line objects and the address block

namespace {
using Record = std::map<std::string, QString>;
std::function<std::optional<QString>(const char*)> fields(const Record& r) {
    return [r](const char* name) -> std::optional<QString> {
        auto it = r.find(name);
        if (it == r.end()) return std::nullopt;
        return it->second;
    };
}
Record fullRecord() {
    return {{"PREFIX", ""},      {"FNAME", ""}, {"MIDDLE", ""}, {"LNAME", ""}, {"TITLE", ""},   {"ORG", ""},
            {"STREET", ""},      {"STREET2", ""}, {"CITY", ""}, {"STATE", ""}, {"ZIP", ""},     {"COUNTRY", ""},
            {"PHONE", ""}};
}
}  // namespace

TEST(AddressBlock, NameLine) {
    Record r = fullRecord();
    r["PREFIX"] = "Dr.";
    r["FNAME"] = "Ann";
    r["MIDDLE"] = "B";
    r["LNAME"] = "Lee";
    AddressSwitches s;
    EXPECT_EQ(composeAddress(s, fields(r)), QStringList({"Dr. Ann B. Lee "}));
    r["PREFIX"] = "";
    r["MIDDLE"] = "";
    EXPECT_EQ(composeAddress(s, fields(r)), QStringList({"Ann Lee "}));
}

TEST(AddressBlock, CityStateZipPlacements) {
    Record r = fullRecord();
    r["CITY"] = "Springfield";
    r["STATE"] = "IL";
    r["ZIP"] = "62701";
    r["COUNTRY"] = "USA";
    struct Case {
        const char* what;
        bool cityState, zip, country;
        ZipOptions opt;
        QStringList lines;
    } cases[] = {
        {"after state", true, true, true, ZipOptions::zoAfterState, {"Springfield  IL 62701", "USA"}},
        {"before city", true, true, true, ZipOptions::zoBeforeCity, {"62701 Springfield IL ", "USA"}},
        {"after country", true, true, true, ZipOptions::zoAfterCountry, {"Springfield IL", "USA 62701"}},
        {"before country", true, true, true, ZipOptions::zoBeforeCountry, {"Springfield IL", "62701 USA"}},
        {"zip alone where the city was", false, true, false, ZipOptions::zoAfterState, {"62701"}},
        {"zip alone where the country was", false, true, false, ZipOptions::zoAfterCountry, {"62701"}},
        {"no zip", true, false, true, ZipOptions::zoAfterState, {"Springfield IL", "USA"}},
    };
    for (const auto& c : cases) {
        AddressSwitches s;
        s.useCityState = c.cityState;
        s.useZip = c.zip;
        s.useCountry = c.country;
        s.zipOptions = c.opt;
        EXPECT_EQ(composeAddress(s, fields(r)), c.lines) << c.what;
    }
}

TEST(AddressBlock, EmptyRecordGivesNoLines) {
    AddressSwitches s;
    s.usePhone = true;
    EXPECT_TRUE(composeAddress(s, fields(fullRecord())).isEmpty());
}

TEST(AddressBlock, FullBlockUpperCaseAndMissingField) {
    Record r = fullRecord();
    r["FNAME"] = "Ann";
    r["LNAME"] = "Lee";
    r["TITLE"] = "Manager";
    r["ORG"] = "Acme";
    r["STREET"] = "1 Main St";
    r["STREET2"] = "Suite 5";
    r["CITY"] = "Springfield";
    r["STATE"] = "IL";
    r["ZIP"] = "62701";
    r["PHONE"] = "555-1234";
    AddressSwitches s;
    s.usePhone = true;
    s.upperCase = true;
    s.useTitle = false;
    EXPECT_EQ(composeAddress(s, fields(r)),
              QStringList({"ANN LEE ", "ACME", "1 MAIN ST", "SUITE 5", "SPRINGFIELD  IL 62701", "555-1234"}));
    r.erase("CITY");  // composition stops where a field is missing
    s.upperCase = false;
    EXPECT_EQ(composeAddress(s, fields(r)), QStringList({"Ann Lee ", "Acme", "1 Main St", "Suite 5"}));
}

TEST(MultiLine, PrintedLinesStopAtTheBox) {
    QStringList lines = {"one", "two", "three", "four", "five"};
    std::vector<int> widths = {30, 30, 50, 40, 40};
    // A box two lines high less a little: only lines whose top lies inside print, the last one cut.
    auto out = printedLines(lines, widths, Alignment::taLeftJustify, 100, 200, 400, 200 + 2 * 50 - 10, 50, 6);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].y, 200);
    EXPECT_EQ(out[0].bottom, 250);
    EXPECT_EQ(out[1].y, 250);
    EXPECT_EQ(out[1].bottom, 290);
    auto right = printedLines(lines, widths, Alignment::taRightJustify, 100, 200, 400, 1000, 50, 6);
    EXPECT_EQ(right.size(), 5u);
    EXPECT_EQ(right[2].x, 300 - 50 - 6);
    auto centre = printedLines(lines, widths, Alignment::taCenter, 100, 200, 400, 1000, 50, 6);
    EXPECT_EQ(centre[2].x, 150 + 6 - 25);
}

TEST(MultiLine, WrappedLinesFitTheWidth) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(10);
    QString text = QStringLiteral("The quick brown fox jumps over the lazy dog and keeps on running\n\nAVeryLongWordThatCannotFitAnywhere");
    QStringList wrapped = wrapText(text, f, 96, 80);
    ASSERT_GT(wrapped.size(), 4);
    TextMeasure m = measureFont(f, 96);
    for (const auto& l : wrapped) EXPECT_LE(m.width(l), 80) << l.toStdString();
    EXPECT_TRUE(wrapped.contains(QString()));  // the empty paragraph stays
    EXPECT_EQ(wrapped.join(QString()).remove(QLatin1Char(' ')), QString(text).remove(QLatin1Char(' ')).remove(QLatin1Char('\n')));
}

// ---------------------------------------------------------------------------------------------
// Barcodes

TEST(Postnet, DeliveryPoint) {
    struct Case {
        const char* address;
        const char* dp;
    } cases[] = {{"123 MAIN ST APT 4B", "04"}, {"1234 1/2 ELM ST", "34"}, {"100 42ND ST", "00"},
                 {"PO BOX 7", "07"},           {"APO AE", "99"},          {"RURAL ROUTE", "99"},
                 {"fpo ap 96349", "99"},       {"1600 Pennsylvania Ave", "00"}, {"", "99"},
                 {"55 3RD AVE", "55"},         {"12 #5", "05"}};
    for (const auto& c : cases) EXPECT_EQ(postnet::deliveryPoint(c.address), c.dp) << c.address;
}

TEST(Postnet, DigitsAndCheckDigit) {
    struct Case {
        const char* zip;
        const char* address;
        BarCodeType type;
        const char* printed;
    } cases[] = {
        {"12345", "", BarCodeType::pnbc5Digit, "123455"},
        {"12345-6789", "", BarCodeType::pnbc9Digit, "1234567895"},
        {"12345-6789", "123 MAIN ST APT 4B", BarCodeType::pnbc11Digit, "123456789041"},
        {"12345-6789", "", BarCodeType::pnbc5Digit, "123455"},
        {"12345", "", BarCodeType::pnbc9Digit, "123455"},
        {"1234", "", BarCodeType::pnbc5Digit, ""},
        {"A1B 2C3", "", BarCodeType::pnbc11Digit, ""},
        {"99999-99999", "", BarCodeType::pnbc9Digit, ""},
        {"00000", "", BarCodeType::pnbc5Digit, "000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(postnet::printedString(c.zip, c.address, c.type), c.printed) << c.zip;
    EXPECT_EQ(postnet::checkDigit("12345"), 5);
    EXPECT_EQ(postnet::checkDigit("123456789"), 5);
    EXPECT_EQ(postnet::checkDigit("12345678904"), 1);
}

TEST(Postnet, BarsInInches) {
    std::string printed = postnet::printedString("12345", "", BarCodeType::pnbc5Digit);
    auto bars = postnet::bars(printed, 1.0, 2.0);
    ASSERT_EQ(bars.size(), 32u);
    EXPECT_EQ(postnet::barPattern(printed), "1" "00011" "00101" "00110" "01001" "01010" "01010" "1");
    for (size_t i = 0; i < bars.size(); ++i) {
        EXPECT_NEAR(bars[i].left(), 1.0 + 0.046 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(bars[i].width(), 0.015, 1e-9);
        EXPECT_NEAR(bars[i].bottom(), 2.125, 1e-9);
    }
    EXPECT_NEAR(bars[0].top(), 2.0, 1e-9);     // frame bar
    EXPECT_NEAR(bars[1].top(), 2.07, 1e-9);    // half bar: 0.055 high on the baseline
    EXPECT_NEAR(bars[4].top(), 2.0, 1e-9);
}

TEST(Fim, SlotsAndBars) {
    EXPECT_EQ(fim::barSlots(FIMType::fimTypeA), std::vector<int>({1, 3, 9, 15, 17}));
    EXPECT_EQ(fim::barSlots(FIMType::fimTypeB), std::vector<int>({1, 5, 7, 11, 13, 17}));
    EXPECT_EQ(fim::barSlots(FIMType::fimTypeC), std::vector<int>({1, 3, 7, 11, 15, 17}));
    auto bars = fim::bars(FIMType::fimTypeB, 0.5, 0.25);
    ASSERT_EQ(bars.size(), 6u);
    EXPECT_NEAR(bars[1].left(), 0.5 + 4 * 0.03125, 1e-12);
    EXPECT_NEAR(bars[1].width(), 0.03125, 1e-12);
    EXPECT_NEAR(bars[5].right(), 0.5 + 17 * 0.03125, 1e-12);
    EXPECT_NEAR(bars[0].height(), 0.5625, 1e-12);
}

TEST(Barcodes, Sizes) {
    TGPostNetBarCode p;
    EXPECT_EQ(p.bounds().size(), QSize(249, 12));
    TGFIMBarCode f;
    EXPECT_EQ(f.bounds().size(), QSize(60, 54));
    EXPECT_EQ(TGPostNetBarCode::picture().size(), QSize(270, 16));
}

// ---------------------------------------------------------------------------------------------
// Lines and shapes

TEST(Lines, PrintSegments) {
    struct Case {
        LineStyle style;
        double x1, y1, x2, y2;
    } cases[] = {
        {LineStyle::stHorizontal, 1 + 96 / 96.0, 2 + 49 / 96.0, 1 + 196 / 96.0, 2 + 49 / 96.0},
        {LineStyle::stVertical, 1 + 96 / 96.0, 2 + 49 / 96.0, 1 + 96 / 96.0, 2 + 99 / 96.0},
        {LineStyle::stAngleSlopingUp, 1 + 96 / 96.0, 2 + 99 / 96.0, 1 + 196 / 96.0, 2 + 49 / 96.0},
        {LineStyle::stAngleSlopingDown, 1 + 96 / 96.0, 2 + 49 / 96.0, 1 + 196 / 96.0, 2 + 99 / 96.0},
    };
    for (const auto& c : cases) {
        // Left 96, Top 48, 100 x 50, pen 3: the half pen width (1) moves the line down only.
        PrintedSegment s = linePrintSegment(c.style, 96, 48, 100, 50, 3, 96, 1.0, 2.0);
        EXPECT_NEAR(s.x1, c.x1, 1e-12);
        EXPECT_NEAR(s.y1, c.y1, 1e-12);
        EXPECT_NEAR(s.x2, c.x2, 1e-12);
        EXPECT_NEAR(s.y2, c.y2, 1e-12);
    }
}

TEST(Shapes, PrintPenWidthAndCorners) {
    EXPECT_EQ(shapePrintPenWidth(3, 96), 3);
    EXPECT_EQ(shapePrintPenWidth(10, 96), 10);
    EXPECT_EQ(shapePrintPenWidth(1, 120), 0);
    EXPECT_EQ(shapePrintPenWidth(3, 120), 2);
    EXPECT_EQ(roundCorner(25, 200, 100), 50);
    EXPECT_EQ(roundCorner(30, 25, 25), 7);
}

TEST(Shapes, TransparentSwitchesTheBrush) {
    TGLabelShapes s;
    s.setTransparent(true);
    EXPECT_EQ(s.brush().style, BrushStyle::bsClear);
    s.setTransparent(false);
    EXPECT_EQ(s.brush().style, BrushStyle::bsSolid);
}

TEST(Image, StretchAndAutoSizeExcludeEachOther) {
    TGImage i;
    EXPECT_TRUE(i.stretch());
    i.setAutoSize(true);
    EXPECT_FALSE(i.stretch());
    i.setStretch(true);
    EXPECT_FALSE(i.autoSize());
    EXPECT_EQ(i.bounds().size(), QSize(105, 105));
}

TEST(Trim, OnlySpaces) {
    EXPECT_EQ(trimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(trimSpaces(QStringLiteral("    ")), QString());
    EXPECT_EQ(trimLeftSpaces(QStringLiteral("\t a")), QStringLiteral("\t a"));
    EXPECT_EQ(trimRightSpaces(QStringLiteral("a \t")), QStringLiteral("a \t"));
}
