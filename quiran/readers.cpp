// readers.cpp - points, texts and segments records into line and text elements.
#include "quiran/geometry.h"
#include "quiran/run.h"

namespace cad {

namespace {

// Point k (0, 1, 2) of a coordinate record.
Point coordinate(std::string_view r, int k) {
    std::size_t base = 26 * static_cast<std::size_t>(k);
    return {field_number(r, 3 + base, 8), field_number(r, 11 + base, 9), field_number(r, 20 + base, 7)};
}

// Height at map scale in single precision, as the exchange files give it.
float map_size(long escala, long field) { return static_cast<float>(escala * field * 0.0001); }

// The pending element of the segments reader.
struct Pending {
    long points = 0;  ///< points collected into the point buffer
    long primitive = 0;
    long radius = 0;
    bool points_cut = false, refs_cut = false;
};

void add_point(QuiranRun& run, Pending& e, const Point& p, long element) {
    if (e.points < kMaxPoints) {
        set_point(run.writer, e.points++, p.x, p.y, p.z);
        return;
    }
    // The head cannot hold more: keep what fits and say so once.
    if (run.writer.point_count != 0 && !e.points_cut)
        std::fprintf(run.log.get(), "COD=%s elemento %ld de %s con mas de %d puntos, se escriben los %d primeros\n",
                     run.writer.code, element, run.element_name.c_str(), kMaxPoints, kMaxPoints);
    e.points_cut = true;
}

void add_ref(QuiranRun& run, Pending& e, std::int32_t record, std::string_view code, long element) {
    if (add_reference(run.writer, 1, record, code)) return;
    if (!e.refs_cut)
        std::fprintf(run.log.get(),
                     "COD=%s elemento %ld de %s con mas de %d referencias, se escriben las %d primeras\n",
                     run.writer.code, element, run.element_name.c_str(), kMaxRefs, kMaxRefs);
    e.refs_cut = true;
}

// Generates the points of an arc or circle from the coordinate record and
// writes the element at once.
void put_curve(QuiranRun& run, Pending& e) {
    std::string_view r = rec(run);
    Point p = coordinate(r, 0), q = coordinate(r, 1), s = coordinate(r, 2);
    Point pts[kMaxCurvePoints];
    int n = 0;
    if (e.primitive == 1)
        n = arc_points(p, q, s, pts);
    else if (e.primitive == 2)
        n = circle_through_points(p, q, s, pts);
    else
        n = circle_points(p.x, p.y, p.z, static_cast<double>(e.radius), pts);
    for (int i = 0; i < n; ++i) set_point(run.writer, i, pts[i].x, pts[i].y, pts[i].z);
    e.points = n;
    run.writer.point_count = n;
    put_line_element(run.writer, n);
}

}  // namespace

std::int32_t map_height(long escala, long field) {
    return static_cast<std::int32_t>(map_size(escala, field) * 100.0f);
}

std::int32_t map_angle(long field) {
    long a = (450 - field) % 360;
    if (a < 0) a += 360;
    return static_cast<std::int32_t>(a * 100);
}

bool points_record(QuiranRun& run) {
    std::string_view r = rec(run);
    ElementWriter& w = run.writer;
    std::string_view code = columns(r, 1, 6);
    set_code(w, code);
    set_point(w, 0, field_number(r, 15, 8), field_number(r, 23, 9), field_number(r, 32, 7));
    w.ref_count = 0;
    std::uint16_t symbol = translate_code(run.tab, code);
    if (symbol == 0) {
        w.point_count = 1;
        put_line_element(w, 1);
        return true;
    }
    float s = map_size(run.escala, parse_long(columns(r, 42, 3)));
    if (s == 0) s = 1.0f;
    std::string_view label = columns(r, 65, 16);
    char text[40];
    std::snprintf(text, sizeof text, "@%u %.*s", static_cast<unsigned>(symbol), static_cast<int>(label.size()),
                  label.data());
    set_text(w, text);
    put_text_element(w, static_cast<std::int32_t>(s * 100.0f), map_angle(parse_long(columns(r, 45, 4))));
    return true;
}

bool texts_record(QuiranRun& run) {
    std::string_view r = rec(run);
    ElementWriter& w = run.writer;
    set_code(w, columns(r, 1, 6));
    set_point(w, 0, field_number(r, 15, 8), field_number(r, 23, 9), 0);
    w.ref_count = 0;
    set_text(w, columns(r, 49, 32));
    put_text_element(w, map_height(run.escala, parse_long(columns(r, 42, 3))),
                     map_angle(parse_long(columns(r, 45, 4))));
    return true;
}

bool read_segments(QuiranRun& run) {
    ElementWriter& w = run.writer;
    if (!read_record(run)) return true;  // a file of only its header has no sheet
    if (!sheet_record(run)) return false;
    long elements = 0;
    Pending e;
    bool have = read_record(run);
    while (have) {
        if (!go_on(run)) return false;
        std::string_view r = rec(run);
        char c = first_char(run);
        if (c == '*') {
            put_line_element(w, e.points);
            ++elements;
            e = Pending{};
            set_code(w, columns(r, 2, 6));
            w.point_count = parse_long(columns(r, 14, 4));
            w.ref_count = 0;
            e.primitive = parse_long(columns(r, 19, 2));
            e.radius = parse_long(columns(r, 22, 7));
            std::int32_t first = field_number(r, 71, 10);
            if (first > 0) add_ref(run, e, first, {}, elements);
            // Attribute continuation records follow their head.
            for (;;) {
                update_progress(run);
                have = read_record(run);
                if (!have || first_char(run) != '*') break;
                add_ref(run, e, field_number(rec(run), 71, 10), columns(rec(run), 2, 6), elements);
            }
            if (!have) break;
            if (e.primitive >= 1 && e.primitive <= 3) {
                put_curve(run, e);
            } else if (e.primitive >= 5 && e.primitive <= 9) {
                message_box(*run.hooks, format("Primitiva ge\xA2metrica %ld\n", e.primitive), CodePage::Cp850);
                return false;
            }
            continue;  // the record that ended the head is handled from the top
        }
        if (c == '/') {
            put_line_element(w, e.points);
            list(run, format("   Elementos leidos=%-7ld\n", elements));
            if (!sheet_record(run)) return false;
            elements = 0;
        } else {
            for (int k = 0; k < 3; ++k) {
                Point p = coordinate(r, k);
                if (p.y == 0) break;
                add_point(run, e, p, elements);
            }
        }
        update_progress(run);
        have = read_record(run);
    }
    put_line_element(w, e.points);
    list(run, format("Elementos leidos=%-7ld", elements));
    return true;
}

}  // namespace cad
