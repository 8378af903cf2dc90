// attributes.h - label attributes read from the dBase tables that a label references.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dbase/dbase.h"
#include "kernel/element.h"
#include "kernel/frontend.h"

namespace cad {

/// Values loaded for one surface label; cleared before each label.
struct LabelAttributes {
    char manzana[6];       ///< MANZANA cut to 5, leading blanks as '0'
    long parcela;          ///< PARCELA as a number
    char parcel_code[24];  ///< urban code ("07", "A5") or "%05ld" in a rural job
    long eje_via;
    long npolicia;
    char duplicate;        ///< letter after NPOLICIA or from DUPLICADO; blank when none
    char rustica[256];     ///< RUSTICA as stored
    int atr;               ///< records read that have a MANZANA field
};

void clear_attributes(LabelAttributes& a);

/// Which label attribute a field of the attribute table gives.
enum class AttrField : unsigned char { Manzana, Parcela, EjeVia, NPolicia, Duplicado, Rustica };

/// The catalog and the attribute table of a run. The attribute table stays
/// open from label to label; the catalog is opened only when a reference
/// names another table number.
struct TableAccess {
    DbfTable catalog;
    DbfTable table;
    bool has_number = false;  ///< a table number is remembered
    long number = 0;          ///< the number whose table is open
    bool urban = true;        ///< parcel codes of an urban job
    /// Fields of the open table that give attributes, in descriptor order.
    std::vector<std::pair<int, AttrField>> fields;
};

/// Start of a run: nothing open, both tables bound to the database directory.
void reset_table_access(TableAccess& access, const std::string& directory, bool urban);
/// End of a run: the attribute table is closed.
void close_table_access(TableAccess& access);

/// Loads the attributes of a label from its references (table number 2 and
/// above). False when an attribute table cannot be reached: the message box
/// has then been shown where the operator is to be told.
bool load_label_attributes(TableAccess& access, Hooks& hooks, const Element& e, LabelAttributes& a);

/// Two-character parcel code of an urban parcel number: "%02ld" below 100,
/// the tens letter and the units digit from 100 to 329; above that the
/// message "Error parcela %d > 329\n" and "Z9".
void urban_parcel_code(Hooks& hooks, long n, char out[24]);

}  // namespace cad
