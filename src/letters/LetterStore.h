#pragma once

// Letters in LETTER.DBF: DESCRIPT (50 characters) and RTF (memo, the letter as RTF text). The body
// passes between the memo and the document in memory.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace addrova::store {
class Table;
}
namespace addrova::app {
class ProfileFile;
}

namespace addrova::letters {

inline constexpr int kDescriptionWidth = 50;

// The memo text stored for an RTF text: when it is not empty and its length (a lone line feed or
// carriage return counting two, like CR LF) is a multiple of 4, one blank goes at its end.
QByteArray StoredBody(QByteArray rtf);

// The description of the current letter record (UTF-16, trailing blanks removed).
QString Description(const store::Table& letters);
// Goes to the first letter (in stored order) with this description; false when there is none.
bool FindLetter(store::Table& letters, const QString& description);
// Every description in stored order.
QStringList Descriptions(store::Table& letters);

// Loads the current letter's body into the document (replacing it). Returns "" or why the stored
// RTF could not be read wholly (the text that could be read is loaded).
QString LoadBody(store::Table& letters, QTextDocument& doc);
// Appends a letter (append) or rewrites the current one: description cut to 50 characters, body
// written as RTF by the document writer with the storage rule. Posts the record.
void SaveLetter(store::Table& letters, bool append, const QString& description, const QTextDocument& doc);
// Stores RTF text read from elsewhere as a new letter, written again by our writer. Returns "" or
// why the text is not RTF.
QString ImportLetter(store::Table& letters, const QString& description, const QByteArray& rtf);
// Copies the current letter to a new record "Clone of " + description; the clone becomes current.
void CloneLetter(store::Table& letters);

QString DeleteQuestion(const QString& description);  // Delete "X"?
QString CloneQuestion(const QString& description);   // Clone "X"?

// The default letter font, section "Letter" of the settings file.
struct LetterFont {
    QString name = QStringLiteral("Arial");
    int size = 10;
    bool bold = false;
    bool italic = false;
};
LetterFont ReadLetterFont(const app::ProfileFile& settings);
void WriteLetterFont(app::ProfileFile& settings, const LetterFont& font);
// "&Default Font: Arial, 10 pt , bold"
QString DefaultFontCaption(const LetterFont& font);

}  // namespace addrova::letters
