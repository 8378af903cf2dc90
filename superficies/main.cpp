// main.cpp - start of superficies: the command line, or the dialog with --gui.
#include "kernel/cli.h"
#include "superficies/superficies.h"
#ifdef CADASTRO_HAVE_GUI
#include "superficies/dialog.h"
#endif

int main(int argc, char** argv) {
    cad::SuperficiesOptions options;
    std::string db, refs;
    bool db_seen = false, refs_seen = false;
    cad::CliSpec spec{"superficies",
                      "superficies [-C DIR] [--gui] [SHEETLIST] [--db DIR] [--refs FILE] [--manzana-duplicada]\n"
                      "                   [--ref-catastral] [--calle-cero] [--portal-cero]",
                      1,
                      {
                          {"db", true, &db, nullptr, &db_seen},
                          {"refs", true, &refs, nullptr, &refs_seen},
                          {"manzana-duplicada", false, nullptr, &options.manzana_duplicada},
                          {"ref-catastral", false, nullptr, &options.ref_catastral},
                          {"calle-cero", false, nullptr, &options.calle_cero},
                          {"portal-cero", false, nullptr, &options.portal_cero},
                      }};
    cad::CliArgs args;
    if (int status = cad::parse_command_line(argc, argv, spec, args); status >= 0) return status;
    // Defaults are taken in the directory that -C moved to.
    cad::SuperficiesOptions initial = cad::superficies_defaults();
    options.sheet_list = args.positional.empty() ? initial.sheet_list : args.positional[0];
    options.db_dir = db_seen ? db : initial.db_dir;
    options.refs_path = refs_seen ? refs : initial.refs_path;
    if (args.gui) {
#ifdef CADASTRO_HAVE_GUI
        return cad::superficies_dialog(argc, argv, options);
#else
        return cad::no_gui(spec.program);
#endif
    }
    cad::CliFrontEnd fe;
    cad::Hooks hooks{&fe, cad::install_cancel_handler()};
    cad::RunEnd end = cad::superficies_run(hooks, options);
    cad::beep(hooks);
    return cad::exit_status(end);
}
