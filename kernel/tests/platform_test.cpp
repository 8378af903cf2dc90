// Tests of file names, text lines, code pages and record fields.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "kernel/platform.h"
#include "testsupport/fixtures.h"

using namespace cad;
using cad::test::TempDir;

TEST(Names, BackslashesAreSeparatorsAndCaseFallsBack) {
    TempDir d;
    ::mkdir(d.file("Tablas").c_str(), 0755);
    d.write("Tablas/CatDbs.dbf", "x");
    EXPECT_EQ(to_native_path("a\\b\\c.DBF"), "a/b/c.DBF");
    EXPECT_EQ(resolve_existing(d.path + "\\TABLAS\\CATDBS.DBF"), d.path + "/Tablas/CatDbs.dbf");
    EXPECT_TRUE(open_existing(d.path + "/tablas/catdbs.DBF", "rb"));
}

TEST(Names, TwoCaseMatchesCountAsMissing) {
    TempDir d;
    d.write("hoja.bin", "a");
    d.write("HOJA.bin", "b");
    EXPECT_FALSE(open_existing(d.file("Hoja.bin"), "rb"));
    EXPECT_TRUE(open_existing(d.file("hoja.bin"), "rb"));  // the exact name still wins
}

TEST(Names, ReadOnlyFileIsNotOpenableForWriting) {
    TempDir d;
    d.write("ro.bin", "abc");
    ::chmod(d.file("ro.bin").c_str(), 0444);
    EXPECT_FALSE(open_existing(d.file("ro.bin"), "r+b"));
    EXPECT_TRUE(open_existing(d.file("ro.bin"), "rb"));
}

TEST(TextLines, CrLfAndLfReadTheSameAndTheTailIsPartial) {
    TempDir d;
    d.write("t", "uno\r\ndos\nx\ry\r\n\ncola");
    File f = open_existing(d.file("t"), "r");
    std::string line;
    std::vector<std::pair<LineRead, std::string>> got;
    for (LineRead r; (r = read_text_line(f.get(), line)) != LineRead::End;) got.emplace_back(r, line);
    std::vector<std::pair<LineRead, std::string>> want = {
        {LineRead::Line, "uno"}, {LineRead::Line, "dos"}, {LineRead::Line, "x\ry"},
        {LineRead::Line, ""},    {LineRead::Partial, "cola"}};
    EXPECT_EQ(got, want);
}

TEST(TextLines, LongLineIsOneLineCutAtTheLimit) {
    TempDir d;
    d.write("t", std::string(300, 'a') + "\nb\n");
    File f = open_existing(d.file("t"), "r");
    std::string line;
    EXPECT_EQ(read_text_line(f.get(), line, 254), LineRead::Line);
    EXPECT_EQ(line, std::string(254, 'a'));
    EXPECT_EQ(read_text_line(f.get(), line, 254), LineRead::Line);
    EXPECT_EQ(line, "b");
}

TEST(CodePages, AccentedLettersConvertBothWays) {
    EXPECT_EQ(to_utf8("C\xA2" "digo", CodePage::Cp850), "C\xC3\xB3" "digo");
    EXPECT_EQ(to_utf8("c\xF3" "digos", CodePage::Windows1252), "c\xC3\xB3" "digos");
    EXPECT_EQ(to_utf8("\xA5", CodePage::Cp850), "\xC3\x91");  // Ñ
    EXPECT_EQ(from_utf8("Tama\xC3\xB1o", CodePage::Windows1252), "Tama\xF1o");
    EXPECT_EQ(from_utf8("Tama\xC3\xB1o", CodePage::Cp850), "Tama\xA4o");
    EXPECT_EQ(from_utf8("\xE2\x82\xAC", CodePage::Cp850), "?");  // no euro sign in 850
    EXPECT_EQ(cp850_upper(0xA4), 0xA5);                          // ñ -> Ñ
    EXPECT_EQ(cp850_upper('b'), 'B');
}

TEST(Fields, NumbersAndColumns) {
    EXPECT_EQ(parse_long("  30xx"), 30);
    EXPECT_EQ(parse_long(""), 0);
    EXPECT_EQ(parse_long("abc"), 0);
    EXPECT_EQ(parse_long(" -12"), -12);
    EXPECT_EQ(parse_long("99999999999999999999999"), LONG_MAX);
    EXPECT_EQ(columns("abcdef", 2, 3), "bcd");
    EXPECT_EQ(columns("abcdef", 5, 9), "ef");
    EXPECT_EQ(columns("abc", 4, 2), "");
    EXPECT_EQ(columns("abc", 0, 2), "");
}
