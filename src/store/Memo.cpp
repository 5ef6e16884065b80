#include "Memo.h"

#include "Error.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace addrova::store {

namespace {

constexpr uint32_t kFptHeader = 512;
constexpr uint32_t kMaxMemo = 256u * 1024 * 1024;

uint32_t be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
void putBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

}  // namespace

void MemoFile::createFpt(const std::string& path, uint32_t blockSize) {
    if (blockSize < 1 || blockSize > 65535) throw Error(path, "Cannot create", "bad memo block size");
    std::vector<uint8_t> h(kFptHeader, 0);
    uint32_t first = (kFptHeader + blockSize - 1) / blockSize;
    putBe32(h.data(), first);
    h[6] = static_cast<uint8_t>(blockSize >> 8);
    h[7] = static_cast<uint8_t>(blockSize);
    File f(path, File::Mode::CreateTruncate);
    f.writeAt(h.data(), h.size(), 0);
}

void MemoFile::close() noexcept {
    try {
        endBatch();
    } catch (...) {
    }
    pending_.clear();
    file_.close();
}

// The pending bytes of a block that is not in the file yet, or null.
const uint8_t* MemoFile::pendingAt(uint32_t block, uint64_t need) const {
    if (pending_.empty() || block < pendingFirst_) return nullptr;
    uint64_t off = uint64_t(block - pendingFirst_) * blockSize_;
    if (off + need > pending_.size()) return nullptr;
    return pending_.data() + off;
}

void MemoFile::endBatch() {
    flushBatch();
    batch_ = false;
}

void MemoFile::flushBatch() {
    if (pending_.empty()) return;
    file_.writeAt(pending_.data(), pending_.size(), uint64_t(pendingFirst_) * blockSize_);
    size_ = std::max<uint64_t>(size_, uint64_t(pendingFirst_) * blockSize_ + pending_.size());
    pending_.clear();
    uint8_t nf[4];
    putBe32(nf, nextFree_);
    file_.writeAt(nf, 4, 0);
}

void MemoFile::open(const std::string& path, Kind kind, bool writable) {
    close();
    if (writable && kind != Kind::Fpt) throw Error(path, "Cannot open", "dBASE memo files are read only here");
    file_.open(path, writable ? File::Mode::ReadWrite : File::Mode::Read);
    kind_ = kind;
    try {
        size_ = file_.size();
        uint8_t h[32] = {};
        if (size_ < (kind == Kind::Fpt ? 8u : 4u)) throw FormatError(path, "Cannot open", "memo file is too short");
        file_.readAt(h, sizeof h, 0);
        if (kind == Kind::Fpt) {
            nextFree_ = be32(h);
            blockSize_ = static_cast<uint32_t>((h[6] << 8) | h[7]);
            if (blockSize_ == 0) throw FormatError(path, "Cannot open", "memo block size is 0");
        } else {
            nextFree_ = le32(h);
            blockSize_ = 512;
            if (kind == Kind::Dbt4) {
                uint32_t bs = static_cast<uint32_t>(h[20] | (h[21] << 8));
                if (bs >= 32 && bs <= 32768) blockSize_ = bs;
            }
        }
        // Never allocate over existing data, whatever the header says.
        uint64_t endBlock = (size_ + blockSize_ - 1) / blockSize_;
        uint32_t first = (kFptHeader + blockSize_ - 1) / blockSize_;
        if (kind == Kind::Fpt && (nextFree_ < endBlock || nextFree_ < first) && writable)
            nextFree_ = static_cast<uint32_t>(std::max<uint64_t>(endBlock, first));
    } catch (...) {
        close();
        throw;
    }
}

uint32_t MemoFile::length(uint32_t block) const {
    if (block == 0) return 0;
    if (const uint8_t* p = pendingAt(block, 8)) return be32(p + 4);
    if (kind_ == Kind::Dbt3) return static_cast<uint32_t>(read(block).size());
    uint64_t off = uint64_t(block) * blockSize_;
    uint8_t h[8];
    if (off + 8 > size_) throw FormatError(file_.path(), "Cannot read memo", "block " + std::to_string(block) + " is past the end of the file");
    file_.readExact(h, 8, off, "memo block");
    uint32_t len = kind_ == Kind::Fpt ? be32(h + 4) : le32(h + 4);
    if (kind_ == Kind::Dbt4) len = len >= 8 ? len - 8 : 0;
    return len;
}

std::string MemoFile::read(uint32_t block, uint32_t* type) const {
    if (type) *type = 1;
    if (block == 0) return {};
    if (const uint8_t* p = pendingAt(block, 8)) {
        if (type) *type = be32(p);
        return std::string(reinterpret_cast<const char*>(p + 8), be32(p + 4));
    }
    const std::string& p = file_.path();
    uint64_t off = uint64_t(block) * blockSize_;
    if (off >= size_) throw FormatError(p, "Cannot read memo", "block " + std::to_string(block) + " is past the end of the file");
    if (kind_ == Kind::Dbt3) {
        // Text up to the first 0x1A.
        std::string out;
        std::vector<char> buf(4096);
        for (uint64_t pos = off; pos < size_;) {
            size_t n = file_.readAt(buf.data(), buf.size(), pos);
            if (n == 0) break;
            auto end = std::find(buf.begin(), buf.begin() + static_cast<long>(n), '\x1A');
            out.append(buf.begin(), end);
            if (end != buf.begin() + static_cast<long>(n)) break;
            if (out.size() > kMaxMemo) throw FormatError(p, "Cannot read memo", "memo is too long");
            pos += n;
        }
        return out;
    }
    uint8_t h[8];
    if (off + 8 > size_) throw FormatError(p, "Cannot read memo", "memo block header is past the end of the file");
    file_.readExact(h, 8, off, "memo block");
    uint32_t len;
    if (kind_ == Kind::Fpt) {
        len = be32(h + 4);
        if (type) *type = be32(h);
    } else {
        if (h[0] != 0xFF || h[1] != 0xFF || h[2] != 0x08 || h[3] != 0x00)
            throw FormatError(p, "Cannot read memo", "block " + std::to_string(block) + " is not the start of a memo");
        len = le32(h + 4);
        len = len >= 8 ? len - 8 : 0;
    }
    if (len > kMaxMemo || off + 8 + len > size_)
        throw FormatError(p, "Cannot read memo", "memo at block " + std::to_string(block) + " runs past the end of the file");
    std::string out(len, '\0');
    file_.readExact(out.data(), len, off + 8, "memo");
    return out;
}

uint32_t MemoFile::write(std::string_view data, uint32_t type) {
    if (kind_ != Kind::Fpt) throw Error(file_.path(), "Cannot write memo", "dBASE memo files are read only here");
    if (data.empty()) return 0;
    if (data.size() > kMaxMemo) throw Error(file_.path(), "Cannot write memo", "memo is too long");
    uint64_t blocks = (8 + data.size() + blockSize_ - 1) / blockSize_;
    if (uint64_t(nextFree_) + blocks > 0xFFFFFFFFull) throw Error(file_.path(), "Cannot write memo", "memo file is full");
    std::vector<uint8_t> buf(blocks * blockSize_, 0);
    putBe32(buf.data(), type);
    putBe32(buf.data() + 4, static_cast<uint32_t>(data.size()));
    std::memcpy(buf.data() + 8, data.data(), data.size());
    uint32_t block = nextFree_;
    uint64_t off = uint64_t(block) * blockSize_;
    if (batch_) {
        if (pending_.empty()) pendingFirst_ = block;
        pending_.insert(pending_.end(), buf.begin(), buf.end());
        nextFree_ = static_cast<uint32_t>(block + blocks);
        return block;
    }
    file_.writeAt(buf.data(), buf.size(), off);
    nextFree_ = static_cast<uint32_t>(block + blocks);
    uint8_t nf[4];
    putBe32(nf, nextFree_);
    file_.writeAt(nf, 4, 0);
    size_ = std::max<uint64_t>(size_, off + buf.size());
    return block;
}

void MemoFile::zap() {
    pending_.clear();
    if (kind_ != Kind::Fpt) throw Error(file_.path(), "Cannot empty memo file", "dBASE memo files are read only here");
    nextFree_ = (kFptHeader + blockSize_ - 1) / blockSize_;
    uint8_t nf[4];
    putBe32(nf, nextFree_);
    file_.writeAt(nf, 4, 0);
    file_.truncate(kFptHeader);
    size_ = kFptHeader;
}

}  // namespace addrova::store
