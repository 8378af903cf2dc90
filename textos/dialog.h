// dialog.h - the texts export dialog of textos (opened with --gui).
#pragma once

#include <string>
#include <string_view>

#include "gui/sheet_list_dialog.h"

namespace cad {

/// Builds the dialog "Fichero de Textos" with the sheet list's initial name.
void build_textos_dialog(gui::SheetListDialog& d, std::string_view sheet_list);

/// Shows the dialog until Cancel; returns the exit status.
int textos_dialog(int argc, char** argv, const std::string& sheet_list);

}  // namespace cad
