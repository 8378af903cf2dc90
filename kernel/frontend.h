// frontend.h - the hooks through which a run talks to its front end.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "kernel/platform.h"

namespace cad {

/// What a front end shows. A run calls only the free functions below; the
/// command line and the dialogs each implement this interface.
struct FrontEnd {
    virtual ~FrontEnd() = default;
    /// Sets the status line (text in Windows-1252).
    virtual void show_status(std::string_view text) {}
    /// Shows a percentage 0-100 on the progress bar.
    virtual void show_progress(int percent) {}
    /// Handles the front end's pending events (Cancel may clear the stop flag).
    virtual void pump() {}
    /// Error box (error icon); the caption is empty unless given.
    virtual void message_box(std::string_view text, CodePage cp, std::string_view caption) {}
    /// Information box (the closing box of the import).
    virtual void info_box(std::string_view text, CodePage cp, std::string_view caption) {}
    /// Yes/no question; true for yes.
    virtual bool question_box(std::string_view text, CodePage cp, std::string_view caption) { return false; }
    /// Exclamation beep at the end of a run.
    virtual void beep() {}
    /// One line of an information list (the import's listing).
    virtual void info_line(std::string_view text, CodePage cp) {}
};

/// Hooks of one run: the front end (may be null) and the stop flag, which is
/// 1 while the run may go on and is cleared by Cancel.
struct Hooks {
    FrontEnd* fe = nullptr;
    volatile std::sig_atomic_t* stop = nullptr;  ///< null: the flag stays set
    std::int64_t progress_total = 0;
    std::int16_t last_percent = 0;
};

/// True while the stop flag is set.
inline bool may_go_on(const Hooks& h) { return h.stop == nullptr || *h.stop != 0; }

void status_line(Hooks& h, std::string_view text);
void progress_start(Hooks& h, std::int64_t total);
/// Starts the progress bar on a file: its length is the total.
void progress_start(Hooks& h, std::FILE* f);
void progress_update(Hooks& h, std::int64_t value);
void progress_reset(Hooks& h);
void message_box(Hooks& h, std::string_view text, CodePage cp = CodePage::Windows1252,
                 std::string_view caption = {});
void info_box(Hooks& h, std::string_view text, CodePage cp, std::string_view caption = {});
bool question_box(Hooks& h, std::string_view text, CodePage cp, std::string_view caption = {});
void info_line(Hooks& h, std::string_view text, CodePage cp);
void beep(Hooks& h);

/// printf into a std::string (for message texts, not for hot loops).
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace cad
