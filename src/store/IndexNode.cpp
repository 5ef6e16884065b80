#include "IndexNode.h"

#include <algorithm>

namespace addrova::store::cdx {

namespace {

uint64_t shiftRight(uint64_t v, int n) { return n >= 64 ? 0 : v >> n; }

}  // namespace

LeafLayout LeafLayout::choose(int keyLen, uint32_t maxRecno) {
    LeafLayout l;
    l.dupBits = l.trailBits = bitsFor(uint64_t(keyLen));
    int need = std::max(1, bitsFor(maxRecno));
    l.infoBytes = (need + l.dupBits + l.trailBits + 7) / 8;
    l.recBits = std::min(32, l.infoBytes * 8 - l.dupBits - l.trailBits);
    return l;
}

void Leaf::reset(int keyLen, uint8_t pad) {
    keyLen_ = keyLen;
    pad_ = pad;
    attr = kAttrLeaf;
    left = right = kNone;
    clearEntries();
}

void Leaf::clearEntries() {
    count_ = 0;
    keys_.clear();
    recs_.clear();
    trail_.clear();
    dup_.clear();
    stored_ = 0;
    maxRec_ = 0;
}

int Leaf::trailOf(const uint8_t* key) const {
    int t = 0;
    while (t < keyLen_ && key[keyLen_ - 1 - t] == pad_) ++t;
    return t;
}

int Leaf::computeDup(int i, int from) const {
    if (i == 0) return 0;
    // Only bytes before the trailing filler of both keys are shared, so that a reader that fills
    // trailing bytes with anything rebuilds the same key.
    int limit = keyLen_ - std::max(trail_[size_t(i)], trail_[size_t(i) - 1]);
    const uint8_t* a = key(i - 1);
    const uint8_t* b = key(i);
    int d = std::min(from, limit);
    while (d < limit && a[d] == b[d]) ++d;
    return d;
}

void Leaf::recomputeSizes() {
    stored_ = 0;
    maxRec_ = 0;
    trail_.resize(size_t(count_));
    dup_.resize(size_t(count_));
    for (int i = 0; i < count_; ++i) {
        trail_[size_t(i)] = static_cast<uint8_t>(trailOf(key(i)));
        maxRec_ = std::max(maxRec_, recs_[size_t(i)]);
    }
    for (int i = 0; i < count_; ++i) {
        dup_[size_t(i)] = static_cast<uint8_t>(computeDup(i));
        stored_ += storedOf(i);
    }
}

int Leaf::encodedSizeWith(uint32_t maxRec) const {
    LeafLayout l = LeafLayout::choose(keyLen_, maxRec);
    return kLeafHeader + count_ * l.infoBytes + stored_;
}

bool Leaf::fitsAppend(const uint8_t* k, uint32_t recno) const {
    int t = trailOf(k);
    int dup = 0;
    if (count_ > 0) {
        int limit = keyLen_ - std::max(t, int(trail_[size_t(count_) - 1]));
        const uint8_t* a = key(count_ - 1);
        while (dup < limit && a[dup] == k[dup]) ++dup;
    }
    LeafLayout l = LeafLayout::choose(keyLen_, std::max(maxRec_, recno));
    return kLeafHeader + (count_ + 1) * l.infoBytes + stored_ + (keyLen_ - t - dup) <= int(kPageSize);
}

int Leaf::lowerBound(const uint8_t* k, size_t len, uint32_t recno, bool useRecno) const {
    int lo = 0, hi = count_;
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
    int lo = 0, hi = count_;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (std::memcmp(key(mid), k, len) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void Leaf::insert(int pos, const uint8_t* k, uint32_t recno) {
    if (pos < count_) stored_ -= storedOf(pos);
    size_t kl = size_t(keyLen_);
    keys_.insert(keys_.begin() + std::ptrdiff_t(size_t(pos) * kl), k, k + kl);
    recs_.insert(recs_.begin() + pos, recno);
    trail_.insert(trail_.begin() + pos, static_cast<uint8_t>(trailOf(k)));
    dup_.insert(dup_.begin() + pos, 0);
    ++count_;
    dup_[size_t(pos)] = static_cast<uint8_t>(computeDup(pos));
    stored_ += storedOf(pos);
    if (pos + 1 < count_) {
        dup_[size_t(pos) + 1] = static_cast<uint8_t>(computeDup(pos + 1));
        stored_ += storedOf(pos + 1);
    }
    maxRec_ = std::max(maxRec_, recno);
}

void Leaf::erase(int pos) {
    stored_ -= storedOf(pos);
    if (pos + 1 < count_) stored_ -= storedOf(pos + 1);
    uint32_t rec = recs_[size_t(pos)];
    size_t kl = size_t(keyLen_);
    auto kb = keys_.begin() + std::ptrdiff_t(size_t(pos) * kl);
    keys_.erase(kb, kb + std::ptrdiff_t(kl));
    recs_.erase(recs_.begin() + pos);
    trail_.erase(trail_.begin() + pos);
    dup_.erase(dup_.begin() + pos);
    --count_;
    if (pos < count_) {
        dup_[size_t(pos)] = static_cast<uint8_t>(computeDup(pos));
        stored_ += storedOf(pos);
    }
    if (rec == maxRec_) {
        maxRec_ = 0;
        for (uint32_t r : recs_) maxRec_ = std::max(maxRec_, r);
    }
}

void Leaf::splitInto(int pos, Leaf& to) {
    size_t kl = size_t(keyLen_);
    to.keyLen_ = keyLen_;
    to.pad_ = pad_;
    to.keys_.assign(keys_.begin() + std::ptrdiff_t(size_t(pos) * kl), keys_.end());
    to.recs_.assign(recs_.begin() + pos, recs_.end());
    to.count_ = count_ - pos;
    to.recomputeSizes();
    keys_.resize(size_t(pos) * kl);
    recs_.resize(size_t(pos));
    count_ = pos;
    recomputeSizes();
}

int Leaf::splitPoint() const {
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
    reset(keyLen, pad);
    attr = getLE16(page);
    if (!(attr & kAttrLeaf)) return "node is not a leaf";
    int n = getLE16(page + 2);
    left = getLE32(page + 4);
    right = getLE32(page + 8);
    uint32_t recMask = getLE32(page + 14);
    uint8_t dupMask = page[18], trailMask = page[19];
    int rb = page[20], db = page[21], tb = page[22], ib = page[23];
    if (ib < 1 || ib > 8) return "bad info entry size in leaf node";
    if (rb + db + tb > ib * 8) return "bad bit counts in leaf node";
    if (kLeafHeader + n * ib > int(kPageSize)) return "too many keys in leaf node";
    size_t kl = size_t(keyLen);
    keys_.resize(size_t(n) * kl);
    recs_.resize(size_t(n));
    trail_.resize(size_t(n));
    dup_.resize(size_t(n));
    count_ = n;
    int pos = int(kPageSize);
    const int limit = kLeafHeader + n * ib;
    for (int i = 0; i < n; ++i) {
        const uint8_t* e = page + kLeafHeader + i * ib;
        uint64_t v = 0;
        for (int b = ib - 1; b >= 0; --b) v = (v << 8) | e[b];
        uint32_t rec = static_cast<uint32_t>(v & recMask);
        int dup = int(shiftRight(v, rb) & dupMask);
        int trail = int(shiftRight(v, rb + db) & trailMask);
        if (dup + trail > keyLen) return "duplicate or trailing count larger than the key in leaf node";
        if (i == 0 && dup > 0) return "first key of a leaf node shares bytes with no previous key";
        int len = keyLen - dup - trail;
        pos -= len;
        if (pos < limit) return "keys overrun the info entries of leaf node";
        uint8_t* k = keys_.data() + size_t(i) * kl;
        if (dup) std::memcpy(k, k - kl, size_t(dup));
        std::memcpy(k + dup, page + pos, size_t(len));
        std::memset(k + dup + len, pad, size_t(trail));
        recs_[size_t(i)] = rec;
        dup_[size_t(i)] = static_cast<uint8_t>(dup);  // known equal bytes, a start for computeDup
    }
    // Sizes as this code encodes: the file's counts may follow other rules.
    stored_ = 0;
    maxRec_ = 0;
    for (int i = 0; i < n; ++i) {
        trail_[size_t(i)] = static_cast<uint8_t>(trailOf(key(i)));
        maxRec_ = std::max(maxRec_, recs_[size_t(i)]);
    }
    for (int i = 0; i < n; ++i) {
        dup_[size_t(i)] = static_cast<uint8_t>(computeDup(i, dup_[size_t(i)]));
        stored_ += storedOf(i);
    }
    return {};
}

void Leaf::encode(uint8_t* page) const {
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

std::string checkInterior(const uint8_t* page, int keyLen) {
    int n = getLE16(page + 2);
    if (n == 0) return "interior node has no keys";
    if (n > maxInteriorEntries(keyLen)) return "too many keys in interior node";
    return {};
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
