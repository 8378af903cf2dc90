// Tests of the segments export run: volumes, sheet records, segments, element
// checks with their log lines and markers, and the ways a run ends.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tramos/tests/tramos_fixture.h"

using namespace tramos_test;

TEST(Tramos, SegmentsGiveHeadAndCoordinateRecords) {
    Job job;
    std::vector<std::int32_t> p2 = {100, 200, 300, -5, -6, -7};
    std::vector<std::int32_t> p3 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<std::int32_t> p4 = {41300000, 442450000, 0, 41300001, 442450001, 1, 99999999, 999999999, 9999999,
                                    -9999999, -99999999, -999999};
    job.one_sheet({line("010101", p2), line("160300", p3), line("017101", p4)});
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    std::string s1 = sheet_line("00HOJA0001");
    EXPECT_EQ(job.volume(1), cat({{vol_header(1, 1, 3), sheet_rec(s1, 3), head("010101", 1, 2)},
                                  coords(p2),
                                  {head("160300", 2, 3)},
                                  coords(p3),
                                  {head("017101", 3, 4)},
                                  coords(p4)}));
    // Two points and a blank place, then the record's two closing blanks.
    EXPECT_EQ(coords(p2)[0], std::string("30" "00000100" "000000200" "0000300" "30" "-0000005" "-00000006" "-000007") + std::string(28, ' '));
    EXPECT_EQ(job.log, kOpened);
    EXPECT_EQ(job.attrs, attrs_first(0));
    EXPECT_EQ(job.dir.read("HOJA0001.T"), "");  // a sheet without problems
    EXPECT_TRUE(job.fe.messages.empty());
}

TEST(Tramos, HeaderOnlyListGivesOneHeaderRecord) {
    Job job;
    std::string h = kHeader;
    h.replace(15, 4, "7777");
    h.replace(74, 6, "  keep");
    job.sheets(h + "MAS ALLA DE LA COLUMNA 80", {});
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    EXPECT_EQ(job.volume(1), std::vector<std::string>{vol_header(1, 1, 0, h)});
    // "A" keeps the sheet list's Total bloques and gets its own count.
    EXPECT_EQ(job.attrs, attrs_first(0, h));
    EXPECT_EQ(job.attrs.substr(15, 2), "77");
    EXPECT_FALSE(job.dir.exists("T.2"));
}

TEST(Tramos, ElementStepsLogAndMark) {
    struct Case {
        const char* name;
        std::vector<Elem> elems;
        std::string log;
        std::vector<std::pair<std::int32_t, std::int32_t>> marks;
        std::vector<std::string> data;
    };
    Elem other = line("999999", {1, 2, 3, 4, 5, 6});
    other.kind = 'X';
    Elem unmarked = line("999999", {1, 2, 3, 4, 5, 6});
    unmarked.marker = '-';
    Elem group2 = line("020101", {0, 0, 0, 100, 200, 0});
    Elem group3 = line("030101", {0, 0, 0, 100, 200, 0});
    Elem zmax_ok = line("010101", {0, 0, 0, 100, 200, 0});
    zmax_ok.extent[kMaxZ] = 400000;
    Elem zmax_bad = zmax_ok;
    zmax_bad.extent[kMaxZ] = 400001;
    Elem zmin_bad = zmax_ok;
    zmin_bad.extent[kMinZ] = -1;
    Elem none = line("010101", {});
    none.extent[kMinZ] = -1;
    Elem bad_none = line("990101", {});
    Elem many = line("010101", std::vector<std::int32_t>(3 * 10000, 7));
    Elem wide = line("010101", {0, 5, 0, 100000000, 5, 0});
    Elem five = line("010101", {0, 0, 0, 10, 20, 0, 30, 41, 0, 50, 60, 0, 70, 80, 0});
    five.extent[kMinZ] = -3;
    const std::string z_line = "Entida con Z erronea ";

    Case cases[] = {
        {"one point, then a segment that takes number 1",
         {line("010101", {12345, 67890, 0}), line("010101", {0, 0, 0, 100, 200, 0})},
         "Error el codigo 010101 tiene 1 puntos\n       123     678.90\n",
         {{12345, 67890}},
         cat({{head("010101", 1, 2)}, coords({0, 0, 0, 100, 200, 0})})},
        {"text element with a segment code",
         {text("030102", 1000, 2000, "CALLE")},
         "Error texto en fichero tramos 030102 \n        10      20.00\n",
         {{1000, 2000}},
         {}},
        {"subgroup 40 is not a segment", {line("014001", {1, 2, 3, 4, 5, 6})}, "", {}, {}},
        {"unknown code is marked at its first point whatever its subgroup",
         {line("998501", {7, 8, 9, 10, 11, 12})},
         "C\xA2" "digo erroneo >998501<\n",
         {{7, 8}},
         {}},
        {"other kinds and unmarked elements are ignored whole", {other, unmarked}, "", {}, {}},
        {"group 2 with zmin 0 is logged, group 3 is not",
         {group2, group3},
         z_line + "020101 0.50 1.00\n",
         {{50, 100}},
         cat({{head("020101", 1, 2)}, coords({0, 0, 0, 100, 200, 0}), {head("030101", 2, 2)},
              coords({0, 0, 0, 100, 200, 0})})},
        {"zmax 400000 passes, one more and zmin -1 do not",
         {zmax_ok, zmax_bad, zmin_bad},
         z_line + "010101 0.50 1.00\n" + z_line + "010101 0.50 1.00\n",
         {{50, 100}, {50, 100}},
         cat({{head("010101", 1, 2)}, coords({0, 0, 0, 100, 200, 0}), {head("010101", 2, 2)},
              coords({0, 0, 0, 100, 200, 0}), {head("010101", 3, 2)}, coords({0, 0, 0, 100, 200, 0})})},
        {"five points: the marker lies between points 2 and 3",
         {five},
         z_line + "010101 0.20 0.30\n",
         {{20, 30}},
         cat({{head("010101", 1, 5)}, coords({0, 0, 0, 10, 20, 0, 30, 41, 0, 50, 60, 0, 70, 80, 0})})},
        {"no points: a head record alone, a log line and no marker",
         {none},
         "Error el codigo 010101 tiene 0 puntos, sin marca de error\n" + z_line + "010101 0.00 0.00\n",
         {},
         {head("010101", 1, 0)}},
        {"no points and a bad code: one line, no marker",
         {bad_none},
         "C\xA2" "digo erroneo >990101<\nError el codigo 990101 tiene 0 puntos, sin marca de error\n",
         {},
         {head("990101", 1, 0)}},
        {"10000 points do not fit the head record",
         {many, line("010101", {0, 0, 0, 100, 200, 0})},
         "Error el codigo 010101 tiene 10000 puntos\n         0       0.07\n",
         {{7, 7}},
         cat({{head("010101", 1, 2)}, coords({0, 0, 0, 100, 200, 0})})},
        {"a coordinate wider than its columns refuses the segment",
         {wide},
         "Error valor demasiado ancho para el registro, no se escribe 010101 100000000 5\n",
         {{50000000, 5}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job;
        job.one_sheet(c.elems);
        job.run();
        EXPECT_EQ(job.end, RunEnd::Completed);
        EXPECT_EQ(job.log, kOpened + c.log);
        EXPECT_EQ(job.dir.read("HOJA0001.T"), markers(c.marks));
        EXPECT_EQ(job.data(), c.data);
        long heads = std::count_if(c.data.begin(), c.data.end(), [](const std::string& r) { return r[0] == '*'; });
        EXPECT_EQ(job.volume(1)[0], vol_header(1, 1, heads));
    }
}

TEST(Tramos, SegmentNumberStartsAgainAfter999999) {
    TempDir dir;
    ChangeDir cd(dir.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe, nullptr};
    TramosRun run;
    run.hooks = &hooks;
    use_builtin_codes(run.codes);
    ASSERT_TRUE(allocate_element_buffers(run.buffers));
    run.log = create_file("T.err", "w");
    run.attrs = create_file("A", "w+b");
    run.volume = create_file("T.1", "w+b");
    run.markers = create_file("H.T", "w+b");
    run.huso = 30;
    run.segment_number = 999998;
    write_file(dir.file("H.bin"), element_file({line("010101", {1, 2, 3, 4, 5, 6}, {{1, 77, ""}}),
                                                line("010101", {1, 2, 3, 4, 5, 6})}));
    ElementReader reader;
    ASSERT_TRUE(reader_open(reader, open_existing("H.bin", "rb")));
    walk_elements(reader, run.buffers, hooks, run.log.get(), "H.bin", [&](const Element& e) { tramos_element(run, e); });
    run.volume.reset();
    run.log.reset();
    auto r = records(dir.read("T.1"));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], head("010101", 999999, 2, field("010101", 77)));
    EXPECT_EQ(r[2], head("010101", 1, 2));
    EXPECT_EQ(run.sheet_count, 2);
    EXPECT_EQ(run.volume_bytes, 320);
}

TEST(Tramos, VolumesSplitBySizeAndCarryTheirTotal) {
    Job job;
    std::vector<std::string> s;
    for (int i = 1; i <= 4; ++i) s.push_back(sheet_line("00HOJA000" + std::to_string(i)));
    job.sheets(kHeader, s);
    Elem seg = line("010101", {1, 2, 3, 4, 5, 6});
    job.dir.write("HOJA0001.bin", element_file({seg}));
    job.dir.write("HOJA0002.bin", "");  // no segments: the next sheet takes its place
    job.dir.write("HOJA0003.bin", element_file({seg}));
    job.dir.write("HOJA0004.bin", element_file({seg, seg}));
    job.opt.size_text = "0";
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    auto c = coords({1, 2, 3, 4, 5, 6});
    EXPECT_EQ(job.volume(1), cat({{vol_header(3, 1, 1), sheet_rec(s[0], 1), head("010101", 1, 2)}, c}));
    EXPECT_EQ(job.volume(2), cat({{vol_header(3, 2, 1), sheet_rec(s[2], 1), head("010101", 2, 2)}, c}));
    EXPECT_EQ(job.volume(3), cat({{vol_header(3, 3, 2), sheet_rec(s[3], 2), head("010101", 3, 2)}, c,
                                  {head("010101", 4, 2)}, c}));
    EXPECT_FALSE(job.dir.exists("T.4"));
    EXPECT_EQ(job.attrs, attrs_first(0));
}

TEST(Tramos, AVolumeOfExactlyTheLimitTakesTheNextSheet) {
    // 19 segments of 9999 points and one of 6567 make 65536 records: 5 MB.
    Job job;
    std::vector<Elem> big(19, line("010101", std::vector<std::int32_t>(3 * 9999, 1)));
    big.push_back(line("010101", std::vector<std::int32_t>(3 * 6567, 1)));
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002"), s3 = sheet_line("00HOJA0003");
    job.sheets(kHeader, {s1, s2, s3});
    job.dir.write("HOJA0001.bin", element_file(big));
    job.dir.write("HOJA0002.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    job.dir.write("HOJA0003.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    job.opt.size_text = " 5MB";
    job.run();
    auto v1 = job.volume(1), v2 = job.volume(2);
    ASSERT_EQ(v1.size(), 2 + 65536 + 1 + 2u);
    EXPECT_EQ(v1[0], vol_header(2, 1, 21));
    EXPECT_EQ(v1[65538], sheet_rec(s2, 1));
    EXPECT_EQ(v2, cat({{vol_header(2, 2, 1), sheet_rec(s3, 1), head("010101", 22, 2)}, coords({1, 2, 3, 4, 5, 6})}));
}

TEST(Tramos, HundredVolumesKeepTwoCharactersOfTheirNumbers) {
    Job job;
    std::vector<std::string> s;
    for (int i = 0; i < 100; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "00HOJA%04d", i);
        s.push_back(sheet_line(name));
        job.dir.write(std::string(name + 2) + ".bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    }
    job.sheets(kHeader, s);
    job.opt.size_text = "";
    job.run();
    EXPECT_EQ(job.volume(1)[0], vol_header(100, 1, 1));
    EXPECT_EQ(job.volume(1)[0].substr(15, 4), "1001");
    EXPECT_EQ(job.volume(100)[0].substr(15, 4), "1010");
    EXPECT_FALSE(job.dir.exists("T.101"));
}

TEST(Tramos, OutOfSheetPointsAreLoggedAndTheSegmentWritten) {
    Job job;
    std::string h = header_line('U', 30, 1000);
    job.sheets(h, {sheet_line("30SVK1234N")});
    job.dir.write("SVK1234N.bin", element_file({line("010101", {41400000, 442500000, 0, 41400001, 442450000, 0,
                                                                  41300000, 442400000, 0})}));
    job.run();
    EXPECT_EQ(job.log, "Transformando el fichero.. SVK1234N.bin\nFuera de hoja 41400001 442450000\n");
    EXPECT_EQ(job.volume(1).size(), 4u);
    EXPECT_EQ(job.dir.read("SVK1234N.T"), "");
}

TEST(Tramos, SheetFilesThatCannotBeOpenedSkipTheSheet) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002"), s3 = sheet_line("00HOJA0003");
    s1.replace(74, 6, "  keep");
    job.sheets(kHeader, {s1, s2, s3});
    ::mkdir(job.dir.file("HOJA0002.T").c_str(), 0755);  // its marker file cannot be created
    job.dir.write("HOJA0002.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    job.dir.write("HOJA0003.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    job.run();
    EXPECT_EQ(job.end, RunEnd::Completed);
    EXPECT_EQ(job.volume(1), cat({{vol_header(1, 1, 1), s1, s2, sheet_rec(s3, 1), head("010101", 1, 2)},
                                  coords({1, 2, 3, 4, 5, 6})}));
    EXPECT_EQ(job.fe.messages, (std::vector<std::string>{"No se puede abrir el archivo... HOJA0001.bin\n",
                                                         "No se puede abrir el archivo... HOJA0002.T\n"}));
    EXPECT_EQ(job.log, "Error no se puede abrir el archivo... HOJA0001.bin\n"
                       "Error no se puede abrir el archivo... HOJA0002.T\n"
                       "Transformando el fichero.. HOJA0003.bin\n");
    EXPECT_TRUE(job.dir.exists("HOJA0001.T"));  // created, and left empty
    EXPECT_EQ(job.dir.read("HOJA0001.T"), "");
}

TEST(Tramos, CancelClosesTheVolumeWellFormedAndFinishesA) {
    Job job;
    std::vector<Elem> many;
    for (int i = 1; i <= 400; ++i) many.push_back(line("010101", {1, 2, 3, 4, 5, 6}, {{1, i, ""}}));
    std::string s1 = sheet_line("00HOJA0001");
    job.sheets(kHeader, {s1, sheet_line("00HOJA0002")});
    job.dir.write("HOJA0001.bin", element_file(many));
    job.dir.write("HOJA0002.bin", element_file(many));
    volatile std::sig_atomic_t stop = 1;
    job.fe.stop = &stop;
    job.fe.stop_after_pumps = 5;
    job.run(&stop);
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    auto v = job.volume(1);
    ASSERT_GT(v.size(), 2u);
    long segments = static_cast<long>(v.size() - 2) / 2;
    ASSERT_GT(segments, 0);
    ASSERT_LT(segments, 400);
    EXPECT_EQ(v[0], vol_header(1, 1, segments));
    EXPECT_EQ(v[1], sheet_rec(s1, segments));
    EXPECT_EQ(v.back(), coords({1, 2, 3, 4, 5, 6})[0]);
    // Every record number written so far is in "A", and its count is set.
    std::string a = attrs_first(segments);
    for (long i = 1; i <= segments; ++i) a += arec("010101", i);
    EXPECT_EQ(job.attrs, a);
    EXPECT_FALSE(job.dir.exists("T.2"));
}

TEST(Tramos, AVolumeThatCannotBeCreatedEndsTheRunWithEverythingFinished) {
    Job job;
    std::string s1 = sheet_line("00HOJA0001"), s2 = sheet_line("00HOJA0002");
    job.sheets(kHeader, {s1, s2});
    job.dir.write("HOJA0001.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6}, {{1, 9, ""}})}));
    job.dir.write("HOJA0002.bin", element_file({line("010101", {1, 2, 3, 4, 5, 6})}));
    ::mkdir(job.dir.file("T.2").c_str(), 0755);
    job.opt.size_text = "0";
    job.run();
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    EXPECT_EQ(job.fe.messages, std::vector<std::string>{"No se puede abrir el archivo  T.2\n"});
    EXPECT_EQ(job.volume(1), cat({{vol_header(1, 1, 1), sheet_rec(s1, 1), head("010101", 1, 2, field("010101", 9))},
                                  coords({1, 2, 3, 4, 5, 6})}));
    EXPECT_EQ(job.attrs, attrs_first(1) + arec("010101", 9));
    EXPECT_EQ(job.log, kOpened);
}

TEST(Tramos, NoFirstVolumeStillLeavesAWellFormedA) {
    Job job;
    job.one_sheet({line("010101", {1, 2, 3, 4, 5, 6})});
    ::mkdir(job.dir.file("T.1").c_str(), 0755);
    job.run();
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    EXPECT_EQ(job.fe.messages, std::vector<std::string>{"No se puede abrir el archivo  T.1\n"});
    std::string first = kHeader;
    first[0] = 'A';
    EXPECT_EQ(job.attrs, first.substr(0, 74) + "000000\n");
}

TEST(Tramos, BadSheetNameStopsAfterEarlierSheets) {
    Job job;
    std::string h = header_line('U', 30, 1000);
    std::string s1 = sheet_line("30SVK1234N"), s2 = sheet_line("31SVK1234N");
    job.sheets(h, {s1, s2});
    job.dir.write("SVK1234N.bin", element_file({line("010101", {41300001, 442450001, 3, 41300002, 442450002, 3})}));
    job.run();
    EXPECT_EQ(job.end, RunEnd::EndedEarly);
    EXPECT_EQ(job.fe.messages, std::vector<std::string>{"Error en nombre hoja 31SVK1234N  K"});
    auto v = job.volume(1);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0], vol_header(1, 1, 1, h));
    EXPECT_EQ(v[1], sheet_rec(s1, 1));
    EXPECT_EQ(v[4], s2);  // the stopped sheet keeps its record as written
    EXPECT_EQ(job.attrs, attrs_first(0, h));
}

TEST(Tramos, FilesOfTheRunThatCannotBeOpenedEndItAtOnce) {
    struct Case {
        const char* blocked;  // made a directory
        std::string message;
    } cases[] = {
        {"T.err", "No se puede abrir el archivo  T.err"},
        {"A", "No se puede abrir el archivo de Atributos"},
        {"TREN", "No se puede abrir el archivo  TREN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocked);
        Job job;
        if (std::string(c.blocked) != "TREN") job.one_sheet({});
        else job.dir.write("TREN", "");
        std::remove(job.dir.file(c.blocked).c_str());
        ::mkdir(job.dir.file(c.blocked).c_str(), 0755);
        job.run();
        EXPECT_EQ(job.end, RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{c.message});
        EXPECT_FALSE(job.dir.exists("T.1"));
    }
}

TEST(Tramos, EmptySheetListAndForeignModalidad) {
    struct Case {
        std::string sheet_list;
        std::string message;
        std::size_t volume_size;
    } cases[] = {
        {"", "El archivo DbVexo TREN est\xE1 vac\xEDo", 0},
        {header_line(' ', 30, 2000) + "\n" + sheet_line("00HOJA0001") + "\n",
         "Error en la cabecera: modalidad ' ' no es U ni R, no se leen las hojas", 80},
    };
    for (const auto& c : cases) {
        Job job;
        job.dir.write("TREN", c.sheet_list);
        job.run();
        EXPECT_EQ(job.end, RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(job.dir.read("T.1").size(), c.volume_size);
    }
}

TEST(Tramos, CodeSelectionAndSizeText) {
    std::vector<std::string> codes;
    std::string bad;
    EXPECT_TRUE(parse_code_selection("160202,030102", codes, bad));
    EXPECT_EQ(codes, (std::vector<std::string>{"030102", "160202"}));  // list order
    EXPECT_TRUE(parse_code_selection("", codes, bad));
    EXPECT_TRUE(codes.empty());
    EXPECT_FALSE(parse_code_selection("030102,010101", codes, bad));
    EXPECT_EQ(bad, "010101");
    EXPECT_FALSE(parse_code_selection("030102,", codes, bad));

    struct Size {
        const char* text;
        std::int64_t bytes;
    } sizes[] = {{"500", 500LL * 1048576}, {"  12x", 12LL * 1048576}, {"", 0},       {"abc", 0},
                 {"-3", 0},                {"4096", 4096LL * 1048576}, {"99999999999999999999", INT64_MAX}};
    for (const auto& s : sizes) EXPECT_EQ(size_limit_bytes(s.text), s.bytes) << s.text;
}

TEST(TramosCli, OptionsExitStatusAndMessages) {
    Job job;
    job.one_sheet({line("030102", {1, 2, 3, 4, 5, 6})});
    // --codes= selects none: no attribute check, a clean log.
    Result r = run_program(bin("tramos"), {"--codes=", "--size", "1"}, job.dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(job.dir.read("T.err"), kOpened);
    r = run_program(bin("tramos"), {"--codes", "060102,030102"}, job.dir.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(job.dir.read("T.err"), kOpened + "*030102     1 E.Lineal=0\n");

    r = run_program(bin("tramos"), {"--codes", "030102,999999"}, job.dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'999999' is not in the linear-entity code list"), std::string::npos);

    TempDir other;
    r = run_program(bin("tramos"), {"-C", job.dir.path, "NOHAY"}, other.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No se puede abrir el archivo  NOHAY\n");
}
