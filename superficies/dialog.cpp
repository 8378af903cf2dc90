// dialog.cpp - the surfaces export dialog of superficies.
#include "superficies/dialog.h"

#include <QCheckBox>
#include <QColor>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace cad {

namespace {

// The stock light-grey brush the dialog paints itself with: background,
// buttons, check boxes and static texts (whose texts are drawn on it with a
// transparent background, as Qt labels and check boxes are).
void paint_light_grey(QWidget* dialog) {
    const QColor grey(192, 192, 192);
    QPalette p = dialog->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Window, grey);
        p.setColor(g, QPalette::Button, grey);
    }
    dialog->setPalette(p);
    dialog->setAutoFillBackground(true);
}

QCheckBox* add_check(gui::Frame& f, const char* text, bool checked, int y) {
    auto* box = new QCheckBox(gui::qtext(text), f.dialog.get());
    box->setChecked(checked);
    gui::place(f, box, 15, y, 150, 10);
    return box;
}

}  // namespace

std::string refs_in(const std::string& dir) { return dir + "/REFCAT.TXT"; }

void build_superficies_dialog(SuperficiesDialog& d, const SuperficiesOptions& initial) {
    constexpr CodePage cp = CodePage::Windows1252;
    gui::Frame& f = d.frame;
    gui::frame_open(f, "Fichero de Superficies", cp, 201, 220);
    paint_light_grey(f.dialog.get());
    // Whatever Browse chose, both paths follow the current directory.
    gui::add_sheet_list_field(f, d.sheets, initial.sheet_list, [&d](bool) {
        std::string dir = current_directory();
        d.db_dir->setText(gui::file_name_text(dir));
        d.refs->setText(gui::file_name_text(refs_in(dir)));
    });
    gui::add_label(f, "Directorio bases de datos", cp, 11, 42, 168, 8);
    d.db_dir = gui::add_edit(f, gui::file_name_text(initial.db_dir), 11, 52, 168, 12);
    gui::add_label(f, "Fichero de ref. catastrales", cp, 11, 68, 168, 8);
    d.refs = gui::add_edit(f, gui::file_name_text(initial.refs_path), 11, 78, 168, 12);
    gui::add_group(f, "Mensajes", cp, 7, 95, 172, 60);
    d.options[0] = add_check(f, "Manzana duplicada", initial.manzana_duplicada, 107);
    d.options[1] = add_check(f, "Ref. catastral err\xF3nea", initial.ref_catastral, 119);
    d.options[2] = add_check(f, "Parcelas con calle a cero", initial.calle_cero, 131);
    d.options[3] = add_check(f, "Parcelas con portal a cero", initial.portal_cero, 143);
    gui::add_ok_cancel(f, QRect(17, 163, 50, 14), QRect(127, 163, 50, 14));
    gui::add_status(f, 7, 186, 173, 11);
    gui::add_progress(f, 7, 202, 173, 11);
    for (QWidget* w : {static_cast<QWidget*>(d.sheets.edit), static_cast<QWidget*>(d.db_dir),
                       static_cast<QWidget*>(d.refs), static_cast<QWidget*>(d.sheets.browse)})
        f.disabled_while_running.push_back(w);
    for (QCheckBox* box : d.options) f.disabled_while_running.push_back(box);
    gui::run_on_ok(f, [&d](Hooks& hooks) {
        SuperficiesOptions o = superficies_dialog_options(d);
        d.sheets.buffer = o.sheet_list;
        return superficies_run(hooks, o);
    });
    d.sheets.edit->setFocus();
    d.sheets.edit->selectAll();
}

SuperficiesOptions superficies_dialog_options(const SuperficiesDialog& d) {
    SuperficiesOptions o;
    o.sheet_list = gui::field_name(d.sheets);
    o.db_dir = gui::file_name_bytes(d.db_dir->text());
    o.refs_path = gui::file_name_bytes(d.refs->text());
    o.manzana_duplicada = d.options[0]->isChecked();
    o.ref_catastral = d.options[1]->isChecked();
    o.calle_cero = d.options[2]->isChecked();
    o.portal_cero = d.options[3]->isChecked();
    return o;
}

int superficies_dialog(int argc, char** argv, const SuperficiesOptions& initial) {
    return gui::dialog_main("superficies", argc > 0 ? argv[0] : nullptr, [&initial] {
        SuperficiesDialog d;
        build_superficies_dialog(d, initial);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
