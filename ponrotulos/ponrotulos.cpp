// ponrotulos.cpp - the label loader: texts of chosen text elements into a field of the records they reference.
#include "ponrotulos/ponrotulos.h"

#include <new>

namespace cad {

namespace {

// Stores the element's text into the field of every record of the table
// that the element references.
void load_labels(PonRotulosRun& run, const PonRotulosArgs& args, const Element& e) {
    std::string_view text = element_text(e);
    for (int i = 0; i < e.ref_count; ++i) {
        if (ref_table(e, i) != run.table.table_number) continue;
        long n = dbf_find_record(run.table, ref_record(e, i));
        if (n <= 0) continue;
        // The search left record n in the buffer: put the text and write it back.
        if (dbf_put_field(run.table, args.campo, text, 'S') == 0 && dbf_write_record(run.table, n) == n)
            ++run.updated;
    }
}

bool allocate(std::unique_ptr<unsigned char[]>& buf, std::size_t bytes) {
    buf.reset(new (std::nothrow) unsigned char[bytes]());
    return buf != nullptr;
}

}  // namespace

bool ponrotulos_code_match(std::string_view code, std::string_view codigo) {
    for (std::size_t i = 0;; ++i) {
        if (i >= code.size()) return i >= codigo.size();
        if (i >= codigo.size()) return false;
        char c = code[i], p = codigo[i];
        if (c == '*' || p == '*') return true;
        if (c != '?' && p != '?' && c != p) return false;
    }
}

long ponrotulos_run(const PonRotulosArgs& args, std::FILE* out) {
    PonRotulosRun run;
    run.out = out;

    File f = open_existing(args.element_file, "r+b");
    if (!f) {
        std::fprintf(out, "No se puede abrir el archivo... %s\n", args.element_file.c_str());
        return -1;
    }
    // The point buffer holds the largest point count a head can declare, so
    // every element is read whole.
    if (!allocate(run.buffers.points, static_cast<std::size_t>(kMaxPoints) * kSlotSize) ||
        !reader_open(run.reader, std::move(f))) {
        std::fprintf(out, "Insuficiente memoria disponible \n\n");
        return -1;
    }
    if (!allocate(run.buffers.refs, static_cast<std::size_t>(kMaxRefs) * kSlotSize)) {
        std::fprintf(out, "Sin memoria\n");
        return -1;
    }

    run.table.directory = args.dir_tablas;
    run.table.file_name = args.tabla;
    if (dbf_open(run.table) != 0) {
        std::fprintf(out, "No se pudo abrir la based de datos %s%s\n", args.dir_tablas.c_str(), args.tabla.c_str());
        return -1;
    }
    run.catalog.directory = args.dir_tablas;
    run.catalog.file_name = kDbfCatalogName;
    if (dbf_catalog_number(run.catalog, run.table) != 1) {
        std::fprintf(out, "Error la tabla %s no esta en el catalogo ", args.tabla.c_str());
        return -1;
    }
    if (dbf_put_field(run.table, args.campo, "", 'S') == -1) {
        std::fprintf(out, "El campo %s no esta en la tabla %s\n", args.campo.c_str(), args.tabla.c_str());
        return -1;
    }

    Element e;
    for (;;) {
        ReadStatus s = read_head(run.reader, e);
        if (s == ReadStatus::End) break;
        if (s == ReadStatus::Ok) s = read_body(run.reader, e, run.buffers);
        if (s != ReadStatus::Ok) {
            // A cut last element is not used: its references may be missing.
            log_truncated(out, args.element_file);
            break;
        }
        if (e.kind == 'T' && e.marker == '=' && ponrotulos_code_match(e.code, args.codigo))
            load_labels(run, args, e);
    }
    return run.updated;
}

}  // namespace cad
