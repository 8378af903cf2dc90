// Tests of pattern matching, the code table, the code check and the text helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "kernel/codetable.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

TEST(PatternMatch, Cases) {
    struct Case {
        const char* code;
        const char* pattern;
        bool match;
    } cases[] = {
        {"145201", "145201", true}, {"14520", "145201", false}, {"14520", "1452*", true},
        {"145201", "1452??", true}, {"145201", "14*", true},     {"140", "14*", true},
        {"14", "14*", false},       {"145201", "$52", true},     {"125201", "$52", true},
        {"TPOL2052-X", "$52", true}, {"145101", "$52", false},   {"*", "TPOL", true},
        {"14?201", "145201", true}, {"1452011", "145201", false}, {"", "", true},
        {"145201", "", false},      {"", "$", true},
    };
    for (const auto& c : cases) EXPECT_EQ(pattern_match(c.code, c.pattern), c.match) << c.code << " ~ " << c.pattern;
}

TEST(CodeTable, BuiltInListWhenTheTableIsMissing) {
    TempDir d;
    ChangeDir cd(d.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    CodeTable t;
    load_code_table(t, hooks);
    ASSERT_EQ(fe.messages.size(), 1u);
    EXPECT_EQ(fe.messages[0], "ERROR no se pudo abrir la Tabla " + d.path +
                                  "/CATASTRO.TAB. Se utilizar\xE1n los c\xF3" "digos por defecto");
    EXPECT_EQ(fe.captions[0], "ERROR en CATASTRO.TAB");
    EXPECT_EQ(code_lookup(t, "TPOL"), 1);
    EXPECT_EQ(code_lookup(t, "145201"), 63);
    EXPECT_EQ(code_lookup(t, "999905"), 106);
    EXPECT_EQ(code_lookup(t, "145202"), 0);
    EXPECT_EQ(code_lookup(t, "*"), 1);
    EXPECT_EQ(code_lookup(t, ""), 1);
}

TEST(CodeTable, LoadedTableStopsAtTheFirstEmptyEntry) {
    TempDir d;
    d.write("CATASTRO.TAB", "1452?? parcelas\r\n\"14 52\" entre comillas\n\n999999\nsin fin de linea");
    ChangeDir cd(d.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    CodeTable t;
    load_code_table(t, hooks);
    EXPECT_TRUE(fe.messages.empty());
    EXPECT_EQ(t.entries, (std::vector<std::string>{"1452??", "14 52"}));
    EXPECT_EQ(code_lookup(t, "145299"), 1);
    EXPECT_EQ(code_lookup(t, "14 52"), 2);
    EXPECT_EQ(code_lookup(t, "999999"), 0);  // after the empty line: never consulted
    EXPECT_EQ(code_lookup(t, "145299"), 1);  // answered again from the cache
}

TEST(CodeTable, LastLineWithoutLineEndIsNotLoadedAndLongTablesKeepEveryEntry) {
    TempDir d;
    std::string tab;
    for (int i = 0; i < 1500; ++i) tab += std::to_string(100000 + i) + "\n";
    tab += "ABCDEFGHIJKLMNOP\n777777";
    d.write("t", tab);
    File f = open_existing(d.file("t"), "r");
    CodeTable t;
    load_code_table_from(t, f.get());
    EXPECT_EQ(t.entries.size(), 1501u);
    EXPECT_EQ(code_lookup(t, "101499"), 1500);
    EXPECT_EQ(code_lookup(t, "ABCDEFGHIJKLMNOP"), 1501);
    EXPECT_EQ(code_lookup(t, "777777"), 0);
}

TEST(CodeCheck, LogsTheElementCodeAndCodeReferences) {
    TempDir d;
    d.write("h.bin", element_file({line("145202", {1, 2, 3}, {{1, 5, "999999"}, {1, 6, ""}, {2, 7, "888888"}, {1, 8, "145201"}})}));
    ElementBuffers b;
    allocate_element_buffers(b);
    ElementReader r;
    reader_open(r, open_existing(d.file("h.bin"), "rb"));
    Element e;
    read_head(r, e);
    read_body(r, e, b);
    CodeTable t;
    use_builtin_codes(t);
    File log = create_file(d.file("log"), "w");
    EXPECT_TRUE(code_check(t, e, log.get()));
    log.reset();
    // Only table-1 references with a code are checked.
    EXPECT_EQ(d.read("log"), "C\xA2" "digo erroneo >145202<\nC\xA2" "digo erroneo <999999>\n");
}

namespace {
std::vector<std::string> tokens(const char* text) {
    std::string buf(text);
    Tokens t;
    tokenize(buf.data(), t);
    std::vector<std::string> out(t.slot, t.slot + t.count);
    for (int i = t.count; i < Tokens::kMax; ++i) EXPECT_STREQ(t.slot[i], "");
    return out;
}
}  // namespace

TEST(Tokenizer, Cases) {
    using V = std::vector<std::string>;
    EXPECT_EQ(tokens(""), V{});
    EXPECT_EQ(tokens("  ,, "), V{});
    EXPECT_EQ(tokens("@7 PK12"), (V{"@7", "PK12"}));
    EXPECT_EQ(tokens("a,b\nc\td"), (V{"a", "b", "c\td"}));
    EXPECT_EQ(tokens("\"14 52\" descripcion"), (V{"14 52", "descripcion"}));
    EXPECT_EQ(tokens("x \"sin cierre, hasta el final"), (V{"x", "sin cierre, hasta el final"}));
    std::string many;
    for (int i = 0; i < 130; ++i) many += "t" + std::to_string(i) + " ";
    V got = tokens(many.c_str());
    ASSERT_EQ(got.size(), 127u);
    EXPECT_EQ(got[126], "t126 t127 t128 t129 ");  // the last token runs to the end
}

TEST(TextHelpers, TrimAndSubstring) {
    char a[] = "   dos  palabras   ";
    EXPECT_STREQ(trim(a), "dos  palabras");
    char b[] = "      ";
    EXPECT_STREQ(trim(b), "");
    EXPECT_EQ(trim_view("\t x "), "\t x");
    char out[8];
    substring("ABCDEFGHIJ", out, 3, 4);
    EXPECT_STREQ(out, "CDEF");
    substring("ABC", out, 2, 7);
    EXPECT_STREQ(out, "BC");
    substring("ABC", out, 4, 2);
    EXPECT_STREQ(out, "");
}
