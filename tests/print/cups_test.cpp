// A job through a real CUPS queue: a private cupsd with a cups-pdf queue is started for the test
// (and stopped by its process id afterwards); the PDF it writes is read back like the others.
// Where no such queue can be started the tests are skipped.
#include "PdfProbe.h"
#include "PrintJob.h"
#include "PrinterControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace addrova::print;

namespace {

const char* kQueue = "AddrovaTestPDF";

bool WriteFile(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) == text.toUtf8().size();
}

int RunProgram(const QString& program, const QStringList& args, int timeoutMs, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class CupsQueue : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        skip_.clear();
        const QString ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
        if (geteuid() != 0)
            skip_ = "cupsd and the cups-pdf backend need root";
        else if (!QFileInfo::exists(QStringLiteral("/usr/sbin/cupsd")) ||
                 !QFileInfo::exists(QStringLiteral("/usr/sbin/lpadmin")))
            skip_ = "cups is not installed";
        else if (!QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) || !QFileInfo::exists(ppd))
            skip_ = "printer-driver-cups-pdf is not installed";
        if (!skip_.empty())
            return;

        dir_ = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/addrova-cups-XXXXXX"));
        const QString t = dir_->path();
        for (const char* sub : {"root/ppd", "spool/tmp", "cache", "state", "log"})
            QDir().mkpath(t + QLatin1Char('/') + QLatin1String(sub));
        QFile::setPermissions(t, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                     QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        socket_ = t + QStringLiteral("/cups.sock");
        WriteFile(t + QStringLiteral("/root/cupsd.conf"),
                  QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                      .arg(socket_));
        WriteFile(t + QStringLiteral("/root/cups-files.conf"),
                  QStringLiteral("ServerRoot %1/root\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                                 "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                 "PageLog %1/log/page_log\nSandboxing Relaxed\n")
                      .arg(t));
        cupsd_ = new QProcess;
        cupsd_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cupsd_->start(QStringLiteral("/usr/sbin/cupsd"),
                      {QStringLiteral("-f"), QStringLiteral("-c"), t + QStringLiteral("/root/cupsd.conf"),
                       QStringLiteral("-s"), t + QStringLiteral("/root/cups-files.conf")});
        if (!cupsd_->waitForStarted(10000)) {
            skip_ = "cupsd did not start";
            return;
        }
        QElapsedTimer wait;
        wait.start();
        while (!QFileInfo::exists(socket_) && wait.elapsed() < 15000 && cupsd_->state() == QProcess::Running)
            QThread::msleep(100);
        if (!QFileInfo::exists(socket_)) {
            skip_ = "cupsd did not open its socket";
            return;
        }
        qputenv("CUPS_SERVER", socket_.toLocal8Bit());
        qputenv("CUPS_SERVERROOT", (t + QStringLiteral("/root")).toLocal8Bit());
        QString out;
        if (RunProgram(QStringLiteral("/usr/sbin/lpadmin"),
                {QStringLiteral("-p"), QLatin1String(kQueue), QStringLiteral("-v"), QStringLiteral("cups-pdf:/"),
                 QStringLiteral("-E"), QStringLiteral("-m"), QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_opt.ppd")},
                30000, &out) != 0)
            skip_ = "lpadmin could not create the cups-pdf queue: " + out.toStdString();
    }

    static void TearDownTestSuite()
    {
        if (cupsd_) {
            cupsd_->terminate();  // SIGTERM to the cupsd started above, by its process id
            if (!cupsd_->waitForFinished(10000)) {
                cupsd_->kill();
                cupsd_->waitForFinished(5000);
            }
            delete cupsd_;
            cupsd_ = nullptr;
        }
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override
    {
        if (!skip_.empty())
            GTEST_SKIP() << skip_;
    }

    // The PDF files cups-pdf writes for the job user (root: ~/PDF).
    static QStringList OutputFiles()
    {
        QStringList files;
        QStringList dirs = {QDir::home().filePath(QStringLiteral("PDF")), QStringLiteral("/var/spool/cups-pdf/ANONYMOUS")};
        if (const passwd* pw = getpwuid(geteuid()))  // cups-pdf uses the account's home, not $HOME
            dirs << QDir(QString::fromLocal8Bit(pw->pw_dir)).filePath(QStringLiteral("PDF"));
        for (const QString& d : dirs)
            for (const QFileInfo& fi : QDir(d).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
                files << fi.absoluteFilePath();
        return files;
    }

    static inline std::string skip_;
    static inline QTemporaryDir* dir_ = nullptr;
    static inline QProcess* cupsd_ = nullptr;
    static inline QString socket_;
};

}  // namespace

TEST_F(CupsQueue, JobThroughTheQueueKeepsItsGeometry)
{
    PrinterControl printer;
    printer.Refresh();
    ASSERT_TRUE(printer.Printers().contains(QLatin1String(kQueue))) << printer.Printers().join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(printer.Printers().last(), QStringLiteral("PDF file"));
    ASSERT_TRUE(printer.SetPrinterByName(QLatin1String(kQueue)));
    EXPECT_EQ(printer.DeviceName(), QLatin1String(kQueue));
    EXPECT_FALSE(printer.IsPdfPrinter());
    // The queue's default paper is A4; the job asks for Letter.
    ASSERT_TRUE(printer.SetPaperCode(PaperLetter));
    printer.SetOrientation(Orientation::Portrait);
    EXPECT_NEAR(printer.PageWidth(), 8.5, 0.01);
    EXPECT_NEAR(printer.PageHeight(), 11.0, 0.01);
    EXPECT_FALSE(printer.Papers().isEmpty());

    const QStringList before = OutputFiles();
    const QString title = QStringLiteral("AddrovaCups%1").arg(QCoreApplication::applicationPid());
    PrintJob job(printer);
    job.SetTitle(title);
    job.OnPrint = [&](PrintJob& j) {
        j.SetBrush(Qt::white, BrushStyle::Clear);
        j.SetPen(Qt::black, PenStyle::Solid, -2);
        j.Rectangle(1.0, 2.0, 3.0, 4.5);
        j.SetFont(QStringLiteral("Arial"), 12);
        j.TextOut(1.0, 6.0, QStringLiteral("Queued"));
        j.NewPage();
        j.SetFont(QStringLiteral("Times New Roman"), 14);
        j.SetFontRotation(90);
        j.TextOut(4.0, 8.0, QStringLiteral("Second page"));
    };
    ASSERT_TRUE(job.PrintToPrinter()) << job.ErrorText().toStdString();

    QString pdf;
    QElapsedTimer wait;
    wait.start();
    while (pdf.isEmpty() && wait.elapsed() < 90000) {
        for (const QString& f : OutputFiles())
            if (!before.contains(f) && QFileInfo(f).fileName().startsWith(title) && QFileInfo(f).size() > 0)
                pdf = f;
        if (pdf.isEmpty())
            QThread::msleep(250);
    }
    ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file within 90 s";
    // The backend renames its file into place when it is done; give it a moment all the same.
    QThread::msleep(500);
    const PdfInfo info = ReadPdfInfo(pdf);
    EXPECT_EQ(info.pages, 2);
    EXPECT_NEAR(info.widthPt, 612, 1);
    EXPECT_NEAR(info.heightPt, 792, 1);

    // The queue's pages are the job's pages: the same ink, to the pixel at 100 dpi, as the job
    // drawn straight into pictures (the text comes back as outlines, so it is compared as ink).
    constexpr int dpi = 100;
    std::vector<QImage> direct;
    ASSERT_TRUE(job.PrintToImages(direct, dpi));
    ASSERT_EQ(direct.size(), 2u);
    const QImage page1 = RenderPdfPage(pdf, 1, dpi);
    const QImage page2 = RenderPdfPage(pdf, 2, dpi);
    ASSERT_FALSE(page1.isNull());
    ASSERT_FALSE(page2.isNull());
    const QRect rect = InkBox(page1, QRect(0, 0, 850, 500));
    EXPECT_NEAR(rect.left(), 99, 1);
    EXPECT_NEAR(rect.top(), 199, 1);
    EXPECT_NEAR(rect.right(), 300, 1);
    EXPECT_NEAR(rect.bottom(), 450, 1);
    // Text: the edges at the text's start to the pixel; its far end (right for the level text,
    // top for the turned one) within 2 pixels, as the queue's PostScript step re-spaces glyphs.
    struct TextCase {
        const QImage* page;
        QRect area, want;
        int farTolLeftRight, farTolTop;
    } cases[] = {
        {&page1, QRect(0, 500, 850, 600), InkBox(direct[0], QRect(0, 500, 850, 600)), 2, 1},
        {&page2, QRect(0, 0, 850, 1100), InkBox(direct[1]), 1, 2},
    };
    for (const TextCase& c : cases) {
        const QRect got = InkBox(*c.page, c.area);
        ASSERT_FALSE(c.want.isNull());
        EXPECT_NEAR(got.left(), c.want.left(), 1);
        EXPECT_NEAR(got.bottom(), c.want.bottom(), 1);
        EXPECT_NEAR(got.right(), c.want.right(), c.farTolLeftRight);
        EXPECT_NEAR(got.top(), c.want.top(), c.farTolTop);
    }
    QFile::remove(pdf);
}
