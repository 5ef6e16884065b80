#pragma once

#include "LabelGeometry.h"

#include <bitset>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::labels {

// Which sheet positions a run uses: position p = row * nbrAcross + column.
using PositionMask = std::bitset<kMaxLabelsPerSheet>;

// The records a label run walks: the address table in its current order and query.
class LabelRecords {
public:
    virtual ~LabelRecords() = default;
    virtual bool eof() = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual void pastEnd() = 0;                      // last record and one further
    virtual void seekZip(std::string_view key) = 0;  // in the ZIP order, exact matching off
    virtual std::string zip() = 0;                   // ZIP field of the current record
};

// Where the run puts its labels; positions are the label's top-left corner in inches.
class LabelSink {
public:
    virtual ~LabelSink() = default;
    virtual void newPage() = 0;  // the first page is already started
    virtual void record(double x, double y) = 0;
    virtual void separator(double x, double y, const std::string& heading) = 0;
    virtual bool stopped() = 0;  // asked after each label; lets pending events run
};

struct LabelRunOptions {
    LabelGeometry geometry;
    PositionMask mask = PositionMask().set();
    int copies = 1;
    bool presort = false;
    std::vector<std::string> listing;  // presort listing lines, when presort is on
};

// Fills positions, rows and pages with the records (and, with presort, the separator labels of the
// listing's groups). Returns the number of labels placed.
long RunLabels(const LabelRunOptions& options, LabelRecords& records, LabelSink& sink);

// Paper and orientation of a label run, from the layout's paper code and sheet size.
struct PaperChoice {
    bool landscape = false;
    int paperCode = 0;       // 1 Letter, 9 A4, 11 A5, 0 custom
    double width = 0, height = 0;  // portrait size W x H, rounded to 2 decimals
    bool setPaper = true;    // false: the printer keeps its paper and the size is unconfirmed
};
PaperChoice ChoosePaper(std::string_view paperSize, double sheetWidth, double sheetDepth, std::string_view deviceName);

// True when the printer's page (in the run's orientation) differs from the choice by more than
// 0.05 inch, or when the size could not be set.
bool PaperNeedsConfirmation(const PaperChoice& choice, double pageWidth, double pageHeight);
std::string PaperQuestion(const PaperChoice& choice);

}  // namespace addrova::labels
