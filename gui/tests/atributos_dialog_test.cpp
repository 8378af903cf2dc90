// Tests of the street fill dialog: controls and places, the fill from OK,
// the controls a fill disables, its boxes, and Browse for either file.
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "atributos/atributos.h"
#include "atributos/dialog.h"
#include "gui/tests/dialog_test_support.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::gui;
using namespace cad::test;

namespace {

// An attributes file as tramos writes it: a first line, then 68-character records.
std::string attributes_file() {
    std::string first = rec80("A" + header_line('U', 30, 2000).substr(1, 73) + "000002");
    return first + "\n" + "030102" + "0000000123" + std::string(52, ' ') + "\n" + "030202" + "0000000007" +
           std::string(52, ' ') + "\n";
}
const char* const kStreets = "123 CL \"CALLE MAYOR\"\n7 AV \"AVENIDA DEL PUERTO\"\n";

void write_job(const std::string& dir, const char* attributes = "A", const char* streets = "CALLES") {
    write_file(dir + "/" + attributes, attributes_file());
    write_file(dir + "/" + streets, kStreets);
}

// What the same fill leaves without a dialog.
std::string plain_fill(const char* attributes, const char* streets) {
    PlainRun run;
    write_job(run.dir.path, attributes, streets);
    atributos_run(run.hooks, {attributes, streets});
    return run.dir.read(attributes);
}

// Enabled state of attributes field and Browse, streets field and Browse, OK, Cancel.
QString enabled(const AtributosDialog& d) {
    return enabled_string({d.attributes.edit, d.attributes.browse, d.streets.edit, d.streets.browse, d.frame.ok,
                           d.frame.cancel});
}

// The enabled state at each box is kept in `states`.
struct Harness : DialogHarness<AtributosDialog> {
    explicit Harness(const AtributosOptions& initial = {})
        : DialogHarness([&initial](AtributosDialog& d) { build_atributos_dialog(d, initial); }, enabled) {}
};

}  // namespace

class AtributosDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controls() {
        Harness h;
        Frame& f = h.d.frame;
        const DialogUnits& du = f.du;
        QCOMPARE(f.dialog->windowTitle(), QString("Fichero de Atributos"));
        QCOMPARE(f.dialog->size(), to_pixels(du, 0, 0, 201, 138).size());
        auto groups = f.dialog->findChildren<QGroupBox*>();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0]->title(), QString("Fichero de Atributos"));
        QCOMPARE(groups[0]->geometry(), to_pixels(du, 7, 3, 172, 61));
        QCOMPARE(h.d.attributes.edit->text(), QString("A"));
        QCOMPARE(h.d.attributes.edit->geometry(), to_pixels(du, 11, 17, 123, 12));
        QCOMPARE(h.d.attributes.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.attributes.browse->geometry(), to_pixels(du, 138, 16, 35, 14));
        QLabel* label = nullptr;
        for (QLabel* l : f.dialog->findChildren<QLabel*>())
            if (l != f.status) label = l;
        QVERIFY(label);
        QCOMPARE(label->text(), QString("Fichero de calles"));
        QCOMPARE(label->geometry(), to_pixels(du, 13, 36, 71, 9));
        QCOMPARE(h.d.streets.edit->text(), QString("CALLES"));
        QCOMPARE(h.d.streets.edit->geometry(), to_pixels(du, 11, 46, 123, 12));
        QCOMPARE(h.d.streets.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.streets.browse->geometry(), to_pixels(du, 138, 45, 35, 14));
        QCOMPARE(f.ok->text(), QString("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.ok->geometry(), to_pixels(du, 17, 79, 50, 14));
        QCOMPARE(f.cancel->text(), QString("Cancelar"));
        QCOMPARE(f.cancel->geometry(), to_pixels(du, 127, 79, 50, 14));
        QCOMPARE(f.status->text(), QString());
        QCOMPARE(f.status->geometry(), to_pixels(du, 7, 109, 173, 11));
        QVERIFY(f.progress == nullptr);
        QVERIFY(f.dialog->findChildren<QProgressBar*>().isEmpty());
        QVERIFY(!f.pump_enabled);
        QCOMPARE(enabled(h.d), QString("111111"));
    }

    // OK fills the named attributes file from the named streets file, as
    // the fill does without a dialog; a second OK runs it again.
    void ok_runs_the_fill() {
        TempDir d;
        write_job(d.path, "ATR", "VIAS");
        ChangeDir cd(d.path);
        Harness h({"X", "Y"});
        QCOMPARE(h.d.attributes.edit->text(), QString("X"));
        QCOMPARE(h.d.streets.edit->text(), QString("Y"));
        h.d.attributes.edit->setText("ATR");
        h.d.streets.edit->setText("VIAS");
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.runs, 1);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QCOMPARE(h.boxes.size(), std::size_t(0));
        QCOMPARE(h.beeps, 1);
        QCOMPARE(h.d.frame.status->text(), QString());
        QCOMPARE(enabled(h.d), QString("111111"));
        QCOMPARE(h.d.attributes.buffer, std::string("ATR"));
        std::string filled = d.read("ATR");
        QCOMPARE(filled, plain_fill("ATR", "VIAS"));
        QCOMPARE(filled.size(), std::size_t(3 * 80));
        QCOMPARE(filled.substr(80 + 17, 15), std::string("CL     CALLE MA"));
        QVERIFY(!d.exists("tempo.$$$"));
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);  // refilling keeps the result
        QCOMPARE(h.d.frame.runs, 2);
        QCOMPARE(d.read("ATR"), filled);
    }

    // During a fill only the attributes field and OK are off, and the boxes
    // of the fill come up then; the dialog stays for another try.
    void a_missing_attributes_file_is_a_box() {
        TempDir d;
        ChangeDir cd(d.path);
        Harness h;
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::EndedEarly);
        QCOMPARE(h.boxes, std::vector<QString>({"No se puede abrir el archivo  A"}));
        QCOMPARE(h.states, std::vector<QString>({"011101"}));
        QCOMPARE(h.beeps, 1);
        QVERIFY(h.d.frame.dialog->isVisible());
        QCOMPARE(enabled(h.d), QString("111111"));
    }

    // The fill never drains events: a Cancel waiting in the queue is seen
    // only after the fill has rewritten the file, and then closes the dialog.
    void cancel_waits_for_the_fill() {
        TempDir d;
        write_job(d.path);
        ChangeDir cd(d.path);
        Harness h;
        Frame& f = h.d.frame;
        int pumps = 0;
        f.seams.after_pump = [&] { ++pumps; };
        QMetaObject::invokeMethod(f.cancel, "click", Qt::QueuedConnection);
        f.ok->click();
        QCOMPARE(f.last_end, RunEnd::Completed);
        QCOMPARE(pumps, 0);
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(d.read("A"), plain_fill("A", "CALLES"));
        QCoreApplication::processEvents();
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.runs, 1);
    }

    // The attributes file chosen here, then the streets file in another
    // folder: that folder becomes current, and the bare attributes name left
    // in its field now names the file there, which is filled there.
    void browse_moves_the_fill() {
        TempDir d;
        std::string job = make_folder(d, "obra");
        write_job(job);
        d.write("A", attributes_file());
        ChangeDir cd(d.path);
        Harness h;
        std::vector<BrowseSpec> asked;
        h.d.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString&) {
            asked.push_back(spec);
            return QString::fromStdString(asked.size() == 1 ? d.file("A") : job + "/CALLES");
        };
        QTest::mouseClick(h.d.attributes.browse, Qt::LeftButton);
        QTest::mouseClick(h.d.streets.browse, Qt::LeftButton);
        QCOMPARE(asked.size(), std::size_t(2));
        QCOMPARE(asked[0].title, std::string("ATRIBUTOS"));
        QCOMPARE(asked[0].filter_name, std::string("Fichero Atributos"));
        QCOMPARE(asked[1].title, std::string("CALLES"));
        QCOMPARE(asked[1].filter_name, std::string("CALLES"));
        for (const BrowseSpec& s : asked) {
            QCOMPARE(s.extension, std::string("*"));
            QVERIFY(s.must_exist);
        }
        QCOMPARE(h.d.attributes.edit->text(), QString("A"));
        QCOMPARE(h.d.streets.edit->text(), QString("CALLES"));
        QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(job)).canonicalPath());
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QCOMPARE(read_file(job + "/A"), plain_fill("A", "CALLES"));
        QCOMPARE(d.read("A"), attributes_file());  // the other folder's file is not touched

        // Browse cancelled: the field gets back the last choice.
        h.d.frame.seams.file_dialog = [](QWidget*, const BrowseSpec&, const QString&) { return QString(); };
        h.d.streets.edit->setText("OTRO");
        QTest::mouseClick(h.d.streets.browse, Qt::LeftButton);
        QCOMPARE(h.d.streets.edit->text(), QString("CALLES"));
    }

    void the_program_opens_its_dialog() {
        TempDir d;
        Result r = run_for_snapshot(d, "atributos", {"--gui", "ATR", "VIAS"});
        QCOMPARE(r.status, 0);
        QImage img(snapshot_path(d));
        QVERIFY(img.width() > 200 && img.height() > 100);
    }
};

QTEST_MAIN(AtributosDialogTest)
#include "atributos_dialog_test.moc"
