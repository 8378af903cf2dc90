// mkjob.cpp - writes a synthetic 1:1000 urban job: sheet list, code table, element files, streets file
// and the dBase tables (catalog CATDBS.DBF, parcel table PARCELAS.DBF).
//
// The bundled sample job under samples/job is made by `mkjob samples/job`; larger
// jobs for measuring the programs come from `mkjob DIR --sheets N --blocks K`.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dbase/tests/dbf_fixture.h"
#include "kernel/sheet.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

struct Options {
    std::string dir;
    int sheets = 4;
    int blocks = 3;  // blocks per row and column of a sheet
};

// Sheet names of a 1:1000 job, walking the kilometre figures of one square.
std::string sheet_name(int i) {
    char name[16];
    int e_km = i / 2 % 10, n_km = i / 20 % 10, e_tens = 1 + i / 200 % 8;
    std::snprintf(name, sizeof name, "30SVK%d2%d%d%c", e_tens, e_km, n_km, i % 2 ? 'N' : 'S');
    return name;
}

struct Sheet {
    std::string name, file;
    std::int32_t ox, oy;  // origin in centimetres
};

// Deterministic pseudo-random numbers, so every run writes the same job.
struct Lcg {
    unsigned long s = 12345;
    int next(int n) {
        s = s * 1103515245UL + 12345UL;
        return static_cast<int>((s >> 16) % static_cast<unsigned long>(n));
    }
};

const char* const kStreets[] = {"CALLE MAYOR", "CALLE DE LA ESTACION", "AVDA. DE LA CONSTITUCION", "PLAZA DEL SOL",
                                "CALLE DEL RIO", "CAMINO DE LA ERMITA", "CALLE NUEVA", "TRAVESIA DEL PILAR"};
// Short street texts of the streets file, one per name above.
const char* const kStreetShort[] = {"CL", "CL", "AV", "PZ", "CL", "CM", "CL", "TR"};

// Fields of the parcel table PARCELAS.DBF (table 2 of the catalog); ROTULO
// is left blank for PonRotulos to fill with the parcel labels.
const std::vector<FieldDef> kParcelFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5},   {"PARCELA", 'N', 3},
                                             {"EJE_VIA", 'N', 5},   {"NPOLICIA", 'C', 4},  {"DUPLICADO", 'C', 1},
                                             {"RUSTICA", 'C', 14},  {"ROTULO", 'C', 12}};

// Elements of one sheet: a grid of blocks with parcels, street axes with
// attribute references, survey points, symbols, street names and labels.
// Each parcel's record of PARCELAS.DBF goes to `parcels`.
std::vector<Elem> sheet_elements(const Sheet& s, int sheet_index, const Options& o, Lcg& rnd, long& parcel_record,
                                 long& street_record, std::vector<std::string>& parcels) {
    std::vector<Elem> out;
    const long first_street = street_record + 1;  // the axes of this sheet, numbered after its blocks
    const int k = o.blocks;
    const std::int32_t cell_w = 100000 / k, cell_h = 50000 / k;  // block cell incl. street, cm
    const std::int32_t street = 1200;                            // street width, cm
    for (int bx = 0; bx < k; ++bx) {
        for (int by = 0; by < k; ++by) {
            std::int32_t x0 = s.ox + bx * cell_w + street, y0 = s.oy + by * cell_h + street;
            std::int32_t x1 = s.ox + (bx + 1) * cell_w - street, y1 = s.oy + (by + 1) * cell_h - street;
            std::int32_t z = 65000 + rnd.next(2000);
            // Block outline, as four segments (parcel boundaries on the street front).
            std::int32_t corners[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
            for (int c = 0; c < 4; ++c)
                out.push_back(line("111101", {corners[c][0], corners[c][1], z, corners[c + 1][0], corners[c + 1][1], z}));
            // Two parcels per block split by a middle boundary.
            std::int32_t xm = (x0 + x1) / 2;
            out.push_back(line("111201", {xm, y0, z, xm, (y0 + y1) / 2, z, xm, y1, z}));
            int manzana = 10000 + sheet_index * 100 + bx * 10 + by;
            // The block label references the block's first parcel record, which holds its MANZANA.
            out.push_back(text("145101", (x0 + x1) / 2, (y0 + y1) / 2 + 800, std::to_string(manzana), 300, 0, z,
                               {{2, static_cast<std::int32_t>(parcel_record + 1), ""}}));
            for (int p = 0; p < 2; ++p) {
                ++parcel_record;
                char label[8];
                std::snprintf(label, sizeof label, "%02d", p + 1);
                std::int32_t lx = p == 0 ? (x0 + xm) / 2 : (xm + x1) / 2;
                out.push_back(text("145201", lx, (y0 + y1) / 2 - 800, label, 200, 0, z,
                                   {{2, static_cast<std::int32_t>(parcel_record), ""}}));
                // House numbers along the street below the block; a few
                // carry a duplicate letter, as a suffix or in DUPLICADO.
                int number = 2 * (bx * 2 + p) + 1;
                std::string npolicia = std::to_string(number), duplicado;
                if (parcel_record % 7 == 0) npolicia += "B";
                if (parcel_record % 11 == 0) duplicado = "A";
                parcels.push_back(dbf_record(kParcelFields, {std::to_string(parcel_record), std::to_string(manzana),
                                                             std::to_string(p + 1), std::to_string(first_street + by),
                                                             npolicia, duplicado, "", ""}));
            }
            // A survey point and a symbol in every block.
            out.push_back(line("018101", {x0 + 500, y0 + 500, z + rnd.next(300)}));
            out.push_back(text("018501", x1 - 500, y1 - 500, "@3 PK" + std::to_string(bx * 10 + by), 250, 0, z));
        }
    }
    // Street axes between the block rows, each with its street as own attribute,
    // and the street names along them.
    for (int by = 0; by <= k; ++by) {
        std::int32_t y = s.oy + by * cell_h;
        if (by == k) y -= street / 2;
        if (by == 0) y += street / 2;
        ++street_record;
        std::vector<std::int32_t> pts;
        for (int step = 0; step <= 4; ++step) pts.insert(pts.end(), {s.ox + 100 + step * 24950, y, 65500});
        out.push_back(line("030102", pts, {{1, static_cast<std::int32_t>(street_record), ""}}));
        out.push_back(text("019001", s.ox + 20000, y + 200, kStreets[(street_record - 1) % 8], 300, 0, 65500));
    }
    // A pavement edge with a foreign street attribute, and one without any.
    out.push_back(line("030202", {s.ox + 100, s.oy + 600, 65400, s.ox + 99900, s.oy + 600, 65400},
                       {{1, static_cast<std::int32_t>(street_record), "030202"}}));
    out.push_back(line("030202", {s.ox + 100, s.oy + 49400, 65400, s.ox + 99900, s.oy + 49400, 65400}));
    // A few problems for the logs: height 0 on a 02 81 point, an unknown code,
    // a text with characters the texts file refuses, a point off the sheet.
    if (sheet_index == 0) {
        out.push_back(line("028113", {s.ox + 3000, s.oy + 3000, 0}));
        out.push_back(line("999999", {s.ox + 4000, s.oy + 4000, 65000, s.ox + 4100, s.oy + 4000, 65000}));
        out.push_back(text("019001", s.ox + 5000, s.oy + 5000, "C/ SAN JUAN (ANTES REAL)", 300, 4500, 65000));
        out.push_back(line("018101", {s.ox - 100, s.oy + 100, 65000}));
    }
    return out;
}

const char* const kCodeTable =
    "0101?? Limites\n"
    "018101 Punto de cota\n"
    "018501 Simbolo\n"
    "019001 Rotulo de calle\n"
    "028113 Vertice\n"
    "0301?? Eje de via\n"
    "0302?? Borde de acera\n"
    "1111?? Linea de manzana\n"
    "1112?? Linea de parcela\n"
    "1451?? Rotulo de manzana\n"
    "1452?? Rotulo de parcela\n"
    "1455?? Rotulo de subparcela\n"
    "168113 Punto con simbolo\n";

// The import's translation table: the symbols of the job are drawn with symbol 3.
const char* const kTranslationTable =
    "/ Simbolos de los puntos\n"
    "018501 3\n";

int usage() {
    std::fprintf(stderr, "usage: mkjob DIR [--sheets N] [--blocks K]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if ((a == "--sheets" || a == "--blocks") && i + 1 < argc) {
            int v = std::atoi(argv[++i]);
            if (v < 1 || v > 1600) return usage();
            (a == "--sheets" ? o.sheets : o.blocks) = v;
        } else if (!a.empty() && a[0] != '-' && o.dir.empty()) {
            o.dir = a;
        } else {
            return usage();
        }
    }
    if (o.dir.empty()) return usage();
    ::mkdir(o.dir.c_str(), 0755);

    std::string list = header_line('U', 30, 1000, "123045", "VILLANUEVA DEL EJEMPLO") + "\n";
    list[0] = 'T';
    Lcg rnd;
    long parcel_record = 0, street_record = 0;
    std::vector<std::string> parcels;
    std::string refcat;
    for (int i = 0; i < o.sheets; ++i) {
        Sheet s;
        s.name = sheet_name(i);
        SheetOrigin org = decode_sheet_origin(s.name);
        s.ox = static_cast<std::int32_t>(origin_to_cm(org.x));
        s.oy = static_cast<std::int32_t>(origin_to_cm(org.y));
        s.file = s.name.substr(2, 8);
        list += sheet_line(s.name) + "\n";
        std::size_t first = parcels.size();
        write_file(o.dir + "/" + s.file + ".bin",
                   element_file(sheet_elements(s, i, o, rnd, parcel_record, street_record, parcels)));
        // The references file registers each parcel ("%-5s%-2s" of manzana and
        // parcel code) under its sheet's code, but the first parcel of the
        // second sheet under the first sheet's code.
        for (std::size_t k = first; k < parcels.size(); ++k) {
            std::string sheet_code = (i == 1 && k == first ? sheet_name(0) : s.name).substr(3, 7);
            char entry[64];
            std::snprintf(entry, sizeof entry, "123045 %.5s%02ld %s\n", parcels[k].c_str() + 11,
                          std::atol(parcels[k].substr(16, 3).c_str()), sheet_code.c_str());
            refcat += entry;
        }
    }
    // The job's last parcel is missing from it, as a parcel not yet registered.
    if (!refcat.empty()) refcat.erase(refcat.rfind('\n', refcat.size() - 2) + 1);
    write_file(o.dir + "/TREN", list);
    write_file(o.dir + "/CATASTRO.TAB", kCodeTable);
    write_file(o.dir + "/QUIRAN.TAB", kTranslationTable);
    // The streets file of the street fill: one line per street axis record number.
    std::string streets;
    for (long r = 1; r <= street_record; ++r) {
        char entry[96];
        std::snprintf(entry, sizeof entry, "%ld %s \"%s\"\n", r, kStreetShort[(r - 1) % 8], kStreets[(r - 1) % 8]);
        streets += entry;
    }
    write_file(o.dir + "/CALLES", streets);
    write_file(o.dir + "/REFCAT.TXT", refcat);
    // The database: the catalog (with a deleted old entry) and the parcel table.
    const std::vector<FieldDef> catalog = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}};
    write_file(o.dir + "/CATDBS.DBF", dbf_table(catalog, {dbf_record(catalog, {"2", "PARCELAS.OLD"}, true),
                                                         dbf_record(catalog, {"2", "PARCELAS"})}));
    write_file(o.dir + "/PARCELAS.DBF", dbf_table(kParcelFields, parcels));
    std::printf("%s: %d sheets, %ld parcels, %ld streets\n", o.dir.c_str(), o.sheets, parcel_record, street_record);
    return 0;
}
