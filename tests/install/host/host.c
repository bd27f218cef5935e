/* A tiny host built against the installed tree only: it starts the
   library, formats a number through it and shuts it down. */
#include <stdio.h>
#include <string.h>

#include <kokernel/kokernel.h>

int main(void) {
  KOCHAR text[64];
  char narrow[64];
  int i;
  if (!KoKernel_EarlyInitialize(NULL, 0)) {
    printf("start-up failed\n");
    return 1;
  }
  KoCchPrintF(text, 64, NULL, KOTEXT("%d frames on %u processors"), 1920, (unsigned)KoGetProcessorCount());
  for (i = 0; i < 63 && text[i]; ++i) narrow[i] = (char)text[i];
  narrow[i] = 0;
  KoKernel_LateTerminate();
  printf("%s\n", narrow);
  return strncmp(narrow, "1920 frames on ", 15) == 0 ? 0 : 2;
}
