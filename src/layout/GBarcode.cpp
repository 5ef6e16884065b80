#include "GBarcode.h"

#include <QAction>
#include <QMenu>
#include <cmath>

namespace addrova::layout {

namespace postnet {

bool validZip(const std::string& zip) { return zip.size() >= 5 && zip >= "00000" && zip <= "99999-9999"; }

std::string deliveryPoint(const std::string& address) {
    std::string a = address;
    for (auto& c : a)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (a.find("APO") != std::string::npos || a.find("FPO") != std::string::npos) return "99";
    char tens = ' ', units = ' ';
    bool afterSlash = false, ordinal = false, haveUnits = false, haveTens = false;
    for (size_t i = a.size(); i-- > 0;) {
        char c = a[i];
        bool taken = haveUnits || haveTens;
        if (c >= '0' && c <= '9') {
            if (afterSlash || ordinal || (haveUnits && haveTens)) continue;
            if (!haveUnits) {
                units = c;
                haveUnits = true;
            } else {
                tens = c;
                haveTens = true;
            }
        } else if (c == ' ') {
            if (taken) break;
            afterSlash = ordinal = false;
        } else if (c == '/' && taken) {
            afterSlash = true;
            tens = units = ' ';
            haveUnits = haveTens = false;
        } else if (haveUnits && !haveTens) {
            tens = '0';
            haveTens = true;
        } else {
            std::string two = a.substr(i, 2);
            if (two == "ST" || two == "ND" || two == "RD" || two == "TH") ordinal = true;
        }
    }
    if (!haveUnits && !haveTens) return "99";
    if (!haveTens) tens = '0';
    return std::string{tens, units};
}

std::string codeDigits(const std::string& zip, const std::string& address, BarCodeType type) {
    if (!validZip(zip)) return {};
    std::string source = zip + (type == BarCodeType::pnbc11Digit ? deliveryPoint(address) : std::string());
    std::string digits;
    for (char c : source)
        if (c >= '0' && c <= '9') digits += c;
    if (type == BarCodeType::pnbc5Digit && digits.size() > 5) digits.resize(5);
    return digits;
}

int checkDigit(const std::string& digits) {
    int s = 0;
    for (char c : digits) s += c - '0';
    return (10 - s % 10) % 10;
}

std::string printedString(const std::string& zip, const std::string& address, BarCodeType type) {
    std::string d = codeDigits(zip, address, type);
    if (d.empty()) return {};
    return d + static_cast<char>('0' + checkDigit(d));
}

std::string barPattern(const std::string& printed) {
    static const char* const table[10] = {"11000", "00011", "00101", "00110", "01001",
                                          "01010", "01100", "10001", "10010", "10100"};
    std::string p = "1";
    for (char c : printed)
        if (c >= '0' && c <= '9') p += table[c - '0'];
    return p + "1";
}

std::vector<QRectF> bars(const std::string& printed, double x, double y0) {
    std::vector<QRectF> out;
    if (printed.empty()) return out;
    for (char b : barPattern(printed)) {
        double top = b == '1' ? y0 : y0 + kFullHeight - kHalfHeight;
        out.push_back(QRectF(QPointF(x, top), QPointF(x + kBarWidth, y0 + kFullHeight)));
        x += kPitch;
    }
    return out;
}

}  // namespace postnet

namespace fim {

std::vector<int> barSlots(FIMType t) {
    switch (t) {
    case FIMType::fimTypeB: return {1, 5, 7, 11, 13, 17};
    case FIMType::fimTypeC: return {1, 3, 7, 11, 15, 17};
    default: return {1, 3, 9, 15, 17};
    }
}

std::vector<QRectF> bars(FIMType t, double x0, double y0) {
    std::vector<QRectF> out;
    for (int k : barSlots(t)) out.push_back(QRectF(QPointF(x0 + (k - 1) * kSlot, y0), QPointF(x0 + k * kSlot, y0 + kHeight)));
    return out;
}

}  // namespace fim

// ---------------------------------------------------------------------------------------------

TGPostNetBarCode::TGPostNetBarCode(QObject* parent) : TGGraphicControl(parent) {
    width_ = static_cast<int>(96 * 2.6);
    height_ = static_cast<int>(96 * 0.125);
}

const QImage& TGPostNetBarCode::picture() {
    static const QImage img = [] {
        QImage im(270, 16, QImage::Format_RGB32);
        im.fill(Qt::white);
        std::string pattern = postnet::barPattern(postnet::printedString("12345-6789", "1 MAIN ST", BarCodeType::pnbc11Digit));
        QPainter p(&im);
        int n = static_cast<int>(pattern.size());
        for (int i = 0; i < n; ++i) {
            int x = 1 + i * 268 / n;
            int top = pattern[static_cast<size_t>(i)] == '1' ? 1 : 9;
            p.fillRect(QRect(x, top, 2, 15 - top), Qt::black);
        }
        return im;
    }();
    return img;
}

void TGPostNetBarCode::refreshData() {
    LayoutHost* h = host();
    RecordSource* rs = h ? h->records() : nullptr;
    auto get = [rs](const QString& name) {
        if (!rs || !rs->isOpen() || name.isEmpty()) return QString();
        int i = rs->fieldByName(name);
        return i < 0 ? QString() : rs->text(i);
    };
    addressText_ = get(addressField_);
    zipText_ = get(zipField_);
    if (!(h && h->printing())) repaint();
}

void TGPostNetBarCode::paint(QPainter& p) {
    QSize s = picture().size();
    QSize want = zoom_ == 1.0f ? s : QSize(roundEven(s.width() * zoom_), roundEven(s.height() * zoom_));
    if (want != QSize(width_, height_)) setBounds(left_, top_, want.width(), want.height());
    p.drawImage(QRect(0, 0, width_, height_), picture());
}

void TGPostNetBarCode::print(PrintSurface& s, double X, double Y) {
    std::string printed = postnet::printedString(zipText_.toStdString(), addressText_.toStdString(), type_);
    if (printed.empty()) return;
    s.setBrush(clBlack, BrushStyle::bsSolid);
    s.setPen(clBlack, PenStyle::psSolid, 1, PenMode::pmCopy);
    double p = ppi();
    for (const QRectF& r : postnet::bars(printed, X + left_ / p, Y + top_ / p))
        s.rectangle(r.left(), r.top(), r.right(), r.bottom());
}

void TGPostNetBarCode::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    w.string("ZipCodeField", zipField_);
    w.string("AddressField", addressField_);
    w.enumeration("BarCodeType", type_);
}

PropKind TGPostNetBarCode::propertyKind(const QString& path) const {
    if (path == QLatin1String("ZipCodeField") || path == QLatin1String("AddressField")) return PropKind::String;
    if (path == QLatin1String("BarCodeType")) return PropKind::Enum;
    return TGGraphicControl::propertyKind(path);
}

bool TGPostNetBarCode::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    bool isStr = v.code == vaString || v.code == vaLString;
    if (path == QLatin1String("ZipCodeField")) return isStr && (zipField_ = v.text, true);
    if (path == QLatin1String("AddressField")) return isStr && (addressField_ = v.text, true);
    if (path == QLatin1String("BarCodeType")) return assignEnum(type_, v);
    return TGGraphicControl::assignProperty(path, v, ppi);
}

// ---------------------------------------------------------------------------------------------

TGFIMBarCode::TGFIMBarCode(QObject* parent) : TGGraphicControl(parent) {
    width_ = static_cast<int>(96 * 0.625);
    height_ = static_cast<int>(96 * 0.5625);
}

void TGFIMBarCode::setFIMType(FIMType t) {
    type_ = t;
    repaint();
}

void TGFIMBarCode::paint(QPainter& p) {
    int side = static_cast<int>(ppi() * 0.625 * zoom_);
    if (width_ != side || height_ != side) setBounds(left_, top_, side, side);
    int b = static_cast<int>(ppi() * 0.03125 * zoom_);
    int h = static_cast<int>(ppi() * 0.5625 * zoom_);
    for (int k : fim::barSlots(type_)) p.fillRect(QRect(b * (k - 1), 0, b, h), Qt::black);
}

void TGFIMBarCode::print(PrintSurface& s, double X, double Y) {
    s.setBrush(clBlack, BrushStyle::bsSolid);
    s.setPen(clBlack, PenStyle::psClear, 1, PenMode::pmCopy);
    double p = ppi();
    for (const QRectF& r : fim::bars(type_, X + left_ / p, Y + top_ / p)) s.rectangle(r.left(), r.top(), r.right(), r.bottom());
}

void TGFIMBarCode::menuPopup() {
    for (int i = 0; i < typeActions_.size(); ++i) typeActions_[i]->setChecked(static_cast<int>(type_) == i);
}

void TGFIMBarCode::addMenuItems(QMenu* m) {
    TGGraphicControl::addMenuItems(m);
    m->addSeparator();
    typeActions_.clear();
    const char* names[] = {"Set FIM to Type A", "Set FIM to Type B", "Set FIM to Type C"};
    for (int i = 0; i < 3; ++i) {
        FIMType t = static_cast<FIMType>(i);
        QAction* a = m->addAction(QLatin1String(names[i]), this, [this, t] {
            setFIMType(t);
            notifyChanged();
        });
        a->setCheckable(true);
        typeActions_ << a;
    }
}

void TGFIMBarCode::writeProperties(PropertyWriter& w) const {
    TGGraphicControl::writeProperties(w);
    w.enumeration("FIMType", type_);
}

PropKind TGFIMBarCode::propertyKind(const QString& path) const {
    if (path == QLatin1String("FIMType")) return PropKind::Enum;
    return TGGraphicControl::propertyKind(path);
}

bool TGFIMBarCode::assignProperty(const QString& path, const StreamValue& v, int ppi) {
    if (path == QLatin1String("FIMType")) {
        FIMType t;
        return assignEnum(t, v) && (setFIMType(t), true);
    }
    return TGGraphicControl::assignProperty(path, v, ppi);
}

}  // namespace addrova::layout
