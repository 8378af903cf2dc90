// ponrotulos.h - the label loader: texts of chosen text elements into a field of the records they reference.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "dbase/dbase.h"
#include "kernel/element.h"

namespace cad {

/// The five arguments of the command, as typed.
struct PonRotulosArgs {
    std::string element_file;  ///< FVexo.ext
    std::string codigo;        ///< code to match against element codes
    std::string dir_tablas;    ///< database directory holding CATDBS.DBF and the table
    std::string tabla;         ///< the table's file name
    std::string campo;         ///< the field that receives the texts
};

/// The usage line printed for any other number of arguments.
constexpr char kPonRotulosUsage[] = "PonRotulos [FVexo.ext] [Codigo] [DirTablas] [Tabla] [Campo]\n";

/// Code match of the command: compared character by character, '*' in either
/// string ends with a match, '?' in either matches one character, otherwise
/// the characters must be equal and both strings must end together. A
/// leading '$' is an ordinary character here.
bool ponrotulos_code_match(std::string_view code, std::string_view codigo);

/// State of one run of the loader.
struct PonRotulosRun {
    std::FILE* out = nullptr;  ///< where the messages go
    ElementBuffers buffers;
    ElementReader reader;
    DbfTable table;
    DbfTable catalog;
    long updated = 0;  ///< records written
};

/// Runs the loader, printing its messages to `out`. Returns the number of
/// records written, or -1 when a file, the memory, the catalog entry or the
/// field is missing (its message is then printed and nothing is changed).
long ponrotulos_run(const PonRotulosArgs& args, std::FILE* out);

}  // namespace cad
