// puntos.cpp - the points exchange file "P" from point features and symbol texts.
#include "puntos/puntos.h"

#include <cstring>

namespace cad {

namespace {

// Logs a point whose elevation is out of range; the record keeps it.
void elevation_check(ExportRun& run, const CodeSplit& c, const Point& p) {
    if (p.z < 0 || p.z > 400000 || (p.z == 0 && c.group == 2 && c.subgroup == 81))
        std::fprintf(run.log.get(), "Punto cota erronea %02d%02d%02d %8ld %9ld %7ld\n", c.group, c.subgroup, c.cls,
                     static_cast<long>(p.x), static_cast<long>(p.y), static_cast<long>(p.z));
}

// Formats and writes one points record; values too wide for their columns
// refuse it.
void write_point(ExportRun& run, const Element& e, const CodeSplit& c, const Point& p, long at, long angle,
                 const char* label) {
    char rec[160];
    int n = std::snprintf(rec, sizeof rec, "%02d%02d%02d%06ld%2d%08ld%09ld%07ld 00%03ld%04ld", c.group, c.subgroup,
                          c.cls, run.record_total + 1, run.huso, static_cast<long>(p.x), static_cast<long>(p.y),
                          static_cast<long>(p.z), at, angle);
    if (n == 48) {
        if (label)
            n += std::snprintf(rec + n, sizeof rec - n, "                %-16.17s", label);
        else
            n += std::snprintf(rec + n, sizeof rec - n, "%32s", "");
    }
    emit_record(run, rec, n, e.code, p.x, p.y);
}

}  // namespace

void puntos_convert(ExportRun& run, const Element& e) {
    CodeSplit c = code_split(e.code);
    if (c.group <= 0 || c.subgroup < 80 || c.subgroup > 89) return;

    if (e.kind == 'C') {
        if (run.escala == 1000) out_of_sheet_check(run.ox, run.oy, e, e.point_count, run.log.get());
        if (e.point_count != 1) {
            std::fprintf(run.log.get(), "Error el codigo %s tiene %d puntos\n", e.code, e.point_count);
            return;
        }
        long at = 0, angle = 0;
        if (c.group == 16 && c.subgroup == 81 &&
            (c.cls == 13 || c.cls == 15 || c.cls == 39 || c.cls == 54 || c.cls == 68))
            at = 10, angle = 90;
        Point p = element_point(e, 0);
        elevation_check(run, c, p);
        write_point(run, e, c, p, at, angle, nullptr);
    } else if (e.kind == 'T') {
        if (run.escala == 1000) out_of_sheet_check(run.ox, run.oy, e, 1, run.log.get());
        std::string_view text = trim_view(element_text(e));
        if (text.empty()) return;
        long at = run.escala == 0 ? 0 : static_cast<long>(e.extent[kDateOrHeight] * 0.01 * 10000 / run.escala);
        long m = static_cast<long>(e.extent[kAngle] * 0.01 - 90);
        if (m < 0) m += 360;
        long angle = 360 - m;
        if (text[0] != '@') return;
        run.scratch.assign(text);
        Tokens tok;
        tokenize(run.scratch.data(), tok);
        Point p = element_point(e, 0);
        elevation_check(run, c, p);
        write_point(run, e, c, p, at, angle, tok.slot[1]);
    }
}

RunEnd puntos_run(Hooks& hooks, std::string_view sheet_list) {
    static const ExportProgram program{'P', false, puntos_convert};
    return run_export(program, hooks, sheet_list);
}

}  // namespace cad
