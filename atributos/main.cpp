// main.cpp - start of atributos: the command line, or the dialog with --gui.
#include "atributos/atributos.h"
#include "kernel/cli.h"
#ifdef CADASTRO_HAVE_GUI
#include "atributos/dialog.h"
#endif

int main(int argc, char** argv) {
    cad::AtributosOptions options;
    cad::CliSpec spec{"atributos", "atributos [-C DIR] [--gui] [ATTRIBUTES [STREETS]]", 2, {}};
    cad::CliArgs args;
    if (int status = cad::parse_command_line(argc, argv, spec, args); status >= 0) return status;
    if (args.positional.size() > 0) options.attributes = args.positional[0];
    if (args.positional.size() > 1) options.streets = args.positional[1];
    if (args.gui) {
#ifdef CADASTRO_HAVE_GUI
        return cad::atributos_dialog(argc, argv, options);
#else
        return cad::no_gui(spec.program);
#endif
    }
    cad::CliFrontEnd fe;
    cad::Hooks hooks{&fe, cad::install_cancel_handler()};
    cad::RunEnd end = cad::atributos_run(hooks, options);
    cad::beep(hooks);
    return cad::exit_status(end);
}
