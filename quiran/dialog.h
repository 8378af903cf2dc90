// dialog.h - the import dialog of QUIRAN (opened with --gui).
#pragma once

#include <QString>

#include <functional>

#include "gui/frame.h"
#include "quiran/quiran.h"

class QLineEdit;
class QPushButton;

namespace cad {

/// The dialog "Traducción de Catastro a Vexo": exchange file and active
/// table with Browse, database directory, record length, the info list,
/// "Editar" for QUIRAN.ERR, OK/Cancel, status line and progress bar.
struct QuiranDialog {
    gui::Frame frame;
    gui::FileField exchange;
    gui::FileField table;
    QLineEdit* db_directory = nullptr;
    QLineEdit* record_length = nullptr;
    QPushButton* edit_log = nullptr;
    /// Opens a file in the desktop's text editor without waiting; false
    /// when no editor could be started. Replaced by tests.
    std::function<bool(const QString& path)> open_in_editor;
};

/// Opens `path` with the desktop's handler for text files (xdg-open and the
/// like), detached; false when nothing could be started.
bool open_in_desktop_editor(const QString& path);

/// Builds the dialog with the initial field values.
void build_quiran_dialog(QuiranDialog& d, const QuiranOptions& initial);

/// The run's options as the fields hold them now.
QuiranOptions quiran_dialog_options(const QuiranDialog& d);

/// Shows the dialog until Cancel; returns the exit status.
int quiran_dialog(int argc, char** argv, const QuiranOptions& initial);

}  // namespace cad
