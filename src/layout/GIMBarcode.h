#pragma once

// The USPS Intelligent Mail barcode (IMb): 65 bars of four states carrying a 20-digit tracking code
// and a routing code of 0, 5, 9 or 11 digits taken from the record's ZIP code.

#include "GGraphc.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace addrova::layout {

class TGIMBarCode;

namespace imb {
// Printed dimensions in inches (USPS-B-3200 nominal values): 22 bars per inch.
constexpr double kPitch = 1.0 / 22, kBarWidth = 0.020, kFullHeight = 0.145, kTrackerHeight = 0.048;
constexpr double kAscenderHeight = (kFullHeight + kTrackerHeight) / 2;  // from the top to the tracker's foot
constexpr int kBars = 65;

struct Encoded {
    std::string bars;   // 65 letters: A ascender, D descender, F full, T tracker
    std::string error;  // why no barcode could be made
    bool ok() const { return error.empty(); }
};
// Encodes with libzint. The tracking code is 20 digits (the second at most 4), the routing code
// 0, 5, 9 or 11 digits.
Encoded Encode(const std::string& tracking, const std::string& routing);

// Tracking code from its parts; `error` says which part is wrong (empty when none).
std::string TrackingCode(const std::string& barcodeId, const std::string& serviceType, const std::string& mailerId,
                         const std::string& serial, std::string& error);
// Serial number of a counter: start + count, zero-padded to the width the mailer id leaves
// (9 digits after a 6-digit mailer id, 6 after a 9-digit one); "" when it does not fit.
std::string CounterSerial(const std::string& mailerId, long long start, long long count);
// Routing code from the ZIP text: its digits when there are 5 or 9; with pnbc11Digit and 9 ZIP digits
// the delivery point of the address follows (as for POSTNET). `error` is set for other digit counts.
std::string RoutingCode(const std::string& zip, const std::string& address, BarCodeType type, std::string& error);

// Bars in inches from the barcode's top-left corner.
std::vector<QRectF> bars(const std::string& states, double x, double y);
}  // namespace imb

// Its settings window: barcode identifier, service type, mailer identifier, serial number, whether
// the serial number counts up per piece, and the routing code's length.
class TIMBarCodeSettings : public QDialog {
    Q_OBJECT
public:
    explicit TIMBarCodeSettings(TGIMBarCode& code, QWidget* parent = nullptr);
    // Checks the entries; on a fault tells the user and keeps the window open.
    void OkClick();
    QLineEdit* barcodeIdEdit;
    QLineEdit* serviceTypeEdit;
    QLineEdit* mailerIdEdit;
    QLineEdit* serialEdit;
    QCheckBox* counterCheck;
    QComboBox* routingCombo;

private:
    TGIMBarCode& code_;
};

class TGIMBarCode : public TGGraphicControl {
    Q_OBJECT
public:
    explicit TGIMBarCode(QObject* parent = nullptr);
    const char* className() const override { return "TGIMBarCode"; }

    QString barcodeId() const { return barcodeId_; }
    void setBarcodeId(const QString& s) { barcodeId_ = s; }
    QString serviceType() const { return serviceType_; }
    void setServiceType(const QString& s) { serviceType_ = s; }
    QString mailerId() const { return mailerId_; }
    void setMailerId(const QString& s) { mailerId_ = s; }
    // The fixed serial number, or the counter's first number.
    QString serialNumber() const { return serial_; }
    void setSerialNumber(const QString& s) { serial_ = s; }
    bool serialFromCounter() const { return fromCounter_; }
    void setSerialFromCounter(bool v) { fromCounter_ = v; }
    QString zipCodeField() const { return zipField_; }
    void setZipCodeField(const QString& s) { zipField_ = s; }
    QString addressField() const { return addressField_; }
    void setAddressField(const QString& s) { addressField_ = s; }
    BarCodeType routingType() const { return type_; }
    void setRoutingType(BarCodeType t) { type_ = t; }
    void setData(const QString& zip, const QString& address) { zipText_ = zip; addressText_ = address; }

    // The tracking code of the current piece, the routing code of the current record, and the bars;
    // an error text when the settings or the record cannot form a valid barcode.
    imb::Encoded encode() const;
    // The tracking code's parts alone (what the properties dialog checks).
    std::string trackingError() const;

    void refreshData() override;
    void clearData() override;
    void advanceCounter() override { ++count_; }
    void resetCounter() override { count_ = 0; }
    void paint(QPainter& p) override;
    void print(PrintSurface& s, double x, double y) override;

    // The "Intelligent Mail Settings" dialog; true when the settings were changed.
    bool settingsDialog();

    void writeProperties(PropertyWriter& w) const override;
    PropKind propertyKind(const QString& path) const override;
    bool assignProperty(const QString& path, const StreamValue& v, int ppi) override;

protected:
    void addMenuItems(QMenu* menu) override;

private:
    std::string tracking(std::string& error) const;
    QString barcodeId_ = QStringLiteral("00"), serviceType_ = QStringLiteral("700"), mailerId_, serial_;
    bool fromCounter_ = false;
    QString zipField_, addressField_;
    BarCodeType type_ = BarCodeType::pnbc11Digit;
    QString zipText_, addressText_;
    long long count_ = 0;
};

}  // namespace addrova::layout
