#include "IndexFile.h"

#include "Error.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdio>
#include <exception>
#include <set>

namespace addrova::store::cdx {

namespace {

// Raw pages kept per open file (4 MiB), and memory for decoded leaves (a leaf of 60-byte keys
// takes about 6 KiB decoded).
constexpr size_t kCachePages = 8192;
constexpr size_t kDecodedLeafBytes = size_t(4) << 20;

std::string hexOffset(uint32_t off) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%X", off);
    return buf;
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Reads a NUL-terminated expression from the header's pool; false when it lies outside the pool.
bool poolText(const uint8_t* h, unsigned pos, unsigned len, std::string& out) {
    out.clear();
    if (len == 0) return true;
    if (pos + len > 512) return false;
    const uint8_t* p = h + 512 + pos;
    for (unsigned i = 0; i < len && p[i]; ++i) out.push_back(static_cast<char>(p[i]));
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// PageCache

void PageCache::attach(File* file, size_t capacity) {
    file_ = file;
    capacity_ = capacity;
    size_t buckets = std::bit_ceil(std::max<size_t>(16, capacity * 2));
    mask_ = buckets - 1;
    shift_ = 64u - unsigned(std::countr_zero(buckets));
    keys_.assign(buckets, kEmpty);
    vals_.assign(buckets, -1);
    slots_.reserve(capacity);
    clear();
}

int PageCache::find(uint32_t off) const {
    for (size_t b = bucketOf(off);; b = (b + 1) & mask_) {
        uint32_t k = keys_[b];
        if (k == off) return vals_[b];
        if (k == kEmpty) return -1;
    }
}

void PageCache::mapInsert(uint32_t off, int slot) {
    size_t b = bucketOf(off);
    while (keys_[b] != kEmpty) b = (b + 1) & mask_;
    keys_[b] = off;
    vals_[b] = slot;
}

void PageCache::mapErase(uint32_t off) {
    size_t hole = bucketOf(off);
    while (keys_[hole] != off) {
        if (keys_[hole] == kEmpty) return;
        hole = (hole + 1) & mask_;
    }
    // Moves later entries of the probe run back into the hole when their home allows it.
    for (size_t b = (hole + 1) & mask_; keys_[b] != kEmpty; b = (b + 1) & mask_) {
        size_t home = bucketOf(keys_[b]);
        bool stays = hole <= b ? (home > hole && home <= b) : (home > hole || home <= b);
        if (stays) continue;
        keys_[hole] = keys_[b];
        vals_[hole] = vals_[b];
        hole = b;
    }
    keys_[hole] = kEmpty;
    vals_[hole] = -1;
}

void PageCache::writeSlot(Slot& s) {
    file_->writeAt(s.data, kPageSize, s.off);
    s.dirty = false;
}

// A free slot, a new one, or the first one the clock hand finds unused since its last round.
int PageCache::takeSlot() {
    if (!freeSlots_.empty()) {
        int i = freeSlots_.back();
        freeSlots_.pop_back();
        return i;
    }
    if (slots_.size() < capacity_) {
        slots_.emplace_back();
        return int(slots_.size()) - 1;
    }
    for (;;) {
        size_t i = hand_;
        hand_ = hand_ + 1 == slots_.size() ? 0 : hand_ + 1;
        Slot& s = slots_[i];
        if (s.referenced) {
            s.referenced = false;
            continue;
        }
        if (s.dirty) writeSlot(s);
        mapErase(s.off);
        s.used = false;
        return int(i);
    }
}

int PageCache::slotFor(uint32_t off, bool load) {
    int i = find(off);
    if (i >= 0) {
        slots_[size_t(i)].referenced = true;
        return i;
    }
    i = takeSlot();
    Slot& s = slots_[size_t(i)];
    s.off = off;
    s.dirty = false;
    if (load) {
        try {
            file_->readExact(s.data, kPageSize, off, "index node");
        } catch (...) {
            freeSlots_.push_back(i);
            throw;
        }
    }
    s.used = true;
    s.referenced = true;
    mapInsert(off, i);
    return i;
}

const uint8_t* PageCache::peek(uint32_t off) { return slots_[size_t(slotFor(off, true))].data; }

void PageCache::write(uint32_t off, const uint8_t* data) {
    Slot& s = slots_[size_t(slotFor(off, false))];
    std::memcpy(s.data, data, kPageSize);
    s.dirty = true;
}

void PageCache::patchIfCached(uint32_t off, size_t at, const void* data, size_t n) {
    int i = find(off);
    if (i >= 0) std::memcpy(slots_[size_t(i)].data + at, data, n);
}

void PageCache::drop(uint32_t off) {
    int i = find(off);
    if (i < 0) return;
    mapErase(off);
    Slot& s = slots_[size_t(i)];
    s.used = s.dirty = s.referenced = false;
    freeSlots_.push_back(i);
}

void PageCache::flush() {
    std::vector<Slot*> dirty;
    for (Slot& s : slots_)
        if (s.used && s.dirty) dirty.push_back(&s);
    std::sort(dirty.begin(), dirty.end(), [](const Slot* a, const Slot* b) { return a->off < b->off; });
    // Write runs of adjacent pages with one call each.
    std::vector<uint8_t> run;
    size_t i = 0;
    while (i < dirty.size()) {
        size_t j = i + 1;
        while (j < dirty.size() && j - i < 256 && dirty[j]->off == dirty[j - 1]->off + kPageSize) ++j;
        if (j - i == 1) {
            writeSlot(*dirty[i]);
        } else {
            run.resize((j - i) * kPageSize);
            for (size_t k = i; k < j; ++k) std::memcpy(run.data() + (k - i) * kPageSize, dirty[k]->data, kPageSize);
            file_->writeAt(run.data(), run.size(), dirty[i]->off);
            for (size_t k = i; k < j; ++k) dirty[k]->dirty = false;
        }
        i = j;
    }
}

void PageCache::clear() {
    std::fill(keys_.begin(), keys_.end(), kEmpty);
    std::fill(vals_.begin(), vals_.end(), -1);
    freeSlots_.clear();
    for (size_t i = slots_.size(); i-- > 0;) {
        slots_[i].used = slots_[i].dirty = slots_[i].referenced = false;
        freeSlots_.push_back(int(i));
    }
    hand_ = 0;
}

// ---------------------------------------------------------------------------------------------
// LeafCache

void LeafCache::setup(size_t budgetBytes, WriteBack wb) {
    budget_ = budgetBytes;
    writeBack_ = std::move(wb);
}

void LeafCache::unlink(int i) {
    Slot& s = *slots_[size_t(i)];
    if (s.prev >= 0)
        slots_[size_t(s.prev)]->next = s.next;
    else
        head_ = s.next;
    if (s.next >= 0)
        slots_[size_t(s.next)]->prev = s.prev;
    else
        tail_ = s.prev;
    s.prev = s.next = -1;
}

void LeafCache::pushFront(int i) {
    Slot& s = *slots_[size_t(i)];
    s.prev = -1;
    s.next = head_;
    if (head_ >= 0) slots_[size_t(head_)]->prev = i;
    head_ = i;
    if (tail_ < 0) tail_ = i;
}

void LeafCache::recharge() {
    if (touched_ < 0) return;
    Slot& s = *slots_[size_t(touched_)];
    size_t now = s.leaf.footprint();
    bytes_ = bytes_ - s.charged + now;
    s.charged = now;
    touched_ = -1;
}

// Writes back and frees the least recently used leaf.
void LeafCache::evictTail() {
    int i = tail_;
    Slot& victim = *slots_[size_t(i)];
    if (victim.dirty) {
        writeBack_(victim.off, victim.leaf);
        victim.dirty = false;
    }
    unlink(i);
    map_.erase(victim.off);
    if (touched_ == i) touched_ = -1;
    bytes_ -= victim.charged;
    victim.charged = 0;
    victim.leaf.release();
    freeSlots_.push_back(i);
}

Leaf* LeafCache::find(uint32_t off) {
    if (map_.empty()) return nullptr;
    auto it = map_.find(off);
    if (it == map_.end()) return nullptr;
    int i = it->second;
    recharge();
    if (head_ != i) {
        unlink(i);
        pushFront(i);
    }
    touched_ = i;
    return &slots_[size_t(i)]->leaf;
}

Leaf& LeafCache::create(uint32_t off) {
    if (Leaf* l = find(off)) return *l;
    recharge();
    // Keep at least a few leaves whatever their size: an update works on up to three at once.
    while (bytes_ > budget_ && map_.size() > 4) evictTail();
    int i;
    if (!freeSlots_.empty()) {
        i = freeSlots_.back();
        freeSlots_.pop_back();
    } else {
        slots_.push_back(std::make_unique<Slot>());
        i = int(slots_.size()) - 1;
    }
    Slot& s = *slots_[size_t(i)];
    s.off = off;
    s.dirty = false;
    s.charged = s.leaf.footprint();
    bytes_ += s.charged;
    map_[off] = i;
    pushFront(i);
    touched_ = i;
    return s.leaf;
}

void LeafCache::markDirty(uint32_t off) {
    auto it = map_.find(off);
    if (it != map_.end()) slots_[size_t(it->second)]->dirty = true;
}

void LeafCache::discard(uint32_t off) {
    auto it = map_.find(off);
    if (it == map_.end()) return;
    int i = it->second;
    unlink(i);
    map_.erase(it);
    Slot& s = *slots_[size_t(i)];
    if (touched_ == i) touched_ = -1;
    bytes_ -= s.charged;
    s.charged = 0;
    s.dirty = false;
    s.leaf.release();
    freeSlots_.push_back(i);
}

void LeafCache::flushDirty() {
    for (auto& [off, i] : map_) {
        Slot& s = *slots_[size_t(i)];
        if (s.dirty) {
            writeBack_(s.off, s.leaf);
            s.dirty = false;
        }
    }
}

void LeafCache::clear() {
    map_.clear();
    freeSlots_.clear();
    for (size_t i = slots_.size(); i-- > 0;) {
        Slot& s = *slots_[i];
        s.prev = s.next = -1;
        s.dirty = false;
        s.charged = 0;
        s.leaf.release();
        freeSlots_.push_back(int(i));
    }
    bytes_ = 0;
    touched_ = -1;
    head_ = tail_ = -1;
}

// ---------------------------------------------------------------------------------------------
// TagOrder: the cursor

void TagOrder::checkAlive() const {
    if (dead) throw Error(file_.path(), "Cannot use index tag " + info_.name, "the tag was removed");
    if (!file_.isOpen()) throw Error(file_.path(), "Cannot use index tag " + info_.name, "the index is closed");
}

void TagOrder::loadLeaf(uint32_t off) {
    if (++hops_ > file_.pageCount() + 1) file_.damaged("sibling links of leaf nodes form a cycle");
    // The leaf at hand is still good while the tree has not changed.
    if (off == curOff_ && seen_ == version) return;
    curOff_ = kNone;
    file_.loadLeaf(*this, off, cur_, false);
    curOff_ = off;
    seen_ = version;
}

void TagOrder::setCurrent() {
    if (const char* err = cur_.reach(idx_)) file_.damaged(std::string(err) + " at " + hexOffset(curOff_));
    key_.resize(size_t(keyLength()));
    std::memcpy(key_.data(), cur_.key(idx_), key_.size());
    rec_ = cur_.recno(idx_);
    positioned_ = true;
}

bool TagOrder::settleForward() {
    while (idx_ >= cur_.count()) {
        if (cur_.right == kNone) {
            positioned_ = false;
            return false;
        }
        loadLeaf(file_.checkPointer(cur_.right, "leaf sibling link"));
        idx_ = 0;
    }
    setCurrent();
    return true;
}

bool TagOrder::settleBackward() {
    while (idx_ < 0) {
        if (cur_.left == kNone) {
            positioned_ = false;
            return false;
        }
        loadLeaf(file_.checkPointer(cur_.left, "leaf sibling link"));
        idx_ = cur_.count() - 1;
    }
    setCurrent();
    return true;
}

bool TagOrder::storedFirst() {
    checkAlive();
    hops_ = 0;
    loadLeaf(file_.descend(*this, IndexFile::Goal::First, nullptr, 0, 0, false, nullptr));
    idx_ = 0;
    return settleForward();
}

bool TagOrder::storedLast() {
    checkAlive();
    hops_ = 0;
    loadLeaf(file_.descend(*this, IndexFile::Goal::Last, nullptr, 0, 0, false, nullptr));
    idx_ = cur_.count() - 1;
    return settleBackward();
}

bool TagOrder::lowerBound(const uint8_t* key, size_t len, uint32_t recno, bool useRecno) {
    checkAlive();
    hops_ = 0;
    loadLeaf(file_.descend(*this, IndexFile::Goal::Lower, key, len, recno, useRecno, nullptr));
    if (const char* err = cur_.seekLower(key, len, recno, useRecno, idx_))
        file_.damaged(std::string(err) + " at " + hexOffset(curOff_));
    return settleForward();
}

bool TagOrder::upperBoundPrefix(const uint8_t* key, size_t len) {
    checkAlive();
    hops_ = 0;
    loadLeaf(file_.descend(*this, IndexFile::Goal::UpperPrefix, key, len, 0, false, nullptr));
    if (const char* err = cur_.seekUpperPrefix(key, len, idx_))
        file_.damaged(std::string(err) + " at " + hexOffset(curOff_));
    return settleForward();
}

bool TagOrder::resync() {
    hops_ = 0;
    size_t kl = size_t(keyLength());
    loadLeaf(file_.descend(*this, IndexFile::Goal::Lower, key_.data(), kl, rec_, true, nullptr));
    if (const char* err = cur_.seekLower(key_.data(), kl, rec_, true, idx_))
        file_.damaged(std::string(err) + " at " + hexOffset(curOff_));
    return idx_ < cur_.count() && compareEntry(cur_.key(idx_), cur_.recno(idx_), key_.data(), rec_, kl) == 0;
}

// A step that does not move on in stored order means the tree is damaged; records in a wrong order
// are never handed out.
void TagOrder::checkStep(bool forward) {
    int c = compareEntry(key_.data(), rec_, before_.data(), beforeRec_, key_.size());
    if (forward ? c <= 0 : c >= 0) file_.damaged("keys out of order at " + hexOffset(curOff_));
}

bool TagOrder::storedNext() {
    checkAlive();
    if (!positioned_) return false;
    if (seen_ != version && !resync()) return settleForward();
    before_ = key_;
    beforeRec_ = rec_;
    ++idx_;
    if (!settleForward()) return false;
    checkStep(true);
    return true;
}

bool TagOrder::storedPrev() {
    checkAlive();
    if (!positioned_) return false;
    if (seen_ != version) resync();
    before_ = key_;
    beforeRec_ = rec_;
    --idx_;
    if (!settleBackward()) return false;
    checkStep(false);
    return true;
}

bool TagOrder::first() { return info_.descending ? storedLast() : storedFirst(); }
bool TagOrder::last() { return info_.descending ? storedFirst() : storedLast(); }
bool TagOrder::next() { return info_.descending ? storedPrev() : storedNext(); }
bool TagOrder::prev() { return info_.descending ? storedNext() : storedPrev(); }

bool TagOrder::seek(std::span<const uint8_t> key) {
    checkAlive();
    if (key.empty()) return first();
    if (key.size() > size_t(keyLength()))
        throw Error(file_.path(), "Cannot seek in index tag " + info_.name, "the key is longer than the tag's keys");
    if (!info_.descending) return lowerBound(key.data(), key.size(), 0, false);
    // Descending: the last stored entry whose prefix is not after the key.
    if (!upperBoundPrefix(key.data(), key.size())) return storedLast();
    return storedPrev();
}

bool TagOrder::find(std::span<const uint8_t> key, uint32_t recno) {
    checkAlive();
    if (key.size() != size_t(keyLength()))
        throw Error(file_.path(), "Cannot search index tag " + info_.name, "the key has the wrong length");
    if (!lowerBound(key.data(), key.size(), recno, true)) return false;
    if (rec_ != recno || std::memcmp(key_.data(), key.data(), key.size()) != 0) {
        positioned_ = false;
        return false;
    }
    return true;
}

std::span<const uint8_t> TagOrder::key() const {
    if (!positioned_) return {};
    return {key_.data(), key_.size()};
}

bool TagOrder::writable() const { return !dead && file_.isOpen() && file_.writable(); }

void TagOrder::insert(std::span<const uint8_t> key, uint32_t recno) {
    checkAlive();
    if (key.size() != size_t(keyLength()))
        throw Error(file_.path(), "Cannot add to index tag " + info_.name, "the key has the wrong length");
    file_.insert(*this, key.data(), recno);
}

bool TagOrder::remove(std::span<const uint8_t> key, uint32_t recno) {
    checkAlive();
    if (key.size() != size_t(keyLength()))
        throw Error(file_.path(), "Cannot remove from index tag " + info_.name, "the key has the wrong length");
    return file_.remove(*this, key.data(), recno);
}

// ---------------------------------------------------------------------------------------------
// IndexFile: opening and reading

IndexFile::IndexFile() {
    leaves_.setup(kDecodedLeafBytes, [this](uint32_t off, const Leaf& leaf) {
        uint8_t page[kPageSize];
        leaf.encode(page);
        cache_.write(off, page);
    });
}

IndexFile::~IndexFile() = default;

void IndexFile::damaged(const std::string& what) const { throw FormatError(path_, "Cannot read index", what); }

uint32_t IndexFile::checkPointer(uint32_t off, const char* what) const {
    if (off % kPageSize != 0 || off < kHeaderSize || uint64_t(off) + kPageSize > allocEnd_)
        damaged(std::string(what) + " points outside the file (" + hexOffset(off) + ")");
    return off;
}

void IndexFile::requireWritable() const {
    if (!isOpen()) throw Error(path_, "Cannot change index", "the index is closed");
    if (!writable_) throw Error(path_, "Cannot change index", "the file is open read-only");
}

void IndexFile::readTagHeader(TagOrder& t, uint32_t off, bool checkRoot) {
    uint8_t h[kHeaderSize];
    file_.readExact(h, kHeaderSize, off, "tag header");
    t.headerOff = off;
    int keyLen = getLE16(h + 12);
    uint8_t opts = h[14];
    std::string where = off ? " of the tag header at " + hexOffset(off) : std::string(" of the file header");
    if (keyLen < 1 || keyLen > kMaxKeyLength) damaged("bad key length " + std::to_string(keyLen) + where);
    if (!(opts & kOptCompact)) damaged("not a compact index header" + where);
    t.info_.keyLength = static_cast<uint16_t>(keyLen);
    t.info_.unique = opts & kOptUnique;
    t.info_.nullable = opts & kOptNullable;
    t.info_.candidate = opts & kOptCandidate;
    t.info_.descending = getLE16(h + 502) != 0;
    if (!poolText(h, getLE16(h + 508), getLE16(h + 510), t.info_.keyExpr) ||
        !poolText(h, getLE16(h + 504), getLE16(h + 506), t.info_.forExpr))
        damaged("bad expression pool" + where);
    if (!(opts & kOptFor)) t.info_.forExpr.clear();
    t.root = checkRoot ? checkPointer(getLE32(h), "root pointer") : getLE32(h);
}

void IndexFile::open(const std::string& path, bool writable) { openFile(path, writable, false); }

size_t IndexFile::openDefinitions(const std::string& path) { return openFile(path, false, true); }

size_t IndexFile::openFile(const std::string& path, bool writable, bool definitionsOnly) {
    close();
    file_.open(path, writable ? File::Mode::ReadWrite : File::Mode::Read);
    path_ = path;
    writable_ = writable;
    size_t unreadable = 0;
    try {
        uint64_t size = file_.size();
        if (size < kHeaderSize + kPageSize) damaged("file is too short for a compact index");
        if (size > 0xFFFFF000ull) damaged("file is larger than 4 GiB");
        allocEnd_ = static_cast<uint32_t>((size + kPageSize - 1) / kPageSize * kPageSize);
        cache_.attach(&file_, kCachePages);
        leaves_.clear();
        uint8_t h[kHeaderSize];
        file_.readExact(h, kHeaderSize, 0, "index header");
        if (!(h[14] & kOptCompact)) damaged("not a compact index (only compact IDX and CDX files are supported)");
        compound_ = h[14] & kOptCompound;

        // The free page list: dropped (the pages are lost) when it is damaged.
        freeHead_ = getLE32(h + 4);
        if (freeHead_ == kNone) freeHead_ = 0;
        {
            std::set<uint32_t> seen;
            uint32_t p = freeHead_;
            while (p) {
                if (p % kPageSize || p < kHeaderSize || uint64_t(p) + kPageSize > size || !seen.insert(p).second ||
                    seen.size() > pageCount()) {
                    freeHead_ = 0;
                    break;
                }
                uint8_t b[4];
                file_.readExact(b, 4, p, "free page");
                p = getLE32(b);
                if (p == kNone) p = 0;
            }
        }

        if (compound_) {
            directory_ = std::make_unique<TagOrder>(*this);
            directory_->directory = true;
            readTagHeader(*directory_, 0);
            directory_->info_.padByte = ' ';
            std::set<uint32_t> offsets;
            for (bool ok = directory_->storedFirst(); ok; ok = directory_->storedNext()) {
                uint32_t off = directory_->recno();
                std::span<const uint8_t> k = directory_->key();
                std::string name(k.begin(), k.end());
                while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
                try {
                    if (off % kPageSize || off < kHeaderSize || uint64_t(off) + kHeaderSize > size)
                        damaged("tag " + name + " has its header outside the file (" + hexOffset(off) + ")");
                    if (!offsets.insert(off).second) damaged("two tags share the header at " + hexOffset(off));
                    auto t = std::make_unique<TagOrder>(*this);
                    readTagHeader(*t, off, !definitionsOnly);
                    t->info_.name = name;
                    tags_.push_back(std::move(t));
                } catch (const FormatError&) {
                    if (!definitionsOnly) throw;
                    ++unreadable;
                }
            }
            directory_->unposition();
        } else {
            auto t = std::make_unique<TagOrder>(*this);
            readTagHeader(*t, 0, !definitionsOnly);
            std::string stem = baseName(path);
            if (auto dot = stem.find_last_of('.'); dot != std::string::npos) stem.resize(dot);
            t->info_.name = upper(stem.substr(0, 10));
            tags_.push_back(std::move(t));
        }
        sortTags();
        if (!definitionsOnly)
            for (auto& t : tags_) guessPad(*t);
    } catch (...) {
        close();
        throw;
    }
    return unreadable;
}

void IndexFile::sortTags() {
    std::stable_sort(tags_.begin(), tags_.end(),
                     [](const std::unique_ptr<TagOrder>& a, const std::unique_ptr<TagOrder>& b) {
                         return a->headerOff < b->headerOff;
                     });
}

// The filler of short keys is not recorded in the file. A key whose last byte before its
// trailing run is a blank cannot have blank filler (and likewise for 0), which decides most
// tags; otherwise the key expression and the shape of the keys decide.
void IndexFile::guessPad(TagOrder& t) {
    t.info_.padByte = ' ';
    static const char* const textFunctions[] = {"STR(",  "DTOS(",  "UPPER(", "LOWER(",   "SUBSTR(", "LEFT(",
                                                "RIGHT(", "PADR(",  "PADL(",  "PADC(",    "TRIM(",   "ALLTRIM(",
                                                "LTRIM(", "RTRIM(", "CHR(",   "TTOC(",    "DTOC(",   "SYS(",
                                                "TRANSFORM(", "BINTOC("};
    std::string expr = upper(t.info_.keyExpr);
    for (const char* fn : textFunctions)
        if (expr.find(fn) != std::string::npos) return;

    const int kl = t.keyLength();
    int notBlank = 0, notZero = 0, binaryLike = 0, textLike = 0;
    Leaf a, b;
    for (Goal goal : {Goal::First, Goal::Last}) {
        try {
            uint32_t off = descend(t, goal, nullptr, 0, 0, false, nullptr);
            uint8_t page[kPageSize];
            cache_.read(off, page);
            if (!a.decode(page, kl, 0x00).empty() || !b.decode(page, kl, 0x20).empty()) continue;
            for (int i = 0; i < a.count(); ++i) {
                const uint8_t* ka = a.key(i);
                const uint8_t* kb = b.key(i);
                int trail = 0;
                while (trail < kl && ka[kl - 1 - trail] != kb[kl - 1 - trail]) ++trail;
                if (trail == kl) continue;
                uint8_t before = ka[kl - 1 - trail];
                if (before == 0x20) ++notBlank;
                if (before == 0x00) ++notZero;
                int start = t.info_.nullable ? 1 : 0;
                uint8_t c = ka[start];
                bool numericShape = (kl - start == 8 || kl - start == 4) &&
                                    (c == 0x80 || (c >= 0xBE && c <= 0xC1) || (c >= 0x3E && c <= 0x40));
                (numericShape ? binaryLike : textLike)++;
            }
        } catch (const FormatError&) {
            // A damaged tree shows up again when the tag is read.
        }
    }
    if (notZero > 0) return;
    if (notBlank > 0 || binaryLike > textLike) t.info_.padByte = 0x00;
}

void IndexFile::close() {
    std::exception_ptr failure;
    if (file_.isOpen() && writable_) {
        try {
            flush();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    file_.close();
    for (auto& t : tags_) t->dead = true;
    tags_.clear();
    removed_.clear();
    directory_.reset();
    cache_.clear();
    leaves_.clear();
    compound_ = false;
    changed_ = false;
    if (failure) std::rethrow_exception(failure);
}

void IndexFile::flush() {
    if (!file_.isOpen() || !writable_) return;
    leaves_.flushDirty();
    if (changed_) {
        // FoxPro's change counter (big-endian) tells other users that cached pages are stale.
        uint8_t page[kPageSize];
        cache_.read(0, page);
        putBE32(page + 8, getBE32(page + 8) + 1);
        cache_.write(0, page);
        changed_ = false;
    }
    cache_.flush();
}

TagOrder& IndexFile::tag(size_t i) {
    if (i >= tags_.size())
        throw Error(path_, "Cannot use index tag", "there is no tag number " + std::to_string(i));
    return *tags_[i];
}

int IndexFile::findTag(std::string_view name) const {
    for (size_t i = 0; i < tags_.size(); ++i)
        if (equalsNoCase(tags_[i]->info_.name, name)) return int(i);
    return -1;
}

void IndexFile::setPadByte(size_t i, uint8_t pad) {
    TagOrder& t = tag(i);
    if (t.info_.padByte == pad) return;
    if (writable_) leaves_.flushDirty();
    leaves_.clear();
    t.info_.padByte = pad;
    t.unposition();
    ++t.version;
}

// Our stamp sits in bytes of the first header that FoxPro, CodeBase and Harbour leave zero:
// "ADRV", 1 clean or 2 dirty, 1 when the tag count follows, the tag count (16 bits), the record count.
CompactIndex::Stamp IndexFile::stamp() const {
    if (!file_.isOpen()) throw Error(path_, "Cannot read index", "the index is closed");
    uint8_t b[kStampSize] = {};
    CompactIndex::Stamp s;
    if (file_.readAt(b, sizeof b, kStampOffset) != sizeof b || std::memcmp(b, "ADRV", 4) != 0) return s;
    s.present = true;
    s.clean = b[4] == 1;
    if (b[5] == 1) s.tagCount = getLE16(b + 6);
    s.recordCount = getLE32(b + 8);
    return s;
}

void IndexFile::setStamp(const CompactIndex::Stamp& s) {
    requireWritable();
    uint8_t b[kStampSize] = {};
    if (s.present) {
        std::memcpy(b, "ADRV", 4);
        b[4] = s.clean ? 1 : 2;
        b[5] = 1;
        putLE16(b + 6, static_cast<uint16_t>(tags_.size()));
        putLE32(b + 8, s.recordCount);
    }
    file_.writeAt(b, sizeof b, kStampOffset);
    cache_.patchIfCached(0, kStampOffset, b, sizeof b);
}

// ---------------------------------------------------------------------------------------------
// Tree navigation

bool IndexFile::isLeafPage(uint32_t off) {
    if (leaves_.has(off)) return true;
    return getLE16(cache_.peek(off)) & kAttrLeaf;
}

uint32_t IndexFile::descend(TagOrder& t, Goal goal, const uint8_t* key, size_t len, uint32_t recno, bool useRecno,
                            std::vector<Step>* path) {
    if (path) path->clear();
    const int kl = t.keyLength();
    uint32_t off = t.root;
    for (int depth = 0;; ++depth) {
        if (depth >= kMaxDepth) damaged("the tree of tag " + t.info_.name + " is deeper than 64 levels");
        if (leaves_.has(off)) return off;
        const uint8_t* p = cache_.peek(off);
        if (getLE16(p) & kAttrLeaf) return off;
        if (const char* err = checkInterior(p, kl)) damaged(err + (" at " + hexOffset(off)));
        InteriorView v{p, kl};
        int n = v.count();
        int idx = 0;
        switch (goal) {
            case Goal::Lower: idx = interiorLowerBound(v, key, len, recno, useRecno); break;
            case Goal::UpperPrefix: idx = interiorUpperBoundPrefix(v, key, len); break;
            case Goal::First: idx = 0; break;
            case Goal::Last: idx = n - 1; break;
        }
        if (idx >= n) idx = n - 1;
        uint32_t child = v.child(idx);
        if (path) path->push_back({off, idx});
        off = checkPointer(child, "interior node entry");
    }
}

void IndexFile::loadLeaf(TagOrder& t, uint32_t off, Leaf& out, bool whole) {
    if (Leaf* l = leaves_.find(off)) {
        out = *l;
        return;
    }
    const uint8_t* p = cache_.peek(off);
    if (!(getLE16(p) & kAttrLeaf)) damaged("expected a leaf node at " + hexOffset(off));
    const char* err = out.load(p, t.keyLength(), t.info_.padByte);
    if (!err && whole) err = out.decodeAll();
    if (err) damaged(err + (" at " + hexOffset(off)));
}

Leaf& IndexFile::leafForWrite(TagOrder& t, uint32_t off) {
    if (Leaf* l = leaves_.find(off)) return *l;
    // The slot first: making room may write another leaf back into the page cache.
    Leaf& l = leaves_.create(off);
    const char* err = nullptr;
    try {
        const uint8_t* p = cache_.peek(off);
        if (!(getLE16(p) & kAttrLeaf)) err = "expected a leaf node";
        if (!err) err = l.load(p, t.keyLength(), t.info_.padByte);
        if (!err) err = l.decodeAll();
    } catch (...) {
        leaves_.discard(off);
        throw;
    }
    if (err) {
        leaves_.discard(off);
        damaged(err + (" at " + hexOffset(off)));
    }
    return l;
}

// ---------------------------------------------------------------------------------------------
// Pages

uint32_t IndexFile::allocPage() {
    if (freeHead_) {
        uint32_t off = freeHead_;
        if (off % kPageSize || off < kHeaderSize || uint64_t(off) + kPageSize > allocEnd_)
            damaged("the free page list points outside the file");
        uint32_t next = getLE32(cache_.peek(off));
        if (next == kNone) next = 0;
        if (next == off || (next && (next % kPageSize || next < kHeaderSize || uint64_t(next) + kPageSize > allocEnd_)))
            next = 0;  // a damaged list loses its remaining pages
        freeHead_ = next;
        uint8_t b[4];
        putLE32(b, freeHead_);
        writeHeaderBytes(0, 4, b, 4);
        leaves_.discard(off);
        return off;
    }
    if (uint64_t(allocEnd_) + kPageSize > 0xFFFFF000ull)
        throw Error(path_, "Cannot extend index", "the file would grow beyond 4 GiB");
    uint32_t off = allocEnd_;
    allocEnd_ += kPageSize;
    return off;
}

void IndexFile::freePage(uint32_t off) {
    leaves_.discard(off);
    uint8_t page[kPageSize] = {};
    putLE32(page, freeHead_);
    cache_.write(off, page);
    freeHead_ = off;
    uint8_t b[4];
    putLE32(b, freeHead_);
    writeHeaderBytes(0, 4, b, 4);
}

void IndexFile::writeHeaderBytes(uint32_t headerOff, size_t at, const uint8_t* data, size_t n) {
    uint32_t pageOff = headerOff + static_cast<uint32_t>(at / kPageSize * kPageSize);
    uint8_t page[kPageSize];
    cache_.read(pageOff, page);
    std::memcpy(page + at % kPageSize, data, n);
    cache_.write(pageOff, page);
}

void IndexFile::setRoot(TagOrder& t, uint32_t root) {
    t.root = root;
    uint8_t b[4];
    putLE32(b, root);
    writeHeaderBytes(t.headerOff, 0, b, 4);
}

void IndexFile::setSibling(uint32_t off, bool leftLink, uint32_t value) {
    checkPointer(off, "sibling link");
    if (Leaf* l = leaves_.find(off)) {
        (leftLink ? l->left : l->right) = value;
        leaves_.markDirty(off);
        return;
    }
    uint8_t page[kPageSize];
    cache_.read(off, page);
    putLE32(page + (leftLink ? 4 : 8), value);
    cache_.write(off, page);
}

// ---------------------------------------------------------------------------------------------
// Updates

void IndexFile::insert(TagOrder& t, const uint8_t* key, uint32_t recno) {
    requireWritable();
    const int kl = t.keyLength();
    const bool unique = t.info_.unique;
    std::vector<Step> path;
    path.reserve(8);
    uint32_t leafOff = descend(t, Goal::Lower, key, size_t(kl), recno, !unique, &path);
    Leaf& leaf = leafForWrite(t, leafOff);
    int pos = leaf.lowerBound(key, size_t(kl), recno, !unique);
    if (pos < leaf.count()) {
        bool present = unique ? std::memcmp(leaf.key(pos), key, size_t(kl)) == 0
                              : compareEntry(leaf.key(pos), leaf.recno(pos), key, recno, size_t(kl)) == 0;
        if (present) return;
    }
    leaf.insert(pos, key, recno);
    leaves_.markDirty(leafOff);
    touch(t);
    if (leaf.fits()) {
        if (pos == leaf.count() - 1 && !path.empty())
            fixUp(t, path, int(path.size()) - 1, leaf.key(pos), leaf.recno(pos), false, nullptr, 0, 0);
        return;
    }
    splitLeaf(t, path, leafOff, pos);
}

void IndexFile::splitLeaf(TagOrder& t, std::vector<Step>& path, uint32_t leafOff, int pos) {
    const int kl = t.keyLength();
    uint32_t rightOff = allocPage();
    Leaf& left = leafForWrite(t, leafOff);
    Leaf& right = leaves_.create(rightOff);
    right.reset(kl, t.info_.padByte);
    int n = left.count();
    int s;
    if (pos == n - 1 && left.right == kNone)
        s = n - 1;  // appending at the end: keep this leaf full
    else if (pos == 0 && left.left == kNone)
        s = 1;
    else
        s = left.splitPoint();
    left.splitInto(s, right);
    while (!left.fits() && left.count() > 1) {
        int last = left.count() - 1;
        right.insert(0, left.key(last), left.recno(last));
        left.erase(last);
    }
    while (!right.fits() && right.count() > 1) {
        left.append(right.key(0), right.recno(0));
        right.erase(0);
    }
    if (!left.fits() || !right.fits())
        throw Error(path_, "Cannot add to index tag " + t.info_.name, "a leaf node cannot be split");
    uint32_t oldRight = left.right;
    right.attr = kAttrLeaf;
    right.left = leafOff;
    right.right = oldRight;
    left.attr = kAttrLeaf;
    left.right = rightOff;
    leaves_.markDirty(leafOff);
    leaves_.markDirty(rightOff);
    uint8_t k1[kMaxKeyLength], k2[kMaxKeyLength];
    std::memcpy(k1, left.key(left.count() - 1), size_t(kl));
    std::memcpy(k2, right.key(right.count() - 1), size_t(kl));
    uint32_t r1 = left.recno(left.count() - 1), r2 = right.recno(right.count() - 1);
    if (oldRight != kNone) setSibling(oldRight, true, rightOff);
    fixUp(t, path, int(path.size()) - 1, k1, r1, true, k2, r2, rightOff);
}

// After the child at path[level] changed: its last entry is now (k1, r1); when split, a new right
// sibling p2 with last entry (k2, r2) follows it. Updates the interior nodes up to the root.
void IndexFile::fixUp(TagOrder& t, std::vector<Step>& path, int level, const uint8_t* k1, uint32_t r1, bool split,
                      const uint8_t* k2, uint32_t r2, uint32_t p2) {
    const int kl = t.keyLength();
    const size_t es = size_t(kl) + 8;
    const int maxEntries = maxInteriorEntries(kl);
    uint8_t a[kMaxKeyLength], b[kMaxKeyLength];
    std::memcpy(a, k1, size_t(kl));
    if (split) std::memcpy(b, k2, size_t(kl));
    uint32_t ra = r1, rb = r2;

    for (int lvl = level; lvl >= 0; --lvl) {
        Step st = path[size_t(lvl)];
        uint8_t page[kPageSize];
        cache_.read(st.off, page);
        int n = getLE16(page + 2);
        uint8_t* e = page + kInteriorHeader + size_t(st.idx) * es;
        std::memcpy(e, a, size_t(kl));
        putBE32(e + kl, ra);
        if (!split) {
            cache_.write(st.off, page);
            if (st.idx != n - 1) return;
            continue;  // this node's last entry changed too
        }
        if (n < maxEntries) {
            uint8_t* at = page + kInteriorHeader + size_t(st.idx + 1) * es;
            std::memmove(at + es, at, size_t(n - st.idx - 1) * es);
            std::memcpy(at, b, size_t(kl));
            putBE32(at + kl, rb);
            putBE32(at + kl + 4, p2);
            ++n;
            putLE16(page + 2, static_cast<uint16_t>(n));
            cache_.write(st.off, page);
            if (st.idx + 1 != n - 1) return;
            std::memcpy(a, b, size_t(kl));
            ra = rb;
            split = false;
            continue;
        }
        // The node overflows: split it.
        std::vector<uint8_t> all(size_t(n + 1) * es);
        const uint8_t* entries = page + kInteriorHeader;
        std::memcpy(all.data(), entries, size_t(st.idx + 1) * es);
        uint8_t* ins = all.data() + size_t(st.idx + 1) * es;
        std::memcpy(ins, b, size_t(kl));
        putBE32(ins + kl, rb);
        putBE32(ins + kl + 4, p2);
        std::memcpy(ins + es, entries + size_t(st.idx + 1) * es, size_t(n - st.idx - 1) * es);
        int total = n + 1;
        uint32_t oldRight = getLE32(page + 8);
        int s = (st.idx + 1 == n && oldRight == kNone) ? n : total / 2;
        uint32_t newOff = allocPage();
        uint8_t leftPage[kPageSize] = {}, rightPage[kPageSize] = {};
        putLE16(leftPage, 0);
        putLE16(leftPage + 2, static_cast<uint16_t>(s));
        putLE32(leftPage + 4, getLE32(page + 4));
        putLE32(leftPage + 8, newOff);
        std::memcpy(leftPage + kInteriorHeader, all.data(), size_t(s) * es);
        putLE16(rightPage, 0);
        putLE16(rightPage + 2, static_cast<uint16_t>(total - s));
        putLE32(rightPage + 4, st.off);
        putLE32(rightPage + 8, oldRight);
        std::memcpy(rightPage + kInteriorHeader, all.data() + size_t(s) * es, size_t(total - s) * es);
        cache_.write(st.off, leftPage);
        cache_.write(newOff, rightPage);
        if (oldRight != kNone) setSibling(oldRight, true, newOff);
        std::memcpy(a, all.data() + size_t(s - 1) * es, size_t(kl));
        ra = getBE32(all.data() + size_t(s - 1) * es + kl);
        std::memcpy(b, all.data() + size_t(total - 1) * es, size_t(kl));
        rb = getBE32(all.data() + size_t(total - 1) * es + kl);
        p2 = newOff;
    }
    if (!split) return;
    // The root split: a new root above its two halves.
    uint32_t oldRoot = t.root;
    uint32_t newRoot = allocPage();
    uint8_t page[kPageSize] = {};
    putLE16(page, kAttrRoot);
    putLE16(page + 2, 2);
    putLE32(page + 4, kNone);
    putLE32(page + 8, kNone);
    uint8_t* e = page + kInteriorHeader;
    std::memcpy(e, a, size_t(kl));
    putBE32(e + kl, ra);
    putBE32(e + kl + 4, oldRoot);
    std::memcpy(e + es, b, size_t(kl));
    putBE32(e + es + kl, rb);
    putBE32(e + es + kl + 4, p2);
    cache_.write(newRoot, page);
    setRoot(t, newRoot);
}

bool IndexFile::remove(TagOrder& t, const uint8_t* key, uint32_t recno) {
    requireWritable();
    const int kl = t.keyLength();
    std::vector<Step> path;
    path.reserve(8);
    uint32_t leafOff = descend(t, Goal::Lower, key, size_t(kl), recno, true, &path);
    Leaf& leaf = leafForWrite(t, leafOff);
    int pos = leaf.lowerBound(key, size_t(kl), recno, true);
    if (pos >= leaf.count() || compareEntry(leaf.key(pos), leaf.recno(pos), key, recno, size_t(kl)) != 0)
        return false;
    bool wasLast = pos == leaf.count() - 1;
    leaf.erase(pos);
    leaves_.markDirty(leafOff);
    touch(t);
    if (!path.empty()) {
        if (leaf.count() == 0) {
            uint32_t l = leaf.left, r = leaf.right;
            if (l != kNone) setSibling(l, false, r);
            if (r != kNone) setSibling(r, true, l);
            freePage(leafOff);
            removeEntry(t, path, int(path.size()) - 1);
        } else if (!mergeLeaf(t, path, leafOff) && wasLast) {
            Leaf& kept = leafForWrite(t, leafOff);
            int last = kept.count() - 1;
            fixUp(t, path, int(path.size()) - 1, kept.key(last), kept.recno(last), false, nullptr, 0, 0);
        }
    }
    collapseRoot(t);
    return true;
}

// A leaf less than a quarter full joins its right neighbour (or its left one, for the last child)
// when both fit in one node and share the parent. Returns whether it did.
bool IndexFile::mergeLeaf(TagOrder& t, std::vector<Step>& path, uint32_t leafOff) {
    if (leafForWrite(t, leafOff).encodedSize() >= int(kPageSize) / 4) return false;
    const int kl = t.keyLength();
    const size_t es = size_t(kl) + 8;
    Step st = path.back();
    uint8_t page[kPageSize];
    cache_.read(st.off, page);
    InteriorView v{page, kl};
    int n = v.count();
    int leftIdx, rightIdx;
    if (st.idx + 1 < n) {
        leftIdx = st.idx;
        rightIdx = st.idx + 1;
    } else if (st.idx > 0) {
        leftIdx = st.idx - 1;
        rightIdx = st.idx;
    } else {
        return false;
    }
    uint32_t leftOff = checkPointer(v.child(leftIdx), "interior node entry");
    uint32_t rightOff = checkPointer(v.child(rightIdx), "interior node entry");
    if (!isLeafPage(leftOff) || !isLeafPage(rightOff)) return false;
    Leaf& a = leafForWrite(t, leftOff);
    Leaf& b = leafForWrite(t, rightOff);
    if (a.right != rightOff || b.left != leftOff) return false;
    mergeScratch_ = a;
    for (int i = 0; i < b.count(); ++i) mergeScratch_.append(b.key(i), b.recno(i));
    if (!mergeScratch_.fits()) return false;
    uint32_t far = b.right;
    a = mergeScratch_;
    a.right = far;
    leaves_.markDirty(leftOff);
    if (far != kNone) setSibling(far, true, leftOff);
    uint8_t* e = page + kInteriorHeader + size_t(leftIdx) * es;
    std::memcpy(e, a.key(a.count() - 1), size_t(kl));
    putBE32(e + kl, a.recno(a.count() - 1));
    freePage(rightOff);
    cache_.write(st.off, page);
    path.back().idx = rightIdx;
    removeEntry(t, path, int(path.size()) - 1);
    return true;
}

void IndexFile::removeEntry(TagOrder& t, std::vector<Step>& path, int level) {
    const int kl = t.keyLength();
    const size_t es = size_t(kl) + 8;
    Step st = path[size_t(level)];
    uint8_t page[kPageSize];
    cache_.read(st.off, page);
    int n = getLE16(page + 2);
    uint8_t* at = page + kInteriorHeader + size_t(st.idx) * es;
    std::memmove(at, at + es, size_t(n - st.idx - 1) * es);
    --n;
    std::memset(page + kInteriorHeader + size_t(n) * es, 0, es);
    putLE16(page + 2, static_cast<uint16_t>(n));
    if (n == 0) {
        if (level == 0) {
            // Every key is gone: the root becomes an empty leaf.
            cache_.drop(st.off);
            Leaf& root = leaves_.create(st.off);
            root.reset(kl, t.info_.padByte);
            root.attr = kAttrRoot | kAttrLeaf;
            leaves_.markDirty(st.off);
            return;
        }
        uint32_t l = getLE32(page + 4), r = getLE32(page + 8);
        if (l != kNone) setSibling(l, false, r);
        if (r != kNone) setSibling(r, true, l);
        freePage(st.off);
        removeEntry(t, path, level - 1);
        return;
    }
    cache_.write(st.off, page);
    if (st.idx == n && level > 0) {
        const uint8_t* last = page + kInteriorHeader + size_t(n - 1) * es;
        fixUp(t, path, level - 1, last, getBE32(last + kl), false, nullptr, 0, 0);
    }
}

void IndexFile::collapseRoot(TagOrder& t) {
    const int kl = t.keyLength();
    for (;;) {
        if (leaves_.has(t.root)) return;
        const uint8_t* p = cache_.peek(t.root);
        if ((getLE16(p) & kAttrLeaf) || getLE16(p + 2) != 1) return;
        uint32_t child = checkPointer(InteriorView{p, kl}.child(0), "interior node entry");
        uint32_t old = t.root;
        if (Leaf* l = leaves_.find(child)) {
            l->attr |= kAttrRoot;
            l->left = l->right = kNone;
            leaves_.markDirty(child);
        } else {
            uint8_t page[kPageSize];
            cache_.read(child, page);
            putLE16(page, static_cast<uint16_t>(getLE16(page) | kAttrRoot));
            putLE32(page + 4, kNone);
            putLE32(page + 8, kNone);
            cache_.write(child, page);
        }
        freePage(old);
        setRoot(t, child);
    }
}

// ---------------------------------------------------------------------------------------------
// Checking

uint64_t IndexFile::verifyTag(size_t i, uint32_t* maxRecno) {
    TagOrder& t = tag(i);
    const int kl = t.keyLength();
    const size_t kls = size_t(kl);
    std::vector<bool> seen(size_t(pageCount()) + 1);
    auto visit = [&](uint32_t off) {
        size_t idx = off / kPageSize;
        if (seen[idx]) damaged("node " + hexOffset(off) + " of tag " + t.info_.name + " is reached twice");
        seen[idx] = true;
    };
    std::vector<uint32_t> level{checkPointer(t.root, "root pointer")};
    visit(t.root);
    std::vector<uint8_t> expectKeys, nextKeys;
    std::vector<uint32_t> expectRecs, nextRecs, nextLevel;
    std::vector<uint8_t> prevKey(kls);
    uint32_t prevRec = 0, maxRec = 0;
    bool havePrev = false;
    uint64_t count = 0;
    Leaf leaf;
    uint8_t page[kPageSize];
    for (int depth = 0;; ++depth) {
        if (depth >= kMaxDepth) damaged("the tree of tag " + t.info_.name + " is deeper than 64 levels");
        bool leafLevel = isLeafPage(level[0]);
        nextLevel.clear();
        nextKeys.clear();
        nextRecs.clear();
        for (size_t j = 0; j < level.size(); ++j) {
            uint32_t off = level[j];
            std::string where = " at " + hexOffset(off) + " in tag " + t.info_.name;
            bool isLeaf = isLeafPage(off);
            if (isLeaf != leafLevel) damaged("leaf and interior nodes on one level" + where);
            uint16_t attr;
            uint32_t l, r;
            int n;
            const uint8_t* lastKey = nullptr;
            uint32_t lastRec = 0;
            if (isLeaf) {
                loadLeaf(t, off, leaf, true);
                attr = leaf.attr;
                l = leaf.left;
                r = leaf.right;
                n = leaf.count();
                if (n == 0 && depth > 0) damaged("empty leaf node" + where);
                for (int k = 0; k < n; ++k) {
                    if (havePrev && compareEntry(prevKey.data(), prevRec, leaf.key(k), leaf.recno(k), kls) > 0)
                        damaged("keys out of order" + where);
                    std::memcpy(prevKey.data(), leaf.key(k), kls);
                    prevRec = leaf.recno(k);
                    havePrev = true;
                    maxRec = std::max(maxRec, prevRec);
                    ++count;
                }
                if (n) {
                    lastKey = leaf.key(n - 1);
                    lastRec = leaf.recno(n - 1);
                }
            } else {
                cache_.read(off, page);
                if (const char* err = checkInterior(page, kl)) damaged(err + where);
                InteriorView v{page, kl};
                attr = getLE16(page);
                l = getLE32(page + 4);
                r = getLE32(page + 8);
                n = v.count();
                for (int k = 0; k < n; ++k) {
                    uint32_t child = checkPointer(v.child(k), "interior node entry");
                    visit(child);
                    nextLevel.push_back(child);
                    nextKeys.insert(nextKeys.end(), v.key(k), v.key(k) + kl);
                    nextRecs.push_back(v.recno(k));
                }
                lastKey = v.key(n - 1);
                lastRec = v.recno(n - 1);
            }
            bool isRoot = depth == 0;
            if (bool(attr & kAttrRoot) != isRoot)
                damaged((isRoot ? "root node lacks the root attribute" : "node below the root has the root attribute") +
                        where);
            uint32_t wantLeft = j ? level[j - 1] : kNone;
            uint32_t wantRight = j + 1 < level.size() ? level[j + 1] : kNone;
            if ((l != wantLeft || r != wantRight) && (isLeaf || l != kNone || r != kNone))
                damaged("sibling links do not match the tree" + where);
            if (depth > 0 && lastKey &&
                compareEntry(expectKeys.data() + j * kls, expectRecs[j], lastKey, lastRec, kls) != 0)
                damaged("interior key differs from the last key of its child" + where);
        }
        if (leafLevel) break;
        level.swap(nextLevel);
        expectKeys.swap(nextKeys);
        expectRecs.swap(nextRecs);
    }
    if (maxRecno) *maxRecno = maxRec;
    return count;
}

}  // namespace addrova::store::cdx
