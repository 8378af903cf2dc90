// main.cpp - start of QUIRAN: the command line, or the dialog with --gui.
#include "kernel/cli.h"
#include "quiran/quiran.h"
#ifdef CADASTRO_HAVE_GUI
#include "quiran/dialog.h"
#endif

int main(int argc, char** argv) {
    cad::QuiranOptions options;
    std::string db;
    bool db_given = false, yes = false;
    cad::CliSpec spec{"QUIRAN",
                      "QUIRAN [-C DIR] [--gui] [EXCHANGE] [--table NAME] [--db DIR] [--record-length L] [--yes]",
                      1,
                      {{"table", true, &options.table},
                       {"db", true, &db, nullptr, &db_given},
                       {"record-length", true, &options.record_length},
                       {"yes", false, nullptr, &yes}}};
    cad::CliArgs args;
    if (int status = cad::parse_command_line(argc, argv, spec, args); status >= 0) return status;
    if (!args.positional.empty()) options.exchange = args.positional[0];
    options.db_directory = db_given ? db : cad::current_directory();
    if (args.gui) {
#ifdef CADASTRO_HAVE_GUI
        return cad::quiran_dialog(argc, argv, options);
#else
        return cad::no_gui(spec.program);
#endif
    }
    cad::CliFrontEnd fe;
    // On a terminal the overwrite question is asked; elsewhere --yes answers it.
    fe.assume_yes = yes;
    cad::Hooks hooks{&fe, cad::install_cancel_handler()};
    return cad::exit_status(cad::quiran_run(hooks, options));
}
