// dialog.cpp - the import dialog of QUIRAN.
#include "quiran/dialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

namespace cad {

namespace {

constexpr CodePage kCp = CodePage::Cp850;

// The field's name buffer follows what is typed, so a cancelled Browse
// leaves the field as it was.
void keep_buffer_in_step(gui::FileField& field) {
    QObject::connect(field.edit, &QLineEdit::textChanged, field.edit,
                     [&field](const QString& text) { field.buffer = gui::file_name_bytes(text); });
}

// "Editar": the log of the current directory in a text editor.
void edit_log(QuiranDialog& d) {
    std::string name = resolve_existing("QUIRAN.ERR");
    QFileInfo log(gui::file_name_text(name));
    bool started = log.isFile() && (d.open_in_editor ? d.open_in_editor(log.absoluteFilePath())
                                                     : open_in_desktop_editor(log.absoluteFilePath()));
    if (!started) d.frame.message_box("No se puede abrir el fichero QUIRAN.ERR", kCp, {});
}

}  // namespace

bool open_in_desktop_editor(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

void build_quiran_dialog(QuiranDialog& d, const QuiranOptions& initial) {
    gui::Frame& f = d.frame;
    gui::frame_open(f, "Traducci\xA2n de Catastro a Vexo", kCp, 260, 264);
    f.status_cp = kCp;
    // Cancel during an import closes the dialog once the import is over;
    // the import sounds its beep and shows its closing box itself.
    f.cancel_stops_run = false;
    f.beep_after_run = false;

    gui::add_group(f, "Archivos", kCp, 7, 3, 246, 50);
    gui::add_label(f, "Fichero Catastro", kCp, 13, 16, 62, 8);
    gui::add_file_field(f, d.exchange, initial.exchange, {"Abrir archivo", "Archivos", "*", true, kCp},
                        QRect(78, 14, 128, 12), QRect(210, 13, 37, 14), [&d](bool chosen) {
                            if (chosen) d.db_directory->setText(gui::file_name_text(current_directory()));
                        });
    gui::add_label(f, "Tabla Activa", kCp, 13, 34, 62, 8);
    gui::add_file_field(f, d.table, initial.table, {"Abrir Tabla", "Tablas", "DBF", false, kCp},
                        QRect(78, 32, 128, 12), QRect(210, 31, 37, 14));
    keep_buffer_in_step(d.exchange);
    keep_buffer_in_step(d.table);
    gui::add_label(f, "Directorio bases datos", kCp, 13, 62, 80, 8);
    d.db_directory = gui::add_edit(f, gui::file_name_text(initial.db_directory), 96, 60, 157, 12);
    gui::add_label(f, "Longitud registro", kCp, 13, 78, 80, 8);
    d.record_length = gui::add_edit(f, gui::qtext(initial.record_length, kCp), 96, 76, 24, 12);

    f.info_list = new QListWidget(f.dialog.get());
    f.info_list->setSelectionMode(QAbstractItemView::NoSelection);
    gui::place(f, f.info_list, 7, 94, 246, 88);

    gui::add_label(f, "QUIRAN.ERR", kCp, 13, 192, 50, 8);
    d.edit_log = gui::add_button(f, "Editar", kCp, 66, 189, 50, 14);
    QObject::connect(d.edit_log, &QPushButton::clicked, d.edit_log, [&d] { edit_log(d); });

    gui::add_ok_cancel(f, QRect(40, 212, 50, 14), QRect(170, 212, 50, 14));
    gui::add_status(f, 7, 232, 246, 11);
    gui::add_progress(f, 7, 248, 246, 11);
    f.focus_after_run = f.cancel;
    for (QWidget* w : {static_cast<QWidget*>(d.exchange.edit), static_cast<QWidget*>(d.table.edit),
                       static_cast<QWidget*>(d.exchange.browse), static_cast<QWidget*>(d.table.browse),
                       static_cast<QWidget*>(d.record_length), static_cast<QWidget*>(d.edit_log)})
        f.disabled_while_running.push_back(w);
    QObject::connect(f.ok, &QPushButton::clicked, f.ok, [&d] {
        gui::run_from_ok(d.frame, [&d](Hooks& hooks) {
            QuiranOptions o = quiran_dialog_options(d);
            d.frame.info_list->clear();
            return quiran_run(hooks, o);
        });
    });
    d.exchange.edit->setFocus();
}

QuiranOptions quiran_dialog_options(const QuiranDialog& d) {
    QuiranOptions o;
    o.exchange = gui::field_name(d.exchange);
    o.table = gui::field_name(d.table);
    o.db_directory = gui::file_name_bytes(d.db_directory->text());
    o.record_length = from_utf8(d.record_length->text().toStdString(), kCp);
    return o;
}

int quiran_dialog(int argc, char** argv, const QuiranOptions& initial) {
    return gui::dialog_main("QUIRAN", argc > 0 ? argv[0] : nullptr, [&initial] {
        QuiranDialog d;
        build_quiran_dialog(d, initial);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
