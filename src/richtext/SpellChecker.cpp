#include "SpellChecker.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <hunspell.hxx>

namespace addrova::richtext {

SpellChecker::SpellChecker(const QString& affPath, const QString& dicPath, const QString& userPath)
    : userPath_(userPath)
{
    if (!QFileInfo::exists(affPath) || !QFileInfo::exists(dicPath))
        return;
    h_ = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(), QFile::encodeName(dicPath).constData());
    valid_ = true;
    QFile user(userPath_);
    if (!userPath_.isEmpty() && user.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&user);
        while (!in.atEnd()) {
            const QString w = in.readLine().trimmed();
            if (!w.isEmpty())
                h_->add(w.toStdString());
        }
    }
}

SpellChecker::~SpellChecker() = default;

QString SpellChecker::SystemDictionary(const QString& language)
{
    for (const QString& dir : {QStringLiteral("/usr/share/hunspell/"), QStringLiteral("/usr/share/myspell/")}) {
        const QString base = dir + language;
        if (QFileInfo::exists(base + QStringLiteral(".aff")) && QFileInfo::exists(base + QStringLiteral(".dic")))
            return base;
    }
    return {};
}

bool SpellChecker::Check(const QString& word) const
{
    if (!valid_ || word.isEmpty() || ignored_.contains(word))
        return true;
    // The dictionaries are UTF-8 (en_US is plain ASCII plus UTF-8 apostrophes).
    QString w = word;
    w.replace(QChar(0x2019), QLatin1Char('\''));
    return h_->spell(w.toStdString());
}

QStringList SpellChecker::Suggest(const QString& word) const
{
    QStringList out;
    if (!valid_)
        return out;
    for (const std::string& s : h_->suggest(word.toStdString()))
        out << QString::fromStdString(s);
    return out;
}

bool SpellChecker::AddWord(const QString& word)
{
    if (!valid_ || word.trimmed().isEmpty())
        return false;
    h_->add(word.toStdString());
    QFile user(userPath_);
    if (userPath_.isEmpty() || !user.open(QIODevice::Append | QIODevice::Text))
        return false;
    QTextStream(&user) << word << "\n";
    return true;
}

void SpellChecker::IgnoreAll(const QString& word)
{
    ignored_.insert(word);
}

WordSpan NextWord(const QString& text, int from)
{
    const int n = static_cast<int>(text.size());
    int i = std::max(0, from);
    while (i < n) {
        while (i < n && !text.at(i).isLetterOrNumber())
            ++i;
        if (i >= n)
            break;
        const int start = i;
        bool digit = false;
        while (i < n && (text.at(i).isLetterOrNumber() ||
                         ((text.at(i) == QLatin1Char('\'') || text.at(i) == QChar(0x2019)) && i + 1 < n &&
                          text.at(i + 1).isLetter() && i > start))) {
            digit = digit || text.at(i).isDigit();
            ++i;
        }
        if (!digit)
            return {start, i - start};
    }
    return {};
}

}  // namespace addrova::richtext
