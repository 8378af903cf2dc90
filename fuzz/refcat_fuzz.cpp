// refcat_fuzz.cpp - any bytes as the references file, read into its index and looked up.
#include "fuzz/fuzz_support.h"
#include "kernel/platform.h"
#include "superficies/refcat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    s.write("REFCAT.TXT", cad::fuzz::as_view(data, size));
    cad::File f{std::fopen("REFCAT.TXT", "r")};
    if (!f) return 0;
    cad::RefIndex index;
    cad::refcat_build(index, f.get(), "123456");
    // Every key the index holds is found, and a few others are not.
    for (const auto& [key, code] : index.sheets)
        if (cad::refcat_lookup(index, key) != &code || code.size() > 7) __builtin_trap();
    cad::refcat_lookup(index, "3547107");
    cad::refcat_lookup(index, "");
    return 0;
}
