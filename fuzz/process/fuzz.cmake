ko_fuzz(guid_text SOURCES guid_fuzz.cpp)
ko_fuzz(memory_token SOURCES token_fuzz.cpp)
