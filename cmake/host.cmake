# Host build: the engine and its unit tests against the in-memory platform.
find_package(GTest REQUIRED)

option(TANDREL_SANITIZE "Build host tests with ASan and UBSan" ON)
if(TANDREL_SANITIZE)
    set(SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_compile_options(engine PRIVATE ${SANITIZERS})
    target_link_options(engine PUBLIC ${SANITIZERS})
endif()

add_library(fake_platform STATIC tests/common/fake_platform.cpp)
target_link_libraries(fake_platform PUBLIC engine)
target_compile_options(fake_platform PRIVATE ${PROJECT_WARNINGS} ${SANITIZERS})

add_executable(host_tests
    tests/common/install_scenarios.cpp
    tests/host/fake_world.cpp
    tests/host/split_path_test.cpp
    tests/host/installer_host_test.cpp
    tests/host/version_check_test.cpp
    ui/version_check.cpp)
target_link_libraries(host_tests PRIVATE fake_platform GTest::gtest_main)
target_compile_options(host_tests PRIVATE ${PROJECT_WARNINGS} ${SANITIZERS})
add_test(NAME host_tests COMMAND host_tests)
