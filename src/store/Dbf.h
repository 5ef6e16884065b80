#pragma once

#include "Field.h"
#include "File.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {

// The DBF file itself: header, field descriptors and fixed-length records.
// Reads dBASE III/IV, FoxBASE, FoxPro 2.x and Visual FoxPro tables; writes FoxPro 2.x tables.
class DbfFile {
public:
    // Writes a new empty table (version 0xF5 when a field is a memo, else 0x03), replacing any file.
    static void create(const std::string& path, std::span<const FieldSpec> fields, uint8_t codePageMark = 0x03);
    // Checks a field list: names (1-10 letters, digits, '_', not starting with a digit, unique), types C N L D M
    // (also F), widths and decimals. Throws Error naming the field.
    static void checkSpecs(std::span<const FieldSpec> fields, const std::string& path);

    void open(const std::string& path, bool writable);
    void close() noexcept;
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }
    File& file() { return file_; }

    uint8_t version() const { return version_; }
    bool isVisualFoxPro() const { return version_ == 0x30 || version_ == 0x31 || version_ == 0x32; }
    uint8_t tableFlags() const { return flags_; }
    uint8_t codePageMark() const { return codePage_; }
    uint32_t recordCount() const { return count_; }
    uint16_t headerLength() const { return headerLength_; }
    uint16_t recordLength() const { return recordLength_; }
    // Last update date as written in the header (year, month, day).
    int updateYear() const { return year_; }
    int updateMonth() const { return month_; }
    int updateDay() const { return day_; }

    const std::vector<Field>& fields() const { return fields_; }
    int fieldIndex(std::string_view name) const;  // -1 when absent; case-insensitive
    bool hasMemoFields() const;
    std::vector<FieldSpec> specs() const;  // the user fields (no _NullFlags), for copying a structure

    void readRecord(uint32_t recno, uint8_t* buf) const;
    // Sequential read-ahead for navigation in record order.
    void setReadAhead(bool on) { readAhead_ = on; }
    // Calls fn for every record from `from` on, reading in large chunks; fn returns false to stop.
    void scan(uint32_t from, const std::function<bool(uint32_t recno, const uint8_t* rec)>& fn) const;

    void writeRecord(uint32_t recno, const uint8_t* buf);
    // Writes the record after the last one, then the end marker, then the header count.
    uint32_t appendRecord(const uint8_t* buf);
    // Drops every record.
    void zap();

    // In a batch, appended records are collected in memory and written in large chunks, with the header
    // count after each chunk; flushBatch() writes what is pending (the hook runs first, so that memo
    // blocks reach the file before the records that point to them).
    void beginBatch() { batch_ = true; }
    void endBatch();
    void flushBatch() const;
    size_t pendingBytes() const { return pending_.size(); }
    void setFlushHook(std::function<void()> hook) { flushHook_ = std::move(hook); }
    void setStructuralFlag(bool on);
    // Rewrites the header's last-update date (today) and count.
    void touchHeader();

private:
    void parseHeader();
    void writeCountAndDate() const;

    mutable File file_;
    bool batch_ = false;
    mutable std::vector<uint8_t> pending_;  // appended records not written yet
    mutable uint32_t written_ = 0;          // records in the file (the rest are pending)
    std::function<void()> flushHook_;
    uint8_t version_ = 0, flags_ = 0, codePage_ = 0;
    mutable int year_ = 0, month_ = 0, day_ = 0;
    uint32_t count_ = 0;
    uint16_t headerLength_ = 0, recordLength_ = 0;
    std::vector<Field> fields_;
    bool readAhead_ = false;
    mutable std::vector<uint8_t> cache_;
    mutable uint32_t cacheFirst_ = 0, cacheCount_ = 0;
};

// Reading and writing field values in a raw record buffer.
namespace fieldio {
std::string_view raw(const uint8_t* rec, const Field& f);
// Character text without trailing blanks; other types as their display text (numbers trimmed,
// dates YYYYMMDD, logicals T/F or empty, I/B/Y/T formatted). Memo fields give "".
std::string text(const uint8_t* rec, const Field& f);
double number(const uint8_t* rec, const Field& f);
bool logical(const uint8_t* rec, const Field& f);
bool isNull(const uint8_t* rec, const Field& f, const Field* nullFlags);
// Memo block number of a memo field (0 when none).
uint32_t memoBlock(const uint8_t* rec, const Field& f);

void setText(uint8_t* rec, const Field& f, std::string_view value);  // pads with blanks, cuts
// Throws Error when the number does not fit the field's width and decimals.
void setNumber(uint8_t* rec, const Field& f, double value);
void setLogical(uint8_t* rec, const Field& f, bool value);
void setMemoBlock(uint8_t* rec, const Field& f, uint32_t block);
}  // namespace fieldio

}  // namespace addrova::store
