#include "TAVEnvelopes.h"

#include "CheckPrinter.h"
#include "CodePage.h"
#include "Common.h"
#include "DesignerFrame.h"
#include "EnvelopeDialogs.h"
#include "GPanels.h"
#include "LayoutList.h"
#include "PageStream.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ProgramDir.h"
#include "RecordSource.h"
#include "Settings.h"
#include "SystemTables.h"
#include "TEnvelopeDesignScreen.h"
#include "TPreviewForm.h"
#include "TPrintStatus.h"
#include "Table.h"

#include <QApplication>
#include <QFile>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace addrova::envelopes {

namespace {

QString q(const store::Table& t, const std::string& s) { return QString::fromStdString(store::toUtf8(s, t.codePage())); }

bool exists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

constexpr const char* kNoFreeName = "There is no free layout file name left in the sysdata directory";

// A row of the list: the description and the envelope size.
QStringList envelopeRow(const store::Table& t)
{
    const EnvelopeSetup s = ReadEnvelopeSetup(t);
    const int i = EnvelopeSizeIndex(s.number);
    const QString size = i < 0 ? QStringLiteral("(unknown size %1)").arg(s.number)
                               : QString::fromLatin1(kEnvelopeSizes[static_cast<size_t>(i)].entry);
    return {q(t, s.descript), size};
}

print::TPrintStatus::Texts envelopeTexts(bool preview)
{
    print::TPrintStatus::Texts t;
    t.caption = preview ? QStringLiteral("Preview Status") : QStringLiteral("Print Status");
    t.button = preview ? QStringLiteral("Stop") : QStringLiteral("Cancel");
    t.printCanceled = QStringLiteral("\rEnvelope Print Canceled!");
    t.previewCanceled = QStringLiteral("\rEnvelope Preview Canceled!");
    t.previewStopped = QStringLiteral("\rPreview Stopped!");
    t.printCompleted = QStringLiteral("\rEnvelope Print Completed!");
    t.closeAlways = true;
    return t;
}

}  // namespace

TAVEnvelopes::TAVEnvelopes(store::Table& address, store::Table& layouts, EnvelopeScreenContext context,
                           QWidget* parent)
    : QDialog(parent), address_(address), layouts_(layouts), ctx_(std::move(context)),
      records_(std::make_unique<layout::TableRecordSource>(address, ctx_.tagId, ctx_.shortDateFormat, true))
{
    setObjectName(QStringLiteral("TAVEnvelopes"));
    setWindowTitle(QStringLiteral("Print Envelope"));
    if (ctx_.settingsPath.empty())
        ctx_.settingsPath = app::SettingsPath();

    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    grid_ = new print::TLayoutGrid(layouts_, {QStringLiteral("Description"), QStringLiteral("Envelope Size")},
                                   envelopeRow, this);
    grid_->setObjectName(QStringLiteral("EnvelopeGrid"));
    grid_->setColumnWidth(0, 240);
    grid_->setMinimumSize(460, 140);
    left->addWidget(grid_);

    displayFrame_ = new QFrame(this);
    displayFrame_->setObjectName(QStringLiteral("DisplayFrame"));
    displayFrame_->setMinimumSize(300, 140);
    displayFrame_->setAutoFillBackground(true);
    QPalette pal = displayFrame_->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    displayFrame_->setPalette(pal);
    display_ = new layout::TEnvelopePanel(displayFrame_);
    display_->setObjectName(QStringLiteral("DisplayEnvelope"));
    display_->setPpi(layout::ScreenPpi());
    display_->move(8, 8);
    display_->setRecords(records_.get());
    display_->setEnabled(false);

    auto* middle = new QHBoxLayout;
    middle->addWidget(displayFrame_, 1);
    auto* current = new QGroupBox(QStringLiteral("Current Record"), this);
    auto* cv = new QVBoxLayout(current);
    auto* form = new QFormLayout;
    for (const char* c : {"First", "Last", "Org", "City"}) {
        auto* l = new QLabel(current);
        l->setObjectName(QString::fromLatin1(c));
        l->setMinimumWidth(120);
        form->addRow(QString::fromLatin1(c) + QLatin1Char(':'), l);
        recordFields_.emplace_back(QString::fromLatin1(c), l);
    }
    cv->addLayout(form);
    auto* nav = new QHBoxLayout;
    const char* navTexts[] = {"|<", "<", ">", ">|"};
    const char* navHints[] = {"First record", "Prior record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(current);
        b->setText(QString::fromLatin1(navTexts[i]));
        b->setToolTip(QString::fromLatin1(navHints[i]));
        nav->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, i] { MoveRecord(i); });
    }
    cv->addLayout(nav);
    middle->addWidget(current);
    left->addLayout(middle);

    what_ = new print::TRecordChoicePanel(ctx_.filterSet, this);
    what_->setChoice(RecordChoice::OnlyCurrent);
    left->addWidget(what_);
    outer->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    buttons_.AddAll({"New", "Modify", "Delete", "Clone", "Printer Setup", "&Print", "Pre&view", "Ok"}, right,
                    "Pre&view");
    outer->addLayout(right);

    connect(button(QStringLiteral("New")), &QPushButton::clicked, this, [this] { NewClick(); });
    connect(button(QStringLiteral("Modify")), &QPushButton::clicked, this, [this] { ModifyClick(); });
    connect(button(QStringLiteral("Delete")), &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(button(QStringLiteral("Clone")), &QPushButton::clicked, this, [this] { CloneClick(); });
    connect(button(QStringLiteral("Printer Setup")), &QPushButton::clicked, this, [this] { PrinterSetupClick(); });
    connect(button(QStringLiteral("&Print")), &QPushButton::clicked, this, [this] { PrintNowClick(); });
    connect(button(QStringLiteral("Pre&view")), &QPushButton::clicked, this, [this] { PreviewButtonClick(); });
    connect(button(QStringLiteral("Ok")), &QPushButton::clicked, this, &QDialog::accept);
    connect(grid_, &print::TLayoutGrid::recordChanged, this, [this] { recordChanged(); });
    resize(760, 460);
}

TAVEnvelopes::~TAVEnvelopes() = default;

QString TAVEnvelopes::currentRecordText(const QString& caption) const
{
    for (const auto& [n, l] : recordFields_)
        if (n == caption)
            return l->text();
    return {};
}

void TAVEnvelopes::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormActivate();
}

void TAVEnvelopes::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    ui::CenterOverMain(this);
    try {
        LoadPreferences(app::ProfileFile(ctx_.settingsPath), print::Engine());
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    refreshGrid();
    SetEnvelopeButtons();
    showCurrentRecord();
}

void TAVEnvelopes::refreshGrid()
{
    grid_->Refill();
}

void TAVEnvelopes::recordChanged()
{
    setup_ = ReadEnvelopeSetup(layouts_);
    ShowDisplayEnvelope();
}

void TAVEnvelopes::SetEnvelopeButtons()
{
    const bool has = layouts_.isOpen() && !layouts_.eof();
    buttons_.SetEnabled({"Modify", "Clone", "&Print", "Pre&view", "Delete"}, has);
    grid_->setEnabled(has);
}

void TAVEnvelopes::ShowDisplayEnvelope()
{
    display_->SetZoom(1.0f);
    display_->ClearAll();
    const bool has = !layouts_.eof();
    const std::string path = ctx_.sysdataDir + setup_.binary;
    if (has && PlainFileName(setup_.binary) && exists(path)) {
        try {
            display_->LoadFromFile(QString::fromStdString(path));
        } catch (const std::exception&) {
            display_->ClearAll();  // a damaged file shows nothing here; printing reports it
        }
    }
    display_->SetZoom(0.3f);
    const int ppi = display_->ppi();
    const double w = has ? setup_.width : -1, h = has ? setup_.height : -1;
    display_->resize(std::max(0, static_cast<int>(std::lround(ppi * w * 0.3))),
                     std::max(0, static_cast<int>(std::lround(ppi * h * 0.3))));
    display_->RefreshData();
    display_->setVisible(display_->width() > 0 && display_->height() > 0);
    display_->update();
}

void TAVEnvelopes::showCurrentRecord()
{
    const char* fields[][2] = {{"First", "FNAME"}, {"Last", "LNAME"}, {"Org", "ORG"}, {"City", "CITY"}};
    for (const auto& f : fields) {
        QString text;
        if (address_.isOpen() && !address_.eof() && address_.fieldIndex(f[1]) >= 0)
            text = q(address_, address_.getString(std::string_view(f[1])));
        for (auto& [n, l] : recordFields_)
            if (n == QLatin1String(f[0]))
                l->setText(text);
    }
}

void TAVEnvelopes::MoveRecord(int how)
{
    if (!address_.isOpen())
        return;
    try {
        switch (how) {
            case 0: address_.goTop(); break;
            case 1:
                if (!address_.skip(-1))
                    address_.goTop();
                break;
            case 2:
                if (!address_.skip(1) || address_.eof())
                    address_.goBottom();
                break;
            default: address_.goBottom(); break;
        }
    } catch (const std::exception& e) {
        ui::ShowError(QString::fromLocal8Bit(e.what()));
        return;
    }
    showCurrentRecord();
    display_->RefreshData();
    display_->update();
}

void TAVEnvelopes::NewClick()
{
    int code = setup_.number;
    const bool ok = sizeDialogOverride ? sizeDialogOverride(code) : TChooseEnvelopeLayout::Ask(code, this);
    if (!ok)
        return;
    setup_.setNumber(code);
    newLayout_ = true;
    ModifyClick();
}

void TAVEnvelopes::ModifyClick()
{
    if (!newLayout_ && layouts_.eof())
        return;
    auto designer = std::make_unique<TEnvelopeDesignScreen>(&address_, records_.get(), this);
    layout::TEnvelopePanel& panel = designer->Panel();
    print::PrinterControl& engine = print::Engine();
    const print::InchMargins m = engine.Unprintable();
    const int ppi = panel.ppi();
    auto px = [ppi](double inches) { return static_cast<int>(std::trunc(inches * ppi)); };
    designer->SetPrinterGeometry(px(m.left), px(m.top), px(m.right), px(m.bottom), px(engine.PageWidth()),
                                 px(engine.PageHeight()));
    const int cp = layouts_.isOpen() ? layouts_.codePage() : 1252;
    panel.ClearAll();
    if (newLayout_) {
        designer->SetDescription(QString::fromLatin1(kNewEnvelope));
        setup_.binary = NextEnvelopeBinaryName(ctx_.sysdataDir);
    } else {
        setup_ = ReadEnvelopeSetup(layouts_);
        designer->SetDescription(QString::fromStdString(store::toUtf8(setup_.descript, cp)));
        const std::string path = ctx_.sysdataDir + setup_.binary;
        bool loaded = false;
        if (PlainFileName(setup_.binary) && exists(path)) {
            try {
                panel.LoadFromFile(QString::fromStdString(path));
                loaded = true;
            } catch (const std::exception& e) {
                panel.ClearAll();
                ui::ShowInfo(QStringLiteral("The envelope layout %1 could not be read: %2")
                                 .arg(QString::fromStdString(setup_.binary), QString::fromLocal8Bit(e.what())));
            }
        }
        if (!loaded)
            setup_.binary = NextEnvelopeBinaryName(ctx_.sysdataDir);
    }
    if (setup_.binary.empty()) {
        ui::ShowInfo(QString::fromLatin1(kNoFreeName));
        newLayout_ = false;
        return;
    }
    designer->SetCode(setup_.number);
    panel.RefreshData();
    const bool saved = designerOverride ? designerOverride(*designer) : designer->Execute();
    if (saved) {
        EnvelopeSetup back = setup_;
        back.descript = store::fromUtf8(designer->Description().toStdString(), cp);
        if (back.descript.size() > kDescriptionKept)
            back.descript.resize(kDescriptionKept);
        back.setNumber(designer->Code());
        try {
            panel.ClearDataAll();
            panel.SaveToFile(QString::fromStdString(ctx_.sysdataDir + back.binary));
            if (newLayout_)
                layouts_.appendBlank();
            WriteEnvelopeSetup(layouts_, back);
            layouts_.post();
            setup_ = back;
        } catch (const std::exception& e) {
            if (layouts_.appending() || layouts_.modified())
                layouts_.cancel();
            ui::ShowInfo(QStringLiteral("The envelope layout could not be saved: ") + QString::fromLocal8Bit(e.what()));
        }
    }
    designer.reset();
    newLayout_ = false;
    refreshGrid();
    SetEnvelopeButtons();
}

void TAVEnvelopes::DeleteClick()
{
    if (layouts_.eof())
        return;
    const EnvelopeSetup s = ReadEnvelopeSetup(layouts_);
    if (!ui::AskYesNo(QStringLiteral("Delete \"%1\"?").arg(q(layouts_, s.descript)), QStringLiteral("DELETE")))
        return;
    DeleteEnvelope(layouts_, ctx_.sysdataDir);
    refreshGrid();
    SetEnvelopeButtons();
}

void TAVEnvelopes::CloneClick()
{
    if (layouts_.eof())
        return;
    const EnvelopeSetup s = ReadEnvelopeSetup(layouts_);
    if (!ui::AskYesNo(QStringLiteral("Clone \"%1\"?").arg(q(layouts_, s.descript)), QStringLiteral("CLONE")))
        return;
    try {
        CloneEnvelope(layouts_, ctx_.sysdataDir);
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
    refreshGrid();
    SetEnvelopeButtons();
}

void TAVEnvelopes::PrinterSetupClick()
{
    print::PrinterControl& engine = print::Engine();
    if (!print::ShowPrinterSetup(engine, this))
        return;
    try {
        app::ProfileFile settings(ctx_.settingsPath);
        SavePreferences(settings, engine, LoadFeed(settings));
    } catch (const std::exception& e) {
        ui::ShowInfo(QString::fromLocal8Bit(e.what()));
    }
}

void TAVEnvelopes::DoPrint(bool preview)
{
    if (layouts_.eof())
        return;
    setup_ = ReadEnvelopeSetup(layouts_);
    print::TPrintStatus* status = nullptr;
    EnvelopeRunHooks hooks;
    hooks.info = [](const QString& s) { ui::ShowInfo(s); };
    hooks.stopped = [&status] {
        QCoreApplication::processEvents();
        return status && status->StopRequested();
    };
    try {
        app::ProfileFile settings(ctx_.settingsPath);
        print::PrinterControl& engine = print::Engine();
        LoadPreferences(settings, engine);
        EnvelopePrintOptions o;
        o.choice = what_->choice();
        o.startFromCurrent = what_->startFromCurrent();
        o.feed = LoadFeed(settings);
        EnvelopePrintRun run(address_, setup_, ctx_.sysdataDir, o, hooks, ctx_.tagId, ctx_.shortDateFormat);
        if (!run.LoadLayout())
            return;
        run.SetPaper(engine, EnvelopePaper::Envelope);
        {
            TEnvelopePrePrint d(engine, o.feed, setup_.number, this);
            ui::CenterOverMain(&d);
            const bool ok = prePrintOverride ? prePrintOverride(d) : d.exec() == QDialog::Accepted;
            if (!ok)
                return;
            run.setFeed(d.feed());
        }
        SavePreferences(settings, engine, run.options().feed);
        run.ApplyRecordChoice();
        print::PrintJob job(engine);
        run.ConfigureJob(job, preview);
        print::PageStream stream;
        print::TPreviewForm f(this);
        f.setWindowTitle(QStringLiteral("Preview Envelope"));
        f.SetStream(&stream);
        f.SetInitialZoom(print::TPreviewForm::ZoomWholePage);
        f.SetJobTitle(QStringLiteral("Addrova"));
        f.SetPrintTexts(envelopeTexts(false), QStringLiteral("Printing Page %p of %t\r%0\r%1"));
        {
            print::TPrintStatus s(job, preview, &stream, envelopeTexts(preview), this);
            s.setObjectName(QStringLiteral("TEnvelopeForm"));
            s.SetLivePreview(&f);
            status = &s;
            s.exec();
            status = nullptr;
        }
        run.Restore();
        showCurrentRecord();
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

bool ShowPrintEnvelopes(store::Table& address, bool filterSet, const std::string& tagId, QWidget* parent)
{
    store::Table layouts;
    const std::string problem = store::openSystemTable(store::SystemTable::Envelope, layouts, app::SysdataDir());
    if (!problem.empty()) {
        ui::ShowInfo(QString::fromStdString(problem));
        return false;
    }
    layouts.setOrder(layouts.orderCount() >= 1 ? 1 : 0);
    layouts.goTop();

    const print::AddressPlace place(address);
    print::PrinterControl& engine = print::Engine();
    const QString printer = place.printer();
    const int paperCode = engine.PaperCode();
    const print::Orientation orientation = engine.GetOrientation();
    const double pageW = engine.PageWidth(), pageH = engine.PageHeight();
    {
        EnvelopeScreenContext c;
        c.sysdataDir = app::SysdataDir();
        c.settingsPath = app::SettingsPath();
        c.tagId = tagId;
        c.shortDateFormat = app::ShortDateFormat();
        c.filterSet = filterSet;
        TAVEnvelopes w(address, layouts, c, parent);
        w.exec();
    }
    place.RestoreAddress();
    // The envelope's printer, paper and feed orientation are not left on the program's printer.
    if (!printer.isEmpty())
        engine.SetPrinterByName(printer);
    else
        engine.SelectDefaultPrinter();
    if (engine.PrinterName() == printer) {
        engine.SetOrientation(print::Orientation::Portrait);
        if (paperCode == 0 || !engine.SetPaperCode(paperCode))
            engine.SetCustomPaper(std::min(pageW, pageH), std::max(pageW, pageH));
        engine.SetOrientation(orientation);
    }
    return true;
}

}  // namespace addrova::envelopes
