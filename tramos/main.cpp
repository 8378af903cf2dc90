// main.cpp - start of tramos: the command line, or the dialog with --gui.
#include <cstdio>

#include "kernel/cli.h"
#include "tramos/tramos.h"
#ifdef CADASTRO_HAVE_GUI
#include "tramos/dialog.h"
#endif

int main(int argc, char** argv) {
    cad::TramosOptions options;
    std::string codes_text;
    bool codes_given = false;
    cad::CliSpec spec{"tramos",
                      "tramos [-C DIR] [--gui] [SHEETLIST] [--size TEXT] [--codes LIST]",
                      1,
                      {{"size", true, &options.size_text}, {"codes", true, &codes_text, nullptr, &codes_given}}};
    cad::CliArgs args;
    if (int status = cad::parse_command_line(argc, argv, spec, args); status >= 0) return status;
    if (!args.positional.empty()) options.sheet_list = args.positional[0];
    std::string bad;
    if (codes_given && !cad::parse_code_selection(codes_text, options.codes, bad)) {
        std::fprintf(stderr, "%s: '%s' is not in the linear-entity code list\nusage: %s\nTry '%s --help'.\n",
                     spec.program, bad.c_str(), spec.usage, spec.program);
        return cad::kExitUsage;
    }
    if (args.gui) {
#ifdef CADASTRO_HAVE_GUI
        return cad::tramos_dialog(argc, argv, options);
#else
        return cad::no_gui(spec.program);
#endif
    }
    cad::CliFrontEnd fe;
    cad::Hooks hooks{&fe, cad::install_cancel_handler()};
    cad::RunEnd end = cad::tramos_run(hooks, options);
    cad::beep(hooks);
    return cad::exit_status(end);
}
