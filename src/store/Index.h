#pragma once

#include "Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {

// What a tag (an index order) is: its name, key and options.
struct TagInfo {
    std::string name;         // upper case, at most 10 characters
    std::string keyExpr;
    std::string forExpr;      // empty when the tag has no FOR condition
    uint16_t keyLength = 0;   // bytes of the stored key (including the null-flag byte when nullable)
    bool unique = false;      // only the first record of each key is kept
    bool descending = false;
    bool nullable = false;    // every key starts with a null-flag byte (Visual FoxPro nullable column)
    bool candidate = false;   // Visual FoxPro candidate key
    // Filler of shorter keys, which compact leaf nodes leave out: blank for character keys, 0 for
    // numeric, date, integer and other binary keys. Compact files do not record it: open() infers
    // it from the stored keys; set it from the key expression's type with CompactIndex::setPadByte().
    uint8_t padByte = ' ';
};

// An order over a table's records with one current position. Keys are passed and returned
// exactly as stored (keyLength bytes; see TagInfo::nullable). Entries are ordered by key bytes
// (unsigned), then record number; a descending order walks them the other way round.
class IndexOrder {
public:
    virtual ~IndexOrder() = default;
    virtual const TagInfo& info() const = 0;

    // Moves in the order's logical sequence; false (and no current entry) past either end.
    virtual bool first() = 0;
    virtual bool last() = 0;
    virtual bool next() = 0;
    virtual bool prev() = 0;
    // Positions on the first entry, in logical sequence, whose first key.size() bytes are not before
    // `key` (ascending: >= key, descending: <= key). False when there is none.
    virtual bool seek(std::span<const uint8_t> key) = 0;
    // Positions on the entry holding exactly this key and record number.
    virtual bool find(std::span<const uint8_t> key, uint32_t recno) = 0;
    virtual bool positioned() const = 0;
    virtual uint32_t recno() const = 0;
    virtual std::span<const uint8_t> key() const = 0;

    virtual bool writable() const { return false; }
    // Adds an entry. For a unique order nothing is added when the key is present already.
    virtual void insert(std::span<const uint8_t> key, uint32_t recno);
    // Removes the entry; false when it was not there.
    virtual bool remove(std::span<const uint8_t> key, uint32_t recno);
};

// Receives the keys of a tag being built, in any order.
using KeySink = std::function<void(const uint8_t* key, uint32_t recno)>;

// A FoxPro compact index file: a compound (.CDX) file with a tag directory, or a single-order
// (.IDX) file. Pages are cached and written back on flush() and close().
class CompactIndex {
public:
    CompactIndex();
    ~CompactIndex();
    CompactIndex(const CompactIndex&) = delete;
    CompactIndex& operator=(const CompactIndex&) = delete;

    // Creates an empty compound index file, replacing any file at path.
    static void createCompound(const std::string& path);
    // Creates a single-order compact index file with no keys.
    static void createSingle(const std::string& path, const TagInfo& info);

    // Throws FormatError for a file that is not a compact index or is damaged.
    void open(const std::string& path, bool writable);
    void close();
    void flush();
    bool isOpen() const;
    bool compound() const;
    const std::string& path() const;

    // Tags in the order they were created (by the position of their headers in the file).
    size_t tagCount() const;
    IndexOrder& tag(size_t i);
    int findTag(std::string_view name) const;  // -1 when absent; case-insensitive

    // Builds a tag (replacing one of the same name) from the keys that feed passes to its sink.
    // Keys may come in any order; memory stays bounded (sorted runs spill to temporary files).
    IndexOrder& buildTag(const TagInfo& info, const std::function<void(const KeySink&)>& feed);
    void removeTag(std::string_view name);

    // Our consistency stamp, kept in reserved bytes of the file header: whether the file was
    // closed cleanly, how many records the table had then and how many tags the file had.
    // setStamp writes through at once and records the file's current number of tags itself.
    struct Stamp {
        bool present = false;
        bool clean = false;
        uint32_t recordCount = 0;
        int tagCount = -1;  // -1 when the stamp does not record it
    };
    Stamp stamp() const;
    void setStamp(const Stamp& s);

    // What a file whose trees may be damaged (a writer died while changing it) still says about
    // its tags: every tag whose header can be read, how many directory entries could not be,
    // and the stamp. Throws FormatError when the file or its tag directory cannot be read.
    struct TagDefinitions {
        std::vector<TagInfo> tags;
        size_t unreadable = 0;
        Stamp stamp;
    };
    static TagDefinitions readTagDefinitions(const std::string& path);

    // Sets the filler of shorter keys of tag i (see TagInfo::padByte); call it right after open().
    void setPadByte(size_t i, uint8_t pad);
    // Memory for sorting keys in buildTag before sorted runs spill to disk (default 64 MiB).
    void setSortMemory(size_t bytes);

    // Walks a tag completely, checking the tree and the key order; returns its number of keys,
    // and the highest record number met in maxRecno. Throws FormatError on damage.
    uint64_t verifyTag(size_t i, uint32_t* maxRecno = nullptr);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A Clipper NTX index, read only.
class NtxIndex : public IndexOrder {
public:
    NtxIndex();
    ~NtxIndex() override;
    void open(const std::string& path);  // throws FormatError
    const TagInfo& info() const override;
    bool first() override;
    bool last() override;
    bool next() override;
    bool prev() override;
    bool seek(std::span<const uint8_t> key) override;
    bool find(std::span<const uint8_t> key, uint32_t recno) override;
    bool positioned() const override;
    uint32_t recno() const override;
    std::span<const uint8_t> key() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace addrova::store
