/* viewer_ids.h: TravikViewer's window class, menu command ids and status bar parts. Posting a
   command id as WM_COMMAND does what choosing the menu item does, which is how tests drive it. */
#ifndef TRAVIK_VIEWER_IDS_H
#define TRAVIK_VIEWER_IDS_H

#define VIEWER_CLASS "TravikViewer"

#define ID_FILE_SAVE 100   /* Save snapshot... */
#define ID_FILE_RECORD 101 /* Record AVI... */
#define ID_FILE_EXIT 102
#define ID_PREVIEW_START 200
#define ID_PREVIEW_STOP 201
#define ID_SETTINGS_CAMERA 300 /* the SDK's format dialog */
#define ID_SETTINGS_IMAGE 301  /* image and gray filter dialog */
#define ID_SETTINGS_ANALOG 302 /* analog gain dialog */
#define ID_DEVICE_FIRST 1000   /* + device number 0..31 */
#define ID_COLOR_FIRST 1100    /* + colour mode 0..5: 8, 16, 24, 32, 48, 64 bits */

#define STATUS_PART_STATE 0 /* what the viewer is doing */
#define STATUS_PART_RATE 1  /* "12.5 frames/s" while previewing */
#define STATUS_PART_ERROR 2 /* "No error" or "Error N: reason" */

#endif
