// codetable.h - feature-code table, pattern match, tokenizer and text helpers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kernel/element.h"
#include "kernel/frontend.h"

namespace cad {

/// Valid feature codes: the loaded CATASTRO.TAB or the built-in list.
struct CodeTable {
    std::vector<std::string> entries;  ///< loaded entries up to the first empty one
    bool loaded = false;               ///< true: the loaded table is in force
    std::unordered_map<std::string, int> cache;  ///< lookups already answered
};

/// Loads CATASTRO.TAB from the current directory; when it cannot be opened
/// shows the message and puts the built-in list in force.
void load_code_table(CodeTable& t, Hooks& hooks);
/// Loads the table from an open text stream (used by load_code_table).
void load_code_table_from(CodeTable& t, std::FILE* f);
/// Puts the built-in list in force.
void use_builtin_codes(CodeTable& t);

/// 1-based index of the first entry matching the code, 0 when none; an empty
/// code gives 1.
int code_lookup(CodeTable& t, std::string_view code);

/// '*' and '?' wildcards on either side; a leading '$' in the pattern asks
/// for a substring.
bool pattern_match(std::string_view code, std::string_view pattern);

/// Logs the element's code and each code reference's code that the table
/// does not hold; true when it logged a line.
bool code_check(CodeTable& t, const Element& e, std::FILE* log);

/// Tokens of a line split in place: blank, comma and line feed separate,
/// double quotes group. Unused slots point at the line's terminating NUL.
struct Tokens {
    static constexpr int kMax = 127;
    int count = 0;
    const char* slot[kMax];
};
void tokenize(char* line, Tokens& t);

/// Removes leading and trailing blanks in place; returns the text.
char* trim(char* text);
/// The text without leading and trailing blanks.
std::string_view trim_view(std::string_view text);

/// At most `length` characters of `source` from the 1-based `position` into
/// `dest` (room for length + 1), always NUL-terminated.
void substring(const char* source, char* dest, int position, int length);

/// The 106 built-in codes, in lookup order.
extern const char* const kBuiltinCodes[];
extern const int kBuiltinCodeCount;

}  // namespace cad
