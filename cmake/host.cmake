# Host build: the pure functions and their tests, with ASan and UBSan.
find_package(GTest REQUIRED)

set(SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_executable(host_tests tests/host/pure_test.cpp engine/paths.cpp engine/messages.cpp ui/version_check.cpp)
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(host_tests PRIVATE ${PROJECT_WARNINGS} ${SANITIZERS})
target_link_options(host_tests PRIVATE ${SANITIZERS})
target_link_libraries(host_tests PRIVATE GTest::gtest_main)
add_test(NAME host_tests COMMAND host_tests)
set_tests_properties(host_tests PROPERTIES TIMEOUT 60)
