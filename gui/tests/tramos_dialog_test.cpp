// Tests of the segments export dialog: controls and places, the code list,
// runs from OK with the files they write, Cancel during a run and Browse.
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "gui/tests/dialog_test_support.h"
#include "testsupport/fixtures.h"
#include "tramos/dialog.h"
#include "tramos/tramos.h"

using namespace cad;
using namespace cad::gui;
using namespace cad::test;

namespace {

// A segment coded 030102 (a linear-entity code) without an attribute: with
// the code selected the run logs it as missing.
Elem segment(int i) { return line("030102", {1000 + i, 2000, 0, 1100 + i, 2100, 0}); }

// A job of `sheets` sheets with `per_sheet` segments each.
void write_job(const std::string& dir, int sheets, int per_sheet, const char* sheet_list = "TREN") {
    std::string list = header_line('U', 30, 2000) + "\n";
    for (int s = 1; s <= sheets; ++s) {
        std::string name = "HOJA000" + std::to_string(s);
        list += sheet_line("00" + name) + "\n";
        std::vector<Elem> elems;
        for (int i = 0; i < per_sheet; ++i) elems.push_back(segment(i));
        write_file(dir + "/" + name + ".bin", element_file(elems));
    }
    write_file(dir + "/" + sheet_list, list);
    write_file(dir + "/CATASTRO.TAB", "*\n");
}

// The files the same run leaves without a dialog.
std::map<std::string, std::string> files_of_plain_run(int sheets, int per_sheet, const TramosOptions& o) {
    PlainRun run;
    write_job(run.dir.path, sheets, per_sheet, o.sheet_list.c_str());
    tramos_run(run.hooks, o);
    return files_in(run.dir.path);
}

struct Harness : DialogHarness<TramosDialog> {
    explicit Harness(const TramosOptions& initial = {})
        : DialogHarness([&initial](TramosDialog& d) { build_tramos_dialog(d, initial); }) {}
};

// Enabled state of sheet field, Browse, size field, code list, OK, Cancel.
QString enabled(const TramosDialog& d) {
    return enabled_string({d.sheets.edit, d.sheets.browse, d.size, d.codes, d.frame.ok, d.frame.cancel});
}

QStringList selected(const TramosDialog& d) {
    QStringList s;
    for (int i = 0; i < d.codes->count(); ++i)
        if (d.codes->item(i)->isSelected()) s << d.codes->item(i)->text();
    return s;
}

QStringList all_codes() {
    QStringList s;
    for (const char* c : kLinearCodes) s << c;
    return s;
}

}  // namespace

class TramosDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controls() {
        Harness h;
        Frame& f = h.d.frame;
        const DialogUnits& du = f.du;
        QCOMPARE(f.dialog->windowTitle(), QString("Fichero de Tramos"));
        QCOMPARE(f.dialog->size(), to_pixels(du, 0, 0, 292, 156).size());
        auto groups = f.dialog->findChildren<QGroupBox*>();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0]->title(), QString("Archivo DBVEXO"));
        QCOMPARE(groups[0]->geometry(), to_pixels(du, 7, 3, 172, 34));
        QCOMPARE(h.d.sheets.edit->text(), QString("TREN"));
        QCOMPARE(h.d.sheets.edit->geometry(), to_pixels(du, 11, 17, 123, 12));
        QCOMPARE(h.d.sheets.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.sheets.browse->geometry(), to_pixels(du, 138, 16, 35, 14));
        QLabel* size_label = nullptr;
        for (QLabel* l : f.dialog->findChildren<QLabel*>())
            if (l != f.status) size_label = l;
        QVERIFY(size_label);
        QCOMPARE(size_label->text(), QString::fromUtf8("Tama\xc3\xb1o en Mb"));
        QCOMPARE(size_label->geometry(), to_pixels(du, 16, 52, 56, 8));
        QCOMPARE(h.d.size->text(), QString("500"));
        QCOMPARE(h.d.size->geometry(), to_pixels(du, 76, 51, 28, 12));
        QCOMPARE(h.d.codes->geometry(), to_pixels(du, 212, 9, 50, 139));
        QCOMPARE(h.d.codes->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(h.d.codes->count(), 16);
        QCOMPARE(selected(h.d), all_codes());  // in list order, all selected
        QCOMPARE(f.ok->text(), QString("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.ok->geometry(), to_pixels(du, 15, 104, 50, 14));
        QCOMPARE(f.cancel->text(), QString("Cancelar"));
        QCOMPARE(f.cancel->geometry(), to_pixels(du, 125, 104, 50, 14));
        QCOMPARE(f.status->text(), QString());
        QCOMPARE(f.status->geometry(), to_pixels(du, 7, 122, 173, 11));
        QCOMPARE(f.progress->geometry(), to_pixels(du, 7, 138, 173, 11));
        QCOMPARE(f.progress->value(), 0);
        QCOMPARE(enabled(h.d), QString("111111"));
    }

    // Initial values from the command line, and the options read back.
    void initial_values_and_options() {
        TramosOptions initial;
        initial.sheet_list = "LISTA";
        initial.size_text = "7";
        initial.codes = {"060102", "160202"};
        Harness h(initial);
        QCOMPARE(h.d.sheets.edit->text(), QString("LISTA"));
        QCOMPARE(h.d.size->text(), QString("7"));
        QCOMPARE(selected(h.d), QStringList({"060102", "160202"}));
        TramosOptions o = tramos_dialog_options(h.d);
        QCOMPARE(o.sheet_list, std::string("LISTA"));
        QCOMPARE(o.size_text, std::string("7"));
        QCOMPARE(o.codes, std::vector<std::string>({"060102", "160202"}));
    }

    // OK runs the export with the fields and the list as they are: size 0
    // puts the second sheet into a second volume, and a deselected code is
    // no longer reported as missing its attribute.
    void ok_runs_the_export() {
        TempDir d;
        write_job(d.path, 2, 3, "LISTA");
        ChangeDir cd(d.path);
        Harness h;
        std::vector<QString> during;
        h.d.frame.seams.after_pump = [&] { during.push_back(enabled(h.d)); };
        h.d.sheets.edit->selectAll();
        QTest::keyClicks(h.d.sheets.edit, "LISTA");
        h.d.size->selectAll();
        QTest::keyClicks(h.d.size, "0");
        QListWidgetItem* first = h.d.codes->item(0);
        QCOMPARE(first->text(), QString("030102"));
        QTest::mouseClick(h.d.codes->viewport(), Qt::LeftButton, {}, h.d.codes->visualItemRect(first).center());
        QVERIFY(!first->isSelected());
        QCOMPARE(selected(h.d).size(), 15);
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);

        QCOMPARE(h.d.frame.runs, 1);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QVERIFY(!during.empty());
        // Sheet field, Browse, size field and OK off; the list and Cancel on.
        for (const QString& s : during) QCOMPARE(s, QString("000101"));
        QCOMPARE(enabled(h.d), QString("111111"));
        QCOMPARE(int(h.d.frame.stop), 0);
        QCOMPARE(h.beeps, 1);
        QCOMPARE(h.boxes.size(), std::size_t(0));
        QCOMPARE(h.d.frame.status->text(), QString());
        QCOMPARE(h.d.frame.progress->value(), 0);

        TramosOptions o;
        o.sheet_list = "LISTA";
        o.size_text = "0";
        o.codes.erase(o.codes.begin());
        auto expected = files_of_plain_run(2, 3, o);
        auto got = files_in(d.path);
        QCOMPARE(got.size(), expected.size());
        for (const auto& [name, bytes] : expected) QCOMPARE(got[name], bytes);
        QVERIFY(got.count("T.2"));
        QCOMPARE(records(got["T.1"]).size(), std::size_t(1 + 1 + 3 * 2));
        QVERIFY(got["T.err"].find("E.Lineal") == std::string::npos);

        // Selecting the code again brings its lines back on the next run.
        QTest::mouseClick(h.d.codes->viewport(), Qt::LeftButton, {}, h.d.codes->visualItemRect(first).center());
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.runs, 2);
        QVERIFY(d.read("T.err").find("*030102     1 E.Lineal=0\n") != std::string::npos);
    }

    // Cancel during the element walk: the run stops at the next element
    // head, the volumes it wrote are whole records, the dialog closes.
    void cancel_during_a_run() {
        TempDir d;
        write_job(d.path, 1, 400);
        ChangeDir cd(d.path);
        Harness h;
        Frame& f = h.d.frame;
        cancel_at_pump(f, 10);
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QCOMPARE(f.last_end, RunEnd::EndedEarly);
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(int(f.stop), 0);
        std::string volume = d.read("T.1");
        QCOMPARE(volume.size() % 80, std::size_t(0));
        std::size_t n = volume.size() / 80;
        QVERIFY(n > 2 && n < 2 + 400 * 2);
        QVERIFY(d.exists("A"));
    }

    // Browse for a sheet list in another folder: the run reads and writes there.
    void browse_moves_the_job() {
        TempDir d;
        std::string job = make_folder(d, "obra");
        write_job(job, 1, 2, "LISTA");
        ChangeDir cd(d.path);
        Harness h;
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
        QCOMPARE(records(read_file(job + "/T.1")).size(), std::size_t(1 + 1 + 2 * 2));
        QVERIFY(!d.exists("T.1"));
    }

    void a_missing_sheet_list_is_a_box_and_the_dialog_stays() {
        TempDir d;
        d.write("CATASTRO.TAB", "*\n");
        ChangeDir cd(d.path);
        Harness h;
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::EndedEarly);
        QCOMPARE(h.boxes, std::vector<QString>({"No se puede abrir el archivo  TREN"}));
        QVERIFY(h.d.frame.dialog->isVisible());
        QCOMPARE(enabled(h.d), QString("111111"));
    }

    void the_program_opens_its_dialog() {
        TempDir d;
        Result r = run_for_snapshot(d, "tramos", {"--gui", "LISTA", "--size", "20", "--codes=030102"});
        QCOMPARE(r.status, 0);
        QImage img(snapshot_path(d));
        QVERIFY(img.width() > 300 && img.height() > 150);
        QVERIFY(!d.exists("T.1"));
    }
};

QTEST_MAIN(TramosDialogTest)
#include "tramos_dialog_test.moc"
