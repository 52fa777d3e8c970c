#pragma once

struct SqlDialect;

// The dialect of the program's SQL, which every data file it opens is given:
// the functions its statements call beyond SQLite's own (sql_functions.h) and
// the translation of its Jet text into SQLite's (jet_translate.h).
const SqlDialect& ProgramSql();
