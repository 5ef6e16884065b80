// The layout stream: exact bytes written, what is read back, and every read error.
#include "GBarcode.h"
#include "GFiler.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::layout;

namespace {

QByteArray hex(const char* h) { return QByteArray::fromHex(h); }
QByteArray name(const char* n) { return QByteArray(1, static_cast<char>(std::strlen(n))) + QByteArray(n); }

// Properties of the single object of a one-object list, in stored order.
struct StoredProp {
    QString name;
    StreamValue value;
};
std::vector<StoredProp> storedProps(const QByteArray& list, QString* cls = nullptr) {
    StreamReader r(list);
    EXPECT_EQ(r.readByte(), vaList);
    EXPECT_EQ(r.readBytes(4), QByteArray("TPF0"));
    QString c = r.readName();
    if (cls) *cls = c;
    r.readName();
    std::vector<StoredProp> out;
    for (;;) {
        QString n = r.readName();
        if (n.isEmpty()) break;
        out.push_back({n, r.readValue()});
    }
    EXPECT_EQ(r.readByte(), 0);  // no children
    EXPECT_EQ(r.readByte(), 0);  // end of list
    EXPECT_TRUE(r.atEnd());
    return out;
}
QStringList propNames(const std::vector<StoredProp>& props) {
    QStringList n;
    for (const auto& p : props) n << p.name;
    return n;
}
const StoredProp* findProp(const std::vector<StoredProp>& props, const char* n) {
    for (const auto& p : props)
        if (p.name == QLatin1String(n)) return &p;
    return nullptr;
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearClassRegistry();
        registerPanelClasses(PanelKind::Label);
        registerPanelClasses(PanelKind::Envelope);
        registerPanelClasses(PanelKind::Report);
    }
    std::string readError(const QByteArray& data) {
        QObject owner;
        try {
            TGLabelObjectFiler::decodeList(data, &owner, &owner);
        } catch (const LayoutStreamError& e) {
            return e.what();
        }
        return "no error";
    }
    StandaloneHost panel;
};

}  // namespace

TEST_F(StreamTest, EmptyListIsTwoBytes) {
    EXPECT_EQ(TGLabelObjectFiler::encodeList({}), hex("0100"));
}

TEST_F(StreamTest, LineObjectExactBytes) {
    auto* line = new TGLineShape(&panel);
    line->setName(QStringLiteral("Special1"));
    line->setBounds(10, 20, 100, 10);
    QByteArray expected = hex("01") + "TPF0" + name("TGLineShape") + name("Special1") + name("Left") + hex("020A") +
                          name("Top") + hex("0214") + name("Width") + hex("0264") + name("Height") + hex("020A") +
                          name("Locked") + hex("08") + name("Unselectable") + hex("08") + hex("000000");
    EXPECT_EQ(TGLabelObjectFiler::encodeList({line}).toHex(' '), expected.toHex(' '));
}

TEST_F(StreamTest, IntegersTakeTheShortestForm) {
    struct Case {
        int32_t value;
        const char* bytes;
    } cases[] = {{0, "0200"},        {100, "0264"},      {127, "027f"},       {-128, "0280"},
                 {128, "038000"},    {200, "03c800"},    {-129, "037fff"},    {32767, "03ff7f"},
                 {32768, "0400800000"}, {-32769, "04ff7fffff"}, {-2147483647 - 1, "0400000080"}};
    for (const auto& c : cases) {
        StreamWriter w;
        w.writeInteger(c.value);
        EXPECT_EQ(w.bytes().toHex(), QByteArray(c.bytes)) << c.value;
        StreamReader r(w.bytes());
        EXPECT_EQ(r.readInteger(), c.value);
    }
}

TEST_F(StreamTest, StringsShortAndLong) {
    StreamWriter w;
    w.writeString(QString(255, QLatin1Char('a')));
    w.writeString(QString(256, QLatin1Char('b')));
    w.writeString(QStringLiteral("Café"));  // one byte in Windows-1252
    const QByteArray& b = w.bytes();
    EXPECT_EQ(static_cast<uint8_t>(b[0]), vaString);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), 255);
    EXPECT_EQ(static_cast<uint8_t>(b[257]), vaLString);
    EXPECT_EQ(b.mid(258, 4), hex("00010000"));
    EXPECT_EQ(b.right(6), hex("0604") + QByteArray("Caf\xe9"));
    StreamReader r(b);
    EXPECT_EQ(r.readString().size(), 255);
    EXPECT_EQ(r.readString().size(), 256);
    EXPECT_EQ(r.readString(), QStringLiteral("Café"));
}

TEST_F(StreamTest, DefaultTextLabelWritesOnlyItsSet) {
    auto* l = new TGPLabel(&panel);
    l->setName(QStringLiteral("Special1"));
    auto props = storedProps(TGLabelObjectFiler::encodeList({l}));
    EXPECT_EQ(propNames(props), QStringList({"Left", "Top", "Width", "Height", "Locked", "Unselectable", "Caption",
                                              "Font.Color", "Font.Height", "Font.Name", "Font.Style", "Transparent",
                                              "BackColor"}));
    EXPECT_EQ(findProp(props, "Width")->value.integer, 142);
    EXPECT_EQ(findProp(props, "Height")->value.integer, 33);
    EXPECT_EQ(findProp(props, "Caption")->value.text, QStringLiteral("Text"));
    EXPECT_EQ(findProp(props, "Font.Color")->value.text, QStringLiteral("clBlack"));
    EXPECT_EQ(findProp(props, "Font.Height")->value.integer, -13);
    EXPECT_EQ(findProp(props, "Font.Name")->value.text, QStringLiteral("Arial"));
    EXPECT_EQ(findProp(props, "Font.Style")->value.code, vaSet);
    EXPECT_TRUE(findProp(props, "Font.Style")->value.items.isEmpty());
    EXPECT_EQ(findProp(props, "Transparent")->value.code, vaTrue);
    EXPECT_EQ(findProp(props, "BackColor")->value.text, QStringLiteral("clWhite"));
}

TEST_F(StreamTest, NonDefaultTextLabelSetInOrder) {
    auto* l = new TGPLabel(&panel);
    l->setAlignment(Alignment::taCenter);
    l->setDepthHighlight(2);
    l->setDepthShadow(3);
    l->setDirectionHighlight(HighlightDir::hdUp);
    l->setDirectionShadow(ShadowDir::sdLeft);
    l->setColorHighlight(0x123456);
    l->setColorShadow(clRed);
    l->setAngle(90);
    LayoutFont f;
    f.style = fsBold | fsUnderline;
    f.pitch = FontPitch::fpFixed;
    l->setFont(f);
    auto props = storedProps(TGLabelObjectFiler::encodeList({l}));
    EXPECT_EQ(propNames(props),
              QStringList({"Left", "Top", "Width", "Height", "Locked", "Unselectable", "DepthHighlight", "DepthShadow",
                           "DirectionHighlight", "DirectionShadow", "colorHighlight", "colorShadow", "Angle", "Caption",
                           "Font.Color", "Font.Height", "Font.Name", "Font.Pitch", "Font.Style", "Transparent",
                           "BackColor"}));
    // Angle 90 forced left alignment, so Alignment is at its default and left out.
    EXPECT_EQ(findProp(props, "colorHighlight")->value.code, vaInt32);
    EXPECT_EQ(findProp(props, "colorHighlight")->value.integer, 0x123456);
    EXPECT_EQ(findProp(props, "colorShadow")->value.text, QStringLiteral("clRed"));
    EXPECT_EQ(findProp(props, "Font.Style")->value.items, QStringList({"fsBold", "fsUnderline"}));
    EXPECT_EQ(findProp(props, "DirectionHighlight")->value.text, QStringLiteral("hdUp"));
}

TEST_F(StreamTest, ColoursByIdentifierOrInteger) {
    struct Case {
        Colour c;
        const char* ident;
    } cases[] = {{0x000000, "clBlack"},      {0xFFFF00, "clAqua"},     {0x1FFFFFFF, "clNone"},
                 {static_cast<Colour>(0x80000005u), "clWindow"}, {static_cast<Colour>(0x80000018u), "clInfoBk"},
                 {0x123456, nullptr},        {static_cast<Colour>(0x80000019u), nullptr}};
    for (const auto& c : cases) {
        StreamWriter w;
        w.writeColour(c.c);
        StreamReader r(w.bytes());
        StreamValue v = r.readValue();
        if (c.ident) {
            EXPECT_EQ(v.code, vaIdent);
            EXPECT_EQ(v.text, QLatin1String(c.ident));
            Colour back = 0;
            EXPECT_TRUE(colourFromIdent(v.text, back));
            EXPECT_EQ(back, c.c);
        } else {
            EXPECT_NE(v.code, vaIdent);
            EXPECT_EQ(v.integer, c.c);
        }
    }
}

TEST_F(StreamTest, FontHeightFollowsThePpi) {
    EXPECT_EQ(fontHeightFromPoints(10, 96), -13);
    EXPECT_EQ(fontHeightFromPoints(12, 96), -16);
    EXPECT_EQ(fontHeightFromPoints(10, 120), -17);
    EXPECT_EQ(fontPointsFromHeight(-13, 96), 10);
    EXPECT_EQ(fontPointsFromHeight(-13, 120), 8);
    // A layout stored at 120 ppi and read at 96.
    auto* l = new TGPLabel(&panel);
    QByteArray data = TGLabelObjectFiler::encodeList({l}, 120);
    QObject owner;
    ReadOptions o;
    o.ppi = 96;
    auto read = TGLabelObjectFiler::decodeList(data, &owner, &owner, o);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(static_cast<TGPLabel*>(read[0])->font().size, 13);  // 17 * 72 / 96 = 12.75
}

TEST_F(StreamTest, DataFieldStoredWithoutRecordText) {
    auto* d = new TGPDLabel(&panel);
    d->setDataFieldName(QStringLiteral("LNAME"));
    d->setDataFieldDescript(QStringLiteral("Last Name"));
    d->setCaption(QStringLiteral("Smith"));
    d->clearData();
    auto props = storedProps(TGLabelObjectFiler::encodeList({d}));
    EXPECT_EQ(findProp(props, "Caption"), nullptr);
    QStringList n = propNames(props);
    EXPECT_EQ(n.mid(n.size() - 3), QStringList({"DataFieldName", "DataFieldDescript", "LengthOfText"}));
    EXPECT_EQ(findProp(props, "LengthOfText")->value.integer, 0);
}

TEST_F(StreamTest, ClassPropertySets) {
    struct Case {
        TGGraphicControl* object;
        QStringList tail;  // properties after the common ones
    };
    auto* counter = new TGCounterLabel(&panel);
    auto* date = new TGDateTimeLabel(&panel);
    auto* multi = new TGMultiLineLabel(&panel);
    multi->setItems({"a", "b"});
    auto* memo = new TGDMultiLineLabel(&panel);
    auto* address = new TGDMultiLineAddressLabel(&panel);
    auto* postnet = new TGPostNetBarCode(&panel);
    postnet->setZipCodeField(QStringLiteral("ZIP"));
    postnet->setAddressField(QStringLiteral("STREET"));
    auto* fim = new TGFIMBarCode(&panel);
    auto* shape = new TGLabelShapes(&panel);
    auto* image = new TGImage(&panel);
    const QStringList font = {"Font.Color", "Font.Height", "Font.Name", "Font.Style"};
    const QStringList multiSet = QStringList({"AutoSize"}) + font;
    Case cases[] = {
        {counter, QStringList({"Caption"}) + font +
                      QStringList({"Transparent", "BackColor", "Startingnumber", "RepeatEach", "LeadingZeros"})},
        {date, QStringList({"Caption"}) + font + QStringList({"Transparent", "BackColor", "DateFormat", "TimeFormat"})},
        {multi, QStringList({"Items.Strings"}) + multiSet},
        {memo, multiSet},
        {address, multiSet + QStringList({"UseName", "UseTitle", "UseCompany", "UseStreet", "UseStreet2",
                                          "UseCityState", "UseZip", "UsePhone", "UseCountry", "ZipOptions",
                                          "UpperCase"})},
        {postnet, {"ZipCodeField", "AddressField", "BarCodeType"}},
        {fim, {"FIMType"}},
        {shape, {"Transparent"}},
        {image, {}},
    };
    const QStringList common = {"Left", "Top", "Width", "Height", "Locked", "Unselectable"};
    for (const auto& c : cases) {
        QString cls;
        auto props = storedProps(TGLabelObjectFiler::encodeList({c.object}), &cls);
        EXPECT_EQ(propNames(props), common + c.tail) << cls.toStdString();
    }
    auto props = storedProps(TGLabelObjectFiler::encodeList({date}));
    EXPECT_EQ(findProp(props, "DateFormat")->value.text, QStringLiteral("dtfDateShort"));
    props = storedProps(TGLabelObjectFiler::encodeList({postnet}));
    EXPECT_EQ(findProp(props, "BarCodeType")->value.text, QStringLiteral("pnbc11Digit"));
    props = storedProps(TGLabelObjectFiler::encodeList({multi}));
    EXPECT_EQ(findProp(props, "Items.Strings")->value.items, QStringList({"a", "b"}));
}

TEST_F(StreamTest, EverythingWrittenReadsBackEqual) {
    auto* a = new TGPLabel(&panel);
    a->setName(QStringLiteral("Special1"));
    a->setBounds(5, 6, 150, 40);
    a->setTag(-7);
    a->setHint(QStringLiteral("a hint"));
    a->setLocked(true);
    a->setCaption(QStringLiteral("Hello ünïcode"));
    a->setDepthShadow(4);
    a->setDirectionShadow(ShadowDir::sdDown);
    a->setTransparent(false);
    a->setBackColor(0x00ABCDEF);
    a->setAngle(180);
    auto* c = new TGCounterLabel(&panel);
    c->setStartingNumber(-40000);
    c->setRepeatEach(3);
    c->setLeadingZeros(6);
    c->setTextBefore(QStringLiteral("No. "));
    c->setTextAfter(QStringLiteral("!"));
    c->resetCounter();  // the caption follows the counter, as painting would rebuild it
    new TGSymbolLabel(&panel);
    new TGPageNumberLabel(&panel);
    auto* dt = new TGDateTimeLabel(&panel);
    dt->setDateFormat(DateFormat::dtfDateLong);
    dt->setTimeFormat(TimeFormat::dtfTimeShort);
    auto* m = new TGMultiLineLabel(&panel);
    m->setItems({"line one", "", QString(300, QLatin1Char('x'))});
    m->setWordWrap(true);
    m->setAlignment(Alignment::taRightJustify);
    auto* memo = new TGDMultiLineLabel(&panel);
    memo->setDataFieldName(QStringLiteral("MEMO"));
    memo->setDataFieldDescript(QStringLiteral("MEMO"));
    auto* addr = new TGDMultiLineAddressLabel(&panel);
    AddressSwitches sw;
    sw.usePhone = true;
    sw.useTitle = false;
    sw.zipOptions = ZipOptions::zoBeforeCountry;
    sw.upperCase = true;
    addr->setSwitches(sw);
    auto* pb = new TGPostNetBarCode(&panel);
    pb->setBarCodeType(BarCodeType::pnbc9Digit);
    pb->setZipCodeField(QStringLiteral("ZIP"));
    auto* fim = new TGFIMBarCode(&panel);
    fim->setFIMType(FIMType::fimTypeC);
    auto* line = new TGLineShape(&panel);
    line->setLineStyle(LineStyle::stAngleSlopingDown);
    line->setPen({clBlue, PenMode::pmXor, PenStyle::psDot, 4});
    auto* shape = new Trpshapes(&panel);
    shape->setShape(ShapeType::stRoundSquare);
    shape->setRoundPerc(60);
    shape->setBrush({clYellow, BrushStyle::bsDiagCross});
    shape->setPen({clGreen, PenMode::pmCopy, PenStyle::psDash, 3});
    auto* img = new TGImage(&panel);
    QImage pic(7, 5, QImage::Format_RGB32);
    pic.fill(Qt::red);
    QByteArray bmp;
    QBuffer buf(&bmp);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(pic.save(&buf, "BMP"));
    ASSERT_TRUE(img->picture().loadBytes(bmp));
    img->setAutoSize(true);

    auto objects = layoutObjects(&panel);
    QByteArray first = TGLabelObjectFiler::encodeList(objects);
    StandaloneHost other;
    auto read = TGLabelObjectFiler::decodeList(first, &other, &other);
    ASSERT_EQ(read.size(), objects.size());
    for (size_t i = 0; i < read.size(); ++i) EXPECT_STREQ(read[i]->className(), objects[i]->className());
    // Names are given anew; everything else survives byte for byte.
    QByteArray second = TGLabelObjectFiler::encodeList(read);
    for (size_t i = 0; i < read.size(); ++i) read[i]->setName(objects[i]->name());
    QByteArray again = TGLabelObjectFiler::encodeList(read);
    qsizetype diff = 0;
    while (diff < again.size() && diff < first.size() && again[diff] == first[diff]) ++diff;
    EXPECT_EQ(again.size(), first.size());
    EXPECT_EQ(diff, first.size()) << first.mid(std::max<qsizetype>(0, diff - 40), 80).toHex(32).toStdString() << "\n vs \n"
                                  << again.mid(std::max<qsizetype>(0, diff - 40), 80).toHex(32).toStdString();
    auto* ra = static_cast<TGPLabel*>(read[0]);
    EXPECT_EQ(ra->caption(), QStringLiteral("Hello ünïcode"));
    EXPECT_EQ(ra->angle(), 180);
    EXPECT_EQ(ra->tag(), -7);
    EXPECT_TRUE(ra->locked());
    EXPECT_EQ(ra->bounds(), QRect(5, 6, 150, 40));
    auto* rc = static_cast<TGCounterLabel*>(read[1]);
    EXPECT_EQ(rc->value(), -40000);
    EXPECT_EQ(rc->counterText(), QStringLiteral("No. -040000!"));
    auto* rm = static_cast<TGMultiLineLabel*>(read[5]);
    EXPECT_EQ(rm->items(), m->items());
    EXPECT_TRUE(rm->wordWrap());
    auto* rimg = static_cast<TGImage*>(read.back());
    EXPECT_EQ(rimg->picture().kind(), LayoutPicture::Kind::Bitmap);
    EXPECT_EQ(rimg->picture().fileData(), bmp);
    EXPECT_EQ(rimg->picture().size(), QSize(7, 5));
    EXPECT_TRUE(rimg->autoSize());
    EXPECT_FALSE(rimg->stretch());
}

TEST_F(StreamTest, PictureDataLayout) {
    QByteArray bmp;
    {
        QImage pic(3, 2, QImage::Format_RGB32);
        pic.fill(Qt::blue);
        QBuffer buf(&bmp);
        buf.open(QIODevice::WriteOnly);
        pic.save(&buf, "BMP");
    }
    LayoutPicture p;
    ASSERT_TRUE(p.loadBytes(bmp));
    QByteArray d = p.streamData();
    EXPECT_EQ(d.left(8), name("TBitmap"));
    uint32_t n = static_cast<uint8_t>(d[8]) | (static_cast<uint8_t>(d[9]) << 8) | (static_cast<uint8_t>(d[10]) << 16);
    EXPECT_EQ(n, static_cast<uint32_t>(bmp.size()));
    EXPECT_EQ(d.mid(12), bmp);

    // A placeable metafile: 1 x 0.5 inch at 1440 units per inch, one rectangle.
    QByteArray wmf = hex("d7cdc69a") + hex("0000") + hex("0000") + hex("0000") + hex("a005") + hex("d002") + hex("a005") +
          hex("00000000");
    uint16_t sum = 0;
    for (int i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(static_cast<uint8_t>(wmf[i]) | (static_cast<uint8_t>(wmf[i + 1]) << 8));
    wmf += QByteArray(1, static_cast<char>(sum & 0xFF)) + QByteArray(1, static_cast<char>(sum >> 8));
    // Standard header: type 1, 9 words, version 0x300, size, 0 objects, max record, 0 params.
    QByteArray records = hex("070000001b041e001e000a000a00") /* Rectangle: bottom, right, top, left */ +
                         hex("030000000000");
    uint32_t words = static_cast<uint32_t>((18 + records.size()) / 2);
    QByteArray header = hex("0100") + hex("0900") + hex("0003") + QByteArray(1, static_cast<char>(words & 0xFF)) +
                        QByteArray(1, static_cast<char>((words >> 8) & 0xFF)) + hex("0000") + hex("0000") +
                        hex("07000000") + hex("0000");
    wmf += header + records;
    LayoutPicture m;
    ASSERT_TRUE(m.loadBytes(wmf));
    EXPECT_EQ(m.kind(), LayoutPicture::Kind::Metafile);
    EXPECT_EQ(m.size(), QSize(96, 48));
    QByteArray md = m.streamData();
    EXPECT_EQ(md, name("TMetafile") + wmf);
    LayoutPicture back;
    ASSERT_TRUE(back.setStreamData(md));
    EXPECT_EQ(back.fileData(), wmf);
    EXPECT_FALSE(back.setStreamData(name("TIcon") + wmf));
}

TEST_F(StreamTest, ReadErrors) {
    const QByteArray head = hex("01") + "TPF0";
    const QByteArray label = head + name("TGLineShape") + name("X");
    struct Case {
        const char* what;
        QByteArray data;
        const char* message;
    } cases[] = {
        {"empty", QByteArray(), "Stream read error"},
        {"no list code", hex("0200"), "Invalid property value"},
        {"bad signature", hex("01") + "TPF1", "Invalid stream format"},
        {"unregistered class", head + name("TGWidget") + name("X") + hex("0000") + hex("00"),
         "Class TGWidget not found"},
        {"no such property", label + name("Colour") + hex("0201") + hex("000000"), "Property does not exist"},
        {"property of a scalar", label + name("Left.Value") + hex("0201") + hex("000000"), "Invalid property path"},
        {"unknown sub-object", label + name("Foo.Bar") + hex("0201") + hex("000000"), "Property does not exist"},
        {"string for integer", label + name("Left") + hex("060141") + hex("000000"), "Invalid property value"},
        {"unknown enumeration", label + name("LineStyle") + hex("07") + name("stDiagonal") + hex("000000"),
         "Invalid property value"},
        {"unknown colour", label + name("Pen.Color") + hex("07") + name("clPink") + hex("000000"),
         "Invalid property value"},
        {"unknown value code", label + name("Left") + hex("0e") + hex("000000"), "Invalid property value"},
        {"truncated integer", label + name("Left") + hex("03"), "Stream read error"},
        {"truncated name", label + hex("05") + "Lef", "Stream read error"},
        {"long binary length", head + name("TGImage") + name("X") + name("Picture.Data") + hex("0affffff7f"),
         "Stream read error"},
        {"bad picture", head + name("TGImage") + name("X") + name("Picture.Data") + hex("0a03000000") + "abc" +
                            hex("000000"),
         "Invalid property value"},
        {"missing end of list", label + hex("0000"), "Stream read error"},
        {"children", label + hex("00") + hex("01"), "Invalid stream format"},
        {"list inside a list", label + name("Width") + hex("01") + QByteArray(100000, '\x01') +
                                   QByteArray(100000, '\x00'),
         "Invalid stream format"},
        {"integer in a list", label + name("Width") + hex("01020100") + hex("000000"), "Invalid property value"},
        {"width past any sheet", label + name("Width") + hex("04ffffff7f") + hex("000000"), "Invalid property value"},
        {"negative height", label + name("Height") + hex("02ff") + hex("000000"), "Invalid property value"},
        {"left past any sheet", label + name("Left") + hex("0400000080") + hex("000000"), "Invalid property value"},
        {"bad style set member", head + name("TGPLabel") + name("X") + name("Font.Style") + hex("0b") +
                                     name("fsWide") + hex("00") + hex("000000"),
         "Invalid property value"},
    };
    for (const auto& c : cases) EXPECT_EQ(readError(c.data), c.message) << c.what;
}

TEST_F(StreamTest, UnregisteredClassIsRefused) {
    clearClassRegistry();
    registerPanelClasses(PanelKind::Label);
    auto* fim = new TGFIMBarCode(&panel);
    QByteArray data = TGLabelObjectFiler::encodeList({fim});
    EXPECT_EQ(readError(data), "Class TGFIMBarCode not found");
    registerPanelClasses(PanelKind::Envelope);  // an envelope panel has been constructed since
    EXPECT_EQ(readError(data), "no error");
}

TEST_F(StreamTest, RegistryPerPanelKind) {
    clearClassRegistry();
    registerPanelClasses(PanelKind::Report);
    EXPECT_TRUE(classRegistered(QStringLiteral("Trpshapes")));
    EXPECT_TRUE(classRegistered(QStringLiteral("TGPageNumberLabel")));
    EXPECT_FALSE(classRegistered(QStringLiteral("TGLabelShapes")));
    EXPECT_FALSE(classRegistered(QStringLiteral("TGCounterLabel")));
    EXPECT_FALSE(classRegistered(QStringLiteral("TGDMultiLineAddressLabel")));
    registerPanelClasses(PanelKind::Label);
    EXPECT_TRUE(classRegistered(QStringLiteral("TGCounterLabel")));
    EXPECT_FALSE(classRegistered(QStringLiteral("TGFIMBarCode")));
}

TEST_F(StreamTest, ObjectsBeforeAFailureStay) {
    auto* a = new TGLineShape(&panel);
    auto* b = new TGLineShape(&panel);
    QByteArray data = TGLabelObjectFiler::encodeList({a, b});
    data.chop(3);  // the second object loses its closing bytes
    StandaloneHost target;
    EXPECT_THROW(TGLabelObjectFiler::decodeList(data, &target, &target), LayoutStreamError);
    EXPECT_EQ(layoutObjects(&target).size(), 1u);
}

TEST_F(StreamTest, FlagsByteAndChildPositionAreSkipped) {
    QByteArray data = hex("01") + "TPF0" + hex("f2") + hex("0205") + name("TGLineShape") + name("X") + name("Left") +
                      hex("0207") + hex("000000");
    StandaloneHost target;
    auto read = TGLabelObjectFiler::decodeList(data, &target, &target);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0]->left(), 7);
}

TEST_F(StreamTest, NamesOnReadingAndPasting) {
    auto* a = new TGLineShape(&panel);
    a->setBounds(1, 2, 30, 10);
    auto* b = new TGPLabel(&panel);
    b->setBounds(40, 50, 142, 33);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("BIN00001.L"));
    TGLabelObjectFiler::SaveObjects(&panel, path);

    QObject owner;
    auto* target = new StandaloneHost(&owner);
    auto* taken = new TGLineShape(target);
    taken->setName(QStringLiteral("Component1"));
    auto first = TGLabelObjectFiler::LoadObjects(&owner, target, path);
    auto second = TGLabelObjectFiler::LoadObjects(&owner, target, path);
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(first[0]->name(), QStringLiteral("Component0"));
    EXPECT_EQ(first[1]->name(), QStringLiteral("Component2"));
    EXPECT_EQ(second[0]->name(), QStringLiteral("Component3"));
    EXPECT_EQ(second[1]->name(), QStringLiteral("Component4"));

    auto pasted = TGLabelObjectFiler::PasteObjects(&owner, target, path);
    ASSERT_EQ(pasted.size(), 2u);
    EXPECT_EQ(pasted[0]->bounds(), QRect(16, 17, 30, 10));
    EXPECT_EQ(pasted[1]->bounds().topLeft(), QPoint(55, 65));

    EXPECT_TRUE(TGLabelObjectFiler::LoadObjects(&owner, target, dir.filePath(QStringLiteral("none.L"))).empty());
    QString sel = dir.filePath(QStringLiteral("Clipbrd.tmp"));
    TGLabelObjectFiler::SaveSelection({}, sel);
    EXPECT_FALSE(QFile::exists(sel));
    TGLabelObjectFiler::SaveSelection({b, a}, sel);
    auto back = TGLabelObjectFiler::LoadObjects(&owner, target, sel);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_STREQ(back[0]->className(), "TGPLabel");

    auto* clone = TGLabelObjectFiler::CloneObject(b, &owner, target);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->name(), QStringLiteral("Component9"));
    EXPECT_EQ(clone->bounds(), b->bounds());
}

TEST_F(StreamTest, ReportLayoutHasFourLists) {
    StandaloneHost header, detail, footer;
    new TGPLabel(&header);
    new TGPageNumberLabel(&footer);
    new TGLineShape(&footer);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("BIN00001.R"));
    TGLabelObjectFiler::SaveReportLayout(&header, &detail, &footer, path, [](StreamWriter& w) {
        w.writeInteger(8500);
        w.writeBool(true);
        w.writeString(QStringLiteral("Report"));
    });
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith(hex("01") + hex("033421") + hex("09") +
                               hex("0606") + "Report" + hex("00")));
    QObject owner;
    StandaloneHost h2, d2, f2;
    int width = 0;
    bool flag = false;
    QString text;
    TGLabelObjectFiler::LoadReportLayout(&owner, &h2, &d2, &f2, path, [&](StreamReader& r) {
        width = r.readInteger();
        flag = r.readBool();
        text = r.readString();
    });
    EXPECT_EQ(layoutObjects(&h2).size(), 1u);
    EXPECT_EQ(layoutObjects(&d2).size(), 0u);
    EXPECT_EQ(layoutObjects(&f2).size(), 2u);
    EXPECT_EQ(width, 8500);
    EXPECT_TRUE(flag);
    EXPECT_EQ(text, QStringLiteral("Report"));
}

TEST_F(StreamTest, SettersRunInStreamOrder) {
    // Startingnumber resets the counter; Angle swaps the box when its orientation does not match.
    QByteArray data = hex("01") + "TPF0" + name("TGCounterLabel") + name("X") + name("Width") + hex("0264") +
                      name("Height") + hex("0214") + name("Angle") + hex("025a") + name("Startingnumber") +
                      hex("0209") + hex("000000");
    StandaloneHost target;
    auto read = TGLabelObjectFiler::decodeList(data, &target, &target);
    ASSERT_EQ(read.size(), 1u);
    auto* c = static_cast<TGCounterLabel*>(read[0]);
    EXPECT_EQ(c->value(), 9);
    EXPECT_EQ(c->width(), 20);
    EXPECT_EQ(c->height(), 100);
    EXPECT_EQ(target.changes, 0);  // reading raises no change notices
}

TEST_F(StreamTest, WriteFailureIsReported) {
    StandaloneHost p;
    EXPECT_THROW(TGLabelObjectFiler::SaveObjects(&p, QStringLiteral("/nonexistent-dir/BIN00001.L")), LayoutStreamError);
}
