/* The host database interface: one active database, SQLite (a file) or
   PostgreSQL (libpq), one statement per call.

   sections: connection, statements, cursors, tables, linkages, active
   entity, transactions and log

   Texts cross this interface in ISO 8859-1 as every text of the host; the
   host converts them to and from UTF-8 for both back ends (PostgreSQL with
   client encoding UTF8).  A stored character outside ISO 8859-1 is read as
   '?': the value is marked (mdlhost_dbSubstituted) and the statement named
   once on the text window, and the rest of the result reads as usual.
   Every statement runs on its own: a failure leaves no open transaction
   behind and the next statement runs as if it had not been.  A text
   holding two statements is refused before anything runs.  A PostgreSQL
   connection that the server dropped (a restart, an ended session) is made
   again once when a statement fails on it, and the statement sent again
   (see mdlhost_dbBegin for a transaction of the caller's). */
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
   A database's name: "pg:" followed by a libpq connection string, a
   "postgresql://" or "postgres://" address, or the path of a SQLite file
   (made when missing; system paths are mapped as every file of the host).
   The names of data sources have at most MDLDB_SOURCE_SIZE - 1 characters
   where a caller's buffer takes them. */
#define MDLDB_SOURCE_SIZE 256
/* Connects to the database name names, closing the one open before; 0 when
   connected.  A null name or one of "" takes configuration variable
   MDLHOST_DATABASE. */
MDLHOST_API int mdlhost_dbOpen(const char *name);
/* The data source of the applications.
   - name holds a name: as mdlhost_dbOpen, 0 when connected.
   - name is "" (a writable buffer of MDLDB_SOURCE_SIZE bytes): asks which
     data source is connected.  With a database open its name (as it was
     opened, so giving it back connects to the same one) is copied into
     name, cut to fit, the connection unchanged: 0.  With none open, the
     one MDLHOST_DATABASE names is connected and its name copied: 0; when
     that fails, non-zero and name stays "".
   - name is null: the same without the copy (0: a database is open). */
MDLHOST_API int mdlDB_activeDatabase(char *name);
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
/* 1 when the active database takes no writes (a SQLite file the process
   may not write, a PostgreSQL session that is read only), 0 when it does,
   -1 when none is open.  Commands that write ask before they start. */
MDLHOST_API int mdlhost_dbReadOnly(void);
/* A database whose connection is lost (the server cannot be reached
   again), whose file another process keeps locked past the wait, or that
   refuses writes, full disk or a damaged file: the first statement that
   meets it fails with its cause, one line goes to the text window, and
   every later statement fails at once with the same text, until the
   database is opened again.  Statements wait at most MDLHOST_DB_TIMEOUT
   seconds on a PostgreSQL server (300 when unset); a connection is given
   up after 10 s, and one that dies on the way within about a minute. */
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
/* The rows inserted, updated or deleted by the last statement that
   mdlDB_processSQL or mdlhost_dbExecParams ran on the active database (as
   sqlite3_changes and PQcmdTuples count them: the statement's own rows, not
   those of triggers); 0 for a statement of another kind (a select, CREATE,
   BEGIN) and for an UPDATE or DELETE that matched no row; -1 when that
   statement failed, and when neither has run since the database was opened.
   No other call changes it (a query, a cursor or a describe between the
   statement and the question leaves it as it was). */
MDLHOST_API long mdlhost_dbChangedRows(void);
/* 1 when a text the host gave was read with '?' in the places of
   characters outside ISO 8859-1 (or of bytes that were no UTF-8); a '?'
   that is stored as such is no substitute.  Asked
   - after mdlDB_fetchRow: of that column of the row just fetched (columns
     from 0; column -1: any column of the row);
   - after mdlDB_sqlQuery: column -1 (or 0) of the value it gave.
   0 for any other column, and after any other call of this interface (a
   statement, opening or closing a cursor, describe): a caller asks right
   after the fetch or query.  A value read with substitutes must not be
   written back as it is: that would store the '?'. */
MDLHOST_API int mdlhost_dbSubstituted(int column);
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
/* The table of an entity into out (ASCII letters upper-cased, as the GIS
   layer folds names); non-zero when unknown. */
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
   begin fails when one is open already.  When the server drops the
   connection inside one, the server has rolled it back: the failing
   statement is not sent again (the connection is made again for the next
   ones), the transaction ends there and commit fails ("no transaction is
   open"), so the caller learns that the unit of work did not land.  Commit
   and rollback are never sent twice. */
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
