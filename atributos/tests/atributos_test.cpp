// Tests of the street fill: streets file reading, record filling, the files
// it refuses, the replacement of the attributes file, and the round trip from tramos.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "atributos/atributos.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

const std::string kFirst = rec80("A" + header_line('U', 30, 2000).substr(1, 73) + "000003");

// An attributes record as tramos writes it, without its line feed.
std::string arec(const char* code, long r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%010ld", code, r);
    return buf + std::string(52, ' ');
}
// A filled record: texts at columns 18 and 25, each followed by a blank, cut at 80.
std::string filled(const std::string& record, std::string_view short_text, std::string_view long_text) {
    std::string r = rec80(record);
    r.replace(17, short_text.size() + 1, std::string(short_text) + " ");
    std::string tail = std::string(long_text) + " ";
    r.replace(24, std::min<std::size_t>(tail.size(), 56), tail.substr(0, 56));
    return r;
}
std::string lines(const std::vector<std::string>& l, const char* end = "\n") {
    std::string s;
    for (const auto& x : l) s += x + end;
    return s;
}
std::string joined(const std::vector<std::string>& l) {
    std::string s;
    for (const auto& x : l) s += x;
    return s;
}

struct Fill {
    TempDir dir;
    RecordingFrontEnd fe;
    AtributosOptions opt;
    RunEnd end{};
    std::string run() {
        ChangeDir cd(dir.path);
        Hooks hooks{&fe, nullptr};
        end = atributos_run(hooks, opt);
        return dir.read(opt.attributes);
    }
};

}  // namespace

TEST(Atributos, RecordsTakeTheTextsOfTheirStreet) {
    const std::string long57(57, 'L');
    struct Case {
        const char* name;
        std::string streets;
        std::vector<std::string> in;    // attributes records (lines)
        std::vector<std::string> want;  // records after the fill
    } cases[] = {
        {"record number 123 takes street 123; the code in columns 1-6 plays no part",
         "123 MAYOR \"CALLE MAYOR\"\n",
         {arec("030102", 123), arec("999999", 123), arec("030102", 124)},
         {filled(arec("030102", 123), "MAYOR", "CALLE MAYOR"), filled(arec("999999", 123), "MAYOR", "CALLE MAYOR"),
          rec80(arec("030102", 124))}},
        {"the first line of a repeated code wins",
         "7 UNO PRIMERA\n7 DOS SEGUNDA\n",
         {arec("030102", 7)},
         {filled(arec("030102", 7), "UNO", "PRIMERA")}},
        {"a first token without digits reads 0 and matches record number 0",
         "SIN NOMBRE CERO\n",
         {arec("030102", 0)},
         {filled(arec("030102", 0), "NOMBRE", "CERO")}},
        {"three characters leave columns 22-24 blank",
         "5 AVD AVENIDA\n",
         {arec("030102", 5)},
         {rec80(arec("030102", 5).substr(0, 17) + "AVD    AVENIDA")}},
        {"a long text of 57 characters shows its first 56",
         "6 CL " + long57 + "\n",
         {arec("030102", 6)},
         {rec80(arec("030102", 6).substr(0, 17) + "CL     " + long57.substr(0, 56))}},
        {"unquoted words: only the first is the long text; quotes group blanks and commas",
         "8,CL,CALLE DE LA PAZ\n9 , \" PZA \" , \"PLAZA MAYOR, 1\"\n",
         {arec("030102", 8), arec("030102", 9)},
         {filled(arec("030102", 8), "CL", "CALLE"), filled(arec("030102", 9), "PZA", "PLAZA MAYOR, 1")}},
        {"texts longer than their entries are cut",
         "10 CALLEJON \"" + std::string(70, 'X') + "\"\n11 CALLEJON\n",
         {arec("030102", 10), arec("030102", 11)},
         {rec80(arec("030102", 10).substr(0, 17) + "CALLEJO" + std::string(56, 'X')),
          rec80(arec("030102", 11).substr(0, 17) + "CALLEJO")}},
        {"short lines: the number is read where the line has it",
         "0 CERO VACIA\n42 XX YY\n",
         {"0301", "030102000000004", "03010200000000421"},
         {filled("0301", "CERO", "VACIA"), rec80("030102000000004"), filled("03010200000000421", "XX", "YY")}},
        {"a streets file whose last line has no line end, with CRLF lines",
         "1 A UNO\r\n2 B DOS",
         {arec("030102", 1), arec("030102", 2)},
         {filled(arec("030102", 1), "A", "UNO"), filled(arec("030102", 2), "B", "DOS")}},
        {"an empty streets file: records only become 80 characters", "", {arec("030102", 1)}, {rec80(arec("030102", 1))}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fill f;
        f.dir.write("A", lines({kFirst}) + lines(c.in));
        f.dir.write("CALLES", c.streets);
        std::string out = f.run();
        EXPECT_EQ(f.end, RunEnd::Completed);
        std::vector<std::string> want = {kFirst};
        want.insert(want.end(), c.want.begin(), c.want.end());
        EXPECT_EQ(out, joined(want));
        EXPECT_FALSE(f.dir.exists("tempo.$$$"));
        EXPECT_TRUE(f.fe.messages.empty());
    }
}

TEST(Atributos, StatusLineWithoutEventsAndAMissingStreetsFile) {
    Fill f;
    f.dir.write("A", lines({kFirst, arec("030102", 1)}, "\r\n"));
    f.dir.write("CALLES", "1 A UNO\n");
    f.run();
    EXPECT_EQ(f.fe.statuses, (std::vector<std::string>{"Cargando el fichero de calles. CALLES", ""}));
    EXPECT_EQ(f.fe.pumps, 0);

    Fill none;
    none.dir.write("A", lines({kFirst, arec("030102", 1)}));
    EXPECT_EQ(none.run(), kFirst + rec80(arec("030102", 1)));
    EXPECT_EQ(none.end, RunEnd::Completed);
    EXPECT_TRUE(none.fe.messages.empty());
    EXPECT_TRUE(none.fe.statuses.empty());
}

TEST(Atributos, AFilledFileIsFilledAgainRecordByRecord) {
    Fill f;
    f.dir.write("A", lines({kFirst, arec("030102", 1), arec("030102", 2)}));
    f.dir.write("CALLES", "1 CL \"CALLE DE LA ESTACION\"\n2 AV AVENIDA\n");
    std::string once = f.run();
    EXPECT_EQ(once, kFirst + filled(arec("030102", 1), "CL", "CALLE DE LA ESTACION") +
                        filled(arec("030102", 2), "AV", "AVENIDA"));
    EXPECT_EQ(f.run(), once);  // a second run changes nothing

    // A changed street replaces the texts whole; unmatched records stay.
    f.dir.write("CALLES", "1 C CORTA\n");
    EXPECT_EQ(f.run(), kFirst + filled(arec("030102", 1), "C", "CORTA") + filled(arec("030102", 2), "AV", "AVENIDA"));

    // A last record cut short is padded with blanks.
    f.dir.write("A", kFirst + "0301020000000001");
    EXPECT_EQ(f.run(), kFirst + filled("0301020000000001", "C", "CORTA"));
}

TEST(Atributos, InputsThatAreNotFilledLeaveEverythingAsItWas) {
    struct Case {
        const char* name;
        std::string attributes;  // empty name: no file
        std::string message;
    } cases[] = {
        {"missing", "", "No se puede abrir el archivo  A"},
        {"empty", "\x01", "El archivo de atributos A est\xE1 vac\xEDo"},
        {"a long first line", std::string(84, 'H') + "\n" + arec("030102", 1) + "\n",
         "El archivo de atributos A tiene una l\xEDnea de m\xE1s de 83 caracteres (l\xEDnea 1); no se cambia"},
        {"a long third line", lines({kFirst, arec("030102", 1), std::string(84, 'R')}),
         "El archivo de atributos A tiene una l\xEDnea de m\xE1s de 83 caracteres (l\xEDnea 3); no se cambia"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fill f;
        f.dir.write("CALLES", "1 A UNO\n");
        std::string before = c.attributes == "\x01" ? "" : c.attributes;
        if (!c.attributes.empty()) f.dir.write("A", before);
        std::string after = f.run();
        EXPECT_EQ(f.end, RunEnd::EndedEarly);
        EXPECT_EQ(f.fe.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(after, before);
        EXPECT_FALSE(f.dir.exists("tempo.$$$"));
    }
    // Lines of 83 characters are still records.
    Fill ok;
    ok.dir.write("A", lines({std::string(83, 'H'), std::string(83, 'R')}));
    EXPECT_EQ(ok.run(), std::string(80, 'H') + std::string(80, 'R'));
}

TEST(Atributos, TemporaryFileBesideTheAttributesFile) {
    Fill f;
    ::mkdir(f.dir.file("sub").c_str(), 0755);
    ::mkdir(f.dir.file("sub/tempo.$$$").c_str(), 0755);  // cannot be created
    f.dir.write("sub/A", lines({kFirst, arec("030102", 1)}));
    f.dir.write("CALLES", "1 A UNO\n");
    f.opt.attributes = "sub\\a";  // a Windows name, and another letter case
    f.run();
    EXPECT_EQ(f.end, RunEnd::EndedEarly);
    EXPECT_EQ(f.fe.messages, std::vector<std::string>{"No se puede abrir el archivo temporal"});
    EXPECT_EQ(f.dir.read("sub/A"), lines({kFirst, arec("030102", 1)}));

    ::rmdir(f.dir.file("sub/tempo.$$$").c_str());
    f.fe.messages.clear();
    f.run();
    EXPECT_EQ(f.end, RunEnd::Completed);
    EXPECT_EQ(f.dir.read("sub/A"), kFirst + filled(arec("030102", 1), "A", "UNO"));
    EXPECT_FALSE(f.dir.exists("sub/tempo.$$$"));
    EXPECT_FALSE(f.dir.exists("sub/a"));
}

TEST(Atributos, RoundTripFromTramos) {
    TempDir dir;
    std::string h = header_line('U', 30, 2000);
    dir.write("TREN", h + "\n" + sheet_line("00HOJA0001") + "\n");
    dir.write("CATASTRO.TAB", "*\n");
    dir.write("HOJA0001.bin",
              element_file({line("030102", {1, 2, 3, 4, 5, 6}, {{1, 501, ""}, {1, 502, "030202"}}),
                            line("060102", {1, 2, 3, 4, 5, 6}, {{1, 501, ""}}),
                            line("160201", {1, 2, 3, 4, 5, 6}, {{1, 777, ""}})}));
    dir.write("CALLES", "501 CL \"CALLE REAL\"\n502,AV,\"AVENIDA DEL PUERTO\"\n");
    Result t = run_program(bin("tramos"), {}, dir.path);
    ASSERT_EQ(t.status, 0) << t.err;
    std::string first = "A" + h.substr(1, 73) + "000003";
    first.replace(17, 2, "01");
    EXPECT_EQ(dir.read("A"), first + "\n" + arec("030102", 501) + "\n" + arec("030202", 502) + "\n" +
                                 arec("160201", 777) + "\n");
    Result a = run_program(bin("atributos"), {"A", "CALLES"}, dir.path);
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(dir.read("A"), first + filled(arec("030102", 501), "CL", "CALLE REAL") +
                                 filled(arec("030202", 502), "AV", "AVENIDA DEL PUERTO") + rec80(arec("160201", 777)));
}

TEST(AtributosCli, ArgumentsAndExitStatus) {
    TempDir dir, elsewhere;
    dir.write("ATR", lines({kFirst, arec("030102", 4)}));
    dir.write("CAL", "4 X EQUIS\n");
    Result r = run_program(bin("atributos"), {"-C", dir.path, "ATR", "CAL"}, elsewhere.path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.read("ATR"), kFirst + filled(arec("030102", 4), "X", "EQUIS"));
    r = run_program(bin("atributos"), {}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No se puede abrir el archivo  A\n");
    r = run_program(bin("atributos"), {"A", "B", "C"}, dir.path);
    EXPECT_EQ(r.status, 2);
}
