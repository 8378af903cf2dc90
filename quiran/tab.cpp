// tab.cpp - the translation table QUIRAN.TAB: point codes drawn as symbols, and their numbers.
#include "quiran/tab.h"

#include <cstring>

#include "kernel/codetable.h"
#include "kernel/platform.h"
#include "quiran/textio.h"

namespace cad {

int load_translation_table_from(TranslationTable& t, std::FILE* in, std::FILE* log) {
    t.entries.clear();
    t.entries.reserve(kMaxTranslations);
    TextPiece piece;
    char line[kTabLineLimit + 1];
    // A read that meets the end of the file ends the loading: a last line
    // without a line end is not taken.
    while (static_cast<int>(t.entries.size()) < kMaxTranslations && read_piece(in, kTabLineLimit, piece) &&
           !piece.hit_end) {
        std::size_t n = std::min(piece.text.size(), kTabLineLimit);
        std::memcpy(line, piece.text.data(), n);
        line[n] = '\0';
        Tokens tok;
        tokenize(line, tok);
        if (tok.count > 0 && tok.slot[0][0] == '/') continue;
        std::size_t len = std::strlen(tok.slot[0]);
        if (len > kMaxPatternLength) {
            if (log) std::fprintf(log, "QUIRAN.TAB: patron de mas de 7 caracteres ignorado >%s<\n", tok.slot[0]);
            continue;
        }
        TranslationEntry e{};
        std::memcpy(e.pattern, tok.slot[0], len + 1);
        e.symbol = static_cast<std::uint16_t>(static_cast<unsigned long>(parse_long(tok.slot[1])) & 0xFFFF);
        t.entries.push_back(e);
    }
    return static_cast<int>(t.entries.size());
}

int load_translation_table(TranslationTable& t, Hooks& hooks, std::FILE* log) {
    t.entries.clear();
    File f = open_existing("QUIRAN.TAB", "r");
    if (!f) {
        message_box(hooks, "NO encuentro QUIRAN.TAB", CodePage::Cp850);
        return 0;
    }
    return load_translation_table_from(t, f.get(), log);
}

std::uint16_t translate_code(const TranslationTable& t, std::string_view code) {
    for (const TranslationEntry& e : t.entries)
        if (pattern_match(code, e.pattern)) return e.symbol;
    return 0;
}

}  // namespace cad
