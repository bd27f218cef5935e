ko_sources(PORTABLE locale_settings.cpp)
ko_sources(PORTABLE token_list.cpp)
