#include "DesignLogic.h"

#include "Table.h"

#include <cmath>

namespace addrova::labels {

using layout::LayoutFont;
using layout::PanelShape;

PanelShape shapeFromCode(const std::string& code) {
    if (code == "SR") return PanelShape::lsRectangle;
    if (code == "EL") return PanelShape::lsEllipse;
    return PanelShape::lsRoundRect;
}

QSize labelPixels(double widthInches, double heightInches, int ppi) {
    return {static_cast<int>(std::lround(widthInches * ppi)), static_cast<int>(std::lround(heightInches * ppi))};
}

int zoomStep(int percent, int direction) {
    if (direction > 0 && percent < kZoomMax) return std::min(kZoomMax, percent + kZoomStep);
    if (direction < 0 && percent > kZoomMin) return std::max(kZoomMin, percent - kZoomStep);
    return percent;
}

QString zoomCaption(float zoom) {
    return QString::number(std::lround(static_cast<double>(zoom) * 100)) + QLatin1Char('%');
}

bool postnetFits(float lblWidth) { return !(lblWidth < kPostnetMinWidth); }

std::string stockReadout(const LabelSetup& s) {
    return s.manufac == "USER" ? std::string("User Defined Label Layout") : s.tplDescrip;
}

void takeHandEntry(LabelSetup& s, const LabelGeometry& g, const std::string& paperSize, const std::string& lblShape) {
    LabelGeometry geo = g;
    geo.midExtraX = 0;
    geo.midExtraY = 0;
    s.setGeometry(geo);
    s.paperSize = paperSize;
    s.lblShape = lblShape;
    s.tplDescrip.clear();
    s.printer.clear();
    s.prodType.clear();
    s.manufac = "USER";
    s.midExtraX = 0;
    s.midExtraY = 0;
    s.art.clear();
}

QString inchText(double pixels, int ppi) { return QString::number(pixels / (ppi > 0 ? ppi : 96), 'f', 2); }

QString defaultFontCaption(const LayoutFont& f) {
    QString s = QStringLiteral("Default Font: ") + f.name + QStringLiteral(", ") + QString::number(f.size) +
                QStringLiteral(" pt ");
    if (f.style & layout::fsBold) s += QStringLiteral(", bold");
    if (f.style & layout::fsItalic) s += QStringLiteral(", italic");
    return s;
}

LayoutFont readDefaultFont(const app::ProfileFile& settings) {
    LayoutFont f;
    std::string name = settings.readString("Label", "DefaultFontName", "Arial");
    f.name = name.empty() ? QStringLiteral("Arial") : QString::fromLocal8Bit(name.c_str());
    int size = settings.readInt("Label", "DefaultFontSize", 10);
    f.size = size > 0 ? size : 10;
    f.style = (settings.readBool("Label", "DefaultFontBold", false) ? unsigned(layout::fsBold) : 0u) |
              (settings.readBool("Label", "DefaultFontItalic", false) ? unsigned(layout::fsItalic) : 0u);
    return f;
}

void writeDefaultFont(app::ProfileFile& settings, const LayoutFont& f) {
    settings.writeString("Label", "DefaultFontName", f.name.toLocal8Bit().toStdString());
    settings.writeInt("Label", "DefaultFontSize", f.size);
    settings.writeBool("Label", "DefaultFontBold", f.style & layout::fsBold);
    settings.writeBool("Label", "DefaultFontItalic", f.style & layout::fsItalic);
}

}  // namespace addrova::labels
