#pragma once

// Nodes of a FoxPro compact index (.CDX/.IDX): 512-byte pages, interior nodes with full keys and
// exterior (leaf) nodes with compressed keys. Private to the index layer.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace addrova::store::cdx {

constexpr uint32_t kPageSize = 512;
constexpr uint32_t kHeaderSize = 1024;
constexpr uint32_t kNone = 0xFFFFFFFFu;   // "no node" in sibling links
constexpr int kMaxKeyLength = 240;
constexpr int kMaxDepth = 64;
constexpr int kLeafHeader = 24;           // bytes before the packed info entries
constexpr int kInteriorHeader = 12;
constexpr int kInteriorSpace = 500;       // bytes for interior entries

// Node attribute bits.
constexpr uint16_t kAttrRoot = 0x01;
constexpr uint16_t kAttrLeaf = 0x02;

// Header option bits.
constexpr uint8_t kOptUnique = 0x01;
constexpr uint8_t kOptNullable = 0x02;
constexpr uint8_t kOptCandidate = 0x04;
constexpr uint8_t kOptFor = 0x08;
constexpr uint8_t kOptCompact = 0x20;
constexpr uint8_t kOptCompound = 0x40;
constexpr uint8_t kOptStructural = 0x80;

inline uint16_t getLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t getLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t getBE32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void putLE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void putLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void putBE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// Number of bits needed to hold v (0 for 0).
inline int bitsFor(uint64_t v) { return int(std::bit_width(v)); }

// Compares (key, recno) pairs the way entries are ordered: key bytes unsigned, then record number.
inline int compareEntry(const uint8_t* a, uint32_t ra, const uint8_t* b, uint32_t rb, size_t len) {
    int c = std::memcmp(a, b, len);
    if (c != 0) return c;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

inline int maxInteriorEntries(int keyLen) { return kInteriorSpace / (keyLen + 8); }

// Bit layout of a leaf's info entries for a given key length and highest record number.
struct LeafLayout {
    int recBits = 0, dupBits = 0, trailBits = 0, infoBytes = 0;
    static LeafLayout choose(int keyLen, uint32_t maxRecno) {
        LeafLayout l;
        l.dupBits = l.trailBits = bitsFor(uint64_t(keyLen));
        int need = std::max(1, bitsFor(maxRecno));
        l.infoBytes = (need + l.dupBits + l.trailBits + 7) / 8;
        l.recBits = std::min(32, l.infoBytes * 8 - l.dupBits - l.trailBits);
        return l;
    }
};

// An exterior node with its keys in full, in stored order.
//
// A node read for lookups and walks is decoded from a copy of its page as far as it is used.
// Entries [0, scanned()) have their record numbers and counts read; the keys of [0, decoded())
// are built in full; besides them, one "tip" key (the last scanned entry's, when a search
// stopped there or a walk went on to it) is at hand. Every other use needs the whole node
// (complete()). The sizes that encoding needs (trailing filler and shared bytes of each key as
// this code writes them) are worked out on the first change, not while reading.
class Leaf {
public:
    uint16_t attr = kAttrLeaf;
    uint32_t left = kNone;
    uint32_t right = kNone;

    Leaf() = default;
    Leaf(const Leaf& o) { *this = o; }
    Leaf& operator=(const Leaf& o);

    void reset(int keyLen, uint8_t pad);
    int keyLength() const { return keyLen_; }
    uint8_t pad() const { return pad_; }
    int count() const { return count_; }
    int scanned() const { return scanned_; }
    int decoded() const { return decoded_; }
    bool complete() const { return decoded_ == count_; }
    // Entry i's key: i < decoded(), or i the tip (after reach(i)).
    const uint8_t* key(int i) const {
        return i < decoded_ ? keys_.get() + size_t(i) * size_t(keyLen_) : tip_;
    }
    // Entry i's record number; i < scanned().
    uint32_t recno(int i) const { return recs_[size_t(i)]; }
    uint32_t maxRecno() const;

    // Makes entry i (< count()) readable: the next entry of a walk becomes the tip, others are
    // built in full. Returns what is wrong with the page, or nullptr.
    const char* reach(int i) {
        if (i < decoded_ || i == tipIdx_) return nullptr;
        return i == scanned_ && tipIdx_ == i - 1 ? advanceTip() : decodeTo(i + 1);
    }

    // Bytes the node needs when encoded.
    int encodedSize() const;
    bool fits() const { return encodedSize() <= int(kPageSize); }
    // Whether appending (key, recno) at the end would still fit.
    bool fitsAppend(const uint8_t* key, uint32_t recno) const;
    // Appends (key, recno) when the node still fits with it; false (and no change) otherwise.
    bool tryAppend(const uint8_t* key, uint32_t recno);

    // First position whose entry is not before (key, recno); with useRecno false, whose first
    // `len` key bytes are not before key. The node must be complete.
    int lowerBound(const uint8_t* key, size_t len, uint32_t recno, bool useRecno) const;
    // First position whose first `len` key bytes are after key. The node must be complete.
    int upperBoundPrefix(const uint8_t* key, size_t len) const;

    // The same searches on a node being decoded. They read entries only up to the position
    // found, which they store in pos, and leave that entry readable. They return what is wrong
    // with the page, or nullptr.
    const char* seekLower(const uint8_t* key, size_t len, uint32_t recno, bool useRecno, int& pos);
    const char* seekUpperPrefix(const uint8_t* key, size_t len, int& pos);

    // Changes; the node must be complete.
    void insert(int pos, const uint8_t* key, uint32_t recno);
    void append(const uint8_t* key, uint32_t recno) { insert(count_, key, recno); }
    void erase(int pos);
    // Moves the entries from pos on into `to`, which takes this leaf's key length and filler.
    void splitInto(int pos, Leaf& to);
    void clearEntries();

    // Entry index that splits the encoded keys roughly in half by bytes.
    int splitPoint() const;

    // Decodes a whole page; returns what is wrong with it ("" when it is good) so that the caller
    // can name its file in the FormatError.
    std::string decode(const uint8_t* page, int keyLen, uint8_t pad);
    // Takes a page for decoding on demand: checks its header and reads no entry yet.
    const char* load(const uint8_t* page, int keyLen, uint8_t pad);
    // Builds keys until at least n (at most count()) are decoded.
    const char* decodeTo(int n) { return n <= decoded_ ? nullptr : decodeMore(n); }
    const char* decodeAll() { return decodeTo(count_); }
    void encode(uint8_t* page) const;

    // Bytes of memory the node holds, and giving them back (the node is then empty).
    size_t footprint() const { return sizeof(Leaf) + keyCap_ + size_t(cap_) * 6; }
    void release();

private:
    enum class Goal { Lower, Upper };
    template <Goal goal>
    const char* scanFor(const uint8_t* key, int len, uint32_t recno, bool useRecno, int& pos);
    // Room for n entries.
    void reserve(int n) {
        if (n > cap_ || size_t(n) * size_t(keyLen_) > keyCap_) grow(n);
    }
    void grow(int n);
    void setCount(int n) { count_ = scanned_ = decoded_ = n; }
    const char* decodeMore(int n);
    // Reads the counts and record number of entry scanned_ (which must be < count_).
    const char* scanOne();
    // Builds the key of entry decoded_ (which must be < scanned_).
    void buildOne();
    // Scans the entry after the tip and makes it the tip.
    const char* advanceTip();
    void prepareSizes() const {
        if (!sized_) computeSizes();
    }
    void computeSizes() const;
    void changed() {
        prepareSizes();
        asRead_ = false;
    }
    int encodedSizeWith(uint32_t maxRec) const;
    int trailOf(const uint8_t* key, int from = 0) const;
    // Leading bytes entry i shares with entry i-1 (0 for the first), counting from `from` on.
    int computeDup(int i, int from = 0) const;
    int storedOf(int i) const { return keyLen_ - trail_[size_t(i)] - dup_[size_t(i)]; }
    void recomputeStored() const;

    int keyLen_ = 0;
    uint8_t pad_ = ' ';
    int count_ = 0;
    int scanned_ = 0;
    int decoded_ = 0;
    // Storage for cap_ entries (keyCap_ key bytes, and slack for word copies); never zero-filled.
    static constexpr size_t kKeySlack = 8;
    int cap_ = 0;
    size_t keyCap_ = 0;
    std::unique_ptr<uint8_t[]> keys_;
    std::unique_ptr<uint32_t[]> recs_;
    // Trailing filler bytes of each key and bytes shared with the previous key: as the page said
    // until sized_, then as this code encodes.
    std::unique_ptr<uint8_t[]> trail_;
    std::unique_ptr<uint8_t[]> dup_;
    mutable bool sized_ = true;
    mutable int stored_ = 0;  // sum of stored key bytes
    mutable uint32_t maxRec_ = 0;
    // The page as read (with 8 bytes of slack for word loads), and how to decode its entries.
    // While asRead_, no entry has changed since and the page can be written back as it was.
    bool asRead_ = false;
    int infoBytes_ = 0, recBits_ = 0, dupBits_ = 0;
    uint64_t infoMask_ = 0;
    uint32_t recMask_ = 0;
    uint8_t dupMask_ = 0, trailMask_ = 0;
    int scanPos_ = 0;    // where the stored bytes of entry scanned_ - 1 start
    int decodePos_ = 0;  // the same for entry decoded_ - 1
    int tipIdx_ = -1;
    uint8_t raw_[kPageSize + 8] = {};
    uint8_t tip_[kMaxKeyLength + 8] = {};
};

// Read access to an interior node held in a raw page.
struct InteriorView {
    const uint8_t* page;
    int keyLen;
    int count() const { return getLE16(page + 2); }
    const uint8_t* key(int i) const { return page + kInteriorHeader + size_t(i) * size_t(keyLen + 8); }
    uint32_t recno(int i) const { return getBE32(key(i) + keyLen); }
    uint32_t child(int i) const { return getBE32(key(i) + keyLen + 4); }
};

// Checks an interior node's header; returns an error text or nullptr.
const char* checkInterior(const uint8_t* page, int keyLen);

// Index of the first interior entry not before (key, recno) (prefix compare of len bytes when
// useRecno is false); count() when every entry is before it.
int interiorLowerBound(const InteriorView& v, const uint8_t* key, size_t len, uint32_t recno, bool useRecno);
// Index of the first interior entry whose first len bytes are after key.
int interiorUpperBoundPrefix(const InteriorView& v, const uint8_t* key, size_t len);

}  // namespace addrova::store::cdx
