#pragma once

// Page size and margins of a rich-text document, in twips (1440 per inch). They travel with the
// QTextDocument as a property, so a document copied or loaded keeps its page.

#include <QtGlobal>

class QTextDocument;

namespace addrova::richtext {

struct PageSettings {
    int paperWidth = 12240;   // 8.5 in
    int paperHeight = 15840;  // 11 in
    int marginLeft = 1440, marginRight = 1440, marginTop = 1440, marginBottom = 1440;
    bool landscape = false;

    bool operator==(const PageSettings&) const = default;
    // Width and height of the text area in twips (at least one inch each way).
    int textWidth() const;
    int textHeight() const;
    // Clamped into sane bounds: paper 1 to 44 inches each way, margins 0 to a third of the paper.
    PageSettings sane() const;
};

PageSettings pageSettings(const QTextDocument& doc);
void setPageSettings(QTextDocument& doc, const PageSettings& page);

// Document units (pixels at the layout's default resolution, in which QTextDocument keeps indents,
// spacing and tab stops) from and to twips.
double twipsToUnits(double twips);
double unitsToTwips(double units);
int unitsToTwipsRounded(double units);

}  // namespace addrova::richtext
