#include "PreviewControl.h"

#include "MagnifyCursor.h"
#include "PageStream.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace addrova::print {

namespace {
constexpr int kMargin = 8;  // pixels around the page
}

class PreviewControl::PageView : public QWidget {
public:
    explicit PageView(PreviewControl* owner) : QWidget(owner), owner_(owner)
    {
        setCursor(MagnifyCursor());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void Invalidate()
    {
        cache_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const PageStream* s = owner_->stream_;
        if (!s || s->PageCount() == 0) {
            p.fillRect(rect(), Qt::white);
            return;
        }
        if (cache_.size() != size() * devicePixelRatioF()) {
            cache_ = QPixmap(size() * devicePixelRatioF());
            cache_.setDevicePixelRatio(devicePixelRatioF());
            cache_.fill(Qt::white);
            QPainter cp(&cache_);
            if (!s->Play(owner_->page_ - 1, cp, QRectF(QPointF(0, 0), QSizeF(size())))) {
                // The page could not be read back: say so on the page instead.
                cp.fillRect(QRectF(QPointF(0, 0), QSizeF(size())), Qt::white);
                cp.setPen(Qt::darkRed);
                cp.drawText(QRectF(QPointF(0, 0), QSizeF(size())).adjusted(12, 12, -12, -12),
                            Qt::AlignCenter | Qt::TextWordWrap, s->Error());
            }
        }
        p.drawPixmap(0, 0, cache_);
        p.setPen(Qt::gray);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mousePressEvent(QMouseEvent* e) override { emit owner_->PageClicked(e->button()); }

private:
    PreviewControl* owner_;
    QPixmap cache_;
};

PreviewControl::PreviewControl(QWidget* parent) : QScrollArea(parent), view_(new PageView(this))
{
    setWidget(view_);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

void PreviewControl::Start(const PageStream* stream)
{
    stream_ = stream;
    page_ = 1;
    Relayout();
    emit PageChanged();
}

void PreviewControl::Finish()
{
    stream_ = nullptr;
    view_->Invalidate();
}

void PreviewControl::SetLive(bool live)
{
    live_ = live;
}

int PreviewControl::PageCount() const
{
    if (!stream_)
        return 0;
    return stream_->PageCount() - (live_ && stream_->PageOpen() ? 1 : 0);
}

void PreviewControl::GotoPage(int page)
{
    const int n = std::max(1, PageCount());
    page = std::clamp(page, 1, n);
    if (page == page_)
        return;
    page_ = page;
    Relayout();
    verticalScrollBar()->setValue(0);
    emit PageChanged();
}

QSizeF PreviewControl::PageInches() const
{
    if (!stream_ || stream_->PageCount() == 0)
        return {8.5, 11};
    return stream_->PageSizeInches(page_ - 1);
}

void PreviewControl::SetZoomFactor(double percent)
{
    percent = std::clamp(percent, MinZoom, MaxZoom);
    if (percent == zoom_)
        return;
    zoom_ = percent;
    Relayout();
    emit ZoomChanged();
}

void PreviewControl::ZoomIn()
{
    SetZoomFactor(zoom_ + ZoomInc);
}

void PreviewControl::ZoomOut()
{
    SetZoomFactor(zoom_ - ZoomInc);
}

double PreviewControl::ZoomPageWidthFactor() const
{
    // The page is taller than the box at this width, so leave room for the vertical scroll bar.
    const double pagePx = PageInches().width() * logicalDpiX();
    const int bar = verticalScrollBar()->sizeHint().width();
    return std::clamp((maximumViewportSize().width() - bar - 2 * kMargin) / pagePx * 100.0, MinZoom, MaxZoom);
}

double PreviewControl::ZoomPageFactor() const
{
    const QSizeF in = PageInches();
    const double w = (maximumViewportSize().width() - 2 * kMargin) / (in.width() * logicalDpiX());
    const double h = (maximumViewportSize().height() - 2 * kMargin) / (in.height() * logicalDpiY());
    return std::clamp(std::min(w, h) * 100.0, MinZoom, MaxZoom);
}

void PreviewControl::ScrollStep(int direction)
{
    QScrollBar* bar = verticalScrollBar();
    bar->triggerAction(direction < 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
}

void PreviewControl::Relayout()
{
    const QSizeF in = PageInches();
    view_->setFixedSize(std::max(1, qRound(in.width() * logicalDpiX() * zoom_ / 100.0)),
                        std::max(1, qRound(in.height() * logicalDpiY() * zoom_ / 100.0)));
    view_->Invalidate();
}

}  // namespace addrova::print
