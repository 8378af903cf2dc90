// fixtures.cpp - small writers of element files, sheet lists and records for the tests.
#include "testsupport/fixtures.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cad::test {

namespace {
void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void put32(std::string& s, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
}  // namespace

Elem line(std::string code, std::vector<std::int32_t> xyz, std::vector<Ref> refs) {
    Elem e;
    e.kind = 'C';
    e.code = std::move(code);
    e.pts = std::move(xyz);
    e.refs = std::move(refs);
    return e;
}

Elem text(std::string code, std::int32_t x, std::int32_t y, std::string_view txt, std::int32_t height,
          std::int32_t angle, std::int32_t z, std::vector<Ref> refs) {
    Elem e;
    e.kind = 'T';
    e.code = std::move(code);
    e.pts = {x, y, z};
    e.refs = std::move(refs);
    e.extent[6] = height;
    e.extent[8] = angle;
    std::string area(txt);
    std::size_t slots = txt.size() / 12 + 1;  // text, its NUL, padded to whole slots
    area.resize(slots * 12, '\0');
    e.raw_area = area;
    return e;
}

std::string element_bytes(const Elem& e) {
    std::string s;
    s.push_back(e.kind);
    s.push_back(e.marker);
    std::string code = e.code.substr(0, 7);
    code.resize(7, '\0');
    s += code;
    s.push_back(static_cast<char>(e.refs.size()));
    int slots = static_cast<int>(e.pts.size() / 3 + e.raw_area.size() / 12);
    put16(s, static_cast<std::uint16_t>(e.point_count >= 0 ? e.point_count : slots));
    for (int i = 0; i < 9; ++i) put32(s, e.extent[i]);
    for (auto v : e.pts) put32(s, v);
    s += e.raw_area;
    for (const auto& r : e.refs) {
        put16(s, static_cast<std::uint16_t>(r.table));
        put32(s, r.record);
        std::string c = r.code.substr(0, 6);
        c.resize(6, '\0');
        s += c;
    }
    return s;
}

std::string element_file(const std::vector<Elem>& elems) {
    std::string s;
    for (const auto& e : elems) s += element_bytes(e);
    return s;
}

std::string header_line(char modalidad, int huso, int escala, std::string_view municipio, std::string_view name) {
    std::string h(80, ' ');
    h[0] = 'T';
    h[1] = modalidad;
    h[2] = 'P';
    h[3] = '1';
    std::string mun(municipio.substr(0, 6));
    h.replace(5, mun.size(), mun);
    h.replace(15, 4, "0101");
    std::string nm(name.substr(0, 26));
    h.replace(20, nm.size(), nm);
    h.replace(47, 7, "EMPRESA");
    h.replace(55, 7, "0112026");
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", huso);
    h.replace(62, 2, buf);
    std::snprintf(buf, sizeof buf, "%5d", escala);
    h.replace(68, 5, buf);
    return h;
}

std::string sheet_line(std::string_view sheet_name) {
    std::string s = "/" + std::string(sheet_name);
    s.resize(80, ' ');
    return s;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/cadtestXXXXXX";
    char* p = ::mkdtemp(tmpl);
    path = p ? p : "/tmp";
}
TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}
void TempDir::write(std::string_view name, std::string_view bytes) const { write_file(file(name), bytes); }
std::string TempDir::read(std::string_view name) const { return read_file(file(name)); }
bool TempDir::exists(std::string_view name) const { return std::filesystem::exists(file(name)); }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> records(std::string_view bytes) {
    std::vector<std::string> r;
    for (std::size_t i = 0; i < bytes.size(); i += 80) r.emplace_back(bytes.substr(i, 80));
    return r;
}

std::string rec80(std::string_view text) {
    std::string s(text);
    s.resize(80, ' ');
    return s;
}

std::string bin(std::string_view program) { return std::string(CADASTRO_BIN_DIR) + "/" + std::string(program); }

Result run_program(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                   std::string_view input) {
    Result res;
    // Captures go to a private directory, so parallel runs in one dir never mix.
    TempDir cap;
    std::string out_path = cap.file("stdout"), err_path = cap.file("stderr"), in_path = cap.file("stdin");
    write_file(in_path, input);
    pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        int in = ::open(in_path.c_str(), O_RDONLY);
        int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    res.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    res.out = read_file(out_path);
    res.err = read_file(err_path);
    return res;
}

SheetExport export_one_sheet(RunEnd (*run)(Hooks&, std::string_view), const char* output,
                             const std::vector<Elem>& elems, int escala) {
    TempDir d;
    d.write("TREN", header_line('U', 30, escala) + "\n" + sheet_line("30SVK1234N") + "\n");
    d.write("CATASTRO.TAB", "*\n");
    d.write("SVK1234N.bin", element_file(elems));
    ChangeDir cd(d.path);
    RecordingFrontEnd fe;
    Hooks hooks{&fe};
    SheetExport o;
    o.end = run(hooks, "TREN");
    o.recs = records(d.read(output));
    o.log = d.read(std::string(output) + ".err");
    if (!o.recs.empty()) o.recs.erase(o.recs.begin());
    if (!o.recs.empty() && o.recs[0][0] == '/') o.recs.erase(o.recs.begin());
    const std::string opened = "Transformando el fichero.. SVK1234N.bin\n";
    if (o.log.rfind(opened, 0) == 0) o.log.erase(0, opened.size());
    o.messages = fe.messages;
    return o;
}

ChangeDir::ChangeDir(const std::string& dir) {
    old = std::filesystem::current_path().string();
    std::filesystem::current_path(dir);
}
ChangeDir::~ChangeDir() {
    std::error_code ec;
    std::filesystem::current_path(old, ec);
}

}  // namespace cad::test
