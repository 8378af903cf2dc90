// writer.h - the import's element writer: line and text elements appended to a sheet's element file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "kernel/element.h"

namespace cad {

/// The element being built and the file it goes to. The run owns it; the
/// readers fill code, points, text and references, then call a put_ function.
struct ElementWriter {
    std::FILE* file = nullptr;  ///< the current sheet's element file (none: nothing is written)
    std::FILE* log = nullptr;   ///< QUIRAN.ERR
    ElementBuffers buffers;     ///< kMaxPoints point slots, kMaxRefs references, zeroed
    char code[7] = {};          ///< head bytes 2-8: at most 6 characters, zero-filled
    long point_count = 0;       ///< the head's declared point count; 0: nothing to write
    int ref_count = 0;
};

/// Allocates the buffers (zero-filled); false when memory is short.
bool writer_allocate(ElementWriter& w);

/// Copies at most six characters of `code` into the zero-filled code field.
void set_code(ElementWriter& w, std::string_view code);

/// Stores point `slot` (slot < kMaxPoints) of the point buffer.
void set_point(ElementWriter& w, long slot, std::int32_t x, std::int32_t y, std::int32_t z);
Point get_point(const ElementWriter& w, long slot);

/// Appends a reference; false when the reference buffer is full.
bool add_reference(ElementWriter& w, std::int16_t table, std::int32_t record, std::string_view code = {});

/// Puts the text of a text element from byte 12 of the point buffer.
void set_text(ElementWriter& w, std::string_view text);

/// Writes the pending line element with the `np` points collected: drops
/// consecutive repeated points, logs a count that differs from the head's,
/// and stamps the local date and time. Leaves both counts at 0.
void put_line_element(ElementWriter& w, long np);

/// Writes a text element (insertion point in slot 0, text set) with its text
/// box, height and angle; an empty text after trimming writes nothing.
/// Leaves the text empty and both counts at 0.
void put_text_element(ElementWriter& w, std::int32_t height, std::int32_t angle);

}  // namespace cad
