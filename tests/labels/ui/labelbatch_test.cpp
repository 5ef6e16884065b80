// addrova-batch labels: the stored layout by its description, the record options and the errors.

#include "LabelFixture.h"

#include "PdfProbe.h"

#include <QProcess>
#include <algorithm>
#include <cmath>

namespace labelui_test {
namespace {

class LabelBatchTest : public LabelFixture {
protected:
    // Exit status; standard error in err_.
    int batch(QStringList args)
    {
        t_.close();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ADDROVA_HOME"), dir_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        args.prepend(QString::fromStdString(program_ + "ADDRESS.DBF"));
        args.prepend(QStringLiteral("labels"));
        p.start(QStringLiteral(ADDROVA_BATCH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        err_ = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }
    QString pdf() const { return dir_.path() + QStringLiteral("/batch.pdf"); }
    QStringList names(int page) const
    {
        std::vector<PdfWord> words;
        for (const PdfWord& w : ReadPdfWords(pdf(), page))
            if (w.text.startsWith(QStringLiteral("Rec")))
                words.push_back(w);
        // Sheet order: row by row, left to right.
        std::sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
            return std::abs(a.yMin - b.yMin) > 1 ? a.yMin < b.yMin : a.xMin < b.xMin;
        });
        QStringList out;
        for (const PdfWord& w : words)
            out << w.text;
        return out;
    }
    QString err_;
};

const QString kLayout = QStringLiteral("Address labels, 30 per sheet (Avery 5160)");

TEST_F(LabelBatchTest, PrintsTheStoredLayout)
{
    addNumbered(4);
    ASSERT_EQ(batch({QStringLiteral("--layout"), kLayout, QStringLiteral("--pdf"), pdf()}), 0) << err_.toStdString();
    EXPECT_EQ(names(1), (QStringList{"Rec01", "Rec02", "Rec03", "Rec04"}));

    ASSERT_EQ(batch({QStringLiteral("--layout"), kLayout, QStringLiteral("--copies"), QStringLiteral("2"),
                     QStringLiteral("--mask"), QStringLiteral("0,1"), QStringLiteral("--filter"),
                     QStringLiteral("LNAME >= \"Rec03\""), QStringLiteral("--pdf"), pdf()}),
              0)
        << err_.toStdString();
    EXPECT_EQ(ReadPdfInfo(pdf()).pages, 2);
    EXPECT_EQ(names(1), (QStringList{"Rec03", "Rec03"}));
    EXPECT_EQ(names(2), (QStringList{"Rec04", "Rec04"}));

    ASSERT_EQ(batch({QStringLiteral("--layout"), kLayout, QStringLiteral("--recno"), QStringLiteral("2"),
                     QStringLiteral("--pdf"), pdf()}),
              0);
    EXPECT_EQ(names(1), (QStringList{"Rec02"}));
}

TEST_F(LabelBatchTest, Errors)
{
    addNumbered(1);
    struct Case {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{"--layout", "No such layout", "--pdf", pdf()}, 1, "no label layout is described \"No such layout\""},
        {{"--layout", kLayout}, 2, "--pdf OUT.pdf is required"},
        {{"--layout", kLayout, "--mask", "30", "--pdf", pdf()}, 2, "mask position 30 is not on the sheet"},
        {{"--layout", kLayout, "--copies", "100", "--pdf", pdf()}, 2, "--copies must be 1 to 99"},
        {{"--layout", kLayout, "--all", "--recno", "1", "--pdf", pdf()}, 2, "choose one of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(batch(c.args), c.status);
        EXPECT_TRUE(err_.contains(QLatin1String(c.message))) << err_.toStdString();
    }
}

}  // namespace
}  // namespace labelui_test
