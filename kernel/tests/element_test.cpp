// Tests of the element walk: whole elements, odd kinds, cut files, texts.
#include <gtest/gtest.h>

#include "kernel/element.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

struct Seen {
    char kind;
    char marker;
    std::string code;
    int points, refs;
    std::string text;
};

// Walks an element file and returns what each element looked like, and the log.
std::vector<Seen> walk(const std::string& bytes, std::string* log_out = nullptr) {
    TempDir d;
    d.write("h.bin", bytes);
    ElementBuffers b;
    EXPECT_TRUE(allocate_element_buffers(b));
    ElementReader r;
    EXPECT_TRUE(reader_open(r, open_existing(d.file("h.bin"), "rb")));
    File log = create_file(d.file("log"), "w");
    Hooks hooks;
    std::vector<Seen> seen;
    walk_elements(r, b, hooks, log.get(), "h.bin", [&](const Element& e) {
        seen.push_back({e.kind, e.marker, e.code, e.point_count, e.ref_count,
                        e.kind == 'T' ? std::string(element_text(e)) : std::string()});
    });
    log.reset();
    if (log_out) *log_out = d.read("log");
    return seen;
}

}  // namespace

TEST(ElementWalk, EmptyFileHasNoElements) {
    std::string log;
    EXPECT_TRUE(walk("", &log).empty());
    EXPECT_EQ(log, "");
}

TEST(ElementWalk, EveryElementIsReadWholeWhateverItsKind) {
    Elem other = line("145201", {1, 2, 3, 4, 5, 6});
    other.kind = 'X';
    Elem unmarked = text("145201", 10, 20, "NO");
    unmarked.marker = '*';
    std::vector<Ref> refs(255, Ref{2, 7, ""});
    auto seen = walk(element_file({line("010101", {1, 2, 3}, refs), other, unmarked,
                                   text("019001", 5, 6, "CALLE MAYOR")}));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].refs, 255);
    EXPECT_EQ(seen[1].kind, 'X');
    EXPECT_EQ(seen[2].marker, '*');
    EXPECT_EQ(seen[3].text, "CALLE MAYOR");
    EXPECT_EQ(seen[3].code, "019001");
}

TEST(ElementWalk, TextSlotsFollowTheTextLength) {
    // 11 characters and their NUL fill slot 1; 12 need a third slot.
    EXPECT_EQ(element_bytes(text("019001", 0, 0, "ABCDEFGHIJK")).size(), 48u + 2 * 12);
    EXPECT_EQ(element_bytes(text("019001", 0, 0, "ABCDEFGHIJKL")).size(), 48u + 3 * 12);
    auto seen = walk(element_file({text("019001", 0, 0, "ABCDEFGHIJKL")}));
    EXPECT_EQ(seen[0].points, 3);
    EXPECT_EQ(seen[0].text, "ABCDEFGHIJKL");
}

TEST(ElementWalk, TextWithoutNulOrSlotsStaysInsideItsArea) {
    Elem no_nul = text("019001", 0, 0, "");
    no_nul.raw_area = std::string(24, 'A');  // two slots of text, no terminator
    Elem one_slot = text("019001", 0, 0, "");
    one_slot.raw_area.clear();
    auto seen = walk(element_file({no_nul, one_slot}));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].text, std::string(24, 'A'));
    EXPECT_EQ(seen[1].points, 1);
    EXPECT_EQ(seen[1].text, "");
}

TEST(ElementWalk, CutElementIsLoggedAndNotHandedOn) {
    std::string file = element_file({line("010101", {1, 2, 3}), line("010102", {1, 2, 3, 4, 5, 6})});
    for (std::size_t cut : {file.size() - 1, file.size() - 30, file.size() - 60 - 7}) {
        std::string log;
        auto seen = walk(file.substr(0, cut), &log);
        EXPECT_EQ(seen.size(), 1u) << cut;
        EXPECT_EQ(log, "Error elemento incompleto al final del fichero... h.bin\n") << cut;
    }
}

TEST(ElementWalk, LargeFileReadsTheSameAcrossBufferBoundaries) {
    // Elements of varied sizes crossing the reader's internal buffer many times.
    std::vector<Elem> elems;
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::int32_t> pts;
        for (int k = 0; k < 1 + i % 37; ++k) pts.insert(pts.end(), {i, k, i + k});
        elems.push_back(line(std::to_string(100000 + i), pts, std::vector<Ref>(i % 5, Ref{1, i, "14"})));
    }
    auto seen = walk(element_file(elems));
    ASSERT_EQ(seen.size(), elems.size());
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(seen[i].points, 1 + i % 37);
        EXPECT_EQ(seen[i].refs, i % 5);
        EXPECT_EQ(seen[i].code, std::to_string(100000 + i));
    }
}

TEST(ElementWalk, PointsAndReferencesDecodeLittleEndian) {
    TempDir d;
    d.write("h.bin", element_file({line("010101", {-5, 2000000000, 7, 8, 9, 10}, {{1, 123456, "145201"}, {3, -2, ""}})}));
    ElementBuffers b;
    allocate_element_buffers(b);
    ElementReader r;
    reader_open(r, open_existing(d.file("h.bin"), "rb"));
    Element e;
    ASSERT_EQ(read_head(r, e), ReadStatus::Ok);
    ASSERT_EQ(read_body(r, e, b), ReadStatus::Ok);
    EXPECT_EQ(element_point(e, 0).x, -5);
    EXPECT_EQ(element_point(e, 0).y, 2000000000);
    EXPECT_EQ(element_point(e, 1).z, 10);
    EXPECT_EQ(ref_table(e, 0), 1);
    EXPECT_EQ(ref_record(e, 0), 123456);
    char code[7];
    ref_code(e, 0, code);
    EXPECT_STREQ(code, "145201");
    EXPECT_EQ(ref_table(e, 1), 3);
    EXPECT_EQ(ref_record(e, 1), -2);
    EXPECT_EQ(read_head(r, e), ReadStatus::End);
}
