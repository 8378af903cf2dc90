// checks.cpp - cadastral numbering rules of the surface labels and the duplicate-key set.
#include "superficies/checks.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "kernel/codetable.h"

namespace cad {

namespace {

constexpr std::uint64_t kEmptySlot = ~std::uint64_t{0};
constexpr std::size_t kFirstCapacity = 1024;

std::uint64_t mix(std::uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ULL;
    k ^= k >> 33;
    return k;
}

// Slot of `key`, or of the free slot where it belongs.
std::size_t find_slot(const KeySet& set, std::uint64_t key) {
    std::size_t mask = set.capacity - 1;
    std::size_t i = mix(key) & mask;
    while (set.slots[i] != kEmptySlot && set.slots[i] != key) i = (i + 1) & mask;
    return i;
}

bool grow(KeySet& set) {
    std::size_t capacity = set.capacity ? set.capacity * 2 : kFirstCapacity;
    std::unique_ptr<std::uint64_t[]> slots(new (std::nothrow) std::uint64_t[capacity]);
    if (!slots) return false;
    std::fill(slots.get(), slots.get() + capacity, kEmptySlot);
    KeySet bigger;
    bigger.slots = std::move(slots);
    bigger.capacity = capacity;
    for (std::size_t i = 0; i < set.capacity; ++i)
        if (set.slots[i] != kEmptySlot) bigger.slots[find_slot(bigger, set.slots[i])] = set.slots[i];
    set.slots = std::move(bigger.slots);
    set.capacity = capacity;
    return true;
}

}  // namespace

KeyInsert key_insert(KeySet& set, std::int64_t key) {
    auto k = static_cast<std::uint64_t>(key);
    if (k == kEmptySlot) {
        if (set.has_empty_key) return KeyInsert::Present;
        set.has_empty_key = true;
        return KeyInsert::Added;
    }
    if (set.capacity != 0 && set.slots[find_slot(set, k)] == k) return KeyInsert::Present;
    // Keep the table at most half full so probes stay short.
    if ((set.size + 1) * 2 > set.capacity && !grow(set)) return KeyInsert::NoMemory;
    set.slots[find_slot(set, k)] = k;
    ++set.size;
    return KeyInsert::Added;
}

void key_clear(KeySet& set) {
    set.slots.reset();
    set.capacity = set.size = 0;
    set.has_empty_key = false;
}

// Wrapping arithmetic: values that do not fit give some key, never overflow.
std::int64_t block_key(long manzana) { return static_cast<std::int64_t>(static_cast<std::uint64_t>(manzana) * 1000u); }

std::int64_t urban_parcel_key(long manzana, long parcela) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(manzana) * 1000u + static_cast<std::uint64_t>(parcela));
}

std::int64_t rural_parcel_key(long manzana, long parcela) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(manzana) * 100000u +
                                     static_cast<std::uint64_t>(parcela));
}

void expected_block_code(long x_cm, long y_cm, char out[6]) {
    double x = x_cm * 0.01, y = y_cm * 0.01;
    long hx = static_cast<long>(x / 100), hy = static_cast<long>(y / 100);
    long c = static_cast<long>((x - 100.0 * hx) * (-3) / 100);
    long r = static_cast<long>((y - 100.0 * hy) * 3 / 100);
    // Rounding at a square's edge must not leave the nine thirds.
    c = std::clamp(c, -2L, 0L);
    r = std::clamp(r, 0L, 2L);
    static const char spiral[] = "123894765";
    long dx = hx % 100, dy = hy % 100;
    std::snprintf(out, 6, "%02ld%02ld", dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
    out[4] = spiral[r - 3 * c];
    out[5] = '\0';
}

namespace {

const char* const kVolumeWords[] = {"B",   "T",   "TZA", "POR", "SOP",  "PJE",   "MAR", "P",    "CO",  "EPT",   "SS",
                                    "ALT", "PI",  "TEN", "ETQ", "SILO", "SOLAR", "PRG", "DEP",  "ESC", "TRF",   "GON",
                                    "JD",  "FUT", "VOL", "ZD",  "RUINA", "CONS", "?",   "????", "PISCINA"};

// A token of units I, V, X, TZA and B followed by one character; a final B
// with nothing after it inside the token is not a unit.
bool made_of_units(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size()) {
        char c = t[i];
        if (c == 'I' || c == 'V' || c == 'X')
            i += 1;
        else if (t.substr(i, 3) == "TZA")
            i += 3;
        else if (c == 'B' && i + 1 < t.size())
            i += 2;
        else
            return false;
    }
    return true;
}

bool accepted_token(std::string_view t) {
    for (const char* w : kVolumeWords)
        if (t == w) return true;
    return made_of_units(t);
}

}  // namespace

bool volume_notation_valid(std::string_view text) {
    char copy[16];
    std::size_t n = std::min(text.size(), sizeof copy - 1);
    std::memcpy(copy, text.data(), n);
    copy[n] = '\0';
    for (std::size_t i = 0; i < n; ++i) {
        if (copy[i] == '+') {
            if (i == 0) return false;
            copy[i] = ' ';
        } else if (copy[i] == '-') {
            if (i != 0) return false;
            copy[i] = ' ';
        }
    }
    Tokens tok;
    tokenize(copy, tok);
    for (int i = 0; i < tok.count; ++i)
        if (!accepted_token(tok.slot[i])) return false;
    return true;
}

}  // namespace cad
