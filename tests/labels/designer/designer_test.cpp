// The label designer window driven offscreen: the new layout's address block, the placing tools and
// the POSTNET rule, Change Layout (catalogue and hand entry) with clamping, zoom, Save, the default
// font, record buttons and the position read-out; and a picture of the window.
#include "AddressFile.h"
#include "Common.h"
#include "DesignLogic.h"
#include "GBarcode.h"
#include "GIMBarcode.h"
#include "GHandle.h"
#include "GLabels.h"
#include "GMultiLine.h"
#include "GShapes.h"
#include "LabelDesignScreen.h"
#include "LabelDialogs.h"
#include "LayoutDialogs.h"
#include "ProgramDir.h"
#include "RecordSource.h"
#include "Table.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace addrova::labels;
using namespace addrova::layout;
namespace store = addrova::store;

namespace {

// Answers every modal dialog that opens while it lives, once each; without a handler, Cancel.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(QDialog*)> handler = {}) : handler_(std::move(handler)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d || d->property("answered").toBool()) return;
            d->setProperty("answered", true);
            seen.push_back(d->metaObject()->className());
            if (handler_) handler_(d);
            else d->reject();
        });
        timer_.start();
    }
    std::vector<std::string> seen;

private:
    std::function<void(QDialog*)> handler_;
    QTimer timer_;
};

void clickOk(QDialog* d) {
    auto* box = d->findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    box->button(QDialogButtonBox::Ok)->click();
}

void settle() {
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
}

template <class T> std::vector<T*> objectsOf(TGBasePanel& p) {
    std::vector<T*> out;
    for (TGGraphicControl* o : p.objects())
        if (auto* t = qobject_cast<T*>(o)) out.push_back(t);
    return out;
}

LabelSetup stock5163() {
    LabelSetup s = NewLabelSetup();
    s.descript = "Shipping";
    s.lblWidth = 4.0f;
    s.lblHeight = 2.0f;
    s.nbrAcross = 2;
    s.nbrDown = 5;
    s.horizPitch = 4.188f;
    s.vertPitch = 2.0f;
    s.tplDescrip = "Avery 5163  Shipping";
    s.art = "AV5163.BMP";
    return s;
}

class DesignerTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("ADDROVA_HOME", home.path().toLocal8Bit());
        QDir(home.path()).mkpath(QStringLiteral("sysdata"));
        QDir(home.path()).mkpath(QStringLiteral("DATA"));
        sysdata = home.path().toStdString() + "/sysdata/";
        for (const char* f : {"LBLTPL.DBF", "LBLTPL.CDX"})
            ASSERT_TRUE(QFile::copy(QString::fromLatin1(ADDROVA_SYSDATA_DIR) + QLatin1String(f),
                                    QString::fromStdString(sysdata) + QLatin1String(f)));
        std::string path = home.path().toStdString() + "/DATA/ADD0001.DBF";
        ASSERT_EQ(store::createAddressFile(path, store::defaultWidths()), "");
        ASSERT_EQ(store::openAddressFile(path, table), "");
        add("Smith", "Ann", "123 MAIN ST", "Springfield", "IL", "62701-1234");
        add("Jones", "Bob", "9 ELM ST", "Portland", "OR", "97201");
        add("Brown", "Cyd", "77 OAK AVE", "Austin", "TX", "73301");
        table.setOrder(0);
        table.goTop();
        records = std::make_unique<TableRecordSource>(table);
        addrova::ui::SetMessageHook([this](const addrova::ui::MessageRequest& r) {
            messages.push_back(r.text);
            return true;
        });
    }
    void TearDown() override {
        addrova::ui::SetMessageHook({});
        setProgramDragCursor(false);
    }
    void add(const char* last, const char* first, const char* street, const char* city, const char* state,
             const char* zip) {
        table.appendBlank();
        table.setString("LNAME", last);
        table.setString("FNAME", first);
        table.setString("STREET", street);
        table.setString("CITY", city);
        table.setString("STATE", state);
        table.setString("ZIP", zip);
        table.post();
    }
    std::unique_ptr<TLabelDesignScreen> open(const LabelSetup& s, bool isNew) {
        LabelDesignerContext ctx;
        ctx.records = records.get();
        ctx.address = &table;
        ctx.sysdataDir = sysdata;
        auto d = std::make_unique<TLabelDesignScreen>(ctx);
        d->SetLayout(s, isNew);
        d->show();
        settle();
        return d;
    }
    // A tool button click, then a click on the panel; dialogs that open while placing are cancelled.
    static void place(TLabelDesignScreen& d, int state, QPoint at) {
        QTest::mouseClick(d.toolButton(state), Qt::LeftButton);
        ModalAnswerer cancel;
        QTest::mouseClick(&d.Panel(), Qt::LeftButton, {}, at);
        settle();
    }
    // Change Layout answered by hand entry of a label size.
    void changeByHand(TLabelDesignScreen& d, const char* width, const char* height) {
        ModalAnswerer answer([&](QDialog* dlg) {
            if (auto* c = qobject_cast<TChooseLabelLayout*>(dlg)) {
                c->manualButton()->setChecked(true);
                clickOk(c);
            } else if (auto* e = qobject_cast<TLabelEdit*>(dlg)) {
                e->edit(TLabelEdit::LabelWidth)->setText(QString::fromLatin1(width));
                e->edit(TLabelEdit::LabelHeight)->setText(QString::fromLatin1(height));
                e->edit(TLabelEdit::HorizPitch)->setText(QString::fromLatin1(width));
                e->edit(TLabelEdit::VertPitch)->setText(QString::fromLatin1(height));
                clickOk(e);
            } else {
                dlg->reject();
            }
        });
        d.ChangeLayoutClick();
        settle();
    }
    // Change Layout answered by picking a stock of the catalogue.
    void changeFromCatalogue(TLabelDesignScreen& d, const QString& stockName) {
        ModalAnswerer answer([&](QDialog* dlg) {
            if (auto* c = qobject_cast<TChooseLabelLayout*>(dlg)) {
                c->presetButton()->setChecked(true);
                clickOk(c);
            } else if (auto* s = qobject_cast<TSelectLabel*>(dlg)) {
                s->productCombo()->setCurrentIndex(s->productCombo()->count() - 1);  // "All"
                QListWidget* list = s->stockList();
                auto hits = list->findItems(stockName, Qt::MatchExactly);
                if (!hits.isEmpty()) list->setCurrentItem(hits.front());
                clickOk(s);
            } else {
                dlg->reject();
            }
        });
        d.ChangeLayoutClick();
        settle();
    }

    QTemporaryDir home;
    std::string sysdata;
    store::Table table;
    std::unique_ptr<TableRecordSource> records;
    std::vector<QString> messages;
};

TEST_F(DesignerTest, NewLayoutGetsAnAddressBlockAndTheMessage) {
    auto d = open(NewLabelSetup(), true);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromLatin1(kNewLabelMessage));
    auto blocks = objectsOf<TGDMultiLineAddressLabel>(d->Panel());
    ASSERT_EQ(d->Panel().objects().size(), 1u);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0]->left(), 5);
    EXPECT_EQ(blocks[0]->top(), 5);
    EXPECT_EQ(d->Panel().SelectionFrame()->count(), 1);
    EXPECT_EQ(d->Panel().PanelState(), TGLabelPanel::psPointing);
    EXPECT_TRUE(d->toolButton(0)->isChecked());
    // The block shows the current record.
    EXPECT_TRUE(blocks[0]->items().join(QLatin1Char('\n')).contains(QStringLiteral("Smith"))) << blocks[0]->items().join('|').toStdString();
    EXPECT_EQ(d->descriptionEdit()->text(), "<New Label>");
    EXPECT_EQ(d->stockLabel()->text(), "Avery 5160  Address");
    EXPECT_EQ(d->Panel().size(), QSize(252, 96));
    EXPECT_EQ(d->Panel().shape(), PanelShape::lsRoundRect);
    EXPECT_FALSE(d->showArtButton()->isEnabled());
    // The added block is a change: Save stands ready, and saving keeps the Avery 5160 values.
    EXPECT_FALSE(d->saveButton()->isHidden());
    QTest::mouseClick(d->saveButton(), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Accepted);
    LabelSetup out = d->Layout();
    EXPECT_EQ(out.descript, "<New Label>");
    EXPECT_FLOAT_EQ(out.lblWidth, 2.625f);
    EXPECT_EQ(out.tplDescrip, "Avery 5160  Address");
}

TEST_F(DesignerTest, EveryToolPlacesItsObjectAndReturnsToSelection) {
    struct Case {
        int state;
        const char* className;
    };
    const Case cases[] = {
        {TGLabelPanel::psLabel, "TGPLabel"},
        {TGLabelPanel::psCounterLabel, "TGCounterLabel"},
        {TGLabelPanel::psSymbolLabel, "TGSymbolLabel"},
        {TGLabelPanel::psDataLabel, "TGPDLabel"},
        {TGLabelPanel::psMultiLineLabel, "TGMultiLineLabel"},
        {TGLabelPanel::psMultiLineDataLabel, "TGDMultiLineLabel"},
        {TGLabelPanel::psAddressLabel, "TGDMultiLineAddressLabel"},
        {TGLabelPanel::psRectangle, "TGLabelShapes"},
        {TGLabelPanel::psEllipse, "TGLabelShapes"},
        {TGLabelPanel::psRoundRectangle, "TGLabelShapes"},
        {TGLabelPanel::psLine, "TGLineShape"},
        {TGLabelPanel::psImage, "TGImage"},
        {TGLabelPanel::psPostNetBarCode, "TGPostNetBarCode"},
        {TGLabelPanel::psIMBarCode, "TGIMBarCode"},
    };
    auto d = open(stock5163(), false);
    size_t before = 0;
    for (const Case& c : cases) {
        place(*d, c.state, QPoint(40, 30));
        auto all = d->Panel().objects();
        ASSERT_EQ(all.size(), before + 1) << c.className;
        EXPECT_STREQ(all.back()->className(), c.className);
        EXPECT_EQ(all.back()->left(), 40) << c.className;
        EXPECT_EQ(all.back()->top(), 30) << c.className;
        EXPECT_EQ(d->Panel().PanelState(), TGLabelPanel::psPointing) << c.className;
        EXPECT_TRUE(d->toolButton(0)->isChecked()) << c.className;
        ++before;
    }
    // The rectangle, ellipse and round rectangle tools make those shapes.
    auto shapes = objectsOf<TGLabelShapes>(d->Panel());
    ASSERT_EQ(shapes.size(), 3u);
    EXPECT_EQ(shapes[0]->shape(), ShapeType::stRectangle);
    EXPECT_EQ(shapes[1]->shape(), ShapeType::stEllipse);
    EXPECT_EQ(shapes[2]->shape(), ShapeType::stRoundRect);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DesignerTest, TextToolOffersItsTextSelectedSoTypingReplacesIt) {
    auto d = open(stock5163(), false);
    QString selected;
    QTest::mouseClick(d->toolButton(TGLabelPanel::psLabel), Qt::LeftButton);
    {
        ModalAnswerer answer([&](QDialog* dlg) {
            auto* t = qobject_cast<TGetLabelText*>(dlg);
            if (!t) return dlg->reject();
            selected = t->edit()->selectedText();
            QTest::keyClicks(t->edit(), "Dear friend");
            t->accept();
        });
        QTest::mouseClick(&d->Panel(), Qt::LeftButton, {}, QPoint(20, 20));
        settle();
    }
    auto labels = objectsOf<TGPLabel>(d->Panel());
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(selected, "<text>");
    EXPECT_EQ(labels[0]->caption(), "Dear friend");
}

TEST_F(DesignerTest, PostnetToolNeedsALabelAtLeast285InchesWide) {
    struct Case {
        float width;
        bool allowed;
    };
    for (Case c : {Case{2.625f, false}, Case{2.849f, false}, Case{2.85f, true}}) {
        LabelSetup s = NewLabelSetup();
        s.lblWidth = c.width;
        auto d = open(s, false);
        messages.clear();
        QTest::mouseClick(d->toolButton(TGLabelPanel::psPostNetBarCode), Qt::LeftButton);
        if (c.allowed) {
            EXPECT_TRUE(messages.empty()) << c.width;
            EXPECT_EQ(d->Panel().PanelState(), TGLabelPanel::psPostNetBarCode) << c.width;
            EXPECT_TRUE(d->toolButton(TGLabelPanel::psPostNetBarCode)->isChecked());
        } else {
            ASSERT_EQ(messages.size(), 1u) << c.width;
            EXPECT_EQ(messages[0], QString::fromLatin1(kPostnetRefused));
            EXPECT_EQ(d->Panel().PanelState(), TGLabelPanel::psPointing);
            EXPECT_FALSE(d->toolButton(TGLabelPanel::psPostNetBarCode)->isChecked());
            EXPECT_TRUE(d->toolButton(0)->isChecked());
            // A click on the panel then places nothing.
            QTest::mouseClick(&d->Panel(), Qt::LeftButton, {}, QPoint(20, 20));
            settle();
            EXPECT_TRUE(d->Panel().objects().empty());
        }
    }
}

TEST_F(DesignerTest, HandEntryClampsObjectsAndRemovesOnePostnetThatNoLongerFits) {
    auto d = open(stock5163(), false);
    place(*d, TGLabelPanel::psPostNetBarCode, QPoint(10, 10));
    place(*d, TGLabelPanel::psPostNetBarCode, QPoint(10, 60));
    place(*d, TGLabelPanel::psRectangle, QPoint(340, 170));
    auto postnets = objectsOf<TGPostNetBarCode>(d->Panel());
    ASSERT_EQ(postnets.size(), 2u);
    TGPostNetBarCode* second = postnets[1];
    EXPECT_TRUE(d->showArtButton()->isEnabled());
    EXPECT_TRUE(d->showArtButton()->isChecked());
    messages.clear();

    changeByHand(*d, "2.625", "1");
    EXPECT_EQ(d->Panel().size(), QSize(252, 96));
    EXPECT_EQ(d->stockLabel()->text(), "User Defined Label Layout");
    EXPECT_FALSE(d->showArtButton()->isEnabled());
    EXPECT_FALSE(d->showArtButton()->isChecked());
    EXPECT_TRUE(d->Panel().picture().isEmpty());
    EXPECT_FALSE(d->saveButton()->isHidden());
    // The rectangle beyond the new edges moved back inside.
    auto shapes = objectsOf<TGLabelShapes>(d->Panel());
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0]->left(), 252 - 20);
    EXPECT_EQ(shapes[0]->top(), 96 - 10);
    // One barcode goes, with the warning; the other stays.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromLatin1(kPostnetRemoved));
    settle();
    postnets = objectsOf<TGPostNetBarCode>(d->Panel());
    ASSERT_EQ(postnets.size(), 1u);
    EXPECT_EQ(postnets[0], second);
    LabelSetup out = d->Layout();
    EXPECT_EQ(out.manufac, "USER");
    EXPECT_EQ(out.tplDescrip, "");
    EXPECT_EQ(out.art, "");
    EXPECT_FLOAT_EQ(out.lblWidth, 2.625f);
}

TEST_F(DesignerTest, CatalogueStockAppliesItsGeometryAndArtWhileZoomed) {
    auto d = open(NewLabelSetup(), false);
    EXPECT_FALSE(d->showArtButton()->isEnabled());
    place(*d, TGLabelPanel::psRectangle, QPoint(100, 40));
    for (int i = 0; i < 5; ++i) QTest::mouseClick(d->zoomUpButton(), Qt::LeftButton);
    EXPECT_EQ(d->zoomLabel()->text(), "150%");

    changeFromCatalogue(*d, QStringLiteral("Avery 5163  Shipping"));
    EXPECT_EQ(d->stockLabel()->text(), "Avery 5163  Shipping");
    EXPECT_EQ(d->setup().art, "AV5163.BMP");
    // 4 x 2 inches, shown at the zoom that was set.
    EXPECT_EQ(d->Panel().size(), QSize(576, 288));
    EXPECT_FLOAT_EQ(d->Panel().zoomFactor(), 1.5f);
    EXPECT_EQ(d->Panel().shape(), PanelShape::lsRoundRect);
    EXPECT_TRUE(d->showArtButton()->isEnabled());
    EXPECT_TRUE(d->showArtButton()->isChecked());
    EXPECT_FALSE(d->saveButton()->isHidden());
    // The outline picture: the label's 100 % size, silver on white.
    ASSERT_FALSE(d->Panel().picture().isEmpty());
    QImage art = d->Panel().picture().image();
    EXPECT_EQ(art.size(), QSize(384, 192));
    EXPECT_EQ(art.pixel(0, 96) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(art.pixel(192, 96) & 0xFFFFFF, 0xFFFFFFu);
    // "Show art" up removes the picture, down brings it back.
    QTest::mouseClick(d->showArtButton(), Qt::LeftButton);
    EXPECT_TRUE(d->Panel().picture().isEmpty());
    QTest::mouseClick(d->showArtButton(), Qt::LeftButton);
    EXPECT_FALSE(d->Panel().picture().isEmpty());
    LabelSetup out = d->Layout();
    EXPECT_FLOAT_EQ(out.lblWidth, 4.0f);
    EXPECT_FLOAT_EQ(out.lblHeight, 2.0f);
    EXPECT_EQ(out.descript, "<New Label>");
    EXPECT_EQ(out.manufac, "AVERY");
}

TEST_F(DesignerTest, MissingCatalogueLeavesTheLayoutUnchanged) {
    QFile::remove(QString::fromStdString(sysdata) + QStringLiteral("LBLTPL.DBF"));
    auto d = open(stock5163(), false);
    changeFromCatalogue(*d, QStringLiteral("Avery 5160  Address"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Unable to Open LBLTPL.DBF");
    EXPECT_EQ(d->Panel().size(), QSize(384, 192));
    EXPECT_EQ(d->setup().tplDescrip, "Avery 5163  Shipping");
    EXPECT_TRUE(d->saveButton()->isHidden());
}

TEST_F(DesignerTest, ZoomStepsBetween50And150KeepGeometryAndNeverShowSave) {
    auto d = open(stock5163(), false);
    TGLabelShapes* s = new TGLabelShapes(&d->Panel());
    s->loaded();
    d->Panel().AddObject(s, QRect(33, 17, 101, 47));
    settle();
    d->saveButton()->hide();  // the object added for the test is no change of the user's
    const QRect original = s->bounds();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(d->ZoomIn());
    EXPECT_EQ(d->zoomLabel()->text(), "150%");
    EXPECT_FALSE(d->ZoomIn());
    EXPECT_EQ(d->Panel().size(), QSize(576, 288));
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(d->ZoomOut());
    EXPECT_EQ(d->zoomLabel()->text(), "50%");
    EXPECT_FALSE(d->ZoomOut());
    EXPECT_EQ(d->Panel().size(), QSize(192, 96));
    for (int i = 0; i < 5; ++i) d->ZoomIn();
    EXPECT_EQ(d->zoomLabel()->text(), "100%");
    EXPECT_EQ(d->Panel().size(), QSize(384, 192));
    EXPECT_EQ(s->bounds(), original);
    EXPECT_TRUE(d->saveButton()->isHidden());
    // The keypad's + and - zoom on release, also while another control has the focus.
    d->showGridButton()->setFocus();
    QTest::keyClick(d->showGridButton(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(d->zoomLabel()->text(), "110%");
    QTest::keyClick(&d->Panel(), Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(d->zoomLabel()->text(), "100%");
    EXPECT_TRUE(d->saveButton()->isHidden());
}

TEST_F(DesignerTest, SaveAppearsOnTheFirstChange) {
    struct Case {
        const char* name;
        std::function<void(DesignerTest&, TLabelDesignScreen&)> change;
    };
    const Case cases[] = {
        {"description", [](DesignerTest&, TLabelDesignScreen& d) { QTest::keyClicks(d.descriptionEdit(), "x"); }},
        {"placing", [](DesignerTest&, TLabelDesignScreen& d) { place(d, TGLabelPanel::psEllipse, QPoint(9, 9)); }},
        {"geometry", [](DesignerTest& t, TLabelDesignScreen& d) { t.changeByHand(d, "3", "1.5"); }},
    };
    for (const Case& c : cases) {
        auto d = open(stock5163(), false);
        // Loading, sizing, zooming, the grid and the record buttons are no changes.
        EXPECT_TRUE(d->saveButton()->isHidden()) << c.name;
        EXPECT_FALSE(d->updating());
        d->ZoomIn();
        QTest::mouseClick(d->showGridButton(), Qt::LeftButton);
        QTest::mouseClick(d->nextButton(), Qt::LeftButton);
        EXPECT_TRUE(d->saveButton()->isHidden()) << c.name;
        c.change(*this, *d);
        EXPECT_FALSE(d->saveButton()->isHidden()) << c.name;
    }
    // The description keeps 50 characters of the 60 the field takes.
    auto d = open(stock5163(), false);
    d->descriptionEdit()->clear();
    QTest::keyClicks(d->descriptionEdit(), QString(70, QLatin1Char('d')));
    EXPECT_EQ(d->descriptionEdit()->text().size(), 60);
    QTest::mouseClick(d->saveButton(), Qt::LeftButton);
    EXPECT_EQ(d->Layout().descript, std::string(50, 'd'));
    // Cancel closes with the Cancel result.
    auto e = open(stock5163(), false);
    QTest::mouseClick(e->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(e->result(), QDialog::Rejected);
}

TEST_F(DesignerTest, ClosingAChangedLayoutAsksWhetherToSaveIt) {
    using addrova::ui::Answer;
    using Step = std::function<void(TLabelDesignScreen&)>;
    const Step none = [](TLabelDesignScreen&) {};
    const Step describe = [](TLabelDesignScreen& d) { QTest::keyClicks(d.descriptionEdit(), "x"); };
    const Step placeEllipse = [](TLabelDesignScreen& d) { place(d, TGLabelPanel::psEllipse, QPoint(9, 9)); };
    const Step cancelButton = [](TLabelDesignScreen& d) { QTest::mouseClick(d.cancelButton(), Qt::LeftButton); };
    const Step closeButton = [](TLabelDesignScreen& d) { d.close(); };
    const Step escape = [](TLabelDesignScreen& d) { QTest::keyClick(d.showGridButton(), Qt::Key_Escape); };
    enum Outcome { Saved, Dropped, StaysOpen };
    struct Case {
        const char* name;
        bool isNew;
        Step change, close;
        Answer answer;
        bool asked;
        Outcome outcome;
    };
    const Case cases[] = {
        {"unchanged, Cancel", false, none, cancelButton, Answer::Yes, false, Dropped},
        {"unchanged, close button", false, none, closeButton, Answer::Yes, false, Dropped},
        {"changed, Cancel, No", false, describe, cancelButton, Answer::No, true, Dropped},
        {"changed, Cancel, Cancel", false, describe, cancelButton, Answer::Cancel, true, StaysOpen},
        {"changed, Cancel, Yes", false, describe, cancelButton, Answer::Yes, true, Saved},
        {"changed, close button, Cancel", false, describe, closeButton, Answer::Cancel, true, StaysOpen},
        {"changed, close button, Yes", false, placeEllipse, closeButton, Answer::Yes, true, Saved},
        {"changed, Esc, No", false, placeEllipse, escape, Answer::No, true, Dropped},
        // A new layout's own address block is no change of the user's.
        {"new, untouched, Cancel", true, none, cancelButton, Answer::Yes, false, Dropped},
        {"new, changed, Cancel, Cancel", true, describe, cancelButton, Answer::Cancel, true, StaysOpen},
    };
    for (const Case& c : cases) {
        auto d = open(c.isNew ? NewLabelSetup() : stock5163(), c.isNew);
        c.change(*d);
        const size_t objects = d->Panel().objects().size();
        std::vector<addrova::ui::MessageRequest> asked;
        addrova::ui::SetAnswerHook([&](const addrova::ui::MessageRequest& r) {
            asked.push_back(r);
            return c.answer;
        });
        c.close(*d);
        settle();
        addrova::ui::SetAnswerHook({});
        ASSERT_EQ(asked.size(), c.asked ? 1u : 0u) << c.name;
        if (c.asked) {
            EXPECT_EQ(asked[0].text, QString::fromLatin1(kUnsavedQuestion)) << c.name;
            EXPECT_EQ(asked[0].caption, QString::fromLatin1(kUnsavedCaption)) << c.name;
        }
        EXPECT_EQ(d->isVisible(), c.outcome == StaysOpen) << c.name;
        if (c.outcome != StaysOpen) {
            EXPECT_EQ(d->result(), c.outcome == Saved ? QDialog::Accepted : QDialog::Rejected) << c.name;
        }
        // Going back keeps every change and asks again next time; saving hands them to the caller.
        EXPECT_EQ(d->Panel().objects().size(), objects) << c.name;
        EXPECT_EQ(d->changed(), c.asked) << c.name;
        if (c.outcome == Saved) {
            EXPECT_EQ(d->Layout().descript, d->descriptionEdit()->text().toStdString()) << c.name;
        }
        if (c.outcome == StaysOpen) {
            EXPECT_FALSE(d->saveButton()->isHidden()) << c.name;
            addrova::ui::SetAnswerHook([&](const addrova::ui::MessageRequest& r) {
                asked.push_back(r);
                return Answer::No;
            });
            d->CancelClick();
            addrova::ui::SetAnswerHook({});
            EXPECT_EQ(asked.size(), 2u) << c.name;
            EXPECT_FALSE(d->isVisible()) << c.name;
        }
    }
}

TEST_F(DesignerTest, DefaultFontComesFromTheSettingsAndIsStoredThere) {
    {
        auto d = open(stock5163(), false);
        EXPECT_EQ(d->fontButton()->text(), "Default Font: Arial, 10 pt ");
    }
    addrova::app::ProfileFile ini = addrova::app::Settings();
    ini.writeString("Label", "DefaultFontName", "Times New Roman");
    ini.writeInt("Label", "DefaultFontSize", 12);
    ini.writeBool("Label", "DefaultFontBold", true);
    ini.writeBool("Label", "DefaultFontItalic", true);
    auto d = open(stock5163(), false);
    EXPECT_EQ(d->fontButton()->text(), "Default Font: Times New Roman, 12 pt , bold, italic");
    place(*d, TGLabelPanel::psCounterLabel, QPoint(10, 10));
    auto counters = objectsOf<TGCounterLabel>(d->Panel());
    ASSERT_EQ(counters.size(), 1u);
    EXPECT_EQ(counters[0]->font().name, "Times New Roman");
    EXPECT_EQ(counters[0]->font().size, 12);
    EXPECT_EQ(counters[0]->font().style, unsigned(fsBold | fsItalic));

    // The button's font dialog: the chosen font becomes the panel's and is written back.
    ModalAnswerer answer([](QDialog* dlg) {
        if (auto* f = qobject_cast<QFontDialog*>(dlg)) {
            QFont font(QStringLiteral("Liberation Mono"));
            font.setPointSize(14);
            f->setCurrentFont(font);
            f->accept();
        } else {
            dlg->reject();
        }
    });
    QTest::mouseClick(d->fontButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(d->fontButton()->text(), "Default Font: Liberation Mono, 14 pt ");
    EXPECT_EQ(d->Panel().panelFont().name, "Liberation Mono");
    EXPECT_EQ(ini.readString("Label", "DefaultFontName"), "Liberation Mono");
    EXPECT_EQ(ini.readInt("Label", "DefaultFontSize", 0), 14);
    EXPECT_FALSE(ini.readBool("Label", "DefaultFontBold", true));
    EXPECT_FALSE(ini.readBool("Label", "DefaultFontItalic", true));
}

TEST_F(DesignerTest, RecordButtonsMoveTheAddressTableAndRefreshTheLabel) {
    auto d = open(stock5163(), false);
    place(*d, TGLabelPanel::psAddressLabel, QPoint(10, 10));
    place(*d, TGLabelPanel::psCounterLabel, QPoint(10, 150));
    auto* block = objectsOf<TGDMultiLineAddressLabel>(d->Panel()).at(0);
    auto* counter = objectsOf<TGCounterLabel>(d->Panel()).at(0);
    auto shows = [&](const char* name) { return block->items().join(QLatin1Char('\n')).contains(QLatin1String(name)); };
    EXPECT_TRUE(shows("Smith"));
    EXPECT_EQ(counter->counterText(), "1000");

    struct Step {
        QToolButton* button;
        uint32_t recno;
        const char* name;
        const char* count;
    };
    const Step steps[] = {
        {d->nextButton(), 2, "Jones", "1001"}, {d->nextButton(), 3, "Brown", "1002"},
        {d->priorButton(), 2, "Jones", "1003"}, {d->firstButton(), 1, "Smith", "1000"},
        {d->lastButton(), 3, "Brown", "1001"},
    };
    for (const Step& s : steps) {
        QTest::mouseClick(s.button, Qt::LeftButton);
        settle();
        EXPECT_EQ(table.recNo(), s.recno) << s.name;
        EXPECT_TRUE(shows(s.name)) << s.name << ": " << block->items().join('|').toStdString();
        EXPECT_EQ(counter->counterText(), s.count) << s.name;
    }
    // At the last record Next and Last are off, First and Prior on.
    EXPECT_FALSE(d->nextButton()->isEnabled());
    EXPECT_FALSE(d->lastButton()->isEnabled());
    EXPECT_TRUE(d->priorButton()->isEnabled());
    d->NextClick();
    EXPECT_EQ(table.recNo(), 3u);
    EXPECT_FALSE(table.eof());

    // Field names instead of values while the toggle is down.
    QTest::mouseClick(d->fieldNamesButton(), Qt::LeftButton);
    settle();
    EXPECT_FALSE(d->Panel().displayDataValues());
    EXPECT_FALSE(shows("Brown"));
    QTest::mouseClick(d->fieldNamesButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(shows("Brown"));
}

TEST_F(DesignerTest, PositionReadOutInInches) {
    auto d = open(stock5163(), false);
    QTest::mouseMove(&d->Panel(), QPoint(48, 24));
    EXPECT_EQ(d->leftReadout()->text(), "Left: 0.50");
    EXPECT_EQ(d->topReadout()->text(), "Top: 0.25");
    // With a selection, the selection frame's corner.
    place(*d, TGLabelPanel::psRectangle, QPoint(96, 48));
    d->Panel().SelectAll();
    settle();
    QPoint corner = d->Panel().SelectionFrame()->geometry().topLeft();
    QTest::mouseMove(&d->Panel(), QPoint(300, 150));
    EXPECT_EQ(d->leftReadout()->text(), QStringLiteral("Left: ") + inchText(corner.x(), 96));
    EXPECT_EQ(d->topReadout()->text(), QStringLiteral("Top: ") + inchText(corner.y(), 96));
    // Zoomed, the read-out stays in inches of the label.
    d->Panel().SelectionFrame()->clearSelection();
    d->ZoomOut();
    d->ZoomOut();
    QTest::mouseMove(&d->Panel(), QPoint(40, 20));
    EXPECT_EQ(d->leftReadout()->text(), "Left: 0.52");
    EXPECT_EQ(d->topReadout()->text(), "Top: 0.26");
}

TEST_F(DesignerTest, KeysGoToThePanelExceptInTheDescription) {
    auto d = open(stock5163(), false);
    place(*d, TGLabelPanel::psRectangle, QPoint(40, 40));
    d->Panel().SelectAll();
    settle();
    // Delete typed in the description edits the text, not the label.
    d->descriptionEdit()->setFocus();
    d->descriptionEdit()->setCursorPosition(0);
    QTest::keyClick(d->descriptionEdit(), Qt::Key_Delete);
    EXPECT_EQ(d->descriptionEdit()->text(), "hipping");
    EXPECT_EQ(d->Panel().objects().size(), 1u);
    // From another control it reaches the panel.
    d->snapButton()->setFocus();
    QTest::keyClick(d->snapButton(), Qt::Key_Delete);
    settle();
    EXPECT_TRUE(d->Panel().objects().empty());
}

TEST_F(DesignerTest, IntelligentMailBarcodeOnALabel) {
    LabelSetup narrow = NewLabelSetup();
    narrow.lblWidth = 2.625f;
    {
        auto d = open(narrow, false);
        messages.clear();
        QTest::mouseClick(d->toolButton(TGLabelPanel::psIMBarCode), Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], QString::fromLatin1(kImbRefused));
        EXPECT_EQ(d->Panel().PanelState(), TGLabelPanel::psPointing);
    }
    LabelSetup s = stock5163();
    s.descript = "Intelligent Mail label";
    auto d = open(s, false);
    d->resize(1000, 420);
    place(*d, TGLabelPanel::psAddressLabel, QPoint(24, 40));
    place(*d, TGLabelPanel::psIMBarCode, QPoint(24, 150));
    auto codes = objectsOf<TGIMBarCode>(d->Panel());
    ASSERT_EQ(codes.size(), 1u);
    TGIMBarCode* b = codes[0];
    EXPECT_EQ(b->zipCodeField(), QStringLiteral("ZIP"));
    EXPECT_EQ(b->addressField(), QStringLiteral("STREET"));
    // Without a mailer identifier there is no code yet; the settings make one.
    EXPECT_FALSE(b->encode().ok());
    b->setMailerId(QStringLiteral("123456"));
    b->setSerialNumber(QStringLiteral("000000001"));
    d->Panel().RefreshData();  // the record's ZIP+4 and street
    EXPECT_TRUE(b->encode().ok()) << b->encode().error;
    b->repaint(true);
    settle();
    // Its width follows the 65 bars at 22 per inch.
    EXPECT_NEAR(b->width() / 96.0, 64.0 / 22 + 0.02, 0.02);
    QImage img = d->grab().toImage();
    ASSERT_FALSE(img.isNull());
    QDir().mkpath(QStringLiteral(ADDROVA_SCREENSHOT_DIR));
    EXPECT_TRUE(img.save(QStringLiteral(ADDROVA_SCREENSHOT_DIR "/label-imb.png")));
}

TEST_F(DesignerTest, PictureOfTheDesigner) {
    LabelSetup s = stock5163();
    s.descript = "Customer shipping label";
    auto d = open(s, false);
    d->resize(1000, 420);
    place(*d, TGLabelPanel::psAddressLabel, QPoint(24, 40));
    place(*d, TGLabelPanel::psPostNetBarCode, QPoint(24, 150));
    QTest::mouseClick(d->showGridButton(), Qt::LeftButton);
    QTest::mouseMove(&d->Panel(), QPoint(24, 40));
    settle();
    QImage img = d->grab().toImage();
    ASSERT_FALSE(img.isNull());
    QDir().mkpath(QStringLiteral(ADDROVA_SCREENSHOT_DIR));
    EXPECT_TRUE(img.save(QStringLiteral(ADDROVA_SCREENSHOT_DIR "/label-designer.png")));
}

}  // namespace
