// element.h - reading drawing element files: heads, extents, points, references.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "kernel/frontend.h"
#include "kernel/platform.h"

namespace cad {

/// The point buffer holds the largest count a head can declare, so every
/// element is read whole.
constexpr int kMaxPoints = 65535;
constexpr int kMaxRefs = 255;
constexpr int kHeadSize = 12;
constexpr int kExtentSize = 36;
constexpr int kSlotSize = 12;

struct Point {
    std::int32_t x, y, z;
};

/// Extent-block words by offset / 4.
enum ExtentWord { kMinX, kMinY, kMinZ, kMaxX, kMaxY, kMaxZ, kDateOrHeight, kTime, kAngle };

/// One element as read: its head fields, extent block, and views of the
/// run's point and reference buffers (only the first counts are valid).
struct Element {
    unsigned char head[kHeadSize];
    char kind;
    char marker;
    char code[8];  ///< head bytes 2-8, always NUL-terminated here
    std::uint8_t ref_count;
    std::uint16_t point_count;
    std::int32_t extent[9];
    const unsigned char* points;  ///< point_count * 12 bytes
    const unsigned char* refs;    ///< ref_count * 12 bytes
};

inline std::int32_t load_i32(const unsigned char* p) {
    std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                      std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(v);
}
inline std::int16_t load_i16(const unsigned char* p) {
    return static_cast<std::int16_t>(std::uint16_t(p[0]) | std::uint16_t(p[1]) << 8);
}

/// Point i of the element (i < point_count).
inline Point element_point(const Element& e, int i) {
    const unsigned char* p = e.points + static_cast<std::size_t>(i) * kSlotSize;
    return {load_i32(p), load_i32(p + 4), load_i32(p + 8)};
}

/// Table number of reference i.
inline int ref_table(const Element& e, int i) { return load_i16(e.refs + i * kSlotSize); }
/// Record number of reference i.
inline std::int32_t ref_record(const Element& e, int i) { return load_i32(e.refs + i * kSlotSize + 2); }
/// Code of reference i: at most 6 characters, NUL-terminated into `out`.
inline void ref_code(const Element& e, int i, char out[7]) {
    const unsigned char* p = e.refs + i * kSlotSize + 6;
    int n = 0;
    while (n < 6 && p[n] != 0) {
        out[n] = static_cast<char>(p[n]);
        ++n;
    }
    out[n] = '\0';
}

/// The text of a text element: from byte 12 of the point area up to its NUL,
/// or to the end of the area; empty when the area has fewer than 2 slots.
inline std::string_view element_text(const Element& e) {
    if (e.point_count < 2) return {};
    const char* start = reinterpret_cast<const char*>(e.points) + kSlotSize;
    std::size_t room = static_cast<std::size_t>(e.point_count - 1) * kSlotSize;
    const void* nul = std::memchr(start, 0, room);
    return {start, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - start) : room};
}

/// The run's two element buffers, allocated once, zero-filled, reused.
struct ElementBuffers {
    std::unique_ptr<unsigned char[]> points;
    std::unique_ptr<unsigned char[]> refs;
};
/// Allocates both buffers; false when memory is short.
bool allocate_element_buffers(ElementBuffers& b);

/// Reads one element file through a large buffer, with the results of exact
/// reads of head, extent, points and references.
struct ElementReader {
    File file;
    std::unique_ptr<unsigned char[]> buf;
    std::size_t len = 0;
    std::size_t pos = 0;
    std::int64_t offset = 0;  ///< bytes of the file consumed so far
};

enum class ReadStatus { Ok, End, Truncated };

/// Takes an open element file; false when memory is short.
bool reader_open(ElementReader& r, File f);
/// Reads the 12-byte head: End when the file has no byte left, Truncated
/// when it ends inside the head.
ReadStatus read_head(ElementReader& r, Element& e);
/// Reads the extent block, the points and the references into the buffers.
ReadStatus read_body(ElementReader& r, Element& e, ElementBuffers& b);

/// Log line for an element file that ends inside an element.
void log_truncated(std::FILE* log, std::string_view file_name);

enum class WalkEnd { Done, Stopped };

/// Walks every element of an element file. After each head it updates the
/// progress bar and tests the stop flag; each element read whole goes to
/// `each`. A cut last element is logged and not handed on.
template <class Each>
WalkEnd walk_elements(ElementReader& r, ElementBuffers& b, Hooks& hooks, std::FILE* log,
                      std::string_view file_name, Each&& each) {
    Element e;
    for (;;) {
        ReadStatus s = read_head(r, e);
        if (s == ReadStatus::End) return WalkEnd::Done;
        if (s == ReadStatus::Truncated) {
            log_truncated(log, file_name);
            return WalkEnd::Done;
        }
        progress_update(hooks, r.offset);
        if (!may_go_on(hooks)) return WalkEnd::Stopped;
        if (read_body(r, e, b) != ReadStatus::Ok) {
            log_truncated(log, file_name);
            return WalkEnd::Done;
        }
        each(e);
    }
}

}  // namespace cad
