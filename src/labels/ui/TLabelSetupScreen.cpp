#include "TLabelSetupScreen.h"

#include "CodePage.h"
#include "Common.h"
#include "GPanels.h"
#include "LayoutList.h"
#include "LabelDesigner.h"
#include "PageStream.h"
#include "PrintDialogs.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "SystemTables.h"
#include "TPreviewForm.h"
#include "Table.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace addrova::labels {

namespace {

QString q(const store::Table& t, const std::string& s) { return QString::fromStdString(store::toUtf8(s, t.codePage())); }

bool exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

const char* const kNoFreeName = "There is no free layout file name left in the sysdata directory";

}  // namespace

TLabelSetupScreen::TLabelSetupScreen(store::Table& address, store::Table& layouts, LabelScreenContext context,
                                     QWidget* parent)
    : QDialog(parent), address_(address), layouts_(layouts), ctx_(std::move(context)),
      records_(std::make_unique<layout::TableRecordSource>(address, ctx_.tagId, ctx_.shortDateFormat, true))
{
    setObjectName(QStringLiteral("TLabelSetupScreen"));
    setWindowTitle(QStringLiteral("Print Labels"));
    mask_.set();

    panel_ = new layout::TGLabelPanel(this);
    panel_->hide();

    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    grid_ = new print::TLayoutGrid(layouts_, {QStringLiteral("Description"), QStringLiteral("Sheet Name")},
                                   [](const store::Table& t) {
                                       const LabelSetup s = ReadLabelSetup(t);
                                       return QStringList{q(t, s.descript), q(t, CalcSheetName(s))};
                                   },
                                   this);
    grid_->setObjectName(QStringLiteral("LabelSetupGrid"));
    grid_->setColumnWidth(0, 260);
    grid_->setMinimumSize(460, 200);
    left->addWidget(grid_);

    auto* details = new QFormLayout;
    for (const char* c : {"Sheet Name", "Label Height", "Label Width", "# Across", "# Down", "Paper Size",
                          "Paper Width", "Paper Height"}) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(c));
        details->addRow(QString::fromLatin1(c) + QLatin1Char(':'), l);
        fields_.emplace_back(QString::fromLatin1(c), l);
    }
    auto* lower = new QHBoxLayout;
    lower->addLayout(details);

    whatPanel_ = new print::TRecordChoicePanel(ctx_.filterSet, this);
    presort_ = new QCheckBox(QStringLiteral("Presort for Bulk Mail"), whatPanel_);
    presort_->setObjectName(QStringLiteral("PresortCheck"));
    whatPanel_->choiceLayout()->addWidget(presort_);
    lower->addWidget(whatPanel_);
    left->addLayout(lower);

    printerPanel_ = new QGroupBox(QStringLiteral("Printer"), this);
    printerPanel_->setObjectName(QStringLiteral("PrinterPanel"));
    auto* pv = new QVBoxLayout(printerPanel_);
    printerCombo_ = new QComboBox(printerPanel_);
    printerCombo_->setObjectName(QStringLiteral("PrinterCombo"));
    printerCombo_->addItems(print::Engine().Printers());
    pv->addWidget(printerCombo_);
    left->addWidget(printerPanel_);
    whatPanel_->setVisible(true);
    outer->addLayout(left);

    auto* right = new QVBoxLayout;
    buttons_.AddAll({"New", "Modify", "Delete", "Clone", "Print", "Preview", "Ok"}, right, "Preview");
    outer->addLayout(right);

    connect(button(QStringLiteral("New")), &QPushButton::clicked, this, [this] { NewClick(); });
    connect(button(QStringLiteral("Modify")), &QPushButton::clicked, this, [this] { ModifyClick(); });
    connect(button(QStringLiteral("Delete")), &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(button(QStringLiteral("Clone")), &QPushButton::clicked, this, [this] { CloneClick(); });
    connect(button(QStringLiteral("Print")), &QPushButton::clicked, this, [this] { PrintNowClick(); });
    connect(button(QStringLiteral("Preview")), &QPushButton::clicked, this, [this] { PreviewButtonClick(); });
    connect(button(QStringLiteral("Ok")), &QPushButton::clicked, this, &QDialog::accept);
    connect(grid_, &print::TLayoutGrid::recordChanged, this, [this] { recordChanged(); });
    connect(whatPanel_, &print::TRecordChoicePanel::choiceClicked, this, [this] { recordChoiceClicked(); });
    connect(printerCombo_, &QComboBox::activated, this, [](int i) { print::Engine().SetPrinterIndex(i); });
}

TLabelSetupScreen::~TLabelSetupScreen() = default;

QString TLabelSetupScreen::fieldText(const QString& caption) const
{
    for (const auto& [n, l] : fields_)
        if (n == caption)
            return l->text();
    return {};
}

void TLabelSetupScreen::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormActivate();
}

void TLabelSetupScreen::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    ui::CenterOverMain(this);
    panel_->setRecords(records_.get());
    panel_->setDefinitionTable(&layouts_);
    refreshGrid();
    printerCombo_->setCurrentIndex(print::Engine().PrinterIndex());
    SetLabelButtons();
    QFile::remove(QString::fromStdString(ctx_.programDir + postal::kListingName));
}

void TLabelSetupScreen::refreshGrid()
{
    grid_->Refill();
}

void TLabelSetupScreen::recordChanged()
{
    if (!layouts_.eof())
        setup_ = ReadLabelSetup(layouts_);
    showFields();
}

void TLabelSetupScreen::showFields()
{
    const bool has = !layouts_.eof();
    auto set = [this, has](const char* caption, const QString& text) {
        for (auto& [n, l] : fields_)
            if (n == QLatin1String(caption))
                l->setText(has ? text : QString());
    };
    auto in = [](float v) { return QString::fromStdString(FormatInches(v)) + QStringLiteral(" in"); };
    set("Sheet Name", q(layouts_, CalcSheetName(setup_)));
    set("Label Height", in(setup_.lblHeight));
    set("Label Width", in(setup_.lblWidth));
    set("# Across", QString::number(setup_.nbrAcross));
    set("# Down", QString::number(setup_.nbrDown));
    set("Paper Size", QString::fromStdString(setup_.paperSize));
    set("Paper Width", in(setup_.sheetWidth));
    set("Paper Height", in(setup_.sheetDepth));
}

void TLabelSetupScreen::SetLabelButtons()
{
    const bool has = layouts_.isOpen() && !layouts_.eof();
    buttons_.SetEnabled({"Modify", "Print", "Preview", "Delete", "Clone"}, has);
    grid_->setEnabled(has);
    whatPanel_->setVisible(has);
    printerPanel_->setVisible(has);
}

void TLabelSetupScreen::recordChoiceClicked()
{
    presortDone_ = false;
    const bool only = whatPanel_->choice() == RecordChoice::OnlyCurrent;
    if (only)
        presort_->setChecked(false);
    presort_->setEnabled(!only);
}

void TLabelSetupScreen::NewClick()
{
    setup_ = NewLabelSetup();
    newLayout_ = true;
    ModifyClick();
}

void TLabelSetupScreen::ModifyClick()
{
    const LabelDesignerFactory& factory = RegisteredLabelDesigner();
    if (!factory) {
        newLayout_ = false;
        ui::ShowInfo(QString::fromLatin1(kDesignerUnavailable));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LabelDesignerContext c;
    c.parent = this;
    c.records = records_.get();
    c.address = &address_;
    c.layouts = &layouts_;
    c.sysdataDir = ctx_.sysdataDir;
    std::unique_ptr<LabelDesigner> designer = factory(c);
    if (!newLayout_)
        setup_ = ReadLabelSetup(layouts_);
    layout::TGLabelPanel& panel = designer->Panel();
    panel.setRecords(records_.get());
    panel.setDefinitionTable(&layouts_);
    panel.ClearAll();
    if (!newLayout_ && !setup_.binary.empty() && exists(ctx_.sysdataDir + setup_.binary))
        panel.LoadFromFile(QString::fromStdString(ctx_.sysdataDir + setup_.binary));
    else
        setup_.binary = NextLabelFileName(ctx_.sysdataDir);
    QApplication::restoreOverrideCursor();
    if (setup_.binary.empty()) {
        ui::ShowInfo(QString::fromLatin1(kNoFreeName));
        newLayout_ = false;
        return;
    }
    designer->SetLayout(setup_, newLayout_);
    if (designer->Execute()) {
        LabelSetup back = designer->Layout();
        back.binary = setup_.binary;
        if (back.descript.size() > 50)
            back.descript.resize(50);
        if (newLayout_)
            layouts_.appendBlank();
        WriteLabelSetup(layouts_, back);
        try {
            panel.SaveToFile(QString::fromStdString(ctx_.sysdataDir + back.binary));
            layouts_.post();
            setup_ = back;
        } catch (const std::exception& e) {
            layouts_.cancel();
            ui::ShowInfo(QStringLiteral("The label layout could not be saved: ") + QString::fromLocal8Bit(e.what()));
        }
    }
    designer.reset();
    printerCombo_->setCurrentIndex(print::Engine().PrinterIndex());
    newLayout_ = false;
    refreshGrid();
    SetLabelButtons();
}

void TLabelSetupScreen::DeleteClick()
{
    if (layouts_.eof())
        return;
    const LabelSetup s = ReadLabelSetup(layouts_);
    if (!ui::AskYesNo(QStringLiteral("Delete \"%1\"?").arg(q(layouts_, s.descript)), QStringLiteral("DELETE")))
        return;
    layouts_.deleteRecord();
    if (!s.binary.empty())
        QFile::remove(QString::fromStdString(ctx_.sysdataDir + s.binary));
    if (!layouts_.skip(1) || layouts_.eof()) {
        layouts_.goBottom();
    }
    refreshGrid();
    SetLabelButtons();
}

void TLabelSetupScreen::CloneClick()
{
    if (layouts_.eof())
        return;
    LabelSetup s = ReadLabelSetup(layouts_);
    if (!ui::AskYesNo(QStringLiteral("Clone \"%1\"?").arg(q(layouts_, s.descript)), QStringLiteral("CLONE")))
        return;
    panel_->ClearAll();
    const std::string from = ctx_.sysdataDir + s.binary;
    if (s.binary.empty() || !exists(from)) {
        ui::ShowInfo(QString::fromLatin1(kLayoutFileMissing));
        return;
    }
    panel_->LoadFromFile(QString::fromStdString(from));
    const std::string name = NextLabelFileName(ctx_.sysdataDir);
    if (name.empty()) {
        ui::ShowInfo(QString::fromLatin1(kNoFreeName));
        return;
    }
    s.descript = CloneDescription(s.descript);
    s.binary = name;
    try {
        panel_->SaveToFile(QString::fromStdString(ctx_.sysdataDir + name));
    } catch (const std::exception& e) {
        ui::ShowInfo(QStringLiteral("The label layout could not be saved: ") + QString::fromLocal8Bit(e.what()));
        return;
    }
    layouts_.appendBlank();
    WriteLabelSetup(layouts_, s);
    layouts_.post();
    refreshGrid();
    SetLabelButtons();
}

LabelPrintOptions TLabelSetupScreen::printOptions() const
{
    LabelPrintOptions o;
    o.choice = whatPanel_->choice();
    o.startFromCurrent = whatPanel_->startFromCurrent();
    o.presort = presort_->isChecked() && o.choice != RecordChoice::OnlyCurrent;
    o.presortDone = presortDone_;
    o.mask = mask_;
    o.copies = copies_;
    return o;
}

bool TLabelSetupScreen::DoPageSetup(bool preview)
{
    setup_ = ReadLabelSetup(layouts_);
    if (pageSetupOverride)
        return pageSetupOverride(*this);
    TSelectSpecificLabels d(setup_, mask_, 1, presort_->isChecked(), print::Engine(), this, preview);
    ui::CenterOverMain(&d);
    if (pageSetupShown ? !pageSetupShown(d) : d.exec() != QDialog::Accepted)
        return false;
    mask_ = d.mask();
    copies_ = d.copies();
    if (!preview)
        printerCombo_->setCurrentIndex(print::Engine().PrinterIndex());
    return true;
}

void TLabelSetupScreen::PrintNowClick()
{
    if (layouts_.eof())
        return;
    panel_->ClearAll();
    setup_ = ReadLabelSetup(layouts_);
    if (DoPageSetup())
        DoPrint(false);
}

void TLabelSetupScreen::PreviewButtonClick()
{
    if (layouts_.eof())
        return;
    panel_->ClearAll();
    setup_ = ReadLabelSetup(layouts_);
    if (DoPageSetup(true))
        DoPrint(true);
}

void TLabelSetupScreen::DoPrint(bool preview)
{
    TLabelPrinter* status = nullptr;
    LabelRunHooks hooks;
    hooks.info = [](const QString& s) { ui::ShowInfo(s); };
    hooks.ask = [](const QString& s) { return ui::AskYesNo(s, QStringLiteral("PAPER SIZE")); };
    hooks.presort = [this](store::Table& t, const std::string& listing) {
        postal::AdcTable adc;
        try {
            adc = postal::LoadAdcTable(ctx_.sysdataDir + "ADC.CSV");
        } catch (const std::exception& e) {
            ui::ShowInfo(QString::fromLocal8Bit(e.what()));
            return false;
        }
        TSortBulkMail d(t, std::move(adc), listing, this);
        d.exec();
        return d.DoneCheck();
    };
    hooks.stopped = [&status] {
        QCoreApplication::processEvents();
        return status && status->StopRequested();
    };
    try {
        LabelPrintRun run(address_, setup_, ctx_.sysdataDir, ctx_.programDir, printOptions(), hooks, ctx_.tagId,
                          ctx_.shortDateFormat);
        print::PrinterControl& engine = print::Engine();
        PrinterPaper paper(engine);
        const bool go = run.Prepare(paper);
        presortDone_ = run.presortDone();
        if (!go)
            return;
        print::PrintJob job(engine);
        run.ConfigureJob(job, preview);
        print::PageStream stream;
        print::TPreviewForm f(this);
        f.setWindowTitle(QStringLiteral("Preview Labels"));
        f.SetStream(&stream);
        f.SetInitialZoom(print::TPreviewForm::ZoomPageWidth);
        f.SetJobTitle(QStringLiteral("Addrova"));
        f.SetPrintTexts(TLabelPrinter::LabelTexts(false), QStringLiteral("Printing Page %p of %t\r%0\r%1"));
        {
            TLabelPrinter s(job, preview, &stream, this);
            s.SetLivePreview(&f);
            status = &s;
            s.exec();
            status = nullptr;
        }
        run.Restore();
        if (preview && !job.Aborted()) {
            if (previewShown)
                previewShown(f);
            else
                f.exec();
        }
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
}

bool ShowPrintLabels(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent)
{
    store::Table layouts;
    const std::string problem = store::openSystemTable(store::SystemTable::Label, layouts, app::SysdataDir());
    if (!problem.empty()) {
        ui::ShowInfo(QString::fromStdString(problem));
        return false;
    }
    layouts.setSelection("not DELETED()");
    layouts.setOrder(layouts.orderCount() >= 1 ? 1 : 0);
    layouts.goTop();

    const print::AddressPlace place(address);
    {
        LabelScreenContext c;
        c.sysdataDir = app::SysdataDir();
        c.programDir = app::ProgramDir();
        c.tagId = tagId;
        c.shortDateFormat = app::ShortDateFormat();
        c.filterSet = filterSet;
        TLabelSetupScreen w(address, layouts, c, parent);
        w.exec();
    }
    place.RestoreAddress();
    place.RestorePrinter();
    return true;
}

}  // namespace addrova::labels
