// superficies.h - the surfaces exchange file "S" from the surface labels of a sheet list.
#pragma once

#include <string>

#include "kernel/export_run.h"

namespace cad {

/// The fields of a surfaces run, as the dialog or the command line fills them.
struct SuperficiesOptions {
    std::string sheet_list = "TREN";
    std::string db_dir;     ///< folder of CATDBS.DBF and the attribute tables
    std::string refs_path;  ///< the references file
    bool manzana_duplicada = false;  ///< report repeated blocks
    bool ref_catastral = false;      ///< report blocks whose manzana is not the expected block code
    bool calle_cero = false;         ///< report parcels whose EJE_VIA is 0
    bool portal_cero = false;        ///< report parcels whose NPOLICIA is 0
};

/// Initial field values: "TREN", the current directory as database
/// directory and REFCAT.TXT in the current directory.
SuperficiesOptions superficies_defaults();

/// The surfaces export run: writes "S", "S.err" and one ".S" error-marker
/// file per sheet in the current directory.
RunEnd superficies_run(Hooks& hooks, const SuperficiesOptions& options);

}  // namespace cad
