// dialog.h - the points export dialog of puntos (opened with --gui).
#pragma once

#include <string>
#include <string_view>

#include "gui/sheet_list_dialog.h"

namespace cad {

/// Builds the dialog "Fichero de Puntos" with the sheet list's initial name.
void build_puntos_dialog(gui::SheetListDialog& d, std::string_view sheet_list);

/// Shows the dialog until Cancel; returns the exit status.
int puntos_dialog(int argc, char** argv, const std::string& sheet_list);

}  // namespace cad
