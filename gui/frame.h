// frame.h - the dialog frame of the graphical programs: placement in dialog
// units, file field with Browse, OK/Cancel, status line, progress bar, message
// boxes, and the front-end hooks it serves to a run on the dialog's thread.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/export_run.h"
#include "kernel/frontend.h"

class QFont;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QWidget;

namespace cad::gui {

/// Pixels per dialog unit: a horizontal unit is a quarter of the font's
/// average character width, a vertical unit an eighth of its height.
struct DialogUnits {
    int char_width = 6;
    int char_height = 13;
};

/// Average character size of a font, measured as dialog templates do (the
/// mean advance of the 52 Latin letters, rounded).
DialogUnits dialog_units(const QFont& font);
/// A rectangle in dialog units as pixels (each value rounded to nearest).
QRect to_pixels(const DialogUnits& du, int x, int y, int width, int height);

/// A text kept in one of the system's code pages, for display.
QString qtext(std::string_view text, CodePage cp = CodePage::Windows1252);

/// A file name as the operating system spells it (local 8-bit bytes) and back.
std::string file_name_bytes(const QString& name);
QString file_name_text(std::string_view bytes);

enum class BoxKind { Error, Information, Question };

/// What the open-file dialog is asked for. Texts are in `cp`.
struct BrowseSpec {
    std::string title;
    std::string filter_name;
    std::string extension = "*";  ///< "*": any file; otherwise the default extension too
    bool must_exist = true;
    CodePage cp = CodePage::Windows1252;
};

/// Name filters of the open-file dialog: the filter name with "*." and the
/// extension, then "Todos los archivos". "*.*" is given as "*", so names
/// without a dot (the usual sheet list TREN) are listed.
QStringList browse_filters(const BrowseSpec& spec);

/// Parts of the frame that tests (and only tests) replace. Empty functions
/// mean the real thing.
struct Seams {
    /// The open-file dialog: returns the chosen file's path, empty when cancelled.
    std::function<QString(QWidget* owner, const BrowseSpec& spec, const QString& start_dir)> file_dialog;
    /// A message, information or question box; returns true for "Sí".
    std::function<bool(QWidget* owner, BoxKind kind, const QString& caption, const QString& text)> box;
    std::function<void()> beep;
    /// Called after every pump: lets a test look at the dialog during a run.
    std::function<void()> after_pump;
};

/// An edit field, its Browse button and the name buffer behind them: the
/// name taken at the last OK or chosen at the last Browse, as file-name bytes.
struct FileField {
    QLineEdit* edit = nullptr;
    QPushButton* browse = nullptr;
    std::string buffer;
    BrowseSpec spec;
};

struct Frame;

/// The dialog window. Cancel, Escape and the title bar's close all end in
/// reject(), which hands over to the frame's Cancel.
struct FrameDialog final : QDialog {
    Frame* frame = nullptr;
    void reject() override;
    void leave() { QDialog::reject(); }
};

/// The frame of one program's dialog and the front end of its runs.
struct Frame : FrontEnd {
    DialogUnits du;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QLabel* status = nullptr;
    QProgressBar* progress = nullptr;  ///< null in a dialog without a progress bar
    QListWidget* info_list = nullptr;  ///< receives info_line when present
    /// Controls disabled while a run works (OK is among them).
    std::vector<QWidget*> disabled_while_running;
    /// Focus after a run; null gives the focus back to where it was at OK.
    QWidget* focus_after_run = nullptr;

    CodePage status_cp = CodePage::Windows1252;
    /// False: the run is not interrupted by Cancel, the dialog closes after it.
    bool cancel_stops_run = true;
    /// False: pump() drains nothing (a run whose status line is set without it).
    bool pump_enabled = true;
    /// False: the run sounds its own end-of-run beep (before a closing box).
    bool beep_after_run = true;

    volatile std::sig_atomic_t stop = 0;  ///< 1 while a run may go on
    bool running = false;
    bool close_after_run = false;
    int runs = 0;
    RunEnd last_end = RunEnd::Completed;
    Seams seams;

    std::unique_ptr<FrameDialog> dialog;  ///< last member: goes first, with its controls

    void show_status(std::string_view text) override;
    void show_progress(int percent) override;
    void pump() override;
    void message_box(std::string_view text, CodePage cp, std::string_view caption) override;
    void info_box(std::string_view text, CodePage cp, std::string_view caption) override;
    bool question_box(std::string_view text, CodePage cp, std::string_view caption) override;
    void beep() override;
    void info_line(std::string_view text, CodePage cp) override;
};

/// Creates the dialog: caption, the template font (a sans serif of 8 points)
/// and its fixed size in dialog units.
void frame_open(Frame& f, std::string_view caption, CodePage cp, int width_du, int height_du);

/// Places a control of the dialog at a rectangle given in dialog units.
void place(Frame& f, QWidget* w, int x, int y, int width, int height);

QGroupBox* add_group(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height);
QLabel* add_label(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height);
QLineEdit* add_edit(Frame& f, const QString& initial, int x, int y, int width, int height);
QPushButton* add_button(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height);

/// An edit field with its name buffer and a Browse button ("Buscar...") that
/// runs browse() and then calls `after` (with true when a file was chosen).
void add_file_field(Frame& f, FileField& field, std::string_view initial, const BrowseSpec& spec, QRect edit_du,
                    QRect button_du, std::function<void(bool chosen)> after = {});

/// The group "Archivo DBVEXO" with the sheet-list field and its Browse at
/// the places the export dialogs share; Browse asks for "Archivos Vexo".
void add_sheet_list_field(Frame& f, FileField& field, std::string_view initial,
                          std::function<void(bool chosen)> after = {});

/// OK (the default button, disabled during a run) and "Cancelar".
void add_ok_cancel(Frame& f, QRect ok_du, QRect cancel_du);
/// OK starts `run` through run_from_ok.
void run_on_ok(Frame& f, std::function<RunEnd(Hooks&)> run);
/// The status line (empty) and the progress bar (0 to 100, no text).
void add_status(Frame& f, int x, int y, int width, int height);
void add_progress(Frame& f, int x, int y, int width, int height);

/// The text of a file field as file-name bytes.
std::string field_name(const FileField& field);

/// Browse: the open-file dialog for a file field. On a choice the chosen
/// file's folder becomes the current directory and the buffer holds its name
/// without the folder. Either way the field is then set from the buffer.
/// Returns true when a file was chosen.
bool browse(Frame& f, FileField& field);

/// One run from OK: stop flag set, controls disabled, the run on this
/// thread, beep (unless the run beeps itself), stop flag cleared, controls enabled. A Cancel pressed during
/// the run clears the flag and closes the dialog; the run stops at its next
/// element head and this returns.
RunEnd run_from_ok(Frame& f, const std::function<RunEnd(Hooks&)>& run);

/// Cancel: clears the stop flag and closes the dialog (after the run, when
/// cancel_stops_run is false and a run works).
void cancel_pressed(Frame& f);

/// Shows the dialog modally until Cancel or close; returns the exit status.
/// With CADASTRO_DIALOG_SNAPSHOT=FILE.png in the environment it shows the
/// dialog, saves a picture of it to FILE.png and returns instead (docs).
int exec_dialog(Frame& f);

/// Starts the Qt application (given only the program name, so no argument is
/// taken as a Qt option) and calls `body`. Without a display it says so on
/// standard error and returns 1.
int dialog_main(const char* program, char* argv0, const std::function<int()>& body);

}  // namespace cad::gui
