// puntos.h - the points exchange file "P" from point features and symbol texts.
#pragma once

#include "kernel/export_run.h"

namespace cad {

/// Writes the points record of one element, if it gives one.
void puntos_convert(ExportRun& run, const Element& e);

/// The points export run over a sheet list.
RunEnd puntos_run(Hooks& hooks, std::string_view sheet_list);

}  // namespace cad
