// Tests of the texts export: heights, angles, refused characters and the record layout.
#include <gtest/gtest.h>

#include "testsupport/fixtures.h"
#include "textos/textos.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;  // inside sheet 30SVK1234N

using Output = SheetExport;

Output export_sheet(const std::vector<Elem>& elems, int escala = 1000) {
    return export_one_sheet(textos_run, "X", elems, escala);
}

std::string text_rec(const char* code6, long seq, const char* at_angle, const std::string& txt) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.6s%06ld30%08ld%09ld        00%s%-32s", code6, seq, static_cast<long>(X),
                  static_cast<long>(Y), at_angle, txt.c_str());
    return buf;
}

}  // namespace

TEST(Textos, Conversions) {
    struct Case {
        const char* name;
        Elem elem;
        std::vector<std::string> recs;
        std::string log;
    } cases[] = {
        {"street name", text("019001", X, Y, "CALLE MAYOR", 300), {text_rec("019001", 1, "0300090", "CALLE MAYOR")}, ""},
        {"points subgroup", text("018501", X, Y, "@7 PK12"), {}, ""},
        {"line element", line("019001", {X, Y, 0}), {}, ""},
        {"height too large", text("019001", X, Y, "ALTO", 15000), {text_rec("019001", 1, "9990090", "ALTO")},
         "Texto con AT erronea >ALTO<  413500.00 4424700.00 AT=1500\n"},
        {"refused characters", text("019001", X, Y, "A(B)", 2000), {text_rec("019001", 1, "2000090", "A B")},
         "Texto con caracter erroneo >A(B)<  413500.00 4424700.00\n"
         "Texto con caracter erroneo >A B)<  413500.00 4424700.00\n"},
        {"only refused characters", text("019001", X, Y, "()"), {text_rec("019001", 1, "0250090", "")},
         "Texto con caracter erroneo >()<  413500.00 4424700.00\n"
         "Texto con caracter erroneo > )<  413500.00 4424700.00\n"},
        {"long text cut at 32", text("019001", X, Y, std::string(40, 'L')),
         {text_rec("019001", 1, "0250090", std::string(32, 'L'))}, ""},
        {"blank text", text("019001", X, Y, "    "), {}, ""},
        {"outside the sheet", text("019001", X, Y + 50001, "FUERA"), {}, ""},
    };
    // The last case's record carries its own y: check it apart.
    for (const auto& c : cases) {
        Output o = export_sheet({c.elem});
        if (std::string(c.name) == "outside the sheet") {
            ASSERT_EQ(o.recs.size(), 1u);
            EXPECT_EQ(o.log, "Fuera de hoja 41350000 442520001\n");
            continue;
        }
        EXPECT_EQ(o.recs, c.recs) << c.name;
        EXPECT_EQ(o.log, c.log) << c.name;
    }
}

TEST(Textos, AnglesAndHeights) {
    struct Case {
        std::int32_t angle, height;
        int escala;
        const char* at_angle;
    } cases[] = {
        {0, 2000, 1000, "2000090"},   {9000, 250, 1000, "0250360"}, {18000, 250, 1000, "0250270"},
        {10050, 250, 1000, "0250349"}, {45000, 250, 1000, "0250000"}, {0, 2000, 500, "4000090"},
        {-9000, 250, 1000, "0250180"}, {72000, 250, 1000, "0250090"}, {0, 250, 0, "0000090"},
    };
    for (const auto& c : cases) {
        Output o = export_sheet({text("019001", X, Y, "T", c.height, c.angle)}, c.escala);
        ASSERT_EQ(o.recs.size(), 1u) << c.angle;
        EXPECT_EQ(o.recs[0].substr(41, 7), c.at_angle) << c.angle << " " << c.escala;
    }
}

TEST(Textos, HeaderAndSheetCountsAreZeroPadded) {
    TempDir d;
    d.write("TREN", header_line('U', 30, 2000) + "\n" + sheet_line("00HOJA0001") + "\n");
    std::vector<Elem> seven(7, text("019001", 1, 2, "T"));
    d.write("HOJA0001.bin", element_file(seven));
    ChangeDir cd(d.path);
    Hooks hooks;
    EXPECT_EQ(textos_run(hooks, "TREN"), RunEnd::Completed);
    auto r = records(d.read("X"));
    ASSERT_EQ(r.size(), 9u);
    EXPECT_EQ(r[0].substr(0, 1), "X");
    EXPECT_EQ(r[0].substr(74), "000007");
    EXPECT_EQ(r[1].substr(74), "000007");
    EXPECT_EQ(r[2].substr(12, 2), "30");
}
