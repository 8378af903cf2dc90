// Tests of the points export: records of point features and symbol texts, and its log.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "puntos/puntos.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;  // inside sheet 30SVK1234N

using Output = SheetExport;

Output export_sheet(const std::vector<Elem>& elems, int escala = 1000) {
    return export_one_sheet(puntos_run, "P", elems, escala);
}

std::string point_rec(const char* code6, long seq, long x, long y, long z, const char* at_angle, const char* tail) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.6s%06ld30%08ld%09ld%07ld 00%s%s", code6, seq, x, y, z, at_angle, tail);
    return buf;
}
const std::string kBlank32(32, ' ');

}  // namespace

TEST(Puntos, Conversions) {
    Elem sym = text("018501", X, Y, "@7 PK12", 250, 0, 1200);
    Elem sym_one = text("018501", X, Y, "@7", 250, 9000, 1200);
    Elem sym_long = text("018501", X, Y, "@7 ETIQUETA_MUY_LARGA", 250, 0, 1200);
    struct Case {
        const char* name;
        Elem elem;
        std::vector<std::string> recs;
        std::string log;
    } cases[] = {
        {"point feature", line("018101", {X, Y, 6543}), {point_rec("018101", 1, X, Y, 6543, "0000000", kBlank32.c_str())}, ""},
        {"zero height on 02 81", line("028113", {X, Y, 0}), {point_rec("028113", 1, X, Y, 0, "0000000", kBlank32.c_str())},
         "Punto cota erronea 028113 41350000 442470000       0\n"},
        {"negative and high z", line("018101", {X, Y, 400001}),
         {point_rec("018101", 1, X, Y, 400001, "0000000", kBlank32.c_str())},
         "Punto cota erronea 018101 41350000 442470000  400001\n"},
        {"class with AT and angle", line("168113", {X, Y, 5}), {point_rec("168113", 1, X, Y, 5, "0100090", kBlank32.c_str())}, ""},
        {"class without", line("168114", {X, Y, 5}), {point_rec("168114", 1, X, Y, 5, "0000000", kBlank32.c_str())}, ""},
        {"subgroup 90 is not a point", line("019001", {X, Y, 5, X, Y, 6}), {}, ""},
        {"several points", line("018101", {X, Y, 1, X + 100000, Y, 1, X, Y, 1}), {},
         "Fuera de hoja 41450000 442470000\nError el codigo 018101 tiene 3 puntos\n"},
        {"symbol text", sym, {point_rec("018501", 1, X, Y, 1200, "0250090", ("                PK12" + std::string(12, ' ')).c_str())}, ""},
        {"symbol without label", sym_one, {point_rec("018501", 1, X, Y, 1200, "0250360", kBlank32.c_str())}, ""},
        {"plain text", text("018501", X, Y, "PK12"), {}, ""},
        {"blank text", text("018501", X, Y, "     "), {}, ""},
        {"label wider than 16", sym_long, {},
         "Error valor demasiado ancho para el registro, no se escribe 018501 41350000 442470000\n"},
        {"x wider than its field", line("018101", {-12345678, Y, 5}), {},
         "Fuera de hoja -12345678 442470000\n"
         "Error valor demasiado ancho para el registro, no se escribe 018101 -12345678 442470000\n"},
    };
    for (const auto& c : cases) {
        Output o = export_sheet({c.elem});
        EXPECT_EQ(o.recs, c.recs) << c.name;
        EXPECT_EQ(o.log, c.log) << c.name;
        for (const auto& r : o.recs) EXPECT_EQ(r.size(), 80u) << c.name;
    }
}

TEST(Puntos, SymbolAnglesAndHeights) {
    struct Case {
        std::int32_t angle, height;
        int escala;
        const char* at_angle;
    } cases[] = {
        {0, 250, 1000, "0250090"},  {9000, 250, 1000, "0250360"}, {18000, 250, 1000, "0250270"},
        {10050, 250, 1000, "0250350"}, {0, 250, 500, "0500090"},  {0, 250, 0, "0000090"},
    };
    for (const auto& c : cases) {
        Output o = export_sheet({text("018501", X, Y, "@3 A", c.height, c.angle, 10)}, c.escala);
        ASSERT_EQ(o.recs.size(), 1u) << c.angle;
        EXPECT_EQ(o.recs[0].substr(41, 7), c.at_angle) << c.angle << " " << c.escala;
    }
    // An AT of 1000 or more does not fit its three columns: refused.
    Output wide = export_sheet({text("018501", X, Y, "@3 A", 100000, 0, 10)});
    EXPECT_TRUE(wide.recs.empty());
}

TEST(Puntos, SequenceRunsAcrossSheetsAndHeaderCountsAreBlankPadded) {
    TempDir d;
    std::string s1 = sheet_line("30SVK1234N"), s2 = sheet_line("30SVK1234S");
    d.write("TREN", header_line('U', 30, 1000) + "\n" + s1 + "\n" + s2 + "\n");
    d.write("SVK1234N.bin", element_file({line("018101", {X, Y, 1}), line("018101", {X, Y, 2})}));
    d.write("SVK1234S.bin", element_file({line("018101", {X, Y - 50000, 3})}));
    ChangeDir cd(d.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    EXPECT_EQ(puntos_run(hooks, "TREN"), RunEnd::Completed);
    auto r = records(d.read("P"));
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].substr(0, 1), "P");
    EXPECT_EQ(r[0].substr(74), "     3");
    EXPECT_EQ(r[1].substr(74), "     2");
    EXPECT_EQ(r[4].substr(74), "     1");
    EXPECT_EQ(r[5].substr(6, 6), "000003");
    // Without CATASTRO.TAB the built-in list is used: 018101 is not in it.
    EXPECT_NE(d.read("P.err").find("C\xA2" "digo erroneo >018101<\n"), std::string::npos);
    EXPECT_EQ(fe.captions.at(0), "ERROR en CATASTRO.TAB");
}

TEST(PuntosCommandLine, StatusesMessagesAndDirectory) {
    TempDir d;
    ::mkdir(d.file("trabajo").c_str(), 0755);
    d.write("trabajo/LISTA", header_line('U', 30, 2000) + "\n" + sheet_line("00HOJA0001") + "\n");
    d.write("trabajo/CATASTRO.TAB", "*\n");
    Result r = run_program(bin("puntos"), {"-C", "trabajo", "LISTA"}, d.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "No se puede abrir el archivo... HOJA0001.bin\n");
    EXPECT_EQ(d.read("trabajo/P").size(), 160u);

    d.write("trabajo/TREN", header_line('U', 30, 1000) + "\n" + sheet_line("30SIK1234N") + "\n");
    Result bad = run_program(bin("puntos"), {"-C", "trabajo"}, d.path);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Error en nombre hoja 30SIK1234N  I\n");

    std::remove(d.file("trabajo/CATASTRO.TAB").c_str());
    Result accents = run_program(bin("puntos"), {"-C", "trabajo", "LISTA"}, d.path);
    EXPECT_NE(accents.err.find("Se utilizar\xC3\xA1n los c\xC3\xB3" "digos por defecto\n"), std::string::npos);

    EXPECT_EQ(run_program(bin("puntos"), {"--bogus"}, d.path).status, 2);
    EXPECT_EQ(run_program(bin("puntos"), {"a", "b"}, d.path).status, 2);
    Result v = run_program(bin("puntos"), {"--version"}, d.path);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out.rfind("puntos ", 0), 0u);
}
