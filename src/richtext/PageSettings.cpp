#include "PageSettings.h"

#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <cmath>

Q_GUI_EXPORT int qt_defaultDpiY();

namespace addrova::richtext {

namespace {
constexpr const char* kProperty = "addrovaPageSettings";
}

int PageSettings::textWidth() const
{
    return std::max(1440, paperWidth - marginLeft - marginRight);
}

int PageSettings::textHeight() const
{
    return std::max(1440, paperHeight - marginTop - marginBottom);
}

PageSettings PageSettings::sane() const
{
    PageSettings p = *this;
    p.paperWidth = std::clamp(p.paperWidth, 1440, 63360);
    p.paperHeight = std::clamp(p.paperHeight, 1440, 63360);
    p.marginLeft = std::clamp(p.marginLeft, 0, p.paperWidth / 3);
    p.marginRight = std::clamp(p.marginRight, 0, p.paperWidth / 3);
    p.marginTop = std::clamp(p.marginTop, 0, p.paperHeight / 3);
    p.marginBottom = std::clamp(p.marginBottom, 0, p.paperHeight / 3);
    return p;
}

PageSettings pageSettings(const QTextDocument& doc)
{
    const QVariantList v = doc.property(kProperty).toList();
    PageSettings p;
    if (v.size() == 7) {
        p.paperWidth = v[0].toInt();
        p.paperHeight = v[1].toInt();
        p.marginLeft = v[2].toInt();
        p.marginRight = v[3].toInt();
        p.marginTop = v[4].toInt();
        p.marginBottom = v[5].toInt();
        p.landscape = v[6].toBool();
    }
    return p;
}

void setPageSettings(QTextDocument& doc, const PageSettings& page)
{
    doc.setProperty(kProperty, QVariantList{page.paperWidth, page.paperHeight, page.marginLeft, page.marginRight,
                                            page.marginTop, page.marginBottom, page.landscape});
}

double twipsToUnits(double twips)
{
    return twips * qt_defaultDpiY() / 1440.0;
}

double unitsToTwips(double units)
{
    return units * 1440.0 / qt_defaultDpiY();
}

int unitsToTwipsRounded(double units)
{
    const double t = unitsToTwips(units);
    if (!std::isfinite(t))
        return 0;
    return static_cast<int>(std::lround(std::clamp(t, -1e9, 1e9)));
}

}  // namespace addrova::richtext
