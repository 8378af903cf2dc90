// textio.cpp - reading the import's text files a bounded piece at a time, in text mode.
#include "quiran/textio.h"

namespace cad {

bool read_piece(std::FILE* f, std::size_t limit, TextPiece& piece) {
    piece.text.clear();
    piece.line_end = false;
    piece.hit_end = false;
    piece.consumed = 0;
    std::size_t count = 0;  // characters read, the line feed included
    while (count < limit) {
        int c = std::getc(f);
        if (c == EOF) {
            piece.hit_end = true;
            break;
        }
        ++piece.consumed;
        if (c == '\r') {
            int next = std::getc(f);
            if (next == '\n') {
                ++piece.consumed;
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, f);
            }
        }
        ++count;
        if (c == '\n') {
            piece.line_end = true;
            break;
        }
        piece.text.push_back(static_cast<char>(c));
    }
    return count > 0;
}

}  // namespace cad
