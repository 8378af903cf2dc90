// frame.cpp - the dialog frame of the graphical programs and its front-end hooks.
#include "gui/frame.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace cad::gui {

namespace {

// Rounds v * n / d to nearest, as dialog templates are mapped to pixels.
int mul_div(int v, int n, int d) {
    long long p = static_cast<long long>(v) * n;
    return static_cast<int>(p >= 0 ? (p + d / 2) / d : -((-p + d / 2) / d));
}

bool show_box(Frame& f, BoxKind kind, const QString& caption, const QString& text) {
    if (f.seams.box) return f.seams.box(f.dialog.get(), kind, caption, text);
    QMessageBox::Icon icon = kind == BoxKind::Error         ? QMessageBox::Critical
                             : kind == BoxKind::Information ? QMessageBox::Information
                                                            : QMessageBox::Question;
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, f.dialog.get());
    box.setTextFormat(Qt::PlainText);  // message texts may hold '<' and '>'
    if (kind != BoxKind::Question) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return true;
    }
    QPushButton* yes = box.addButton(QString::fromUtf8("S\u00ed"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

QString open_file_dialog(QWidget* owner, const BrowseSpec& spec, const QString& start_dir) {
    QFileDialog dlg(owner, qtext(spec.title, spec.cp), start_dir);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(spec.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setNameFilters(browse_filters(spec));
    if (spec.extension != "*") dlg.setDefaultSuffix(qtext(spec.extension, spec.cp));
    if (dlg.exec() != QDialog::Accepted) return {};
    QStringList files = dlg.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

// Xvfb has no window manager, so the picture gets a plain caption strip of
// its own to show the dialog's caption.
QImage with_caption(const QPixmap& body, const QString& caption, const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    QFontMetrics fm(bold);
    int bar = fm.height() + 8;
    QImage img(body.width() + 2, body.height() + bar + 2, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 128));
    QPainter p(&img);
    p.fillRect(1, 1, body.width(), bar, QColor(0, 0, 128));
    p.setPen(Qt::white);
    p.setFont(bold);
    p.drawText(QRect(7, 1, body.width() - 12, bar), Qt::AlignVCenter | Qt::AlignLeft, caption);
    p.drawPixmap(1, 1 + bar, body);
    p.end();
    return img;
}

int snapshot(Frame& f, const char* path) {
    FrameDialog* d = f.dialog.get();
    d->show();
    QEventLoop settle;  // let the window be mapped and painted
    QTimer::singleShot(400, &settle, &QEventLoop::quit);
    settle.exec();
    QPixmap body;
    if (QScreen* screen = d->screen()) body = screen->grabWindow(d->winId());
    if (body.isNull() || body.size() != d->size()) body = d->grab();
    QImage img = with_caption(body, d->windowTitle(), d->font());
    d->hide();
    if (!img.save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "cannot write the picture '%s'\n", path);
        return 1;
    }
    return 0;
}

bool display_available() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    return false;
}

}  // namespace

DialogUnits dialog_units(const QFont& font) {
    QFontMetrics fm(font);
    int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, fm.height()};
}

QRect to_pixels(const DialogUnits& du, int x, int y, int width, int height) {
    return QRect(mul_div(x, du.char_width, 4), mul_div(y, du.char_height, 8), mul_div(width, du.char_width, 4),
                 mul_div(height, du.char_height, 8));
}

QString qtext(std::string_view text, CodePage cp) { return QString::fromStdString(to_utf8(text, cp)); }

std::string file_name_bytes(const QString& name) { return QFile::encodeName(name).toStdString(); }

QString file_name_text(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QStringList browse_filters(const BrowseSpec& spec) {
    QString pattern = QStringLiteral("*");
    if (spec.extension != "*") {
        QString ext = qtext(spec.extension, spec.cp);
        pattern = "*." + ext;
        // Names on Linux keep their letter case; list both spellings.
        if (ext.toLower() != ext) pattern += " *." + ext.toLower();
        if (ext.toUpper() != ext) pattern += " *." + ext.toUpper();
    }
    return {qtext(spec.filter_name, spec.cp) + " (" + pattern + ")", QStringLiteral("Todos los archivos (*)")};
}

void FrameDialog::reject() {
    if (frame)
        cancel_pressed(*frame);
    else
        leave();
}

void Frame::show_status(std::string_view text) {
    if (status) status->setText(qtext(text, status_cp));
}

void Frame::show_progress(int percent) {
    if (progress) progress->setValue(std::clamp(percent, 0, 100));
}

void Frame::pump() {
    if (!pump_enabled) return;
    QCoreApplication::processEvents();
    if (seams.after_pump) seams.after_pump();
}

void Frame::message_box(std::string_view text, CodePage cp, std::string_view caption) {
    show_box(*this, BoxKind::Error, qtext(caption, cp), qtext(text, cp));
}

void Frame::info_box(std::string_view text, CodePage cp, std::string_view caption) {
    show_box(*this, BoxKind::Information, qtext(caption, cp), qtext(text, cp));
}

bool Frame::question_box(std::string_view text, CodePage cp, std::string_view caption) {
    return show_box(*this, BoxKind::Question, qtext(caption, cp), qtext(text, cp));
}

void Frame::beep() {
    if (seams.beep)
        seams.beep();
    else
        QApplication::beep();
}

void Frame::info_line(std::string_view text, CodePage cp) {
    if (!info_list) return;
    info_list->addItem(qtext(text, cp));
    info_list->scrollToBottom();
}

void frame_open(Frame& f, std::string_view caption, CodePage cp, int width_du, int height_du) {
    f.dialog = std::make_unique<FrameDialog>();
    f.dialog->frame = &f;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    f.dialog->setFont(font);
    f.du = dialog_units(f.dialog->font());
    f.dialog->setWindowTitle(qtext(caption, cp));
    f.dialog->setFixedSize(to_pixels(f.du, 0, 0, width_du, height_du).size());
}

void place(Frame& f, QWidget* w, int x, int y, int width, int height) {
    w->setParent(f.dialog.get());
    w->setGeometry(to_pixels(f.du, x, y, width, height));
}

QGroupBox* add_group(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height) {
    auto* g = new QGroupBox(qtext(text, cp), f.dialog.get());
    place(f, g, x, y, width, height);
    return g;
}

QLabel* add_label(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height) {
    auto* l = new QLabel(qtext(text, cp), f.dialog.get());
    l->setTextFormat(Qt::PlainText);
    place(f, l, x, y, width, height);
    return l;
}

QLineEdit* add_edit(Frame& f, const QString& initial, int x, int y, int width, int height) {
    auto* e = new QLineEdit(initial, f.dialog.get());
    place(f, e, x, y, width, height);
    return e;
}

QPushButton* add_button(Frame& f, std::string_view text, CodePage cp, int x, int y, int width, int height) {
    auto* b = new QPushButton(qtext(text, cp), f.dialog.get());
    place(f, b, x, y, width, height);
    return b;
}

void add_file_field(Frame& f, FileField& field, std::string_view initial, const BrowseSpec& spec, QRect edit_du,
                    QRect button_du, std::function<void(bool chosen)> after) {
    field.buffer.assign(initial);
    field.spec = spec;
    field.edit = add_edit(f, file_name_text(initial), edit_du.x(), edit_du.y(), edit_du.width(), edit_du.height());
    field.browse = add_button(f, "Buscar...", CodePage::Windows1252, button_du.x(), button_du.y(), button_du.width(),
                              button_du.height());
    QObject::connect(field.browse, &QPushButton::clicked, field.browse, [&f, &field, after] {
        bool chosen = browse(f, field);
        if (after) after(chosen);
    });
}

void add_sheet_list_field(Frame& f, FileField& field, std::string_view initial,
                          std::function<void(bool chosen)> after) {
    constexpr CodePage cp = CodePage::Windows1252;
    add_group(f, "Archivo DBVEXO", cp, 7, 3, 172, 34);
    BrowseSpec spec{"Abrir archivo DbVexo", "Archivos Vexo", "*", true, cp};
    add_file_field(f, field, initial, spec, QRect(11, 17, 123, 12), QRect(138, 16, 35, 14), std::move(after));
}

void add_ok_cancel(Frame& f, QRect ok_du, QRect cancel_du) {
    f.ok = add_button(f, "OK", CodePage::Windows1252, ok_du.x(), ok_du.y(), ok_du.width(), ok_du.height());
    f.ok->setDefault(true);
    f.cancel = add_button(f, "Cancelar", CodePage::Windows1252, cancel_du.x(), cancel_du.y(), cancel_du.width(),
                          cancel_du.height());
    f.disabled_while_running.push_back(f.ok);
    QObject::connect(f.cancel, &QPushButton::clicked, f.cancel, [&f] { cancel_pressed(f); });
}

void run_on_ok(Frame& f, std::function<RunEnd(Hooks&)> run) {
    QObject::connect(f.ok, &QPushButton::clicked, f.ok, [&f, run = std::move(run)] { run_from_ok(f, run); });
}

void add_status(Frame& f, int x, int y, int width, int height) {
    f.status = add_label(f, "", CodePage::Windows1252, x, y, width, height);
}

void add_progress(Frame& f, int x, int y, int width, int height) {
    f.progress = new QProgressBar(f.dialog.get());
    f.progress->setRange(0, 100);
    f.progress->setValue(0);
    f.progress->setTextVisible(false);
    place(f, f.progress, x, y, width, height);
}

std::string field_name(const FileField& field) { return file_name_bytes(field.edit->text()); }

bool browse(Frame& f, FileField& field) {
    QString start = QDir::currentPath();
    QString path = f.seams.file_dialog ? f.seams.file_dialog(f.dialog.get(), field.spec, start)
                                       : open_file_dialog(f.dialog.get(), field.spec, start);
    bool chosen = false;
    if (!path.isEmpty()) {
        QFileInfo info(QDir(start), path);
        QString folder = info.absolutePath();
        if (QDir::setCurrent(folder)) {
            field.buffer = file_name_bytes(info.fileName());
            chosen = true;
        } else {
            show_box(f, BoxKind::Error, {}, qtext("No se puede abrir el directorio  ") + folder);
        }
    }
    field.edit->setText(file_name_text(field.buffer));
    return chosen;
}

RunEnd run_from_ok(Frame& f, const std::function<RunEnd(Hooks&)>& run) {
    if (f.running) return RunEnd::EndedEarly;
    QPointer<QWidget> focus = QApplication::focusWidget();
    f.stop = 1;
    for (QWidget* w : f.disabled_while_running) w->setEnabled(false);
    f.running = true;
    Hooks hooks{&f, &f.stop};
    RunEnd end = run(hooks);
    f.running = false;
    f.last_end = end;
    ++f.runs;
    if (f.beep_after_run) f.beep();
    f.stop = 0;
    for (QWidget* w : f.disabled_while_running) w->setEnabled(true);
    // Disabling OK moved the focus on; give it back so Enter runs again
    // rather than pressing whatever button took it.
    QWidget* target = f.focus_after_run ? f.focus_after_run : focus.data();
    if (target && target->isEnabled() && target->window() == f.dialog.get()) target->setFocus();
    if (f.close_after_run) {
        f.close_after_run = false;
        f.dialog->leave();
    }
    return end;
}

void cancel_pressed(Frame& f) {
    if (f.running && !f.cancel_stops_run) {
        f.close_after_run = true;
        return;
    }
    f.stop = 0;
    f.dialog->leave();
}

int exec_dialog(Frame& f) {
    if (const char* shot = std::getenv("CADASTRO_DIALOG_SNAPSHOT"); shot && *shot) return snapshot(f, shot);
    f.dialog->exec();
    return 0;
}

int dialog_main(const char* program, char* argv0, const std::function<int()>& body) {
    if (!display_available()) {
        std::fprintf(stderr, "%s: no display for the dialog (neither DISPLAY nor WAYLAND_DISPLAY is set)\n",
                     program);
        return 1;
    }
    int argc = 1;
    char name[] = "cadastro";
    char* argv[] = {argv0 ? argv0 : name, nullptr};
    QApplication app(argc, argv);
    return body();
}

}  // namespace cad::gui
