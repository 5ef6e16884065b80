#pragma once

// The compact index engine behind CompactIndex: page caches, tag cursors and the B+tree updates.
// Private to the index layer.

#include "File.h"
#include "Index.h"
#include "IndexNode.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace addrova::store::cdx {

// Where our consistency stamp sits in the first header.
constexpr uint32_t kStampOffset = 480;
constexpr size_t kStampSize = 12;

// Raw 512-byte pages, evicted by the clock algorithm (a page used since the hand last passed
// gets another round); dirty pages are written back on eviction and flush().
class PageCache {
public:
    void attach(File* file, size_t capacity);
    // The page's bytes, read when not cached. The pointer is valid until the next call.
    const uint8_t* peek(uint32_t off);
    void read(uint32_t off, uint8_t* out) { std::memcpy(out, peek(off), kPageSize); }
    // Replaces a whole page (no read).
    void write(uint32_t off, const uint8_t* data);
    // Changes bytes of a cached page without marking it dirty (for data written to disk directly).
    void patchIfCached(uint32_t off, size_t at, const void* data, size_t n);
    void drop(uint32_t off);
    void flush();
    void clear();

private:
    struct Slot {
        uint32_t off = 0;
        bool used = false;
        bool dirty = false;
        bool referenced = false;
        uint8_t data[kPageSize];
    };
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // never a page offset
    size_t bucketOf(uint32_t off) const {
        return size_t((uint64_t(off / kPageSize) * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
    }
    int find(uint32_t off) const;
    void mapInsert(uint32_t off, int slot);
    void mapErase(uint32_t off);
    int slotFor(uint32_t off, bool load);
    int takeSlot();
    void writeSlot(Slot& s);

    File* file_ = nullptr;
    size_t capacity_ = 0;
    std::vector<Slot> slots_;  // reserved for capacity_ slots: pointers into it stay valid
    std::vector<int> freeSlots_;
    // Which slot holds which page: open addressing with linear probing, twice the slots.
    std::vector<uint32_t> keys_ = {kEmpty};
    std::vector<int> vals_ = {-1};
    size_t mask_ = 0;
    unsigned shift_ = 63;
    size_t hand_ = 0;
};

// Decoded leaves, kept while runs of updates work on them, up to a budget of memory (least
// recently used out first). A decoded leaf is newer than its raw page when dirty; it is encoded
// back on eviction and flush.
class LeafCache {
public:
    using WriteBack = std::function<void(uint32_t off, const Leaf& leaf)>;
    void setup(size_t budgetBytes, WriteBack wb);
    Leaf* find(uint32_t off);
    bool has(uint32_t off) const { return !map_.empty() && map_.count(off) != 0; }
    // A slot for the page (evicting others); the caller fills the leaf.
    Leaf& create(uint32_t off);
    void markDirty(uint32_t off);
    void discard(uint32_t off);
    void flushDirty();
    void clear();

private:
    struct Slot {
        uint32_t off = 0;
        bool dirty = false;
        int prev = -1, next = -1;
        size_t charged = 0;  // footprint counted in bytes_
        Leaf leaf;
    };
    void unlink(int i);
    void pushFront(int i);
    // Counts the memory of the slot touched last, which its user may have grown since.
    void recharge();
    void evictTail();

    size_t budget_ = 0;
    size_t bytes_ = 0;
    int touched_ = -1;
    WriteBack writeBack_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<int> freeSlots_;
    std::unordered_map<uint32_t, int> map_;
    int head_ = -1, tail_ = -1;
};

class IndexFile;

// One order of a compact index file (a tag, the tag directory, or the only order of an IDX file)
// together with its cursor.
class TagOrder final : public IndexOrder {
public:
    explicit TagOrder(IndexFile& file) : file_(file) {}

    const TagInfo& info() const override { return info_; }
    bool first() override;
    bool last() override;
    bool next() override;
    bool prev() override;
    bool seek(std::span<const uint8_t> key) override;
    bool find(std::span<const uint8_t> key, uint32_t recno) override;
    bool positioned() const override { return positioned_; }
    uint32_t recno() const override { return positioned_ ? rec_ : 0; }
    std::span<const uint8_t> key() const override;
    bool writable() const override;
    void insert(std::span<const uint8_t> key, uint32_t recno) override;
    bool remove(std::span<const uint8_t> key, uint32_t recno) override;

    // Tree state, kept up to date by IndexFile.
    TagInfo info_;
    uint32_t headerOff = 0;
    uint32_t root = 0;
    bool directory = false;
    bool dead = false;
    uint64_t version = 1;

    void unposition() { positioned_ = false; }
    int keyLength() const { return info_.keyLength; }

private:
    friend class IndexFile;
    void checkAlive() const;
    // Moves in stored (ascending) order.
    bool storedFirst();
    bool storedLast();
    bool storedNext();
    bool storedPrev();
    // Positions on the first stored entry not before (key, recno) / whose prefix is after key.
    bool lowerBound(const uint8_t* key, size_t len, uint32_t recno, bool useRecno);
    bool upperBoundPrefix(const uint8_t* key, size_t len);
    void loadLeaf(uint32_t off);
    bool settleForward();   // from idx_ (maybe past the leaf's end) to the next real entry
    bool settleBackward();  // from idx_ (maybe -1) to the previous real entry
    void setCurrent();
    // Re-finds the current entry after the tree changed; returns whether it is still there.
    bool resync();
    void checkStep(bool forward);

    IndexFile& file_;
    Leaf cur_;
    uint32_t curOff_ = kNone;
    int idx_ = -1;
    uint64_t seen_ = 0;
    uint64_t hops_ = 0;
    bool positioned_ = false;
    std::vector<uint8_t> key_;
    uint32_t rec_ = 0;
    std::vector<uint8_t> before_;  // the entry left by the last step
    uint32_t beforeRec_ = 0;
};

class IndexFile {
public:
    IndexFile();
    ~IndexFile();

    static void createCompound(const std::string& path);
    static void createSingle(const std::string& path, const TagInfo& info);

    void open(const std::string& path, bool writable);
    // Opens read only for the tag definitions alone: tags whose header cannot be read are left
    // out (their number is returned) and tree pointers are not checked; the trees are not to be used.
    size_t openDefinitions(const std::string& path);
    void close();
    void flush();
    bool isOpen() const { return file_.isOpen(); }
    bool compound() const { return compound_; }
    bool writable() const { return writable_; }
    const std::string& path() const { return path_; }

    size_t tagCount() const { return tags_.size(); }
    TagOrder& tag(size_t i);
    int findTag(std::string_view name) const;
    IndexOrder& buildTag(const TagInfo& info, const std::function<void(const KeySink&)>& feed);
    void removeTag(std::string_view name);
    void setPadByte(size_t i, uint8_t pad);
    void setSortMemory(size_t bytes) { sortMemory_ = bytes < 4096 ? 4096 : bytes; }

    CompactIndex::Stamp stamp() const;
    void setStamp(const CompactIndex::Stamp& s);
    uint64_t verifyTag(size_t i, uint32_t* maxRecno);

    // Tree access for TagOrder.
    enum class Goal { Lower, UpperPrefix, First, Last };
    struct Step {
        uint32_t off;
        int idx;
    };
    uint32_t descend(TagOrder& t, Goal goal, const uint8_t* key, size_t len, uint32_t recno, bool useRecno,
                     std::vector<Step>* path);
    // The leaf at off into out: decoded on demand, or whole.
    void loadLeaf(TagOrder& t, uint32_t off, Leaf& out, bool whole);
    uint32_t checkPointer(uint32_t off, const char* what) const;
    uint64_t pageCount() const { return uint64_t(allocEnd_) / kPageSize; }
    [[noreturn]] void damaged(const std::string& what) const;

    void insert(TagOrder& t, const uint8_t* key, uint32_t recno);
    bool remove(TagOrder& t, const uint8_t* key, uint32_t recno);

private:
    void requireWritable() const;
    size_t openFile(const std::string& path, bool writable, bool definitionsOnly);
    void readTagHeader(TagOrder& t, uint32_t off, bool checkRoot = true);
    void guessPad(TagOrder& t);
    bool isLeafPage(uint32_t off);
    Leaf& leafForWrite(TagOrder& t, uint32_t off);
    uint32_t allocPage();
    void freePage(uint32_t off);
    void setSibling(uint32_t off, bool leftLink, uint32_t value);
    void writeHeaderBytes(uint32_t headerOff, size_t at, const uint8_t* data, size_t n);
    void setRoot(TagOrder& t, uint32_t root);
    void fixUp(TagOrder& t, std::vector<Step>& path, int level, const uint8_t* k1, uint32_t r1, bool split,
               const uint8_t* k2, uint32_t r2, uint32_t p2);
    void removeEntry(TagOrder& t, std::vector<Step>& path, int level);
    bool mergeLeaf(TagOrder& t, std::vector<Step>& path, uint32_t leafOff);
    void collapseRoot(TagOrder& t);
    void splitLeaf(TagOrder& t, std::vector<Step>& path, uint32_t leafOff, int pos);
    std::vector<uint32_t> collectPages(TagOrder& t);
    void freeTree(TagOrder& t, bool withHeader);
    void touch(TagOrder& t) {
        ++t.version;
        changed_ = true;
    }
    void sortTags();
    static std::vector<uint8_t> headerBytes(const TagInfo& info, uint32_t root, uint8_t options);
    uint32_t bulkBuild(const TagInfo& info, const std::function<void(const KeySink&)>& feed);

    File file_;
    std::string path_;
    bool writable_ = false;
    bool compound_ = false;
    bool changed_ = false;
    uint32_t allocEnd_ = 0;
    uint32_t freeHead_ = 0;
    size_t sortMemory_ = size_t(64) << 20;
    PageCache cache_;
    LeafCache leaves_;
    std::unique_ptr<TagOrder> directory_;
    std::vector<std::unique_ptr<TagOrder>> tags_;
    std::vector<std::unique_ptr<TagOrder>> removed_;
    Leaf mergeScratch_;
};

}  // namespace addrova::store::cdx
