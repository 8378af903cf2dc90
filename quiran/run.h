// run.h - the state of one import run and the steps its readers share.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "dbase/dbase.h"
#include "kernel/platform.h"
#include "quiran/quiran.h"
#include "quiran/tab.h"
#include "quiran/textio.h"
#include "quiran/writer.h"

namespace cad {

/// Everything one import run holds; set up afresh by every run.
struct QuiranRun {
    Hooks* hooks = nullptr;
    std::size_t record_length = 80;

    File exchange;
    std::string exchange_name;
    std::int64_t position = 0;  ///< bytes of the exchange file read so far
    File log;

    DbfTable table;
    std::int16_t table_number = 0;
    TranslationTable tab;
    ElementWriter writer;

    // Header values kept for the readers.
    char kind = ' ';
    char modalidad = ' ';
    long escala = 0;
    long total = 0;

    // The current sheet: its element file is written beside its final name
    // and moved into place when the sheet is closed.
    File element_file;
    std::string element_base;  ///< the element-file name from the sheet record, without extension
    std::string element_name;  ///< element_base + "." + kind
    std::string element_target, element_temp;
    std::string sheet_name;
    long sheet_elements = 0;  ///< the sheet record's element count

    TextPiece record;  ///< the record last read

    // Surfaces import.
    std::map<std::int32_t, std::int32_t> parcels;  ///< parcel key -> sequence number
    bool repeated_parcel = false;
    char label[24] = {};  ///< the label text of a parcel
};

/// Reads the next record; false at the end of the file.
bool read_record(QuiranRun& run);
/// The record as read, without its line end.
inline std::string_view rec(const QuiranRun& run) { return run.record.text; }
/// A number field of a record (decimal after leading blanks, 0 when empty),
/// kept inside the 32-bit range.
std::int32_t field_number(std::string_view record, std::size_t col, std::size_t len);
/// The record's first character ('\n' for a record that holds only its line end).
char first_char(const QuiranRun& run);
/// Refreshes the progress bar from the position in the exchange file.
void update_progress(QuiranRun& run);
/// True while Cancel (Ctrl-C) has not asked the run to end.
inline bool go_on(const QuiranRun& run) { return may_go_on(*run.hooks); }

/// Writes the prefix and the record to the log, and a line end when asked.
void log_record(QuiranRun& run, const char* prefix, bool line_end);
/// A listed line of the info list (code page 850).
void list(QuiranRun& run, std::string_view line);

/// The sheet-record step: opens the sheet's element file. False stops the run.
bool sheet_record(QuiranRun& run);

/// Handler of one element record; false stops the run.
using RecordHandler = bool (*)(QuiranRun& run);
/// The per-sheet loop of the points, texts and surfaces passes; false when
/// the run is to end.
bool per_sheet_loop(QuiranRun& run, RecordHandler handler);

bool points_record(QuiranRun& run);
bool texts_record(QuiranRun& run);
/// The segments reader, from the record after the header to the end of the
/// file; false when the run is to end.
bool read_segments(QuiranRun& run);

bool surfaces_first_pass(QuiranRun& run);
bool surfaces_second_pass(QuiranRun& run);

/// Height and angle conversions shared by points and texts.
std::int32_t map_height(long escala, long field);
std::int32_t map_angle(long field);

}  // namespace cad
