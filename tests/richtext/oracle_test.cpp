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

// Flat ODF text: a centred bold heading from a paragraph style; centred, right-aligned and justified
// paragraphs; bold, italic and underlined spans; an A4 page with 1.25 in left, 0.75 in right, 0.5 in
// top and 0.75 in bottom margins; a table of two cells.
const char kNativeDocument[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:styles>
  <style:style style:name="Standard" style:family="paragraph" style:class="text"/>
  <style:style style:name="Heading_20_1" style:display-name="Heading 1" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties fo:text-align="center"/><style:text-properties fo:font-size="16pt" fo:font-weight="bold"/></style:style>
 </office:styles>
 <office:automatic-styles>
  <style:style style:name="P1" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties fo:text-align="center"/></style:style>
  <style:style style:name="P2" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties fo:text-align="end"/></style:style>
  <style:style style:name="P3" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties fo:text-align="justify" fo:margin-left="0.5in"/></style:style>
  <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="T2" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
  <style:style style:name="T3" style:family="text"><style:text-properties style:text-underline-style="solid" style:text-underline-width="auto" style:text-underline-color="font-color"/></style:style>
  <style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="8.2681in" fo:page-height="11.6929in" fo:margin-top="0.5in" fo:margin-bottom="0.75in" fo:margin-left="1.25in" fo:margin-right="0.75in"/></style:page-layout>
 </office:automatic-styles>
 <office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"/></office:master-styles>
 <office:body><office:text>
  <text:h text:style-name="Heading_20_1" text:outline-level="1">Quarterly Notice</text:h>
  <text:p text:style-name="P1">Centred line</text:p>
  <text:p text:style-name="P2">Right line</text:p>
  <text:p text:style-name="P3">Some <text:span text:style-name="T1">bold</text:span>, <text:span text:style-name="T2">italic</text:span> and <text:span text:style-name="T3">underlined</text:span> words for Müller.</text:p>
  <table:table table:name="T"><table:table-column table:number-columns-repeated="2"/><table:table-row><table:table-cell><text:p>Cell A</text:p></table:table-cell><table:table-cell><text:p>Cell B</text:p></table:table-cell></table:table-row></table:table>
  <text:p text:style-name="Standard">After the table</text:p>
 </office:text></office:body>
</office:document>)";

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
        // A document of LibreOffice's own making: styles, automatic spans, a page layout, a table.
        QFile native(dir_->filePath(QStringLiteral("notice.fodt")));
        ASSERT_TRUE(native.open(QIODevice::WriteOnly));
        native.write(kNativeDocument);
        native.close();
        run(soffice_, common + QStringList{QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                                           QStringLiteral("--outdir"), dir_->filePath(QStringLiteral("lo-rtf"))} +
                          files + QStringList{native.fileName()},
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

TEST_F(Oracle, WeReadRtfOfADocumentLibreOfficeMade)
{
    if (soffice_.isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    QFile f(dir_->filePath(QStringLiteral("lo-rtf/notice.rtf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "LibreOffice did not convert the document";
    QTextDocument doc;
    const RtfResult r = ReadRtf(f.readAll(), doc);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text().trimmed();
    EXPECT_EQ(blocks.join(QLatin1Char('|')).toStdString(),
              "Quarterly Notice|Centred line|Right line|Some bold, italic and underlined words for M\u00fcller."
              "|Cell A\tCell B|After the table");
    const PageSettings p = pageSettings(doc);
    EXPECT_EQ(p.paperWidth, 11906);
    EXPECT_EQ(p.paperHeight, 16838);
    EXPECT_EQ(p.marginLeft, 1800);
    EXPECT_EQ(p.marginRight, 1080);
    EXPECT_EQ(p.marginTop, 720);
    EXPECT_EQ(p.marginBottom, 1080);

    const auto at = [&](const char* word) {
        QTextCursor c = doc.find(QString::fromUtf8(word));
        EXPECT_FALSE(c.isNull()) << word;
        c.setPosition(c.selectionStart() + 1);
        return c;
    };
    const struct {
        const char* word;
        bool bold, italic, underline;
        Qt::Alignment align;
    } runs[] = {
        {"Quarterly", true, false, false, Qt::AlignHCenter},
        {"Centred", false, false, false, Qt::AlignHCenter},
        {"Right", false, false, false, Qt::AlignRight},
        {"Some", false, false, false, Qt::AlignJustify},
        {"bold", true, false, false, Qt::AlignJustify},
        {"italic", false, true, false, Qt::AlignJustify},
        {"underlined", false, false, true, Qt::AlignJustify},
        {"words", false, false, false, Qt::AlignJustify},
        {"After", false, false, false, Qt::AlignLeft},
    };
    for (const auto& w : runs) {
        const QTextCursor c = at(w.word);
        EXPECT_EQ(c.charFormat().fontWeight() >= QFont::DemiBold, w.bold) << w.word;
        EXPECT_EQ(c.charFormat().fontItalic(), w.italic) << w.word;
        EXPECT_EQ(c.charFormat().fontUnderline(), w.underline) << w.word;
        EXPECT_EQ(c.blockFormat().alignment() & Qt::AlignHorizontal_Mask, w.align) << w.word;
    }
    EXPECT_EQ(at("Quarterly").charFormat().fontPointSize(), 16);
    EXPECT_EQ(unitsToTwipsRounded(at("Some").blockFormat().leftMargin()), 720);
}

}  // namespace
