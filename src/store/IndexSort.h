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

private:
    struct Ref {
        uint64_t prefix;
        uint32_t index;
        uint32_t spare;
    };
    void sortRefs();
    void spill();
    void removeRuns() noexcept;

    size_t keyLen_;
    size_t recSize_;
    size_t maxRecords_;
    std::string tempBase_;
    std::vector<uint8_t> buf_;
    size_t count_ = 0;
    std::vector<Ref> refs_;
    std::vector<std::string> runs_;
};

}  // namespace addrova::store::cdx
