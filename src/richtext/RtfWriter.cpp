#include "Rtf.h"

#include "CodePage.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>
#include <map>
#include <vector>

namespace addrova::richtext {

namespace {

QString familyOf(const QTextCharFormat& f, const QTextDocument& doc)
{
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return doc.defaultFont().family();
}

double pointsOf(const QTextCharFormat& f, const QTextDocument& doc)
{
    const double p = f.fontPointSize();
    if (p > 0)
        return p;
    const double d = doc.defaultFont().pointSizeF();
    return d > 0 ? d : 12.0;
}

class Writer {
public:
    Writer(const QTextDocument& doc, int codePage) : doc_(doc), codePage_(codePage) {}

    QByteArray run()
    {
        // Tables first: every font and colour the text uses.
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            if (b.length() <= 1)
                note(b.charFormat());  // an empty paragraph keeps its own font
            for (auto it = b.begin(); !it.atEnd(); ++it)
                note(it.fragment().charFormat());
        }
        if (fonts_.empty())
            fontIndex(doc_.defaultFont().family());

        const PageSettings page = pageSettings(doc_);
        out_ += "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(codePage_) + "\\deff0\\uc1\r\n{\\fonttbl";
        for (size_t i = 0; i < fontNames_.size(); ++i) {
            out_ += "{\\f" + QByteArray::number(qulonglong(i)) + "\\fnil\\fcharset0 ";
            text(fontNames_[i], false);
            out_ += ";}";
        }
        out_ += "}\r\n{\\colortbl;";
        for (const QRgb c : colourList_)
            out_ += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c)) + "\\blue" +
                    QByteArray::number(qBlue(c)) + ";";
        out_ += "}\r\n";
        out_ += "\\paperw" + QByteArray::number(page.paperWidth) + "\\paperh" + QByteArray::number(page.paperHeight) +
                "\\margl" + QByteArray::number(page.marginLeft) + "\\margr" + QByteArray::number(page.marginRight) +
                "\\margt" + QByteArray::number(page.marginTop) + "\\margb" + QByteArray::number(page.marginBottom);
        if (page.landscape)
            out_ += "\\landscape";
        out_ += "\r\n";

        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            paragraph(b.blockFormat());
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                chars(frag.charFormat());
                text(frag.text(), true);
            }
            if (b.length() <= 1)
                chars(b.charFormat());
            // Every paragraph ends with \par, the last one too: readers take a \par before the
            // closing brace as the end of the last paragraph, not the start of an empty one.
            out_ += "\\par\r\n";
        }
        out_ += "}";
        return out_;
    }

private:
    int fontIndex(const QString& family)
    {
        auto it = fonts_.find(family);
        if (it != fonts_.end())
            return it->second;
        const int n = static_cast<int>(fontNames_.size());
        fonts_[family] = n;
        fontNames_.push_back(family);
        return n;
    }

    int colourIndex(const QColor& c)
    {
        const QRgb v = c.rgb() & 0xFFFFFF;
        auto it = colours_.find(v);
        if (it != colours_.end())
            return it->second;
        colourList_.push_back(v);
        const int n = static_cast<int>(colourList_.size());
        colours_[v] = n;
        return n;
    }

    void note(const QTextCharFormat& f)
    {
        fontIndex(familyOf(f, doc_));
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
            colourIndex(f.foreground().color());
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            colourIndex(f.background().color());
    }

    static QByteArray twips(double units) { return QByteArray::number(unitsToTwipsRounded(units)); }

    void paragraph(const QTextBlockFormat& b)
    {
        out_ += "\\pard";
        const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignRight)
            out_ += "\\qr";
        else if (a & Qt::AlignHCenter)
            out_ += "\\qc";
        else if (a & Qt::AlignJustify)
            out_ += "\\qj";
        else
            out_ += "\\ql";
        auto put = [&](const char* word, double units) {
            const int t = unitsToTwipsRounded(units);
            if (t != 0)
                out_ += QByteArray("\\") + word + QByteArray::number(t);
        };
        put("li", b.leftMargin());
        put("ri", b.rightMargin());
        put("fi", b.textIndent());
        put("sb", b.topMargin());
        put("sa", b.bottomMargin());
        switch (b.lineHeightType()) {
            case QTextBlockFormat::ProportionalHeight:
                if (std::lround(b.lineHeight()) != 100)
                    out_ += "\\sl" + QByteArray::number(qlonglong(std::lround(b.lineHeight() * 240.0 / 100.0))) +
                            "\\slmult1";
                break;
            case QTextBlockFormat::MinimumHeight: out_ += "\\sl" + twips(b.lineHeight()) + "\\slmult0"; break;
            case QTextBlockFormat::FixedHeight: out_ += "\\sl-" + twips(b.lineHeight()) + "\\slmult0"; break;
            default: break;
        }
        for (const QTextOption::Tab& t : b.tabPositions()) {
            switch (t.type) {
                case QTextOption::RightTab: out_ += "\\tqr"; break;
                case QTextOption::CenterTab: out_ += "\\tqc"; break;
                case QTextOption::DelimiterTab: out_ += "\\tqdec"; break;
                default: break;
            }
            out_ += "\\tx" + twips(t.position);
        }
        if (b.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            out_ += "\\pagebb";
        out_ += ' ';
    }

    void chars(const QTextCharFormat& f)
    {
        out_ += "\\plain\\f" + QByteArray::number(fontIndex(familyOf(f, doc_)));
        out_ += "\\fs" + QByteArray::number(qlonglong(std::lround(pointsOf(f, doc_) * 2)));
        if (f.fontWeight() >= QFont::DemiBold)
            out_ += "\\b";
        if (f.fontItalic())
            out_ += "\\i";
        if (f.fontUnderline())
            out_ += "\\ul";
        if (f.fontStrikeOut())
            out_ += "\\strike";
        if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
            out_ += "\\cf" + QByteArray::number(colourIndex(f.foreground().color()));
        if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
            out_ += "\\highlight" + QByteArray::number(colourIndex(f.background().color()));
        out_ += ' ';
    }

    void text(const QString& s, bool body)
    {
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s.at(i);
            const char16_t u = c.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out_ += '\\';
                out_ += static_cast<char>(u);
            } else if (u == '\t') {
                out_ += body ? "\\tab " : " ";
            } else if (u == QChar::LineSeparator || u == '\n' || u == '\r') {
                out_ += body ? "\\line " : " ";
            } else if (u == QChar::ParagraphSeparator) {
                out_ += body ? "\\par " : " ";
            } else if (u == QChar::ObjectReplacementCharacter || u == 0) {
                // pictures and other objects are not written
            } else if (u == 0x00A0) {
                out_ += "\\~";
            } else if (u >= 0x20 && u < 0x7F) {
                out_ += static_cast<char>(u);
            } else if (u < 0x20) {
                out_ += ' ';
            } else {
                unicode(s, i);
            }
        }
    }

    void unicode(const QString& s, qsizetype& i)
    {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            escapeU(c.unicode());
            escapeU(s.at(++i).unicode());
            return;
        }
        if (c.isSurrogate())
            return;
        const std::string bytes = store::fromUtf8(QString(c).toStdString(), codePage_);
        if (!bytes.empty() && bytes != "?" && bytes.size() <= 2 &&
            QString::fromStdString(store::toUtf8(bytes, codePage_)) == QString(c)) {
            static const char hex[] = "0123456789abcdef";
            for (unsigned char b : bytes) {
                out_ += "\\'";
                out_ += hex[b >> 4];
                out_ += hex[b & 15];
            }
            return;
        }
        escapeU(c.unicode());
    }

    void escapeU(char16_t u)
    {
        out_ += "\\u" + QByteArray::number(static_cast<int16_t>(u)) + "?";
    }

    const QTextDocument& doc_;
    int codePage_;
    QByteArray out_;
    std::map<QString, int> fonts_;
    std::vector<QString> fontNames_;
    std::map<QRgb, int> colours_;
    std::vector<QRgb> colourList_;
};

}  // namespace

QByteArray WriteRtf(const QTextDocument& doc, int codePage)
{
    return Writer(doc, codePage).run();
}

}  // namespace addrova::richtext
