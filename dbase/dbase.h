// dbase.h - dBase III tables, and the catalog CATDBS.DBF that numbers them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kernel/platform.h"

namespace cad {

constexpr int kDbfHeaderSize = 32;
constexpr int kDbfDescriptorSize = 32;
constexpr int kDbfFieldNameSize = 11;
constexpr char kDbfCatalogName[] = "CATDBS.DBF";

/// One dBase table. The caller owns it (in its run state), sets `directory`
/// and `file_name` before dbf_open and reads the rest through the functions
/// below. Not copyable; dbf_close (or the end of the object) releases it.
struct DbfTable {
    std::string directory;          ///< may be empty: the current directory
    std::string file_name;          ///< dbf_open appends ".DBF" when it has no extension
    bool read_only = false;         ///< open for reading only; writes and appends then fail
    std::int32_t table_number = 0;  ///< set by dbf_catalog_number

    // Set by dbf_open, released by dbf_close.
    File file;                    ///< null while the table is closed
    std::string path;             ///< the path that was opened
    unsigned char header[kDbfHeaderSize] = {};  ///< the file's first 32 bytes
    int header_length = 0;        ///< start of the first record
    int record_length = 0;        ///< bytes per record, deletion flag included
    std::int32_t record_count = 0;
    int field_count = 0;
    std::unique_ptr<unsigned char[]> descriptors;  ///< field_count x 32 bytes as read
    std::unique_ptr<int[]> positions;              ///< byte offset of each field in a record
    std::unique_ptr<unsigned char[]> record;       ///< the current record, deletion flag first
    std::unique_ptr<char[]> scratch;               ///< record_length + 1 bytes for formatting
};

/// A value for dbf_put_field. The value type letter passed with it says which
/// member is used: `integer` for D, L and N, `real` for F and f, `text` for S.
struct DbfValue {
    long integer = 0;
    double real = 0;
    std::string_view text;

    DbfValue(int v) : integer(v), real(v) {}
    DbfValue(long v) : integer(v), real(static_cast<double>(v)) {}
    DbfValue(double v) : real(v) {}
    DbfValue(std::string_view v) : text(v) {}
    DbfValue(const char* v) : text(v ? std::string_view(v) : std::string_view()) {}
    DbfValue(const std::string& v) : text(v) {}
};

/// True when the name has a '.' after its last directory separator ('\' or '/').
bool dbf_has_extension(std::string_view name);

/// Opens directory/file_name for reading and writing (reading only with
/// `read_only`), never creating it; ".DBF" is first appended to file_name when
/// it has no extension, "\" counts as "/" and a single case-insensitive match
/// stands in for a missing exact name. An open table is closed first.
/// Returns 0, or -1 when the file is missing or not openable, its header or
/// field descriptors are not a sound dBase header (header length below 33 or
/// past the end of the file, record length below 1, record count negative,
/// fields past the end of the record, a record length past the end of the
/// file that the fields do not account for), or memory is short; the table is
/// then closed and holds nothing.
int dbf_open(DbfTable& t);

/// Closes the file and frees the buffers; the table is closed afterwards in
/// every case. Closing a closed table is harmless. Names and table number stay.
void dbf_close(DbfTable& t);

/// True while the table is open.
bool dbf_is_open(const DbfTable& t);

/// Finds table.file_name (".DBF" appended in place when it has no extension)
/// in the catalog: the caller sets catalog.directory to the database directory
/// and catalog.file_name to "CATDBS.DBF". Catalog records marked deleted are
/// passed over; the second field (trimmed, ".DBF" added when it has no
/// extension) is compared ignoring ASCII letter case, and the first field of
/// the match is the table number. The catalog is opened and closed here.
/// Returns 1 and sets table.table_number when found; 0 when the catalog cannot
/// be opened (the table is left as it was) or does not list the table (the
/// table is then closed and its table number set to 0).
int dbf_catalog_number(DbfTable& catalog, DbfTable& table);

/// The reverse lookup: the file name listed under `number` in the catalog
/// (the first live record whose first field equals it), trimmed and with
/// ".DBF" added when it has no extension. The catalog is opened and closed
/// here. Returns 1 found, 0 not listed, -1 the catalog cannot be opened.
int dbf_catalog_file_name(DbfTable& catalog, long number, std::string& file_name);

/// Index of the first field whose name matches `name` (the pattern match of
/// the code table: '*' and '?' wildcards, a leading '$' for a substring;
/// case-sensitive), or -1. `position`, when given, receives the field's byte
/// offset in the record (1 for the first field).
int dbf_find_field(const DbfTable& t, std::string_view name, int* position = nullptr);

/// Formats `value` by the value type into field `name` of the record buffer
/// (width = field length, precision = field decimals): D, L, N "%*ld"; F
/// "%*.*f"; f the same from a float; S left-aligned, blank-padded and cut to
/// the field's length. A number wider than the field fills it with '*'. The
/// deletion flag becomes blank. Only the record buffer changes.
/// Returns 0, -1 no such field, -2 value type not one of D F L N S f (the
/// record buffer is then unchanged).
int dbf_put_field(DbfTable& t, std::string_view name, const DbfValue& value, char type);

/// Writes the record buffer as a new record after the last one, then the
/// end-of-file byte 0x1A, then the header with the record count raised by one
/// (nothing else of the header changes). Returns 0, or -1 when the table is
/// closed or read-only, the file is shorter than its records, or a write
/// fails (the header then keeps the old count).
int dbf_append_record(DbfTable& t);

/// Reads record n (1-based) into the record buffer, deletion flag included.
/// Returns n, or -1 when n is not between 1 and the record count or the file
/// holds less than the whole record (the record buffer is then unchanged).
long dbf_read_record(DbfTable& t, long n);

/// Writes the record buffer over record n (1-based). Returns n, or -1 when n
/// is not between 1 and the record count, the table is closed or read-only,
/// or the write fails.
long dbf_write_record(DbfTable& t, long n);

/// Bisection search for the record whose first field, as a decimal number,
/// equals `key`; the first probe is position key (clamped to the table), so a
/// table whose record k has key k answers with one read. Deleted records are
/// probed like live ones. Returns the 1-based position, with that record in
/// the record buffer, or 0 (empty table, no such key, or a failed read; the
/// buffer then holds the last record probed, if any).
long dbf_find_record(DbfTable& t, long key);

/// Reads record n, puts the value into field `name`, writes the record back.
/// Returns 0 success, 1 record n does not exist, 2 the field cannot be put
/// or the record cannot be written.
int dbf_update_field(DbfTable& t, long n, std::string_view name, const DbfValue& value, char type);

/// Field descriptor values of field `index` (0-based; out of range gives an
/// empty name, type '\0' and 0).
std::string_view dbf_field_name(const DbfTable& t, int index);
char dbf_field_type(const DbfTable& t, int index);
int dbf_field_length(const DbfTable& t, int index);
int dbf_field_decimals(const DbfTable& t, int index);
int dbf_field_position(const DbfTable& t, int index);

/// The text of field `index` in the record buffer, blanks included.
std::string_view dbf_field_text(const DbfTable& t, int index);

/// True when the record buffer's deletion flag is '*'.
bool dbf_record_deleted(const DbfTable& t);

/// Fills the record buffer with blanks: a live record with every field empty.
void dbf_blank_record(DbfTable& t);

}  // namespace cad
