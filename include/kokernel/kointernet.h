/*
 * kokernel: the product's web pages opened in the user's browser, and files
 * and messages handed to the user's mail program (Simple MAPI, loaded when
 * needed). Windows only.
 */
#ifndef KOKERNEL_KOINTERNET_H
#define KOKERNEL_KOINTERNET_H

#include "kobase.h"

#ifdef _WIN32
#ifdef __cplusplus
extern "C" {
#endif

/* Page selectors of Internet_BrowseWebPage; any other value is the address. */
#define KO_PAGE_NEWS ((const wchar_t *)101)
#define KO_PAGE_FAQ ((const wchar_t *)102)
#define KO_PAGE_SUPPORT ((const wchar_t *)103)
#define KO_PAGE_HOME ((const wchar_t *)104)
#define KO_PAGE_PRODUCT ((const wchar_t *)105)
#define KO_PAGE_PRIVACY ((const wchar_t *)106)

/* S_OK or E_FAIL (also when no mail program is installed). */
KOAPI HRESULT Internet_MailFile(HWND owner, const wchar_t *path, const wchar_t *shownName,
                                const wchar_t *subject);
KOAPI HRESULT Internet_SendMail(HWND owner, const wchar_t *subject, const wchar_t *name,
                                const wchar_t *address);
KOAPI HRESULT Internet_SendFeedback(HWND owner, const wchar_t *subject);
/* The value ShellExecuteW returned: above 32 on success. */
KOAPI HINSTANCE Internet_BrowseWebPage(void *unused, const wchar_t *page);

#ifdef __cplusplus
}
#endif
#endif /* _WIN32 */

#endif /* KOKERNEL_KOINTERNET_H */
