# Helpers shared by every CMakeLists.txt of the project.
include(GoogleTest)

# Our warnings; errors in the sanitizer build (the one CI runs).
function(pixmarl_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(PIXMARL_SANITIZE)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# pixmarl_add_test(<name> SOURCES ... [LIBS ...] [WIDGETS])
# One GoogleTest executable per subsystem; WIDGETS gives it a QApplication instead of a
# QGuiApplication. Tests run under the offscreen platform.
function(pixmarl_add_test name)
    cmake_parse_arguments(ARG "WIDGETS" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_WIDGETS)
        target_link_libraries(${name} PRIVATE pixmarl_test_main_widgets)
    else()
        target_link_libraries(${name} PRIVATE pixmarl_test_main)
    endif()
    target_link_libraries(${name} PRIVATE pixmarl_test_support ${ARG_LIBS} GTest::gtest GTest::gmock)
    pixmarl_warnings(${name})
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PIXMARL_SHARED=${PROJECT_SOURCE_DIR}/../shared"
        DISCOVERY_TIMEOUT 60)
endfunction()

# pixmarl_add_fuzzer(<format> SOURCES ... LIBS ...)
# Builds fuzz/<format>_fuzzer.cpp as a libFuzzer target when PIXMARL_FUZZ is on, and always as a
# replay program that CTest runs over fuzz/corpus/<format>/.
function(pixmarl_add_fuzzer format)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(replay ${format}_fuzzer_replay)
    add_executable(${replay} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    target_link_libraries(${replay} PRIVATE ${ARG_LIBS} Qt6::Core pixmarl_lsan)
    pixmarl_warnings(${replay})
    add_test(NAME fuzz_replay_${format}
        COMMAND ${replay} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${format})
    set_tests_properties(fuzz_replay_${format} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    if(PIXMARL_FUZZ)
        add_executable(${format}_fuzzer ${ARG_SOURCES})
        target_compile_options(${format}_fuzzer PRIVATE -fsanitize=fuzzer)
        target_link_options(${format}_fuzzer PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${format}_fuzzer PRIVATE ${ARG_LIBS})
    endif()
endfunction()

# pixmarl_add_bench(<name> SOURCES ... LIBS ...): an executable bench_<name>.
function(pixmarl_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(bench_${name} ${ARG_SOURCES})
    target_link_libraries(bench_${name} PRIVATE pixmarl_bench_support pixmarl_lsan ${ARG_LIBS})
    pixmarl_warnings(bench_${name})
endfunction()
