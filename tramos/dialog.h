// dialog.h - the segments export dialog of tramos (opened with --gui).
#pragma once

#include "gui/frame.h"
#include "tramos/tramos.h"

class QLineEdit;
class QListWidget;

namespace cad {

/// The dialog "Fichero de Tramos": sheet list, size field and the
/// multiple-selection list of the linear-entity codes.
struct TramosDialog {
    gui::Frame frame;
    gui::FileField sheets;
    QLineEdit* size = nullptr;
    QListWidget* codes = nullptr;
};

/// Builds the dialog with the initial field values (sheet list, size text,
/// the selected codes).
void build_tramos_dialog(TramosDialog& d, const TramosOptions& initial);

/// The run's options as the fields hold them now.
TramosOptions tramos_dialog_options(const TramosDialog& d);

/// Shows the dialog until Cancel; returns the exit status.
int tramos_dialog(int argc, char** argv, const TramosOptions& initial);

}  // namespace cad
