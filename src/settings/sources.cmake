ko_sources(WIN32 metric_win32.cpp)
ko_win32_libs(advapi32 ole32)
