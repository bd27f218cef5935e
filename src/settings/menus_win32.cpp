// Menus: loaded in a language handle's language, culled, tidied, greyed and
// searched, and their texts' tokens expanded.
#include <windows.h>

#include <string>

#include "kokernel/koprintf.h"
#include "kokernel/koresource.h"
#include "settings/lang_internal.h"

namespace {

constexpr int kUpTo = 10000;

bool IsSeparator(HMENU m, int pos) {
  MENUITEMINFOW mi = {sizeof mi, MIIM_FTYPE | MIIM_SUBMENU};
  return ::GetMenuItemInfoW(m, pos, TRUE, &mi) && (mi.fType & MFT_SEPARATOR) && !mi.hSubMenu;
}

std::wstring ItemText(HMENU m, int pos, int units) {
  std::wstring s(static_cast<size_t>(units) + 1, L'\0');
  MENUITEMINFOW mi = {sizeof mi, MIIM_STRING};
  mi.dwTypeData = &s[0];
  mi.cch = static_cast<UINT>(units);
  if (!::GetMenuItemInfoW(m, pos, TRUE, &mi)) return std::wstring();
  s.resize(wcslen(s.c_str()));
  return s;
}

void SetItemText(HMENU m, int pos, const wchar_t *text) {
  MENUITEMINFOW mi = {sizeof mi, MIIM_STRING};
  mi.dwTypeData = const_cast<wchar_t *>(text);
  ::SetMenuItemInfoW(m, pos, TRUE, &mi);
}

void StripMarkers(HMENU m) {
  int n = ::GetMenuItemCount(m);
  for (int i = 0; i < n; ++i) {
    if (HMENU sub = ::GetSubMenu(m, i)) StripMarkers(sub);
    if (IsSeparator(m, i)) continue;
    std::wstring t = ItemText(m, i, 1024);
    if (t.size() >= 2 && t[0] == L'^' && t[1] == L'*') SetItemText(m, i, t.c_str() + 2);
  }
}

int Count(const UINT *ids, int count) { return (!ids) ? 0 : (count < 0 ? kUpTo : count); }

// Removes separators at either end and the second of two in a row.
void TidySeparators(HMENU m) {
  for (bool changed = true; changed;) {
    changed = false;
    int n = ::GetMenuItemCount(m);
    for (int i = 0; i < n; ++i) {
      if (!IsSeparator(m, i)) continue;
      if (i == 0 || i == n - 1 || IsSeparator(m, i - 1)) {
        ::DeleteMenu(m, i, MF_BYPOSITION);
        changed = true;
        break;
      }
    }
  }
}

bool FindIn(HMENU m, UINT id, HMENU *found) {
  int n = ::GetMenuItemCount(m);
  for (int i = 0; i < n; ++i) {
    if (HMENU sub = ::GetSubMenu(m, i)) {
      if (FindIn(sub, id, found)) return true;
    } else if (::GetMenuItemID(m, i) == id) {
      *found = m;
      return true;
    }
  }
  return false;
}

}  // namespace

KO_EXTERN_C KOAPI HMENU KoLoadMenu(HKOLANG h, LPCWSTR name) {
  HMODULE mod = h ? h->module : nullptr;
  HRSRC r = nullptr;
  if (h && h->nonEnglish) r = ::FindResourceExW(mod, RT_MENU, name, LANGIDFROMLCID(h->lcid));
  if (!r) r = ::FindResourceExW(mod, RT_MENU, name, 0x0409);
  HGLOBAL g = r ? ::LoadResource(mod, r) : nullptr;
  const void *t = g ? ::LockResource(g) : nullptr;
  HMENU m = t ? ::LoadMenuIndirectW(t) : nullptr;
  if (m) StripMarkers(m);
  return m;
}

KO_EXTERN_C KOAPI void KoCullMenu(HMENU menu, const UINT *ids, int count, BOOL tidy) {
  if (!menu) return;
  int n = Count(ids, count);
  for (int i = 0; i < n && ids[i]; ++i)
    while (::DeleteMenu(menu, ids[i], MF_BYCOMMAND)) {
    }
  if (!tidy) return;
  for (int i = 0; i < ::GetMenuItemCount(menu);) {
    HMENU sub = ::GetSubMenu(menu, i);
    if (sub && KoCleanMenu(sub, menu, static_cast<UINT>(i))) continue;
    ++i;
  }
  TidySeparators(menu);
}

KO_EXTERN_C KOAPI HMENU KoLoadCulledMenu(HKOLANG h, LPCWSTR name, const UINT *ids, int count,
                                         BOOL tidy) {
  HMENU m = KoLoadMenu(h, name);
  KoCullMenu(m, ids, count, tidy);
  return m;
}

KO_EXTERN_C KOAPI BOOL KoCleanMenu(HMENU menu, HMENU parent, UINT indexInParent) {
  if (!menu) return FALSE;
  for (int i = 0; i < ::GetMenuItemCount(menu);) {
    HMENU sub = ::GetSubMenu(menu, i);
    if (sub && KoCleanMenu(sub, menu, static_cast<UINT>(i))) {
      int n = ::GetMenuItemCount(menu);
      if (n > 0 && IsSeparator(menu, n - 1)) ::DeleteMenu(menu, n - 1, MF_BYPOSITION);
      continue;
    }
    ++i;
  }
  TidySeparators(menu);
  if (::GetMenuItemCount(menu) == 0 && parent) {
    ::DeleteMenu(parent, indexInParent, MF_BYPOSITION);
    return TRUE;
  }
  return FALSE;
}

KO_EXTERN_C KOAPI void KoGrayMenu(HMENU menu, const UINT *ids, int count) {
  int n = Count(ids, count);
  for (int i = 0; menu && i < n && ids[i]; ++i)
    ::EnableMenuItem(menu, ids[i], MF_BYCOMMAND | MF_GRAYED);
}

KO_EXTERN_C KOAPI void KoGrayAllMenuItems(HMENU menu) {
  for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i)
    ::EnableMenuItem(menu, i, MF_BYPOSITION | MF_GRAYED);
}

KO_EXTERN_C KOAPI void KoEnableAllMenuItems(HMENU menu) {
  for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i)
    ::EnableMenuItem(menu, i, MF_BYPOSITION | MF_ENABLED);
}

KO_EXTERN_C KOAPI BOOL KoFindSubMenu(HMENU menu, UINT id, HMENU *found, UINT *index) {
  if (!menu) return FALSE;
  int n = ::GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    HMENU sub = ::GetSubMenu(menu, i);
    HMENU hit = nullptr;
    if (sub ? FindIn(sub, id, &hit) : ::GetMenuItemID(menu, i) == id) {
      if (found) *found = sub ? hit : menu;
      if (sub && index) *index = static_cast<UINT>(i);
      return TRUE;
    }
  }
  return FALSE;
}

KO_EXTERN_C KOAPI HMENU KoGetSubmenuByID(HMENU menu, UINT id, UINT *index) {
  if (index) *index = static_cast<UINT>(-1);
  HMENU found = nullptr;
  UINT at = static_cast<UINT>(-1);
  if (!KoFindSubMenu(menu, id, &found, &at)) return nullptr;
  if (index) *index = found == menu ? static_cast<UINT>(-1) : at;
  return found;
}

KO_EXTERN_C KOAPI void KoMenuReplaceTokens(HMENU menu) {
  int n = ::GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    if (HMENU sub = ::GetSubMenu(menu, i)) KoMenuReplaceTokens(sub);
    if (IsSeparator(menu, i)) continue;
    std::wstring t = ItemText(menu, i, 99);
    // Only named tokens are expanded: every other "%" and "$" is kept as
    // written, so a text can never make the formatter read arguments.
    std::wstring format;
    for (size_t k = 0; k < t.size(); ++k) {
      if (t[k] == L'%' || (t[k] == L'$' && (k + 1 >= t.size() || t[k + 1] != L'(')))
        format += t[k];
      format += t[k];
    }
    wchar_t out[200];
    UINT len = 0;
    if (SUCCEEDED(KoCchPrintF(out, 200, &len, format.c_str()))) SetItemText(menu, i, out);
  }
}
