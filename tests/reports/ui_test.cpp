// The report windows offscreen: "Print Report" on both pages, a new report through the designer and
// the layout dialog, saved and previewed; delete; "Print Current Record".

#include "ReportFixture.h"

#include "GLabels.h"
#include "GPanels.h"
#include "ReportStatus.h"
#include "PreviewControl.h"
#include "TPreviewForm.h"
#include "TReportDesigner.h"
#include "TReportSetup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

namespace reports_test {
namespace {

using namespace addrova::reports;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

void shot(QWidget& w, const char* name)
{
    if (const QByteArray dir = qgetenv("ADDROVA_SCREENSHOT_DIR"); !dir.isEmpty())
        w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

class ReportUiTest : public ReportFixture {
protected:
    void SetUp() override
    {
        ReportFixture::SetUp();
        ASSERT_EQ(store::openSystemTable(store::SystemTable::Report, reports_, sysdata_), "");
        reports_.setSelection("not DELETED()");
        reports_.setOrder(1);
        reports_.goTop();
        add({{"LNAME", "Smith"}, {"FNAME", "John"}, {"PHONE", "555-0100"}, {"MEMO", "Met at the fair."}});
        add({{"LNAME", "Brown"}, {"FNAME", "Amy"}, {"PHONE", "555-0199"}});
        t_.goTop();
        ctx_.sysdataDir = sysdata_;
    }
    void TearDown() override
    {
        ReportStatusHooks() = {};
        reports_.close();
        ReportFixture::TearDown();
    }
    QStringList gridTexts(TReportSetup& w)
    {
        QStringList out;
        for (int r = 0; r < w.ReportGrid()->rowCount(); ++r)
            out << w.ReportGrid()->item(r, 0)->text();
        return out;
    }
    store::Table reports_;
    ReportScreenContext ctx_;
};

TEST_F(ReportUiTest, PagesAndTheBuiltInTitle)
{
    TReportSetup w(t_, reports_, ctx_);
    w.show();
    settle();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Print Report"));
    EXPECT_EQ(gridTexts(w), QStringList{QStringLiteral("Phone list")});
    EXPECT_EQ(w.Pages()->tabText(0), QStringLiteral("Built In Reports"));
    EXPECT_FALSE(w.OnePerPageCheck()->isVisible());
    EXPECT_EQ(w.TitleEdit()->text(), QStringLiteral("Report 1"));
    w.TitleEdit()->setText(QStringLiteral("Mine"));
    w.BuiltInList()->setCurrentRow(2);
    EXPECT_EQ(w.TitleEdit()->text(), QStringLiteral("Report 3"));
    // No filter: "Records matching filter" is off and "All records" chosen.
    EXPECT_FALSE(w.WhatToPrint()->rbQFilter()->isEnabled());
    EXPECT_TRUE(w.WhatToPrint()->rbQAll()->isChecked());
    shot(w, "print-report-builtin.png");
    w.Pages()->setCurrentIndex(1);
    settle();
    EXPECT_TRUE(w.OnePerPageCheck()->isVisible());
    EXPECT_TRUE(w.button(QStringLiteral("Modify"))->isEnabled());
    shot(w, "print-report-designer.png");

    // Built-in preview through the status window into the preview window.
    w.Pages()->setCurrentIndex(0);
    QString status;
    int pages = 0;
    ReportStatusHooks().statusShown = [&](print::TPrintStatus& s) {
        s.RunJob();
        status = s.StatusText();
    };
    ReportStatusHooks().previewShown = [&](print::TPreviewForm& f) {
        f.show();
        settle();
        pages = f.Control()->PageCount();
        f.close();
    };
    w.PreviewButtonClick();
    EXPECT_TRUE(status.endsWith(QStringLiteral("Report Preview Ready!"))) << status.toStdString();
    EXPECT_EQ(pages, 1);

    // The shipped phone list.
    w.Pages()->setCurrentIndex(1);
    ReportStatusHooks().previewShown = [&](print::TPreviewForm& f) {
        f.show();
        f.resize(900, 760);
        settle();
        shot(f, "report-preview.png");
        pages = f.Control()->PageCount();
        f.close();
    };
    w.PreviewButtonClick();
    EXPECT_EQ(pages, 1);
}

TEST_F(ReportUiTest, NewReportThroughTheDesignerSavedAndPreviewed)
{
    TReportSetup w(t_, reports_, ctx_);
    w.show();
    w.Pages()->setCurrentIndex(1);
    bool layoutChecked = false;
    w.designerShown = [&](TReportDesigner& d) {
        d.show();
        settle();
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Report Designer"));
        EXPECT_EQ(d.DescriptionEdit()->text(), QStringLiteral("<new report>"));
        EXPECT_TRUE(d.UseBox(0)->isChecked());
        EXPECT_TRUE(d.UseBox(1)->isChecked());
        EXPECT_FALSE(d.UseBox(3)->isChecked());
        // Band width: 816 - 48 - 48 - 24.
        EXPECT_EQ(d.DetailBand()->width(), 696);

        d.propertiesShown = [&](TReportProperties& p) {
            p.Margin(0)->setValue(0.2);  // below the limit: held at 0.5
            EXPECT_DOUBLE_EQ(p.Margin(0)->value(), 0.5);
            p.Margin(2)->setValue(3.0);
            EXPECT_DOUBLE_EQ(p.Margin(2)->value(), 2.5);
            p.Margin(2)->setValue(0.75);
            p.Landscape()->setChecked(true);
            // The miniature at 20 pixels an inch: the detail area in the middle, the paper's corner.
            p.MiniatureClicked(QPoint(100, 80));
            EXPECT_EQ(p.Tabs()->currentIndex(), 2);  // "Detail"
            p.MiniatureClicked(QPoint(2, 2));
            EXPECT_EQ(p.Tabs()->currentIndex(), 0);
            p.Tabs()->setCurrentIndex(2);
            p.show();
            settle();
            shot(p, "report-layout.png");
            layoutChecked = true;
            return true;
        };
        d.ChangeLayoutClick();
        EXPECT_EQ(d.Settings().pageWidth, 1056);
        EXPECT_EQ(d.Settings().rightMargin, 72);
        EXPECT_EQ(d.DetailBand()->width(), 1056 - 48 - 72 - 24);

        // The data field tool draws in the detail band only.
        d.Tool(QStringLiteral("Database Field tool"))->trigger();
        EXPECT_FALSE(d.HeaderBand()->bandEnabled());
        EXPECT_TRUE(d.DetailBand()->bandEnabled());
        d.Tool(QStringLiteral("Selection tool"))->trigger();
        EXPECT_TRUE(d.HeaderBand()->bandEnabled());

        auto* field = new layout::TGPDLabel(d.DetailBand());
        field->setName(QStringLiteral("LastName"));
        field->setDataFieldName(QStringLiteral("LNAME"));
        field->setDataFieldDescript(QStringLiteral("Last Name"));
        field->setBounds(4, 4, 150, 20);
        auto* title = new layout::TGPLabel(d.HeaderBand());
        title->setName(QStringLiteral("Title"));
        title->setCaption(QStringLiteral("Names"));
        title->setBounds(4, 4, 150, 20);
        d.DetailBand()->RefreshData();
        d.UseBox(2)->setChecked(true);  // the memo band shows the record's memo
        settle();
        EXPECT_EQ(d.MemoBox()->toPlainText(), QStringLiteral("Met at the fair."));
        // Sizers: the detail band grows with the drag; the header dragged to 0 is unticked at Save
        // and its object stays out of the file.
        d.DragSizer(1, d.Settings().detailHeight, 40, false);
        d.DragSizer(1, 33, 40, true);
        EXPECT_EQ(d.DetailBand()->height(), 73);
        d.DragSizer(0, 33, -50, true);
        EXPECT_EQ(d.Settings().headerHeight, 0);
        d.DragSizer(0, 0, 33, true);  // and back
        EXPECT_EQ(d.Settings().headerHeight, 33);
        d.DescriptionEdit()->setText(QStringLiteral("Names only"));
        shot(d, "report-designer.png");
        d.SaveButtonClick();
        return d.Saved();
    };
    w.NewButtonClick();
    EXPECT_TRUE(layoutChecked);
    EXPECT_EQ(gridTexts(w), (QStringList{QStringLiteral("Names only"), QStringLiteral("Phone list")}));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(sysdata_) + QStringLiteral("BIN00002.R")));

    // Preview the new report (it is current after the save).
    QString status;
    QImage page;
    ReportStatusHooks().statusShown = [&](print::TPrintStatus& s) {
        EXPECT_EQ(s.objectName(), QStringLiteral("TUserDefinedReportPrint"));
        s.RunJob();
        status = s.StatusText();
    };
    ReportStatusHooks().previewShown = [&](print::TPreviewForm& f) {
        f.show();
        settle();
        page = f.Control()->widget()->grab().toImage();
        f.close();
    };
    w.PreviewButtonClick();
    EXPECT_TRUE(status.endsWith(QStringLiteral("Report Preview Ready!"))) << status.toStdString();
    EXPECT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());  // landscape

    // Opened again: landscape, the objects back, the description kept.
    w.designerShown = [&](TReportDesigner& d) {
        EXPECT_EQ(d.DescriptionEdit()->text(), QStringLiteral("Names only"));
        EXPECT_EQ(d.Definition().layoutName, QStringLiteral("Letter Size, Landscape"));
        EXPECT_EQ(d.DetailBand()->objects().size(), 1u);
        EXPECT_EQ(d.HeaderBand()->objects().size(), 1u);
        EXPECT_TRUE(d.UseBox(2)->isChecked());
        return false;
    };
    w.ModifyButtonClick();
}

TEST_F(ReportUiTest, SavingWithoutBandsAndDeleting)
{
    TReportSetup w(t_, reports_, ctx_);
    w.Pages()->setCurrentIndex(1);
    w.designerShown = [&](TReportDesigner& d) {
        d.show();
        settle();
        for (int i = 0; i < 4; ++i)
            d.UseBox(i)->setChecked(false);
        d.SaveButtonClick();
        EXPECT_FALSE(d.Saved());
        return false;
    };
    w.NewButtonClick();
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back(), QStringLiteral("No report bands are selected. Please select at least one"));
    EXPECT_EQ(gridTexts(w).size(), 1);

    // A header dragged to nothing is unticked at Save and keeps its objects out of the file.
    w.designerShown = [&](TReportDesigner& d) {
        auto* o = new layout::TGPLabel(d.HeaderBand());
        o->setName(QStringLiteral("Gone"));
        o->setCaption(QStringLiteral("Gone"));
        d.DragSizer(0, 33, -40, true);
        d.DescriptionEdit()->setText(QStringLiteral("Headless"));
        d.SaveButtonClick();
        EXPECT_FALSE(d.UseBox(0)->isChecked());
        return d.Saved();
    };
    w.NewButtonClick();
    QObject owner, header, detail, footer;
    ReportSettings s;
    ASSERT_TRUE(LoadReportFile(QString::fromStdString(sysdata_) + QStringLiteral("BIN00002.R"),
                               ReportBands{&owner, &header, &detail, &footer}, s, 96));
    EXPECT_FALSE(s.useHeader);
    EXPECT_TRUE(layout::layoutObjects(&header).empty());
    ASSERT_TRUE(reports_.goTop());
    w.DeleteButtonClick();  // "Headless" sorts first

    // Delete the phone list: record and file go; the buttons follow the empty list.
    w.DeleteButtonClick();
    EXPECT_TRUE(messages_.back().startsWith(QStringLiteral("Delete \"Phone list\"?")));
    EXPECT_TRUE(gridTexts(w).isEmpty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(sysdata_) + QStringLiteral("BIN00001.R")));
    EXPECT_FALSE(w.button(QStringLiteral("Modify"))->isEnabled());
    EXPECT_FALSE(w.button(QStringLiteral("Preview"))->isEnabled());
}

TEST_F(ReportUiTest, PrintCurrentRecord)
{
    TPrintCurrentRecord w(t_, "MM/dd/yyyy");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Print Current Record"));
    EXPECT_EQ(w.ticked().size(), 20);
    w.box(QStringLiteral("All"))->click();
    EXPECT_TRUE(w.ticked().isEmpty());
    w.box(QStringLiteral("Last"))->setChecked(true);
    QString status;
    ReportStatusHooks().statusShown = [&](print::TPrintStatus& s) {
        EXPECT_EQ(s.objectName(), QStringLiteral("TSingleRecordPrint"));
        s.RunJob();
        status = s.StatusText();
    };
    int pages = 0;
    ReportStatusHooks().previewShown = [&](print::TPreviewForm& f) {
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Preview Report"));
        pages = 1;
    };
    w.DoPrint(true);
    EXPECT_TRUE(status.endsWith(QStringLiteral("Report Preview Ready!")));
    EXPECT_EQ(pages, 1);
}

}  // namespace
}  // namespace reports_test
