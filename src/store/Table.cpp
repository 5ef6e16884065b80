#include "Table.h"

#include "CodePage.h"
#include "KeyCodec.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace addrova::store {

namespace {

constexpr uint16_t kMaxKeyLength = 240;
// A nullable key starts with this byte when the value is not null.
constexpr uint8_t kNotNullMarker = 0x80;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool lowerExtension(const std::string& path) {
    std::string base = baseName(path);
    auto dot = base.find_last_of('.');
    if (dot == std::string::npos || dot + 1 >= base.size()) return false;
    char c = base[dot + 1];
    return c >= 'a' && c <= 'z';
}

// Sibling path with an extension in the same letter case as the table's.
std::string siblingFor(const std::string& path, const char* upperExt) {
    std::string ext = upperExt;
    if (lowerExtension(path))
        for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return replaceExtension(path, ext);
}

bool prefixEquals(std::span<const uint8_t> key, std::span<const uint8_t> prefix) {
    return key.size() >= prefix.size() && std::memcmp(key.data(), prefix.data(), prefix.size()) == 0;
}

int comparePrefix(std::span<const uint8_t> key, std::span<const uint8_t> prefix) {
    size_t n = std::min(key.size(), prefix.size());
    int c = std::memcmp(key.data(), prefix.data(), n);
    if (c != 0) return c;
    return key.size() < prefix.size() ? -1 : 0;
}

// Compact leaves leave out the trailing filler of keys: blanks for text, zero bytes otherwise.
uint8_t padFor(const Expression& key) { return key.type() == ValueType::Character ? ' ' : 0; }

// The length of a tag's keys that its expression gives, without the null marker.
size_t keyBytes(const Expression& key, const TagInfo& t) {
    size_t len = key.type() == ValueType::Character ? key.length() : key.type() == ValueType::Logical ? 1 : 8;
    if (len == 8 && t.keyLength - (t.nullable ? 1 : 0) == 4) len = 4;  // integer keys stay 4 bytes
    return len;
}

std::string packTemp(const std::string& path) { return path + ".packing"; }
std::string packMarker(const std::string& dbfPath) { return dbfPath + ".pack-commit"; }

}  // namespace

// The compiled key and FOR condition of one order.
struct Table::TagExprs {
    TagInfo info;
    Expression key;
    std::optional<Expression> forExpr;
    std::vector<uint8_t> oldKey, newKey;

    // Writes the key of the record in ctx; false when the FOR condition excludes it.
    bool compute(const RecordContext& ctx, std::vector<uint8_t>& out) {
        if (forExpr && !forExpr->evalLogical(ctx)) return false;
        out.resize(info.keyLength);
        uint8_t* p = out.data();
        size_t len = info.keyLength;
        if (info.nullable) {
            *p++ = kNotNullMarker;
            --len;
        }
        key.evalKey(ctx, p, len);
        return true;
    }
};

Table::Table() = default;

Table::~Table() {
    try {
        close();
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// Creating, opening and closing

void Table::create(const std::string& path, std::span<const FieldSpec> fields, const CreateOptions& opts) {
    DbfFile::create(path, fields, opts.codePageMark);
    bool memo = std::any_of(fields.begin(), fields.end(), [](const FieldSpec& f) { return f.type == 'M'; });
    std::string oldCdx = findSibling(path, ".cdx");
    if (!oldCdx.empty()) File::remove(oldCdx);
    if (memo) {
        std::string old = findSibling(path, ".fpt");
        if (!old.empty()) File::remove(old);
        MemoFile::createFpt(siblingFor(path, ".FPT"), opts.memoBlockSize);
    }
}

void Table::copyStructure(const std::string& path) const {
    requireOpen();
    CreateOptions opts;
    opts.codePageMark = dbf_.codePageMark();
    if (memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt) opts.memoBlockSize = memo_.blockSize();
    auto specs = dbf_.specs();
    create(path, specs, opts);
}

void Table::open(const std::string& path, OpenMode mode) {
    close();
    bool writable = mode == OpenMode::Exclusive;
    recoverPack(path, writable);
    dbf_.open(path, writable);
    try {
        if (!dbf_.file().tryLock(writable))
            throw LockError(path, "Cannot open", "the file is in use by another program or user");
        readOnly_ = !writable;
        if (dbf_.hasMemoFields()) {
            uint8_t v = dbf_.version();
            bool dbase = v == 0x83 || v == 0x8B || v == 0x8E || v == 0x7B || v == 0xCB;
            std::string fpt = findSibling(path, ".fpt");
            std::string dbt = findSibling(path, ".dbt");
            if (dbase && !dbt.empty())
                memo_.open(dbt, v == 0x83 ? MemoFile::Kind::Dbt3 : MemoFile::Kind::Dbt4, false);
            else if (!fpt.empty())
                memo_.open(fpt, MemoFile::Kind::Fpt, writable);
            else if (!dbt.empty())
                memo_.open(dbt, v == 0x83 ? MemoFile::Kind::Dbt3 : MemoFile::Kind::Dbt4, false);
            else
                throw FormatError(path, "Cannot open", "its memo file (" + baseName(siblingFor(path, ".FPT")) + ") is missing");
        }
        rec_.assign(dbf_.recordLength(), ' ');
        orig_ = rec_;
        dbf_.setFlushHook([this] {
            if (memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt) memo_.flushBatch();
        });
        openStructural(writable);
    } catch (...) {
        memo_.close();
        cdx_.close();
        dbf_.close();
        throw;
    }
    goTop();
}

void Table::close() {
    if (!dbf_.isOpen()) return;
    std::exception_ptr failure;
    try {
        flush();
    } catch (...) {
        failure = std::current_exception();
    }
    if (scratch_) scratch_->close();
    scratch_.reset();
    scratchExprs_.reset();
    ntx_.reset();
    cdx_.close();
    tagExprs_.clear();
    staleTags_.clear();
    // What was written reaches the disk before the files are let go.
    try {
        if (!readOnly_) {
            if (memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt) memo_.sync();
            dbf_.file().sync();
        }
    } catch (...) {
        if (!failure) failure = std::current_exception();
    }
    memo_.close();
    dbf_.close();
    indexState_ = IndexState::None;
    indexProblem_.clear();
    indexDirty_ = false;
    order_ = 0;
    selection_.reset();
    selectionText_.clear();
    scopeTop_.reset();
    scopeBottom_.reset();
    dirty_ = appending_ = false;
    pendingMemos_.clear();
    recno_ = 0;
    bof_ = eof_ = true;
    if (failure) std::rethrow_exception(failure);
}

bool Table::isOpen() const { return dbf_.isOpen(); }
const std::string& Table::path() const { return dbf_.path(); }
bool Table::readOnly() const { return readOnly_; }
const std::vector<Field>& Table::fields() const { return dbf_.fields(); }
int Table::fieldIndex(std::string_view name) const { return dbf_.fieldIndex(name); }
int Table::codePage() const { return codePageFromByte(dbf_.codePageMark()); }
uint8_t Table::version() const { return dbf_.version(); }
uint32_t Table::recCount() const { return dbf_.recordCount(); }
uint32_t Table::recNo() const { return eof_ ? dbf_.recordCount() + 1 : recno_; }

void Table::requireOpen() const {
    if (!dbf_.isOpen()) throw Error("", "Table operation", "no table is open");
}

void Table::requireWritable() const {
    requireOpen();
    if (readOnly_) throw Error(dbf_.path(), "Cannot change", "the table is open read-only");
}

int Table::requireField(std::string_view name) const {
    int i = dbf_.fieldIndex(name);
    if (i < 0) throw Error(dbf_.path(), "Field access", "no field named " + std::string(name));
    return i;
}

void Table::setTurboRead(bool on) { dbf_.setReadAhead(on); }

// ---------------------------------------------------------------------------------------------
// The structural index

std::string Table::indexPath() const {
    if (cdx_.isOpen()) return cdx_.path();
    std::string found = findSibling(dbf_.path(), ".cdx");
    return found.empty() ? siblingFor(dbf_.path(), ".CDX") : found;
}

void Table::openStructural(bool writable) {
    indexState_ = IndexState::None;
    indexProblem_.clear();
    tagExprs_.clear();
    staleTags_.clear();
    staleTagsComplete_ = true;
    std::string cdx = findSibling(dbf_.path(), ".cdx");
    if (cdx.empty()) {
        // dBASE uses the same flag for its MDX files, which this engine does not read.
        if ((dbf_.tableFlags() & 0x01) && findSibling(dbf_.path(), ".mdx").empty()) {
            indexState_ = IndexState::Missing;
            indexProblem_ = "the index file " + baseName(siblingFor(dbf_.path(), ".CDX")) + " is missing";
        }
        return;
    }
    // Keeps the tag definitions for reindex(): from the open file, or else from whatever a damaged
    // file still tells. The stamp says how many tags there were at least.
    auto markStale = [&](const std::string& why) {
        indexState_ = IndexState::Stale;
        indexProblem_ = "the index file " + baseName(cdx) + " " + why;
        staleTags_.clear();
        staleTagsComplete_ = true;
        int stamped = -1;
        if (cdx_.isOpen()) {
            for (size_t i = 0; i < cdx_.tagCount(); ++i) staleTags_.push_back(cdx_.tag(i).info());
            stamped = cdx_.stamp().tagCount;
            cdx_.close();
        } else {
            try {
                CompactIndex::TagDefinitions defs = CompactIndex::readTagDefinitions(cdx);
                staleTags_ = std::move(defs.tags);
                staleTagsComplete_ = defs.unreadable == 0;
                stamped = defs.stamp.tagCount;
            } catch (const Error&) {
                staleTagsComplete_ = false;
            }
        }
        if (stamped >= 0 && staleTags_.size() < size_t(stamped)) staleTagsComplete_ = false;
        if (!staleTagsComplete_) indexProblem_ += "; the definitions of its tags cannot all be read";
        tagExprs_.clear();
    };
    try {
        cdx_.open(cdx, writable);
    } catch (const Error& e) {
        markStale("is damaged (" + e.cause() + ")");
        return;
    }
    try {
        compileTagExprs();
    } catch (const Error& e) {
        markStale("has a tag this program cannot evaluate (" + e.cause() + ")");
        return;
    }
    indexState_ = IndexState::Ok;
    CompactIndex::Stamp s = cdx_.stamp();
    if (s.present && !s.clean) {
        markStale("was not closed properly and may be out of date");
        return;
    }
    if (s.present && s.tagCount >= 0 && size_t(s.tagCount) != cdx_.tagCount()) {
        markStale("is damaged (it names " + std::to_string(cdx_.tagCount()) + " tags, it had " +
                  std::to_string(s.tagCount) + ")");
        return;
    }
    if (s.present && s.recordCount == dbf_.recordCount()) return;
    try {
        verifyStructural();
    } catch (const StaleIndexError& e) {
        markStale(e.cause());
    } catch (const Error& e) {
        markStale("is damaged (" + e.cause() + ")");
    }
}

void Table::compileTagExprs() {
    tagExprs_.clear();
    for (size_t i = 0; i < cdx_.tagCount(); ++i) {
        auto te = std::make_unique<TagExprs>();
        te->info = cdx_.tag(i).info();
        te->key = Expression::compile(te->info.keyExpr, dbf_.fields());
        cdx_.setPadByte(i, padFor(te->key));
        te->info.padByte = padFor(te->key);
        if (!te->info.forExpr.empty()) {
            te->forExpr = Expression::compile(te->info.forExpr, dbf_.fields());
            if (te->forExpr->type() != ValueType::Logical)
                throw Error(cdx_.path(), "Tag " + te->info.name, "the FOR condition is not logical");
        }
        tagExprs_.push_back(std::move(te));
    }
}

// Compares every tag with the keys the table's records give. Throws StaleIndexError on a difference.
void Table::verifyStructural() {
    using Entry = std::pair<std::vector<uint8_t>, uint32_t>;
    for (size_t i = 0; i < cdx_.tagCount(); ++i) {
        TagExprs& te = *tagExprs_[i];
        size_t want = keyBytes(te.key, te.info) + (te.info.nullable ? 1 : 0);
        if (want != te.info.keyLength)
            throw StaleIndexError(cdx_.path(), "", "is damaged (tag " + te.info.name + " keeps keys of " +
                                                       std::to_string(te.info.keyLength) + " bytes; its expression gives " +
                                                       std::to_string(want) + ")");
        uint32_t maxRecno = 0;
        uint64_t keys = cdx_.verifyTag(i, &maxRecno);
        if (maxRecno > dbf_.recordCount())
            throw StaleIndexError(cdx_.path(), "", "is out of date (tag " + te.info.name + " names record " +
                                                       std::to_string(maxRecno) + ", past the last record)");
        if (!te.forExpr && !te.info.unique && keys != dbf_.recordCount())
            throw StaleIndexError(cdx_.path(), "", "is out of date (tag " + te.info.name + " holds " + std::to_string(keys) +
                                                       " keys for " + std::to_string(dbf_.recordCount()) + " records)");
        std::vector<Entry> stored;
        stored.reserve(keys);
        IndexOrder& ord = cdx_.tag(i);
        for (bool ok = ord.first(); ok; ok = ord.next()) {
            auto k = ord.key();
            stored.emplace_back(std::vector<uint8_t>(k.begin(), k.end()), ord.recno());
        }
        std::vector<Entry> expected;
        expected.reserve(dbf_.recordCount());
        std::vector<uint8_t> key;
        dbf_.scan(1, [&](uint32_t recno, const uint8_t* rec) {
            RecordContext ctx{rec, recno, this, false};
            if (te.compute(ctx, key)) expected.emplace_back(key, recno);
            return true;
        });
        std::sort(stored.begin(), stored.end());
        std::stable_sort(expected.begin(), expected.end());
        if (te.info.unique)
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                           expected.end());
        if (stored != expected)
            throw StaleIndexError(cdx_.path(), "", "is out of date (tag " + te.info.name + " does not match the records)");
    }
}

bool Table::verifyIndex() {
    requireOpen();
    if (!cdx_.isOpen()) return indexState_ != IndexState::Stale && indexState_ != IndexState::Missing;
    commitPending();
    std::string why;
    try {
        verifyStructural();
        return true;
    } catch (const StaleIndexError& e) {
        why = e.cause();
    } catch (const Error& e) {
        why = "is damaged (" + e.cause() + ")";
    }
    staleTags_.clear();
    for (size_t i = 0; i < cdx_.tagCount(); ++i) staleTags_.push_back(cdx_.tag(i).info());
    staleTagsComplete_ = true;
    indexProblem_ = "the index file " + baseName(cdx_.path()) + " " + why;
    indexState_ = IndexState::Stale;
    indexDirty_ = false;
    cdx_.close();
    tagExprs_.clear();
    order_ = 0;
    return false;
}

void Table::markIndexDirty() {
    if (indexDirty_ || !cdx_.isOpen() || readOnly_) return;
    cdx_.setStamp({true, false, dbf_.recordCount()});
    indexDirty_ = true;
}

void Table::beginBatch() {
    requireWritable();
    dbf_.beginBatch();
    if (memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt) memo_.beginBatch();
}

void Table::endBatch() {
    requireOpen();
    commitPending();
    dbf_.endBatch();
    if (memo_.isOpen()) memo_.endBatch();
}

void Table::flush() {
    if (!dbf_.isOpen()) return;
    commitPending();
    dbf_.flushBatch();
    if (scratch_) scratch_->flush();
    if (cdx_.isOpen() && !readOnly_) {
        cdx_.flush();
        if (indexDirty_) {
            cdx_.setStamp({true, true, dbf_.recordCount()});
            indexDirty_ = false;
        }
    }
}

void Table::buildTag(CompactIndex& into, const TagInfo& tag, bool packed, const ProgressFn& progress) {
    auto te = std::make_unique<TagExprs>();
    te->key = Expression::compile(tag.keyExpr, dbf_.fields());
    TagInfo info = tag;
    info.padByte = padFor(te->key);
    te->info = info;
    if (!info.forExpr.empty()) te->forExpr = Expression::compile(info.forExpr, dbf_.fields());
    uint32_t total = dbf_.recordCount();
    ProgressFn report = progress ? progress : progress_;
    int last = -1;
    auto step = [&](uint32_t done) {
        int pct = total ? static_cast<int>(uint64_t(done) * 100 / total) : 100;
        if (pct != last && report) report(pct);
        last = pct;
    };
    step(0);
    into.buildTag(info, [&](const KeySink& sink) {
        std::vector<uint8_t> key;
        uint32_t kept = 0;  // with packed, deleted records are left out and the others renumbered
        dbf_.scan(1, [&](uint32_t recno, const uint8_t* rec) {
            if (packed && rec[0] == '*') return true;
            ++kept;
            RecordContext ctx{rec, recno, this, false};
            if (te->compute(ctx, key)) sink(key.data(), packed ? kept : recno);
            if ((recno & 0x3FF) == 0) step(recno);
            return true;
        });
    });
    step(total);
}

void Table::buildTag(const TagInfo& tag, const ProgressFn& progress) { buildTag(cdx_, tag, false, progress); }

void Table::createTag(const std::string& name, const std::string& keyExpr, const TagOptions& opts,
                      const ProgressFn& progress) {
    requireWritable();
    commitPending();
    std::string tagName = upper(name);
    if (tagName.empty() || tagName.size() > 10)
        throw Error(dbf_.path(), "Cannot create tag " + name, "a tag name has 1 to 10 characters");
    for (char c : tagName)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            throw Error(dbf_.path(), "Cannot create tag " + name, "a tag name may hold only letters, digits and _");
    Expression key = Expression::compile(keyExpr, dbf_.fields());
    if (!opts.forExpr.empty()) {
        Expression cond = Expression::compile(opts.forExpr, dbf_.fields());
        if (cond.type() != ValueType::Logical)
            throw Error(dbf_.path(), "Cannot create tag " + tagName, "the FOR condition is not logical");
    }
    size_t len = key.type() == ValueType::Character ? key.length() : key.type() == ValueType::Logical ? 1 : 8;
    if (len == 0 || len > kMaxKeyLength)
        throw Error(dbf_.path(), "Cannot create tag " + tagName,
                    "the key is " + std::to_string(len) + " bytes long (1 to " + std::to_string(kMaxKeyLength) + " allowed)");

    if (!cdx_.isOpen() && indexState_ == IndexState::Stale) {
        // The tags a stale index still names are rebuilt with the new one.
        rebuildIndex(staleTags_, progress);
    } else if (!cdx_.isOpen()) {
        std::string path = indexPath();
        if (!File::exists(path)) CompactIndex::createCompound(path);
        cdx_.open(path, true);
        compileTagExprs();
        indexState_ = IndexState::Ok;
        indexProblem_.clear();
        dbf_.setStructuralFlag(true);
    }
    TagInfo info;
    info.name = tagName;
    info.keyExpr = keyExpr;
    info.forExpr = opts.forExpr;
    info.keyLength = static_cast<uint16_t>(len);
    info.unique = opts.unique;
    info.descending = opts.descending;
    markIndexDirty();
    buildTag(info, progress);
    compileTagExprs();
    order_ = tagArea(tagName);
}

void Table::reindex(const ProgressFn& progress) {
    requireWritable();
    commitPending();
    std::vector<TagInfo> tags;
    if (cdx_.isOpen()) {
        for (size_t i = 0; i < cdx_.tagCount(); ++i) tags.push_back(cdx_.tag(i).info());
    } else {
        if (indexState_ == IndexState::Stale && !staleTagsComplete_)
            throw Error(dbf_.path(), "Cannot rebuild the index",
                        indexProblem_ + "; delete the index and create its tags again");
        tags = staleTags_;
    }
    if (tags.empty() && indexState_ != IndexState::Stale) return;
    rebuildIndex(std::move(tags), progress);
}

// Key lengths of tags to be rebuilt, from our own compilation of each expression.
void Table::sizeTagKeys(std::vector<TagInfo>& tags) const {
    for (auto& t : tags) {
        size_t len = keyBytes(Expression::compile(t.keyExpr, dbf_.fields()), t);
        if (len == 0 || len > kMaxKeyLength)
            throw Error(dbf_.path(), "Cannot build tag " + t.name,
                        "its key " + t.keyExpr + " is " + std::to_string(len) + " bytes long (1 to " +
                            std::to_string(kMaxKeyLength) + " allowed)");
        t.keyLength = static_cast<uint16_t>(len + (t.nullable ? 1 : 0));
    }
}

// Writes a complete structural index with these tags to path, from the table's records (with packed,
// as a pack leaves them). A failure removes the file and names the table and the tag, not the file.
void Table::writeIndexFile(const std::string& path, const std::vector<TagInfo>& tags, bool packed,
                           uint32_t recordCount, const ProgressFn& progress) {
    CompactIndex out;
    try {
        CompactIndex::createCompound(path);
        out.open(path, true);
        out.setStamp({true, false, recordCount});
        for (const auto& t : tags) buildTag(out, t, packed, progress);
        out.flush();
        out.setStamp({true, true, recordCount});
        out.close();
    } catch (const Error& e) {
        out.close();
        File::remove(path);
        if (e.file() != path) throw;
        throw Error(dbf_.path(), e.operation(), e.cause());
    } catch (...) {
        out.close();
        File::remove(path);
        throw;
    }
}

// Writes a new structural index with these tags beside the old one and renames it into place; the
// old index stays as it was when that fails.
void Table::rebuildIndex(std::vector<TagInfo> tags, const ProgressFn& progress) {
    std::string path = indexPath();
    std::string orderTag = order_ >= 1 && order_ <= static_cast<int>(tagExprs_.size()) ? tagExprs_[order_ - 1]->info.name : "";
    sizeTagKeys(tags);
    std::string temp = path + ".building";
    writeIndexFile(temp, tags, false, dbf_.recordCount(), progress);
    cdx_.close();
    tagExprs_.clear();
    try {
        File::rename(temp, path);
    } catch (...) {
        File::remove(temp);
        throw;
    }
    cdx_.open(path, true);
    compileTagExprs();
    indexState_ = IndexState::Ok;
    indexProblem_.clear();
    staleTags_.clear();
    staleTagsComplete_ = true;
    indexDirty_ = false;
    dbf_.setStructuralFlag(true);
    order_ = orderTag.empty() ? 0 : tagArea(orderTag);
}

void Table::closeIndexes() {
    requireOpen();
    flush();
    cdx_.close();
    tagExprs_.clear();
    if (scratch_) scratch_->close();
    scratch_.reset();
    scratchExprs_.reset();
    ntx_.reset();
    order_ = 0;
    if (indexState_ == IndexState::Ok) indexState_ = IndexState::None;
}

void Table::deleteIndex() {
    requireWritable();
    std::string path = indexPath();
    closeIndexes();
    File::remove(path);
    staleTags_.clear();
    staleTagsComplete_ = true;
    indexState_ = IndexState::None;
    indexProblem_.clear();
    dbf_.setStructuralFlag(false);
}

// ---------------------------------------------------------------------------------------------
// Orders

int Table::orderCount() const {
    return static_cast<int>(tagExprs_.size()) + ((scratch_ || ntx_) ? 1 : 0);
}

IndexOrder* Table::currentOrder() {
    if (order_ <= 0) return nullptr;
    int n = static_cast<int>(tagExprs_.size());
    if (order_ <= n) return &cdx_.tag(static_cast<size_t>(order_ - 1));
    if (scratch_) return &scratch_->tag(0);
    return ntx_.get();
}

void Table::setOrder(int n) {
    requireOpen();
    if (n < 0 || n > orderCount()) throw Error(dbf_.path(), "Cannot set order", "there is no order " + std::to_string(n));
    commitPending();
    order_ = n;
    orderSynced_ = false;
}

void Table::setOrder(std::string_view tagName) {
    if (tagName.empty()) return setOrder(0);
    int n = tagArea(tagName);
    if (n == 0) throw Error(dbf_.path(), "Cannot set order", "there is no tag named " + std::string(tagName));
    setOrder(n);
}

int Table::tagArea(std::string_view tagName) const {
    for (size_t i = 0; i < tagExprs_.size(); ++i)
        if (sameName(tagExprs_[i]->info.name, tagName)) return static_cast<int>(i) + 1;
    if (scratchExprs_ && sameName(scratchExprs_->info.name, tagName)) return static_cast<int>(tagExprs_.size()) + 1;
    if (ntx_ && sameName(ntx_->info().name, tagName)) return static_cast<int>(tagExprs_.size()) + 1;
    return 0;
}

const TagInfo& Table::orderInfo(int n) const {
    int tags = static_cast<int>(tagExprs_.size());
    if (n >= 1 && n <= tags) return tagExprs_[static_cast<size_t>(n - 1)]->info;
    if (n == tags + 1 && scratchExprs_) return scratchExprs_->info;
    if (n == tags + 1 && ntx_) return ntx_->info();
    throw Error(dbf_.path(), "Order", "there is no order " + std::to_string(n));
}

std::string Table::orderName(int n) const { return n == 0 ? std::string() : orderInfo(n).name; }

std::string Table::orderFile(int n) const {
    int tags = static_cast<int>(tagExprs_.size());
    if (n >= 1 && n <= tags) return cdx_.path();
    if (n == tags + 1 && scratch_) return scratch_->path();
    if (n == tags + 1 && ntx_) return ntxPath_;
    return {};
}

void Table::createScratchIndex(const std::string& path, const std::string& keyExpr) {
    requireOpen();
    commitPending();
    closeScratchIndex(false);
    ntx_.reset();
    auto te = std::make_unique<TagExprs>();
    te->key = Expression::compile(keyExpr, dbf_.fields());
    size_t len = te->key.type() == ValueType::Character ? te->key.length() : te->key.type() == ValueType::Logical ? 1 : 8;
    if (len == 0 || len > kMaxKeyLength) throw Error(path, "Cannot create index", "the key length is out of range");
    std::string stem = upper(baseName(replaceExtension(path, "")));
    te->info.name = stem.substr(0, 10);
    te->info.keyExpr = keyExpr;
    te->info.keyLength = static_cast<uint16_t>(len);
    te->info.padByte = padFor(te->key);
    CompactIndex::createSingle(path, te->info);
    scratch_ = std::make_unique<CompactIndex>();
    scratch_->open(path, true);
    scratch_->setPadByte(0, te->info.padByte);
    scratchExprs_ = std::move(te);
    order_ = static_cast<int>(tagExprs_.size()) + 1;
    orderSynced_ = false;
}

void Table::keyAdd() {
    requireOpen();
    if (!scratch_) throw Error(dbf_.path(), "Cannot add key", "no scratch index is open");
    if (eof_ || appending_) throw Error(dbf_.path(), "Cannot add key", "there is no current record");
    std::vector<uint8_t> key;
    RecordContext ctx{rec_.data(), recno_, this, exact_};
    if (scratchExprs_->compute(ctx, key)) scratch_->tag(0).insert(key, recno_);
    orderSynced_ = false;
}

void Table::closeScratchIndex(bool deleteFile) {
    if (!scratch_) return;
    std::string path = scratch_->path();
    scratch_->close();
    scratch_.reset();
    scratchExprs_.reset();
    if (deleteFile) File::remove(path);
    if (order_ > static_cast<int>(tagExprs_.size())) order_ = 0;
}

void Table::openNtx(const std::string& path) {
    requireOpen();
    commitPending();
    closeScratchIndex(false);
    auto ntx = std::make_unique<NtxIndex>();
    ntx->open(path);
    ntxKey_.reset();
    try {
        ntxKey_ = std::make_unique<Expression>(Expression::compile(ntx->info().keyExpr, dbf_.fields()));
    } catch (const Error&) {
        // Navigation works without it; seeks then take character keys as they are.
    }
    ntx_ = std::move(ntx);
    ntxPath_ = path;
    order_ = static_cast<int>(tagExprs_.size()) + 1;
    orderSynced_ = false;
}

const Expression* Table::orderKeyExpr() const {
    int tags = static_cast<int>(tagExprs_.size());
    if (order_ >= 1 && order_ <= tags) return &tagExprs_[static_cast<size_t>(order_ - 1)]->key;
    if (order_ == tags + 1 && scratchExprs_) return &scratchExprs_->key;
    if (order_ == tags + 1 && ntx_) return ntxKey_.get();
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Navigation

bool Table::visible(uint32_t recno, const uint8_t* rec) {
    if (hideDeleted_ && rec[0] == '*') return false;
    if (selection_) {
        RecordContext ctx{rec, recno, this, exact_};
        if (!selection_->evalLogical(ctx)) return false;
    }
    return true;
}

bool Table::inScope(IndexOrder& ord) const {
    auto key = ord.key();
    if (scopeTop_ && comparePrefix(key, *scopeTop_) < 0) return false;
    if (scopeBottom_) {
        size_t n = std::min(key.size(), scopeBottom_->size());
        if (std::memcmp(key.data(), scopeBottom_->data(), n) > 0) return false;
    }
    return true;
}

void Table::load(uint32_t recno) {
    dbf_.readRecord(recno, rec_.data());
    adopt(recno);
}

// Makes the record already read into rec_ the current one.
void Table::adopt(uint32_t recno) {
    orig_ = rec_;
    recno_ = recno;
    dirty_ = appending_ = false;
    pendingMemos_.clear();
    bof_ = eof_ = false;
}

void Table::setEof() {
    std::fill(rec_.begin(), rec_.end(), ' ');
    orig_ = rec_;
    recno_ = dbf_.recordCount() + 1;
    dirty_ = appending_ = false;
    pendingMemos_.clear();
    eof_ = true;
    orderSynced_ = false;
}

// Moves the order's cursor onto the current record's entry. Returns true when it stands exactly
// there, false when the entry is missing and the cursor stands on the next entry (or nowhere).
bool Table::syncOrder(IndexOrder& ord) {
    if (orderSynced_ && ord.positioned() && ord.recno() == recno_) return true;
    orderSynced_ = false;
    int tags = static_cast<int>(tagExprs_.size());
    TagExprs* te = order_ <= tags ? tagExprs_[static_cast<size_t>(order_ - 1)].get() : scratchExprs_.get();
    std::vector<uint8_t> key;
    RecordContext ctx{rec_.data(), recno_, this, false};
    if (te && te->compute(ctx, key)) {
        if (ord.find(key, recno_)) return orderSynced_ = true;
        // Not there: stand on the first entry after where it would be.
        if (ord.seek(key))
            while (ord.positioned() && prefixEquals(ord.key(), key) && ord.recno() < recno_)
                if (!ord.next()) break;
        return false;
    }
    if (!te) {
        // An order we cannot compute keys for: look for the record by walking.
        for (bool ok = ord.first(); ok; ok = ord.next())
            if (ord.recno() == recno_) return orderSynced_ = true;
    }
    ord.first();
    return false;
}

// A record filed under a key its fields do not give means a damaged index: no record is handed out
// in a wrong order. Structural tags only; a scratch order may lag behind edits by design.
void Table::checkEntry(IndexOrder& ord) {
    if (order_ <= 0 || order_ > static_cast<int>(tagExprs_.size())) return;
    TagExprs& te = *tagExprs_[static_cast<size_t>(order_ - 1)];
    RecordContext ctx{rec_.data(), ord.recno(), this, false};
    if (!te.compute(ctx, entryKey_)) return;
    auto stored = ord.key();
    if (!std::equal(stored.begin(), stored.end(), entryKey_.begin(), entryKey_.end()))
        throw FormatError(cdx_.path(), "Cannot read index",
                          "tag " + te.info.name + " files record " + std::to_string(ord.recno()) +
                              " under a key it does not have");
}

bool Table::goTop() {
    requireOpen();
    commitPending();
    bof_ = false;
    found_ = false;
    if (IndexOrder* ord = currentOrder()) {
        bool ok = scopeTop_ ? ord->seek(*scopeTop_) : ord->first();
        while (ok && inScope(*ord)) {
            dbf_.readRecord(ord->recno(), rec_.data());
            if (visible(ord->recno(), rec_.data())) {
                checkEntry(*ord);
                adopt(ord->recno());
                orderSynced_ = true;
                return true;
            }
            ok = ord->next();
        }
        setEof();
        bof_ = true;
        return false;
    }
    uint32_t hit = 0;
    dbf_.scan(1, [&](uint32_t recno, const uint8_t* rec) {
        if (!visible(recno, rec)) return true;
        hit = recno;
        std::memcpy(rec_.data(), rec, rec_.size());
        return false;
    });
    if (hit) {
        adopt(hit);
        return true;
    }
    setEof();
    bof_ = true;
    return false;
}

bool Table::goBottom() {
    requireOpen();
    commitPending();
    eof_ = false;
    found_ = false;
    if (IndexOrder* ord = currentOrder()) {
        bool ok;
        if (scopeBottom_) {
            // Past the last key with the bottom prefix, then back.
            std::vector<uint8_t> after(*scopeBottom_);
            while (!after.empty() && after.back() == 0xFF) after.pop_back();
            if (!after.empty()) ++after.back();
            ok = after.empty() ? ord->last() : (ord->seek(after) ? ord->prev() : ord->last());
        } else {
            ok = ord->last();
        }
        while (ok) {
            if (inScope(*ord)) {
                dbf_.readRecord(ord->recno(), rec_.data());
                if (visible(ord->recno(), rec_.data())) {
                    checkEntry(*ord);
                    adopt(ord->recno());
                    orderSynced_ = true;
                    return true;
                }
            } else if (scopeTop_ && comparePrefix(ord->key(), *scopeTop_) < 0) {
                break;
            }
            ok = ord->prev();
        }
        setEof();
        bof_ = true;
        return false;
    }
    for (uint32_t r = dbf_.recordCount(); r >= 1; --r) {
        dbf_.readRecord(r, rec_.data());
        if (visible(r, rec_.data())) {
            adopt(r);
            return true;
        }
    }
    setEof();
    bof_ = true;
    return false;
}

// One step of skip in the current order; false at either end (the record is then unchanged).
bool Table::step(bool forward) {
    if (IndexOrder* ord = currentOrder()) {
        bool exactly = syncOrder(*ord);
        bool ok;
        if (forward)
            ok = exactly ? ord->next() : ord->positioned();
        else
            ok = ord->positioned() ? ord->prev() : ord->last();
        while (ok && inScope(*ord)) {
            uint32_t r = ord->recno();
            dbf_.readRecord(r, rec_.data());
            if (visible(r, rec_.data())) {
                checkEntry(*ord);
                adopt(r);
                orderSynced_ = true;
                return true;
            }
            ok = forward ? ord->next() : ord->prev();
        }
        orderSynced_ = false;
        return false;
    }
    if (forward) {
        uint32_t hit = 0;
        dbf_.scan(recno_ + 1, [&](uint32_t recno, const uint8_t* rec) {
            if (!visible(recno, rec)) return true;
            hit = recno;
            std::memcpy(rec_.data(), rec, rec_.size());
            return false;
        });
        if (hit) {
            adopt(hit);
            return true;
        }
        return false;
    }
    for (uint32_t r = recno_ - 1; r >= 1; --r) {
        dbf_.readRecord(r, rec_.data());
        if (visible(r, rec_.data())) {
            adopt(r);
            return true;
        }
    }
    return false;
}

bool Table::skip(long n) {
    requireOpen();
    commitPending();
    found_ = false;
    if (n == 0) {
        if (!eof_) load(recno_);
        return !eof_;
    }
    if (eof_) {
        if (n > 0) return false;
        if (!goBottom()) return false;
        ++n;
    }
    bof_ = false;
    uint32_t here = recno_;
    for (; n > 0; --n)
        if (!step(true)) {
            setEof();
            return false;
        }
    for (; n < 0; ++n)
        if (!step(false)) {
            // Stay on the first record with the beginning flag raised.
            if (recno_ != here || !eof_) load(recno_);
            bof_ = true;
            return false;
        }
    return true;
}

bool Table::go(uint32_t recno) {
    requireOpen();
    commitPending();
    found_ = false;
    bof_ = false;
    if (recno < 1 || recno > dbf_.recordCount()) {
        setEof();
        return false;
    }
    load(recno);
    orderSynced_ = false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Seeking and scopes

std::vector<uint8_t> Table::encodeSeekKey(std::string_view key, bool pad) {
    IndexOrder* ord = currentOrder();
    if (!ord) throw Error(dbf_.path(), "Cannot seek", "no index order is selected");
    const TagInfo& info = ord->info();
    const Expression* expr = orderKeyExpr();
    ValueType type = expr ? expr->type() : ValueType::Character;
    std::vector<uint8_t> out;
    if (info.nullable) out.push_back(kNotNullMarker);
    size_t room = info.keyLength - (info.nullable ? 1 : 0);
    switch (type) {
        case ValueType::Character: {
            size_t n = std::min(key.size(), room);
            out.insert(out.end(), key.begin(), key.begin() + static_cast<long>(n));
            if (pad) out.resize(info.keyLength, ' ');
            break;
        }
        case ValueType::Numeric:
        case ValueType::Date: {
            double v = 0;
            std::string text(key);
            if (type == ValueType::Date) {
                if (!text.empty()) {
                    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string::npos)
                        throw Error(dbf_.path(), "Cannot seek", "a date key is written YYYYMMDD");
                    v = static_cast<double>(julianDay(std::stoi(text.substr(0, 4)), std::stoi(text.substr(4, 2)),
                                                      std::stoi(text.substr(6, 2))));
                }
            } else {
                char* end = nullptr;
                v = std::strtod(text.c_str(), &end);
                if (text.empty() || (end && *end != '\0' && *end != ' '))
                    throw Error(dbf_.path(), "Cannot seek", "\"" + text + "\" is not a number");
            }
            uint8_t buf[8];
            if (room == 4) {
                encodeIntKey(static_cast<int32_t>(std::llround(v)), buf);
                out.insert(out.end(), buf, buf + 4);
            } else {
                encodeDoubleKey(v, buf);
                out.insert(out.end(), buf, buf + 8);
            }
            break;
        }
        case ValueType::Logical: {
            char c = key.empty() ? 'F' : key[0];
            out.push_back((c == 'T' || c == 't' || c == 'Y' || c == 'y') ? 'T' : 'F');
            break;
        }
    }
    return out;
}

bool Table::seekEncoded(const std::vector<uint8_t>& key) {
    IndexOrder* ord = currentOrder();
    found_ = false;
    bof_ = false;
    bool ok = ord->seek(key);
    while (ok && inScope(*ord)) {
        uint32_t r = ord->recno();
        dbf_.readRecord(r, rec_.data());
        if (visible(r, rec_.data())) break;
        ok = ord->next();
    }
    if (!ok || !inScope(*ord)) {
        setEof();
        return false;
    }
    checkEntry(*ord);
    if (prefixEquals(ord->key(), key)) {
        adopt(ord->recno());
        orderSynced_ = true;
        found_ = true;
        return true;
    }
    if (softSeek_) {
        adopt(ord->recno());
        orderSynced_ = true;
    } else {
        setEof();
    }
    return false;
}

bool Table::seek(std::string_view key) {
    requireOpen();
    commitPending();
    return seekEncoded(encodeSeekKey(key, exact_));
}

bool Table::seek(double key) {
    requireOpen();
    commitPending();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", key);
    return seekEncoded(encodeSeekKey(buf, false));
}

void Table::setScope(std::string_view top, std::string_view bottom) {
    requireOpen();
    if (!currentOrder()) throw Error(dbf_.path(), "Cannot set key range", "no index order is selected");
    scopeTop_ = encodeSeekKey(top, false);
    scopeBottom_ = encodeSeekKey(bottom, false);
}

void Table::clearScope() {
    scopeTop_.reset();
    scopeBottom_.reset();
}

// ---------------------------------------------------------------------------------------------
// Selection

Expression Table::compile(std::string_view expr) const {
    requireOpen();
    // The table's alias is its file name without the extension.
    std::string alias = baseName(dbf_.path());
    alias = alias.substr(0, alias.find_last_of('.'));
    return Expression::compile(expr, dbf_.fields(), std::vector<std::string>{alias});
}

void Table::setSelection(std::string_view expr) {
    requireOpen();
    commitPending();
    bool blank = std::all_of(expr.begin(), expr.end(), [](char c) { return c == ' '; });
    if (blank) {
        selection_.reset();
        selectionText_.clear();
        return;
    }
    auto e = std::make_unique<Expression>(compile(expr));
    if (e->type() != ValueType::Logical)
        throw Error(dbf_.path(), "Cannot select records", "\"" + std::string(expr) + "\" is not a condition");
    selection_ = std::move(e);
    selectionText_ = std::string(expr);
}

uint32_t Table::countSelected() {
    requireOpen();
    commitPending();
    uint32_t n = 0;
    IndexOrder* ord = currentOrder();
    if (ord && (scopeTop_ || scopeBottom_)) {
        std::vector<uint8_t> rec(dbf_.recordLength());
        for (bool ok = scopeTop_ ? ord->seek(*scopeTop_) : ord->first(); ok && inScope(*ord); ok = ord->next()) {
            dbf_.readRecord(ord->recno(), rec.data());
            if (visible(ord->recno(), rec.data())) ++n;
        }
        orderSynced_ = false;
        return n;
    }
    dbf_.scan(1, [&](uint32_t recno, const uint8_t* rec) {
        if (visible(recno, rec)) ++n;
        return true;
    });
    return n;
}

bool Table::test(std::string_view expr) {
    Expression e = compile(expr);
    if (e.type() != ValueType::Logical)
        throw Error(dbf_.path(), "Cannot test", "\"" + std::string(expr) + "\" is not a condition");
    return e.evalLogical(context());
}

RecordContext Table::context() { return RecordContext{rec_.data(), recNo(), this, exact_}; }

// ---------------------------------------------------------------------------------------------
// The current record

bool Table::deleted() const { return !eof_ && rec_[0] == '*'; }

std::string Table::getString(int field) const {
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    return fieldio::text(rec_.data(), f);
}

double Table::getNumber(int field) const { return fieldio::number(rec_.data(), dbf_.fields().at(static_cast<size_t>(field))); }

bool Table::getLogical(int field) const { return fieldio::logical(rec_.data(), dbf_.fields().at(static_cast<size_t>(field))); }

bool Table::isNull(int field) const {
    const auto& fs = dbf_.fields();
    const Field* nf = nullptr;
    for (const auto& f : fs)
        if (f.type == '0') nf = &f;
    return fieldio::isNull(rec_.data(), fs.at(static_cast<size_t>(field)), nf);
}

std::string Table::getMemo(int field) {
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    if (!f.isMemo()) throw Error(dbf_.path(), "Cannot read memo", "field " + f.name + " is not a memo");
    auto it = pendingMemos_.find(field);
    if (it != pendingMemos_.end()) return it->second;
    uint32_t block = fieldio::memoBlock(rec_.data(), f);
    if (block == 0 || !memo_.isOpen()) return {};
    return memo_.read(block);
}

bool Table::memoEmpty(int field) {
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    if (!f.isMemo()) throw Error(dbf_.path(), "Cannot read memo", "field " + f.name + " is not a memo");
    auto it = pendingMemos_.find(field);
    if (it != pendingMemos_.end()) return it->second.empty();
    uint32_t block = fieldio::memoBlock(rec_.data(), f);
    return block == 0 || !memo_.isOpen() || memo_.length(block) == 0;
}

std::string_view Table::memoText(const uint8_t* record, const Field& field) {
    int i = dbf_.fieldIndex(field.name);
    if (i < 0) return {};
    if (record == rec_.data()) {
        auto it = pendingMemos_.find(i);
        if (it != pendingMemos_.end()) return it->second;
    }
    uint32_t block = fieldio::memoBlock(record, dbf_.fields()[static_cast<size_t>(i)]);
    if (block == 0 || !memo_.isOpen()) return {};
    memoBuf_ = memo_.read(block);
    return memoBuf_;
}

void Table::requireRecord(const char* what) const {
    requireWritable();
    if (eof_ && !appending_) throw Error(dbf_.path(), what, "there is no current record");
}

void Table::setString(int field, std::string_view value) {
    requireRecord("Cannot change field");
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    switch (f.type) {
        case 'C':
        case 'D': fieldio::setText(rec_.data(), f, value); break;
        case 'L': {
            char c = value.empty() ? ' ' : value[0];
            if (c == ' ')
                rec_[f.offset] = ' ';
            else
                fieldio::setLogical(rec_.data(), f, c == 'T' || c == 't' || c == 'Y' || c == 'y');
            break;
        }
        case 'N':
        case 'F': {
            std::string text(value);
            if (text.find_first_not_of(' ') == std::string::npos) {
                fieldio::setText(rec_.data(), f, "");
                break;
            }
            char* end = nullptr;
            double v = std::strtod(text.c_str(), &end);
            while (end && *end == ' ') ++end;
            if (!end || *end != '\0') throw Error(dbf_.path(), "Cannot change field " + f.name, "\"" + text + "\" is not a number");
            fieldio::setNumber(rec_.data(), f, v);
            break;
        }
        case 'M': setMemo(field, value); return;
        default: throw Error(dbf_.path(), "Cannot change field " + f.name, "fields of this type are read only here");
    }
    dirty_ = true;
}

void Table::setNumber(int field, double value) {
    requireRecord("Cannot change field");
    fieldio::setNumber(rec_.data(), dbf_.fields().at(static_cast<size_t>(field)), value);
    dirty_ = true;
}

void Table::setLogical(int field, bool value) {
    requireRecord("Cannot change field");
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    if (f.type != 'L') throw Error(dbf_.path(), "Cannot change field " + f.name, "the field is not logical");
    fieldio::setLogical(rec_.data(), f, value);
    dirty_ = true;
}

void Table::setMemo(int field, std::string_view text) {
    requireRecord("Cannot change memo");
    const Field& f = dbf_.fields().at(static_cast<size_t>(field));
    if (!f.isMemo()) throw Error(dbf_.path(), "Cannot change memo", "field " + f.name + " is not a memo");
    if (!memo_.isOpen() || memo_.kind() != MemoFile::Kind::Fpt)
        throw Error(dbf_.path(), "Cannot change memo", "the memo file cannot be written");
    pendingMemos_[field] = std::string(text);
    dirty_ = true;
}

void Table::appendBlank() {
    requireWritable();
    commitPending();
    std::fill(rec_.begin(), rec_.end(), ' ');
    for (const auto& f : dbf_.fields())
        if (f.type == 'I' || f.type == 'B' || f.type == 'Y' || f.type == 'T' || f.type == '0' ||
            (f.isMemo() && f.width == 4))
            std::memset(rec_.data() + f.offset, 0, f.width);
    orig_ = rec_;
    pendingMemos_.clear();
    returnTo_ = eof_ ? 0 : recno_;
    recno_ = dbf_.recordCount() + 1;
    appending_ = dirty_ = true;
    bof_ = eof_ = false;
    orderSynced_ = false;
}

void Table::commitPending() {
    if (dirty_ || appending_) post();
}

void Table::post() {
    if (!dirty_ && !appending_) return;
    requireWritable();
    if (eof_ && !appending_) throw Error(dbf_.path(), "Cannot save", "there is no current record");
    checkCandidates();
    if (!tagExprs_.empty()) markIndexDirty();
    // Memos first: a record never points to blocks that are not written yet.
    for (auto& [field, text] : pendingMemos_) {
        const Field& f = dbf_.fields()[static_cast<size_t>(field)];
        uint32_t block = memo_.write(text);
        fieldio::setMemoBlock(rec_.data(), f, block);
    }
    pendingMemos_.clear();
    bool wasAppend = appending_;
    uint32_t recno = wasAppend ? dbf_.appendRecord(rec_.data()) : recno_;
    if (!wasAppend) dbf_.writeRecord(recno, rec_.data());
    recno_ = recno;
    appending_ = dirty_ = false;
    for (size_t i = 0; i < tagExprs_.size(); ++i) {
        TagExprs& te = *tagExprs_[i];
        bool oldIn = false;
        if (!wasAppend) {
            RecordContext octx{orig_.data(), recno, this, false};
            oldIn = te.compute(octx, te.oldKey);
        }
        RecordContext nctx{rec_.data(), recno, this, false};
        bool newIn = te.compute(nctx, te.newKey);
        if (oldIn == newIn && (!oldIn || te.oldKey == te.newKey)) continue;
        IndexOrder& ord = cdx_.tag(i);
        if (oldIn) ord.remove(te.oldKey, recno);
        if (newIn) ord.insert(te.newKey, recno);
    }
    orig_ = rec_;
    orderSynced_ = false;
}

// A candidate key (Visual FoxPro) may appear only once; refuse a post that would repeat one.
void Table::checkCandidates() {
    for (size_t i = 0; i < tagExprs_.size(); ++i) {
        TagExprs& te = *tagExprs_[i];
        if (!te.info.candidate) continue;
        RecordContext ctx{rec_.data(), appending_ ? dbf_.recordCount() + 1 : recno_, this, false};
        if (!te.compute(ctx, te.newKey)) continue;
        IndexOrder& ord = cdx_.tag(i);
        orderSynced_ = false;
        for (bool ok = ord.seek(te.newKey); ok && prefixEquals(ord.key(), te.newKey); ok = ord.next())
            if (appending_ || ord.recno() != recno_)
                throw Error(dbf_.path(), "Cannot save record",
                            "its key is already in the candidate tag " + te.info.name);
    }
}

void Table::cancel() {
    if (appending_) {
        appending_ = dirty_ = false;
        pendingMemos_.clear();
        if (returnTo_ && returnTo_ <= dbf_.recordCount())
            load(returnTo_);
        else
            setEof();
        return;
    }
    rec_ = orig_;
    dirty_ = false;
    pendingMemos_.clear();
}

void Table::deleteRecord() {
    requireRecord("Cannot delete");
    rec_[0] = '*';
    dirty_ = true;
    post();
}

void Table::recall() {
    requireRecord("Cannot recall");
    rec_[0] = ' ';
    dirty_ = true;
    post();
}

// ---------------------------------------------------------------------------------------------
// Pack and zap

// Completes or discards a pack that was interrupted: once the marker exists both new files are
// complete and only the renames may be missing.
void Table::recoverPack(const std::string& path, bool writable) {
    std::string marker = packMarker(path);
    std::string memoPath = findSibling(path, ".fpt");
    if (memoPath.empty()) memoPath = siblingFor(path, ".FPT");
    std::string indexPath = findSibling(path, ".cdx");
    if (indexPath.empty()) indexPath = siblingFor(path, ".CDX");
    bool committed = File::exists(marker);
    bool leftovers = File::exists(packTemp(path)) || File::exists(packTemp(memoPath)) || File::exists(packTemp(indexPath));
    if (!committed && !leftovers) return;
    if (!writable) {
        if (committed)
            throw Error(path, "Cannot open",
                        "a pack was interrupted; open the table for writing (for example with the batch tool's check "
                        "verb) to complete it");
        return;
    }
    if (committed) {
        if (File::exists(packTemp(indexPath))) File::rename(packTemp(indexPath), indexPath);
        if (File::exists(packTemp(memoPath))) File::rename(packTemp(memoPath), memoPath);
        if (File::exists(packTemp(path))) File::rename(packTemp(path), path);
        File::remove(marker);
    } else {
        File::remove(packTemp(path));
        File::remove(packTemp(memoPath));
        File::remove(packTemp(indexPath));
    }
}

void Table::pack(const ProgressFn& progress) {
    requireWritable();
    commitPending();
    const std::string path = dbf_.path();
    const bool packMemo = memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt;
    const std::string memoPath = packMemo ? memo_.path() : std::string();
    const std::string dbfTemp = packTemp(path);
    const std::string memoTemp = packMemo ? packTemp(memoPath) : std::string();
    ProgressFn report = progress ? progress : progress_;
    // The tags the packed table gets, built before anything is renamed.
    const bool wasOpen = cdx_.isOpen();
    const bool hadIndex = wasOpen || indexState_ == IndexState::Stale;
    const bool keepComplete = wasOpen || staleTagsComplete_;
    std::vector<TagInfo> tags;
    if (wasOpen)
        for (size_t i = 0; i < cdx_.tagCount(); ++i) tags.push_back(cdx_.tag(i).info());
    else
        tags = staleTags_;
    const bool newIndex = hadIndex && keepComplete;
    const std::string cdxPath = indexPath();
    const std::string cdxTemp = packTemp(cdxPath);

    try {
        if (newIndex) sizeTagKeys(tags);
        // The new table keeps the old header byte for byte; only the count changes.
        std::vector<uint8_t> header(dbf_.headerLength());
        dbf_.file().readExact(header.data(), header.size(), 0, "header");
        File out(dbfTemp, File::Mode::CreateTruncate);
        out.writeAt(header.data(), header.size(), 0);
        MemoFile newMemo;
        if (packMemo) {
            MemoFile::createFpt(memoTemp, memo_.blockSize());
            newMemo.open(memoTemp, MemoFile::Kind::Fpt, true);
        }
        const uint32_t total = dbf_.recordCount();
        const uint16_t len = dbf_.recordLength();
        std::vector<uint8_t> batch;
        batch.reserve(size_t(len) * 1024);
        uint64_t written = 0;
        uint64_t offset = header.size();
        int last = -1;
        std::vector<uint8_t> rec(len);
        dbf_.scan(1, [&](uint32_t recno, const uint8_t* src) {
            if (src[0] != '*') {
                std::memcpy(rec.data(), src, len);
                if (packMemo)
                    for (const auto& f : dbf_.fields()) {
                        if (!f.isMemo()) continue;
                        uint32_t block = fieldio::memoBlock(rec.data(), f);
                        if (block == 0) continue;
                        uint32_t type = 1;
                        std::string text = memo_.read(block, &type);
                        fieldio::setMemoBlock(rec.data(), f, newMemo.write(text, type));
                    }
                batch.insert(batch.end(), rec.begin(), rec.end());
                ++written;
                if (batch.size() >= size_t(len) * 1024) {
                    out.writeAt(batch.data(), batch.size(), offset);
                    offset += batch.size();
                    batch.clear();
                }
            }
            int pct = static_cast<int>(uint64_t(recno) * 100 / total);
            if (report && pct != last) report(pct);
            last = pct;
            return true;
        });
        batch.push_back(0x1A);
        out.writeAt(batch.data(), batch.size(), offset);
        uint8_t count[4];
        for (int i = 0; i < 4; ++i) count[i] = static_cast<uint8_t>(written >> (8 * i));
        out.writeAt(count, 4, 4);
        out.sync();
        out.close();
        if (packMemo) {
            newMemo.close();
            File(memoTemp, File::Mode::ReadWrite).sync();
        }
        if (newIndex) {
            writeIndexFile(cdxTemp, tags, true, static_cast<uint32_t>(written), progress);
            File(cdxTemp, File::Mode::ReadWrite).sync();
        }
        File(packMarker(path), File::Mode::CreateTruncate).sync();
    } catch (const Error& e) {
        File::remove(dbfTemp);
        if (packMemo) File::remove(memoTemp);
        File::remove(cdxTemp);
        // The cause without the names of the files being written.
        std::string cause = e.cause();
        if (!e.operation().empty()) {
            std::string op = e.operation();
            op[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(op[0])));
            cause = op + ": " + cause;
        }
        throw Error(path, "Cannot pack", cause + "; the table was left as it was");
    } catch (...) {
        File::remove(dbfTemp);
        if (packMemo) File::remove(memoTemp);
        File::remove(cdxTemp);
        throw;
    }
    // From here on the pack is committed: a crash is completed by the next open.
    int orderKeep = order_ <= static_cast<int>(tagExprs_.size()) ? order_ : 0;
    cdx_.close();
    tagExprs_.clear();
    memo_.close();
    dbf_.close();
    recoverPack(path, true);
    dbf_.open(path, true);
    if (!dbf_.file().tryLock(true)) throw LockError(path, "Cannot reopen after pack", "the file was taken by another program");
    if (packMemo) memo_.open(memoPath, MemoFile::Kind::Fpt, true);
    rec_.assign(dbf_.recordLength(), ' ');
    orig_ = rec_;
    if (newIndex) {
        cdx_.open(cdxPath, true);
        compileTagExprs();
        indexState_ = IndexState::Ok;
        indexProblem_.clear();
        staleTags_.clear();
        staleTagsComplete_ = true;
        indexDirty_ = false;
        dbf_.setStructuralFlag(true);
        order_ = orderKeep;
    } else if (hadIndex && !keepComplete) {
        // A damaged index that no longer tells its tags stays reported.
        staleTags_ = tags;
        staleTagsComplete_ = false;
        indexState_ = IndexState::Stale;
    }
    goTop();
}

void Table::zap() {
    requireWritable();
    pendingMemos_.clear();
    dirty_ = appending_ = false;
    markIndexDirty();
    dbf_.zap();
    if (memo_.isOpen() && memo_.kind() == MemoFile::Kind::Fpt) memo_.zap();
    if (cdx_.isOpen() || (indexState_ == IndexState::Stale && staleTagsComplete_)) reindex();
    setEof();
    bof_ = true;
}

}  // namespace addrova::store
