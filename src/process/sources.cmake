ko_sources(PORTABLE token_rules.cpp guid_text.cpp
           WIN32 tokens_win32.cpp com_win32.cpp register_win32.cpp)
ko_win32_libs(ole32 advapi32 version uuid)
