/* A stand-in mail program: MAPISendMail writes what it was handed to
   mapi_record.txt beside this DLL and returns KO_MAPI_RESULT (default 0). */
#include <windows.h>
#include <mapi.h>
#include <stdio.h>
#include <stdlib.h>

static HMODULE self;
BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) self = module;
  return TRUE;
}

__declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR ui, lpMapiMessage m,
                                                FLAGS flags, ULONG reserved) {
  char path[MAX_PATH], result[16] = "0";
  ULONG i;
  FILE *f;
  GetModuleFileNameA(self, path, MAX_PATH);
  strcpy(strrchr(path, '\\') + 1, "mapi_record.txt");
  f = fopen(path, "wb");
  if (!f) return 2;
  fprintf(f, "session=%lu ui=%d flags=%lu reserved=%lu\n", (unsigned long)session, ui != 0,
          (unsigned long)flags, (unsigned long)reserved);
  fprintf(f, "subject=%s\nnote=%s\n", m->lpszSubject ? m->lpszSubject : "(null)",
          m->lpszNoteText ? m->lpszNoteText : "(null)");
  for (i = 0; i < m->nRecipCount; ++i)
    fprintf(f, "to=%lu|%s|%s\n", (unsigned long)m->lpRecips[i].ulRecipClass, m->lpRecips[i].lpszName,
            m->lpRecips[i].lpszAddress);
  for (i = 0; i < m->nFileCount; ++i)
    fprintf(f, "file=%ld|%s|%s\n", (long)m->lpFiles[i].nPosition, m->lpFiles[i].lpszPathName,
            m->lpFiles[i].lpszFileName);
  fclose(f);
  GetEnvironmentVariableA("KO_MAPI_RESULT", result, sizeof(result));
  return (ULONG)strtoul(result, NULL, 10);
}
