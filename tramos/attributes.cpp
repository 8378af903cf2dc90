// attributes.cpp - segment attributes: the attribute field, continuation
// records, the attribute register and the attributes file "A".
#include <cstring>

#include "tramos/marker.h"
#include "tramos/tramos.h"

namespace cad {

namespace {

void put_code(char* dst, const CodeSplit& c) {
    put_zero_padded(dst, c.group, 2);
    put_zero_padded(dst + 2, c.subgroup, 2);
    put_zero_padded(dst + 4, c.cls, 2);
}

bool selected(const TramosRun& run, const CodeSplit& c) {
    for (const CodeSplit& s : run.selection)
        if (s.group == c.group && s.subgroup == c.subgroup && s.cls == c.cls) return true;
    return false;
}

// An own attribute reference: table 1 and no code, or the element's own code.
bool own_reference(const Element& e, int i, const char code[7]) {
    return ref_table(e, i) == 1 && (code[0] == '\0' || std::strcmp(code, e.code) == 0);
}

}  // namespace

void mark(TramosRun& run, const Element& e, const MarkerPos& at) {
    if (at.placed) {
        put_error_marker(run.markers.get(), at.x, at.y, 0);
        return;
    }
    // No point to put it at: say so once for the element.
    if (run.unplaced_logged) return;
    run.unplaced_logged = true;
    std::fprintf(run.log.get(), "Error el codigo %s tiene 0 puntos, sin marca de error\n", e.code);
}

void attribute_field(char out[37], const CodeSplit& code, std::int32_t record) {
    std::memset(out, ' ', 37);
    if (record == 0 || !put_zero_padded(out + 27, record, 10)) {
        std::memset(out + 27, '0', 10);
        return;
    }
    put_code(out + 21, code);
}

bool register_step(TramosRun& run, const CodeSplit& code, long segment, std::int32_t record) {
    if (record == 0) {
        if (!selected(run, code)) return true;
        std::fprintf(run.log.get(), "*%02d%02d%02d%6ld E.Lineal=%ld\n", code.group, code.subgroup, code.cls, segment,
                     0L);
        return false;
    }
    if (!run.attribute_register.insert(record).second) return true;
    ++run.attributes_count;
    char line[69];
    put_code(line, code);
    if (!put_zero_padded(line + 6, record, 10)) std::memset(line + 6, '0', 10);
    std::memset(line + 16, ' ', 52);
    line[68] = '\n';
    std::fwrite(line, 1, sizeof line, run.attrs.get());
    return true;
}

void own_attribute_step(TramosRun& run, const Element& e, const CodeSplit& code, const MarkerPos& at,
                        char head[kRecordSize]) {
    int own = 0;
    std::int32_t record = 0;
    char rcode[7];
    for (int i = 0; i < e.ref_count; ++i) {
        ref_code(e, i, rcode);
        if (!own_reference(e, i, rcode)) continue;
        ++own;
        record = ref_record(e, i);
    }
    if (own > 1) {
        mark(run, e, at);
        std::fprintf(run.log.get(), "*%02d%02d%02d%6ld  E.Lineal con m\xA0s de 1 atributo\n", code.group,
                     code.subgroup, code.cls, run.segment_number);
    }
    if (!register_step(run, code, run.segment_number, record)) mark(run, e, at);
    attribute_field(head + 43, code, record);
}

void foreign_attribute_step(TramosRun& run, const Element& e, const MarkerPos& at) {
    char rcode[7];
    for (int i = 0; i < e.ref_count; ++i) {
        ref_code(e, i, rcode);
        if (ref_table(e, i) != 1 || own_reference(e, i, rcode)) continue;
        CodeSplit c = code_split(rcode);
        if (!is_segment_code(c)) continue;
        std::int32_t record = ref_record(e, i);
        if (!register_step(run, c, run.segment_number, record)) mark(run, e, at);
        char rec[kRecordSize];
        rec[0] = '*';
        put_code(rec + 1, c);
        std::memset(rec + 7, ' ', 36);
        attribute_field(rec + 43, c, record);
        std::fwrite(rec, 1, kRecordSize, run.volume.get());
        run.volume_bytes += kRecordSize;
    }
}

void attributes_start(TramosRun& run) {
    std::FILE* a = run.attrs.get();
    std::fwrite(run.header.data(), 1, kRecordSize, a);
    std::fputc('\n', a);
    run.attrs_started = true;
}

bool attributes_finish(TramosRun& run) {
    std::FILE* a = run.attrs.get();
    if (!a) return true;
    // A run whose first volume could not be created still leaves a
    // well-formed file: the header copy as it stood.
    if (!run.attrs_started) attributes_start(run);
    bool ok = !std::ferror(a);  // a record of the run that was not written
    char first[kRecordSize + 1];
    if (std::fseek(a, 0, SEEK_SET) != 0 || std::fread(first, 1, sizeof first, a) != sizeof first) ok = false;
    if (ok) {
        first[0] = 'A';
        long count = run.attributes_count;
        if (count > 999999) {
            std::fprintf(run.log.get(), "Error %ld atributos no caben en la cabecera de A, se escribe 999999\n",
                         count);
            count = 999999;
        }
        put_zero_padded(first + 74, count, 6);
        ok = std::fseek(a, 0, SEEK_SET) == 0 && std::fwrite(first, 1, kRecordSize, a) == kRecordSize;
    }
    if (std::fclose(run.attrs.release()) != 0) ok = false;
    if (!ok) message_box(*run.hooks, "No se puede escribir el archivo de Atributos");
    return ok;
}

}  // namespace cad
