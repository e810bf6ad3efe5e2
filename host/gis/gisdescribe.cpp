// The tables of the project's database, as the GIS add-on describes them.
#include "gis/mdlgis.h"

#include "db/mdldb.h"

int mdlMap_describeDatabase(StringList *tables)
{
    if (tables == nullptr || !mdlhost_dbIsOpen())
        return -1;
    // Ordinary tables only: the database's own catalogue is not the project's.
    const char *sql = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL
                          ? "select table_name from information_schema.tables where table_schema = "
                            "current_schema() and table_type = 'BASE TABLE' order by table_name"
                          : "select name from sqlite_master where type = 'table' and name not like "
                            "'sqlite!_%' escape '!' order by name";
    if (mdlDB_openCursor(sql) != 0)
        return -1;
    MS_SQLDA row{};
    int rc = 0;
    while (mdlDB_fetchRow(&row) == 0) {
        long at = 0;
        if (row.numColumns < 1 || row.values[0] == nullptr)
            continue;
        if (mdlStringList_insertMember(&at, tables, -1, 1) != 0 ||
            mdlStringList_setMember(tables, at, row.values[0], nullptr) != 0) {
            rc = -1;
            break;
        }
    }
    mdlDB_closeCursor();
    return rc;
}
