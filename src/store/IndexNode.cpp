#include "IndexNode.h"

#include <algorithm>

namespace addrova::store::cdx {

namespace {

uint64_t shiftRight(uint64_t v, int n) { return n >= 64 ? 0 : v >> n; }

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint64_t load64le(const uint8_t* p) {
    uint64_t v = load64(p);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

// Index of the first differing byte of two 8-byte words loaded with load64 (x != 0).
int firstDiff(uint64_t x) {
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(x) / 8;
    else
        return std::countl_zero(x) / 8;
}

// Length of the common prefix of a and b, below limit, knowing the first `from` bytes equal.
[[gnu::always_inline]] inline int commonPrefix(const uint8_t* a, const uint8_t* b, int from, int limit) {
    int d = from;
    while (d + 8 <= limit) {
        uint64_t x = load64(a + d) ^ load64(b + d);
        if (x) return d + firstDiff(x);
        d += 8;
    }
    while (d < limit && a[d] == b[d]) ++d;
    return d;
}

// Copies n bytes a word at a time: reads and writes up to 7 bytes past the end. Bytes of src
// before dst may be read after dst was written; only those before dst must be right.
void copyWords(uint8_t* dst, const uint8_t* src, int n) {
    for (int i = 0; i < n; i += 8) std::memcpy(dst + i, src + i, 8);
}

void fillWords(uint8_t* dst, uint64_t pattern, int n) {
    for (int i = 0; i < n; i += 8) std::memcpy(dst + i, &pattern, 8);
}

}  // namespace

inline int Leaf::trailOf(const uint8_t* key, int from) const {
    int t = from;
    const uint64_t padWord = 0x0101010101010101ull * pad_;
    while (t + 8 <= keyLen_ && load64(key + keyLen_ - t - 8) == padWord) t += 8;
    while (t < keyLen_ && key[keyLen_ - 1 - t] == pad_) ++t;
    return t;
}

Leaf& Leaf::operator=(const Leaf& o) {
    if (this == &o) return *this;
    attr = o.attr;
    left = o.left;
    right = o.right;
    keyLen_ = o.keyLen_;
    pad_ = o.pad_;
    setCount(0);
    reserve(o.count_);
    count_ = o.count_;
    scanned_ = o.scanned_;
    decoded_ = o.decoded_;
    if (decoded_) std::memcpy(keys_.get(), o.keys_.get(), size_t(decoded_) * size_t(keyLen_));
    if (size_t n = size_t(scanned_)) {
        std::memcpy(recs_.get(), o.recs_.get(), n * sizeof(uint32_t));
        std::memcpy(trail_.get(), o.trail_.get(), n);
        std::memcpy(dup_.get(), o.dup_.get(), n);
    }
    sized_ = o.sized_;
    stored_ = o.stored_;
    maxRec_ = o.maxRec_;
    asRead_ = o.asRead_;
    infoBytes_ = o.infoBytes_;
    recBits_ = o.recBits_;
    dupBits_ = o.dupBits_;
    infoMask_ = o.infoMask_;
    recMask_ = o.recMask_;
    dupMask_ = o.dupMask_;
    trailMask_ = o.trailMask_;
    scanPos_ = o.scanPos_;
    decodePos_ = o.decodePos_;
    tipIdx_ = o.tipIdx_;
    if (tipIdx_ >= 0) std::memcpy(tip_, o.tip_, size_t(keyLen_));
    if (asRead_ || decoded_ < count_) std::memcpy(raw_, o.raw_, sizeof raw_);
    return *this;
}

void Leaf::grow(int n) {
    size_t needKeys = size_t(n) * size_t(keyLen_);
    int cap = std::max({n, cap_ + cap_ / 2, 16});
    size_t keyCap = std::max(needKeys, size_t(cap) * size_t(keyLen_));
    auto keys = std::make_unique_for_overwrite<uint8_t[]>(keyCap + kKeySlack);
    auto recs = std::make_unique_for_overwrite<uint32_t[]>(size_t(cap));
    auto trail = std::make_unique_for_overwrite<uint8_t[]>(size_t(cap));
    auto dup = std::make_unique_for_overwrite<uint8_t[]>(size_t(cap));
    if (decoded_) std::memcpy(keys.get(), keys_.get(), size_t(decoded_) * size_t(keyLen_));
    if (size_t have = size_t(scanned_)) {
        std::memcpy(recs.get(), recs_.get(), have * sizeof(uint32_t));
        std::memcpy(trail.get(), trail_.get(), have);
        std::memcpy(dup.get(), dup_.get(), have);
    }
    keys_ = std::move(keys);
    recs_ = std::move(recs);
    trail_ = std::move(trail);
    dup_ = std::move(dup);
    cap_ = cap;
    keyCap_ = keyCap;
}

void Leaf::release() {
    clearEntries();
    keys_.reset();
    recs_.reset();
    trail_.reset();
    dup_.reset();
    cap_ = 0;
    keyCap_ = 0;
}

void Leaf::reset(int keyLen, uint8_t pad) {
    keyLen_ = keyLen;
    pad_ = pad;
    attr = kAttrLeaf;
    left = right = kNone;
    clearEntries();
}

void Leaf::clearEntries() {
    setCount(0);
    tipIdx_ = -1;
    sized_ = true;
    stored_ = 0;
    maxRec_ = 0;
    asRead_ = false;
}

int Leaf::computeDup(int i, int from) const {
    if (i == 0) return 0;
    // Only bytes before the trailing filler of both keys are shared, so that a reader that fills
    // trailing bytes with anything rebuilds the same key.
    int limit = keyLen_ - std::max(trail_[size_t(i)], trail_[size_t(i) - 1]);
    return commonPrefix(key(i - 1), key(i), std::min(from, limit), limit);
}

void Leaf::recomputeStored() const {
    stored_ = 0;
    for (int i = 0; i < count_; ++i) stored_ += storedOf(i);
}

// The page's counts become the ones this code writes: trailing filler in full, shared bytes as
// many as there are before the filler. The page's own counts are where both start from.
void Leaf::computeSizes() const {
    maxRec_ = 0;
    for (int i = 0; i < count_; ++i) {
        trail_[size_t(i)] = static_cast<uint8_t>(trailOf(key(i), trail_[size_t(i)]));
        maxRec_ = std::max(maxRec_, recs_[size_t(i)]);
    }
    for (int i = 0; i < count_; ++i) dup_[size_t(i)] = static_cast<uint8_t>(computeDup(i, dup_[size_t(i)]));
    recomputeStored();
    sized_ = true;
}

uint32_t Leaf::maxRecno() const {
    prepareSizes();
    return maxRec_;
}

int Leaf::encodedSizeWith(uint32_t maxRec) const {
    LeafLayout l = LeafLayout::choose(keyLen_, maxRec);
    return kLeafHeader + count_ * l.infoBytes + stored_;
}

int Leaf::encodedSize() const {
    prepareSizes();
    return encodedSizeWith(maxRec_);
}

bool Leaf::fitsAppend(const uint8_t* k, uint32_t recno) const {
    prepareSizes();
    int t = trailOf(k);
    int dup = 0;
    if (count_ > 0) dup = commonPrefix(key(count_ - 1), k, 0, keyLen_ - std::max(t, int(trail_[size_t(count_) - 1])));
    LeafLayout l = LeafLayout::choose(keyLen_, std::max(maxRec_, recno));
    return kLeafHeader + (count_ + 1) * l.infoBytes + stored_ + (keyLen_ - t - dup) <= int(kPageSize);
}

bool Leaf::tryAppend(const uint8_t* k, uint32_t recno) {
    prepareSizes();
    int t = trailOf(k);
    int dup = 0;
    if (count_ > 0) dup = commonPrefix(key(count_ - 1), k, 0, keyLen_ - std::max(t, int(trail_[size_t(count_) - 1])));
    uint32_t maxRec = std::max(maxRec_, recno);
    int stored = keyLen_ - t - dup;
    LeafLayout l = LeafLayout::choose(keyLen_, maxRec);
    if (kLeafHeader + (count_ + 1) * l.infoBytes + stored_ + stored > int(kPageSize)) return false;
    reserve(count_ + 1);
    size_t i = size_t(count_);
    std::memcpy(keys_.get() + i * size_t(keyLen_), k, size_t(keyLen_));
    recs_[i] = recno;
    trail_[i] = static_cast<uint8_t>(t);
    dup_[i] = static_cast<uint8_t>(dup);
    setCount(count_ + 1);
    stored_ += stored;
    maxRec_ = maxRec;
    asRead_ = false;
    return true;
}

int Leaf::lowerBound(const uint8_t* k, size_t len, uint32_t recno, bool useRecno) const {
    int lo = 0, hi = decoded_;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        int c = useRecno ? compareEntry(key(mid), recs_[size_t(mid)], k, recno, len) : std::memcmp(key(mid), k, len);
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int Leaf::upperBoundPrefix(const uint8_t* k, size_t len) const {
    int lo = 0, hi = decoded_;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (std::memcmp(key(mid), k, len) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

inline const char* Leaf::scanOne() {
    const int i = scanned_;
    // raw_ has slack after the page: the word load may run past the last info entry.
    uint64_t v = load64le(raw_ + kLeafHeader + i * infoBytes_) & infoMask_;
    int dup = int(shiftRight(v, recBits_) & dupMask_);
    int trail = int(shiftRight(v, recBits_ + dupBits_) & trailMask_);
    if (dup + trail > keyLen_) return "duplicate or trailing count larger than the key in leaf node";
    if (i == 0 && dup > 0) return "first key of a leaf node shares bytes with no previous key";
    int len = keyLen_ - dup - trail;
    if (scanPos_ - len < kLeafHeader + count_ * infoBytes_) return "keys overrun the info entries of leaf node";
    scanPos_ -= len;
    recs_[size_t(i)] = static_cast<uint32_t>(v) & recMask_;
    dup_[size_t(i)] = static_cast<uint8_t>(dup);
    trail_[size_t(i)] = static_cast<uint8_t>(trail);
    scanned_ = i + 1;
    return nullptr;
}

// Reads entries from scanned_ on until the first one not before the key (Lower: not before
// (key, recno), or not before the key's `len` bytes) or after the key's bytes (Upper); builds no
// key on the way. `match` bytes of the entry before equal the key's, and when match < len, its
// next byte is below the key's. An entry's first `dup` bytes are the entry before's, so when
// dup > match it is below the key too, and otherwise its first dup bytes are the key's: the
// comparison goes on with its stored bytes, and the key found is built from the searched key.
template <Leaf::Goal goal>
const char* Leaf::scanFor(const uint8_t* k, int n, uint32_t recno, bool useRecno, int& pos) {
    int match = 0;
    if (scanned_ > 0) {
        // Go on after the entry read last when it is below the key; otherwise search the keys read.
        int last = scanned_ - 1;
        if (last >= decoded_ && last != tipIdx_)
            if (const char* err = decodeTo(scanned_)) return err;
        const uint8_t* lk = key(last);
        int c = std::memcmp(lk, k, size_t(n));
        bool stop = goal == Goal::Lower ? (c > 0 || (c == 0 && (!useRecno || recs_[size_t(last)] >= recno))) : c > 0;
        if (stop) {
            if (const char* err = decodeTo(scanned_)) return err;
            int lo = 0, hi = scanned_;
            while (lo < hi) {
                int mid = (lo + hi) / 2;
                int d = std::memcmp(key(mid), k, size_t(n));
                bool before = goal == Goal::Lower ? (d < 0 || (d == 0 && useRecno && recs_[size_t(mid)] < recno)) : d <= 0;
                if (before)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            pos = lo;
            return nullptr;
        }
        match = commonPrefix(lk, k, 0, n);
    }
    const uint64_t padWord = 0x0101010101010101ull * pad_;
    while (scanned_ < count_) {
        if (const char* err = scanOne()) return err;
        const int i = scanned_ - 1;
        const int dup = dup_[size_t(i)];
        if (dup > match && match < n) continue;
        // Here dup <= match, or match == n: the first c bytes equal the key's.
        const int end = keyLen_ - trail_[size_t(i)];
        const uint8_t* stored = raw_ + scanPos_;  // key bytes dup to end
        int c = std::min(dup, match);
        int diff = 0;
        for (; c < n; ++c) {
            uint8_t b = c < end ? stored[c - dup] : pad_;
            if (b != k[c]) {
                diff = b < k[c] ? -1 : 1;
                break;
            }
        }
        bool stop = goal == Goal::Lower ? (diff > 0 || (diff == 0 && (!useRecno || recs_[size_t(i)] >= recno)))
                                        : diff > 0;
        if (!stop) {
            match = c;
            continue;
        }
        pos = i;
        if (dup > match) return decodeTo(i + 1);  // bytes of the key beyond len are not known
        std::memcpy(tip_, k, size_t(dup));
        copyWords(tip_ + dup, raw_ + scanPos_, end - dup);
        fillWords(tip_ + end, padWord, keyLen_ - end);
        tipIdx_ = i;
        return nullptr;
    }
    pos = count_;
    return nullptr;
}

const char* Leaf::seekLower(const uint8_t* k, size_t len, uint32_t recno, bool useRecno, int& pos) {
    if (complete()) {
        pos = lowerBound(k, len, recno, useRecno);
        return nullptr;
    }
    return scanFor<Goal::Lower>(k, int(len), recno, useRecno, pos);
}

const char* Leaf::seekUpperPrefix(const uint8_t* k, size_t len, int& pos) {
    if (complete()) {
        pos = upperBoundPrefix(k, len);
        return nullptr;
    }
    return scanFor<Goal::Upper>(k, int(len), 0, false, pos);
}

void Leaf::insert(int pos, const uint8_t* k, uint32_t recno) {
    changed();
    if (pos < count_) stored_ -= storedOf(pos);
    reserve(count_ + 1);
    size_t kl = size_t(keyLen_), p = size_t(pos), tail = size_t(count_ - pos);
    uint8_t* kp = keys_.get() + p * kl;
    std::memmove(kp + kl, kp, tail * kl);
    std::memmove(&recs_[p + 1], &recs_[p], tail * sizeof(uint32_t));
    std::memmove(&trail_[p + 1], &trail_[p], tail);
    std::memmove(&dup_[p + 1], &dup_[p], tail);
    std::memcpy(kp, k, kl);
    recs_[p] = recno;
    trail_[p] = static_cast<uint8_t>(trailOf(k));
    setCount(count_ + 1);
    dup_[p] = static_cast<uint8_t>(computeDup(pos));
    stored_ += storedOf(pos);
    if (pos + 1 < count_) {
        dup_[p + 1] = static_cast<uint8_t>(computeDup(pos + 1));
        stored_ += storedOf(pos + 1);
    }
    maxRec_ = std::max(maxRec_, recno);
}

void Leaf::erase(int pos) {
    changed();
    stored_ -= storedOf(pos);
    if (pos + 1 < count_) stored_ -= storedOf(pos + 1);
    uint32_t rec = recs_[size_t(pos)];
    size_t kl = size_t(keyLen_), p = size_t(pos), tail = size_t(count_ - pos - 1);
    uint8_t* kp = keys_.get() + p * kl;
    std::memmove(kp, kp + kl, tail * kl);
    std::memmove(&recs_[p], &recs_[p + 1], tail * sizeof(uint32_t));
    std::memmove(&trail_[p], &trail_[p + 1], tail);
    std::memmove(&dup_[p], &dup_[p + 1], tail);
    setCount(count_ - 1);
    if (pos < count_) {
        dup_[p] = static_cast<uint8_t>(computeDup(pos));
        stored_ += storedOf(pos);
    }
    if (rec == maxRec_) {
        maxRec_ = 0;
        for (int i = 0; i < count_; ++i) maxRec_ = std::max(maxRec_, recs_[size_t(i)]);
    }
}

void Leaf::splitInto(int pos, Leaf& to) {
    changed();
    to.keyLen_ = keyLen_;
    to.pad_ = pad_;
    to.clearEntries();
    int n = count_ - pos;
    to.reserve(n);
    size_t kl = size_t(keyLen_), p = size_t(pos);
    std::memcpy(to.keys_.get(), keys_.get() + p * kl, size_t(n) * kl);
    std::memcpy(to.recs_.get(), &recs_[p], size_t(n) * sizeof(uint32_t));
    std::memcpy(to.trail_.get(), &trail_[p], size_t(n));
    std::memcpy(to.dup_.get(), &dup_[p], size_t(n));
    to.setCount(n);
    if (n > 0) to.dup_[0] = 0;
    to.recomputeStored();
    for (int i = 0; i < n; ++i) to.maxRec_ = std::max(to.maxRec_, to.recs_[size_t(i)]);
    setCount(pos);
    recomputeStored();
    maxRec_ = 0;
    for (int i = 0; i < count_; ++i) maxRec_ = std::max(maxRec_, recs_[size_t(i)]);
}

int Leaf::splitPoint() const {
    prepareSizes();
    if (count_ < 2) return count_;
    int total = 0;
    for (int i = 0; i < count_; ++i) total += storedOf(i) + 1;
    int acc = 0;
    for (int i = 0; i < count_; ++i) {
        acc += storedOf(i) + 1;
        if (acc * 2 >= total) return std::clamp(i + 1, 1, count_ - 1);
    }
    return count_ / 2;
}

std::string Leaf::decode(const uint8_t* page, int keyLen, uint8_t pad) {
    const char* err = load(page, keyLen, pad);
    if (!err) err = decodeAll();
    return err ? err : std::string();
}

const char* Leaf::load(const uint8_t* page, int keyLen, uint8_t pad) {
    reset(keyLen, pad);
    attr = getLE16(page);
    if (!(attr & kAttrLeaf)) return "node is not a leaf";
    int n = getLE16(page + 2);
    left = getLE32(page + 4);
    right = getLE32(page + 8);
    int rb = page[20], db = page[21], tb = page[22], ib = page[23];
    if (ib < 1 || ib > 8) return "bad info entry size in leaf node";
    if (rb + db + tb > ib * 8) return "bad bit counts in leaf node";
    if (kLeafHeader + n * ib > int(kPageSize)) return "too many keys in leaf node";
    std::memcpy(raw_, page, kPageSize);
    reserve(n);
    count_ = n;
    sized_ = false;
    asRead_ = true;
    infoBytes_ = ib;
    recBits_ = rb;
    dupBits_ = db;
    infoMask_ = ib == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * ib)) - 1;
    recMask_ = getLE32(page + 14);
    dupMask_ = page[18];
    trailMask_ = page[19];
    scanPos_ = decodePos_ = int(kPageSize);
    return nullptr;
}

void Leaf::buildOne() {
    const int i = decoded_;
    const int kl = keyLen_;
    const int dup = dup_[size_t(i)], trail = trail_[size_t(i)], len = kl - dup - trail;
    decodePos_ -= len;
    // Word copies may run past each part (into the next part, or the next entry's room, or the
    // slack after the keys and after raw_): each part is written after the one before it.
    uint8_t* k = keys_.get() + size_t(i) * size_t(kl);
    if (dup) copyWords(k, k - kl, dup);
    copyWords(k + dup, raw_ + decodePos_, len);
    fillWords(k + dup + len, 0x0101010101010101ull * pad_, trail);
    decoded_ = i + 1;
}

const char* Leaf::advanceTip() {
    if (const char* err = scanOne()) return err;
    const int i = scanned_ - 1;
    const int dup = dup_[size_t(i)], end = keyLen_ - trail_[size_t(i)];
    // The tip holds entry i - 1, whose first dup bytes entry i shares.
    copyWords(tip_ + dup, raw_ + scanPos_, end - dup);
    fillWords(tip_ + end, 0x0101010101010101ull * pad_, keyLen_ - end);
    tipIdx_ = i;
    return nullptr;
}

const char* Leaf::decodeMore(int n) {
    if (n > count_) n = count_;
    while (decoded_ < n) {
        if (decoded_ == scanned_)
            if (const char* err = scanOne()) return err;
        buildOne();
    }
    return nullptr;
}

void Leaf::encode(uint8_t* page) const {
    if (asRead_) {
        // Entries as read: the page as it was, with the links and attributes of now.
        std::memcpy(page, raw_, kPageSize);
        putLE16(page, attr);
        putLE32(page + 4, left);
        putLE32(page + 8, right);
        return;
    }
    prepareSizes();
    std::memset(page, 0, kPageSize);
    LeafLayout l = LeafLayout::choose(keyLen_, maxRec_);
    putLE16(page, attr);
    putLE16(page + 2, static_cast<uint16_t>(count_));
    putLE32(page + 4, left);
    putLE32(page + 8, right);
    putLE16(page + 12, static_cast<uint16_t>(std::max(0, int(kPageSize) - encodedSize())));
    putLE32(page + 14, l.recBits >= 32 ? 0xFFFFFFFFu : (1u << l.recBits) - 1);
    page[18] = static_cast<uint8_t>((1u << l.dupBits) - 1);
    page[19] = static_cast<uint8_t>((1u << l.trailBits) - 1);
    page[20] = static_cast<uint8_t>(l.recBits);
    page[21] = static_cast<uint8_t>(l.dupBits);
    page[22] = static_cast<uint8_t>(l.trailBits);
    page[23] = static_cast<uint8_t>(l.infoBytes);
    int pos = int(kPageSize);
    for (int i = 0; i < count_; ++i) {
        int dup = dup_[size_t(i)];
        int trail = trail_[size_t(i)];
        int len = keyLen_ - dup - trail;
        pos -= len;
        std::memcpy(page + pos, key(i) + dup, size_t(len));
        uint64_t v = uint64_t(recs_[size_t(i)]) | (uint64_t(dup) << l.recBits) |
                     (uint64_t(trail) << (l.recBits + l.dupBits));
        uint8_t* e = page + kLeafHeader + i * l.infoBytes;
        for (int b = 0; b < l.infoBytes; ++b) e[b] = static_cast<uint8_t>(v >> (8 * b));
    }
}

const char* checkInterior(const uint8_t* page, int keyLen) {
    int n = getLE16(page + 2);
    if (n == 0) return "interior node has no keys";
    if (n > maxInteriorEntries(keyLen)) return "too many keys in interior node";
    return nullptr;
}

int interiorLowerBound(const InteriorView& v, const uint8_t* key, size_t len, uint32_t recno, bool useRecno) {
    int lo = 0, hi = v.count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        int c = useRecno ? compareEntry(v.key(mid), v.recno(mid), key, recno, len) : std::memcmp(v.key(mid), key, len);
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int interiorUpperBoundPrefix(const InteriorView& v, const uint8_t* key, size_t len) {
    int lo = 0, hi = v.count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (std::memcmp(v.key(mid), key, len) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

}  // namespace addrova::store::cdx
