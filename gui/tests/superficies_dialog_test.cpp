// Tests of the surfaces export dialog: controls, painting and initial values,
// runs from OK with the files they write, the message options between runs,
// Browse and the paths it sets, Cancel during a run.
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "dbase/tests/dbf_fixture.h"
#include "gui/tests/dialog_test_support.h"
#include "superficies/dialog.h"
#include "superficies/superficies.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::gui;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;  // inside sheet 30SVK1234N

const std::vector<FieldDef> kFields = {{"REGISTRO", 'N', 10}, {"MANZANA", 'C', 5},  {"PARCELA", 'N', 6},
                                       {"EJE_VIA", 'N', 6},   {"NPOLICIA", 'C', 6}, {"DUPLICADO", 'C', 1},
                                       {"RUSTICA", 'C', 14}};

// A parcel label referencing record `r` of table 2.
Elem label(const char* txt, int r = 1) { return text("145201", X, Y, txt, 250, 0, 0, {{2, r, ""}}); }

// A job of one sheet with `labels` parcel labels; the parcel has street 0,
// which only the option "Parcelas con calle a cero" reports.
void write_job(const std::string& dir, int labels = 1, const char* sheet_list = "TREN") {
    std::vector<Elem> elems;
    for (int i = 0; i < labels; ++i) elems.push_back(label("7"));
    write_file(dir + "/" + sheet_list, header_line('U', 30, 1000) + "\n" + sheet_line("30SVK1234N") + "\n");
    write_file(dir + "/CATASTRO.TAB", "14*\n12*\n13*\n");
    write_file(dir + "/SVK1234N.bin", element_file(elems));
    write_file(dir + "/CATDBS.DBF", dbf_catalog({{2, "PARCELAS"}}));
    write_file(dir + "/PARCELAS.DBF", dbf_table_of(kFields, {{"1", "35471", "7", "0", "12", "", ""}}));
    write_file(dir + "/REFCAT.TXT", "123456 3547107 VK9999S\n");
}

// S and S.err of the same run without a dialog, in a folder of its own
// (paths in the log are made relative to that folder).
std::pair<std::string, std::string> plain_run(SuperficiesOptions o, int labels = 1) {
    PlainRun run;
    write_job(run.dir.path, labels);
    o.db_dir = run.dir.path;
    o.refs_path = run.dir.path + "/REFCAT.TXT";
    superficies_run(run.hooks, o);
    return {run.dir.read("S"), run.dir.read("S.err")};
}

struct Harness : DialogHarness<SuperficiesDialog> {
    explicit Harness(const SuperficiesOptions& initial = superficies_defaults())
        : DialogHarness([&initial](SuperficiesDialog& d) { build_superficies_dialog(d, initial); }) {}
};

// Enabled state: three fields, Browse, four boxes, OK, Cancel.
QString enabled(const SuperficiesDialog& d) {
    std::vector<const QWidget*> ws = {d.sheets.edit, d.db_dir, d.refs, d.sheets.browse};
    for (QCheckBox* b : d.options) ws.push_back(b);
    ws.push_back(d.frame.ok);
    ws.push_back(d.frame.cancel);
    return enabled_string(ws);
}

}  // namespace

class SuperficiesDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controls_top_to_bottom() {
        TempDir d;
        ChangeDir cd(d.path);
        Harness h;
        Frame& f = h.d.frame;
        QCOMPARE(f.dialog->windowTitle(), QString("Fichero de Superficies"));
        QCOMPARE(f.dialog->size(), to_pixels(f.du, 0, 0, 201, 220).size());
        QStringList groups;
        for (QGroupBox* g : f.dialog->findChildren<QGroupBox*>()) groups << g->title();
        QCOMPARE(groups, QStringList({"Archivo DBVEXO", "Mensajes"}));
        QStringList labels;
        for (QLabel* l : f.dialog->findChildren<QLabel*>())
            if (l != f.status) labels << l->text();
        QCOMPARE(labels, QStringList({"Directorio bases de datos", "Fichero de ref. catastrales"}));
        QStringList checks;
        for (QCheckBox* b : h.d.options) {
            checks << b->text();
            QVERIFY(!b->isChecked());
        }
        QCOMPARE(checks, QStringList({"Manzana duplicada", QString::fromUtf8("Ref. catastral err\xc3\xb3nea"),
                                      "Parcelas con calle a cero", "Parcelas con portal a cero"}));
        // Initial values: TREN, the current directory and its REFCAT.TXT.
        std::string cwd = current_directory();
        QCOMPARE(h.d.sheets.edit->text(), QString("TREN"));
        QCOMPARE(h.d.sheets.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.db_dir->text(), QString::fromStdString(cwd));
        QCOMPARE(h.d.refs->text(), QString::fromStdString(cwd + "/REFCAT.TXT"));
        QCOMPARE(f.ok->text(), QString("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.cancel->text(), QString("Cancelar"));
        QCOMPARE(f.status->text(), QString());
        QCOMPARE(f.progress->value(), 0);
        // Top to bottom as listed; every control inside the dialog.
        std::vector<QWidget*> order = {h.d.sheets.edit, h.d.db_dir, h.d.refs, h.d.options[0], h.d.options[1],
                                       h.d.options[2], h.d.options[3], f.ok, f.status, f.progress};
        for (std::size_t i = 1; i < order.size(); ++i) QVERIFY(order[i - 1]->y() < order[i]->y());
        for (QWidget* w : f.dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY(f.dialog->rect().contains(w->geometry()));
        QCOMPARE(f.cancel->y(), f.ok->y());
        QCOMPARE(h.d.sheets.browse->y(), to_pixels(f.du, 0, 16, 0, 0).y());
        // Light grey painting of the dialog, its buttons and boxes.
        QVERIFY(f.dialog->autoFillBackground());
        QCOMPARE(f.dialog->palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(f.ok->palette().color(QPalette::Button), QColor(192, 192, 192));
        QCOMPARE(h.d.options[0]->palette().color(QPalette::Window), QColor(192, 192, 192));
        QVERIFY(!h.d.options[0]->autoFillBackground());  // text on the dialog's grey
        QVERIFY(!f.status->autoFillBackground());
        QCOMPARE(enabled(h.d), QString("1111111111"));
    }

    void initial_values_from_the_caller() {
        SuperficiesOptions o;
        o.sheet_list = "LISTA";
        o.db_dir = "/datos";
        o.refs_path = "/datos/R.TXT";
        o.calle_cero = o.manzana_duplicada = true;
        Harness h(o);
        SuperficiesOptions back = superficies_dialog_options(h.d);
        QCOMPARE(back.sheet_list, o.sheet_list);
        QCOMPARE(back.db_dir, o.db_dir);
        QCOMPARE(back.refs_path, o.refs_path);
        QVERIFY(back.manzana_duplicada && back.calle_cero && !back.ref_catastral && !back.portal_cero);
    }

    // OK at once runs the job TREN of the current directory with the
    // current directory as database directory; a box checked between two
    // runs changes the messages of the second run only.
    void ok_runs_the_export_and_options_change_between_runs() {
        TempDir d;
        write_job(d.path);
        ChangeDir cd(d.path);
        Harness h;
        std::vector<QString> during;
        h.d.frame.seams.after_pump = [&] { during.push_back(enabled(h.d)); };
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QVERIFY(!during.empty());
        for (const QString& s : during) QCOMPARE(s, QString("0000000001"));  // only Cancel stays on
        QCOMPARE(enabled(h.d), QString("1111111111"));
        QCOMPARE(int(h.d.frame.stop), 0);
        QCOMPARE(h.beeps, 1);
        QCOMPARE(h.boxes.size(), std::size_t(0));
        QCOMPARE(h.d.frame.status->text(), QString());
        auto [s, log] = plain_run({});
        QCOMPARE(d.read("S"), s);
        QCOMPARE(d.read("S.err"), log);
        QCOMPARE(records(s).size(), std::size_t(3));
        QVERIFY(log.find("PARCELA CON VIA=0") == std::string::npos);

        QTest::mouseClick(h.d.options[2], Qt::LeftButton);
        QVERIFY(h.d.options[2]->isChecked());
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.runs, 2);
        SuperficiesOptions o;
        o.calle_cero = true;
        auto [s2, log2] = plain_run(o);
        QCOMPARE(d.read("S.err"), log2);
        QVERIFY(log2.find("PARCELA CON VIA=0") != std::string::npos);
        QCOMPARE(d.read("S"), s2);
    }

    void an_empty_database_field_is_a_box_and_nothing_is_written() {
        TempDir d;
        write_job(d.path);
        ChangeDir cd(d.path);
        Harness h;
        h.d.db_dir->clear();
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::EndedEarly);
        QCOMPARE(h.boxes, std::vector<QString>({"Falta directorio Base de Datos"}));
        QVERIFY(!d.exists("S") && !d.exists("S.err"));
        QVERIFY(h.d.frame.dialog->isVisible());
        QCOMPARE(enabled(h.d), QString("1111111111"));
    }

    // Browse puts the chosen name into the sheet field and the new current
    // directory into both paths, over what was typed; a cancelled Browse
    // sets both paths from the current directory too.
    void browse_sets_both_paths() {
        TempDir d;
        std::string job = make_folder(d, "obra");
        write_job(job, 1, "LISTA");
        ChangeDir cd(d.path);
        Harness h;
        BrowseSpec asked;
        h.d.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString&) {
            asked = spec;
            return QString::fromStdString(job + "/LISTA");
        };
        h.d.db_dir->setText("/escrito");
        h.d.refs->setText("/escrito/R.TXT");
        QTest::mouseClick(h.d.sheets.browse, Qt::LeftButton);
        QCOMPARE(asked.title, std::string("Abrir archivo DbVexo"));
        QCOMPARE(asked.filter_name, std::string("Archivos Vexo"));
        QCOMPARE(asked.extension, std::string("*"));
        QVERIFY(asked.must_exist);
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
        QCOMPARE(QDir::currentPath(), canonical(job));
        QCOMPARE(h.d.db_dir->text(), canonical(job));
        QCOMPARE(h.d.refs->text(), canonical(job) + "/REFCAT.TXT");

        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QCOMPARE(records(read_file(job + "/S")).size(), std::size_t(3));
        QVERIFY(!d.exists("S"));
        // The parcel was found in the chosen folder's references file.
        QVERIFY(read_file(job + "/S").find("VK9999S") != std::string::npos);

        h.d.frame.seams.file_dialog = [](QWidget*, const BrowseSpec&, const QString&) { return QString(); };
        h.d.sheets.edit->setText("OTRA");
        h.d.db_dir->setText("/escrito");
        h.d.refs->setText("");
        QTest::mouseClick(h.d.sheets.browse, Qt::LeftButton);
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
        QCOMPARE(h.d.db_dir->text(), canonical(job));
        QCOMPARE(h.d.refs->text(), canonical(job) + "/REFCAT.TXT");
    }

    void cancel_during_a_run() {
        TempDir d;
        write_job(d.path, 400);
        ChangeDir cd(d.path);
        Harness h;
        Frame& f = h.d.frame;
        cancel_at_pump(f, 10);
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(f.last_end, RunEnd::EndedEarly);
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(int(f.stop), 0);
        std::vector<std::string> recs = records(d.read("S"));
        QVERIFY(recs.size() > 2 && recs.size() < 402);
        for (const std::string& r : recs) QCOMPARE(r.size(), std::size_t(80));
    }

    void the_program_opens_its_dialog() {
        TempDir d;
        Result r = run_for_snapshot(d, "superficies", {"--gui", "--calle-cero"});
        QCOMPARE(r.status, 0);
        QImage img(snapshot_path(d));
        QVERIFY(img.width() > 200 && img.height() > 200);
        // The picture shows the light grey background.
        QCOMPARE(img.pixelColor(img.width() - 4, img.height() - 4), QColor(192, 192, 192));
        QVERIFY(!d.exists("S"));
    }
};

QTEST_MAIN(SuperficiesDialogTest)
#include "superficies_dialog_test.moc"
