// fixtures.h - small writers of element files, sheet lists and records for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/export_run.h"
#include "kernel/frontend.h"

namespace cad::test {

struct Ref {
    std::int16_t table;
    std::int32_t record;
    std::string code;  ///< at most 6 characters
};

/// One element to write; the extent words are written as given.
struct Elem {
    char kind = 'C';
    char marker = '=';
    std::string code;
    std::vector<std::int32_t> pts;  ///< x, y, z triples
    std::vector<Ref> refs;
    std::int32_t extent[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    int point_count = -1;  ///< -1: the number of points given (or slots of a text)
    std::string raw_area;  ///< text elements: the point area after slot 0
};

/// A line element with the given points.
Elem line(std::string code, std::vector<std::int32_t> xyz, std::vector<Ref> refs = {});
/// A text element at (x, y, z) with height and angle (hundredths of a degree).
Elem text(std::string code, std::int32_t x, std::int32_t y, std::string_view txt, std::int32_t height = 250,
          std::int32_t angle = 0, std::int32_t z = 0, std::vector<Ref> refs = {});

/// Bytes of one element as a writer lays it out.
std::string element_bytes(const Elem& e);
/// Bytes of a whole element file.
std::string element_file(const std::vector<Elem>& elems);

/// A header line of 80 columns with the given fields.
std::string header_line(char modalidad = 'U', int huso = 30, int escala = 1000, std::string_view municipio = "123456",
                        std::string_view name = "MUNICIPIO DE PRUEBA");
/// A sheet line: '/' then the 10-character sheet name, padded to 80.
std::string sheet_line(std::string_view sheet_name);

/// A fresh temporary directory, removed with its files when the object goes.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    std::string file(std::string_view name) const { return path + "/" + std::string(name); }
    void write(std::string_view name, std::string_view bytes) const;
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
};

/// Reads a whole file ("" when missing).
std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);

/// Splits bytes into 80-character records (a shorter tail is kept as is).
std::vector<std::string> records(std::string_view bytes);
/// Pads a text with blanks to 80 characters.
std::string rec80(std::string_view text);

/// Runs a built program in `dir` with arguments; captures its output.
struct Result {
    int status = -1;
    std::string out, err;
};
Result run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                   std::string_view input = {});
/// Full path of a built program.
std::string bin(std::string_view program);

/// Front end that records what a run shows.
struct RecordingFrontEnd : FrontEnd {
    std::vector<std::string> messages, captions, statuses, infos;
    std::vector<int> percents;
    int pumps = 0, beeps = 0;
    bool answer = true;
    int stop_after_pumps = -1;  ///< clears *stop when pumps reaches this number
    volatile std::sig_atomic_t* stop = nullptr;
    void show_status(std::string_view t) override { statuses.emplace_back(t); }
    void show_progress(int p) override { percents.push_back(p); }
    void pump() override {
        ++pumps;
        if (stop && pumps == stop_after_pumps) *stop = 0;
    }
    void message_box(std::string_view t, CodePage, std::string_view c) override {
        messages.emplace_back(t);
        captions.emplace_back(c);
    }
    void info_box(std::string_view t, CodePage, std::string_view) override { infos.emplace_back(t); }
    bool question_box(std::string_view t, CodePage, std::string_view) override {
        messages.emplace_back(t);
        return answer;
    }
    void info_line(std::string_view t, CodePage) override { infos.emplace_back(t); }
    void beep() override { ++beeps; }
};

/// What a points or texts export wrote for a job of one sheet.
struct SheetExport {
    RunEnd end{};
    std::vector<std::string> recs;  ///< data records: header and sheet record dropped
    std::string log;                ///< the log without its "Transformando" line
    std::vector<std::string> messages;
};
/// Runs an export over a 1:1000 job of the one sheet 30SVK1234N holding
/// `elems`, with every code valid, and returns what it wrote to `output`.
SheetExport export_one_sheet(RunEnd (*run)(Hooks&, std::string_view), const char* output,
                             const std::vector<Elem>& elems, int escala = 1000);

/// Changes into a directory for the lifetime of the object.
struct ChangeDir {
    std::string old;
    explicit ChangeDir(const std::string& dir);
    ~ChangeDir();
};

}  // namespace cad::test
