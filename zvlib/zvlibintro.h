/* The intro box an application shows when it starts (closed by a timer)
   and the about box with its texts, images and buttons. */
#ifndef ZVLIB_INTRO_H
#define ZVLIB_INTRO_H

#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_INTRO_DIALOG 20020   /* the intro box */
#define ZVLIB_FURTHER_DIALOG 20027 /* opened from the about box */
#define ZVLIB_ABOUT_DIALOG 20078   /* the about box */

/* Intro texts: 0 the title, 1 the version text, 2 to 13 the caller's (7, 9,
   11 and 13 are file names). */
#define ZVLIB_INTRO_TITLE 0
#define ZVLIB_INTRO_VERSION 1

/* Stores the title (when given), the version text "AA.BB.version" made of
   the first two bytes of the application's version number (when a version
   is given), each given text (null leaves a text as it was; longer texts
   are cut to 256 characters) and the time-out in seconds; then shows the
   intro box: at once, or at the first design file for an application that
   the host loaded before one was open.  With a time-out of 1 or more a
   timer closes it after time-out x 60 ticks.  Returns 0, ZVLIB_FAILURE when
   the caller has no library record. */
ZVLIB_API int zvlibIntro_msgBoxNew(const char *title, const char *version, const char *text2, const char *text3,
                                   const char *text4, const char *text5, const char *text6, const char *text7,
                                   const char *text8, const char *text9, const char *text10, const char *text11,
                                   const char *text12, const char *text13, int timeOut);
/* Sets the calling application's version number to the bytes 8, 5, 2, 70
   (first to fourth). */
ZVLIB_API void zvlibIntro_setVersionNumber(void);
/* Publishes the image, title, dialog and button hooks in the current
   application (the library start-up calls it). */
ZVLIB_API void zvlibIntro_publishHooks(void);

/* The distributor's pages the about box's web buttons open: the value of
   ZV_HOMEPAGE / ZV_SUPPORTPAGE, else these. */
#define ZVLIB_HOMEPAGE "https://www.fennvik.example/"
#define ZVLIB_SUPPORTPAGE "https://www.fennvik.example/support/"

#ifdef __cplusplus
}
#endif

#endif
