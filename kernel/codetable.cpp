// codetable.cpp - feature-code table, pattern match, tokenizer and text helpers.
#include "kernel/codetable.h"

#include <cstring>

namespace cad {

const char* const kBuiltinCodes[] = {
    "TPOL",   "TVIA",   "HOJAS",  "COTAS",  "PUNTOS", "010401", "010301", "010201", "010101",
    "010102", "013101", "018507", "018506", "028110", "028112", "030102", "030202", "030302",
    "032301", "033301", "037101", "037102", "037107", "038101", "038102", "060102", "060104",
    "060202", "060204", "060402", "060404", "060109", "061104", "067121", "068401", "108100",
    "108101", "108104", "111101", "111000", "111200", "111300", "115101", "115000", "115200",
    "115300", "120100", "120200", "120500", "120180", "120280", "120580", "125101", "125201",
    "125501", "140100", "140190", "140200", "140290", "140500", "140590", "145101", "145201",
    "145501", "160101", "160131", "160132", "160201", "160202", "160300", "161101", "167103",
    "167104", "167106", "167111", "167167", "167201", "168100", "168103", "168113", "168116",
    "168153", "168168", "189100", "189102", "189104", "189105", "189201", "189203", "189300",
    "189301", "189401", "189600", "189601", "189602", "189604", "189605", "189700", "189701",
    "189704", "189800", "189801", "189802", "189803", "189804", "999905",
};
const int kBuiltinCodeCount = sizeof kBuiltinCodes / sizeof kBuiltinCodes[0];
static_assert(sizeof kBuiltinCodes / sizeof kBuiltinCodes[0] == 106);

void use_builtin_codes(CodeTable& t) {
    t.entries.clear();
    t.loaded = false;
    t.cache.clear();
}

void load_code_table_from(CodeTable& t, std::FILE* f) {
    use_builtin_codes(t);
    std::string line;
    bool ended = false;  // an empty entry ends the table for the lookup
    while (read_text_line(f, line) == LineRead::Line) {
        if (ended) continue;
        Tokens tok;
        tokenize(line.data(), tok);
        std::string entry = tok.count > 0 ? std::string(tok.slot[0]) : std::string();
        if (entry.empty())
            ended = true;
        else
            t.entries.push_back(std::move(entry));
    }
    t.loaded = true;
}

void load_code_table(CodeTable& t, Hooks& hooks) {
    std::string path = current_directory() + "/CATASTRO.TAB";
    File f = open_existing(path, "r");
    if (!f) {
        use_builtin_codes(t);
        message_box(hooks,
                    format("ERROR no se pudo abrir la Tabla %s. Se utilizar\xE1n los c\xF3" "digos por defecto",
                           path.c_str()),
                    CodePage::Windows1252, "ERROR en CATASTRO.TAB");
        return;
    }
    load_code_table_from(t, f.get());
}

bool pattern_match(std::string_view code, std::string_view pattern) {
    if (!pattern.empty() && pattern[0] == '$') {
        std::string_view rest = pattern.substr(1);
        return code.find(rest) != std::string_view::npos;
    }
    for (std::size_t i = 0;; ++i) {
        if (i >= code.size()) return i >= pattern.size();
        if (i >= pattern.size()) return false;
        char c = code[i], p = pattern[i];
        if (c == '*' || p == '*') return true;
        if (c == '?' || p == '?' || c == p) continue;
        return false;
    }
}

int code_lookup(CodeTable& t, std::string_view code) {
    if (code.empty()) return 1;
    auto hit = t.cache.find(std::string(code));
    if (hit != t.cache.end()) return hit->second;
    int found = 0;
    if (t.loaded) {
        for (std::size_t i = 0; i < t.entries.size() && !found; ++i)
            if (pattern_match(code, t.entries[i])) found = static_cast<int>(i) + 1;
    } else {
        for (int i = 0; i < kBuiltinCodeCount && !found; ++i)
            if (pattern_match(code, kBuiltinCodes[i])) found = i + 1;
    }
    // The lookup is pure, so caching per distinct code gives identical results.
    if (t.cache.size() < 65536) t.cache.emplace(std::string(code), found);
    return found;
}

bool code_check(CodeTable& t, const Element& e, std::FILE* log) {
    bool logged = false;
    if (code_lookup(t, e.code) == 0) {
        std::fprintf(log, "C\xA2" "digo erroneo >%s<\n", e.code);
        logged = true;
    }
    for (int i = 0; i < e.ref_count; ++i) {
        if (ref_table(e, i) != 1) continue;
        char code[7];
        ref_code(e, i, code);
        if (code[0] != '\0' && code_lookup(t, code) == 0) {
            std::fprintf(log, "C\xA2" "digo erroneo <%s>\n", code);
            logged = true;
        }
    }
    return logged;
}

void tokenize(char* line, Tokens& t) {
    char* end = line + std::strlen(line);
    for (auto& s : t.slot) s = end;
    t.count = 0;
    char* p = line;
    bool in_token = false;
    while (*p && t.count < Tokens::kMax) {
        char c = *p;
        if (c == '\n' || c == ' ' || c == ',') {
            *p++ = '\0';
            in_token = false;
        } else if (c == '"') {
            *p++ = '\0';
            t.slot[t.count++] = p;
            while (*p && *p != '"') ++p;
            if (*p == '"') *p++ = '\0';
            in_token = false;
        } else {
            if (!in_token) {
                t.slot[t.count++] = p;
                in_token = true;
                // The 127th token runs to the end of the line.
                if (t.count == Tokens::kMax) break;
            }
            ++p;
        }
    }
}

char* trim(char* text) {
    char* p = text;
    while (*p == ' ') ++p;
    if (p != text) std::memmove(text, p, std::strlen(p) + 1);
    std::size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
    return text;
}

std::string_view trim_view(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return text.substr(b, e - b);
}

void substring(const char* source, char* dest, int position, int length) {
    dest[0] = '\0';
    if (position < 1 || length <= 0) return;
    std::size_t n = std::strlen(source);
    if (static_cast<std::size_t>(position) > n) return;
    std::size_t take = std::min(n - (position - 1), static_cast<std::size_t>(length));
    std::memcpy(dest, source + position - 1, take);
    dest[take] = '\0';
}

}  // namespace cad
