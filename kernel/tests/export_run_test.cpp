// Tests of the export run skeleton: sheet records, counts, write-backs and run endings.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "kernel/export_run.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

// One record per line element, carrying its code and the sequence number.
void stub_convert(ExportRun& run, const Element& e) {
    if (e.kind != 'C') return;
    char rec[96];
    int n = std::snprintf(rec, sizeof rec, "R%-6s%06ld%67s", e.code, run.record_total + 1, "");
    emit_record(run, rec, n, e.code, 0, 0);
}
const ExportProgram kStub{'P', false, stub_convert};
const ExportProgram kStubZero{'X', true, stub_convert};

std::string rec(const char* code, long seq) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "R%-6s%06ld%67s", code, seq, "");
    return buf;
}
// A sheet record: the sheet line with its count in columns 75-80.
std::string sheet_rec(const std::string& line, const char* count) { return line.substr(0, 74) + count; }

struct Job {
    TempDir dir;
    RecordingFrontEnd fe;
    RunEnd end{};
    std::string out, log;

    void sheets(const std::string& header, const std::vector<std::string>& lines, bool last_lf = true) {
        std::string s = header + "\n";
        for (std::size_t i = 0; i < lines.size(); ++i) s += lines[i] + (i + 1 < lines.size() || last_lf ? "\n" : "");
        dir.write("TREN", s);
        dir.write("CATASTRO.TAB", "*\n");
    }
    void run(const ExportProgram& p = kStub, volatile std::sig_atomic_t* stop = nullptr) {
        ChangeDir cd(dir.path);
        Hooks hooks{&fe, stop};
        end = run_export(p, hooks, "TREN");
        std::string name(1, p.kind);
        out = dir.read(name);
        log = dir.read(name + ".err");
    }
};

const std::string kHeader = header_line('U', 30, 2000);
std::string header_as(char kind, const std::string& h = kHeader) { return std::string(1, kind) + h.substr(1); }

}  // namespace

TEST(ExportRun, SheetsCountsAndEmptySheetsReplaced) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002"), s3 = sheet_line("00HOJA0003");
    job.sheets(kHeader, {s1, s2, s3});
    job.dir.write("HOJA0001.bin", element_file({line("010101", {1, 2, 3}), text("019001", 1, 2, "T"),
                                                line("010102", {1, 2, 3})}));
    job.dir.write("HOJA0002.bin", element_file({text("019001", 1, 2, "SOLO TEXTO")}));
    job.dir.write("HOJA0003.bin", element_file({line("010201", {4, 5, 6})}));
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    std::vector<std::string> want = {header_as('P').substr(0, 74) + "     3", sheet_rec(s1, "     2"),
                                     rec("010101", 1), rec("010102", 2), sheet_rec(s3, "     1"), rec("010201", 3)};
    EXPECT_EQ(records(job.out), want);
    EXPECT_EQ(job.log, "Transformando el fichero.. HOJA0001.bin\nTransformando el fichero.. HOJA0002.bin\n"
                       "Transformando el fichero.. HOJA0003.bin\n");
    EXPECT_TRUE(job.fe.messages.empty());
    // Status lines name each file, and the last one clears the line.
    EXPECT_EQ(job.fe.statuses.front(), "Leyendo el fichero  HOJA0001.bin");
    EXPECT_EQ(job.fe.statuses.back(), "");
}

TEST(ExportRun, OtherKindsAndUnmarkedElementsGetNoCodeCheck) {
    Job job;
    job.sheets(kHeader, {sheet_line("00HOJA0001")});
    job.dir.write("CATASTRO.TAB", "010101\n");
    Elem other = line("777777", {1, 2, 3});
    other.kind = 'X';
    Elem unmarked = line("888888", {1, 2, 3});
    unmarked.marker = ' ';
    job.dir.write("HOJA0001.bin", element_file({other, unmarked, line("999999", {1, 2, 3})}));
    ChangeDir cd(job.dir.path);
    Hooks hooks{&job.fe};
    run_export(kStub, hooks, "TREN");
    EXPECT_EQ(job.dir.read("P.err"), "Transformando el fichero.. HOJA0001.bin\nC\xA2" "digo erroneo >999999<\n");
}

TEST(ExportRun, LastSheetWithoutRecordsIsCutAndCountsAreZeroPadded) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002");
    job.sheets(kHeader, {s1, s2});
    std::vector<Elem> seven(7, line("010101", {1, 2, 3}));
    job.dir.write("HOJA0001.bin", element_file(seven));
    job.dir.write("HOJA0002.bin", "");
    job.run(kStubZero);
    auto r = records(job.out);
    ASSERT_EQ(r.size(), 9u);
    EXPECT_EQ(r[0], header_as('X').substr(0, 74) + "000007");
    EXPECT_EQ(r[1], sheet_rec(s1, "000007"));
    EXPECT_EQ(r[8], rec("010101", 7));
}

TEST(ExportRun, UnopenableSheetKeepsItsRecordAndTheNextFollowsIt) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002"), s3 = sheet_line("00HOJA0003");
    s1.replace(74, 6, "  keep");
    job.sheets(kHeader, {s1, s2, s3});
    job.dir.write("HOJA0002.bin", element_file({line("010101", {1, 2, 3})}));
    job.dir.write("HOJA0003.bin", element_file({line("010102", {1, 2, 3})}));
    ::chmod(job.dir.file("HOJA0003.bin").c_str(), 0444);  // read-only counts as not openable
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    std::vector<std::string> want = {header_as('P').substr(0, 74) + "     1", s1, sheet_rec(s2, "     1"),
                                     rec("010101", 1), s3};
    EXPECT_EQ(records(job.out), want);
    EXPECT_EQ(job.fe.messages, (std::vector<std::string>{"No se puede abrir el archivo... HOJA0001.bin\n",
                                                         "No se puede abrir el archivo... HOJA0003.bin\n"}));
    EXPECT_EQ(job.log, "Error no se puede abrir el archivo... HOJA0001.bin\n"
                       "Transformando el fichero.. HOJA0002.bin\n"
                       "Error no se puede abrir el archivo... HOJA0003.bin\n");
}

TEST(ExportRun, HeaderOnlyListAndRangeErrors) {
    Job job;
    std::string h = header_line('R', 27, 3000);
    job.sheets(h + "EXTRA MAS ALLA DE LA COLUMNA 80", {});
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    EXPECT_EQ(records(job.out), std::vector<std::string>{header_as('P', h).substr(0, 74) + "     0"});
    EXPECT_EQ(job.log, "ERROR HUSO FUERA DE RANGO 27\n\nERROR ESCALA FUERA DE RANGO 3000\n\n");
}

TEST(ExportRun, ShortHeaderReadsZeroHusoAndEscala) {
    Job job;
    job.sheets("TU", {});
    job.run();
    EXPECT_EQ(records(job.out), std::vector<std::string>{rec80("PU").substr(0, 74) + "     0"});
    EXPECT_EQ(job.log, "ERROR HUSO FUERA DE RANGO 0\n\nERROR ESCALA FUERA DE RANGO 0\n\n");
}

TEST(ExportRun, RuralModalidadNamesFilesFromColumnsTwoToNine) {
    Job job;
    std::string h = header_line('R', 30, 5000);
    job.sheets(h, {sheet_line("12345678XY")});
    job.dir.write("12345678.bin", element_file({line("010101", {1, 2, 3})}));
    job.run();
    EXPECT_EQ(records(job.out).size(), 3u);
    EXPECT_EQ(job.log, "Transformando el fichero.. 12345678.bin\n");
}

TEST(ExportRun, LastLineWithoutLineEndIsNotASheet) {
    Job job;
    job.sheets(kHeader, {sheet_line("00HOJA0001"), sheet_line("00HOJA0002")}, false);
    job.dir.write("HOJA0001.bin", element_file({line("010101", {1, 2, 3})}));
    job.dir.write("HOJA0002.bin", element_file({line("010101", {1, 2, 3})}));
    job.run();
    EXPECT_EQ(records(job.out).size(), 3u);
}

TEST(ExportRun, CancelEndsAtTheNextElementHeadWithoutWriteBacks) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001");
    job.sheets(kHeader, {s1});
    std::vector<Elem> many(400, line("010101", {1, 2, 3}));
    job.dir.write("HOJA0001.bin", element_file(many));
    volatile std::sig_atomic_t stop = 1;
    job.fe.stop = &stop;
    job.fe.stop_after_pumps = 5;  // a few progress steps into the file
    job.run(kStub, &stop);
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    auto r = records(job.out);
    ASSERT_GT(r.size(), 2u);
    ASSERT_LT(r.size(), 402u);
    EXPECT_EQ(r[0], header_as('P'));  // the header keeps the sheet list's own columns 75-80
    EXPECT_EQ(r[1], s1);
}

TEST(ExportRun, BadSheetNameEndsTheRunAfterEarlierSheets) {
    Job job;
    std::string h = header_line('U', 30, 1000);
    std::string s1 = sheet_line("30SVK1234N"), s2 = sheet_line("31SVK1234N");
    job.sheets(h, {s1, s2});
    job.dir.write("SVK1234N.bin", element_file({line("010101", {41300001, 442450001, 3})}));
    job.run();
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    EXPECT_EQ(job.fe.messages, std::vector<std::string>{"Error en nombre hoja 31SVK1234N  K"});
    auto r = records(job.out);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[1], sheet_rec(s1, "     1"));
    EXPECT_EQ(r[3], s2);
}

TEST(ExportRun, FatalInputsGiveAMessageAndNoHalfRecord) {
    struct Case {
        std::string sheet_list;
        std::string message;
        std::size_t out_size;
    } cases[] = {
        {"", "El archivo DbVexo TREN est\xE1 vac\xEDo", 0},
        {header_line(' ', 30, 2000) + "\n" + sheet_line("00HOJA0001") + "\n",
         "Error en la cabecera: modalidad ' ' no es U ni R, no se leen las hojas", 80},
    };
    for (const auto& c : cases) {
        Job job;
        job.dir.write("TREN", c.sheet_list);
        job.dir.write("CATASTRO.TAB", "*\n");
        job.run();
        EXPECT_EQ(job.end, RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(job.out.size(), c.out_size);
    }
}

TEST(ExportRun, MissingSheetListIsReportedAndRunsStartAfresh) {
    Job job;
    job.dir.write("CATASTRO.TAB", "*\n");
    job.run();
    EXPECT_EQ(job.fe.messages, std::vector<std::string>{"No se puede abrir el archivo  TREN\n"});
    EXPECT_EQ(job.end, RunEnd::EndedEarly);

    Job again;
    again.sheets(header_line('U', 27, 2000), {});
    again.run();
    again.sheets(kHeader, {});
    again.run();  // the second run truncates the output and the log
    EXPECT_EQ(again.out.size(), 80u);
    EXPECT_EQ(again.log, "");
}

TEST(ExportRun, FailedWritesEndTheRunWithAMessage) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    // A full disk: the output or the log is sent to /dev/full, where every write fails.
    for (const char* name : {"P", "P.err"}) {
        Job job;
        job.sheets(kHeader, {sheet_line("00HOJA0001")});
        job.dir.write("HOJA0001.bin", element_file({line("010101", {1, 2, 3})}));
        ASSERT_EQ(::symlink("/dev/full", job.dir.file(name).c_str()), 0);
        ChangeDir cd(job.dir.path);
        Hooks hooks{&job.fe};
        EXPECT_EQ(run_export(kStub, hooks, "TREN"), RunEnd::EndedEarly) << name;
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{std::string("No se puede escribir el archivo  ") + name + "\n"});
    }
}
