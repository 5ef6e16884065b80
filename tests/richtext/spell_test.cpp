// Spelling with Debian's en_US dictionary and a user dictionary file.

#include "SpellChecker.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace addrova::richtext;

TEST(Spell, MainAndUserDictionary)
{
    const QString base = SpellChecker::SystemDictionary();
    if (base.isEmpty())
        GTEST_SKIP() << "no en_US hunspell dictionary";
    QTemporaryDir dir;
    const QString user = dir.filePath(QStringLiteral("user.dic"));
    {
        SpellChecker s(base + QStringLiteral(".aff"), base + QStringLiteral(".dic"), user);
        ASSERT_TRUE(s.IsValid());
        EXPECT_TRUE(s.Check(QStringLiteral("letter")));
        EXPECT_TRUE(s.Check(QStringLiteral("doesn't")));
        EXPECT_TRUE(s.Check(QString::fromUtf8("doesn’t")));
        EXPECT_FALSE(s.Check(QStringLiteral("lettre")));
        EXPECT_TRUE(s.Suggest(QStringLiteral("lettre")).contains(QStringLiteral("letter")));
        EXPECT_FALSE(s.Check(QStringLiteral("Addrova")));
        EXPECT_TRUE(s.AddWord(QStringLiteral("Addrova")));
        EXPECT_TRUE(s.Check(QStringLiteral("Addrova")));
        s.IgnoreAll(QStringLiteral("qwzx"));
        EXPECT_TRUE(s.Check(QStringLiteral("qwzx")));
    }
    // The user's word is kept in the file; the ignored one is not.
    SpellChecker again(base + QStringLiteral(".aff"), base + QStringLiteral(".dic"), user);
    EXPECT_TRUE(again.Check(QStringLiteral("Addrova")));
    EXPECT_FALSE(again.Check(QStringLiteral("qwzx")));

    SpellChecker missing(dir.filePath(QStringLiteral("no.aff")), dir.filePath(QStringLiteral("no.dic")), user);
    EXPECT_FALSE(missing.IsValid());
}

TEST(Spell, Words)
{
    const QString t = QStringLiteral("Dear [Full Name], it's 2026: ok-ay x2y");
    QStringList words;
    for (WordSpan w = NextWord(t, 0); w.start >= 0; w = NextWord(t, w.start + w.length))
        words << t.mid(w.start, w.length);
    EXPECT_EQ(words, (QStringList{"Dear", "Full", "Name", "it's", "ok", "ay"}));
}
