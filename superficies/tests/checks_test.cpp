// checks_test.cpp - block codes from positions, volume notations and the duplicate-key set.
#include <gtest/gtest.h>

#include "superficies/checks.h"

using namespace cad;

TEST(ExpectedBlockCode, HectometresAndSpiralDigit) {
    struct Case {
        long x, y;
        const char* code;
    } cases[] = {
        {45678912, 423456789, "67455"},  // 89.12 m east, 67.89 m north: north-east ninth
        {41301000, 442401000, "30401"},  // 10 m, 10 m: south-west
        {41305000, 442405000, "30409"},  // centre
        {41309000, 442401000, "30407"},  // 90 m east, 10 m north: south-east
        {41301000, 442405000, "30402"},  {41301000, 442409000, "30403"}, {41305000, 442409000, "30404"},
        {41309000, 442405000, "30406"},  {41305000, 442401000, "30408"},
        {41300000, 442400000, "30401"},  // on the corner itself
        {41399999, 442499999, "39495"},  // just inside the square's far corner
        {500, 700, "00001"},             // hectometres of one digit are zero-padded
    };
    for (const auto& c : cases) {
        char out[6];
        expected_block_code(c.x, c.y, out);
        EXPECT_STREQ(out, c.code) << c.x << " " << c.y;
    }
}

TEST(VolumeNotation, ValidAndInvalid) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"IV+TZA", true}, {"-II+IV", true}, {"XII", true},   {"III+POR", true}, {"PISCINA", true},
        {"II+TZA", true}, {"-I", true},     {"-", true},     {"B", true},       {"BX", true},
        {"IBI", true},    {"????", true},   {"I II", true},  {"I,V", true},     {"", true},
        {"+II", false},   {"II-I", false},  {"C", false},    {"IIC", false},    {"II-", false},
        {"IIB", false},   {"TZ", false},    {"I C", false},  {"?I", false},     {"piscina", false},
    };
    for (const auto& c : cases) EXPECT_EQ(volume_notation_valid(c.text), c.valid) << c.text;
}

TEST(KeySet, AnswersWhetherAKeyWasThere) {
    KeySet set;
    EXPECT_EQ(key_insert(set, 5000), KeyInsert::Added);
    EXPECT_EQ(key_insert(set, 5000), KeyInsert::Present);
    EXPECT_EQ(key_insert(set, 5001), KeyInsert::Added);
    // The slot marker value and zero are keys like any other.
    EXPECT_EQ(key_insert(set, -1), KeyInsert::Added);
    EXPECT_EQ(key_insert(set, -1), KeyInsert::Present);
    EXPECT_EQ(key_insert(set, 0), KeyInsert::Added);
    EXPECT_EQ(key_insert(set, 0), KeyInsert::Present);
    // Growth keeps every key.
    for (std::int64_t k = 100000; k < 130000; ++k) ASSERT_EQ(key_insert(set, k * 7), KeyInsert::Added) << k;
    for (std::int64_t k = 100000; k < 130000; ++k) ASSERT_EQ(key_insert(set, k * 7), KeyInsert::Present) << k;
    EXPECT_EQ(key_insert(set, 5000), KeyInsert::Present);
    key_clear(set);
    EXPECT_EQ(key_insert(set, 5000), KeyInsert::Added);
    EXPECT_EQ(key_insert(set, -1), KeyInsert::Added);
}

TEST(KeySet, KeysBeyond32BitsStayApart) {
    // From manzana 21475 on, manzana x 100000 no longer fits 32 bits.
    EXPECT_EQ(rural_parcel_key(21475, 1), 2147500001LL);
    EXPECT_EQ(rural_parcel_key(99999, 99999), 9999999999LL);
    KeySet set;
    EXPECT_EQ(key_insert(set, rural_parcel_key(42950, 67296)), KeyInsert::Added);
    // The key that a 32-bit product would wrap to is another key.
    EXPECT_EQ(key_insert(set, static_cast<std::int32_t>(rural_parcel_key(42950, 67296))), KeyInsert::Added);
    EXPECT_EQ(block_key(45), 45000);
    EXPECT_EQ(urban_parcel_key(45, 7), 45007);
    EXPECT_EQ(urban_parcel_key(45, 0), block_key(45));
}
