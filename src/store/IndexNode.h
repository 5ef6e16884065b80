#pragma once

// Nodes of a FoxPro compact index (.CDX/.IDX): 512-byte pages, interior nodes with full keys and
// exterior (leaf) nodes with compressed keys. Private to the index layer.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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
inline int bitsFor(uint64_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

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
    static LeafLayout choose(int keyLen, uint32_t maxRecno);
};

// A decoded exterior node: the keys in full, in stored order.
class Leaf {
public:
    uint16_t attr = kAttrLeaf;
    uint32_t left = kNone;
    uint32_t right = kNone;

    void reset(int keyLen, uint8_t pad);
    int keyLength() const { return keyLen_; }
    uint8_t pad() const { return pad_; }
    int count() const { return count_; }
    const uint8_t* key(int i) const { return keys_.data() + size_t(i) * size_t(keyLen_); }
    uint32_t recno(int i) const { return recs_[size_t(i)]; }
    uint32_t maxRecno() const { return maxRec_; }

    // Bytes the node needs when encoded.
    int encodedSize() const { return encodedSizeWith(maxRec_); }
    bool fits() const { return encodedSize() <= int(kPageSize); }
    // Whether appending (key, recno) at the end would still fit.
    bool fitsAppend(const uint8_t* key, uint32_t recno) const;

    // First position whose entry is not before (key, recno); with useRecno false, whose first
    // `len` key bytes are not before key.
    int lowerBound(const uint8_t* key, size_t len, uint32_t recno, bool useRecno) const;
    // First position whose first `len` key bytes are after key.
    int upperBoundPrefix(const uint8_t* key, size_t len) const;

    void insert(int pos, const uint8_t* key, uint32_t recno);
    void append(const uint8_t* key, uint32_t recno) { insert(count_, key, recno); }
    void erase(int pos);
    // Moves the entries from pos on into `to`, which takes this leaf's key length and filler.
    void splitInto(int pos, Leaf& to);
    void clearEntries();

    // Entry index that splits the encoded keys roughly in half by bytes.
    int splitPoint() const;

    // Decodes a page; returns what is wrong with it ("" when it is good) so that the caller can
    // name its file in the FormatError.
    std::string decode(const uint8_t* page, int keyLen, uint8_t pad);
    void encode(uint8_t* page) const;

private:
    int encodedSizeWith(uint32_t maxRec) const;
    int trailOf(const uint8_t* key) const;
    // Leading bytes entry i shares with entry i-1 (0 for the first), counting from `from` on.
    int computeDup(int i, int from = 0) const;
    int storedOf(int i) const { return keyLen_ - trail_[size_t(i)] - dup_[size_t(i)]; }
    void recomputeSizes();

    int keyLen_ = 0;
    uint8_t pad_ = ' ';
    int count_ = 0;
    std::vector<uint8_t> keys_;
    std::vector<uint32_t> recs_;
    std::vector<uint8_t> trail_;  // trailing filler bytes of each key
    std::vector<uint8_t> dup_;    // bytes shared with the previous key
    int stored_ = 0;     // sum of stored key bytes
    uint32_t maxRec_ = 0;
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

// Checks an interior node's header; returns an error text or "".
std::string checkInterior(const uint8_t* page, int keyLen);

// Index of the first interior entry not before (key, recno) (prefix compare of len bytes when
// useRecno is false); count() when every entry is before it.
int interiorLowerBound(const InteriorView& v, const uint8_t* key, size_t len, uint32_t recno, bool useRecno);
// Index of the first interior entry whose first len bytes are after key.
int interiorUpperBoundPrefix(const InteriorView& v, const uint8_t* key, size_t len);

}  // namespace addrova::store::cdx
