ko_sources(PORTABLE locale_settings.cpp)
ko_sources(PORTABLE token_list.cpp)
ko_sources(PORTABLE numbers.cpp numbers_colour.cpp numbers_sizes.cpp numbers_names.cpp numbers_strings.cpp smpte.cpp)
