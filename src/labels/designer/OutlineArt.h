#pragma once

// The outline pictures of the label stock: one black-on-white drawing per picture name of the
// catalogue (the ART field without its extension), drawn at the screen's resolution so that one
// pixel of the picture is one design unit of the label at 100 % zoom.

#include "GPanels.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <string>

namespace addrova::labels {

// What the die-cut of a stock shows besides its outline.
enum class ArtFeature {
    Plain,           // outline and print-safe margin only
    CdHole,          // centre hole of a disc label
    SpineHole,       // finger hole of a lever-arch spine
    WrapFold,        // fold of a wrap-around diskette label
    HalfFold,        // fold of a note card
    InsertFolds,     // the two folds of a cassette insert
    CassetteWindow,  // the tape window of a cassette label
    IndexTab,        // the tab number column of an index contents strip
    Ruled,           // head line and rules of an index card
    RotarySlots,     // the two slots of a rotary card
    BadgeBand,       // the header band of a name badge
    ColourBand,      // the colour bar of a file folder label
    Perforated       // card stock: a perforated edge instead of a die-cut
};

struct OutlineArtEntry {
    const char* name;  // the picture name, in capitals
    layout::PanelShape shape;
    double width, height;  // inches
    ArtFeature feature;
};

// The picture name of an ART value: the part before the first "." in capitals.
QString artResourceName(const std::string& art);
// The entry of a picture name, or null when the program holds no such picture.
const OutlineArtEntry* findOutlineArt(const QString& resourceName);
// The picture of a name at a resolution; a null image when the name is unknown.
QImage outlineBitmap(const QString& resourceName, int ppi);
// The drawing of a stock outline of a size in pixels.
QImage drawOutline(QSize size, layout::PanelShape shape, ArtFeature feature, int ppi);
// The panel background made from a picture: labelSize pixels of white, with every pixel of the
// picture (copied unscaled at the top-left corner) that differs from its white background in silver.
QImage silverArt(const QImage& picture, QSize labelSize);

}  // namespace addrova::labels
