// cli.h - the command-line front end and the shared option parsing of the programs.
#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "kernel/export_run.h"
#include "kernel/frontend.h"

namespace cad {

/// Serves the hooks on a terminal: messages on standard error, the status
/// line and progress only when standard error is a terminal, the import's
/// listing and information boxes on standard output.
struct CliFrontEnd : FrontEnd {
    bool tty = false;         ///< standard error is a terminal
    bool ask = false;         ///< questions are asked (standard input is a terminal)
    bool assume_yes = false;  ///< the answer when no question can be asked
    std::string status;
    int percent = 0;
    bool line_shown = false;

    CliFrontEnd();
    void show_status(std::string_view text) override;
    void show_progress(int percent) override;
    void message_box(std::string_view text, CodePage cp, std::string_view caption) override;
    void info_box(std::string_view text, CodePage cp, std::string_view caption) override;
    bool question_box(std::string_view text, CodePage cp, std::string_view caption) override;
    void beep() override;
    void info_line(std::string_view text, CodePage cp) override;

    void redraw();
    void clear_line();
};

/// The stop flag of the process's run: Ctrl-C clears it, a second Ctrl-C
/// ends the process.
volatile std::sig_atomic_t* install_cancel_handler();

enum ExitStatus { kExitCompleted = 0, kExitEarly = 1, kExitUsage = 2 };
inline int exit_status(RunEnd end) { return end == RunEnd::Completed ? kExitCompleted : kExitEarly; }

/// One option of a program: "--name VALUE", "--name=VALUE" or a flag.
struct CliOption {
    const char* name;
    bool takes_value;
    std::string* value = nullptr;
    bool* flag = nullptr;
    bool* seen = nullptr;
};

struct CliSpec {
    const char* program;
    const char* usage;  ///< the lines after "usage: "
    std::size_t max_positional;
    std::vector<CliOption> options;
};

struct CliArgs {
    std::vector<std::string> positional;
    bool gui = false;
};

/// Parses the command line and applies -C. Returns -1 to go on with the run,
/// or the exit status (after --help, --version or a usage error).
int parse_command_line(int argc, char** argv, const CliSpec& spec, CliArgs& args);

/// Message for --gui in a build without the dialogs; returns the usage status.
int no_gui(const char* program);

}  // namespace cad
