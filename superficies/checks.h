// checks.h - cadastral numbering rules of the surface labels and the duplicate-key set.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace cad {

/// Keys of blocks and parcels seen in a run: an open-addressing hash set of
/// 64-bit keys that reports a failed allocation instead of throwing.
struct KeySet {
    std::unique_ptr<std::uint64_t[]> slots;  ///< kEmptySlot marks a free slot
    std::size_t capacity = 0;                ///< a power of two, or 0
    std::size_t size = 0;
    bool has_empty_key = false;  ///< the key equal to kEmptySlot is kept apart
};

enum class KeyInsert { Added, Present, NoMemory };

/// Adds the key; Present when it was already there.
KeyInsert key_insert(KeySet& set, std::int64_t key);
/// Empties the set and releases its memory.
void key_clear(KeySet& set);

/// Block key: manzana number x 1000.
std::int64_t block_key(long manzana);
/// Urban parcel key: manzana number x 1000 + parcela number.
std::int64_t urban_parcel_key(long manzana, long parcela);
/// Rural parcel key: manzana number x 100000 + parcela number.
std::int64_t rural_parcel_key(long manzana, long parcela);

/// The five-character block code expected at (x, y) in centimetres: the last
/// two digits of the hectometre of x and of y, then the digit of the ninth
/// of the 100 m square, numbered in a spiral from the south-west corner.
void expected_block_code(long x, long y, char out[6]);

/// Whether a subparcel text (already cut to 11 characters) is a valid
/// construction-volume notation.
bool volume_notation_valid(std::string_view text);

}  // namespace cad
