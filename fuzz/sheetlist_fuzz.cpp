// sheetlist_fuzz.cpp - any bytes as a sheet list (header and sheet lines) and as a code table.
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"
#include "puntos/puntos.h"
#include "testsupport/fixtures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    std::string_view bytes = cad::fuzz::as_view(data, size);
    s.write("TREN", bytes);
    s.write("CATASTRO.TAB", bytes);
    std::string elems = cad::test::element_file({cad::test::line("018101", {1, 2, 3}),
                                                 cad::test::text("018501", 4, 5, "@1 X")});
    for (const char* name : {"SVK1234N.bin", "30SVK123.bin", "HOJA0001.bin"}) s.write(name, elems);
    cad::Hooks hooks;
    cad::puntos_run(hooks, "TREN");
    return 0;
}
