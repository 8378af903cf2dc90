// tramos.cpp - the segments export run: volumes, sheet records, segments and
// their coordinate records, error markers and the log.
#include "tramos/tramos.h"

#include <climits>
#include <cstring>
#include <new>

#include "tramos/marker.h"

namespace cad {

bool put_zero_padded(char* dst, std::int64_t v, int width) {
    char digits[24];
    int n = 0;
    std::uint64_t u = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    int room = v < 0 ? width - 1 : width;
    if (n > room) return false;
    if (v < 0) *dst++ = '-';
    for (int i = room - n; i > 0; --i) *dst++ = '0';
    while (n > 0) *dst++ = digits[--n];
    return true;
}

bool parse_code_selection(std::string_view text, std::vector<std::string>& codes, std::string& bad) {
    bool chosen[kLinearCodes.size()] = {};
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        std::string_view entry = text.substr(0, comma);
        std::size_t i = 0;
        while (i < kLinearCodes.size() && entry != kLinearCodes[i]) ++i;
        if (i == kLinearCodes.size()) {
            bad.assign(entry);
            return false;
        }
        chosen[i] = true;
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (text.empty()) {  // a trailing comma names an empty entry
            bad.clear();
            return false;
        }
    }
    codes.clear();
    for (std::size_t i = 0; i < kLinearCodes.size(); ++i)
        if (chosen[i]) codes.emplace_back(kLinearCodes[i]);
    return true;
}

std::int64_t size_limit_bytes(std::string_view size_text) {
    constexpr std::int64_t kMegabyte = 1048576;
    std::int64_t n = parse_long(size_text);
    if (n <= 0) return 0;
    if (n > INT64_MAX / kMegabyte) return INT64_MAX;
    return n * kMegabyte;
}

namespace {

constexpr std::size_t kVolumeBuffer = 1 << 16;

MarkerPos first_point(const Element& e) {
    if (e.point_count == 0) return {};
    Point p = element_point(e, 0);
    return {p.x, p.y, true};
}

// Halfway between points k and k + 1 (from 1), k = point count / 2.
MarkerPos marker_position(const Element& e) {
    if (e.point_count == 0) return {};
    if (e.point_count == 1) return first_point(e);
    int k = e.point_count / 2;
    Point a = element_point(e, k - 1), b = element_point(e, k);
    return {static_cast<std::int32_t>((static_cast<std::int64_t>(a.x) + b.x) / 2),
            static_cast<std::int32_t>((static_cast<std::int64_t>(a.y) + b.y) / 2), true};
}

void log_position(TramosRun& run, const MarkerPos& at) {
    std::fprintf(run.log.get(), "%10.lf %10.2lf\n", at.x * 0.01, at.y * 0.01);
}

// The point count line and the position line, with a marker there.
void refuse_point_count(TramosRun& run, const Element& e, const MarkerPos& at) {
    std::fprintf(run.log.get(), "Error el codigo %s tiene %d puntos\n", e.code, e.point_count);
    log_position(run, at);
    mark(run, e, at);
}

// True when every value the segment writes fits its columns; otherwise logs
// the first that does not and marks the segment.
bool segment_fits(TramosRun& run, const Element& e, const MarkerPos& at) {
    for (int i = 0; i < e.point_count; ++i) {
        Point p = element_point(e, i);
        if (p.x < -9999999 || p.x > 99999999 || p.y < -99999999 || p.y > 999999999 || p.z < -999999 ||
            p.z > 9999999) {
            log_wide_value(run.log.get(), e.code, p.x, p.y);
            mark(run, e, at);
            return false;
        }
    }
    for (int i = 0; i < e.ref_count; ++i) {
        if (ref_table(e, i) == 1 && ref_record(e, i) < -999999999) {
            log_wide_value(run.log.get(), e.code, at.x, at.y);
            mark(run, e, at);
            return false;
        }
    }
    return true;
}

void put_point(char* dst, int huso, const Point& p) {
    put_zero_padded(dst, huso, 2);
    put_zero_padded(dst + 2, p.x, 8);
    put_zero_padded(dst + 10, p.y, 9);
    put_zero_padded(dst + 19, p.z, 7);
}

void write_segment(TramosRun& run, const Element& e, const CodeSplit& c, const MarkerPos& at) {
    std::FILE* out = run.volume.get();
    run.segment_number = run.segment_number >= 999999 ? 1 : run.segment_number + 1;
    ++run.sheet_count;
    ++run.volume_segments;
    run.volume_bytes += kRecordSize;
    if (e.point_count == 0) mark(run, e, at);  // logs that it has no marker position

    char rec[kRecordSize];
    rec[0] = '*';
    put_zero_padded(rec + 1, c.group, 2);
    put_zero_padded(rec + 3, c.subgroup, 2);
    put_zero_padded(rec + 5, c.cls, 2);
    put_zero_padded(rec + 7, run.segment_number, 6);
    put_zero_padded(rec + 13, e.point_count, 4);
    std::memcpy(rec + 17, " 00", 3);
    std::memset(rec + 20, ' ', 23);
    own_attribute_step(run, e, c, at, rec);
    std::fwrite(rec, 1, kRecordSize, out);
    foreign_attribute_step(run, e, at);

    std::int32_t zmin = e.extent[kMinZ], zmax = e.extent[kMaxZ];
    if (zmin < 0 || zmax > 400000 || (c.group == 2 && zmin == 0)) {
        mark(run, e, at);
        std::fprintf(run.log.get(), "Entida con Z erronea %02d%02d%02d %1.2lf %1.2lf\n", c.group, c.subgroup, c.cls,
                     at.x * 0.01, at.y * 0.01);
    }

    for (int i = 0; i < e.point_count; i += 3) {
        std::memset(rec, ' ', kRecordSize);
        for (int j = 0; j < 3 && i + j < e.point_count; ++j) put_point(rec + 26 * j, run.huso, element_point(e, i + j));
        std::fwrite(rec, 1, kRecordSize, out);
        run.volume_bytes += kRecordSize;
    }
}

void cannot_open_sheet_file(TramosRun& run, const std::string& name) {
    message_box(*run.hooks, format("No se puede abrir el archivo... %s\n", name.c_str()));
    std::fprintf(run.log.get(), "Error no se puede abrir el archivo... %s\n", name.c_str());
}

bool open_volume(TramosRun& run) {
    int number = run.volume_number + 1;
    std::string name = format("T.%d", number);
    run.volume = create_file(name, "w+b");
    if (!run.volume) {
        message_box(*run.hooks, format("No se puede abrir el archivo  %s\n", name.c_str()));
        if (run.hooks->stop) *run.hooks->stop = 0;
        return false;
    }
    std::setvbuf(run.volume.get(), run.volume_buffer.get(), _IOFBF, kVolumeBuffer);
    run.volume_number = number;
    run.volume_bytes = 0;
    run.volume_segments = 0;
    // Three-digit numbers keep their first two characters.
    char digits[12];
    std::snprintf(digits, sizeof digits, "%02d", number);
    run.header[17] = digits[0];
    run.header[18] = digits[1];
    write_record80(run.volume.get(), run.header);
    return true;
}

// Cuts the volume at the output position and writes its segment count into
// its header record; false when the volume could not be written whole.
bool close_volume(TramosRun& run) {
    std::FILE* out = run.volume.get();
    if (!out) return true;
    long end = std::ftell(out);
    bool ok = end >= 0 && truncate_file(out, end) &&
              write_count_record(out, 0, run.header, run.volume_segments, false) && std::ferror(out) == 0;
    if (std::fclose(run.volume.release()) != 0) ok = false;
    if (!ok) message_box(*run.hooks, format("No se puede escribir el archivo  T.%d\n", run.volume_number));
    return ok;
}

// Writes the sheet count into the sheet record; a sheet without segments
// leaves its place to the next record.
void finish_sheet_record(TramosRun& run) {
    std::FILE* out = run.volume.get();
    long end = std::ftell(out);
    write_count_record(out, run.sheet_record_pos, run.sheet_line, run.sheet_count, false);
    std::fseek(out, run.sheet_count != 0 ? end : run.sheet_record_pos, SEEK_SET);
}

// Converts the elements of one sheet; false when the run is to stop.
bool convert_sheet(TramosRun& run, File element_file) {
    Hooks& hooks = *run.hooks;
    status_line(hooks, format("Leyendo el fichero  %s", run.element_file.c_str()));
    std::fprintf(run.log.get(), "Transformando el fichero.. %s\n", run.element_file.c_str());
    std::fseek(run.volume.get(), 0, SEEK_END);
    progress_start(hooks, element_file.get());
    run.sheet_count = 0;

    ElementReader reader;
    if (!reader_open(reader, std::move(element_file))) {
        message_box(hooks, "Insuficiente memoria");
        run.markers.reset();
        return false;
    }
    WalkEnd end = walk_elements(reader, run.buffers, hooks, run.log.get(), run.element_file,
                                [&](const Element& e) { tramos_element(run, e); });
    reader.file.reset();
    run.markers.reset();
    if (end == WalkEnd::Stopped) {
        // The segments written so far are whole; the sheet record counts them.
        finish_sheet_record(run);
        return false;
    }
    progress_reset(hooks);
    status_line(hooks, "");
    finish_sheet_record(run);
    return true;
}

// Opens the first volume and converts every sheet line; false when the run
// stopped early.
bool convert_sheets(TramosRun& run) {
    if (!open_volume(run)) return false;
    attributes_start(run);
    std::string base;
    while (read_sheet_line(run.sheets.get(), run.sheet_line)) {
        if (!element_file_base(run.modalidad, run.sheet_line, base)) {
            message_box(*run.hooks, format("Error en la cabecera: modalidad '%c' no es U ni R, no se leen las hojas",
                                           run.modalidad));
            return false;
        }
        if (run.volume_bytes > run.size_limit) {
            if (!close_volume(run) || !open_volume(run)) return false;
        }
        std::FILE* out = run.volume.get();
        run.sheet_record_pos = std::ftell(out);
        write_record80(out, run.sheet_line);
        if (run.escala == 1000 && !sheet_origin_cm(*run.hooks, columns(run.sheet_line, 2, 10), run.ox, run.oy))
            return false;
        run.element_file = base + ".bin";
        std::string marker_file = base + ".T";
        run.markers = create_file(marker_file, "w+b");
        if (!run.markers) {
            cannot_open_sheet_file(run, marker_file);
            continue;
        }
        File element_file = open_existing(run.element_file, "r+b");
        if (!element_file) {
            cannot_open_sheet_file(run, run.element_file);
            run.markers.reset();
            continue;
        }
        if (!convert_sheet(run, std::move(element_file))) return false;
    }
    return true;
}

// Puts the number of volumes into columns 16-17 of every volume's header.
bool finish_volumes(TramosRun& run) {
    char total[12];
    std::snprintf(total, sizeof total, "%02d", run.volume_number);
    bool ok = true;
    for (int n = 1; n <= run.volume_number; ++n) {
        std::string name = format("T.%d", n);
        File f = open_existing(name, "r+b");
        char rec[kRecordSize];
        if (!f || std::fread(rec, 1, kRecordSize, f.get()) != kRecordSize) {
            message_box(*run.hooks, format("No se puede abrir el archivo  %s\n", name.c_str()));
            ok = false;
            continue;
        }
        rec[15] = total[0];
        rec[16] = total[1];
        if (std::fseek(f.get(), 0, SEEK_SET) != 0 || std::fwrite(rec, 1, kRecordSize, f.get()) != kRecordSize ||
            std::fclose(f.release()) != 0) {
            message_box(*run.hooks, format("No se puede escribir el archivo  %s\n", name.c_str()));
            ok = false;
        }
    }
    return ok;
}

}  // namespace

void tramos_element(TramosRun& run, const Element& e) {
    // Elements of other kinds are ignored whole, as every reader does.
    if (e.marker != '=' || (e.kind != 'C' && e.kind != 'T')) return;
    run.unplaced_logged = false;
    std::FILE* log = run.log.get();
    MarkerPos first = first_point(e);
    if (code_check(run.codes, e, log)) mark(run, e, first);
    CodeSplit c = code_split(e.code);
    if (!is_segment_code(c)) return;

    if (e.kind == 'T') {
        std::fprintf(log, "Error texto en fichero tramos %s \n", e.code);
        if (first.placed) log_position(run, first);
        mark(run, e, first);
        return;
    }
    if (run.escala == 1000) out_of_sheet_check(run.ox, run.oy, e, e.point_count, log);
    if (e.point_count == 1) return refuse_point_count(run, e, first);

    MarkerPos at = marker_position(e);
    // The head record has four digits for the point count.
    if (e.point_count > 9999) return refuse_point_count(run, e, at);
    if (!segment_fits(run, e, at)) return;
    write_segment(run, e, c, at);
}

RunEnd tramos_run(Hooks& hooks, const TramosOptions& options) {
    TramosRun run;
    run.hooks = &hooks;
    load_code_table(run.codes, hooks);
    run.size_limit = size_limit_bytes(options.size_text);
    for (const std::string& code : options.codes) run.selection.push_back(code_split(code));

    run.volume_buffer.reset(new (std::nothrow) char[kVolumeBuffer]);
    if (!allocate_element_buffers(run.buffers) || !run.volume_buffer) {
        message_box(hooks, "Insuficiente memoria");
        return RunEnd::EndedEarly;
    }
    run.log = create_file("T.err", "w");
    if (!run.log) {
        message_box(hooks, "No se puede abrir el archivo  T.err");
        return RunEnd::EndedEarly;
    }
    run.attrs = create_file("A", "w+b");
    if (!run.attrs) {
        message_box(hooks, "No se puede abrir el archivo de Atributos");
        return RunEnd::EndedEarly;
    }
    run.sheets = open_existing(options.sheet_list, "r");
    if (!run.sheets) {
        message_box(hooks, format("No se puede abrir el archivo  %s", options.sheet_list.c_str()));
        return RunEnd::EndedEarly;
    }
    if (!read_header_line(run.sheets.get(), run.header)) {
        message_box(hooks, format("El archivo DbVexo %s est\xE1 vac\xEDo", options.sheet_list.c_str()));
        return RunEnd::EndedEarly;
    }
    run.header.resize(kRecordSize, ' ');
    run.header[0] = 'T';
    run.modalidad = run.header[1];
    header_scale(run.header, run.log.get(), run.huso, run.escala);

    bool completed = convert_sheets(run);
    if (!close_volume(run)) completed = false;
    if (!finish_volumes(run)) completed = false;
    if (!attributes_finish(run)) completed = false;
    status_line(hooks, "");
    return completed ? RunEnd::Completed : RunEnd::EndedEarly;
}

}  // namespace cad
