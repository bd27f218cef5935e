ko_bench(lists SOURCES kolist_bench.cpp)
