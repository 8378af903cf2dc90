// Tests of the points and texts dialogs: controls, runs from OK with the
// files they write, Cancel during a run, Browse and the boxes of a run.
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "gui/tests/dialog_test_support.h"
#include "puntos/dialog.h"
#include "puntos/puntos.h"
#include "testsupport/fixtures.h"
#include "textos/dialog.h"
#include "textos/textos.h"

using namespace cad;
using namespace cad::gui;
using namespace cad::test;

namespace {

constexpr std::int32_t X = 41350000, Y = 442470000;  // inside sheet 30SVK1234N

struct Program {
    const char* name;
    const char* caption;
    const char* output;
    void (*build)(SheetListDialog&, std::string_view);
    RunEnd (*run)(Hooks&, std::string_view);
    Elem (*element)(int i);  // an element that gives one record
};

const Program kPrograms[] = {
    {"puntos", "Fichero de Puntos", "P", build_puntos_dialog, puntos_run,
     [](int i) { return line("018101", {X + i, Y, 1200}); }},
    {"textos", "Fichero de Textos", "X", build_textos_dialog, textos_run,
     [](int i) { return text("019001", X + i, Y, "CALLE MAYOR", 300, 0); }},
};

void add_program_rows() {
    QTest::addColumn<int>("program");
    for (int i = 0; i < 2; ++i) QTest::newRow(kPrograms[i].name) << i;
}

// A job of one sheet: its sheet list, the code table and the element file.
void write_job(const std::string& dir, const Program& p, int elements, const char* sheet_list = "TREN") {
    std::vector<Elem> elems;
    for (int i = 0; i < elements; ++i) elems.push_back(p.element(i));
    write_file(dir + "/" + sheet_list, header_line('U', 30, 1000) + "\n" + sheet_line("30SVK1234N") + "\n");
    write_file(dir + "/CATASTRO.TAB", "*\n");
    write_file(dir + "/SVK1234N.bin", element_file(elems));
}

// The files the same run writes without a dialog.
std::pair<std::string, std::string> files_of_plain_run(const Program& p, int elements) {
    PlainRun run;
    write_job(run.dir.path, p, elements);
    p.run(run.hooks, "TREN");
    return {run.dir.read(p.output), run.dir.read(std::string(p.output) + ".err")};
}

// A program's dialog with its boxes and beeps captured.
struct Harness : DialogHarness<SheetListDialog> {
    explicit Harness(const Program& p, std::string_view sheet_list = "TREN")
        : DialogHarness([&p, sheet_list](SheetListDialog& d) { p.build(d, sheet_list); }) {}
};

// Enabled state of the sheet-list field, Browse, OK and Cancel.
QString enabled(const SheetListDialog& d) {
    return enabled_string({d.sheets.edit, d.sheets.browse, d.frame.ok, d.frame.cancel});
}

}  // namespace

class ExportDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controls_data() { add_program_rows(); }
    void controls() {
        QFETCH(int, program);
        const Program& p = kPrograms[program];
        Harness h(p);
        Frame& f = h.d.frame;
        QCOMPARE(f.dialog->windowTitle(), QString(p.caption));
        auto groups = f.dialog->findChildren<QGroupBox*>();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0]->title(), QString("Archivo DBVEXO"));
        QCOMPARE(h.d.sheets.edit->text(), QString("TREN"));
        QCOMPARE(h.d.sheets.browse->text(), QString("Buscar..."));
        QCOMPARE(f.ok->text(), QString("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.cancel->text(), QString("Cancelar"));
        QCOMPARE(f.status->text(), QString());
        QCOMPARE(f.progress->minimum(), 0);
        QCOMPARE(f.progress->maximum(), 100);
        QCOMPARE(f.progress->value(), 0);
        // The template's places, in dialog units.
        const DialogUnits& du = f.du;
        QCOMPARE(f.dialog->size(), to_pixels(du, 0, 0, 201, 122).size());
        QCOMPARE(groups[0]->geometry(), to_pixels(du, 7, 3, 172, 34));
        QCOMPARE(h.d.sheets.edit->geometry(), to_pixels(du, 11, 17, 123, 12));
        QCOMPARE(h.d.sheets.browse->geometry(), to_pixels(du, 138, 16, 35, 14));
        QCOMPARE(f.ok->geometry(), to_pixels(du, 17, 53, 50, 14));
        QCOMPARE(f.cancel->geometry(), to_pixels(du, 127, 53, 50, 14));
        QCOMPARE(f.status->geometry(), to_pixels(du, 7, 83, 173, 11));
        QCOMPARE(f.progress->geometry(), to_pixels(du, 7, 99, 173, 11));
        QCOMPARE(enabled(h.d), QString("1111"));
    }

    void the_initial_name_comes_from_the_caller() {
        Harness h(kPrograms[0], "LISTA");
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
        QCOMPARE(h.d.sheets.buffer, std::string("LISTA"));
    }

    // OK (clicked, or Enter in the field) runs the export of the field's
    // sheet list and writes what the run writes without a dialog.
    void ok_runs_the_export_data() {
        QTest::addColumn<int>("program");
        QTest::addColumn<bool>("enter");
        for (int i = 0; i < 2; ++i) {
            QTest::addRow("%s, OK clicked", kPrograms[i].name) << i << false;
            QTest::addRow("%s, Enter in the field", kPrograms[i].name) << i << true;
        }
    }
    void ok_runs_the_export() {
        QFETCH(int, program);
        QFETCH(bool, enter);
        const Program& p = kPrograms[program];
        TempDir d;
        write_job(d.path, p, 3, "LISTA");
        ChangeDir cd(d.path);
        Harness h(p);
        std::vector<QString> during;
        std::vector<int> stop_during;
        h.d.frame.seams.after_pump = [&] {
            during.push_back(enabled(h.d));
            stop_during.push_back(int(h.d.frame.stop));
        };
        h.d.sheets.edit->selectAll();
        QTest::keyClicks(h.d.sheets.edit, "LISTA");
        if (enter)
            QTest::keyClick(h.d.sheets.edit, Qt::Key_Return);
        else
            QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);

        QCOMPARE(h.d.frame.runs, 1);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QVERIFY(!during.empty());
        for (const QString& s : during) QCOMPARE(s, QString("0001"));  // only Cancel stays enabled
        for (int s : stop_during) QCOMPARE(s, 1);
        QCOMPARE(enabled(h.d), QString("1111"));
        QCOMPARE(int(h.d.frame.stop), 0);
        QCOMPARE(h.beeps, 1);
        QCOMPARE(h.boxes.size(), std::size_t(0));
        QCOMPARE(h.d.frame.status->text(), QString());
        QCOMPARE(h.d.frame.progress->value(), 0);
        QCOMPARE(h.d.sheets.buffer, std::string("LISTA"));
        QVERIFY(h.d.frame.dialog->isVisible());

        auto [out, log] = files_of_plain_run(p, 3);
        QCOMPARE(d.read(p.output), out);
        QCOMPARE(d.read(std::string(p.output) + ".err"), log);
        QCOMPARE(records(out).size(), std::size_t(5));  // header, sheet record, 3 records

        // A second OK runs again from scratch.
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.runs, 2);
        QCOMPARE(d.read(p.output), out);
        QCOMPARE(h.beeps, 2);
    }

    // Cancel pressed during a run: the pump delivers it, the run stops at
    // the next element head with its files closed and no counts written
    // back, and the dialog closes (a modal one returns from its loop).
    void cancel_during_a_run_data() {
        QTest::addColumn<int>("program");
        QTest::addColumn<bool>("modal");
        for (int i = 0; i < 2; ++i) {
            QTest::addRow("%s, shown", kPrograms[i].name) << i << false;
            QTest::addRow("%s, modal", kPrograms[i].name) << i << true;
        }
    }
    void cancel_during_a_run() {
        QFETCH(int, program);
        QFETCH(bool, modal);
        const Program& p = kPrograms[program];
        const int elements = 400;
        TempDir d;
        write_job(d.path, p, elements);
        ChangeDir cd(d.path);
        Harness h(p);
        Frame& f = h.d.frame;
        int pumps = 0, pumps_after_cancel = 0;
        f.seams.after_pump = [&] {
            if (f.stop == 0) ++pumps_after_cancel;
            // Past the first percentages: a click waits in the queue.
            if (++pumps == 10) QMetaObject::invokeMethod(f.cancel, "click", Qt::QueuedConnection);
        };
        if (modal) {
            f.dialog->hide();
            QTimer::singleShot(0, f.ok, [&f] { QTest::mouseClick(f.ok, Qt::LeftButton); });
            QCOMPARE(exec_dialog(f), 0);
            QCOMPARE(f.runs, 1);
        } else {
            QTest::mouseClick(f.ok, Qt::LeftButton);
        }

        QCOMPARE(f.last_end, RunEnd::EndedEarly);
        QCOMPARE(pumps_after_cancel, 1);  // the pump that delivered it; then the run ended
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(int(f.stop), 0);

        std::vector<std::string> recs = records(d.read(p.output));
        QVERIFY(recs.size() > 2 && recs.size() < std::size_t(elements) + 2);
        for (const std::string& r : recs) QCOMPARE(r.size(), std::size_t(80));
        // Header and sheet record keep the sheet list's own columns 75-80.
        QCOMPARE(recs[0].substr(74), std::string(6, ' '));
        QCOMPARE(recs[1].substr(74), std::string(6, ' '));
        QCOMPARE(recs[0][0], p.output[0]);
    }

    void cancel_when_idle_writes_nothing() {
        TempDir d;
        write_job(d.path, kPrograms[0], 1);
        ChangeDir cd(d.path);
        Harness h(kPrograms[0]);
        QTest::mouseClick(h.d.frame.cancel, Qt::LeftButton);
        QVERIFY(!h.d.frame.dialog->isVisible());
        QCOMPARE(h.d.frame.runs, 0);
        QVERIFY(!d.exists("P"));
    }

    // A sheet list chosen in another folder makes that folder the place of
    // the job: the run reads and writes there.
    void browse_moves_the_job_data() { add_program_rows(); }
    void browse_moves_the_job() {
        QFETCH(int, program);
        const Program& p = kPrograms[program];
        TempDir d;
        std::string job = make_folder(d, "obra");
        write_job(job, p, 2, "LISTA");
        ChangeDir cd(d.path);
        Harness h(p);
        BrowseSpec asked;
        h.d.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString&) {
            asked = spec;
            return QString::fromStdString(job + "/LISTA");
        };
        QTest::mouseClick(h.d.sheets.browse, Qt::LeftButton);
        QCOMPARE(asked.title, std::string("Abrir archivo DbVexo"));
        QCOMPARE(asked.filter_name, std::string("Archivos Vexo"));
        QCOMPARE(asked.extension, std::string("*"));
        QVERIFY(asked.must_exist);
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
        QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(job)).canonicalPath());

        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QCOMPARE(records(read_file(job + "/" + p.output)).size(), std::size_t(4));
        QVERIFY(!d.exists(p.output));

        // Browse cancelled: the field gets back the name of the last choice.
        h.d.frame.seams.file_dialog = [](QWidget*, const BrowseSpec&, const QString&) { return QString(); };
        h.d.sheets.edit->setText("OTRA");
        QTest::mouseClick(h.d.sheets.browse, Qt::LeftButton);
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
    }

    // The boxes of a run come up while the run works (controls disabled)
    // with their texts converted to UTF-8, and the run goes on.
    void boxes_of_a_run_data() { add_program_rows(); }
    void boxes_of_a_run() {
        QFETCH(int, program);
        const Program& p = kPrograms[program];
        TempDir d;
        write_job(d.path, p, 1);
        std::filesystem::remove(d.file("SVK1234N.bin"));
        std::filesystem::remove(d.file("CATASTRO.TAB"));
        ChangeDir cd(d.path);
        Harness h(p);
        std::vector<QString> states;
        h.d.frame.seams.box = [&](QWidget*, BoxKind kind, const QString& caption, const QString& text) {
            h.boxes.push_back(text);
            h.captions.push_back(caption);
            states.push_back(enabled(h.d) + (kind == BoxKind::Error ? "E" : "?"));
            return true;
        };
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);

        QCOMPARE(h.boxes.size(), std::size_t(2));
        QVERIFY(h.boxes[0].startsWith("ERROR no se pudo abrir la Tabla "));
        QVERIFY(h.boxes[0].endsWith(QString::fromUtf8("/CATASTRO.TAB. Se utilizar\xc3\xa1n los c\xc3\xb3" "digos por defecto")));
        QCOMPARE(h.captions[0], QString("ERROR en CATASTRO.TAB"));
        QCOMPARE(h.boxes[1], QString("No se puede abrir el archivo... SVK1234N.bin\n"));
        QCOMPARE(h.captions[1], QString());
        QCOMPARE(states, std::vector<QString>({"0001E", "0001E"}));
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QCOMPARE(enabled(h.d), QString("1111"));
        QCOMPARE(records(d.read(p.output)).size(), std::size_t(2));  // the sheet keeps its record
    }

    void a_missing_sheet_list_is_a_box_and_the_dialog_stays() {
        TempDir d;
        ChangeDir cd(d.path);
        Harness h(kPrograms[1], "NOEXISTE");
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::EndedEarly);
        QVERIFY(h.boxes.size() >= 1);
        QCOMPARE(h.boxes.back(), QString("No se puede abrir el archivo  NOEXISTE\n"));
        QVERIFY(h.d.frame.dialog->isVisible());
        QCOMPARE(enabled(h.d), QString("1111"));
        QCOMPARE(h.beeps, 1);
    }

    // The programs open their dialog with --gui; the snapshot variable makes
    // it save a picture and return instead of waiting for the operator.
    void the_programs_open_their_dialog_data() { add_program_rows(); }
    void the_programs_open_their_dialog() {
        QFETCH(int, program);
        const Program& p = kPrograms[program];
        TempDir d;
        Result r = run_for_snapshot(d, p.name, {"--gui", "LISTA"});
        QCOMPARE(r.status, 0);
        QImage img(snapshot_path(d));
        QVERIFY(img.width() > 200 && img.height() > 100);
        QVERIFY(!d.exists("P") && !d.exists("X"));
    }

    void without_a_display_the_dialog_is_refused() {
        TempDir d;
        QByteArray platform = qgetenv("QT_QPA_PLATFORM"), display = qgetenv("DISPLAY"),
                   wayland = qgetenv("WAYLAND_DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        Result r = run_program(bin("puntos"), {"--gui"}, d.path);
        if (!platform.isEmpty()) qputenv("QT_QPA_PLATFORM", platform);
        if (!display.isEmpty()) qputenv("DISPLAY", display);
        if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
        QCOMPARE(r.status, 1);
        QVERIFY(QString::fromStdString(r.err).contains("no display for the dialog"));
        QVERIFY(!d.exists("P"));
    }
};

QTEST_MAIN(ExportDialogTest)
#include "export_dialog_test.moc"
