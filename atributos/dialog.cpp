// dialog.cpp - the street fill dialog of atributos.
#include "atributos/dialog.h"

#include <QLineEdit>
#include <QPushButton>

namespace cad {

void build_atributos_dialog(AtributosDialog& d, const AtributosOptions& initial) {
    constexpr CodePage cp = CodePage::Windows1252;
    gui::Frame& f = d.frame;
    gui::frame_open(f, "Fichero de Atributos", cp, 201, 138);
    // The fill sets its status line without handling events and never reads
    // the stop flag, so nothing is drained during a run.
    f.pump_enabled = false;
    gui::add_group(f, "Fichero de Atributos", cp, 7, 3, 172, 61);
    gui::add_file_field(f, d.attributes, initial.attributes, {"ATRIBUTOS", "Fichero Atributos", "*", true, cp},
                        QRect(11, 17, 123, 12), QRect(138, 16, 35, 14));
    gui::add_label(f, "Fichero de calles", cp, 13, 36, 71, 9);
    gui::add_file_field(f, d.streets, initial.streets, {"CALLES", "CALLES", "*", true, cp}, QRect(11, 46, 123, 12),
                        QRect(138, 45, 35, 14));
    gui::add_ok_cancel(f, QRect(17, 79, 50, 14), QRect(127, 79, 50, 14));
    gui::add_status(f, 7, 109, 173, 11);
    f.disabled_while_running.push_back(d.attributes.edit);
    QObject::connect(f.ok, &QPushButton::clicked, f.ok, [&d] {
        gui::run_from_ok(d.frame, [&d](Hooks& hooks) {
            AtributosOptions o;
            o.attributes = d.attributes.buffer = gui::field_name(d.attributes);
            o.streets = d.streets.buffer = gui::field_name(d.streets);
            return atributos_run(hooks, o);
        });
    });
    d.attributes.edit->setFocus();
    d.attributes.edit->selectAll();
}

int atributos_dialog(int argc, char** argv, const AtributosOptions& initial) {
    return gui::dialog_main("atributos", argc > 0 ? argv[0] : nullptr, [&initial] {
        AtributosDialog d;
        build_atributos_dialog(d, initial);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
