// refcat.cpp - the references file: municipality and reference keys to registered sheet codes.
#include "superficies/refcat.h"

#include <cstring>

#include "kernel/codetable.h"

namespace cad {

namespace {

constexpr int kPiece = 79;  // characters of one read of the file

// Takes one piece of the file as a line: tokens 1-3 name municipality, key and sheet code.
void take_piece(RefIndex& index, char* piece, std::string_view municipality) {
    Tokens tok;
    tokenize(piece, tok);  // stops at a NUL byte, as the line's text does
    if (std::string_view(tok.slot[0]) != municipality) return;
    std::string_view key(tok.slot[1]);
    if (index.sheets.find(key) != index.sheets.end()) return;  // the first line wins
    std::string_view code(tok.slot[2]);
    index.sheets.emplace(std::string(key), std::string(code.substr(0, 7)));
}

}  // namespace

void refcat_build(RefIndex& index, std::FILE* f, std::string_view municipality) {
    index.sheets.clear();
    char piece[kPiece + 1];
    int n = 0;
    for (;;) {
        int c = std::getc(f);
        if (c == EOF) return;  // a piece cut by the end of the file is not examined
        if (c == '\r') {
            // Text mode: a carriage return right before a line feed is dropped.
            int next = std::getc(f);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, f);
        }
        piece[n++] = static_cast<char>(c);
        if (c == '\n' || n == kPiece) {
            piece[n] = '\0';
            take_piece(index, piece, municipality);
            n = 0;
        }
    }
}

const std::string* refcat_lookup(const RefIndex& index, std::string_view key) {
    auto hit = index.sheets.find(key);
    return hit == index.sheets.end() ? nullptr : &hit->second;
}

}  // namespace cad
