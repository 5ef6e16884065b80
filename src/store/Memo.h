#pragma once

#include "File.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {

// A memo file beside a table: FoxPro FPT (read and write) or dBASE III/IV DBT (read).
class MemoFile {
public:
    enum class Kind { Fpt, Dbt3, Dbt4 };

    // Writes a new empty FPT file (header only), replacing any file at path.
    static void createFpt(const std::string& path, uint32_t blockSize = 64);

    void open(const std::string& path, Kind kind, bool writable);
    void close() noexcept;
    void sync() { file_.sync(); }
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return file_.path(); }
    Kind kind() const { return kind_; }
    uint32_t blockSize() const { return blockSize_; }
    uint32_t nextFree() const { return nextFree_; }

    // The memo stored at `block` (block 0 is no memo). Throws FormatError on a damaged file.
    std::string read(uint32_t block, uint32_t* type = nullptr) const;
    // Length of the memo at `block` without reading it (0 for none).
    uint32_t length(uint32_t block) const;
    // Writes a memo into new blocks after the last one and returns its block (0 for empty text).
    // The blocks are written before the header's next-free pointer moves past them, and the
    // caller writes the record that points to them last, so an interrupted write never damages
    // a memo that a record points to.
    uint32_t write(std::string_view data, uint32_t type = 1);
    // Drops every memo.
    void zap();

    // In a batch, new memos are collected in memory and written by flushBatch() (then the header).
    void beginBatch() { batch_ = true; }
    void endBatch();
    void flushBatch();

private:
    const uint8_t* pendingAt(uint32_t block, uint64_t need) const;

    File file_;
    bool batch_ = false;
    std::vector<uint8_t> pending_;  // blocks from pendingFirst_ on, not written yet
    uint32_t pendingFirst_ = 0;
    Kind kind_ = Kind::Fpt;
    uint32_t blockSize_ = 64;
    uint32_t nextFree_ = 0;
    uint64_t size_ = 0;
};

}  // namespace addrova::store
