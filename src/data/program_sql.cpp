#include "data/program_sql.h"

#include "data/database.h"
#include "data/jet_translate.h"
#include "data/sql_functions.h"

const SqlDialect& ProgramSql()
{
    static const SqlDialect dialect{RegisterSqlFunctions, TranslateJet};
    return dialect;
}
