// sheet.h - sheet origins of 1:1000 jobs, the out-of-sheet check, the code split.
#pragma once

#include <cstdio>
#include <string_view>

#include "kernel/element.h"
#include "kernel/frontend.h"

namespace cad {

/// Origin (south-west corner, metres) decoded from a 10-character sheet name.
struct SheetOrigin {
    bool ok = false;
    double x = 0, y = 0;
    char bad = 0;  ///< the offending character when not ok
};
SheetOrigin decode_sheet_origin(std::string_view name);

/// Decodes the origin and keeps it in centimetres; on failure shows
/// "Error en nombre hoja %s  %c" and returns false.
bool sheet_origin_cm(Hooks& hooks, std::string_view name, long& ox, long& oy);

/// Metres to the integer centimetres the runs keep.
long origin_to_cm(double metres);

/// Logs "Fuera de hoja" for the first of the first `count` points that lies
/// outside the 1000 m x 500 m sheet; true when it logged.
bool out_of_sheet_check(long ox, long oy, const Element& e, int count, std::FILE* log);

/// Group, subgroup and class of a six-character code (0, 0, 0 when shorter).
struct CodeSplit {
    int group = 0, subgroup = 0, cls = 0;
};
CodeSplit code_split(std::string_view code);

}  // namespace cad
