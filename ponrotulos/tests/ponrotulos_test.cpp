// ponrotulos_test.cpp - the label loader run as a command over small sheets and tables.
#include "ponrotulos/ponrotulos.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "dbase/tests/dbf_fixture.h"
#include "dbase/tests/dbfread.h"
#include "testsupport/fixtures.h"

namespace cad {
namespace {

using test::dbf_record;
using test::dbf_table;
using test::Elem;
using test::FieldDef;
using test::Ref;
using test::TempDir;

const std::vector<FieldDef> kFields = {{"REGISTRO", 'N', 10}, {"ROTULO", 'C', 12}, {"MANZANA", 'C', 5}};
constexpr std::size_t kHeader = 32 + 3 * 32 + 1;
constexpr std::size_t kRecord = 1 + 10 + 12 + 5;

// Table number of PARCELAS in the catalog.
constexpr std::int16_t kTable = 2;

std::string row(long key, std::string rotulo = "viejo", bool deleted = false) {
    return dbf_record(kFields, {std::to_string(key), std::move(rotulo), "00012"}, deleted);
}

// A database directory "db" with CATDBS.DBF listing PARCELAS as 2 and CALLES as 3.
struct Job {
    TempDir d;
    std::string table;  ///< bytes of db/PARCELAS.DBF as written
    explicit Job(std::vector<std::string> records = {row(1), row(2), row(3), row(4)}) {
        std::filesystem::create_directory(d.file("db"));
        d.write("db/CATDBS.DBF", test::dbf_catalog({{3, "CALLES"}, {kTable, "parcelas"}}));
        table = dbf_table(kFields, records);
        d.write("db/PARCELAS.DBF", table);
        d.write("db/CALLES.DBF", dbf_table(kFields, {row(1)}));
    }
    void sheet(const std::vector<Elem>& elems) const { d.write("HOJA.bin", test::element_file(elems)); }
    test::Result run(const std::vector<std::string>& args) const {
        return test::run_program(test::bin("PonRotulos"), args, d.path);
    }
    test::Result run(const std::string& codigo = "145201", const std::string& campo = "ROTULO") const {
        return run({"HOJA.bin", codigo, "db", "PARCELAS", campo});
    }
    std::string now() const { return d.read("db/PARCELAS.DBF"); }
    // The table as first written, with record n replaced.
    std::string with(std::string bytes, long n, const std::string& record) const {
        bytes.replace(kHeader + kRecord * static_cast<std::size_t>(n - 1), kRecord, record);
        return bytes;
    }
};

Elem label(const std::string& code, const std::string& txt, std::vector<Ref> refs) {
    return test::text(code, 100, 200, txt, 250, 0, 0, std::move(refs));
}

TEST(PonRotulosCodeMatch, CharacterByCharacter) {
    struct {
        const char* code;
        const char* codigo;
        bool match;
    } cases[] = {
        {"145201", "145201", true}, {"145201", "1452??", true}, {"145299", "1452??", true},
        {"145101", "1452??", false}, {"14520", "1452??", false},  {"1452011", "1452??", false},
        {"145201", "*", true},      {"TPOL", "*", true},         {"145201", "14*", true},
        {"14", "14*", false},       {"14*", "1452", true},        {"14?201", "145201", true},
        {"145201", "$52", false},   {"$52", "$52", true},         {"145201", "", false},
        {"", "", true},             {"145201", "145202", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ponrotulos_code_match(c.code, c.codigo), c.match) << c.code << " " << c.codigo;
}

TEST(PonRotulos, WrongArgumentCountPrintsUsage) {
    Job job;
    job.sheet({label("145201", "UNO", {{kTable, 1, ""}})});
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"HOJA.bin", "145201", "db", "PARCELAS"}, {"HOJA.bin", "145201", "db", "PARCELAS", "ROTULO", "X"},
             {"--help"}}) {
        SCOPED_TRACE(args.size());
        test::Result r = job.run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "PonRotulos [FVexo.ext] [Codigo] [DirTablas] [Tabla] [Campo]\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(job.now(), job.table);
    }
}

TEST(PonRotulos, TextsGoIntoEveryReferencedRecord) {
    Job job({row(1), row(2), row(3), row(4, "viejo", true), row(5)});
    Elem unmarked = label("145201", "SIN MARCA", {{kTable, 5, ""}});
    unmarked.marker = ' ';
    job.sheet({
        // Two references into the table, one code reference, one into another
        // table and one to a record the table lacks.
        label("145201", "PARCELA UNO", {{kTable, 1, ""}, {1, 2, "145201"}, {3, 2, ""}, {kTable, 3, ""}, {kTable, 77, ""}}),
        label("145202", "OTRO CODIGO", {{kTable, 2, ""}}),
        test::line("145201", {0, 0, 0, 10, 10, 0}, {{kTable, 2, ""}}),
        unmarked,
        label("145201", "VEINTE CARACTERES XX", {{kTable, 4, ""}}),  // deleted record: found, made live
        label("145201", "CORTO", {{kTable, 5, ""}}),
    });
    const std::string sheet = job.d.read("HOJA.bin");
    test::Result r = job.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    std::string want = job.table;
    want = job.with(want, 1, row(1, "PARCELA UNO"));
    want = job.with(want, 3, row(3, "PARCELA UNO"));
    want = job.with(want, 4, row(4, "VEINTE CARAC"));
    want = job.with(want, 5, row(5, "CORTO       "));
    EXPECT_EQ(job.now(), want);
    EXPECT_EQ(job.d.read("HOJA.bin"), sheet);
    EXPECT_EQ(job.d.read("db/CALLES.DBF"), dbf_table(kFields, {row(1)}));
    EXPECT_EQ(test::dbfread_dump(job.d.file("db/PARCELAS.DBF")),
              "{\"fields\": [[\"REGISTRO\", \"N\", 10, 0], [\"ROTULO\", \"C\", 12, 0], [\"MANZANA\", \"C\", 5, 0]], "
              "\"records\": [[1, \"PARCELA UNO\", \"00012\"], [2, \"viejo\", \"00012\"], [3, \"PARCELA UNO\", "
              "\"00012\"], [4, \"VEINTE CARAC\", \"00012\"], [5, \"CORTO\", \"00012\"]], \"deleted\": [], "
              "\"numrecords\": 5}\n");
}

TEST(PonRotulos, CodigoPatterns) {
    struct {
        const char* codigo;
        std::vector<long> written;  ///< records that get their element's text
    } cases[] = {
        {"1452??", {1, 2}},
        {"*", {1, 2, 3, 4}},
        {"14*", {1, 2, 3}},
        {"$52", {4}},  // '$' is an ordinary character
        {"145201", {1}},
        {"999999", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codigo);
        Job job;
        job.sheet({label("145201", "A", {{kTable, 1, ""}}), label("145299", "B", {{kTable, 2, ""}}),
                   label("145101", "C", {{kTable, 3, ""}}), label("$52", "D", {{kTable, 4, ""}})});
        test::Result r = job.run(c.codigo);
        EXPECT_EQ(r.out, "");
        std::string want = job.table;
        for (long n : c.written) want = job.with(want, n, row(n, std::string(1, static_cast<char>('A' + n - 1))));
        EXPECT_EQ(job.now(), want);
    }
}

TEST(PonRotulos, KeysFoundByBisectionWhenNumbersHaveGaps) {
    Job job({row(10), row(20), row(30), row(40), row(50), row(60), row(70)});
    job.sheet({label("145201", "DIEZ", {{kTable, 10, ""}}), label("145201", "SETENTA", {{kTable, 70, ""}}),
               label("145201", "TREINTA", {{kTable, 30, ""}}), label("145201", "NADA", {{kTable, 35, ""}}),
               label("145201", "TRES", {{kTable, 3, ""}})});
    EXPECT_EQ(job.run().out, "");
    std::string want = job.with(job.table, 1, row(10, "DIEZ"));
    want = job.with(want, 7, row(70, "SETENTA"));
    want = job.with(want, 3, row(30, "TREINTA"));
    EXPECT_EQ(job.now(), want);
}

TEST(PonRotulos, FailuresPrintTheirMessageAndChangeNothing) {
    struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {"element file missing", {"NOPE.bin", "145201", "db", "PARCELAS", "ROTULO"},
         "No se puede abrir el archivo... NOPE.bin\n"},
        {"table missing", {"HOJA.bin", "145201", "db", "NOPE", "ROTULO"}, "No se pudo abrir la based de datos dbNOPE\n"},
        {"directory missing", {"HOJA.bin", "145201", "nodb/", "PARCELAS", "ROTULO"},
         "No se pudo abrir la based de datos nodb/PARCELAS\n"},
        {"table not in the catalog", {"HOJA.bin", "145201", "db", "OTRA.DBF", "ROTULO"},
         "Error la tabla OTRA.DBF no esta en el catalogo "},
        {"field missing", {"HOJA.bin", "145201", "db", "PARCELAS", "NADA"}, "El campo NADA no esta en la tabla PARCELAS\n"},
        {"field names are case-sensitive", {"HOJA.bin", "145201", "db", "PARCELAS", "rotulo"},
         "El campo rotulo no esta en la tabla PARCELAS\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Job job;
        job.d.write("db/OTRA.DBF", job.table);
        // The field is checked before any element is read: a cut sheet says nothing.
        std::string sheet = test::element_file({label("145201", "UNO", {{kTable, 1, ""}})});
        sheet.resize(sheet.size() - 3);
        job.d.write("HOJA.bin", sheet);
        test::Result r = job.run(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(job.now(), job.table);
        EXPECT_EQ(job.d.read("db/OTRA.DBF"), job.table);
        EXPECT_EQ(job.d.read("HOJA.bin"), sheet);
    }
}

TEST(PonRotulos, MissingCatalogCountsAsNotListed) {
    Job job;
    job.sheet({label("145201", "UNO", {{kTable, 1, ""}})});
    std::filesystem::remove(job.d.file("db/CATDBS.DBF"));
    test::Result r = job.run();
    EXPECT_EQ(r.out, "Error la tabla PARCELAS no esta en el catalogo ");
    EXPECT_EQ(job.now(), job.table);
}

TEST(PonRotulos, ReadOnlySheetIsNotOpenable) {
    Job job;
    job.sheet({label("145201", "UNO", {{kTable, 1, ""}})});
    ::chmod(job.d.file("HOJA.bin").c_str(), 0444);
    EXPECT_EQ(job.run().out, "No se puede abrir el archivo... HOJA.bin\n");
    EXPECT_EQ(job.now(), job.table);
}

TEST(PonRotulos, NamesInOtherLetterCaseAndSeparators) {
    Job job;
    std::filesystem::create_directory(job.d.file("Hojas"));
    job.d.write("Hojas/HOJA.BIN", test::element_file({label("145201", "UNO", {{kTable, 2, ""}})}));
    test::Result r = job.run({"hojas\\hoja.bin", "145201", "DB", "Parcelas.dbf", "ROT*"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(job.now(), job.with(job.table, 2, row(2, "UNO")));
}

TEST(PonRotulos, OddTextAreasStayInBounds) {
    Job job;
    // More points than the 15000 slots of the original buffer, a text with no
    // NUL inside its area, and a text element with no text area at all.
    Elem big = label("145201", "", {{kTable, 1, ""}, {kTable, 2, ""}});
    big.raw_area = "MUCHOS PUNTOS";
    big.raw_area.resize(static_cast<std::size_t>(19999) * 12, '\0');
    Elem no_nul = label("145201", "", {{kTable, 3, ""}});
    no_nul.raw_area = "SIN FIN 1234";  // exactly one slot, no terminator
    Elem no_area = label("145201", "", {{kTable, 4, ""}});
    no_area.raw_area.clear();
    job.sheet({big, no_nul, no_area});
    EXPECT_EQ(job.run().out, "");
    std::string want = job.with(job.table, 1, row(1, "MUCHOS PUNTO"));
    want = job.with(want, 2, row(2, "MUCHOS PUNTO"));
    want = job.with(want, 3, row(3, "SIN FIN 1234"));
    want = job.with(want, 4, row(4, ""));
    EXPECT_EQ(job.now(), want);
}

TEST(PonRotulos, CutLastElementIsReportedAndNotUsed) {
    Job job;
    std::string sheet = test::element_file({label("145201", "UNO", {{kTable, 1, ""}}),
                                            label("145201", "DOS", {{kTable, 2, ""}, {kTable, 3, ""}})});
    sheet.resize(sheet.size() - 6);  // the second element's last reference is cut
    job.d.write("HOJA.bin", sheet);
    test::Result r = job.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Error elemento incompleto al final del fichero... HOJA.bin\n");
    EXPECT_EQ(job.now(), job.with(job.table, 1, row(1, "UNO")));
}

TEST(PonRotulos, EmptySheetAndEmptyTable) {
    Job job(std::vector<std::string>{});
    job.sheet({label("145201", "UNO", {{kTable, 1, ""}})});
    EXPECT_EQ(job.run().out, "");
    EXPECT_EQ(job.now(), job.table);
    job.d.write("HOJA.bin", "");
    EXPECT_EQ(job.run().out, "");
    EXPECT_EQ(job.now(), job.table);
}

TEST(PonRotulos, RunReportsRecordsWritten) {
    Job job;
    job.sheet({label("145201", "UNO", {{kTable, 1, ""}, {kTable, 2, ""}}), label("145201", "X", {{kTable, 9, ""}})});
    test::ChangeDir here(job.d.path);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(ponrotulos_run({"HOJA.bin", "145201", "db", "PARCELAS", "ROTULO"}, out), 2);
    EXPECT_EQ(ponrotulos_run({"HOJA.bin", "145201", "db", "PARCELAS", "NADA"}, out), -1);
    std::fclose(out);
}

}  // namespace
}  // namespace cad
