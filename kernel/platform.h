// platform.h - file handles, Windows-style names on Linux, text lines and code pages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace cad {

/// Owns a C stdio stream; closes it when the handle goes.
struct FileCloser {
    void operator()(std::FILE* f) const noexcept {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

/// Takes "\" in a name as "/".
std::string to_native_path(std::string_view name);

/// Resolves the name of an existing file: the exact name when it exists, else
/// the single case-insensitive match in its directory (each component is
/// resolved this way). Returns the name unchanged when nothing matches, so a
/// later open fails as for a missing file.
std::string resolve_existing(std::string_view name);

/// Opens a file that must already exist (modes "rb", "r+b", "r"), after the
/// separator and letter-case rules. A file without any write permission bit
/// counts as not openable for "r+b", as a read-only file does on Windows.
File open_existing(std::string_view name, const char* mode);

/// Creates (truncating) a file for writing; "\" separators are taken as "/".
File create_file(std::string_view name, const char* mode);

/// Result of reading one line of a text file.
enum class LineRead {
    Line,     ///< a line ended by a line feed (not included in the text)
    Partial,  ///< text that reached the end of the file without a line feed
    End       ///< nothing left to read
};

/// Reads one text line in text mode: a carriage return right before the line
/// feed is dropped. The line is read whole whatever its length; at most
/// `limit` characters of it are kept in `out`.
LineRead read_text_line(std::FILE* f, std::string& out, std::size_t limit = 65536);

/// Code pages in which the system keeps its message texts.
enum class CodePage { Windows1252, Cp850 };

/// Converts a text of the given code page to UTF-8 for display.
std::string to_utf8(std::string_view text, CodePage cp);

/// Converts UTF-8 text (typed by an operator) to the given code page; characters
/// without a place in it become '?'.
std::string from_utf8(std::string_view text, CodePage cp);

/// Upper-cases one byte of code page 850 text (accented letters included).
unsigned char cp850_upper(unsigned char c);

/// Length of an open file in bytes, keeping its position; -1 on failure.
std::int64_t file_length(std::FILE* f);

/// Cuts an open file at the given byte length (its buffer is flushed first).
bool truncate_file(std::FILE* f, std::int64_t length);

/// Replaces `target` by `replacement` in one step (rename over it).
bool replace_file(const std::string& replacement, const std::string& target);

/// The process's current directory ("." if it cannot be read).
std::string current_directory();

/// Decimal conversion as the records use it: leading blanks allowed, an
/// optional sign, conversion stops at the first non-digit, no digits give 0.
long parse_long(std::string_view text);

/// Characters [col, col+len) of a record, 1-based column; shorter or empty
/// beyond the end of the record.
std::string_view columns(std::string_view record, std::size_t col, std::size_t len);

}  // namespace cad
