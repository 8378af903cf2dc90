// sheet.cpp - sheet origins of 1:1000 jobs, the out-of-sheet check, the code split.
#include "kernel/sheet.h"

#include <cstring>

namespace cad {

namespace {

int digit(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// Easting of the 100 km square from its letter; -1 when not a letter of the sets.
long easting_of(char c) {
    static const char* const sets[] = {"BKT", "CLU", "DMV", "ENW", "FPX", "GQY"};
    for (int i = 0; i < 6; ++i)
        if (c != '\0' && std::strchr(sets[i], c)) return 200000L + 100000L * i;
    return -1;
}

// Northing of the 100 km square for the band and zone parity; -1 when absent.
long northing_of(char band, bool odd, char letter) {
    const char* row = nullptr;
    long base = 0;
    switch (band) {
        case 'T': row = odd ? "EFGHJKL" : "KLMNPQR"; base = 4400000; break;
        case 'S': row = odd ? "RSTUVABCDE" : "ABCDEFGHJK"; base = 3500000; break;
        case 'R': row = odd ? "LMNPQR" : "RSTUVA"; base = 3000000; break;
        default: return -1;
    }
    const char* at = letter ? std::strchr(row, letter) : nullptr;
    return at ? base + 100000L * (at - row) : -1;
}

}  // namespace

SheetOrigin decode_sheet_origin(std::string_view name) {
    char p[11];
    for (int i = 0; i < 10; ++i) p[i + 1] = i < static_cast<int>(name.size()) ? name[i] : '\0';
    SheetOrigin o;
    int n = 0;  // zone: digits of positions 1-2, 0 when not a number
    for (int i = 1; i <= 2 && p[i] >= '0' && p[i] <= '9'; ++i) n = n * 10 + (p[i] - '0');
    if (p[1] == ' ' && p[2] >= '0' && p[2] <= '9') n = p[2] - '0';
    long easting = easting_of(p[4]);
    if (easting < 0) return o.bad = p[4], o;
    if (p[3] != 'R' && p[3] != 'S' && p[3] != 'T') return o.bad = p[3], o;
    long northing = northing_of(p[3], n % 2 != 0, p[5]);
    if (northing < 0) return o.bad = p[5], o;
    if (p[10] != 'N' && p[10] != 'S') return o.bad = p[10], o;
    o.ok = true;
    o.x = easting + 10000.0 * digit(p[6]) + 1000.0 * digit(p[8]);
    o.y = northing + 10000.0 * digit(p[7]) + 1000.0 * digit(p[9]) + (p[10] == 'N' ? 500.0 : 0.0);
    return o;
}

long origin_to_cm(double metres) { return static_cast<long>(metres * 100 + 0.000001); }

bool sheet_origin_cm(Hooks& hooks, std::string_view name, long& ox, long& oy) {
    SheetOrigin o = decode_sheet_origin(name);
    if (!o.ok) {
        std::string_view shown = name.substr(0, 10);
        message_box(hooks, format("Error en nombre hoja %.*s  %c", static_cast<int>(shown.size()),
                                  shown.data(), o.bad ? o.bad : ' '));
        return false;
    }
    ox = origin_to_cm(o.x);
    oy = origin_to_cm(o.y);
    return true;
}

bool out_of_sheet_check(long ox, long oy, const Element& e, int count, std::FILE* log) {
    for (int i = 0; i < count && i < e.point_count; ++i) {
        Point p = element_point(e, i);
        if (p.x < ox || p.x > ox + 100000 || p.y < oy || p.y > oy + 50000) {
            std::fprintf(log, "Fuera de hoja %ld %ld\n", static_cast<long>(p.x), static_cast<long>(p.y));
            return true;
        }
    }
    return false;
}

CodeSplit code_split(std::string_view code) {
    CodeSplit s;
    if (code.size() < 6) return s;
    auto pair = [&](std::size_t at) {
        std::size_t i = at, end = at + 2;
        while (i < end && code[i] == ' ') ++i;
        int v = 0;
        for (; i < end && code[i] >= '0' && code[i] <= '9'; ++i) v = v * 10 + (code[i] - '0');
        return v;
    };
    s.group = pair(0);
    s.subgroup = pair(2);
    s.cls = pair(4);
    return s;
}

}  // namespace cad
