#pragma once

// The byte encoding of layout files: typed values, lists and object records.

#include "LayoutTypes.h"

#include <QByteArray>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace addrova::layout {

enum ValueCode : uint8_t {
    vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6, vaIdent = 7,
    vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13
};

// A read failure; what() is the message for the user ("Stream read error", "Invalid property value", ...).
class LayoutStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes values. Text is converted to the single-byte code page.
class StreamWriter {
public:
    explicit StreamWriter(int codePage = 1252) : codePage_(codePage) {}
    const QByteArray& bytes() const { return out_; }

    void writeByte(uint8_t b) { out_.append(static_cast<char>(b)); }
    void writeRaw(const QByteArray& b) { out_.append(b); }
    void writeName(const QString& name);   // length byte and the bytes, no type code
    void writeInteger(int32_t v);          // shortest of codes 2, 3, 4
    void writeBool(bool v) { writeByte(v ? vaTrue : vaFalse); }
    void writeString(const QString& s);    // code 6 below 256 bytes, else code 12
    void writeIdent(const QString& s);
    void writeColour(Colour c);            // identifier of a named colour, else integer
    void writeSet(const QStringList& names);
    void writeBinary(const QByteArray& data);
    void writeListBegin() { writeByte(vaList); }
    void writeListEnd() { writeByte(vaNull); }
    QByteArray encode(const QString& s) const;

private:
    QByteArray out_;
    int codePage_;
};

// A value read from the stream.
struct StreamValue {
    ValueCode code = vaNull;
    int32_t integer = 0;
    QString text;             // strings and identifiers
    QStringList items;        // sets and lists of strings
    QByteArray binary;
    bool boolean() const { return code == vaTrue; }
};

class StreamReader {
public:
    // Bounds on untrusted input: a larger stream, more objects in a list or a list inside a list fail
    // with "Invalid stream format".
    static constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxObjects = 100000;

    explicit StreamReader(const QByteArray& data, int codePage = 1252);
    bool atEnd() const { return pos_ >= data_.size(); }
    qsizetype pos() const { return pos_; }

    uint8_t readByte();
    uint8_t peekByte();
    QByteArray readBytes(qsizetype n);
    QString readName();
    ValueCode readCode() { return static_cast<ValueCode>(readByte()); }
    // The payload of a value whose code has been read.
    StreamValue readPayload(ValueCode code);
    StreamValue readValue() { return readPayload(readCode()); }
    // Plain values of a settings list; a value of another type fails with "Invalid property value".
    int32_t readInteger();
    bool readBool();
    QString readString();
    bool endOfList();  // true (and consumed) when the next byte is the end-of-list code
    void readListBegin();
    QString decode(const QByteArray& b) const;

private:
    void need(qsizetype n) const;
    QByteArray data_;
    qsizetype pos_ = 0;
    int codePage_;
};

// What kind of value a property holds, for the reader's type check.
enum class PropKind { None, BadPath, Integer, Boolean, String, Enum, Colour, Set, StringList, Binary };

}  // namespace addrova::layout
