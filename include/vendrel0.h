/* Resource and control identifiers of the installer.
 * Plain #defines only: windres reads this header as well as the compiler. */
#ifndef VENDREL0_H
#define VENDREL0_H

#define IDD_INSTALL         99      /* the installer dialog template */
#define IDS_APPNAME         1       /* "Quillmar installation"; its first nine characters name the app */

/* Per group: drive combo box = group * 100 + 1, directory tree + 2, file list + 3,
 * group box + 5, radio buttons + 9 to + 11, new-path edit field + 12. */

/* Program group: where quillmar.exe, install.exe and userhelp.hlp go. */
#define IDC_PROG_DRIVE      101
#define IDC_PROG_DIR        102
#define IDC_PROG_FILE       103
#define IDC_PROG_GROUP      105
#define IDC_PROG_EXISTING   109
#define IDC_PROG_DEFAULT    110
#define IDC_PROG_NEW        111
#define IDC_PROG_NEWPATH    112

/* Criteria group: where criteria.inc and criteria.exc go. */
#define IDC_CRIT_DRIVE      201
#define IDC_CRIT_DIR        202
#define IDC_CRIT_FILE       203
#define IDC_CRIT_GROUP      205
#define IDC_CRIT_EXISTING   209
#define IDC_CRIT_NEW        210
#define IDC_CRIT_NEWPATH    212

/* Editor group: the user's text editor program. */
#define IDC_EDITOR_DRIVE    301
#define IDC_EDITOR_DIR      302
#define IDC_EDITOR_FILE     303

#define IDC_STATIC_UNUSED   65535   /* labels, frames and lines that nothing addresses */

#endif
