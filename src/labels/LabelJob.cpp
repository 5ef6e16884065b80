#include "LabelJob.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace addrova::labels {

namespace {

std::string zip5(std::string z)
{
    if (z.size() > 5)
        z.resize(5);
    return z;
}

// The presort listing as the run consumes it.
class Listing {
public:
    Listing(const std::vector<std::string>& lines, LabelRecords& records)
        : lines_(lines.begin(), lines.end()), records_(records)
    {
    }

    // Takes the next line: a group heading (separator pending, table on its first record) or a ZIP
    // that the table holds (table on its first record of that ZIP). No line left ends the run.
    void next()
    {
        for (;;) {
            if (lines_.empty()) {
                records_.pastEnd();
                return;
            }
            std::string line = std::move(lines_.front());
            lines_.pop_front();
            if (line.find("**") != std::string::npos) {
                records_.first();
                heading_ = std::move(line);
                separator_ = true;
                return;
            }
            records_.seekZip(line);
            if (!records_.eof() && zip5(records_.zip()) == line) {
                current_ = std::move(line);
                return;
            }
        }
    }

    bool separatorPending() const { return separator_; }
    void clearSeparator() { separator_ = false; }
    const std::string& heading() const { return heading_; }
    const std::string& current() const { return current_; }

private:
    std::deque<std::string> lines_;
    LabelRecords& records_;
    std::string heading_, current_;
    bool separator_ = false;
};

double round2(double v) { return std::round(v * 100.0) / 100.0; }

}  // namespace

long RunLabels(const LabelRunOptions& o, LabelRecords& records, LabelSink& sink)
{
    const LabelGeometry& g = o.geometry;
    if (g.nbrAcross < 1 || g.nbrDown < 1 || static_cast<long>(g.nbrAcross) * g.nbrDown > kMaxLabelsPerSheet)
        return 0;
    bool anyPosition = false;
    for (int p = 0; p < g.nbrAcross * g.nbrDown; ++p)
        anyPosition = anyPosition || o.mask.test(static_cast<size_t>(p));
    if (!anyPosition)
        return 0;  // no position would ever take a label
    const int copies = std::max(1, o.copies);
    Listing listing(o.listing, records);
    if (o.presort)
        listing.next();
    int column = -1, row = 0, printed = 0;
    long placed = 0;
    while (!records.eof() && !sink.stopped()) {
        if (++column == g.nbrAcross) {
            column = 0;
            ++row;
        }
        if (row == g.nbrDown) {
            row = 0;
            column = 0;
            sink.newPage();
        }
        if (!o.mask.test(static_cast<size_t>(row * g.nbrAcross + column)))
            continue;
        const LabelPoint at = labelPosition(g, row * g.nbrAcross + column);
        const bool separator = o.presort && listing.separatorPending();
        if (separator) {
            sink.separator(at.x, at.y, listing.heading());
        } else {
            sink.record(at.x, at.y);
            if (++printed < copies) {
                ++placed;
                continue;
            }
        }
        ++placed;
        printed = 0;
        records.next();
        if (o.presort) {
            if (separator) {
                listing.clearSeparator();
                listing.next();
            } else if (records.eof() || zip5(records.zip()) != listing.current()) {
                listing.next();
            }
        }
    }
    return placed;
}

PaperChoice ChoosePaper(std::string_view code, double sheetWidth, double sheetDepth, std::string_view deviceName)
{
    PaperChoice c;
    c.landscape = code == "LTRL" || code == "A4L" || code == "USERL";
    c.width = round2(c.landscape ? sheetDepth : sheetWidth);
    c.height = round2(c.landscape ? sheetWidth : sheetDepth);
    if (code == "LTR" || code == "LTRL")
        c.paperCode = 1;
    else if (code == "A4" || code == "A4L")
        c.paperCode = 9;
    else if (code == "A5")
        c.paperCode = 11;
    else {
        std::string dev(deviceName);
        for (char& ch : dev)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        c.paperCode = 0;
        c.setPaper = dev.find("HPFDJ") == std::string::npos;
    }
    return c;
}

bool PaperNeedsConfirmation(const PaperChoice& c, double pageWidth, double pageHeight)
{
    double w = pageWidth, h = pageHeight;
    if (c.landscape)
        std::swap(w, h);
    w = round2(w);
    h = round2(h);
    return !c.setPaper || std::fabs(100 * w - 100 * c.width) > 5 + 1e-9 ||
           std::fabs(100 * h - 100 * c.height) > 5 + 1e-9;
}

std::string PaperQuestion(const PaperChoice& c)
{
    char size[64];
    std::snprintf(size, sizeof size, "%.2f\" by %.2f\"", c.width, c.height);
    return std::string("Unable to confirm that the paper size was set to\r\n\r\n") + size +
           "\r\n\r\n(you may have the wrong printer selected)\r\n\r\nWould you like to try printing anyways?";
}

}  // namespace addrova::labels
