// Tests of the dialog frame: dialog units, Browse, message boxes, and the
// run from OK with its stop flag, enabling and message pump.
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "gui/frame.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::gui;

namespace {

// A frame with one file field, OK/Cancel, status line and progress bar.
struct TestDialog {
    Frame frame;
    FileField field;
    std::vector<QString> boxes;
    std::vector<BoxKind> kinds;
    std::vector<QString> captions;
    int beeps = 0;
};

void build(TestDialog& t, std::string_view initial = "TREN") {
    Frame& f = t.frame;
    frame_open(f, "Prueba", CodePage::Windows1252, 201, 122);
    BrowseSpec spec{"Abrir archivo DbVexo", "Archivos Vexo", "*", true, CodePage::Windows1252};
    add_file_field(f, t.field, initial, spec, QRect(11, 17, 123, 12), QRect(138, 16, 35, 14));
    add_ok_cancel(f, QRect(17, 53, 50, 14), QRect(127, 53, 50, 14));
    add_status(f, 7, 83, 173, 11);
    add_progress(f, 7, 99, 173, 11);
    f.disabled_while_running.push_back(t.field.edit);
    f.seams.box = [&t](QWidget*, BoxKind kind, const QString& caption, const QString& text) {
        t.boxes.push_back(text);
        t.kinds.push_back(kind);
        t.captions.push_back(caption);
        return true;
    };
    f.seams.beep = [&t] { ++t.beeps; };
    f.dialog->show();
}

// Clicks a button of the active modal box once it is up, after checking it.
void answer_box_later(QMessageBox::Icon icon, QString title, QString text, QString button, bool* checked) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        *checked = box->icon() == icon && box->windowTitle() == title && box->text() == text &&
                   box->textFormat() == Qt::PlainText;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button) b->click();
    });
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT

private slots:
    void dialog_units_round_to_nearest_data() {
        QTest::addColumn<int>("cw");
        QTest::addColumn<int>("ch");
        QTest::addColumn<QRect>("du");
        QTest::addColumn<QRect>("px");
        // A unit is a quarter of the character width and an eighth of its height.
        QTest::newRow("6x13 group box") << 6 << 13 << QRect(7, 3, 172, 34) << QRect(11, 5, 258, 55);
        QTest::newRow("6x13 edit") << 6 << 13 << QRect(11, 17, 123, 12) << QRect(17, 28, 185, 20);
        QTest::newRow("7x14 dialog") << 7 << 14 << QRect(0, 0, 201, 122) << QRect(0, 0, 352, 214);
        QTest::newRow("5x10 button") << 5 << 10 << QRect(138, 16, 35, 14) << QRect(173, 20, 44, 18);
    }
    void dialog_units_round_to_nearest() {
        QFETCH(int, cw);
        QFETCH(int, ch);
        QFETCH(QRect, du);
        QFETCH(QRect, px);
        QCOMPARE(to_pixels(DialogUnits{cw, ch}, du.x(), du.y(), du.width(), du.height()), px);
    }

    void the_frame_is_sized_from_its_font() {
        TestDialog t;
        build(t);
        const DialogUnits& du = t.frame.du;
        QFontMetrics fm(t.frame.dialog->font());
        QCOMPARE(du.char_height, fm.height());
        QVERIFY(du.char_width >= 3 && du.char_width <= 12);
        QCOMPARE(t.frame.dialog->size(), to_pixels(du, 0, 0, 201, 122).size());
        QCOMPARE(t.field.edit->geometry(), to_pixels(du, 11, 17, 123, 12));
    }

    void browse_filters_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("first");
        QTest::newRow("any file, names without a dot too") << "*" << "Archivos Vexo (*)";
        QTest::newRow("both letter cases") << "DBF" << "Archivos Vexo (*.DBF *.dbf)";
    }
    void browse_filters() {
        QFETCH(QString, ext);
        QFETCH(QString, first);
        BrowseSpec spec{"t", "Archivos Vexo", ext.toStdString(), true, CodePage::Windows1252};
        QStringList filters = gui::browse_filters(spec);
        QCOMPARE(filters, QStringList({first, "Todos los archivos (*)"}));
    }

    void browse_makes_the_folder_current() {
        test::TempDir d;
        test::ChangeDir cd(d.path);
        std::filesystem::create_directory(d.file("trabajo a\xc3\xb1o"));
        TestDialog t;
        build(t);
        QString asked_title, asked_start;
        t.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec& spec, const QString& start) {
            asked_title = qtext(spec.title, spec.cp);
            asked_start = start;
            return QString::fromStdString(d.path) + QString::fromUtf8("/trabajo a\xc3\xb1o/LISTA \xc3\xb1");
        };
        QTest::mouseClick(t.field.browse, Qt::LeftButton);
        QCOMPARE(asked_title, QString("Abrir archivo DbVexo"));
        QCOMPARE(asked_start, QDir(QString::fromStdString(d.path)).canonicalPath());
        // The folder is now current; the field and buffer hold the bare name,
        // the buffer as the file system spells it (UTF-8 bytes).
        QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(d.file("trabajo a\xc3\xb1o"))).canonicalPath());
        QCOMPARE(t.field.edit->text(), QString::fromUtf8("LISTA \xc3\xb1"));
        QCOMPARE(t.field.buffer, std::string("LISTA \xc3\xb1"));
    }

    void browse_cancelled_puts_the_buffer_back() {
        test::TempDir d;
        test::ChangeDir cd(d.path);
        TestDialog t;
        build(t);
        t.frame.seams.file_dialog = [](QWidget*, const BrowseSpec&, const QString&) { return QString(); };
        t.field.edit->clear();
        QTest::keyClicks(t.field.edit, "OTRA");
        QVERIFY(!browse(t.frame, t.field));
        QCOMPARE(t.field.edit->text(), QString("TREN"));
        QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(d.path)).canonicalPath());
    }

    void browse_into_a_missing_folder_is_refused() {
        test::TempDir d;
        test::ChangeDir cd(d.path);
        TestDialog t;
        build(t);
        t.frame.seams.file_dialog = [&](QWidget*, const BrowseSpec&, const QString&) {
            return QString::fromStdString(d.path) + "/no/existe/LISTA";
        };
        QVERIFY(!browse(t.frame, t.field));
        QCOMPARE(t.boxes.size(), std::size_t(1));
        QVERIFY(t.boxes[0].startsWith("No se puede abrir el directorio  "));
        QCOMPARE(t.field.edit->text(), QString("TREN"));
        QCOMPARE(QDir::currentPath(), QDir(QString::fromStdString(d.path)).canonicalPath());
    }

    void boxes_convert_their_code_page() {
        TestDialog t;
        build(t);
        t.frame.message_box("El archivo DbVexo X est\xE1 vac\xEDo", CodePage::Windows1252, "");
        t.frame.info_box("Fin del proceso\nTiempo empleado  00:05", CodePage::Cp850, "QUIRAN");
        t.frame.message_box("Traducci\xA2n", CodePage::Cp850, "ERROR en CATASTRO.TAB");
        QCOMPARE(t.boxes.size(), std::size_t(3));
        QCOMPARE(t.boxes[0], QString::fromUtf8("El archivo DbVexo X est\xc3\xa1 vac\xc3\xado"));
        QCOMPARE(t.kinds[0], BoxKind::Error);
        QCOMPARE(t.captions[0], QString());
        QCOMPARE(t.kinds[1], BoxKind::Information);
        QCOMPARE(t.captions[1], QString("QUIRAN"));
        QCOMPARE(t.boxes[2], QString::fromUtf8("Traducci\xc3\xb3n"));
        QCOMPARE(t.captions[2], QString("ERROR en CATASTRO.TAB"));
    }

    // The real boxes: icon, caption, plain text, and the answer of a question.
    void real_boxes_are_modal_and_answered() {
        Frame f;
        frame_open(f, "Prueba", CodePage::Windows1252, 201, 122);
        f.dialog->show();
        bool checked = false;
        answer_box_later(QMessageBox::Critical, "", "C\xc3\xb3" "digo erroneo <X>", "OK", &checked);
        f.message_box("C\xF3" "digo erroneo <X>", CodePage::Windows1252, "");
        QVERIFY(checked);
        checked = false;
        answer_box_later(QMessageBox::Information, "QUIRAN", "Fin del proceso", "OK", &checked);
        f.info_box("Fin del proceso", CodePage::Cp850, "QUIRAN");
        QVERIFY(checked);
        checked = false;
        answer_box_later(QMessageBox::Question, "", "Sobrescribir?", "No", &checked);
        QVERIFY(!f.question_box("Sobrescribir?", CodePage::Cp850, ""));
        QVERIFY(checked);
        answer_box_later(QMessageBox::Question, "", "Sobrescribir?", QString::fromUtf8("S\xc3\xad"), &checked);
        QVERIFY(f.question_box("Sobrescribir?", CodePage::Cp850, ""));
        QVERIFY(QApplication::activeModalWidget() == nullptr || QApplication::activeModalWidget() == f.dialog.get());
    }

    void a_run_disables_and_enables_the_controls() {
        TestDialog t;
        build(t);
        Frame& f = t.frame;
        QVERIFY(QTest::qWaitForWindowActive(f.dialog.get()));
        QTest::mouseClick(f.ok, Qt::LeftButton);  // OK has the focus now
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.ok));
        bool during[4] = {};
        int stop_during = -1, progress_during = -1;
        QString status_during;
        RunEnd end = run_from_ok(f, [&](Hooks& hooks) {
            status_line(hooks, "Leyendo el fichero  A\xD1O.bin");
            progress_start(hooks, 200);
            progress_update(hooks, 100);
            during[0] = t.field.edit->isEnabled();
            during[1] = f.ok->isEnabled();
            during[2] = t.field.browse->isEnabled();
            during[3] = f.cancel->isEnabled();
            stop_during = *hooks.stop;
            status_during = f.status->text();
            progress_during = f.progress->value();
            return RunEnd::Completed;
        });
        QCOMPARE(end, RunEnd::Completed);
        QCOMPARE(stop_during, 1);
        QCOMPARE(status_during, QString::fromUtf8("Leyendo el fichero  A\xc3\x91O.bin"));
        QCOMPARE(progress_during, 50);
        QVERIFY(!during[0] && !during[1]);
        QVERIFY(during[2] && during[3]);  // not in this frame's disabled list
        QVERIFY(t.field.edit->isEnabled() && f.ok->isEnabled());
        QCOMPARE(int(f.stop), 0);
        QCOMPARE(t.beeps, 1);
        QCOMPARE(f.runs, 1);
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.ok));
    }

    // A Cancel click waiting in the queue is delivered by the pump: the flag
    // drops at once and the dialog closes; the run goes on to its own end.
    void cancel_delivered_by_the_pump_data() {
        QTest::addColumn<bool>("stops");
        QTest::addColumn<bool>("close_box");
        QTest::newRow("Cancel stops the run") << true << false;
        QTest::newRow("title bar close stops the run") << true << true;
        QTest::newRow("the run is not interrupted") << false << false;
    }
    void cancel_delivered_by_the_pump() {
        QFETCH(bool, stops);
        QFETCH(bool, close_box);
        TestDialog t;
        build(t);
        Frame& f = t.frame;
        f.cancel_stops_run = stops;
        std::vector<int> flags;
        bool visible_in_run_after_cancel = false;
        run_from_ok(f, [&](Hooks& hooks) {
            if (close_box)
                QTimer::singleShot(0, f.dialog.get(), [&f] { f.dialog->close(); });
            else
                QMetaObject::invokeMethod(f.cancel, "click", Qt::QueuedConnection);
            flags.push_back(int(*hooks.stop));
            status_line(hooks, "uno");  // pumps
            flags.push_back(int(*hooks.stop));
            visible_in_run_after_cancel = f.dialog->isVisible();
            return RunEnd::EndedEarly;
        });
        QCOMPARE(flags[0], 1);
        QCOMPARE(flags[1], stops ? 0 : 1);
        QCOMPARE(visible_in_run_after_cancel, !stops);
        QVERIFY(!f.dialog->isVisible());
        QCOMPARE(f.dialog->result(), int(QDialog::Rejected));
        QCOMPARE(int(f.stop), 0);
        QCOMPARE(f.last_end, RunEnd::EndedEarly);
    }

    // A run that sounds its own beep before its closing box gets no second one.
    void a_run_that_beeps_itself_is_not_beeped_again() {
        TestDialog t;
        build(t);
        t.frame.beep_after_run = false;
        std::vector<QString> order;
        t.frame.seams.beep = [&] { order.push_back("beep"); };
        t.frame.seams.box = [&](QWidget*, BoxKind, const QString&, const QString& text) {
            order.push_back(text + (t.frame.ok->isEnabled() ? " enabled" : " disabled"));
            return true;
        };
        run_from_ok(t.frame, [](Hooks& hooks) {
            beep(hooks);
            info_box(hooks, "Fin del proceso", CodePage::Cp850, "QUIRAN");
            return RunEnd::Completed;
        });
        QCOMPARE(order, std::vector<QString>({"beep", "Fin del proceso disabled"}));
        QVERIFY(t.frame.ok->isEnabled());
    }

    void cancel_when_idle_leaves() {
        TestDialog t;
        build(t);
        QTest::mouseClick(t.frame.cancel, Qt::LeftButton);
        QVERIFY(!t.frame.dialog->isVisible());
        QCOMPARE(t.frame.runs, 0);
        QCOMPARE(t.beeps, 0);
    }

    void info_lines_go_to_the_list_when_there_is_one() {
        TestDialog t;
        build(t);
        t.frame.info_line("ignorada", CodePage::Cp850);  // no list: nothing happens
        t.frame.info_list = new QListWidget(t.frame.dialog.get());
        t.frame.info_line("Modalidad r\xA3stica", CodePage::Cp850);
        QCOMPARE(t.frame.info_list->count(), 1);
        QCOMPARE(t.frame.info_list->item(0)->text(), QString::fromUtf8("Modalidad r\xc3\xbastica"));
    }
};

QTEST_MAIN(FrameTest)
#include "frame_test.moc"
