ko_fuzz(profile_colour SOURCES profile_colour_fuzz.cpp)
