#include "LayoutStream.h"

#include "CodePage.h"

#include <cstring>

namespace addrova::layout {

QByteArray StreamWriter::encode(const QString& s) const {
    std::string b = store::fromUtf8(s.toStdString(), codePage_);
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

void StreamWriter::writeName(const QString& name) {
    QByteArray b = encode(name).left(255);
    writeByte(static_cast<uint8_t>(b.size()));
    out_.append(b);
}

void StreamWriter::writeInteger(int32_t v) {
    if (v >= -128 && v <= 127) {
        writeByte(vaInt8);
        writeByte(static_cast<uint8_t>(static_cast<int8_t>(v)));
    } else if (v >= -32768 && v <= 32767) {
        writeByte(vaInt16);
        uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(v));
        writeByte(u & 0xFF);
        writeByte(u >> 8);
    } else {
        writeByte(vaInt32);
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) writeByte((u >> (8 * i)) & 0xFF);
    }
}

void StreamWriter::writeString(const QString& s) {
    QByteArray b = encode(s);
    if (b.size() < 256) {
        writeByte(vaString);
        writeByte(static_cast<uint8_t>(b.size()));
    } else {
        writeByte(vaLString);
        uint32_t n = static_cast<uint32_t>(b.size());
        for (int i = 0; i < 4; ++i) writeByte((n >> (8 * i)) & 0xFF);
    }
    out_.append(b);
}

void StreamWriter::writeIdent(const QString& s) {
    writeByte(vaIdent);
    writeName(s);
}

void StreamWriter::writeColour(Colour c) {
    QString id = colourIdent(c);
    if (id.isEmpty())
        writeInteger(c);
    else
        writeIdent(id);
}

void StreamWriter::writeSet(const QStringList& names) {
    writeByte(vaSet);
    for (const auto& n : names) writeName(n);
    writeByte(0);
}

void StreamWriter::writeBinary(const QByteArray& data) {
    writeByte(vaBinary);
    uint32_t n = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) writeByte((n >> (8 * i)) & 0xFF);
    out_.append(data);
}

// ---------------------------------------------------------------------------------------------

StreamReader::StreamReader(const QByteArray& data, int codePage) : data_(data), codePage_(codePage) {
    if (data_.size() > kMaxBytes) throw LayoutStreamError("Invalid stream format");
}

void StreamReader::need(qsizetype n) const {
    if (n < 0 || data_.size() - pos_ < n) throw LayoutStreamError("Stream read error");
}

uint8_t StreamReader::readByte() {
    need(1);
    return static_cast<uint8_t>(data_[pos_++]);
}

uint8_t StreamReader::peekByte() {
    need(1);
    return static_cast<uint8_t>(data_[pos_]);
}

QByteArray StreamReader::readBytes(qsizetype n) {
    need(n);
    QByteArray b = data_.mid(pos_, n);
    pos_ += n;
    return b;
}

QString StreamReader::decode(const QByteArray& b) const {
    return QString::fromStdString(store::toUtf8(std::string_view(b.constData(), static_cast<size_t>(b.size())), codePage_));
}

QString StreamReader::readName() { return decode(readBytes(readByte())); }

StreamValue StreamReader::readPayload(ValueCode code) {
    StreamValue v;
    v.code = code;
    auto u32 = [this] {
        QByteArray b = readBytes(4);
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<uint8_t>(b[i]);
        return u;
    };
    switch (code) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    case vaInt8:
        v.integer = static_cast<int8_t>(readByte());
        break;
    case vaInt16: {
        QByteArray b = readBytes(2);
        v.integer = static_cast<int16_t>(static_cast<uint8_t>(b[0]) | (static_cast<uint8_t>(b[1]) << 8));
        break;
    }
    case vaInt32:
        v.integer = static_cast<int32_t>(u32());
        break;
    case vaExtended:
        v.binary = readBytes(10);
        break;
    case vaString:
        v.text = decode(readBytes(readByte()));
        break;
    case vaIdent:
        v.text = readName();
        break;
    case vaLString: {
        uint32_t n = u32();
        need(static_cast<qsizetype>(n));
        v.text = decode(readBytes(static_cast<qsizetype>(n)));
        break;
    }
    case vaBinary: {
        uint32_t n = u32();
        need(static_cast<qsizetype>(n));
        v.binary = readBytes(static_cast<qsizetype>(n));
        break;
    }
    case vaSet:
        for (;;) {
            QString n = readName();
            if (n.isEmpty()) break;
            v.items << n;
        }
        break;
    case vaList: {
        // A list of strings (the only lists that properties hold). Lists do not nest: a nested one is
        // refused before anything recurses, so no input can exhaust the stack.
        while (!endOfList()) {
            ValueCode c = readCode();
            if (c == vaList) throw LayoutStreamError("Invalid stream format");
            if (c != vaString && c != vaLString) throw LayoutStreamError("Invalid property value");
            v.items << readPayload(c).text;
        }
        break;
    }
    default:
        throw LayoutStreamError("Invalid property value");
    }
    return v;
}

bool StreamReader::endOfList() {
    if (peekByte() == vaNull) {
        ++pos_;
        return true;
    }
    return false;
}

void StreamReader::readListBegin() {
    if (readByte() != vaList) throw LayoutStreamError("Invalid property value");
}

int32_t StreamReader::readInteger() {
    ValueCode c = readCode();
    if (c != vaInt8 && c != vaInt16 && c != vaInt32) throw LayoutStreamError("Invalid property value");
    return readPayload(c).integer;
}

bool StreamReader::readBool() {
    ValueCode c = readCode();
    if (c != vaFalse && c != vaTrue) throw LayoutStreamError("Invalid property value");
    return c == vaTrue;
}

QString StreamReader::readString() {
    ValueCode c = readCode();
    if (c != vaString && c != vaLString) throw LayoutStreamError("Invalid property value");
    return readPayload(c).text;
}

}  // namespace addrova::layout
