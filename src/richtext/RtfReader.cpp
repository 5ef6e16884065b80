#include "Rtf.h"

#include "CodePage.h"

#include <QColor>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <map>
#include <vector>

namespace addrova::richtext {

namespace {

enum class Dest { Body, Skip, FontTable, ColorTable };

struct FontDef {
    QString name;
    int charset = -1;
};

struct State {
    Dest dest = Dest::Body;
    // character
    int font = -1;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strike = false;
    int fg = 0, bg = 0;  // colour table indexes, 0 = automatic
    int uc = 1;
    // paragraph
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0, sl = 0;
    bool slmult = false, pagebb = false;
    QTextOption::TabType nextTab = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;
};

int codePageOfCharset(int charset)
{
    switch (charset) {
        case 0: return 0;  // ANSI: the document's code page
        case 128: return 932;
        case 129: return 949;
        case 134: return 936;
        case 136: return 950;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        default: return 0;  // symbol, OEM and unknown: the document's page
    }
}

int clampInt(long long v, int lo, int hi)
{
    return static_cast<int>(std::clamp<long long>(v, lo, hi));
}

class Reader {
public:
    Reader(const QByteArray& in, QTextCursor& cursor, bool whole) : in_(in), cur_(cursor), whole_(whole) {}

    RtfResult run()
    {
        RtfResult r;
        skipSpace();
        if (!in_.mid(pos_, 5).startsWith("{\\rtf")) {
            r.ok = false;
            r.error = QStringLiteral("The file is not an RTF document (it does not begin with {\\rtf).");
            return r;
        }
        cur_.beginEditBlock();
        parse(r);
        if (!done_) {
            flushBytes();
            finishDocument();
        }
        cur_.endEditBlock();
        if (whole_)
            setPageSettings(*cur_.document(), page_.sane());
        return r;
    }

private:
    void skipSpace()
    {
        while (pos_ < in_.size() && (in_[pos_] == ' ' || in_[pos_] == '\r' || in_[pos_] == '\n' || in_[pos_] == '\t'))
            ++pos_;
    }

    void parse(RtfResult& r)
    {
        const qsizetype n = in_.size();
        while (pos_ < n) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                if (stack_.size() >= kMaxRtfDepth) {
                    r.ok = false;
                    r.error = QStringLiteral("The RTF text is nested too deeply (more than %1 groups); the text after "
                                             "that point is not read.")
                                  .arg(kMaxRtfDepth);
                    return;
                }
                flushBytes();
                stack_.push_back(st_);
                groupStart_ = true;
                formatDirty_ = true;
                continue;
            }
            if (c == '}') {
                ++pos_;
                flushBytes();
                endGroup();
                if (stack_.size() <= 1) {
                    // The document's closing brace: the last paragraph ends with the properties in
                    // force; what follows is not RTF.
                    finishDocument();
                    done_ = true;
                    return;
                }
                st_ = stack_.back();
                stack_.pop_back();
                groupStart_ = false;
                formatDirty_ = true;
                continue;
            }
            if (c == '\\') {
                controlWord();
                continue;
            }
            ++pos_;
            if (c == '\r' || c == '\n' || c == '\0')
                continue;
            groupStart_ = false;
            if (skipFallback())
                continue;
            const auto uc = static_cast<unsigned char>(c);
            if (uc >= 0x80)
                bytes_.push_back(c);
            else {
                flushBytes();
                text(QChar(c));
            }
        }
        if (!done_ && !stack_.empty() && whole_) {
            // A missing closing brace: the text read so far stands.
            r.ok = false;
            r.error = QStringLiteral("The RTF text ends before its last group is closed.");
        }
    }

    // Counts down \uc fallback characters; true when this one is skipped.
    bool skipFallback()
    {
        if (fallback_ > 0) {
            --fallback_;
            return true;
        }
        return false;
    }

    void controlWord()
    {
        const qsizetype n = in_.size();
        ++pos_;  // backslash
        if (pos_ >= n)
            return;
        const char c = in_[pos_];
        const bool star = groupStart_;
        groupStart_ = false;
        if (!isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c, star);
            return;
        }
        qsizetype start = pos_;
        while (pos_ < n && pos_ - start < 32 && isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_;
        while (pos_ < n && isalpha(static_cast<unsigned char>(in_[pos_])))
            ++pos_;  // an overlong word is cut, not read as text
        const QByteArray word = in_.mid(start, std::min<qsizetype>(pos_ - start, 32));
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (pos_ < n && in_[pos_] == '-' && pos_ + 1 < n && isdigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < n && isdigit(static_cast<unsigned char>(in_[pos_]))) {
            if (digits < 10)
                param = param * 10 + (in_[pos_] - '0');
            ++digits;
            ++pos_;
            hasParam = true;
        }
        if (negative)
            param = -param;
        if (pos_ < n && in_[pos_] == ' ')
            ++pos_;
        handleWord(word, hasParam, param);
    }

    void controlSymbol(char c, bool /*groupStart*/)
    {
        switch (c) {
            case '*':
                // An optional destination: skipped unless it is one we know by its word.
                starPending_ = true;
                return;
            case '\'': {
                const qsizetype n = in_.size();
                int v = 0, got = 0;
                while (got < 2 && pos_ < n && isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                    const char h = in_[pos_++];
                    v = v * 16 + (isdigit(static_cast<unsigned char>(h)) ? h - '0' : (tolower(h) - 'a' + 10));
                    ++got;
                }
                if (got == 0 || skipFallback())
                    return;
                bytes_.push_back(static_cast<char>(v));
                return;
            }
            case '\\':
            case '{':
            case '}':
                if (skipFallback())
                    return;
                flushBytes();
                text(QChar(c));
                return;
            case '~':
                if (skipFallback())
                    return;
                flushBytes();
                text(QChar(0x00A0));
                return;
            case '_':
                if (skipFallback())
                    return;
                flushBytes();
                text(QChar(0x2011));
                return;
            case '-':
                skipFallback();
                return;  // an optional hyphen shows nowhere in our layout
            case '\r':
            case '\n':
                flushBytes();
                if (!skipFallback())
                    paragraph();
                return;
            default:
                skipFallback();
                return;
        }
    }

    void handleWord(const QByteArray& w, bool hasParam, long long p)
    {
        flushBytes();
        formatDirty_ = true;
        const bool star = starPending_;
        starPending_ = false;
        if (w == "bin") {
            // Binary data: skipped whatever the destination.
            const long long len = std::max<long long>(0, p);
            pos_ = std::min<qsizetype>(in_.size(), pos_ + static_cast<qsizetype>(std::min<long long>(len, in_.size())));
            return;
        }
        if (st_.dest == Dest::Skip)
            return;
        if (w == "u") {
            if (skipFallback())
                return;
            if (p < -32768 || p > 65535) {
                fallback_ = st_.uc;
                return;
            }
            int v = static_cast<int>(p);
            if (v < 0)
                v += 65536;
            v &= 0xFFFF;
            if (QChar::isHighSurrogate(static_cast<char16_t>(v))) {
                highSurrogate_ = static_cast<char16_t>(v);
            } else if (QChar::isLowSurrogate(static_cast<char16_t>(v)) && highSurrogate_) {
                const char16_t pair[2] = {highSurrogate_, static_cast<char16_t>(v)};
                highSurrogate_ = 0;
                text(QString(reinterpret_cast<const QChar*>(pair), 2));
            } else if (!QChar::isSurrogate(static_cast<char16_t>(v)) && v != 0) {
                text(QChar(static_cast<char16_t>(v)));
            }
            fallback_ = st_.uc;
            return;
        }
        if (skipFallback())
            return;
        if (destination(w, star))
            return;
        if (star) {
            st_.dest = Dest::Skip;
            return;
        }
        if (st_.dest == Dest::FontTable) {
            if (w == "f" && hasParam)
                fontDef_ = clampInt(p, 0, 65535);
            else if (w == "fcharset" && hasParam)
                fonts_[fontDef_].charset = clampInt(p, 0, 255);
            return;
        }
        if (st_.dest == Dest::ColorTable) {
            if (w == "red")
                colour_.setRed(clampInt(p, 0, 255));
            else if (w == "green")
                colour_.setGreen(clampInt(p, 0, 255));
            else if (w == "blue")
                colour_.setBlue(clampInt(p, 0, 255));
            if (w == "red" || w == "green" || w == "blue")
                colourSet_ = true;
            return;
        }
        const auto on = [&] { return !hasParam || p != 0; };
        // Document
        if (w == "ansicpg") {
            if (p > 0 && p < 100000)
                codePage_ = static_cast<int>(p);
        } else if (w == "deff") {
            deff_ = clampInt(p, 0, 65535);
        } else if (w == "paperw") {
            page_.paperWidth = clampInt(p, 0, 1000000);
        } else if (w == "paperh") {
            page_.paperHeight = clampInt(p, 0, 1000000);
        } else if (w == "margl") {
            page_.marginLeft = clampInt(p, 0, 1000000);
        } else if (w == "margr") {
            page_.marginRight = clampInt(p, 0, 1000000);
        } else if (w == "margt") {
            page_.marginTop = clampInt(p, 0, 1000000);
        } else if (w == "margb") {
            page_.marginBottom = clampInt(p, 0, 1000000);
        } else if (w == "landscape") {
            page_.landscape = true;
        }
        // Characters
        else if (w == "plain") {
            st_.font = -1;
            st_.halfPoints = 24;
            st_.bold = st_.italic = st_.underline = st_.strike = false;
            st_.fg = st_.bg = 0;
        } else if (w == "f") {
            st_.font = clampInt(p, 0, 65535);
        } else if (w == "fs") {
            if (hasParam && p > 0)
                st_.halfPoints = clampInt(p, 2, 3276);
        } else if (w == "b") {
            st_.bold = on();
        } else if (w == "i") {
            st_.italic = on();
        } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" || w == "uldash") {
            st_.underline = on();
        } else if (w == "ulnone") {
            st_.underline = false;
        } else if (w == "strike") {
            st_.strike = on();
        } else if (w == "cf") {
            st_.fg = clampInt(p, 0, 65535);
        } else if (w == "cb" || w == "highlight" || w == "chcbpat") {
            st_.bg = clampInt(p, 0, 65535);
        } else if (w == "uc") {
            st_.uc = clampInt(p, 0, 10);
        }
        // Paragraphs
        else if (w == "pard") {
            st_.align = Qt::AlignLeft;
            st_.li = st_.ri = st_.fi = st_.sb = st_.sa = st_.sl = 0;
            st_.slmult = st_.pagebb = false;
            st_.tabs.clear();
            st_.nextTab = QTextOption::LeftTab;
        } else if (w == "par" || w == "sect") {
            paragraph();
        } else if (w == "line") {
            text(QChar(QChar::LineSeparator));
        } else if (w == "tab" || w == "cell") {
            text(QChar('\t'));
        } else if (w == "row") {
            paragraph();
        } else if (w == "page") {
            pageBreak();
        } else if (w == "ql") {
            st_.align = Qt::AlignLeft;
        } else if (w == "qr") {
            st_.align = Qt::AlignRight;
        } else if (w == "qc") {
            st_.align = Qt::AlignHCenter;
        } else if (w == "qj") {
            st_.align = Qt::AlignJustify;
        } else if (w == "li") {
            st_.li = clampInt(p, -31680, 31680);
        } else if (w == "ri") {
            st_.ri = clampInt(p, -31680, 31680);
        } else if (w == "fi") {
            st_.fi = clampInt(p, -31680, 31680);
        } else if (w == "sb") {
            st_.sb = clampInt(p, 0, 31680);
        } else if (w == "sa") {
            st_.sa = clampInt(p, 0, 31680);
        } else if (w == "sl") {
            st_.sl = clampInt(p, -31680, 31680);
        } else if (w == "slmult") {
            st_.slmult = on();
        } else if (w == "pagebb") {
            st_.pagebb = on();
        } else if (w == "tqr") {
            st_.nextTab = QTextOption::RightTab;
        } else if (w == "tqc") {
            st_.nextTab = QTextOption::CenterTab;
        } else if (w == "tqdec") {
            st_.nextTab = QTextOption::DelimiterTab;
        } else if (w == "tx" || w == "tb") {
            if (st_.tabs.size() < 64) {
                QTextOption::Tab t(twipsToUnits(clampInt(p, 0, 31680)), st_.nextTab);
                if (st_.nextTab == QTextOption::DelimiterTab)
                    t.delimiter = QLatin1Char('.');
                st_.tabs.append(t);
            }
            st_.nextTab = QTextOption::LeftTab;
        }
        // Single characters
        else if (w == "emdash") {
            text(QChar(0x2014));
        } else if (w == "endash") {
            text(QChar(0x2013));
        } else if (w == "bullet") {
            text(QChar(0x2022));
        } else if (w == "lquote") {
            text(QChar(0x2018));
        } else if (w == "rquote") {
            text(QChar(0x2019));
        } else if (w == "ldblquote") {
            text(QChar(0x201C));
        } else if (w == "rdblquote") {
            text(QChar(0x201D));
        } else if (w == "emspace") {
            text(QChar(0x2003));
        } else if (w == "enspace") {
            text(QChar(0x2002));
        } else if (w == "qmspace") {
            text(QChar(0x2005));
        }
    }

    // Destination words; true when the word was one.
    bool destination(const QByteArray& w, bool star)
    {
        static const char* const skipped[] = {
            "stylesheet", "info", "pict", "object", "header", "footer", "headerl", "headerr", "headerf", "footerl",
            "footerr", "footerf", "footnote", "annotation", "fldinst", "xmlnstbl", "listtable", "listoverridetable",
            "revtbl", "rsidtbl", "generator", "themedata", "colorschememapping", "datastore", "latentstyles",
            "pgdsctbl", "nonshppict", "shpinst", "bkmkstart", "bkmkend", "atnid", "atnauthor", "pn", "filetbl",
            "txe", "xe", "tc", "template", "userprops", "docvar", "mmathPr", "wgrffmtfilter", "pnseclvl",
            "background", "objdata", "blipuid", "sp", "sn", "sv", "fldtype", "ftnsep", "ftnsepc", "aftnsep",
            "formfield", "picprop", "shppict", "protusertbl", "passwordhash", "defchp", "defpap", "panose",
            "falt", "fontemb", "fontfile", "listpicture", "ud"};
        if (w == "rtf")
            return true;
        if (w == "fonttbl") {
            st_.dest = Dest::FontTable;
            return true;
        }
        if (w == "colortbl") {
            st_.dest = Dest::ColorTable;
            colours_.clear();
            return true;
        }
        if (w == "upr") {
            // Two forms of one text: the \ud part is skipped, the ANSI part read.
            return true;
        }
        if (w == "fldrslt" || w == "field")
            return true;
        for (const char* s : skipped)
            if (w == s) {
                st_.dest = Dest::Skip;
                return true;
            }
        (void)star;
        return false;
    }

    void endGroup()
    {
        if (st_.dest == Dest::FontTable)
            finishFontName();
    }

    void finishFontName()
    {
        QString name = fontName_.trimmed();
        if (name.endsWith(QLatin1Char(';')))
            name.chop(1);
        if (!name.isEmpty())
            fonts_[fontDef_].name = name;
        fontName_.clear();
    }

    int codePageFor(int font) const
    {
        const int f = font < 0 ? deff_ : font;
        auto it = fonts_.find(f);
        if (it != fonts_.end() && it->second.charset >= 0) {
            const int cp = codePageOfCharset(it->second.charset);
            if (cp)
                return cp;
        }
        return codePage_;
    }

    void flushBytes()
    {
        if (bytes_.empty())
            return;
        const std::string raw(bytes_.begin(), bytes_.end());
        bytes_.clear();
        if (st_.dest == Dest::Skip)
            return;
        text(QString::fromStdString(store::toUtf8(raw, codePageFor(st_.font))));
    }

    void text(const QString& s)
    {
        switch (st_.dest) {
            case Dest::Skip: return;
            case Dest::FontTable:
                for (QChar c : s) {
                    if (c == QLatin1Char(';'))
                        finishFontName();
                    else if (fontName_.size() < 256)
                        fontName_ += c;
                }
                return;
            case Dest::ColorTable:
                for (QChar c : s)
                    if (c == QLatin1Char(';')) {
                        colours_.push_back(colourSet_ ? colour_ : QColor());
                        colour_ = QColor(0, 0, 0);
                        colourSet_ = false;
                    }
                return;
            case Dest::Body: break;
        }
        QString clean;
        const QString* use = &s;
        for (QChar c : s)
            if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
                for (QChar k : s)
                    if (k.unicode() >= 0x20 || k == QLatin1Char('\t'))
                        clean += k;
                use = &clean;
                break;
            }
        if (use->isEmpty())
            return;
        if (formatDirty_) {
            const QTextCharFormat f = charFormat();
            formatDirty_ = false;
            if (!pending_.isEmpty() && f != pendingFormat_)
                flushText();
            pendingFormat_ = f;
        }
        pending_ += *use;
    }

    QColor colourAt(int index) const
    {
        if (index <= 0 || index >= static_cast<int>(colours_.size()))
            return QColor();
        return colours_[static_cast<size_t>(index)];
    }

    QTextCharFormat charFormat() const
    {
        QTextCharFormat f;
        const int fontNo = st_.font < 0 ? deff_ : st_.font;
        auto it = fonts_.find(fontNo);
        if (it != fonts_.end() && !it->second.name.isEmpty())
            f.setFontFamilies(QStringList{it->second.name});
        else
            f.setFontFamilies(QStringList{defaultFamily_});
        f.setFontPointSize(st_.halfPoints / 2.0);
        if (st_.bold)
            f.setFontWeight(QFont::Bold);
        if (st_.italic)
            f.setFontItalic(true);
        if (st_.underline)
            f.setFontUnderline(true);
        if (st_.strike)
            f.setFontStrikeOut(true);
        const QColor fg = colourAt(st_.fg);
        if (fg.isValid())
            f.setForeground(fg);
        const QColor bg = colourAt(st_.bg);
        if (bg.isValid())
            f.setBackground(bg);
        return f;
    }

    QTextBlockFormat blockFormat() const
    {
        QTextBlockFormat b;
        b.setAlignment(st_.align);
        b.setLeftMargin(twipsToUnits(st_.li));
        b.setRightMargin(twipsToUnits(st_.ri));
        b.setTextIndent(twipsToUnits(st_.fi));
        b.setTopMargin(twipsToUnits(st_.sb));
        b.setBottomMargin(twipsToUnits(st_.sa));
        if (st_.sl != 0) {
            if (st_.slmult && st_.sl > 0)
                b.setLineHeight(st_.sl * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
            else if (st_.sl > 0)
                b.setLineHeight(twipsToUnits(st_.sl), QTextBlockFormat::MinimumHeight);
            else
                b.setLineHeight(twipsToUnits(-st_.sl), QTextBlockFormat::FixedHeight);
        }
        if (!st_.tabs.isEmpty())
            b.setTabPositions(st_.tabs);
        if (st_.pagebb || blockBreak_)
            b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        return b;
    }

    void flushText()
    {
        if (pending_.isEmpty())
            return;
        cur_.insertText(pending_, pendingFormat_);
        blockHasText_ = true;
        parOpened_ = false;
        pending_.clear();
    }

    // Ends the current paragraph with the paragraph properties in force; `more` starts a new one.
    void finishParagraph(bool more)
    {
        flushText();
        QTextBlockFormat b = blockFormat();
        if (!whole_ && firstParagraph_) {
            // Inserted text joins the paragraph at the cursor, which keeps its own properties.
            b = cur_.blockFormat();
        }
        cur_.setBlockFormat(b);
        if (!blockHasText_)
            cur_.setBlockCharFormat(charFormat());
        firstParagraph_ = false;
        blockBreak_ = false;
        blockHasText_ = false;
        if (more) {
            cur_.insertBlock();
            ++paragraphs_;
        }
    }

    void paragraph()
    {
        if (st_.dest != Dest::Body)
            return;
        finishParagraph(true);
        parOpened_ = true;
    }

    // A \par closing the document's last paragraph (as word processors write it) opens no empty
    // paragraph after it.
    void finishDocument()
    {
        flushText();
        if (parOpened_ && !blockHasText_ && !blockBreak_ && paragraphs_ > 0) {
            cur_.deletePreviousChar();
            return;
        }
        finishParagraph(false);
    }

    void pageBreak()
    {
        if (st_.dest != Dest::Body)
            return;
        flushText();
        if (blockHasText_)
            finishParagraph(true);
        blockBreak_ = true;
    }

    const QByteArray& in_;
    QTextCursor& cur_;
    bool whole_;
    qsizetype pos_ = 0;
    std::vector<State> stack_;
    State st_;
    bool groupStart_ = false, starPending_ = false, done_ = false;
    int fallback_ = 0;
    char16_t highSurrogate_ = 0;
    std::vector<char> bytes_;

    int codePage_ = 1252;
    int deff_ = 0;
    std::map<int, FontDef> fonts_;
    int fontDef_ = 0;
    QString fontName_;
    std::vector<QColor> colours_;
    QColor colour_{0, 0, 0};
    bool colourSet_ = false;
    PageSettings page_;

    QString defaultFamily_ = cur_.document()->defaultFont().family();
    QString pending_;
    QTextCharFormat pendingFormat_;
    bool formatDirty_ = true;
    bool blockHasText_ = false, blockBreak_ = false, firstParagraph_ = true;
    long paragraphs_ = 0;
    bool parOpened_ = false;  // the current paragraph was begun by \par and holds nothing yet
};

}  // namespace

RtfResult ReadRtf(const QByteArray& rtf, QTextDocument& doc)
{
    doc.clear();
    doc.setDocumentMargin(0);
    QTextCursor cursor(&doc);
    Reader reader(rtf, cursor, true);
    RtfResult r = reader.run();
    if (!r.ok && r.error.startsWith(QStringLiteral("The file is not")))
        setPageSettings(doc, PageSettings{});
    doc.setModified(false);
    return r;
}

RtfResult InsertRtf(const QByteArray& rtf, QTextCursor& cursor)
{
    Reader reader(rtf, cursor, false);
    return reader.run();
}

}  // namespace addrova::richtext
