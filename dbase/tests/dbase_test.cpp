// dbase_test.cpp - tables opened, searched, read, updated and appended to, byte for byte.
#include "dbase/dbase.h"

#include <gtest/gtest.h>

#include "dbase/tests/dbf_fixture.h"
#include "testsupport/fixtures.h"

namespace cad {
namespace {

using test::FieldDef;
using test::TempDir;

const std::vector<FieldDef> kParcelFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 2}};

std::string parcel_table(int records) {
    std::vector<std::vector<std::string>> rows;
    for (int k = 1; k <= records; ++k) rows.push_back({std::to_string(k), "00012", std::to_string(k % 100)});
    return test::dbf_table_of(kParcelFields, rows);
}

DbfTable table_in(const TempDir& d, std::string name) {
    DbfTable t;
    t.directory = d.path;
    t.file_name = std::move(name);
    return t;
}

TEST(DbfBasics, OpenReadUpdateAppend) {
    TempDir d;
    d.write("PARCELAS.DBF", parcel_table(3));
    DbfTable t = table_in(d, "PARCELAS");
    ASSERT_EQ(dbf_open(t), 0);
    EXPECT_EQ(t.file_name, "PARCELAS.DBF");
    EXPECT_EQ(t.field_count, 3);
    EXPECT_EQ(t.record_count, 3);
    EXPECT_EQ(dbf_read_record(t, 2), 2);
    EXPECT_EQ(dbf_field_text(t, 0), "         2");
    EXPECT_EQ(dbf_find_record(t, 3), 3);
    EXPECT_EQ(dbf_update_field(t, 1, "MANZANA", "77", 'S'), 0);
    dbf_blank_record(t);
    EXPECT_EQ(dbf_put_field(t, "REGISTRO", 4, 'L'), 0);
    EXPECT_EQ(dbf_append_record(t), 0);
    const int hl = t.header_length;
    dbf_close(t);
    std::string want = parcel_table(4);
    std::string rec1 = test::dbf_record(kParcelFields, {"1", "77", "1"});
    want.replace(hl, rec1.size(), rec1);
    std::string rec4 = test::dbf_record(kParcelFields, {"4", "", ""});
    want.replace(hl + 3 * rec4.size(), rec4.size(), rec4);
    EXPECT_EQ(d.read("PARCELAS.DBF"), want);
}

}  // namespace
}  // namespace cad
