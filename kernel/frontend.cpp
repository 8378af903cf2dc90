// frontend.cpp - status, progress and message hooks with the redraw rules.
#include "kernel/frontend.h"

#include <cstdarg>
#include <vector>

namespace cad {

void status_line(Hooks& h, std::string_view text) {
    if (!h.fe) return;
    h.fe->show_status(text);
    h.fe->pump();
}

void progress_start(Hooks& h, std::int64_t total) {
    h.progress_total = total;
    h.last_percent = 0;
    if (!h.fe) return;
    h.fe->show_progress(0);
    h.fe->pump();
}

void progress_start(Hooks& h, std::FILE* f) {
    std::int64_t len = file_length(f);
    progress_start(h, len < 0 ? 0 : len);
}

void progress_update(Hooks& h, std::int64_t value) {
    if (!h.fe || h.progress_total <= 0) return;
    // The percentage is kept as a 16-bit value; only a change is shown.
    auto percent = static_cast<std::int16_t>(value * 100 / h.progress_total);
    if (percent == h.last_percent) return;
    h.last_percent = percent;
    h.fe->show_progress(percent);
    h.fe->pump();
}

void progress_reset(Hooks& h) {
    if (!h.fe) return;
    h.fe->show_progress(0);
    h.fe->pump();
}

void message_box(Hooks& h, std::string_view text, CodePage cp, std::string_view caption) {
    if (h.fe) h.fe->message_box(text, cp, caption);
}

void info_box(Hooks& h, std::string_view text, CodePage cp, std::string_view caption) {
    if (h.fe) h.fe->info_box(text, cp, caption);
}

bool question_box(Hooks& h, std::string_view text, CodePage cp, std::string_view caption) {
    return h.fe ? h.fe->question_box(text, cp, caption) : false;
}

void info_line(Hooks& h, std::string_view text, CodePage cp) {
    if (h.fe) h.fe->info_line(text, cp);
}

void beep(Hooks& h) {
    if (h.fe) h.fe->beep();
}

std::string format(const char* fmt, ...) {
    char small[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, n);
    std::string out(static_cast<std::size_t>(n), '\0');
    va_start(ap, fmt);
    std::vsnprintf(out.data(), out.size() + 1, fmt, ap);
    va_end(ap);
    return out;
}

}  // namespace cad
