/*
 * kokernel: message boxes. The style word is the platform's message-box
 * style: bits 0-3 the button set, 4-7 the icon, 8-11 the default button
 * index. A process-wide hook may answer boxes without showing them.
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
#endif

#ifdef __cplusplus
}
#endif

#endif /* KOKERNEL_KOMSGBOX_H */
