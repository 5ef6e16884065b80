#include "PrintJob.h"

#include "PrinterControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QPrinter>

#include <cmath>

namespace addrova::print {

// Where a running job's pages go.
struct Output {
    virtual ~Output() = default;
    // Starts the document with its first page; false (and `error`) when it cannot.
    virtual bool Begin(const QString& title, QString& error) = 0;
    virtual void Draw(const PageOp& o) = 0;
    virtual void NewPage() = 0;
    virtual bool End() = 0;
    virtual void Abort() {}
    // The painter of direct outputs (for caller-drawn metafiles), null for the stream.
    virtual QPainter* Painter() { return nullptr; }
    virtual bool Cancelled() const { return false; }
    int dpi = 600;
    QPageLayout layout;  // page size and orientation, no margins
};

namespace {

QImage MakeImage(const QPageLayout& layout, int dpi)
{
    const QRectF r = layout.fullRectPoints();
    QImage img(qRound(r.width() / 72.0 * dpi), qRound(r.height() / 72.0 * dpi), QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    img.fill(Qt::white);
    return img;
}

struct PainterOutput : Output {
    QPainter painter;
    std::unique_ptr<PagePainter> pp;
    void Start()
    {
        pp = std::make_unique<PagePainter>(painter, dpi);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
    }
    void Draw(const PageOp& o) override { pp->Apply(o); }
    QPainter* Painter() override { return &painter; }
};

struct ImageOutput : PainterOutput {
    std::vector<QImage>& pages;
    explicit ImageOutput(std::vector<QImage>& p) : pages(p) {}
    bool Begin(const QString&, QString&) override
    {
        pages.clear();
        NewImage();
        return true;
    }
    void NewImage()
    {
        if (painter.isActive())
            painter.end();
        pages.push_back(MakeImage(layout, dpi));
        painter.begin(&pages.back());
        Start();
    }
    void NewPage() override { NewImage(); }
    bool End() override
    {
        painter.end();
        return true;
    }
    void Abort() override
    {
        if (painter.isActive())
            painter.end();
    }
};

struct PdfOutput : PainterOutput {
    QString path;
    std::unique_ptr<QPdfWriter> writer;
    explicit PdfOutput(QString p) : path(std::move(p)) {}
    bool Begin(const QString& title, QString& error) override
    {
        writer = std::make_unique<QPdfWriter>(path);
        writer->setResolution(dpi);
        writer->setTitle(title);
        writer->setCreator(QStringLiteral("Addrova"));
        writer->setPageLayout(layout);
        if (!painter.begin(writer.get())) {
            error = QStringLiteral("Unable to create the file %1").arg(path);
            writer.reset();
            return false;
        }
        Start();
        return true;
    }
    void NewPage() override { writer->newPage(); }
    bool End() override { return painter.end(); }
    void Abort() override
    {
        if (painter.isActive())
            painter.end();
        writer.reset();
        QFile::remove(path);
    }
};

struct PrinterOutput : PainterOutput {
    PrinterControl& control;
    bool cancelled = false;
    QString file;  // "PDF file" only
    explicit PrinterOutput(PrinterControl& c) : control(c) {}
    bool Begin(const QString& title, QString& error) override
    {
        QPrinter& p = control.QtPrinter();
        if (control.PrinterName().isEmpty()) {
            error = QStringLiteral("There is no printer selected.");
            return false;
        }
        if (control.IsPdfPrinter()) {
            QString file = control.PdfFileName();
            if (file.isEmpty())
                file = PrinterControl::AskPdfFileName(title);
            if (file.isEmpty()) {
                cancelled = true;
                return false;
            }
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(file);
            this->file = file;
            p.setResolution(dpi);
        } else {
            p.setOutputFileName(QString());
            p.setOutputFormat(QPrinter::NativeFormat);
            control.ApplyJobOptions();
        }
        p.setDocName(title);
        p.setCreator(QStringLiteral("Addrova"));
        p.setFullPage(true);
        if (!painter.begin(&p)) {
            error = QStringLiteral("Unable to start printing on %1").arg(control.PrinterName());
            return false;
        }
        Start();
        return true;
    }
    void NewPage() override { control.QtPrinter().newPage(); }
    bool End() override { return painter.end(); }
    void Abort() override
    {
        control.QtPrinter().abort();
        if (painter.isActive())
            painter.end();
        if (!file.isEmpty())
            QFile::remove(file);
    }
    bool Cancelled() const override { return cancelled; }
};

struct StreamOutput : Output {
    PageStream& stream;
    QString& jobError;
    StreamOutput(PageStream& s, QString& e) : stream(s), jobError(e) {}
    double W() const { return layout.fullRectPoints().width() / 72.0; }
    double H() const { return layout.fullRectPoints().height() / 72.0; }
    bool Begin(const QString&, QString& error) override
    {
        if (!stream.Start(dpi, dpi)) {
            error = stream.Error();
            return false;
        }
        stream.BeginPage(W(), H());
        return true;
    }
    void Draw(const PageOp& o) override { stream.Append(o); }
    void NewPage() override { stream.BeginPage(W(), H()); }
    bool End() override
    {
        if (stream.Finish())
            return true;
        jobError = stream.Error();
        return false;
    }
    void Abort() override { stream.Finish(); }
};

QImage MeasureDevice(int dpi)
{
    QImage img(1, 1, QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    img.setDotsPerMeterX(dpm);
    img.setDotsPerMeterY(dpm);
    return img;
}

}  // namespace

struct TabStop {
    double position = 0;
    Justify justify = Justify::Left;
    double width = 1;
    int margin = 0;
    int lines = BoxLineNone;
    int shade = 0;
};

struct JobState {
    FontSpec font;
    int penWidth = 1;  // as given: pixels, or negative hundredths of an inch
    PenSpec pen;
    BrushSpec brush;
    // What the output last received.
    FontSpec sentFont;
    PenSpec sentPen;
    BrushSpec sentBrush;
    bool sentValid = false;
    std::vector<TabStop> tabs;
    std::vector<std::vector<TabStop>> savedTabs;
    int nextTab = 0;
    bool inCell = false;
    double cellLeft = 0, cellRight = 0;
    Justify cellJustify = Justify::Left;
    QColor shadeColor = Qt::black;
    double penX = 0, penY = 0;  // MoveTo position, device pixels
    // Measuring: a picture at the job's resolution and the metrics of the current font.
    QImage measure;
    int measureDpi = 0;
    FontSpec metricsFont;
    std::unique_ptr<QFontMetricsF> metrics;
};

PrintJob::PrintJob(PrinterControl& printer) : printer_(printer), s_(std::make_unique<JobState>())
{
    dpiX_ = dpiY_ = printer_.Resolution();
    pageWidth_ = printer_.PageWidth();
    pageHeight_ = printer_.PageHeight();
    ResetSection();
}

PrintJob::~PrintJob() = default;

void PrintJob::SetScale(double scaleXPercent, double scaleYPercent)
{
    scaleX_ = scaleXPercent > 0 ? scaleXPercent : 100;
    scaleY_ = scaleYPercent > 0 ? scaleYPercent : 100;
}

void PrintJob::SetMargins(double left, double top, double right, double bottom)
{
    margins_ = {left, top, right, bottom};
}

QString PrintJob::StatusString() const
{
    QString out;
    const QString& f = statusFormat_;
    for (int i = 0; i < f.size(); ++i) {
        if (f.at(i) == QLatin1Char('%') && i + 1 < f.size()) {
            const QChar c = f.at(i + 1);
            if (c == QLatin1Char('p')) {
                out += QString::number(pageNumber_);
                ++i;
                continue;
            }
            if (c == QLatin1Char('t')) {
                // A page past the expected total (the estimate was low) shows the page number.
                out += QString::number(std::max(pageTotal_, pageNumber_));
                ++i;
                continue;
            }
            if (c == QLatin1Char('0') || c == QLatin1Char('1')) {
                const int line = c.digitValue();
                if (line < statusText_.size())
                    out += statusText_.at(line);
                ++i;
                continue;
            }
            if (c == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
        }
        out += f.at(i);
    }
    return out;
}

void PrintJob::UpdateStatus()
{
    if (statusSink_)
        statusSink_(StatusString());
}

bool PrintJob::PrintToPrinter()
{
    auto o = std::make_unique<PrinterOutput>(printer_);
    o->dpi = printer_.Resolution();
    return Run(std::move(o));
}

bool PrintJob::PrintToPdf(const QString& path, int dpi)
{
    auto o = std::make_unique<PdfOutput>(path);
    o->dpi = dpi > 0 ? dpi : 600;
    return Run(std::move(o));
}

bool PrintJob::PrintToImages(std::vector<QImage>& pages, int dpi)
{
    auto o = std::make_unique<ImageOutput>(pages);
    o->dpi = dpi > 0 ? dpi : 96;
    return Run(std::move(o));
}

bool PrintJob::PrintToStream(PageStream& stream)
{
    auto o = std::make_unique<StreamOutput>(stream, error_);
    o->dpi = printer_.Resolution();
    return Run(std::move(o));
}

bool PrintJob::Run(std::unique_ptr<Output> output)
{
    if (running_)
        return false;
    aborted_ = false;
    failed_ = false;
    error_.clear();
    pageNumber_ = 0;
    output->layout = printer_.QtPrinter().pageLayout();
    output->layout.setUnits(QPageLayout::Point);
    output->layout.setMinimumMargins(QMarginsF());
    output->layout.setMargins(QMarginsF());
    dpiX_ = dpiY_ = output->dpi;
    pageWidth_ = printer_.PageWidth();
    pageHeight_ = printer_.PageHeight();

    *s_ = JobState();
    originX_ = originY_ = 0;
    ResetSection();
    x_ = section_.left;
    y_ = section_.top;

    out_ = std::move(output);
    running_ = true;
    pageNumber_ = 1;
    if (OnBeforePrint)
        OnBeforePrint(*this);
    if (aborted_) {
        running_ = false;
        out_.reset();
        return false;
    }
    if (!out_->Begin(title_, error_)) {
        aborted_ = out_->Cancelled();
        running_ = false;
        out_.reset();
        return false;
    }
    UpdateStatus();
    if (OnPrint)
        OnPrint(*this);
    bool ok = false;
    if (aborted_ || failed_)
        out_->Abort();
    else
        ok = out_->End();
    if (!ok && !aborted_ && error_.isEmpty())
        error_ = QStringLiteral("The print job could not be completed.");
    running_ = false;
    out_.reset();
    return ok;
}

void PrintJob::Abort()
{
    if (aborted_)
        return;
    aborted_ = true;
    // The output is closed when the job's OnPrint returns; drawing until then is dropped.
}

void PrintJob::Fail(const QString& why)
{
    if (!running_ || aborted_ || failed_)
        return;
    failed_ = true;
    error_ = why;
}

bool PrintJob::PlayPage(const PageStream& stream, int index)
{
    if (!running_ || aborted_ || failed_ || !out_)
        return false;
    s_->sentValid = false;  // the page sets its own font, pen and brush
    if (QPainter* p = out_->Painter()) {
        const QSizeF in = stream.PageSizeInches(index);
        if (!stream.Play(index, *p, QRectF(0, 0, in.width() * dpiX_, in.height() * dpiY_))) {
            Fail(stream.Error());
            return false;
        }
        return true;
    }
    const std::shared_ptr<const PageStream::Page> page = stream.PageAt(index);
    if (!page) {
        Fail(stream.Error());
        return false;
    }
    for (const PageOp& o : page->ops)
        out_->Draw(o);
    return true;
}

void PrintJob::Emit(const PageOp& operation)
{
    if (!running_ || aborted_ || failed_ || !out_)
        return;
    JobState& s = *s_;
    if (!s.sentValid || !(s.sentFont == s.font)) {
        out_->Draw(op::Font{s.font});
        s.sentFont = s.font;
    }
    if (!s.sentValid || !(s.sentPen == s.pen)) {
        out_->Draw(op::Pen{s.pen});
        s.sentPen = s.pen;
    }
    if (!s.sentValid || !(s.sentBrush == s.brush)) {
        out_->Draw(op::Brush{s.brush});
        s.sentBrush = s.brush;
    }
    s.sentValid = true;
    out_->Draw(operation);
}

void PrintJob::NewPage()
{
    if (!running_ || aborted_ || failed_)
        return;
    out_->NewPage();
    ++pageNumber_;
    s_->sentValid = false;  // every page carries its own font, pen and brush
    Home();
    UpdateStatus();
    QCoreApplication::processEvents();
    if (aborted_)
        return;
    if (OnNewPage)
        OnNewPage(*this);
}

double PrintJob::DX(double inchX) const
{
    return (inchX + originX_) * scaleX_ / 100.0 * dpiX_;
}

double PrintJob::DY(double inchY) const
{
    return (inchY + originY_) * scaleY_ / 100.0 * dpiY_;
}

QRect PrintJob::InchToDevice(const InchRect& r) const
{
    return InchToDevice(r.left, r.top, r.right, r.bottom);
}

QRect PrintJob::InchToDevice(double x1, double y1, double x2, double y2) const
{
    const int l = qRound(DX(std::min(x1, x2)));
    const int t = qRound(DY(std::min(y1, y2)));
    const int r = qRound(DX(std::max(x1, x2)));
    const int b = qRound(DY(std::max(y1, y2)));
    return QRect(l, t, r - l, b - t);
}

QPointF PrintJob::InchToDevicePoint(double x, double y) const
{
    return {DX(x), DY(y)};
}

double PrintJob::DeviceToInchX(double px) const
{
    return px / dpiX_ / (scaleX_ / 100.0) - originX_;
}

double PrintJob::DeviceToInchY(double px) const
{
    return px / dpiY_ / (scaleY_ / 100.0) - originY_;
}

// ---- font ----

void PrintJob::SetFont(const QString& name, double pointSize)
{
    FontSpec& f = s_->font;
    f.name = name;
    f.pointSize = pointSize;
    f.bold = f.italic = f.underline = f.strikeOut = false;
}

void PrintJob::SetFontName(const QString& name) { s_->font.name = name; }
void PrintJob::SetFontSize(double pointSize) { s_->font.pointSize = pointSize; }
void PrintJob::SetBold(bool on) { s_->font.bold = on; }
void PrintJob::SetItalic(bool on) { s_->font.italic = on; }
void PrintJob::SetUnderline(bool on) { s_->font.underline = on; }
void PrintJob::SetStrikeOut(bool on) { s_->font.strikeOut = on; }
void PrintJob::SetFontColor(const QColor& color) { s_->font.color = color; }
void PrintJob::SetFontRotation(double degrees) { s_->font.rotation = degrees; }
QString PrintJob::FontName() const { return s_->font.name; }
double PrintJob::FontSize() const { return s_->font.pointSize; }
bool PrintJob::Bold() const { return s_->font.bold; }
bool PrintJob::Italic() const { return s_->font.italic; }
bool PrintJob::Underline() const { return s_->font.underline; }
bool PrintJob::StrikeOut() const { return s_->font.strikeOut; }
QColor PrintJob::FontColor() const { return s_->font.color; }
double PrintJob::FontRotation() const { return s_->font.rotation; }

namespace {

const QFontMetricsF& Metrics(JobState& s, int dpi)
{
    FontSpec key = s.font;
    key.color = Qt::black;
    key.rotation = 0;
    if (s.measureDpi != dpi) {
        s.measure = MeasureDevice(dpi);
        s.measureDpi = dpi;
        s.metrics.reset();
    }
    if (!s.metrics || !(s.metricsFont == key)) {
        s.metrics = std::make_unique<QFontMetricsF>(MakeFont(key, dpi, s.measure.logicalDpiY()), &s.measure);
        s.metricsFont = key;
    }
    return *s.metrics;
}

}  // namespace

double PrintJob::TextWidth(const QString& text) const
{
    return Metrics(*s_, dpiY_).horizontalAdvance(text) / dpiY_ / (scaleX_ / 100.0);
}

double PrintJob::LineHeight() const
{
    return s_->font.pointSize / 60.0;
}

double PrintJob::FontAscent() const
{
    return Metrics(*s_, dpiY_).ascent() / dpiY_ / (scaleY_ / 100.0);
}

double PrintJob::FontDescent() const
{
    return Metrics(*s_, dpiY_).descent() / dpiY_ / (scaleY_ / 100.0);
}

double PrintJob::FontHeight() const
{
    return FontAscent() + FontDescent();
}

// ---- pen and brush ----

void PrintJob::SetPen(const QColor& color, PenStyle style, int width, PenMode mode)
{
    SetPenColor(color);
    SetPenStyle(style);
    SetPenWidth(width);
    SetPenMode(mode);
}

void PrintJob::SetPenColor(const QColor& color) { s_->pen.color = color; }
void PrintJob::SetPenStyle(PenStyle style) { s_->pen.style = style; }
void PrintJob::SetPenMode(PenMode mode) { s_->pen.mode = mode; }
QColor PrintJob::PenColor() const { return s_->pen.color; }
PenStyle PrintJob::GetPenStyle() const { return s_->pen.style; }
int PrintJob::PenWidth() const { return s_->penWidth; }
PenMode PrintJob::GetPenMode() const { return s_->pen.mode; }

void PrintJob::SetPenWidth(int width)
{
    s_->penWidth = width;
    if (width > 0)
        s_->pen.width = width;
    else if (width < 0)
        s_->pen.width = std::max(1.0, std::round(-width / 100.0 * dpiX_ * scaleX_ / 100.0));
    else
        s_->pen.width = 1;
}

void PrintJob::SetBrush(const QColor& color, BrushStyle style, const QImage& pattern)
{
    s_->brush.color = color;
    s_->brush.style = style;
    s_->brush.pattern = pattern;
}

void PrintJob::SetBrushColor(const QColor& color) { s_->brush.color = color; }
void PrintJob::SetBrushStyle(BrushStyle style) { s_->brush.style = style; }
void PrintJob::SetBrushPattern(const QImage& pattern) { s_->brush.pattern = pattern; }
QColor PrintJob::BrushColor() const { return s_->brush.color; }
BrushStyle PrintJob::GetBrushStyle() const { return s_->brush.style; }

// ---- drawing ----

void PrintJob::Rectangle(double x1, double y1, double x2, double y2)
{
    Emit(op::Rect{QRectF(QPointF(DX(x1), DY(y1)), QPointF(DX(x2), DY(y2)))});
}

void PrintJob::RoundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight)
{
    Emit(op::RoundRect{QRectF(QPointF(DX(x1), DY(y1)), QPointF(DX(x2), DY(y2))),
                       cornerWidth * scaleX_ / 100.0 * dpiX_, cornerHeight * scaleY_ / 100.0 * dpiY_});
}

void PrintJob::Ellipse(double x1, double y1, double x2, double y2)
{
    Emit(op::Ellipse{QRectF(QPointF(DX(x1), DY(y1)), QPointF(DX(x2), DY(y2)))});
}

void PrintJob::MoveTo(double x, double y)
{
    s_->penX = DX(x);
    s_->penY = DY(y);
}

void PrintJob::LineTo(double x, double y)
{
    const QPointF a(s_->penX, s_->penY), b(DX(x), DY(y));
    Emit(op::Line{a, b});
    s_->penX = b.x();
    s_->penY = b.y();
}

void PrintJob::TextOut(double x, double y, const QString& text)
{
    if (text.isEmpty())
        return;
    op::Text t;
    t.topLeft = QPointF(DX(x), DY(y));
    t.text = text;
    Emit(t);
}

void PrintJob::TextRect(const QRect& deviceClip, double x, double y, const QString& text)
{
    op::Text t;
    t.topLeft = QPointF(DX(x), DY(y));
    t.text = text;
    t.clipped = true;
    t.opaque = s_->brush.style != BrushStyle::Clear;
    t.clip = QRectF(deviceClip);
    if (text.isEmpty() && !t.opaque)
        return;
    Emit(t);
}

void PrintJob::TextRect(const InchRect& clip, double x, double y, const QString& text)
{
    TextRect(InchToDevice(clip), x, y, text);
}

void PrintJob::StretchBitmap(const InchRect& r, const QImage& image)
{
    if (image.isNull())
        return;
    Emit(op::Image{QRectF(QPointF(DX(r.left), DY(r.top)), QPointF(DX(r.right), DY(r.bottom))), image});
}

void PrintJob::StretchMetafile(const QRect& deviceRect, const MetafileDrawer& draw)
{
    if (!draw || !running_ || aborted_ || failed_ || !out_)
        return;
    const QRectF r(deviceRect);
    if (QPainter* p = out_->Painter()) {
        p->save();
        p->setClipRect(r, Qt::IntersectClip);
        draw(*p, r);
        p->restore();
        s_->sentValid = false;
        return;
    }
    Emit(op::Metafile{r, draw});
}

void PrintJob::StretchPicture(const QRect& deviceRect, const QPicture& picture)
{
    const QRect src = picture.boundingRect();
    StretchMetafile(deviceRect, [pic = QPicture(picture), src](QPainter& p, const QRectF& r) mutable {
        if (src.isEmpty())
            return;
        p.translate(r.topLeft());
        p.scale(r.width() / src.width(), r.height() / src.height());
        p.translate(-src.topLeft());
        // play() draws the recorded commands as they are (drawPicture would rescale them by the
        // device's resolution).
        pic.play(&p);
    });
}

// ---- report operations ----

void PrintJob::ResetSection()
{
    section_ = {margins_.left, margins_.top, pageWidth_ - margins_.right, pageHeight_ - margins_.bottom};
}

void PrintJob::GotoXY(double x, double y)
{
    x_ = x;
    y_ = y;
}

void PrintJob::Home()
{
    x_ = section_.left;
    y_ = section_.top + FontAscent();
    s_->nextTab = 0;
    s_->inCell = false;
}

void PrintJob::NewLine()
{
    x_ = section_.left;
    y_ += LineHeight();
    s_->nextTab = 0;
    s_->inCell = false;
}

int PrintJob::LinesLeft() const
{
    const double room = section_.bottom - (y_ + FontDescent());
    if (room < -1e-9)
        return 0;
    return static_cast<int>(std::floor(room / LineHeight() + 1e-9)) + 1;
}

void PrintJob::DrawCellText(const QString& text, double left, double right, Justify justify)
{
    const double w = TextWidth(text);
    double x = left;
    if (justify == Justify::Right)
        x = right - w;
    else if (justify == Justify::Center)
        x = (left + right - w) / 2;
    TextOut(x, y_ - FontAscent(), text);
    x_ = x + w;
}

void PrintJob::Print(const QString& text)
{
    if (s_->inCell) {
        s_->inCell = false;
        DrawCellText(text, s_->cellLeft, s_->cellRight, s_->cellJustify);
        return;
    }
    DrawCellText(text, x_, x_, Justify::Left);
}

void PrintJob::PrintLn(const QString& text)
{
    Print(text);
    NewLine();
}

void PrintJob::PrintAt(double x, double y, const QString& text)
{
    x_ = x;
    y_ = y;
    s_->inCell = false;
    Print(text);
}

void PrintJob::PrintRight(const QString& text, double rightX)
{
    s_->inCell = false;
    DrawCellText(text, rightX, rightX, Justify::Right);
}

void PrintJob::PrintCenter(const QString& text, double centerX)
{
    s_->inCell = false;
    DrawCellText(text, centerX, centerX, Justify::Center);
}

void PrintJob::PrintJustify(const QString& text, double x1, double x2, Justify justify)
{
    s_->inCell = false;
    DrawCellText(text, x1, x2, justify);
}

void PrintJob::SetTab(double position, Justify justify, double width, int margin, int lines, int shade)
{
    TabStop t;
    if (position <= TabAfterPrevious / 2)
        position = s_->tabs.empty() ? section_.left : s_->tabs.back().position + s_->tabs.back().width;
    t.position = position;
    t.justify = justify;
    t.width = width;
    t.margin = margin;
    t.lines = lines;
    t.shade = std::clamp(shade, 0, 100);
    s_->tabs.push_back(t);
}

void PrintJob::ClearTabs()
{
    s_->tabs.clear();
    s_->nextTab = 0;
    s_->inCell = false;
}

void PrintJob::SaveTabs()
{
    s_->savedTabs.push_back(s_->tabs);
}

void PrintJob::RestoreTabs()
{
    if (s_->savedTabs.empty())
        return;
    s_->tabs = std::move(s_->savedTabs.back());
    s_->savedTabs.pop_back();
    s_->nextTab = 0;
    s_->inCell = false;
}

int PrintJob::TabCount() const
{
    return static_cast<int>(s_->tabs.size());
}

void PrintJob::SetTabShadeColor(const QColor& color)
{
    s_->shadeColor = color;
}

bool PrintJob::Tab()
{
    JobState& s = *s_;
    if (s.nextTab >= static_cast<int>(s.tabs.size()))
        return false;
    const TabStop t = s.tabs[static_cast<std::size_t>(s.nextTab++)];
    const double top = y_ - LineHeight() + FontDescent();
    const double bottom = y_ + FontDescent();
    const double left = t.position, right = t.position + t.width;
    if (t.shade > 0) {
        const double k = t.shade / 100.0;
        const QColor c = s.shadeColor;
        const QColor mixed = QColor::fromRgbF(static_cast<float>(1 - k + k * c.redF()),
                                              static_cast<float>(1 - k + k * c.greenF()),
                                              static_cast<float>(1 - k + k * c.blueF()));
        Emit(op::Fill{QRectF(QPointF(DX(left), DY(top)), QPointF(DX(right), DY(bottom))), mixed});
    }
    if (t.lines != BoxLineNone) {
        const PenSpec keep = s.pen;
        s.pen = PenSpec{};
        if (t.lines & BoxLineTop)
            Emit(op::Line{QPointF(DX(left), DY(top)), QPointF(DX(right), DY(top))});
        if (t.lines & BoxLineBottom)
            Emit(op::Line{QPointF(DX(left), DY(bottom)), QPointF(DX(right), DY(bottom))});
        if (t.lines & BoxLineLeft)
            Emit(op::Line{QPointF(DX(left), DY(top)), QPointF(DX(left), DY(bottom))});
        if (t.lines & BoxLineRight)
            Emit(op::Line{QPointF(DX(right), DY(top)), QPointF(DX(right), DY(bottom))});
        s.pen = keep;
    }
    s.inCell = true;
    s.cellLeft = left + t.margin / 100.0;
    s.cellRight = right - t.margin / 100.0;
    s.cellJustify = t.justify;
    x_ = s.cellLeft;
    return true;
}

void PrintJob::PrintTab(const QString& text)
{
    if (Tab())
        Print(text);
}

PrinterControl& Engine()
{
    // Never destroyed: it must not outlive the application object at exit.
    static PrinterControl* engine = new PrinterControl;
    return *engine;
}

bool PrintStream(const PageStream& stream, PrinterControl& printer, const QString& title, QString* error)
{
    if (stream.PageCount() == 0)
        return true;
    PrinterOutput out(printer);
    out.dpi = printer.Resolution();
    QString why;
    if (!out.Begin(title, why)) {
        if (error)
            *error = why;
        return false;
    }
    QPainter& p = out.painter;
    const double dpi = out.dpi;
    for (int i = 0; i < stream.PageCount(); ++i) {
        if (i > 0)
            out.NewPage();
        const QSizeF in = stream.PageSizeInches(i);
        if (!stream.Play(i, p, QRectF(0, 0, in.width() * dpi, in.height() * dpi))) {
            out.Abort();
            if (error)
                *error = stream.Error();
            return false;
        }
    }
    const bool ok = out.End();
    if (!ok && error)
        *error = QStringLiteral("The print job could not be completed.");
    return ok;
}

}  // namespace addrova::print
