#pragma once

// Shows the pages of a recorded print job in a scroll box, one page at a time, at a zoom factor
// in percent of the true size on screen.

#include <QPixmap>
#include <QScrollArea>

namespace addrova::print {

class PageStream;

class PreviewControl : public QScrollArea {
    Q_OBJECT
public:
    explicit PreviewControl(QWidget* parent = nullptr);

    void Start(const PageStream* stream);
    void Finish();
    bool Running() const { return stream_ != nullptr; }

    // While live the page being recorded is left out.
    void SetLive(bool live);
    int PageCount() const;
    int FirstPage() const { return 1; }
    int CurrentPage() const { return page_; }
    void GotoPage(int page);

    double ZoomFactor() const { return zoom_; }
    void SetZoomFactor(double percent);
    static constexpr int ZoomInc = 10;
    void ZoomIn();
    void ZoomOut();
    // The zoom factors at which the page fills the box's width, or fits in it whole.
    double ZoomPageWidthFactor() const;
    double ZoomPageFactor() const;

    // One scroll step up (-1) or down (+1), never past the ends.
    void ScrollStep(int direction);

    static constexpr double MinZoom = 10;
    static constexpr double MaxZoom = 500;

signals:
    void PageChanged();
    void ZoomChanged();
    void PageClicked(Qt::MouseButton button);

private:
    QSizeF PageInches() const;
    void Relayout();
    class PageView;
    PageView* view_;
    const PageStream* stream_ = nullptr;
    int page_ = 1;
    bool live_ = false;
    double zoom_ = 100;
};

}  // namespace addrova::print
