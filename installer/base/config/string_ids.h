#ifndef VELKARION_STRING_IDS_H
#define VELKARION_STRING_IDS_H
/* Ids of the string table. Plain defines: the resource compiler reads this file too. */
#define IDS_INSTALL_PATH        10001 /* "Install path" */
#define IDS_WINDOW_TITLE        10002 /* "Velkarion Launcher installation" */
#define IDS_DESKTOP_SHORTCUT    10003 /* "Create a desktop shortcut" */
#define IDS_INSTALL_ERROR       10004 /* "Install error:\r\n\r\n" */
#define IDS_BROWSE              10005 /* "Browse" */
#define IDS_DISK_SPACE_FORMAT   10006 /* "Required %d Gb, available %d Gb" */
#define IDS_EULA_TEXT           10007 /* "I have agreed to the" */
#define IDS_EULA_LINK           10008 /* "project rules" */
#define IDS_LOW_SPACE_QUESTION  10009 /* "Not enough disk space.\r\nProceed with the installation?" */
#define IDS_DOWNLOADING         10010 /* "Downloading launcher" */
#endif
