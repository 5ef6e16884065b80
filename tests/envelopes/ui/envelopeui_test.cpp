// The envelope windows driven offscreen: New through the designer to a stored layout and its
// preview, the designer's size, zoom and unknown codes, clone and delete, the feed dialogs and the
// settings they leave, and the screenshots of the windows.

#include "EnvelopeFixture.h"

#include "Common.h"
#include "EnvelopeDialogs.h"
#include "GMultiLine.h"
#include "PreviewControl.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "Settings.h"
#include "SystemTables.h"
#include "TAVEnvelopes.h"
#include "TEnvelopeDesignScreen.h"
#include "TPreviewForm.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QTimer>
#include <QtTest>

namespace envelope_test {
namespace {

using namespace addrova::envelopes;

class EnvelopeUiTest : public EnvelopeFixture {
protected:
    void SetUp() override
    {
        EnvelopeFixture::SetUp();
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Envelope, layouts_, sysdata_), "");
        layouts_.setOrder(1);
        layouts_.goTop();
        print::Engine().SetPrinterByName(print::PrinterControl::PdfPrinterName());
    }
    void TearDown() override
    {
        if (layouts_.isOpen())
            layouts_.close();
        EnvelopeFixture::TearDown();
    }
    std::unique_ptr<TAVEnvelopes> window()
    {
        EnvelopeScreenContext c;
        c.sysdataDir = sysdata_;
        c.settingsPath = program_ + "ADDROV.ini";
        auto w = std::make_unique<TAVEnvelopes>(t_, layouts_, c);
        w->show();
        return w;
    }
    app::ProfileFile settings() const { return app::ProfileFile(program_ + "ADDROV.ini"); }
    // Runs a preview; the number of pages it showed (-1 when none was shown).
    int preview(TAVEnvelopes& w)
    {
        int pages = -1;
        w.prePrintOverride = [](TEnvelopePrePrint&) { return true; };
        w.previewShown = [&pages](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Preview Envelope"));
            d.show();
            QCoreApplication::processEvents();
            pages = static_cast<print::TPreviewForm&>(d).Control()->PageCount();
        };
        w.PreviewButtonClick();
        return pages;
    }
    static void shoot(QWidget& w, const char* name)
    {
        const QString dir = QStringLiteral(ADDROVA_SCREENSHOT_DIR);
        QDir().mkpath(dir);
        w.grab().save(dir + QLatin1Char('/') + QLatin1String(name));
    }

    store::Table layouts_;
};

TEST_F(EnvelopeUiTest, NewC5ThroughTheDesignerToSaveAndPreview)
{
    addNumbered(3);
    t_.goTop();
    auto w = window();
    ASSERT_EQ(w->EnvelopeGrid()->rowCount(), 1);  // the shipped layout
    EXPECT_EQ(w->currentRecordText(QStringLiteral("Last")), QStringLiteral("Rec01"));
    EXPECT_TRUE(w->whatToPrintPanel()->rbOnlyThis()->isChecked());

    w->sizeDialogOverride = [](int& code) {
        TChooseEnvelopeLayout d(code);
        const auto found = d.List()->findItems(QStringLiteral("Envelope C5 162 x 229 mm "), Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1);
        d.List()->setCurrentItem(found.value(0));
        code = d.Code();
        return true;
    };
    bool ran = false;
    w->designerOverride = [&](TEnvelopeDesignScreen& d) {
        ran = true;
        d.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Envelope Design Screen"));
        EXPECT_EQ(d.descriptionEdit()->text(), QStringLiteral("<New envelope>"));
        const int ppi = d.Panel().ppi();
        EXPECT_EQ(d.Panel().width(), static_cast<int>(std::lround(9.16 * ppi)));
        EXPECT_EQ(d.Panel().height(), static_cast<int>(std::lround(6.48 * ppi)));
        EXPECT_FALSE(d.saveButton()->isVisible());
        d.Panel().setPanelState(layout::TEnvelopePanel::psAddressLabel);
        d.Panel().PlaceObject(QRect(ppi * 4, ppi * 3, ppi * 4, ppi));
        EXPECT_TRUE(d.saveButton()->isVisible());
        d.descriptionEdit()->setText(QStringLiteral("Wide C5"));
        d.SaveClick();
        return d.result() == QDialog::Accepted;
    };
    w->NewClick();
    ASSERT_TRUE(ran);
    ASSERT_EQ(w->EnvelopeGrid()->rowCount(), 2);
    EXPECT_EQ(w->setup().descript, "Wide C5");
    EXPECT_EQ(w->setup().number, 28);
    EXPECT_EQ(w->setup().binary, "BIN00002.E");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(sysdata_ + "BIN00002.E")));
    EXPECT_EQ(layouts_.getNumber("NUMBER"), 28);
    // The small display shows it at 30 %.
    EXPECT_EQ(w->display().width(), static_cast<int>(std::lround(w->display().ppi() * 9.16 * 0.3)));

    EXPECT_EQ(preview(*w), 1);  // only the current record
    w->whatToPrintPanel()->setChoice(RecordChoice::All);
    EXPECT_EQ(preview(*w), 3);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EnvelopeUiTest, DesignerZoomStaysWithin60And140)
{
    TEnvelopeDesignScreen d(&t_, nullptr);
    d.show();
    QCoreApplication::processEvents();
    int steps = 0;
    while (d.ZoomOut())
        ++steps;
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(d.zoomPercent(), 60);
    EXPECT_EQ(d.zoomLabel()->text(), QStringLiteral("60%"));
    steps = 0;
    while (d.ZoomIn())
        ++steps;
    EXPECT_EQ(steps, 8);
    EXPECT_EQ(d.zoomPercent(), 140);
    EXPECT_FALSE(d.saveButton()->isVisible());  // zooming is no change

    // Change Size resizes at any zoom and counts as a change.
    d.sizeDialogOverride = [](int& code) {
        code = 22;
        return true;
    };
    d.ChangeSizeClick();
    EXPECT_EQ(d.Code(), 22);
    EXPECT_EQ(d.Panel().width(), static_cast<int>(std::lround(11.0 * d.Panel().ppi() * 1.4)));
    EXPECT_TRUE(d.saveButton()->isVisible());
}

TEST_F(EnvelopeUiTest, UnknownSizeCodeShowsNothingOpensAsNo10AndDoesNotPrint)
{
    add("Rec01");
    t_.goTop();
    layouts_.goTop();
    layouts_.setNumber("NUMBER", 77);
    layouts_.post();
    auto w = window();
    EXPECT_EQ(w->setup().width, -1);
    EXPECT_FALSE(w->display().isVisible());
    EXPECT_TRUE(w->EnvelopeGrid()->item(0, 1)->text().contains(QStringLiteral("77")));

    EXPECT_EQ(preview(*w), -1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains(QStringLiteral("77")));

    w->designerOverride = [](TEnvelopeDesignScreen& d) {
        EXPECT_EQ(d.Code(), 20);
        EXPECT_EQ(d.Panel().width(), static_cast<int>(std::lround(9.5 * d.Panel().ppi())));
        EXPECT_FALSE(d.Panel().objects().empty());  // the layout is kept
        d.SaveClick();
        return true;
    };
    w->ModifyClick();
    EXPECT_EQ(w->setup().number, 20);
    EXPECT_EQ(layouts_.getNumber("NUMBER"), 20);
    EXPECT_EQ(w->setup().binary, "BIN00001.E");
}

TEST_F(EnvelopeUiTest, CloneAndDeleteAskAndHandleTheFiles)
{
    std::vector<std::pair<QString, QString>> asked;
    ui::SetMessageHook([&](const ui::MessageRequest& r) {
        if (r.kind == ui::MessageKind::Question)
            asked.emplace_back(r.text, r.caption);
        else
            messages_.push_back(r.text);
        return true;
    });
    auto w = window();
    w->CloneClick();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, QStringLiteral("Clone \"Business envelope No. 10\"?"));
    EXPECT_EQ(asked[0].second, QStringLiteral("CLONE"));
    ASSERT_EQ(w->EnvelopeGrid()->rowCount(), 2);
    const QString copy = QString::fromStdString(sysdata_ + "BIN00002.E");
    QFile a(QString::fromStdString(sysdata_ + "BIN00001.E")), b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_EQ(w->setup().descript, "Clone of Business envelope No. 10");

    w->DeleteClick();
    EXPECT_EQ(asked.back().first, QStringLiteral("Delete \"Clone of Business envelope No. 10\"?"));
    EXPECT_EQ(asked.back().second, QStringLiteral("DELETE"));
    EXPECT_FALSE(QFile::exists(copy));
    w->DeleteClick();
    EXPECT_EQ(w->EnvelopeGrid()->rowCount(), 0);
    EXPECT_FALSE(w->button(QStringLiteral("Modify"))->isEnabled());
    EXPECT_FALSE(w->button(QStringLiteral("&Print"))->isEnabled());
    EXPECT_TRUE(w->button(QStringLiteral("New"))->isEnabled());
}

TEST_F(EnvelopeUiTest, FeedDialogsRememberTheChoices)
{
    add("Rec01");
    t_.goTop();
    {
        TEnvelopeFeed d(FeedMethod{});
        d.show();
        EXPECT_TRUE(d.clockwiseCheck()->isVisible());
        d.button(QStringLiteral("&Portrait"))->click();
        EXPECT_FALSE(d.clockwiseCheck()->isVisible());
        d.button(QStringLiteral("&Landscape"))->click();
        EXPECT_TRUE(d.clockwiseCheck()->isVisible());
        d.clockwiseCheck()->click();
        d.button(QStringLiteral("&Up"))->click();
        d.button(QStringLiteral("&Right"))->click();
        const FeedMethod f = d.feed();
        EXPECT_EQ(f, ParseFeed("face-up,landscape,right,cw"));
        EXPECT_EQ(d.picture()->feed(), f);
        // At the right edge of the page, turned.
        EXPECT_EQ(d.picture()->envelopeRect().right(), d.picture()->pageRect().right() - 2);
        EXPECT_GT(d.picture()->envelopeRect().height(), d.picture()->envelopeRect().width());
    }

    auto w = window();
    const FeedMethod chosen = ParseFeed("face-up,portrait,left");
    w->prePrintOverride = [&](TEnvelopePrePrint& d) {
        EXPECT_EQ(d.feed(), FeedMethod{});  // first run
        EXPECT_EQ(d.feedText()->text(), QStringLiteral("Position: Center\nOrientation : Landscape\nFacing Down"));
        EXPECT_TRUE(d.warning()->text().isEmpty());  // the page is the envelope
        d.feedDialogOverride = [&](FeedMethod& f) {
            f = chosen;
            return true;
        };
        d.FeedMethodClick();
        EXPECT_EQ(d.feedText()->text(), QStringLiteral("Position: Left\nOrientation : Portrait\nFacing Up"));
        // Portrait on the No. 10 paper is more than an inch off the envelope.
        EXPECT_TRUE(d.warning()->text().startsWith(QStringLiteral("WARNING: Printer PAPER SIZE")));
        return true;
    };
    w->previewShown = [](QDialog&) {};
    w->PreviewButtonClick();
    EXPECT_EQ(LoadFeed(settings()), chosen);
    EXPECT_EQ(settings().readString("Envelope Printer", "Printer"), "PDF file");
    EXPECT_EQ(settings().readString("Envelope Printer", "Orientation"), "0");

    // The next run starts from what was kept; a cancelled dialog keeps it unchanged.
    FeedMethod seen;
    w->prePrintOverride = [&](TEnvelopePrePrint& d) {
        seen = d.feed();
        return false;
    };
    w->PreviewButtonClick();
    EXPECT_EQ(seen, chosen);
    EXPECT_EQ(LoadFeed(settings()), chosen);
}

TEST_F(EnvelopeUiTest, TheWindowLeavesTheProgramPrinterAsItWas)
{
    add("Rec01");
    t_.goTop();
    layouts_.close();
    print::PrinterControl& engine = print::Engine();
    engine.SetPaperCode(print::PaperLetter);
    engine.SetOrientation(print::Orientation::Portrait);
    app::ProfileFile ini = settings();
    ini.writeInt("Envelope Printer", "Orientation", 1);
    bool seenLandscape = false;
    // Closes the window once it is up; gives up (and fails) after a few seconds.
    bool found = false;
    int tries = 0;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        ++tries;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* e = qobject_cast<TAVEnvelopes*>(top); e && e->isVisible()) {
                found = true;
                seenLandscape = engine.GetOrientation() == print::Orientation::Landscape;
                // Later, from the window's own loop: the window may show itself inside a nested one.
                QTimer::singleShot(200, e, &QDialog::reject);
            }
        if (found || tries > 250)
            closer.stop();
    });
    closer.start();
    EXPECT_TRUE(ShowPrintEnvelopes(t_, true, ""));
    EXPECT_TRUE(found);
    EXPECT_TRUE(seenLandscape);  // the saved envelope printer was applied while the window was open
    EXPECT_EQ(engine.GetOrientation(), print::Orientation::Portrait);
    EXPECT_EQ(engine.PaperCode(), print::PaperLetter);
    EXPECT_EQ(t_.recNo(), 1u);
}

TEST_F(EnvelopeUiTest, Screenshots)
{
    add("Gardner");
    t_.goTop();
    t_.setString("FNAME", "Nathan");
    t_.setString("ORG", "Gardner & Sons");
    t_.setString("STREET", "71 Grove Ter");
    t_.setString("ZIP", "15246-9079");
    t_.post();
    auto w = window();
    QCoreApplication::processEvents();
    shoot(*w, "print-envelope.png");

    w->designerOverride = [](TEnvelopeDesignScreen& d) {
        d.show();
        d.toggle(QStringLiteral("Show USPS Automation Template"))->click();
        d.SetPrinterGeometry(24, 24, 24, 24, 912, 396);
        d.toggle(QStringLiteral("Show unprintable areas"))->click();
        QCoreApplication::processEvents();
        shoot(d, "envelope-designer.png");
        return false;
    };
    w->ModifyClick();

    w->prePrintOverride = [](TEnvelopePrePrint& d) {
        d.show();
        QCoreApplication::processEvents();
        shoot(d, "envelope-print.png");
        return true;
    };
    w->previewShown = [](QDialog& d) {
        d.resize(900, 520);
        d.show();
        QCoreApplication::processEvents();
        shoot(d, "envelope-preview.png");
    };
    w->PreviewButtonClick();
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace envelope_test
