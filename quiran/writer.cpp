// writer.cpp - the import's element writer: line and text elements appended to a sheet's element file.
#include "quiran/writer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>

#include "kernel/codetable.h"

namespace cad {

namespace {

constexpr std::size_t kTextRoom = static_cast<std::size_t>(kMaxPoints - 1) * kSlotSize;

void store_i32(unsigned char* p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<unsigned char>(u);
    p[1] = static_cast<unsigned char>(u >> 8);
    p[2] = static_cast<unsigned char>(u >> 16);
    p[3] = static_cast<unsigned char>(u >> 24);
}

// A coordinate cut toward zero, kept inside the 32-bit range.
std::int32_t cut(double v) {
    if (!(v > INT32_MIN)) return v != v ? 0 : INT32_MIN;
    if (!(v < INT32_MAX)) return INT32_MAX;
    return static_cast<std::int32_t>(v);
}

char* text_of(ElementWriter& w) { return reinterpret_cast<char*>(w.buffers.points.get()) + kSlotSize; }

// Appends head, extent block, points and references at the end of the file.
void append(ElementWriter& w, char kind, long points, const std::int32_t extent[9]) {
    unsigned char head[kHeadSize];
    head[0] = static_cast<unsigned char>(kind);
    head[1] = '=';
    std::memcpy(head + 2, w.code, 7);
    head[9] = static_cast<unsigned char>(w.ref_count);
    head[10] = static_cast<unsigned char>(points & 0xFF);
    head[11] = static_cast<unsigned char>((points >> 8) & 0xFF);
    unsigned char ext[kExtentSize];
    for (int i = 0; i < 9; ++i) store_i32(ext + 4 * i, extent[i]);
    std::FILE* f = w.file;
    std::fseek(f, 0, SEEK_END);
    std::fwrite(head, 1, kHeadSize, f);
    std::fwrite(ext, 1, kExtentSize, f);
    std::fwrite(w.buffers.points.get(), kSlotSize, static_cast<std::size_t>(points), f);
    if (w.ref_count > 0) std::fwrite(w.buffers.refs.get(), kSlotSize, static_cast<std::size_t>(w.ref_count), f);
}

void done(ElementWriter& w) {
    w.point_count = 0;
    w.ref_count = 0;
}

}  // namespace

bool writer_allocate(ElementWriter& w) { return allocate_element_buffers(w.buffers); }

void set_code(ElementWriter& w, std::string_view code) {
    std::memset(w.code, 0, sizeof w.code);
    std::size_t n = std::min<std::size_t>(code.size(), 6);
    if (n > 0) std::memcpy(w.code, code.data(), n);
}

void set_point(ElementWriter& w, long slot, std::int32_t x, std::int32_t y, std::int32_t z) {
    unsigned char* p = w.buffers.points.get() + static_cast<std::size_t>(slot) * kSlotSize;
    store_i32(p, x);
    store_i32(p + 4, y);
    store_i32(p + 8, z);
}

Point get_point(const ElementWriter& w, long slot) {
    const unsigned char* p = w.buffers.points.get() + static_cast<std::size_t>(slot) * kSlotSize;
    return {load_i32(p), load_i32(p + 4), load_i32(p + 8)};
}

bool add_reference(ElementWriter& w, std::int16_t table, std::int32_t record, std::string_view code) {
    if (w.ref_count >= kMaxRefs) return false;
    unsigned char* r = w.buffers.refs.get() + static_cast<std::size_t>(w.ref_count) * kSlotSize;
    auto t = static_cast<std::uint16_t>(table);
    r[0] = static_cast<unsigned char>(t);
    r[1] = static_cast<unsigned char>(t >> 8);
    store_i32(r + 2, record);
    std::memset(r + 6, 0, 6);
    if (!code.empty()) std::memcpy(r + 6, code.data(), std::min<std::size_t>(code.size(), 6));
    ++w.ref_count;
    return true;
}

void set_text(ElementWriter& w, std::string_view text) {
    std::size_t n = std::min(text.size(), kTextRoom - 1);
    char* t = text_of(w);
    if (n > 0) std::memcpy(t, text.data(), n);
    t[n] = '\0';
}

void put_line_element(ElementWriter& w, long np) {
    if (w.point_count == 0 || !w.file) return done(w);
    if (np != w.point_count) {
        Point first = get_point(w, 0);
        std::fprintf(w.log, "COD=%s %ld%ld NP=%ld  np=%ld error en contador de puntos\n", w.code,
                     static_cast<long>(first.x), static_cast<long>(first.y), w.point_count, np);
        if (np <= 0) return done(w);
    }
    np = std::min<long>(np, kMaxPoints);
    // Consecutive repeated points are dropped; kept points stay contiguous.
    unsigned char* pts = w.buffers.points.get();
    long kept = 1;
    for (long i = 1; i < np; ++i) {
        const unsigned char* p = pts + static_cast<std::size_t>(i) * kSlotSize;
        unsigned char* last = pts + static_cast<std::size_t>(kept - 1) * kSlotSize;
        if (std::memcmp(p, last, kSlotSize) == 0) continue;
        if (kept != i) std::memcpy(last + kSlotSize, p, kSlotSize);
        ++kept;
    }
    if (np > 1 && kept == 1) return done(w);

    std::int32_t ext[9];
    Point p0 = get_point(w, 0);
    ext[kMinX] = ext[kMaxX] = p0.x;
    ext[kMinY] = ext[kMaxY] = p0.y;
    ext[kMinZ] = ext[kMaxZ] = p0.z;
    for (long i = 1; i < kept; ++i) {
        Point p = get_point(w, i);
        ext[kMinX] = std::min(ext[kMinX], p.x), ext[kMaxX] = std::max(ext[kMaxX], p.x);
        ext[kMinY] = std::min(ext[kMinY], p.y), ext[kMaxY] = std::max(ext[kMaxY], p.y);
        ext[kMinZ] = std::min(ext[kMinZ], p.z), ext[kMaxZ] = std::max(ext[kMaxZ], p.z);
    }
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    ext[kDateOrHeight] = tm.tm_year * 10000 + (tm.tm_mon + 1) * 100 + tm.tm_mday;
    ext[kTime] = tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec;
    ext[kAngle] = 0;
    append(w, 'C', kept, ext);
    done(w);
}

void put_text_element(ElementWriter& w, std::int32_t height, std::int32_t angle) {
    char* text = text_of(w);
    trim(text);
    std::size_t len = std::strlen(text);
    if (len == 0 || !w.file) {
        text[0] = '\0';
        return done(w);
    }
    Point p = get_point(w, 0);
    double a = angle * 0.000174533;
    double ux = std::cos(a), uy = std::sin(a);  // u = (cos a, sin a), n = (-sin a, cos a)
    double H = height;
    double cx[4], cy[4];
    if (text[0] == '@') {
        double h = H * 0.5;
        cx[0] = p.x - h * ux + h * uy, cy[0] = p.y - h * uy - h * ux;
        cx[1] = p.x + h * ux + h * uy, cy[1] = p.y + h * uy - h * ux;
        cx[2] = p.x + h * ux - h * uy, cy[2] = p.y + h * uy + h * ux;
        cx[3] = p.x - h * ux - h * uy, cy[3] = p.y - h * uy + h * ux;
    } else {
        double l = static_cast<double>(len) * H;
        cx[0] = p.x, cy[0] = p.y;
        cx[1] = p.x + l * ux, cy[1] = p.y + l * uy;
        cx[2] = p.x + l * ux - H * uy, cy[2] = p.y + l * uy + H * ux;
        cx[3] = p.x - H * uy, cy[3] = p.y + H * ux;
    }
    std::int32_t ext[9];
    ext[kMinX] = ext[kMaxX] = cut(cx[0]);
    ext[kMinY] = ext[kMaxY] = cut(cy[0]);
    for (int i = 1; i < 4; ++i) {
        std::int32_t x = cut(cx[i]), y = cut(cy[i]);
        ext[kMinX] = std::min(ext[kMinX], x), ext[kMaxX] = std::max(ext[kMaxX], x);
        ext[kMinY] = std::min(ext[kMinY], y), ext[kMaxY] = std::max(ext[kMaxY], y);
    }
    ext[kMinZ] = ext[kMaxZ] = p.z;
    ext[kDateOrHeight] = height;
    ext[kTime] = 0;
    ext[kAngle] = angle;

    // Slot 0 and whole slots for the text and its NUL, the rest zero bytes.
    long points = static_cast<long>(len / kSlotSize) + 2;
    std::size_t area = static_cast<std::size_t>(points - 1) * kSlotSize;
    std::memset(text + len, 0, area - len);
    append(w, 'T', points, ext);
    text[0] = '\0';
    done(w);
}

}  // namespace cad
