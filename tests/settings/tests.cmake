# The settings store exists only on Windows; its tests use Wine's registry.
ko_test(settings WIN32_SOURCES metric_test.cpp LIBS shlwapi ole32 advapi32)
