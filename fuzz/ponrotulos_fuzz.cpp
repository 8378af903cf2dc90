// ponrotulos_fuzz.cpp - any bytes as the sheet of the label loader, over a small listed table.
#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "ponrotulos/ponrotulos.h"

namespace {

// PARCELAS.DBF with REGISTRO (N 10) and ROTULO (C 12), keys 1 to 8, and a
// catalog listing it as table 2.
std::string table(const char* const* names, const int* lengths, int fields, int records, bool catalog) {
    int rl = 1;
    for (int k = 0; k < fields; ++k) rl += lengths[k];
    int hl = 32 + 32 * fields + 1;
    std::string s(32, '\0');
    s[0] = 3;
    s[4] = static_cast<char>(records);
    s[8] = static_cast<char>(hl & 0xFF);
    s[9] = static_cast<char>(hl >> 8);
    s[10] = static_cast<char>(rl);
    for (int k = 0; k < fields; ++k) {
        std::string d(32, '\0');
        d.replace(0, std::char_traits<char>::length(names[k]), names[k]);
        d[11] = k == 0 ? 'N' : 'C';
        d[16] = static_cast<char>(lengths[k]);
        s += d;
    }
    s.push_back('\r');
    for (int r = 1; r <= records; ++r) {
        char rec[64];
        if (catalog)
            std::snprintf(rec, sizeof rec, " %10d%-12s", 2, "PARCELAS");
        else
            std::snprintf(rec, sizeof rec, " %10d%-12s", r, "viejo");
        s += rec;
    }
    s.push_back('\x1A');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kNames[] = {"REGISTRO", "ROTULO"};
    static const int kLengths[] = {10, 12};
    cad::fuzz::Scratch s;
    s.write("PARCELAS.DBF", table(kNames, kLengths, 2, 8, false));
    s.write("CATDBS.DBF", table(kNames, kLengths, 2, 1, true));
    s.write("HOJA.bin", cad::fuzz::as_view(data, size));
    std::FILE* out = std::tmpfile();
    if (!out) return 0;
    cad::ponrotulos_run({"HOJA.bin", "*", "", "PARCELAS", "ROTULO"}, out);
    cad::ponrotulos_run({"HOJA.bin", "1452??", ".", "parcelas.dbf", "ROT*"}, out);
    std::fclose(out);
    return 0;
}
