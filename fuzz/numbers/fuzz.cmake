ko_fuzz(numbers SOURCES numbers_fuzz.cpp)
ko_fuzz(colours SOURCES colour_fuzz.cpp)
ko_fuzz(smpte_text SOURCES smpte_fuzz.cpp)
