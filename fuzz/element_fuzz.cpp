// element_fuzz.cpp - any bytes as the element file of a sheet, through the points and texts exports.
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"
#include "puntos/puntos.h"
#include "testsupport/fixtures.h"
#include "textos/textos.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    s.write("TREN", cad::test::header_line('U', 30, 1000) + "\n" + cad::test::sheet_line("30SVK1234N") + "\n");
    s.write("CATASTRO.TAB", "14*\n$52\n0?01??\n");
    s.write("SVK1234N.bin", cad::fuzz::as_view(data, size));
    cad::Hooks hooks;
    cad::puntos_run(hooks, "TREN");
    cad::textos_run(hooks, "TREN");
    return 0;
}
