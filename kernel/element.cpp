// element.cpp - buffered reading of drawing element files.
#include "kernel/element.h"

#include <algorithm>
#include <new>

namespace cad {

namespace {
constexpr std::size_t kReadBuffer = 256 * 1024;

// Copies n bytes of the file into dst; returns how many were available.
std::size_t read_exact(ElementReader& r, unsigned char* dst, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        if (r.pos == r.len) {
            r.len = std::fread(r.buf.get(), 1, kReadBuffer, r.file.get());
            r.pos = 0;
            if (r.len == 0) break;
        }
        std::size_t take = std::min(n - done, r.len - r.pos);
        std::memcpy(dst + done, r.buf.get() + r.pos, take);
        r.pos += take;
        done += take;
    }
    r.offset += static_cast<std::int64_t>(done);
    return done;
}
}  // namespace

bool allocate_element_buffers(ElementBuffers& b) {
    b.points.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(kMaxPoints) * kSlotSize]());
    b.refs.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(kMaxRefs) * kSlotSize]());
    return b.points && b.refs;
}

bool reader_open(ElementReader& r, File f) {
    r.file = std::move(f);
    r.buf.reset(new (std::nothrow) unsigned char[kReadBuffer]);
    r.len = r.pos = 0;
    r.offset = 0;
    return r.buf != nullptr;
}

ReadStatus read_head(ElementReader& r, Element& e) {
    std::size_t got = read_exact(r, e.head, kHeadSize);
    if (got == 0) return ReadStatus::End;
    if (got < kHeadSize) return ReadStatus::Truncated;
    e.kind = static_cast<char>(e.head[0]);
    e.marker = static_cast<char>(e.head[1]);
    std::memcpy(e.code, e.head + 2, 7);
    e.code[7] = '\0';
    e.ref_count = e.head[9];
    e.point_count = static_cast<std::uint16_t>(e.head[10] | e.head[11] << 8);
    return ReadStatus::Ok;
}

ReadStatus read_body(ElementReader& r, Element& e, ElementBuffers& b) {
    unsigned char ext[kExtentSize];
    if (read_exact(r, ext, kExtentSize) < kExtentSize) return ReadStatus::Truncated;
    for (int i = 0; i < 9; ++i) e.extent[i] = load_i32(ext + 4 * i);
    std::size_t pbytes = static_cast<std::size_t>(e.point_count) * kSlotSize;
    std::size_t rbytes = static_cast<std::size_t>(e.ref_count) * kSlotSize;
    if (read_exact(r, b.points.get(), pbytes) < pbytes) return ReadStatus::Truncated;
    if (read_exact(r, b.refs.get(), rbytes) < rbytes) return ReadStatus::Truncated;
    e.points = b.points.get();
    e.refs = b.refs.get();
    return ReadStatus::Ok;
}

void log_truncated(std::FILE* log, std::string_view file_name) {
    if (log)
        std::fprintf(log, "Error elemento incompleto al final del fichero... %.*s\n",
                     static_cast<int>(file_name.size()), file_name.data());
}

}  // namespace cad
