#pragma once

// Spelling against a hunspell main dictionary (.aff + .dic) and a user dictionary file (one word
// a line, added words appended). Words are UTF-16 at this edge.

#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class Hunspell;

namespace addrova::richtext {

class SpellChecker {
public:
    // affPath/dicPath: the main dictionary; userPath: the user's word list (created on first add).
    SpellChecker(const QString& affPath, const QString& dicPath, const QString& userPath);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    // The main dictionary of a language in the system's hunspell folder ("" when missing).
    static QString SystemDictionary(const QString& language = QStringLiteral("en_US"));

    bool IsValid() const { return valid_; }
    bool Check(const QString& word) const;
    QStringList Suggest(const QString& word) const;
    // Adds to the user dictionary (kept in its file). False when the file cannot be written.
    bool AddWord(const QString& word);
    // Ignored for this checker's lifetime.
    void IgnoreAll(const QString& word);

private:
    std::unique_ptr<Hunspell> h_;
    bool valid_ = false;
    QString userPath_;
    QSet<QString> ignored_;
};

// The next word from `from` in `text`: its start and length, or start -1 when there is none.
// Words are letters with inner apostrophes; words with digits are skipped.
struct WordSpan {
    int start = -1;
    int length = 0;
};
WordSpan NextWord(const QString& text, int from);

}  // namespace addrova::richtext
