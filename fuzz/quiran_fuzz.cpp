// quiran_fuzz.cpp - any bytes as an exchange file, through the import with two record lengths.
#include "dbase/tests/dbf_fixture.h"
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"
#include "quiran/quiran.h"

namespace {
// Answers yes, so existing element files are replaced as well.
struct YesFrontEnd : cad::FrontEnd {
    bool question_box(std::string_view, cad::CodePage, std::string_view) override { return true; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    std::vector<cad::test::FieldDef> fields = {{"REGISTRO", 'N', 6}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 5},
                                               {"EJE_VIA", 'C', 5},  {"NPOLICIA", 'C', 4}, {"DUPLICADO", 'C', 1}};
    s.write("CATDBS.DBF", cad::test::dbf_catalog({{2, "TAB"}}));
    s.write("TAB.DBF", cad::test::dbf_table(fields, {}));
    s.write("QUIRAN.TAB", "/ simbolos\n0185* 7\n$99 65535\n");
    s.write("E", cad::fuzz::as_view(data, size));
    for (const char* length : {"80", "81"}) {
        YesFrontEnd fe;
        cad::Hooks hooks{&fe};
        cad::QuiranOptions options;
        options.exchange = "E";
        options.db_directory = s.dir;
        options.record_length = length;
        cad::quiran_import(hooks, options);
    }
    return 0;
}
