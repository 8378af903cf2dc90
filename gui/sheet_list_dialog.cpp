// sheet_list_dialog.cpp - the one-field dialog of the points and texts exports.
#include "gui/sheet_list_dialog.h"

#include <QLineEdit>
#include <QPushButton>

namespace cad::gui {

void build_sheet_list_dialog(SheetListDialog& d, std::string_view caption, SheetListRun run,
                             std::string_view sheet_list) {
    constexpr CodePage cp = CodePage::Windows1252;
    Frame& f = d.frame;
    frame_open(f, caption, cp, 201, 122);
    add_sheet_list_field(f, d.sheets, sheet_list);
    add_ok_cancel(f, QRect(17, 53, 50, 14), QRect(127, 53, 50, 14));
    add_status(f, 7, 83, 173, 11);
    add_progress(f, 7, 99, 173, 11);
    // Browse is off during a run too: a folder chosen then would become the
    // current directory under the run's remaining element files.
    f.disabled_while_running.push_back(d.sheets.edit);
    f.disabled_while_running.push_back(d.sheets.browse);
    run_on_ok(f, [&d, run](Hooks& hooks) {
        d.sheets.buffer = field_name(d.sheets);
        return run(hooks, d.sheets.buffer);
    });
    d.sheets.edit->setFocus();
    d.sheets.edit->selectAll();
}

}  // namespace cad::gui
