// dialog_test_support.h - what the dialog tests share: a dialog with its boxes
// and beeps captured, the enabled state of controls as a string, the folder of
// a run without a dialog, and the folders and snapshots of a job.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QMetaObject>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "gui/frame.h"
#include "testsupport/fixtures.h"

namespace cad::test {

/// A dialog built by `build` and shown, with the texts and captions of its
/// boxes (each answered "Sí") and its beeps captured. With `state` given, the
/// state it gives at each box is kept in `states`.
template <class Dialog>
struct DialogHarness {
    Dialog d;
    std::vector<QString> boxes, captions, states;
    int beeps = 0;

    template <class Build>
    explicit DialogHarness(Build&& build, QString (*state)(const Dialog&) = nullptr) {
        build(d);
        d.frame.seams.box = [this, state](QWidget*, gui::BoxKind, const QString& caption, const QString& text) {
            boxes.push_back(text);
            captions.push_back(caption);
            if (state) states.push_back(state(d));
            return true;
        };
        d.frame.seams.beep = [this] { ++beeps; };
        d.frame.dialog->show();
    }
};

/// '1' for each enabled control and '0' for each disabled one, in order.
inline QString enabled_string(const std::vector<const QWidget*>& controls) {
    QString s;
    for (const QWidget* w : controls) s += w->isEnabled() ? '1' : '0';
    return s;
}

/// The place of a run without a dialog: a fresh folder, current while this
/// lives, and a front end that records what the run shows.
struct PlainRun {
    TempDir dir;
    ChangeDir cd{dir.path};
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
};

/// Every file in a folder, by name.
inline std::map<std::string, std::string> files_in(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out[e.path().filename().string()] = read_file(e.path().string());
    return out;
}

/// A new folder `name` inside `d`; returns its path.
inline std::string make_folder(const TempDir& d, std::string_view name) {
    std::string path = d.file(name);
    std::filesystem::create_directory(path);
    return path;
}

/// A folder as QDir names it once links are resolved.
inline QString canonical(const std::string& dir) { return QDir(QString::fromStdString(dir)).canonicalPath(); }

/// Cancel clicked at the `n`-th pump of a run, queued as a click arrives then.
inline void cancel_at_pump(gui::Frame& f, int n) {
    f.seams.after_pump = [&f, n, pumps = 0]() mutable {
        if (++pumps == n) QMetaObject::invokeMethod(f.cancel, "click", Qt::QueuedConnection);
    };
}

/// Runs a built program in `d` with its dialog's picture asked for in d's
/// "dialog.png" (see snapshot_path).
inline Result run_for_snapshot(const TempDir& d, std::string_view program, const std::vector<std::string>& args) {
    qputenv("CADASTRO_DIALOG_SNAPSHOT", QByteArray::fromStdString(d.file("dialog.png")));
    Result r = run_program(bin(program), args, d.path);
    qunsetenv("CADASTRO_DIALOG_SNAPSHOT");
    return r;
}
inline QString snapshot_path(const TempDir& d) { return QString::fromStdString(d.file("dialog.png")); }

}  // namespace cad::test
