#pragma once

// A print job: pages drawn in inches, origin at the top-left corner of the paper, x to the right
// and y downwards. The same job gives the same geometry on every output.
//
// Running a job:
//
//   addrova::print::PrinterControl printer;          // printer, paper, orientation
//   printer.SetPaperCode(addrova::print::PaperLetter);
//   addrova::print::PrintJob job(printer);
//   job.SetTitle("Addrova");
//   job.OnPrint = [](addrova::print::PrintJob& j) {  // draws every page; page 1 is started
//       j.SetFont("Arial", 10);
//       j.TextOut(1.0, 1.0, "Hello");
//       j.NewPage();
//       j.Rectangle(1.0, 2.0, 3.0, 4.0);
//   };
//   job.PrintToPdf("/tmp/out.pdf", 600);              // a PDF file at 600 device dots per inch
//   std::vector<QImage> pages;
//   job.PrintToImages(pages, 150);                     // pictures at 150 dpi (white background)
//   addrova::print::PageStream stream;
//   job.PrintToStream(stream);                         // recorded for the preview window
//   job.PrintToPrinter();                              // the current printer of `printer`
//                                                      // ("PDF file" asks for a file name)
//
// Each Print* call runs the job once: OnBeforePrint, then OnPrint; every NewPage() after the first
// page raises OnNewPage. Abort() (from a button while the job runs) ends it: later drawing is
// ignored, the Print* call returns false and Aborted() is true. Jobs keep the user interface
// responsive by letting pending events run at every new page; callers that loop over records
// call QCoreApplication::processEvents() themselves after each record.
//
// Device units: the job's device resolution is XDpi() by YDpi(). InchToDevice converts inch
// rectangles to device rectangles (for TextRect clipping and StretchMetafile), relative to the
// same page origin.

#include "PageStream.h"
#include "PrintTypes.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPicture;

namespace addrova::print {

class PrinterControl;
struct JobState;

class PrintJob {
public:
    explicit PrintJob(PrinterControl& printer);
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    PrinterControl& Printer() { return printer_; }

    // ---- job settings (before a run) ----
    void SetTitle(const QString& title) { title_ = title; }
    QString Title() const { return title_; }
    // Scale of all positions and sizes in percent (100 = true size).
    void SetScale(double scaleXPercent, double scaleYPercent);
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }
    // Margins in inches from the paper edges; they define the section that ResetSection restores.
    void SetMargins(double left, double top, double right, double bottom);
    void SetMarginLeft(double v) { margins_.left = v; }
    void SetMarginTop(double v) { margins_.top = v; }
    void SetMarginRight(double v) { margins_.right = v; }
    void SetMarginBottom(double v) { margins_.bottom = v; }
    double MarginLeft() const { return margins_.left; }
    double MarginTop() const { return margins_.top; }
    double MarginRight() const { return margins_.right; }
    double MarginBottom() const { return margins_.bottom; }

    // ---- events ----
    std::function<void(PrintJob&)> OnBeforePrint;  // once, before the first page
    std::function<void(PrintJob&)> OnPrint;        // draws all pages
    std::function<void(PrintJob&)> OnNewPage;      // after each NewPage() has started a page

    // ---- status ----
    // StatusFormat: "%p" is the page number, "%t" the page total (SetPageTotal), "%0" and "%1"
    // the first two lines of StatusText.
    void SetStatusFormat(const QString& format) { statusFormat_ = format; }
    QString StatusFormat() const { return statusFormat_; }
    QStringList& StatusText() { return statusText_; }
    // The number of pages the job will make, when the caller can know it before the run (0: not known).
    void SetPageTotal(int pages) { pageTotal_ = std::max(0, pages); }
    int PageTotal() const { return pageTotal_; }
    // Receives the formatted status whenever it is refreshed (the status window's label).
    void SetStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }
    QString StatusString() const;
    void UpdateStatus();

    // ---- running ----
    bool PrintToPrinter();
    bool PrintToPdf(const QString& path, int dpi = 600);
    bool PrintToImages(std::vector<QImage>& pages, int dpi);
    // Records at the current printer's resolution, page size and orientation.
    bool PrintToStream(PageStream& stream);
    void Abort();
    bool Aborted() const { return aborted_; }
    // Ends the running job as failed: later drawing is ignored, the Print* call returns false and
    // ErrorText() is `why`.
    void Fail(const QString& why);
    bool Printing() const { return running_; }
    // Why the last run failed without being aborted (file not writable, printer error).
    QString ErrorText() const { return error_; }

    // ---- page ----
    void NewPage();
    int PageNumber() const { return pageNumber_; }
    double PageWidth() const { return pageWidth_; }
    double PageHeight() const { return pageHeight_; }
    int XDpi() const { return dpiX_; }
    int YDpi() const { return dpiY_; }
    // Added to every x and y given to the drawing and report operations (not to the section).
    void SetOrigin(double x, double y) { originX_ = x; originY_ = y; }
    void SetOriginX(double x) { originX_ = x; }
    void SetOriginY(double y) { originY_ = y; }
    double OriginX() const { return originX_; }
    double OriginY() const { return originY_; }
    // Inch coordinates to device pixels and back (origin and scale applied).
    QRect InchToDevice(const InchRect& r) const;
    QRect InchToDevice(double x1, double y1, double x2, double y2) const;
    QPointF InchToDevicePoint(double x, double y) const;
    double DeviceToInchX(double px) const;
    double DeviceToInchY(double px) const;

    // ---- font ----
    // Sets name and size in points and switches bold, italic, underline and strike-out off.
    void SetFont(const QString& name, double pointSize);
    void SetFontName(const QString& name);
    void SetFontSize(double pointSize);
    void SetBold(bool on);
    void SetItalic(bool on);
    void SetUnderline(bool on);
    void SetStrikeOut(bool on);
    void SetFontColor(const QColor& color);
    // Counter-clockwise, in degrees, about the text's top-left corner.
    void SetFontRotation(double degrees);
    QString FontName() const;
    double FontSize() const;
    bool Bold() const;
    bool Italic() const;
    bool Underline() const;
    bool StrikeOut() const;
    QColor FontColor() const;
    double FontRotation() const;
    // Measures with the current font, in inches.
    double TextWidth(const QString& text) const;
    double LineHeight() const;  // point size / 60
    double FontAscent() const;
    double FontDescent() const;
    double FontHeight() const;  // ascent + descent

    // ---- pen and brush ----
    // Width: device pixels when positive; hundredths of an inch when negative (at least one
    // device pixel); 0 is one device pixel.
    void SetPen(const QColor& color, PenStyle style, int width, PenMode mode = PenMode::Copy);
    void SetPenColor(const QColor& color);
    void SetPenStyle(PenStyle style);
    void SetPenWidth(int width);
    void SetPenMode(PenMode mode);
    QColor PenColor() const;
    PenStyle GetPenStyle() const;
    int PenWidth() const;
    PenMode GetPenMode() const;
    // Pattern: a bitmap tiled as the brush at screen size (one bitmap pixel = 1/96 inch), used
    // instead of colour and style unless the style is Clear; a null image removes it.
    void SetBrush(const QColor& color, BrushStyle style, const QImage& pattern = QImage());
    void SetBrushColor(const QColor& color);
    void SetBrushStyle(BrushStyle style);
    void SetBrushPattern(const QImage& pattern);
    QColor BrushColor() const;
    BrushStyle GetBrushStyle() const;

    // ---- drawing, in inches ----
    void Rectangle(double x1, double y1, double x2, double y2);
    void RoundRect(double x1, double y1, double x2, double y2, double cornerWidth, double cornerHeight);
    void Ellipse(double x1, double y1, double x2, double y2);
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    // Text with its top-left corner at (x, y), in the current font, rotation and colour.
    void TextOut(double x, double y, const QString& text);
    // The same clipped to a device rectangle; the rectangle is filled with the brush colour first
    // unless the brush is clear.
    void TextRect(const QRect& deviceClip, double x, double y, const QString& text);
    void TextRect(const InchRect& clip, double x, double y, const QString& text);
    void StretchBitmap(const InchRect& r, const QImage& image);
    // A metafile drawn by the caller: `draw` paints into `deviceRect` on the given painter, in
    // device pixels. The page stream keeps a copy of `draw` and calls it whenever the page is
    // shown, so it must own (capture by value) what it draws.
    using MetafileDrawer = std::function<void(QPainter& painter, const QRectF& deviceRect)>;
    void StretchMetafile(const QRect& deviceRect, const MetafileDrawer& draw);
    void StretchPicture(const QRect& deviceRect, const QPicture& picture);
    // Draws page `index` of recorded pages onto the current page (printing from the preview);
    // false, and the job failed, when the page cannot be read back.
    bool PlayPage(const PageStream& stream, int index);

    // ---- report operations ----
    void SetSection(const InchRect& section) { section_ = section; }
    void SetSectionLeft(double v) { section_.left = v; }
    void SetSectionTop(double v) { section_.top = v; }
    void SetSectionRight(double v) { section_.right = v; }
    void SetSectionBottom(double v) { section_.bottom = v; }
    double SectionLeft() const { return section_.left; }
    double SectionTop() const { return section_.top; }
    double SectionRight() const { return section_.right; }
    double SectionBottom() const { return section_.bottom; }
    // Section = the page inside the margins.
    void ResetSection();

    // The current position: X, and Y as the baseline of the current line.
    double XPos() const { return x_; }
    double YPos() const { return y_; }
    void SetXPos(double x) { x_ = x; }
    void SetYPos(double y) { y_ = y; }
    void GotoXY(double x, double y);
    // First line of the section: X = section left, baseline one ascent below the section top.
    void Home();
    // X = section left, Y + line height, and the tab stops start again from the first.
    void NewLine();
    // Lines that still fit between the current line (included) and the section bottom.
    int LinesLeft() const;

    // Text at the current position (X advances); inside a tab cell after Tab() it is placed by
    // the cell's justification and inner margin.
    void Print(const QString& text);
    void PrintLn(const QString& text);
    void PrintAt(double x, double y, const QString& text);  // baseline at y
    void PrintRight(const QString& text, double rightX);     // ends at rightX on the current line
    void PrintCenter(const QString& text, double centerX);   // centred on centerX
    // A line of text justified between two x positions on the current line.
    void PrintJustify(const QString& text, double x1, double x2, Justify justify);

    // Tab stops. `position` is in inches, or TabAfterPrevious for the end of the previous stop
    // (the section left for the first). margin: inner margin in hundredths of an inch; lines:
    // BoxLine flags; shade: percent of black (0 none).
    static constexpr double TabAfterPrevious = -1.0e9;
    void SetTab(double position, Justify justify, double width, int margin = 0, int lines = BoxLineNone,
                int shade = 0);
    void ClearTabs();
    void SaveTabs();
    void RestoreTabs();
    int TabCount() const;
    // Moves to the next stop (shading it and drawing its lines for the current line); false and
    // no move when there is no further stop.
    bool Tab();
    void PrintTab(const QString& text);
    // The colour that shade percentages mix with white (black by default).
    void SetTabShadeColor(const QColor& color);

private:
    bool Run(std::unique_ptr<struct Output> output);
    void Emit(const PageOp& op);
    double DX(double inchX) const;
    double DY(double inchY) const;
    void DrawCellText(const QString& text, double left, double right, Justify justify);

    PrinterControl& printer_;
    QString title_ = QStringLiteral("Addrova");
    double scaleX_ = 100, scaleY_ = 100;
    InchMargins margins_{0.5, 0.5, 0.5, 0.5};
    QString statusFormat_;
    QStringList statusText_;
    int pageTotal_ = 0;
    std::function<void(const QString&)> statusSink_;
    bool aborted_ = false;
    bool failed_ = false;
    bool running_ = false;
    QString error_;
    int pageNumber_ = 0;
    double pageWidth_ = 8.5, pageHeight_ = 11;
    int dpiX_ = 600, dpiY_ = 600;
    double originX_ = 0, originY_ = 0;
    InchRect section_;
    double x_ = 0, y_ = 0;
    std::unique_ptr<JobState> s_;
    std::unique_ptr<struct Output> out_;
};

// The program's print engine settings: one printer selection shared by every window.
PrinterControl& Engine();

// Prints recorded pages (a preview) on the current printer of `printer`; false when the printer
// could not be started or the file name was refused (`error` says why, empty when cancelled).
bool PrintStream(const PageStream& stream, PrinterControl& printer, const QString& title, QString* error = nullptr);

}  // namespace addrova::print
