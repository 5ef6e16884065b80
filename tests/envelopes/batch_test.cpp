// addrova-batch envelopes: the stored layout by its description, the paper and feed options, the
// record options and the errors.

#include "EnvelopeFixture.h"

#include <QProcess>

namespace envelope_test {
namespace {

class EnvelopeBatchTest : public EnvelopeFixture {
protected:
    int batch(QStringList args)
    {
        if (t_.isOpen())
            t_.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ADDROVA_HOME"), dir_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        args.prepend(QString::fromStdString(program_ + "ADDRESS.DBF"));
        args.prepend(QStringLiteral("envelopes"));
        p.start(QStringLiteral(ADDROVA_BATCH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        err_ = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }
    QStringList base() const
    {
        return {QStringLiteral("--layout"), QStringLiteral("Business envelope No. 10"), QStringLiteral("--pdf"), pdf_};
    }
    QString err_;
};

TEST_F(EnvelopeBatchTest, PrintsTheShippedLayout)
{
    addNumbered(3);
    ASSERT_EQ(batch(base() << QStringLiteral("--all")), 0) << err_.toStdString();
    PdfInfo info = ReadPdfInfo(pdf_);
    EXPECT_EQ(info.pages, 3);
    EXPECT_NEAR(info.widthPt, 684, 0.5);
    EXPECT_NEAR(info.heightPt, 297, 0.5);
    const auto words = ReadPdfWords(pdf_, 2);
    const PdfWord* name = FindWord(words, QStringLiteral("Rec02"));
    ASSERT_NE(name, nullptr);
    EXPECT_NEAR(name->yMin / 72, 1.75, 0.05);
    const PdfWord* first = FindWord(words, QStringLiteral("Ann"));
    ASSERT_NE(first, nullptr);
    EXPECT_NEAR(first->xMin / 72, 4.0, 0.02);
    ASSERT_NE(FindWord(words, QStringLiteral("Your")), nullptr);  // the return address

    ASSERT_EQ(batch(base() << QStringLiteral("--recno") << QStringLiteral("2") << QStringLiteral("--paper")
                           << QStringLiteral("letter") << QStringLiteral("--feed")
                           << QStringLiteral("face-down,landscape,center,ccw")),
              0)
        << err_.toStdString();
    info = ReadPdfInfo(pdf_);
    EXPECT_EQ(info.pages, 1);
    EXPECT_NEAR(info.widthPt, 792, 0.5);
    EXPECT_NEAR(info.heightPt, 612, 0.5);
    const auto letterWords = ReadPdfWords(pdf_, 1);
    const PdfWord* ann = FindWord(letterWords, QStringLiteral("Ann"));
    ASSERT_NE(ann, nullptr);
    EXPECT_NEAR(ann->xMin / 72, 1.5 + 4.0, 0.02);
    EXPECT_NEAR(ann->yMin / 72, 2.1875 + 1.75, 0.05);

    ASSERT_EQ(batch(base() << QStringLiteral("--filter") << QStringLiteral("LNAME = 'Rec03'") << QStringLiteral("--copies")
                           << QStringLiteral("2")),
              0)
        << err_.toStdString();
    EXPECT_EQ(ReadPdfInfo(pdf_).pages, 2);
}

TEST_F(EnvelopeBatchTest, Errors)
{
    addNumbered(1);
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{QStringLiteral("--layout"), QStringLiteral("Nope"), QStringLiteral("--pdf"), pdf_},
         "Business envelope No. 10"},
        {QStringList(base()) << QStringLiteral("--feed") << QStringLiteral("sideways"), "sideways"},
        {QStringList(base()) << QStringLiteral("--paper") << QStringLiteral("a4"), "--paper"},
        {QStringList(base()) << QStringLiteral("--recno") << QStringLiteral("9"), "--recno"},
        {QStringList(base()) << QStringLiteral("--copies") << QStringLiteral("0"), "--copies"},
        {QStringList(base()) << QStringLiteral("--all") << QStringLiteral("--recno") << QStringLiteral("1"), "one of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        EXPECT_NE(batch(c.args), 0);
        EXPECT_TRUE(err_.contains(QLatin1String(c.says))) << err_.toStdString();
    }
}

}  // namespace
}  // namespace envelope_test
