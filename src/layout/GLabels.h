#pragma once

// Single-line text objects: TGBaseLabel and its descendants.

#include "GGraphc.h"

#include <QDateTime>
#include <functional>

namespace addrova::layout {

// Edges of a rectangle as the text layout computes them (right and bottom are exclusive).
struct Edges {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Edges&) const = default;
    Edges moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

// The geometry of a text label: the box fitted to the text, the three text rectangles and origins.
struct TextLayoutInput {
    int angle = 0;
    int width = 0, height = 0;   // the box before fitting
    int lineH = 0;               // cell height + internal leading + external leading
    int textW = 0;               // width of the caption followed by one space
    int sx = 0, sy = 0, hx = 0, hy = 0;
    Alignment alignment = Alignment::taLeftJustify;
};
struct TextLayout {
    int width = 0, height = 0;
    Edges main, shadow, highlight;
    QPoint mainOrigin, shadowOrigin, highlightOrigin;
};
TextLayout layoutText(const TextLayoutInput& in);

// Shadow and highlight offsets of a direction and depth.
QPoint shadowOffset(ShadowDir d, int depth);
QPoint highlightOffset(HighlightDir d, int depth);

// Font measures on a surface of the given resolution.
struct TextMeasure {
    int lineH = 0;     // cell height + internal leading + external leading
    int cellH = 0;     // cell height
    int width(const QString& s) const;
    QFont font;
    int ppi = 96;
};
TextMeasure measureFont(const QFont& font, int ppi);

class TGBaseLabel : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGBaseLabel(QObject* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& c);
    const LayoutFont& font() const { return font_; }
    void setFont(const LayoutFont& f);
    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment a);
    int angle() const { return angle_; }
    void setAngle(int a);
    int depthShadow() const { return depthShadow_; }
    void setDepthShadow(int d);
    ShadowDir directionShadow() const { return dirShadow_; }
    void setDirectionShadow(ShadowDir d);
    Colour colorShadow() const { return colorShadow_; }
    void setColorShadow(Colour c);
    int depthHighlight() const { return depthHighlight_; }
    void setDepthHighlight(int d);
    HighlightDir directionHighlight() const { return dirHighlight_; }
    void setDirectionHighlight(HighlightDir d);
    Colour colorHighlight() const { return colorHighlight_; }
    void setColorHighlight(Colour c);
    bool transparent() const { return transparent_; }
    void setTransparent(bool t);
    Colour backColor() const { return backColor_; }
    void setBackColor(Colour c);

    void boundsChanged() override;
    void applyFont(const LayoutFont& f) override;
    void print(PrintSurface& s, double x, double y) override;
    void paint(QPainter& p) override;
    void menuPopup() override;
    virtual void chooseFont();

    // Lays the text out (when needed) and returns the geometry.
    const TextLayout& layout();
    void setLayoutNeeded() { layoutNeeded_ = true; }
    // Grows the box to the caption (angle 0 only).
    void fitToText();

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;
    void addTextItems(QMenu* menu, bool withFontAndAlignment);
    void addRotationItems(QMenu* menu);
    void writeTextSet(PropertyWriter& w) const;
    // The caption as it is to be drawn now (counters and dates rebuild it).
    virtual void prepareText() {}
    void recomputeOffsets();
    void doLayout();

    QString caption_ = QStringLiteral("Text");
    LayoutFont font_;
    Alignment alignment_ = Alignment::taLeftJustify;
    int angle_ = 0;
    int depthShadow_ = 0, depthHighlight_ = 0;
    ShadowDir dirShadow_ = ShadowDir::sdDownRight;
    HighlightDir dirHighlight_ = HighlightDir::hdUpLeft;
    Colour colorShadow_ = clGray, colorHighlight_ = clAqua;
    bool transparent_ = true;
    Colour backColor_ = clWhite;
    bool layoutNeeded_ = true;
    QPoint so_, ho_;  // shadow and highlight offsets
    TextLayout layout_;
    QList<QAction*> alignActions_;
};

class TGPLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGPLabel(QObject* parent = nullptr) : TGBaseLabel(parent) {}
    const char* className() const override { return "TGPLabel"; }
    virtual void editText();
    virtual void editOnPlacement() { editText(); }
    void chooseFont() override;

protected:
    void addMenuItems(QMenu* menu) override;
};

class TGPDLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGPDLabel(QObject* parent = nullptr) : TGBaseLabel(parent) {}
    const char* className() const override { return "TGPDLabel"; }
    QString dataFieldName() const { return dataFieldName_; }
    void setDataFieldName(const QString& s) { dataFieldName_ = s; }
    QString dataFieldDescript() const { return dataFieldDescript_; }
    void setDataFieldDescript(const QString& s) { dataFieldDescript_ = s; }
    int lengthOfText() const { return lengthOfText_; }
    void setLengthOfText(int n) { lengthOfText_ = n; }

    void refreshData() override;
    void clearData() override;
    // The "Field" command: the field dialog, then the panel's RefreshData.
    void chooseField();

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    QString dataFieldName_, dataFieldDescript_;
    int lengthOfText_ = 0;
};

class TGCounterLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGCounterLabel(QObject* parent = nullptr);
    const char* className() const override { return "TGCounterLabel"; }
    int startingNumber() const { return startingNumber_; }
    void setStartingNumber(int n);
    int repeatEach() const { return repeatEach_; }
    void setRepeatEach(int n);
    int leadingZeros() const { return leadingZeros_; }
    void setLeadingZeros(int n);
    QString textBefore() const { return textBefore_; }
    void setTextBefore(const QString& s);
    QString textAfter() const { return textAfter_; }
    void setTextAfter(const QString& s);
    int value() const { return value_; }
    // TextBefore + number + TextAfter, the number zero-padded to LeadingZeros digits.
    QString counterText() const;
    static QString formatCounter(int value, int leadingZeros);

    void advanceCounter() override;
    void resetCounter() override;
    void loaded() override;
    void counterSettings();  // the "Counter Settings" dialog

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void prepareText() override;
    void addMenuItems(QMenu* menu) override;

private:
    int startingNumber_ = 1, repeatEach_ = 1, leadingZeros_ = 0;
    QString textBefore_, textAfter_;
    int value_ = 1, copies_ = 0;
};

class TGSymbolLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGSymbolLabel(QObject* parent = nullptr);
    const char* className() const override { return "TGSymbolLabel"; }
    void boundsChanged() override;
    void applyFont(const LayoutFont&) override {}
    // Size to 1.1 times the character in the zoomed font.
    void fitSymbol();
    void symbolSelector();
    // Columns of the symbol list for a font size.
    static int symbolColumns(int points);

protected:
    void addMenuItems(QMenu* menu) override;
};

class TGDateTimeLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGDateTimeLabel(QObject* parent = nullptr) : TGBaseLabel(parent) {}
    const char* className() const override { return "TGDateTimeLabel"; }
    DateFormat dateFormat() const { return dateFormat_; }
    void setDateFormat(DateFormat f);
    TimeFormat timeFormat() const { return timeFormat_; }
    void setTimeFormat(TimeFormat f);
    static QString formatDateTime(const QDateTime& when, DateFormat d, TimeFormat t);
    // The clock; tests set a fixed one.
    static void setClock(std::function<QDateTime()> clock);

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void prepareText() override;
    void addMenuItems(QMenu* menu) override;

private:
    DateFormat dateFormat_ = DateFormat::dtfDateShort;
    TimeFormat timeFormat_ = TimeFormat::dtfTimeNone;
};

class TGPageNumberLabel : public TGBaseLabel {
    Q_OBJECT
public:
    explicit TGPageNumberLabel(QObject* parent = nullptr) : TGBaseLabel(parent) {}
    const char* className() const override { return "TGPageNumberLabel"; }
    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;

protected:
    void addMenuItems(QMenu* menu) override { TGBaseLabel::addMenuItems(menu); }
};

}  // namespace addrova::layout
