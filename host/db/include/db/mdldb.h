/* The host database interface: one active database, SQLite (a file) or
   PostgreSQL (libpq), one statement per call.

   sections: connection, statements, cursors, tables, linkages, active
   entity, transactions and log

   Texts cross this interface in ISO 8859-1 as every text of the host; the
   host converts to UTF-8 for SQLite and sets the client encoding for
   PostgreSQL.  Every statement runs on its own: a failure leaves no open
   transaction behind and the next statement runs as if it had not been.  A
   text holding two statements is refused before anything runs. */
#ifndef MDLHOST_DB_H
#define MDLHOST_DB_H

#include <stddef.h>
#include <stdint.h>

#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* SQL type codes of describe and fetch.  Columns of other types (dates,
   booleans, ...) are described as text: they are read and written as text,
   never dropped. */
#define MDLDB_TYPE_CHAR 1
#define MDLDB_TYPE_DOUBLE 2
#define MDLDB_TYPE_LONG 4
/* The width described for a text column without a declared one. */
#define MDLDB_TEXT_WIDTH 255
/* Names (tables, columns) and one queried value, terminator included. */
#define MDLDB_NAME_SIZE 128
#define MDLDB_VALUE_SIZE 256

/* --- connection --------------------------------------------------------------
   name: "pg:" followed by a libpq connection string, a "postgresql://" or
   "postgres://" address, or the path of a SQLite file (made when missing;
   system paths are mapped as every file of the host).  A null or empty name
   takes configuration variable MDLHOST_DATABASE.  The database open before
   is closed first.  0 when connected. */
MDLHOST_API int mdlDB_activeDatabase(const char *name);
/* Closes the active database (nothing when none). */
MDLHOST_API void mdlhost_dbClose(void);
/* 1 when a database is open. */
MDLHOST_API int mdlhost_dbIsOpen(void);
#define MDLDB_SERVER_NONE 0
#define MDLDB_SERVER_SQLITE 1
#define MDLDB_SERVER_POSTGRESQL 2
MDLHOST_API int mdlhost_dbServerType(void);
/* The name the active database was opened with ("" when none). */
MDLHOST_API const char *mdlhost_dbName(void);
/* The text of the last failure ("" after a success). */
MDLHOST_API int mdlDB_getErrorText(char *out, int outSize);

/* --- statements --------------------------------------------------------------
   Runs exactly one statement; 0 on success. */
MDLHOST_API int mdlDB_processSQL(const char *sql);
/* The first value of the first row as text into result (MDLDB_VALUE_SIZE
   bytes, cut to fit); non-zero when the statement fails, gives no row or a
   NULL first value. */
MDLHOST_API int mdlDB_sqlQuery(char *result, const char *sql);
/* As processSQL, with $1.. (PostgreSQL) or ? (SQLite) bound to values
   (null: NULL), so that no value is ever part of the statement. */
MDLHOST_API int mdlhost_dbExecParams(const char *sql, int nValues, const char *const *values);
/* MAX(mslink) of table; 0 for an empty table.  Fails for a missing table or
   a name that is not a plain identifier. */
MDLHOST_API int mdlDB_largestMslink(const char *table, long *mslink);

/* --- cursors -----------------------------------------------------------------
   One cursor at a time: opening one closes the one before.  A fetched row
   holds, per column, its name, type code and value (null: SQL NULL); it is
   valid until the next fetch or the close. */
typedef struct MdlDbColumn {
    char name[MDLDB_NAME_SIZE];
    int type;    /* MDLDB_TYPE_* */
    int length;  /* width: declared characters of a text, 4 or 8 for numbers */
} MdlDbColumn;
typedef struct MS_SQLDA {
    int numColumns;
    MdlDbColumn *columns;
    const char **values; /* fetched rows only */
} MS_SQLDA;
MDLHOST_API int mdlDB_openCursor(const char *sql);
/* 0: a row; 1: no row is left (or no cursor is open). */
MDLHOST_API int mdlDB_fetchRow(MS_SQLDA *row);
MDLHOST_API void mdlDB_closeCursor(void);

/* --- tables ------------------------------------------------------------------
   The columns of table in declared order (names as the database holds
   them); the name matches in any case.  Non-zero for an unknown table. */
MDLHOST_API int mdlDB_describeTable(const char *table, MS_SQLDA *desc);
MDLHOST_API void mdlDB_freeSQLDADescriptor(MS_SQLDA *desc);
/* 1 when name is a plain identifier (letter or '_', then letters, digits
   and '_'; at most MDLDB_NAME_SIZE - 1), so it may stand in a statement. */
MDLHOST_API int mdlhost_dbIsIdentifier(const char *name);

/* --- linkages ----------------------------------------------------------------
   A database linkage names a row by the entity number of its table and its
   mslink.  On an element it is MDLDB_LINK_WORDS words:
     header, MDLDB_LINKAGE_ID, linkage type, entity, mslink low, mslink high,
     properties, 0
   Entity numbers come from the entity list of the open project. */
#define MDLDB_LINKAGE_ID 0x5D
#define MDLDB_LINK_WORDS 8
typedef struct DatabaseLink {
    int linkageType;
    int entityNumber;
    long mslink;
    int properties;
    char tableName[MDLDB_NAME_SIZE];
} DatabaseLink;
/* A link of linkageType to (table, mslink); props may be null (zero
   properties).  Non-zero when the table has no entity. */
MDLHOST_API int mdlDB_buildLink(DatabaseLink *link, int linkageType, const int *props, const char *table,
                                long mslink);
/* The linkage words of link into words (MDLDB_LINK_WORDS at least);
   *numBytes gets their length in bytes.  Non-zero for a link that cannot
   be stored (entity or mslink out of range). */
MDLHOST_API int mdlDB_encodeLink(uint16_t *words, int *numBytes, const DatabaseLink *link);
/* The link in words (numWords of them, starting with the header); non-zero
   when they are not a database linkage. */
MDLHOST_API int mdlhost_dbDecodeLink(DatabaseLink *link, const uint16_t *words, int numWords);
/* The entity list: count pairs of entity number and table name (any case).
   Set by the project that opens; null/0 clears it. */
MDLHOST_API void mdlhost_dbSetEntities(int count, const int *numbers, const char *const *tables);
/* The entity of table (case ignored), 0 when it has none. */
MDLHOST_API int mdlhost_dbEntityForTable(const char *table);
/* The table of an entity into out (upper case); non-zero when unknown. */
MDLHOST_API int mdlhost_dbTableForEntity(char *out, int outSize, int entity);

/* --- active entity ----------------------------------------------------------
   The table of "SELECT ... FROM table ..." and the mslink of its first row
   (its column mslink, else its first column).  Non-zero when the statement
   fails or gives no row. */
MDLHOST_API int mdlDB_defineAEBySQLSelect(const char *sql);
/* The active entity's table into table (MDLDB_NAME_SIZE) and its mslink;
   non-zero when none is defined. */
MDLHOST_API int mdlhost_dbActiveEntity(char *table, long *mslink);

/* --- transactions and log -------------------------------------------------
   A transaction of the caller's: statements inside still fail one by one
   without undoing the others; rollback undoes them all.  0 on success;
   begin fails when one is open already. */
MDLHOST_API int mdlhost_dbBegin(void);
MDLHOST_API int mdlhost_dbCommit(void);
MDLHOST_API int mdlhost_dbRollback(void);
/* When configuration variable MDLHOST_SQLLOG names a file, every statement
   sent is appended to it, one per line with its result ("ok" or the error).
   Count of statements sent since the database was opened (tests read it to
   see that an answer came without SQL). */
MDLHOST_API long mdlhost_dbStatementCount(void);

#ifdef __cplusplus
}
#endif

#endif
