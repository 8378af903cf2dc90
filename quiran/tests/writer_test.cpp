// Tests of the import's element writer: line and text elements, byte for byte.
#include <gtest/gtest.h>

#include "quiran/tests/quiran_fixtures.h"
#include "quiran/writer.h"

using namespace cad;
using namespace cad::test;

namespace {

// A writer over a fresh element file and log in a temporary directory.
struct WriterFixture {
    TempDir dir;
    File file, log;
    ElementWriter w;
    WriterFixture() {
        file = create_file(dir.file("E.T"), "w+b");
        log = create_file(dir.file("QUIRAN.ERR"), "w");
        EXPECT_TRUE(writer_allocate(w));
        w.file = file.get();
        w.log = log.get();
    }
    std::string elements() {
        std::fflush(file.get());
        return dir.read("E.T");
    }
    std::string logged() {
        std::fflush(log.get());
        return dir.read("QUIRAN.ERR");
    }
    void line(std::string_view code, long declared, const std::vector<std::int32_t>& xyz, long np = -1) {
        set_code(w, code);
        w.point_count = declared;
        for (std::size_t i = 0; i < xyz.size() / 3; ++i) set_point(w, static_cast<long>(i), xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]);
        put_line_element(w, np < 0 ? static_cast<long>(xyz.size() / 3) : np);
    }
};

}  // namespace

TEST(ElementWriter, LineElements) {
    struct Case {
        const char* name;
        long declared;
        std::vector<std::int32_t> points;
        std::vector<Elem> written;
        std::string log;
    } cases[] = {
        {"repeated point dropped", 3, {100, 200, 0, 100, 200, 0, 150, 200, 0},
         {line_elem("030102", {100, 200, 0, 150, 200, 0})}, ""},
        {"repeats apart are kept", 4, {1, 2, 3, 4, 5, 6, 1, 2, 3, 1, 2, 3},
         {line_elem("030102", {1, 2, 3, 4, 5, 6, 1, 2, 3})}, ""},
        {"fewer points than declared", 4, {100, 200, 0, 150, 250, 5, 90, 300, -7},
         {line_elem("030102", {100, 200, 0, 150, 250, 5, 90, 300, -7})},
         "COD=030102 100200 NP=4  np=3 error en contador de puntos\n"},
        {"two identical points", 2, {100, 200, 0, 100, 200, 0}, {}, ""},
        {"one point", 1, {100, 200, 9}, {line_elem("030102", {100, 200, 9})}, ""},
        {"declared 0", 0, {100, 200, 0, 150, 200, 0}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriterFixture f;
        f.line("030102", c.declared, c.points);
        EXPECT_EQ(masked_elements(f.elements()), element_file(c.written));
        EXPECT_EQ(f.logged(), c.log);
        EXPECT_EQ(f.w.point_count, 0);
        EXPECT_EQ(f.w.ref_count, 0);
    }
}

TEST(ElementWriter, LineElementKeepsShortCodeReferencesAndNoCollectedPoints) {
    WriterFixture f;
    set_point(f.w, 0, 11, 22, 0);
    // Declared 4, nothing collected: the count line names the first slot, nothing is written.
    f.line("0301", 4, {}, 0);
    set_code(f.w, "0301");
    f.w.point_count = 2;
    set_point(f.w, 0, 5, 6, 7);
    set_point(f.w, 1, 8, 9, 10);
    add_reference(f.w, 1, 7);
    add_reference(f.w, 1, 12, "030202");
    put_line_element(f.w, 2);
    Elem e = line_elem("0301", {5, 6, 7, 8, 9, 10}, {{1, 7, ""}, {1, 12, "030202"}});
    EXPECT_EQ(masked_elements(f.elements()), element_bytes(e));
    EXPECT_EQ(f.logged(), "COD=0301 1122 NP=4  np=0 error en contador de puntos\n");
}

TEST(ElementWriter, ReferenceBufferHoldsAtMost255) {
    WriterFixture f;
    for (int i = 0; i < 255; ++i) EXPECT_TRUE(add_reference(f.w, 2, i + 1));
    EXPECT_FALSE(add_reference(f.w, 2, 256));
    EXPECT_EQ(f.w.ref_count, 255);
}

TEST(ElementWriter, TextElements) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t x, y, height;
        std::vector<Elem> written;
    } cases[] = {
        {"three letters", "ABC", 1000, 2000, 100, {text_elem("999001", 1000, 2000, "ABC", 100)}},
        {"trimmed", "  ABC   ", 1000, 2000, 100, {text_elem("999001", 1000, 2000, "ABC", 100)}},
        {"11 characters, 2 slots", "ABCDEFGHIJK", 0, 0, 10, {text_elem("999001", 0, 0, "ABCDEFGHIJK", 10)}},
        {"12 characters, 3 slots", "ABCDEFGHIJKL", 0, 0, 10, {text_elem("999001", 0, 0, "ABCDEFGHIJKL", 10)}},
        {"symbol text", "@5 POZO", 1000, 2000, 100, {text_elem("999001", 1000, 2000, "@5 POZO", 100)}},
        {"odd symbol height", "@5 POZO", 1000, 2000, 101, {text_elem("999001", 1000, 2000, "@5 POZO", 101)}},
        {"blanks only", "     ", 1000, 2000, 100, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriterFixture f;
        set_code(f.w, "999001");
        set_point(f.w, 0, c.x, c.y, 0);
        set_text(f.w, c.text);
        put_text_element(f.w, c.height, 0);
        EXPECT_EQ(f.elements(), element_file(c.written));
        EXPECT_EQ(f.logged(), "");
    }
    // The extents named for the symbol text.
    Elem sym = text_elem("999001", 1000, 2000, "@5 POZO", 100);
    EXPECT_EQ(sym.extent[0], 950);
    EXPECT_EQ(sym.extent[3], 1050);
    EXPECT_EQ(sym.extent[1], 1950);
    EXPECT_EQ(sym.extent[4], 2050);
}

TEST(ElementWriter, TextAfterALongerTextIsPaddedWithZeros) {
    WriterFixture f;
    set_code(f.w, "999001");
    set_point(f.w, 0, 1, 2, 3);
    set_text(f.w, "UN TEXTO BASTANTE LARGO");
    add_reference(f.w, 2, 41);
    put_text_element(f.w, 250, 4500);
    set_point(f.w, 0, 1, 2, 3);
    set_text(f.w, "AB");
    put_text_element(f.w, 250, 0);
    std::string bytes = f.elements();
    std::string second = element_bytes(text_elem("999001", 1, 2, "AB", 250, {}, 3));
    ASSERT_GT(bytes.size(), second.size());
    EXPECT_EQ(bytes.substr(bytes.size() - second.size()), second);
    // The first element: 23 characters in 2 more slots, its reference, the rotated box.
    EXPECT_EQ(bytes.size() - second.size(), 48u + 12u * 3 + 12u);
    EXPECT_EQ(bytes[9], '\x01');
}

TEST(ElementWriter, RotatedTextBoxes) {
    for (std::int32_t angle : {4500, 9000, 18000, 27000, 35999}) {
        for (const char* txt : {"AB", "@12 POZO"}) {
            SCOPED_TRACE(std::to_string(angle) + " " + txt);
            WriterFixture f;
            set_code(f.w, "999001");
            set_point(f.w, 0, 10000, 20000, 7);
            set_text(f.w, txt);
            put_text_element(f.w, 100, angle);
            EXPECT_EQ(f.elements(), element_bytes(text_elem("999001", 10000, 20000, txt, 100, {}, 7, angle)));
        }
    }
    // Turned half a turn, the text runs to the left of and below its insertion point.
    Elem e = text_elem("999001", 10000, 20000, "AB", 100, {}, 0, 18000);
    EXPECT_EQ(e.extent[0], 9800);
    EXPECT_EQ(e.extent[3], 10000);
    EXPECT_EQ(e.extent[1], 19899);  // 19899.9997, cut toward zero
}

TEST(ElementWriter, NothingIsWrittenWithoutAFile) {
    WriterFixture f;
    f.w.file = nullptr;
    f.line("030102", 1, {1, 2, 3});
    set_text(f.w, "ABC");
    put_text_element(f.w, 100, 0);
    EXPECT_EQ(f.elements(), "");
}
