#include "TReportSetup.h"

#include "CheckPrinter.h"
#include "CodePage.h"
#include "LayoutList.h"
#include "Common.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "ReportPrint.h"
#include "ReportRun.h"
#include "ReportStatus.h"
#include "SystemTables.h"
#include "TReportDesigner.h"
#include "Table.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace addrova::reports {

namespace {

void report(const std::exception& e)
{
    ui::ShowInfo(QString::fromLocal8Bit(e.what()));
}

}  // namespace

TReportSetup::TReportSetup(store::Table& address, store::Table& reports, ReportScreenContext context, QWidget* parent)
    : QDialog(parent), address_(address), reports_(reports), ctx_(std::move(context)), list_(reports, ctx_.sysdataDir)
{
    setObjectName(QStringLiteral("TReportSetup"));
    setWindowTitle(QStringLiteral("Print Report"));
    auto* top = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    top->addLayout(body);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    body->addWidget(pages_, 1);

    auto* builtInPage = new QWidget;
    auto* bl = new QVBoxLayout(builtInPage);
    bl->addWidget(new QLabel(QStringLiteral("Select Report:")));
    builtIn_ = new QListWidget;
    builtIn_->setObjectName(QStringLiteral("BuiltInList"));
    builtIn_->addItems(BuiltInReportNames());
    builtIn_->setCurrentRow(0);
    bl->addWidget(builtIn_);
    bl->addWidget(new QLabel(QStringLiteral("Report Title")));
    title_ = new QLineEdit(QStringLiteral("Report 1"));
    title_->setObjectName(QStringLiteral("TitleEdit"));
    bl->addWidget(title_);
    printMemo_ = new QCheckBox(QStringLiteral("Print Memo"));
    printMemo_->setObjectName(QStringLiteral("PrintMemoCheck"));
    printCodes_ = new QCheckBox(QStringLiteral("Print Codes"));
    printCodes_->setObjectName(QStringLiteral("PrintCodesCheck"));
    bl->addWidget(printMemo_);
    bl->addWidget(printCodes_);
    pages_->addTab(builtInPage, QStringLiteral("Built In Reports"));

    auto* designerPage = new QWidget;
    auto* dl = new QHBoxLayout(designerPage);
    grid_ = new print::TLayoutGrid(reports_, {QStringLiteral("Description")}, [](const store::Table& t) {
        return QStringList{QString::fromStdString(store::toUtf8(t.getString("DESCRIPT"), t.codePage()))};
    });
    grid_->setObjectName(QStringLiteral("ReportGrid"));
    dl->addWidget(grid_, 1);
    auto* gb = new QVBoxLayout;
    modify_ = buttons_.Add(QStringLiteral("Modify"), gb);
    new_ = buttons_.Add(QStringLiteral("New"), gb);
    delete_ = buttons_.Add(QStringLiteral("Delete"), gb);
    clone_ = buttons_.Add(QStringLiteral("Clone"), gb);
    gb->addStretch();
    dl->addLayout(gb);
    pages_->addTab(designerPage, QStringLiteral("Report Designer"));

    auto* side = new QVBoxLayout;
    what_ = new print::TRecordChoicePanel(ctx_.filterSet, this);
    side->addWidget(what_);
    onePerPage_ = new QCheckBox(QStringLiteral("One Record Per Page"), this);
    onePerPage_->setObjectName(QStringLiteral("OnePerPageCheck"));
    side->addWidget(onePerPage_);
    side->addStretch();
    body->addLayout(side);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    print_ = buttons_.Add(QStringLiteral("Print"), buttons);
    preview_ = buttons_.Add(QStringLiteral("Preview"), buttons);
    setup_ = buttons_.Add(QStringLiteral("Printer Setup"), buttons);
    ok_ = buttons_.Add(QStringLiteral("Ok"), buttons);
    top->addLayout(buttons);

    connect(builtIn_, &QListWidget::currentRowChanged, this, &TReportSetup::BuiltInChosen);
    connect(pages_, &QTabWidget::currentChanged, this, [this] { SetReportButtons(); });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { ModifyButtonClick(); });
    connect(modify_, &QPushButton::clicked, this, &TReportSetup::ModifyButtonClick);
    connect(new_, &QPushButton::clicked, this, &TReportSetup::NewButtonClick);
    connect(delete_, &QPushButton::clicked, this, &TReportSetup::DeleteButtonClick);
    connect(clone_, &QPushButton::clicked, this, &TReportSetup::CloneButtonClick);
    connect(print_, &QPushButton::clicked, this, &TReportSetup::PrintButtonClick);
    connect(preview_, &QPushButton::clicked, this, &TReportSetup::PreviewButtonClick);
    connect(setup_, &QPushButton::clicked, this, [this] { print::ShowPrinterSetup(print::Engine(), this); });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    refreshGrid();
    SetReportButtons();
    resize(640, 400);
}

TReportSetup::~TReportSetup() = default;

void TReportSetup::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    SetReportButtons();
}

void TReportSetup::refreshGrid()
{
    grid_->Refill();
}

void TReportSetup::SetReportButtons()
{
    const bool any = grid_->rowCount() > 0;
    for (QWidget* w : {static_cast<QWidget*>(modify_), static_cast<QWidget*>(delete_),
                       static_cast<QWidget*>(clone_), static_cast<QWidget*>(grid_)})
        w->setEnabled(any);
    const bool builtInPage = pages_->currentIndex() == 0;
    print_->setEnabled(any || builtInPage);
    preview_->setEnabled(any || builtInPage);
    what_->setVisible(any || builtInPage);
    onePerPage_->setVisible(!builtInPage);
}

void TReportSetup::BuiltInChosen(int row)
{
    if (row >= 0)
        title_->setText(QStringLiteral("Report %1").arg(row + 1));
}

void TReportSetup::NewButtonClick()
{
    isNew_ = true;
    ModifyButtonClick();
}

void TReportSetup::ModifyButtonClick()
{
    try {
        if (!isNew_ && reports_.eof())
            return;
        TReportDesigner d(address_, ctx_.tagId, ctx_.shortDateFormat, this);
        ReportDefinition def = list_.Load(isNew_, d.Bands());
        d.SetDefinition(def);
        ui::CenterOverMain(&d);
        const bool save = designerShown ? designerShown(d) : d.exec() == QDialog::Accepted;
        if (save && d.Saved()) {
            def = d.Definition();
            list_.Save(def, isNew_, d.Bands());
        }
    } catch (const std::exception& e) {
        report(e);
    }
    isNew_ = false;
    refreshGrid();
    SetReportButtons();
}

void TReportSetup::DeleteButtonClick()
{
    if (reports_.eof())
        return;
    if (!ui::AskYesNo(list_.DeleteQuestion(), QStringLiteral("DELETE")))
        return;
    try {
        list_.DeleteCurrent();
    } catch (const std::exception& e) {
        report(e);
    }
    refreshGrid();
    SetReportButtons();
}

void TReportSetup::CloneButtonClick()
{
    if (reports_.eof())
        return;
    if (!ui::AskYesNo(list_.CloneQuestion(), QStringLiteral("CLONE")))
        return;
    try {
        list_.CloneCurrent();
    } catch (const std::exception& e) {
        report(e);
    }
    refreshGrid();
    SetReportButtons();
}

void TReportSetup::PrintButtonClick()
{
    if (!print::ShowPrintDialog(print::Engine(), this))
        return;
    if (pages_->currentIndex() == 0)
        DoPrintBuiltIns(false);
    else
        DoPrintUserDefined(false);
}

void TReportSetup::PreviewButtonClick()
{
    if (pages_->currentIndex() == 0)
        DoPrintBuiltIns(true);
    else
        DoPrintUserDefined(true);
}

void TReportSetup::DoPrintBuiltIns(bool preview)
{
    try {
        BuiltInOptions o;
        o.report = std::max(1, builtIn_->currentRow() + 1);
        o.title = title_->text();
        o.printMemo = printMemo_->isChecked();
        o.printCodes = printCodes_->isChecked();
        ReportRun run(address_, [](const QString& s) { ui::ShowInfo(s); });
        run.PrepareBuiltIn(o.report, what_->choice(), what_->startFromCurrent());
        print::PrintJob job(print::Engine());
        print::TPrintStatus* status = nullptr;
        RunHooks hooks;
        hooks.stopped = [&status] {
            QCoreApplication::processEvents();
            return status && status->StopRequested();
        };
        BuiltInReportPrint r(address_, o, hooks, ctx_.shortDateFormat);
        r.ConfigureJob(job);
        RunReportJob(StatusKind::BuiltIn, job, preview, &status, this);
    } catch (const std::exception& e) {
        report(e);
    }
}

void TReportSetup::DoPrintUserDefined(bool preview)
{
    if (reports_.eof())
        return;
    try {
        const QString binary = QString::fromStdString(reports_.getString("BINARY")).trimmed();
        ReportRun run(address_, [](const QString& s) { ui::ShowInfo(s); });
        run.PrepareUserDefined(what_->choice(), what_->startFromCurrent());
        print::PrinterControl& engine = print::Engine();
        print::PrintJob job(engine);
        print::TPrintStatus* status = nullptr;
        RunHooks hooks;
        hooks.stopped = [&status] {
            QCoreApplication::processEvents();
            return status && status->StopRequested();
        };
        UserDefinedReportPrint r(address_, QString::fromStdString(ctx_.sysdataDir) + binary,
                                 onePerPage_->isChecked(), hooks, ctx_.tagId, ctx_.shortDateFormat);
        if (r.paperCode() != 0)
            engine.SetPaperCode(r.paperCode());
        else
            engine.SetCustomPaper(r.settings().pageWidth / 96.0, r.settings().pageHeight / 96.0);
        engine.SetOrientation(r.landscape() ? print::Orientation::Landscape : print::Orientation::Portrait);
        r.ConfigureJob(job);
        RunReportJob(StatusKind::UserDefined, job, preview, &status, this);
    } catch (const std::exception& e) {
        report(e);
    }
}

// ---- TPrintCurrentRecord ----

TPrintCurrentRecord::TPrintCurrentRecord(store::Table& address, std::string shortDateFormat, QWidget* parent)
    : QDialog(parent), address_(address), shortDate_(std::move(shortDateFormat))
{
    setObjectName(QStringLiteral("TPrintCurrentRecord"));
    setWindowTitle(QStringLiteral("Print Current Record"));
    auto* top = new QHBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Fields to Print"), this);
    auto* grid = new QGridLayout(group);
    int i = 0;
    for (const RecordField& f : SingleRecordFields()) {
        auto* b = new QCheckBox(QString::fromLatin1(f.box), group);
        b->setChecked(true);
        boxes_.push_back(b);
        grid->addWidget(b, i % 11, i / 11);
        ++i;
    }
    memo_ = new QCheckBox(QStringLiteral("Memo"), group);
    memo_->setChecked(true);
    grid->addWidget(memo_, i % 11, i / 11);
    ++i;
    all_ = new QCheckBox(QStringLiteral("All"), group);
    all_->setChecked(true);
    grid->addWidget(all_, i % 11, i / 11);
    connect(all_, &QCheckBox::clicked, this, &TPrintCurrentRecord::AllClick);
    top->addWidget(group);
    auto* buttons = new QVBoxLayout;
    auto mk = [&](const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    connect(mk(QStringLiteral("&Print")), &QPushButton::clicked, this, [this] {
        if (print::ShowPrintDialog(print::Engine(), this))
            DoPrint(false);
    });
    connect(mk(QStringLiteral("Pre&view")), &QPushButton::clicked, this, [this] { DoPrint(true); });
    connect(mk(QStringLiteral("Printer &Setup")), &QPushButton::clicked, this,
            [this] { print::ShowPrinterSetup(print::Engine(), this); });
    connect(mk(QStringLiteral("&Cancel")), &QPushButton::clicked, this, &QDialog::reject);
    buttons->addStretch();
    top->addLayout(buttons);
}

QCheckBox* TPrintCurrentRecord::box(const QString& caption) const
{
    for (QCheckBox* b : boxes_)
        if (b->text() == caption)
            return b;
    if (caption == memo_->text())
        return memo_;
    return caption == all_->text() ? all_ : nullptr;
}

QStringList TPrintCurrentRecord::ticked() const
{
    QStringList out;
    for (QCheckBox* b : boxes_)
        if (b->isChecked())
            out << b->text();
    return out;
}

void TPrintCurrentRecord::AllClick()
{
    for (QCheckBox* b : boxes_)
        b->setChecked(all_->isChecked());
    memo_->setChecked(all_->isChecked());
}

void TPrintCurrentRecord::DoPrint(bool preview)
{
    try {
        print::PrintJob job(print::Engine());
        SingleRecordPrint r(address_, ticked(), memo_->isChecked(), shortDate_);
        r.ConfigureJob(job);
        RunReportJob(StatusKind::SingleRecord, job, preview, nullptr, this);
    } catch (const std::exception& e) {
        report(e);
    }
}

// ---- the main window's commands ----

bool ShowPrintReports(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent)
{
    store::Table reports;
    const std::string problem = store::openSystemTable(store::SystemTable::Report, reports, app::SysdataDir());
    if (!problem.empty()) {
        ui::ShowInfo(QString::fromStdString(problem));
        return false;
    }
    reports.setSelection("not DELETED()");
    reports.setOrder(reports.orderCount() >= 1 ? 1 : 0);
    reports.goTop();
    const print::AddressPlace place(address);
    {
        ReportScreenContext c;
        c.sysdataDir = app::SysdataDir();
        c.tagId = tagId;
        c.shortDateFormat = app::ShortDateFormat();
        c.filterSet = filterSet;
        TReportSetup w(address, reports, c, parent);
        ui::CenterOverMain(&w);
        w.exec();
    }
    place.RestoreAddress();
    place.RestorePrinter();
    return true;
}

void ShowPrintCurrentRecord(store::Table& address, QWidget* parent)
{
    TPrintCurrentRecord w(address, app::ShortDateFormat(), parent);
    ui::CenterOverMain(&w);
    w.exec();
}

}  // namespace addrova::reports
