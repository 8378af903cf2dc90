// surfaces.cpp - surfaces records into label elements, parcel references and parcel records.
#include <algorithm>
#include <climits>
#include <cstring>

#include "quiran/run.h"

namespace cad {

namespace {

constexpr int kMaxBlockRefs = 254;

// Parcel number of an urban parcel field: digits, or a letter for the
// hundreds (A 100, B 110, ... Z 320, without I, O and W) and a digit.
long decode_parcel(std::string_view f) {
    char c1 = f.size() > 0 ? f[0] : ' ', c2 = f.size() > 1 ? f[1] : ' ';
    if (c1 >= '1' && c1 <= '9') return parse_long(f);
    static const char kLetters[] = "ABCDEFGHJKLMNPQRSTUVXYZ";
    long v = c2 - '0';
    if (c1 != '\0')
        if (const char* p = std::strchr(kLetters, c1)) v += 100 + 10 * (p - kLetters);
    return v;
}

std::int32_t urban_key(long block, long parcel) { return static_cast<std::int32_t>(block * 1000 + parcel); }
std::int32_t rural_key(long polygon, long parcel) { return static_cast<std::int32_t>(polygon * 100000 + parcel); }

std::int32_t sequence_of(const QuiranRun& run, std::int32_t key) {
    auto it = run.parcels.find(key);
    return it == run.parcels.end() ? 0 : it->second;
}

// References of a block label: every indexed parcel whose key divided by
// 1000 is the block number, in ascending key order.
void block_references(QuiranRun& run, long block) {
    // Keys k with k / 1000 == block (division truncating toward zero).
    long long lo = block > 0 ? block * 1000LL : block * 1000LL - 999;
    long long hi = block < 0 ? block * 1000LL : block * 1000LL + 999;
    if (hi < INT32_MIN || lo > INT32_MAX) lo = 1, hi = 0;
    auto it = run.parcels.lower_bound(static_cast<std::int32_t>(std::max<long long>(lo, INT32_MIN)));
    int found = 0;
    for (; it != run.parcels.end() && it->first <= hi; ++it) {
        if (found == kMaxBlockRefs) {
            message_box(*run.hooks, "Error hay una manzana con m\xA0s de 255 parcelas", CodePage::Cp850);
            break;
        }
        add_reference(run.writer, run.table_number, it->second);
        ++found;
    }
    if (found == 0) std::fprintf(run.log.get(), "ERROR la manzana %ld no tiene parcelas\n", block);
}

// Appends the parcel's record to the active table; fields the table lacks
// are skipped, the others stay blank.
void append_parcel(QuiranRun& run, std::int32_t sequence, std::string_view npolicia, std::string_view duplicado,
                   std::string_view eje_via, std::string_view manzana, std::string_view parcela) {
    DbfTable& t = run.table;
    dbf_blank_record(t);
    dbf_put_field(t, "REGISTRO", DbfValue(static_cast<long>(sequence)), 'L');
    dbf_put_field(t, "NPOLICIA", DbfValue(npolicia), 'S');
    dbf_put_field(t, "DUPLICADO", DbfValue(duplicado), 'S');
    dbf_put_field(t, "EJE_VIA", DbfValue(eje_via), 'S');
    dbf_put_field(t, "MANZANA", DbfValue(manzana), 'S');
    dbf_put_field(t, "PARCELA", DbfValue(parcela), 'S');
    if (dbf_append_record(t) != 0)
        std::fprintf(run.log.get(), "ERROR no se puede escribir la parcela %ld en la tabla %s\n",
                     static_cast<long>(sequence), t.path.c_str());
}

}  // namespace

bool surfaces_first_pass(QuiranRun& run) {
    if (first_char(run) != '*') {
        log_record(run, "ERROR en registro ", false);
        return false;
    }
    std::string_view r = rec(run);
    std::string_view code = columns(r, 2, 6);
    std::int32_t key;
    if (code == "145201")
        key = urban_key(parse_long(columns(r, 56, 5)), decode_parcel(columns(r, 61, 2)));
    else if (code == "125201")
        key = rural_key(parse_long(columns(r, 45, 3)), parse_long(columns(r, 48, 5)));
    else
        return true;
    auto [it, fresh] = run.parcels.try_emplace(key, static_cast<std::int32_t>(run.parcels.size() + 1));
    if (!fresh) {
        std::fprintf(run.log.get(), "La parcela %ld esta repetida\n", static_cast<long>(key));
        run.repeated_parcel = true;
    }
    return true;
}

bool surfaces_second_pass(QuiranRun& run) {
    std::string_view r = rec(run);
    ElementWriter& w = run.writer;
    std::string_view code = columns(r, 2, 6);
    set_code(w, code);
    set_point(w, 0, field_number(r, 16, 8), field_number(r, 24, 9), 0);
    w.ref_count = 0;

    const bool urban = run.modalidad == 'U';
    std::string_view label = trim_view(columns(r, 33, urban ? 11 : 7));
    if (label.empty()) label = "?";
    std::string_view block = urban ? columns(r, 56, 5) : columns(r, 45, 3);
    long parcel = urban ? decode_parcel(columns(r, 61, 2)) : parse_long(columns(r, 48, 5));
    long block_number = parse_long(block);
    std::int32_t key = urban ? urban_key(block_number, parcel) : rural_key(block_number, parcel);

    std::int32_t height = 150;
    if (code == "125101") {
        label = urban ? std::string_view() : std::string_view(run.element_base);
        height = 950;
    } else if (code == "145101") {
        label = block;
        height = 350;
        block_references(run, block_number);
    } else if (code == "145201" || code == "125201") {
        bool urban_parcel = code == "145201";
        std::snprintf(run.label, sizeof run.label, urban_parcel ? "%02ld" : "%05ld", parcel);
        label = run.label;
        height = urban_parcel ? 200 : 750;
        std::int32_t sequence = sequence_of(run, key);
        if (sequence != 0)
            add_reference(w, run.table_number, sequence);
        else
            log_record(run, "ERROR en parcela ", true);
        append_parcel(run, sequence, urban ? columns(r, 76, 4) : std::string_view(),
                      urban ? columns(r, 80, 1) : std::string_view(), urban ? columns(r, 71, 5) : std::string_view(),
                      block, label);
    } else if (code == "145501" || code == "125501" || code == "125502") {
        if (code != "145501") {
            label = columns(r, 53, 4);
            height = 500;
        }
        std::int32_t sequence = sequence_of(run, key);
        if (sequence != 0)
            add_reference(w, run.table_number, sequence);
        else
            log_record(run, "ERROR subparcela SIN parcela ", true);
    }
    set_text(w, label);
    put_text_element(w, height, 0);
    return true;
}

}  // namespace cad
