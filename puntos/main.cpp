// main.cpp - start of puntos: the command line, or the dialog with --gui.
#include "kernel/cli.h"
#include "puntos/puntos.h"
#ifdef CADASTRO_HAVE_GUI
#include "puntos/dialog.h"
#endif

int main(int argc, char** argv) {
    cad::CliSpec spec{"puntos", "puntos [-C DIR] [--gui] [SHEETLIST]", 1, {}};
    cad::CliArgs args;
    if (int status = cad::parse_command_line(argc, argv, spec, args); status >= 0) return status;
    std::string sheet_list = args.positional.empty() ? "TREN" : args.positional[0];
    if (args.gui) {
#ifdef CADASTRO_HAVE_GUI
        return cad::puntos_dialog(argc, argv, sheet_list);
#else
        return cad::no_gui(spec.program);
#endif
    }
    cad::CliFrontEnd fe;
    cad::Hooks hooks{&fe, cad::install_cancel_handler()};
    cad::RunEnd end = cad::puntos_run(hooks, sheet_list);
    cad::beep(hooks);
    return cad::exit_status(end);
}
