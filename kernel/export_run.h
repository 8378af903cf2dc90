// export_run.h - sheet list, header and sheet records, and the export run skeleton.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "kernel/codetable.h"
#include "kernel/element.h"
#include "kernel/frontend.h"
#include "kernel/sheet.h"

namespace cad {

constexpr std::size_t kRecordSize = 80;

/// How a run ended: through its last sheet, or early (a fatal condition or Cancel).
enum class RunEnd { Completed, EndedEarly };

/// Reads the header line of a sheet list, cut at 80 characters. A header
/// without a line end is taken whole. False when the file is empty.
bool read_header_line(std::FILE* sheets, std::string& header);
/// Reads the next sheet line, cut at 80; false at the end of the file (a last
/// line without a line end is not a sheet line).
bool read_sheet_line(std::FILE* sheets, std::string& line);

/// Huso (columns 63-64) and escala (69-73) of a header; logs their range errors.
void header_scale(std::string_view header, std::FILE* log, int& huso, int& escala);

/// Element-file name of a sheet line for the modalidad ('R' columns 2-9,
/// 'U' columns 4-11), without ".bin"; false for any other modalidad.
bool element_file_base(char modalidad, std::string_view sheet_line, std::string& base);

/// Writes `text` padded with blanks (or cut) to one 80-character record.
bool write_record80(std::FILE* out, std::string_view text);
/// Writes the first 74 characters of `record` and the count in columns 75-80
/// ("%6ld", or "%06ld" when zero_padded) at `pos`.
bool write_count_record(std::FILE* out, long pos, std::string_view record, long count, bool zero_padded);

/// Log line for a record refused because a value does not fit its columns.
void log_wide_value(std::FILE* log, const char* code, long x, long y);

/// State of one export run of the points or texts kind; handed to the
/// program's element conversion.
struct ExportRun {
    Hooks* hooks = nullptr;
    CodeTable codes;
    ElementBuffers buffers;
    std::unique_ptr<char[]> out_buffer;  ///< stdio buffer of `out`; declared first so it outlives it
    File log, sheets, out;
    std::string header;  ///< header record as written (kind letter in column 1)
    std::string sheet_line;
    std::string element_file;
    char modalidad = ' ';
    int huso = 0, escala = 0;
    long ox = 0, oy = 0;  ///< sheet origin in centimetres (escala 1000)
    long record_total = 0;
    long sheet_count = 0;
    long sheet_record_pos = 0;
    std::string scratch;  ///< working copy of a text, reused from element to element
};

/// What distinguishes one export program from another.
struct ExportProgram {
    char kind;                 ///< kind letter and output name ("P", "X")
    bool zero_padded_counts;   ///< "%06ld" counts instead of "%6ld"
    void (*convert)(ExportRun& run, const Element& e);
};

/// Runs the export of a sheet list into the program's exchange file and log.
RunEnd run_export(const ExportProgram& program, Hooks& hooks, std::string_view sheet_list);

/// Writes one data record of exactly 80 characters and counts it; a record of
/// another length is refused with a log line and not counted.
bool emit_record(ExportRun& run, const char* record, int length, const char* code, long x, long y);

}  // namespace cad
