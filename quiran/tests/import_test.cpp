// Tests of the import run: header listing, sheet records, QUIRAN.ERR, points and texts files, endings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "quiran/run.h"
#include "quiran/tests/quiran_fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;

const std::vector<std::string> kHeaderListing = {
    "TERMINO MUNICIPAL=MUNICIPIO DE PRUEBA       ",
    "Codigo Gerencia=123  Codigo Municipio=456",
    "Total bloques=1  Numero de bloque=1",
    "Clave Empresa=EMPRESA Fecha edicion=0112026",
    "Huso geografico=30  Escala=1/1000",
};

std::vector<std::string> listing(long total, std::vector<std::string> rest) {
    std::vector<std::string> l = kHeaderListing;
    l.push_back("Numero total de elementos=" + std::to_string(total));
    l.insert(l.end(), rest.begin(), rest.end());
    return l;
}

std::string points_file(const std::vector<std::string>& recs, char kind = 'P') {
    std::string s = exchange_header(kind, static_cast<long>(recs.size())) + sheet_record("30SVK1234N", recs.size());
    for (const auto& r : recs) s += r;
    return s;
}

}  // namespace

TEST(QuiranImport, PointsFile) {
    struct Case {
        const char* name;
        std::string record;
        std::vector<Elem> written;
    } cases[] = {
        {"code without symbol", point_record("028113", X, Y, 1234), {line_elem("028113", {X, Y, 1234})}},
        {"symbol, size and angle 0", point_record("018501", X, Y, 1200, 0, 0, "PK12"),
         {text_elem("018501", X, Y, "@7 PK12", 100, {}, 1200, 9000)}},
        {"symbol by pattern, size 25 facing east", point_record("018599", X, Y, 5, 25, 90, "POZO 3"),
         {text_elem("018599", X, Y, "@9 POZO 3", 250, {}, 5)}},
        {"symbol without label", point_record("018501", X, Y, 5, 10, 360), {text_elem("018501", X, Y, "@7", 100, {}, 5, 9000)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job(points_file({c.record}));
        Outcome o = run_import(job);
        EXPECT_EQ(o.end, RunEnd::Completed);
        EXPECT_TRUE(o.messages.empty());
        EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.P")), element_file(c.written));
        EXPECT_EQ(o.log, exchange_header('P', 1) + "\n" + sheet_record("30SVK1234N", 1) + "\n");
        EXPECT_EQ(o.infos, listing(1, {"Urbana", "Plano urb. E 1/1000", "PLANO=30SVK1234N  Numero elementos=1      ",
                                       "Elementos leidos=1      "}));
    }
}

TEST(QuiranImport, TextsFile) {
    struct Case {
        const char* name;
        std::string record;
        int escala;
        std::vector<Elem> written;
    } cases[] = {
        {"height 25 at 1/1000, facing east", text_record("019001", X, Y, 25, 90, "CALLE MAYOR"), 1000,
         {text_elem("019001", X, Y, "CALLE MAYOR", 250)}},
        {"height 25 at 1/500, angle 450", text_record("019001", X, Y, 25, 450, "CALLE MAYOR"), 500,
         {text_elem("019001", X, Y, "CALLE MAYOR", 125)}},
        {"height 0", text_record("019001", X, Y, 0, 90, "A"), 1000, {text_elem("019001", X, Y, "A", 0)}},
        {"blank text", text_record("019001", X, Y, 25, 90, ""), 1000, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = exchange_header('X', 1, 'U', "P1", c.escala) + sheet_record("30SVK1234N", 1) + c.record;
        Job job(file);
        Outcome o = run_import(job);
        EXPECT_EQ(o.end, RunEnd::Completed);
        EXPECT_EQ(job.dir.read("SVK1234N.X"), element_file(c.written));
    }
}

TEST(QuiranImport, AnglesAndHeights) {
    // Azimuths clockwise from north become hundredths counter-clockwise from east.
    struct Case {
        long field;
        std::int32_t angle;
    } angles[] = {{0, 9000}, {90, 0}, {91, 35900}, {450, 0}, {180, 27000}, {360, 9000}, {-90, 18000}, {9999, 17100}};
    for (const auto& c : angles) EXPECT_EQ(map_angle(c.field), c.angle) << c.field;
    struct Height {
        long escala, field;
        std::int32_t height;
    } heights[] = {{1000, 25, 250}, {500, 25, 125}, {1000, 7, 70}, {2000, 999, 19980}, {1000, 0, 0}, {0, 25, 0}};
    for (const auto& c : heights) EXPECT_EQ(map_height(c.escala, c.field), c.height) << c.escala << " " << c.field;
}

TEST(QuiranImport, HeaderVariants) {
    std::string pt = point_record("028113", X, Y, 1);
    struct Case {
        const char* name;
        std::string header;
        RunEnd end;
        std::vector<std::string> tail;  ///< listed after the six header lines
        std::vector<std::string> messages;
        bool element_file;
    } cases[] = {
        {"unknown modalidad", exchange_header('P', 1, 'X'), RunEnd::EndedEarly, {"!Error modalidad desconocida >X<"}, {}, false},
        {"rustica", exchange_header('P', 1, 'R', "OR"), RunEnd::Completed,
         {"R\xA3stica+Diseminado", "Ortofoto r\xA3stica", "PLANO=30SVK123  Numero elementos=1      ",
          "Elementos leidos=1      "}, {}, true},
        {"unknown characteristic", exchange_header('P', 1, 'U', "ZZ"), RunEnd::Completed,
         {"Urbana", "Caracteristica de modalidad desconocida\n", "FICHERO de Puntos",
          "PLANO=30SVK1234N  Numero elementos=1      ", "Elementos leidos=1      "}, {}, true},
        {"unknown kind", exchange_header('Q', 1, 'U', "O5"), RunEnd::EndedEarly, {"Urbana", "Ortofoto   E 1/5000"},
         {"FICHERO Desconocido"}, false},
        {"unknown kind and characteristic", exchange_header('Q', 1, 'U', "Z1"), RunEnd::EndedEarly,
         {"Urbana", "Caracteristica de modalidad desconocida\n", "FICHERO Desconocido"}, {}, false},
        {"attributes file", exchange_header('A', 1, 'U', "  "), RunEnd::Completed, {"Urbana", "Modalidad distinta"}, {}, false},
        {"no elements", exchange_header('P', 0), RunEnd::Completed, {"Urbana", "Plano urb. E 1/1000"}, {}, false},
        {"blank modalidad", exchange_header('P', 1, ' '), RunEnd::EndedEarly, {"Otras modalidades", "Plano urb. E 1/1000"},
         {"!Error modalidad en blanco: los planos no tienen nombre de fichero"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job(c.header + sheet_record("30SVK1234N", 1) + pt);
        Outcome o = run_import(job);
        EXPECT_EQ(o.end, c.end);
        std::vector<std::string> want(c.tail);
        want.insert(want.begin(), kHeaderListing.begin(), kHeaderListing.end());
        want.insert(want.begin() + 5, "Numero total de elementos=" + std::string(c.header.substr(74, 6)).erase(0, 5));
        EXPECT_EQ(o.infos, want);
        EXPECT_EQ(o.messages, c.messages);
        EXPECT_EQ(job.dir.exists("SVK1234N.P") || job.dir.exists("123.P"), c.element_file);
        EXPECT_EQ(o.log.substr(0, 81), c.header + "\n");
    }
}

TEST(QuiranImport, SheetRecords) {
    std::string pt = point_record("028113", X, Y, 1);
    struct Case {
        const char* name;
        std::string file;
        const char* record_length;
        RunEnd end;
        std::vector<std::string> messages;
        std::string log_tail;  ///< QUIRAN.ERR after the header line
        std::vector<std::string> files;
    } cases[] = {
        {"more records than the sheet says", exchange_header('P', 6) + sheet_record("30SVK1234N", 5) + pt + pt + pt + pt + pt + pt,
         "80", RunEnd::EndedEarly, {"!Error el primer caracter del segundo registro es <0>"},
         sheet_record("30SVK1234N", 5) + "\n" + pt, {"SVK1234N.P"}},
        {"line ends read with 80", exchange_header('P', 1) + "\n" + sheet_record("30SVK1234N", 1) + "\n" + pt + "\n",
         "80", RunEnd::EndedEarly, {"!Error el primer caracter del segundo registro es <\n>"}, "", {}},
        {"line ends read with 81", exchange_header('P', 1) + "\n" + sheet_record("30SVK1234N", 1) + "\n" + pt + "\n",
         "81", RunEnd::Completed, {}, sheet_record("30SVK1234N", 1) + "\n", {"SVK1234N.P"}},
        {"CRLF line ends read with 81", exchange_header('P', 1) + "\r\n" + sheet_record("30SVK1234N", 1) + "\r\n" + pt + "\r\n",
         "81", RunEnd::Completed, {}, sheet_record("30SVK1234N", 1) + "\n", {"SVK1234N.P"}},
        {"-1 reads 80", exchange_header('P', 1) + sheet_record("30SVK1234N", 1) + pt, "-1", RunEnd::Completed, {},
         sheet_record("30SVK1234N", 1) + "\n", {"SVK1234N.P"}},
        {"two sheets", exchange_header('P', 3) + sheet_record("30SVK1234N", 1) + pt + sheet_record("30SVK1235N", 2) + pt + pt,
         "80", RunEnd::Completed, {}, sheet_record("30SVK1234N", 1) + "\n" + sheet_record("30SVK1235N", 2) + "\n",
         {"SVK1234N.P", "SVK1235N.P"}},
        {"file ends early", exchange_header('P', 9) + sheet_record("30SVK1234N", 5) + pt, "80", RunEnd::Completed, {},
         sheet_record("30SVK1234N", 5) + "\n", {"SVK1234N.P"}},
        {"a name leaving the directory", exchange_header('P', 1) + sheet_record("30/../../x", 1) + pt, "80",
         RunEnd::EndedEarly, {"Nombre de plano no valido >/../../x.P<\n"}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job(c.file);
        Outcome o = run_import(job, c.record_length);
        EXPECT_EQ(o.end, c.end);
        EXPECT_EQ(o.messages, c.messages);
        EXPECT_EQ(o.log, exchange_header('P', 0).substr(0, 0) + c.file.substr(0, 80) + "\n" + c.log_tail);
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(job.dir.path)) {
            std::string n = e.path().filename().string();
            if (n.size() > 2 && n.substr(n.size() - 2) == ".P") found.push_back(n);
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.files);
    }
}

TEST(QuiranImport, ListsSheetsAndCountsOfAFileThatEndsEarly) {
    std::string pt = point_record("028113", X, Y, 1);
    Job job(exchange_header('P', 9) + sheet_record("30SVK1234N", 5) + pt + pt);
    Outcome o = run_import(job);
    EXPECT_EQ(o.infos, listing(9, {"Urbana", "Plano urb. E 1/1000", "PLANO=30SVK1234N  Numero elementos=5      ",
                                   "Elementos leidos=2      "}));
    EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.P")),
              element_file({line_elem("028113", {X, Y, 1}), line_elem("028113", {X, Y, 1})}));
}

TEST(QuiranImport, OverwriteQuestion) {
    std::string file = exchange_header('P', 1) + sheet_record("30SVK1234N", 1) + point_record("028113", X, Y, 1);
    const std::string question = "El PLANO SVK1234N.P ya existe se SOBRESCRIBE\nCONTINUAR ?";
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "yes" : "no");
        Job job(file);
        job.dir.write("SVK1234N.P", "old drawing");
        job.dir.write("OTRO.P", "");
        Outcome o = run_import(job, "80", answer);
        EXPECT_EQ(o.end, answer ? RunEnd::Completed : RunEnd::EndedEarly);
        EXPECT_EQ(o.messages, std::vector<std::string>{question});
        EXPECT_EQ(o.infos[9], "El PLANO SVK1234N.P ya existe se SOBRESCRIBE");
        if (answer)
            EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.P")), element_bytes(line_elem("028113", {X, Y, 1})));
        else
            EXPECT_EQ(job.dir.read("SVK1234N.P"), "old drawing");
        EXPECT_FALSE(job.dir.exists("SVK1234N.P.tmp"));
    }
    // An empty file is replaced without asking; a name differing in case is the same file.
    Job job(file);
    job.dir.write("SVK1234N.P", "");
    EXPECT_TRUE(run_import(job).messages.empty());
    Job other(file);
    other.dir.write("svk1234n.p", "old drawing");
    Outcome o = run_import(other, "80", true);
    EXPECT_EQ(o.messages, std::vector<std::string>{question});
    EXPECT_FALSE(other.dir.exists("SVK1234N.P"));
    EXPECT_EQ(masked_elements(other.dir.read("svk1234n.p")), element_bytes(line_elem("028113", {X, Y, 1})));
}

TEST(QuiranImport, RunEndsBeforeReading) {
    std::string file = exchange_header('P', 1) + sheet_record("30SVK1234N", 1) + point_record("028113", X, Y, 1);
    struct Case {
        const char* name;
        void (*prepare)(Job&, QuiranOptions&);
        std::vector<std::string> messages;
        bool log_created;
    } cases[] = {
        {"no exchange file", [](Job&, QuiranOptions& o) { o.exchange = "NADA"; },
         {"No se puede abrir el fichero de catastro NADA"}, false},
        {"empty exchange file", [](Job& j, QuiranOptions&) { j.dir.write("E", ""); },
         {"El fichero de catastro E est\xA0 vac\xA1o"}, true},
        {"log cannot be created", [](Job& j, QuiranOptions&) { std::filesystem::create_directory(j.dir.file("QUIRAN.ERR")); },
         {"No se puede crear el fichero QUIRAN.ERR"}, false},
        {"no database directory", [](Job&, QuiranOptions& o) { o.db_directory.clear(); },
         {"Falta directorio Base de Datos"}, true},
        {"no catalog", [](Job& j, QuiranOptions&) { std::remove(j.dir.file("CATDBS.DBF").c_str()); }, {}, true},
        {"table not in the catalog", [](Job&, QuiranOptions& o) { o.table = "PARCELAS"; }, {}, true},
        {"table listed but missing", [](Job& j, QuiranOptions&) { std::remove(j.dir.file("TAB.DBF").c_str()); },
         {"Error al abrir la base de datos"}, true},
        {"no QUIRAN.TAB", [](Job& j, QuiranOptions&) { std::remove(j.dir.file("QUIRAN.TAB").c_str()); },
         {"NO encuentro QUIRAN.TAB"}, true},
        {"QUIRAN.TAB without entries", [](Job& j, QuiranOptions&) { j.dir.write("QUIRAN.TAB", "/ nada\n"); }, {}, true},
        {"record length 0", [](Job&, QuiranOptions& o) { o.record_length = "0"; }, {"Longitud registro no valida: 0"}, false},
        {"record length too long", [](Job&, QuiranOptions& o) { o.record_length = "5000"; },
         {"Longitud registro no valida: 5000"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Job job(file);
        std::string table = job.dir.read("TAB.DBF");
        QuiranOptions o;
        o.exchange = "E";
        o.db_directory = job.dir.path;
        c.prepare(job, o);
        if (!job.dir.exists("QUIRAN.ERR")) job.dir.write("QUIRAN.ERR", "old log");
        ChangeDir cd(job.dir.path);
        RecordingFrontEnd fe;
        Hooks hooks{&fe};
        EXPECT_EQ(quiran_run(hooks, o), RunEnd::EndedEarly);
        EXPECT_EQ(fe.messages, c.messages);
        // The closing box follows every run.
        ASSERT_FALSE(fe.infos.empty());
        EXPECT_EQ(fe.infos.back(), "Fin del proceso\nTiempo empleado  00:00");
        EXPECT_EQ(fe.beeps, 1);
        EXPECT_FALSE(job.dir.exists("SVK1234N.P"));
        if (job.dir.exists("TAB.DBF")) {
            EXPECT_EQ(job.dir.read("TAB.DBF"), table);
        }
        if (!std::filesystem::is_directory(job.dir.file("QUIRAN.ERR"))) {
            EXPECT_EQ(job.dir.read("QUIRAN.ERR") == "old log", !c.log_created);
        }
    }
}

TEST(QuiranImport, ElementFileThatCannotBeCreated) {
    std::string file = exchange_header('P', 2) + sheet_record("30SVK1234N", 1) + point_record("028113", X, Y, 1) +
                       sheet_record("30SVK1235N", 1) + point_record("028113", X, Y, 2);
    Job job(file);
    std::filesystem::create_directory(job.dir.file("SVK1235N.P.tmp"));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::EndedEarly);
    EXPECT_EQ(o.messages, std::vector<std::string>{"No se puede abrir SVK1235N.P\n"});
    // What was written before stays.
    EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.P")), element_bytes(line_elem("028113", {X, Y, 1})));
    EXPECT_FALSE(job.dir.exists("SVK1235N.P"));
}

TEST(QuiranImport, ElementFileThatCannotBeMovedIntoPlaceIsNamed) {
    std::string file = exchange_header('P', 2) + sheet_record("30SVK1234N", 1) + point_record("028113", X, Y, 1) +
                       sheet_record("30SVK1235N", 1) + point_record("028113", X, Y, 2);
    Job job(file);
    // A directory in the first sheet's place: the question is asked, the file cannot replace it.
    std::filesystem::create_directory(job.dir.file("SVK1234N.P"));
    job.dir.write("SVK1234N.P/x", "x");
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_EQ(o.messages, (std::vector<std::string>{"El PLANO SVK1234N.P ya existe se SOBRESCRIBE\nCONTINUAR ?",
                                                    "Error al escribir SVK1234N.P\n"}));
    EXPECT_FALSE(job.dir.exists("SVK1234N.P.tmp"));
    EXPECT_EQ(masked_elements(job.dir.read("SVK1235N.P")), element_bytes(line_elem("028113", {X, Y, 2})));
}

TEST(QuiranImport, CancelEndsTheRunWithFilesClosed) {
    std::string file = exchange_header('P', 3000) + sheet_record("30SVK1234N", 3000);
    for (int i = 0; i < 3000; ++i) file += point_record("028113", X, Y, i + 1);
    Job job(file);
    ChangeDir cd(job.dir.path);
    volatile std::sig_atomic_t stop = 1;
    RecordingFrontEnd fe;
    fe.stop = &stop;
    fe.stop_after_pumps = 10;
    Hooks hooks{&fe, &stop};
    QuiranOptions o;
    o.exchange = "E";
    o.db_directory = job.dir.path;
    EXPECT_EQ(quiran_import(hooks, o), RunEnd::EndedEarly);
    std::string written = masked_elements(job.dir.read("SVK1234N.P"));
    std::size_t one = element_bytes(line_elem("028113", {X, Y, 1})).size();
    EXPECT_GT(written.size(), 0u);
    EXPECT_LT(written.size(), 3000 * one);
    EXPECT_EQ(written.size() % one, 0u);
    EXPECT_EQ(fe.statuses.back(), "");
    EXPECT_EQ(fe.percents.back(), 0);
}

TEST(QuiranImport, ClosingText) {
    EXPECT_EQ(closing_text(61), "Fin del proceso\nTiempo empleado  01:01");
    EXPECT_EQ(closing_text(59), "Fin del proceso\nTiempo empleado  00:59");
    EXPECT_EQ(closing_text(3600), "Fin del proceso\nTiempo empleado  60:00");
}
