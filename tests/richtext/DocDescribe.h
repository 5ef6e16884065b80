#pragma once

// A text picture of a document's content and formatting, for comparing documents.

#include "PageSettings.h"

#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>

inline QString DescribeDocument(const QTextDocument& doc)
{
    using namespace addrova::richtext;
    QStringList out;
    const PageSettings p = pageSettings(doc);
    out << QStringLiteral("page %1x%2 margins %3 %4 %5 %6%7")
               .arg(p.paperWidth)
               .arg(p.paperHeight)
               .arg(p.marginLeft)
               .arg(p.marginRight)
               .arg(p.marginTop)
               .arg(p.marginBottom)
               .arg(p.landscape ? QStringLiteral(" landscape") : QString());
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat f = b.blockFormat();
        QString tabs;
        for (const auto& t : f.tabPositions())
            tabs += QStringLiteral(" %1:%2").arg(unitsToTwipsRounded(t.position)).arg(int(t.type));
        out << QStringLiteral("para align=%1 li=%2 ri=%3 fi=%4 sb=%5 sa=%6 lh=%7/%8 tabs=[%9] break=%10")
                   .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(unitsToTwipsRounded(f.leftMargin()))
                   .arg(unitsToTwipsRounded(f.rightMargin()))
                   .arg(unitsToTwipsRounded(f.textIndent()))
                   .arg(unitsToTwipsRounded(f.topMargin()))
                   .arg(unitsToTwipsRounded(f.bottomMargin()))
                   .arg(f.lineHeightType())
                   .arg(f.lineHeightType() == QTextBlockFormat::ProportionalHeight
                            ? qRound(f.lineHeight())
                            : unitsToTwipsRounded(f.lineHeight()))
                   .arg(tabs)
                   .arg(int(f.pageBreakPolicy()));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fr = it.fragment();
            const QTextCharFormat c = fr.charFormat();
            out << QStringLiteral("  run \"%1\" %2 %3pt%4%5%6%7 fg=%8 bg=%9")
                       .arg(fr.text())
                       .arg(c.fontFamilies().toStringList().value(0))
                       .arg(c.fontPointSize())
                       .arg(c.fontWeight() >= QFont::DemiBold ? QStringLiteral(" bold") : QString())
                       .arg(c.fontItalic() ? QStringLiteral(" italic") : QString())
                       .arg(c.fontUnderline() ? QStringLiteral(" underline") : QString())
                       .arg(c.fontStrikeOut() ? QStringLiteral(" strike") : QString())
                       .arg(c.hasProperty(QTextFormat::ForegroundBrush) ? c.foreground().color().name()
                                                                          : QStringLiteral("auto"))
                       .arg(c.hasProperty(QTextFormat::BackgroundBrush) ? c.background().color().name()
                                                                          : QStringLiteral("none"));
        }
    }
    return out.join(QLatin1Char('\n'));
}
