// export_run.cpp - sheet list, header and sheet records, and the export run skeleton.
#include "kernel/export_run.h"

#include <cstring>
#include <new>

namespace cad {

bool read_header_line(std::FILE* sheets, std::string& header) {
    LineRead r = read_text_line(sheets, header);
    if (r == LineRead::End) return false;
    if (header.size() > kRecordSize) header.resize(kRecordSize);
    return true;
}

bool read_sheet_line(std::FILE* sheets, std::string& line) {
    if (read_text_line(sheets, line) != LineRead::Line) return false;
    if (line.size() > kRecordSize) line.resize(kRecordSize);
    return true;
}

void header_scale(std::string_view header, std::FILE* log, int& huso, int& escala) {
    huso = static_cast<int>(parse_long(columns(header, 63, 2)));
    escala = static_cast<int>(parse_long(columns(header, 69, 5)));
    if (huso < 28 || huso > 31) std::fprintf(log, "ERROR HUSO FUERA DE RANGO %d\n\n", huso);
    if (escala != 500 && escala != 1000 && escala != 2000 && escala != 5000)
        std::fprintf(log, "ERROR ESCALA FUERA DE RANGO %d\n\n", escala);
}

bool element_file_base(char modalidad, std::string_view sheet_line, std::string& base) {
    if (modalidad == 'R')
        base = std::string(columns(sheet_line, 2, 8));
    else if (modalidad == 'U')
        base = std::string(columns(sheet_line, 4, 8));
    else
        return false;
    return true;
}

bool write_record80(std::FILE* out, std::string_view text) {
    char rec[kRecordSize];
    std::size_t n = std::min(text.size(), kRecordSize);
    std::memcpy(rec, text.data(), n);
    std::memset(rec + n, ' ', kRecordSize - n);
    return std::fwrite(rec, 1, kRecordSize, out) == kRecordSize;
}

bool write_count_record(std::FILE* out, long pos, std::string_view record, long count, bool zero_padded) {
    char rec[kRecordSize + 1];
    std::size_t n = std::min<std::size_t>(record.size(), 74);
    std::memcpy(rec, record.data(), n);
    std::memset(rec + n, ' ', 74 - n);
    std::snprintf(rec + 74, 7, zero_padded ? "%06ld" : "%6ld", count);
    if (std::fseek(out, pos, SEEK_SET) != 0) return false;
    return std::fwrite(rec, 1, kRecordSize, out) == kRecordSize;
}

void log_wide_value(std::FILE* log, const char* code, long x, long y) {
    std::fprintf(log, "Error valor demasiado ancho para el registro, no se escribe %s %ld %ld\n", code, x, y);
}

bool emit_record(ExportRun& run, const char* record, int length, const char* code, long x, long y) {
    if (length != static_cast<int>(kRecordSize)) {
        log_wide_value(run.log.get(), code, x, y);
        return false;
    }
    std::fwrite(record, 1, kRecordSize, run.out.get());
    ++run.sheet_count;
    ++run.record_total;
    return true;
}

namespace {

void cannot_open(Hooks& hooks, const std::string& name) {
    message_box(hooks, format("No se puede abrir el archivo  %s\n", name.c_str()));
}

void cannot_write(Hooks& hooks, const std::string& name) {
    message_box(hooks, format("No se puede escribir el archivo  %s\n", name.c_str()));
}

// Converts the elements of one opened element file; false when Cancel stopped it.
bool convert_sheet(const ExportProgram& program, ExportRun& run, File element_file) {
    Hooks& hooks = *run.hooks;
    std::FILE* out = run.out.get();
    status_line(hooks, format("Leyendo el fichero  %s", run.element_file.c_str()));
    std::fprintf(run.log.get(), "Transformando el fichero.. %s\n", run.element_file.c_str());
    std::fseek(out, 0, SEEK_END);
    progress_start(hooks, element_file.get());
    run.sheet_count = 0;

    ElementReader reader;
    if (!reader_open(reader, std::move(element_file))) {
        message_box(hooks, "Insuficiente memoria");
        return false;
    }
    WalkEnd end = walk_elements(reader, run.buffers, hooks, run.log.get(), run.element_file,
                                [&](const Element& e) {
                                    // Unmarked elements and kinds other than lines and texts are ignored whole.
                                    if (e.marker != '=' || (e.kind != 'C' && e.kind != 'T')) return;
                                    code_check(run.codes, e, run.log.get());
                                    program.convert(run, e);
                                });
    if (end == WalkEnd::Stopped) return false;

    progress_reset(hooks);
    reader.file.reset();
    long end_pos = std::ftell(out);
    write_count_record(out, run.sheet_record_pos, run.sheet_line, run.sheet_count, program.zero_padded_counts);
    // A sheet without records leaves its place to the next sheet record.
    if (run.sheet_count != 0)
        std::fseek(out, end_pos, SEEK_SET);
    else
        std::fseek(out, run.sheet_record_pos, SEEK_SET);
    return true;
}

}  // namespace

RunEnd run_export(const ExportProgram& program, Hooks& hooks, std::string_view sheet_list) {
    ExportRun run;
    run.hooks = &hooks;
    const std::string out_name(1, program.kind);
    const std::string log_name = out_name + ".err";

    load_code_table(run.codes, hooks);
    if (!allocate_element_buffers(run.buffers)) {
        message_box(hooks, "Insuficiente memoria");
        return RunEnd::EndedEarly;
    }
    run.log = create_file(log_name, "w");
    if (!run.log) return cannot_open(hooks, log_name), RunEnd::EndedEarly;
    run.sheets = open_existing(sheet_list, "r");
    if (!run.sheets) return cannot_open(hooks, std::string(sheet_list)), RunEnd::EndedEarly;
    run.out = create_file(out_name, "w+b");
    if (!run.out) return cannot_open(hooks, out_name), RunEnd::EndedEarly;
    std::FILE* out = run.out.get();
    constexpr std::size_t kOutBuffer = 1 << 16;
    run.out_buffer.reset(new (std::nothrow) char[kOutBuffer]);
    if (run.out_buffer) std::setvbuf(out, run.out_buffer.get(), _IOFBF, kOutBuffer);

    if (!read_header_line(run.sheets.get(), run.header)) {
        message_box(hooks, format("El archivo DbVexo %.*s est\xE1 vac\xEDo", static_cast<int>(sheet_list.size()),
                                  sheet_list.data()));
        return RunEnd::EndedEarly;
    }
    if (run.header.empty()) run.header.push_back(' ');
    run.header[0] = program.kind;
    write_record80(out, run.header);
    run.modalidad = run.header.size() > 1 ? run.header[1] : ' ';
    header_scale(run.header, run.log.get(), run.huso, run.escala);
    run.sheet_record_pos = std::ftell(out);

    std::string base;
    while (read_sheet_line(run.sheets.get(), run.sheet_line)) {
        if (!element_file_base(run.modalidad, run.sheet_line, base)) {
            message_box(hooks, format("Error en la cabecera: modalidad '%c' no es U ni R, no se leen las hojas",
                                      run.modalidad));
            return RunEnd::EndedEarly;
        }
        std::fseek(out, run.sheet_record_pos, SEEK_SET);
        write_record80(out, run.sheet_line);
        if (run.escala == 1000 && !sheet_origin_cm(hooks, columns(run.sheet_line, 2, 10), run.ox, run.oy))
            return RunEnd::EndedEarly;
        run.element_file = base + ".bin";
        File element_file = open_existing(run.element_file, "r+b");
        if (!element_file) {
            message_box(hooks, format("No se puede abrir el archivo... %s\n", run.element_file.c_str()));
            std::fprintf(run.log.get(), "Error no se puede abrir el archivo... %s\n", run.element_file.c_str());
            // The sheet keeps its record as written; the next one follows it.
            run.sheet_record_pos = std::ftell(out);
            continue;
        }
        if (!convert_sheet(program, run, std::move(element_file))) return RunEnd::EndedEarly;
        run.sheet_record_pos = std::ftell(out);
    }

    status_line(hooks, "");
    long end_pos = std::ftell(out);
    bool out_ok = end_pos >= 0 && truncate_file(out, end_pos) &&
                  write_count_record(out, 0, run.header, run.record_total, program.zero_padded_counts) &&
                  std::fflush(out) == 0 && std::ferror(out) == 0;
    // A write that failed on the way (a full disk) must not pass for a finished file.
    if (std::fclose(run.out.release()) != 0) out_ok = false;
    if (!out_ok) return cannot_write(hooks, out_name), RunEnd::EndedEarly;
    bool log_ok = std::ferror(run.log.get()) == 0;
    if (std::fclose(run.log.release()) != 0) log_ok = false;
    if (!log_ok) return cannot_write(hooks, log_name), RunEnd::EndedEarly;
    return RunEnd::Completed;
}

}  // namespace cad
