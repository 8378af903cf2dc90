// dbf_fixture.h - writers of small dBase III tables for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cad::test {

struct FieldDef {
    std::string name;
    char type = 'C';
    int length = 10;
    int decimals = 0;
};

/// One record: deletion flag, then each value padded to its field (numbers
/// right-aligned, other types left-aligned) or cut to it.
inline std::string dbf_record(const std::vector<FieldDef>& fields, const std::vector<std::string>& values,
                              bool deleted = false) {
    std::string r(1, deleted ? '*' : ' ');
    for (std::size_t k = 0; k < fields.size(); ++k) {
        std::string v = k < values.size() ? values[k] : std::string();
        auto len = static_cast<std::size_t>(fields[k].length);
        if (v.size() > len) v.resize(len);
        std::string pad(len - v.size(), ' ');
        r += (fields[k].type == 'N' || fields[k].type == 'F') ? pad + v : v + pad;
    }
    return r;
}

inline void put_le(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

/// A whole table: header (version 0x03, date 2003-07-07), descriptors,
/// terminator, the records as given and the end-of-file byte.
inline std::string dbf_table(const std::vector<FieldDef>& fields, const std::vector<std::string>& records,
                             bool eof_byte = true) {
    std::size_t rl = 1;
    for (const auto& f : fields) rl += static_cast<std::size_t>(f.length);
    std::string s(32, '\0');
    s[0] = 0x03;
    s[1] = 103;
    s[2] = 7;
    s[3] = 7;
    put_le(s, 4, static_cast<std::uint32_t>(records.size()), 4);
    put_le(s, 8, static_cast<std::uint32_t>(32 + 32 * fields.size() + 1), 2);
    put_le(s, 10, static_cast<std::uint32_t>(rl), 2);
    for (const auto& f : fields) {
        std::string d(32, '\0');
        std::size_t n = f.name.size() < 11 ? f.name.size() : 11;
        d.replace(0, n, f.name.substr(0, n));
        d[11] = f.type;
        d[16] = static_cast<char>(f.length);
        d[17] = static_cast<char>(f.decimals);
        s += d;
    }
    s.push_back('\r');
    for (const auto& r : records) s += r;
    if (eof_byte) s.push_back('\x1A');
    return s;
}

/// A table whose records are given as values.
inline std::string dbf_table_of(const std::vector<FieldDef>& fields,
                                const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> recs;
    for (const auto& r : rows) recs.push_back(dbf_record(fields, r));
    return dbf_table(fields, recs);
}

/// The catalog CATDBS.DBF listing (number, file name) pairs.
inline std::string dbf_catalog(const std::vector<std::pair<int, std::string>>& entries) {
    std::vector<FieldDef> fields = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}};
    std::vector<std::vector<std::string>> rows;
    for (const auto& [n, name] : entries) rows.push_back({std::to_string(n), name});
    return dbf_table_of(fields, rows);
}

}  // namespace cad::test
