// platform.cpp - file handles, Windows-style names on Linux, text lines and code pages.
#include "kernel/platform.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace cad {

#include "kernel/codepages.inc"

std::string to_native_path(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

static bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

static bool iequal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Finds the one entry of `dir` equal to `name` but for letter case.
static bool find_case_insensitive(const std::string& dir, std::string_view name, std::string& found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    int matches = 0;
    while (dirent* e = ::readdir(d)) {
        if (iequal(e->d_name, name)) {
            if (++matches == 1) found = e->d_name;
        }
    }
    ::closedir(d);
    return matches == 1;
}

std::string resolve_existing(std::string_view name) {
    std::string path = to_native_path(name);
    if (path.empty() || exists(path)) return path;
    // Resolve component by component from the longest existing prefix.
    std::string out;
    std::size_t pos = 0;
    if (path[0] == '/') {
        out = "/";
        pos = 1;
    }
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        std::string_view comp(path.data() + pos, slash - pos);
        if (!comp.empty()) {
            std::string candidate = out + std::string(comp);
            if (!exists(candidate)) {
                std::string found;
                std::string dir = out.empty() ? std::string(".") : out;
                if (comp == "." || comp == ".." || !find_case_insensitive(dir, comp, found))
                    return path;
                candidate = out + found;
            }
            out = candidate;
            if (slash < path.size()) out += '/';
        }
        pos = slash + 1;
    }
    return out;
}

File open_existing(std::string_view name, const char* mode) {
    std::string path = resolve_existing(name);
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return File{};
    if (std::strchr(mode, '+') && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return File{};
    return File{std::fopen(path.c_str(), mode)};
}

File create_file(std::string_view name, const char* mode) {
    std::string path = to_native_path(name);
    return File{std::fopen(path.c_str(), mode)};
}

LineRead read_text_line(std::FILE* f, std::string& out, std::size_t limit) {
    out.clear();
    int c = std::getc(f);
    if (c == EOF) return LineRead::End;
    bool pending_cr = false;
    for (;; c = std::getc(f)) {
        if (c == EOF) {
            if (pending_cr && out.size() < limit) out.push_back('\r');
            return LineRead::Partial;
        }
        if (c == '\n') return LineRead::Line;
        if (pending_cr && out.size() < limit) out.push_back('\r');
        pending_cr = (c == '\r');
        if (!pending_cr && out.size() < limit) out.push_back(static_cast<char>(c));
    }
}

static void put_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string to_utf8(std::string_view text, CodePage cp) {
    const char16_t* table = cp == CodePage::Cp850 ? kCp850 : kWindows1252;
    std::string out;
    out.reserve(text.size() + 8);
    for (unsigned char c : text) {
        if (c < 0x80)
            out.push_back(static_cast<char>(c));
        else
            put_utf8(out, table[c - 0x80]);
    }
    return out;
}

std::string from_utf8(std::string_view text, CodePage cp) {
    const char16_t* table = cp == CodePage::Cp850 ? kCp850 : kWindows1252;
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char32_t code = c;
        std::size_t n = 1;
        if (c >= 0xF0) n = 4, code = c & 0x07;
        else if (c >= 0xE0) n = 3, code = c & 0x0F;
        else if (c >= 0xC0) n = 2, code = c & 0x1F;
        if (i + n > text.size()) n = 1;
        for (std::size_t k = 1; k < n; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += n;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
            continue;
        }
        char byte = '?';
        for (int k = 0; k < 128; ++k)
            if (table[k] == code) {
                byte = static_cast<char>(0x80 + k);
                break;
            }
        out.push_back(byte);
    }
    return out;
}

unsigned char cp850_upper(unsigned char c) { return kCp850Upper[c]; }

std::int64_t file_length(std::FILE* f) {
    long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return end;
}

bool truncate_file(std::FILE* f, std::int64_t length) {
    if (std::fflush(f) != 0) return false;
    return ::ftruncate(::fileno(f), static_cast<off_t>(length)) == 0;
}

bool replace_file(const std::string& replacement, const std::string& target) {
    return std::rename(to_native_path(replacement).c_str(), to_native_path(target).c_str()) == 0;
}

std::string current_directory() {
    std::vector<char> buf(PATH_MAX + 1);
    if (!::getcwd(buf.data(), buf.size())) return ".";
    return buf.data();
}

long parse_long(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
    long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int d = text[i] - '0';
        if (v > (LONG_MAX - d) / 10) {  // saturate like strtol
            v = LONG_MAX;
            break;
        }
        v = v * 10 + d;
    }
    return neg ? -v : v;
}

std::string_view columns(std::string_view record, std::size_t col, std::size_t len) {
    if (col == 0 || col > record.size()) return {};
    return record.substr(col - 1, len);
}

}  // namespace cad
