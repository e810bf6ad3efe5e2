/* Headless dialog manager: file dialogs and alert boxes, answered from a
   script (tests, batch runs). */
#ifndef MDLHOST_DLG_H
#define MDLHOST_DLG_H

#include "host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* File-create dialog.  Offers defaultDir + defaultName; on confirmation
   copies the chosen name into fileName (MDLHOST_MAXFILELENGTH) and returns
   0; on cancel returns 1 and leaves fileName unchanged.  Answers come from
   the script queue; with an empty queue the default is accepted.  The
   default joins directory and name with a separator when the directory
   lacks one.  An empty or too long name is not confirmed (returns 1). */
MDLHOST_API int mdlDialog_fileCreate(char *fileName, void *fileInfo, int defFileId, const char *defaultName,
                                     const char *filterString, const char *defaultDirectory, const char *titleString);
/* File-open dialog, same rules (the file need not exist). */
MDLHOST_API int mdlDialog_fileOpen(char *fileName, void *fileInfo, int defFileId, const char *defaultName,
                                   const char *filterString, const char *defaultDirectory, const char *titleString);

/* Queues one answer for the next file dialog: "" accepts the default, null
   cancels, any other text is the chosen name. */
MDLHOST_API void mdlhost_scriptFileDialog(const char *answer);
/* The last offered default (directory + name) and title, for tests. */
MDLHOST_API const char *mdlhost_lastFileDialogDefault(void);
MDLHOST_API const char *mdlhost_lastFileDialogTitle(void);

/* Alert box: shows text with up to two buttons and returns the button
   pressed (1 first, 2 second).  Answers come from the alert script; with an
   empty queue the first button is pressed, and so it is when the script
   asks for a second button the box does not have. */
MDLHOST_API int mdlhost_alert(int messageType, const char *text, const char *button1, const char *button2);
/* Queues the button (1 or 2; other values are ignored) for the next alert. */
MDLHOST_API void mdlhost_scriptAlert(int button);
MDLHOST_API const char *mdlhost_lastAlertText(void);

/* Forgets every queued answer. */
MDLHOST_API void mdlhost_clearDialogScripts(void);

#ifdef __cplusplus
}
#endif

#endif
