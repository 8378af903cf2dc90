// marker.cpp - error markers: six-point "ERROR%d" line elements appended to a sheet's marker file.
#include "tramos/marker.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace cad {

namespace {
void store32(unsigned char* p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}
// x + d held within the 32-bit range, so markers near its ends never overflow.
std::int32_t offset(std::int32_t x, int d) {
    std::int64_t v = static_cast<std::int64_t>(x) + d;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}
}  // namespace

void build_error_marker(unsigned char out[kMarkerSize], std::int32_t x, std::int32_t y, int type) {
    // Corner offsets of points 2-5 for each type; points 1 and 6 are (x, y).
    static const int corners[3][4][2] = {
        {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}},
        {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}},
        {{1, -1}, {-1, -1}, {-1, 1}, {1, 1}},
    };
    const int t = std::clamp(type, 0, 2);
    std::int32_t px[6], py[6];
    px[0] = px[5] = x;
    py[0] = py[5] = y;
    for (int i = 0; i < 4; ++i) {
        px[i + 1] = offset(x, 150 * corners[t][i][0]);
        py[i + 1] = offset(y, 150 * corners[t][i][1]);
    }
    std::memset(out, 0, kMarkerSize);
    out[0] = 'C';
    out[1] = '=';
    std::memcpy(out + 2, "ERROR", 5);
    out[7] = static_cast<char>('1' + t);
    out[9] = 0;   // no references
    out[10] = 6;  // six points
    std::int32_t minx = *std::min_element(px, px + 6), maxx = *std::max_element(px, px + 6);
    std::int32_t miny = *std::min_element(py, py + 6), maxy = *std::max_element(py, py + 6);
    store32(out + 12, minx);
    store32(out + 16, miny);
    store32(out + 24, maxx);
    store32(out + 28, maxy);
    // The date, time and last extent words stay zero.
    for (int i = 0; i < 6; ++i) {
        store32(out + 48 + 12 * i, px[i]);
        store32(out + 52 + 12 * i, py[i]);
    }
}

bool put_error_marker(std::FILE* f, std::int32_t x, std::int32_t y, int type) {
    if (!f) return false;
    unsigned char bytes[kMarkerSize];
    build_error_marker(bytes, x, y, type);
    if (std::fseek(f, 0, SEEK_END) != 0) return false;
    return std::fwrite(bytes, 1, kMarkerSize, f) == kMarkerSize;
}

}  // namespace cad
