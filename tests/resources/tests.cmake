# Resources and dialog templates: building, mapping and pools natively and
# under Wine.
ko_test(resources SOURCES templates_test.cpp)
target_include_directories(kotest_resources PRIVATE ${CMAKE_SOURCE_DIR}/src)
