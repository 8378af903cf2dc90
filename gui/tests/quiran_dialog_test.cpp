// Tests of the import dialog: controls and initial values, an import from OK
// with its listing, overwrite question and closing box, Cancel that waits
// for the import, both Browse buttons and "Editar".
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

#include "dbase/tests/dbf_fixture.h"
#include "gui/tests/dialog_test_support.h"
#include "quiran/dialog.h"
#include "quiran/quiran.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::gui;
using namespace cad::test;

namespace {

constexpr long X = 41350000, Y = 442470000;

std::string put_at(std::string rec, std::size_t col, std::string_view text) {
    if (rec.size() < col - 1 + text.size()) rec.resize(col - 1 + text.size(), ' ');
    rec.replace(col - 1, text.size(), text);
    return rec;
}
std::string num(const char* fmt, long v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// A points exchange file of one sheet with `points` point records, each
// 80-character record followed by a line end (read with length 81).
std::string points_file(long points) {
    std::string h = header_line('U', 30, 1000);
    h[0] = 'P';
    h = put_at(h.replace(2, 2, "P1"), 75, num("%6ld", points));
    std::string s = h + "\n" + put_at(rec80("/30SVK1234N"), 75, num("%6ld", points)) + "\n";
    for (long i = 0; i < points; ++i) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%.6s%06d30%08ld%09ld%07ld 00%03ld%04ld", "028113", 1, X + i, Y, 1234L, 0L,
                      0L);
        s += rec80(buf) + "\n";
    }
    return s;
}

// A job folder: catalog with the active table TAB, the translation table and
// the exchange file E.
void write_job(const std::string& dir, long points = 3) {
    std::vector<FieldDef> fields = {{"REGISTRO", 'N', 6}, {"MANZANA", 'C', 5}, {"PARCELA", 'C', 5}};
    write_file(dir + "/CATDBS.DBF", dbf_catalog({{7, "TAB"}}));
    write_file(dir + "/TAB.DBF", dbf_table(fields, {}));
    write_file(dir + "/QUIRAN.TAB", "018501 7\n");
    write_file(dir + "/E", points_file(points));
}

// The listing, log and element file of the same import without a dialog.
struct Plain {
    std::vector<std::string> infos;
    std::string log;
    std::size_t element_size = 0;
};
Plain plain_import(const QuiranOptions& given) {
    PlainRun run;
    write_job(run.dir.path);
    QuiranOptions o = given;
    o.db_directory = run.dir.path;
    quiran_import(run.hooks, o);
    return {run.fe.infos, run.dir.read("QUIRAN.ERR"), run.dir.read("SVK1234N.P").size()};
}

struct Box {
    BoxKind kind;
    QString caption, text, state;
};

// Enabled state: exchange field, its Browse, table field, its Browse,
// database field, record length, Editar, OK, Cancel.
QString enabled(const QuiranDialog& d) {
    return enabled_string({d.exchange.edit, d.exchange.browse, d.table.edit, d.table.browse, d.db_directory,
                           d.record_length, d.edit_log, d.frame.ok, d.frame.cancel});
}

struct Harness {
    QuiranDialog d;
    std::vector<Box> boxes;
    std::vector<QString> events;  // beeps and boxes in order
    bool answer = true;
    std::vector<QString> opened;
    explicit Harness(const QuiranOptions& initial) {
        build_quiran_dialog(d, initial);
        d.frame.seams.box = [this](QWidget*, BoxKind kind, const QString& caption, const QString& text) {
            boxes.push_back({kind, caption, text, enabled(d)});
            events.push_back(text);
            return answer;
        };
        d.frame.seams.beep = [this] { events.push_back("beep"); };
        d.open_in_editor = [this](const QString& path) {
            opened.push_back(path);
            return true;
        };
        d.frame.dialog->show();
    }
};

QuiranOptions defaults_here() {
    QuiranOptions o;
    o.db_directory = current_directory();
    return o;
}

QStringList listed(const QListWidget* list) {
    QStringList l;
    for (int i = 0; i < list->count(); ++i) l << list->item(i)->text();
    return l;
}
QStringList utf8(const std::vector<std::string>& lines) {
    QStringList l;
    for (const auto& s : lines) l << QString::fromStdString(to_utf8(s, CodePage::Cp850));
    return l;
}

}  // namespace

class QuiranDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controls_and_initial_values() {
        TempDir d;
        ChangeDir cd(d.path);
        Harness h(defaults_here());
        Frame& f = h.d.frame;
        QCOMPARE(f.dialog->windowTitle(), QString::fromUtf8("Traducci\xc3\xb3n de Catastro a Vexo"));
        auto groups = f.dialog->findChildren<QGroupBox*>();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(groups[0]->title(), QString("Archivos"));
        QStringList labels;
        for (QLabel* l : f.dialog->findChildren<QLabel*>())
            if (l != f.status) labels << l->text();
        QCOMPARE(labels, QStringList({"Fichero Catastro", "Tabla Activa", "Directorio bases datos",
                                      "Longitud registro", "QUIRAN.ERR"}));
        QCOMPARE(h.d.exchange.edit->text(), QString());
        QCOMPARE(h.d.table.edit->text(), QString("TAB"));
        QCOMPARE(h.d.db_directory->text(), QString::fromStdString(current_directory()));
        QCOMPARE(h.d.record_length->text(), QString("80"));
        QCOMPARE(h.d.exchange.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.table.browse->text(), QString("Buscar..."));
        QCOMPARE(h.d.edit_log->text(), QString("Editar"));
        QCOMPARE(f.ok->text(), QString("OK"));
        QVERIFY(f.ok->isDefault());
        QCOMPARE(f.cancel->text(), QString("Cancelar"));
        QVERIFY(f.info_list);
        QCOMPARE(f.info_list->count(), 0);
        QCOMPARE(f.status->text(), QString());
        QCOMPARE(f.progress->minimum(), 0);
        QCOMPARE(f.progress->maximum(), 100);
        QCOMPARE(f.progress->value(), 0);
        // Top to bottom as the operators know it; everything inside the dialog.
        std::vector<QWidget*> order = {h.d.exchange.edit, h.d.table.edit, h.d.db_directory, h.d.record_length,
                                       f.info_list,       h.d.edit_log,   f.ok,             f.status,
                                       f.progress};
        for (std::size_t i = 1; i < order.size(); ++i) QVERIFY(order[i - 1]->y() < order[i]->y());
        QVERIFY(groups[0]->geometry().contains(h.d.table.browse->geometry()));
        for (QWidget* w : f.dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY(f.dialog->rect().contains(w->geometry()));
        QVERIFY(!f.cancel_stops_run);
        QCOMPARE(enabled(h.d), QString("111111111"));
    }

    // OK imports the file with the fields' values: the listing fills the
    // info list, the beep and then the closing box come while the controls
    // are still off, and the focus ends on Cancel. A second OK clears the
    // list first and asks before overwriting the element file.
    void ok_runs_the_import() {
        TempDir d;
        write_job(d.path);
        ChangeDir cd(d.path);
        Harness h(defaults_here());
        std::vector<QString> during;
        h.d.frame.seams.after_pump = [&] { during.push_back(enabled(h.d)); };
        QTest::keyClicks(h.d.exchange.edit, "E");
        h.d.record_length->setText("81");
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);

        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QVERIFY(!during.empty());
        // Fields, Browse, length, Editar and OK off; database field and Cancel on.
        for (const QString& s : during) QCOMPARE(s, QString("000010001"));
        QCOMPARE(h.events.size(), std::size_t(2));
        QCOMPARE(h.events[0], QString("beep"));
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].kind, BoxKind::Information);
        QCOMPARE(h.boxes[0].caption, QString("QUIRAN"));
        QVERIFY(h.boxes[0].text.startsWith("Fin del proceso\nTiempo empleado  00:0"));
        QCOMPARE(h.boxes[0].state, QString("000010001"));
        QCOMPARE(enabled(h.d), QString("111111111"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.d.frame.cancel));
        QCOMPARE(h.d.frame.status->text(), QString());
        QCOMPARE(h.d.frame.progress->value(), 0);
        QVERIFY(h.d.frame.dialog->isVisible());

        QuiranOptions o;
        o.exchange = "E";
        o.record_length = "81";
        Plain plain = plain_import(o);
        QCOMPARE(listed(h.d.frame.info_list), utf8(plain.infos));
        QCOMPARE(h.d.frame.info_list->count(), 10);
        QCOMPARE(d.read("QUIRAN.ERR"), plain.log);
        QCOMPARE(d.read("SVK1234N.P").size(), plain.element_size);
        QVERIFY(plain.element_size > 0);

        h.boxes.clear();
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.runs, 2);
        QCOMPARE(h.boxes.size(), std::size_t(2));
        QCOMPARE(h.boxes[0].kind, BoxKind::Question);
        QCOMPARE(h.boxes[0].text, QString("El PLANO SVK1234N.P ya existe se SOBRESCRIBE\nCONTINUAR ?"));
        QCOMPARE(h.boxes[1].caption, QString("QUIRAN"));
        QCOMPARE(h.d.frame.info_list->count(), 11);  // the overwrite line too, not the first run's lines
        QCOMPARE(h.d.frame.info_list->item(9)->text(), QString("El PLANO SVK1234N.P ya existe se SOBRESCRIBE"));
    }

    // A run that ends on an error still ends with the closing box.
    void the_closing_box_follows_a_failed_run() {
        TempDir d;
        write_job(d.path);
        ChangeDir cd(d.path);
        QuiranOptions o = defaults_here();
        o.exchange = "NOEXISTE";
        Harness h(o);
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::EndedEarly);
        QCOMPARE(h.boxes.size(), std::size_t(2));
        QCOMPARE(h.boxes[0].kind, BoxKind::Error);
        QCOMPARE(h.boxes[0].text, QString("No se puede abrir el fichero de catastro NOEXISTE"));
        QCOMPARE(h.boxes[0].caption, QString());
        QCOMPARE(h.boxes[1].kind, BoxKind::Information);
        QVERIFY(h.boxes[1].text.startsWith("Fin del proceso\n"));
        QCOMPARE(h.events.front(), h.boxes[0].text);
        QVERIFY(h.d.frame.dialog->isVisible());
        QCOMPARE(enabled(h.d), QString("111111111"));
    }

    // Cancel during an import does not interrupt it: the import writes the
    // whole sheet, the closing box comes, and then the dialog closes.
    void cancel_waits_for_the_import() {
        TempDir d;
        write_job(d.path, 400);
        ChangeDir cd(d.path);
        QuiranOptions o = defaults_here();
        o.exchange = "E";
        o.record_length = "81";
        Harness h(o);
        Frame& f = h.d.frame;
        int pumps = 0;
        bool visible_after_cancel = true;
        f.seams.after_pump = [&] {
            if (++pumps == 2) QMetaObject::invokeMethod(f.cancel, "click", Qt::QueuedConnection);
            if (pumps > 2) visible_after_cancel = visible_after_cancel && f.dialog->isVisible();
        };
        QTest::mouseClick(f.ok, Qt::LeftButton);
        QVERIFY(pumps > 10);
        QVERIFY(visible_after_cancel);
        QCOMPARE(f.last_end, RunEnd::Completed);
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].caption, QString("QUIRAN"));
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(listed(f.info_list).back(), QString("Elementos leidos=400    "));
    }

    // Browse for the exchange file moves the current directory there and
    // puts it into the database field; a cancelled Browse changes nothing.
    void browse_for_the_exchange_file() {
        TempDir d;
        std::string job = make_folder(d, "obra");
        write_job(job);
        ChangeDir cd(d.path);
        Harness h(defaults_here());
        BrowseSpec asked;
        h.d.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString&) {
            asked = spec;
            return QString::fromStdString(job + "/E");
        };
        h.d.db_directory->setText("/escrito");
        QTest::mouseClick(h.d.exchange.browse, Qt::LeftButton);
        QCOMPARE(asked.title, std::string("Abrir archivo"));
        QCOMPARE(asked.filter_name, std::string("Archivos"));
        QCOMPARE(asked.extension, std::string("*"));
        QVERIFY(asked.must_exist);
        QCOMPARE(browse_filters(asked), QStringList({"Archivos (*)", "Todos los archivos (*)"}));
        QCOMPARE(h.d.exchange.edit->text(), QString("E"));
        QCOMPARE(QDir::currentPath(), canonical(job));
        QCOMPARE(h.d.db_directory->text(), canonical(job));
        h.d.record_length->setText("81");
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);
        QVERIFY(std::filesystem::exists(job + "/SVK1234N.P"));
        QVERIFY(std::filesystem::exists(job + "/QUIRAN.ERR"));

        h.d.frame.seams.file_dialog = [](QWidget*, const BrowseSpec&, const QString&) { return QString(); };
        h.d.exchange.edit->clear();
        QTest::keyClicks(h.d.exchange.edit, "OTRO");
        h.d.db_directory->setText("/escrito");
        QTest::mouseClick(h.d.exchange.browse, Qt::LeftButton);
        QCOMPARE(h.d.exchange.edit->text(), QString("OTRO"));
        QCOMPARE(h.d.db_directory->text(), QString("/escrito"));
        QCOMPARE(QDir::currentPath(), canonical(job));
    }

    // Browse for the table: the name goes into its field and the current
    // directory moves, but the database field is left as it was.
    void browse_for_the_table() {
        TempDir d;
        write_job(d.path);
        std::string other = make_folder(d, "otra");
        ChangeDir cd(d.path);
        Harness h(defaults_here());
        std::vector<BrowseSpec> asked;
        h.d.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString&) {
            asked.push_back(spec);
            return QString::fromStdString(asked.size() == 1 ? d.file("TAB.DBF") : other + "/NUEVA.DBF");
        };
        QTest::mouseClick(h.d.table.browse, Qt::LeftButton);
        QCOMPARE(asked[0].title, std::string("Abrir Tabla"));
        QCOMPARE(asked[0].filter_name, std::string("Tablas"));
        QCOMPARE(asked[0].extension, std::string("DBF"));
        QVERIFY(!asked[0].must_exist);
        QCOMPARE(browse_filters(asked[0]), QStringList({"Tablas (*.DBF *.dbf)", "Todos los archivos (*)"}));
        QCOMPARE(h.d.table.edit->text(), QString("TAB.DBF"));
        // The table chosen by its file name is the catalog's TAB.
        h.d.exchange.edit->setText("E");
        h.d.record_length->setText("81");
        QTest::mouseClick(h.d.frame.ok, Qt::LeftButton);
        QCOMPARE(h.d.frame.last_end, RunEnd::Completed);

        QString db = h.d.db_directory->text();
        QTest::mouseClick(h.d.table.browse, Qt::LeftButton);
        QCOMPARE(h.d.table.edit->text(), QString("NUEVA.DBF"));
        QCOMPARE(QDir::currentPath(), canonical(other));
        QCOMPARE(h.d.db_directory->text(), db);
    }

    // "Editar" opens the current directory's QUIRAN.ERR in the editor; with
    // no log there it says so.
    void editar_opens_the_log() {
        TempDir d;
        ChangeDir cd(d.path);
        Harness h(defaults_here());
        QTest::mouseClick(h.d.edit_log, Qt::LeftButton);
        QCOMPARE(h.opened.size(), std::size_t(0));
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QCOMPARE(h.boxes[0].kind, BoxKind::Error);
        QCOMPARE(h.boxes[0].text, QString("No se puede abrir el fichero QUIRAN.ERR"));

        d.write("QUIRAN.ERR", "registro\n");
        QTest::mouseClick(h.d.edit_log, Qt::LeftButton);
        QCOMPARE(h.opened, std::vector<QString>({canonical(d.path) + "/QUIRAN.ERR"}));
        QCOMPARE(h.boxes.size(), std::size_t(1));
        QVERIFY(h.d.frame.dialog->isVisible());

        h.d.open_in_editor = [](const QString&) { return false; };  // no editor could be started
        QTest::mouseClick(h.d.edit_log, Qt::LeftButton);
        QCOMPARE(h.boxes.size(), std::size_t(2));
        QCOMPARE(h.boxes[1].text, QString("No se puede abrir el fichero QUIRAN.ERR"));
    }

    void the_program_opens_its_dialog() {
        TempDir d;
        Result r = run_for_snapshot(d, "QUIRAN", {"--gui", "E", "--record-length", "81"});
        QCOMPARE(r.status, 0);
        QImage img(snapshot_path(d));
        QVERIFY(img.width() > 300 && img.height() > 300);
        QVERIFY(!d.exists("QUIRAN.ERR"));
    }
};

QTEST_MAIN(QuiranDialogTest)
#include "quiran_dialog_test.moc"
