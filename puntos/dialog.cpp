// dialog.cpp - the points export dialog of puntos.
#include "puntos/dialog.h"

#include "puntos/puntos.h"

namespace cad {

void build_puntos_dialog(gui::SheetListDialog& d, std::string_view sheet_list) {
    gui::build_sheet_list_dialog(d, "Fichero de Puntos", puntos_run, sheet_list);
}

int puntos_dialog(int argc, char** argv, const std::string& sheet_list) {
    return gui::dialog_main("puntos", argc > 0 ? argv[0] : nullptr, [&sheet_list] {
        gui::SheetListDialog d;
        build_puntos_dialog(d, sheet_list);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
