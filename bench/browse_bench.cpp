// addrova-browse-bench: the browse grid's model over a large address file. Each step runs in a
// child process of its own, so that the peak resident set size wait4() reports is that step's.
//
//   addrova-browse-bench [--records N] [--file PATH] [--page ROWS]
//
// The file (default /tmp/addrova-browse-N.dbf) is made with the demonstration records and the 26
// tags when it does not exist. Steps: open (open, LNAME order, "!ISDEL", model with its count),
// filter (a filter on the last name applied: build, test, count), scroll (every page of the model
// from the top to the bottom: rowCount and data() of every shown cell), scroll-filtered (the same
// under the filter), jump (100 pages at random places).

#include "AddressFile.h"
#include "BrowseModel.h"
#include "DemoData.h"
#include "FilterCore.h"
#include "ProgramDir.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

using namespace addrova;

namespace {

struct Outcome {
    int ok = 0;
    double seconds = 0;
    long long value = 0;
    char note[256] = {};
};

struct Config {
    long long records = 1000000;
    int page = 30;
    std::string file;
};

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void makeFile(const Config& cfg)
{
    struct stat st;
    if (stat(cfg.file.c_str(), &st) == 0)
        return;
    std::fprintf(stderr, "Making %s with %lld records...\n", cfg.file.c_str(), cfg.records);
    store::Table::create(cfg.file, store::addressSchema(store::defaultWidths()));
    store::Table t;
    t.open(cfg.file);
    demo::AppendDemoRecords(t, cfg.records, 1997);
    store::buildAddressTags(t);
    t.close();
}

void openTable(const Config& cfg, store::Table& t)
{
    t.open(cfg.file);
    t.setOrder("LNAME");
    t.setSelection("!ISDEL");
    t.goTop();
}

filters::FilterState theFilter()
{
    filters::FilterState st;
    st.criteria[0] = "M;S";  // last names beginning with M or S
    return st;
}

// Every page from the top: what a grid asks for while its scroll bar is pulled to the bottom.
long long scrollAll(filters::BrowseModel& m, int page)
{
    long long cells = 0;
    const int cols = m.columnCount();
    for (int top = 0; top < m.rowCount(); top += page) {
        const int rows = m.rowCount();
        for (int r = top; r < std::min(top + page, rows); ++r)
            for (int c = 0; c < cols; ++c)
                cells += m.data(m.index(r, c)).toString().size() > 0;
    }
    return cells;
}

void stepOpen(const Config& cfg, Outcome& out)
{
    double t0 = now();
    store::Table t;
    openTable(cfg, t);
    filters::BrowseModel m(t, "T1", false);
    m.data(m.index(0, 1));
    out.seconds = now() - t0;
    out.value = m.rowCount();
    std::snprintf(out.note, sizeof out.note, "%d rows", m.rowCount());
}

void stepFilter(const Config& cfg, Outcome& out)
{
    store::Table t;
    openTable(cfg, t);
    double t0 = now();
    filters::FilterState st = theFilter();
    filters::FilterResult r = filters::applyFilterTo(t, st, "T1");
    out.seconds = now() - t0;
    out.value = r.count;
    std::snprintf(out.note, sizeof out.note, "%u records match", r.count);
}

void stepScroll(const Config& cfg, Outcome& out, bool filtered)
{
    store::Table t;
    openTable(cfg, t);
    if (filtered) {
        filters::FilterState st = theFilter();
        filters::applyFilterTo(t, st, "T1");
    }
    filters::BrowseModel m(t, "T1", false);
    double t0 = now();
    long long cells = scrollAll(m, cfg.page);
    out.seconds = now() - t0;
    out.value = m.rowCount();
    std::snprintf(out.note, sizeof out.note, "%d rows, %d pages, %lld cells filled, %llu skips, %zu blocks held",
                  m.rowCount(), (m.rowCount() + cfg.page - 1) / cfg.page, cells,
                  static_cast<unsigned long long>(m.skips()), m.blocksHeld());
}

void stepJump(const Config& cfg, Outcome& out)
{
    store::Table t;
    openTable(cfg, t);
    filters::BrowseModel m(t, "T1", false);
    demo::Rng rng(7);
    double t0 = now();
    const int cols = m.columnCount();
    for (int i = 0; i < 100; ++i) {
        const int top = static_cast<int>(rng.below(static_cast<uint32_t>(std::max(1, m.rowCount() - cfg.page))));
        for (int r = top; r < top + cfg.page && r < m.rowCount(); ++r)
            for (int c = 0; c < cols; ++c)
                m.data(m.index(r, c));
    }
    out.seconds = now() - t0;
    out.value = 100;
    std::snprintf(out.note, sizeof out.note, "100 pages at random rows, %llu skips",
                  static_cast<unsigned long long>(m.skips()));
}

bool runChild(const char* name, const std::function<void(Outcome&)>& fn)
{
    void* mem = mmap(nullptr, sizeof(Outcome), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    auto* shared = new (mem) Outcome();
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        try {
            fn(*shared);
            shared->ok = 1;
        } catch (const std::exception& e) {
            std::snprintf(shared->note, sizeof shared->note, "%s", e.what());
        }
        _exit(0);
    }
    int status = 0;
    struct rusage ru {};
    wait4(pid, &status, 0, &ru);
    const double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                       static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("| %s | %.3f | %.2f | %.1f | %s |\n", name, shared->seconds, cpu, ru.ru_maxrss / 1024.0,
                shared->ok ? shared->note : (std::string("FAILED: ") + shared->note).c_str());
    bool ok = shared->ok;
    munmap(mem, sizeof(Outcome));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    Config cfg;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--records"))
            cfg.records = std::atoll(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--file"))
            cfg.file = argv[i + 1];
        else if (!std::strcmp(argv[i], "--page"))
            cfg.page = std::max(1, std::atoi(argv[i + 1]));
    }
    if (cfg.file.empty())
        cfg.file = "/tmp/addrova-browse-" + std::to_string(cfg.records) + ".dbf";
    try {
        makeFile(cfg);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%s, page of %d rows\n\n| Step | s | CPU s (child) | peak RSS MiB | Result |\n|---|---:|---:|---:|---|\n", cfg.file.c_str(),
                cfg.page);
    bool ok = true;
    ok &= runChild("open (count, first page)", [&](Outcome& o) { stepOpen(cfg, o); });
    ok &= runChild("apply filter M;S", [&](Outcome& o) { stepFilter(cfg, o); });
    ok &= runChild("scroll top to bottom", [&](Outcome& o) { stepScroll(cfg, o, false); });
    ok &= runChild("scroll filtered", [&](Outcome& o) { stepScroll(cfg, o, true); });
    ok &= runChild("jump to 100 random pages", [&](Outcome& o) { stepJump(cfg, o); });
    return ok ? 0 : 1;
}
