// Tests of the surfaces import: label elements, parcel references and the parcel records appended.
#include <gtest/gtest.h>

#include "dbase/tests/dbfread.h"
#include "quiran/tests/quiran_fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

// A surfaces record: common part, then the given texts at their columns.
std::string surface(std::string_view code, long x, long y, std::vector<std::pair<int, std::string>> fields = {}) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "*%.6s%06d30%08ld%09ld", std::string(code).c_str(), 1, x, y);
    std::string r = rec80(buf);
    for (const auto& [col, text] : fields) put_at(r, col, text);
    return r;
}
std::string urban_parcel(long x, long y, std::string_view block, std::string_view parcel, std::string_view eje = "00123",
                         std::string_view npol = "0015", std::string_view dup = " ") {
    return surface("145201", x, y,
                   {{56, std::string(block)}, {61, std::string(parcel)}, {63, "SVK1234"}, {71, std::string(eje)},
                    {76, std::string(npol)}, {80, std::string(dup)}});
}
std::string urban_block(long x, long y, std::string_view block) {
    return surface("145101", x, y, {{56, std::string(block)}, {61, "00"}, {63, "SVK1234"}});
}
std::string urban_subparcel(long x, long y, std::string_view text, std::string_view block, std::string_view parcel) {
    return surface("145501", x, y, {{33, std::string(text)}, {56, std::string(block)}, {61, std::string(parcel)}, {63, "SVK1234"}});
}

std::string surfaces_file(const std::vector<std::string>& recs, char modalidad = 'U',
                          std::string_view sheet = "30SVK1234N") {
    std::string s = exchange_header('S', static_cast<long>(recs.size()), modalidad) + sheet_record(sheet, recs.size());
    for (const auto& r : recs) s += r;
    return s;
}

std::string table_row(long registro, std::string manzana, std::string parcela, std::string eje = "", std::string npol = "",
                      std::string dup = "") {
    return dbf_record(parcel_fields(), {std::to_string(registro), manzana, parcela, eje, npol, dup, ""});
}

Ref parcel_ref(std::int32_t record) { return {kTableNumber, record, ""}; }

}  // namespace

TEST(QuiranSurfaces, UrbanJob) {
    std::vector<std::string> recs = {
        urban_block(1000, 2000, "00012"),
        urban_parcel(1100, 2100, "00012", "01", "00123", "0015", "B"),
        urban_parcel(1200, 2200, "00012", "02"),
        urban_subparcel(1300, 2300, "II+TZA", "00012", "01"),
        urban_subparcel(1400, 2400, "", "00012", "05"),
        urban_block(1500, 2500, "00034"),
        urban_parcel(1600, 2600, "00056", "A3"),
        urban_parcel(1700, 2700, "00056", "I5"),
        urban_parcel(1800, 2800, "00056", "07", "", ""),
        urban_block(1900, 2900, "00056"),
        surface("146001", 2000, 3000, {{33, "JARDIN"}}),
        surface("125101", 2100, 3100, {{40, "00000015"}}),
    };
    Job job(surfaces_file(recs));
    std::string existing = table_row(99, "00001", "01");
    job.dir.write("TAB.DBF", dbf_table(parcel_fields(), {existing}));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_TRUE(o.messages.empty());

    EXPECT_EQ(job.dir.read("SVK1234N.S"),
              element_file({
                  text_elem("145101", 1000, 2000, "00012", 350, {parcel_ref(1), parcel_ref(2)}),
                  text_elem("145201", 1100, 2100, "01", 200, {parcel_ref(1)}),
                  text_elem("145201", 1200, 2200, "02", 200, {parcel_ref(2)}),
                  text_elem("145501", 1300, 2300, "II+TZA", 150, {parcel_ref(1)}),
                  text_elem("145501", 1400, 2400, "?", 150),
                  text_elem("145101", 1500, 2500, "00034", 350),
                  text_elem("145201", 1600, 2600, "103", 200, {parcel_ref(3)}),
                  text_elem("145201", 1700, 2700, "05", 200, {parcel_ref(4)}),
                  text_elem("145201", 1800, 2800, "07", 200, {parcel_ref(5)}),
                  text_elem("145101", 1900, 2900, "00056", 350, {parcel_ref(4), parcel_ref(5), parcel_ref(3)}),
                  text_elem("146001", 2000, 3000, "JARDIN", 150),
              }));
    EXPECT_EQ(job.dir.read("TAB.DBF"),
              dbf_table(parcel_fields(), {existing, table_row(1, "00012", "01", "00123", "0015", "B"),
                                          table_row(2, "00012", "02", "00123", "0015"),
                                          table_row(3, "00056", "103", "00123", "0015"),
                                          table_row(4, "00056", "05", "00123", "0015"), table_row(5, "00056", "07")}));
    // The same records as an independent reader sees them.
    EXPECT_EQ(dbfread_dump(job.dir.file("TAB.DBF")),
              "{\"fields\": [[\"REGISTRO\", \"N\", 6, 0], [\"MANZANA\", \"C\", 5, 0], [\"PARCELA\", \"C\", 5, 0], "
              "[\"EJE_VIA\", \"C\", 5, 0], [\"NPOLICIA\", \"C\", 4, 0], [\"DUPLICADO\", \"C\", 1, 0], "
              "[\"OBSERVA\", \"C\", 8, 0]], \"records\": [[99, \"00001\", \"01\", \"\", \"\", \"\", \"\"], "
              "[1, \"00012\", \"01\", \"00123\", \"0015\", \"B\", \"\"], [2, \"00012\", \"02\", \"00123\", \"0015\", \"\", \"\"], "
              "[3, \"00056\", \"103\", \"00123\", \"0015\", \"\", \"\"], [4, \"00056\", \"05\", \"00123\", \"0015\", \"\", \"\"], "
              "[5, \"00056\", \"07\", \"\", \"\", \"\", \"\"]], \"deleted\": [], \"numrecords\": 6}\n");

    std::string header = surfaces_file(recs).substr(0, 80), sheet = sheet_record("30SVK1234N", 12);
    EXPECT_EQ(o.log, header + "\n" + sheet + "\n" + header + "\n" + sheet + "\n" + "ERROR subparcela SIN parcela " +
                         recs[4] + "\n" + "ERROR la manzana 34 no tiene parcelas\n");
    // The header is listed in both passes, with the parcel count between them.
    ASSERT_EQ(o.infos.size(), 21u);
    EXPECT_EQ(o.infos[8], "PLANO=30SVK1234N  Numero elementos=12     ");
    EXPECT_EQ(o.infos[9], "Elementos leidos=12     ");
    EXPECT_EQ(o.infos[10], "Numero de parcelas =5");
    EXPECT_EQ(std::vector<std::string>(o.infos.begin() + 11, o.infos.end()),
              std::vector<std::string>(o.infos.begin(), o.infos.begin() + 10));
}

TEST(QuiranSurfaces, RepeatedParcels) {
    std::vector<std::string> recs = {urban_parcel(1100, 2100, "00012", "01"), urban_block(1000, 2000, "00012"),
                                     urban_parcel(1200, 2200, "00012", "01")};
    Job job(surfaces_file(recs));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_EQ(o.messages, std::vector<std::string>{"!ERROR! HAY PARCELAS REPETIDAS\nNO OLVIDE ORDENAR LA BASE DE DATOS"});
    EXPECT_NE(o.log.find(sheet_record("30SVK1234N", 3) + "\nLa parcela 12001 esta repetida\n"), std::string::npos);
    EXPECT_EQ(job.dir.read("TAB.DBF"),
              dbf_table(parcel_fields(), {table_row(1, "00012", "01", "00123", "0015"),
                                          table_row(1, "00012", "01", "00123", "0015")}));
    EXPECT_EQ(job.dir.read("SVK1234N.S"),
              element_file({text_elem("145201", 1100, 2100, "01", 200, {parcel_ref(1)}),
                            text_elem("145101", 1000, 2000, "00012", 350, {parcel_ref(1)}),
                            text_elem("145201", 1200, 2200, "01", 200, {parcel_ref(1)})}));
}

TEST(QuiranSurfaces, FirstPassStopsAtARecordWithoutStar) {
    std::vector<std::string> recs = {urban_parcel(1100, 2100, "00012", "01"), " " + urban_block(1000, 2000, "00012").substr(1)};
    Job job(surfaces_file(recs));
    std::string table = job.dir.read("TAB.DBF");
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::EndedEarly);
    std::string file = surfaces_file(recs);
    EXPECT_EQ(o.log, file.substr(0, 80) + "\n" + file.substr(80, 80) + "\nERROR en registro " + recs[1]);
    EXPECT_TRUE(job.dir.exists("SVK1234N.S"));
    EXPECT_EQ(job.dir.read("SVK1234N.S"), "");
    EXPECT_EQ(job.dir.read("TAB.DBF"), table);
    EXPECT_EQ(o.infos.size(), 9u);  // the header once and the sheet
}

TEST(QuiranSurfaces, OverwriteIsAskedInTheFirstPassOnly) {
    Job job(surfaces_file({urban_parcel(1100, 2100, "00012", "01")}));
    job.dir.write("SVK1234N.S", "old");
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_EQ(o.messages, std::vector<std::string>{"El PLANO SVK1234N.S ya existe se SOBRESCRIBE\nCONTINUAR ?"});
    EXPECT_EQ(job.dir.read("SVK1234N.S"), element_bytes(text_elem("145201", 1100, 2100, "01", 200, {parcel_ref(1)})));
}

TEST(QuiranSurfaces, RuralJob) {
    auto rural = [](std::string_view code, long x, long y, std::string_view parcel, std::string_view sub = "") {
        return surface(code, x, y, {{40, "00000015"}, {48, std::string(parcel)}, {53, std::string(sub)}, {71, "0000000000"}});
    };
    std::vector<std::string> recs = {
        surface("125101", 1000, 2000, {{40, "00000015"}, {48, "000000000"}}),
        rural("125201", 1100, 2100, "00023"),
        rural("125501", 1200, 2200, "00023", "   a"),
        rural("125502", 1300, 2300, "00024", "  bc"),
        surface("125102", 1400, 2400, {{33, "MONTE"}}),
    };
    Job job(surfaces_file(recs, 'R', "30SVK015XX"));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_EQ(job.dir.read("015.S"), element_file({
                                         text_elem("125101", 1000, 2000, "015", 950),
                                         text_elem("125201", 1100, 2100, "00023", 750, {parcel_ref(1)}),
                                         text_elem("125501", 1200, 2200, "a", 500, {parcel_ref(1)}),
                                         text_elem("125502", 1300, 2300, "bc", 500),
                                         text_elem("125102", 1400, 2400, "MONTE", 150),
                                     }));
    EXPECT_EQ(job.dir.read("TAB.DBF"), dbf_table(parcel_fields(), {table_row(1, "015", "00023")}));
    EXPECT_NE(o.log.find("ERROR subparcela SIN parcela " + recs[3] + "\n"), std::string::npos);
}

TEST(QuiranSurfaces, ParcelsMissingFromTheIndexAndAbsentFields) {
    // A rural parcel code in an urban file is indexed by its rural key but
    // looked up by the urban one; a table without the street fields.
    std::vector<FieldDef> fields = {{"REGISTRO", 'N', 4}, {"PARCELA", 'C', 3}, {"MANZANA", 'C', 5}};
    Job job(surfaces_file({surface("125201", 1100, 2100, {{45, "015"}, {48, "00023"}, {56, "00012"}, {61, "01"}})}));
    job.dir.write("TAB.DBF", dbf_table(fields, {}));
    Outcome o = run_import(job);
    EXPECT_EQ(job.dir.read("TAB.DBF"), dbf_table(fields, {dbf_record(fields, {"0", "000", "00012"})}));
    EXPECT_EQ(job.dir.read("SVK1234N.S"), element_bytes(text_elem("125201", 1100, 2100, "00001", 750)));
    EXPECT_NE(o.log.find("ERROR en parcela "), std::string::npos);
}

TEST(QuiranSurfaces, BlockWithMoreThan254Parcels) {
    static const char kLetters[] = "ABCDEFGHJKLMNPQRSTUVXYZ";
    std::vector<std::string> recs;
    std::vector<Ref> refs;
    for (int n = 1; n <= 256; ++n) {
        std::string field = n < 100 ? num("%02ld", n) : std::string(1, kLetters[(n - 100) / 10]) + char('0' + n % 10);
        recs.push_back(urban_parcel(1000 + n, 2000, "00001", field));
        if (n <= 254) refs.push_back(parcel_ref(n));
    }
    recs.push_back(urban_block(900, 2000, "00001"));
    Job job(surfaces_file(recs));
    Outcome o = run_import(job);
    EXPECT_EQ(o.messages, std::vector<std::string>{"Error hay una manzana con m\xA0s de 255 parcelas"});
    std::string bytes = job.dir.read("SVK1234N.S");
    std::string block = element_bytes(text_elem("145101", 900, 2000, "00001", 350, refs));
    ASSERT_GT(bytes.size(), block.size());
    EXPECT_EQ(bytes.substr(bytes.size() - block.size()), block);
}

TEST(QuiranSurfaces, ParcelNumbers) {
    struct Case {
        const char* field;
        const char* label;
    } cases[] = {{"A3", "103"}, {"07", "07"}, {"I5", "05"}, {" 5", "05"}, {"Z9", "329"}, {"J0", "180"}, {"99", "99"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        Job job(surfaces_file({urban_parcel(1100, 2100, "00012", c.field)}));
        Outcome o = run_import(job);
        EXPECT_EQ(job.dir.read("SVK1234N.S"), element_bytes(text_elem("145201", 1100, 2100, c.label, 200, {parcel_ref(1)})));
        EXPECT_EQ(o.infos[10], "Numero de parcelas =1");
    }
}
