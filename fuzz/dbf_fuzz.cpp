// dbf_fuzz.cpp - any bytes as a dBase table and as the catalog, through every table operation.
#include <cstdio>

#include "dbase/dbase.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    std::string_view bytes = cad::fuzz::as_view(data, size);
    s.write("T.DBF", bytes);
    s.write("CATDBS.DBF", bytes);

    cad::DbfTable t;
    t.file_name = "t";
    if (cad::dbf_open(t) == 0) {
        long reads = t.record_count < 64 ? t.record_count : 64;
        for (long n = 0; n <= reads + 1; ++n) cad::dbf_read_record(t, n);
        static const char kTypes[] = {'S', 'D', 'L', 'N', 'F', 'f', 'X'};
        for (int k = 0; k < t.field_count && k < 32; ++k) {
            std::string name(cad::dbf_field_name(t, k));
            cad::dbf_field_text(t, k);
            for (char type : kTypes) {
                cad::dbf_put_field(t, name, "texto de prueba bastante largo", type);
                cad::dbf_put_field(t, name, type == 'F' || type == 'f' ? cad::DbfValue(1e300) : cad::DbfValue(-123456789L),
                                   type);
            }
        }
        cad::dbf_put_field(t, "$A", 3.5, 'F');
        for (long key : {-1L, 0L, 1L, 2L, 7L, 1000L, 2147483647L}) cad::dbf_find_record(t, key);
        cad::dbf_update_field(t, 1, "*", "x", 'S');
        cad::dbf_write_record(t, t.record_count);
        cad::dbf_append_record(t);
        cad::dbf_append_record(t);
        cad::dbf_find_record(t, t.record_count);
    }
    cad::dbf_close(t);

    cad::DbfTable catalog, wanted;
    catalog.file_name = cad::kDbfCatalogName;
    wanted.file_name = "T";
    cad::dbf_catalog_number(catalog, wanted);
    std::string name;
    cad::dbf_catalog_file_name(catalog, 2, name);
    return 0;
}
