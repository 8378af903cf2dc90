// superficies_test.cpp - the surfaces export over small jobs with real dBase tables: S, S.err and markers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "dbase/tests/dbf_fixture.h"
#include "superficies/superficies.h"
#include "testsupport/fixtures.h"
#include "tramos/marker.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;  // inside sheet 30SVK1234N
const std::string kXY = "41350000 442470000";
const std::string kUrbanSheet = sheet_line("30SVK1234N");
const std::string kRuralSheet = rec80("/47123045");  // polygon 045 of sheet 47123045

const std::vector<FieldDef> kFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5},  {"PARCELA", 'N', 6},
                                       {"EJE_VIA", 'N', 6},   {"NPOLICIA", 'C', 6}, {"DUPLICADO", 'C', 1},
                                       {"RUSTICA", 'C', 14}};

using Row = std::vector<std::string>;  // REGISTRO, MANZANA, PARCELA, EJE_VIA, NPOLICIA, DUPLICADO, RUSTICA

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// A label referencing records of table 2.
Elem label(const std::string& code, const std::string& txt, std::vector<int> records = {1}, std::int32_t x = X,
           std::int32_t y = Y) {
    std::vector<Ref> refs;
    for (int r : records) refs.push_back({2, r, ""});
    return text(code, x, y, txt, 250, 0, 0, refs);
}

// The (x, y) of each error marker of a marker file; every marker is checked whole.
std::vector<std::pair<long, long>> marker_points(const std::string& bytes) {
    std::vector<std::pair<long, long>> pts;
    EXPECT_EQ(bytes.size() % kMarkerSize, 0u);
    for (std::size_t at = 0; at + kMarkerSize <= bytes.size(); at += kMarkerSize) {
        auto p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        long x = load_i32(p + 48), y = load_i32(p + 52);
        unsigned char want[kMarkerSize];
        build_error_marker(want, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0);
        EXPECT_EQ(std::memcmp(want, p, kMarkerSize), 0) << "marker at " << x << " " << y;
        pts.emplace_back(x, y);
    }
    return pts;
}

struct Sheet {
    std::string line, file;
    std::vector<Elem> elems;
};

// One job in a fresh directory: sheet list, code table, element files,
// CATDBS.DBF with table 2 PARCELAS.DBF, and optionally REFCAT.TXT.
struct Job {
    TempDir d;
    char modalidad;
    int escala;
    std::vector<Sheet> sheets;
    std::vector<Row> rows = {{"1", "35471", "7", "123", "12B", "", "RUST0000000001"}};
    SuperficiesOptions opt;
    RecordingFrontEnd fe;
    volatile std::sig_atomic_t stop = 1;

    explicit Job(char mod = 'U', int esc = 1000) : modalidad(mod), escala(esc) {
        d.write("CATASTRO.TAB", "14*\n12*\n13*\n");
        opt.db_dir = d.path;
        opt.refs_path = d.path + "/REFCAT.TXT";
    }
    // Adds a sheet: its line names its element file by modalidad.
    void sheet(std::vector<Elem> elems, std::string line = "") {
        if (line.empty()) line = modalidad == 'R' ? kRuralSheet : kUrbanSheet;
        std::string base = modalidad == 'R' ? line.substr(1, 8) : line.substr(3, 8);
        sheets.push_back({line, base, std::move(elems)});
    }
    RunEnd run() {
        std::string tren = header_line(modalidad, 30, escala) + "\n";
        for (const auto& s : sheets) {
            tren += s.line + "\n";
            d.write(s.file + ".bin", element_file(s.elems));
        }
        d.write("TREN", tren);
        if (!d.exists("CATDBS.DBF")) d.write("CATDBS.DBF", dbf_catalog({{2, "PARCELAS"}}));
        if (!d.exists("PARCELAS.DBF")) d.write("PARCELAS.DBF", dbf_table_of(kFields, rows));
        ChangeDir cd(d.path);
        fe.stop = &stop;
        Hooks hooks{&fe, &stop};
        return superficies_run(hooks, opt);
    }
    std::string s() const { return d.read("S"); }
    std::vector<std::string> recs() const { return records(d.read("S")); }
    std::string log() const { return d.read("S.err"); }
    // The log after its first "***** FICHERO" line.
    std::string sheet_log() const {
        std::string l = log();
        std::size_t at = l.find("***** FICHERO ****** ");
        return at == std::string::npos ? l : l.substr(l.find('\n', at) + 1);
    }
    std::vector<std::pair<long, long>> markers(const std::string& file) const {
        return marker_points(d.read(file + ".S"));
    }
};

// The data records of a job of one sheet (header and sheet record dropped).
std::vector<std::string> data_records(Job& job) {
    auto r = job.recs();
    if (!r.empty()) r.erase(r.begin());
    if (!r.empty() && r[0][0] == '/') r.erase(r.begin());
    return r;
}

std::string common(const char* code6, long seq, long x = X, long y = Y) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "*%s%06ld30%08ld%09ld", code6, seq, x, y);
    return buf;
}

}  // namespace

TEST(Superficies, KindPartsOfAnUrbanJob) {
    struct Case {
        const char* name;
        Elem elem;
        std::string kind_part;  // empty: no record
    } cases[] = {
        {"block", label("145101", "35471"), blanks(23) + "35471" + "00" + "VK1234N" + blanks(11)},
        {"urban parcel", label("145201", "7"), blanks(23) + "35471" + "07" + "VK1234N" + " " + "00123" + "0012" + "B"},
        {"urban subparcel", label("145501", "II+TZA"),
         "II+TZA     " + blanks(12) + "35471" + "07" + "VK1234N" + blanks(11)},
        {"subparcel text cut to 11", label("145501", "III+POR+TZA+B"),
         "III+POR+TZA" + blanks(12) + "35471" + "07" + "VK1234N" + blanks(11)},
        {"polygon: blank polygon code", label("125101", "45"), blanks(7) + blanks(8) + "000000000" + blanks(24)},
        {"rural parcel", label("125201", "7"), blanks(7) + blanks(8) + "07   " + blanks(18) + "00123" + "0012" + "B"},
        {"rural subparcel", label("125501", "a"),
         blanks(7) + blanks(8) + "07   " + "   a" + blanks(14) + "00123" + "0012" + "B"},
        {"rural subparcel class 2", label("125502", "abcdef"),
         blanks(7) + blanks(8) + "07   " + "abcd" + blanks(14) + "00123" + "0012" + "B"},
        {"other surface", label("145102", "ABCDEFGHIJ"), "ABCDEFGHIJ" + blanks(38)},
        {"other surface cut to 11", label("136001", "ABCDEFGHIJKLMNOP"), "ABCDEFGHIJK" + blanks(37)},
        {"subgroup 40", label("144001", "A"), "A" + blanks(47)},
        {"subgroup 69", label("146901", "A"), "A" + blanks(47)},
        {"subgroup 39", label("143901", "A"), ""},
        {"subgroup 70", label("147001", "A"), ""},
        {"group 0", label("004501", "A"), ""},
        {"blank text", label("145201", "     "), ""},
    };
    for (const auto& c : cases) {
        Job job;
        job.sheet({c.elem});
        ASSERT_EQ(job.run(), RunEnd::Completed) << c.name;
        auto r = data_records(job);
        if (c.kind_part.empty()) {
            EXPECT_TRUE(r.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(r.size(), 1u) << c.name;
        EXPECT_EQ(r[0], common(c.elem.code.c_str(), 1) + c.kind_part) << c.name;
    }
}

TEST(Superficies, KindPartsOfARuralJob) {
    struct Case {
        const char* name;
        Elem elem;
        std::string kind_part;
    } cases[] = {
        {"block: blank sheet code", label("145101", "35471"), blanks(23) + "35471" + "00" + blanks(7) + blanks(11)},
        {"urban parcel, rural variant", label("145201", "PARCELA-TEXTO-LARGO"),
         blanks(7) + "47123045" + blanks(9) + "PARCELA-TEXTO-" + "000010000 "},
        {"urban subparcel, rural variant", label("145501", "ABCDEFGHI"),
         "ABCDEFG" + std::string("47123045") + blanks(9) + "RUST0000000001" + "000000000 "},
        {"polygon", label("125101", "45"), blanks(7) + "47123045" + "000000000" + blanks(24)},
        {"rural parcel", label("125201", "7"), blanks(7) + "47123045" + "00007" + blanks(18) + "00123" + "0012" + "B"},
        {"rural subparcel", label("125501", "a"),
         blanks(7) + "47123045" + "00007" + "   a" + blanks(14) + "00123" + "0012" + "B"},
        {"other surface cut to 7", label("145102", "ABCDEFGHIJ"), "ABCDEFG" + blanks(41)},
    };
    for (const auto& c : cases) {
        Job job('R', 5000);
        job.sheet({c.elem});
        ASSERT_EQ(job.run(), RunEnd::Completed) << c.name;
        auto r = data_records(job);
        ASSERT_EQ(r.size(), 1u) << c.name;
        EXPECT_EQ(r[0], common(c.elem.code.c_str(), 1) + c.kind_part) << c.name;
    }
}

TEST(Superficies, WholeFilesOfAJob) {
    Job job('U', 5000);
    job.rows = {{"1", "35471", "7", "123", "12B", "", ""}, {"2", "35471", "8", "5", "3", "", ""}};
    std::string south = sheet_line("30SVK1234S"), next = sheet_line("30SVK1235N"), west = sheet_line("30SVK1134N");
    job.sheet({label("145201", "7", {1}), line("999999", {X + 5, Y + 6, 0}), label("145201", "8", {2})});
    job.sheet({label("145201", "   "), label("145201", "")}, south);  // only empty labels: no sheet record
    job.sheet({label("145201", "7", {1}), label("145201", "7", {1})}, next);
    job.sheet({label("145201", "")}, west);  // last sheet without records: cut away
    ASSERT_EQ(job.run(), RunEnd::Completed);

    std::string head = header_line('U', 30, 5000);
    head[0] = 'S';
    std::string part7 = blanks(23) + "35471" + "07" + "VK1234N" + " 00123" + "0012B";
    std::string part8 = blanks(23) + "35471" + "08" + "VK1234N" + " 00005" + "0003 ";
    std::string part7_next = blanks(23) + "35471" + "07" + "VK1235N" + " 00123" + "0012B";
    std::string want = head.substr(0, 74) + "     4" + kUrbanSheet.substr(0, 74) + "     2" + "*14520100000130" +
                       "41350000442470000" + part7 + common("145201", 2) + part8 + next.substr(0, 74) + "     2" +
                       common("145201", 3) + part7_next + common("145201", 4) + part7_next;
    EXPECT_EQ(job.s(), want);
    const std::string dup = "REFERENCIA CATASTRAL DUPLICADA  " + kXY + " 35471 07   123  12B\n";
    EXPECT_EQ(job.log(), "No se puede abrir el archivo  " + job.d.path + "/REFCAT.TXT\n" +
                             "***** FICHERO ****** SVK1234N.bin\n"
                             "***** FICHERO ****** SVK1234S.bin\n"
                             "***** FICHERO ****** SVK1235N.bin\n" +
                             dup + dup + "***** FICHERO ****** SVK1134N.bin\n");
    // The unknown code is marked at its first point; every sheet has its marker file.
    EXPECT_EQ(job.markers("SVK1234N"), (std::vector<std::pair<long, long>>{{X + 5, Y + 6}}));
    EXPECT_TRUE(job.d.exists("SVK1234S.S"));
    EXPECT_EQ(job.markers("SVK1234S").size(), 0u);
    EXPECT_EQ(job.markers("SVK1235N"), (std::vector<std::pair<long, long>>{{X, Y}, {X, Y}}));
    EXPECT_TRUE(job.d.exists("SVK1134N.S"));
    EXPECT_TRUE(job.fe.messages.empty());
    EXPECT_EQ(job.fe.statuses.front(), "Leyendo el fichero  SVK1234N.bin");
    EXPECT_EQ(job.fe.statuses.back(), "");
}

TEST(Superficies, ElementSteps) {
    Job job;
    job.d.write("CATASTRO.TAB", "145201\n145202\n");
    Elem hidden = label("145209", "7");
    hidden.marker = '#';  // consumed whole and ignored, but its code is still looked up
    Elem other_kind = line("999998", {X + 3, Y + 3, 0});
    other_kind.kind = 'X';  // no line or text, but its code is looked up too
    Elem no_points = line("999999", {});
    Elem one_point = label("145201", "");
    one_point.raw_area.clear();  // point count 1: no text
    job.sheet({
        line("999999", {X + 1, Y + 1, 0, X + 2, Y + 2, 0}),  // unknown line element: marked at its first point
        hidden,
        other_kind,
        no_points,                                      // unknown, no first point: no marker
        one_point,                                      // no text: no record
        label("145201", "7", {1}, X + 100001, Y),       // outside the sheet: logged, written all the same
        label("145202", "7"),                           // known code, surface label too
        label("145201", "7", {}),                       // same text and place as the next: two records
        label("145201", "7", {}),
    });
    ASSERT_EQ(job.run(), RunEnd::Completed);
    auto r = data_records(job);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].substr(0, 32), common("145201", 1, X + 100001, Y));
    EXPECT_EQ(r[1].substr(0, 32), common("145202", 2));
    EXPECT_EQ(r[2].substr(0, 32), common("145201", 3));
    EXPECT_EQ(r[3].substr(0, 32), common("145201", 4));
    EXPECT_EQ(job.markers("SVK1234N").front(), (std::pair<long, long>{X + 1, Y + 1}));
    EXPECT_EQ(job.markers("SVK1234N")[1], (std::pair<long, long>{X, Y}));  // the hidden label's code
    EXPECT_EQ(job.markers("SVK1234N")[2], (std::pair<long, long>{X + 3, Y + 3}));
    EXPECT_EQ(job.sheet_log().substr(0, 33), "Fuera de hoja 41450001 442470000\n");
}

// Each case: labels of one sheet, the records they reference, options, and
// the log and markers that the checks give.
TEST(Superficies, ChecksAndTheirOrder) {
    const std::string none_tail = kXY + blanks(14) + "0   0 \n";  // empty attributes
    struct Case {
        const char* name;
        char modalidad;
        std::vector<Elem> elems;
        std::vector<Row> rows;
        int options;  // 1 manzana duplicada, 2 ref catastral, 4 calle cero, 8 portal cero
        std::string log;
        std::size_t markers;
    } cases[] = {
        {"good urban parcel", 'U', {label("145201", "7")}, {{"1", "35471", "7", "1", "1", "", ""}}, 15, "", 0},
        {"good block", 'U', {label("145101", "35471")}, {{"1", "35471", "", "", "", "", ""}}, 15, "", 0},
        {"parcel without records, zero options on",
         'U',
         {label("145201", "5", {9}), label("145201", "0", {9})},
         {{"1", "35471", "7", "1", "1", "", ""}},
         12,
         "PARCELA CON  0 ATR  " + none_tail + "PARCELA CON Numero policia = 0  " + none_tail + "PARCELA CON VIA=0  " +
             none_tail + "DIFERENTE PARCELA EN DBASE     0 Y GRAFICO  5      " + none_tail +
             "MANZANA a CERO en Dbase  " + none_tail +
             // The second: its key 0 is already in the set.
             "PARCELA CON  0 ATR  " + none_tail + "PARCELA CON Numero policia = 0  " + none_tail + "PARCELA CON VIA=0  " +
             none_tail + "MANZANA a CERO en Dbase  " + none_tail + "REFERENCIA CATASTRAL DUPLICADA  " + none_tail,
         10},
        {"parcel zero options off", 'U', {label("145201", "7")}, {{"1", "35471", "7", "0", "0", "", ""}}, 3, "", 0},
        {"parcel with two records",
         'U',
         {label("145201", "7", {1, 1})},
         {{"1", "35471", "7", "1", "1", "", ""}},
         0,
         "PARCELA CON  2 ATR  " + kXY + " 35471 07     1   1 \n",
         1},
        {"parcel number differs",
         'U',
         {label("145201", "8")},
         {{"1", "35471", "7", "1", "1", "", ""}},
         0,
         "DIFERENTE PARCELA EN DBASE     7 Y GRAFICO  8      " + kXY + " 35471 07     1   1 \n",
         1},
        {"manzana with a letter first, then the kind's checks",
         'U',
         {label("145201", "8")},
         {{"1", "3A471", "7", "1", "1", "", ""}},
         0,
         "MANZANA No conforme a norma " + kXY + " 3A471\n" + "DIFERENTE PARCELA EN DBASE     7 Y GRAFICO  8      " +
             kXY + " 3A471 07     1   1 \n",
         2},
        {"urban parcel in a rural job: no parcel number comparison",
         'R',
         {label("145201", "99", {9})},
         {{"1", "35471", "7", "1", "1", "", ""}},
         12,
         "PARCELA CON  0 ATR  " + none_tail + "PARCELA CON Numero policia = 0  " + none_tail + "PARCELA CON VIA=0  " +
             none_tail + "MANZANA a CERO en Dbase  " + none_tail,
         4},
        {"block without records, all options",
         'U',
         {label("145101", "35471", {9})},
         {{"1", "35471", "", "", "", "", ""}},
         15,
         "MANZANA SIN ATR " + kXY + "      \n" + "LA MANZANA       DEBE SER  35471  " + kXY + "\n" +
             "DIFERENTE MANZANA EN DBASE <> Y GRAFICO <35471>  " + kXY + "\n",
         2},
        {"block not at its expected code: no marker",
         'U',
         {label("145101", "35472")},
         {{"1", "35472", "", "", "", "", ""}},
         2,
         "LA MANZANA 35472 DEBE SER  35471  " + kXY + "\n",
         0},
        {"short manzana never equals the expected code",
         'U',
         {label("145101", "3547")},
         {{"1", "3547", "", "", "", "", ""}},
         2,
         // Stored left-aligned, the manzana keeps a blank, which is no digit.
         "MANZANA No conforme a norma " + kXY + " 3547 \n" + "LA MANZANA 3547  DEBE SER  35471  " + kXY + "\n",
         1},
        {"repeated block with the option on",
         'U',
         {label("145101", "35471"), label("145101", "35471")},
         {{"1", "35471", "", "", "", "", ""}},
         1,
         "MANZANA DUPLICADA 35471 " + kXY + "\n",
         1},
        {"repeated block with the option off", 'U', {label("145101", "35471"), label("145101", "35471")},
         {{"1", "35471", "", "", "", "", ""}}, 0, "", 0},
        {"parcel 0 meets its block's key when blocks are entered",
         'U',
         {label("145101", "35471"), label("145201", "0")},
         {{"1", "35471", "0", "1", "1", "", ""}},
         1,
         "REFERENCIA CATASTRAL DUPLICADA  " + kXY + " 35471 00     1   1 \n",
         1},
        {"parcel 0 and its block apart when blocks are not entered", 'U',
         {label("145101", "35471"), label("145201", "0")}, {{"1", "35471", "0", "1", "1", "", ""}}, 0, "", 0},
        {"subparcel checks",
         'U',
         {label("145501", "II-", {}), label("145501", "-I"), label("145501", "IIC+POR+TZA+B")},
         {{"1", "35471", "7", "1", "1", "", ""}},
         0,
         "VOLUMEN NO ENCONTRADO EN TABLA (II-        )  " + none_tail + "SUBPARCELA CON  0 ATR  (II-        )  " +
             none_tail + "VOLUMEN NO ENCONTRADO EN TABLA (IIC+POR+TZA)  " + kXY + " 35471 07     1   1 \n",
         3},
        {"subparcel in a rural job has no checks", 'R', {label("145501", "II-", {})}, {}, 0, "", 0},
        {"polygon and other surfaces have no checks", 'U', {label("125101", "X", {}), label("145102", "Y", {})}, {},
         15, "", 0},
        {"rural parcel checks",
         'R',
         {label("125201", "8", {1, 1}), label("125201", "7", {2})},
         {{"1", "00046", "7", "12", "3b", "", ""}, {"2", "   45", "7", "", "", "", ""}},
         0,
         "*125201     130" + kXY.substr(0, 8) + "442470000" + blanks(7) + "47123045" + "00007" + blanks(18) +
             "000120003B\n\nPARCELA CON  2 ATR\n\n" + "*125201     130" + "41350000442470000" + blanks(7) + "47123045" +
             "00007" + blanks(18) + "000120003B\n\nDIFERENTE PARCELA EN DBASE     7 Y GRAFICO  8    \n\n" +
             "*125201     130" + "41350000442470000" + blanks(7) + "47123045" + "00007" + blanks(18) +
             "000120003B\n\nPOLIGONO ERRONEO en Dbase\n\n" +
             // Same key 45 x 100000 + 7 is new; the second label is clean but for its key.
             "",
         3},
        {"rural parcel repeated",
         'R',
         {label("125201", "7"), label("125201", "7")},
         {{"1", "00045", "7", "", "", "", ""}},
         0,
         "*125201     230" + std::string("41350000442470000") + blanks(7) + "47123045" + "00007" + blanks(18) +
             "000000000 \n\nREFERENCIA CATASTRAL DUPLICADA\n\n",
         1},
        {"rural subparcel without records",
         'R',
         {label("125502", "abcdef", {})},
         {},
         0,
         "*125502     130" + std::string("41350000442470000") + blanks(7) + "47123045" + blanks(5) + "abcd" +
             blanks(14) + "000000000 \n\nSUBPARCELA CON  0 ATR\n\n",
         1},
    };
    for (const auto& c : cases) {
        Job job(c.modalidad, c.modalidad == 'R' ? 5000 : 1000);
        job.rows = c.rows;
        if (job.rows.empty()) job.rows = {{"1", "", "", "", "", "", ""}};
        job.opt.manzana_duplicada = c.options & 1;
        job.opt.ref_catastral = c.options & 2;
        job.opt.calle_cero = c.options & 4;
        job.opt.portal_cero = c.options & 8;
        job.sheet(c.elems);
        ASSERT_EQ(job.run(), RunEnd::Completed) << c.name;
        EXPECT_EQ(job.sheet_log(), c.log) << c.name;
        std::string file = c.modalidad == 'R' ? "47123045" : "SVK1234N";
        EXPECT_EQ(job.markers(file).size(), c.markers) << c.name;
        for (const auto& p : job.markers(file)) EXPECT_EQ(p, (std::pair<long, long>{X, Y})) << c.name;
        EXPECT_EQ(data_records(job).size(), c.elems.size()) << c.name;  // every record is written
    }
}

TEST(Superficies, DuplicateKeysAcrossSheetsAndRuns) {
    Job job('U', 5000);
    job.sheet({label("145201", "7")});
    job.sheet({label("145201", "7")}, sheet_line("30SVK1234S"));
    job.rows = {{"1", "35471", "7", "1", "1", "", ""}};
    ASSERT_EQ(job.run(), RunEnd::Completed);
    EXPECT_EQ(job.markers("SVK1234N").size(), 0u);
    EXPECT_EQ(job.markers("SVK1234S").size(), 1u);
    EXPECT_NE(job.log().find("***** FICHERO ****** SVK1234S.bin\nREFERENCIA CATASTRAL DUPLICADA  "), std::string::npos);
    // A new run starts with an empty set: the same job gives the same files.
    std::string first_log = job.log(), first_s = job.s();
    ASSERT_EQ(job.run(), RunEnd::Completed);
    EXPECT_EQ(job.log(), first_log);
    EXPECT_EQ(job.s(), first_s);
}

TEST(Superficies, ReferencesFile) {
    struct Case {
        const char* name;
        std::string refcat;  // "-": no file
        std::string sheet_code;
        std::string log;  // before the FICHERO line
        bool not_found_line;
    } cases[] = {
        {"registered under another sheet", "123456 3547107 VK9999S\n", "VK9999S", "", false},
        {"first matching line wins", "999999 3547107 VK0000S\n123456 3547107 VK9999S\n123456 3547107 VK8888S\n",
         "VK9999S", "", false},
        {"no matching line", "123456 3547108 VK9999S\n", "VK1234N", "", true},
        {"matching line without a third token", "123456 3547107\n", "       ", "", false},
        {"no references file", "-", "VK1234N", "No se puede abrir el archivo  %s/REFCAT.TXT\n", false},
    };
    for (const auto& c : cases) {
        Job job;
        if (c.refcat != "-") job.d.write("REFCAT.TXT", c.refcat);
        job.sheet({label("145201", "7"), label("145101", "35471"), label("145501", "II")});
        ASSERT_EQ(job.run(), RunEnd::Completed) << c.name;
        auto r = data_records(job);
        ASSERT_EQ(r.size(), 3u) << c.name;
        for (const auto& rec : r) EXPECT_EQ(rec.substr(62, 7), c.sheet_code) << c.name;
        std::string log = c.log;
        if (auto at = log.find("%s"); at != std::string::npos) log.replace(at, 2, job.d.path);
        EXPECT_EQ(job.log().substr(0, job.log().find("*****")), log) << c.name;
        std::string missing = "Error la parcela 3547107 no esta en el fichero alfanum\xE9rico\n";
        EXPECT_EQ(job.sheet_log(), c.not_found_line ? missing : "") << c.name;
    }
}

TEST(Superficies, ValuesThatDoNotFitRefuseTheRecord) {
    struct Case {
        const char* name;
        char modalidad;
        Elem elem;
        Row row;
        std::string log;
    } cases[] = {
        {"EJE_VIA above 99999", 'U', label("145201", "7"), {"1", "35471", "7", "100000", "1", "", ""},
         "Error EJE_VIA=100000 no cabe en el registro, no se escribe 145201 >7< " + kXY + "\n"},
        {"NPOLICIA above 9999", 'U', label("145201", "7"), {"1", "35471", "7", "1", "10000B", "", ""},
         "Error NPOLICIA=10000 no cabe en el registro, no se escribe 145201 >7< " + kXY + "\n"},
        {"negative EJE_VIA", 'R', label("125501", "a"), {"1", "45", "7", "-5", "1", "", ""},
         "Error EJE_VIA=-5 no cabe en el registro, no se escribe 125501 >a< " + kXY + "\n"},
        {"rural parcel number of six digits", 'R', label("125201", "7"), {"1", "45", "123456", "1", "1", "", ""},
         "Error PARCELA=123456 no cabe en el registro, no se escribe 125201 >7< " + kXY + "\n"},
        {"negative coordinate", 'R', label("145101", "1", {1}, -5, Y), {"1", "1", "", "", "", "", ""},
         "Error X=-5 no cabe en el registro, no se escribe 145101 >1< -5 442470000\n"},
        {"Y of ten digits", 'R', label("145101", "1", {1}, X, 1000000000), {"1", "1", "", "", "", "", ""},
         "Error Y=1000000000 no cabe en el registro, no se escribe 145101 >1< 41350000 1000000000\n"},
    };
    for (const auto& c : cases) {
        Job job(c.modalidad, c.modalidad == 'R' ? 5000 : 1000);
        job.rows = {c.row};
        // The refused label takes no sequence number; the next label does.
        job.sheet({c.elem, label("145102", "OTRA", {})});
        ASSERT_EQ(job.run(), RunEnd::Completed) << c.name;
        auto r = data_records(job);
        ASSERT_EQ(r.size(), 1u) << c.name;
        EXPECT_EQ(r[0].substr(0, 13), "*145102000001") << c.name;
        EXPECT_EQ(job.sheet_log(), c.log) << c.name;
        std::string file = c.modalidad == 'R' ? "47123045" : "SVK1234N";
        ASSERT_EQ(job.markers(file).size(), 1u) << c.name;
        EXPECT_EQ(job.markers(file)[0], (std::pair<long, long>{c.elem.pts[0], c.elem.pts[1]})) << c.name;
    }
    // Wide numbers in kinds that do not write them change nothing.
    Job job('R', 5000);
    job.rows = {{"1", "45", "7", "100000", "10000", "", ""}};
    job.sheet({label("145201", "TEXTO"), label("125101", "45")});
    ASSERT_EQ(job.run(), RunEnd::Completed);
    EXPECT_EQ(data_records(job).size(), 2u);
}

TEST(Superficies, RunEndings) {
    {
        SCOPED_TRACE("no database directory");
        Job job;
        job.opt.db_dir.clear();
        job.sheet({label("145201", "7")});
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{"Falta directorio Base de Datos"});
        EXPECT_FALSE(job.d.exists("S"));
        EXPECT_FALSE(job.d.exists("S.err"));
    }
    {
        SCOPED_TRACE("attribute table unreachable at the second label");
        Job job;
        job.d.write("REFCAT.TXT", "");
        job.sheet({label("145102", "A"), label("145102", "B"), label("145102", "C", {1}), label("145102", "D")});
        // The second label's reference names table 3, which the catalog lacks.
        job.sheets[0].elems[1].refs = {{3, 1, ""}};
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{"No encuentro la tabla n\xA7 3"});
        std::string head = header_line('U', 30, 1000);
        head[0] = 'S';
        // Only whole records: the header and sheet record without their counts, the first label.
        EXPECT_EQ(job.s(), head + kUrbanSheet + common("145102", 1) + "A" + blanks(47));
        EXPECT_EQ(job.log(), "***** FICHERO ****** SVK1234N.bin\n");
        EXPECT_TRUE(job.d.exists("SVK1234N.S"));
    }
    {
        SCOPED_TRACE("modalidad neither U nor R");
        Job job('X');
        job.sheet({label("145201", "7")}, kUrbanSheet);
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages,
                  std::vector<std::string>{"Error en la cabecera: modalidad 'X' no es U ni R, no se leen las hojas"});
        EXPECT_EQ(job.recs().size(), 1u);
    }
    {
        SCOPED_TRACE("modalidad a control byte: shown as '?', the message whole");
        Job job('\0');
        job.sheet({label("145201", "7")}, kUrbanSheet);
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages,
                  std::vector<std::string>{"Error en la cabecera: modalidad '?' no es U ni R, no se leen las hojas"});
    }
    {
        SCOPED_TRACE("sheet list missing");
        Job job;
        job.opt.sheet_list = "FALTA";
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{"No se puede abrir el archivo  FALTA\n"});
    }
    {
        SCOPED_TRACE("sheet name without origin");
        Job job;
        job.sheet({label("145102", "A", {})});
        job.sheet({label("145102", "A", {})}, sheet_line("30SIK1234N"));
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{"Error en nombre hoja 30SIK1234N  I"});
        EXPECT_EQ(job.recs().size(), 4u);  // header, first sheet and its record, the second sheet record
    }
    {
        SCOPED_TRACE("Cancel");
        Job job;
        job.sheet({label("145102", "A", {}), label("145102", "B", {})});
        job.fe.stop_after_pumps = 2;  // the status line, then the progress start
        EXPECT_EQ(job.run(), RunEnd::EndedEarly);
        EXPECT_EQ(job.recs().size(), 2u);
    }
}

TEST(Superficies, FailedWritesEndTheRunWithAMessage) {
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    // A full disk: the output or the log is sent to /dev/full, where every write fails.
    for (const char* name : {"S", "S.err"}) {
        Job job;
        job.sheet({label("145201", "7")});
        ASSERT_EQ(::symlink("/dev/full", job.d.file(name).c_str()), 0);
        EXPECT_EQ(job.run(), RunEnd::EndedEarly) << name;
        EXPECT_EQ(job.fe.messages, std::vector<std::string>{std::string("No se puede escribir el archivo  ") + name + "\n"});
    }
}

TEST(Superficies, SheetsThatCannotBeRead) {
    Job job;
    job.d.write("REFCAT.TXT", "");
    std::string south = sheet_line("30SVK1234S"), west = sheet_line("30SVK1224N");
    job.sheet({label("145102", "A", {})});
    job.sheet({label("145102", "B", {})}, south);
    job.sheets.back().file = "NOFILE";  // SVK1234S.bin is not there
    job.sheet({label("145102", "C", {}, X - 100000)}, west);
    ::mkdir(job.d.file("SVK1234N.S").c_str(), 0755);  // a marker file that cannot be created
    ASSERT_EQ(job.run(), RunEnd::Completed);
    EXPECT_EQ(job.fe.messages, (std::vector<std::string>{"Error no se puede abrir el archivo. SVK1234N.S\n",
                                                         "Error no se puede abrir el archivo... SVK1234S.bin\n"}));
    std::string head = header_line('U', 30, 1000);
    head[0] = 'S';
    // Both skipped sheets keep their sheet records as written.
    EXPECT_EQ(job.s(), head.substr(0, 74) + "     1" + kUrbanSheet + south + west.substr(0, 74) + "     1" +
                           common("145102", 1, X - 100000) + "C" + blanks(47));
    EXPECT_EQ(job.log(), "Error no se puede abrir el archivo... SVK1234S.bin\n***** FICHERO ****** SVK1224N.bin\n");
    EXPECT_TRUE(job.d.exists("SVK1234S.S"));  // created before the element file was tried
}

TEST(Superficies, HeaderChecksAndOptionsBetweenRuns) {
    Job job('U', 1500);
    job.sheet({label("145101", "35471"), label("145101", "35471")});
    ASSERT_EQ(job.run(), RunEnd::Completed);
    // The references file is tried before the header is read.
    EXPECT_EQ(job.log(), "No se puede abrir el archivo  " + job.d.path +
                             "/REFCAT.TXT\nERROR ESCALA FUERA DE RANGO 1500\n\n***** FICHERO ****** SVK1234N.bin\n");
    job.opt.manzana_duplicada = true;
    ASSERT_EQ(job.run(), RunEnd::Completed);
    EXPECT_EQ(job.sheet_log(), "MANZANA DUPLICADA 35471 " + kXY + "\n");
}

TEST(SuperficiesCli, FieldsFromTheCommandLine) {
    Job job;
    job.sheet({label("145201", "7"), label("145101", "35471"), label("145101", "35471")});
    job.run();
    job.d.write("REFCAT.TXT", "123456 3547107 VK9999S\n");
    ::mkdir(job.d.file("db").c_str(), 0755);
    write_file(job.d.file("db/CATDBS.DBF"), dbf_catalog({{2, "OTRA"}}));
    write_file(job.d.file("db/OTRA.DBF"), dbf_table_of(kFields, {{"1", "35471", "7", "0", "0", "", ""}}));
    write_file(job.d.file("db/REFCAT.TXT"), "123456 3547107 VK7777S\n");
    const std::string exe = bin("superficies");

    // Defaults: TREN, the current directory and its REFCAT.TXT.
    Result r = run_program(exe, {"-C", job.d.path}, "/");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.recs()[2].substr(62, 7), "VK9999S");
    EXPECT_EQ(job.sheet_log(), "");

    // --db does not move the references file; the flags turn the messages on.
    r = run_program(exe, {"TREN", "--db", "db", "--manzana-duplicada", "--calle-cero", "--portal-cero", "--ref-catastral"},
                    job.d.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.recs()[2].substr(62, 7), "VK9999S");
    std::string tail = kXY + " 35471 07     0   0 \n";
    EXPECT_EQ(job.sheet_log(), "PARCELA CON Numero policia = 0  " + tail + "PARCELA CON VIA=0  " + tail +
                                   "MANZANA DUPLICADA 35471 " + kXY + "\n");

    r = run_program(exe, {"--refs=db/REFCAT.TXT", "--db=db"}, job.d.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(job.recs()[2].substr(62, 7), "VK7777S");

    // An empty database field ends the run; a table that cannot be reached too.
    r = run_program(exe, {"--db="}, job.d.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Falta directorio Base de Datos\n");
    write_file(job.d.file("db/CATDBS.DBF"), dbf_catalog({{7, "OTRA"}}));
    r = run_program(exe, {"--db", "db"}, job.d.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "No encuentro la tabla n\xC2\xA7 2\n");  // converted to UTF-8

    r = run_program(exe, {"--calle"}, job.d.path);
    EXPECT_EQ(r.status, 2);
    r = run_program(exe, {"A", "B"}, job.d.path);
    EXPECT_EQ(r.status, 2);
}
