# The resource-pool walker, the dialog-template mapper and the wildcard
# matcher on any bytes.
ko_fuzz(respool SOURCES respool_fuzz.cpp ../../src/settings/respool.cpp)
ko_fuzz(dlgmap SOURCES dlgmap_fuzz.cpp ../../src/settings/dlgtemplate.cpp)
ko_fuzz(wildcard SOURCES wildcard_fuzz.cpp ../../src/files/paths.cpp)
