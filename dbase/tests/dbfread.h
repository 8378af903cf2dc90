// dbfread.h - reads a table with Debian's python3-dbfread, a reader written elsewhere.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "testsupport/fixtures.h"

namespace cad::test {

/// The table as python3-dbfread reads it (code page 850), as one JSON line:
/// fields, live records, deleted records and the header's record count.
/// The module must be installed for /usr/bin/python3; its absence fails.
inline std::string dbfread_dump(const std::string& path) {
    static const char* const kScript = R"PY(
import json, sys
try:
    import dbfread
except ImportError:
    sys.stderr.write("python3-dbfread is not installed for /usr/bin/python3\n")
    sys.exit(3)
t = dbfread.DBF(sys.argv[1], encoding="cp850", char_decode_errors="strict")
print(json.dumps({
    "fields": [[f.name, f.type, f.length, f.decimal_count] for f in t.fields],
    "records": [list(r.values()) for r in t.records],
    "deleted": [list(r.values()) for r in t.deleted],
    "numrecords": t.header.numrecords,
}))
)PY";
    Result r = run_program("/usr/bin/python3", {"-c", kScript, path}, "/tmp");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

}  // namespace cad::test
