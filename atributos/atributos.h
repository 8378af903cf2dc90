// atributos.h - the street fill: street texts from a streets file written into
// the attributes file, every record made an 80-character record.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>

#include "kernel/export_run.h"

namespace cad {

/// The field values of one street fill, as the dialog or the command line fills them.
struct AtributosOptions {
    std::string attributes = "A";
    std::string streets = "CALLES";
};

/// The two texts of one street, NUL-terminated.
struct Street {
    char short_text[8];
    char long_text[60];
};

/// Streets by street code; the first line of a repeated code wins.
using StreetIndex = std::unordered_map<std::int32_t, Street>;

/// A number as the records hold it, held in 32 bits (saturating).
std::int32_t street_number(std::string_view text);

/// Loads every line of a streets file: code, short text, long text (trimmed,
/// cut to 7 and 59 characters).
void load_streets(std::FILE* f, StreetIndex& streets);

/// Fills one record in `rec` (the line's characters, zero bytes after them):
/// the street of its record number, if any, goes to columns 18 and 25, then
/// zero bytes among the first 80 become blanks. `refill` clears columns
/// 18-80 of a matched record first (a record already filled).
void fill_record(char rec[85], const StreetIndex& streets, bool refill);

/// Runs the street fill over the options' files.
RunEnd atributos_run(Hooks& hooks, const AtributosOptions& options);

}  // namespace cad
