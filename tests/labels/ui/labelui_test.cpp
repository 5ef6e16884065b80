// The label windows offscreen: the catalogue selector's queries and preselection, the geometry
// editor's rules and units, the layout list's Delete, Clone and empty state, New through the label
// designer, and Preview through the "Print Labels" window.

#include "LabelFixture.h"

#include "DesignLogic.h"
#include "GMultiLine.h"
#include "GPanels.h"
#include "LabelDesignScreen.h"
#include "LabelDesigner.h"
#include "LabelDialogs.h"
#include "PageStream.h"
#include "PrintDialogs.h"
#include "PrinterControl.h"
#include "PreviewControl.h"
#include "PrintJob.h"
#include "SystemTables.h"
#include "TLabelSetupScreen.h"
#include "TPreviewForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace labelui_test {
namespace {

using namespace addrova::labels;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class LabelWindowTest : public LabelFixture {
protected:
    void openLayouts()
    {
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Label, layouts_, sysdata_), "");
        layouts_.setSelection("not DELETED()");
        layouts_.setOrder(1);
        layouts_.goTop();
    }
    std::unique_ptr<TLabelSetupScreen> screen()
    {
        LabelScreenContext c;
        c.sysdataDir = sysdata_;
        c.programDir = program_;
        auto w = std::make_unique<TLabelSetupScreen>(t_, layouts_, c);
        w->show();
        settle();
        return w;
    }
    void TearDown() override
    {
        if (layouts_.isOpen())
            layouts_.close();
        LabelFixture::TearDown();
    }
    store::Table layouts_;
};

// ---- "Select Label Template" ----

TEST_F(LabelWindowTest, CatalogueQueriesFollowTheControls)
{
    store::Table stock;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::LabelStock, stock, sysdata_), "");
    TSelectLabel d(stock, "Avery 5160  Address", "LJ", "AVERY", "ADDRESS/SHIPPING LABELS", false);
    d.show();
    settle();
    struct Case {
        int manufacturer, product;
        bool european;
        const char* query;
    } cases[] = {
        {1, 6, false, " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"IJ\" "},
        {0, 0, false,
         " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"LJ\"  and  UPPER(PRODTYPE)=\"ADDRESS/SHIPPING LABELS\" "},
        {3, 6, false, " UPPER(manufac)=\"COSTAR\"  and  UPPER(printer)=\"LP\" "},
        {2, 3, false, " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"DM\"  and  UPPER(PRODTYPE)=\"FILE FOLDER LABELS\" "},
        {0, 6, true,
         " UPPER(manufac)=\"AVERY\"  and  UPPER(printer)=\"LJ\"  and  (\"A4\"$UPPER(PAPERSIZE) OR \"A5\"$UPPER(PAPERSIZE))"},
        {-1, 5, false, " UPPER(PRODTYPE)=\"MISCELLANEOUS\" "},
        {-1, 6, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        d.manufacturerCombo()->setCurrentIndex(c.manufacturer);
        d.productCombo()->setCurrentIndex(c.product);
        d.europeanCheck()->setChecked(c.european);
        settle();
        EXPECT_EQ(d.query(), c.query);
        EXPECT_EQ(d.stockList()->count(), static_cast<int>(d.matching()));
        EXPECT_EQ(d.okButton()->isEnabled(), d.matching() > 0);
        EXPECT_EQ(d.stockList()->isEnabled(), d.matching() > 0);
    }
    // Costar label printers with A4 paper: nothing matches, Ok and the list are off.
    d.manufacturerCombo()->setCurrentIndex(3);
    d.europeanCheck()->setChecked(true);
    settle();
    EXPECT_EQ(d.matching(), 0u);
    EXPECT_FALSE(d.okButton()->isEnabled());
    EXPECT_FALSE(d.stockList()->isEnabled());
}

TEST_F(LabelWindowTest, SelectorStartsOnTheLayoutsStock)
{
    store::Table stock;
    ASSERT_EQ(store::openSystemTable(store::SystemTable::LabelStock, stock, sysdata_), "");
    {
        // A catalogued stock: its entries, and the list on its record.
        TSelectLabel d(stock, "Avery 5260  Address", "LJ", "AVERY", "ADDRESS/SHIPPING LABELS", false);
        d.show();
        settle();
        EXPECT_EQ(d.manufacturerCombo()->currentText(), QStringLiteral("Avery Laserjet"));
        EXPECT_EQ(d.productCombo()->currentText(), QStringLiteral("Address/Shipping Labels"));
        ASSERT_GE(d.stockList()->currentRow(), 0);
        EXPECT_EQ(d.stockList()->currentItem()->text(), QStringLiteral("Avery 5260  Address"));
        EXPECT_EQ(stock.getString("DESCRIPT"), "Avery 5260  Address");
        EXPECT_EQ(d.readout(1), QStringLiteral("2.625"));
        EXPECT_EQ(d.readout(2), QStringLiteral("3"));
    }
    {
        // A hand-entered layout: Avery Laserjet, Address/Shipping Labels, the first matching stock.
        TSelectLabel d(stock, "Whatever", "", "USER", "", false);
        d.show();
        settle();
        EXPECT_EQ(d.manufacturerCombo()->currentText(), QStringLiteral("Avery Laserjet"));
        EXPECT_EQ(d.productCombo()->currentText(), QStringLiteral("Address/Shipping Labels"));
        EXPECT_EQ(d.stockList()->currentRow(), 0);
    }
}

// ---- "User Defined Label Layout" ----

TEST_F(LabelWindowTest, GeometryEditorChecksTheRules)
{
    struct Case {
        const char* what;
        TLabelEdit::Field field;
        const char* value;
        int across, down;
        const char* message;  // "" when Ok closes
    } cases[] = {
        {"the start values", TLabelEdit::LabelHeight, "1", 3, 10, ""},
        {"0.3 high", TLabelEdit::LabelHeight, "0.3", 3, 10, ""},
        {"0.299 high", TLabelEdit::LabelHeight, "0.299", 3, 10, "Label Height must be at least .3 inches (or 7mm)"},
        {"narrow", TLabelEdit::LabelWidth, "0.4", 3, 10, "Label Width must be at least .5 inch (or 13mm)"},
        {"pitch below width", TLabelEdit::HorizPitch, "2", 3, 10, "Horizontal Pitch must be at least = Label Width"},
        {"one column, any pitch", TLabelEdit::HorizPitch, "2", 1, 10, ""},
        {"pitch below height", TLabelEdit::VertPitch, "0.9", 3, 10, "Vertical Pitch must be at least = Label Height"},
        {"one row, any pitch", TLabelEdit::VertPitch, "0.9", 3, 1, ""},
        {"page width", TLabelEdit::PaperWidth, "0.2", 3, 10, "Page Width must be at least .3 inch"},
        {"page height", TLabelEdit::PaperHeight, "0.2", 3, 10, "Page Height must be at least .3 inches"},
        {"10 x 30", TLabelEdit::LabelHeight, "0.3", 10, 30,
         "A sheet can hold at most 200 labels (10 across x 30 down is 300)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.clear();
        TLabelEdit e;
        LabelEditValues v;
        v.geometry = NewLabelSetup().geometry();
        v.paperSize = "LTR";
        v.lblShape = "SR";
        e.setValues(v);
        e.show();
        settle();
        EXPECT_EQ(e.windowTitle(), QStringLiteral("User Defined Label Layout"));
        EXPECT_EQ(e.shapeCombo()->currentText(), QStringLiteral("Rectangular"));
        EXPECT_EQ(e.paperCombo()->currentIndex(), -1);
        e.edit(c.field)->setText(QString::fromLatin1(c.value));
        e.acrossSpin()->setValue(c.across);
        e.downSpin()->setValue(c.down);
        const bool ok = e.OkClick();
        EXPECT_EQ(ok, *c.message == 0);
        if (*c.message) {
            ASSERT_EQ(messages_.size(), 1u);
            EXPECT_EQ(messages_[0], QString::fromLatin1(c.message));
        } else {
            EXPECT_TRUE(messages_.empty());
            EXPECT_EQ(e.values().paperSize, "LTR");  // no paper entry chosen: as it came
            EXPECT_EQ(e.values().lblShape, "SR");
        }
    }
}

TEST_F(LabelWindowTest, GeometryEditorMillimetres)
{
    TLabelEdit e;
    LabelEditValues v;
    v.geometry = NewLabelSetup().geometry();
    v.paperSize = "LTR";
    v.lblShape = "RR";
    e.setValues(v);
    e.show();
    settle();
    EXPECT_EQ(e.edit(TLabelEdit::LabelWidth)->text(), QStringLiteral("2.625"));
    e.mmButton()->click();
    EXPECT_EQ(e.edit(TLabelEdit::LabelWidth)->text(), QStringLiteral("67"));
    EXPECT_EQ(e.edit(TLabelEdit::PaperHeight)->text(), QStringLiteral("279"));
    // A4 fills the paper in the unit shown.
    e.paperCombo()->setCurrentIndex(2);
    e.PaperChange(2);
    EXPECT_EQ(e.edit(TLabelEdit::PaperWidth)->text(), QStringLiteral("210"));
    e.edit(TLabelEdit::LabelWidth)->setText(QStringLiteral("67"));
    e.inchesButton()->click();
    EXPECT_EQ(e.edit(TLabelEdit::LabelWidth)->text(), QStringLiteral("2.638"));
    EXPECT_EQ(e.edit(TLabelEdit::PaperWidth)->text(), QStringLiteral("8.268"));
    // Ok in millimetres converts and rounds to 3 decimals, and takes the paper entry's code.
    e.mmButton()->click();
    ASSERT_TRUE(e.OkClick());
    EXPECT_NEAR(e.values().geometry.lblWidth, 2.638, 1e-9);
    EXPECT_NEAR(e.values().geometry.sheetWidth, 8.268, 1e-9);
    EXPECT_EQ(e.values().paperSize, "A4");
    // Leaving the label width raises a smaller pitch to it.
    e.inchesButton()->click();
    e.edit(TLabelEdit::LabelWidth)->setText(QStringLiteral("3"));
    e.LabelWidthExit();
    EXPECT_EQ(e.edit(TLabelEdit::HorizPitch)->text(), QStringLiteral("3"));
}

// ---- "Print Labels" ----

TEST_F(LabelWindowTest, EmptyLayoutTableLeavesOnlyNewAndOk)
{
    for (const char* f : {"LABEL.DBF", "LABEL.CDX"})
        QFile::remove(QString::fromStdString(sysdata_) + QLatin1String(f));
    openLayouts();  // created empty
    auto w = screen();
    for (const char* b : {"Modify", "Print", "Preview", "Delete", "Clone"})
        EXPECT_FALSE(w->button(QString::fromLatin1(b))->isEnabled()) << b;
    EXPECT_TRUE(w->button(QStringLiteral("New"))->isEnabled());
    EXPECT_TRUE(w->button(QStringLiteral("Ok"))->isEnabled());
    EXPECT_FALSE(w->LabelSetupGrid()->isEnabled());
    EXPECT_FALSE(w->whatToPrintPanel()->isVisible());
    EXPECT_FALSE(w->printerPanel()->isVisible());
}

TEST_F(LabelWindowTest, ShippedLayoutIsListed)
{
    openLayouts();
    auto w = screen();
    ASSERT_EQ(w->LabelSetupGrid()->rowCount(), 1);
    EXPECT_EQ(w->LabelSetupGrid()->item(0, 1)->text(), QStringLiteral("Avery 5160  Address"));
    // Measures carry their unit; counts do not.
    EXPECT_EQ(w->fieldText(QStringLiteral("Label Width")), QStringLiteral("2.625 in"));
    EXPECT_EQ(w->fieldText(QStringLiteral("Label Height")), QStringLiteral("1 in"));
    EXPECT_EQ(w->fieldText(QStringLiteral("# Down")), QStringLiteral("10"));
    EXPECT_TRUE(w->whatToPrintPanel()->isVisible());
    EXPECT_TRUE(w->rbQFilter()->isChecked());
    // "Only current record" takes the presort away.
    w->PresortCheck()->setChecked(true);
    QTest::mouseClick(w->rbOnlyThis(), Qt::LeftButton);
    EXPECT_FALSE(w->PresortCheck()->isChecked());
    EXPECT_FALSE(w->PresortCheck()->isEnabled());
}

TEST_F(LabelWindowTest, CloneAndDelete)
{
    openLayouts();
    // A 45-character description.
    layouts_.setString("DESCRIPT", std::string(45, 'd'));
    layouts_.post();
    auto w = screen();
    w->CloneClick();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], QStringLiteral("Clone \"%1\"?").arg(QString(45, QLatin1Char('d'))));
    ASSERT_EQ(w->LabelSetupGrid()->rowCount(), 2);
    const QString cloned = QStringLiteral("Clone of :") + QString(40, QLatin1Char('d'));
    EXPECT_EQ(w->LabelSetupGrid()->item(w->LabelSetupGrid()->currentRow(), 0)->text(), cloned);
    EXPECT_EQ(cloned.size(), 50);
    EXPECT_EQ(w->setup().binary, "BIN00002.L");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(sysdata_ + "BIN00002.L")));

    // No: nothing changes.
    questions_.clear();
    answer_ = false;
    w->DeleteClick();
    EXPECT_EQ(questions_.size(), 1u);
    EXPECT_EQ(w->LabelSetupGrid()->rowCount(), 2);

    // Yes: the record and its layout file go.
    answer_ = true;
    questions_.clear();
    w->DeleteClick();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], QStringLiteral("Delete \"%1\"?").arg(cloned));
    EXPECT_EQ(w->LabelSetupGrid()->rowCount(), 1);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(sysdata_ + "BIN00002.L")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(sysdata_ + "BIN00001.L")));

    // A clone of a layout whose file is gone changes nothing.
    QFile::remove(QString::fromStdString(sysdata_ + "BIN00001.L"));
    messages_.clear();
    w->CloneClick();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QLatin1String(kLayoutFileMissing));
    EXPECT_EQ(w->LabelSetupGrid()->rowCount(), 1);
}

TEST_F(LabelWindowTest, NewWithoutADesignerSaysSo)
{
    if (RegisteredLabelDesigner())
        GTEST_SKIP() << "a designer is registered";
    openLayouts();
    auto w = screen();
    w->NewClick();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QLatin1String(kDesignerUnavailable));
    EXPECT_EQ(w->LabelSetupGrid()->rowCount(), 1);
}

// ---- New through the label designer ----

// Runs `step` on the active modal window every few milliseconds while the driver lives. A window
// that stays up for a long while is rejected and named in `stuck`, so that a missed step fails the
// test instead of hanging it.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget&)> step) : step_(std::move(step))
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (w != last_) {
                last_ = w;
                ticks_ = 0;
            }
            if (!w || busy_)
                return;
            busy_ = true;
            step_(*w);
            busy_ = false;
            if (++ticks_ == 3000 && QApplication::activeModalWidget() == w) {
                stuck << QString::fromLatin1(w->metaObject()->className());
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
            }
        });
        timer_.start();
    }
    QStringList stuck;

private:
    std::function<void(QWidget&)> step_;
    QTimer timer_;
    QPointer<QWidget> last_;
    int ticks_ = 0;
    bool busy_ = false;
};

// Key presses for each character, those beyond ASCII too.
void typeInto(QWidget* w, const QString& text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            QTest::keyClick(w, static_cast<char>(ch.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

// The program's own designer behind New and Modify while it lives.
class TheRealDesigner {
public:
    TheRealDesigner() : before_(RegisteredLabelDesigner()) { RegisterTheLabelDesigner(); }
    ~TheRealDesigner() { RegisterLabelDesigner(before_); }

private:
    LabelDesignerFactory before_;
};

struct NewCase {
    const char* name;
    const char* typed;     // UTF-8 typed over the description, or nullptr
    bool save;             // Save, else Cancel
    const char* descript;  // DESCRIPT as stored (Windows-1252)
};

void PrintTo(const NewCase& c, std::ostream* os) { *os << c.name; }

class NewThroughTheDesigner : public LabelWindowTest, public ::testing::WithParamInterface<NewCase> {};

// "Print Labels" with the real designer: New brings it up modally with the address block and the
// notice; Save stores the Avery 5160 record and a fresh layout file, Cancel leaves nothing; the
// saved layout previews and prints the records on its first positions.
TEST_P(NewThroughTheDesigner, NewLayout)
{
    const NewCase& c = GetParam();
    TheRealDesigner designer;
    addNumbered(4);
    openLayouts();
    auto w = screen();
    const QString current = QString::fromStdString(t_.getString("LNAME"));

    struct Seen {
        bool designer = false, saveShown = false;
        std::vector<QString> messages;
        QString description, stock, blockText;
        int objects = 0;
        std::vector<QRect> blocks;
    } seen;
    {
        ModalDriver drive([&](QWidget& m) {
            auto* d = qobject_cast<TLabelDesignScreen*>(&m);
            // Placing the block lets events run: the notice ends the activation.
            if (!d || d->updating() || messages_.empty() || seen.designer)
                return;
            seen.designer = true;
            seen.messages = messages_;
            seen.description = d->descriptionEdit()->text();
            seen.stock = d->stockLabel()->text();
            seen.objects = static_cast<int>(d->Panel().objects().size());
            for (layout::TGGraphicControl* o : d->Panel().objects())
                if (auto* b = qobject_cast<layout::TGDMultiLineAddressLabel*>(o)) {
                    seen.blocks.push_back(b->bounds());
                    seen.blockText = b->items().join(QLatin1Char('\n'));
                }
            if (c.typed) {
                d->descriptionEdit()->selectAll();
                typeInto(d->descriptionEdit(), QString::fromUtf8(c.typed));
            }
            seen.saveShown = !d->saveButton()->isHidden();
            QTest::mouseClick(c.save && seen.saveShown ? d->saveButton() : d->cancelButton(), Qt::LeftButton);
        });
        QTest::mouseClick(w->button(QStringLiteral("New")), Qt::LeftButton);
        EXPECT_TRUE(drive.stuck.isEmpty()) << drive.stuck.join(QLatin1Char(' ')).toStdString();
    }
    ASSERT_TRUE(seen.designer);
    EXPECT_EQ(seen.messages, std::vector<QString>{QString::fromLatin1(kNewLabelMessage)});
    EXPECT_EQ(messages_, std::vector<QString>{QString::fromLatin1(kNewLabelMessage)});
    EXPECT_EQ(seen.description, QStringLiteral("<New Label>"));
    EXPECT_EQ(seen.stock, QStringLiteral("Avery 5160  Address"));
    EXPECT_EQ(seen.objects, 1);
    ASSERT_EQ(seen.blocks.size(), 1u);
    EXPECT_EQ(seen.blocks[0].topLeft(), QPoint(5, 5));
    EXPECT_TRUE(seen.blockText.contains(current)) << seen.blockText.toStdString();
    // The added block is a change of its own: Save stands ready before anything is done.
    EXPECT_TRUE(seen.saveShown);

    const QString fresh = QString::fromStdString(sysdata_ + "BIN00002.L");
    if (!c.save) {
        EXPECT_EQ(w->LabelSetupGrid()->rowCount(), 1);
        EXPECT_EQ(w->setup().binary, "BIN00001.L");
        EXPECT_FALSE(QFile::exists(fresh));
        EXPECT_TRUE(w->button(QStringLiteral("Modify"))->isEnabled());
        return;
    }

    // The new record is current, in the list under its description, with the Avery 5160 values.
    ASSERT_EQ(w->LabelSetupGrid()->rowCount(), 2);
    const int row = w->LabelSetupGrid()->currentRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(w->LabelSetupGrid()->item(row, 0)->text(), QString::fromUtf8(c.typed ? c.typed : c.descript));
    EXPECT_EQ(layouts_.getString("DESCRIPT"), c.descript);
    const struct {
        const char* field;
        double value;
    } numbers[] = {{"LBLHEIGHT", 1.0},  {"LBLWIDTH", 2.625},  {"NBRACROSS", 3},    {"NBRDOWN", 10},
                   {"TOPMARG", 0.5},    {"LEFTMARG", 0.188},  {"HORIZPITCH", 2.75}, {"VERTPITCH", 1.0},
                   {"SHEETWIDTH", 8.5}, {"SHEETDEPTH", 11.0}, {"MIDEXTRAX", 0},    {"MIDEXTRAY", 0}};
    for (const auto& n : numbers)
        EXPECT_DOUBLE_EQ(layouts_.getNumber(n.field), n.value) << n.field;
    const struct {
        const char* field;
        const char* value;
    } texts[] = {{"PAPERSIZE", "LTR"},   {"LBLSHAPE", "RR"},
                 {"TPLDESCRIP", "Avery 5160  Address"}, {"PRINTER", "LJ"},
                 {"MANUFAC", "AVERY"},   {"PRODTYPE", "ADDRESS/SHIPPING LABELS"},
                 {"ART", ""},            {"BINARY", "BIN00002.L"}};
    for (const auto& t : texts)
        EXPECT_EQ(layouts_.getString(t.field), t.value) << t.field;
    EXPECT_FALSE(layouts_.getLogical("DELETED"));

    // The fresh layout file holds the block as it was placed.
    ASSERT_TRUE(QFile::exists(fresh));
    {
        layout::TGLabelPanel stored;
        stored.LoadFromFile(fresh);
        ASSERT_EQ(stored.objects().size(), 1u);
        auto* b = qobject_cast<layout::TGDMultiLineAddressLabel*>(stored.objects()[0]);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->bounds(), seen.blocks[0]);
    }

    // Preview through the position dialog and the status window: page 1 of 1, ink on the first
    // four positions (the four records) and nowhere else.
    print::Engine().SetPrinterByName(print::PrinterControl::PdfPrinterName());
    bool positionsAsked = false;
    QString caption;
    int pageCount = 0, shownPage = 0;
    QImage page;
    {
        ModalDriver drive([&](QWidget& m) {
            if (auto* p = qobject_cast<TSelectSpecificLabels*>(&m)) {
                positionsAsked = true;
                p->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
            } else if (auto* f = qobject_cast<print::TPreviewForm*>(&m)) {
                if (!f->windowTitle().startsWith(QStringLiteral("Preview Page")))
                    return;
                caption = f->windowTitle();
                pageCount = f->Control()->PageCount();
                shownPage = f->Control()->CurrentPage();
                page = f->Control()->widget()->grab().toImage();
                f->accept();
            }
        });
        QTest::mouseClick(w->button(QStringLiteral("Preview")), Qt::LeftButton);
        EXPECT_TRUE(drive.stuck.isEmpty()) << drive.stuck.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_TRUE(positionsAsked);
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Preview Page 1 of 1 ( "))) << caption.toStdString();
    EXPECT_EQ(pageCount, 1);
    EXPECT_EQ(shownPage, 1);
    ASSERT_FALSE(page.isNull());
    const LabelSetup s = ReadLabelSetup(layouts_);
    const double sx = page.width() / s.sheetWidth, sy = page.height() / s.sheetDepth;
    EXPECT_NEAR(sx, sy, 0.02 * sx);  // the whole Letter page is shown
    for (int p = 0; p < s.nbrAcross * s.nbrDown; ++p) {
        const int col = p % s.nbrAcross, r = p / s.nbrAcross;
        // The label less a tenth of an inch all round.
        const QRect box(static_cast<int>((s.leftMarg + col * s.horizPitch + 0.1) * sx),
                        static_cast<int>((s.topMarg + r * s.vertPitch + 0.1) * sy),
                        static_cast<int>((s.lblWidth - 0.2) * sx), static_cast<int>((s.lblHeight - 0.2) * sy));
        int dark = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (qGray(page.pixel(x, y)) < 160)
                    ++dark;
        EXPECT_EQ(dark > 0, p < 4) << "position " << p << ": " << dark << " dark pixels";
    }

    // Printed, the saved block carries each record's name on its own position.
    LabelPrintOptions o;
    const std::vector<PrintedLabel> printed = print(o, s);
    ASSERT_EQ(printed.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(printed[i].text, QStringLiteral("Rec%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(columnOf(printed[i], s), i % 3);
        EXPECT_EQ(rowOf(printed[i], s), i / 3);
    }
}

INSTANTIATE_TEST_SUITE_P(LabelWindow, NewThroughTheDesigner,
                         ::testing::Values(NewCase{"SavedAsCreated", nullptr, true, "<New Label>"},
                                           NewCase{"Described", "Caf\xc3\xa9 members", true, "Caf\xe9 members"},
                                           NewCase{"Cancelled", nullptr, false, ""}),
                         [](const ::testing::TestParamInfo<NewCase>& i) { return std::string(i.param.name); });

TEST_F(LabelWindowTest, PositionDialog)
{
    print::PrinterControl printer;
    LabelSetup s = NewLabelSetup();
    PositionMask mask;
    mask.set();
    TSelectSpecificLabels d(s, mask, 1, false, printer);
    d.show();
    settle();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Labels Print"));
    // One fifth of real size: at 96 ppi the scale is 19.2 pixels per inch.
    const int ppi = d.sheet()->logicalDpiX();
    const double sc = 0.2 * ppi;
    EXPECT_EQ(d.sheet()->paperRect().right(), 10 + static_cast<int>(8.5 * sc));
    const QRect p4 = d.sheet()->positionRect(4);  // column 1, row 1
    EXPECT_EQ(p4.left(), static_cast<int>(0.188 * sc) + static_cast<int>(2.75 * sc) + 10);
    EXPECT_EQ(p4.top(), static_cast<int>(0.5 * sc) + static_cast<int>(1.0 * sc) + 10);
    EXPECT_EQ(p4.width(), static_cast<int>(2.625 * sc));
    QTest::mouseClick(d.sheet(), Qt::LeftButton, {}, p4.center());
    EXPECT_FALSE(d.mask().test(4));
    EXPECT_TRUE(d.mask().test(3));
    d.NoneClick();
    EXPECT_FALSE(d.OkClick());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0], QStringLiteral("You must select at least one card to print"));
    d.AllClick();
    EXPECT_TRUE(d.OkClick());
    EXPECT_EQ(d.mask().count(), 30u);
    EXPECT_TRUE(d.copiesSpin()->isVisible());

    TSelectSpecificLabels presorted(s, mask, 1, true, printer);
    presorted.show();
    settle();
    EXPECT_FALSE(presorted.copiesSpin()->isVisible());
    EXPECT_FALSE(presorted.copiesCaption()->isVisible());
}

TEST_F(LabelWindowTest, PreviewAsksOnlyForPositions)
{
    addNumbered(3);
    openLayouts();
    auto w = screen();
    print::Engine().SetPrinterByName(print::PrinterControl::PdfPrinterName());
    struct Seen {
        bool asked = false, printer = false, printerCaption = false, copies = false, copiesCaption = false;
        int copiesTaken = 0;
    };
    Seen seen;
    w->pageSetupShown = [&](TSelectSpecificLabels& d) {
        d.copiesSpin()->setValue(5);
        d.show();
        settle();
        seen.asked = true;
        seen.printer = d.printerCombo()->isVisible();
        seen.printerCaption = d.printerCaption()->isVisible();
        seen.copies = d.copiesSpin()->isVisible();
        seen.copiesCaption = d.copiesCaption()->isVisible();
        seen.copiesTaken = d.copies();
        return false;  // Cancel: nothing runs
    };
    for (const bool preview : {true, false}) {
        SCOPED_TRACE(preview ? "Preview" : "Print");
        seen = Seen();
        if (preview)
            w->PreviewButtonClick();
        else
            w->PrintNowClick();
        ASSERT_TRUE(seen.asked);
        EXPECT_EQ(seen.printer, !preview);
        EXPECT_EQ(seen.printerCaption, !preview);
        EXPECT_EQ(seen.copies, !preview);
        EXPECT_EQ(seen.copiesCaption, !preview);
        EXPECT_EQ(seen.copiesTaken, preview ? 1 : 5);
    }
}

TEST_F(LabelWindowTest, CancelledPresortWritesNothing)
{
    addNumbered(300, "12345");
    const std::string listing = program_ + "PRESORT.PSL";
    TSortBulkMail d(t_, postal::LoadAdcTable(sysdata_ + "ADC.CSV"), listing);
    answer_ = true;
    // The first status line lets the Cancel question in.
    QTimer::singleShot(0, &d, [&d] { d.CancelClick(); });
    d.show();
    d.DoTheSort();
    EXPECT_FALSE(d.DoneCheck());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(listing)));
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], QStringLiteral("Cancel PRESORT?"));

    TSortBulkMail again(t_, postal::LoadAdcTable(sysdata_ + "ADC.CSV"), listing);
    again.DoTheSort();
    EXPECT_TRUE(again.DoneCheck());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(listing)));
}

TEST_F(LabelWindowTest, PreviewThroughTheWindow)
{
    addNumbered(31);
    openLayouts();
    auto w = screen();
    print::Engine().SetPrinterByName(print::PrinterControl::PdfPrinterName());
    w->pageSetupOverride = [](TLabelSetupScreen& s) {
        s.positionMask().set();
        return true;
    };
    int pages = 0;
    QString caption;
    w->previewShown = [&](QDialog& f) {
        f.show();
        settle();
        caption = f.windowTitle();
        if (const QByteArray dir = qgetenv("ADDROVA_SCREENSHOT_DIR"); !dir.isEmpty()) {
            f.resize(900, 1000);
            settle();
            f.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/label-preview.png"));
            w->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/print-labels.png"));
        }
        f.close();
    };
    t_.go(7);
    w->PreviewButtonClick();
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Preview Page 1 of 2 ( "))) << caption.toStdString();
    EXPECT_EQ(t_.recNo(), 7u);
    (void)pages;
}

TEST_F(LabelWindowTest, StoppedPreviewShowsThePagesSoFar)
{
    addNumbered(60);  // two pages
    for (int i = 0; i < 40; ++i)
        add("Zed", "15213");  // and more
    openLayouts();
    auto w = screen();
    print::Engine().SetPrinterByName(print::PrinterControl::PdfPrinterName());
    w->pageSetupOverride = [](TLabelSetupScreen&) { return true; };
    QStringList statusCaptions;
    QString statusText, caption;
    // Stop as soon as the status window runs the job, then close it with Ok.
    QTimer clicker;
    clicker.setInterval(0);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* s = qobject_cast<TLabelPrinter*>(QApplication::activeModalWidget());
        if (!s)
            return;
        auto* b = s->findChild<QPushButton*>(QStringLiteral("StatusButton"));
        if (b->text() == QStringLiteral("Stop") && s->Preview()) {
            statusCaptions << s->windowTitle();
            b->click();
        } else if (b->text() == QStringLiteral("Ok")) {
            statusText = s->StatusText();
            b->click();
        }
    });
    clicker.start();
    w->previewShown = [&](QDialog& f) {
        f.show();
        settle();
        caption = f.windowTitle();
        f.close();
    };
    w->PreviewButtonClick();
    clicker.stop();
    ASSERT_FALSE(statusCaptions.isEmpty());
    EXPECT_EQ(statusCaptions.front(), QStringLiteral("Preview Status"));
    EXPECT_TRUE(statusText.startsWith(QStringLiteral("\nPreview Stopped at page "))) << statusText.toStdString();
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Preview Page 1 of 1 ( "))) << caption.toStdString();
}

TEST_F(LabelWindowTest, ShowPrintLabelsRestoresTheAddressTable)
{
    addNumbered(5);
    t_.setOrder(std::string_view("ZIP"));
    t_.go(3);
    const int order = t_.order();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TLabelSetupScreen*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        seen = true;
        t_.setSelection("LNAME = \"Rec01\"");
        t_.setOrder(0);
        t_.goTop();
        w->accept();
    });
    EXPECT_TRUE(ShowPrintLabels(t_, false, ""));
    EXPECT_TRUE(seen);
    EXPECT_EQ(t_.selection(), "!ISDEL");
    EXPECT_EQ(t_.order(), order);
    EXPECT_EQ(t_.recNo(), 3u);
}

}  // namespace
}  // namespace labelui_test
