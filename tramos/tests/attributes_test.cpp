// Tests of segment attributes: the attribute field, continuation records, the
// register behind the attributes file "A", and their log lines and markers.
#include <gtest/gtest.h>

#include "tramos/tests/tramos_fixture.h"

using namespace tramos_test;

namespace {

const std::vector<std::int32_t> kTwo = {0, 0, 0, 100, 200, 0};
const std::pair<std::int32_t, std::int32_t> kMid{50, 100};  // marker position of kTwo
const std::string kMore = "  E.Lineal con m\xA0s de 1 atributo\n";

}  // namespace

TEST(TramosAttributes, FieldsContinuationRecordsAndRegister) {
    struct Case {
        const char* name;
        std::vector<Elem> elems;
        std::vector<std::string> data;   // records after the sheet record
        std::vector<std::string> attrs;  // records of "A" after its first line
        std::string log;                 // after the line naming the element file
        std::vector<std::pair<std::int32_t, std::int32_t>> marks;
        std::vector<std::string> codes{kLinearCodes.begin(), kLinearCodes.end()};
    };
    auto c = coords(kTwo);
    Case cases[] = {
        {"one own reference",
         {line("030102", kTwo, {{1, 1234, ""}})},
         cat({{head("030102", 1, 2, field("030102", 1234))}, c}),
         {arec("030102", 1234)},
         "",
         {}},
        {"two own references: logged, marked, the last one written",
         {line("030102", kTwo, {{1, 5, ""}, {1, 7, "030102"}})},
         cat({{head("030102", 1, 2, field("030102", 7))}, c}),
         {arec("030102", 7)},
         "*030102     1" + kMore,
         {kMid}},
        {"a record number met again writes nothing more, under any code",
         {line("030102", kTwo, {{1, 12, ""}}), line("060102", kTwo, {{1, 12, ""}, {1, 12, "030202"}})},
         cat({{head("030102", 1, 2, field("030102", 12))}, c, {head("060102", 2, 2, field("060102", 12))},
              {cont("030202", 12)}, c}),
         {arec("030102", 12)},
         "",
         {}},
        {"a selected code without its attribute",
         {line("030102", kTwo)},
         cat({{head("030102", 1, 2)}, c}),
         {},
         "*030102     1 E.Lineal=0\n",
         {kMid}},
        {"the same code deselected", {line("030102", kTwo)}, cat({{head("030102", 1, 2)}, c}), {}, "", {}, {"030202"}},
        {"foreign references give continuation records",
         {line("010101", kTwo, {{1, 0, "030202"}, {1, 44, "160201"}, {1, 45, "010201"}})},
         cat({{head("010101", 1, 2), cont("030202", 0), cont("160201", 44), cont("010201", 45)}, c}),
         {arec("160201", 44), arec("010201", 45)},
         "*030202     1 E.Lineal=0\n",
         {kMid}},
        {"points codes, short codes and other tables are not attributes",
         {line("010101", kTwo, {{1, 3, "018507"}, {1, 4, "0302"}, {2, 99, ""}, {-1, 98, ""}})},
         cat({{head("010101", 1, 2)}, c}),
         {},
         "",
         {}},
        {"own and foreign attributes in one segment, numbered in order",
         {line("010101", kTwo), line("060104", kTwo, {{1, 8, "060202"}, {1, 9, ""}, {1, 10, "060202"}})},
         cat({{head("010101", 1, 2)}, c, {head("060104", 2, 2, field("060104", 9)), cont("060202", 8),
                                          cont("060202", 10)}, c}),
         {arec("060104", 9), arec("060202", 8), arec("060202", 10)},
         "",
         {}},
        {"negative record numbers keep their sign inside the width",
         {line("010101", kTwo, {{1, -5, ""}})},
         cat({{head("010101", 1, 2, std::string(21, ' ') + "010101-000000005")}, c}),
         {"010101-000000005" + std::string(52, ' ') + "\n"},
         "",
         {}},
        {"a record number wider than ten columns refuses the segment",
         {line("010101", kTwo, {{1, -1000000000, "030202"}}), line("010101", kTwo)},
         cat({{head("010101", 1, 2)}, c}),
         {},
         "Error valor demasiado ancho para el registro, no se escribe 010101 50 100\n",
         {kMid}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Job job;
        job.opt.codes = k.codes;
        job.one_sheet(k.elems);
        job.run();
        EXPECT_EQ(job.end, RunEnd::Completed);
        EXPECT_EQ(job.data(), k.data);
        std::string a = attrs_first(static_cast<long>(k.attrs.size()));
        for (const auto& r : k.attrs) a += r;
        EXPECT_EQ(job.attrs, a);
        EXPECT_EQ(job.log, kOpened + k.log);
        EXPECT_EQ(job.dir.read("HOJA0001.T"), markers(k.marks));
    }
}

TEST(TramosAttributes, RegisterCoversTheRunAcrossSheetsAndVolumes) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002");
    job.sheets(kHeader, {s1, s2});
    job.dir.write("HOJA0001.bin", element_file({line("030102", kTwo, {{1, 70000, ""}})}));
    job.dir.write("HOJA0002.bin", element_file({line("030102", kTwo, {{1, 70000, ""}}),
                                                line("030202", kTwo, {{1, 70001, ""}})}));
    job.opt.size_text = "0";
    job.run();
    EXPECT_EQ(job.attrs, attrs_first(2) + arec("030102", 70000) + arec("030202", 70001));
    EXPECT_EQ(job.volume(2)[2], head("030102", 2, 2, field("030102", 70000)));
}

TEST(TramosAttributes, CountBeyondSixDigitsIsLoggedAndHeld) {
    TempDir dir;
    ChangeDir cd(dir.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe, nullptr};
    TramosRun run;
    run.hooks = &hooks;
    run.log = create_file("T.err", "w");
    run.attrs = create_file("A", "w+b");
    run.header = rec80("T" + kHeader.substr(1));
    attributes_start(run);
    run.attributes_count = 1234567;
    EXPECT_TRUE(attributes_finish(run));
    run.log.reset();
    EXPECT_EQ(dir.read("A"), "A" + kHeader.substr(1, 73) + "999999\n");
    EXPECT_EQ(dir.read("T.err"), "Error 1234567 atributos no caben en la cabecera de A, se escribe 999999\n");
}
