/* A stand-in browser: writes its command line to url_record.txt beside it. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  char path[MAX_PATH], done[MAX_PATH];
  FILE *f;
  GetModuleFileNameA(NULL, path, MAX_PATH);
  strcpy(strrchr(path, '\\') + 1, "url_record.tmp");
  strcpy(done, path);
  strcpy(strrchr(done, '.'), ".txt");
  f = fopen(path, "wb");
  /* Written whole, then renamed: the test sees the record complete or not at all. */
  return !f || fputs(GetCommandLineA(), f) < 0 || fclose(f) || !MoveFileExA(path, done, MOVEFILE_REPLACE_EXISTING);
}
