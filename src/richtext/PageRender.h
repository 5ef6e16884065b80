#pragma once

// Pages of a rich-text document: lays the document out for a text area on a paint device and draws
// one page at a time, from a text position, returning where the next page begins.

#include <QPointF>
#include <QSizeF>
#include <memory>

class QPaintDevice;
class QPainter;
class QTextDocument;

namespace addrova::richtext {

class PageRenderer {
public:
    // Lays `doc` out in place (it takes the device's resolution and the page size; the document
    // should be a copy kept for printing). area: the text area in the device's pixels.
    PageRenderer(QTextDocument& doc, QPaintDevice* device, QSizeF area);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    int pageCount() const;
    // The page (0-based) holding text position `pos`.
    int pageOf(int pos) const;
    // Draws the page that begins at text position `from` with the top-left of the text area at
    // `topLeft` (device pixels of the painter's device, which has the layout device's resolution).
    // Returns the position where the next page begins, or -1 when the document ends on this page.
    int renderPage(QPainter& painter, QPointF topLeft, int from);

private:
    QTextDocument& doc_;
    QSizeF area_;
};

}  // namespace addrova::richtext
