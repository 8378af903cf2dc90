// dialog.h - the street fill dialog of atributos (opened with --gui).
#pragma once

#include "atributos/atributos.h"
#include "gui/frame.h"

namespace cad {

/// The dialog "Fichero de Atributos": the attributes file and the streets
/// file, each with Browse; a status line and no progress bar.
struct AtributosDialog {
    gui::Frame frame;
    gui::FileField attributes;
    gui::FileField streets;
};

/// Builds the dialog with the two files' initial names.
void build_atributos_dialog(AtributosDialog& d, const AtributosOptions& initial);

/// Shows the dialog until Cancel; returns the exit status.
int atributos_dialog(int argc, char** argv, const AtributosOptions& initial);

}  // namespace cad
