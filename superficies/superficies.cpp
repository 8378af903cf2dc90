// superficies.cpp - the surfaces exchange file "S" from the surface labels of a sheet list.
#include "superficies/superficies.h"

#include <cstring>

#include "superficies/attributes.h"
#include "superficies/checks.h"
#include "superficies/refcat.h"
#include "tramos/marker.h"

namespace cad {

namespace {

enum class LabelKind { Block, UrbanParcel, UrbanSubparcel, Polygon, RuralParcel, RuralSubparcel, Other };

LabelKind label_kind(const CodeSplit& c) {
    if (c.group == 14 && c.subgroup == 51 && c.cls == 1) return LabelKind::Block;
    if (c.group == 14 && c.subgroup == 52 && c.cls == 1) return LabelKind::UrbanParcel;
    if (c.group == 14 && c.subgroup == 55 && c.cls == 1) return LabelKind::UrbanSubparcel;
    if (c.group == 12 && c.subgroup == 51 && c.cls == 1) return LabelKind::Polygon;
    if (c.group == 12 && c.subgroup == 52 && c.cls == 1) return LabelKind::RuralParcel;
    if (c.group == 12 && c.subgroup == 55 && (c.cls == 1 || c.cls == 2)) return LabelKind::RuralSubparcel;
    return LabelKind::Other;
}

// State of one surfaces run.
struct SurfacesRun {
    char out_buffer[1 << 16];  ///< buffer of "S"; declared first so that it outlives the file
    Hooks* hooks = nullptr;
    const SuperficiesOptions* options = nullptr;
    CodeTable codes;
    ElementBuffers buffers;
    File log, sheets, out, markers;
    RefIndex refs;
    TableAccess tables;
    KeySet keys;
    LabelAttributes attr;
    std::string header, sheet_line, element_file, base, municipality;
    std::string text;  ///< the current label's trimmed text, reused from label to label
    char modalidad = ' ';
    bool urban = true;
    int huso = 0, escala = 0;
    long ox = 0, oy = 0;
    long record_total = 0, sheet_count = 0, sheet_record_pos = 0;
    char sheet_code[8] = {};     ///< columns 5-11 of an urban sheet line, blanks in a rural job
    char polygon_code[9] = {};   ///< columns 2-9 of a rural sheet line, blanks in an urban job
    bool failed = false;         ///< an attribute table could not be reached
    volatile std::sig_atomic_t own_stop = 1;  ///< the stop flag when the caller has none
};

// One surface label being handled.
struct Label {
    LabelKind kind;
    CodeSplit code;
    long x, y;
    const char* text;  ///< trimmed
    long seq;          ///< its record's sequence number
    bool found;        ///< the references file names its parcel (or is not open)
};

void marker(SurfacesRun& run, const Label& l) {
    put_error_marker(run.markers.get(), static_cast<std::int32_t>(l.x), static_cast<std::int32_t>(l.y), 0);
}

// Log pieces after which the label's values follow.
void block_tail(SurfacesRun& run, const Label& l) { std::fprintf(run.log.get(), "%8ld %9ld\n", l.x, l.y); }

void block_tail_manzana(SurfacesRun& run, const Label& l) {
    std::fprintf(run.log.get(), "%8ld %9ld %-5s\n", l.x, l.y, run.attr.manzana);
}

void parcel_values(SurfacesRun& run) {
    const LabelAttributes& a = run.attr;
    std::fprintf(run.log.get(), " %-5s %-2s %5ld%4ld%c\n", a.manzana, a.parcel_code, a.eje_via, a.npolicia,
                 a.duplicate);
}

void parcel_tail(SurfacesRun& run, const Label& l) {
    std::fprintf(run.log.get(), "%8ld %9ld", l.x, l.y);
    parcel_values(run);
}

void subparcel_tail(SurfacesRun& run, const Label& l) {
    std::fprintf(run.log.get(), "(%-11.11s)  %8ld %9ld", l.text, l.x, l.y);
    parcel_values(run);
}

// The label's record again on one log line, blank-padded in its common part.
void rural_copy_line(SurfacesRun& run, const Label& l) {
    const LabelAttributes& a = run.attr;
    std::FILE* log = run.log.get();
    if (l.kind == LabelKind::RuralParcel) {
        std::fprintf(log, "*%02d%02d%02d%6ld%2d%8ld%9ld", 12, 52, 1, l.seq, run.huso, l.x, l.y);
        std::fprintf(log, "       %-8s%-5s                  %05ld%04ld%c\n", run.polygon_code, a.parcel_code, a.eje_via,
                     a.npolicia, a.duplicate);
    } else {
        std::fprintf(log, "*%02d%02d%02d%6ld%2d%8ld%9ld", 12, 55, l.code.cls, l.seq, run.huso, l.x, l.y);
        std::fprintf(log, "       %-8s%-5s%-4.4s              %05ld%04ld%c\n", run.polygon_code, a.parcel_code, l.text,
                     a.eje_via, a.npolicia, a.duplicate);
    }
}

// Enters a key in the duplicate-key set; true when it was there already.
bool key_seen(SurfacesRun& run, std::int64_t key) {
    KeyInsert r = key_insert(run.keys, key);
    if (r == KeyInsert::NoMemory) {
        message_box(*run.hooks, "Insuficiente memoria");
        *run.hooks->stop = 0;  // the run ends at the next element, as on Cancel
    }
    return r == KeyInsert::Present;
}

long manzana_number(const SurfacesRun& run) { return parse_long(run.attr.manzana); }

void check_manzana_digits(SurfacesRun& run, const Label& l) {
    for (const char* p = run.attr.manzana; *p; ++p) {
        if (*p < '0' || *p > '9') {
            std::fputs("MANZANA No conforme a norma ", run.log.get());
            block_tail_manzana(run, l);
            marker(run, l);
            return;
        }
    }
}

void check_block(SurfacesRun& run, const Label& l) {
    const SuperficiesOptions& opt = *run.options;
    std::FILE* log = run.log.get();
    if (run.attr.atr == 0) {
        std::fputs("MANZANA SIN ATR ", log);
        block_tail_manzana(run, l);
        marker(run, l);
    }
    if (opt.ref_catastral) {
        char expected[6];
        expected_block_code(l.x, l.y, expected);
        if (std::strcmp(run.attr.manzana, expected) != 0) {
            std::fprintf(log, "LA MANZANA %-5s DEBE SER  %-5s  ", run.attr.manzana, expected);
            block_tail(run, l);
        }
    }
    if (manzana_number(run) != parse_long(l.text)) {
        std::fprintf(log, "DIFERENTE MANZANA EN DBASE <%s> Y GRAFICO <%s>  ", run.attr.manzana, l.text);
        block_tail(run, l);
        marker(run, l);
    }
    if (opt.manzana_duplicada && key_seen(run, block_key(manzana_number(run)))) {
        std::fprintf(log, "MANZANA DUPLICADA %-5s ", run.attr.manzana);
        block_tail(run, l);
        marker(run, l);
    }
}

void check_urban_parcel(SurfacesRun& run, const Label& l) {
    const SuperficiesOptions& opt = *run.options;
    const LabelAttributes& a = run.attr;
    std::FILE* log = run.log.get();
    auto tail = [&] {
        parcel_tail(run, l);
        marker(run, l);
    };
    if (!l.found)
        std::fprintf(log, "Error la parcela %-5s%-2s no esta en el fichero alfanum\xE9rico\n", a.manzana, a.parcel_code);
    if (a.atr != 1) {
        std::fprintf(log, "PARCELA CON %2d ATR  ", a.atr);
        tail();
    }
    if (a.npolicia == 0 && opt.portal_cero) {
        std::fputs("PARCELA CON Numero policia = 0  ", log);
        tail();
    }
    if (a.eje_via == 0 && opt.calle_cero) {
        std::fputs("PARCELA CON VIA=0  ", log);
        tail();
    }
    if (run.urban && a.parcela != parse_long(l.text)) {
        std::fprintf(log, "DIFERENTE PARCELA EN DBASE %5ld Y GRAFICO  %-5s  ", a.parcela, l.text);
        tail();
    }
    if (manzana_number(run) == 0) {
        std::fputs("MANZANA a CERO en Dbase  ", log);
        tail();
    }
    if (key_seen(run, urban_parcel_key(manzana_number(run), a.parcela))) {
        std::fputs("REFERENCIA CATASTRAL DUPLICADA  ", log);
        tail();
    }
}

void check_urban_subparcel(SurfacesRun& run, const Label& l) {
    std::FILE* log = run.log.get();
    std::string_view text(l.text);
    if (!volume_notation_valid(text.substr(0, 11))) {
        std::fputs("VOLUMEN NO ENCONTRADO EN TABLA ", log);
        subparcel_tail(run, l);
        marker(run, l);
    }
    if (run.attr.atr != 1) {
        std::fprintf(log, "SUBPARCELA CON %2d ATR  ", run.attr.atr);
        subparcel_tail(run, l);
        marker(run, l);
    }
}

void check_rural_parcel(SurfacesRun& run, const Label& l) {
    const LabelAttributes& a = run.attr;
    std::FILE* log = run.log.get();
    if (a.atr != 1) {
        rural_copy_line(run, l);
        std::fprintf(log, "\nPARCELA CON %2d ATR\n\n", a.atr);
        marker(run, l);
    }
    if (a.parcela != parse_long(l.text)) {
        rural_copy_line(run, l);
        std::fprintf(log, "\nDIFERENTE PARCELA EN DBASE %5ld Y GRAFICO  %-5s\n\n", a.parcela, l.text);
        marker(run, l);
    }
    char polygon[4];
    substring(run.polygon_code, polygon, 6, 3);
    if (parse_long(polygon) != manzana_number(run)) {
        rural_copy_line(run, l);
        std::fputs("\nPOLIGONO ERRONEO en Dbase\n\n", log);
        marker(run, l);
    }
    if (key_seen(run, rural_parcel_key(manzana_number(run), a.parcela))) {
        rural_copy_line(run, l);
        std::fputs("\nREFERENCIA CATASTRAL DUPLICADA\n\n", log);
        marker(run, l);
    }
}

void check_rural_subparcel(SurfacesRun& run, const Label& l) {
    if (run.attr.atr != 1) {
        rural_copy_line(run, l);
        std::fprintf(run.log.get(), "\nSUBPARCELA CON %2d ATR\n\n", run.attr.atr);
        marker(run, l);
    }
}

// Which numbers the label's kind part writes into zero-padded fields.
struct Fields {
    bool parcel_code = false;  ///< the parcel code (2 or 5 characters)
    bool street = false;       ///< EJE_VIA and NPOLICIA
};

Fields written_fields(const SurfacesRun& run, LabelKind kind) {
    switch (kind) {
        case LabelKind::UrbanParcel: return {run.urban, run.urban};
        case LabelKind::UrbanSubparcel: return {run.urban, false};
        case LabelKind::RuralParcel:
        case LabelKind::RuralSubparcel: return {true, true};
        default: return {};
    }
}

// A value the record cannot hold in its columns: the record is refused with
// a log line that names the label and the value, and a marker.
bool refuse_wide_value(SurfacesRun& run, const Label& l, const Element& e) {
    const LabelAttributes& a = run.attr;
    Fields f = written_fields(run, l.kind);
    const char* name = nullptr;
    long value = 0;
    std::size_t code_width = run.urban && l.kind != LabelKind::RuralParcel && l.kind != LabelKind::RuralSubparcel ? 2 : 5;
    if (l.seq > 999999)
        name = "NUMERO", value = l.seq;
    else if (l.x < 0 || l.x > 99999999)
        name = "X", value = l.x;
    else if (l.y < 0 || l.y > 999999999)
        name = "Y", value = l.y;
    else if (f.parcel_code && (a.parcela < 0 || std::strlen(a.parcel_code) > code_width))
        name = "PARCELA", value = a.parcela;
    else if (f.street && (a.eje_via < 0 || a.eje_via > 99999))
        name = "EJE_VIA", value = a.eje_via;
    else if (f.street && (a.npolicia < 0 || a.npolicia > 9999))
        name = "NPOLICIA", value = a.npolicia;
    if (!name) return false;
    std::fprintf(run.log.get(), "Error %s=%ld no cabe en el registro, no se escribe %s >%s< %ld %ld\n", name, value,
                 e.code, l.text, l.x, l.y);
    marker(run, l);
    return true;
}

// Formats the label's 80-character surface record; returns its length.
int build_record(const SurfacesRun& run, const Label& l, const char* sheet_code, char* rec, std::size_t room) {
    const LabelAttributes& a = run.attr;
    int n = std::snprintf(rec, room, "*%02d%02d%02d%06ld%02d%08ld%09ld", l.code.group, l.code.subgroup, l.code.cls,
                          l.seq, run.huso, l.x, l.y);
    if (n < 0 || static_cast<std::size_t>(n) >= room) return -1;
    char* p = rec + n;
    std::size_t left = room - n;
    int k = -1;
    switch (l.kind) {
        case LabelKind::Block:
            k = std::snprintf(p, left, "                       %-5s00%-7s           ", a.manzana, sheet_code);
            break;
        case LabelKind::UrbanParcel:
            if (run.urban)
                k = std::snprintf(p, left, "                       %-5s%-2s%-7s %05ld%04ld%c", a.manzana, a.parcel_code,
                                  sheet_code, a.eje_via, a.npolicia, a.duplicate);
            else
                k = std::snprintf(p, left, "       %-8s         %-14.14s000010000 ", run.polygon_code, l.text);
            break;
        case LabelKind::UrbanSubparcel:
            if (run.urban)
                k = std::snprintf(p, left, "%-11.11s            %-5s%-2s%-7s           ", l.text, a.manzana,
                                  a.parcel_code, sheet_code);
            else
                k = std::snprintf(p, left, "%-7.7s%-8s         %-14.14s000000000 ", l.text, run.polygon_code,
                                  a.rustica);
            break;
        case LabelKind::Polygon:
            k = std::snprintf(p, left, "       %-8s000000000                        ", run.polygon_code);
            break;
        case LabelKind::RuralParcel:
            k = std::snprintf(p, left, "       %-8s%-5s                  %05ld%04ld%c", run.polygon_code, a.parcel_code,
                              a.eje_via, a.npolicia, a.duplicate);
            break;
        case LabelKind::RuralSubparcel:
            k = std::snprintf(p, left, "       %-8s%-5s%4.4s              %05ld%04ld%c", run.polygon_code,
                              a.parcel_code, l.text, a.eje_via, a.npolicia, a.duplicate);
            break;
        case LabelKind::Other:
            if (run.urban)
                k = std::snprintf(p, left, "%-11.11s%37s", l.text, "");
            else
                k = std::snprintf(p, left, "%-7.7s%41s", l.text, "");
            break;
    }
    if (k < 0 || static_cast<std::size_t>(k) >= left) return -1;
    return n + k;
}

// The element steps: code lookup for every element, then a surface label's
// record and checks.
void handle_element(SurfacesRun& run, const Element& e) {
    if (code_lookup(run.codes, e.code) == 0 && e.point_count > 0) {
        Point p = element_point(e, 0);
        put_error_marker(run.markers.get(), p.x, p.y, 0);
    }
    if (e.kind != 'T' || e.marker != '=') return;
    CodeSplit c = code_split(e.code);
    if (c.group < 1 || c.subgroup < 40 || c.subgroup > 69) return;
    if (run.escala == 1000) out_of_sheet_check(run.ox, run.oy, e, 1, run.log.get());
    std::string_view trimmed = trim_view(element_text(e));
    if (trimmed.empty()) return;  // also a label without a text slot
    run.text.assign(trimmed);
    Point p = element_point(e, 0);

    if (!load_label_attributes(run.tables, *run.hooks, e, run.attr)) {
        run.failed = true;
        return;
    }
    Label l{label_kind(c), c, p.x, p.y, run.text.c_str(), run.record_total + 1, true};

    // The references file may name the sheet under which the parcel is registered.
    const char* sheet_code = run.sheet_code;
    if (run.refs.open) {
        char key[40];
        std::snprintf(key, sizeof key, "%-5s%-2s", run.attr.manzana, run.attr.parcel_code);
        const std::string* hit = refcat_lookup(run.refs, key);
        l.found = hit != nullptr;
        if (hit) sheet_code = hit->c_str();
    }

    char rec[160];
    if (refuse_wide_value(run, l, e)) return;
    int n = build_record(run, l, sheet_code, rec, sizeof rec);
    if (n != static_cast<int>(kRecordSize)) {
        log_wide_value(run.log.get(), e.code, l.x, l.y);
        return;
    }
    ++run.record_total;
    ++run.sheet_count;

    check_manzana_digits(run, l);
    switch (l.kind) {
        case LabelKind::Block: check_block(run, l); break;
        case LabelKind::UrbanParcel: check_urban_parcel(run, l); break;
        case LabelKind::UrbanSubparcel:
            if (run.urban) check_urban_subparcel(run, l);
            break;
        case LabelKind::RuralParcel: check_rural_parcel(run, l); break;
        case LabelKind::RuralSubparcel: check_rural_subparcel(run, l); break;
        case LabelKind::Polygon:
        case LabelKind::Other: break;
    }
    std::fwrite(rec, 1, kRecordSize, run.out.get());
}

enum class SheetEnd { Done, Stopped, Failed };

// Walks one opened element file; the walk stops at once when an attribute
// table cannot be reached.
SheetEnd walk_sheet(SurfacesRun& run, File element_file) {
    Hooks& hooks = *run.hooks;
    ElementReader reader;
    if (!reader_open(reader, std::move(element_file))) {
        message_box(hooks, "Insuficiente memoria");
        return SheetEnd::Failed;
    }
    Element e;
    for (;;) {
        ReadStatus s = read_head(reader, e);
        if (s == ReadStatus::End) break;
        if (s == ReadStatus::Truncated) {
            log_truncated(run.log.get(), run.element_file);
            break;
        }
        progress_update(hooks, reader.offset);
        if (!may_go_on(hooks)) return SheetEnd::Stopped;
        if (read_body(reader, e, run.buffers) != ReadStatus::Ok) {
            log_truncated(run.log.get(), run.element_file);
            break;
        }
        handle_element(run, e);
        if (run.failed) return SheetEnd::Failed;
    }
    progress_reset(hooks);
    return SheetEnd::Done;
}

void cannot_open(Hooks& hooks, std::string_view name) {
    message_box(hooks, format("No se puede abrir el archivo  %.*s\n", static_cast<int>(name.size()), name.data()));
}

void cannot_write(Hooks& hooks, const char* name) {
    message_box(hooks, format("No se puede escribir el archivo  %s\n", name));
}

// Sheet code and polygon code of the current sheet line, by modalidad.
void take_sheet_values(SurfacesRun& run) {
    std::memset(run.sheet_code, ' ', 7);
    run.sheet_code[7] = '\0';
    std::memset(run.polygon_code, ' ', 8);
    run.polygon_code[8] = '\0';
    if (run.urban) {
        std::string_view v = columns(run.sheet_line, 5, 7);
        std::memcpy(run.sheet_code, v.data(), v.size());
        run.sheet_code[v.size()] = '\0';
    } else {
        std::string_view v = columns(run.sheet_line, 2, 8);
        std::memcpy(run.polygon_code, v.data(), v.size());
        run.polygon_code[v.size()] = '\0';
    }
}

RunEnd run_sheets(SurfacesRun& run) {
    Hooks& hooks = *run.hooks;
    std::FILE* out = run.out.get();
    while (read_sheet_line(run.sheets.get(), run.sheet_line)) {
        if (!element_file_base(run.modalidad, run.sheet_line, run.base)) {
            // A control byte (a NUL would cut the text) is shown as '?'.
            auto m = static_cast<unsigned char>(run.modalidad);
            message_box(hooks, format("Error en la cabecera: modalidad '%c' no es U ni R, no se leen las hojas",
                                      m < 0x20 || m == 0x7F ? '?' : run.modalidad));
            return RunEnd::EndedEarly;
        }
        std::fseek(out, run.sheet_record_pos, SEEK_SET);
        write_record80(out, run.sheet_line);
        if (run.escala == 1000 && !sheet_origin_cm(hooks, columns(run.sheet_line, 2, 10), run.ox, run.oy))
            return RunEnd::EndedEarly;
        take_sheet_values(run);

        run.markers = create_file(run.base + ".S", "w+b");
        if (!run.markers) {
            message_box(hooks, format("Error no se puede abrir el archivo. %s.S\n", run.base.c_str()));
            run.sheet_record_pos = std::ftell(out);
            continue;
        }
        run.element_file = run.base + ".bin";
        File element_file = open_existing(run.element_file, "r+b");
        if (!element_file) {
            std::string text = format("Error no se puede abrir el archivo... %s\n", run.element_file.c_str());
            message_box(hooks, text);
            std::fputs(text.c_str(), run.log.get());
            run.markers.reset();
            run.sheet_record_pos = std::ftell(out);
            continue;
        }
        status_line(hooks, format("Leyendo el fichero  %s", run.element_file.c_str()));
        std::fprintf(run.log.get(), "***** FICHERO ****** %s\n", run.element_file.c_str());
        std::fseek(out, 0, SEEK_END);
        progress_start(hooks, element_file.get());
        run.sheet_count = 0;

        SheetEnd end = walk_sheet(run, std::move(element_file));
        run.markers.reset();
        if (end != SheetEnd::Done) return RunEnd::EndedEarly;
        long end_pos = std::ftell(out);
        write_count_record(out, run.sheet_record_pos, run.sheet_line, run.sheet_count, false);
        // A sheet without records leaves its place to the next sheet record.
        std::fseek(out, run.sheet_count != 0 ? end_pos : run.sheet_record_pos, SEEK_SET);
        run.sheet_record_pos = std::ftell(out);
    }
    status_line(hooks, "");
    long end_pos = std::ftell(out);
    bool out_ok = end_pos >= 0 && truncate_file(out, end_pos) &&
                  write_count_record(out, 0, run.header, run.record_total, false) && std::fflush(out) == 0 &&
                  std::ferror(out) == 0;
    // A write that failed on the way (a full disk) must not pass for a finished file.
    if (std::fclose(run.out.release()) != 0) out_ok = false;
    if (!out_ok) return cannot_write(hooks, "S"), RunEnd::EndedEarly;
    bool log_ok = std::ferror(run.log.get()) == 0;
    if (std::fclose(run.log.release()) != 0) log_ok = false;
    if (!log_ok) return cannot_write(hooks, "S.err"), RunEnd::EndedEarly;
    return RunEnd::Completed;
}

}  // namespace

SuperficiesOptions superficies_defaults() {
    SuperficiesOptions o;
    o.db_dir = current_directory();
    o.refs_path = o.db_dir + "/REFCAT.TXT";
    return o;
}

RunEnd superficies_run(Hooks& caller_hooks, const SuperficiesOptions& options) {
    auto run = std::make_unique<SurfacesRun>();
    // A failed key store clears the stop flag; a caller without one gets the run's own.
    Hooks hooks = caller_hooks;
    if (!hooks.stop) hooks.stop = &run->own_stop;
    run->hooks = &hooks;
    run->options = &options;

    load_code_table(run->codes, hooks);
    if (options.db_dir.empty()) {
        message_box(hooks, "Falta directorio Base de Datos");
        return RunEnd::EndedEarly;
    }
    reset_table_access(run->tables, options.db_dir, true);
    if (!allocate_element_buffers(run->buffers)) {
        message_box(hooks, "Insuficiente memoria");
        return RunEnd::EndedEarly;
    }
    run->log = create_file("S.err", "w");
    if (!run->log) return cannot_open(hooks, "S.err"), RunEnd::EndedEarly;
    run->sheets = open_existing(options.sheet_list, "r");
    if (!run->sheets) return cannot_open(hooks, options.sheet_list), RunEnd::EndedEarly;
    run->out = create_file("S", "w+b");
    if (!run->out) return cannot_open(hooks, "S"), RunEnd::EndedEarly;
    std::FILE* out = run->out.get();
    std::setvbuf(out, run->out_buffer, _IOFBF, sizeof run->out_buffer);

    File refs = open_existing(options.refs_path, "r");
    if (!refs) std::fprintf(run->log.get(), "No se puede abrir el archivo  %s\n", options.refs_path.c_str());

    if (!read_header_line(run->sheets.get(), run->header)) {
        message_box(hooks, format("El archivo DbVexo %s est\xE1 vac\xEDo", options.sheet_list.c_str()));
        return RunEnd::EndedEarly;
    }
    if (run->header.empty()) run->header.push_back(' ');
    run->header[0] = 'S';
    write_record80(out, run->header);
    header_scale(run->header, run->log.get(), run->huso, run->escala);
    run->modalidad = run->header.size() > 1 ? run->header[1] : ' ';
    run->urban = run->modalidad != 'R';
    run->tables.urban = run->urban;
    run->municipality.assign(columns(run->header, 6, 6));
    run->sheet_record_pos = std::ftell(out);
    if (refs) {
        // One pass builds the index that every label's lookup consults.
        refcat_build(run->refs, refs.get(), run->municipality);
        run->refs.open = true;
        refs.reset();
    }

    RunEnd end = run_sheets(*run);
    key_clear(run->keys);
    close_table_access(run->tables);
    return end;
}

}  // namespace cad
