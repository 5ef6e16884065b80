#pragma once

#include "Dbf.h"
#include "Expr.h"
#include "Index.h"
#include "Memo.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace addrova::store {

enum class OpenMode {
    ReadOnly,   // shared; nothing is ever written
    Exclusive,  // read and write; a second exclusive (or shared) open fails
};

// The structural index's state after opening a table.
enum class IndexState {
    None,     // the table has no structural index
    Ok,
    Missing,  // the header says there is one, but there is no file
    Stale,    // the file does not match the table (damaged, out of date or left open by a crash)
};

struct CreateOptions {
    uint8_t codePageMark = 0x03;  // Windows-1252
    uint32_t memoBlockSize = 64;
};

struct TagOptions {
    std::string forExpr;
    bool unique = false;
    bool descending = false;
};

// Progress of long operations, 0 to 100 (per tag for index builds, per pass for pack).
using ProgressFn = std::function<void(int percent)>;

// One open table (a work area): the DBF, its memo file and its indexes, a current record, a current
// order and a selection. Navigation honours the order, the selection, the hide-deleted setting and
// the key range. Changes to the current record are kept in a buffer until post(); moving to another
// record posts them first.
class Table : private MemoSource {
public:
    Table();
    ~Table() override;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Creates an empty table (and its empty memo file when a field is a memo), replacing old files.
    static void create(const std::string& path, std::span<const FieldSpec> fields, const CreateOptions& opts = {});

    void open(const std::string& path, OpenMode mode = OpenMode::Exclusive);
    void close();
    bool isOpen() const;
    const std::string& path() const;
    bool readOnly() const;
    // A new empty table with this table's fields (no indexes).
    void copyStructure(const std::string& path) const;

    // Structure.
    const std::vector<Field>& fields() const;
    int fieldIndex(std::string_view name) const;  // -1 when absent; case-insensitive
    int codePage() const;
    uint8_t version() const;

    // Position.
    uint32_t recCount() const;
    uint32_t recNo() const;  // recCount()+1 at the end
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    bool goTop();
    bool goBottom();
    // Moves n visible records (negative: backwards); false when it ran into either end.
    bool skip(long n = 1);
    // Goes to a record by number, whatever the order and selection; past the last: end of file.
    bool go(uint32_t recno);

    // Current record.
    bool deleted() const;
    std::string getString(int field) const;  // text, right-trimmed (see fieldio::text)
    std::string getString(std::string_view name) const { return getString(requireField(name)); }
    double getNumber(int field) const;
    double getNumber(std::string_view name) const { return getNumber(requireField(name)); }
    bool getLogical(int field) const;
    bool getLogical(std::string_view name) const { return getLogical(requireField(name)); }
    std::string getMemo(int field);
    std::string getMemo(std::string_view name) { return getMemo(requireField(name)); }
    bool memoEmpty(int field);
    bool memoEmpty(std::string_view name) { return memoEmpty(requireField(name)); }
    bool isNull(int field) const;

    void setString(int field, std::string_view value);
    void setString(std::string_view name, std::string_view value) { setString(requireField(name), value); }
    void setNumber(int field, double value);
    void setNumber(std::string_view name, double value) { setNumber(requireField(name), value); }
    void setLogical(int field, bool value);
    void setLogical(std::string_view name, bool value) { setLogical(requireField(name), value); }
    void setMemo(int field, std::string_view text);
    void setMemo(std::string_view name, std::string_view text) { setMemo(requireField(name), text); }
    // Raw access to the record buffer (byte 0 the deletion flag).
    const uint8_t* recordBuffer() const { return rec_.data(); }

    // A blank record to fill; post() appends it.
    void appendBlank();
    bool appending() const { return appending_; }
    bool modified() const { return dirty_; }
    // Writes the current record (memos first, then the record, then the indexes).
    void post();
    void cancel();  // drops unposted changes
    void deleteRecord();
    void recall();

    // Drops records with the deletion mark, compacts the memo file and rebuilds the indexes.
    void pack(const ProgressFn& progress = {});
    void zap();

    // Structural index.
    IndexState indexState() const { return indexState_; }
    const std::string& indexProblem() const { return indexProblem_; }
    std::string indexPath() const;
    // Creates (or replaces) a tag in the structural index and makes it the current order.
    void createTag(const std::string& name, const std::string& keyExpr, const TagOptions& opts = {},
                   const ProgressFn& progress = {});
    // Rebuilds every tag of the structural index (also a stale one, from the tags it names).
    // Throws, leaving the index stale, when a damaged index no longer tells all its tags.
    void reindex(const ProgressFn& progress = {});
    // Walks every tag of the open structural index completely: its tree, its key order, one key per
    // record and each key equal to its expression's value. On any difference the index becomes
    // stale (indexProblem() says why) and false is returned.
    bool verifyIndex();
    // Closes every index; the order becomes natural.
    void closeIndexes();
    // Deletes the structural index file (closing it first).
    void deleteIndex();

    // Orders: 0 is natural order, 1..n the structural tags in creation order, then added orders.
    int orderCount() const;
    int order() const { return order_; }
    void setOrder(int n);
    void setOrder(std::string_view tagName);  // empty name: natural order
    int tagArea(std::string_view tagName) const;  // 0 when absent
    std::string orderName(int n) const;
    const TagInfo& orderInfo(int n) const;
    std::string orderFile(int n) const;  // the index file of an order, "" for natural order

    // Scratch single-order index files.
    void createScratchIndex(const std::string& path, const std::string& keyExpr);  // becomes current order
    void keyAdd();  // adds the current record's key to the scratch index
    void closeScratchIndex(bool deleteFile = true);
    // A Clipper NTX index of a foreign table, read only; becomes the current order.
    void openNtx(const std::string& path);

    // Seeking in the current order. Character keys are in the table's code page.
    bool seek(std::string_view key);
    bool seek(double key);
    bool found() const { return found_; }

    // Selection.
    void setSelection(std::string_view expr);  // empty: all records
    const std::string& selection() const { return selectionText_; }
    uint32_t countSelected();
    bool test(std::string_view expr);  // evaluates a logical expression on the current record
    Expression compile(std::string_view expr) const;
    RecordContext context();  // for evaluating compiled expressions on the current record

    // Key range on the current order (prefix keys); clearScope() removes it.
    void setScope(std::string_view top, std::string_view bottom);
    void clearScope();

    // Settings.
    void setExact(bool on) { exact_ = on; }
    bool exact() const { return exact_; }
    void setSoftSeek(bool on) { softSeek_ = on; }
    bool softSeek() const { return softSeek_; }
    void setDeleted(bool hide) { hideDeleted_ = hide; }
    bool hideDeleted() const { return hideDeleted_; }
    void setCentury(bool on) { century_ = on; }
    bool century() const { return century_; }
    void setTurboRead(bool on);
    void setProgress(ProgressFn fn) { progress_ = std::move(fn); }

    // Flushes the indexes and marks them consistent (also done by close()).
    void flush();

    // A batch of changes (an import, say): appended records and memos are written in large chunks
    // instead of one by one. A crash inside a batch may lose the records posted since the last chunk;
    // endBatch(), flush() and close() write everything.
    void beginBatch();
    void endBatch();

private:
    struct TagExprs;
    int requireField(std::string_view name) const;
    std::string_view memoText(const uint8_t* record, const Field& field) override;
    void requireOpen() const;
    void requireWritable() const;
    void requireRecord(const char* what) const;
    void openStructural(bool writable);
    void verifyStructural();
    void compileTagExprs();
    IndexOrder* currentOrder();
    const Expression* orderKeyExpr() const;
    bool syncOrder(IndexOrder& ord);
    void checkEntry(IndexOrder& ord);
    bool visible(uint32_t recno, const uint8_t* rec);
    bool inScope(IndexOrder& ord) const;
    bool step(bool forward);
    void load(uint32_t recno);
    void adopt(uint32_t recno);
    void setEof();
    void commitPending();
    void checkCandidates();
    void markIndexDirty();
    void buildTag(const TagInfo& info, const ProgressFn& progress);
    void buildTag(CompactIndex& into, const TagInfo& info, bool packed, const ProgressFn& progress);
    void sizeTagKeys(std::vector<TagInfo>& tags) const;
    void writeIndexFile(const std::string& path, const std::vector<TagInfo>& tags, bool packed, uint32_t recordCount,
                        const ProgressFn& progress);
    void rebuildIndex(std::vector<TagInfo> tags, const ProgressFn& progress);
    std::vector<uint8_t> encodeSeekKey(std::string_view key, bool pad);
    bool seekEncoded(const std::vector<uint8_t>& key);
    static void recoverPack(const std::string& path, bool writable);

    DbfFile dbf_;
    MemoFile memo_;
    CompactIndex cdx_;
    std::vector<std::unique_ptr<TagExprs>> tagExprs_;  // parallel to cdx_ tags
    std::vector<TagInfo> staleTags_;                   // tags of an unusable structural index
    bool staleTagsComplete_ = true;                    // staleTags_ holds every tag it had
    std::unique_ptr<CompactIndex> scratch_;
    std::unique_ptr<TagExprs> scratchExprs_;
    std::unique_ptr<NtxIndex> ntx_;
    std::unique_ptr<Expression> ntxKey_;
    std::string ntxPath_;
    IndexState indexState_ = IndexState::None;
    std::string indexProblem_;
    bool indexDirty_ = false;
    bool readOnly_ = true;

    std::vector<uint8_t> rec_, orig_;
    std::vector<uint8_t> entryKey_;  // scratch for checkEntry()
    uint32_t recno_ = 0;
    uint32_t returnTo_ = 0;  // the record to go back to when an append is cancelled
    bool orderSynced_ = false;  // the current order's cursor stands on the current record
    bool bof_ = true, eof_ = true, found_ = false;
    bool dirty_ = false, appending_ = false;
    std::map<int, std::string> pendingMemos_;
    std::string memoBuf_;

    int order_ = 0;
    std::string selectionText_;
    std::unique_ptr<Expression> selection_;
    std::optional<std::vector<uint8_t>> scopeTop_, scopeBottom_;

    bool exact_ = false, softSeek_ = false, hideDeleted_ = true, century_ = true;
    ProgressFn progress_;
};

}  // namespace addrova::store
