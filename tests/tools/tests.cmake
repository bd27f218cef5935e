# kodemo and kotool driven in the test's process, against the shipped library.
ko_test(tools SOURCES tools_test.cpp ../printf/started_library.cpp LIBS ko_kotool ko_kodemo DLL)
