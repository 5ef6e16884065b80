#pragma once

// The layout objects' print operations forwarded to a print job of the print engine.

#include "PrintJob.h"
#include "PrintSurface.h"

namespace addrova::layout {

class JobPrintSurface : public PrintSurface {
public:
    explicit JobPrintSurface(print::PrintJob& job) : job_(job) {}

    void setFont(const QString& name, int sizePt) override { job_.SetFont(name, sizePt); }
    void setBold(bool on) override { job_.SetBold(on); }
    void setItalic(bool on) override { job_.SetItalic(on); }
    void setUnderline(bool on) override { job_.SetUnderline(on); }
    void setFontColor(Colour c) override { job_.SetFontColor(toQColor(c)); }
    void setFontRotation(int degrees) override {
        rotation_ = degrees;
        job_.SetFontRotation(degrees);
    }
    void setPen(Colour c, PenStyle style, int width, PenMode mode) override;
    void setBrush(Colour c, BrushStyle style) override;
    void rectangle(double x1, double y1, double x2, double y2) override { job_.Rectangle(x1, y1, x2, y2); }
    void roundRect(double x1, double y1, double x2, double y2, double cw, double ch) override {
        job_.RoundRect(x1, y1, x2, y2, cw, ch);
    }
    void ellipse(double x1, double y1, double x2, double y2) override { job_.Ellipse(x1, y1, x2, y2); }
    void moveTo(double x, double y) override { job_.MoveTo(x, y); }
    void lineTo(double x, double y) override { job_.LineTo(x, y); }
    QRect toDevice(double x1, double y1, double x2, double y2) const override {
        return job_.InchToDevice(x1, y1, x2, y2);
    }
    void textOut(double x, double y, const QString& text, const QRect& clip) override;
    void drawBitmap(double x1, double y1, double x2, double y2, const QImage& image) override {
        job_.StretchBitmap(print::InchRect{x1, y1, x2, y2}, image);
    }
    void drawMetafile(const QRect& device, const QByteArray& wmf) override;
    double textWidth(const QString& text) const override { return job_.TextWidth(text); }
    double lineHeight() const override { return job_.LineHeight(); }
    int dpiX() const override { return job_.XDpi(); }
    int dpiY() const override { return job_.YDpi(); }
    int pageNumber() const override { return job_.PageNumber(); }

private:
    print::PrintJob& job_;
    bool brushClear_ = false;
    int rotation_ = 0;
};

}  // namespace addrova::layout
