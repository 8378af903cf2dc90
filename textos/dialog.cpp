// dialog.cpp - the texts export dialog of textos.
#include "textos/dialog.h"

#include "textos/textos.h"

namespace cad {

void build_textos_dialog(gui::SheetListDialog& d, std::string_view sheet_list) {
    gui::build_sheet_list_dialog(d, "Fichero de Textos", textos_run, sheet_list);
}

int textos_dialog(int argc, char** argv, const std::string& sheet_list) {
    return gui::dialog_main("textos", argc > 0 ? argv[0] : nullptr, [&sheet_list] {
        gui::SheetListDialog d;
        build_textos_dialog(d, sheet_list);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
