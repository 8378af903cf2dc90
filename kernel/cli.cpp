// cli.cpp - the command-line front end and the shared option parsing of the programs.
#include "kernel/cli.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace cad {

CliFrontEnd::CliFrontEnd() {
    tty = ::isatty(STDERR_FILENO) != 0;
    ask = ::isatty(STDIN_FILENO) != 0;
}

void CliFrontEnd::redraw() {
    if (!tty) return;
    std::string line = to_utf8(status, CodePage::Windows1252);
    std::fprintf(stderr, "\r%s%s%3d%%\x1b[K", line.c_str(), line.empty() ? "" : "  ", percent);
    std::fflush(stderr);
    line_shown = true;
}

void CliFrontEnd::clear_line() {
    if (!tty || !line_shown) return;
    std::fputs("\r\x1b[K", stderr);
    line_shown = false;
}

void CliFrontEnd::show_status(std::string_view text) {
    status.assign(text);
    if (status.empty() && percent == 0) return clear_line();
    redraw();
}

void CliFrontEnd::show_progress(int p) {
    percent = p;
    if (status.empty() && percent == 0) return clear_line();
    redraw();
}

static void put_text(std::FILE* to, std::string_view text, CodePage cp) {
    std::string s = to_utf8(text, cp);
    if (s.empty() || s.back() != '\n') s.push_back('\n');
    std::fputs(s.c_str(), to);
    std::fflush(to);
}

void CliFrontEnd::message_box(std::string_view text, CodePage cp, std::string_view caption) {
    clear_line();
    put_text(stderr, text, cp);
    if (tty && (!status.empty() || percent)) redraw();
}

void CliFrontEnd::info_box(std::string_view text, CodePage cp, std::string_view caption) {
    clear_line();
    put_text(stdout, text, cp);
}

void CliFrontEnd::info_line(std::string_view text, CodePage cp) { put_text(stdout, text, cp); }

bool CliFrontEnd::question_box(std::string_view text, CodePage cp, std::string_view caption) {
    if (!ask) return assume_yes;
    clear_line();
    std::string q = to_utf8(text, cp);
    while (!q.empty() && q.back() == '\n') q.pop_back();
    std::fprintf(stderr, "%s [s/n] ", q.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && std::strchr("sSyY", answer[0]) != nullptr;
}

void CliFrontEnd::beep() {
    if (!tty) return;
    clear_line();
    std::fputc('\a', stderr);
    std::fflush(stderr);
}

namespace {
volatile std::sig_atomic_t g_stop = 1;

extern "C" void on_sigint(int) {
    if (g_stop == 0) ::_exit(130);
    g_stop = 0;
}
}  // namespace

volatile std::sig_atomic_t* install_cancel_handler() {
    g_stop = 1;
    struct sigaction sa {};
    sa.sa_handler = on_sigint;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    return &g_stop;
}

static int usage_error(const CliSpec& spec, const std::string& what) {
    std::fprintf(stderr, "%s: %s\nusage: %s\nTry '%s --help'.\n", spec.program, what.c_str(), spec.usage,
                 spec.program);
    return kExitUsage;
}

int parse_command_line(int argc, char** argv, const CliSpec& spec, CliArgs& args) {
    std::string dir;
    bool have_dir = false;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!options_done && a == "--") {
            options_done = true;
            continue;
        }
        if (!options_done && a.size() > 1 && a[0] == '-') {
            if (a == "--help" || a == "-h") {
                std::printf("usage: %s\n", spec.usage);
                return kExitCompleted;
            }
            if (a == "--version") {
                std::printf("%s %s\n", spec.program, CADASTRO_VERSION);
                return kExitCompleted;
            }
            if (a == "--gui") {
                args.gui = true;
                continue;
            }
            if (a.rfind("-C", 0) == 0 && a.rfind("--", 0) != 0) {
                if (a.size() > 2) {
                    dir = a.substr(2);
                } else if (i + 1 < argc) {
                    dir = argv[++i];
                } else {
                    return usage_error(spec, "-C needs a directory");
                }
                have_dir = true;
                continue;
            }
            if (a.rfind("--", 0) == 0) {
                std::string name = a.substr(2), value;
                bool inline_value = false;
                if (auto eq = name.find('='); eq != std::string::npos) {
                    value = name.substr(eq + 1);
                    name.resize(eq);
                    inline_value = true;
                }
                const CliOption* opt = nullptr;
                for (const auto& o : spec.options)
                    if (name == o.name) opt = &o;
                if (!opt) return usage_error(spec, "unknown option '" + a + "'");
                if (opt->takes_value) {
                    if (!inline_value) {
                        if (i + 1 >= argc) return usage_error(spec, "option '--" + name + "' needs a value");
                        value = argv[++i];
                    }
                    *opt->value = value;
                } else {
                    if (inline_value) return usage_error(spec, "option '--" + name + "' takes no value");
                    *opt->flag = true;
                }
                if (opt->seen) *opt->seen = true;
                continue;
            }
            return usage_error(spec, "unknown option '" + a + "'");
        }
        args.positional.push_back(a);
    }
    if (args.positional.size() > spec.max_positional) return usage_error(spec, "too many arguments");
    if (have_dir && ::chdir(to_native_path(dir).c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot change into '%s': %s\n", spec.program, dir.c_str(), std::strerror(errno));
        return kExitUsage;
    }
    return -1;
}

int no_gui(const char* program) {
    std::fprintf(stderr, "%s: this build has no dialogs (Qt 6 Widgets was not found)\n", program);
    return kExitUsage;
}

}  // namespace cad
