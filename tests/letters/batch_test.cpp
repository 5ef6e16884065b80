// The letter verbs of addrova-batch: the shipped letter, import and export, one PDF and one PDF
// per record.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LetterBatch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    int batch(const QStringList& args, QString* err = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ADDROVA_HOME"), dir_.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ADDROVA_BATCH), args);
        p.waitForFinished(120000);
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    static QString tool(const char* program, const QStringList& args)
    {
        QProcess p;
        p.start(QString::fromLatin1(program), args);
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir_;
};

TEST_F(LetterBatch, ShippedLetterImportExportAndMerge)
{
    ASSERT_EQ(batch({QStringLiteral("demo"), path("addr.dbf"), QStringLiteral("6"), QStringLiteral("--seed"),
                     QStringLiteral("7")}),
              0);
    // The shipped letter merges with a record.
    QString err;
    ASSERT_EQ(batch({QStringLiteral("letters"), path("addr.dbf"), QStringLiteral("--letter"),
                     QStringLiteral("Business Letter"), QStringLiteral("--recno"), QStringLiteral("1"),
                     QStringLiteral("--pdf"), path("one.pdf")},
                    &err),
              0)
        << err.toStdString();
    const QString text = tool(PDFTOTEXT, {path("one.pdf"), QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("Addrova Supply Company")));
    EXPECT_FALSE(text.contains(QLatin1Char('['))) << text.toStdString();

    // Import a letter, export it again: the RTF our writer wrote.
    QFile rtf(path("in.rtf"));
    ASSERT_TRUE(rtf.open(QIODevice::WriteOnly));
    rtf.write(R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0\fs24 To {\b [Last]}\page page 2 for [First]})");
    rtf.close();
    ASSERT_EQ(batch({QStringLiteral("letter-import"), QStringLiteral("Two pages"), path("in.rtf")}, &err), 0)
        << err.toStdString();
    ASSERT_EQ(batch({QStringLiteral("letter-export"), QStringLiteral("Two pages"), path("out.rtf")}), 0);
    QFile out(path("out.rtf"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray exported = out.readAll();
    EXPECT_TRUE(exported.startsWith("{\\rtf1\\ansi\\ansicpg1252")) << exported.toStdString();
    EXPECT_NE(exported.indexOf("\\pagebb"), -1);

    // Every record, two copies, one file: 6 records x 2 copies x 2 pages.
    ASSERT_EQ(batch({QStringLiteral("letters"), path("addr.dbf"), QStringLiteral("--letter"), QStringLiteral("Two pages"),
                     QStringLiteral("--all"), QStringLiteral("--copies"), QStringLiteral("2"), QStringLiteral("--pdf"),
                     path("all.pdf")},
                    &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(tool(PDFINFO, {path("all.pdf")}).contains(QRegularExpression(QStringLiteral("Pages:\\s+24\\n"))));

    // One file per record, named by record number and last name.
    ASSERT_EQ(batch({QStringLiteral("letters"), path("addr.dbf"), QStringLiteral("--letter"), QStringLiteral("Two pages"),
                     QStringLiteral("--pdf-each"), path("each")},
                    &err),
              0)
        << err.toStdString();
    const QStringList files = QDir(path("each")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 6);
    EXPECT_TRUE(files.first().startsWith(QStringLiteral("00001_"))) << files.first().toStdString();
    for (const QString& f : files) {
        const QString last = f.mid(6).chopped(4);
        const QString page1 = tool(PDFTOTEXT, {QStringLiteral("-l"), QStringLiteral("1"),
                                               QDir(path("each")).filePath(f), QStringLiteral("-")});
        EXPECT_TRUE(page1.contains(QStringLiteral("To ") + last.split(QLatin1Char('_')).first())) << f.toStdString();
    }

    // Errors are reported, not crashed on.
    EXPECT_EQ(batch({QStringLiteral("letters"), path("addr.dbf"), QStringLiteral("--letter"), QStringLiteral("Nope"),
                     QStringLiteral("--pdf"), path("x.pdf")},
                    &err),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("Business Letter"))) << err.toStdString();
    QFile bad(path("bad.rtf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not rtf at all");
    bad.close();
    EXPECT_EQ(batch({QStringLiteral("letter-import"), QStringLiteral("Bad"), path("bad.rtf")}, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("not an RTF document"))) << err.toStdString();
    EXPECT_EQ(batch({QStringLiteral("letters"), path("addr.dbf"), QStringLiteral("--letter"), QStringLiteral("Two pages"),
                     QStringLiteral("--pdf"), path("x.pdf"), QStringLiteral("--pdf-each"), path("y")}),
              2);
}

}  // namespace
