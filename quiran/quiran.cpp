// quiran.cpp - the import run: checks and resources, header listing, sheet records, the per-sheet loop.
#include "quiran/quiran.h"

#include <sys/stat.h>

#include <climits>
#include <ctime>

#include "quiran/run.h"

namespace cad {

namespace {

// Longest record length accepted: records are read whole up to it.
constexpr long kMaxRecordLength = 4096;

const char* kind_name(char kind) {
    switch (kind) {
        case 'T': return "FICHERO de Tramos";
        case 'S': return "FICHERO de Superficies";
        case 'P': return "FICHERO de Puntos";
        case 'X': return "FICHERO de teXtos";
        case 'A': return "FICHERO de Atributos";
        default: return nullptr;
    }
}

struct Characteristic {
    const char* code;
    const char* listed;
};
constexpr Characteristic kCharacteristics[] = {
    {"P5", "Plano urb. E 1/500"},  {"P1", "Plano urb. E 1/1000"}, {"P2", "Plano urb. E 1/2000"},
    {"OR", "Ortofoto r\xA3stica"}, {"D2", "Diseminado E 1/2000"}, {"D5", "Diseminado E 1/5000"},
    {"  ", "Modalidad distinta"},  {"O5", "Ortofoto   E 1/5000"}, {"O2", "Ortofoto   E 1/2000"},
    {"O1", "Ortofoto   E 1/1000"},
};

void box(QuiranRun& run, const std::string& text) { message_box(*run.hooks, text, CodePage::Cp850); }

// Reads and lists the header record; false ends the run.
bool read_header(QuiranRun& run) {
    std::FILE* f = run.exchange.get();
    std::int64_t size = file_length(f);
    std::fseek(f, 0, SEEK_SET);
    std::clearerr(f);
    run.position = 0;
    progress_start(*run.hooks, size < 0 ? 0 : size);
    if (!read_record(run)) {
        box(run, format("El fichero de catastro %s est\xA0 vac\xA1o", run.exchange_name.c_str()));
        return false;
    }
    log_record(run, "", true);
    std::string_view h = rec(run);
    run.kind = first_char(run);
    run.modalidad = h.size() > 1 ? h[1] : ' ';
    run.escala = parse_long(columns(h, 69, 5));
    run.total = parse_long(columns(h, 75, 6));

    list(run, "TERMINO MUNICIPAL=" + std::string(columns(h, 21, 26)));
    list(run, format("Codigo Gerencia=%s  Codigo Municipio=%s", std::string(columns(h, 6, 3)).c_str(),
                     std::string(columns(h, 9, 3)).c_str()));
    list(run, format("Total bloques=%d  Numero de bloque=%d", static_cast<int>(parse_long(columns(h, 16, 2))),
                     static_cast<int>(parse_long(columns(h, 18, 2)))));
    list(run, format("Clave Empresa=%-7s Fecha edicion=%s", std::string(columns(h, 48, 7)).c_str(),
                     std::string(columns(h, 56, 7)).c_str()));
    list(run, format("Huso geografico=%2d  Escala=1/%ld", static_cast<int>(parse_long(columns(h, 63, 2))),
                     run.escala));
    list(run, format("Numero total de elementos=%ld", run.total));

    switch (run.modalidad) {
        case ' ': list(run, "Otras modalidades"); break;
        case 'R': list(run, "R\xA3stica+Diseminado"); break;
        case 'U': list(run, "Urbana"); break;
        default: list(run, format("!Error modalidad desconocida >%c<", run.modalidad)); return false;
    }
    std::string_view ch = columns(h, 3, 2);
    for (const Characteristic& c : kCharacteristics) {
        if (ch == c.code) {
            list(run, c.listed);
            return true;
        }
    }
    list(run, "Caracteristica de modalidad desconocida\n");
    if (const char* name = kind_name(run.kind)) {
        list(run, name);
        return true;
    }
    list(run, "FICHERO Desconocido");
    return false;
}

// Closes the current sheet's element file and moves it into place; a file
// that could not be written whole leaves the old one.
void close_element_file(QuiranRun& run) {
    if (!run.element_file) return;
    run.writer.file = nullptr;
    std::FILE* f = run.element_file.release();
    bool written = std::ferror(f) == 0;
    written = std::fclose(f) == 0 && written;
    if (!written || !replace_file(run.element_temp, run.element_target)) {
        std::remove(run.element_temp.c_str());
        box(run, format("Error al escribir %s\n", run.element_name.c_str()));
    }
}

// The body of the run by the file kind; false when the run ended early.
bool import_kind(QuiranRun& run) {
    Hooks& hooks = *run.hooks;
    const char* name = kind_name(run.kind);
    if (!name) {
        box(run, "FICHERO Desconocido");
        return false;
    }
    status_line(hooks, name);
    switch (run.kind) {
        case 'P': return per_sheet_loop(run, points_record);
        case 'X': return per_sheet_loop(run, texts_record);
        case 'T': return read_segments(run);
        case 'S': {
            if (!per_sheet_loop(run, surfaces_first_pass)) return false;
            std::string count = format("Numero de parcelas =%ld", static_cast<long>(run.parcels.size()));
            list(run, count);
            status_line(hooks, count);
            return read_header(run) && per_sheet_loop(run, surfaces_second_pass);
        }
        default: return true;  // 'A': nothing is read
    }
}

}  // namespace

bool read_record(QuiranRun& run) {
    bool got = read_piece(run.exchange.get(), run.record_length, run.record);
    run.position += run.record.consumed;
    return got;
}

char first_char(const QuiranRun& run) {
    if (!run.record.text.empty()) return run.record.text[0];
    return run.record.line_end ? '\n' : '\0';
}

std::int32_t field_number(std::string_view record, std::size_t col, std::size_t len) {
    long v = parse_long(columns(record, col, len));
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

void update_progress(QuiranRun& run) { progress_update(*run.hooks, run.position); }

void log_record(QuiranRun& run, const char* prefix, bool line_end) {
    std::string_view r = rec(run);
    std::fputs(prefix, run.log.get());
    std::fwrite(r.data(), 1, r.size(), run.log.get());
    if (line_end) std::fputc('\n', run.log.get());
}

void list(QuiranRun& run, std::string_view line) { info_line(*run.hooks, line, CodePage::Cp850); }

bool sheet_record(QuiranRun& run) {
    Hooks& hooks = *run.hooks;
    char c = first_char(run);
    if (c != '/') {
        box(run, format("!Error el primer caracter del segundo registro es <%c>", c));
        log_record(run, "", false);
        return false;
    }
    std::string_view r = rec(run), base;
    if (run.modalidad == 'U') {
        run.sheet_name = std::string(columns(r, 2, 10));
        base = columns(r, 4, 8);
    } else if (run.modalidad == 'R') {
        run.sheet_name = std::string(columns(r, 2, 8));
        base = columns(r, 7, 3);
    } else {
        box(run, "!Error modalidad en blanco: los planos no tienen nombre de fichero");
        return false;
    }
    run.sheet_elements = parse_long(columns(r, 75, 6));
    list(run, format("PLANO=%s  Numero elementos=%-7ld", run.sheet_name.c_str(), run.sheet_elements));
    // The previous sheet's file is closed under its own name before the new one is taken.
    close_element_file(run);
    run.element_base = std::string(base);
    run.element_name = run.element_base + "." + run.kind;

    if (run.element_base.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        box(run, format("Nombre de plano no valido >%s<\n", run.element_name.c_str()));
        return false;
    }
    run.element_target = resolve_existing(run.element_name);
    struct stat st;
    if (::stat(run.element_target.c_str(), &st) == 0 && st.st_size > 0) {
        std::string warn = format("El PLANO %s ya existe se SOBRESCRIBE", run.element_name.c_str());
        list(run, warn);
        if (!question_box(hooks, warn + "\nCONTINUAR ?", CodePage::Cp850)) return false;
    }
    run.element_temp = run.element_target + ".tmp";
    run.element_file = create_file(run.element_temp, "w+b");
    if (!run.element_file) {
        box(run, format("No se puede abrir %s\n", run.element_name.c_str()));
        return false;
    }
    run.writer.file = run.element_file.get();
    log_record(run, "", true);
    return true;
}

bool per_sheet_loop(QuiranRun& run, RecordHandler handler) {
    long read = 0;
    while (read < run.total) {
        update_progress(run);
        if (!read_record(run)) break;
        if (!sheet_record(run)) return false;
        long n = 0;
        while (n < run.sheet_elements) {
            if (!go_on(run)) return false;
            if (!read_record(run)) break;
            ++n;
            if (!handler(run)) return false;
            update_progress(run);
        }
        list(run, format("Elementos leidos=%-7ld", n));
        read += n;
    }
    return true;
}

RunEnd quiran_import(Hooks& hooks, const QuiranOptions& options) {
    QuiranRun run;
    run.hooks = &hooks;
    long length = parse_long(options.record_length);
    if (length == -1) length = 80;
    if (length < 1 || length > kMaxRecordLength) {
        box(run, format("Longitud registro no valida: %s", options.record_length.c_str()));
        return RunEnd::EndedEarly;
    }
    run.record_length = static_cast<std::size_t>(length);

    run.exchange_name = options.exchange;
    run.exchange = open_existing(options.exchange, "r");
    if (!run.exchange) {
        box(run, format("No se puede abrir el fichero de catastro %s", options.exchange.c_str()));
        return RunEnd::EndedEarly;
    }
    run.log = create_file("QUIRAN.ERR", "w");
    if (!run.log) {
        box(run, "No se puede crear el fichero QUIRAN.ERR");
        return RunEnd::EndedEarly;
    }
    if (options.db_directory.empty()) {
        box(run, "Falta directorio Base de Datos");
        return RunEnd::EndedEarly;
    }
    DbfTable catalog;
    catalog.directory = options.db_directory;
    catalog.file_name = kDbfCatalogName;
    run.table.directory = options.db_directory;
    run.table.file_name = options.table;
    if (dbf_catalog_number(catalog, run.table) != 1) return RunEnd::EndedEarly;
    run.table_number = static_cast<std::int16_t>(run.table.table_number);
    if (dbf_open(run.table) != 0) {
        box(run, "Error al abrir la base de datos");
        return RunEnd::EndedEarly;
    }
    if (load_translation_table(run.tab, hooks, run.log.get()) == 0) return RunEnd::EndedEarly;
    if (!writer_allocate(run.writer)) {
        box(run, "Sin memoria");
        return RunEnd::EndedEarly;
    }
    run.writer.log = run.log.get();

    bool completed = read_header(run) && import_kind(run);

    dbf_close(run.table);
    status_line(hooks, "");
    progress_reset(hooks);
    close_element_file(run);
    run.log.reset();
    run.exchange.reset();
    if (run.repeated_parcel) box(run, "!ERROR! HAY PARCELAS REPETIDAS\nNO OLVIDE ORDENAR LA BASE DE DATOS");
    return completed ? RunEnd::Completed : RunEnd::EndedEarly;
}

std::string closing_text(long seconds) {
    return format("Fin del proceso\nTiempo empleado  %02ld:%02ld", seconds / 60, seconds % 60);
}

RunEnd quiran_run(Hooks& hooks, const QuiranOptions& options) {
    std::time_t start = std::time(nullptr);
    RunEnd end = quiran_import(hooks, options);
    beep(hooks);
    long elapsed = static_cast<long>(std::difftime(std::time(nullptr), start));
    info_box(hooks, closing_text(elapsed), CodePage::Cp850, "QUIRAN");
    return end;
}

}  // namespace cad
