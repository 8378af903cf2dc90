// Tests of the translation table QUIRAN.TAB: loading rules and code lookup.
#include <gtest/gtest.h>

#include "quiran/tab.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

struct Loaded {
    int count = 0;
    TranslationTable table;
    std::string log;
};

Loaded load(std::string_view contents) {
    TempDir d;
    d.write("QUIRAN.TAB", contents);
    Loaded l;
    File in = open_existing(d.file("QUIRAN.TAB"), "r");
    File log = create_file(d.file("QUIRAN.ERR"), "w");
    l.count = load_translation_table_from(l.table, in.get(), log.get());
    log.reset();
    l.log = d.read("QUIRAN.ERR");
    return l;
}

}  // namespace

TEST(TranslationTable, LoadingAndLookup) {
    struct Lookup {
        const char* code;
        unsigned symbol;
    };
    struct Case {
        const char* name;
        std::string contents;
        int count;
        std::vector<Lookup> lookups;
        std::string log = "";
    } cases[] = {
        {"first match wins", "/ simbolos\n01* 5\n0101?? 7\n", 2, {{"010101", 5}, {"020101", 0}}},
        {"symbol 0 ends the search", "0185* 0\n018501 7\n", 2, {{"018501", 0}}},
        {"substring pattern", "$55 3\n", 1, {{"125501", 3}, {"145501", 3}, {"145201", 0}}},
        {"question marks", "0203?? 15\n", 1, {{"020399", 15}, {"02039", 0}, {"0203991", 0}}},
        {"blank and comma lines take places", "\n,\n   \n018501 4\n", 4, {{"018501", 4}, {"", 0}}},
        {"quoted pattern with a blank", "\"01 5\" 9\n", 1, {{"01 5", 9}, {"0105", 0}}},
        {"symbol numbers keep 16 bits", "A -1\nB 70000\nC x\nD\n", 4, {{"A", 65535}, {"B", 4464}, {"C", 0}, {"D", 0}}},
        {"CRLF lines", "018501 7\r\n", 1, {{"018501", 7}}},
        {"last line without line end", "018501 7", 0, {{"018501", 0}}},
        {"last of two lines without line end", "018501 7\n018502 8", 1, {{"018501", 7}, {"018502", 0}}},
        {"pattern of 7 characters", "0185011 2\n", 1, {{"0185011", 2}}},
        {"pattern of 8 characters ignored", "01850111 2\n018501 3\n", 1, {{"018501", 3}, {"01850111", 0}},
         "QUIRAN.TAB: patron de mas de 7 caracteres ignorado >01850111<\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l = load(c.contents);
        EXPECT_EQ(l.count, c.count);
        for (const auto& k : c.lookups) EXPECT_EQ(translate_code(l.table, k.code), k.symbol) << k.code;
        EXPECT_EQ(l.log, c.log);
    }
}

TEST(TranslationTable, HoldsAtMost500Entries) {
    std::string contents;
    for (int i = 1; i <= 501; ++i) contents += "C" + std::to_string(i) + " " + std::to_string(i) + "\n";
    Loaded l = load(contents);
    EXPECT_EQ(l.count, 500);
    EXPECT_EQ(translate_code(l.table, "C500"), 500u);
    EXPECT_EQ(translate_code(l.table, "C501"), 0u);
}

TEST(TranslationTable, LongLinesAreReadInPieces) {
    // 249 characters make one line; what follows on the same line is a line of its own.
    std::string first = "018501 7" + std::string(241, ' ');
    Loaded l = load(first + "099999 3\n");
    EXPECT_EQ(l.count, 2);
    EXPECT_EQ(translate_code(l.table, "018501"), 7u);
    EXPECT_EQ(translate_code(l.table, "099999"), 3u);
}

TEST(TranslationTable, MissingFileShowsItsMessage) {
    TempDir d;
    ChangeDir cd(d.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    TranslationTable t;
    EXPECT_EQ(load_translation_table(t, hooks, nullptr), 0);
    EXPECT_EQ(fe.messages, std::vector<std::string>{"NO encuentro QUIRAN.TAB"});
    d.write("quiran.tab", "018501 7\n");  // a name differing in case stands in for it
    fe.messages.clear();
    EXPECT_EQ(load_translation_table(t, hooks, nullptr), 1);
    EXPECT_TRUE(fe.messages.empty());
}
