// atributos.cpp - the street fill: street texts from a streets file written into
// the attributes file, every record made an 80-character record.
#include "atributos/atributos.h"

#include <climits>
#include <cstring>

namespace cad {

namespace {

// Longest attributes line taken record by record; a longer one is refused.
constexpr std::size_t kMaxLine = 83;
constexpr const char* kTempName = "tempo.$$$";

void copy_cut(char* dst, std::string_view text, std::size_t width) {
    std::size_t n = std::min(text.size(), width);
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

// The fill sets its status line without handling pending events.
void show_status(Hooks& hooks, std::string_view text) {
    if (hooks.fe) hooks.fe->show_status(text);
}

void refuse_long_line(Hooks& hooks, const std::string& name, long line_number) {
    message_box(hooks, format("El archivo de atributos %s tiene una l\xEDnea de m\xE1s de 83 caracteres "
                              "(l\xEDnea %ld); no se cambia",
                              name.c_str(), line_number));
}

// Writes one record of the result: the first 80 bytes of `rec`.
void put_record(std::FILE* out, char rec[85], const StreetIndex& streets, bool fill, bool refill) {
    if (fill) {
        fill_record(rec, streets, refill);
    } else {
        for (int i = 0; i < 80; ++i)
            if (rec[i] == '\0') rec[i] = ' ';
    }
    std::fwrite(rec, 1, kRecordSize, out);
}

// Attributes file as tramos writes it: one record per line, the first one
// the header. `line` holds the first line already read.
bool copy_lines(Hooks& hooks, const AtributosOptions& o, std::FILE* in, std::FILE* out, std::string& line,
                const StreetIndex& streets) {
    char rec[85];
    long number = 1;
    for (;;) {
        std::memset(rec, 0, sizeof rec);
        std::memcpy(rec, line.data(), line.size());
        put_record(out, rec, streets, number > 1, false);
        LineRead r = read_text_line(in, line, kMaxLine + 1);
        if (r == LineRead::End) return true;
        ++number;
        if (line.size() > kMaxLine) {
            refuse_long_line(hooks, o.attributes, number);
            return false;
        }
    }
}

// Attributes file without line ends (already filled): 80-character records;
// a shorter last record is padded with blanks.
bool copy_records(std::FILE* in, std::FILE* out, const StreetIndex& streets) {
    if (std::fseek(in, 0, SEEK_SET) != 0) return false;
    char rec[85];
    for (bool first = true;; first = false) {
        std::memset(rec, 0, sizeof rec);
        std::size_t got = std::fread(rec, 1, kRecordSize, in);
        if (got == 0) return true;
        // A zero byte read inside the record is a blank, like the padding.
        for (std::size_t i = 0; i < got; ++i)
            if (rec[i] == '\0') rec[i] = ' ';
        put_record(out, rec, streets, !first, true);
    }
}

}  // namespace

std::int32_t street_number(std::string_view text) {
    long v = parse_long(text);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

void load_streets(std::FILE* f, StreetIndex& streets) {
    std::string line;
    for (;;) {
        LineRead r = read_text_line(f, line);
        if (r == LineRead::End) return;
        Tokens tok;
        tokenize(line.data(), tok);
        Street s;
        copy_cut(s.short_text, trim_view(tok.slot[1]), sizeof s.short_text - 1);
        copy_cut(s.long_text, trim_view(tok.slot[2]), sizeof s.long_text - 1);
        streets.emplace(street_number(tok.slot[0]), s);
    }
}

void fill_record(char rec[85], const StreetIndex& streets, bool refill) {
    std::string_view text(rec, strnlen(rec, 85));
    auto hit = streets.find(street_number(columns(text, 7, 10)));
    if (hit != streets.end()) {
        const Street& s = hit->second;
        if (refill) std::memset(rec + 17, ' ', 63);
        std::memcpy(rec + 17, s.short_text, std::strlen(s.short_text) + 1);
        std::memcpy(rec + 24, s.long_text, std::strlen(s.long_text) + 1);
    }
    for (int i = 0; i < 80; ++i)
        if (rec[i] == '\0') rec[i] = ' ';
}

RunEnd atributos_run(Hooks& hooks, const AtributosOptions& o) {
    File in = open_existing(o.attributes, "rb");
    if (!in) {
        message_box(hooks, format("No se puede abrir el archivo  %s", o.attributes.c_str()));
        return RunEnd::EndedEarly;
    }
    std::string line;
    LineRead first = read_text_line(in.get(), line, kMaxLine + 1);
    if (first == LineRead::End) {
        message_box(hooks, format("El archivo de atributos %s est\xE1 vac\xEDo", o.attributes.c_str()));
        return RunEnd::EndedEarly;
    }
    // No line end anywhere: a file of 80-character records, filled before.
    const bool records = first == LineRead::Partial;
    if (!records && line.size() > kMaxLine) {
        refuse_long_line(hooks, o.attributes, 1);
        return RunEnd::EndedEarly;
    }

    StreetIndex streets;
    if (File f = open_existing(o.streets, "r")) {
        show_status(hooks, format("Cargando el fichero de calles. %s", o.streets.c_str()));
        load_streets(f.get(), streets);
        show_status(hooks, "");
    }

    // The result is written beside the attributes file and renamed over it.
    const std::string target = resolve_existing(o.attributes);
    const std::size_t slash = target.rfind('/');
    const std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + kTempName;
    if (target.substr(slash == std::string::npos ? 0 : slash + 1) == kTempName) {
        message_box(hooks, format("El archivo de atributos no puede llamarse %s", kTempName));
        return RunEnd::EndedEarly;
    }
    File out = create_file(temp, "wb");
    if (!out) {
        message_box(hooks, "No se puede abrir el archivo temporal");
        return RunEnd::EndedEarly;
    }
    bool ok = records ? copy_records(in.get(), out.get(), streets)
                      : copy_lines(hooks, o, in.get(), out.get(), line, streets);
    bool written = std::ferror(out.get()) == 0;
    if (std::fclose(out.release()) != 0) written = false;
    bool read = std::ferror(in.get()) == 0;
    in.reset();
    if (!ok || !written || !read) {
        std::remove(temp.c_str());
        if (ok && !read) message_box(hooks, format("No se puede leer el archivo  %s", o.attributes.c_str()));
        else if (ok) message_box(hooks, "No se puede escribir el archivo temporal");
        return RunEnd::EndedEarly;
    }
    if (!replace_file(temp, target)) {
        message_box(hooks, format("No se puede sustituir el archivo  %s; el resultado queda en %s", target.c_str(),
                                  temp.c_str()));
        return RunEnd::EndedEarly;
    }
    return RunEnd::Completed;
}

}  // namespace cad
