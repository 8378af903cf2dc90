// superficies_fuzz.cpp - any bytes as a sheet's element file, its attribute table or the catalog, through the surfaces export.
//
// The first byte chooses what the rest is: bit 0 the job (urban or rural),
// bits 1-2 the file (0 and 3 the element file, 1 the attribute table, 2 the
// catalog). The other files are a small sound job with labels of every kind.
#include "dbase/tests/dbf_fixture.h"
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"
#include "superficies/superficies.h"
#include "testsupport/fixtures.h"

using namespace cad::test;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    int mode = size > 0 ? data[0] : 0;
    std::string_view rest = size > 0 ? cad::fuzz::as_view(data + 1, size - 1) : std::string_view();
    bool rural = mode & 1;
    int target = (mode >> 1) & 3;

    std::string sheet = rural ? rec80("/47123045") : sheet_line("30SVK1234N");
    std::string file = rural ? "47123045.bin" : "SVK1234N.bin";
    s.write("TREN", header_line(rural ? 'R' : 'U', 30, rural ? 5000 : 1000) + "\n" + sheet + "\n");
    s.write("CATASTRO.TAB", "14*\n12*\n");
    s.write("REFCAT.TXT", "123456 3547107 VK9999S\n123456 0004500007 X\n");

    std::vector<Elem> labels;
    const char* codes[] = {"145101", "145201", "145501", "125101", "125201", "125501", "125502", "145102", "999999"};
    const char* texts[] = {"35471", "7", "II+TZA", "45", "7", "a", "IIB", "OTRA", "X"};
    for (int i = 0; i < 9; ++i)
        labels.push_back(text(codes[i], 41350000 + i, 442470000, texts[i], 250, 0, 0, {{2, 1 + i % 3, ""}, {3, 1, ""}}));
    std::vector<FieldDef> fields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5},  {"PARCELA", 'N', 6},
                                    {"EJE_VIA", 'N', 6},   {"NPOLICIA", 'C', 6}, {"DUPLICADO", 'C', 1},
                                    {"RUSTICA", 'C', 14}};
    std::string table = dbf_table_of(fields, {{"1", "35471", "7", "123", "12B", "", "R"},
                                              {"2", "00045", "330", "999999", "99999x", "\xA4", ""},
                                              {"3", "   45", "-7", "-1", "", "b", ""}});
    std::string catalog = dbf_catalog({{2, "PARCELAS"}, {3, "PARCELAS"}});

    s.write(file, target == 0 || target == 3 ? std::string(rest) : element_file(labels));
    s.write("PARCELAS.DBF", target == 1 ? std::string(rest) : table);
    s.write("CATDBS.DBF", target == 2 ? std::string(rest) : catalog);

    cad::SuperficiesOptions options = cad::superficies_defaults();
    options.manzana_duplicada = options.ref_catastral = options.calle_cero = options.portal_cero = true;
    cad::Hooks hooks;
    cad::superficies_run(hooks, options);
    return 0;
}
