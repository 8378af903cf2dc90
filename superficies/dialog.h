// dialog.h - the surfaces export dialog of superficies (opened with --gui).
#pragma once

#include <array>

#include "gui/frame.h"
#include "superficies/superficies.h"

class QCheckBox;
class QLineEdit;

namespace cad {

/// The dialog "Fichero de Superficies": sheet list with Browse, database
/// directory, references file and the four message options.
struct SuperficiesDialog {
    gui::Frame frame;
    gui::FileField sheets;
    QLineEdit* db_dir = nullptr;
    QLineEdit* refs = nullptr;
    /// "Manzana duplicada", "Ref. catastral errónea", "Parcelas con calle a
    /// cero", "Parcelas con portal a cero", top to bottom.
    std::array<QCheckBox*, 4> options{};
};

/// The references file of a database directory as the dialog proposes it.
std::string refs_in(const std::string& dir);

/// Builds the dialog with the initial field values and option flags.
void build_superficies_dialog(SuperficiesDialog& d, const SuperficiesOptions& initial);

/// The run's options as the fields and boxes hold them now.
SuperficiesOptions superficies_dialog_options(const SuperficiesDialog& d);

/// Shows the dialog until Cancel; returns the exit status.
int superficies_dialog(int argc, char** argv, const SuperficiesOptions& initial);

}  // namespace cad
