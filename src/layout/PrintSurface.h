#pragma once

// What the layout objects' Print draws on: the print engine's operations, in inches with the page's
// top-left corner as origin. PainterPrintSurface draws them with a QPainter on any device (pictures,
// PDF, printers); an adapter to the print job of src/print forwards them to the print engine.

#include "LayoutTypes.h"

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>

namespace addrova::layout {

class PrintSurface {
public:
    virtual ~PrintSurface() = default;

    // Font by name and size in points; also switches bold, italic, underline and strike-out off.
    virtual void setFont(const QString& name, int sizePt) = 0;
    virtual void setBold(bool on) = 0;
    virtual void setItalic(bool on) = 0;
    virtual void setUnderline(bool on) = 0;
    virtual void setFontColor(Colour c) = 0;
    virtual void setFontRotation(int degrees) = 0;  // counter-clockwise
    // Pen width: positive in device pixels, negative in hundredths of an inch (at least 1 device pixel).
    virtual void setPen(Colour c, PenStyle style, int width, PenMode mode) = 0;
    virtual void setBrush(Colour c, BrushStyle style) = 0;

    virtual void rectangle(double x1, double y1, double x2, double y2) = 0;
    virtual void roundRect(double x1, double y1, double x2, double y2, double cornerW, double cornerH) = 0;
    virtual void ellipse(double x1, double y1, double x2, double y2) = 0;
    virtual void moveTo(double x, double y) = 0;
    virtual void lineTo(double x, double y) = 0;

    // Device pixels of an inch rectangle.
    virtual QRect toDevice(double x1, double y1, double x2, double y2) const = 0;
    // Text with its (unrotated) top-left corner at x, y, clipped to a device rectangle.
    virtual void textOut(double x, double y, const QString& text, const QRect& clip) = 0;
    virtual void drawBitmap(double x1, double y1, double x2, double y2, const QImage& image) = 0;
    // A Windows metafile image (placeable or plain) stretched into a device rectangle.
    virtual void drawMetafile(const QRect& device, const QByteArray& wmf) = 0;

    virtual double textWidth(const QString& text) const = 0;  // inches, current font
    virtual double lineHeight() const = 0;                     // inches, current font
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    virtual int pageNumber() const = 0;
};

// The print engine's operations done with a QPainter whose device has the given resolution.
// Coordinates in inches map to device pixels by multiplying with the resolution.
class PainterPrintSurface : public PrintSurface {
public:
    PainterPrintSurface(QPainter& painter, int dpiX, int dpiY, int page = 1);

    void setFont(const QString& name, int sizePt) override;
    void setBold(bool on) override;
    void setItalic(bool on) override;
    void setUnderline(bool on) override;
    void setFontColor(Colour c) override;
    void setFontRotation(int degrees) override;
    void setPen(Colour c, PenStyle style, int width, PenMode mode) override;
    void setBrush(Colour c, BrushStyle style) override;
    void rectangle(double x1, double y1, double x2, double y2) override;
    void roundRect(double x1, double y1, double x2, double y2, double cornerW, double cornerH) override;
    void ellipse(double x1, double y1, double x2, double y2) override;
    void moveTo(double x, double y) override;
    void lineTo(double x, double y) override;
    QRect toDevice(double x1, double y1, double x2, double y2) const override;
    void textOut(double x, double y, const QString& text, const QRect& clip) override;
    void drawBitmap(double x1, double y1, double x2, double y2, const QImage& image) override;
    void drawMetafile(const QRect& device, const QByteArray& wmf) override;
    double textWidth(const QString& text) const override;
    double lineHeight() const override;
    int dpiX() const override { return dpiX_; }
    int dpiY() const override { return dpiY_; }
    int pageNumber() const override { return page_; }
    void setPageNumber(int page) { page_ = page; }

private:
    QFont deviceFont() const;
    QPen qpen() const;
    QBrush qbrush() const;
    QPainter& p_;
    int dpiX_, dpiY_, page_;
    QString fontName_ = QStringLiteral("Arial");
    int fontSize_ = 10;
    bool bold_ = false, italic_ = false, underline_ = false;
    Colour fontColor_ = clBlack;
    int rotation_ = 0;
    Colour penColor_ = clBlack;
    PenStyle penStyle_ = PenStyle::psSolid;
    int penWidth_ = 1;
    PenMode penMode_ = PenMode::pmCopy;
    Colour brushColor_ = clWhite;
    BrushStyle brushStyle_ = BrushStyle::bsSolid;
    QPointF pos_;
};

// Painter composition mode of a pen mix mode (the raster operations that have one).
QPainter::CompositionMode compositionFor(PenMode mode);
Qt::PenStyle qtPenStyle(PenStyle s);
Qt::BrushStyle qtBrushStyle(BrushStyle s);

}  // namespace addrova::layout
