// attributes_test.cpp - label attributes from real dBase tables through the catalog.
#include <gtest/gtest.h>

#include <cstring>

#include "dbase/tests/dbf_fixture.h"
#include "superficies/attributes.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

const std::vector<FieldDef> kFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5},  {"PARCELA", 'N', 3},
                                       {"EJE_VIA", 'N', 5},   {"NPOLICIA", 'C', 5}, {"DUPLICADO", 'C', 1},
                                       {"RUSTICA", 'C', 14}};

// A database directory and the table access of one run over it.
struct Db {
    TempDir d;
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    TableAccess access;
    LabelAttributes a;
    unsigned char refs[255 * 12];

    explicit Db(bool urban = true) { reset_table_access(access, d.path, urban); }

    // Loads the attributes of a label with these (table, record) references.
    bool load(const std::vector<std::pair<int, int>>& rs) {
        Element e{};
        std::memset(refs, 0, sizeof refs);
        for (std::size_t i = 0; i < rs.size(); ++i) {
            unsigned char* p = refs + 12 * i;
            auto t = static_cast<std::uint16_t>(rs[i].first);
            auto r = static_cast<std::uint32_t>(rs[i].second);
            p[0] = t & 0xFF, p[1] = t >> 8;
            for (int k = 0; k < 4; ++k) p[2 + k] = static_cast<unsigned char>(r >> (8 * k));
        }
        e.ref_count = static_cast<std::uint8_t>(rs.size());
        e.refs = refs;
        return load_label_attributes(access, hooks, e, a);
    }
};

std::vector<std::string> row(int registro, std::string manzana, std::string parcela = "", std::string eje = "",
                             std::string npol = "", std::string dup = "", std::string rustica = "") {
    return {std::to_string(registro), manzana, parcela, eje, npol, dup, rustica};
}

}  // namespace

TEST(LabelAttributes, FieldValues) {
    struct Case {
        const char* name;
        std::vector<std::string> values;  // MANZANA, PARCELA, EJE_VIA, NPOLICIA, DUPLICADO, RUSTICA
        bool urban;
        const char *manzana, *code;
        long parcela, eje, npol;
        char dup;
        const char* rustica;
        std::vector<std::string> messages;
    } cases[] = {
        {"leading blanks of MANZANA", {"   45", "7", "123", "12B", "", ""}, true, "00045", "07", 7, 123, 12, 'B', "", {}},
        {"trailing blanks kept", {"45", "7", "", "", "", ""}, true, "45   ", "07", 7, 0, 0, ' ', "", {}},
        {"blank MANZANA", {"", "", "", "", "", ""}, true, "00000", "00", 0, 0, 0, ' ', "", {}},
        {"rural parcel code", {"45", "7", "", "", "", ""}, false, "45   ", "00007", 7, 0, 0, ' ', "", {}},
        {"NPOLICIA blank then letter", {"1", "1", "", "12 b", "", ""}, true, "1    ", "01", 1, 0, 12, 'B', "", {}},
        {"NPOLICIA digits only", {"1", "1", "", "7", "", ""}, true, "1    ", "01", 1, 0, 7, ' ', "", {}},
        {"DUPLICADO after NPOLICIA decides", {"1", "1", "", "12B", "c", ""}, true, "1    ", "01", 1, 0, 12, 'C', "", {}},
        {"blank DUPLICADO leaves the letter", {"1", "1", "", "12B", " ", ""}, true, "1    ", "01", 1, 0, 12, 'B', "", {}},
        {"letter outside ASCII in code page 850", {"1", "1", "", "3\xA4", "", ""}, true, "1    ", "01", 1, 0, 3, '\xA5', "",
         {}},
        {"tens letter", {"1", "105", "", "", "", ""}, true, "1    ", "A5", 105, 0, 0, ' ', "", {}},
        {"no I", {"1", "180", "", "", "", ""}, true, "1    ", "J0", 180, 0, 0, ' ', "", {}},
        {"no O and W", {"1", "300", "", "", "", ""}, true, "1    ", "X0", 300, 0, 0, ' ', "", {}},
        {"highest letter", {"1", "329", "", "", "", ""}, true, "1    ", "Z9", 329, 0, 0, ' ', "", {}},
        {"above 329", {"1", "330", "", "", "", ""}, true, "1    ", "Z9", 330, 0, 0, ' ', "", {"Error parcela 330 > 329\n"}},
        {"above 329 in a rural job", {"1", "330", "", "", "", ""}, false, "1    ", "00330", 330, 0, 0, ' ', "", {}},
        {"RUSTICA as stored", {"1", "1", "", "", "", "12A00100001"}, false, "1    ", "00001", 1, 0, 0, ' ',
         "12A00100001", {}},
    };
    for (const auto& c : cases) {
        Db db(c.urban);
        std::vector<std::string> r = {"1"};
        r.insert(r.end(), c.values.begin(), c.values.end());
        db.d.write("CATDBS.DBF", dbf_catalog({{2, "PARCELAS"}}));
        db.d.write("PARCELAS.DBF", dbf_table_of(kFields, {r}));
        ASSERT_TRUE(db.load({{2, 1}})) << c.name;
        EXPECT_STREQ(db.a.manzana, c.manzana) << c.name;
        EXPECT_STREQ(db.a.parcel_code, c.code) << c.name;
        EXPECT_EQ(db.a.parcela, c.parcela) << c.name;
        EXPECT_EQ(db.a.eje_via, c.eje) << c.name;
        EXPECT_EQ(db.a.npolicia, c.npol) << c.name;
        EXPECT_EQ(db.a.duplicate, c.dup) << c.name;
        // RUSTICA keeps the blanks that pad it to its 14 characters.
        std::string rustica(c.rustica);
        rustica.resize(14, ' ');
        EXPECT_EQ(db.a.rustica, rustica) << c.name;
        EXPECT_EQ(db.a.atr, 1) << c.name;
        EXPECT_EQ(db.fe.messages, c.messages) << c.name;
    }
}

TEST(LabelAttributes, LaterOfNPoliciaAndDuplicadoDecides) {
    // Fields in another order and in lower case: the later field decides the letter.
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"duplicado", 'C', 1}, {"npolicia", 'C', 5}, {"manzana", 'C', 5}};
    Db db;
    db.d.write("CATDBS.DBF", dbf_catalog({{2, "parcelas"}}));
    db.d.write("parcelas.dbf", dbf_table_of(f, {{"1", "c", "12B", "7"}, {"2", "c", "12", "7"}}));
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_EQ(db.a.duplicate, 'B');
    EXPECT_EQ(db.a.npolicia, 12);
    EXPECT_STREQ(db.a.manzana, "7    ");
    ASSERT_TRUE(db.load({{2, 2}}));
    EXPECT_EQ(db.a.duplicate, 'C');
}

TEST(LabelAttributes, ReferencesAndRecords) {
    Db db;
    std::vector<FieldDef> streets = {{"REGISTRO", 'N', 10}, {"EJE_VIA", 'N', 5}};
    db.d.write("CATDBS.DBF", dbf_catalog({{2, "PARCELAS.DBF"}, {3, "CALLES"}}));
    db.d.write("PARCELAS.DBF",
               dbf_table_of(kFields, {row(1, "00012", "5", "77", "3"), row(2, "00013", "6"), row(4, "00014", "8")}));
    db.d.write("CALLES.DBF", dbf_table_of(streets, {{"1", "4321"}}));

    // Code references, table 0 and negative numbers are passed over.
    ASSERT_TRUE(db.load({{1, 1}, {0, 1}, {-3, 1}}));
    EXPECT_EQ(db.a.atr, 0);
    EXPECT_STREQ(db.a.manzana, "");
    EXPECT_STREQ(db.a.parcel_code, "");
    EXPECT_EQ(db.a.duplicate, ' ');

    // Two records: both count, the later overrides field by field; a table
    // without a field leaves that attribute as it was.
    ASSERT_TRUE(db.load({{2, 1}, {2, 2}, {3, 1}}));
    EXPECT_EQ(db.a.atr, 2);
    EXPECT_STREQ(db.a.manzana, "00013");
    EXPECT_EQ(db.a.parcela, 6);
    EXPECT_EQ(db.a.eje_via, 4321);
    EXPECT_EQ(db.a.npolicia, 0);  // record 2 holds a blank NPOLICIA

    // Records not in the table are skipped without a message: a key past the
    // last one, a gap, and a key below the first.
    ASSERT_TRUE(db.load({{2, 9}, {2, 3}, {2, 0}}));
    EXPECT_EQ(db.a.atr, 0);
    ASSERT_TRUE(db.load({{2, 4}}));
    EXPECT_STREQ(db.a.manzana, "00014");
    EXPECT_TRUE(db.fe.messages.empty());
}

TEST(LabelAttributes, CatalogIsWalkedOnlyWhenTheTableNumberChanges) {
    Db db;
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}};
    db.d.write("CATDBS.DBF", dbf_catalog({{2, "A"}, {3, "B"}}));
    db.d.write("A.DBF", dbf_table_of(f, {{"1", "00001"}}));
    db.d.write("B.DBF", dbf_table_of(f, {{"1", "00002"}}));
    db.d.write("C.DBF", dbf_table_of(f, {{"1", "00003"}}));
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_STREQ(db.a.manzana, "00001");
    // The same number again keeps its open table, whatever the catalog says now.
    db.d.write("CATDBS.DBF", dbf_catalog({{2, "C"}, {3, "B"}}));
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_STREQ(db.a.manzana, "00001");
    // Another number walks the catalog; coming back walks it again.
    ASSERT_TRUE(db.load({{3, 1}}));
    EXPECT_STREQ(db.a.manzana, "00002");
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_STREQ(db.a.manzana, "00003");
    std::remove(db.d.file("CATDBS.DBF").c_str());
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_TRUE(db.fe.messages.empty());
}

TEST(LabelAttributes, TablesThatCannotBeReached) {
    std::vector<FieldDef> reg9 = {{"REGISTRO", 'N', 9}, {"MANZANA", 'C', 5}};
    std::vector<FieldDef> other_key = {{"CLAVE", 'N', 10}, {"MANZANA", 'C', 5}};
    std::vector<FieldDef> char_key = {{"REGISTRO", 'C', 10}, {"MANZANA", 'C', 5}};
    std::vector<FieldDef> cat_fields = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}};
    struct Case {
        const char* name;
        std::string catalog;  // empty: no catalog
        std::string table_name, table;
        int number;
        std::string message;  // "%s" stands for the database directory
    } cases[] = {
        {"no catalog", "", "", "", 2, "%s/CATDBS.DBF"},
        {"number not listed", dbf_catalog({{2, "A"}}), "A.DBF", dbf_table_of(kFields, {row(1, "1")}), 5,
         "No encuentro la tabla n\xA7 5"},
        {"listed table missing", dbf_catalog({{2, "FALTA"}}), "", "", 2, "%s/FALTA.DBF"},
        {"key of length 9", dbf_catalog({{2, "A"}}), "A.DBF", dbf_table_of(reg9, {{"1", "1"}}), 2, ""},
        {"first field not REGISTRO", dbf_catalog({{2, "A"}}), "A.DBF", dbf_table_of(other_key, {{"1", "1"}}), 2, ""},
        {"key not numeric", dbf_catalog({{2, "A"}}), "A.DBF", dbf_table_of(char_key, {{"1", "1"}}), 2, ""},
        {"deleted entry never matches",
         dbf_table(cat_fields, {dbf_record(cat_fields, {"2", "A"}, true)}), "A.DBF",
         dbf_table_of(kFields, {row(1, "1")}), 2, "No encuentro la tabla n\xA7 2"},
        {"entry without a number is 0", dbf_catalog({{0, "A"}}), "A.DBF", dbf_table_of(kFields, {row(1, "1")}), 2,
         "No encuentro la tabla n\xA7 2"},
    };
    for (const auto& c : cases) {
        Db db;
        if (!c.catalog.empty()) db.d.write("CATDBS.DBF", c.catalog);
        if (!c.table_name.empty()) db.d.write(c.table_name, c.table);
        EXPECT_FALSE(db.load({{c.number, 1}})) << c.name;
        std::vector<std::string> want;
        if (!c.message.empty()) {
            std::string m = c.message;
            if (auto at = m.find("%s"); at != std::string::npos) m.replace(at, 2, db.d.path);
            want.push_back(m);
        }
        EXPECT_EQ(db.fe.messages, want) << c.name;
        EXPECT_FALSE(dbf_is_open(db.access.table)) << c.name;
    }
}

TEST(LabelAttributes, DeletedCatalogEntryIsPassedOver) {
    std::vector<FieldDef> cat_fields = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}};
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}};
    Db db;
    db.d.write("CATDBS.DBF", dbf_table(cat_fields, {dbf_record(cat_fields, {"2", "VIEJA"}, true),
                                                     dbf_record(cat_fields, {"  2", "  nueva  "})}));
    db.d.write("NUEVA.DBF", dbf_table_of(f, {{"1", "00009"}}));
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_STREQ(db.a.manzana, "00009");
}

TEST(LabelAttributes, CatalogNameEndsAtItsFirstNul) {
    // Some writers pad a name with NUL bytes: the name is the text before the first one, trimmed.
    std::vector<FieldDef> cat_fields = {{"NUMERO", 'N', 4}, {"NOMBRE", 'C', 40}};
    std::vector<FieldDef> f = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}};
    Db db;
    std::string nombre = std::string(" NUEVA  ") + '\0' + "OTRA" + std::string(10, '\0');
    db.d.write("CATDBS.DBF", dbf_table(cat_fields, {dbf_record(cat_fields, {"2", nombre})}));
    db.d.write("NUEVA.DBF", dbf_table_of(f, {{"1", "00009"}}));
    ASSERT_TRUE(db.load({{2, 1}}));
    EXPECT_STREQ(db.a.manzana, "00009");
    EXPECT_TRUE(db.fe.messages.empty());
}
