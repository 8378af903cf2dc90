// refcat.h - the references file: municipality and reference keys to registered sheet codes.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace cad {

/// Hash that also takes string views, so a lookup needs no key copy.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

/// The lines of the references file that name the job's municipality, by
/// reference key ("%-5s%-2s" of manzana and parcel code), each giving the
/// sheet code of the first such line (at most 7 characters).
struct RefIndex {
    bool open = false;  ///< the file could be opened; otherwise every label counts as found
    std::unordered_map<std::string, std::string, TextHash, std::equal_to<>> sheets;
};

/// Reads the whole references file once. A line is taken as the text-mode
/// read sees it: in pieces of at most 79 characters, each piece a line; a
/// piece that reaches the end of the file without a line end is not taken.
/// Token 1 must equal `municipality`; token 2 is the key, token 3 the sheet
/// code.
void refcat_build(RefIndex& index, std::FILE* f, std::string_view municipality);

/// The sheet code registered for `key`, or null when no line names it.
const std::string* refcat_lookup(const RefIndex& index, std::string_view key);

}  // namespace cad
