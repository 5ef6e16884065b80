#pragma once

// Reads PDF files back through poppler-utils, and finds ink in pictures.

#include <QImage>
#include <QRect>
#include <QString>
#include <vector>

struct PdfWord {
    double xMin, yMin, xMax, yMax;  // points, from the page's top-left corner
    QString text;
};

struct PdfInfo {
    int pages = 0;
    double widthPt = 0, heightPt = 0;  // of the first page
};

QString RunTool(const QString& program, const QStringList& args, int timeoutMs = 30000);
PdfInfo ReadPdfInfo(const QString& pdf);
// Words of one page (1-based).
std::vector<PdfWord> ReadPdfWords(const QString& pdf, int page);
const PdfWord* FindWord(const std::vector<PdfWord>& words, const QString& text);
// Page `page` (1-based) as a picture at `dpi`.
QImage RenderPdfPage(const QString& pdf, int page, int dpi);
QString PdfFonts(const QString& pdf);

// Bounding box of the pixels darker than `threshold` (0..255 grey) inside `area`.
QRect InkBox(const QImage& image, const QRect& area, int threshold = 160);
inline QRect InkBox(const QImage& image) { return InkBox(image, image.rect()); }
