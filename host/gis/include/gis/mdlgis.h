/* The GIS add-on's project side: a project is a database holding the
   catalogue tables (categories, features, maps, the table and join
   catalogues); opening it reads them once, so what is inserted later shows
   after the next open.

   sections: projects, control block, categories, features, maps, system
   functions, feature and database links on elements, new projects

   Catalogue tables (created unquoted, lower case; mslink a unique key):
     category (mslink, cname, indexname, indexlevel)
     ugcategory (category, defaultf, olap, foreignf, dgnfex)
     feature (mslink, fcode, fname, category, tablename, ftype, flevel, ...,
              newdup [, objtype])
     ugfeature (feature, elock, fclass, ..., fraction, lsname: the 22
              columns the GIS build's set-up writes)
     ugcommand (feature, cname, keyincmd, sqlstmt, class)
     maps (mslink, category, mapname varchar(255)), ugmap (mapid, mdir)
     ugtable_cat (tablename, entitynum), ugjoin_cat (table0, index0, table1,
              index1, value1)
   Category and feature indexes are positions in mslink order; the map with
   mslink m has index m - 1. */
#ifndef MDLHOST_GIS_H
#define MDLHOST_GIS_H

#include <stdint.h>

#include "base/host_export.h"
#include "db/mdldb.h"
#include "dgn/mdldgn.h"
#include "rsc/mdlrsc.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GeoProject GeoProject;
typedef struct GeoCategory GeoCategory;
typedef struct GeoFeature GeoFeature;
typedef struct GeoMap GeoMap;

/* The linkage type of every database link of a project. */
#define GEO_FEATURE_LINKAGE_TYPE 2

/* --- projects ----------------------------------------------------------------
   project names a database as mdlhost_dbOpen does (null or "": the
   configuration variable MDLHOST_GISPROJECT).  Opening closes the project
   open before, makes the database the active one and reads the catalogue;
   0 on success (a database without the catalogue tables is refused). */
MDLHOST_API int mdlMapProject_open(const char *project);
MDLHOST_API int mdlMapProject_close(void);
/* The same for a user: project (wide; null or "" as above) opens as
   mdlMapProject_open does; a server project connects as user (null or "":
   the connection text's own) with value as its password.  The control
   block keeps user and value as given, so that folder + name, user and
   value open the same project again for the same user.  The applications
   call it in the platform's form, below. */
MDLHOST_API int mdlhost_gisOpenProjectFor(const char16_t *project, const char16_t *user, const char16_t *value);
/* The open project, null when none. */
MDLHOST_API GeoProject *geoProject_getActive(void);
/* True when a project is open, or one named by MDLHOST_GISPROJECT opens;
   the current application then uses the project. */
MDLHOST_API int mdlMap_initializeApplication(void);
/* The current application is done with the GIS add-on: its map system
   functions are forgotten, and the project closes when no application that
   initialized uses it any more (the editing tool leaving does not close
   the GIS build's project). */
MDLHOST_API void mdlMap_unloadApplication(int reason);

/* --- control block ------------------------------------------------------------
   What the project holds beside its lists, as read at open. */
#define GEO_JOIN_NAME_SIZE 37
typedef struct GeoJoin {
    char16_t table0[GEO_JOIN_NAME_SIZE], index0[GEO_JOIN_NAME_SIZE], table1[GEO_JOIN_NAME_SIZE],
        index1[GEO_JOIN_NAME_SIZE], value1[GEO_JOIN_NAME_SIZE]; /* ASCII letters upper-cased */
} GeoJoin;
typedef struct GeoControlBlock {
    int entityCount;
    const int *entityNumbers;
    const char *const *entityTables; /* ASCII letters upper-cased */
    int joinCount;
    const GeoJoin *joins;
    int tableCount;
    const char16_t *const *tableNames; /* the table catalogue */
    /* Folder and name joined are the project's text that opens it again
       (mdlMapProject_open): a file's folder (ending with its separator,
       "" for a name without one) and file name; a server's scheme ("pg:",
       "postgresql://", "postgres://") and the rest of its name. */
    const char16_t *projectFolder;
    const char16_t *projectName;
    const char16_t *serverType;        /* "SQLITE" or "POSTGRESQL" */
    const char16_t *dataSource;        /* the name the project was opened with */
    /* 1 when topology compares z (configuration variable
       MDLHOST_GISCONSIDERZ "0" or "1"; 1 when unset). */
    int considerZ;
    /* The user and the value beside it (the password) the project was
       opened with, as given; "" when none. */
    const char16_t *userName;
    const char16_t *userValue;
    /* Where new map files come from and go: the seed, map and index
       directories, each ending with its separator (configuration variables
       MDLHOST_GISSEEDDIR, MDLHOST_GISMAPDIR, MDLHOST_GISINDEXDIR; unset:
       a file project's folder, "" for a server project). */
    const char16_t *seedDirectory;
    const char16_t *mapDirectory;
    const char16_t *indexDirectory;
    /* Curves are stroked to this tolerance in master units
       (MDLHOST_GISSTROKETOLERANCE; 0.01 when unset). */
    double strokeTolerance;
    /* 1 when elements the add-on changes are drawn again
       (MDLHOST_GISREDISPLAY "0" or "1"; 1 when unset). */
    int redisplay;
    /* The current feature (mdlMapFeature_setCurrent), -1 for none.  An
       application may set it to -1 around adds that must not take it and
       put it back after; the host reads it at every add. */
    int currentFeature;
    /* 1 while the current feature's placing command is on. */
    int currentCommand;
} GeoControlBlock;
/* The open project's control block, null when none.  Only currentFeature
   may be written. */
MDLHOST_API GeoControlBlock *mdlhost_gisControlBlock(void);

MDLHOST_API const char16_t *geoProject_getFeatureTableName(GeoProject *p);  /* "feature" */
MDLHOST_API const char16_t *geoProject_getMapTableName(GeoProject *p);      /* "maps" */
MDLHOST_API const char16_t *geoProject_getTableCatalogTableName(GeoProject *p); /* "ugtable_cat" */
MDLHOST_API int geoProject_getFeatureLinkageType(GeoProject *p);
MDLHOST_API int geoProject_getFeatureEntity(GeoProject *p);

/* --- categories ----------------------------------------------------------------- */
MDLHOST_API int geoProject_getCategoryCount(GeoProject *p);
MDLHOST_API GeoCategory *geoProject_getCategory(GeoProject *p, int index);
MDLHOST_API const char16_t *geoCategory_getName(GeoCategory *c);
MDLHOST_API const char16_t *geoCategory_getFileExtension(GeoCategory *c); /* without the dot */
MDLHOST_API const char16_t *geoCategory_getIndexFileName(GeoCategory *c);
MDLHOST_API long geoCategory_getMslink(GeoCategory *c);

/* --- features ------------------------------------------------------------------
   Readers of a null feature give 0 (or an empty text). */
MDLHOST_API int geoProject_getFeatureCount(GeoProject *p);
MDLHOST_API GeoFeature *geoProject_getFeature(GeoProject *p, int index);
/* The user's active feature; index < 0: none.  Setting another one calls
   map system function 4 of every owner. */
MDLHOST_API int geoProject_getActiveFeatureIndex(GeoProject *p);
MDLHOST_API GeoFeature *geoProject_getActiveFeature(GeoProject *p);
MDLHOST_API int mdlhost_gisSetActiveFeature(int index);
/* The current feature: every graphic element added to the active model
   (mdlElement_add, mdlElmdscr_add) that carries no feature link gets its
   link (no symbology; an element with no room for it is added without).
   setCurrent also turns its placing command on; clearCurrentCommand turns
   that off and keeps the feature current; clearCurrent ends both.  0, or
   non-zero for no project or an unknown index. */
MDLHOST_API int mdlMapFeature_setCurrent(int featureIndex);
MDLHOST_API int mdlMapFeature_clearCurrentCommand(void);
MDLHOST_API int mdlMapFeature_clearCurrent(void);
/* The features of category index categoryIndex (-1: every feature), in
   feature order, as a new string list the caller destroys: texts the codes
   (GEO_FEATUREINFO_CODE) or the names (GEO_FEATUREINFO_NAME), info fields
   the feature index and its category index.  Null for no project, an
   unknown category or kind. */
#define GEO_FEATUREINFO_CODE 1
#define GEO_FEATUREINFO_NAME 2
MDLHOST_API StringList *mdlMapGroup_getFeatureInfo(int categoryIndex, int kind);
/* 0 when found: an exact code among the features as opened. */
MDLHOST_API int mdlMapFeature_indexFromCode(const char16_t *code, int *index);
MDLHOST_API int mdlMapFeature_indexFromMslink(long mslink, int *index);
MDLHOST_API const char16_t *geoFeature_getCode(GeoFeature *f);
MDLHOST_API const char16_t *geoFeature_getName(GeoFeature *f);
MDLHOST_API long geoFeature_getMslink(GeoFeature *f);
/* -1 for a feature of category 0 or an unknown one. */
MDLHOST_API int geoFeature_getCategoryIndex(GeoFeature *f);
MDLHOST_API GeoCategory *geoFeature_getCategory(GeoFeature *f);
/* The entity of the feature's attribute table, 0 when none. */
MDLHOST_API int geoFeature_getDBEntityNumber(GeoFeature *f);
/* 2 (share identical rows) when NEWDUP is 1, else 1. */
MDLHOST_API int geoFeature_getLinkageMode(GeoFeature *f);
MDLHOST_API int geoFeature_getType(GeoFeature *f);
MDLHOST_API int geoFeature_getElementType(GeoFeature *f);
MDLHOST_API int geoFeature_getLineStyleIndex(GeoFeature *f);
MDLHOST_API const char16_t *geoFeature_getLineStyleName(GeoFeature *f);
MDLHOST_API int geoFeature_getWeightForElement(GeoFeature *f);
MDLHOST_API int geoFeature_getColorForElement(GeoFeature *f);
MDLHOST_API const char16_t *geoFeature_getLevelName(GeoFeature *f);
MDLHOST_API double geoFeature_getAngle(GeoFeature *f);
MDLHOST_API double geoFeature_getTextHeight(GeoFeature *f);
MDLHOST_API double geoFeature_getTextWidth(GeoFeature *f);
MDLHOST_API double geoFeature_getTextLineSpacing(GeoFeature *f);
MDLHOST_API int geoFeature_getTextLineLength(GeoFeature *f);
MDLHOST_API int geoFeature_getTextFontIndex(GeoFeature *f);
MDLHOST_API int geoFeature_getTextJustification(GeoFeature *f);
MDLHOST_API const char16_t *geoFeature_getCellLibraryName(GeoFeature *f);
MDLHOST_API const char16_t *geoFeature_getCellName(GeoFeature *f);
MDLHOST_API double geoFeature_getCellScale(GeoFeature *f);
MDLHOST_API double geoFeature_getStreamDelta(GeoFeature *f);
MDLHOST_API double geoFeature_getStreamTolerance(GeoFeature *f);
MDLHOST_API int geoFeature_getSnapType(GeoFeature *f);
MDLHOST_API double geoFeature_getSnapTolerance(GeoFeature *f);

/* --- maps -----------------------------------------------------------------------
   The count is the largest map mslink; a hole in the numbers gives null. */
MDLHOST_API int geoProject_getMapCount(GeoProject *p);
MDLHOST_API GeoMap *geoProject_getMap(GeoProject *p, int index);
MDLHOST_API const char16_t *geoMap_getName(GeoMap *m); /* name plus extension */
/* 0 when found: the full path (folder + name) compared without case, both
   mapped as the host maps file names (drive letters, either separator,
   "." and ".." and doubled separators). */
MDLHOST_API int mdlMap_indexFromMapName(const char16_t *path, int *index);
/* The reference of the active model attached to the map's file (its file
   specification naming the same file, whoever attached it); 0 when none. */
MDLHOST_API DgnModelRefP mdlMap_modelRefFromMapIndex(int index);
/* Attaches the map's file (folder + name, kept as the attachment's file name) to
   the active model, coincident, and keeps the attachment in the design; a
   map attached already stays as it is.  0, or non-zero for no such map or
   a file that cannot be attached. */
MDLHOST_API int mdlMap_attachMap(int index);

/* --- the database ---------------------------------------------------------------
   The tables (and views) of the project's database, as the database names
   them, sorted, in a new string list (no info fields) the caller destroys.
   0, or non-zero (*tables null) when they cannot be read. */
MDLHOST_API int mdlMap_describeDatabase(StringList **tables);
/* The keyin "vsql execute SELECT ...": runs one select on the active
   database and shows it on the text window: the statement, a line per row
   ("column=value" joined by ", ", NULL for none), then how many rows.  0,
   or non-zero with the cause on the text window for no database, a
   statement that is no select, or one that fails. */
MDLHOST_API int mdlhost_gisShowQuery(const char *select);

/* --- system functions -------------------------------------------------------------
   Each application sets its own (functions set outside any application are
   the host's own, one set more); every owner's function of a number is
   called, in the order the owners first set one, with its owner current
   (none for the host's own).  An application's functions are forgotten
   when it is unloaded or calls mdlMap_unloadApplication.
     1  after a project opened: void fn(void)
     2  before the project closes: void fn(void)
     4  after the active feature changed (mdlhost_gisSetActiveFeature to
        another index): void fn(int activeFeatureIndex), -1 for none; given
        to mdlMapSystem_setFunction cast to GeoSystemFunction.
   setFunction: fn null clears the current application's function number;
   0, or -1 for any other number. */
#define GEO_SYSTEM_PROJECT_OPENED 1
#define GEO_SYSTEM_PROJECT_CLOSING 2
#define GEO_SYSTEM_ACTIVE_FEATURE 4
#define GEO_SYSTEM_FUNCTIONS 4 /* the highest number */
typedef void (*GeoSystemFunction)(void);
typedef void (*GeoActiveFeatureFunction)(int activeFeatureIndex);
MDLHOST_API int mdlMapSystem_setFunction(int number, GeoSystemFunction fn);

/* --- feature and database links on elements -------------------------------------
   A feature link is a database link to the feature table's entity with the
   feature's mslink.  With symbologyFlag the element also takes the
   feature's level (FLEVEL, made in model when missing), colour, weight and
   style.  0 on success; non-zero for an unknown feature or no room. */
MDLHOST_API int mdlMap_attachElementFeature(MSElement *el, int featureIndex, int symbologyFlag,
                                            DgnModelRefP model);
/* The feature mslinks of el in linkage order (*mslinks freed with
   dlmSystem_mdlFree; null when none).  0 on success. */
MDLHOST_API int mdlMap_allElementFeatures(const MSElement *el, long **mslinks, int *count);
/* Every database link of el (feature links too), freed with
   dlmSystem_mdlFree.  0 on success. */
MDLHOST_API int mdlDB_extractLinkages(DatabaseLink **links, int *count, const MSElement *el);
/* The same read from attribute data (numWords words of whole linkages, as
   mdlElement_extractAttributes gives them). */
MDLHOST_API int mdlMap_allFeatureMslinks(const uint16_t *words, int numWords, long **mslinks, int *count);
/* The first feature mslink; 0 when the data hold none, -1 for data that are
   not whole linkages. */
MDLHOST_API long mdlMap_firstFeatureMslink(const uint16_t *words, int numWords);
/* Every database link of the data, feature links included. */
MDLHOST_API int mdlMap_allDBMslinks(const uint16_t *words, int numWords, DatabaseLink **links, int *count);
/* Removes every feature link from the data; *numWords becomes the words
   left.  0 on success. */
MDLHOST_API int mdlMap_removeFeature(uint16_t *words, int *numWords);
/* Removes every database link to entity with mslink from the data.  0 when
   one went, 1 when none matched, -1 for data that are not whole linkages. */
MDLHOST_API int mdlMap_removeLink(uint16_t *words, int *numWords, int entity, long mslink);
/* Appends a feature link for each of count mslinks to the data (room for
   maxWords words); elementType is the element's, kept for the callers.
   Non-zero, the data unchanged, when they would not fit in maxWords or in
   an element. */
MDLHOST_API int mdlMap_addFeatureLinks(uint16_t *words, int *numWords, int maxWords, const long *mslinks, int count,
                                       int elementType);
/* The attribute data of dscr's first element become words.  Non-zero, dscr
   unchanged, when they are not whole linkages or the element would grow
   past MAX_ELEMENT_WORDS. */
MDLHOST_API int mdlMap_replaceElmdscrAttr(MSElementDescr *dscr, const uint16_t *words, int numWords);
/* A copy of dscr (the caller frees it) whose first element carries a
   feature link to the feature of mslink (added when missing); with
   symbology the copy's components take the feature's colour, weight and
   style as well.  0, or non-zero (*newDscr null) for an unknown feature or
   no room. */
MDLHOST_API int mdlMap_elmdscrReset(MSElementDescr **newDscr, const MSElementDescr *dscr, long mslink,
                                    int symbology);
/* Appends a link to the active entity (mdlDB_defineAEBySQLSelect). */
MDLHOST_API int mdlDB_attachActiveEntityElement(MSElement *el);


/* --- new projects -------------------------------------------------------------------
   Makes the catalogue tables (empty) in the database project names, which
   stays the active database, with the entity list: feature, maps, and a
   unique index on the mslink of category, feature and maps (so the largest
   mslink is read from the index).  An existing table is left as it is but
   gets the index; one whose mslinks are not unique gets a plain index and a
   line on the text window.  0 on success. */
MDLHOST_API int mdlhost_gisCreateProject(const char *project);

#ifdef __cplusplus
}

/* The platform's forms of open and close: project text, 0, user, the value
   beside it, then seven switches that our host has no use for. */
inline int mdlMapProject_open(const char16_t *project, int, const char16_t *user, const char16_t *value, int, int,
                              int, int, int, int, int)
{
    return mdlhost_gisOpenProjectFor(project, user, value);
}
inline int mdlMapProject_close(int) { return mdlMapProject_close(); }
#endif

#endif
