/*
 * kokernel: message boxes. The style word is the platform's message-box
 * style: bits 0-3 the button set, 4-7 the icon, 8-11 the default button
 * index, 0x1000 (alone of 0x3000) the check box of the custom box, 0xC000
 * a details pane (either bit: details required; both: the details button).
 * A process-wide hook may answer boxes without showing them.
 *
 * The custom box adds button sets of its own. Results: 1 OK, 2 Cancel (also
 * Esc and the close box, which answer 1 in an OK-only box and are disabled
 * for Abort/Retry/Ignore, Yes/No and Yes/No/Delete), 3 Abort, 4 Retry,
 * 5 Ignore, 6 Yes, 7 No, 100 Yes to All, 101 Delete, 102 No to All; 0 when
 * the box is refused (no format, details bits without details, the check
 * box without a flag in the Ex forms, an owner window that no longer exists).
 */
#ifndef KOKERNEL_KOMSGBOX_H
#define KOKERNEL_KOMSGBOX_H

#include "kobase.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifdef _WIN32
/* Returns the box's answer, or -1 to have the box shown. */
typedef int (*KoMsgBoxHook)(UINT_PTR hookData, HWND owner, const wchar_t *text, const wchar_t *title,
                            UINT style);

KOAPI BOOL KoMsgBoxSetAppData(HINSTANCE instance, HWND mainWindow, const wchar_t *appTitle);
KOAPI BOOL KoMsgBoxSetHook(KoMsgBoxHook hook, DWORD hookData);
KOAPI BOOL KoMsgBoxSetNoUIHook(void (*log)(const wchar_t *text));
KOAPI int KoMessageBox(HWND owner, const wchar_t *text, const wchar_t *title, UINT style);
KOAPI int KoMsgBoxF(HWND owner, UINT style, const wchar_t *format, ...);
KOAPI int KoMsgBoxNoF(HWND owner, UINT style, const wchar_t *text);

/* Custom boxes. Messages longer than 2047 units are cut. */
#define KOMSGBOX_YESTOALL_NO_CANCEL 10u
#define KOMSGBOX_YES_NO_DELETE 11u
#define KOMSGBOX_YES_NO_NOTOALL_CANCEL 12u
#define KOMSGBOX_YES_YESTOALL_NO_NOTOALL_CANCEL 13u
#define KOMSGBOX_CHECKBOX 0x1000u
#define KOMSGBOX_DETAILS 0xC000u
#define KOMSGBOX_IDYESTOALL 100
#define KOMSGBOX_IDDELETE 101
#define KOMSGBOX_IDNOTOALL 102
KOAPI int KoMsgBox_CustomF(HWND owner, UINT style, const wchar_t *details, const wchar_t *format, ...);
KOAPI int KoMsgBox_CustomExF(HWND owner, UINT style, const wchar_t *details, const wchar_t *checkBoxText,
                             BOOL *dontShowAgain, const wchar_t *format, ...);
/* The link shows when both linkUrl and linkText are given; a click opens
 * linkUrl in the user's browser. */
KOAPI int KoMsgBox_CustomExLinkF(HWND owner, UINT style, const wchar_t *details, const wchar_t *checkBoxText,
                                 BOOL *dontShowAgain, const wchar_t *linkUrl, const wchar_t *linkText,
                                 const wchar_t *format, ...);
KOAPI int KoMsgBox_TitledF(HWND owner, UINT style, const wchar_t *title, const wchar_t *details,
                           const wchar_t *format, ...);
KOAPI int KoMsgBox_CustomNoF(HWND owner, UINT style, const wchar_t *details, const wchar_t *text);
KOAPI int KoMsgBox_CustomExNoF(HWND owner, UINT style, const wchar_t *details, const wchar_t *checkBoxText,
                               BOOL *dontShowAgain, const wchar_t *text);
KOAPI int KoMsgBox_TitledNoF(HWND owner, UINT style, const wchar_t *title, const wchar_t *details,
                             const wchar_t *text);
#endif

#ifdef __cplusplus
}
#endif

#endif /* KOKERNEL_KOMSGBOX_H */
