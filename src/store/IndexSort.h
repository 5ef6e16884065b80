#pragma once

// Sorting of index entries in bounded memory: sorted runs spill to temporary files and are
// merged. Private to the index layer.

#include "File.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace addrova::store::cdx {

// Entries are stored as the key bytes followed by the record number big-endian, so that byte
// order is entry order.
class KeySorter {
public:
    // tempBase: path prefix of the temporary files (they go next to the index).
    KeySorter(int keyLen, size_t memoryLimit, std::string tempBase);
    ~KeySorter();
    KeySorter(const KeySorter&) = delete;
    KeySorter& operator=(const KeySorter&) = delete;

    void add(const uint8_t* key, uint32_t recno);
    // Passes every entry in order (exact repeats once) and removes the temporary files.
    void drain(const std::function<void(const uint8_t* entry)>& fn);
    size_t runCount() const { return runs_.size(); }

    // An entry to sort: eight bytes of its key from some offset on (big-endian, so that integer
    // order is byte order), its place in the buffer and its record number.
    struct Ref {
        uint64_t word;
        uint32_t index;
        uint32_t recno;
    };

private:
    uint8_t* entry(size_t i) const { return chunks_[i >> chunkShift_].get() + (i & chunkMask_) * recSize_; }
    uint64_t wordAt(const uint8_t* entry, size_t off) const;
    void sortRefs();
    void sortRange(Ref* begin, Ref* end, size_t off);
    void spill();
    void removeRuns() noexcept;

    size_t keyLen_;
    size_t recSize_;
    size_t maxRecords_;
    std::string tempBase_;
    // Entries in chunks of 2^chunkShift_, allocated as they fill and kept for the next run, so
    // that the memory in use never exceeds the limit (no buffer is copied into a larger one).
    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    unsigned chunkShift_ = 0;
    size_t chunkMask_ = 0;
    size_t count_ = 0;
    std::vector<Ref> refs_;
    std::vector<std::string> runs_;
};

}  // namespace addrova::store::cdx
