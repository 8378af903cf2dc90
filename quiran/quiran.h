// quiran.h - the cadastre import: exchange files back into element files and parcel records.
#pragma once

#include <string>

#include "kernel/export_run.h"
#include "kernel/frontend.h"

namespace cad {

/// The field values of one import, as the dialog or the command line fills them.
struct QuiranOptions {
    std::string exchange;              ///< "Fichero Catastro": the exchange file
    std::string table = "TAB";         ///< "Tabla Activa": the table that receives parcel records
    std::string db_directory;          ///< "Directorio bases datos"; the front end starts it at the current directory
    std::string record_length = "80";  ///< "Longitud registro", characters per exchange record
};

/// One import run: reads the exchange file, lists its header, writes one
/// element file per sheet and QUIRAN.ERR, and appends parcel records.
RunEnd quiran_import(Hooks& hooks, const QuiranOptions& options);

/// What OK does: the import, the beep, and the closing box with the
/// elapsed time, which follows every run.
RunEnd quiran_run(Hooks& hooks, const QuiranOptions& options);

/// Text of the closing box for an elapsed time in whole seconds.
std::string closing_text(long seconds);

}  // namespace cad
