// What other programs make of the RTF we write: LibreOffice (text, PDF page count and size, and its
// own RTF read back by us) and unrtf (text). Skipped where the programs are missing.

#include "DocDescribe.h"
#include "PageRender.h"
#include "Rtf.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

using namespace addrova::richtext;

namespace {

struct Doc {
    const char* name;
    const char* rtf;
    int pages;
    double widthPt, heightPt;
};

const Doc kDocs[] = {
    {"letter",
     R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}{\f1\froman Times New Roman;}}{\colortbl;\red200\green0\blue0;})"
     R"(\paperw12240\paperh15840\margl1800\margr1440\margt1440\margb1440)"
     R"(\pard\qr\f0\fs20 December 11, 2026\par\pard\ql\par Dear Ms. M\'fcller,\par)"
     R"(\pard\qj\li720\fi-360\sa120 Thank you for your {\b order} of {\i twelve} {\ul red} {\cf1 chairs} \u8211? caf\'e9.\par)"
     R"(\pard\qc\f1\fs28 Centred\tab heading\line second line\par\pard Yours sincerely})",
     1, 612, 792},
    {"a4_two_pages",
     R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Liberation Sans;}}\paperw11906\paperh16838\margl1134\margr1134\margt1134\margb1134)"
     R"(\f0\fs24 First page \'e4\'f6\'fc\par\pard\pagebb Second page\par end})",
     3, 595.3, 841.9},  // "end" keeps \pagebb: no \pard before it
    {"landscape",
     R"({\rtf1\ansi\paperw15840\paperh12240\margl720\margr720\margt720\margb720\landscape Across the page\page Next})",
     2, 792, 612},
};

QString run(const QString& program, const QStringList& args, const QString& home, int timeoutMs = 180000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Text with each paragraph or line break as '\n' and no trailing breaks.
QString lines(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    s.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    s.replace(QChar(0xFEFF), QString());
    while (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    return s;
}

class Oracle : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        soffice_ = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        unrtf_ = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
        dir_ = new QTemporaryDir;
        QStringList files;
        for (const Doc& d : kDocs) {
            QTextDocument doc;
            ASSERT_TRUE(ReadRtf(QByteArray(d.rtf), doc).ok);
            QFile f(dir_->filePath(QString::fromLatin1(d.name) + QStringLiteral(".rtf")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(WriteRtf(doc));
            files << f.fileName();
        }
        if (soffice_.isEmpty())
            return;
        const QString home = dir_->filePath(QStringLiteral("home"));
        QDir().mkpath(home);
        const QStringList common{QStringLiteral("-env:UserInstallation=file://") + dir_->filePath(QStringLiteral("lo")),
                                 QStringLiteral("--headless")};
        run(soffice_, common + QStringList{QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                                           QStringLiteral("--outdir"), dir_->filePath(QStringLiteral("txt"))} + files,
            home);
        run(soffice_, common + QStringList{QStringLiteral("--convert-to"), QStringLiteral("pdf"),
                                           QStringLiteral("--outdir"), dir_->filePath(QStringLiteral("pdf"))} + files,
            home);
        run(soffice_, common + QStringList{QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                                           QStringLiteral("--outdir"), dir_->filePath(QStringLiteral("lo-rtf"))} + files,
            home);
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }

    static QString path(const char* sub, const Doc& d, const char* ext)
    {
        const QString prefix = *sub ? QString::fromLatin1(sub) + QLatin1Char('/') : QString();
        return dir_->filePath(prefix + QString::fromLatin1(d.name) + QString::fromLatin1(ext));
    }
    static QString ours(const Doc& d)
    {
        QTextDocument doc;
        ReadRtf(QByteArray(d.rtf), doc);
        return lines(doc.toPlainText());
    }

    static inline QString soffice_, unrtf_;
    static inline QTemporaryDir* dir_ = nullptr;
};

TEST_F(Oracle, LibreOfficeReadsTheSameText)
{
    if (soffice_.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    for (const Doc& d : kDocs) {
        QFile f(path("txt", d, ".txt"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << d.name;
        EXPECT_EQ(lines(QString::fromUtf8(f.readAll())).toStdString(), ours(d).toStdString()) << d.name;
    }
}

TEST_F(Oracle, LibreOfficePrintsTheSamePages)
{
    if (soffice_.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    for (const Doc& d : kDocs) {
        const QString info = run(QStringLiteral("pdfinfo"), {path("pdf", d, ".pdf")}, QDir::tempPath(), 30000);
        ASSERT_FALSE(info.isEmpty()) << d.name;
        const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(info);
        ASSERT_TRUE(pages.hasMatch() && size.hasMatch()) << info.toStdString();
        EXPECT_EQ(pages.captured(1).toInt(), d.pages) << d.name;
        EXPECT_NEAR(size.captured(1).toDouble(), d.widthPt, 1.0) << d.name;
        EXPECT_NEAR(size.captured(2).toDouble(), d.heightPt, 1.0) << d.name;

        // Our own page rendering gives the same number of pages.
        QTextDocument doc;
        ReadRtf(QByteArray(d.rtf), doc);
        const PageSettings p = pageSettings(doc);
        QImage image(p.paperWidth * 96 / 1440, p.paperHeight * 96 / 1440, QImage::Format_RGB32);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        image.fill(Qt::white);
        PageRenderer r(doc, &image, QSizeF(p.textWidth() * 96.0 / 1440, p.textHeight() * 96.0 / 1440));
        int count = 0;
        int pos = 0;
        do {
            QPainter painter(&image);
            pos = r.renderPage(painter, QPointF(p.marginLeft * 96.0 / 1440, p.marginTop * 96.0 / 1440), pos);
            ++count;
        } while (pos > 0 && count < 100);
        EXPECT_EQ(count, d.pages) << d.name;
    }
}

TEST_F(Oracle, UnrtfReadsTheSameText)
{
    if (unrtf_.isEmpty())
        GTEST_SKIP() << "unrtf is not installed";
    for (const Doc& d : kDocs) {
        QProcess p;
        p.start(unrtf_, {QStringLiteral("--text"), path("", d, ".rtf")});
        ASSERT_TRUE(p.waitForFinished(30000));
        // unrtf writes the document's code page; characters outside it come out as one byte (its
        // low byte), and its text mode ends the line at a tab.
        QString text = QString::fromLatin1(p.readAllStandardOutput());
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i].unicode() < 0x20 && text[i] != QLatin1Char('\n'))
                text[i] = QLatin1Char('?');
        QStringList kept;
        bool body = false;
        for (const QString& l : text.split(QLatin1Char('\n'))) {
            if (l.startsWith(QStringLiteral("-----------------"))) {
                body = true;
                continue;
            }
            if (body)
                kept << l;
        }
        QString expected;
        for (QChar c : ours(d))
            expected += c == QLatin1Char('\t') ? QStringLiteral(" \n") : c.unicode() < 0x100 ? QString(c) : QStringLiteral("?");
        EXPECT_EQ(lines(kept.join(QLatin1Char('\n'))).toStdString(), expected.toStdString()) << d.name;
    }
}

TEST_F(Oracle, WeReadLibreOfficesRtf)
{
    if (soffice_.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    const Doc& d = kDocs[0];
    QFile f(path("lo-rtf", d, ".rtf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    const RtfResult r = ReadRtf(f.readAll(), doc);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(lines(doc.toPlainText()).toStdString(), ours(d).toStdString());
    const PageSettings p = pageSettings(doc);
    EXPECT_EQ(p.paperWidth, 12240);
    EXPECT_EQ(p.paperHeight, 15840);
    EXPECT_EQ(p.marginLeft, 1800);
    EXPECT_EQ(p.marginRight, 1440);
    auto formatAt = [&](const QString& word) {
        QTextCursor c = doc.find(word);
        EXPECT_FALSE(c.isNull()) << word.toStdString();
        c.setPosition(c.selectionStart() + 1);
        return c.charFormat();
    };
    EXPECT_GE(formatAt(QStringLiteral("order")).fontWeight(), QFont::DemiBold);
    EXPECT_LT(formatAt(QStringLiteral("Thank")).fontWeight(), QFont::DemiBold);
    EXPECT_TRUE(formatAt(QStringLiteral("twelve")).fontItalic());
    EXPECT_TRUE(formatAt(QStringLiteral("red")).fontUnderline());
    EXPECT_EQ(formatAt(QStringLiteral("chairs")).foreground().color(), QColor(200, 0, 0));
    EXPECT_EQ(formatAt(QStringLiteral("Centred")).fontFamilies().toStringList().value(0), "Times New Roman");
    EXPECT_EQ(doc.findBlock(doc.find(QStringLiteral("December")).position()).blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(doc.findBlock(doc.find(QStringLiteral("Thank")).position()).blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignJustify);
    EXPECT_EQ(doc.findBlock(doc.find(QStringLiteral("Centred")).position()).blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
    EXPECT_EQ(unitsToTwipsRounded(doc.findBlock(doc.find(QStringLiteral("Thank")).position()).blockFormat().leftMargin()),
              720);
}

}  // namespace
