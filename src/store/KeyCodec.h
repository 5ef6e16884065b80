#pragma once

#include <cstdint>
#include <cstring>

namespace addrova::store {

// Index key encodings of the FoxPro family: numbers and dates are 8-byte IEEE doubles,
// big-endian, made sortable as unsigned bytes (sign bit flipped for positives, all bits
// inverted for negatives). Integer (I) fields use 4 big-endian bytes with the sign bit flipped.
inline void encodeDoubleKey(double v, uint8_t* out) {
    if (v == 0.0) v = 0.0;  // fold -0.0
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    if (bits & 0x8000000000000000ull)
        bits = ~bits;
    else
        bits |= 0x8000000000000000ull;
    for (int i = 7; i >= 0; --i) {
        out[i] = static_cast<uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
}

inline double decodeDoubleKey(const uint8_t* in) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | in[i];
    if (bits & 0x8000000000000000ull)
        bits &= ~0x8000000000000000ull;
    else
        bits = ~bits;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

inline void encodeIntKey(int32_t v, uint8_t* out) {
    uint32_t u = static_cast<uint32_t>(v) ^ 0x80000000u;
    out[0] = static_cast<uint8_t>(u >> 24);
    out[1] = static_cast<uint8_t>(u >> 16);
    out[2] = static_cast<uint8_t>(u >> 8);
    out[3] = static_cast<uint8_t>(u);
}

inline int32_t decodeIntKey(const uint8_t* in) {
    uint32_t u = (uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) | (uint32_t(in[2]) << 8) | in[3];
    return static_cast<int32_t>(u ^ 0x80000000u);
}

// Julian day number of a proleptic Gregorian date (as xBase date keys use), 0 for an invalid date.
inline long julianDay(int y, int m, int d) {
    if (y < 1 || m < 1 || m > 12 || d < 1) return 0;
    static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > mdays[m - 1] + (m == 2 && leap ? 1 : 0)) return 0;
    long a = (14 - m) / 12;
    long yy = y + 4800 - a;
    long mm = m + 12 * a - 3;
    return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

inline void civilFromJulian(long jd, int& y, int& m, int& d) {
    long a = jd + 32044;
    long b = (4 * a + 3) / 146097;
    long c = a - 146097 * b / 4;
    long dd = (4 * c + 3) / 1461;
    long e = c - 1461 * dd / 4;
    long mm = (5 * e + 2) / 153;
    d = static_cast<int>(e - (153 * mm + 2) / 5 + 1);
    m = static_cast<int>(mm + 3 - 12 * (mm / 10));
    y = static_cast<int>(100 * b + dd - 4800 + mm / 10);
}

}  // namespace addrova::store
