// dbase.cpp - dBase III tables, and the catalog CATDBS.DBF that numbers them.
#include "dbase/dbase.h"

#include <sys/types.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "kernel/codetable.h"

namespace cad {

namespace {

constexpr unsigned char kEndOfFile = 0x1A;

std::int32_t get_i32(const unsigned char* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                     std::uint32_t(p[3]) << 24);
}
int get_i16(const unsigned char* p) { return static_cast<std::int16_t>(std::uint16_t(p[0]) | std::uint16_t(p[1]) << 8); }
void put_i32(unsigned char* p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

bool seek_to(std::FILE* f, std::int64_t pos) { return ::fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0; }

std::int64_t record_offset(const DbfTable& t, long n) {
    return t.header_length + static_cast<std::int64_t>(t.record_length) * (n - 1);
}

const unsigned char* descriptor(const DbfTable& t, int index) {
    return t.descriptors.get() + static_cast<std::size_t>(index) * kDbfDescriptorSize;
}

bool valid_index(const DbfTable& t, int index) { return dbf_is_open(t) && index >= 0 && index < t.field_count; }

std::string with_extension(std::string_view name) {
    std::string s(name);
    if (!dbf_has_extension(s)) s += ".DBF";
    return s;
}

// Catalog names compare with either separator and without ASCII letter case.
bool same_table_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x == '\\') x = '/';
        if (y == '\\') y = '/';
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

long field_number(const DbfTable& t, int index) { return parse_long(dbf_field_text(t, index)); }

// Walks the live records of an open catalog in file order; `each` returns
// true to stop. Reads go straight into the record buffer.
template <class Each>
bool walk_catalog(DbfTable& cat, Each&& each) {
    if (!seek_to(cat.file.get(), cat.header_length)) return false;
    auto rl = static_cast<std::size_t>(cat.record_length);
    for (std::int32_t i = 0; i < cat.record_count; ++i) {
        if (std::fread(cat.record.get(), 1, rl, cat.file.get()) != rl) return false;
        if (cat.record[0] == '*' || cat.field_count < 2) continue;
        if (each()) return true;
    }
    return false;
}

}  // namespace

bool dbf_has_extension(std::string_view name) {
    std::size_t sep = name.find_last_of("\\/");
    std::size_t dot = name.rfind('.');
    return dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep);
}

bool dbf_is_open(const DbfTable& t) { return t.file != nullptr; }

void dbf_close(DbfTable& t) {
    t.file.reset();
    t.descriptors.reset();
    t.positions.reset();
    t.record.reset();
    t.scratch.reset();
    t.header_length = t.record_length = t.field_count = 0;
    t.record_count = 0;
}

int dbf_open(DbfTable& t) {
    dbf_close(t);
    if (!dbf_has_extension(t.file_name)) t.file_name += ".DBF";
    t.path = t.directory.empty() ? t.file_name : t.directory + "/" + t.file_name;
    File f = open_existing(t.path, t.read_only ? "rb" : "r+b");
    if (!f) return -1;
    std::int64_t length = file_length(f.get());
    if (length < kDbfHeaderSize || std::fread(t.header, 1, kDbfHeaderSize, f.get()) != kDbfHeaderSize) return -1;

    int hl = get_i16(t.header + 8), rl = get_i16(t.header + 10);
    std::int32_t count = get_i32(t.header + 4);
    // A header of fewer than 33 bytes holds no terminator after its 32; the
    // field count would be negative.
    if (hl < kDbfHeaderSize + 1 || hl > length || rl < 1 || count < 0) return -1;
    int n = ((hl - 1) >> 5) - 1;

    std::unique_ptr<unsigned char[]> desc(new (std::nothrow) unsigned char[static_cast<std::size_t>(n) * 32 + 1]());
    std::unique_ptr<int[]> pos(new (std::nothrow) int[static_cast<std::size_t>(n) + 1]());
    std::unique_ptr<unsigned char[]> rec(new (std::nothrow) unsigned char[static_cast<std::size_t>(rl)]());
    std::unique_ptr<char[]> scratch(new (std::nothrow) char[static_cast<std::size_t>(rl) + 1]());
    if (!desc || !pos || !rec || !scratch) return -1;
    auto dbytes = static_cast<std::size_t>(n) * kDbfDescriptorSize;
    if (std::fread(desc.get(), 1, dbytes, f.get()) != dbytes) return -1;

    // Field lengths are bytes 0-255; the fields must lie inside the record.
    int at = 1;
    for (int k = 0; k < n; ++k) {
        pos[k] = at;
        at += desc[static_cast<std::size_t>(k) * kDbfDescriptorSize + 16];
        if (at > rl) return -1;
    }
    // A record longer than the whole file is only believable for a table
    // without records whose fields fill the record exactly.
    if (rl > length && !(count == 0 && at == rl)) return -1;

    t.file = std::move(f);
    t.header_length = hl;
    t.record_length = rl;
    t.record_count = count;
    t.field_count = n;
    t.descriptors = std::move(desc);
    t.positions = std::move(pos);
    t.record = std::move(rec);
    t.scratch = std::move(scratch);
    return 0;
}

int dbf_catalog_number(DbfTable& catalog, DbfTable& table) {
    if (dbf_open(catalog) != 0) return 0;
    if (!dbf_has_extension(table.file_name)) table.file_name += ".DBF";
    long number = 0;
    bool found = walk_catalog(catalog, [&] {
        if (!same_table_name(with_extension(trim_view(dbf_field_text(catalog, 1))), table.file_name)) return false;
        number = field_number(catalog, 0);
        return true;
    });
    dbf_close(catalog);
    if (!found) {
        dbf_close(table);
        table.table_number = 0;
        return 0;
    }
    if (number > INT32_MAX) number = INT32_MAX;
    if (number < INT32_MIN) number = INT32_MIN;
    table.table_number = static_cast<std::int32_t>(number);
    return 1;
}

int dbf_catalog_file_name(DbfTable& catalog, long number, std::string& file_name) {
    if (dbf_open(catalog) != 0) return -1;
    bool found = walk_catalog(catalog, [&] {
        if (field_number(catalog, 0) != number) return false;
        file_name = with_extension(trim_view(dbf_field_text(catalog, 1)));
        return true;
    });
    dbf_close(catalog);
    return found ? 1 : 0;
}

int dbf_find_field(const DbfTable& t, std::string_view name, int* position) {
    for (int k = 0; k < t.field_count; ++k) {
        if (pattern_match(dbf_field_name(t, k), name)) {
            if (position) *position = t.positions[k];
            return k;
        }
    }
    return -1;
}

int dbf_put_field(DbfTable& t, std::string_view name, const DbfValue& value, char type) {
    int k = dbf_find_field(t, name);
    if (k < 0) return -1;
    int len = dbf_field_length(t, k);
    int dec = dbf_field_decimals(t, k);
    char* out = reinterpret_cast<char*>(t.record.get()) + t.positions[k];
    char* buf = t.scratch.get();
    auto room = static_cast<std::size_t>(t.record_length) + 1;
    int n = 0;
    switch (type) {
        case 'S': {
            // "%-*s" on the text up to its first NUL, cut to the field.
            std::string_view s = value.text.substr(0, value.text.find('\0'));
            std::size_t take = s.size() < static_cast<std::size_t>(len) ? s.size() : static_cast<std::size_t>(len);
            t.record[0] = ' ';
            if (take) std::memcpy(out, s.data(), take);
            std::memset(out + take, ' ', static_cast<std::size_t>(len) - take);
            return 0;
        }
        case 'D':
        case 'L':
        case 'N': n = std::snprintf(buf, room, "%*ld", len, value.integer); break;
        case 'F': n = std::snprintf(buf, room, "%*.*f", len, dec, value.real); break;
        case 'f': n = std::snprintf(buf, room, "%*.*f", len, dec, static_cast<double>(static_cast<float>(value.real))); break;
        default: return -2;
    }
    t.record[0] = ' ';
    // A number cut to the field's width would read as another number.
    if (n < 0 || n > len)
        std::memset(out, '*', static_cast<std::size_t>(len));
    else
        std::memcpy(out, buf, static_cast<std::size_t>(len));
    return 0;
}

int dbf_append_record(DbfTable& t) {
    if (!dbf_is_open(t) || t.read_only || t.record_count == INT32_MAX) return -1;
    std::FILE* f = t.file.get();
    std::int64_t at = record_offset(t, static_cast<long>(t.record_count) + 1);
    std::int64_t length = file_length(f);
    // Appending after the end of a cut file would leave a hole in the table.
    if (length < at || !seek_to(f, at)) return -1;
    auto rl = static_cast<std::size_t>(t.record_length);
    if (std::fwrite(t.record.get(), 1, rl, f) != rl || std::fputc(kEndOfFile, f) == EOF || std::fflush(f) != 0)
        return -1;
    unsigned char header[kDbfHeaderSize];
    std::memcpy(header, t.header, sizeof header);
    put_i32(header + 4, t.record_count + 1);
    if (!seek_to(f, 0) || std::fwrite(header, 1, sizeof header, f) != sizeof header || std::fflush(f) != 0) return -1;
    std::memcpy(t.header, header, sizeof header);
    ++t.record_count;
    return 0;
}

long dbf_read_record(DbfTable& t, long n) {
    if (!dbf_is_open(t) || n < 1 || n > t.record_count) return -1;
    auto rl = static_cast<std::size_t>(t.record_length);
    if (!seek_to(t.file.get(), record_offset(t, n)) || std::fread(t.scratch.get(), 1, rl, t.file.get()) != rl)
        return -1;
    std::memcpy(t.record.get(), t.scratch.get(), rl);
    return n;
}

long dbf_write_record(DbfTable& t, long n) {
    if (!dbf_is_open(t) || t.read_only || n < 1 || n > t.record_count) return -1;
    auto rl = static_cast<std::size_t>(t.record_length);
    std::FILE* f = t.file.get();
    if (!seek_to(f, record_offset(t, n)) || std::fwrite(t.record.get(), 1, rl, f) != rl || std::fflush(f) != 0)
        return -1;
    return n;
}

long dbf_find_record(DbfTable& t, long key) {
    if (!dbf_is_open(t) || t.record_count <= 0) return 0;
    long hi = static_cast<long>(t.record_count) - 1, lo = 0;
    long probe = key <= 0 ? 0 : (key - 1 > hi ? hi : key - 1);
    for (;;) {
        if (dbf_read_record(t, probe + 1) < 0) return 0;
        long v = field_number(t, 0);
        if (v == key) return probe + 1;
        if (hi <= lo) return 0;
        if (key < v)
            hi = probe;
        else
            lo = probe + 1;
        probe = (hi + lo) / 2;
    }
}

int dbf_update_field(DbfTable& t, long n, std::string_view name, const DbfValue& value, char type) {
    if (dbf_read_record(t, n) < 0) return 1;
    if (dbf_put_field(t, name, value, type) != 0) return 2;
    if (dbf_write_record(t, n) < 0) return 2;
    return 0;
}

std::string_view dbf_field_name(const DbfTable& t, int index) {
    if (!valid_index(t, index)) return {};
    const char* p = reinterpret_cast<const char*>(descriptor(t, index));
    const void* nul = std::memchr(p, 0, kDbfFieldNameSize);
    return {p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : kDbfFieldNameSize};
}

char dbf_field_type(const DbfTable& t, int index) {
    return valid_index(t, index) ? static_cast<char>(descriptor(t, index)[11]) : '\0';
}

int dbf_field_length(const DbfTable& t, int index) { return valid_index(t, index) ? descriptor(t, index)[16] : 0; }

int dbf_field_decimals(const DbfTable& t, int index) { return valid_index(t, index) ? descriptor(t, index)[17] : 0; }

int dbf_field_position(const DbfTable& t, int index) { return valid_index(t, index) ? t.positions[index] : 0; }

std::string_view dbf_field_text(const DbfTable& t, int index) {
    if (!valid_index(t, index)) return {};
    return {reinterpret_cast<const char*>(t.record.get()) + t.positions[index],
            static_cast<std::size_t>(dbf_field_length(t, index))};
}

bool dbf_record_deleted(const DbfTable& t) { return dbf_is_open(t) && t.record[0] == '*'; }

void dbf_blank_record(DbfTable& t) {
    if (dbf_is_open(t)) std::memset(t.record.get(), ' ', static_cast<std::size_t>(t.record_length));
}

}  // namespace cad
