// dialog.cpp - the segments export dialog of tramos.
#include "tramos/dialog.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace cad {

void build_tramos_dialog(TramosDialog& d, const TramosOptions& initial) {
    constexpr CodePage cp = CodePage::Windows1252;
    gui::Frame& f = d.frame;
    gui::frame_open(f, "Fichero de Tramos", cp, 292, 156);
    gui::add_sheet_list_field(f, d.sheets, initial.sheet_list);
    gui::add_label(f, "Tama\xF1o en Mb", cp, 16, 52, 56, 8);
    d.size = gui::add_edit(f, gui::qtext(initial.size_text, cp), 76, 51, 28, 12);

    // A click turns an entry's selection over, as in a multiple-selection list.
    d.codes = new QListWidget(f.dialog.get());
    d.codes->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const char* code : kLinearCodes) {
        auto* item = new QListWidgetItem(QString::fromLatin1(code), d.codes);
        bool selected = std::find(initial.codes.begin(), initial.codes.end(), code) != initial.codes.end();
        item->setSelected(selected);
    }
    gui::place(f, d.codes, 212, 9, 50, 139);

    gui::add_ok_cancel(f, QRect(15, 104, 50, 14), QRect(125, 104, 50, 14));
    gui::add_status(f, 7, 122, 173, 11);
    gui::add_progress(f, 7, 138, 173, 11);
    // Browse is off during a run too: a folder chosen then would become the
    // current directory under the run's remaining element files. The list
    // stays on; it is read only at OK.
    f.disabled_while_running.push_back(d.sheets.edit);
    f.disabled_while_running.push_back(d.size);
    f.disabled_while_running.push_back(d.sheets.browse);
    gui::run_on_ok(f, [&d](Hooks& hooks) {
        TramosOptions options = tramos_dialog_options(d);
        d.sheets.buffer = options.sheet_list;
        return tramos_run(hooks, options);
    });
    d.sheets.edit->setFocus();
    d.sheets.edit->selectAll();
}

TramosOptions tramos_dialog_options(const TramosDialog& d) {
    TramosOptions o;
    o.sheet_list = gui::field_name(d.sheets);
    o.size_text = from_utf8(d.size->text().toStdString(), CodePage::Windows1252);
    o.codes.clear();
    for (int i = 0; i < d.codes->count(); ++i)
        if (d.codes->item(i)->isSelected()) o.codes.push_back(d.codes->item(i)->text().toStdString());
    return o;
}

int tramos_dialog(int argc, char** argv, const TramosOptions& initial) {
    return gui::dialog_main("tramos", argc > 0 ? argv[0] : nullptr, [&initial] {
        TramosDialog d;
        build_tramos_dialog(d, initial);
        return gui::exec_dialog(d.frame);
    });
}

}  // namespace cad
