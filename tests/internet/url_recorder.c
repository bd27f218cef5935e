/* A stand-in browser: writes its command line to url_record.txt beside it. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  char path[MAX_PATH];
  FILE *f;
  GetModuleFileNameA(NULL, path, MAX_PATH);
  strcpy(strrchr(path, '\\') + 1, "url_record.tmp");
  f = fopen(path, "wb");
  if (!f) return 1;
  fputs(GetCommandLineA(), f);
  fclose(f);
  {
    char done[MAX_PATH];
    strcpy(done, path);
    strcpy(strrchr(done, '.'), ".txt");
    MoveFileExA(path, done, MOVEFILE_REPLACE_EXISTING);
  }
  return 0;
}
