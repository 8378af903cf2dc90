// tramos.h - the segments exchange file in volumes "T.1", "T.2", ..., the
// attributes file "A", the per-sheet error-marker files and the log "T.err".
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "kernel/export_run.h"

namespace cad {

/// The linear-entity code list, in the order the dialog shows it.
inline constexpr std::array<const char*, 16> kLinearCodes = {
    "030102", "030202", "030302", "032301", "033301", "060102", "060104", "060202",
    "060204", "060402", "060404", "060109", "061104", "161101", "160201", "160202"};

/// The field values of one segments export run, as the dialog or the command
/// line fills them.
struct TramosOptions {
    std::string sheet_list = "TREN";
    std::string size_text = "500";  ///< text of the size field, megabytes
    /// Selected entries of the linear-entity code list (all of them at first).
    std::vector<std::string> codes{kLinearCodes.begin(), kLinearCodes.end()};
};

/// Reads a comma-separated selection of the linear-entity code list into
/// `codes` (list order); an empty text selects none. False, with the entry
/// in `bad`, when an entry is not in the list.
bool parse_code_selection(std::string_view text, std::vector<std::string>& codes, std::string& bad);

/// The size limit in bytes for the size field's text: its number (leading
/// blanks, stops at the first non-digit, none gives 0) times 1048576, in 64
/// bits, saturating; a negative number counts as 0.
std::int64_t size_limit_bytes(std::string_view size_text);

/// Writes `v` in exactly `width` characters with leading zeros, a minus sign
/// first when negative (as "%0*ld"); false, writing nothing, when it does not fit.
bool put_zero_padded(char* dst, std::int64_t v, int width);

/// True for a segment code: group 1 or more, subgroup 1-39 or 70-79.
inline bool is_segment_code(const CodeSplit& c) {
    return c.group >= 1 && ((c.subgroup >= 1 && c.subgroup <= 39) || (c.subgroup >= 70 && c.subgroup <= 79));
}

/// Where the markers of an element go; not placed when it has no points.
struct MarkerPos {
    std::int32_t x = 0, y = 0;
    bool placed = false;
};

/// State of one segments export run, handed to its steps.
struct TramosRun {
    Hooks* hooks = nullptr;
    CodeTable codes;
    ElementBuffers buffers;
    std::unique_ptr<char[]> volume_buffer;  ///< stdio buffer of the open volume (outlives it)
    File log, attrs, sheets, volume, markers;
    std::string header;  ///< header copy: 80 columns, 'T' in column 1, volume number in 18-19
    std::string sheet_line;
    std::string element_file;
    char modalidad = ' ';
    int huso = 0, escala = 0;
    long ox = 0, oy = 0;  ///< sheet origin in centimetres (escala 1000)

    long segment_number = 0;
    int volume_number = 0;  ///< volumes created so far
    std::int64_t volume_bytes = 0;
    std::int64_t size_limit = 0;
    long volume_segments = 0;
    long sheet_count = 0;
    long sheet_record_pos = 0;

    std::vector<CodeSplit> selection;  ///< linear-entity code selection
    /// Record numbers already in "A"; the file itself keeps their order of
    /// first appearance.
    std::unordered_set<std::int32_t> attribute_register;
    long attributes_count = 0;
    bool attrs_started = false;  ///< the first line of "A" is written

    bool unplaced_logged = false;  ///< the current element's "no points" line is logged
};

/// Runs the segments export over the options' sheet list.
RunEnd tramos_run(Hooks& hooks, const TramosOptions& options);

/// The element steps for one element of the walk.
void tramos_element(TramosRun& run, const Element& e);

// Segment attributes and the attributes file (attributes.cpp).

/// Appends an error marker at `at` to the sheet's marker file; an element
/// without points gets one log line instead.
void mark(TramosRun& run, const Element& e, const MarkerPos& at);

/// Registers record number `record` under `code`: writes its attributes
/// record the first time; a record number 0 is missing when the code is
/// selected (logged). True when the attribute is present.
bool register_step(TramosRun& run, const CodeSplit& code, long segment, std::int32_t record);

/// Writes the attribute field (columns 44-80) for a code and record number.
void attribute_field(char out[37], const CodeSplit& code, std::int32_t record);

/// Own attribute: fills columns 44-80 of the head record `head`; logs and
/// marks more than one own attribute and a missing one.
void own_attribute_step(TramosRun& run, const Element& e, const CodeSplit& code, const MarkerPos& at,
                        char head[kRecordSize]);

/// Foreign attributes: writes one continuation record per foreign segment
/// code reference and counts its bytes.
void foreign_attribute_step(TramosRun& run, const Element& e, const MarkerPos& at);

/// Writes the provisional first line of "A" (the header copy).
void attributes_start(TramosRun& run);
/// Rewrites the first line of "A" with 'A' and the attributes count, and
/// closes it; false when that fails.
bool attributes_finish(TramosRun& run);

}  // namespace cad
