// quirantab_fuzz.cpp - any bytes as QUIRAN.TAB, loaded and looked up.
#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "kernel/platform.h"
#include "quiran/tab.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    s.write("QUIRAN.TAB", cad::fuzz::as_view(data, size));
    cad::File log = cad::create_file("QUIRAN.ERR", "w");
    cad::Hooks hooks;
    cad::TranslationTable t;
    cad::load_translation_table(t, hooks, log.get());
    for (const char* code : {"018501", "", "*", "?", "$", "0101010101", "145201"}) cad::translate_code(t, code);
    return 0;
}
