// refcat_test.cpp - the references file index answers as a line-by-line scan of the file.
#include <gtest/gtest.h>

#include "superficies/refcat.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

// What the index gives for `key` after reading `bytes`; "-" when not found.
std::string lookup(const std::string& bytes, const char* key, const char* municipality = "123456") {
    TempDir d;
    d.write("REFCAT.TXT", bytes);
    std::FILE* f = std::fopen(d.file("REFCAT.TXT").c_str(), "r");
    RefIndex index;
    refcat_build(index, f, municipality);
    std::fclose(f);
    const std::string* hit = refcat_lookup(index, key);
    return hit ? *hit : "-";
}

}  // namespace

TEST(RefIndex, AnswersAsTheScan) {
    const std::string pad70(70, 'x');
    const std::string kKey72(72, 'k');
    struct Case {
        const char* name;
        std::string bytes;
        const char* key;
        const char* want;
    } cases[] = {
        {"match", "123456 12345A5 VK1234N\n", "12345A5", "VK1234N"},
        {"commas and quotes", "123456,\"00045 7\",VK9999S,resto\n", "00045 7", "VK9999S"},
        {"padded key", "123456 \"45   07\" VK1234N\n", "45   07", "VK1234N"},
        {"sheet code cut to 7", "123456 12345A5 VK1234NXYZ\n", "12345A5", "VK1234N"},
        {"no third token", "123456 12345A5\n", "12345A5", ""},
        {"other municipality", "123457 12345A5 VK1234N\n", "12345A5", "-"},
        {"case-sensitive", "123456 12345a5 VK1234N\n", "12345A5", "-"},
        {"first line wins", "123456 12345A5 FIRST00\n123456 12345A5 SECOND0\n", "12345A5", "FIRST00"},
        {"other municipality first", "999999 12345A5 OTHER00\n123456 12345A5 MINE000\n", "12345A5", "MINE000"},
        {"last line without line end", "123456 00001A5 UNO0000\n123456 12345A5 VK1234N", "12345A5", "-"},
        {"line before it still read", "123456 00001A5 UNO0000\n123456 12345A5 VK1234N", "00001A5", "UNO0000"},
        {"CRLF line ends", "123456 12345A5 VK1234N\r\n", "12345A5", "VK1234N"},
        {"CRLF after 79 characters", "123456 12345A5 VK1234N" + std::string(57, ' ') + "\r\n", "12345A5", "VK1234N"},
        {"CR is no separator", "123456 12345A5\r VK1234N\n", "12345A5", "-"},
        {"tab is no separator", "123456\t12345A5 VK1234N\n", "12345A5", "-"},
        // A line of more than 79 characters is read as pieces, each a line of its own.
        {"second piece is a line", pad70 + "123456789" + "123456 12345A5 VK1234N\n", "12345A5", "VK1234N"},
        {"key cut by the piece end", "123456 12345A5 " + pad70 + "\n", "12345A5", "xxxxxxx"},
        {"sheet code beyond the piece end", "123456 " + std::string(72, 'k') + " VK1234N\n", kKey72.c_str(), ""},
        {"piece of 79 at the end of the file", "123456 12345A5 VK1234N" + std::string(57, ' '), "12345A5", "VK1234N"},
        {"piece of 78 at the end of the file", "123456 12345A5 VK1234N" + std::string(56, ' '), "12345A5", "-"},
        {"NUL ends the line", std::string("123456 12345A5 VK\0" "234N\n", 23), "12345A5", "VK"},
        {"empty file", "", "12345A5", "-"},
    };
    for (const auto& c : cases) EXPECT_EQ(lookup(c.bytes, c.key), c.want) << c.name;
}

TEST(RefIndex, EmptyMunicipalityKeyMatchesLinesWithoutTokens) {
    // A header too short for columns 6-11 gives an empty key: only lines
    // without tokens have that first token, and they hold no reference key.
    EXPECT_EQ(lookup("\n12345A5 VK1234N\n", "12345A5", ""), "-");
    EXPECT_EQ(lookup("\"\" 12345A5 VK1234N\n", "12345A5", ""), "VK1234N");
}
