// The steps on Addrova's table engine.

#include "Bench.h"
#include "DemoData.h"

#include "Table.h"

#include <sys/stat.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace bench {

using addrova::store::FieldSpec;
using addrova::store::OpenMode;
using addrova::store::Table;

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Field numbers by name, so a change of the table layout cannot silently shift them.
std::vector<int> fieldNumbers(const Table& t) {
    std::vector<int> n(F_COUNT);
    for (int f = 0; f < F_COUNT; ++f) {
        n[f] = t.fieldIndex(kFields[f].name);
        if (n[f] < 0) throw std::runtime_error(std::string("the table has no field ") + kFields[f].name);
    }
    return n;
}

}  // namespace

void oursAppend(const Config& cfg, Outcome& out) {
    for (const auto& p : {cfg.dbfPath(), cfg.cdxPath(), cfg.fptPath()}) std::remove(p.c_str());
    std::vector<FieldSpec> specs;
    for (const auto& f : kFields) specs.push_back({f.name, f.type, f.width, 0});
    Generator gen(cfg.seed);
    Record r;

    Stopwatch sw;
    Table::create(cfg.dbfPath(), specs);
    Table t;
    t.open(cfg.dbfPath(), OpenMode::Exclusive);
    std::vector<int> fn = fieldNumbers(t);
    uint64_t memos = 0;
    t.beginBatch();  // like SQLite's single transaction
    for (uint32_t i = 0; i < cfg.records; ++i) {
        gen.make(i, r);
        t.appendBlank();
        for (int f = 0; f < F_COUNT; ++f) {
            if (f == F_ISDEL || f == F_MEMO) continue;
            t.setString(fn[f], r.text[f]);
        }
        t.setLogical(fn[F_ISDEL], r.isdel);
        if (!r.text[F_MEMO].empty()) {
            t.setMemo(fn[F_MEMO], r.text[F_MEMO]);
            ++memos;
        }
        t.post();
    }
    t.endBatch();
    out.value[0] = t.recCount();
    out.value[1] = static_cast<int64_t>(memos);
    t.close();
    out.seconds = sw.seconds();
}

void oursIndex(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::Exclusive);
    for (const auto& tag : kTags) t.createTag(tag.name, tag.xbase);
    out.value[0] = t.orderCount();
    t.close();
    out.seconds = sw.seconds();
}

void oursCount(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::ReadOnly);
    t.setSelection("UPPER(LNAME)=\"SM\" .AND. !ISDEL");
    out.value[0] = t.countSelected();
    t.close();
    out.seconds = sw.seconds();
}

void oursSeek(const Config& cfg, Outcome& out) {
    std::vector<SeekKey> keys = makeSeekKeys(cfg);
    int64_t expected = 0;
    for (const auto& k : keys) expected += k.hit;

    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::ReadOnly);
    t.setOrder("LNAME");
    int64_t found = 0;
    for (const auto& k : keys)
        if (t.seek(k.key)) ++found;
    t.close();
    out.seconds = sw.seconds();
    out.value[0] = found;
    out.value[1] = expected;
}

void oursSkip(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::ReadOnly);
    std::vector<int> fn = fieldNumbers(t);
    t.setOrder("LNAME");
    WalkHash hash;
    int64_t n = 0;
    for (t.goTop(); !t.eof(); t.skip()) {
        std::string lname = t.getString(fn[F_LNAME]);
        std::string fname = t.getString(fn[F_FNAME]);
        hash.add(lname.data(), lname.size());
        hash.add(fname.data(), fname.size());
        ++n;
    }
    t.close();
    out.seconds = sw.seconds();
    out.value[0] = n;
    out.value[1] = static_cast<int64_t>(hash.h);
}

void oursMark(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::Exclusive);
    std::vector<int> fn = fieldNumbers(t);
    int64_t marked = 0;
    uint32_t total = t.recCount();
    for (uint32_t r = 1; r <= total; ++r) {
        if (!markedForPack(cfg.seed, r)) continue;
        t.go(r);
        t.setLogical(fn[F_ISDEL], true);
        t.deleteRecord();
        ++marked;
    }
    t.close();
    out.seconds = sw.seconds();
    out.value[0] = marked;
}

void oursPack(const Config& cfg, Outcome& out) {
    Stopwatch sw;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::Exclusive);
    t.pack();
    out.value[0] = t.recCount();
    out.value[1] = t.orderCount();
    t.close();
    out.seconds = sw.seconds();
}

void oursProbe(const Config& cfg, Outcome& out) {
    out.value[0] = -1;
    if (!exists(cfg.dbfPath())) return;
    Table t;
    t.open(cfg.dbfPath(), OpenMode::ReadOnly);
    out.value[0] = t.indexState() == addrova::store::IndexState::Ok ? t.orderCount() : 0;
    out.value[1] = t.recCount();
    t.close();
}

}  // namespace bench
