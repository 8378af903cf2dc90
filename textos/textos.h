// textos.h - the texts exchange file "X" from text elements.
#pragma once

#include "kernel/export_run.h"

namespace cad {

/// Writes the texts record of one element, if it gives one.
void textos_convert(ExportRun& run, const Element& e);

/// The texts export run over a sheet list.
RunEnd textos_run(Hooks& hooks, std::string_view sheet_list);

}  // namespace cad
