ko_test(containers SOURCES kolist_test.cpp kolist_sort_test.cpp kolist_threads_test.cpp)
