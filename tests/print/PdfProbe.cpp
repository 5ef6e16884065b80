#include "PdfProbe.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

QString RunTool(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

PdfInfo ReadPdfInfo(const QString& pdf)
{
    PdfInfo info;
    const QString out = RunTool(QStringLiteral(PDFINFO), {pdf});
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    if (pages.hasMatch())
        info.pages = pages.captured(1).toInt();
    const auto size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)")).match(out);
    if (size.hasMatch()) {
        info.widthPt = size.captured(1).toDouble();
        info.heightPt = size.captured(2).toDouble();
    }
    return info;
}

std::vector<PdfWord> ReadPdfWords(const QString& pdf, int page)
{
    std::vector<PdfWord> words;
    const QString out = RunTool(QStringLiteral(PDFTOTEXT),
                                {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page),
                                 QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")});
    static const QRegularExpression re(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = re.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                         m.captured(4).toDouble(), m.captured(5)});
    }
    return words;
}

const PdfWord* FindWord(const std::vector<PdfWord>& words, const QString& text)
{
    for (const PdfWord& w : words)
        if (w.text == text)
            return &w;
    return nullptr;
}

QImage RenderPdfPage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral(PDFTOPPM), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                       QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                       QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QString PdfFonts(const QString& pdf)
{
    return RunTool(QStringLiteral(PDFFONTS), {pdf});
}

QRect InkBox(const QImage& image, const QRect& area, int threshold)
{
    const QRect a = area.intersected(image.rect());
    int l = INT32_MAX, t = INT32_MAX, r = -1, b = -1;
    for (int y = a.top(); y <= a.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = a.left(); x <= a.right(); ++x) {
            if (qGray(line[x]) < threshold) {
                l = std::min(l, x);
                r = std::max(r, x);
                t = std::min(t, y);
                b = std::max(b, y);
            }
        }
    }
    if (r < 0)
        return {};
    return QRect(QPoint(l, t), QPoint(r, b));
}
