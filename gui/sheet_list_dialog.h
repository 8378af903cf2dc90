// sheet_list_dialog.h - the one-field dialog of the points and texts exports:
// the sheet list with Browse, OK/Cancel, status line and progress bar.
#pragma once

#include <string_view>

#include "gui/frame.h"

namespace cad::gui {

/// The dialog and its sheet-list field.
struct SheetListDialog {
    Frame frame;
    FileField sheets;
};

/// The export run a sheet-list dialog starts with OK.
using SheetListRun = RunEnd (*)(Hooks& hooks, std::string_view sheet_list);

/// Builds the dialog with its caption (Windows-1252) and the field's initial
/// sheet list; OK runs `run` on the field's name.
void build_sheet_list_dialog(SheetListDialog& d, std::string_view caption, SheetListRun run,
                             std::string_view sheet_list);

}  // namespace cad::gui
