#include "PageRender.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <cmath>

namespace addrova::richtext {

PageRenderer::PageRenderer(QTextDocument& doc, QPaintDevice* device, QSizeF area) : doc_(doc), area_(area)
{
    doc_.setDocumentMargin(0);
    doc_.documentLayout()->setPaintDevice(device);
    doc_.setPageSize(area_);
    doc_.documentLayout()->documentSize();  // lays it out
}

PageRenderer::~PageRenderer() = default;

int PageRenderer::pageCount() const
{
    return doc_.pageCount();
}

namespace {

// Top of the line holding document position `pos`, in document coordinates.
double lineTop(const QTextDocument& doc, int pos)
{
    const QTextBlock block = doc.findBlock(pos);
    if (!block.isValid())
        return 0;
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return doc.documentLayout()->blockBoundingRect(block).top();
    const QTextLine line = layout->lineForTextPosition(pos - block.position());
    const double base = layout->position().y();
    return line.isValid() ? base + line.y() : base;
}

}  // namespace

int PageRenderer::pageOf(int pos) const
{
    if (area_.height() <= 0)
        return 0;
    return static_cast<int>(std::floor((lineTop(doc_, pos) + 0.5) / area_.height()));
}

int PageRenderer::renderPage(QPainter& painter, QPointF topLeft, int from)
{
    const int page = pageOf(std::max(0, from));
    const double pageTop = page * area_.height();
    const double pageBottom = pageTop + area_.height();
    const double startY = from > 0 ? std::max(pageTop, lineTop(doc_, from)) : pageTop;

    painter.save();
    painter.translate(topLeft.x(), topLeft.y() - pageTop);
    const QRectF clip(0, startY, area_.width(), pageBottom - startY);
    painter.setClipRect(clip, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.clip = clip;
    ctx.palette.setColor(QPalette::Text, Qt::black);
    doc_.documentLayout()->draw(&painter, ctx);
    painter.restore();

    // The next page begins at the first line below this page.
    for (QTextBlock b = doc_.findBlock(from); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        if (!layout)
            continue;
        const double base = layout->position().y();
        if (layout->lineCount() == 0) {
            if (base >= pageBottom - 0.5)
                return b.position();
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (base + line.y() >= pageBottom - 0.5)
                return b.position() + line.textStart();
        }
    }
    return -1;
}

}  // namespace addrova::richtext
