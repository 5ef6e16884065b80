#include "ImportWindows.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "Common.h"
#include "Error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace addrova::exchange {

using ui::ShowInfo;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

// Runs pending window messages while a loop works.
void pump() { QCoreApplication::processEvents(); }

// A file dialog that leaves the working directory as it found it.
QString askFile(QWidget* parent, const QString& caption, const QString& filter)
{
    const QString cwd = QDir::currentPath();
    const QString path = QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    QDir::setCurrent(cwd);
    return path;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TImportWindow::TImportWindow(store::Table& dest, const QString& caption, const QString& fileCaption, QWidget* parent)
    : QDialog(parent), dest_(dest)
{
    setWindowTitle(caption);
    auto* lay = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(fileCaption, this));
    path_ = new QLabel(QStringLiteral("(none)"), this);
    path_->setObjectName(QStringLiteral("Path"));
    path_->setFrameShape(QFrame::Panel);
    path_->setFrameShadow(QFrame::Sunken);
    row->addWidget(path_, 1);
    lay->addLayout(row);
    extra_ = new QVBoxLayout;
    lay->addLayout(extra_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("Status"));
    lay->addWidget(status_);
    gauge_ = new QProgressBar(this);
    gauge_->setRange(0, 100);
    gauge_->setVisible(false);
    lay->addWidget(gauge_);
    auto* buttons = new QHBoxLayout;
    select_ = new QPushButton(this);
    match_ = new QPushButton(QStringLiteral("Match Fields"), this);
    import_ = new QPushButton(QStringLiteral("Import"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    for (auto* b : {select_, match_, import_, cancel_})
        buttons->addWidget(b);
    lay->addLayout(buttons);
    match_->setEnabled(false);
    import_->setEnabled(false);
    connect(cancel_, &QPushButton::clicked, this, &TImportWindow::CancelClick);
    resize(560, sizeHint().height());
}

QString TImportWindow::PathText() const { return path_->text(); }
QString TImportWindow::StatusText() const { return status_->text(); }
bool TImportWindow::MatchEnabled() const { return match_->isEnabled(); }
bool TImportWindow::ImportEnabled() const { return import_->isEnabled(); }

void TImportWindow::setHeld(const QString& path)
{
    held_ = path;
    path_->setText(path.isEmpty() ? QStringLiteral("(none)") : path);
}

void TImportWindow::CancelClick()
{
    if (rebuilding_)
        return;
    if (running_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

void TImportWindow::reject() { CancelClick(); }

LoopHooks TImportWindow::hooks()
{
    LoopHooks h;
    h.status = [this](const std::string& text) {
        status_->setText(q(text));
        pump();
    };
    int last = -1;
    h.gauge = [this, last](int pct) mutable {
        if (pct != last) {
            gauge_->setValue(pct);
            last = pct;
        }
        pump();
    };
    h.stopRequested = [this] { return stop_; };
    return h;
}

void TImportWindow::beginRun()
{
    running_ = true;
    stop_ = false;
    for (auto* b : {select_, match_, import_})
        b->setVisible(false);
    gauge_->setValue(0);
    gauge_->setVisible(true);
    status_->setVisible(true);
}

void TImportWindow::endRun()
{
    running_ = false;
    gauge_->setVisible(false);
    for (auto* b : {select_, match_, import_})
        b->setVisible(true);
}

void TImportWindow::finishRun()
{
    rebuild();
    running_ = false;
    accept();
}

void TImportWindow::rebuild()
{
    rebuilding_ = true;
    cancel_->setVisible(false);
    try {
        RebuildAddressTags(dest_, hooks());
    } catch (const std::exception& e) {
        ShowInfo(QStringLiteral("Unable to create index files\n\n") + q(e.what()));
    }
    gauge_->setValue(0);
    gauge_->setVisible(false);
    cancel_->setVisible(true);
    status_->clear();
    rebuilding_ = false;
}

// ---------------------------------------------------------------------------------------------

TAsciiImport::TAsciiImport(store::Table& dest, QWidget* parent)
    : TImportWindow(dest, QStringLiteral("ASCII File Import"), QStringLiteral("ASCII File Name"), parent)
{
    select_->setText(QStringLiteral("Select ASCII File"));
    auto* opts = new QHBoxLayout;
    opts->addWidget(new QLabel(QStringLiteral("Characters"), this));
    encoding_ = new QComboBox(this);
    encoding_->addItems({QStringLiteral("Recognise (UTF-8 or Windows)"), QStringLiteral("UTF-8"),
                         QStringLiteral("Windows (1252)")});
    opts->addWidget(encoding_);
    rfc_ = new QCheckBox(QStringLiteral("Standard CSV (RFC 4180)"), this);
    rfc_->setToolTip(QStringLiteral("A title line first; doubled quotation marks inside quoted values"));
    opts->addWidget(rfc_);
    opts->addStretch();
    extra_->addLayout(opts);
    connect(encoding_, &QComboBox::currentIndexChanged, this, [this] { rescan(); });
    connect(rfc_, &QCheckBox::toggled, this, [this] { rescan(); });
    connect(select_, &QPushButton::clicked, this, [this] { selectAsciiFile(); });
    connect(match_, &QPushButton::clicked, this, [this] { MatchFields(); });
    connect(import_, &QPushButton::clicked, this, [this] { Import(); });
}

void TAsciiImport::SetEncoding(Encoding e) { encoding_->setCurrentIndex(e == Encoding::Auto ? 0 : e == Encoding::Utf8 ? 1 : 2); }
void TAsciiImport::SetRfc4180(bool on) { rfc_->setChecked(on); }

void TAsciiImport::selectAsciiFile()
{
    ChooseFile(askFile(this, QStringLiteral("Select ASCII File"),
                       QStringLiteral("Text files, CSV Files (*.TXT *.txt *.CSV *.csv);;All files (*)")));
}

void TAsciiImport::ChooseFile(const QString& path)
{
    if (!path.isEmpty())
        held_ = path;
    setHeld(held_);
    scan_ = {};
    matched_ = false;
    import_->setEnabled(false);
    match_->setEnabled(false);
    if (held_.isEmpty())
        return;
    rescan();
}

void TAsciiImport::rescan()
{
    scan_ = {};
    matched_ = false;
    import_->setEnabled(false);
    match_->setEnabled(false);
    if (held_.isEmpty())
        return;
    AsciiOptions o;
    o.encoding = encoding_->currentIndex() == 0 ? Encoding::Auto : encoding_->currentIndex() == 1 ? Encoding::Utf8 : Encoding::Cp1252;
    o.rfc4180 = rfc_->isChecked();
    scan_ = ScanAsciiFile(s(held_), o);
    if (!scan_.ok) {
        ShowInfo(q(scan_.problem));
        return;
    }
    status_->setText(QStringLiteral("%1 columns, read as %2").arg(scan_.columns.size()).arg(EncodingName(scan_.encoding)));
    match_->setEnabled(true);
}

bool TAsciiImport::MatchFields()
{
    const auto dests = DestinationFields(dest_, true);
    std::vector<std::string> labels;
    for (const auto& d : dests)
        labels.push_back(d.label);
    MatchRows rows(labels);
    if (matched_)
        for (size_t r = 0; r < rows.size(); ++r)
            for (const auto& c : scan_.columns)
                if (!c.matched.empty() && Upper(c.matched) == Upper(rows.label(r)))
                    rows.choose(r, c.name);
    TAsciiMatch dlg(rows, scan_, QFileInfo(held_).fileName(), this);
    ui::CenterOverMain(&dlg);
    const bool ok = matchHook ? matchHook(dlg) : dlg.exec() == QDialog::Accepted;
    if (!ok)
        return false;
    matched_ = true;
    for (auto& c : scan_.columns) {
        const int r = rows.rowOf(c.name);
        c.matched = r < 0 ? std::string() : rows.label(size_t(r));
    }
    import_->setEnabled(std::any_of(scan_.columns.begin(), scan_.columns.end(), [](auto& c) { return !c.matched.empty(); }));
    return true;
}

void TAsciiImport::Import()
{
    AsciiImportSpec spec;
    spec.path = s(held_);
    spec.options.encoding = scan_.encoding;
    spec.options.rfc4180 = rfc_->isChecked();
    spec.columns = static_cast<int>(scan_.columns.size());
    const auto dests = DestinationFields(dest_, true);
    for (const auto& c : scan_.columns) {
        int field = -1;
        for (const auto& d : dests)
            if (!c.matched.empty() && Upper(d.label) == Upper(c.matched))
                field = d.index;
        spec.fieldOfColumn.push_back(field);
    }
    beginRun();
    AsciiImportResult r;
    try {
        r = ImportAscii(dest_, spec, hooks());
    } catch (const std::exception&) {
        r.started = true;
        r.summary.end = LoopEnd::WriteFailure;
    }
    status_->clear();
    if (!r.started) {
        endRun();
        ShowInfo(q(r.summary.detail));
        return;
    }
    ShowInfo(q(AsciiImportMessage(r.summary)));
    if (r.summary.unrepresentable) {
        QString text = QStringLiteral("%1 values hold characters that the address file cannot store; a question mark "
                                      "stands for each of them:\n")
                           .arg(r.summary.unrepresentable);
        for (const auto& n : r.summary.notes)
            text += "\n" + q(n);
        ShowInfo(text);
    }
    finishRun();
}

TAsciiMatch::TAsciiMatch(MatchRows& rows, const AsciiScan& scan, const QString& fileName, QWidget* parent)
    : TMatchDialog(QStringLiteral("ASCII File Import Match Fields"), rows, fileName, parent)
{
    const int n = static_cast<int>(scan.columns.size());
    sample_ = new QTableWidget(static_cast<int>(scan.sample.size()), n, this);
    sample_->setObjectName(QStringLiteral("SampleAsciiFields"));
    sample_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList titles;
    for (const auto& c : scan.columns)
        titles << q(c.name);
    sample_->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < sample_->rowCount(); ++r)
        for (int c = 0; c < n && c < int(scan.sample[size_t(r)].size()); ++c)
            sample_->setItem(r, c, new QTableWidgetItem(q(scan.sample[size_t(r)][size_t(c)])));
    const QFontMetrics fm(font());
    const int ppi = screen() ? int(screen()->logicalDotsPerInch()) : 96;
    for (int c = 0; c < n; ++c) {
        const int w = fm.horizontalAdvance(QLatin1Char('W')) * int(scan.columns[size_t(c)].longest);
        sample_->setColumnWidth(c, std::clamp(w, fm.horizontalAdvance(QStringLiteral("Field 12")), 2 * ppi));
    }
    setTop(QStringLiteral("Sample ASCII Fields"), sample_);
    grid()->setChoices([&scan](size_t) {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& c : scan.columns)
            out.emplace_back(c.name, c.name);
        return out;
    });
}

// ---------------------------------------------------------------------------------------------

TDBFImport::TDBFImport(store::Table& dest, const std::string& shortDateFormat, QWidget* parent)
    : TImportWindow(dest, QStringLiteral("DBF File Import"), QStringLiteral("DBF File Name"), parent),
      source_(std::make_unique<store::Table>()), shortDate_(shortDateFormat)
{
    select_->setText(QStringLiteral("Select DBF File"));
    connect(select_, &QPushButton::clicked, this,
            [this] { ChooseFile(askFile(this, QStringLiteral("Select DBF File"), QStringLiteral("DBF Files (*.DBF *.dbf)"))); });
    connect(match_, &QPushButton::clicked, this, [this] { MatchFields(); });
    connect(import_, &QPushButton::clicked, this, [this] { Import(); });
}

TDBFImport::~TDBFImport()
{
    try {
        source_->close();
    } catch (const std::exception&) {
    }
}

void TDBFImport::ChooseFile(const QString& path)
{
    if (!path.isEmpty())
        held_ = path;
    setHeld(held_);
    if (held_.isEmpty()) {
        match_->setEnabled(false);
        return;
    }
    const std::string problem = OpenSource(*source_, s(held_));
    if (!problem.empty()) {
        ShowInfo(q(problem));
        path_->clear();
        held_.clear();
        match_->setEnabled(false);
        import_->setEnabled(false);
        return;
    }
    match_->setEnabled(true);
    import_->setEnabled(false);
    status_->clear();
    matched_ = false;
    mapping_.assign(source_->fields().size(), -1);
}

bool TDBFImport::MatchFields()
{
    const auto dests = DestinationFields(dest_, false);
    std::vector<std::string> labels;
    for (const auto& d : dests)
        labels.push_back(d.label);
    MatchRows rows(labels);
    const std::vector<int> shown = matched_ ? mapping_ : ProposeMatch(*source_, dest_);
    for (size_t sf = 0; sf < shown.size(); ++sf)
        for (size_t r = 0; r < dests.size(); ++r)
            if (shown[sf] >= 0 && dests[r].index == shown[sf])
                rows.choose(r, source_->fields()[sf].name);
    TDBFMatch dlg(rows, *source_, QFileInfo(held_).fileName(), this);
    dlg.grid()->setChoices([this, dests](size_t row) {
        std::vector<std::pair<std::string, std::string>> out;
        for (int sf : AllowedSources(*source_, dests[row])) {
            const std::string& name = source_->fields()[size_t(sf)].name;
            out.emplace_back(name, store::toUtf8(FieldLabel(name), source_->codePage()));
        }
        return out;
    });
    ui::CenterOverMain(&dlg);
    const bool ok = matchHook ? matchHook(dlg) : dlg.exec() == QDialog::Accepted;
    if (!ok)
        return false;
    matched_ = true;
    mapping_.assign(source_->fields().size(), -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        const int sf = rows.name(r).empty() ? -1 : source_->fieldIndex(rows.name(r));
        if (sf >= 0)
            mapping_[size_t(sf)] = dests[r].index;
    }
    import_->setEnabled(std::any_of(mapping_.begin(), mapping_.end(), [](int m) { return m >= 0; }));
    return true;
}

void TDBFImport::Import()
{
    std::vector<int> used;
    for (size_t i = 0; i < mapping_.size(); ++i)
        if (mapping_[i] >= 0)
            used.push_back(int(i));
    const std::string problem = CheckSourceReadable(*source_, s(held_), used);
    if (!problem.empty()) {
        ShowInfo(q(problem));
        return;
    }
    beginRun();
    const LoopSummary r = ImportDbf(dest_, *source_, mapping_, shortDate_, hooks());
    status_->clear();
    ShowInfo(q(DbfImportMessage(r)));
    source_->close();
    finishRun();
}

TDBFMatch::TDBFMatch(MatchRows& rows, store::Table& source, const QString& fileName, QWidget* parent)
    : TMatchDialog(QStringLiteral("DBF File Import Match Fields"), rows, fileName, parent)
{
    const auto& fields = source.fields();
    std::vector<int> cols;
    QStringList titles;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].type != '0') {
            cols.push_back(int(i));
            titles << QString::fromStdString(store::toUtf8(fields[i].name, source.codePage()));
        }
    browser_ = new QTableWidget(0, int(cols.size()), this);
    browser_->setObjectName(QStringLiteral("ImportDBFFileBrowser"));
    browser_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    browser_->setHorizontalHeaderLabels(titles);
    // The first records: enough to see what each field holds.
    int row = 0;
    try {
        for (bool ok = source.goTop(); ok && !source.eof() && row < 500; ok = source.skip(1), ++row) {
            browser_->insertRow(row);
            for (size_t c = 0; c < cols.size(); ++c) {
                const store::Field& f = fields[size_t(cols[c])];
                const std::string v = f.isMemo() ? (source.memoEmpty(cols[c]) ? "" : "(memo)") : source.getString(cols[c]);
                browser_->setItem(row, int(c), new QTableWidgetItem(QString::fromStdString(store::toUtf8(v, source.codePage()))));
            }
        }
        source.goTop();
    } catch (const std::exception&) {
    }
    setTop(QStringLiteral("Import DBF File Browser"), browser_);
}

// ---------------------------------------------------------------------------------------------

TImportOlder::TImportOlder(store::Table& table, const std::string& openPath, Generation g,
                           const std::string& shortDateFormat, QWidget* parent)
    : TImportWindow(table, q(OlderCaption(g)), QStringLiteral("DBF File Name"), parent),
      source_(std::make_unique<store::Table>()), openPath_(openPath), generation_(g), shortDate_(shortDateFormat)
{
    select_->setText(QStringLiteral("Select DBF File"));
    match_->setVisible(false);
    connect(select_, &QPushButton::clicked, this,
            [this] { ChooseFile(askFile(this, QStringLiteral("Select DBF File"), QStringLiteral("DBF Files (*.dbf *.DBF)"))); });
    connect(import_, &QPushButton::clicked, this, [this] { Import(); });
}

TImportOlder::~TImportOlder()
{
    try {
        source_->close();
    } catch (const std::exception&) {
    }
}

void TImportOlder::ChooseFile(const QString& path)
{
    if (!path.isEmpty())
        held_ = path;
    if (!held_.isEmpty() && SamePath(s(held_), openPath_)) {
        ShowInfo(QStringLiteral("Cannot import a file to itself"));
        held_.clear();
    }
    setHeld(held_);
    import_->setEnabled(false);
    if (held_.isEmpty())
        return;
    const std::string problem = OpenOlderSource(*source_, s(held_), openPath_, generation_);
    if (!problem.empty()) {
        ShowInfo(q(problem));
        path_->clear();
        held_.clear();
        return;
    }
    import_->setEnabled(true);
}

void TImportOlder::Import()
{
    beginRun();
    const LoopSummary r = ImportOlder(dest_, *source_, generation_, shortDate_, hooks());
    status_->clear();
    ShowInfo(q(DbfImportMessage(r)));
    source_->close();
    finishRun();
}

}  // namespace addrova::exchange
