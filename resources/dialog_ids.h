#pragma once
// Control ids of the dialog templates (resources/dialogs.rc), shared by the resource
// script and the code that runs the dialogs. The templates are opened by name.

#define DLG_CONFIRM 1001   // the confirming button, the default of every modal dialog
#define DLG_CANCEL 1003    // the cancelling button
#define DLG_TEXT 1005      // the licence or read-me text
#define DLG_BAR_PLACE 1007 // where the progress bar is made
#define DLG_LABEL 1009     // the label at the top
#define DLG_STATUS 1011    // the progress dialog's status line
#define DLG_BROWSE 1013    // the directory dialog's browse button
#define DLG_DIRECTORY 1015 // the directory dialog's edit
#define DLG_LANGUAGES 1017 // the language dialog's list
