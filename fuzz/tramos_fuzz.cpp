// tramos_fuzz.cpp - any bytes as the element file of two sheets, through the segments export.
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"
#include "testsupport/fixtures.h"
#include "tramos/tramos.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    // Two sheets of one file and a size of 0: volumes split, the register spans them.
    std::string sheet = cad::test::sheet_line("30SVK1234N") + "\n";
    s.write("TREN", cad::test::header_line('U', 30, 1000) + "\n" + sheet + sheet);
    s.write("CATASTRO.TAB", "0*\n1*\n");
    s.write("SVK1234N.bin", cad::fuzz::as_view(data, size));
    cad::Hooks hooks;
    cad::TramosOptions options;
    options.size_text = "0";
    cad::tramos_run(hooks, options);
    return 0;
}
