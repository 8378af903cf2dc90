// textio.h - reading the import's text files a bounded piece at a time, in text mode.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cad {

/// One piece of a text file read as a line read of at most `limit`
/// characters: it stops after `limit` characters or after a line feed,
/// whichever comes first. A carriage return right before a line feed is
/// dropped, as text mode does.
struct TextPiece {
    std::string text;           ///< the characters read, the line feed not included
    bool line_end = false;      ///< the piece ended with a line feed
    bool hit_end = false;       ///< the read met the end of the file
    std::int64_t consumed = 0;  ///< bytes of the file this read consumed
};

/// Reads the next piece; false when nothing at all was left to read.
bool read_piece(std::FILE* f, std::size_t limit, TextPiece& piece);

}  // namespace cad
