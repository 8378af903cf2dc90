// Tests of QUIRAN's command line, and of the round trip exports -> QUIRAN -> exports.
#include <gtest/gtest.h>

#include <filesystem>

#include "quiran/tests/quiran_fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;

std::string points_job() {
    return exchange_header('P', 2, 'R', "OR") + sheet_record("30SVK1234N", 2) + point_record("028113", X, Y, 1) +
           point_record("018501", X, Y, 5, 25, 90, "PK12");
}

const std::string kListing =
    "TERMINO MUNICIPAL=MUNICIPIO DE PRUEBA       \n"
    "Codigo Gerencia=123  Codigo Municipio=456\n"
    "Total bloques=1  Numero de bloque=1\n"
    "Clave Empresa=EMPRESA Fecha edicion=0112026\n"
    "Huso geografico=30  Escala=1/1000\n"
    "Numero total de elementos=2\n"
    "R\xC3\xBAstica+Diseminado\n"
    "Ortofoto r\xC3\xBAstica\n"
    "PLANO=30SVK123  Numero elementos=2      \n";
const std::string kClosing = "Fin del proceso\nTiempo empleado  00:00\n";

}  // namespace

TEST(QuiranCommandLine, Runs) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool existing;  ///< 123.P holds an old drawing before the run
        int status;
        std::string out, err;
        bool replaced;
    } cases[] = {
        {"plain run", {"E"}, false, 0, kListing + "Elementos leidos=2      \n" + kClosing, "", true},
        {"existing file, no terminal, no --yes", {"E"}, true, 1,
         kListing + "El PLANO 123.P ya existe se SOBRESCRIBE\n" + kClosing, "", false},
        {"existing file with --yes", {"E", "--yes"}, true, 0,
         kListing + "El PLANO 123.P ya existe se SOBRESCRIBE\nElementos leidos=2      \n" + kClosing, "", true},
        {"empty database directory", {"E", "--db="}, false, 1, kClosing, "Falta directorio Base de Datos\n", false},
        {"table not in the catalog", {"E", "--table", "PARCELAS"}, false, 1, kClosing, "", false},
        {"record length", {"E", "--record-length=0"}, false, 1, kClosing, "Longitud registro no valida: 0\n", false},
        {"no exchange file", {}, false, 1, kClosing, "No se puede abrir el fichero de catastro \n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job(points_job());
        if (c.existing) job.dir.write("123.P", "old drawing");
        Result r = run_program(bin("QUIRAN"), c.args, job.dir.path);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        std::string drawing = job.dir.read("123.P");
        EXPECT_EQ(!drawing.empty() && drawing != "old drawing", c.replaced);
    }
}

TEST(QuiranCommandLine, DirectoriesTableAndLineEnds) {
    Job job;
    std::filesystem::create_directory(job.dir.file("db"));
    job.dir.write("db/CATDBS.DBF", dbf_catalog({{4, "PARCELAS"}}));
    job.dir.write("db/PARCELAS.DBF", dbf_table(parcel_fields(), {}));
    std::filesystem::create_directory(job.dir.file("work"));
    job.dir.write("work/QUIRAN.TAB", "018501 7\n");
    std::string file;
    for (std::size_t i = 0; i < points_job().size(); i += 80) file += points_job().substr(i, 80) + "\r\n";
    job.dir.write("work/E.txt", file);
    Result r = run_program(bin("QUIRAN"),
                           {"-C", "work", "e.TXT", "--db", job.dir.file("db"), "--table", "parcelas", "--record-length", "81"},
                           job.dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kListing + "Elementos leidos=2      \n" + kClosing);
    EXPECT_EQ(masked_elements(job.dir.read("work/123.P")),
              element_file({line_elem("028113", {X, Y, 1}), text_elem("018501", X, Y, "@7 PK12", 250, {}, 5)}));
    EXPECT_EQ(run_program(bin("QUIRAN"), {"E", "F"}, job.dir.path).status, 2);
    EXPECT_EQ(run_program(bin("QUIRAN"), {"--nada"}, job.dir.path).status, 2);
}

// The four exports of a job, their exchange files imported back, the element
// files put together and exported again give the same exchange files.
TEST(QuiranRoundTrip, ExportsImportExports) {
    for (const char* program : {"puntos", "textos", "tramos", "superficies"})
        ASSERT_TRUE(std::filesystem::exists(bin(program))) << program << " is not built";
    const std::vector<FieldDef> fields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 3},
                                          {"EJE_VIA", 'N', 5},   {"NPOLICIA", 'C', 4}, {"DUPLICADO", 'C', 1}};
    TempDir job;
    job.write("TREN", header_line('U', 30, 1000) + "\n" + sheet_line("30SVK1234N") + "\n");
    job.write("CATASTRO.TAB", "*\n");
    job.write("CATDBS.DBF", dbf_catalog({{2, "PARCELAS"}}));
    job.write("PARCELAS.DBF", dbf_table_of(fields, {{"1", "00012", "1", "123", "15", "B"}, {"2", "00012", "103", "123", "17", ""}}));
    std::vector<Elem> elems = {
        // Segments: an axis with its own street and a foreign one, a parcel line.
        line("030102", {X, Y, 6500, X + 1000, Y, 6500, X + 2000, Y + 500, 6510, X + 3000, Y + 500, 6520},
             {{1, 5, ""}, {1, 6, "030202"}}),
        line("111201", {X, Y + 100, 6500, X, Y + 900, 6500}),
        // Points: a survey point, a point with its fixed symbol size, a symbol.
        line("018101", {X + 10, Y + 10, 6543}),
        line("168113", {X + 20, Y + 20, 6544}),
        text("018501", X + 30, Y + 30, "@7 PK12", 250, 0, 6545),
        // Texts.
        text("019001", X + 40, Y + 40, "CALLE MAYOR", 300, 0),
        text("019001", X + 50, Y + 50, "PLAZA", 200, 4500),
        // Surface labels referring to the parcel records.
        text("145101", X + 60, Y + 60, "12", 350, 0, 0, {{2, 1, ""}, {2, 2, ""}}),
        text("145201", X + 70, Y + 70, "01", 200, 0, 0, {{2, 1, ""}}),
        text("145201", X + 80, Y + 80, "A3", 200, 0, 0, {{2, 2, ""}}),
        text("145501", X + 90, Y + 90, "II+TZA", 150, 0, 0, {{2, 1, ""}}),
        text("146001", X + 99, Y + 99, "JARDIN", 150),
    };
    job.write("SVK1234N.bin", element_file(elems));
    const std::vector<std::pair<std::string, std::vector<std::string>>> exports = {
        {"tramos", {}}, {"puntos", {}}, {"textos", {}}, {"superficies", {}}};
    for (const auto& [program, args] : exports) {
        Result r = run_program(bin(program), args, job.path);
        ASSERT_EQ(r.status, 0) << program << ": " << r.err;
    }

    TempDir again;
    again.write("TREN", job.read("TREN"));
    again.write("CATASTRO.TAB", "*\n");
    again.write("CATDBS.DBF", dbf_catalog({{2, "TAB"}}));
    again.write("TAB.DBF", dbf_table(fields, {}));
    again.write("QUIRAN.TAB", "018501 7\n");
    std::string drawing;
    for (const char* exchange : {"T.1", "P", "X", "S"}) {
        again.write(exchange, job.read(exchange));
        Result r = run_program(bin("QUIRAN"), {exchange}, again.path);
        ASSERT_EQ(r.status, 0) << exchange << ": " << r.err;
        std::string kind = exchange == std::string("T.1") ? "T" : exchange;
        drawing += again.read("SVK1234N." + kind);
        std::remove(again.file(exchange).c_str());
    }
    again.write("SVK1234N.bin", drawing);
    for (const auto& [program, args] : exports) {
        Result r = run_program(bin(program), args, again.path);
        ASSERT_EQ(r.status, 0) << program << ": " << r.err;
    }
    // Records written: header, sheet and data records (the attributes file: its lines).
    const std::pair<const char*, std::size_t> sizes[] = {
        {"T.1", 80 * (2 + 2 + 1 + 2 + 1)}, {"A", 81 + 2 * 69}, {"P", 80 * 5}, {"X", 80 * 4}, {"S", 80 * 7}};
    for (const auto& [exchange, size] : sizes) {
        SCOPED_TRACE(exchange);
        EXPECT_EQ(job.read(exchange).size(), size);
        EXPECT_EQ(again.read(exchange), job.read(exchange));
    }
    // The parcel records appended by the import are those the labels referred to.
    EXPECT_EQ(again.read("TAB.DBF"),
              dbf_table(fields, {dbf_record(fields, {"1", "00012", "01", "00123", "0015", "B"}),
                                 dbf_record(fields, {"2", "00012", "103", "00123", "0017", ""})}));
}

// The bundled sample job: its exchange files are what the exports write, and
// they come back through QUIRAN. A block label gets a reference to every
// parcel of its block, so the sheet code of a block record, looked up in
// REFCAT.TXT under the block's last parcel, may differ from the one of its
// first parcel: those records alone may not survive.
TEST(QuiranRoundTrip, SampleJob) {
    const std::string sample = std::string(CADASTRO_SOURCE_DIR) + "/samples/job";
    const char* const exchanges[] = {"T.1", "P", "X", "S"};
    TempDir job;
    std::filesystem::copy(sample, job.path, std::filesystem::copy_options::recursive |
                                                std::filesystem::copy_options::overwrite_existing);
    for (const char* program : {"tramos", "puntos", "textos", "superficies"})
        ASSERT_EQ(run_program(bin(program), {}, job.path).status, 0) << program;
    for (const char* exchange : exchanges)
        EXPECT_TRUE(job.read(exchange) == read_file(sample + "/" + exchange))
            << "samples/job/" << exchange << " is not what the exports write: run tramos, puntos, textos and "
            << "superficies in a copy of samples/job and copy " << exchange << " back";

    TempDir again;
    for (const char* name : {"TREN", "CATASTRO.TAB", "CATDBS.DBF", "REFCAT.TXT", "QUIRAN.TAB", "T.1", "P", "X", "S"})
        again.write(name, job.read(name));
    // The active table: the parcel table without its records.
    std::string table = job.read("PARCELAS.DBF");
    ASSERT_GT(table.size(), 32u);
    std::size_t header = static_cast<unsigned char>(table[8]) | static_cast<unsigned char>(table[9]) << 8;
    std::string empty = table.substr(0, header) + "\x1A";
    std::fill(empty.begin() + 4, empty.begin() + 8, '\0');
    again.write("PARCELAS.DBF", empty);
    for (const char* exchange : exchanges) {
        Result r = run_program(bin("QUIRAN"), {exchange, "--table", "PARCELAS", "--yes"}, again.path);
        ASSERT_EQ(r.status, 0) << exchange << ": " << r.err;
    }
    std::string tren = job.read("TREN");
    int sheets = 0;
    for (std::size_t at = tren.find("\n/"); at != std::string::npos; at = tren.find("\n/", at + 1), ++sheets) {
        std::string base = tren.substr(at + 4, 8);
        std::string drawing;
        for (const char* kind : {".T", ".P", ".X", ".S"}) drawing += again.read(base + kind);
        EXPECT_FALSE(drawing.empty()) << base;
        again.write(base + ".bin", drawing);
    }
    EXPECT_EQ(sheets, 4);
    for (const char* program : {"tramos", "puntos", "textos", "superficies"})
        ASSERT_EQ(run_program(bin(program), {}, again.path).status, 0) << program;
    for (const char* exchange : {"T.1", "A", "P", "X"}) EXPECT_EQ(again.read(exchange), job.read(exchange)) << exchange;
    std::vector<std::string> before = records(job.read("S")), after = records(again.read("S"));
    ASSERT_EQ(after.size(), before.size());
    int differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (after[i] == before[i]) continue;
        ++differing;
        EXPECT_EQ(before[i].substr(1, 6), "145101") << before[i];
        EXPECT_EQ(after[i].substr(0, 62) + after[i].substr(69), before[i].substr(0, 62) + before[i].substr(69));
    }
    EXPECT_LE(differing, 1);
}
