// Evaluation must not allocate: this program counts every operator new while evaluating.

#include "Expr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#if defined(__GNUC__) && !defined(__clang__)
// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t n) {
    if (counting) ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace addrova::store;

TEST(ExprAlloc, EvaluationDoesNotAllocate) {
    std::vector<Field> fields;
    auto add = [&](const char* name, char type, uint16_t width, uint32_t offset, int nullBit = -1) {
        Field f;
        f.name = name;
        f.type = type;
        f.width = width;
        f.offset = offset;
        f.nullBit = nullBit;
        fields.push_back(f);
    };
    add("LNAME", 'C', 30, 1);
    add("FNAME", 'C', 30, 31);
    add("AMOUNT", 'N', 10, 61);
    add("BIRTH", 'D', 8, 71);
    add("ISDEL", 'L', 1, 79);
    add("NICK", 'C', 10, 80, 0);
    add("_NullFlags", '0', 1, 90);
    std::vector<uint8_t> rec(91, ' ');
    std::memcpy(&rec[1], "smith", 5);
    std::memcpy(&rec[31], "john", 4);
    std::memcpy(&rec[61], "  12345.67", 10);
    std::memcpy(&rec[71], "19991231", 8);
    rec[79] = 'F';
    rec[90] = 1;

    const char* texts[] = {
        "UPPER(LNAME)=\"SM\" .and. !ISDEL",
        "UPPER(LNAME)+UPPER(FNAME)",
        "UPPER(LNAME-FNAME)",
        "DTOS(BIRTH) + STR(AMOUNT, 12, 2) + STR(AMOUNT)",
        "LEFT(LNAME, 3) + SUBSTR(FNAME, 2, 2) + RIGHT(TRIM(LNAME), 2) + ALLTRIM(NICK) + SPACE(3)",
        "PADL(TRIM(LNAME), 20, '.') + IIF(ISDEL, 'D', ' ') + CHR(65)",
        "VAL(STR(AMOUNT, 10, 2)) * 2 + LEN(TRIM(LNAME)) + ROUND(AMOUNT, 1)",
        "'mit' $ LNAME .or. EMPTY(NICK) .and. BIRTH - 1 < {^2000-01-01}",
        "LOWER(LNAME) == 'smith' + SPACE(25)",
        "AMOUNT",
        "BIRTH + 30",
    };
    std::vector<Expression> exprs;
    for (const char* t : texts) exprs.push_back(Expression::compile(t, fields));

    RecordContext ctx;
    ctx.record = rec.data();
    ctx.recno = 1;
    uint8_t key[100];
    double sink = 0;
    counting = true;
    for (int exact = 0; exact < 2; ++exact) {
        ctx.exact = exact != 0;
        for (const Expression& e : exprs) {
            switch (e.type()) {
                case ValueType::Logical:
                    sink += e.evalLogical(ctx);
                    break;
                case ValueType::Character:
                    sink += double(e.evalString(ctx).size());
                    break;
                default:
                    sink += e.evalNumber(ctx);
                    break;
            }
            e.evalKey(ctx, key, e.length() < sizeof key ? e.length() : sizeof key);
            e.evalKey(ctx, key, 4);
        }
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_NE(sink, 0);
}
