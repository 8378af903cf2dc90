// atributos_fuzz.cpp - any bytes as an attributes file and a streets file, filled twice.
#include "atributos/atributos.h"
#include "fuzz/fuzz_support.h"
#include "kernel/frontend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    cad::fuzz::Scratch s;
    std::string_view bytes = cad::fuzz::as_view(data, size);
    // The first two bytes give the length of the streets part; the rest is "A".
    std::size_t n = size >= 2 ? (data[0] | data[1] << 8) : 0;
    std::string_view rest = bytes.substr(std::min<std::size_t>(size, 2));
    n = std::min(n, rest.size());
    s.write("CALLES", rest.substr(0, n));
    s.write("A", rest.substr(n));
    cad::Hooks hooks;
    cad::AtributosOptions options;
    cad::atributos_run(hooks, options);
    cad::atributos_run(hooks, options);  // a filled file, read as records
    return 0;
}
