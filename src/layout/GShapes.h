#pragma once

// Lines, shapes and pictures.

#include "GGraphc.h"

#include <QByteArray>
#include <QImage>

namespace addrova::layout {

// A line's end points in inches as it prints.
struct PrintedSegment {
    double x1, y1, x2, y2;
};
PrintedSegment linePrintSegment(LineStyle s, int left, int top, int width, int height, int penWidth, int ppi,
                                double X, double Y);
// Outline width of a shape on paper, in hundredths of an inch: Trunc(width / ppi * 100).
int shapePrintPenWidth(int penWidth, int ppi);
// Corner ellipse of a rounded shape on screen.
int roundCorner(int roundPerc, int width, int height);

class TGLineShape : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGLineShape(QObject* parent = nullptr);
    const char* className() const override { return "TGLineShape"; }
    LineStyle lineStyle() const { return style_; }
    void setLineStyle(LineStyle s);
    const LayoutPen& pen() const { return pen_; }
    void setPen(const LayoutPen& p);
    void stretchToEdges();

    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    void menuPopup() override;

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    LineStyle style_ = LineStyle::stHorizontal;
    LayoutPen pen_;
    QList<QAction*> styleActions_, widthActions_;
};

class TGLabelShapes : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGLabelShapes(QObject* parent = nullptr);
    const char* className() const override { return "TGLabelShapes"; }
    ShapeType shape() const { return shape_; }
    void setShape(ShapeType s);
    int roundPerc() const { return roundPerc_; }
    void setRoundPerc(int p);
    const LayoutPen& pen() const { return pen_; }
    void setPen(const LayoutPen& p);
    const LayoutBrush& brush() const { return brush_; }
    void setBrush(const LayoutBrush& b);
    bool transparent() const { return transparent_; }
    void setTransparent(bool t);

    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    void menuPopup() override;

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    ShapeType shape_ = ShapeType::stRectangle;
    int roundPerc_ = 25;
    LayoutPen pen_;
    LayoutBrush brush_;
    bool transparent_ = false;
    QList<QAction*> widthActions_;
    QAction* transparentAction_ = nullptr;
};

class Trpshapes : public TGLabelShapes {
    Q_OBJECT
public:
    explicit Trpshapes(QObject* parent = nullptr) : TGLabelShapes(parent) {}
    const char* className() const override { return "Trpshapes"; }
};

// A picture: a bitmap or a Windows metafile, kept as its stored bytes.
class LayoutPicture {
public:
    enum class Kind { Empty, Bitmap, Metafile };
    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    // The file image (BMP or WMF) as stored.
    const QByteArray& fileData() const { return data_; }
    const QImage& image() const { return image_; }  // bitmaps
    QSize size() const;                              // pixels; metafiles by their frame at 96 ppi
    // "Picture.Data": class name, then the BMP with its length or the metafile image.
    QByteArray streamData() const;
    bool setStreamData(const QByteArray& d);
    // A BMP or WMF file; false when it cannot be read.
    bool loadFile(const QString& path);
    bool loadBytes(const QByteArray& bytes);
    void clear();
    void draw(QPainter& p, const QRectF& target) const;
    bool operator==(const LayoutPicture& o) const { return kind_ == o.kind_ && data_ == o.data_; }

private:
    Kind kind_ = Kind::Empty;
    QByteArray data_;
    QImage image_;
};

class TGImage : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGImage(QObject* parent = nullptr);
    const char* className() const override { return "TGImage"; }
    const LayoutPicture& picture() const { return picture_; }
    LayoutPicture& picture() { return picture_; }
    bool stretch() const { return stretch_; }
    void setStretch(bool s);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool a);
    void loadImageFromDisk();  // the "Load Image From Disk" dialog

    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    void menuPopup() override;

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    LayoutPicture picture_;
    bool stretch_ = true, autoSize_ = false;
    QAction *stretchAction_ = nullptr, *autoSizeAction_ = nullptr;
};

// Draws a Windows metafile (placeable or plain) stretched into a rectangle; false when it cannot be
// read.
bool drawWmf(QPainter& p, const QByteArray& wmf, const QRectF& target);
// The metafile's frame in pixels at 96 ppi.
QSize wmfSize(const QByteArray& wmf);

}  // namespace addrova::layout
