#include "IndexSort.h"

#include "Error.h"
#include "IndexNode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unistd.h>

namespace addrova::store::cdx {

namespace {

uint64_t loadBE64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

using Ref = KeySorter::Ref;

constexpr auto byWordThenRecno = [](const Ref& a, const Ref& b) {
    return a.word != b.word ? a.word < b.word : a.recno < b.recno;
};

unsigned digitOf(const Ref& r, int byte) { return unsigned(r.word >> (56 - 8 * byte)) & 0xFFu; }

// Sorts by word, then (when final) by record number: most significant byte first, each byte
// spreading the range into 256 buckets in place; bytes all entries share are skipped. Small
// ranges go to std::sort.
void sortWords(Ref* begin, Ref* end, int byte, bool final) {
    size_t n = size_t(end - begin);
    if (n < 2) return;
    if (n <= 256) {
        if (final)
            std::sort(begin, end, byWordThenRecno);
        else
            std::sort(begin, end, [](const Ref& a, const Ref& b) { return a.word < b.word; });
        return;
    }
    uint64_t differ = 0;
    for (Ref* r = begin + 1; r < end; ++r) differ |= r->word ^ begin->word;
    if (differ == 0) {
        // Equal words.
        if (final && !std::is_sorted(begin, end, byWordThenRecno)) std::sort(begin, end, byWordThenRecno);
        return;
    }
    byte = std::max(byte, std::countl_zero(differ) / 8);
    size_t count[256] = {};
    for (Ref* r = begin; r < end; ++r) ++count[digitOf(*r, byte)];
    size_t next[256], stop[256];
    size_t at = 0;
    for (unsigned d = 0; d < 256; ++d) {
        next[d] = at;
        at += count[d];
        stop[d] = at;
    }
    for (unsigned d = 0; d < 256; ++d) {
        while (next[d] < stop[d]) {
            Ref v = begin[next[d]];
            unsigned dv = digitOf(v, byte);
            while (dv != d) {
                std::swap(v, begin[next[dv]++]);
                dv = digitOf(v, byte);
            }
            begin[next[d]++] = v;
        }
    }
    Ref* b = begin;
    for (unsigned d = 0; d < 256; ++d) {
        Ref* e = begin + stop[d];
        if (e - b > 1) sortWords(b, e, byte + 1, final);
        b = e;
    }
}

}  // namespace

KeySorter::KeySorter(int keyLen, size_t memoryLimit, std::string tempBase)
    : keyLen_(size_t(keyLen)), recSize_(size_t(keyLen) + 4), tempBase_(std::move(tempBase)) {
    // Each entry costs its bytes plus its sort reference.
    maxRecords_ = std::max<size_t>(16, memoryLimit / (recSize_ + sizeof(Ref)));
    // Chunks of up to 1 MiB, at most an eighth of the limit.
    size_t perChunk = std::clamp<size_t>(maxRecords_ / 8, 16, std::max<size_t>(16, (size_t(1) << 20) / recSize_));
    chunkShift_ = unsigned(std::bit_width(perChunk) - 1);
    chunkMask_ = (size_t(1) << chunkShift_) - 1;
}

KeySorter::~KeySorter() { removeRuns(); }

void KeySorter::removeRuns() noexcept {
    for (const std::string& r : runs_) {
        try {
            File::remove(r);
        } catch (...) {
        }
    }
    runs_.clear();
}

// Key bytes off to off + 8, zero past the key's end.
inline uint64_t KeySorter::wordAt(const uint8_t* p, size_t off) const {
    if (off + 8 <= keyLen_) return loadBE64(p + off);
    if (keyLen_ >= 8) return loadBE64(p + keyLen_ - 8) << (8 * (off + 8 - keyLen_));
    uint64_t v = 0;
    for (size_t b = 0; b < 8; ++b) v = (v << 8) | (off + b < keyLen_ ? p[off + b] : 0);
    return v;
}

void KeySorter::add(const uint8_t* key, uint32_t recno) {
    if (count_ == maxRecords_) spill();
    if ((count_ >> chunkShift_) == chunks_.size())
        chunks_.push_back(std::make_unique_for_overwrite<uint8_t[]>((chunkMask_ + 1) * recSize_));
    uint8_t* p = entry(count_);
    std::memcpy(p, key, keyLen_);
    p[keyLen_] = static_cast<uint8_t>(recno >> 24);
    p[keyLen_ + 1] = static_cast<uint8_t>(recno >> 16);
    p[keyLen_ + 2] = static_cast<uint8_t>(recno >> 8);
    p[keyLen_ + 3] = static_cast<uint8_t>(recno);
    ++count_;
}

// Sorts by (key, record number), eight key bytes at a time: each group of equal bytes then by
// the next eight, the last group by record number. Work on a range already in order (as equal
// keys of records fed in order are) is one pass.
void KeySorter::sortRange(Ref* begin, Ref* end, size_t off) {
    bool final = off + 8 >= keyLen_;
    if (!std::is_sorted(begin, end, byWordThenRecno)) sortWords(begin, end, 0, final);
    if (final) return;
    for (Ref* g = begin; g < end;) {
        Ref* h = g + 1;
        while (h < end && h->word == g->word) ++h;
        if (h - g > 1) {
            for (Ref* r = g; r < h; ++r) r->word = wordAt(entry(r->index), off + 8);
            sortRange(g, h, off + 8);
        }
        g = h;
    }
}

void KeySorter::sortRefs() {
    refs_.resize(count_);
    for (size_t i = 0; i < count_; ++i) {
        const uint8_t* p = entry(i);
        refs_[i] = {wordAt(p, 0), uint32_t(i), getBE32(p + keyLen_)};
    }
    sortRange(refs_.data(), refs_.data() + count_, 0);
}

void KeySorter::spill() {
    if (count_ == 0) return;
    sortRefs();
    std::string path = tempBase_ + ".sort" + std::to_string(::getpid()) + "-" + std::to_string(runs_.size()) + ".tmp";
    runs_.push_back(path);
    File out(path, File::Mode::CreateTruncate);
    std::vector<uint8_t> block;
    block.reserve(std::max<size_t>(recSize_, 1 << 20));
    uint64_t off = 0;
    for (size_t i = 0; i < count_; ++i) {
        const uint8_t* p = entry(refs_[i].index);
        block.insert(block.end(), p, p + recSize_);
        if (block.size() + recSize_ > block.capacity()) {
            out.writeAt(block.data(), block.size(), off);
            off += block.size();
            block.clear();
        }
    }
    if (!block.empty()) out.writeAt(block.data(), block.size(), off);
    count_ = 0;
}

void KeySorter::drain(const std::function<void(const uint8_t*)>& fn) {
    // Exact repeats are next to each other; record numbers first, which mostly differ.
    const size_t kl = keyLen_;
    if (runs_.empty()) {
        sortRefs();
        for (size_t i = 0; i < count_; ++i) {
            const uint8_t* p = entry(refs_[i].index);
            if (i > 0 && refs_[i].recno == refs_[i - 1].recno && std::memcmp(entry(refs_[i - 1].index), p, kl) == 0)
                continue;
            fn(p);
        }
        count_ = 0;
        return;
    }
    std::vector<uint8_t> last(recSize_);
    bool haveLast = false;
    auto emit = [&](const uint8_t* p) {
        if (haveLast && std::memcmp(last.data() + kl, p + kl, 4) == 0 && std::memcmp(last.data(), p, kl) == 0) return;
        std::memcpy(last.data(), p, recSize_);
        haveLast = true;
        fn(p);
    };
    spill();
    chunks_.clear();
    chunks_.shrink_to_fit();
    std::vector<Ref>().swap(refs_);

    struct Run {
        File file;
        uint64_t size = 0, pos = 0;
        std::vector<uint8_t> buf;
        size_t at = 0, len = 0;
    };
    const size_t perRun = std::max<size_t>(16, maxRecords_ * (recSize_ + sizeof(Ref)) / 2 / runs_.size() / recSize_);
    std::vector<std::unique_ptr<Run>> runs;
    for (const std::string& path : runs_) {
        auto r = std::make_unique<Run>();
        r->file.open(path, File::Mode::Read);
        r->size = r->file.size();
        r->buf.resize(perRun * recSize_);
        runs.push_back(std::move(r));
    }
    auto refill = [&](Run& r) {
        if (r.at < r.len) return true;
        if (r.pos >= r.size) return false;
        size_t want = size_t(std::min<uint64_t>(r.buf.size(), r.size - r.pos));
        r.file.readExact(r.buf.data(), want, r.pos, "sort run");
        r.pos += want;
        r.at = 0;
        r.len = want;
        return true;
    };
    const size_t rs = recSize_;
    auto later = [&](int a, int b) {
        return std::memcmp(runs[size_t(a)]->buf.data() + runs[size_t(a)]->at,
                           runs[size_t(b)]->buf.data() + runs[size_t(b)]->at, rs) > 0;
    };
    std::vector<int> heap;
    for (size_t i = 0; i < runs.size(); ++i)
        if (refill(*runs[i])) heap.push_back(int(i));
    std::make_heap(heap.begin(), heap.end(), later);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        Run& r = *runs[size_t(heap.back())];
        emit(r.buf.data() + r.at);
        r.at += rs;
        if (refill(r))
            std::push_heap(heap.begin(), heap.end(), later);
        else
            heap.pop_back();
    }
    runs.clear();
    removeRuns();
}

}  // namespace addrova::store::cdx
