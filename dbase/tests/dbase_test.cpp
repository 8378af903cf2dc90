// dbase_test.cpp - tables opened, searched, read, updated and appended to, byte for byte.
#include "dbase/dbase.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "dbase/tests/dbf_fixture.h"
#include "dbase/tests/dbfread.h"
#include "kernel/codetable.h"
#include "testsupport/fixtures.h"

namespace cad {
namespace {

using test::dbf_record;
using test::dbf_table;
using test::dbf_table_of;
using test::FieldDef;
using test::TempDir;

const std::vector<FieldDef> kParcelFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 2}};
constexpr int kParcelHeader = 32 + 3 * 32 + 1;
constexpr int kParcelRecord = 1 + 10 + 5 + 2;

std::vector<std::string> parcel_row(int k) { return {std::to_string(k), "00012", std::to_string(k % 100)}; }

std::string parcel_table(int records) {
    std::vector<std::vector<std::string>> rows;
    for (int k = 1; k <= records; ++k) rows.push_back(parcel_row(k));
    return dbf_table_of(kParcelFields, rows);
}

// A table whose first field holds the given keys, in the given order.
std::string keyed_table(const std::vector<long>& keys, const std::vector<bool>& deleted = {}) {
    std::vector<std::string> recs;
    for (std::size_t i = 0; i < keys.size(); ++i)
        recs.push_back(dbf_record(kParcelFields, {std::to_string(keys[i]), "M" + std::to_string(i + 1), "P"},
                                  i < deleted.size() && deleted[i]));
    return dbf_table(kParcelFields, recs);
}

DbfTable table_in(const TempDir& d, std::string name) {
    DbfTable t;
    t.directory = d.path;
    t.file_name = std::move(name);
    return t;
}

std::string record_buffer(const DbfTable& t) {
    return {reinterpret_cast<const char*>(t.record.get()), static_cast<std::size_t>(t.record_length)};
}

void set_le(std::string& s, std::size_t at, long v, int bytes) { test::put_le(s, at, static_cast<std::uint32_t>(v), bytes); }

// ---------------------------------------------------------------------------
// Opening: names, directories and headers.

TEST(DbfOpen, NameRulesFindTheSameFile) {
    TempDir d;
    std::filesystem::create_directory(d.file("DATOS.V1"));
    d.write("PARCELAS.DBF", parcel_table(2));
    d.write("DATOS.V1/PARCELAS.DBF", parcel_table(5));
    d.write("CALLES.TXT.DBF", parcel_table(1));
    struct Case {
        std::string directory, name, opened_name;
        int records;
    } cases[] = {
        {d.path, "PARCELAS", "PARCELAS.DBF", 2},
        {d.path, "PARCELAS.DBF", "PARCELAS.DBF", 2},
        {d.path, "parcelas.dbf", "parcelas.dbf", 2},     // single case-insensitive match
        {d.path, "DATOS.V1\\PARCELAS", "DATOS.V1\\PARCELAS.DBF", 5},  // the '.' is in the directory part
        {d.path + "/datos.v1", "Parcelas", "Parcelas.DBF", 5},
        {"", d.path + "\\PARCELAS", d.path + "\\PARCELAS.DBF", 2},  // no directory: the name alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.directory + " | " + c.name);
        DbfTable t;
        t.directory = c.directory;
        t.file_name = c.name;
        ASSERT_EQ(dbf_open(t), 0);
        EXPECT_TRUE(dbf_is_open(t));
        EXPECT_EQ(t.file_name, c.opened_name);
        EXPECT_EQ(t.record_count, c.records);
        EXPECT_EQ(t.field_count, 3);
        EXPECT_EQ(t.header_length, kParcelHeader);
        EXPECT_EQ(t.record_length, kParcelRecord);
    }
}

TEST(DbfOpen, EmptyDirectoryOpensInTheCurrentDirectory) {
    TempDir d;
    d.write("PARCELAS.DBF", parcel_table(3));
    test::ChangeDir here(d.path);
    DbfTable t;
    t.file_name = "PARCELAS";
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.path, "PARCELAS.DBF");
    EXPECT_EQ(t.record_count, 3);
}

TEST(DbfOpen, MissingOrAmbiguousFileFails) {
    TempDir d;
    d.write("Dup.DBF", parcel_table(1));
    d.write("DUP.dbf", parcel_table(1));
    for (const char* name : {"NADA", "dup.DBF", ""}) {
        SCOPED_TRACE(name);
        DbfTable t = table_in(d, name);
        EXPECT_EQ(dbf_open(t), -1);
        EXPECT_FALSE(dbf_is_open(t));
        EXPECT_EQ(t.record, nullptr);
        EXPECT_EQ(t.descriptors, nullptr);
        EXPECT_EQ(t.scratch, nullptr);
    }
    DbfTable none = table_in(d, "X");
    none.directory = d.file("NO_DIR");
    EXPECT_EQ(dbf_open(none), -1);
}

TEST(DbfOpen, ReadOnlyFileOpensOnlyForReading) {
    TempDir d;
    d.write("RO.DBF", parcel_table(2));
    ::chmod(d.file("RO.DBF").c_str(), 0444);
    DbfTable t = table_in(d, "RO");
    EXPECT_EQ(dbf_open(t), -1);
    t.read_only = true;
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(dbf_find_record(t, 2), 2);
    EXPECT_EQ(dbf_write_record(t, 2), -1);
    EXPECT_EQ(dbf_update_field(t, 1, "MANZANA", "X", 'S'), 2);
    EXPECT_EQ(dbf_append_record(t), -1);
    dbf_close(t);
    EXPECT_EQ(d.read("RO.DBF"), parcel_table(2));
}

TEST(DbfOpen, LongNamesUpToThePlatformLimit) {
    TempDir d;
    // A directory path far longer than 512 characters, and a 250-character name.
    std::string dir = d.path;
    for (int i = 0; i < 6; ++i) {
        dir += "/" + std::string(100, static_cast<char>('a' + i));
        std::filesystem::create_directory(dir);
    }
    std::string name(246, 'T');
    test::write_file(dir + "/" + name + ".DBF", parcel_table(4));
    DbfTable t;
    t.directory = dir;
    t.file_name = name;
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.record_count, 4);
    EXPECT_EQ(t.file_name, name + ".DBF");
    // Beyond the platform's limit the name is missing, never cut to another.
    test::write_file(dir + "/" + std::string(251, 'T'), parcel_table(1));
    DbfTable too_long;
    too_long.directory = dir;
    too_long.file_name = std::string(251, 'T') + std::string(10, 'T');
    EXPECT_EQ(dbf_open(too_long), -1);
    EXPECT_FALSE(dbf_is_open(too_long));
}

TEST(DbfOpen, FieldCountComesFromTheHeaderLength) {
    TempDir d;
    // Header padded with 20 bytes after the terminator: still three fields.
    std::string s = parcel_table(2);
    s.insert(kParcelHeader, std::string(20, '\0'));
    set_le(s, 8, kParcelHeader + 20, 2);
    d.write("PAD.DBF", s);
    DbfTable t = table_in(d, "PAD");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.field_count, 3);
    EXPECT_EQ(dbf_read_record(t, 2), 2);
    EXPECT_EQ(record_buffer(t), dbf_record(kParcelFields, parcel_row(2)));
    // A table with no fields at all.
    std::string none = dbf_table({}, {" ", " "});
    d.write("NONE.DBF", none);
    DbfTable n = table_in(d, "NONE");
    ASSERT_EQ(dbf_open(n), 0);
    EXPECT_EQ(n.field_count, 0);
    EXPECT_EQ(dbf_find_record(n, 0), 1);  // no first field reads as 0
    EXPECT_EQ(dbf_put_field(n, "A", "x", 'S'), -1);
}

TEST(DbfOpen, UnsoundHeadersAreRefused) {
    const std::string good = parcel_table(3);
    struct Case {
        const char* fault;
        std::string bytes;
    };
    std::vector<Case> cases;
    auto with = [&](const char* fault, std::size_t at, long v, int bytes) {
        std::string s = good;
        set_le(s, at, v, bytes);
        cases.push_back({fault, s});
    };
    cases.push_back({"empty file", ""});
    cases.push_back({"cut header", good.substr(0, 31)});
    with("header length zero", 8, 0, 2);
    with("header length negative", 8, 0x8021, 2);
    with("header length 32", 8, 32, 2);
    with("header length past the file", 8, static_cast<long>(good.size()) + 1, 2);
    with("record length zero", 10, 0, 2);
    with("record length negative", 10, 0xFFFF, 2);
    with("record length past the file", 10, static_cast<long>(good.size()) + 1, 2);
    with("record count negative", 4, 0x80000000L, 4);
    with("fields past the record", 10, kParcelRecord - 1, 2);
    with("field wider than the record", 32 + 16, 200, 1);
    TempDir d;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        d.write("BAD.DBF", c.bytes);
        DbfTable t = table_in(d, "BAD");
        EXPECT_EQ(dbf_open(t), -1);
        EXPECT_FALSE(dbf_is_open(t));
        EXPECT_EQ(t.record, nullptr);
        EXPECT_EQ(d.read("BAD.DBF"), c.bytes);
    }
}

TEST(DbfOpen, EmptyTableOfWideRecordsOpens) {
    // Three 100-character fields: the record is longer than the empty file.
    std::vector<FieldDef> wide = {{"A", 'C', 100}, {"B", 'C', 100}, {"C", 'C', 100}};
    TempDir d;
    d.write("WIDE.DBF", dbf_table(wide, {}));
    DbfTable t = table_in(d, "WIDE");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.record_length, 301);
    dbf_blank_record(t);
    EXPECT_EQ(dbf_put_field(t, "B", "hola", 'S'), 0);
    EXPECT_EQ(dbf_append_record(t), 0);
    dbf_close(t);
    std::string want = dbf_table(wide, {dbf_record(wide, {"", "hola", ""})});
    EXPECT_EQ(d.read("WIDE.DBF"), want);
}

TEST(DbfOpen, ReopenAndCloseAreHarmless) {
    TempDir d;
    d.write("A.DBF", parcel_table(1));
    d.write("B.DBF", parcel_table(2));
    DbfTable t = table_in(d, "A");
    dbf_close(t);
    ASSERT_EQ(dbf_open(t), 0);
    t.file_name = "B";
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.record_count, 2);
    dbf_close(t);
    dbf_close(t);
    EXPECT_FALSE(dbf_is_open(t));
    EXPECT_EQ(dbf_read_record(t, 1), -1);
    EXPECT_EQ(dbf_find_record(t, 1), 0);
    EXPECT_EQ(dbf_find_field(t, "REGISTRO"), -1);
    EXPECT_EQ(dbf_append_record(t), -1);
}

// ---------------------------------------------------------------------------
// The catalog.

struct CatalogCase {
    const char* what;
    std::vector<std::string> records;  ///< catalog records, built by catalog_record
    std::string wanted;
    int found;
    long number;
};

const std::vector<FieldDef> kCatalogFields = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}, {"NOTA", 'C', 4}};

std::string catalog_record(const std::string& number, const std::string& name, bool deleted = false) {
    return dbf_record(kCatalogFields, {number, name, "x"}, deleted);
}

TEST(DbfCatalog, NumberByName) {
    const CatalogCase cases[] = {
        {"name with extension, entry without", {catalog_record("2", "OTRA"), catalog_record("3", "parcelas")},
         "PARCELAS.DBF", 1, 3},
        {"name without extension, entry with", {catalog_record("7", "PARCELAS.DBF")}, "parcelas", 1, 7},
        {"entry padded with blanks", {dbf_record(kCatalogFields, {"  12", "   Parcelas.Dbf  ", ""})}, "PARCELAS", 1, 12},
        {"deleted entry never matches", {catalog_record("4", "PARCELAS", true), catalog_record("5", "PARCELAS")},
         "PARCELAS", 1, 5},
        {"only a deleted entry", {catalog_record("4", "PARCELAS", true)}, "PARCELAS", 0, 0},
        {"first match wins", {catalog_record("8", "PARCELAS"), catalog_record("9", "PARCELAS")}, "PARCELAS", 1, 8},
        {"other extension", {catalog_record("6", "PARCELAS.OLD")}, "PARCELAS", 0, 0},
        {"directory parts with either separator", {catalog_record("11", "datos\\parcelas")}, "DATOS/PARCELAS.DBF", 1,
         11},
        {"number field not numeric", {catalog_record("ab", "PARCELAS")}, "PARCELAS", 1, 0},
        {"not listed", {catalog_record("2", "CALLES")}, "PARCELAS", 0, 0},
        {"empty catalog", {}, "PARCELAS", 0, 0},
    };
    TempDir d;
    d.write("PARCELAS.DBF", parcel_table(1));
    std::filesystem::create_directory(d.file("DATOS"));
    d.write("DATOS/PARCELAS.DBF", parcel_table(1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string cat = dbf_table(kCatalogFields, c.records);
        d.write("CATDBS.DBF", cat);
        DbfTable catalog = table_in(d, kDbfCatalogName);
        DbfTable table = table_in(d, c.wanted);
        ASSERT_EQ(dbf_open(table), 0) << "fixture table";
        table.table_number = 99;
        EXPECT_EQ(dbf_catalog_number(catalog, table), c.found);
        EXPECT_EQ(table.table_number, c.number);
        EXPECT_FALSE(dbf_is_open(catalog));
        EXPECT_EQ(dbf_is_open(table), c.found == 1);  // a table not listed is closed
        EXPECT_EQ(d.read("CATDBS.DBF"), cat);
    }
}

TEST(DbfCatalog, MissingCatalogLeavesTheTableAlone) {
    TempDir d;
    d.write("PARCELAS.DBF", parcel_table(1));
    DbfTable catalog = table_in(d, "CATDBS.DBF");
    DbfTable table = table_in(d, "PARCELAS");
    ASSERT_EQ(dbf_open(table), 0);
    table.table_number = 5;
    EXPECT_EQ(dbf_catalog_number(catalog, table), 0);
    EXPECT_TRUE(dbf_is_open(table));
    EXPECT_EQ(table.table_number, 5);
    // The table need not be open for the lookup.
    d.write("catdbs.dbf", test::dbf_catalog({{2, "PARCELAS"}}));
    DbfTable closed = table_in(d, "parcelas");
    EXPECT_EQ(dbf_catalog_number(catalog, closed), 1);
    EXPECT_EQ(closed.table_number, 2);
    EXPECT_EQ(closed.file_name, "parcelas.DBF");
}

TEST(DbfCatalog, FileNameByNumber) {
    TempDir d;
    d.write("CATDBS.DBF", dbf_table(kCatalogFields, {catalog_record("2", "VIEJA", true), catalog_record("2", " CALLES "),
                                                     catalog_record("3", "P.V1\\PARCELAS"),
                                                     catalog_record("4", "RUS.DAT"), catalog_record("x", "CERO")}));
    DbfTable catalog = table_in(d, "CATDBS");
    struct {
        long number;
        int result;
        std::string name;
    } cases[] = {{2, 1, "CALLES.DBF"}, {3, 1, "P.V1\\PARCELAS.DBF"}, {4, 1, "RUS.DAT"}, {0, 1, "CERO.DBF"}, {9, 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        std::string name;
        EXPECT_EQ(dbf_catalog_file_name(catalog, c.number, name), c.result);
        EXPECT_EQ(name, c.name);
        EXPECT_FALSE(dbf_is_open(catalog));
    }
    DbfTable missing = table_in(d, "NOCAT");
    std::string name;
    EXPECT_EQ(dbf_catalog_file_name(missing, 2, name), -1);
}

TEST(DbfCatalog, CatalogWithOneFieldMatchesNothing) {
    TempDir d;
    std::vector<FieldDef> one = {{"NUMERO", 'N', 4}};
    d.write("CATDBS.DBF", dbf_table_of(one, {{"2"}}));
    DbfTable catalog = table_in(d, "CATDBS.DBF");
    DbfTable table = table_in(d, "PARCELAS");
    EXPECT_EQ(dbf_catalog_number(catalog, table), 0);
    std::string name;
    EXPECT_EQ(dbf_catalog_file_name(catalog, 2, name), 0);
}

// ---------------------------------------------------------------------------
// Fields.

TEST(DbfFields, FindByPattern) {
    TempDir d;
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 2},
                               {"EJE_VIA", 'N', 5},   {"NPOLICIA", 'C', 4}, {"NOMBRE_LAR", 'C', 3}};
    d.write("T.DBF", dbf_table(f, {}));
    DbfTable t = table_in(d, "T");
    ASSERT_EQ(dbf_open(t), 0);
    struct {
        const char* name;
        int index, position;
    } cases[] = {
        {"REGISTRO", 0, 1},  {"MANZANA", 1, 11},  {"PARCELA", 2, 16}, {"EJE_VIA", 3, 18}, {"NPOLICIA", 4, 23},
        {"NOMBRE_LAR", 5, 27}, {"manzana", -1, 0}, {"MAN*", 1, 11},   {"?ARCELA", 2, 16}, {"$_VI", 3, 18},
        {"N*", 4, 23},       {"MANZAN", -1, 0},   {"MANZANAS", -1, 0}, {"", -1, 0},       {"*", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int pos = 0;
        EXPECT_EQ(dbf_find_field(t, c.name, &pos), c.index);
        EXPECT_EQ(pos, c.position);
    }
    EXPECT_EQ(dbf_field_name(t, 5), "NOMBRE_LAR");
    EXPECT_EQ(dbf_field_type(t, 0), 'N');
    EXPECT_EQ(dbf_field_length(t, 0), 10);
    EXPECT_EQ(dbf_field_position(t, 4), 23);
    EXPECT_EQ(dbf_field_name(t, 6), "");
    EXPECT_EQ(dbf_field_length(t, -1), 0);
}

TEST(DbfFields, NameOfElevenCharactersWithoutTerminator) {
    TempDir d;
    std::vector<FieldDef> f = {{"ABCDEFGHIJK", 'C', 3}};
    d.write("T.DBF", dbf_table(f, {}));
    DbfTable t = table_in(d, "T");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(dbf_field_name(t, 0), "ABCDEFGHIJK");
    EXPECT_EQ(dbf_find_field(t, "ABCDEFGHIJK"), 0);
}

struct PutCase {
    const char* what;
    const char* field;
    DbfValue value;
    char type;
    std::string stored;  ///< the field's bytes afterwards
};

const std::vector<FieldDef> kPutFields = {
    {"CHAR5", 'C', 5}, {"NUM10", 'N', 10}, {"CHAR8", 'C', 8}, {"REAL8", 'N', 8, 2}, {"SMALL5", 'N', 5}, {"FLT6", 'N', 6, 3},
};

TEST(DbfFields, PutFormatsByValueType) {
    const PutCase cases[] = {
        {"text into width 5", "CHAR5", "12", 'S', "12   "},
        {"long into width 10", "NUM10", 12L, 'L', "        12"},
        {"N as L", "NUM10", -345, 'N', "      -345"},
        {"16-bit integer", "SMALL5", 12, 'D', "   12"},
        {"text cut to width 8", "CHAR8", "ABCDEFGHIJKL", 'S', "ABCDEFGH"},
        {"text of exactly the width", "CHAR8", "ABCDEFGH", 'S', "ABCDEFGH"},
        {"empty text", "CHAR8", "", 'S', "        "},
        {"text without storage", "CHAR8", std::string_view(), 'S', "        "},
        {"text stops at NUL", "CHAR8", std::string_view("AB\0CD", 5), 'S', "AB      "},
        {"double with decimals", "REAL8", 3.14159, 'F', "    3.14"},
        {"float with decimals", "FLT6", 2.5, 'f', " 2.500"},
        {"float precision", "REAL8", 0.1, 'f', "    0.10"},
        {"text into a numeric field", "NUM10", "abc", 'S', "abc       "},
        {"number into a character field", "CHAR5", 42, 'L', "   42"},
        {"number too wide", "SMALL5", 1234567L, 'L', "*****"},
        {"negative too wide", "SMALL5", -12345, 'N', "*****"},
        {"double too wide", "REAL8", 123456.78, 'F', "********"},
        {"number of exactly the width", "SMALL5", 99999, 'L', "99999"},
    };
    TempDir d;
    d.write("T.DBF", dbf_table_of(kPutFields, {{"ab", "1", "c", "1.5", "7", "0"}}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DbfTable t = table_in(d, "T");
        ASSERT_EQ(dbf_open(t), 0);
        ASSERT_EQ(dbf_read_record(t, 1), 1);
        t.record[0] = '*';
        std::string before = record_buffer(t);
        int pos = 0;
        int k = dbf_find_field(t, c.field, &pos);
        ASSERT_GE(k, 0);
        EXPECT_EQ(dbf_put_field(t, c.field, c.value, c.type), 0);
        std::string want = before;
        want[0] = ' ';
        want.replace(static_cast<std::size_t>(pos), c.stored.size(), c.stored);
        EXPECT_EQ(record_buffer(t), want);
    }
}

TEST(DbfFields, PutRefusedLeavesTheBufferUnchanged) {
    TempDir d;
    d.write("T.DBF", dbf_table_of(kPutFields, {{"ab", "1", "c", "1.5", "7", "0"}}));
    DbfTable t = table_in(d, "T");
    ASSERT_EQ(dbf_open(t), 0);
    ASSERT_EQ(dbf_read_record(t, 1), 1);
    t.record[0] = '*';
    std::string before = record_buffer(t);
    for (char type : {'X', 's', 'l', '\0', 'd'}) {
        SCOPED_TRACE(static_cast<int>(type));
        EXPECT_EQ(dbf_put_field(t, "CHAR5", "zz", type), -2);
        EXPECT_EQ(record_buffer(t), before);
    }
    EXPECT_EQ(dbf_put_field(t, "NOPE", "zz", 'S'), -1);
    EXPECT_EQ(dbf_put_field(t, "NOPE", "zz", 'X'), -1);
    EXPECT_EQ(record_buffer(t), before);
}

TEST(DbfFields, WideFieldsStayInsideTheRecord) {
    // A 255-character field at the end of the record, and a huge precision:
    // nothing is written outside the field (checked by the sanitizers too).
    std::vector<FieldDef> f = {{"A", 'C', 3}, {"LARGO", 'C', 255}, {"NUM", 'N', 4, 200}};
    TempDir d;
    d.write("W.DBF", dbf_table_of(f, {{"x", "y", "1"}}));
    DbfTable t = table_in(d, "W");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(dbf_field_position(t, 2), 259);
    ASSERT_EQ(dbf_read_record(t, 1), 1);
    std::string big(1000, 'Q');
    EXPECT_EQ(dbf_put_field(t, "LARGO", big, 'S'), 0);
    EXPECT_EQ(dbf_put_field(t, "NUM", 1e300, 'F'), 0);
    EXPECT_EQ(record_buffer(t), " x  " + std::string(255, 'Q') + "****");
    EXPECT_EQ(dbf_put_field(t, "LARGO", 1e300, 'F'), 0);
    EXPECT_EQ(dbf_field_text(t, 1), std::string(255, '*'));
}

// ---------------------------------------------------------------------------
// Records.

TEST(DbfRecords, ReadAndWriteWithinTheRecordCount) {
    TempDir d;
    std::vector<std::string> recs = {dbf_record(kParcelFields, parcel_row(1)),
                                     dbf_record(kParcelFields, parcel_row(2), true),
                                     dbf_record(kParcelFields, parcel_row(3))};
    const std::string original = dbf_table(kParcelFields, recs);
    d.write("P.DBF", original);
    DbfTable t = table_in(d, "P");
    ASSERT_EQ(dbf_open(t), 0);
    for (long n : {0L, -1L, 4L, 1000000L}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(dbf_read_record(t, n), -1);
        EXPECT_EQ(dbf_write_record(t, n), -1);
    }
    EXPECT_EQ(d.read("P.DBF"), original);
    EXPECT_EQ(dbf_read_record(t, 2), 2);  // the deletion flag is not looked at
    EXPECT_TRUE(dbf_record_deleted(t));
    EXPECT_EQ(record_buffer(t), recs[1]);
    EXPECT_EQ(dbf_field_text(t, 1), "00012");
    EXPECT_EQ(dbf_write_record(t, 3), 3);  // record 2's bytes over record 3
    dbf_close(t);
    std::string want = original;
    want.replace(kParcelHeader + 2 * kParcelRecord, kParcelRecord, recs[1]);
    EXPECT_EQ(d.read("P.DBF"), want);
}

TEST(DbfRecords, CutTableReadsFailInsteadOfGivingStaleBytes) {
    TempDir d;
    std::string s = parcel_table(3);
    s.resize(kParcelHeader + 2 * kParcelRecord + 5);  // record 3 cut short
    d.write("CUT.DBF", s);
    DbfTable t = table_in(d, "CUT");
    ASSERT_EQ(dbf_open(t), 0);
    ASSERT_EQ(dbf_read_record(t, 2), 2);
    EXPECT_EQ(dbf_read_record(t, 3), -1);
    EXPECT_EQ(record_buffer(t), dbf_record(kParcelFields, parcel_row(2)));
    EXPECT_EQ(dbf_update_field(t, 3, "MANZANA", "X", 'S'), 1);
    EXPECT_EQ(dbf_find_record(t, 3), 0);
    EXPECT_EQ(dbf_append_record(t), -1);  // would leave a hole of zeros
    dbf_close(t);
    EXPECT_EQ(d.read("CUT.DBF"), s);
}

TEST(DbfRecords, AppendAfterTheLastRecord) {
    TempDir d;
    std::string original = parcel_table(41);
    d.write("P.DBF", original);
    DbfTable t = table_in(d, "P");
    ASSERT_EQ(dbf_open(t), 0);
    dbf_blank_record(t);
    ASSERT_EQ(dbf_put_field(t, "REGISTRO", 42, 'L'), 0);
    ASSERT_EQ(dbf_put_field(t, "MANZANA", "00099", 'S'), 0);
    ASSERT_EQ(dbf_append_record(t), 0);
    EXPECT_EQ(t.record_count, 42);
    std::string got = d.read("P.DBF");
    std::string rec42 = dbf_record(kParcelFields, {"42", "00099", ""});
    std::string want = original.substr(0, original.size() - 1) + rec42 + "\x1A";
    set_le(want, 4, 42, 4);
    EXPECT_EQ(got, want);
    EXPECT_EQ(got.substr(1, 3), original.substr(1, 3));  // the date stays
    EXPECT_EQ(got.substr(kParcelHeader + 41 * kParcelRecord, kParcelRecord), rec42);
    // A second append, and the appended record reads back.
    ASSERT_EQ(dbf_put_field(t, "REGISTRO", 43, 'L'), 0);
    ASSERT_EQ(dbf_append_record(t), 0);
    EXPECT_EQ(dbf_find_record(t, 42), 42);
    EXPECT_EQ(record_buffer(t), rec42);
    dbf_close(t);
    DbfTable again = table_in(d, "P");
    ASSERT_EQ(dbf_open(again), 0);
    EXPECT_EQ(again.record_count, 43);
}

TEST(DbfRecords, AppendToEmptyTableAndTableWithoutEndByte) {
    TempDir d;
    std::vector<std::string> one = {dbf_record(kParcelFields, parcel_row(1))};
    struct {
        const char* what;
        std::string before;
        std::string after;
    } cases[] = {
        {"empty table", dbf_table(kParcelFields, {}), dbf_table(kParcelFields, one)},
        {"no end byte", dbf_table(kParcelFields, {}, false), dbf_table(kParcelFields, one)},
        {"bytes after the end byte", dbf_table(kParcelFields, {}) + "junk", dbf_table(kParcelFields, one)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d.write("E.DBF", c.before);
        DbfTable t = table_in(d, "E");
        ASSERT_EQ(dbf_open(t), 0);
        dbf_blank_record(t);
        ASSERT_EQ(dbf_put_field(t, "REGISTRO", 1, 'N'), 0);
        ASSERT_EQ(dbf_put_field(t, "MANZANA", "00012", 'S'), 0);
        ASSERT_EQ(dbf_put_field(t, "PARCELA", "1", 'S'), 0);
        ASSERT_EQ(dbf_append_record(t), 0);
        dbf_close(t);
        std::string got = d.read("E.DBF");
        EXPECT_EQ(got.substr(0, c.after.size()), c.after);
    }
}

TEST(DbfRecords, UpdateOneField) {
    TempDir d;
    std::vector<std::string> recs = {dbf_record(kParcelFields, parcel_row(1)),
                                     dbf_record(kParcelFields, parcel_row(2), true)};
    const std::string original = dbf_table(kParcelFields, recs);
    d.write("P.DBF", original);
    DbfTable t = table_in(d, "P");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(dbf_update_field(t, 3, "MANZANA", "X", 'S'), 1);
    EXPECT_EQ(dbf_update_field(t, 0, "MANZANA", "X", 'S'), 1);
    EXPECT_EQ(dbf_update_field(t, 1, "NADA", "X", 'S'), 2);
    EXPECT_EQ(dbf_update_field(t, 1, "MANZANA", "X", 'Z'), 2);
    EXPECT_EQ(d.read("P.DBF"), original);
    EXPECT_EQ(dbf_update_field(t, 2, "MANZANA", "ABCDEFG", 'S'), 0);  // deleted record becomes live
    dbf_close(t);
    std::string want = original;
    want.replace(kParcelHeader + kParcelRecord, kParcelRecord, dbf_record(kParcelFields, {"2", "ABCDE", "2"}));
    EXPECT_EQ(d.read("P.DBF"), want);
}

// ---------------------------------------------------------------------------
// Search by key.

TEST(DbfFindRecord, FirstProbeIsTheKeyPosition) {
    TempDir d;
    struct {
        const char* what;
        std::vector<long> keys;
        long key, found;
    } cases[] = {
        // Only the probe at position key finds these keys: bisection from the
        // middle would take another way.
        {"key at its position", {9, 9, 9, 4, 9}, 4, 4},
        {"key above the count starts at the last record", {1, 2, 3, 99, 50}, 50, 5},
        {"key below 1 starts at the first record", {-7, 20, 30, 40, 50}, -7, 1},
        {"sorted with gaps", {1, 2, 5, 7, 9, 12}, 7, 4},
        {"sorted with gaps, last", {1, 2, 5, 7, 9, 12}, 12, 6},
        {"sorted with gaps, first", {1, 2, 5, 7, 9, 12}, 1, 1},
        {"absent inside", {1, 2, 5, 7, 9, 12}, 6, 0},
        {"absent above", {1, 2, 5, 7, 9, 12}, 13, 0},
        {"absent below", {1, 2, 5, 7, 9, 12}, 0, 0},
        {"single record", {5}, 5, 1},
        {"single record, absent", {5}, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        d.write("K.DBF", keyed_table(c.keys));
        DbfTable t = table_in(d, "K");
        ASSERT_EQ(dbf_open(t), 0);
        EXPECT_EQ(dbf_find_record(t, c.key), c.found);
        if (c.found) {
            EXPECT_EQ(trim_view(dbf_field_text(t, 1)), "M" + std::to_string(c.found));  // the record found is loaded
        }
    }
}

TEST(DbfFindRecord, EmptyTableReadsNothing) {
    TempDir d;
    d.write("E.DBF", dbf_table(kParcelFields, {}));
    DbfTable t = table_in(d, "E");
    ASSERT_EQ(dbf_open(t), 0);
    std::memset(t.record.get(), '#', static_cast<std::size_t>(t.record_length));
    for (long key : {-1L, 0L, 1L, 2L}) EXPECT_EQ(dbf_find_record(t, key), 0);
    EXPECT_EQ(record_buffer(t), std::string(static_cast<std::size_t>(kParcelRecord), '#'));
}

TEST(DbfFindRecord, DeletedRecordsAreFound) {
    TempDir d;
    d.write("K.DBF", keyed_table({1, 2, 3}, {false, true, false}));
    DbfTable t = table_in(d, "K");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(dbf_find_record(t, 2), 2);
    EXPECT_TRUE(dbf_record_deleted(t));
}

TEST(DbfFindRecord, AgreesWithALinearScan) {
    // Sorted keys with gaps and repeats: every key is found at a position that
    // holds it, and absent keys give 0.
    std::vector<long> keys;
    for (long k = 1; k <= 300; ++k) keys.push_back(k < 100 ? k : (k < 200 ? 2 * k : 2 * k + (k % 3 == 0)));
    keys.push_back(keys.back());
    TempDir d;
    d.write("K.DBF", keyed_table(keys));
    DbfTable t = table_in(d, "K");
    ASSERT_EQ(dbf_open(t), 0);
    for (long key = -2; key <= keys.back() + 2; ++key) {
        bool present = std::find(keys.begin(), keys.end(), key) != keys.end();
        long at = dbf_find_record(t, key);
        if (!present) {
            EXPECT_EQ(at, 0) << key;
        } else {
            ASSERT_GT(at, 0) << key;
            EXPECT_EQ(keys[static_cast<std::size_t>(at - 1)], key);
        }
    }
}

TEST(DbfFindRecord, UnsortedTableEndsAndNeverLies) {
    std::vector<long> keys;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 200; ++i) {
        seed = seed * 1103515245u + 12345u;
        keys.push_back(static_cast<long>((seed >> 16) % 300));
    }
    TempDir d;
    d.write("U.DBF", keyed_table(keys));
    DbfTable t = table_in(d, "U");
    ASSERT_EQ(dbf_open(t), 0);
    for (long key = -1; key <= 301; ++key) {
        long at = dbf_find_record(t, key);
        if (at) {
            EXPECT_EQ(keys[static_cast<std::size_t>(at - 1)], key);
        }
    }
}

// ---------------------------------------------------------------------------
// Tables as another reader sees them.

TEST(DbfIndependentRead, TablesWrittenHereReadElsewhere) {
    TempDir d;
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}, {"NPOLICIA", 'C', 4},
                               {"SUPERF", 'N', 9, 2}, {"RUSTICA", 'C', 14}};
    d.write("PARCELAS.DBF", dbf_table(f, {dbf_record(f, {"1", "00012", "12B", "10.50", "A"}),
                                          dbf_record(f, {"2", "00012", "7", "3.00", ""}, true)}));
    DbfTable t = table_in(d, "PARCELAS");
    ASSERT_EQ(dbf_open(t), 0);
    // Append two records, update one field of each existing record.
    for (int k = 3; k <= 4; ++k) {
        dbf_blank_record(t);
        ASSERT_EQ(dbf_put_field(t, "REGISTRO", k, 'L'), 0);
        ASSERT_EQ(dbf_put_field(t, "MANZANA", "00045", 'S'), 0);
        ASSERT_EQ(dbf_put_field(t, "NPOLICIA", std::to_string(k * 10), 'S'), 0);
        ASSERT_EQ(dbf_put_field(t, "SUPERF", 1.25 * k, 'F'), 0);
        ASSERT_EQ(dbf_put_field(t, "RUSTICA", "28900A00100001X", 'S'), 0);
        ASSERT_EQ(dbf_append_record(t), 0);
    }
    ASSERT_EQ(dbf_update_field(t, 1, "RUSTICA", "\xA4" "and\xFA", 'S'), 0);  // cp850 letters
    ASSERT_EQ(dbf_update_field(t, 2, "SUPERF", 1234567.0, 'F'), 0);
    dbf_close(t);
    std::string dump = test::dbfread_dump(d.file("PARCELAS.DBF"));
    EXPECT_EQ(dump,
              "{\"fields\": [[\"REGISTRO\", \"N\", 10, 0], [\"MANZANA\", \"C\", 5, 0], [\"NPOLICIA\", \"C\", 4, 0], "
              "[\"SUPERF\", \"N\", 9, 2], [\"RUSTICA\", \"C\", 14, 0]], "
              "\"records\": [[1, \"00012\", \"12B\", 10.5, \"\\u00f1and\\u00b7\"], [2, \"00012\", \"7\", null, \"\"], "
              "[3, \"00045\", \"30\", 3.75, \"28900A00100001\"], [4, \"00045\", \"40\", 5.0, \"28900A00100001\"]], "
              "\"deleted\": [], \"numrecords\": 4}\n");
}

TEST(DbfIndependentRead, TableOfWideRecordsAppendedFromEmpty) {
    TempDir d;
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"NOTA", 'C', 200}};
    d.write("W.DBF", dbf_table(f, {}));
    DbfTable t = table_in(d, "W");
    ASSERT_EQ(dbf_open(t), 0);
    for (int k = 1; k <= 3; ++k) {
        dbf_blank_record(t);
        ASSERT_EQ(dbf_put_field(t, "REGISTRO", k, 'N'), 0);
        ASSERT_EQ(dbf_put_field(t, "NOTA", std::string(150 + k, 'a' + k), 'S'), 0);
        ASSERT_EQ(dbf_append_record(t), 0);
    }
    ASSERT_EQ(dbf_update_field(t, 2, "NOTA", "", 'S'), 0);
    dbf_close(t);
    std::string dump = test::dbfread_dump(d.file("W.DBF"));
    EXPECT_EQ(dump, "{\"fields\": [[\"REGISTRO\", \"N\", 10, 0], [\"NOTA\", \"C\", 200, 0]], \"records\": [[1, \"" +
                        std::string(151, 'b') + "\"], [2, \"\"], [3, \"" + std::string(153, 'd') +
                        "\"]], \"deleted\": [], \"numrecords\": 3}\n");
}

}  // namespace
}  // namespace cad
