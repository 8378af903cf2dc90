// element_bench.cpp - the buffered element walk against exact unbuffered reads, and code lookups.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "kernel/codetable.h"
#include "kernel/element.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

const std::string& large_element_file() {
    static std::string path = [] {
        std::vector<Elem> elems;
        for (int i = 0; i < 100000; ++i) {
            if (i % 3 == 0)
                elems.push_back(text("019001", i, i, "CALLE NUMERO " + std::to_string(i)));
            else
                elems.push_back(line("111101", {i, i, 1, i + 1, i, 1, i + 2, i + 1, 1}, {{1, i, ""}}));
        }
        std::string p = "/tmp/cadastro_bench.bin";
        write_file(p, element_file(elems));
        return p;
    }();
    return path;
}

void BM_WalkBuffered(benchmark::State& state) {
    ElementBuffers b;
    allocate_element_buffers(b);
    Hooks hooks;
    for (auto _ : state) {
        ElementReader r;
        reader_open(r, open_existing(large_element_file(), "rb"));
        long n = 0;
        walk_elements(r, b, hooks, nullptr, "", [&](const Element& e) { n += e.point_count; });
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_WalkBuffered)->Unit(benchmark::kMillisecond);

// Four unbuffered reads of exact size per element, straight into the buffers.
void BM_WalkExactReads(benchmark::State& state) {
    ElementBuffers b;
    allocate_element_buffers(b);
    for (auto _ : state) {
        File f = open_existing(large_element_file(), "rb");
        std::setvbuf(f.get(), nullptr, _IONBF, 0);
        unsigned char head[12], ext[36];
        long n = 0;
        while (std::fread(head, 1, 12, f.get()) == 12) {
            int refs = head[9], pts = head[10] | head[11] << 8;
            if (std::fread(ext, 1, 36, f.get()) != 36) break;
            if (std::fread(b.points.get(), 12, pts, f.get()) != static_cast<std::size_t>(pts)) break;
            if (std::fread(b.refs.get(), 12, refs, f.get()) != static_cast<std::size_t>(refs)) break;
            n += pts;
        }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_WalkExactReads)->Unit(benchmark::kMillisecond);

void BM_CodeLookup(benchmark::State& state) {
    CodeTable t;
    use_builtin_codes(t);
    const char* codes[] = {"145201", "999905", "111101", "019001", "030102"};
    int i = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) t.cache.clear();  // every lookup walks the list
        benchmark::DoNotOptimize(code_lookup(t, codes[i++ % 5]));
    }
}
BENCHMARK(BM_CodeLookup)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
