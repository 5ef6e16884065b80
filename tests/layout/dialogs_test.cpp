// The object dialogs and popup menus, without showing them.
#include "Common.h"
#include "GBarcode.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"
#include "LayoutDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace addrova::layout;

namespace {

// Captions of a menu's items, submenus as "Name>", separators as "-".
QStringList captions(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->menu() ? ">" : ""));
    return out;
}
QAction* item(QMenu* m, const QString& text) {
    for (QAction* a : m->actions())
        if (a->text() == text) return a;
    return nullptr;
}
const QStringList kCommon = {"Bring To Front", "Send To Back", "Cut", "Copy", "Delete", "Clone", "-",
                             "Locked", "Unselectable", "-", "Center Vertically", "Center Horizontally"};

}  // namespace

TEST(Menus, ItemsPerClass) {
    StandaloneHost host;
    const QStringList text = {"-", "Font", "3D Effects", "Alignment>", "Background Color", "Transparent"};
    struct Case {
        TGGraphicControl* o;
        QStringList tail;
    } cases[] = {
        {new TGPLabel(&host), text + QStringList({"-", "Text", "-", "Rotation>"})},
        {new TGCounterLabel(&host), text + QStringList({"-", "Counter Settings", "-", "Rotation>"})},
        {new TGPDLabel(&host), text + QStringList({"-", "Field"})},
        {new TGSymbolLabel(&host), QStringList({"-", "3D Effects", "Background Color", "Transparent", "-",
                                                 "Symbol Selector"})},
        {new TGPageNumberLabel(&host), text},
        {new TGMultiLineLabel(&host), QStringList({"-", "Font", "Alignment>", "-", "Text", "Word Wrap"})},
        {new TGDMultiLineLabel(&host), QStringList({"-", "Font", "Alignment>", "-", "Memo Field", "Word Wrap"})},
        {new TGDMultiLineAddressLabel(&host), QStringList({"-", "Font", "Alignment>", "-", "Address Layout"})},
        {new TGPostNetBarCode(&host), {}},
        {new TGFIMBarCode(&host), QStringList({"-", "Set FIM to Type A", "Set FIM to Type B", "Set FIM to Type C"})},
        {new TGLineShape(&host), QStringList({"-", "Style>", "Color", "Line Thickness>", "-", "Stretch To Edges"})},
        {new TGLabelShapes(&host), QStringList({"-", "Background Color", "Line Color", "Line Thickness>", "-",
                                                 "Transparent"})},
        {new TGImage(&host), QStringList({"-", "Load Image From Disk", "-", "Stretch to Fit", "AutoSize"})},
    };
    for (const auto& c : cases) EXPECT_EQ(captions(c.o->popupMenu()), kCommon + c.tail) << c.o->className();
}

TEST(Menus, ChecksAndCommands) {
    StandaloneHost host;
    host.setPanelSize(QSize(300, 200));
    auto* line = new TGLineShape(&host);
    line->setBounds(10, 10, 50, 10);
    QMenu* m = line->popupMenu();
    QMenu* thickness = item(m, QStringLiteral("Line Thickness"))->menu();
    EXPECT_EQ(captions(thickness).first(), QStringLiteral("1 Point"));
    EXPECT_EQ(captions(thickness).last(), QStringLiteral("10 Point"));
    thickness->actions()[3]->trigger();
    EXPECT_EQ(line->pen().width, 4);
    line->menuPopup();
    EXPECT_TRUE(thickness->actions()[3]->isChecked());
    item(m, QStringLiteral("Stretch To Edges"))->trigger();
    EXPECT_EQ(line->bounds(), QRect(0, 10, 300, 10));
    item(m, QStringLiteral("Center Vertically"))->trigger();
    EXPECT_EQ(line->top(), 100 - 5);
    item(m, QStringLiteral("Locked"))->trigger();
    EXPECT_TRUE(line->locked());

    auto* shape = new TGLabelShapes(&host);
    shape->setShape(ShapeType::stRoundRect);
    QMenu* sm = shape->buildMenu();
    ASSERT_NE(item(sm, QStringLiteral("Degree of Rounding")), nullptr);
    QMenu* round = item(sm, QStringLiteral("Degree of Rounding"))->menu();
    EXPECT_EQ(captions(round), QStringList({"20 %", "30 %", "40 %", "50 %", "60 %", "70 %", "80 %"}));
    round->actions()[6]->trigger();
    EXPECT_EQ(shape->roundPerc(), 80);

    auto* fim = new TGFIMBarCode(&host);
    item(fim->popupMenu(), QStringLiteral("Set FIM to Type C"))->trigger();
    EXPECT_EQ(fim->fimType(), FIMType::fimTypeC);

    auto* label = new TGPLabel(&host);
    QMenu* rotation = item(label->popupMenu(), QStringLiteral("Rotation"))->menu();
    EXPECT_EQ(captions(rotation), QStringList({"No Rotation", "90 Degrees", "180 Degrees", "270 Degrees"}));
    rotation->actions()[1]->trigger();
    EXPECT_EQ(label->angle(), 90);
    QMenu* align = item(label->popupMenu(), QStringLiteral("Alignment"))->menu();
    EXPECT_EQ(captions(align), QStringList({"Left", "Center", "Right"}));
    label->setAngle(0);
    align->actions()[1]->trigger();
    label->menuPopup();
    EXPECT_EQ(label->alignment(), Alignment::taCenter);
    EXPECT_TRUE(align->actions()[1]->isChecked());
    EXPECT_FALSE(align->actions()[0]->isChecked());
}

TEST(Dialogs, CaptionsAndFields) {
    TFieldSelectionBox field({"Last Name", "First Name", "City"}, QStringLiteral("First Name"));
    EXPECT_EQ(field.windowTitle(), QStringLiteral("Select Field"));
    EXPECT_EQ(field.chosen(), QStringLiteral("First Name"));
    TFieldSelectionBox fallback({"Last Name", "City"}, QStringLiteral("Gone"));
    EXPECT_EQ(fallback.chosen(), QStringLiteral("Last Name"));

    TGetLabelText text(QStringLiteral("Hello"));
    EXPECT_EQ(text.windowTitle(), QStringLiteral("Text"));
    EXPECT_EQ(text.text(), QStringLiteral("Hello"));

    TGetCounter counter({7, 3, 4, "No. ", "!"});
    EXPECT_EQ(counter.windowTitle(), QStringLiteral("Counter"));
    EXPECT_EQ(counter.repeat->minimum(), 1);
    EXPECT_EQ(counter.repeat->maximum(), 999);
    EXPECT_EQ(counter.zeros->maximum(), 9);
    CounterSettings s = counter.settings();
    EXPECT_EQ(s.startingNumber, 7);
    EXPECT_EQ(s.textBefore, QStringLiteral("No. "));

    LayoutFont f;
    f.name = QStringLiteral("WingDings");
    f.size = 24;
    TGetSymbol symbol(f, '[');
    EXPECT_EQ(symbol.windowTitle(), QStringLiteral("Symbol Selector"));
    EXPECT_EQ(symbol.list()->count(), 224);
    EXPECT_EQ(symbol.code(), '[');
    f.style = fsBold | fsItalic;
    EXPECT_EQ(TGetSymbol::describeFont(f), QStringLiteral("WingDings 24pt Italic "));
    f.style = fsBold;
    EXPECT_EQ(TGetSymbol::describeFont(f), QStringLiteral("WingDings 24pt Bold "));
}

TEST(Dialogs, TextDialogOffersItsTextSelected) {
    struct Case {
        const char* start;
        std::function<void(QLineEdit*)> keys;
        const char* result;
    };
    const Case cases[] = {
        {"<text>", [](QLineEdit* e) { QTest::keyClicks(e, "Dear friend"); }, "Dear friend"},
        {"Hello", [](QLineEdit* e) { QTest::keyClicks(e, "Bye"); }, "Bye"},
        {"Hello", [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_End); QTest::keyClicks(e, " all"); }, "Hello all"},
        {"<text>", [](QLineEdit*) {}, "<text>"},
    };
    for (const Case& c : cases) {
        TGetLabelText dlg(QString::fromLatin1(c.start));
        QString selected;
        QTimer::singleShot(0, [&] {
            selected = dlg.edit()->selectedText();
            c.keys(dlg.edit());
            dlg.accept();
        });
        ASSERT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_EQ(selected, QString::fromLatin1(c.start)) << c.start;
        EXPECT_EQ(dlg.text(), QString::fromLatin1(c.result)) << c.start;
    }
}

TEST(Dialogs, AddressLayoutZipChoices) {
    AddressSwitches s;
    s.zipOptions = ZipOptions::zoAfterCountry;
    TAddressLayout dlg(s);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Address Label Layout"));
    EXPECT_TRUE(dlg.zipChoice[2]->isChecked());
    EXPECT_TRUE(dlg.zipChoice[0]->isEnabled());
    dlg.zip->setChecked(false);
    for (auto* r : dlg.zipChoice) EXPECT_FALSE(r->isEnabled());
    dlg.phone->setChecked(true);
    dlg.zipChoice[1]->setChecked(true);
    AddressSwitches out = dlg.switches();
    EXPECT_FALSE(out.useZip);
    EXPECT_TRUE(out.usePhone);
    EXPECT_EQ(out.zipOptions, ZipOptions::zoBeforeCity);
}

TEST(Dialogs, MultiLineEditorKeeps254Characters) {
    TMultiLineTextEditor dlg({"one", "two"}, LayoutFont{});
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Multi-line Text Editor"));
    EXPECT_EQ(dlg.lines(), QStringList({"one", "two"}));
    dlg.edit()->setPlainText(QString(300, QLatin1Char('x')));
    EXPECT_EQ(dlg.edit()->toPlainText().size(), 254);
    dlg.edit()->setPlainText(QString(100, QLatin1Char('a')) + "\n" + QString(200, QLatin1Char('b')));
    QString t = dlg.edit()->toPlainText();
    EXPECT_EQ(t.size() + t.count(QLatin1Char('\n')), 254);  // the line end counts two
}

TEST(Dialogs, EffectsSampleAppliesOnlyOnRequest) {
    StandaloneHost host;
    auto* label = new TGPLabel(&host);
    TGFont3DEffects dlg(*label);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Text 3D Effects"));
    EXPECT_EQ(dlg.shadowDir->count(), 6);
    EXPECT_EQ(dlg.shadowDir->itemText(3), QStringLiteral("Lower Right"));
    EXPECT_EQ(dlg.highlightDir->itemText(4), QStringLiteral("Upper Left"));
    dlg.shadowDepth->setCurrentIndex(4);
    dlg.shadowDir->setCurrentIndex(2);
    dlg.fontColour->setCurrentIndex(dlg.fontColour->findText(QStringLiteral("Red")));
    EXPECT_EQ(dlg.sample().depthShadow(), 4);
    EXPECT_EQ(dlg.sample().directionShadow(), ShadowDir::sdLeft);
    EXPECT_EQ(label->depthShadow(), 0);  // Cancel would leave it so
    dlg.applyTo(*label);
    EXPECT_EQ(label->depthShadow(), 4);
    EXPECT_EQ(label->directionShadow(), ShadowDir::sdLeft);
    EXPECT_EQ(label->font().color, clRed);
}

TEST(Dialogs, ImageBrowserRefusesUnreadableFiles) {
    std::vector<QString> messages;
    addrova::ui::SetMessageHook([&](const addrova::ui::MessageRequest& r) {
        messages.push_back(r.text);
        return true;
    });
    TGImageBrowser dlg(true, false);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Load Image File (BMP/WMF)"));
    dlg.autoSizeBox->setChecked(true);
    EXPECT_FALSE(dlg.stretchBox->isChecked());
    EXPECT_FALSE(dlg.preview(QStringLiteral("/nonexistent/picture.bmp")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Error loading file!"));
    EXPECT_TRUE(dlg.chosenFile().isEmpty());
    addrova::ui::SetMessageHook({});
}
