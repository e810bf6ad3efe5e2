// STUB (minimal): replaced by the full dialog module.
#include "dlg/mdldlg.h"
#include "app/mdlapp.h"

#include <cstdio>

int mdlDialog_fileCreate(char *fileName, void *, int, const char *defaultName, const char *, const char *defaultDirectory,
                         const char *)
{
    snprintf(fileName, MDLHOST_MAXFILELENGTH, "%s%s", defaultDirectory ? defaultDirectory : "",
             defaultName ? defaultName : "");
    return 0;
}
int mdlDialog_fileOpen(char *fileName, void *f, int id, const char *n, const char *fl, const char *d, const char *t)
{
    return mdlDialog_fileCreate(fileName, f, id, n, fl, d, t);
}
void mdlhost_scriptFileDialog(const char *) {}
const char *mdlhost_lastFileDialogDefault(void) { return ""; }
const char *mdlhost_lastFileDialogTitle(void) { return ""; }
int mdlhost_alert(int, const char *, const char *, const char *) { return 1; }
void mdlhost_scriptAlert(int) {}
const char *mdlhost_lastAlertText(void) { return ""; }
void mdlhost_clearDialogScripts(void) {}
