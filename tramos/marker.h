// marker.h - error markers: six-point "ERROR%d" line elements appended to a sheet's marker file.
#pragma once

#include <cstdint>
#include <cstdio>

namespace cad {

/// Bytes of one error marker: head 12, extent 36, six points of 12.
constexpr int kMarkerSize = 120;

/// Builds the bytes of an error marker of the given type (0-2) around (x, y).
void build_error_marker(unsigned char out[kMarkerSize], std::int32_t x, std::int32_t y, int type);

/// Appends one error marker around (x, y) at the end of the marker file.
bool put_error_marker(std::FILE* f, std::int32_t x, std::int32_t y, int type = 0);

}  // namespace cad
