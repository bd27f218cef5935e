ko_sources(PORTABLE locale_settings.cpp)
