// tab.h - the translation table QUIRAN.TAB: point codes drawn as symbols, and their numbers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "kernel/frontend.h"

namespace cad {

constexpr int kMaxTranslations = 500;
constexpr std::size_t kTabLineLimit = 249;
constexpr std::size_t kMaxPatternLength = 7;

struct TranslationEntry {
    char pattern[kMaxPatternLength + 1];  ///< code pattern, NUL-terminated
    std::uint16_t symbol;                 ///< symbol number; 0: no symbol
};

/// Entries in file order, at most kMaxTranslations.
struct TranslationTable {
    std::vector<TranslationEntry> entries;
};

/// Loads QUIRAN.TAB from the current directory; a missing file shows
/// "NO encuentro QUIRAN.TAB". Patterns too long are logged and ignored.
/// Returns the number of entries (0 when missing or without entries).
int load_translation_table(TranslationTable& t, Hooks& hooks, std::FILE* log);
/// Loads the entries from an open text stream.
int load_translation_table_from(TranslationTable& t, std::FILE* in, std::FILE* log);

/// The symbol number of the first entry whose pattern matches the code, or 0.
std::uint16_t translate_code(const TranslationTable& t, std::string_view code);

}  // namespace cad
