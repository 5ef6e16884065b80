#pragma once

// USPS barcodes: POSTNET of the record's ZIP code and the Facing Identification Mark.

#include "GGraphc.h"

#include <QImage>
#include <string>
#include <vector>

namespace addrova::layout {

namespace postnet {
constexpr double kBarWidth = 0.015, kPitch = 0.046, kFullHeight = 0.125, kHalfHeight = 0.055;

// The ZIP text is at least 5 characters and between "00000" and "99999-9999" in byte order.
bool validZip(const std::string& zip);
// Two delivery-point digits of a street address ("99" when none).
std::string deliveryPoint(const std::string& address);
// The digits printed before the check digit; "" when the ZIP is not valid.
std::string codeDigits(const std::string& zip, const std::string& address, BarCodeType type);
int checkDigit(const std::string& digits);
// Digits plus check digit, "" when nothing is printed.
std::string printedString(const std::string& zip, const std::string& address, BarCodeType type);
// 1 = full bar, 0 = half bar, frame bars included.
std::string barPattern(const std::string& printed);
// Bars in inches from the barcode's top-left corner.
std::vector<QRectF> bars(const std::string& printed, double x, double y0);
}  // namespace postnet

namespace fim {
constexpr double kSlot = 0.03125, kHeight = 0.5625;
// The 1/32-inch slots (1 to 17) that hold a bar.
std::vector<int> barSlots(FIMType t);
std::vector<QRectF> bars(FIMType t, double x0, double y0);
}  // namespace fim

class TGPostNetBarCode : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGPostNetBarCode(QObject* parent = nullptr);
    const char* className() const override { return "TGPostNetBarCode"; }
    QString zipCodeField() const { return zipField_; }
    void setZipCodeField(const QString& s) { zipField_ = s; }
    QString addressField() const { return addressField_; }
    void setAddressField(const QString& s) { addressField_ = s; }
    BarCodeType barCodeType() const { return type_; }
    void setBarCodeType(BarCodeType t) { type_ = t; }
    QString zipText() const { return zipText_; }
    QString addressText() const { return addressText_; }
    void setData(const QString& zip, const QString& address) { zipText_ = zip; addressText_ = address; }

    void refreshData() override;
    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    // The 270 x 16 design-time picture.
    static const QImage& picture();

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

private:
    QString zipField_, addressField_;
    BarCodeType type_ = BarCodeType::pnbc11Digit;
    QString zipText_, addressText_;
};

class TGFIMBarCode : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGFIMBarCode(QObject* parent = nullptr);
    const char* className() const override { return "TGFIMBarCode"; }
    FIMType fimType() const { return type_; }
    void setFIMType(FIMType t);

    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;
    void menuPopup() override;

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    FIMType type_ = FIMType::fimTypeA;
    QList<QAction*> typeActions_;
};

}  // namespace addrova::layout
