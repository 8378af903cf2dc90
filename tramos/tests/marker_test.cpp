// Tests of the error-marker writer: element layout, the three types, appending.
#include <gtest/gtest.h>

#include "kernel/element.h"
#include "testsupport/fixtures.h"
#include "tramos/marker.h"

using namespace cad;
using namespace cad::test;

namespace {

// The marker as the element writer of the fixtures lays it out.
std::string expected_marker(int type, std::int32_t x, std::int32_t y, std::vector<int> corners) {
    std::vector<std::int32_t> pts = {x, y, 0};
    for (std::size_t i = 0; i < corners.size(); i += 2) {
        pts.push_back(x + 150 * corners[i]);
        pts.push_back(y + 150 * corners[i + 1]);
        pts.push_back(0);
    }
    pts.insert(pts.end(), {x, y, 0});
    Elem e = line("ERROR" + std::to_string(type + 1), pts);
    std::int32_t ext[9] = {x - 150, y - 150, 0, x + 150, y + 150, 0, 0, 0, 0};
    std::copy(ext, ext + 9, e.extent);
    return element_bytes(e);
}

std::string built(std::int32_t x, std::int32_t y, int type) {
    unsigned char out[kMarkerSize];
    build_error_marker(out, x, y, type);
    return std::string(reinterpret_cast<char*>(out), kMarkerSize);
}

}  // namespace

TEST(ErrorMarker, TypesGiveTheirCodeCornersAndExtent) {
    struct Case {
        int type;
        std::vector<int> corners;  // points 2-5 as (dx, dy) in units of 150 cm
    } cases[] = {
        {0, {-1, 1, 1, 1, 1, -1, -1, -1}},
        {1, {1, 1, 1, -1, -1, -1, -1, 1}},
        {2, {1, -1, -1, -1, -1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(built(100000, 200000, c.type), expected_marker(c.type, 100000, 200000, c.corners));
    }
    // Negative positions keep their signs in the little-endian words.
    EXPECT_EQ(built(-100, -20000, 0), expected_marker(0, -100, -20000, cases[0].corners));
}

TEST(ErrorMarker, FieldsReadBackAsAnElement) {
    TempDir dir;
    File f = create_file(dir.file("H.T"), "w+b");
    ASSERT_TRUE(put_error_marker(f.get(), 100000, 200000, 0));
    f.reset();
    std::string bytes = dir.read("H.T");
    ASSERT_EQ(bytes.size(), 120u);
    ElementReader r;
    ASSERT_TRUE(reader_open(r, open_existing(dir.file("H.T"), "rb")));
    ElementBuffers b;
    ASSERT_TRUE(allocate_element_buffers(b));
    Element e;
    ASSERT_EQ(read_head(r, e), ReadStatus::Ok);
    ASSERT_EQ(read_body(r, e, b), ReadStatus::Ok);
    EXPECT_EQ(e.kind, 'C');
    EXPECT_EQ(e.marker, '=');
    EXPECT_STREQ(e.code, "ERROR1");
    EXPECT_EQ(e.ref_count, 0);
    EXPECT_EQ(e.point_count, 6);
    std::int32_t want[9] = {99850, 199850, 0, 100150, 200150, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(e.extent[i], want[i]) << "extent word " << i;
    EXPECT_EQ(element_point(e, 0).x, 100000);
    EXPECT_EQ(element_point(e, 5).y, 200000);
    EXPECT_EQ(read_head(r, e), ReadStatus::End);
}

TEST(ErrorMarker, AppendsAtTheEndWhereverThePositionIs) {
    TempDir dir;
    File f = create_file(dir.file("H.T"), "w+b");
    ASSERT_TRUE(put_error_marker(f.get(), 500, 600));
    std::fseek(f.get(), 0, SEEK_SET);  // a reader may have moved it
    ASSERT_TRUE(put_error_marker(f.get(), 500, 600));
    ASSERT_TRUE(put_error_marker(f.get(), 700, 800));
    f.reset();
    std::string m = built(500, 600, 0);
    EXPECT_EQ(dir.read("H.T"), m + m + built(700, 800, 0));
    EXPECT_FALSE(put_error_marker(nullptr, 1, 2));
}

TEST(ErrorMarker, CornersNearTheIntegerLimitsDoNotWrap) {
    unsigned char out[kMarkerSize];
    build_error_marker(out, INT32_MAX - 10, INT32_MIN + 10, 0);
    EXPECT_EQ(load_i32(out + 12), INT32_MAX - 160);  // minimum x
    EXPECT_EQ(load_i32(out + 24), INT32_MAX);        // maximum x, held at the limit
    EXPECT_EQ(load_i32(out + 16), INT32_MIN);        // minimum y, held at the limit
}
