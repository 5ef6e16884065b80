// xBase expression compiler and evaluator.
//
// compile() turns the text into a flat array of typed nodes. Every node that produces text of its
// own gets a buffer of its longest result, carved out of one arena allocated at compile time, so
// evaluation only writes into those buffers (or returns views into the record, the literals or
// the memo text) and never allocates.
//
// Text evaluation takes a limit: the caller needs only the first `limit` bytes, and the result is
// exactly min(full length, limit) bytes long. `UPPER(LNAME) = "SM"` thus upper-cases two bytes,
// and an index key is never built past its key length.

#include "Expr.h"

#include "KeyCodec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

namespace addrova::store {

namespace exprc {

[[noreturn]] void evalError(const std::string& text, const std::string& cause);

constexpr size_t kMaxNodeLen = size_t(1) << 20;  // longest text any node produces
constexpr size_t kMemoLen = 65536;               // memo text kept by nodes that copy it
constexpr size_t kVarLen = 254;                  // SPACE/PADx of a computed length
constexpr size_t kStrLen = 255;                  // longest STR() result
constexpr size_t kMaxArena = size_t(32) << 20;   // all buffers of one expression
constexpr int kMaxNesting = 100;                 // parentheses, calls and unary operators
constexpr int kMaxDepth = 256;                   // height of the node tree
constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

enum class Op : uint8_t {
    // Character
    ConstS,
    FieldC,
    FieldV,
    FieldMemo,
    Upper,
    Lower,
    Left,
    Right,
    Substr,
    RTrim,
    LTrim,
    AllTrim,
    Space,
    Str,
    Dtos,
    Concat,
    PadL,
    PadR,
    PadC,
    Chr,
    Soundex,
    IifS,
    // Numeric and Date
    ConstN,
    FieldN,
    FieldI,
    FieldB,
    FieldY,
    FieldD,
    FieldT,
    Neg,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    Len,
    Val,
    Recno,
    Today,
    Int,
    Abs,
    Round,
    Year,
    Month,
    Day,
    At,
    Asc,
    Max,
    Min,
    Difference,
    IifN,
    // Logical
    ConstL,
    FieldL,
    Not,
    And,
    Or,
    CmpS,
    CmpN,
    CmpL,
    Contains,
    Empty,
    Deleted,
    IifL,
};

enum Rel : uint8_t { RelEq, RelExactEq, RelNe, RelLt, RelLe, RelGt, RelGe };

struct Node {
    Op op = Op::ConstL;
    ValueType type = ValueType::Logical;
    uint8_t rel = 0;       // CmpX: the relation; Concat: 1 when some operand is joined with '-'
    uint8_t nargs = 0;     // arguments given (optional ones included)
    uint8_t nullMask = 0;  // field: bit in record[nullByte] telling NULL, 0 when not nullable
    uint16_t depth = 1;
    uint32_t a = 0, b = 0, c = 0;  // operands; Concat: first index and count in Impl::args
    uint32_t off = 0, width = 0;   // field place in the record
    uint32_t nullByte = 0;
    uint32_t varByte = 0;  // FieldV: bit in record[varByte] telling the value is shorter
    uint8_t varMask = 0;
    uint32_t maxLen = 0;            // Character: longest result
    uint32_t bufLen = 0;            // bytes of arena this node owns
    double num = 0;                 // ConstN / ConstL value
    const uint8_t* text = nullptr;  // constant text: literal, blanks for NULL / SPACE
    uint8_t* buf = nullptr;         // result buffer
};

struct View {
    const uint8_t* p;
    size_t n;
};

constexpr std::array<uint8_t, 256> makeCaseTable(bool upper) {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        int c = i;
        if (upper) {
            if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
        } else {
            if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
        }
        t[i] = static_cast<uint8_t>(c);
    }
    return t;
}
constexpr std::array<uint8_t, 256> kUpper = makeCaseTable(true);
constexpr std::array<uint8_t, 256> kLower = makeCaseTable(false);

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A run-time number used as a count or position: truncated, NaN and negatives as 0.
size_t toCount(double v) {
    if (!(v > 0)) return 0;
    if (v >= 1e15) return size_t(1e15);
    return static_cast<size_t>(v);
}

bool isBlankByte(uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0;
}

// Leading number of text as VAL() and N fields read it: blanks, sign, digits, fraction,
// exponent; anything else ends it. No number gives 0.
double parseNumber(const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == 0)) ++i;
    size_t signAt = i;
    bool neg = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) {
        neg = p[i] == '-';
        ++i;
    }
    size_t start = i;
    uint64_t mant = 0;
    int sig = 0, frac = 0;
    bool dot = false, digits = false, slow = false;
    for (; i < n; ++i) {
        uint8_t c = p[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (mant != 0 || c != '0') ++sig;
            mant = mant * 10 + (c - '0');
            if (dot) ++frac;
            if (sig > 15 || frac > 22) slow = true;
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            if ((c == 'e' || c == 'E') && digits) slow = true;
            break;
        }
    }
    if (!digits) return 0;
    if (!slow) {
        double v = static_cast<double>(mant);
        if (frac) v /= kPow10[frac];
        return neg ? -v : v;
    }
    // Long or exponent form: let the exact converter read it (it stops where the number ends).
    const char* b = reinterpret_cast<const char*>(p);
    double v = 0;
    auto r = std::from_chars(b + (neg ? signAt : start), b + n, v);
    if (r.ec != std::errc()) return 0;
    return v;
}

double parseDate(const uint8_t* p, size_t n) {
    if (n < 8) return 0;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return 0;
        v[i] = p[i] - '0';
    }
    int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    int m = v[4] * 10 + v[5];
    int d = v[6] * 10 + v[7];
    return static_cast<double>(julianDay(y, m, d));
}

template <typename T>
T readLE(const uint8_t* p, size_t width) {
    uint8_t b[sizeof(T)] = {};
    std::memcpy(b, p, std::min(width, sizeof(T)));
    uint64_t u = 0;
    for (size_t i = sizeof(T); i-- > 0;) u = (u << 8) | b[i];
    T v;
    if constexpr (sizeof(T) == 8) {
        std::memcpy(&v, &u, 8);
    } else {
        uint32_t w = static_cast<uint32_t>(u);
        std::memcpy(&v, &w, 4);
    }
    return v;
}

constexpr long kFirstDay = 1721426;  // 0001-01-01
constexpr long kLastDay = 5373484;   // 9999-12-31

void writeDtos(double v, uint8_t* out) {
    double f = std::floor(v);
    if (!(f >= kFirstDay && f <= kLastDay)) {
        std::memset(out, ' ', 8);
        return;
    }
    int y, m, d;
    civilFromJulian(static_cast<long>(f), y, m, d);
    out[0] = uint8_t('0' + y / 1000);
    out[1] = uint8_t('0' + y / 100 % 10);
    out[2] = uint8_t('0' + y / 10 % 10);
    out[3] = uint8_t('0' + y % 10);
    out[4] = uint8_t('0' + m / 10);
    out[5] = uint8_t('0' + m % 10);
    out[6] = uint8_t('0' + d / 10);
    out[7] = uint8_t('0' + d % 10);
}

// The 15 significant digits of x >= 0 (as FoxPro keeps them): x = 0.D0D1..D14 * 10^exp.
void significantDigits(double x, char* digits, int& exp) {
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    // "d.dddddddddddddde+XX"
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 14);
    const char* e = buf + 16;  // 'e'
    int ev = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, ev);
    exp = ev + 1;
    if (buf[0] == '0') exp = 1;  // zero
}

// Decimal digits of round(x * 10^scale) for x >= 0, rounding half away from zero on the 15
// significant digits. Writes at most cap digits (no leading zeros, "0" for zero) and returns the
// count, or cap + 1 when the number has more digits than cap.
size_t roundedDigits(double x, int scale, char* out, size_t cap) {
    if (scale >= 0 && x < 1e15 && x == std::floor(x)) {
        // Whole numbers are exact: their digits, then zeros.
        char tmp[16];
        size_t k = 0;
        uint64_t v = static_cast<uint64_t>(x);
        do {
            tmp[k++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        bool zero = k == 1 && tmp[0] == '0';
        size_t n = zero ? 1 : k + size_t(scale);
        if (n > cap) return cap + 1;
        for (size_t i = 0; i < k; ++i) out[i] = tmp[k - 1 - i];
        if (!zero) std::memset(out + k, '0', size_t(scale));
        return n;
    }
    char d[15];
    int exp;
    significantDigits(x, d, exp);
    long kept = long(exp) + scale;  // digits before the rounding position
    if (kept <= 0) {
        out[0] = (kept == 0 && d[0] >= '5') ? '1' : '0';
        return 1;
    }
    if (size_t(kept) > cap) return cap + 1;
    size_t n = size_t(kept);
    for (size_t i = 0; i < n; ++i) out[i] = i < 15 ? d[i] : '0';
    if (n < 15 && d[n] >= '5') {
        size_t i = n;
        while (i > 0 && out[i - 1] == '9') out[--i] = '0';
        if (i > 0) {
            ++out[i - 1];
        } else {
            if (n + 1 > cap) return cap + 1;
            std::memmove(out + 1, out, n);
            out[0] = '1';
            ++n;
        }
    }
    size_t z = 0;
    while (z + 1 < n && out[z] == '0') ++z;
    if (z) {
        std::memmove(out, out + z, n - z);
        n -= z;
    }
    return n;
}

// STR(v, len, dec): right-aligned in len bytes, rounded; decimals are given up before the
// integer part, and a number whose integer part does not fit is all '*'.
void formatStr(double v, size_t len, size_t dec, uint8_t* out) {
    if (len == 0) return;
    if (!std::isfinite(v)) {
        std::memset(out, '*', len);
        return;
    }
    dec = std::min(dec, len);
    char digits[kStrLen + 2];
    for (;;) {
        size_t n = roundedDigits(std::fabs(v), int(dec), digits, len + 1);
        if (n <= len + 1) {
            bool zero = n == 1 && digits[0] == '0';
            size_t neg = (v < 0 && !zero) ? 1 : 0;
            size_t intLen = n > dec ? n - dec : 1;
            size_t total = neg + intLen + (dec ? dec + 1 : 0);
            if (total <= len) {
                size_t pad = len - total;
                std::memset(out, ' ', pad);
                uint8_t* o = out + pad;
                if (neg) *o++ = '-';
                if (n > dec) {
                    std::memcpy(o, digits, intLen);
                } else {
                    *o = '0';
                }
                o += intLen;
                if (dec) {
                    *o++ = '.';
                    size_t fracDigits = std::min(n, dec);  // the low digits; zeros before them
                    std::memset(o, '0', dec - fracDigits);
                    std::memcpy(o + (dec - fracDigits), digits + (n - fracDigits), fracDigits);
                }
                return;
            }
            if (dec > 0) {
                // Give up decimals: keep what fits beside the integer part and the point.
                size_t room = len > neg + intLen + 1 ? len - neg - intLen - 1 : 0;
                dec = std::min(dec - 1, room);
                continue;
            }
        } else if (dec > 0) {
            dec = 0;
            continue;
        }
        std::memset(out, '*', len);
        return;
    }
}

double roundTo(double x, double places) {
    if (!std::isfinite(x)) return x;
    double pl = std::trunc(places);
    if (!(pl > -16)) pl = -16;
    if (pl > 20) pl = 20;
    int scale = int(pl);
    char digits[40];
    size_t n = roundedDigits(std::fabs(x), scale, digits, 30);
    if (n > 30) return x;  // more digits than rounding can touch
    char text[48];
    std::memcpy(text, digits, n);
    text[n] = 'e';
    auto r = std::to_chars(text + n + 1, text + sizeof text, -scale);
    double v = 0;
    std::from_chars(text, r.ptr, v);
    return x < 0 ? -v : v;
}

double today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return 0;
    return static_cast<double>(julianDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday));
}

// Three-way comparison of text as unsigned bytes.
int compareBytes(View a, View b) {
    size_t n = std::min(a.n, b.n);
    int c = n ? std::memcmp(a.p, b.p, n) : 0;
    if (c) return c;
    return a.n < b.n ? -1 : (a.n > b.n ? 1 : 0);
}

// Comparison with the shorter side padded with blanks.
int comparePadded(View a, View b) {
    size_t n = std::min(a.n, b.n);
    int c = n ? std::memcmp(a.p, b.p, n) : 0;
    if (c) return c;
    for (size_t i = n; i < a.n; ++i)
        if (a.p[i] != ' ') return a.p[i] < ' ' ? -1 : 1;
    for (size_t i = n; i < b.n; ++i)
        if (b.p[i] != ' ') return b.p[i] < ' ' ? 1 : -1;
    return 0;
}

bool relHolds(uint8_t rel, int c) {
    switch (rel) {
        case RelEq:
        case RelExactEq:
            return c == 0;
        case RelNe:
            return c != 0;
        case RelLt:
            return c < 0;
        case RelLe:
            return c <= 0;
        case RelGt:
            return c > 0;
        default:
            return c >= 0;
    }
}

size_t findBytes(View needle, View hay) {
    if (needle.n == 0 || needle.n > hay.n) return kNoLimit;
    std::string_view h(reinterpret_cast<const char*>(hay.p), hay.n);
    std::string_view nd(reinterpret_cast<const char*>(needle.p), needle.n);
    size_t at = h.find(nd);
    return at == std::string_view::npos ? kNoLimit : at;
}

// The four-byte Soundex code: the first letter, then the codes of the following consonants; letters
// of one code next to each other (also across H and W) count once, vowels part them, other
// characters are passed over. No letter at all gives "0000".
void soundexCode(const uint8_t* p, size_t n, uint8_t out[4]) {
    //                                ABCDEFGHIJKLMNOPQRSTUVWXYZ
    static constexpr char kCodes[] = "01230120022455012623010202";
    std::memcpy(out, "0000", 4);
    size_t i = 0;
    auto isLetter = [](uint8_t c) { return kUpper[c] != kLower[c]; };
    while (i < n && !isLetter(p[i])) ++i;
    if (i == n) return;
    uint8_t first = kUpper[p[i]];
    out[0] = first;
    char last = first >= 'A' && first <= 'Z' ? kCodes[first - 'A'] : '0';
    size_t k = 1;
    for (++i; i < n && k < 4; ++i) {
        uint8_t c = kUpper[p[i]];
        if (c == 'H' || c == 'W' || !isLetter(c)) continue;
        char code = c >= 'A' && c <= 'Z' ? kCodes[c - 'A'] : '0';  // other letters part like vowels
        if (code != '0' && code != last) out[k++] = uint8_t(code);
        last = code;
    }
}

struct Program {
    std::string text;
    double finite(double v) const {
        if (!std::isfinite(v)) evalError(text, "numeric overflow");
        return v;
    }
    ValueType type = ValueType::Logical;
    size_t length = 0;
    uint32_t root = 0;
    bool usesRecord = false;
    std::vector<Node> nodes;
    std::vector<uint32_t> args;     // Concat operands
    std::vector<uint8_t> argMinus;  // operand joined with '-'
    std::vector<Field> memoFields;  // memo fields read by FieldMemo nodes (index in Node::a)
    std::unique_ptr<uint8_t[]> arena;

    View str(uint32_t i, const RecordContext& ctx, size_t limit) const;
    double num(uint32_t i, const RecordContext& ctx) const;
    bool logic(uint32_t i, const RecordContext& ctx) const;

    bool isNull(const Node& n, const RecordContext& ctx) const {
        return n.nullMask && (ctx.record[n.nullByte] & n.nullMask);
    }
};

// ---------------------------------------------------------------------------------------------
// Evaluation

View Program::str(uint32_t i, const RecordContext& ctx, size_t limit) const {
    const Node& n = nodes[i];
    switch (n.op) {
        case Op::ConstS:
            return {n.text, std::min<size_t>(n.maxLen, limit)};
        case Op::FieldC:
            if (isNull(n, ctx)) return {n.text, std::min<size_t>(n.width, limit)};
            return {ctx.record + n.off, std::min<size_t>(n.width, limit)};
        case Op::FieldV: {
            // Shorter values keep their length in the last byte; pad them with blanks.
            const uint8_t* p = ctx.record + n.off;
            size_t want = std::min<size_t>(n.width, limit);
            size_t len = n.width;
            if (isNull(n, ctx)) {
                len = 0;
            } else if (ctx.record[n.varByte] & n.varMask) {
                len = std::min<size_t>(p[n.width - 1], n.width - 1);
            } else {
                return {p, want};
            }
            len = std::min(len, want);
            if (len) std::memcpy(n.buf, p, len);
            if (want > len) std::memset(n.buf + len, ' ', want - len);
            return {n.buf, want};
        }
        case Op::FieldMemo: {
            if (!ctx.memo || isNull(n, ctx)) return {nullptr, 0};
            std::string_view t = ctx.memo->memoText(ctx.record, memoFields[n.a]);
            return {reinterpret_cast<const uint8_t*>(t.data()), std::min(t.size(), limit)};
        }
        case Op::Upper:
        case Op::Lower: {
            View s = str(n.a, ctx, std::min<size_t>(limit, n.maxLen));
            size_t len = std::min<size_t>(s.n, n.maxLen);
            const uint8_t* tab = n.op == Op::Upper ? kUpper.data() : kLower.data();
            for (size_t k = 0; k < len; ++k) n.buf[k] = tab[s.p[k]];
            return {n.buf, len};
        }
        case Op::Left: {
            size_t k = toCount(num(n.b, ctx));
            View s = str(n.a, ctx, std::min(limit, k));
            return {s.p, std::min(s.n, k)};
        }
        case Op::Right: {
            size_t k = toCount(num(n.b, ctx));
            View s = str(n.a, ctx, kNoLimit);
            size_t take = std::min(k, s.n);
            return {s.p + (s.n - take), std::min(take, limit)};
        }
        case Op::Substr: {
            size_t start = toCount(num(n.b, ctx));
            if (start < 1) start = 1;
            size_t len = n.nargs >= 3 ? toCount(num(n.c, ctx)) : kNoLimit;
            size_t want = std::min(len, limit);
            size_t need = want > kNoLimit - start ? kNoLimit : start - 1 + want;
            View s = str(n.a, ctx, need);
            if (start - 1 >= s.n) return {s.p, 0};
            return {s.p + (start - 1), std::min(s.n - (start - 1), want)};
        }
        case Op::RTrim: {
            View s = str(n.a, ctx, kNoLimit);
            size_t len = s.n;
            while (len && s.p[len - 1] == ' ') --len;
            return {s.p, std::min(len, limit)};
        }
        case Op::LTrim:
        case Op::AllTrim: {
            View s = str(n.a, ctx, kNoLimit);
            size_t b = 0, e = s.n;
            while (b < e && s.p[b] == ' ') ++b;
            if (n.op == Op::AllTrim)
                while (e > b && s.p[e - 1] == ' ') --e;
            return {s.p + b, std::min(e - b, limit)};
        }
        case Op::Space: {
            size_t k = std::min<size_t>(toCount(num(n.a, ctx)), n.maxLen);
            return {n.text, std::min(k, limit)};
        }
        case Op::Str: {
            double v = num(n.a, ctx);
            size_t len = n.nargs >= 2 ? std::min<size_t>(toCount(num(n.b, ctx)), n.maxLen) : n.maxLen;
            size_t dec = n.nargs >= 3 ? std::min<size_t>(toCount(num(n.c, ctx)), kStrLen) : 0;
            formatStr(v, len, dec, n.buf);
            return {n.buf, std::min(len, limit)};
        }
        case Op::Dtos:
            writeDtos(num(n.a, ctx), n.buf);
            return {n.buf, std::min<size_t>(8, limit)};
        case Op::Concat: {
            // A '-' operand needs the trailing blanks of everything before it, so the limit
            // only shortens plain '+' chains.
            const size_t cap = n.maxLen;
            const size_t want = n.rel ? cap : std::min(cap, limit);
            size_t len = 0;
            for (uint32_t k = 0; k < n.b; ++k) {
                uint32_t child = args[n.a + k];
                if (!argMinus[n.a + k]) {
                    if (len >= want) break;
                    View s = str(child, ctx, want - len);
                    size_t t = std::min(s.n, want - len);
                    if (t) std::memcpy(n.buf + len, s.p, t);
                    len += t;
                } else {
                    size_t trail = 0;
                    while (trail < len && n.buf[len - 1 - trail] == ' ') ++trail;
                    len -= trail;
                    View s = str(child, ctx, cap - len);
                    size_t t = std::min(s.n, cap - len);
                    if (t) std::memcpy(n.buf + len, s.p, t);
                    len += t;
                    size_t blanks = std::min(trail, cap - len);
                    if (blanks) std::memset(n.buf + len, ' ', blanks);
                    len += blanks;
                }
            }
            return {n.buf, std::min(len, limit)};
        }
        case Op::PadL:
        case Op::PadR:
        case Op::PadC: {
            size_t len = std::min<size_t>(toCount(num(n.b, ctx)), n.maxLen);
            uint8_t fill = ' ';
            if (n.nargs >= 3) {
                View f = str(n.c, ctx, 1);
                if (f.n) fill = f.p[0];
            }
            View s = str(n.a, ctx, len);
            size_t t = std::min(s.n, len);
            size_t before = n.op == Op::PadL ? len - t : (n.op == Op::PadC ? (len - t) / 2 : 0);
            if (len) std::memset(n.buf, fill, len);
            if (t) std::memcpy(n.buf + before, s.p, t);
            return {n.buf, std::min(len, limit)};
        }
        case Op::Chr: {
            double v = num(n.a, ctx);
            n.buf[0] = static_cast<uint8_t>(toCount(v) & 0xFF);
            return {n.buf, std::min<size_t>(1, limit)};
        }
        case Op::Soundex: {
            View s = str(n.a, ctx, kNoLimit);
            soundexCode(s.p, s.n, n.buf);
            return {n.buf, std::min<size_t>(4, limit)};
        }
        case Op::IifS:
            return str(logic(n.a, ctx) ? n.b : n.c, ctx, limit);
        default:
            return {nullptr, 0};
    }
}

double Program::num(uint32_t i, const RecordContext& ctx) const {
    const Node& n = nodes[i];
    switch (n.op) {
        case Op::ConstN:
            return n.num;
        case Op::FieldN:
            return isNull(n, ctx) ? 0 : parseNumber(ctx.record + n.off, n.width);
        case Op::FieldI:
            return isNull(n, ctx) ? 0 : double(readLE<int32_t>(ctx.record + n.off, n.width));
        case Op::FieldB:
            return isNull(n, ctx) ? 0 : readLE<double>(ctx.record + n.off, n.width);
        case Op::FieldY:
            return isNull(n, ctx) ? 0 : double(readLE<int64_t>(ctx.record + n.off, n.width)) / 10000.0;
        case Op::FieldD:
            return isNull(n, ctx) ? 0 : parseDate(ctx.record + n.off, n.width);
        case Op::FieldT:
            return isNull(n, ctx) ? 0 : double(readLE<int32_t>(ctx.record + n.off, n.width));
        case Op::Neg:
            return -num(n.a, ctx);
        case Op::Add:
            return finite(num(n.a, ctx) + num(n.b, ctx));
        case Op::Sub:
            return finite(num(n.a, ctx) - num(n.b, ctx));
        case Op::Mul:
            return finite(num(n.a, ctx) * num(n.b, ctx));
        case Op::Div: {
            double x = num(n.a, ctx), y = num(n.b, ctx);
            if (y == 0) evalError(text, "division by zero");
            return finite(x / y);
        }
        case Op::Mod: {
            // The remainder takes the sign of the divisor.
            double x = num(n.a, ctx), y = num(n.b, ctx);
            if (y == 0 || !std::isfinite(x)) return 0;
            double r = std::fmod(x, y);
            if (r != 0 && ((r < 0) != (y < 0))) r += y;
            return r;
        }
        case Op::Len:
            return double(str(n.a, ctx, kNoLimit).n);
        case Op::Val: {
            View s = str(n.a, ctx, kNoLimit);
            return parseNumber(s.p, s.n);
        }
        case Op::Recno:
            return double(ctx.recno);
        case Op::Today:
            return today();
        case Op::Int:
            return std::trunc(num(n.a, ctx));
        case Op::Abs:
            return std::fabs(num(n.a, ctx));
        case Op::Round:
            return roundTo(num(n.a, ctx), num(n.b, ctx));
        case Op::Year:
        case Op::Month:
        case Op::Day: {
            double v = std::floor(num(n.a, ctx));
            if (!(v >= kFirstDay && v <= kLastDay)) return 0;
            int y, m, d;
            civilFromJulian(static_cast<long>(v), y, m, d);
            return n.op == Op::Year ? y : (n.op == Op::Month ? m : d);
        }
        case Op::At: {
            View needle = str(n.a, ctx, kNoLimit);
            View hay = str(n.b, ctx, kNoLimit);
            size_t at = findBytes(needle, hay);
            return at == kNoLimit ? 0 : double(at + 1);
        }
        case Op::Asc: {
            View s = str(n.a, ctx, 1);
            return s.n ? s.p[0] : 0;
        }
        case Op::Max:
        case Op::Min: {
            double x = num(n.a, ctx), y = num(n.b, ctx);
            return n.op == Op::Max ? (x >= y ? x : y) : (x <= y ? x : y);
        }
        case Op::Difference: {
            uint8_t x[4], y[4];
            View s = str(n.a, ctx, kNoLimit);
            soundexCode(s.p, s.n, x);
            s = str(n.b, ctx, kNoLimit);
            soundexCode(s.p, s.n, y);
            int same = 0;
            for (int k = 0; k < 4; ++k) same += x[k] == y[k];
            return same;
        }
        case Op::IifN:
            return num(logic(n.a, ctx) ? n.b : n.c, ctx);
        default:
            return 0;
    }
}

bool Program::logic(uint32_t i, const RecordContext& ctx) const {
    const Node& n = nodes[i];
    switch (n.op) {
        case Op::ConstL:
            return n.num != 0;
        case Op::FieldL: {
            if (isNull(n, ctx) || n.width == 0) return false;
            uint8_t c = ctx.record[n.off];
            return c == 'T' || c == 't' || c == 'Y' || c == 'y';
        }
        case Op::Not:
            return !logic(n.a, ctx);
        case Op::And:
            return logic(n.a, ctx) && logic(n.b, ctx);
        case Op::Or:
            return logic(n.a, ctx) || logic(n.b, ctx);
        case Op::CmpS: {
            if (n.rel == RelExactEq) {
                View x = str(n.a, ctx, kNoLimit), y = str(n.b, ctx, kNoLimit);
                return x.n == y.n && (x.n == 0 || std::memcmp(x.p, y.p, x.n) == 0);
            }
            if (ctx.exact) {
                View x = str(n.a, ctx, kNoLimit), y = str(n.b, ctx, kNoLimit);
                return relHolds(n.rel, comparePadded(x, y));
            }
            // Over the length of the right operand only.
            View y = str(n.b, ctx, kNoLimit);
            View x = str(n.a, ctx, y.n);
            return relHolds(n.rel, compareBytes(x, y));
        }
        case Op::CmpN: {
            double x = num(n.a, ctx), y = num(n.b, ctx);
            switch (n.rel) {
                case RelEq:
                case RelExactEq:
                    return x == y;
                case RelNe:
                    return x != y;
                case RelLt:
                    return x < y;
                case RelLe:
                    return x <= y;
                case RelGt:
                    return x > y;
                default:
                    return x >= y;
            }
        }
        case Op::CmpL: {
            int x = logic(n.a, ctx), y = logic(n.b, ctx);
            return relHolds(n.rel, x - y);
        }
        case Op::Contains: {
            View needle = str(n.a, ctx, kNoLimit);
            View hay = str(n.b, ctx, kNoLimit);
            return findBytes(needle, hay) != kNoLimit;
        }
        case Op::Empty: {
            const Node& x = nodes[n.a];
            switch (x.type) {
                case ValueType::Character: {
                    View s = str(n.a, ctx, kNoLimit);
                    for (size_t k = 0; k < s.n; ++k)
                        if (!isBlankByte(s.p[k])) return false;
                    return true;
                }
                case ValueType::Logical:
                    return !logic(n.a, ctx);
                default:
                    return num(n.a, ctx) == 0;
            }
        }
        case Op::Deleted:
            return ctx.record[0] == '*';
        case Op::IifL:
            return logic(logic(n.a, ctx) ? n.b : n.c, ctx);
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Compilation

enum class Tok : uint8_t {
    End,
    Ident,
    Number,
    String,
    Date,
    LParen,
    RParen,
    Comma,
    Arrow,
    Dot,
    Plus,
    Minus,
    Star,
    Slash,
    Percent,
    Eq,
    EqEq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Dollar,
    And,
    Or,
    Not,
    True,
    False,
};

struct Token {
    Tok kind = Tok::End;
    uint32_t pos = 0;  // 0-based
    uint32_t len = 0;
    double num = 0;    // Number, Date
    uint32_t lit = 0;  // String: index of its text
};

bool isIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentChar(char c) {
    return isIdentStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

enum class Fn : uint8_t {
    Upper,
    Lower,
    Left,
    Right,
    Substr,
    Trim,
    RTrim,
    LTrim,
    AllTrim,
    Len,
    Space,
    Str,
    Val,
    Dtos,
    Iif,
    Empty,
    Deleted,
    Recno,
    Date,
    PadL,
    PadR,
    PadC,
    Int,
    Abs,
    Round,
    Year,
    Month,
    Day,
    At,
    Chr,
    Asc,
    Max,
    Min,
    Soundex,
    Difference,
};

struct FnInfo {
    const char* name;
    Fn fn;
    uint8_t minArgs, maxArgs;
};

constexpr FnInfo kFunctions[] = {
    {"UPPER", Fn::Upper, 1, 1}, {"LOWER", Fn::Lower, 1, 1},     {"LEFT", Fn::Left, 2, 2},
    {"RIGHT", Fn::Right, 2, 2}, {"SUBSTR", Fn::Substr, 2, 3},   {"TRIM", Fn::Trim, 1, 1},
    {"RTRIM", Fn::RTrim, 1, 1}, {"LTRIM", Fn::LTrim, 1, 1},     {"ALLTRIM", Fn::AllTrim, 1, 1},
    {"LEN", Fn::Len, 1, 1},     {"SPACE", Fn::Space, 1, 1},     {"STR", Fn::Str, 1, 3},
    {"VAL", Fn::Val, 1, 1},     {"DTOS", Fn::Dtos, 1, 1},       {"IIF", Fn::Iif, 3, 3},
    {"EMPTY", Fn::Empty, 1, 1}, {"DELETED", Fn::Deleted, 0, 0}, {"RECNO", Fn::Recno, 0, 0},
    {"DATE", Fn::Date, 0, 0},   {"PADL", Fn::PadL, 2, 3},       {"PADR", Fn::PadR, 2, 3},
    {"PADC", Fn::PadC, 2, 3},   {"INT", Fn::Int, 1, 1},         {"ABS", Fn::Abs, 1, 1},
    {"ROUND", Fn::Round, 2, 2}, {"YEAR", Fn::Year, 1, 1},       {"MONTH", Fn::Month, 1, 1},
    {"DAY", Fn::Day, 1, 1},     {"AT", Fn::At, 2, 2},           {"CHR", Fn::Chr, 1, 1},
    {"ASC", Fn::Asc, 1, 1},     {"MAX", Fn::Max, 2, 2},         {"MIN", Fn::Min, 2, 2},
    {"SOUNDEX", Fn::Soundex, 1, 1}, {"DIFFERENCE", Fn::Difference, 2, 2},
};

// A function by name; like FoxPro, names longer than four letters may be cut to four or more.
const FnInfo* findFunction(std::string_view name) {
    for (const FnInfo& f : kFunctions) {
        std::string_view full(f.name);
        if (sameName(name, full)) return &f;
        if (name.size() >= 4 && name.size() < full.size() && sameName(name, full.substr(0, name.size())))
            return &f;
    }
    return nullptr;
}

const char* typeName(ValueType t) {
    switch (t) {
        case ValueType::Character:
            return "character";
        case ValueType::Numeric:
            return "numeric";
        case ValueType::Logical:
            return "logical";
        default:
            return "date";
    }
}

class Compiler {
  public:
    Compiler(std::string_view text, std::span<const Field> fields, Program& m,
             const std::vector<std::string>* aliases = nullptr)
        : s_(text), fields_(fields), m_(m), aliases_(aliases) {}

    void run() {
        if (s_.size() > std::numeric_limits<uint32_t>::max() / 2) fail(1, "", "expression too long");
        lex();
        if (toks_[0].kind == Tok::End) fail(1, "", "empty expression");
        for (const Field& f : fields_)
            if (f.type == '0') {
                nullFlags_ = &f;
                break;
            }
        uint32_t root = parseOr();
        if (peek().kind != Tok::End) fail(peek(), "unexpected text after the expression");
        m_.root = root;
        finish();
    }

  private:
    std::string_view s_;
    std::span<const Field> fields_;
    Program& m_;
    const std::vector<std::string>* aliases_;  // null: any alias names the table
    std::vector<Token> toks_;
    std::vector<std::string> literals_;
    std::vector<std::vector<std::pair<uint32_t, bool>>> cat_;
    size_t cur_ = 0;
    int nesting_ = 0;
    const Field* nullFlags_ = nullptr;

    // --- errors

    [[noreturn]] void fail(size_t pos1, std::string_view near, const std::string& cause) {
        if (near.size() > 40) near = near.substr(0, 40);
        throw ExprError(std::string(s_), pos1, std::string(near), cause);
    }
    [[noreturn]] void fail(const Token& t, const std::string& cause) {
        fail(t.pos + 1, s_.substr(t.pos, t.len), cause);
    }
    std::string spell(const Token& t) const { return std::string(s_.substr(t.pos, t.len)); }

    // --- lexer

    static bool dottedWord(std::string_view s, size_t i, Tok& kind, size_t& len) {
        // ".AND." ".OR." ".NOT." ".T." ".F." ".Y." ".N." at s[i] == '.'
        size_t j = i + 1;
        while (j < s.size() && isIdentStart(s[j]) && s[j] != '_') ++j;
        if (j == i + 1 || j >= s.size() || s[j] != '.') return false;
        std::string_view w = s.substr(i + 1, j - i - 1);
        if (sameName(w, "AND"))
            kind = Tok::And;
        else if (sameName(w, "OR"))
            kind = Tok::Or;
        else if (sameName(w, "NOT"))
            kind = Tok::Not;
        else if (sameName(w, "T") || sameName(w, "Y"))
            kind = Tok::True;
        else if (sameName(w, "F") || sameName(w, "N"))
            kind = Tok::False;
        else
            return false;
        len = j + 1 - i;
        return true;
    }

    void push(Tok k, size_t pos, size_t len) {
        Token t;
        t.kind = k;
        t.pos = uint32_t(pos);
        t.len = uint32_t(len);
        toks_.push_back(t);
    }

    void lex() {
        const size_t n = s_.size();
        size_t i = 0;
        for (;;) {
            while (i < n && (s_[i] == ' ' || s_[i] == '\t' || s_[i] == '\r' || s_[i] == '\n')) ++i;
            if (i >= n) {
                push(Tok::End, n, 0);
                return;
            }
            char c = s_[i];
            if (isIdentStart(c)) {
                size_t j = i;
                while (j < n && isIdentChar(s_[j])) ++j;
                std::string_view w = s_.substr(i, j - i);
                Tok k = Tok::Ident;
                if (sameName(w, "AND"))
                    k = Tok::And;
                else if (sameName(w, "OR"))
                    k = Tok::Or;
                else if (sameName(w, "NOT"))
                    k = Tok::Not;
                push(k, i, j - i);
                i = j;
                // alias.field: the dot right after a name and right before another one
                Tok dk;
                size_t dl;
                if (k == Tok::Ident && i + 1 < n && s_[i] == '.' && isIdentStart(s_[i + 1]) &&
                    !dottedWord(s_, i, dk, dl)) {
                    push(Tok::Dot, i, 1);
                    ++i;
                }
                continue;
            }
            if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(s_[i + 1]))) {
                size_t j = i;
                while (j < n && isDigit(s_[j])) ++j;
                if (j < n && s_[j] == '.') {
                    Tok dk;
                    size_t dl;
                    if (j + 1 < n && isDigit(s_[j + 1])) {
                        ++j;
                        while (j < n && isDigit(s_[j])) ++j;
                    } else if (!dottedWord(s_, j, dk, dl)) {
                        ++j;  // "12."
                    }
                }
                Token t;
                t.kind = Tok::Number;
                t.pos = uint32_t(i);
                t.len = uint32_t(j - i);
                auto r = std::from_chars(s_.data() + i, s_.data() + j, t.num);
                if (r.ec == std::errc::result_out_of_range) fail(t, "numeric overflow");
                if (r.ec != std::errc()) fail(t, "invalid number");
                toks_.push_back(t);
                i = j;
                continue;
            }
            if (c == '"' || c == '\'' || c == '[') {
                char close = c == '[' ? ']' : c;
                size_t j = s_.find(close, i + 1);
                if (j == std::string_view::npos) fail(i + 1, s_.substr(i), "unterminated string");
                Token t;
                t.kind = Tok::String;
                t.pos = uint32_t(i);
                t.len = uint32_t(j + 1 - i);
                t.lit = uint32_t(literals_.size());
                literals_.emplace_back(s_.substr(i + 1, j - i - 1));
                toks_.push_back(t);
                i = j + 1;
                continue;
            }
            if (c == '{') {
                size_t j = s_.find('}', i + 1);
                if (j == std::string_view::npos) fail(i + 1, s_.substr(i), "unterminated date");
                Token t;
                t.kind = Tok::Date;
                t.pos = uint32_t(i);
                t.len = uint32_t(j + 1 - i);
                if (!parseDateLiteral(s_.substr(i + 1, j - i - 1), t.num)) fail(t, "invalid date");
                toks_.push_back(t);
                i = j + 1;
                continue;
            }
            if (c == '.') {
                Tok k;
                size_t len;
                if (!dottedWord(s_, i, k, len)) fail(i + 1, s_.substr(i, 1), "unexpected '.'");
                push(k, i, len);
                i += len;
                continue;
            }
            char d = i + 1 < n ? s_[i + 1] : '\0';
            Tok k;
            size_t len = 1;
            switch (c) {
                case '(':
                    k = Tok::LParen;
                    break;
                case ')':
                    k = Tok::RParen;
                    break;
                case ',':
                    k = Tok::Comma;
                    break;
                case '+':
                    k = Tok::Plus;
                    break;
                case '-':
                    if (d == '>') {
                        k = Tok::Arrow;
                        len = 2;
                    } else {
                        k = Tok::Minus;
                    }
                    break;
                case '*':
                    k = Tok::Star;
                    break;
                case '/':
                    k = Tok::Slash;
                    break;
                case '%':
                    k = Tok::Percent;
                    break;
                case '$':
                    k = Tok::Dollar;
                    break;
                case '#':
                    k = Tok::Ne;
                    break;
                case '=':
                    k = d == '=' ? Tok::EqEq : Tok::Eq;
                    len = d == '=' ? 2 : 1;
                    break;
                case '<':
                    if (d == '=')
                        k = Tok::Le, len = 2;
                    else if (d == '>')
                        k = Tok::Ne, len = 2;
                    else
                        k = Tok::Lt;
                    break;
                case '>':
                    if (d == '=')
                        k = Tok::Ge, len = 2;
                    else
                        k = Tok::Gt;
                    break;
                case '!':
                    if (d == '=')
                        k = Tok::Ne, len = 2;
                    else
                        k = Tok::Not;
                    break;
                default:
                    fail(i + 1, s_.substr(i, 1), "unexpected character");
            }
            push(k, i, len);
            i += len;
        }
    }

    // {} / { } empty, {^YYYY-MM-DD} (also '/' or '.'), {MM/DD/YYYY}.
    static bool parseDateLiteral(std::string_view t, double& out) {
        size_t b = 0, e = t.size();
        while (b < e && t[b] == ' ') ++b;
        while (e > b && t[e - 1] == ' ') --e;
        t = t.substr(b, e - b);
        if (t.empty()) {
            out = 0;
            return true;
        }
        bool strict = t[0] == '^';
        if (strict) t.remove_prefix(1);
        int part[3];
        size_t i = 0;
        for (int k = 0; k < 3; ++k) {
            size_t j = i;
            while (j < t.size() && isDigit(t[j]) && j - i < 5) ++j;
            if (j == i) return false;
            part[k] = 0;
            for (size_t x = i; x < j; ++x) part[k] = part[k] * 10 + (t[x] - '0');
            i = j;
            if (k < 2) {
                if (i >= t.size() || (t[i] != '-' && t[i] != '/' && t[i] != '.')) return false;
                ++i;
            }
        }
        if (i != t.size()) return false;
        long jd = strict ? julianDay(part[0], part[1], part[2]) : julianDay(part[2], part[0], part[1]);
        if (jd == 0) return false;
        out = double(jd);
        return true;
    }

    // --- tokens

    const Token& peek() const { return toks_[cur_]; }
    const Token& next() {
        const Token& t = toks_[cur_];
        if (t.kind != Tok::End) ++cur_;
        return t;
    }
    void expect(Tok k, const char* what) {
        if (peek().kind != k) fail(peek(), std::string("expected ") + what);
        next();
    }
    void enter(const Token& t) {
        if (++nesting_ > kMaxNesting) fail(t, "expression nested too deeply");
    }
    void leave() { --nesting_; }

    // --- nodes

    uint32_t add(Node n, const Token& at, std::initializer_list<uint32_t> kids) {
        uint32_t slot[3] = {0, 0, 0};
        int depth = 0, k = 0;
        for (uint32_t kid : kids) {
            slot[k++] = kid;
            depth = std::max<int>(depth, m_.nodes[kid].depth);
        }
        if (depth + 1 > kMaxDepth) fail(at, "expression too complex");
        if (k > 0) n.a = slot[0];  // leaves keep their own use of a
        if (k > 1) n.b = slot[1];
        if (k > 2) n.c = slot[2];
        n.nargs = uint8_t(kids.size());
        n.depth = uint16_t(depth + 1);
        m_.nodes.push_back(n);
        return uint32_t(m_.nodes.size() - 1);
    }
    static Node make(Op op, ValueType t, size_t maxLen = 0) {
        Node n;
        n.op = op;
        n.type = t;
        n.maxLen = uint32_t(std::min(maxLen, kMaxNodeLen));
        return n;
    }
    const Node& at(uint32_t i) const { return m_.nodes[i]; }
    ValueType typeOf(uint32_t i) const { return m_.nodes[i].type; }

    bool constNum(uint32_t i, double& v) const {
        const Node& n = at(i);
        double x, y;
        switch (n.op) {
            case Op::ConstN:
                v = n.num;
                return true;
            case Op::Neg:
                if (!constNum(n.a, x)) return false;
                v = -x;
                return true;
            case Op::Add:
            case Op::Sub:
            case Op::Mul:
                if (!constNum(n.a, x) || !constNum(n.b, y)) return false;
                v = n.op == Op::Add ? x + y : (n.op == Op::Sub ? x - y : x * y);
                return true;
            default:
                return false;
        }
    }
    // Longest result of a length argument: its value when constant, else `otherwise`.
    size_t constCount(uint32_t i, size_t otherwise) const {
        double v;
        return constNum(i, v) ? toCount(v) : otherwise;
    }

    // --- grammar

    uint32_t parseOr() {
        enter(peek());
        uint32_t l = parseAnd();
        while (peek().kind == Tok::Or) {
            Token op = next();
            uint32_t r = parseAnd();
            needLogical(op, l, r, ".OR.");
            l = add(make(Op::Or, ValueType::Logical), op, {l, r});
        }
        leave();
        return l;
    }

    uint32_t parseAnd() {
        uint32_t l = parseNot();
        while (peek().kind == Tok::And) {
            Token op = next();
            uint32_t r = parseNot();
            needLogical(op, l, r, ".AND.");
            l = add(make(Op::And, ValueType::Logical), op, {l, r});
        }
        return l;
    }

    void needLogical(const Token& op, uint32_t l, uint32_t r, const char* what) {
        if (typeOf(l) != ValueType::Logical || typeOf(r) != ValueType::Logical)
            fail(op, std::string("type mismatch: ") + what + " needs logical operands");
    }

    uint32_t parseNot() {
        if (peek().kind != Tok::Not) return parseRel();
        Token op = next();
        enter(op);
        uint32_t x = parseNot();
        leave();
        if (typeOf(x) != ValueType::Logical) fail(op, "type mismatch: .NOT. needs a logical operand");
        return add(make(Op::Not, ValueType::Logical), op, {x});
    }

    static bool relational(Tok k, uint8_t& rel) {
        switch (k) {
            case Tok::Eq:
                rel = RelEq;
                return true;
            case Tok::EqEq:
                rel = RelExactEq;
                return true;
            case Tok::Ne:
                rel = RelNe;
                return true;
            case Tok::Lt:
                rel = RelLt;
                return true;
            case Tok::Le:
                rel = RelLe;
                return true;
            case Tok::Gt:
                rel = RelGt;
                return true;
            case Tok::Ge:
                rel = RelGe;
                return true;
            case Tok::Dollar:
                rel = 0xFF;
                return true;
            default:
                return false;
        }
    }

    uint32_t parseRel() {
        uint32_t l = parseAdd();
        uint8_t rel;
        if (!relational(peek().kind, rel)) return l;
        Token op = next();
        uint32_t r = parseAdd();
        ValueType lt = typeOf(l), rt = typeOf(r);
        Node n;
        if (rel == 0xFF) {
            if (lt != ValueType::Character || rt != ValueType::Character)
                fail(op, "type mismatch: $ needs character operands");
            n = make(Op::Contains, ValueType::Logical);
        } else {
            if (lt != rt) {
                fail(op,
                     std::string("type mismatch: cannot compare ") + typeName(lt) + " with " + typeName(rt));
            }
            Op o = lt == ValueType::Character ? Op::CmpS : (lt == ValueType::Logical ? Op::CmpL : Op::CmpN);
            n = make(o, ValueType::Logical);
            n.rel = rel;
        }
        uint32_t x = add(n, op, {l, r});
        if (relational(peek().kind, rel)) fail(peek(), "comparisons cannot be chained");
        return x;
    }

    uint32_t parseAdd() {
        uint32_t l = parseMul();
        while (peek().kind == Tok::Plus || peek().kind == Tok::Minus) {
            Token op = next();
            bool minus = op.kind == Tok::Minus;
            uint32_t r = parseMul();
            ValueType lt = typeOf(l), rt = typeOf(r);
            if (lt == ValueType::Character && rt == ValueType::Character) {
                l = concat(op, l, r, minus);
                continue;
            }
            ValueType res;
            if (lt == ValueType::Numeric && rt == ValueType::Numeric)
                res = ValueType::Numeric;
            else if (lt == ValueType::Date && rt == ValueType::Numeric)
                res = ValueType::Date;
            else if (!minus && lt == ValueType::Numeric && rt == ValueType::Date)
                res = ValueType::Date;
            else if (minus && lt == ValueType::Date && rt == ValueType::Date)
                res = ValueType::Numeric;
            else
                fail(op, std::string("type mismatch: cannot ") + (minus ? "subtract " : "add ") +
                             typeName(rt) + (minus ? " from " : " to ") + typeName(lt));
            l = add(make(minus ? Op::Sub : Op::Add, res), op, {l, r});
        }
        return l;
    }

    // a + b + c ... becomes one node writing all operands into one buffer. While parsing, the
    // operands of Concat node n are cat_[n.a]; finish() lays them out in Program::args.
    uint32_t concat(const Token& op, uint32_t l, uint32_t r, bool minus) {
        if (at(l).op != Op::Concat) {
            Node n = make(Op::Concat, ValueType::Character, at(l).maxLen);
            n.a = uint32_t(cat_.size());
            n.b = 1;
            n.depth = uint16_t(at(l).depth + 1);
            cat_.push_back({{l, false}});
            m_.nodes.push_back(n);
            l = uint32_t(m_.nodes.size() - 1);
        }
        Node& n = m_.nodes[l];
        int depth = std::max<int>(n.depth, at(r).depth + 1);
        if (depth > kMaxDepth) fail(op, "expression too complex");
        cat_[n.a].push_back({r, minus});
        ++n.b;
        if (minus) n.rel = 1;
        n.maxLen = uint32_t(std::min<size_t>(size_t(n.maxLen) + at(r).maxLen, kMaxNodeLen));
        n.depth = uint16_t(depth);
        return l;
    }

    uint32_t parseMul() {
        uint32_t l = parseUnary();
        while (peek().kind == Tok::Star || peek().kind == Tok::Slash || peek().kind == Tok::Percent) {
            Token op = next();
            uint32_t r = parseUnary();
            if (typeOf(l) != ValueType::Numeric || typeOf(r) != ValueType::Numeric)
                fail(op, "type mismatch: " + spell(op) + " needs numeric operands");
            Op o = op.kind == Tok::Star ? Op::Mul : (op.kind == Tok::Slash ? Op::Div : Op::Mod);
            l = add(make(o, ValueType::Numeric), op, {l, r});
        }
        return l;
    }

    uint32_t parseUnary() {
        if (peek().kind != Tok::Minus && peek().kind != Tok::Plus) return parsePrimary();
        Token op = next();
        enter(op);
        uint32_t x = parseUnary();
        leave();
        if (typeOf(x) != ValueType::Numeric)
            fail(op, "type mismatch: unary " + spell(op) + " needs a number");
        if (op.kind == Tok::Plus) return x;
        return add(make(Op::Neg, ValueType::Numeric), op, {x});
    }

    uint32_t parsePrimary() {
        Token t = next();
        switch (t.kind) {
            case Tok::Number: {
                Node n = make(Op::ConstN, ValueType::Numeric);
                n.num = t.num;
                return add(n, t, {});
            }
            case Tok::Date: {
                Node n = make(Op::ConstN, ValueType::Date);
                n.num = t.num;
                return add(n, t, {});
            }
            case Tok::String: {
                Node n = make(Op::ConstS, ValueType::Character, literals_[t.lit].size());
                n.a = t.lit;
                n.bufLen = n.maxLen;
                return add(n, t, {});
            }
            case Tok::True:
            case Tok::False: {
                Node n = make(Op::ConstL, ValueType::Logical);
                n.num = t.kind == Tok::True ? 1 : 0;
                return add(n, t, {});
            }
            case Tok::LParen: {
                uint32_t x = parseOr();
                expect(Tok::RParen, "')'");
                return x;
            }
            case Tok::Ident: {
                if (peek().kind == Tok::LParen) return call(t);
                if (peek().kind == Tok::Arrow || peek().kind == Tok::Dot) {
                    if (aliases_ && !sameName(spell(t), "FIELD") &&
                        std::none_of(aliases_->begin(), aliases_->end(),
                                     [&](const std::string& a) { return sameName(spell(t), a); }))
                        fail(t, "unknown alias " + spell(t));
                    next();
                    Token f = next();
                    if (f.kind != Tok::Ident) fail(f, "expected a field name");
                    return field(f);
                }
                return field(t);
            }
            case Tok::End:
                fail(t, "unexpected end of expression");
            default:
                fail(t, "unexpected " + spell(t));
        }
    }

    uint32_t field(const Token& t) {
        std::string_view name = s_.substr(t.pos, t.len);
        const Field* f = nullptr;
        for (const Field& x : fields_)
            if (sameName(name, x.name)) {
                f = &x;
                break;
            }
        if (!f) fail(t, "unknown field " + std::string(name));
        Node n;
        switch (f->type) {
            case 'N':
            case 'F':
                n = make(Op::FieldN, ValueType::Numeric);
                break;
            case 'I':
                n = make(Op::FieldI, ValueType::Numeric);
                break;
            case 'B':
                n = make(Op::FieldB, ValueType::Numeric);
                break;
            case 'Y':
                n = make(Op::FieldY, ValueType::Numeric);
                break;
            case 'L':
                n = make(Op::FieldL, ValueType::Logical);
                break;
            case 'D':
                n = make(Op::FieldD, ValueType::Date);
                break;
            case 'T':
                n = make(Op::FieldT, ValueType::Date);
                break;
            case 'M':
            case 'G':
            case 'W':
            case 'P':
                n = make(Op::FieldMemo, ValueType::Character, kMemoLen);
                n.a = uint32_t(m_.memoFields.size());
                m_.memoFields.push_back(*f);
                break;
            default:
                n = make(Op::FieldC, ValueType::Character, f->width);
                break;
        }
        n.off = f->offset;
        n.width = f->width;
        if (f->nullBit >= 0 && nullFlags_ && size_t(f->nullBit / 8) < nullFlags_->width) {
            n.nullByte = nullFlags_->offset + uint32_t(f->nullBit / 8);
            n.nullMask = uint8_t(1u << (f->nullBit % 8));
            if (n.op == Op::FieldC) n.bufLen = n.maxLen;  // blanks for NULL
        }
        if ((f->type == 'V' || f->type == 'Q') && f->width > 0 && f->varBit >= 0 && nullFlags_ &&
            size_t(f->varBit / 8) < nullFlags_->width) {
            n.op = Op::FieldV;
            n.varByte = nullFlags_->offset + uint32_t(f->varBit / 8);
            n.varMask = uint8_t(1u << (f->varBit % 8));
            n.bufLen = n.maxLen;
        }
        m_.usesRecord = true;
        return add(n, t, {});
    }

    void needArg(const Token& name, const FnInfo& f, uint32_t arg, size_t index, ValueType want) {
        if (typeOf(arg) != want)
            fail(name, "type mismatch: argument " + std::to_string(index + 1) + " of " + f.name +
                           "() must be " + typeName(want) + ", not " + typeName(typeOf(arg)));
    }
    void needDate(const Token& name, const FnInfo& f, uint32_t arg) {
        if (typeOf(arg) != ValueType::Date)
            fail(name,
                 std::string("type mismatch: ") + f.name + "() needs a date, not " + typeName(typeOf(arg)));
    }

    uint32_t call(const Token& name) {
        Token lp = next();  // '('
        enter(lp);
        std::vector<uint32_t> a;
        if (peek().kind != Tok::RParen) {
            for (;;) {
                a.push_back(parseOr());
                if (peek().kind != Tok::Comma) break;
                next();
            }
        }
        expect(Tok::RParen, "')'");
        leave();

        const FnInfo* fi = findFunction(s_.substr(name.pos, name.len));
        if (!fi) fail(name, "unknown function " + spell(name));
        const FnInfo& f = *fi;
        if (a.size() < f.minArgs || a.size() > f.maxArgs) {
            std::string want = f.minArgs == f.maxArgs
                                   ? std::to_string(f.minArgs)
                                   : std::to_string(f.minArgs) + " to " + std::to_string(f.maxArgs);
            fail(name, std::string(f.name) + "() takes " + want + " argument" + (f.maxArgs == 1 ? "" : "s") +
                           ", not " + std::to_string(a.size()));
        }
        const ValueType C = ValueType::Character, N = ValueType::Numeric, L = ValueType::Logical;
        auto len = [&](size_t i) { return size_t(at(a[i]).maxLen); };
        switch (f.fn) {
            case Fn::Upper:
            case Fn::Lower: {
                needArg(name, f, a[0], 0, C);
                Node n = make(f.fn == Fn::Upper ? Op::Upper : Op::Lower, C, len(0));
                n.bufLen = n.maxLen;
                return add(n, name, {a[0]});
            }
            case Fn::Left:
            case Fn::Right: {
                needArg(name, f, a[0], 0, C);
                needArg(name, f, a[1], 1, N);
                size_t ml = std::min(constCount(a[1], len(0)), len(0));
                return add(make(f.fn == Fn::Left ? Op::Left : Op::Right, C, ml), name, {a[0], a[1]});
            }
            case Fn::Substr: {
                needArg(name, f, a[0], 0, C);
                needArg(name, f, a[1], 1, N);
                if (a.size() > 2) needArg(name, f, a[2], 2, N);
                size_t ml = len(0);
                double st;
                if (constNum(a[1], st)) {
                    size_t s = std::max<size_t>(toCount(st), 1);
                    ml = s - 1 < ml ? ml - (s - 1) : 0;
                }
                if (a.size() > 2) ml = std::min(ml, constCount(a[2], ml));
                if (a.size() > 2) return add(make(Op::Substr, C, ml), name, {a[0], a[1], a[2]});
                return add(make(Op::Substr, C, ml), name, {a[0], a[1]});
            }
            case Fn::Trim:
            case Fn::RTrim:
            case Fn::LTrim:
            case Fn::AllTrim: {
                needArg(name, f, a[0], 0, C);
                Op o = f.fn == Fn::LTrim ? Op::LTrim : (f.fn == Fn::AllTrim ? Op::AllTrim : Op::RTrim);
                return add(make(o, C, len(0)), name, {a[0]});
            }
            case Fn::Len: {
                needArg(name, f, a[0], 0, C);
                return add(make(Op::Len, N), name, {a[0]});
            }
            case Fn::Space: {
                needArg(name, f, a[0], 0, N);
                Node n = make(Op::Space, C, constCount(a[0], kVarLen));
                n.bufLen = n.maxLen;
                return add(n, name, {a[0]});
            }
            case Fn::Str: {
                for (size_t i = 0; i < a.size(); ++i) needArg(name, f, a[i], i, N);
                size_t ml = a.size() > 1 ? std::min(constCount(a[1], kStrLen), kStrLen) : 10;
                Node n = make(Op::Str, C, ml);
                n.bufLen = n.maxLen;
                if (a.size() == 1) return add(n, name, {a[0]});
                if (a.size() == 2) return add(n, name, {a[0], a[1]});
                return add(n, name, {a[0], a[1], a[2]});
            }
            case Fn::Val: {
                needArg(name, f, a[0], 0, C);
                return add(make(Op::Val, N), name, {a[0]});
            }
            case Fn::Dtos: {
                needDate(name, f, a[0]);
                Node n = make(Op::Dtos, C, 8);
                n.bufLen = 8;
                return add(n, name, {a[0]});
            }
            case Fn::Iif: {
                needArg(name, f, a[0], 0, L);
                ValueType t = typeOf(a[1]);
                if (typeOf(a[2]) != t)
                    fail(name, std::string("type mismatch: IIF() branches are ") + typeName(t) + " and " +
                                   typeName(typeOf(a[2])));
                Op o = t == C ? Op::IifS : (t == L ? Op::IifL : Op::IifN);
                return add(make(o, t, std::max(len(1), len(2))), name, {a[0], a[1], a[2]});
            }
            case Fn::Empty:
                return add(make(Op::Empty, L), name, {a[0]});
            case Fn::Deleted:
                m_.usesRecord = true;
                return add(make(Op::Deleted, L), name, {});
            case Fn::Recno:
                return add(make(Op::Recno, N), name, {});
            case Fn::Date:
                return add(make(Op::Today, ValueType::Date), name, {});
            case Fn::PadL:
            case Fn::PadR:
            case Fn::PadC: {
                needArg(name, f, a[0], 0, C);
                needArg(name, f, a[1], 1, N);
                if (a.size() > 2) needArg(name, f, a[2], 2, C);
                Op o = f.fn == Fn::PadL ? Op::PadL : (f.fn == Fn::PadR ? Op::PadR : Op::PadC);
                Node n = make(o, C, constCount(a[1], kVarLen));
                n.bufLen = n.maxLen;
                if (a.size() > 2) return add(n, name, {a[0], a[1], a[2]});
                return add(n, name, {a[0], a[1]});
            }
            case Fn::Int:
            case Fn::Abs: {
                needArg(name, f, a[0], 0, N);
                return add(make(f.fn == Fn::Int ? Op::Int : Op::Abs, N), name, {a[0]});
            }
            case Fn::Round: {
                needArg(name, f, a[0], 0, N);
                needArg(name, f, a[1], 1, N);
                return add(make(Op::Round, N), name, {a[0], a[1]});
            }
            case Fn::Year:
            case Fn::Month:
            case Fn::Day: {
                needDate(name, f, a[0]);
                Op o = f.fn == Fn::Year ? Op::Year : (f.fn == Fn::Month ? Op::Month : Op::Day);
                return add(make(o, N), name, {a[0]});
            }
            case Fn::At: {
                needArg(name, f, a[0], 0, C);
                needArg(name, f, a[1], 1, C);
                return add(make(Op::At, N), name, {a[0], a[1]});
            }
            case Fn::Chr: {
                needArg(name, f, a[0], 0, N);
                Node n = make(Op::Chr, C, 1);
                n.bufLen = 1;
                return add(n, name, {a[0]});
            }
            case Fn::Asc: {
                needArg(name, f, a[0], 0, C);
                return add(make(Op::Asc, N), name, {a[0]});
            }
            case Fn::Soundex: {
                needArg(name, f, a[0], 0, C);
                Node n = make(Op::Soundex, C, 4);
                n.bufLen = 4;
                return add(n, name, {a[0]});
            }
            case Fn::Difference: {
                needArg(name, f, a[0], 0, C);
                needArg(name, f, a[1], 1, C);
                return add(make(Op::Difference, N), name, {a[0], a[1]});
            }
            case Fn::Max:
            case Fn::Min: {
                ValueType t = typeOf(a[0]);
                if ((t != N && t != ValueType::Date) || typeOf(a[1]) != t)
                    fail(name, std::string("type mismatch: ") + f.name + "() needs two numbers or two dates");
                return add(make(f.fn == Fn::Max ? Op::Max : Op::Min, t), name, {a[0], a[1]});
            }
        }
        fail(name, "unknown function " + spell(name));
    }

    // Buffers and constant text, all in one arena.
    void finish() {
        size_t total = 0;
        for (Node& n : m_.nodes) {
            if (n.op == Op::Concat) {
                const auto& ops = cat_[n.a];
                n.a = uint32_t(m_.args.size());
                for (const auto& [arg, minus] : ops) {
                    m_.args.push_back(arg);
                    m_.argMinus.push_back(minus ? 1 : 0);
                }
                n.bufLen = n.maxLen;
            }
            total += n.bufLen;
        }
        if (total > kMaxArena) fail(1, "", "expression needs too much memory");
        m_.arena.reset(new uint8_t[total ? total : 1]);
        uint8_t* p = m_.arena.get();
        for (Node& n : m_.nodes) {
            size_t size = n.bufLen;
            if (!size) continue;
            switch (n.op) {
                case Op::ConstS:
                    std::memcpy(p, literals_[n.a].data(), size);
                    n.text = p;
                    break;
                case Op::FieldC:
                case Op::Space:
                    std::memset(p, ' ', size);
                    n.text = p;
                    break;
                default:
                    n.buf = p;
                    break;
            }
            p += size;
        }
        const Node& r = m_.nodes[m_.root];
        m_.type = r.type;
        m_.length = r.type == ValueType::Character ? r.maxLen : (r.type == ValueType::Logical ? 1 : 8);
    }
};

}  // namespace exprc

struct Expression::Impl : exprc::Program {};

using namespace exprc;

// ---------------------------------------------------------------------------------------------
// Expression

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

Expression Expression::compile(std::string_view text, std::span<const Field> fields) {
    auto impl = std::make_unique<Impl>();
    impl->text = std::string(text);
    Compiler(text, fields, *impl).run();
    Expression e;
    e.impl_ = std::move(impl);
    return e;
}

Expression Expression::compile(std::string_view text, std::span<const Field> fields,
                               const std::vector<std::string>& aliases) {
    auto impl = std::make_unique<Impl>();
    impl->text = std::string(text);
    Compiler(text, fields, *impl, &aliases).run();
    Expression e;
    e.impl_ = std::move(impl);
    return e;
}

bool Expression::valid() const noexcept {
    return impl_ != nullptr;
}

const std::string& Expression::text() const noexcept {
    static const std::string empty;
    return impl_ ? impl_->text : empty;
}

ValueType Expression::type() const noexcept {
    return impl_ ? impl_->type : ValueType::Logical;
}

size_t Expression::length() const noexcept {
    return impl_ ? impl_->length : 0;
}

namespace exprc {

[[noreturn]] void evalError(const std::string& text, const std::string& cause) {
    throw Error("", "Evaluate expression",
                cause + (text.empty() ? "" : " in \"" + ExprError::shortened(text, 0) + "\""));
}

}  // namespace exprc

bool Expression::evalLogical(const RecordContext& ctx) const {
    if (!impl_) evalError("", "no expression compiled");
    const Impl& m = *impl_;
    if (m.type != ValueType::Logical) evalError(m.text, "not a logical expression");
    if (m.usesRecord && !ctx.record) evalError(m.text, "no record");
    return m.logic(m.root, ctx);
}

std::string_view Expression::evalString(const RecordContext& ctx) const {
    if (!impl_) evalError("", "no expression compiled");
    const Impl& m = *impl_;
    if (m.type != ValueType::Character) evalError(m.text, "not a character expression");
    if (m.usesRecord && !ctx.record) evalError(m.text, "no record");
    View v = m.str(m.root, ctx, kNoLimit);
    return {reinterpret_cast<const char*>(v.p), v.n};
}

double Expression::evalNumber(const RecordContext& ctx) const {
    if (!impl_) evalError("", "no expression compiled");
    const Impl& m = *impl_;
    if (m.type != ValueType::Numeric && m.type != ValueType::Date)
        evalError(m.text, "not a numeric or date expression");
    if (m.usesRecord && !ctx.record) evalError(m.text, "no record");
    return m.num(m.root, ctx);
}

void Expression::evalKey(const RecordContext& ctx, uint8_t* out, size_t keyLen) const {
    if (!impl_) evalError("", "no expression compiled");
    const Impl& m = *impl_;
    if (m.usesRecord && !ctx.record) evalError(m.text, "no record");
    switch (m.type) {
        case ValueType::Character: {
            View v = m.str(m.root, ctx, keyLen);
            size_t t = std::min(v.n, keyLen);
            if (t) std::memcpy(out, v.p, t);
            if (keyLen > t) std::memset(out + t, ' ', keyLen - t);
            return;
        }
        case ValueType::Logical:
            if (keyLen == 0) return;
            out[0] = m.logic(m.root, ctx) ? 'T' : 'F';
            if (keyLen > 1) std::memset(out + 1, ' ', keyLen - 1);
            return;
        default: {
            double v = m.num(m.root, ctx);
            if (keyLen == 4) {
                double r = std::round(v);
                if (!(r >= -2147483648.0)) r = -2147483648.0;  // NaN too
                if (r > 2147483647.0) r = 2147483647.0;
                encodeIntKey(static_cast<int32_t>(r), out);
                return;
            }
            uint8_t k[8];
            encodeDoubleKey(v, k);
            size_t t = std::min<size_t>(keyLen, 8);
            if (t) std::memcpy(out, k, t);
            if (keyLen > 8) std::memset(out + 8, 0, keyLen - 8);
            return;
        }
    }
}

std::string soundex(std::string_view text) {
    uint8_t out[4];
    exprc::soundexCode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out);
    return std::string(reinterpret_cast<const char*>(out), 4);
}

}  // namespace addrova::store
