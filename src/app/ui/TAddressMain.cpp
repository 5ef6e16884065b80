#include "TAddressMain.h"

#include "LabelDesignScreen.h"
#include "LetterWindows.h"
#include "PostalWindows.h"
#include "PrintJob.h"
#include "PrinterControl.h"
#include "ImportWindows.h"
#include "RebuildWindows.h"
#include "TAVEnvelopes.h"
#include "TCopyOut.h"
#include "ToolWindows.h"
#include "TLabelSetupScreen.h"
#include "TReportSetup.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "Common.h"
#include "Dialogs.h"
#include "Error.h"
#include "FilterWindows.h"
#include "ProgramDir.h"
#include "Wiring.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace addrova::ui {

namespace {

const char* const kClass = "TAddressMain";

struct FieldRow {
    const char* field;
    const char* label;
};
const FieldRow kNameStrip[] = {{"LNAME", "Last"},    {"FNAME", "First"}, {"MIDDLE", "MI"},
                               {"PREFIX", "Prefix"}, {"TITLE", "Title"}, {"ORG", "Org"}};
const FieldRow kAddressPage[] = {
    {"STREET", "Address 1"},     {"STREET2", "Address 2"}, {"CITY", "City"},           {"STATE", "State or Prov"},
    {"ZIP", "Zip or Postal "},   {"COUNTRY", "Country"},   {"PHONE", "Phone 1"},       {"PHONE2", "Phone 2"},
    {"FAX", "Fax"},              {"EMAIL", "E-mail"},      {"CODES", "Codes"},         {"USER1", "Comment 1"},
    {"USER2", "Comment 2"},
};
// The fields a clone copies.
const char* const kCloneFields[] = {"LNAME", "FNAME", "MIDDLE", "PREFIX", "TITLE", "ORG",   "STREET",
                                    "STREET2", "CITY", "STATE", "ZIP",   "COUNTRY", "PHONE", "PHONE2",
                                    "EMAIL", "FAX",  "CODES", "DATE",  "USER1", "USER2"};

const QString kEmptyText = QStringLiteral("Please Open or Create a Addrova Address file");
constexpr int kNoticeMs = 10000;  // how long a status-line notice stays

// Commands that print: they need a record, a non-empty selection and a printer.
bool isPrintCommand(const QString& name)
{
    return name == QLatin1String("mnuPrintLabels") || name == QLatin1String("mnuPrintLetters") ||
           name == QLatin1String("mnuPrintEnvelopes") || name == QLatin1String("mnuPrintReports") ||
           name == QLatin1String("mnuPrintCurrent");
}

// Tool bar buttons run the menu command they mirror.
const std::map<QString, QString>& buttonCommands()
{
    static const std::map<QString, QString> m{
        {QStringLiteral("btnLabels"), QStringLiteral("mnuPrintLabels")},
        {QStringLiteral("btnLetters"), QStringLiteral("mnuPrintLetters")},
        {QStringLiteral("btnEnvelopes"), QStringLiteral("mnuPrintEnvelopes")},
        {QStringLiteral("btnReports"), QStringLiteral("mnuPrintReports")},
        {QStringLiteral("btnBrowse"), QStringLiteral("mnuBrowse")},
        {QStringLiteral("btnSearch"), QStringLiteral("mnuSearch")},
        {QStringLiteral("btnFilter"), QStringLiteral("mnuSetFilter")},
        {QStringLiteral("btnClearFilter"), QStringLiteral("mnuClearFilter")},
    };
    return m;
}

QString commandOf(const QString& name)
{
    auto it = buttonCommands().find(name);
    return it == buttonCommands().end() ? name : it->second;
}

bool isTextKey(const QKeyEvent* k)
{
    if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString t = k->text();
    return !t.isEmpty() && t.at(0).isPrint();
}

}  // namespace

TAddressMain::TAddressMain(QWidget* parent) : QMainWindow(parent), ds_(table_, this)
{
    FormCreate();
}

TAddressMain::~TAddressMain()
{
    if (table_.isOpen()) {
        try {
            if (ds_.editing())
                table_.cancel();
            table_.close();
        } catch (const store::Error&) {
        }
    }
    if (MainWindow() == this)
        SetMainWindow(nullptr);
}

void TAddressMain::FormCreate()
{
    setObjectName(QString::fromLatin1(kClass));
    SetMainWindow(this);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    setFont(f);
    setWindowTitle(QStringLiteral("Addrova"));
    buildMenus();
    buildBars();
    buildRecordPanel();
    connect(&ds_, &DataSourceAVX::recordChanged, this, [this] {
        if (!ds_.editing() || ds_.state() == DataSourceAVX::State::Insert)
            fillRecord();
    });
    connect(&ds_, &DataSourceAVX::stateChanged, this, [this] {
        if (!ds_.suppressEvents())
            refreshButtons();
    });
    pages_->setCurrentIndex(0);
    resize(760, 560);
    emptyState(true);
    refreshButtons();
}

// ---------------------------------------------------------------------------------------------
// Commands

QAction* TAddressMain::addCommand(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, [this, name] { run(name); });
    if (menu)
        menu->addAction(a);
    commands_[name] = a;
    return a;
}

void TAddressMain::handle(const QString& name, std::function<void()> fn) { handlers_[name] = std::move(fn); }

void TAddressMain::setCommandHandler(const QString& name, std::function<void()> handler)
{
    if (handler)
        handlers_[name] = std::move(handler);
    else
        handlers_.erase(name);
    refreshButtons();
}

QAction* TAddressMain::command(const QString& name) const
{
    auto it = commands_.find(name);
    return it == commands_.end() ? nullptr : it->second;
}

QStringList TAddressMain::commandNames() const
{
    QStringList l;
    for (const auto& [name, a] : commands_)
        l << name;
    return l;
}

QPushButton* TAddressMain::button(const QString& name) const
{
    auto it = buttons_.find(name);
    return it == buttons_.end() ? nullptr : it->second;
}

void TAddressMain::run(const QString& name)
{
    const QString cmd = commandOf(name);
    auto it = handlers_.find(cmd);
    if (it == handlers_.end())
        return;
    if (!isPrintCommand(cmd)) {
        it->second();
        return;
    }
    if (!table_.isOpen() || ds_.editing() || !ds_.hasRecord() || selectedCount() == 0)
        return;
    if (!CheckPrinter())
        return;
    // Around a printing window: composed fields on, table events quiet, and afterwards the
    // selection, key range, record and order as they were.
    const bool handOver = cmd != QLatin1String("mnuPrintCurrent");
    const std::string selection = table_.selection();
    const uint32_t recno = table_.recNo();
    ds_.setPrintingFields(handOver);
    ds_.setSuppressEvents(true);
    const QString printer = print::Engine().PrinterName();
    std::function<void()> fn = it->second;
    fn();
    // A window may have chosen another printer for its run; the program's choice comes back.
    if (!printer.isEmpty() && print::Engine().PrinterName() != printer)
        print::Engine().SetPrinterByName(printer);
    try {
        if (table_.isOpen() && handOver) {
            table_.setSelection(selection);
            table_.clearScope();
            table_.go(recno);
        }
        reselectOrder();
    } catch (const store::Error& e) {
        ShowError(QString::fromStdString(e.what()));
    }
    ds_.setPrintingFields(false);
    ds_.setSuppressEvents(false);
    ds_.refresh();
    refreshButtons();
}

// Around a maintenance window: table events quiet; afterwards the filter and order again, and the
// record that was current when it is still there (else the first).
void TAddressMain::runTool(const std::function<void()>& tool)
{
    if (!table_.isOpen() || ds_.editing())
        return;
    const uint32_t recno = table_.recNo();
    ds_.setSuppressEvents(true);
    try {
        tool();
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
    }
    try {
        reselectOrder();
        applyFilter();
        const std::string selection = table_.selection();
        if (!table_.go(recno) || table_.deleted() || (!selection.empty() && !table_.test(selection)))
            table_.goTop();
    } catch (const store::Error& e) {
        ShowError(QString::fromStdString(e.what()));
    }
    ds_.setSuppressEvents(false);
    ds_.tableChanged();
    refreshButtons();
}

void TAddressMain::setCommandEnabled(const QString& name, bool on)
{
    if (QAction* a = command(name))
        a->setEnabled(on && hasHandler(commandOf(name)));
}

void TAddressMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    addCommand(fileMenu_, QStringLiteral("mnuNew"), QStringLiteral("&New Address Database"));
    addCommand(fileMenu_, QStringLiteral("mnuOpen"), QStringLiteral("&Open Address DataBase"));
    addCommand(fileMenu_, QStringLiteral("mnuBrowse"), QStringLiteral("&Browse"), QKeySequence(Qt::CTRL | Qt::Key_B));
    addCommand(fileMenu_, QStringLiteral("mnuSearch"), QStringLiteral("&Search"), QKeySequence(Qt::CTRL | Qt::Key_S));
    QMenu* imports = fileMenu_->addMenu(QStringLiteral("&Import"));
    addCommand(imports, QStringLiteral("mnuImportASCII"), QStringLiteral("Import from &ASCII File"));
    addCommand(imports, QStringLiteral("mnuImportDBF"), QStringLiteral("Import from &DBF File"));
    addCommand(imports, QStringLiteral("mnuImportOlder1"), QStringLiteral("Import from Addrova 1.x DBF"));
    addCommand(imports, QStringLiteral("mnuImportOlder2"), QStringLiteral("Import from Addrova 2.x DBF"));
    addCommand(fileMenu_, QStringLiteral("mnuExport"), QStringLiteral("&Export "));
    addCommand(fileMenu_, QStringLiteral("mnuSetFilter"), QStringLiteral("Set &Filter"),
               QKeySequence(Qt::CTRL | Qt::Key_F));
    addCommand(fileMenu_, QStringLiteral("mnuClearFilter"), QStringLiteral("&Clear Filter"));
    addCommand(fileMenu_, QStringLiteral("mnuSaveFilter"), QStringLiteral("&Save Filter"));
    addCommand(fileMenu_, QStringLiteral("mnuRestoreFilter"), QStringLiteral("&Restore Filter"));
    addCommand(fileMenu_, QStringLiteral("mnuClearTags"), QStringLiteral("Clear &Tags"));
    addCommand(fileMenu_, QStringLiteral("mnuTagAll"), QStringLiteral("&Tag All Filter Matches"));
    addCommand(fileMenu_, QStringLiteral("mnuRebuildIndexes"), QStringLiteral("&Rebuild Indexes for this file"));
    addCommand(fileMenu_, QStringLiteral("mnuRebuildSystemIndexes"), QStringLiteral("Rebuild S&ystem File indexes"));
    addCommand(fileMenu_, QStringLiteral("mnuPreferences"), QStringLiteral("Pre&ferences"));
    addCommand(fileMenu_, QStringLiteral("mnuExit"), QStringLiteral("E&xit "));
    mruSeparator_ = fileMenu_->addSeparator();

    editMenu_ = bar->addMenu(QStringLiteral("Ed&it"));
    addCommand(editMenu_, QStringLiteral("mnuUndo"), QStringLiteral("&Undo typing"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    addCommand(editMenu_, QStringLiteral("mnuCut"), QStringLiteral("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X));
    addCommand(editMenu_, QStringLiteral("mnuCopy"), QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    addCommand(editMenu_, QStringLiteral("mnuPaste"), QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* a : editMenu_->actions())
        a->setShortcutContext(Qt::WidgetShortcut);  // the edit boxes handle these keys themselves

    recordMenu_ = bar->addMenu(QStringLiteral("&Record"));
    addCommand(recordMenu_, QStringLiteral("mnuFirst"), QStringLiteral("&First"), QKeySequence(Qt::CTRL | Qt::Key_Up));
    addCommand(recordMenu_, QStringLiteral("mnuPrevious"), QStringLiteral("&Previous"),
               QKeySequence(Qt::CTRL | Qt::Key_Left));
    addCommand(recordMenu_, QStringLiteral("mnuNext"), QStringLiteral("&Next"), QKeySequence(Qt::CTRL | Qt::Key_Right));
    addCommand(recordMenu_, QStringLiteral("mnuLast"), QStringLiteral("&Last"), QKeySequence(Qt::CTRL | Qt::Key_Down));
    addCommand(recordMenu_, QStringLiteral("mnuAdd"), QStringLiteral("&Add"));
    addCommand(recordMenu_, QStringLiteral("mnuEdit"), QStringLiteral("&Edit"));
    addCommand(recordMenu_, QStringLiteral("mnuDelete"), QStringLiteral("&Delete"));
    addCommand(recordMenu_, QStringLiteral("mnuCopyToClipboard"), QStringLiteral("Copy To &Clipboard"));
    addCommand(recordMenu_, QStringLiteral("mnuClone"), QStringLiteral("Create a Duplicate &Record (Clone)"));

    sortMenu_ = bar->addMenu(QStringLiteral("&Sort"));
    for (const auto& o : sortOrders()) {
        const QString name = QStringLiteral("mnuSort") + QString::fromLatin1(o.tag);
        QAction* a = addCommand(sortMenu_, name, QString::fromLatin1(o.caption));
        a->setCheckable(true);
        sortActions_.push_back(a);
        const QString order = orderName(o);
        handle(name, [this, order] { setOrderByName(order); });
    }

    utilMenu_ = bar->addMenu(QStringLiteral("&Utilities"));
    addCommand(utilMenu_, QStringLiteral("mnuCountZip"), QStringLiteral("Count &Zip Codes"));
    addCommand(utilMenu_, QStringLiteral("mnuCheckStateZip"), QStringLiteral("Check && Repair &State and Zip Codes"));
    addCommand(utilMenu_, QStringLiteral("mnuCheckDuplicates"), QStringLiteral("Check && Repair &Duplicates"));
    addCommand(utilMenu_, QStringLiteral("mnuConvertCase"), QStringLiteral("Con&vert Case"));
    addCommand(utilMenu_, QStringLiteral("mnuDeleteRecords"), QStringLiteral("Delete &Records"));
    addCommand(utilMenu_, QStringLiteral("mnuSearchReplace"), QStringLiteral("&Search && Replace Field Values"));

    printMenu_ = bar->addMenu(QStringLiteral("&Print"));
    addCommand(printMenu_, QStringLiteral("mnuPrintLabels"), QStringLiteral("Print &Labels"),
               QKeySequence(Qt::CTRL | Qt::Key_L));
    addCommand(printMenu_, QStringLiteral("mnuPrintLetters"), QStringLiteral("Print Le&tters"),
               QKeySequence(Qt::CTRL | Qt::Key_T));
    addCommand(printMenu_, QStringLiteral("mnuPrintEnvelopes"), QStringLiteral("Print &Envelopes"),
               QKeySequence(Qt::CTRL | Qt::Key_E));
    addCommand(printMenu_, QStringLiteral("mnuPrintReports"), QStringLiteral("Print &Reports"),
               QKeySequence(Qt::CTRL | Qt::Key_R));
    addCommand(printMenu_, QStringLiteral("mnuPrintCurrent"), QStringLiteral("Print C&urrent Record"),
               QKeySequence(Qt::CTRL | Qt::Key_P));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    addCommand(help, QStringLiteral("mnuHelpContents"), QStringLiteral("&Contents"));
    addCommand(help, QStringLiteral("mnuGettingStarted"), QStringLiteral("&Getting Started"));
    addCommand(help, QStringLiteral("mnuAbout"), QStringLiteral("&About..."));
    addCommand(help, QStringLiteral("mnuHelpSearch"), QStringLiteral("Search for Help On"));
    addCommand(help, QStringLiteral("mnuHelpOnHelp"), QStringLiteral("How to Use Help"));

    // The handlers of this window; the other windows' commands get theirs from their libraries.
    handle(QStringLiteral("mnuNew"), [this] { mnuNewClick(); });
    handle(QStringLiteral("mnuOpen"), [this] { mnuOpenClick(); });
    handle(QStringLiteral("mnuClearFilter"), [this] { clearFilter(); });
    handle(QStringLiteral("mnuSetFilter"), [this] {
        if (ds_.editing()) {
            QApplication::beep();
            return;
        }
        filters::ShowFilterDialog(this, table_, filter_, tagId());
        applyFilter();
        ds_.first();
        refreshButtons();
    });
    handle(QStringLiteral("mnuSaveFilter"),
           [this] { filters::SaveFilterAs(this, filter_, QString::fromStdString(app::ProgramDir())); });
    handle(QStringLiteral("mnuRestoreFilter"), [this] {
        if (filters::RestoreFilter(this, table_, filter_, tagId(), QString::fromStdString(app::ProgramDir())))
            ds_.first();
        refreshButtons();
    });
    handle(QStringLiteral("mnuClearTags"), [this] {
        ds_.setTagId(filters::ClearTags(table_, filter_));
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuTagAll"), [this] {
        ds_.setSuppressEvents(true);
        filters::TagAllFilterMatches(this, table_, tagId());
        ds_.setSuppressEvents(false);
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuSearch"), [this] {
        if (ds_.editing())
            return;
        QStringList names;
        for (const auto& o : sortOrders())
            names << orderName(o);
        const QString before = currentOrder_;
        filters::ShowSearchDialog(this, table_, names, orderNameOfTag(currentOrder_),
                                  [this](const QString& name) { setOrderByName(name); });
        if (currentOrder_.compare(before, Qt::CaseInsensitive) != 0)
            statusBar()->showMessage(searchOrderNotice(orderNameOfTag(currentOrder_)), kNoticeMs);
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuBrowse"), [this] {
        if (ds_.editing())
            return;
        filters::ShowBrowse(this, table_, filter_, tagId(), ds_.printingFields(), [this] {
            ds_.refresh();
            refreshButtons();
        });
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuSearchMemo"), [this] {
        filters::SearchMemo(this, table_, memoSearch_);
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuFindNext"), [this] {
        filters::FindNextMemo(this, table_, memoSearch_);
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuPreferences"), [this] { mnuPreferencesClick(); });
    handle(QStringLiteral("mnuRebuildIndexes"), [this] {
        if (!table_.isOpen()) {
            ShowInfo(QStringLiteral("You need to have a database file open first"));
            return;
        }
        tools::TRebuildIndexes w(table_, this);
        CenterOverMain(&w);
        const bool rebuilt = w.exec() == QDialog::Accepted;
        if (rebuilt) {
            reselectOrder();
            applyFilter();
            table_.goTop();
        }
        ds_.tableChanged();
        refreshButtons();
    });
    handle(QStringLiteral("mnuCheckDuplicates"), [this] {
        runTool([this] {
            tools::ShowCheckDuplicates(table_, tagId(), [this] {
                filters::TTaggingForm form(this);
                form.start();
                const auto r = filters::tagAllRecords(table_, tagId(), [&](uint32_t d) { return form.keepGoing(d); });
                form.finish(r.cancelled, r.done);
            }, this);
        });
    });
    handle(QStringLiteral("mnuConvertCase"), [this] { runTool([this] { tools::ShowConvertCase(table_, filterSet(), this); }); });
    handle(QStringLiteral("mnuSearchReplace"),
           [this] { runTool([this] { tools::ShowSearchReplace(table_, filter_.expression, this); }); });
    handle(QStringLiteral("mnuDeleteRecords"),
           [this] { runTool([this] { tools::ShowDeleteRecords(table_, filter_.expression, this); }); });
    labels::RegisterTheLabelDesigner();
    handle(QStringLiteral("mnuPrintLabels"),
           [this] { labels::ShowPrintLabels(table_, filterSet(), tagId(), this); });
    handle(QStringLiteral("mnuPrintEnvelopes"),
           [this] { envelopes::ShowPrintEnvelopes(table_, filterSet(), tagId(), this); });
    handle(QStringLiteral("mnuPrintReports"), [this] { reports::ShowPrintReports(table_, filterSet(), tagId(), this); });
    handle(QStringLiteral("mnuPrintCurrent"), [this] { reports::ShowPrintCurrentRecord(table_, this); });
    handle(QStringLiteral("mnuPrintLetters"), [this] { letters::ShowPrintLetters(table_, filterSet(), this); });
    handle(QStringLiteral("mnuCountZip"), [this] { postal::ShowCountZipCodes(table_, this); });
    handle(QStringLiteral("mnuCheckStateZip"), [this] {
        postal::ShowStateZipCheck(table_, tagId(), this);
        ds_.tableChanged();
        refreshButtons();
    });
    handle(QStringLiteral("mnuRebuildSystemIndexes"), [this] {
        tools::TRebuildSystemIndexes w(this);
        CenterOverMain(&w);
        w.exec();
    });
    // The text and DBF imports work on the file opened exclusively in a table of their own: the main
    // table is closed around them and the file opened again afterwards.
    auto importHandOver = [this](const std::function<void(store::Table&)>& show) {
        if (!table_.isOpen()) {
            ShowInfo(QStringLiteral("You need to have a database file open first"));
            return;
        }
        const QString path = openPath_;
        closeFile();
        {
            store::Table dest;
            const std::string problem = store::openAddressFile(path.toStdString(), dest);
            if (problem.empty())
                show(dest);
            else
                ShowError(QString::fromStdString(problem));
        }
        openFile(path);
    };
    handle(QStringLiteral("mnuImportASCII"), [this, importHandOver] {
        importHandOver([this](store::Table& dest) {
            exchange::TAsciiImport w(dest, this);
            CenterOverMain(&w);
            w.exec();
        });
    });
    handle(QStringLiteral("mnuImportDBF"), [this, importHandOver] {
        importHandOver([this](store::Table& dest) {
            exchange::TDBFImport w(dest, app::ShortDateFormat(), this);
            CenterOverMain(&w);
            w.exec();
        });
    });
    // The older-version imports fill the main table itself, its selection cleared meanwhile.
    auto importOlder = [this](exchange::Generation g) {
        if (!table_.isOpen())
            return;
        ds_.setSuppressEvents(true);
        try {
            table_.setSelection("");
            exchange::TImportOlder w(table_, openPath_.toStdString(), g, app::ShortDateFormat(), this);
            CenterOverMain(&w);
            w.exec();
        } catch (const store::Error& e) {
            ShowError(QString::fromStdString(e.what()));
        }
        ds_.setSuppressEvents(false);
        reselectOrder();
        applyFilter();
        table_.goTop();
        ds_.tableChanged();
        refreshButtons();
    };
    handle(QStringLiteral("mnuImportOlder1"), [importOlder] { importOlder(exchange::Generation::First); });
    handle(QStringLiteral("mnuImportOlder2"), [importOlder] { importOlder(exchange::Generation::Second); });
    handle(QStringLiteral("mnuExport"), [this] {
        if (!table_.isOpen() || ds_.editing())
            return;
        if (selectedCount() == 0) {
            ShowInfo(QStringLiteral("No active records for current filter. Nothing to copy"));
            return;
        }
        const uint32_t recno = table_.recNo();
        const QString cwd = QDir::currentPath();
        ds_.setSuppressEvents(true);
        {
            exchange::TCopyOut w(table_, openPath_.toStdString(), this);
            CenterOverMain(&w);
            w.exec();
        }
        try {
            table_.go(recno);
            reselectOrder();
        } catch (const store::Error& e) {
            ShowError(QString::fromStdString(e.what()));
        }
        QDir::setCurrent(cwd);
        ds_.setSuppressEvents(false);
        ds_.refresh();
        refreshButtons();
    });
    handle(QStringLiteral("mnuExit"), [this] { close(); });
    auto onFocused = [](auto le, auto pe) {
        QWidget* w = QApplication::focusWidget();
        if (auto* e = qobject_cast<QLineEdit*>(w))
            le(e);
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            pe(p);
    };
    handle(QStringLiteral("mnuUndo"), [onFocused] {
        onFocused([](QLineEdit* e) { e->undo(); }, [](QPlainTextEdit* p) { p->undo(); });
    });
    handle(QStringLiteral("mnuCut"), [onFocused] {
        onFocused([](QLineEdit* e) { e->cut(); }, [](QPlainTextEdit* p) { p->cut(); });
    });
    handle(QStringLiteral("mnuCopy"), [onFocused] {
        onFocused([](QLineEdit* e) { e->copy(); }, [](QPlainTextEdit* p) { p->copy(); });
    });
    handle(QStringLiteral("mnuPaste"), [onFocused] {
        onFocused([](QLineEdit* e) { e->paste(); }, [](QPlainTextEdit* p) { p->paste(); });
    });
    handle(QStringLiteral("mnuFirst"), [this] { firstRecord(); });
    handle(QStringLiteral("mnuPrevious"), [this] { priorRecord(); });
    handle(QStringLiteral("mnuNext"), [this] { nextRecord(); });
    handle(QStringLiteral("mnuLast"), [this] { lastRecord(); });
    handle(QStringLiteral("mnuAdd"), [this] { addRecord(); });
    handle(QStringLiteral("mnuEdit"), [this] { editRecord(); });
    handle(QStringLiteral("mnuDelete"), [this] { deleteRecord(); });
    handle(QStringLiteral("mnuCopyToClipboard"), [this] { copyToClipboard(); });
    handle(QStringLiteral("mnuClone"), [this] { cloneRecord(); });
    if (HaveHelp()) {
        handle(QStringLiteral("mnuHelpContents"), [] { OpenHelpContents(); });
        handle(QStringLiteral("mnuGettingStarted"), [this] { OpenGettingStarted(this); });
        handle(QStringLiteral("mnuAbout"), [this] { OpenAbout(this); });
        handle(QStringLiteral("mnuHelpSearch"), [] { OpenHelpSearch(); });
        handle(QStringLiteral("mnuHelpOnHelp"), [] { OpenHelpOnHelp(); });
        auto* f1 = new QAction(this);
        f1->setShortcut(QKeySequence::HelpContents);
        connect(f1, &QAction::triggered, this, [] { OpenHelp(1029); });
        addAction(f1);
    }
}

void TAddressMain::buildBars()
{
    toolBar_ = addToolBar(QStringLiteral("Tools"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setMovable(false);
    const std::pair<const char*, const char*> tools[] = {
        {"btnLabels", "Labels"},   {"btnLetters", "Letters"}, {"btnEnvelopes", "Envelopes"}, {"btnReports", "Reports"},
        {"btnBrowse", "Browse"},   {"btnSearch", "Search"},   {"btnFilter", "Filter"},       {"btnClearFilter", "Clear Filter"},
    };
    for (const auto& [name, caption] : tools)
        toolBar_->addAction(addCommand(nullptr, QString::fromLatin1(name), QString::fromLatin1(caption)));

    countPanel_ = new QLabel;
    countPanel_->setObjectName(QStringLiteral("CountPanel"));
    sortPanel_ = new QLabel;
    sortPanel_->setObjectName(QStringLiteral("SortPanel"));
    statusBar()->addWidget(countPanel_, 1);
    statusBar()->addWidget(sortPanel_, 1);
}

void TAddressMain::buildRecordPanel()
{
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);
    centre_ = new QStackedWidget;
    emptyLabel_ = new QLabel(kEmptyText);
    emptyLabel_->setObjectName(QStringLiteral("EmptyPanel"));
    emptyLabel_->setAlignment(Qt::AlignCenter);
    auto* record = new QWidget;
    record->setObjectName(QStringLiteral("RecordPanel"));
    auto* rv = new QVBoxLayout(record);
    rv->setContentsMargins(0, 0, 0, 0);

    auto makeEdit = [this](const char* field) {
        auto* e = new QLineEdit;
        e->setObjectName(QStringLiteral("edt") + QString::fromLatin1(field));
        e->installEventFilter(this);
        connect(e, &QLineEdit::textEdited, this, [this, field](const QString& t) { fieldEdited(field, t); });
        edits_[field] = e;
        return e;
    };

    auto* strip = new QGridLayout;
    int col = 0;
    for (const auto& r : kNameStrip) {
        auto* l = new QLabel(QString::fromLatin1(r.label));
        QLineEdit* e = makeEdit(r.field);
        l->setBuddy(e);
        strip->addWidget(l, 0, col);
        strip->addWidget(e, 1, col);
        strip->setColumnStretch(col, std::string_view(r.field) == "MIDDLE" ? 0 : 3);
        if (std::string_view(r.field) == "MIDDLE")
            e->setFixedWidth(30);
        ++col;
    }
    rv->addLayout(strip);

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("Pages"));
    auto* info = new QWidget;
    auto* grid = new QGridLayout(info);
    int i = 0;
    for (const auto& r : kAddressPage) {
        auto* l = new QLabel(QString::fromLatin1(r.label));
        QLineEdit* e = makeEdit(r.field);
        l->setBuddy(e);
        const int row = i < 7 ? i : i - 7, c = i < 7 ? 0 : 2;
        grid->addWidget(l, row, c);
        grid->addWidget(e, row, c + 1);
        ++i;
    }
    auto* dateLabel = new QLabel(QStringLiteral("Date"));
    displayDate_ = new QLineEdit;
    displayDate_->setObjectName(QStringLiteral("edtDisplayDate"));
    // A date typed in the short date format; the Date button picks one.
    connect(displayDate_, &QLineEdit::textEdited, this, [this] {
        if (!filling_ && ds_.hasRecord() && !ds_.editing())
            beginEditing();
    });
    connect(displayDate_, &QLineEdit::editingFinished, this, [this] { takeTypedDate(); });
    auto* dateButton = new QPushButton(QStringLiteral("Date"));
    dateButton->setObjectName(QStringLiteral("btnDate"));
    buttons_[QStringLiteral("btnDate")] = dateButton;
    connect(dateButton, &QPushButton::clicked, this, &TAddressMain::pickDate);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(displayDate_);
    dateRow->addWidget(dateButton);
    grid->addWidget(dateLabel, 6, 2);
    grid->addLayout(dateRow, 6, 3);
    tagged_ = new QCheckBox(QStringLiteral("Tagged"));
    tagged_->setObjectName(QStringLiteral("chkTagged"));
    tagged_->installEventFilter(this);
    auto* dial1 = new QPushButton(QStringLiteral("Dial Phone &1"));
    auto* dial2 = new QPushButton(QStringLiteral("Dial Phone &2"));
    buttons_[QStringLiteral("btnDial1")] = dial1;
    buttons_[QStringLiteral("btnDial2")] = dial2;
    connect(dial1, &QPushButton::clicked, this, [this] { OpenDialerFor(this, ds_.text("PHONE")); });
    connect(dial2, &QPushButton::clicked, this, [this] { OpenDialerFor(this, ds_.text("PHONE2")); });
    auto* extras = new QHBoxLayout;
    extras->addWidget(tagged_);
    extras->addStretch();
    extras->addWidget(dial1);
    extras->addWidget(dial2);
    grid->addLayout(extras, 7, 0, 1, 4);
    grid->setRowStretch(8, 1);
    pages_->addTab(info, QStringLiteral("Address &Information"));

    auto* memoPage = new QWidget;
    auto* mv = new QVBoxLayout(memoPage);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("MemoBox"));
    memo_->installEventFilter(this);
    memo_->viewport()->installEventFilter(this);
    connect(memo_, &QPlainTextEdit::textChanged, this, &TAddressMain::memoEdited);
    auto* searchMemo = new QPushButton(QStringLiteral("Search &Memo"));
    auto* findNext = new QPushButton(QStringLiteral("Find &Next"));
    buttons_[QStringLiteral("btnSearchMemo")] = searchMemo;
    buttons_[QStringLiteral("btnFindNext")] = findNext;
    connect(searchMemo, &QPushButton::clicked, this, [this] { run(QStringLiteral("mnuSearchMemo")); });
    connect(findNext, &QPushButton::clicked, this, [this] { run(QStringLiteral("mnuFindNext")); });
    auto* mb = new QHBoxLayout;
    mb->addWidget(searchMemo);
    mb->addWidget(findNext);
    mb->addStretch();
    mv->addWidget(memo_);
    mv->addLayout(mb);
    pages_->addTab(memoPage, QStringLiteral("&Memo"));
    rv->addWidget(pages_);

    centre_->addWidget(emptyLabel_);
    centre_->addWidget(record);
    outer->addWidget(centre_, 1);

    // The bottom bar.
    auto* bottom = new QHBoxLayout;
    const std::pair<const char*, const char*> nav[] = {
        {"btnFirst", "|<"}, {"btnPrevious", "<"}, {"btnNext", ">"}, {"btnLast", ">|"}};
    const char* navCmd[] = {"mnuFirst", "mnuPrevious", "mnuNext", "mnuLast"};
    for (int n = 0; n < 4; ++n) {
        auto* b = new QPushButton(QString::fromLatin1(nav[n].second));
        b->setObjectName(QString::fromLatin1(nav[n].first));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedWidth(36);
        const QString cmd = QString::fromLatin1(navCmd[n]);
        connect(b, &QPushButton::clicked, this, [this, cmd] { run(cmd); });
        buttons_[b->objectName()] = b;
        bottom->addWidget(b);
    }
    bottom->addStretch();
    const std::tuple<const char*, const char*, const char*> acts[] = {
        {"btnAdd", "&Add", "mnuAdd"},       {"btnEdit", "&Edit", "mnuEdit"}, {"btnDelete", "&Delete", "mnuDelete"},
        {"btnSave", "&Save", ""},           {"btnCancel", "&Cancel", ""},   {"btnExit", "E&xit", "mnuExit"}};
    for (const auto& [name, caption, cmd] : acts) {
        auto* b = new QPushButton(QString::fromLatin1(caption));
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::NoFocus);
        buttons_[b->objectName()] = b;
        bottom->addWidget(b);
        const QString c = QString::fromLatin1(cmd);
        if (!c.isEmpty())
            connect(b, &QPushButton::clicked, this, [this, c] { run(c); });
    }
    connect(button(QStringLiteral("btnSave")), &QPushButton::clicked, this, [this] { saveRecord(); });
    connect(button(QStringLiteral("btnCancel")), &QPushButton::clicked, this, [this] { cancelRecord(); });
    outer->addLayout(bottom);
    setCentralWidget(central);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TAddressMain::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (firstShown_)
        return;
    firstShown_ = true;
    FormShowFirst();
}

void TAddressMain::FormShowFirst()
{
    app::PrepareProgramDir();
    RestorePlacement(this, QString::fromLatin1(kClass));
    emptyState(true);
    setWindowTitle(QStringLiteral("Addrova"));
    QCoreApplication::processEvents();

    filter_.clear();
    loadPreferences();
    table_.setDeleted(true);

    const QStringList mru = recentlyUsed();
    if (!mru.isEmpty()) {
        openFile(mru.first());
    } else {
        try {
            openFile(QString::fromStdString(app::FirstAddressFile()));
        } catch (const std::runtime_error& err) {
            ShowError(QString::fromStdString(err.what()));
        }
    }
    if (table_.isOpen())
        applyFilter();
    rebuildRecentlyUsedMenu();
    refreshButtons();

    CheckPrinter();
    if (GettingStartedAtStart()) {
        gettingStartedQueued_ = true;
        QTimer::singleShot(0, this, [this] { OpenGettingStarted(this); });
    }
    emptyState(!table_.isOpen());
    startedUp_ = true;
}

void TAddressMain::closeEvent(QCloseEvent* e)
{
    closeFile();
    SavePlacement(this, QString::fromLatin1(kClass));
    e->accept();
}

void TAddressMain::closeFile()
{
    if (!table_.isOpen())
        return;
    try {
        if (ds_.editing())
            ds_.cancel();
        table_.close();
    } catch (const store::Error& err) {
        ShowError(QString::fromStdString(err.what()));
    }
    adding_ = false;
    ds_.tableChanged();
    refreshButtons();
}

void TAddressMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (windowState() != Qt::WindowNoState || !isVisible())
        return;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect scr = s->geometry();
    QRect g = frameGeometry();
    QPoint to = g.topLeft();
    if (g.right() + 1 > scr.width() && g.left() > 0)
        to.setX(0);
    if (g.bottom() + 1 > scr.height() && g.top() > 0)
        to.setY(0);
    if (to != g.topLeft())
        move(to);
}

void TAddressMain::changeEvent(QEvent* e) { QMainWindow::changeEvent(e); }

// ---------------------------------------------------------------------------------------------
// Files

QStringList TAddressMain::recentlyUsed() const
{
    const app::ProfileFile ini = app::Settings();
    QStringList l;
    for (int i = 1; i <= 4; ++i) {
        const std::string p = ini.readString("MRU", "Item" + std::to_string(i));
        if (!p.empty())
            l << QString::fromStdString(p);
    }
    return l;
}

QStringList TAddressMain::recentlyUsedMenu() const
{
    QStringList l;
    for (QAction* a : mruActions_)
        l << a->text();
    return l;
}

void TAddressMain::rebuildRecentlyUsedMenu()
{
    for (QAction* a : mruActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    mruActions_.clear();
    for (const QString& p : recentlyUsed()) {
        auto* a = new QAction(p, this);
        connect(a, &QAction::triggered, this, [this, p] { openRecentlyUsed(p); });
        fileMenu_->addAction(a);
        mruActions_.push_back(a);
    }
}

bool TAddressMain::openFile(const QString& path)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ds_.setSuppressEvents(true);
    if (table_.isOpen()) {
        try {
            if (ds_.editing())
                ds_.cancel();
            table_.setSelection("");
        } catch (const store::Error&) {
        }
    }
    adding_ = false;
    const std::string p = path.toStdString();
    std::string problem = store::openAddressFile(p, table_);
    QGuiApplication::restoreOverrideCursor();
    if (!problem.empty()) {
        ShowError(QString::fromStdString(problem));
    } else if (!store::checkTags(table_)) {
        if (AskYesNo(QString::fromStdString(store::rebuildQuestion(p)), QStringLiteral("Warning"))) {
            tools::TRebuildIndexes w(table_, this);
            CenterOverMain(&w);
            w.exec();
        }
        if (!store::checkTags(table_))
            table_.close();
    }
    const bool ok = table_.isOpen();
    if (ok) {
        table_.setDeleted(true);
        emptyState(false);
        setOrderByName(QStringLiteral("Last Name"));
        applyFilter();
        table_.goTop();
        openPath_ = path;
        try {
            app::ProfileFile ini = app::Settings();
            const QStringList list = pushRecentlyUsed(recentlyUsed(), path);
            for (int i = 0; i < 4; ++i) {
                const std::string key = "Item" + std::to_string(i + 1);
                if (i < list.size())
                    ini.writeString("MRU", key, list[i].toStdString());
                else
                    ini.removeKey("MRU", key);
            }
        } catch (const std::runtime_error&) {
            // Without a writable settings file the list is not kept.
        }
    } else {
        emptyState(true);
        currentOrder_.clear();
        openPath_.clear();
    }
    setWindowTitle(QStringLiteral("Addrova - ") + path);
    memoSearch_.found = false;
    ds_.setSuppressEvents(false);
    ds_.tableChanged();
    rebuildRecentlyUsedMenu();
    refreshButtons();
    return ok;
}

bool TAddressMain::openRecentlyUsed(const QString& path)
{
    const QString before = openPath_;
    if (openFile(path))
        return true;
    if (!before.isEmpty())
        openFile(before);
    return false;
}

bool TAddressMain::createFile(const QString& name)
{
    const QString path = QString::fromStdString(app::DataDir()) + name + QStringLiteral(".DBF");
    if (QFileInfo::exists(path)) {
        ShowInfo(QStringLiteral("That file already exists.Please select another name"));
        return false;
    }
    const std::string problem = store::createAddressFile(path.toStdString(), app::NewFileWidths());
    if (!problem.empty()) {
        ShowError(QString::fromStdString(problem));
        return false;
    }
    closeFile();
    return openFile(path);
}

void TAddressMain::mnuNewClick()
{
    TCreateNewDatabase dlg(QString::fromStdString(app::DataDir()), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QString path = QString::fromStdString(app::DataDir()) + dlg.name() + QStringLiteral(".DBF");
    const std::string problem = store::createAddressFile(path.toStdString(), dlg.widths());
    if (!problem.empty()) {
        ShowError(QString::fromStdString(problem));
        return;
    }
    closeFile();
    openFile(path);
}

void TAddressMain::mnuOpenClick()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open Address DataBase"),
                                                      QString::fromStdString(app::DataDir()),
                                                      QStringLiteral("DBF Files (*.dbf *.DBF)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().toUpper() != QLatin1String("DBF")) {
        ShowInfo(QStringLiteral("Must be a DBF file"));
        return;
    }
    openFile(path);
}

void TAddressMain::mnuPreferencesClick()
{
    prefs::EditPreferences(this);
    loadPreferences();
}

void TAddressMain::loadPreferences()
{
    try {
        const prefs::LoadedPreferences lp = prefs::LoadPreferencesAndTagId();
        prefs_ = lp.adding;
        ds_.setTagId(lp.tagId);
    } catch (const std::runtime_error&) {
        prefs_ = prefs::LoadPreferences();
    }
}

void TAddressMain::setTitle() { setWindowTitle(QStringLiteral("Addrova - ") + openPath_); }

void TAddressMain::emptyState(bool on)
{
    centre_->setCurrentWidget(on ? static_cast<QWidget*>(emptyLabel_) : centre_->widget(1));
}

bool TAddressMain::emptyStateShown() const { return centre_->currentWidget() == emptyLabel_; }
QString TAddressMain::emptyStateText() const { return emptyLabel_->text(); }

// ---------------------------------------------------------------------------------------------
// Filter and order

unsigned TAddressMain::applyFilter()
{
    if (!table_.isOpen())
        return 0;
    try {
        return filters::ApplyFilter(table_, filter_, tagId());
    } catch (const store::Error& err) {
        ShowError(QString::fromStdString(err.what()));
        return 0;
    }
}

void TAddressMain::clearFilter()
{
    if (table_.isOpen())
        filters::ClearFilter(table_, filter_, tagId());
    else
        filter_.clear();
    ds_.refresh();
    refreshButtons();
}

unsigned TAddressMain::selectedCount()
{
    if (!table_.isOpen())
        return 0;
    // Counting would post an edit, so while editing the count waits.
    if (ds_.editing())
        return countPanel_->property("count").toUInt();
    const uint32_t here = table_.recNo();
    const unsigned n = table_.countSelected();
    if (!table_.eof() && table_.recNo() != here)
        table_.go(here);
    countPanel_->setProperty("count", n);
    return n;
}

void TAddressMain::setOrderByName(const QString& name)
{
    const QString tag = tagOfOrderName(name);
    if (!tag.isEmpty()) {
        currentOrder_ = tag;
        if (table_.isOpen()) {
            try {
                table_.setOrder(tag.toStdString());
            } catch (const store::Error&) {
            }
        }
    }
    sortPanel_->setText(QStringLiteral("Sorted by ") + name);
    for (QAction* a : sortActions_)
        a->setChecked(a->text().mid(1).toUpper() == name.toUpper());
}

void TAddressMain::reselectOrder()
{
    if (!table_.isOpen() || currentOrder_.isEmpty())
        return;
    try {
        table_.setOrder(currentOrder_.toStdString());
    } catch (const store::Error&) {
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons

QString TAddressMain::countPanelText() const { return countPanel_->text(); }
bool TAddressMain::countPanelVisible() const { return !countPanel_->isHidden(); }
QString TAddressMain::sortPanelText() const { return sortPanel_->text(); }

void TAddressMain::refreshButtons()
{
    const bool open = table_.isOpen();
    const bool editing = ds_.editing();
    const bool has = open && ds_.hasRecord();
    const bool filter = filterSet();
    const bool browse = has && !editing;

    editMenu_->setEnabled(open);
    for (const char* n : {"mnuUndo", "mnuCut", "mnuCopy", "mnuPaste"})
        setCommandEnabled(QString::fromLatin1(n), open);
    for (const char* n : {"mnuRebuildIndexes", "mnuImportASCII", "mnuImportDBF", "mnuImportOlder1", "mnuImportOlder2",
                          "mnuClearTags", "mnuRestoreFilter"})
        setCommandEnabled(QString::fromLatin1(n), open && !editing);
    setCommandEnabled(QStringLiteral("mnuAdd"), open && !editing);
    for (const char* n : {"mnuEdit", "mnuDelete", "mnuBrowse", "mnuSearch", "btnBrowse", "btnSearch", "mnuFirst",
                          "mnuPrevious", "mnuNext", "mnuLast", "mnuClone", "mnuExport", "mnuCopyToClipboard",
                          "mnuPrintLabels", "mnuPrintLetters", "mnuPrintEnvelopes", "mnuPrintReports",
                          "mnuPrintCurrent", "btnLabels", "btnLetters", "btnEnvelopes", "btnReports", "mnuCountZip",
                          "mnuCheckStateZip", "mnuCheckDuplicates", "mnuConvertCase", "mnuDeleteRecords",
                          "mnuSearchReplace"})
        setCommandEnabled(QString::fromLatin1(n), browse);
    for (QAction* a : sortActions_)
        a->setEnabled(browse);
    sortMenu_->setEnabled(browse);
    printMenu_->setEnabled(browse);
    utilMenu_->setEnabled(browse);
    recordMenu_->setEnabled(open && !editing);

    if (QAction* clear = command(QStringLiteral("btnClearFilter")))
        clear->setVisible(filter);
    setCommandEnabled(QStringLiteral("btnClearFilter"), filter && !editing);
    for (const char* n : {"mnuSaveFilter", "mnuClearFilter", "mnuTagAll"})
        setCommandEnabled(QString::fromLatin1(n), filter && !editing);
    setCommandEnabled(QStringLiteral("btnFilter"), filter || browse);
    setCommandEnabled(QStringLiteral("mnuSetFilter"), filter || browse);

    for (const char* n : {"mnuNew", "mnuOpen", "mnuPreferences", "mnuRebuildSystemIndexes", "mnuExit",
                          "mnuHelpContents", "mnuGettingStarted", "mnuAbout", "mnuHelpSearch", "mnuHelpOnHelp"})
        setCommandEnabled(QString::fromLatin1(n), !editing);
    fileMenu_->setEnabled(!editing);
    for (QAction* a : mruActions_)
        a->setEnabled(!editing);

    // Bottom bar and record panel.
    const char* navButtons[] = {"btnFirst", "btnPrevious", "btnNext", "btnLast"};
    for (const char* n : navButtons)
        button(QString::fromLatin1(n))->setEnabled(browse);
    button(QStringLiteral("btnAdd"))->setEnabled(open && !editing);
    button(QStringLiteral("btnEdit"))->setEnabled(browse);
    button(QStringLiteral("btnDelete"))->setEnabled(browse);
    for (const char* n : {"btnAdd", "btnEdit", "btnDelete", "btnExit"})
        button(QString::fromLatin1(n))->setVisible(!editing);
    for (const char* n : {"btnSave", "btnCancel"}) {
        button(QString::fromLatin1(n))->setVisible(editing);
        button(QString::fromLatin1(n))->setEnabled(editing);
    }
    const bool dial = browse && HaveDialer();
    button(QStringLiteral("btnDial1"))->setVisible(browse);
    button(QStringLiteral("btnDial2"))->setVisible(browse);
    button(QStringLiteral("btnDial1"))->setEnabled(dial);
    button(QStringLiteral("btnDial2"))->setEnabled(dial);
    button(QStringLiteral("btnSearchMemo"))->setVisible(browse);
    button(QStringLiteral("btnSearchMemo"))->setEnabled(hasHandler(QStringLiteral("mnuSearchMemo")));
    button(QStringLiteral("btnFindNext"))->setVisible(memoSearch_.found && !editing);
    button(QStringLiteral("btnFindNext"))->setEnabled(hasHandler(QStringLiteral("mnuFindNext")));
    button(QStringLiteral("btnDate"))->setEnabled(has || editing);
    tagged_->setEnabled(has);
    const bool writable = editing || has;
    for (auto& [f, e] : edits_)
        e->setReadOnly(!writable);
    memo_->setReadOnly(!writable);

    if (editing) {
        QWidget* focus = QApplication::focusWidget();
        bool inField = focus == memo_;
        for (auto& [f, e] : edits_)
            inField = inField || focus == e;
        if (!inField)
            edits_.at("LNAME")->setFocus();
    }

    // Status panels last.
    countPanel_->setVisible(open);
    if (open)
        countPanel_->setText(selectionCountText(selectedCount(), filter));
    sortPanel_->setVisible(open);
}

// ---------------------------------------------------------------------------------------------
// The record panel

QLineEdit* TAddressMain::fieldEdit(const char* field) const
{
    auto it = edits_.find(field);
    return it == edits_.end() ? nullptr : it->second;
}

void TAddressMain::fillRecord()
{
    filling_ = true;
    for (auto& [field, e] : edits_) {
        const int w = ds_.width(field.c_str());
        e->setMaxLength(w > 0 ? w : 32767);
        e->setText(ds_.text(field.c_str()));
    }
    const store::ComposedFields c = ds_.composed();
    displayDate_->setText(QString::fromStdString(c.displayDate));
    tagged_->setChecked(c.tagged);
    if (!ds_.editing()) {
        QString m = ds_.memo();
        m.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        memo_->setPlainText(m);
    }
    filling_ = false;
}

void TAddressMain::beginEditing()
{
    if (ds_.editing() || !ds_.hasRecord())
        return;
    ds_.edit();
    memoSearch_.found = false;
    refreshButtons();
}

void TAddressMain::fieldEdited(const char* field, const QString& text)
{
    if (filling_)
        return;
    if (!ds_.editing()) {
        if (!ds_.hasRecord()) {
            fillRecord();
            return;
        }
        beginEditing();
    }
    ds_.setText(field, text);
}

void TAddressMain::memoEdited()
{
    if (filling_ || ds_.editing())
        return;
    if (ds_.hasRecord())
        beginEditing();
}

void TAddressMain::setTabStops(bool adding)
{
    for (auto& [field, e] : edits_)
        e->setFocusPolicy(adding && prefs::SkipsField(prefs_, field) ? Qt::ClickFocus : Qt::StrongFocus);
    const Qt::FocusPolicy date = adding && prefs::SkipsField(prefs_, "DATE") ? Qt::ClickFocus : Qt::StrongFocus;
    button(QStringLiteral("btnDate"))->setFocusPolicy(date);
}

bool TAddressMain::eventFilter(QObject* watched, QEvent* event)
{
    if (!memo_ || !tagged_)
        return QMainWindow::eventFilter(watched, event);
    QWidget* w = qobject_cast<QWidget*>(watched);
    if (watched == memo_->viewport())
        w = memo_;
    if (w == tagged_) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            return true;
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            toggleTag();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            toggleTag();
            return true;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    auto* line = qobject_cast<QLineEdit*>(w);
    const bool isMemo = w == memo_;
    if (!line && !isMemo)
        return QMainWindow::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonDblClick && !ds_.editing() && ds_.hasRecord()) {
        beginEditing();
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Ctrl+arrows move between records, not the caret, while those commands are available: an
        // edit box has the focus after every move.
        auto* k = static_cast<QKeyEvent*>(event);
        static const std::pair<int, const char*> recordKeys[] = {
            {Qt::Key_Left, "mnuPrevious"}, {Qt::Key_Right, "mnuNext"}, {Qt::Key_Up, "mnuFirst"}, {Qt::Key_Down, "mnuLast"}};
        if (k->modifiers() == Qt::ControlModifier)
            for (const auto& [key, name] : recordKeys) {
                QAction* a = command(QLatin1String(name));
                if (k->key() == key && a && a->isEnabled()) {
                    k->ignore();
                    return true;
                }
            }
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    const bool alt = k->modifiers() & Qt::AltModifier;
    switch (k->key()) {
    case Qt::Key_Insert:
        if (!k->modifiers()) {
            insertMode_ = !insertMode_;
            return true;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl) {
            if (ds_.editing())
                saveRecord();
            return true;
        }
        if (alt) {
            if (ds_.editing() && saveRecord() && AskYesNo(QStringLiteral("Add another record?"), QStringLiteral("Add")))
                addRecord();
            return true;
        }
        if (line) {
            focusNextChild();
            return true;
        }
        break;
    case Qt::Key_Escape:
        if (ds_.editing()) {
            if (AskYesNo(QStringLiteral("Cancel changes?"), QStringLiteral("Cancel")))
                cancelRecord();
            return true;
        }
        break;
    case Qt::Key_PageDown:
        pageDown(ctrl);
        return true;
    case Qt::Key_PageUp:
        pageUp(ctrl);
        return true;
    default:
        if (isTextKey(k) && !insertMode_) {
            // Overwrite: the typed character replaces the one at the caret.
            if (line && !line->hasSelectedText() && line->cursorPosition() < line->text().size())
                line->setSelection(line->cursorPosition(), 1);
            if (isMemo) {
                QTextCursor c = memo_->textCursor();
                if (!c.hasSelection() && !c.atBlockEnd()) {
                    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
                    memo_->setTextCursor(c);
                }
            }
        }
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TAddressMain::keyPressEvent(QKeyEvent* e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (e->key() == Qt::Key_PageDown) {
        pageDown(ctrl);
        return;
    }
    if (e->key() == Qt::Key_PageUp) {
        pageUp(ctrl);
        return;
    }
    if (e->key() == Qt::Key_Escape && ds_.editing()) {
        if (AskYesNo(QStringLiteral("Cancel changes?"), QStringLiteral("Cancel")))
            cancelRecord();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && ctrl && ds_.editing()) {
        saveRecord();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

// ---------------------------------------------------------------------------------------------
// Navigation

void TAddressMain::navigate(bool ok)
{
    if (!ok)
        QApplication::beep();
    refreshButtons();
}

// A record button or menu item: moves only while no record is being edited.
void TAddressMain::step(bool (DataSourceAVX::*move)())
{
    if (ds_.editing() || !table_.isOpen())
        return;
    navigate((ds_.*move)());
}

void TAddressMain::firstRecord() { step(&DataSourceAVX::first); }

void TAddressMain::lastRecord() { step(&DataSourceAVX::last); }

void TAddressMain::nextRecord() { step(&DataSourceAVX::next); }

void TAddressMain::priorRecord() { step(&DataSourceAVX::prior); }

void TAddressMain::pageDown(bool ctrl)
{
    if (ds_.editing()) {
        if (AskYesNo(QStringLiteral("Save changes?"), QStringLiteral("Save")))
            saveRecord();
        return;
    }
    if (!ds_.hasRecord())
        return;
    ctrl ? lastRecord() : nextRecord();
}

void TAddressMain::pageUp(bool ctrl)
{
    if (ds_.editing() || !ds_.hasRecord())
        return;
    ctrl ? firstRecord() : priorRecord();
}

// ---------------------------------------------------------------------------------------------
// Editing

void TAddressMain::editRecord()
{
    beginEditing();
    edits_.at("LNAME")->setFocus();
}

bool TAddressMain::saveRecord()
{
    if (!ds_.editing() || !takeTypedDate())
        return false;
    QString stored = memoForStorage(memo_->toPlainText().split(QLatin1Char('\n')));
    if (memo_->toPlainText().isEmpty())
        stored.clear();
    try {
        QString before = ds_.state() == DataSourceAVX::State::Insert ? QString() : ds_.memo();
        if (stored != before)
            ds_.setMemo(stored);
        ds_.post();
    } catch (const store::Error& err) {
        ShowError(QString::fromStdString(err.what()));
        return false;
    }
    adding_ = false;
    setTabStops(false);
    if (selectedCount() == 0) {
        applyFilter();
        ds_.refresh();
    }
    fillRecord();
    refreshButtons();
    return true;
}

void TAddressMain::cancelRecord()
{
    if (!ds_.editing())
        return;
    ds_.cancel();
    adding_ = false;
    setTabStops(false);
    fillRecord();
    refreshButtons();
}

bool TAddressMain::cityStateLookup(const QString& zip, QString& city, QString& state)
{
    const int order = table_.order();
    const bool exact = table_.exact();
    const uint32_t recno = table_.recNo();
    bool found = false;
    try {
        table_.setOrder(std::string("ZIP"));
        table_.setExact(false);
        if (table_.seek(store::fromUtf8(zip.toUpper().toStdString(), table_.codePage()))) {
            found = true;
            city = ds_.text("CITY");
            state = ds_.text("STATE");
        }
    } catch (const store::Error&) {
    }
    table_.setOrder(order);
    table_.setExact(exact);
    table_.go(recno);
    return found;
}

bool TAddressMain::duplicateCheck(const QString& last, const QString& first)
{
    const int order = table_.order();
    const bool exact = table_.exact();
    const uint32_t recno = table_.recNo();
    const QString key = duplicateKey(last, first, ds_.width("LNAME"), ds_.width("FNAME"));
    bool found = false;
    try {
        table_.setOrder(std::string("LNAME"));
        table_.setExact(true);
        found = table_.seek(store::fromUtf8(key.toStdString(), table_.codePage()));
    } catch (const store::Error&) {
    }
    if (!found) {
        table_.setExact(exact);
        table_.setOrder(order);
        table_.go(recno);
        return false;
    }
    const uint32_t hit = table_.recNo();
    QApplication::beep();
    const bool goOn = AskYesNoDefaultNo(duplicateQuestion(ds_.text("FNAME"), ds_.text("LNAME"), ds_.text("STREET"),
                                                          ds_.text("CITY"), ds_.text("STATE"), ds_.text("ZIP")),
                                        QStringLiteral("Possible Duplicate"));
    table_.setExact(exact);
    table_.setOrder(order);
    table_.go(goOn ? recno : hit);
    ds_.refresh();
    return !goOn;
}

void TAddressMain::addRecord()
{
    if (!table_.isOpen() || ds_.editing())
        return;
    pages_->setCurrentIndex(0);
    CarriedValues carried;
    if (ds_.hasRecord()) {
        carried.org = ds_.text("ORG");
        carried.city = ds_.text("CITY");
        carried.state = ds_.text("STATE");
        carried.zip = ds_.text("ZIP");
        carried.street = ds_.text("STREET");
        carried.street2 = ds_.text("STREET2");
        if (prefs_.CarryCountry)
            carried.country = ds_.text("COUNTRY");
    }
    NewRecordInput in;
    if (prefs_.PlugCityState || prefs_.AutoDupCheck) {
        TNewRecordDialog dlg(prefs_.AutoDupCheck, prefs_.PlugCityState, ds_.width("LNAME"), ds_.width("FNAME"),
                             ds_.width("ZIP"), this);
        if (dlg.exec() != QDialog::Accepted)
            return;
        in = dlg.input();
    }
    if (prefs_.PlugCityState && in.zipEntered)
        in.cityStateFound = cityStateLookup(in.zip, in.city, in.state);
    if (in.namesEntered && !in.last.trimmed().isEmpty() && !in.first.trimmed().isEmpty() &&
        duplicateCheck(in.last, in.first)) {
        refreshButtons();
        return;
    }

    filling_ = true;
    memo_->clear();
    filling_ = false;
    try {
        ds_.append();
    } catch (const store::Error& err) {
        ShowError(QString::fromStdString(err.what()));
        return;
    }
    adding_ = true;
    if (table_.fieldIndex("ISDEL") >= 0)
        table_.setLogical(table_.fieldIndex("ISDEL"), false);
    AddOptions o;
    o.PlugDate = prefs_.PlugDate;
    o.CarryOrg = prefs_.CarryOrg;
    o.CarrySA1 = prefs_.CarrySA1;
    o.CarrySA2 = prefs_.CarrySA2;
    o.CarryCity = prefs_.CarryCity;
    o.CarryState = prefs_.CarryState;
    o.CarryZip = prefs_.CarryZip;
    o.CarryCountry = prefs_.CarryCountry;
    o.DefaultCountry = QString::fromStdString(prefs_.DefaultCountry);
    const QString today = QString::fromStdString(store::dateToday(std::time(nullptr)));
    for (const auto& [field, value] : newRecordValues(o, carried, in, today))
        ds_.setText(field.c_str(), value);
    fillRecord();
    setTabStops(true);
    refreshButtons();
    const std::string focus =
        prefs::AddFocusField(prefs_, ds_.text("LNAME").isEmpty(), ds_.text("FNAME").isEmpty());
    if (QLineEdit* e = fieldEdit(focus.c_str()))
        e->setFocus();
}

void TAddressMain::deleteRecord()
{
    if (!ds_.hasRecord() || ds_.editing())
        return;
    if (!AskYesNo(QStringLiteral("Delete this record?"), QStringLiteral("DELETE")))
        return;
    try {
        table_.setDeleted(false);
        const int isdel = table_.fieldIndex("ISDEL");
        if (isdel >= 0)
            table_.setLogical(isdel, true);
        table_.deleteRecord();
        table_.setDeleted(true);
        const bool ok = table_.skip(-1);
        if (!ok || table_.deleted() || (isdel >= 0 && table_.getLogical(isdel)))
            table_.goTop();
    } catch (const store::Error& err) {
        table_.setDeleted(true);
        ShowError(QString::fromStdString(err.what()));
    }
    if (selectedCount() == 0) {
        applyFilter();
        table_.goTop();
    }
    ds_.refresh();
    refreshButtons();
}

void TAddressMain::cloneRecord()
{
    if (!ds_.hasRecord() || ds_.editing())
        return;
    if (!AskYesNo(QStringLiteral("Clone this record?"), QStringLiteral("Clone")))
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<std::pair<const char*, QString>> values;
    for (const char* f : kCloneFields)
        values.emplace_back(f, ds_.text(f));
    const QString memo = ds_.memo();
    try {
        ds_.setSuppressEvents(true);
        ds_.append();
        if (table_.fieldIndex("ISDEL") >= 0)
            table_.setLogical(table_.fieldIndex("ISDEL"), false);
        for (const auto& [f, v] : values)
            ds_.setText(f, v);
        ds_.setMemo(memo);
        ds_.post();
    } catch (const store::Error& err) {
        if (ds_.editing())
            ds_.cancel();
        ds_.setSuppressEvents(false);
        QGuiApplication::restoreOverrideCursor();
        ShowError(QString::fromStdString(err.what()));
        refreshButtons();
        return;
    }
    ds_.setSuppressEvents(false);
    QGuiApplication::restoreOverrideCursor();
    fillRecord();
    refreshButtons();
    ShowInfo(QStringLiteral("Clone completed. Current record is an exact copy"));
}

void TAddressMain::toggleTag()
{
    if (!ds_.hasRecord())
        return;
    const bool editing = ds_.editing();
    try {
        ds_.setSuppressEvents(true);
        filters::ToggleTag(table_, filter_, tagId(), editing);
    } catch (const store::Error& err) {
        ShowError(QString::fromStdString(err.what()));
    }
    ds_.setSuppressEvents(false);
    if (!editing)
        ds_.refresh();
    else
        tagged_->setChecked(ds_.composed().tagged);
    refreshButtons();
}

void TAddressMain::pickDate()
{
    if (!ds_.hasRecord())
        return;
    const QString stored = ds_.text("DATE");
    QDate start = store::validDate(stored.left(8).toStdString()) ? QDate::fromString(stored.left(8), QStringLiteral("yyyyMMdd"))
                                                                : QDate::currentDate();
    TDatePicker dlg(start, this);
    dlg.exec();
    if (dlg.outcome() == TDatePicker::Cancelled)
        return;
    beginEditing();
    ds_.setText("DATE", dlg.outcome() == TDatePicker::Chosen ? dlg.date().toString(QStringLiteral("yyyyMMdd")) : QString());
    const store::ComposedFields c = ds_.composed();
    displayDate_->setText(QString::fromStdString(c.displayDate));
    refreshButtons();
}

bool TAddressMain::takeTypedDate()
{
    if (filling_ || !ds_.hasRecord() || !displayDate_->isModified())
        return true;
    const QString typed = displayDate_->text().trimmed();
    std::string stored;
    if (!typed.isEmpty()) {
        stored = store::normaliseDate(typed.toStdString(), app::ShortDateFormat());
        if (stored.empty()) {
            ShowError(QStringLiteral("\"%1\" is not a date. Type the date as %2, or choose it with the Date button.")
                          .arg(typed, QString::fromStdString(app::ShortDateFormat())));
            displayDate_->setFocus();
            displayDate_->selectAll();
            return false;
        }
    }
    displayDate_->setModified(false);
    beginEditing();
    ds_.setText("DATE", QString::fromStdString(stored));
    displayDate_->setText(QString::fromStdString(ds_.composed().displayDate));
    refreshButtons();
    return true;
}

void TAddressMain::copyToClipboard()
{
    if (!ds_.hasRecord())
        return;
    TCopyToClipboard dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    std::map<std::string, QString> fields;
    for (const char* f : kCloneFields)
        fields[f] = ds_.text(f);
    const QString text = recordClipboardText(fields, dlg.groups());
    QClipboard* cb = QGuiApplication::clipboard();
    cb->clear();
    cb->setText(text);
    ShowInfo(QStringLiteral("Record copied to Windows Clipboard"));
}

}  // namespace addrova::ui
