// textos.cpp - the texts exchange file "X" from text elements.
#include "textos/textos.h"

#include <cstring>

namespace cad {

namespace {
// Characters the texts file does not accept.
bool refused_char(char c) { return c != '\0' && std::strchr("[]{}()~;%\\", c) != nullptr; }
}  // namespace

void textos_convert(ExportRun& run, const Element& e) {
    CodeSplit c = code_split(e.code);
    if (e.kind != 'T' || c.group <= 0 || c.subgroup < 90 || c.subgroup > 99) return;
    if (run.escala == 1000) out_of_sheet_check(run.ox, run.oy, e, 1, run.log.get());
    std::string_view trimmed = trim_view(element_text(e));
    if (trimmed.empty()) return;
    std::string& text = run.scratch;
    text.assign(trimmed);
    Point p = element_point(e, 0);
    double xm = p.x * 0.01, ym = p.y * 0.01;

    long at = run.escala == 0 ? 0 : static_cast<long>(e.extent[kDateOrHeight] * 0.01 * 10000 / run.escala);
    if (at > 999) {
        std::fprintf(run.log.get(), "Texto con AT erronea >%s< %10.2lf %10.2lf AT=%3ld\n", text.c_str(), xm, ym, at);
        at = 999;
    }
    long g = static_cast<long>(450 - e.extent[kAngle] * 0.01);
    if (g > 360) g = ((g - 361) % 360) + 1;
    if (g < 0) g = 359 - ((-1 - g) % 360);

    char rec[128];
    int n = std::snprintf(rec, sizeof rec, "%02d%02d%02d%06ld%02d%08ld%09ld        00%03ld%04ld", c.group,
                          c.subgroup, c.cls, run.record_total + 1, run.huso, static_cast<long>(p.x),
                          static_cast<long>(p.y), at, g);
    if (n != 48) {
        log_wide_value(run.log.get(), e.code, p.x, p.y);
        return;
    }
    if (text.size() > 32) text.resize(32);
    for (char& ch : text) {
        if (!refused_char(ch)) continue;
        std::fprintf(run.log.get(), "Texto con caracter erroneo >%s< %10.2lf %10.2lf\n", text.c_str(), xm, ym);
        ch = ' ';
    }
    std::string_view clean = trim_view(text);
    std::memcpy(rec + 48, clean.data(), clean.size());
    std::memset(rec + 48 + clean.size(), ' ', 32 - clean.size());
    emit_record(run, rec, 80, e.code, p.x, p.y);
}

RunEnd textos_run(Hooks& hooks, std::string_view sheet_list) {
    static const ExportProgram program{'X', true, textos_convert};
    return run_export(program, hooks, sheet_list);
}

}  // namespace cad
