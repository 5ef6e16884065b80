#include "Dbf.h"

#include "Error.h"
#include "KeyCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace addrova::store {

namespace {

constexpr uint8_t kTerminator = 0x0D;
constexpr uint8_t kEndOfFile = 0x1A;
constexpr size_t kReadAheadBytes = 64 * 1024;
constexpr size_t kScanBytes = 1024 * 1024;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}


void today(int& y, int& m, int& d) {
    static thread_local std::time_t last = -1;
    static thread_local std::tm tm{};
    std::time_t t = std::time(nullptr);
    if (t != last) {
        localtime_r(&t, &tm);
        last = t;
    }
    y = tm.tm_year + 1900;
    m = tm.tm_mon + 1;
    d = tm.tm_mday;
}

std::string trimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
    return std::string(s.substr(0, n));
}

std::string trimBoth(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace

void DbfFile::checkSpecs(std::span<const FieldSpec> fields, const std::string& path) {
    if (fields.empty()) throw Error(path, "Cannot create", "a table needs at least one field");
    if (fields.size() > 255) throw Error(path, "Cannot create", "a table can have at most 255 fields");
    size_t recordLength = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldSpec& f = fields[i];
        std::string what = "field " + (f.name.empty() ? "#" + std::to_string(i + 1) : f.name);
        if (f.name.empty() || f.name.size() > 10) throw Error(path, "Cannot create", what + ": name must be 1 to 10 characters");
        if (f.name[0] >= '0' && f.name[0] <= '9') throw Error(path, "Cannot create", what + ": name cannot start with a digit");
        for (char c : f.name)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
                throw Error(path, "Cannot create", what + ": name may hold only letters, digits and _");
        for (size_t j = 0; j < i; ++j)
            if (sameName(fields[j].name, f.name)) throw Error(path, "Cannot create", what + ": name is used twice");
        switch (f.type) {
            case 'C':
                if (f.width < 1 || f.width > 254) throw Error(path, "Cannot create", what + ": width must be 1 to 254");
                if (f.decimals != 0) throw Error(path, "Cannot create", what + ": character fields have no decimals");
                break;
            case 'N':
            case 'F':
                if (f.width < 1 || f.width > 20) throw Error(path, "Cannot create", what + ": width must be 1 to 20");
                if (f.decimals > 0 && f.decimals + 2 > f.width)
                    throw Error(path, "Cannot create", what + ": too many decimals for the width");
                break;
            case 'L':
                if (f.width != 1 || f.decimals) throw Error(path, "Cannot create", what + ": logical fields are 1 wide");
                break;
            case 'D':
                if (f.width != 8 || f.decimals) throw Error(path, "Cannot create", what + ": date fields are 8 wide");
                break;
            case 'M':
                if (f.width != 10 || f.decimals) throw Error(path, "Cannot create", what + ": memo fields are 10 wide");
                break;
            default:
                throw Error(path, "Cannot create", what + ": type " + std::string(1, f.type) + " cannot be created");
        }
        recordLength += f.width;
    }
    if (recordLength > 65535) throw Error(path, "Cannot create", "records would be longer than 65535 bytes");
}

void DbfFile::create(const std::string& path, std::span<const FieldSpec> fields, uint8_t codePageMark) {
    checkSpecs(fields, path);
    bool memo = std::any_of(fields.begin(), fields.end(), [](const FieldSpec& f) { return f.type == 'M'; });
    size_t headerLength = 32 + 32 * fields.size() + 1;
    std::vector<uint8_t> h(headerLength + 1, 0);
    h[0] = memo ? 0xF5 : 0x03;
    int y, m, d;
    today(y, m, d);
    h[1] = static_cast<uint8_t>(y - 1900);
    h[2] = static_cast<uint8_t>(m);
    h[3] = static_cast<uint8_t>(d);
    put16(&h[8], static_cast<uint16_t>(headerLength));
    uint32_t offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        uint8_t* fd = &h[32 + 32 * i];
        for (size_t k = 0; k < fields[i].name.size(); ++k) {
            char c = fields[i].name[k];
            fd[k] = static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
        }
        fd[11] = static_cast<uint8_t>(fields[i].type);
        put32(fd + 12, offset);
        fd[16] = static_cast<uint8_t>(fields[i].width);
        fd[17] = fields[i].decimals;
        offset += fields[i].width;
    }
    put16(&h[10], static_cast<uint16_t>(offset));
    h[29] = codePageMark;
    h[headerLength - 1] = kTerminator;
    h[headerLength] = kEndOfFile;
    File f(path, File::Mode::CreateTruncate);
    f.writeAt(h.data(), h.size(), 0);
}

void DbfFile::open(const std::string& path, bool writable) {
    close();
    file_.open(path, writable ? File::Mode::ReadWrite : File::Mode::Read);
    try {
        parseHeader();
    } catch (...) {
        close();
        throw;
    }
}

void DbfFile::close() noexcept {
    try {
        endBatch();
    } catch (...) {
    }
    batch_ = false;
    pending_.clear();
    file_.close();
    fields_.clear();
    cache_.clear();
    cacheCount_ = 0;
    count_ = 0;
}

void DbfFile::parseHeader() {
    const std::string& p = file_.path();
    uint64_t size = file_.size();
    uint8_t h[32];
    if (size < 32) throw FormatError(p, "Cannot open", "not a table (file is too short)");
    file_.readExact(h, 32, 0, "header");
    version_ = h[0];
    static const uint8_t known[] = {0x02, 0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43, 0x63, 0x7B,
                                    0x83, 0x8B, 0x8E, 0xB3, 0xCB, 0xE5, 0xF5, 0xFB};
    if (std::find(std::begin(known), std::end(known), version_) == std::end(known))
        throw FormatError(p, "Cannot open", "not a table (unknown version byte " + std::to_string(version_) + ")");
    year_ = h[1] + 1900;
    if (year_ < 1980) year_ += 100;
    month_ = h[2];
    day_ = h[3];
    count_ = le32(h + 4);
    headerLength_ = le16(h + 8);
    recordLength_ = le16(h + 10);
    flags_ = h[28];
    codePage_ = h[29];
    if (headerLength_ < 33 || headerLength_ > size)
        throw FormatError(p, "Cannot open", "not a table (bad header length)");
    if (recordLength_ < 1) throw FormatError(p, "Cannot open", "not a table (bad record length)");

    std::vector<uint8_t> desc(headerLength_ - 32);
    file_.readExact(desc.data(), desc.size(), 32, "field descriptors");
    bool vfp = isVisualFoxPro();
    uint32_t offset = 1;
    int nullBits = 0;
    for (size_t pos = 0; pos + 32 <= desc.size() && desc[pos] != kTerminator; pos += 32) {
        const uint8_t* fd = &desc[pos];
        Field f;
        size_t n = 0;
        while (n < 11 && fd[n] != 0) ++n;
        f.name = trimRight(std::string_view(reinterpret_cast<const char*>(fd), n));
        f.type = static_cast<char>(fd[11]);
        if (f.type >= 'a' && f.type <= 'z') f.type = static_cast<char>(f.type - 32);
        f.width = fd[16];
        f.decimals = fd[17];
        if (f.type == 'C' && !vfp && f.decimals != 0) {  // Clipper/FoxPro long character field
            f.width = static_cast<uint16_t>(fd[16] | (fd[17] << 8));
            f.decimals = 0;
        }
        f.flags = vfp ? fd[18] : 0;
        f.offset = offset;
        if (f.name.empty()) throw FormatError(p, "Cannot open", "field #" + std::to_string(pos / 32 + 1) + " has no name");
        if (f.width == 0) throw FormatError(p, "Cannot open", "field " + f.name + " has width 0");
        offset += f.width;
        if (offset > recordLength_)
            throw FormatError(p, "Cannot open", "fields are longer than the record length");
        fields_.push_back(std::move(f));
    }
    if (fields_.empty()) throw FormatError(p, "Cannot open", "the table has no fields");
    if (vfp) {
        const Field* nf = nullptr;
        for (auto& f : fields_) {
            if (f.type == '0') {
                nf = &f;
                continue;
            }
            if (f.type == 'V' || f.type == 'Q') f.varBit = nullBits++;
            if (f.flags & 0x02) f.nullBit = nullBits++;
        }
        // Without a _NullFlags field (or with too few bits) nothing can be null.
        if (!nf || static_cast<int>(nf->width) * 8 < nullBits)
            for (auto& f : fields_) f.nullBit = f.varBit = -1;
    }
    // A shorter file holds fewer records than its header says: use the complete ones.
    uint64_t available = (size - headerLength_) / recordLength_;
    if (count_ > available) count_ = static_cast<uint32_t>(available);
    written_ = count_;
}

int DbfFile::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (sameName(fields_[i].name, name)) return static_cast<int>(i);
    return -1;
}

bool DbfFile::hasMemoFields() const {
    return std::any_of(fields_.begin(), fields_.end(), [](const Field& f) { return f.isMemo(); });
}

std::vector<FieldSpec> DbfFile::specs() const {
    std::vector<FieldSpec> out;
    for (const auto& f : fields_)
        if (f.type != '0') out.push_back({f.name, f.type, f.width, f.decimals});
    return out;
}

void DbfFile::readRecord(uint32_t recno, uint8_t* buf) const {
    if (recno < 1 || recno > count_)
        throw Error(file_.path(), "Cannot read record " + std::to_string(recno), "no such record");
    if (recno > written_) {
        std::memcpy(buf, pending_.data() + size_t(recno - written_ - 1) * recordLength_, recordLength_);
        return;
    }
    if (cacheCount_ && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_) {
        std::memcpy(buf, cache_.data() + size_t(recno - cacheFirst_) * recordLength_, recordLength_);
        return;
    }
    uint64_t off = headerLength_ + uint64_t(recno - 1) * recordLength_;
    if (readAhead_) {
        uint32_t n = static_cast<uint32_t>(std::max<size_t>(1, kReadAheadBytes / recordLength_));
        n = std::min(n, count_ - recno + 1);
        cache_.resize(size_t(n) * recordLength_);
        file_.readExact(cache_.data(), cache_.size(), off, "record");
        cacheFirst_ = recno;
        cacheCount_ = n;
        std::memcpy(buf, cache_.data(), recordLength_);
        return;
    }
    file_.readExact(buf, recordLength_, off, "record");
}

void DbfFile::scan(uint32_t from, const std::function<bool(uint32_t, const uint8_t*)>& fn) const {
    flushBatch();
    if (from < 1) from = 1;
    if (from > count_) return;
    uint32_t per = static_cast<uint32_t>(std::max<size_t>(1, kScanBytes / recordLength_));
    // Start small: many scans stop at the first record that qualifies.
    uint32_t n = std::min<uint32_t>(count_ - from + 1, std::min<uint32_t>(per, 16));
    std::vector<uint8_t> buf;
    for (uint32_t r = from; r <= count_;) {
        n = std::min(n, count_ - r + 1);
        buf.resize(size_t(n) * recordLength_);
        file_.readExact(buf.data(), buf.size(), headerLength_ + uint64_t(r - 1) * recordLength_, "record");
        for (uint32_t i = 0; i < n; ++i)
            if (!fn(r + i, buf.data() + size_t(i) * recordLength_)) return;
        r += n;
        n = std::min(per, n * 8);
    }
}

void DbfFile::writeRecord(uint32_t recno, const uint8_t* buf) {
    if (recno < 1 || recno > count_)
        throw Error(file_.path(), "Cannot write record " + std::to_string(recno), "no such record");
    if (recno > written_) {
        std::memcpy(pending_.data() + size_t(recno - written_ - 1) * recordLength_, buf, recordLength_);
        return;
    }
    file_.writeAt(buf, recordLength_, headerLength_ + uint64_t(recno - 1) * recordLength_);
    if (cacheCount_ && recno >= cacheFirst_ && recno < cacheFirst_ + cacheCount_)
        std::memcpy(cache_.data() + size_t(recno - cacheFirst_) * recordLength_, buf, recordLength_);
}

uint32_t DbfFile::appendRecord(const uint8_t* buf) {
    if (count_ == 0xFFFFFFFFu) throw Error(file_.path(), "Cannot append", "the table is full");
    pending_.insert(pending_.end(), buf, buf + recordLength_);
    ++count_;
    if (!batch_ || pending_.size() >= kScanBytes) flushBatch();
    return count_;
}

void DbfFile::endBatch() {
    flushBatch();
    batch_ = false;
}

void DbfFile::flushBatch() const {
    if (pending_.empty()) return;
    if (flushHook_) flushHook_();
    // Records with the end marker first, then the header count that makes them part of the table.
    pending_.push_back(kEndOfFile);
    file_.writeAt(pending_.data(), pending_.size(), headerLength_ + uint64_t(written_) * recordLength_);
    pending_.clear();
    written_ = count_;
    writeCountAndDate();
}

void DbfFile::writeCountAndDate() const {
    int y, m, d;
    today(y, m, d);
    uint8_t h[7];
    h[0] = static_cast<uint8_t>(y - 1900);
    h[1] = static_cast<uint8_t>(m);
    h[2] = static_cast<uint8_t>(d);
    put32(h + 3, count_);
    file_.writeAt(h, sizeof h, 1);
    year_ = y;
    month_ = m;
    day_ = d;
}

void DbfFile::touchHeader() { writeCountAndDate(); }

void DbfFile::zap() {
    pending_.clear();
    count_ = written_ = 0;
    writeCountAndDate();
    uint8_t eof = kEndOfFile;
    file_.writeAt(&eof, 1, headerLength_);
    file_.truncate(headerLength_ + 1u);
    cacheCount_ = 0;
}

void DbfFile::setStructuralFlag(bool on) {
    uint8_t f = on ? (flags_ | 0x01) : (flags_ & ~0x01);
    if (f == flags_) return;
    file_.writeAt(&f, 1, 28);
    flags_ = f;
}

namespace fieldio {

std::string_view raw(const uint8_t* rec, const Field& f) {
    return std::string_view(reinterpret_cast<const char*>(rec + f.offset), f.width);
}

namespace {
bool bit(const uint8_t* rec, const Field* nullFlags, int b) {
    if (!nullFlags || b < 0 || b >= nullFlags->width * 8) return false;
    return (rec[nullFlags->offset + b / 8] >> (b % 8)) & 1;
}

std::string formatNumber(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}
}  // namespace

bool isNull(const uint8_t* rec, const Field& f, const Field* nullFlags) { return bit(rec, nullFlags, f.nullBit); }

std::string text(const uint8_t* rec, const Field& f) {
    const uint8_t* p = rec + f.offset;
    switch (f.type) {
        case 'C': return trimRight(raw(rec, f));
        case 'V':
        case 'Q': return trimRight(raw(rec, f));
        case 'N':
        case 'F': return trimBoth(raw(rec, f));
        case 'D': return trimBoth(raw(rec, f));
        case 'L': {
            char c = static_cast<char>(p[0]);
            if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
            if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
            return "";
        }
        case 'I':
            if (f.width != 4) return "";
            return std::to_string(static_cast<int32_t>(le32(p)));
        case 'B':
        case 'Y':
            if (f.width != 8) return "";
            return formatNumber(number(rec, f), f.type == 'Y' ? 4 : f.decimals);
        case 'T': {
            if (f.width != 8) return "";
            int32_t jd = static_cast<int32_t>(le32(p));
            uint32_t ms = le32(p + 4);
            if (jd <= 0) return "";
            int y, m, d;
            civilFromJulian(jd, y, m, d);
            char buf[40];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02u:%02u:%02u", y, m, d, (ms / 3600000) % 24,
                          (ms / 60000) % 60, (ms / 1000) % 60);
            return buf;
        }
        default: return "";
    }
}

double number(const uint8_t* rec, const Field& f) {
    const uint8_t* p = rec + f.offset;
    switch (f.type) {
        case 'N':
        case 'F': {
            char buf[80];
            size_t n = std::min<size_t>(f.width, sizeof buf - 1);
            std::memcpy(buf, p, n);
            buf[n] = 0;
            for (size_t i = 0; i < n; ++i)
                if (buf[i] == ',') buf[i] = '.';
            return std::strtod(buf, nullptr);
        }
        case 'I': return f.width == 4 ? static_cast<int32_t>(le32(p)) : 0;
        case 'B': {
            if (f.width != 8) return 0;
            double v;
            std::memcpy(&v, p, 8);
            return std::isfinite(v) ? v : 0;
        }
        case 'Y': {
            if (f.width != 8) return 0;
            int64_t v;
            std::memcpy(&v, p, 8);
            return static_cast<double>(v) / 10000.0;
        }
        default: return 0;
    }
}

bool logical(const uint8_t* rec, const Field& f) {
    char c = static_cast<char>(rec[f.offset]);
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

uint32_t memoBlock(const uint8_t* rec, const Field& f) {
    const uint8_t* p = rec + f.offset;
    if (f.width == 4) return le32(p);
    uint64_t v = 0;
    bool digits = false;
    for (size_t i = 0; i < f.width; ++i) {
        uint8_t c = p[i];
        if (c == ' ' || c == 0) {
            if (digits) break;
            continue;
        }
        if (c < '0' || c > '9') return 0;
        digits = true;
        v = v * 10 + (c - '0');
        if (v > 0xFFFFFFFFull) return 0;
    }
    return static_cast<uint32_t>(v);
}

void setText(uint8_t* rec, const Field& f, std::string_view value) {
    size_t n = std::min<size_t>(value.size(), f.width);
    if (n) std::memcpy(rec + f.offset, value.data(), n);  // an empty view may have no data pointer
    std::memset(rec + f.offset + n, ' ', f.width - n);
}

void setNumber(uint8_t* rec, const Field& f, double value) {
    if (f.type == 'I' && f.width == 4) {
        put32(rec + f.offset, static_cast<uint32_t>(static_cast<int32_t>(std::llround(value))));
        return;
    }
    if (f.type == 'B' && f.width == 8) {
        std::memcpy(rec + f.offset, &value, 8);
        return;
    }
    if (f.type != 'N' && f.type != 'F') throw Error("", "Cannot store number", "field " + f.name + " is not numeric");
    if (!std::isfinite(value)) throw Error("", "Cannot store number", "field " + f.name + ": not a finite number");
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "%*.*f", static_cast<int>(f.width), static_cast<int>(f.decimals), value);
    if (n < 0 || n > f.width)
        throw Error("", "Cannot store number", formatNumber(value, f.decimals) + " does not fit field " + f.name);
    std::memcpy(rec + f.offset, buf, f.width);
}

void setLogical(uint8_t* rec, const Field& f, bool value) { rec[f.offset] = value ? 'T' : 'F'; }

void setMemoBlock(uint8_t* rec, const Field& f, uint32_t block) {
    if (f.width == 4) {
        put32(rec + f.offset, block);
        return;
    }
    if (block == 0) {
        std::memset(rec + f.offset, ' ', f.width);
        return;
    }
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%*u", static_cast<int>(f.width), block);
    if (n != f.width) throw Error("", "Cannot store memo", "memo block number too large for field " + f.name);
    std::memcpy(rec + f.offset, buf, f.width);
}

}  // namespace fieldio

}  // namespace addrova::store
