#pragma once

// Multi-line text objects: fixed text, memo text and the address block.

#include "GGraphc.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace addrova::layout {

// Lays text into a box of the given width with word wrap, as a multi-line edit does: breaks at
// spaces, a word longer than the width breaks inside; each display line is one entry.
QStringList wrapText(const QString& text, const QFont& font, int ppi, int width);

// Per-line print geometry of a multi-line object in device pixels.
struct PrintedLine {
    QString text;
    int x = 0;        // offset from the box's left edge, device pixels
    int y = 0;        // device row of the line's top
    int bottom = 0;   // device row of the clip's bottom
};
// The lines that print in a box from T to B (device rows), each lh high: a line starting at or
// below B is dropped, the last is cut at B. widths are the lines' widths in device pixels.
std::vector<PrintedLine> printedLines(const QStringList& lines, const std::vector<int>& widths, Alignment a, int L,
                                      int T, int R, int B, int lh, int k);

// The address block of a record. get(name) gives a field's text, nullopt when the field does not
// exist (composition then stops with the lines so far).
struct AddressSwitches {
    bool useName = true, useTitle = true, useCompany = true, useStreet = true, useStreet2 = true,
         useCityState = true, useZip = true, usePhone = false, useCountry = true;
    ZipOptions zipOptions = ZipOptions::zoAfterState;
    bool upperCase = false;
};
QStringList composeAddress(const AddressSwitches& s, const std::function<std::optional<QString>(const char*)>& get);

class TGMultiLineBaseLabel : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGMultiLineBaseLabel(QObject* parent = nullptr);

    const QStringList& items() const { return items_; }
    void setItems(const QStringList& lines);
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool a) { autoSize_ = a; }
    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment a);
    const LayoutFont& font() const { return font_; }
    void setFont(const LayoutFont& f);
    bool wordWrap() const { return wordWrap_; }
    void setWordWrap(bool w);
    const QStringList& wrappedLines() const { return wrapped_; }
    bool isMemo() const { return isMemo_; }

    virtual void wrapLines();
    void fitLines();
    // The lines drawn: the wrapped ones when wrapping, else Items.
    const QStringList& drawnLines() const { return wordWrap_ ? wrapped_ : items_; }

    void boundsChanged() override;
    void applyFont(const LayoutFont& f) override;
    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    void menuPopup() override;
    virtual void chooseFont();

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;
    void writeMultiLineSet(PropertyWriter& w) const;
    QStringList items_, wrapped_;
    bool autoSize_ = false;
    Alignment alignment_ = Alignment::taLeftJustify;
    LayoutFont font_;
    bool wordWrap_ = false;
    bool isMemo_ = false;
    QList<QAction*> alignActions_;
    QAction* wrapAction_ = nullptr;
};

class TGMultiLineLabel : public TGMultiLineBaseLabel {
    Q_OBJECT
public:
    explicit TGMultiLineLabel(QObject* parent = nullptr) : TGMultiLineBaseLabel(parent) {}
    const char* className() const override { return "TGMultiLineLabel"; }
    void editText();  // the "Text" dialog

protected:
    void addMenuItems(QMenu* menu) override;
};

class TGDMultiLineLabel : public TGMultiLineBaseLabel {
    Q_OBJECT
public:
    explicit TGDMultiLineLabel(QObject* parent = nullptr);
    const char* className() const override { return "TGDMultiLineLabel"; }
    QString dataFieldName() const { return dataFieldName_; }
    void setDataFieldName(const QString& s) { dataFieldName_ = s; }
    QString dataFieldDescript() const { return dataFieldDescript_; }
    void setDataFieldDescript(const QString& s) { dataFieldDescript_ = s; }

    void wrapLines() override { refreshData(); }
    void refreshData() override;
    void clearData() override;
    void chooseField();  // "Memo Field"

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    QString dataFieldName_, dataFieldDescript_;
};

class TGDMultiLineAddressLabel : public TGMultiLineBaseLabel {
    Q_OBJECT
public:
    explicit TGDMultiLineAddressLabel(QObject* parent = nullptr) : TGMultiLineBaseLabel(parent) {}
    const char* className() const override { return "TGDMultiLineAddressLabel"; }
    AddressSwitches& switches() { return sw_; }
    const AddressSwitches& switches() const { return sw_; }
    void setSwitches(const AddressSwitches& s) { sw_ = s; }

    void refreshData() override;
    void clearData() override;
    void addressLayout();  // the "Address Layout" dialog

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    AddressSwitches sw_;
};

}  // namespace addrova::layout
