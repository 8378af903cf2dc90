// Tests of sheet origins, the out-of-sheet check and the code split.
#include <gtest/gtest.h>

#include "kernel/sheet.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

TEST(SheetOrigin, DecodesAndRejectsNames) {
    struct Case {
        const char* name;
        bool ok;
        double x, y;
        char bad;
    } cases[] = {
        {"30SVK1234N", true, 413000, 4424500, 0},
        {"30SVK1234S", true, 413000, 4424000, 0},
        {"29TNG5678S", true, 557000, 4668000, 0},  // odd zone, band T: G is 4600000
        {"31SVK1234N", false, 0, 0, 'K'},          // K is not in the odd S row
        {"30SIK1234N", false, 0, 0, 'I'},          // easting letter checked before the band
        {"30XVK1234N", false, 0, 0, 'X'},
        {"30SVK1234Z", false, 0, 0, 'Z'},
        {"XXRTA0000N", true, 200000, 3500500, 0},  // a zone that is no number counts as 0 (even)
        {"30SVKabcdS", true, 400000, 4400000, 0},  // figures that are no digits count as 0
        {"30SVK", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SheetOrigin o = decode_sheet_origin(c.name);
        EXPECT_EQ(o.ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(o.x, c.x) << c.name;
            EXPECT_DOUBLE_EQ(o.y, c.y) << c.name;
        } else {
            EXPECT_EQ(o.bad, c.bad) << c.name;
        }
    }
}

TEST(SheetOrigin, CentimetresAndTheMessage) {
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    long ox = 0, oy = 0;
    ASSERT_TRUE(sheet_origin_cm(hooks, "30SVK1234N", ox, oy));
    EXPECT_EQ(ox, 41300000);
    EXPECT_EQ(oy, 442450000);
    EXPECT_FALSE(sheet_origin_cm(hooks, "31SVK1234N", ox, oy));
    EXPECT_EQ(fe.messages, std::vector<std::string>{"Error en nombre hoja 31SVK1234N  K"});
}

TEST(OutOfSheet, OneLineForTheFirstPointOutside) {
    TempDir d;
    const long ox = 41300000, oy = 442450000;
    d.write("h.bin", element_file({line("010101", {41400000, 442500000, 0, 41400001, 442450000, 0, 0, 0, 0}),
                                   line("010101", {41300000, 442450000, 0})}));
    ElementBuffers b;
    allocate_element_buffers(b);
    ElementReader r;
    reader_open(r, open_existing(d.file("h.bin"), "rb"));
    File log = create_file(d.file("log"), "w");
    Element e;
    read_head(r, e);
    read_body(r, e, b);
    EXPECT_FALSE(out_of_sheet_check(ox, oy, e, 1, log.get()));  // the corner itself is inside
    EXPECT_TRUE(out_of_sheet_check(ox, oy, e, e.point_count, log.get()));
    read_head(r, e);
    read_body(r, e, b);
    EXPECT_FALSE(out_of_sheet_check(ox, oy, e, e.point_count, log.get()));
    log.reset();
    EXPECT_EQ(d.read("log"), "Fuera de hoja 41400001 442450000\n");
}

TEST(CodeSplit, Cases) {
    struct Case {
        const char* code;
        int g, s, c;
    } cases[] = {{"145201", 14, 52, 1}, {"1452", 0, 0, 0},  {"PUNTOS", 0, 0, 0},
                 {" 18101", 1, 81, 1},  {"1x8a01", 1, 8, 1}, {"0281139", 2, 81, 13}};
    for (const auto& c : cases) {
        CodeSplit s = code_split(c.code);
        EXPECT_EQ(s.group, c.g) << c.code;
        EXPECT_EQ(s.subgroup, c.s) << c.code;
        EXPECT_EQ(s.cls, c.c) << c.code;
    }
}
