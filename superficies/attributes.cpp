// attributes.cpp - label attributes read from the dBase tables that a label references.
#include "superficies/attributes.h"

#include <cstdio>
#include <cstring>

#include "kernel/codetable.h"

namespace cad {

namespace {

// The field's text up to its first NUL, as the stored value reads.
std::string_view field_value(const DbfTable& t, int index) {
    std::string_view v = dbf_field_text(t, index);
    return v.substr(0, v.find('\0'));
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Notes, once per opened table, which fields give label attributes.
void list_attribute_fields(TableAccess& access) {
    static const struct {
        const char* name;
        AttrField kind;
    } names[] = {{"MANZANA", AttrField::Manzana},     {"PARCELA", AttrField::Parcela},
                 {"EJE_VIA", AttrField::EjeVia},      {"NPOLICIA", AttrField::NPolicia},
                 {"DUPLICADO", AttrField::Duplicado}, {"RUSTICA", AttrField::Rustica}};
    access.fields.clear();
    for (int k = 0; k < access.table.field_count; ++k) {
        std::string_view name = dbf_field_name(access.table, k);
        for (const auto& n : names)
            if (same_name(name, n.name)) access.fields.emplace_back(k, n.kind);
    }
}

// Opens the attribute table that the catalog lists under `number`.
bool open_attribute_table(TableAccess& access, Hooks& hooks, int number) {
    std::string name;
    int listed = dbf_catalog_file_name(access.catalog, number, name);
    if (listed < 0) {
        message_box(hooks, access.catalog.path);
        return false;
    }
    dbf_close(access.table);
    if (listed == 0) {
        access.table.file_name = "VOID";
        message_box(hooks, format("No encuentro la tabla n\xA7 %d", number));
        return false;
    }
    // The stored name ends at its first NUL byte, as every field value read here.
    if (std::size_t nul = name.find('\0'); nul != std::string::npos) name = std::string(trim_view(name.substr(0, nul)));
    access.table.file_name = name;
    if (dbf_open(access.table) != 0) {
        message_box(hooks, access.table.path);
        return false;
    }
    // Records are found by their key in the first field.
    if (dbf_field_name(access.table, 0) != "REGISTRO" || dbf_field_type(access.table, 0) != 'N' ||
        dbf_field_length(access.table, 0) != 10) {
        dbf_close(access.table);
        return false;
    }
    list_attribute_fields(access);
    return true;
}

void take_manzana(LabelAttributes& a, std::string_view v) {
    std::size_t n = v.size() < 5 ? v.size() : 5;
    std::memcpy(a.manzana, v.data(), n);
    a.manzana[n] = '\0';
    for (std::size_t i = 0; i < n && a.manzana[i] == ' '; ++i) a.manzana[i] = '0';
}

void take_npolicia(LabelAttributes& a, std::string_view v) {
    v = trim_view(v);
    if (!v.empty() && (v.back() < '0' || v.back() > '9')) {
        a.duplicate = static_cast<char>(cp850_upper(static_cast<unsigned char>(v.back())));
        v.remove_suffix(1);
    }
    a.npolicia = parse_long(v);
}

// Takes the attributes of the record in the table's record buffer.
void take_record(const TableAccess& access, Hooks& hooks, LabelAttributes& a) {
    const DbfTable& t = access.table;
    for (const auto& [index, kind] : access.fields) {
        std::string_view v = field_value(t, index);
        switch (kind) {
            case AttrField::Manzana:
                take_manzana(a, v);
                ++a.atr;
                break;
            case AttrField::Parcela:
                a.parcela = parse_long(v);
                if (access.urban)
                    urban_parcel_code(hooks, a.parcela, a.parcel_code);
                else
                    std::snprintf(a.parcel_code, sizeof a.parcel_code, "%05ld", a.parcela);
                break;
            case AttrField::EjeVia: a.eje_via = parse_long(v); break;
            case AttrField::NPolicia: take_npolicia(a, v); break;
            case AttrField::Duplicado:
                if (!v.empty() && v[0] != ' ')
                    a.duplicate = static_cast<char>(cp850_upper(static_cast<unsigned char>(v[0])));
                break;
            case AttrField::Rustica: {
                std::size_t n = v.size() < sizeof a.rustica ? v.size() : sizeof a.rustica - 1;
                std::memcpy(a.rustica, v.data(), n);
                a.rustica[n] = '\0';
                break;
            }
        }
    }
}

}  // namespace

void clear_attributes(LabelAttributes& a) {
    a.manzana[0] = '\0';
    a.parcela = 0;
    a.parcel_code[0] = '\0';
    a.eje_via = 0;
    a.npolicia = 0;
    a.duplicate = ' ';
    a.rustica[0] = '\0';
    a.atr = 0;
}

void reset_table_access(TableAccess& access, const std::string& directory, bool urban) {
    dbf_close(access.catalog);
    dbf_close(access.table);
    access.catalog.directory = directory;
    access.catalog.file_name = kDbfCatalogName;
    access.table.directory = directory;
    access.table.file_name.clear();
    access.has_number = false;
    access.number = 0;
    access.urban = urban;
    access.fields.clear();
}

void close_table_access(TableAccess& access) {
    dbf_close(access.table);
    dbf_close(access.catalog);
    access.has_number = false;
}

bool load_label_attributes(TableAccess& access, Hooks& hooks, const Element& e, LabelAttributes& a) {
    clear_attributes(a);
    for (int i = 0; i < e.ref_count; ++i) {
        int number = ref_table(e, i);
        if (number < 2) continue;
        if (!access.has_number || number != access.number) {
            access.has_number = false;
            if (!open_attribute_table(access, hooks, number)) return false;
            access.has_number = true;
            access.number = number;
        }
        if (dbf_find_record(access.table, ref_record(e, i)) == 0) continue;
        take_record(access, hooks, a);
    }
    return true;
}

void urban_parcel_code(Hooks& hooks, long n, char out[24]) {
    static const char letters[] = "ABCDEFGHJKLMNPQRSTUVXYZ";  // tens 10 to 32
    if (n < 100) {
        std::snprintf(out, 24, "%02ld", n);
    } else if (n <= 329) {
        out[0] = letters[n / 10 - 10];
        out[1] = static_cast<char>('0' + n % 10);
        out[2] = '\0';
    } else {
        message_box(hooks, format("Error parcela %ld > 329\n", n));
        std::memcpy(out, "Z9", 3);
    }
}

}  // namespace cad
