#include "GIMBarcode.h"

#include "GBarcode.h"

#include "Common.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <zint.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace addrova::layout {

namespace imb {

namespace {
bool allDigits(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool moduleSet(const zint_symbol* s, int row, int col)
{
    return (s->encoded_data[row][col / 8] >> (col % 8)) & 1;
}
}  // namespace

Encoded Encode(const std::string& tracking, const std::string& routing)
{
    Encoded e;
    if (tracking.size() != 20 || !allDigits(tracking)) {
        e.error = "The tracking code must be 20 digits";
        return e;
    }
    if (tracking[1] > '4') {
        e.error = "The second digit of the barcode identifier must be 0 to 4";
        return e;
    }
    if (!allDigits(routing) ||
        !(routing.empty() || routing.size() == 5 || routing.size() == 9 || routing.size() == 11)) {
        e.error = "The routing code must be 0, 5, 9 or 11 digits";
        return e;
    }
    const std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> s(ZBarcode_Create(), ZBarcode_Delete);
    if (!s) {
        e.error = "Out of memory";
        return e;
    }
    s->symbology = BARCODE_USPS_IMAIL;
    const std::string input = tracking + "-" + routing;
    const int rc =
        ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char*>(input.data()), static_cast<int>(input.size()));
    if (rc >= ZINT_ERROR) {
        e.error = std::string("The barcode cannot be encoded: ") + s->errtxt;
        return e;
    }
    if (s->rows != 3 || s->width != 2 * kBars - 1) {
        e.error = "The barcode cannot be encoded: unexpected symbol size";
        return e;
    }
    for (int col = 0; col < s->width; col += 2) {
        const bool top = moduleSet(s.get(), 0, col), bottom = moduleSet(s.get(), 2, col);
        e.bars += top ? (bottom ? 'F' : 'A') : (bottom ? 'D' : 'T');
    }
    return e;
}

std::string TrackingCode(const std::string& barcodeId, const std::string& serviceType, const std::string& mailerId,
                         const std::string& serial, std::string& error)
{
    error.clear();
    if (barcodeId.size() != 2 || !allDigits(barcodeId) || barcodeId[1] > '4')
        error = "The barcode identifier must be two digits, the second 0 to 4";
    else if (serviceType.size() != 3 || !allDigits(serviceType))
        error = "The service type must be three digits";
    else if ((mailerId.size() != 6 && mailerId.size() != 9) || !allDigits(mailerId))
        error = "The mailer identifier must be 6 or 9 digits";
    else if (mailerId[0] == '9' && mailerId.size() != 9)
        error = "A mailer identifier beginning with 9 has 9 digits";
    else if (mailerId[0] != '9' && mailerId.size() != 6)
        error = "A 9-digit mailer identifier begins with 9";
    else if (serial.size() != 20 - 5 - mailerId.size() || !allDigits(serial))
        error = "The serial number must be " + std::to_string(20 - 5 - mailerId.size()) + " digits after a " +
                std::to_string(mailerId.size()) + "-digit mailer identifier";
    return error.empty() ? barcodeId + serviceType + mailerId + serial : std::string();
}

std::string CounterSerial(const std::string& mailerId, long long start, long long count)
{
    const size_t width = mailerId.size() == 9 ? 6 : 9;
    if (start < 0 || count < 0)
        return {};
    const std::string n = std::to_string(start + count);
    if (n.size() > width)
        return {};
    return std::string(width - n.size(), '0') + n;
}

std::string RoutingCode(const std::string& zip, const std::string& address, BarCodeType type, std::string& error)
{
    error.clear();
    std::string digits;
    for (char c : zip)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() != 5 && digits.size() != 9) {
        error = "The ZIP code \"" + zip + "\" has " + std::to_string(digits.size()) + " digits; 5 or 9 are needed";
        return {};
    }
    if (type == BarCodeType::pnbc5Digit)
        return digits.substr(0, 5);
    if (type == BarCodeType::pnbc11Digit && digits.size() == 9)
        digits += postnet::deliveryPoint(address);
    return digits;
}

std::vector<QRectF> bars(const std::string& states, double x, double y)
{
    std::vector<QRectF> out;
    const double descenderTop = y + (kFullHeight - kAscenderHeight);
    for (size_t i = 0; i < states.size(); ++i) {
        const double left = x + static_cast<double>(i) * kPitch;
        double top = y, bottom = y + kFullHeight;
        switch (states[i]) {
        case 'A': bottom = y + kAscenderHeight; break;
        case 'D': top = descenderTop; break;
        case 'T':
            top = descenderTop;
            bottom = y + kAscenderHeight;
            break;
        default: break;
        }
        out.emplace_back(QPointF(left, top), QPointF(left + kBarWidth, bottom));
    }
    return out;
}

}  // namespace imb

// ---------------------------------------------------------------------------------------------

TGIMBarCode::TGIMBarCode(QObject* parent) : TGGraphicControl(parent)
{
    width_ = static_cast<int>(std::ceil(96 * ((imb::kBars - 1) * imb::kPitch + imb::kBarWidth)));
    height_ = static_cast<int>(std::ceil(96 * imb::kFullHeight));
}

std::string TGIMBarCode::tracking(std::string& error) const
{
    std::string serial = serial_.toStdString();
    const std::string mailer = mailerId_.toStdString();
    if (fromCounter_) {
        bool ok = false;
        const long long start = serial_.isEmpty() ? 0 : serial_.toLongLong(&ok);
        if (!serial_.isEmpty() && !ok) {
            error = "The counter's first serial number is not a number";
            return {};
        }
        serial = imb::CounterSerial(mailer, start, count_);
        if (serial.empty() && (mailer.size() == 6 || mailer.size() == 9)) {
            error = "The serial number counter has run past its digits";
            return {};
        }
    }
    return imb::TrackingCode(barcodeId_.toStdString(), serviceType_.toStdString(), mailer, serial, error);
}

std::string TGIMBarCode::trackingError() const
{
    std::string error;
    tracking(error);
    return error;
}

imb::Encoded TGIMBarCode::encode() const
{
    imb::Encoded e;
    const std::string track = tracking(e.error);
    if (!e.ok())
        return e;
    const std::string routing = imb::RoutingCode(zipText_.toStdString(), addressText_.toStdString(), type_, e.error);
    if (!e.ok())
        return e;
    return imb::Encode(track, routing);
}

void TGIMBarCode::refreshData()
{
    LayoutHost* h = host();
    RecordSource* rs = h ? h->records() : nullptr;
    auto get = [rs](const QString& name) {
        if (!rs || !rs->isOpen() || name.isEmpty())
            return QString();
        const int i = rs->fieldByName(name);
        return i < 0 ? QString() : rs->text(i);
    };
    addressText_ = get(addressField_);
    zipText_ = get(zipField_);
    if (!(h && h->printing()))
        repaint();
}

void TGIMBarCode::clearData()
{
    zipText_.clear();
    addressText_.clear();
}

void TGIMBarCode::paint(QPainter& p)
{
    const double scale = ppi() * zoom_;
    const int w = static_cast<int>(std::ceil(scale * ((imb::kBars - 1) * imb::kPitch + imb::kBarWidth)));
    const int h = static_cast<int>(std::ceil(scale * imb::kFullHeight));
    if (w != width_ || h != height_)
        setBounds(left_, top_, w, h);
    imb::Encoded e = encode();
    // Without a record (or with one that forms no code) the design view shows a sample of the bars.
    static const std::string sample = imb::Encode("01234567094987654321", "01234567891").bars;
    const bool real = e.ok();
    const std::string& states = real ? e.bars : sample;
    p.save();
    p.scale(scale, scale);
    for (const QRectF& r : imb::bars(states, 0, 0))
        p.fillRect(r, real ? Qt::black : Qt::darkGray);
    p.restore();
}

void TGIMBarCode::print(PrintSurface& s, double X, double Y)
{
    const imb::Encoded e = encode();
    if (!e.ok())
        return;
    s.setBrush(clBlack, BrushStyle::bsSolid);
    s.setPen(clBlack, PenStyle::psClear, 1, PenMode::pmCopy);
    const double p = ppi();
    for (const QRectF& r : imb::bars(e.bars, X + left_ / p, Y + top_ / p))
        s.rectangle(r.left(), r.top(), r.right(), r.bottom());
}

bool TGIMBarCode::settingsDialog()
{
    TIMBarCodeSettings d(*this, qobject_cast<QWidget*>(parent()));
    if (d.exec() != QDialog::Accepted)
        return false;
    repaint();
    return true;
}

void TGIMBarCode::addMenuItems(QMenu* m)
{
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    m->addAction(QStringLiteral("Intelligent Mail Settings..."), this, [this] {
        if (settingsDialog())
            notifyChanged();
    });
}

TIMBarCodeSettings::TIMBarCodeSettings(TGIMBarCode& code, QWidget* parent) : QDialog(parent), code_(code)
{
    setWindowTitle(QStringLiteral("Intelligent Mail Barcode"));
    auto* form = new QFormLayout(this);
    auto digits = [this](const QString& text, int max) {
        auto* e = new QLineEdit(text, this);
        e->setMaxLength(max);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        return e;
    };
    barcodeIdEdit = digits(code.barcodeId(), 2);
    serviceTypeEdit = digits(code.serviceType(), 3);
    mailerIdEdit = digits(code.mailerId(), 9);
    serialEdit = digits(code.serialNumber(), 9);
    counterCheck = new QCheckBox(QStringLiteral("Count up from this number for each piece"), this);
    counterCheck->setChecked(code.serialFromCounter());
    routingCombo = new QComboBox(this);
    routingCombo->addItems({QStringLiteral("5-digit ZIP"), QStringLiteral("ZIP+4"),
                            QStringLiteral("ZIP+4 and delivery point")});
    routingCombo->setCurrentIndex(static_cast<int>(code.routingType()));
    form->addRow(QStringLiteral("Barcode identifier:"), barcodeIdEdit);
    form->addRow(QStringLiteral("Service type:"), serviceTypeEdit);
    form->addRow(QStringLiteral("Mailer identifier (6 or 9 digits):"), mailerIdEdit);
    form->addRow(QStringLiteral("Serial number:"), serialEdit);
    form->addRow(QString(), counterCheck);
    form->addRow(QStringLiteral("Routing code from the record:"), routingCombo);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TIMBarCodeSettings::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TIMBarCodeSettings::OkClick()
{
    TGIMBarCode trial;
    trial.setBarcodeId(barcodeIdEdit->text());
    trial.setServiceType(serviceTypeEdit->text());
    trial.setMailerId(mailerIdEdit->text());
    QString serial = serialEdit->text();
    // A counter's first number may be short: it is padded when printed.
    if (counterCheck->isChecked() && !serial.isEmpty())
        serial = QString::fromStdString(imb::CounterSerial(mailerIdEdit->text().toStdString(), serial.toLongLong(), 0));
    trial.setSerialNumber(serial);
    const std::string error = trial.trackingError();
    if (!error.empty()) {
        ui::ShowInfo(QString::fromStdString(error));
        return;
    }
    code_.setBarcodeId(trial.barcodeId());
    code_.setServiceType(trial.serviceType());
    code_.setMailerId(trial.mailerId());
    code_.setSerialNumber(serial);
    code_.setSerialFromCounter(counterCheck->isChecked());
    code_.setRoutingType(static_cast<BarCodeType>(routingCombo->currentIndex()));
    accept();
}

void TGIMBarCode::writeProperties(PropertyWriter& w) const
{
    TGGraphicControl::writeProperties(w);
    w.string("BarcodeId", barcodeId_);
    w.string("ServiceType", serviceType_);
    w.string("MailerId", mailerId_);
    w.string("SerialNumber", serial_);
    w.boolean("SerialFromCounter", fromCounter_);
    w.string("ZipCodeField", zipField_);
    w.string("AddressField", addressField_);
    w.enumeration("BarCodeType", type_);
}

PropKind TGIMBarCode::propertyKind(const QString& path) const
{
    static const char* const strings[] = {"BarcodeId",    "ServiceType",  "MailerId",
                                          "SerialNumber", "ZipCodeField", "AddressField"};
    for (const char* s : strings)
        if (path == QLatin1String(s))
            return PropKind::String;
    if (path == QLatin1String("SerialFromCounter"))
        return PropKind::Boolean;
    if (path == QLatin1String("BarCodeType"))
        return PropKind::Enum;
    return TGGraphicControl::propertyKind(path);
}

bool TGIMBarCode::assignProperty(const QString& path, const StreamValue& v, int ppi)
{
    const bool isStr = v.code == vaString || v.code == vaLString;
    QString* target = path == QLatin1String("BarcodeId")      ? &barcodeId_
                      : path == QLatin1String("ServiceType")  ? &serviceType_
                      : path == QLatin1String("MailerId")     ? &mailerId_
                      : path == QLatin1String("SerialNumber") ? &serial_
                      : path == QLatin1String("ZipCodeField") ? &zipField_
                      : path == QLatin1String("AddressField") ? &addressField_
                                                              : nullptr;
    if (target)
        return isStr && (*target = v.text, true);
    if (path == QLatin1String("SerialFromCounter")) {
        if (v.code != vaFalse && v.code != vaTrue)
            return false;
        fromCounter_ = v.code == vaTrue;
        return true;
    }
    if (path == QLatin1String("BarCodeType"))
        return assignEnum(type_, v);
    return TGGraphicControl::assignProperty(path, v, ppi);
}

}  // namespace addrova::layout
