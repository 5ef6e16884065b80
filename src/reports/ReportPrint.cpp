#include "ReportPrint.h"

#include "AddressFile.h"
#include "CodePage.h"
#include "GGraphc.h"
#include "JobPrintSurface.h"
#include "PrintJob.h"
#include "RecordSource.h"
#include "ReportStore.h"
#include "Table.h"

#include <QCoreApplication>
#include <QDate>
#include <algorithm>
#include <cmath>

namespace addrova::reports {

namespace {

using print::Justify;
using print::PrintJob;

QString tableText(const store::Table& t, const char* field)
{
    const int i = t.fieldIndex(field);
    if (i < 0)
        return {};
    return QString::fromStdString(store::toUtf8(t.getString(i), t.codePage()));
}

QString today(const std::string& format)
{
    return QDate::currentDate().toString(QString::fromStdString(format));
}

QColor colourOf(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QString ltrim(const QString& s)
{
    qsizetype i = 0;
    while (i < s.size() && s[i] == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

bool stopRequested(const RunHooks& hooks, PrintJob& job)
{
    return job.Aborted() || (hooks.stopped && hooks.stopped());
}

}  // namespace

QStringList WrapMemo(PrintJob& job, const QString& text, double widthInches)
{
    QString norm = text;
    norm.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    norm.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = norm.split(QLatin1Char('\n'));
    QStringList lines;
    for (const QString& para : paragraphs) {
        QString line;
        bool started = false;
        for (QString word : para.split(QLatin1Char(' '))) {
            const QString candidate = started ? line + QLatin1Char(' ') + word : word;
            if (job.TextWidth(candidate) <= widthInches) {
                line = candidate;
                started = true;
                continue;
            }
            if (started)
                lines << line;
            // A word wider than the line is cut where it no longer fits.
            while (job.TextWidth(word) > widthInches && word.size() > 1) {
                qsizetype n = 1;
                while (n < word.size() && job.TextWidth(word.left(n + 1)) <= widthInches)
                    ++n;
                lines << word.left(n);
                word = word.mid(n);
            }
            line = word;
            started = true;
        }
        lines << line;
    }
    if (lines.size() == 1 && lines[0].trimmed().isEmpty())
        lines.clear();
    return lines;
}

QString MemoText(store::Table& table)
{
    const int i = table.fieldIndex("MEMO");
    if (i < 0 || table.eof() || table.memoEmpty(i))
        return {};
    return QString::fromStdString(store::toUtf8(table.getMemo(i), table.codePage()));
}

// ---- frames ----

void ShadeRect(PrintJob& job, const BandFrame& frame, double x1, double y1, double x2, double y2)
{
    if (frame.shadePercent <= 0)
        return;
    job.SetPen(Qt::black, print::PenStyle::Clear, 1);
    job.SetBrush(colourOf(MixShade(frame.shadeColor, frame.shadePercent)), print::BrushStyle::Solid);
    job.Rectangle(x1 + 0.01, y1 + 0.01, x2, y2);
    job.SetBrush(Qt::white, print::BrushStyle::Clear);
    job.SetPen(Qt::black, print::PenStyle::Solid, 1);
}

void DrawBorders(PrintJob& job, const BandFrame& frame, double x1, double y1, double x2, double y2)
{
    if (!frame.top && !frame.right && !frame.bottom && !frame.left)
        return;
    const int w = std::clamp(frame.lineWidth, 1, 3);
    job.SetPen(Qt::black, print::PenStyle::Solid, w);
    if (w >= 2) {
        const double dx = double(w) / job.XDpi(), dy = double(w) / job.YDpi();
        x1 += dx;
        x2 -= dx;
        y1 += dy;
        y2 -= dy;
    }
    if (frame.top) {
        job.MoveTo(x1, y1);
        job.LineTo(x2, y1);
    }
    if (frame.right) {
        job.MoveTo(x2, y1);
        job.LineTo(x2, y2);
    }
    if (frame.bottom) {
        job.MoveTo(x1, y2);
        job.LineTo(x2, y2);
    }
    if (frame.left) {
        job.MoveTo(x1, y1);
        job.LineTo(x1, y2);
    }
    job.SetPen(Qt::black, print::PenStyle::Solid, 1);
}

// ---- user-defined reports ----

UserDefinedReportPrint::UserDefinedReportPrint(store::Table& table, const QString& layoutPath, bool onePerPage,
                                               RunHooks hooks, std::string tagId, std::string shortDateFormat,
                                               int ppi)
    : t_(table), s_(ReportSettings::NewReport(ppi)), onePerPage_(onePerPage), hooks_(std::move(hooks)), ppi_(ppi),
      source_(std::make_unique<layout::TableRecordSource>(table, std::move(tagId), std::move(shortDateFormat), true)),
      header_(std::make_unique<layout::StandaloneHost>()), detail_(std::make_unique<layout::StandaloneHost>()),
      footer_(std::make_unique<layout::StandaloneHost>())
{
    for (layout::StandaloneHost* h : {header_.get(), detail_.get(), footer_.get()}) {
        h->setPpi(ppi);
        h->setRecords(source_.get());
        h->setPrinting(true);
    }
    LoadReportFile(layoutPath, ReportBands{detail_.get(), header_.get(), detail_.get(), footer_.get()}, s_, ppi);
}

UserDefinedReportPrint::~UserDefinedReportPrint() = default;

int UserDefinedReportPrint::paperCode() const
{
    const PaperChoice p = RecognisePaper(s_.pageWidth, s_.pageHeight, ppi_);
    return p.paper == Paper::Letter ? 1 : p.paper == Paper::A4 ? 9 : 0;
}

bool UserDefinedReportPrint::landscape() const
{
    return s_.pageWidth > s_.pageHeight;
}

void UserDefinedReportPrint::ConfigureJob(PrintJob& job)
{
    job.SetTitle(QStringLiteral("Addrova"));
    job.SetScale(100, 100);
    job.SetMargins(0.5, 0.5, 0.5, 0.5);
    const double ppi = ppi_;
    // An unused band takes no room.
    H_ = s_.useHeader ? s_.headerHeight / ppi : 0;
    D_ = s_.useDetail ? s_.detailHeight / ppi : 0;
    F_ = s_.useFooter ? s_.footerHeight / ppi : 0;
    left_ = s_.leftMargin / ppi + 0.125;
    right_ = s_.rightMargin / ppi + 0.125;
    top_ = s_.topMargin / ppi;
    bottom_ = s_.bottomMargin / ppi;
    bodyBegun_ = false;
    records_ = 0;
    job.OnBeforePrint = [](PrintJob& j) {
        j.SetStatusFormat(QString::fromLatin1(kStatusFormat));
        j.StatusText().clear();
        j.StatusText() << QString() << QString();
        j.UpdateStatus();
    };
    job.OnNewPage = [this](PrintJob& j) {
        if (bodyBegun_)
            PrintHeaderFooter(j);
    };
    job.OnPrint = [this](PrintJob& j) { PrintTheReport(j); };
}

void UserDefinedReportPrint::PrintTheReport(PrintJob& job)
{
    bodyBegun_ = true;
    job.SetMargins(left_, top_ + H_, right_, bottom_ + F_);
    job.ResetSection();
    PrintHeaderFooter(job);
    layout::JobPrintSurface surface(job);
    const double bodyTop = job.SectionTop();
    while (!t_.eof() && !stopRequested(hooks_, job)) {
        if (s_.useDetail) {
            // A band taller than the body still starts at the top of a page, not on an empty one.
            if (job.SectionBottom() - y_ < D_ && y_ > bodyTop + 1e-9)
                job.NewPage();
            const double x1 = job.SectionLeft() - 0.125, x2 = job.SectionRight() + 0.125;
            ShadeRect(job, s_.detailFrame, x1, y_, x2, y_ + D_);
            DrawBorders(job, s_.detailFrame, x1, y_, x2, y_ + D_);
            detail_->printAll(surface, left_, y_);
            y_ += D_;
        }
        if (s_.useMemo)
            PrinttheMemo(job);
        ++records_;
        t_.skip(1);
        if (onePerPage_ && !t_.eof())
            job.NewPage();
    }
    bodyBegun_ = false;
}

void UserDefinedReportPrint::PrintHeaderFooter(PrintJob& job)
{
    layout::JobPrintSurface surface(job);
    const double x1 = job.SectionLeft() - 0.125, x2 = job.SectionRight() + 0.125;
    if (s_.useHeader) {
        const double top = job.SectionTop() - H_;
        ShadeRect(job, s_.headerFrame, x1, top, x2, job.SectionTop());
        DrawBorders(job, s_.headerFrame, x1, top, x2, job.SectionTop());
        header_->printAll(surface, left_, top);
    }
    if (s_.useFooter) {
        const double top = job.SectionBottom();
        ShadeRect(job, s_.footerFrame, x1, top, x2, top + F_);
        DrawBorders(job, s_.footerFrame, x1, top, x2, top + F_);
        footer_->printAll(surface, left_, top);
    }
    y_ = job.SectionTop();
}

void UserDefinedReportPrint::PrinttheMemo(PrintJob& job)
{
    auto selectFont = [&] {
        job.SetFont(s_.memoFontName, s_.memoFontSize);
        job.SetBold(s_.memoBold);
        job.SetItalic(s_.memoItalic);
        job.SetFontColor(Qt::black);
        job.SetFontRotation(0);
    };
    const double centre = job.SectionLeft() + (job.SectionRight() - job.SectionLeft()) / 2;
    selectFont();
    const double L = job.LineHeight();
    const double boxWidth = double(s_.pageWidth - s_.leftMargin - s_.rightMargin) / ppi_;
    const QStringList lines = WrapMemo(job, MemoText(t_), boxWidth);
    qsizetype i = 0;
    while (i < lines.size() && !job.Aborted()) {
        int n = static_cast<int>(std::trunc((job.SectionBottom() - y_) / L + 1e-9));
        if (n <= 0) {
            job.NewPage();
            selectFont();
            n = static_cast<int>(std::trunc((job.SectionBottom() - y_) / L + 1e-9));
            // A body lower than one line still prints one line per page.
            n = std::max(n, 1);
        }
        n = static_cast<int>(std::min<qsizetype>(n, lines.size() - i));
        const double x1 = job.SectionLeft() - 0.125, x2 = job.SectionRight() + 0.125;
        const double bottom = y_ + n * L + job.FontDescent();
        ShadeRect(job, s_.memoFrame, x1, y_, x2, bottom);
        DrawBorders(job, s_.memoFrame, x1, y_, x2, bottom);
        job.GotoXY(job.SectionLeft(), y_);
        job.NewLine();
        for (int k = 0; k < n; ++k, ++i) {
            const QString& line = lines[i];
            if (s_.memoAlignment == 1)
                job.PrintRight(line, job.SectionRight());
            else if (s_.memoAlignment == 2)
                job.PrintCenter(line, centre);
            else
                job.Print(line);
            job.NewLine();
            y_ += L;
        }
        y_ += job.FontDescent();
        if (i < lines.size()) {
            job.NewPage();
            selectFont();
        }
    }
}

// ---- built-in reports ----

namespace {

struct BuiltIn {
    const char* name;
    const char* order;
    double tabs[4];
    const char* titles[4];
};

const BuiltIn kBuiltIns[4] = {
    {"1. Name,Address,City,State,Zip,Phone", "LNAME", {1.75, 2.15, 2.0, 1.5}, {"Name", "Address", "City/St/Zip", "Phone"}},
    {"2. Name,Organization,Phone,Fax", "LNAME", {2.0, 2.5, 1.5, 1.35}, {"Name", "Organization", "Phone", "Fax"}},
    {"3. Organization,Name,Phone,Fax ", "ORG", {2.5, 2.0, 1.5, 1.35}, {"Organization", "Name", "Phone", "Fax"}},
    {"4. All major fields (takes several lines)", "LNAME", {0.5, 2.25, 3.0, 1.5}, {"", "", "", ""}},
};

const BuiltIn& builtIn(int report)
{
    return kBuiltIns[std::clamp(report, 1, 4) - 1];
}

QString middlePart(const QString& middle)
{
    return middle.isEmpty() ? QString() : middle + QLatin1Char('.');
}

}  // namespace

QStringList BuiltInReportNames()
{
    QStringList out;
    for (const BuiltIn& b : kBuiltIns)
        out << QString::fromLatin1(b.name);
    return out;
}

const char* BuiltInReportOrder(int report)
{
    return builtIn(report).order;
}

QString NameCell(const QString& last, const QString& first, const QString& middle)
{
    return ltrim(last + QStringLiteral(", ")) + ltrim(first + QLatin1Char(' ')) + ltrim(middlePart(middle));
}

QString CityCell(const QString& city, const QString& state, const QString& zip)
{
    QString out;
    if (!city.isEmpty())
        out += city + QStringLiteral(", ");
    if (!state.isEmpty())
        out += state + QStringLiteral("  ");
    if (!zip.isEmpty())
        out += zip + QLatin1Char(' ');
    return out;
}

QString Report4Name(const QString& last, const QString& first, const QString& middle, const QString& prefix)
{
    const QString p = (prefix + first).isEmpty() ? QString() : prefix + QLatin1Char(' ');
    return ltrim(last) + QStringLiteral(", ") + p + ltrim(first + QLatin1Char(' ')) + ltrim(middlePart(middle));
}

void PlaceBuiltInStart(store::Table& table, int report, bool fromFirst)
{
    if (!fromFirst || report == 4)
        return;
    const bool soft = table.softSeek();
    table.setSoftSeek(true);
    table.seek(std::string_view("0"));
    table.setSoftSeek(soft);
}

BuiltInReportPrint::BuiltInReportPrint(store::Table& table, BuiltInOptions options, RunHooks hooks,
                                       std::string shortDateFormat, int ppi)
    : t_(table), o_(std::move(options)), hooks_(std::move(hooks)), shortDate_(std::move(shortDateFormat)), ppi_(ppi)
{
    o_.report = std::clamp(o_.report, 1, 4);
}

void BuiltInReportPrint::ConfigureJob(PrintJob& job)
{
    job.SetTitle(QStringLiteral("Addrova"));
    job.SetScale(100, 100);
    job.SetMargins(0.5, 0.5, 0.5, 0.5);
    records_ = 0;
    job.OnBeforePrint = [](PrintJob& j) {
        j.SetStatusFormat(QString::fromLatin1(kStatusFormat));
        j.StatusText().clear();
        j.StatusText() << QString() << QString();
        j.UpdateStatus();
    };
    job.OnNewPage = nullptr;
    job.OnPrint = [this](PrintJob& j) { Run(j); };
}

QString BuiltInReportPrint::get(const char* field) const
{
    return tableText(t_, field);
}

void BuiltInReportPrint::SetReportTabs(PrintJob& job)
{
    job.ClearTabs();
    const BuiltIn& b = builtIn(o_.report);
    job.SetTab(job.MarginLeft(), Justify::Left, b.tabs[0], 2);
    for (int i = 1; i < 4; ++i)
        job.SetTab(PrintJob::TabAfterPrevious, Justify::Left, b.tabs[i], 2);
}

void BuiltInReportPrint::Run(PrintJob& job)
{
    const double fontSize = o_.report == 4 ? 8 : 9;
    job.SetMarginLeft(1.0);
    job.SetFont(QStringLiteral("Arial"), fontSize);
    job.SetSection(print::InchRect{job.MarginLeft(), job.MarginTop() + 1, job.PageWidth() - job.MarginLeft(),
                                   job.PageHeight() - job.MarginBottom() - 1});
    memoWidth_ = std::trunc((job.SectionRight() - job.SectionLeft() - 0.25) * ppi_) / ppi_;
    SetReportTabs(job);
    PageHeader(job);
    job.Home();
    const int need = o_.report == 4 ? 3 : 1;
    while (!t_.eof() && !stopRequested(hooks_, job)) {
        if (job.LinesLeft() < need) {
            job.NewPage();
            PageHeader(job);
        }
        PrintRecord(job);
        CodesAndMemo(job);
        if (o_.report == 4 && job.LinesLeft() > 3) {
            job.SetPen(QColor(0xC0, 0xC0, 0xC0), print::PenStyle::Solid, 1);
            job.MoveTo(job.MarginLeft(), job.YPos());
            job.LineTo(job.PageWidth() - job.MarginLeft() + job.MarginRight(), job.YPos());
            job.SetPen(Qt::black, print::PenStyle::Solid, 1);
            job.NewLine();
        }
        ++records_;
        t_.skip(1);
    }
}

void BuiltInReportPrint::PageHeader(PrintJob& job)
{
    const double fontSize = o_.report == 4 ? 8 : 9;
    job.ResetSection();
    job.SetFont(QStringLiteral("Times New Roman"), 14);
    job.SetBold(true);
    job.Home();
    job.Print(o_.title);
    job.PrintRight(QStringLiteral("Page %1").arg(job.PageNumber()), job.SectionRight());
    job.NewLine();
    job.PrintRight(today(shortDate_), job.SectionRight());

    job.SetFont(QStringLiteral("Arial"), 9);
    job.SetBold(true);
    job.GotoXY(1.0, job.MarginTop() + (o_.report == 4 ? 0.5 : 0.8));
    job.NewLine();
    if (o_.report < 4) {
        for (const char* title : builtIn(o_.report).titles)
            job.PrintTab(QString::fromLatin1(title));
    } else {
        job.PrintTab(QStringLiteral("Name"));
        job.Tab();
        job.PrintTab(QStringLiteral("Title and Organization"));
        job.NewLine();
        job.Tab();
        job.PrintTab(QStringLiteral("Street"));
        job.PrintTab(QStringLiteral("City/State/Zip"));
        job.PrintTab(QStringLiteral("Country"));
        job.NewLine();
        job.Tab();
        job.PrintTab(QStringLiteral("Phone,Fax"));
        job.PrintTab(QStringLiteral("Email"));
        job.PrintTab(QStringLiteral("Date"));
    }

    job.SetFont(QStringLiteral("Arial"), fontSize);
    job.SetBold(false);
    job.SetItalic(false);
    job.SetSection(print::InchRect{job.MarginLeft(), job.MarginTop() + 1,
                                   job.PageWidth() - job.MarginLeft() + job.MarginRight(),
                                   job.PageHeight() - job.MarginBottom() - 0.5});
    job.SetPen(Qt::black, print::PenStyle::Solid, 1);
    job.MoveTo(job.SectionLeft(), job.SectionTop());
    job.LineTo(job.SectionRight(), job.SectionTop());
    job.MoveTo(job.SectionLeft(), job.SectionBottom());
    job.LineTo(job.SectionRight(), job.SectionBottom());
    job.Home();
}

void BuiltInReportPrint::Cell(PrintJob& job, const QString& text, double width)
{
    if (text.isEmpty())
        return;
    const double x = job.XPos();
    const double top = job.YPos() - job.FontAscent();
    job.SetBrush(Qt::white, print::BrushStyle::Clear);
    job.TextRect(print::InchRect{x, top, x + width - 0.2, top + job.LineHeight()}, x, top, text);
}

void BuiltInReportPrint::PrintRecord(PrintJob& job)
{
    job.SetBold(false);
    const BuiltIn& b = builtIn(o_.report);
    const QString last = get("LNAME"), first = get("FNAME"), middle = get("MIDDLE");
    if (o_.report < 4) {
        QString cells[4];
        const QString name = NameCell(last, first, middle);
        if (o_.report == 1) {
            cells[0] = name;
            cells[1] = get("STREET");
            cells[2] = CityCell(get("CITY"), get("STATE"), get("ZIP"));
            cells[3] = get("PHONE");
        } else if (o_.report == 2) {
            cells[0] = name;
            cells[1] = get("ORG");
            cells[2] = get("PHONE");
            cells[3] = get("FAX");
        } else {
            cells[0] = get("ORG");
            cells[1] = name;
            cells[2] = get("PHONE");
            cells[3] = get("FAX");
        }
        for (int i = 0; i < 4; ++i) {
            job.Tab();
            Cell(job, cells[i], b.tabs[i]);
        }
        job.NewLine();
        return;
    }
    // Report 4: three lines.
    job.Tab();
    if (!last.isEmpty())
        Cell(job, Report4Name(last, first, middle, get("PREFIX")), 2.75);
    job.Tab();
    job.Tab();
    const QString title = get("TITLE"), org = get("ORG");
    Cell(job, (!title.isEmpty() && !org.isEmpty() ? title + QStringLiteral(", ") : QString()) + org, 4.5);
    job.NewLine();

    job.Tab();
    job.Tab();
    Cell(job, get("STREET"), 2.25);
    job.Tab();
    QString place = get("CITY");
    const QString state = get("STATE"), zip = get("ZIP");
    if (!state.isEmpty())
        place += QStringLiteral(", ") + state;
    if (!zip.isEmpty())
        place += QStringLiteral(", ") + zip;
    Cell(job, place, 3.0);
    job.Tab();
    Cell(job, get("COUNTRY"), 1.5);
    job.NewLine();

    job.Tab();
    job.Tab();
    QString phones;
    const QString phone = get("PHONE"), fax = get("FAX");
    if (!phone.isEmpty())
        phones += QStringLiteral("Ph: ") + phone + QStringLiteral("  ");
    if (!fax.isEmpty())
        phones += QStringLiteral("Fax: ") + fax + QStringLiteral("  ");
    Cell(job, phones, 2.25);
    job.Tab();
    Cell(job, get("EMAIL"), 3.0);
    job.Tab();
    Cell(job, get("DATE"), 1.5);
    job.NewLine();
}

void BuiltInReportPrint::CodesAndMemo(PrintJob& job)
{
    auto fullStop = [&](int shade) {
        job.ClearTabs();
        job.SetTab(job.SectionLeft(), Justify::Left, job.SectionRight() - job.SectionLeft(), 2, print::BoxLineNone,
                   shade);
    };
    if (o_.printCodes) {
        const QString codes = get("CODES");
        if (!codes.isEmpty()) {
            if (job.LinesLeft() < 1) {
                job.NewPage();
                PageHeader(job);
            }
            job.SaveTabs();
            fullStop(5);
            job.PrintTab(QStringLiteral("Codes: ") + codes);
            job.NewLine();
            job.RestoreTabs();
        }
    }
    if (o_.printMemo) {
        const QStringList lines = WrapMemo(job, MemoText(t_), memoWidth_);
        if (lines.isEmpty())
            return;
        job.SaveTabs();
        fullStop(10);
        for (const QString& line : lines) {
            if (job.LinesLeft() < 1) {
                job.RestoreTabs();
                job.NewPage();
                PageHeader(job);
                job.SaveTabs();
                fullStop(10);
            }
            job.PrintTab(line);
            job.NewLine();
        }
        job.RestoreTabs();
    }
}

// ---- current-record print ----

const std::vector<RecordField>& SingleRecordFields()
{
    static const std::vector<RecordField> fields = {
        {"Prefix", "Prefix", "PREFIX"},
        {"Last", "Last", "LNAME"},
        {"First", "First", "FNAME"},
        {"Middle", "Middle", "MIDDLE"},
        {"Title", "Title", "TITLE"},
        {"Organization", "Organization", "ORG"},
        {"Address 1", "Address 1", "STREET"},
        {"Address 2", "Address 2", "STREET2"},
        {"City", "City", "CITY"},
        {"State/Province", "State", "STATE"},
        {"Zip/Postal Code", "Zip/Postal", "ZIP"},
        {"Country", "Country", "COUNTRY"},
        {"Phone 1", "Phone 1", "PHONE"},
        {"Phone 2", "Phone 2", "PHONE2"},
        {"Fax", "Fax", "FAX"},
        {"E-mail", "E-Mail", "EMAIL"},
        {"Comment 1", "Comment 1", "USER1"},
        {"Comment 2", "Comment 2", "USER2"},
        {"Codes", "Codes", "CODES"},
        {"Date", "Date", "DisplayDate"},
    };
    return fields;
}

SingleRecordPrint::SingleRecordPrint(store::Table& table, QStringList fields, bool memo, std::string shortDateFormat,
                                     int ppi)
    : t_(table), fields_(std::move(fields)), memo_(memo), shortDate_(std::move(shortDateFormat)), ppi_(ppi)
{
}

void SingleRecordPrint::ConfigureJob(PrintJob& job)
{
    job.SetTitle(QStringLiteral("Single Record Report"));
    job.SetScale(100, 100);
    job.SetMargins(0.5, 0.5, 0.5, 0.5);
    job.OnBeforePrint = [](PrintJob& j) {
        j.SetStatusFormat(QString::fromLatin1(kStatusFormat));
        j.StatusText().clear();
        j.StatusText() << QString() << QString();
        j.UpdateStatus();
    };
    job.OnNewPage = nullptr;
    job.OnPrint = [this](PrintJob& j) { Run(j); };
}

void SingleRecordPrint::Header(PrintJob& job)
{
    job.SetMarginTop(0.5);
    job.ResetSection();
    job.Home();
    job.PrintRight(QStringLiteral("Page %1").arg(job.PageNumber()), job.SectionRight());
    job.NewLine();
    job.PrintRight(today(shortDate_), job.SectionRight());
    job.SetMarginTop(1.0);
    job.ResetSection();
    job.SetPen(Qt::black, print::PenStyle::Solid, 1);
    job.MoveTo(job.SectionLeft(), job.SectionTop());
    job.LineTo(job.SectionRight(), job.SectionTop());
    job.MoveTo(job.SectionLeft(), job.SectionBottom());
    job.LineTo(job.SectionRight(), job.SectionBottom());
    job.Home();
    job.NewLine();
}

void SingleRecordPrint::Run(PrintJob& job)
{
    job.SetFont(QStringLiteral("Times"), 10);
    job.SetMargins(1.0, 1.0, 1.0, 1.0);
    job.ResetSection();
    job.ClearTabs();
    job.SetTab(job.MarginLeft(), Justify::Left, 1.25, 2);
    job.SetTab(PrintJob::TabAfterPrevious, Justify::Left, 5.25, 2);
    Header(job);
    if (t_.eof())
        return;
    for (const RecordField& f : SingleRecordFields()) {
        if (!fields_.contains(QString::fromLatin1(f.box)))
            continue;
        QString value;
        if (std::string_view(f.field) == "DisplayDate")
            value = QString::fromStdString(
                store::toUtf8(store::composeFields(t_, {}, shortDate_, false).displayDate, t_.codePage()));
        else
            value = tableText(t_, f.field);
        job.Tab();
        job.SetBold(true);
        job.Print(QString::fromLatin1(f.label));
        job.SetBold(false);
        job.Tab();
        job.Print(value);
        job.NewLine();
    }
    job.NewLine();
    if (!memo_)
        return;
    job.SetItalic(true);
    const double width = std::trunc((job.PageWidth() - job.MarginLeft() - job.MarginRight()) * ppi_) / ppi_;
    const QStringList lines = WrapMemo(job, MemoText(t_), width);
    job.SaveTabs();
    job.ClearTabs();
    if (lines.isEmpty()) {
        job.RestoreTabs();
        job.SetItalic(false);
        return;
    }
    const double full = job.SectionRight() - job.SectionLeft();
    job.SetTab(job.SectionLeft(), Justify::Left, full, 2, print::BoxLineBottom);
    job.PrintTab(QString());
    job.NewLine();
    job.ClearTabs();
    job.SetTab(job.SectionLeft(), Justify::Left, full, 2);
    for (const QString& line : lines) {
        if (job.LinesLeft() < 1) {
            job.RestoreTabs();
            job.SetItalic(false);
            job.NewPage();
            Header(job);
            job.SaveTabs();
            job.ClearTabs();
            job.SetItalic(true);
            job.SetTab(job.SectionLeft(), Justify::Left, full, 2);
        }
        job.PrintTab(line);
        job.NewLine();
    }
    job.RestoreTabs();
    job.SetItalic(false);
}

}  // namespace addrova::reports
