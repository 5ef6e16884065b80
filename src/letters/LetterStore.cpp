#include "LetterStore.h"

#include "CodePage.h"
#include "Rtf.h"
#include "Settings.h"
#include "Table.h"

#include <QStringList>
#include <QTextDocument>

namespace addrova::letters {

QByteArray StoredBody(QByteArray rtf)
{
    if (rtf.isEmpty())
        return rtf;
    qsizetype length = rtf.size();
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\r' && (i + 1 >= rtf.size() || rtf[i + 1] != '\n'))
            ++length;
        else if (c == '\n' && (i == 0 || rtf[i - 1] != '\r'))
            ++length;
    }
    if (length % 4 == 0)
        rtf += ' ';
    return rtf;
}

QString Description(const store::Table& letters)
{
    return QString::fromStdString(store::toUtf8(letters.getString("DESCRIPT"), letters.codePage()));
}

bool FindLetter(store::Table& letters, const QString& description)
{
    const QString wanted = description.trimmed();
    for (letters.goTop(); !letters.eof(); letters.skip())
        if (Description(letters) == wanted)
            return true;
    return false;
}

QStringList Descriptions(store::Table& letters)
{
    QStringList out;
    for (letters.goTop(); !letters.eof(); letters.skip())
        out << Description(letters);
    return out;
}

QString LoadBody(store::Table& letters, QTextDocument& doc)
{
    const std::string text = letters.getMemo("RTF");
    if (text.empty()) {
        doc.clear();
        return {};
    }
    const richtext::RtfResult r = richtext::ReadRtf(QByteArray::fromStdString(text), doc);
    return r.ok ? QString() : r.error;
}

namespace {

std::string cut(const QString& description, int codePage)
{
    std::string bytes = store::fromUtf8(description.toStdString(), codePage);
    if (bytes.size() > static_cast<size_t>(kDescriptionWidth))
        bytes.resize(kDescriptionWidth);
    return bytes;
}

}  // namespace

void SaveLetter(store::Table& letters, bool append, const QString& description, const QTextDocument& doc)
{
    if (append)
        letters.appendBlank();
    letters.setString("DESCRIPT", cut(description, letters.codePage()));
    letters.setMemo("RTF", StoredBody(richtext::WriteRtf(doc, 1252)).toStdString());
    letters.post();
}

QString ImportLetter(store::Table& letters, const QString& description, const QByteArray& rtf)
{
    QTextDocument doc;
    const richtext::RtfResult r = richtext::ReadRtf(rtf, doc);
    if (!r.ok && doc.isEmpty())
        return r.error;
    SaveLetter(letters, true, description, doc);
    return r.ok ? QString() : r.error;
}

void CloneLetter(store::Table& letters)
{
    const QString description = Description(letters);
    const std::string body = letters.getMemo("RTF");
    QTextDocument doc;
    if (!body.empty())
        richtext::ReadRtf(QByteArray::fromStdString(body), doc);
    SaveLetter(letters, true, QStringLiteral("Clone of ") + description, doc);
}

QString DeleteQuestion(const QString& description)
{
    return QStringLiteral("Delete \"%1\"?").arg(description);
}

QString CloneQuestion(const QString& description)
{
    return QStringLiteral("Clone \"%1\"?").arg(description);
}

LetterFont ReadLetterFont(const app::ProfileFile& settings)
{
    LetterFont f;
    f.name = QString::fromStdString(settings.readString("Letter", "DefaultFontName", "Arial"));
    f.size = settings.readInt("Letter", "DefaultFontSize", 10);
    if (f.size < 1 || f.size > 1638)
        f.size = 10;
    f.bold = settings.readBool("Letter", "DefaultFontBold", false);
    f.italic = settings.readBool("Letter", "DefaultFontItalic", false);
    return f;
}

void WriteLetterFont(app::ProfileFile& settings, const LetterFont& font)
{
    settings.writeString("Letter", "DefaultFontName", font.name.toStdString());
    settings.writeInt("Letter", "DefaultFontSize", font.size);
    settings.writeBool("Letter", "DefaultFontBold", font.bold);
    settings.writeBool("Letter", "DefaultFontItalic", font.italic);
}

QString DefaultFontCaption(const LetterFont& font)
{
    QString s = QStringLiteral("&Default Font: %1, %2 pt ").arg(font.name).arg(font.size);
    if (font.bold)
        s += QStringLiteral(", bold");
    if (font.italic)
        s += QStringLiteral(", italic");
    return s;
}

}  // namespace addrova::letters
