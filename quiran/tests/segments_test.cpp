// Tests of the segments import: polylines, references, arcs and circles, sheets and limits.
#include <gtest/gtest.h>

#include <cmath>

#include "quiran/tests/quiran_fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {

constexpr double kPi = 3.14159267;

std::string segments_file(const std::vector<std::string>& body, char modalidad = 'U') {
    std::string s = exchange_header('T', 0, modalidad) + sheet_record("30SVK1234N", 0);
    for (const auto& r : body) s += r;
    return s;
}

double step_of(double r) { return 2 * std::acos(1 - 0.1 / r); }

double azimuth(double cx, double cy, double x, double y) {
    double dx = x - cx, dy = y - cy;
    if (dx == 0 && dy == 0) return 0;
    double t = std::atan2(dx, dy);
    if (t == 0) t = 0.00000001;
    if (t < 0) t += 2 * kPi;
    return t;
}

// Consecutive repeated points are not written.
std::vector<std::int32_t> without_repeats(const std::vector<std::int32_t>& xyz) {
    std::vector<std::int32_t> out(xyz.begin(), xyz.begin() + 3);
    for (std::size_t i = 3; i + 2 < xyz.size(); i += 3)
        if (!std::equal(xyz.begin() + i, xyz.begin() + i + 3, out.end() - 3)) out.insert(out.end(), xyz.begin() + i, xyz.begin() + i + 3);
    return out;
}

// The circle from azimuth 0 clockwise, closed with its first point.
std::vector<std::int32_t> circle(double cx, double cy, std::int32_t cz, double r) {
    double step = std::min(std::max(step_of(r), 0.01 * kPi), 0.1 * kPi);
    if (std::isnan(step_of(r))) step = 0.01 * kPi;
    std::vector<std::int32_t> xyz;
    for (int i = 0; i * step < 2 * kPi; ++i)
        xyz.insert(xyz.end(), {static_cast<std::int32_t>(cx + r * std::sin(i * step)),
                               static_cast<std::int32_t>(cy + r * std::cos(i * step)), cz});
    xyz.insert(xyz.end(), {xyz[0], xyz[1], xyz[2]});
    return without_repeats(xyz);
}

// The arc from p through q to r around a known centre.
std::vector<std::int32_t> arc(double cx, double cy, const Point& p, const Point& q, const Point& r) {
    double radius = std::hypot(p.x - cx, p.y - cy);
    double a1 = azimuth(cx, cy, p.x, p.y), a2 = azimuth(cx, cy, q.x, q.y), a3 = azimuth(cx, cy, r.x, r.y);
    int s = a1 > a3 ? -1 : 1;
    double lo = std::min(a1, a3), hi = std::max(a1, a3);
    if (!(lo < a2 && a2 < hi)) s = -s;
    double sweep = s == 1 ? a3 - a1 : a1 - a3;
    if (sweep < 0) sweep += 2 * kPi;
    int n = std::clamp(static_cast<int>(std::fabs(sweep / step_of(radius))), 12, 200);
    std::vector<std::int32_t> xyz = {p.x, p.y, p.z};
    for (int i = 1; i < n - 1; ++i) {
        double t = a1 + i * s * sweep / (n - 1);
        xyz.insert(xyz.end(), {static_cast<std::int32_t>(cx + radius * std::sin(t)),
                               static_cast<std::int32_t>(cy + radius * std::cos(t)),
                               static_cast<std::int32_t>(p.z + i * static_cast<double>(r.z - p.z) / (n - 1))});
    }
    xyz.insert(xyz.end(), {r.x, r.y, r.z});
    return without_repeats(xyz);
}

const std::string kLine = "030102";

}  // namespace

TEST(QuiranSegments, Geometry) {
    Point n{0, 1000, 0}, e{1000, 0, 0}, s{0, -1000, 0};
    Point a{5000, 8000, 100}, b{4000, 7000, 150}, c{5000, 6000, 200};
    struct Case {
        const char* name;
        std::vector<std::string> body;
        std::vector<Elem> written;
        std::string log = "";
    } cases[] = {
        {"polyline with more points than declared",
         {segment_head(kLine, 5), coordinates({1, 1, 0, 2, 2, 0, 3, 3, 0}), coordinates({4, 4, 0, 5, 5, 0, 6, 6, 0})},
         {line_elem(kLine, {1, 1, 0, 2, 2, 0, 3, 3, 0, 4, 4, 0, 5, 5, 0, 6, 6, 0})},
         "COD=030102 11 NP=5  np=6 error en contador de puntos\n"},
        {"a point with y 0 ends its record",
         {segment_head(kLine, 4), coordinates({1, 1, 0, 2, 2, 0, 3, 3, 0}), coordinates({4, 4, 4, 5, 0, 5, 6, 6, 6})},
         {line_elem(kLine, {1, 1, 0, 2, 2, 0, 3, 3, 0, 4, 4, 4})}},
        {"blank primitive is a polyline", {segment_head(kLine, 2, "  ", 500), coordinates({1, 1, 0, 2, 2, 0})},
         {line_elem(kLine, {1, 1, 0, 2, 2, 0})}},
        {"primitive 4 is a polyline", {segment_head(kLine, 2, "04"), coordinates({1, 1, 0, 2, 2, 0})},
         {line_elem(kLine, {1, 1, 0, 2, 2, 0})}},
        {"head declaring 0 points", {segment_head(kLine, 0), coordinates({1, 1, 0, 2, 2, 0}), segment_head(kLine, 1),
                                     coordinates({7, 7, 7})},
         {line_elem(kLine, {7, 7, 7})}},
        {"circle by centre and radius", {segment_head(kLine, 0, "03", 1000), coordinates({0, 0, 50})},
         {line_elem(kLine, circle(0, 0, 50, 1000))}},
        {"circle through three points", {segment_head(kLine, 0, "02"), coordinates({a.x, a.y, 10, 6000, 7000, 20, c.x, c.y, 30})},
         {line_elem(kLine, circle(5000, 7000, 10, 1000))}},
        {"small circle", {segment_head(kLine, 0, "03", 1), coordinates({100, 100, 0})},
         {line_elem(kLine, circle(100, 100, 0, 1))}},
        {"arc clockwise", {segment_head(kLine, 0, "01"), coordinates({0, 1000, 0, 1000, 0, 0, 0, -1000, 0})},
         {line_elem(kLine, arc(0, 0, n, e, s))}},
        {"arc counter-clockwise with heights", {segment_head(kLine, 0, "01"), coordinates({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z})},
         {line_elem(kLine, arc(5000, 7000, a, b, c))}},
        {"arc on one line", {segment_head(kLine, 0, "01"), coordinates({1, 1, 1, 2, 2, 2, 3, 3, 3})},
         {line_elem(kLine, {1, 1, 1, 2, 2, 2, 3, 3, 3})}},
        {"circle through points on one line", {segment_head(kLine, 0, "02"), coordinates({1, 1, 1, 2, 2, 2, 3, 3, 3})},
         {line_elem(kLine, {1, 1, 1, 2, 2, 2, 3, 3, 3})}},
        {"the record defining an arc adds nothing more",
         {segment_head(kLine, 0, "01"), coordinates({1, 1, 1, 2, 2, 2, 3, 3, 3}), coordinates({9, 9, 9}),
          segment_head(kLine, 1), coordinates({8, 8, 8})},
         {line_elem(kLine, {1, 1, 1, 2, 2, 2, 3, 3, 3}), line_elem(kLine, {8, 8, 8})}},
        {"file ends after a head", {segment_head(kLine, 4)}, {}, "COD=030102 00 NP=4  np=0 error en contador de puntos\n"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        Job job(segments_file(k.body));
        Outcome o = run_import(job);
        EXPECT_EQ(o.end, RunEnd::Completed);
        EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.T")), element_file(k.written));
        EXPECT_EQ(o.log.substr(o.log.find('\n', 81) + 1), k.log);
        EXPECT_TRUE(o.messages.empty());
    }
    // The named counts: 200 points and the closing one; an arc of 111 points.
    EXPECT_EQ(circle(0, 0, 50, 1000).size(), 201u * 3);
    EXPECT_EQ(circle(0, 0, 50, 1000)[1], 1000);
    EXPECT_EQ(arc(0, 0, n, e, s).size(), 111u * 3);
    EXPECT_GT(step_of(5), 0.1 * kPi);  // small circles keep 20 steps
}

TEST(QuiranSegments, References) {
    Job job(segments_file({segment_head(kLine, 2, "00", 0, 7), continuation("030202", 12), continuation("030302", 0),
                           coordinates({1, 1, 0, 2, 2, 0}), segment_head(kLine, 2), continuation("060102", 5),
                           coordinates({3, 3, 0, 4, 4, 0})}));
    run_import(job);
    EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.T")),
              element_file({line_elem(kLine, {1, 1, 0, 2, 2, 0}, {{1, 7, ""}, {1, 12, "030202"}, {1, 0, "030302"}}),
                            line_elem(kLine, {3, 3, 0, 4, 4, 0}, {{1, 5, "060102"}})}));
}

TEST(QuiranSegments, SheetsAndListing) {
    for (char modalidad : {'U', 'R'}) {
        SCOPED_TRACE(modalidad);
        std::string file = exchange_header('T', 3, modalidad) + sheet_record("30SVK1234N", 2) + segment_head(kLine, 1) +
                           coordinates({1, 1, 0}) + segment_head(kLine, 1) + coordinates({2, 2, 0}) +
                           sheet_record("30SVK1235N", 1) + segment_head(kLine, 1) + coordinates({3, 3, 0});
        Job job(file);
        Outcome o = run_import(job);
        EXPECT_EQ(o.end, RunEnd::Completed);
        std::string first = modalidad == 'U' ? "SVK1234N.T" : "123.T", second = modalidad == 'U' ? "SVK1235N.T" : "123.T";
        std::string plano1 = modalidad == 'U' ? "30SVK1234N" : "30SVK123", plano2 = modalidad == 'U' ? "30SVK1235N" : "30SVK123";
        std::vector<std::string> want = {"PLANO=" + plano1 + "  Numero elementos=2      ", "   Elementos leidos=2      \n",
                                         "PLANO=" + plano2 + "  Numero elementos=1      "};
        if (modalidad == 'R') want.push_back("El PLANO 123.T ya existe se SOBRESCRIBE");
        want.push_back("Elementos leidos=1      ");
        ASSERT_GE(o.infos.size(), want.size() + 8);
        EXPECT_EQ(std::vector<std::string>(o.infos.begin() + 8, o.infos.end()), want);
        if (modalidad == 'U') {
            EXPECT_EQ(masked_elements(job.dir.read(first)),
                      element_file({line_elem(kLine, {1, 1, 0}), line_elem(kLine, {2, 2, 0})}));
            EXPECT_EQ(masked_elements(job.dir.read(second)), element_file({line_elem(kLine, {3, 3, 0})}));
            EXPECT_TRUE(o.messages.empty());
        } else {
            // Both rustica sheets name 123.T: the second asks before replacing the first.
            EXPECT_EQ(o.messages, std::vector<std::string>{"El PLANO 123.T ya existe se SOBRESCRIBE\nCONTINUAR ?"});
            EXPECT_EQ(masked_elements(job.dir.read(second)), element_file({line_elem(kLine, {3, 3, 0})}));
        }
        EXPECT_EQ(o.log, file.substr(0, 80) + "\n" + file.substr(80, 80) + "\n" + file.substr(480, 80) + "\n");
    }
}

TEST(QuiranSegments, UnsupportedPrimitiveEndsTheRun) {
    Job job(segments_file({segment_head(kLine, 1), coordinates({1, 1, 0}), segment_head(kLine, 3, "07"),
                           coordinates({1, 1, 0, 2, 2, 0, 3, 3, 0}), segment_head(kLine, 1), coordinates({5, 5, 0})}));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::EndedEarly);
    EXPECT_EQ(o.messages, std::vector<std::string>{"Primitiva ge\xA2metrica 7\n"});
    EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.T")), element_file({line_elem(kLine, {1, 1, 0})}));
}

TEST(QuiranSegments, ElementsBeyondTheBuffersAreCut) {
    std::vector<std::string> body = {segment_head(kLine, 9999)};
    std::vector<std::int32_t> kept;
    for (int i = 1; i <= 70002; i += 3) {
        body.push_back(coordinates({i, i, 0, i + 1, i + 1, 0, i + 2, i + 2, 0}));
        for (int k = 0; k < 3; ++k)
            if (kept.size() < 65535u * 3) kept.insert(kept.end(), {i + k, i + k, 0});
    }
    std::vector<std::string> refs_body = {segment_head("030202", 2, "00", 0, 1)};
    std::vector<Ref> refs = {{1, 1, ""}};
    for (int i = 2; i <= 300; ++i) {
        refs_body.push_back(continuation("030302", i));
        if (refs.size() < 255) refs.push_back({1, i, "030302"});
    }
    refs_body.push_back(coordinates({1, 1, 0, 2, 2, 0}));
    body.insert(body.end(), refs_body.begin(), refs_body.end());
    Job job(segments_file(body));
    Outcome o = run_import(job);
    EXPECT_EQ(o.end, RunEnd::Completed);
    EXPECT_EQ(masked_elements(job.dir.read("SVK1234N.T")),
              element_file({line_elem(kLine, kept), line_elem("030202", {1, 1, 0, 2, 2, 0}, refs)}));
    EXPECT_EQ(o.log.substr(o.log.find('\n', 81) + 1),
              "COD=030102 elemento 1 de SVK1234N.T con mas de 65535 puntos, se escriben los 65535 primeros\n"
              "COD=030102 11 NP=9999  np=65535 error en contador de puntos\n"
              "COD=030202 elemento 2 de SVK1234N.T con mas de 255 referencias, se escriben las 255 primeras\n");
}
