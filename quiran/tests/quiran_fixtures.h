// quiran_fixtures.h - exchange records, import jobs and element-file checks for the import's tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "dbase/tests/dbf_fixture.h"
#include "quiran/quiran.h"
#include "testsupport/fixtures.h"

namespace cad::test {

/// Puts `text` at the 1-based column of an 80-character record.
inline void put_at(std::string& rec, std::size_t col, std::string_view text) {
    if (rec.size() < col - 1 + text.size()) rec.resize(col - 1 + text.size(), ' ');
    rec.replace(col - 1, text.size(), text);
}
inline std::string num(const char* fmt, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

/// Header record of an exchange file.
inline std::string exchange_header(char kind, long total, char modalidad = 'U', std::string_view characteristic = "P1",
                                   int escala = 1000) {
    std::string h = header_line(modalidad, 30, escala);
    h[0] = kind;
    h.replace(2, 2, characteristic);
    put_at(h, 75, num("%6ld", total));
    return h;
}
/// Sheet record: '/', the sheet name, the element count in columns 75-80.
inline std::string sheet_record(std::string_view name, long count) {
    std::string s = rec80("/" + std::string(name));
    put_at(s, 75, num("%6ld", count));
    return s;
}
/// Points record as the points export writes it.
inline std::string point_record(std::string_view code, long x, long y, long z, long size = 0, long angle = 0,
                                std::string_view label = "") {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.6s%06d30%08ld%09ld%07ld 00%03ld%04ld", std::string(code).c_str(), 1, x, y, z,
                  size, angle);
    std::string r = buf;
    put_at(r, 65, std::string(label));
    return rec80(r);
}
/// Texts record as the texts export writes it.
inline std::string text_record(std::string_view code, long x, long y, long size, long angle, std::string_view text) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.6s%06d30%08ld%09ld        00%03ld%04ld", std::string(code).c_str(), 1, x, y,
                  size, angle);
    std::string r = buf;
    put_at(r, 49, std::string(text));
    return rec80(r);
}
/// Segment head record: code, declared point count, primitive field, radius,
/// first record number.
inline std::string segment_head(std::string_view code, long np, std::string_view primitive = "00", long radius = 0,
                                long record = 0) {
    std::string r = "*" + std::string(code) + "000001" + num("%04ld", np) + " ";
    put_at(r, 19, primitive);
    if (radius) put_at(r, 22, num("%7ld", radius));
    put_at(r, 71, num("%010ld", record));
    return rec80(r);
}
/// Attribute continuation record.
inline std::string continuation(std::string_view code, long record) {
    std::string r = rec80("*" + std::string(code));
    put_at(r, 65, code);
    put_at(r, 71, num("%010ld", record));
    return r;
}
/// Coordinate record of up to three points (x, y, z triples).
inline std::string coordinates(const std::vector<long>& xyz) {
    std::string r;
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%02d%08ld%09ld%07ld", 30, xyz[i], xyz[i + 1], xyz[i + 2]);
        r += buf;
    }
    return rec80(r);
}

/// The active table's fields in the tests.
inline const std::vector<FieldDef>& parcel_fields() {
    static const std::vector<FieldDef> f = {{"REGISTRO", 'N', 6},  {"MANZANA", 'C', 5},  {"PARCELA", 'C', 5},
                                            {"EJE_VIA", 'C', 5},   {"NPOLICIA", 'C', 4}, {"DUPLICADO", 'C', 1},
                                            {"OBSERVA", 'C', 8}};
    return f;
}
constexpr std::int16_t kTableNumber = 7;

/// A job directory with the catalog, the active table TAB (number 7), a
/// translation table and the exchange file "E".
struct Job {
    TempDir dir;
    explicit Job(std::string_view exchange = {}, std::string_view tab = "018501 7\n0185?? 9\n") {
        dir.write("CATDBS.DBF", dbf_catalog({{3, "OTRA"}, {kTableNumber, "TAB"}}));
        dir.write("TAB.DBF", dbf_table(parcel_fields(), {}));
        dir.write("QUIRAN.TAB", tab);
        if (!exchange.empty()) dir.write("E", exchange);
    }
};

/// What one import showed and wrote.
struct Outcome {
    RunEnd end = RunEnd::EndedEarly;
    std::vector<std::string> infos, messages;
    std::string log;
};

inline Outcome run_import(const Job& job, std::string_view record_length = "80", bool answer = true,
                          std::string_view exchange = "E") {
    ChangeDir cd(job.dir.path);
    RecordingFrontEnd fe;
    fe.answer = answer;
    Hooks hooks{&fe};
    QuiranOptions o;
    o.exchange = std::string(exchange);
    o.db_directory = job.dir.path;
    o.record_length = std::string(record_length);
    Outcome out;
    out.end = quiran_import(hooks, o);
    out.infos = fe.infos;
    out.messages = fe.messages;
    out.log = job.dir.read("QUIRAN.ERR");
    return out;
}

/// The element file with the date and time words of its line elements set
/// to 0, after checking that they hold a date of this year and a valid time.
inline std::string masked_elements(std::string bytes) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    auto word = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        return static_cast<std::int32_t>(v);
    };
    std::size_t pos = 0;
    while (pos + 48 <= bytes.size()) {
        auto refs = static_cast<unsigned char>(bytes[pos + 9]);
        auto points = static_cast<unsigned>(static_cast<unsigned char>(bytes[pos + 10]) |
                                            static_cast<unsigned char>(bytes[pos + 11]) << 8);
        if (bytes[pos] == 'C') {
            std::int32_t date = word(pos + 12 + 24), time = word(pos + 12 + 28);
            EXPECT_GE(date / 10000, tm.tm_year - 1) << "date " << date;
            EXPECT_LE(date / 10000, tm.tm_year) << "date " << date;
            EXPECT_TRUE(date % 10000 / 100 >= 1 && date % 10000 / 100 <= 12 && date % 100 >= 1 && date % 100 <= 31)
                << "date " << date;
            EXPECT_TRUE(time >= 0 && time / 10000 < 24 && time % 10000 / 100 < 60 && time % 100 < 60) << "time " << time;
            std::memset(&bytes[pos + 12 + 24], 0, 8);
        }
        pos += 48 + 12 * (static_cast<std::size_t>(points) + refs);
    }
    EXPECT_EQ(pos, bytes.size()) << "the file ends inside an element";
    return bytes;
}

/// A line element as the import writes it, date and time masked: the extent
/// covers the points.
inline Elem line_elem(std::string code, const std::vector<std::int32_t>& xyz, std::vector<Ref> refs = {}) {
    Elem e = line(std::move(code), xyz, std::move(refs));
    for (int k = 0; k < 3; ++k) {
        e.extent[k] = e.extent[k + 3] = xyz[k];
        for (std::size_t i = k; i < xyz.size(); i += 3) {
            e.extent[k] = std::min(e.extent[k], xyz[i]);
            e.extent[k + 3] = std::max(e.extent[k + 3], xyz[i]);
        }
    }
    return e;
}

/// A text element as the import writes it: the box of `len` characters of
/// `height` from the insertion point along the angle, or a square of side
/// `height` centred on it for a symbol text, corners cut toward zero.
inline Elem text_elem(std::string code, std::int32_t x, std::int32_t y, std::string_view txt, std::int32_t height,
                      std::vector<Ref> refs = {}, std::int32_t z = 0, std::int32_t angle = 0) {
    Elem e = text(std::move(code), x, y, txt, height, angle, z, std::move(refs));
    double a = angle * 0.000174533, ux = std::cos(a), uy = std::sin(a), H = height;
    double cx[4], cy[4];
    if (!txt.empty() && txt[0] == '@') {
        double h = H * 0.5;
        const int su[4] = {-1, 1, 1, -1}, sn[4] = {-1, -1, 1, 1};
        for (int i = 0; i < 4; ++i) cx[i] = x + su[i] * h * ux - sn[i] * h * uy, cy[i] = y + su[i] * h * uy + sn[i] * h * ux;
    } else {
        double l = static_cast<double>(txt.size()) * H;
        const double along[4] = {0, l, l, 0}, across[4] = {0, 0, H, H};
        for (int i = 0; i < 4; ++i) cx[i] = x + along[i] * ux - across[i] * uy, cy[i] = y + along[i] * uy + across[i] * ux;
    }
    e.extent[0] = e.extent[3] = static_cast<std::int32_t>(cx[0]);
    e.extent[1] = e.extent[4] = static_cast<std::int32_t>(cy[0]);
    for (int i = 1; i < 4; ++i) {
        e.extent[0] = std::min(e.extent[0], static_cast<std::int32_t>(cx[i]));
        e.extent[3] = std::max(e.extent[3], static_cast<std::int32_t>(cx[i]));
        e.extent[1] = std::min(e.extent[1], static_cast<std::int32_t>(cy[i]));
        e.extent[4] = std::max(e.extent[4], static_cast<std::int32_t>(cy[i]));
    }
    e.extent[2] = e.extent[5] = z;
    return e;
}

}  // namespace cad::test
