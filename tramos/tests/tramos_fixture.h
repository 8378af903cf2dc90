// tramos_fixture.h - a job folder for the segments export tests and the expected records.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "testsupport/fixtures.h"
#include "tramos/marker.h"
#include "tramos/tramos.h"

namespace tramos_test {

using namespace cad;
using namespace cad::test;

inline std::string fmt(const char* f, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}
inline std::string two(long v) { return fmt("%02ld", v).substr(0, 2); }

inline const std::string kHeader = header_line('U', 30, 2000);

// Header record of a volume.
inline std::string vol_header(int total, int number, long count, const std::string& h = kHeader) {
    std::string s = h;
    s.resize(80, ' ');
    s[0] = 'T';
    s.replace(15, 2, two(total));
    s.replace(17, 2, two(number));
    return s.substr(0, 74) + fmt("%6ld", count);
}
inline std::string sheet_rec(const std::string& line, long count) { return line.substr(0, 74) + fmt("%6ld", count); }

inline std::string field(const char* code, long r) {
    if (r == 0) return std::string(27, ' ') + "0000000000";
    return std::string(21, ' ') + code + fmt("%010ld", r);
}
inline std::string head(const char* code, long seg, int npts, const std::string& f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "*%s%06ld%04d 00", code, seg, npts);
    return buf + std::string(23, ' ') + f;
}
inline std::string head(const char* code, long seg, int npts) { return head(code, seg, npts, field(code, 0)); }
inline std::string cont(const char* code, long r) { return "*" + std::string(code) + std::string(36, ' ') + field(code, r); }

// Coordinate records of a list of x, y, z triples.
inline std::vector<std::string> coords(const std::vector<std::int32_t>& xyz, int huso = 30) {
    std::vector<std::string> out;
    std::string rec;
    for (std::size_t i = 0; i < xyz.size(); i += 3) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%02d%08ld%09ld%07ld", huso, static_cast<long>(xyz[i]),
                      static_cast<long>(xyz[i + 1]), static_cast<long>(xyz[i + 2]));
        rec += buf;
        if (rec.size() == 78) out.push_back(rec + "  "), rec.clear();
    }
    if (!rec.empty()) out.push_back(rec80(rec));
    return out;
}
inline std::vector<std::string> cat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline std::string arec(const char* code, long r) { return code + fmt("%010ld", r) + std::string(52, ' ') + "\n"; }
// First line of "A" as a run finishes it.
inline std::string attrs_first(long count, const std::string& h = kHeader) {
    std::string s = h;
    s.resize(80, ' ');
    s[0] = 'A';
    s.replace(17, 2, "01");
    return s.substr(0, 74) + fmt("%06ld", count) + "\n";
}

inline std::string markers(const std::vector<std::pair<std::int32_t, std::int32_t>>& at) {
    std::string s;
    for (auto [x, y] : at) {
        unsigned char m[kMarkerSize];
        build_error_marker(m, x, y, 0);
        s.append(reinterpret_cast<char*>(m), kMarkerSize);
    }
    return s;
}

inline const std::string kOpened = "Transformando el fichero.. HOJA0001.bin\n";

struct Job {
    TempDir dir;
    RecordingFrontEnd fe;
    TramosOptions opt;
    RunEnd end{};
    std::string log, attrs;

    Job() { dir.write("CATASTRO.TAB", "0*\n1*\n"); }
    void sheets(const std::string& header, const std::vector<std::string>& lines) {
        std::string s = header + "\n";
        for (const auto& l : lines) s += l + "\n";
        dir.write("TREN", s);
    }
    // One sheet HOJA0001 holding the elements.
    void one_sheet(const std::vector<Elem>& elems, const std::string& header = kHeader) {
        sheets(header, {sheet_line("00HOJA0001")});
        dir.write("HOJA0001.bin", element_file(elems));
    }
    void run(volatile std::sig_atomic_t* stop = nullptr) {
        ChangeDir cd(dir.path);
        Hooks hooks{&fe, stop};
        end = tramos_run(hooks, opt);
        log = dir.read("T.err");
        attrs = dir.read("A");
    }
    std::vector<std::string> volume(int n) const { return records(dir.read("T." + std::to_string(n))); }
    // Data records of the only sheet of volume 1.
    std::vector<std::string> data() const {
        auto r = volume(1);
        return r.size() > 2 ? std::vector<std::string>(r.begin() + 2, r.end()) : std::vector<std::string>{};
    }
};


}  // namespace tramos_test
