# The engine's sources are compiled into the fuzzer too, so that libFuzzer
# sees their coverage (the library objects are built without it).
ko_fuzz(printf SOURCES printf_fuzz.cpp
  ../../src/text/printf.cpp ../../src/text/printf_standard.cpp ../../src/text/printf_tokens.cpp)
ko_fuzz(timetext SOURCES timetext_fuzz.cpp
  ../../src/text/timetext.cpp ../../src/text/timetext_parse.cpp ../../src/text/timetext_labels.cpp)
