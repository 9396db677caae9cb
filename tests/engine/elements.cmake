# The element builders' tests: their own program, and the movie of built elements played in the
# real player (skipped without node, node_modules and chromium).
file(GLOB elements_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/elements*.cpp)
if(elements_test_sources)
    add_executable(elements_tests ${elements_test_sources})
    target_link_libraries(elements_tests PRIVATE quillet_engine quillet_host_pptx PkgConfig::LIBZIP
                                                 GTest::gtest_main)
    target_compile_definitions(elements_tests PRIVATE QUILLET_CORPUS="${QUILLET_CORPUS}"
                                                      QUILLET_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    include(GoogleTest)
    gtest_discover_tests(elements_tests DISCOVERY_TIMEOUT 60)

    add_test(NAME elements_player
             COMMAND /bin/sh ${PROJECT_SOURCE_DIR}/tests/e2e/run-node-tests.sh
                     ${CMAKE_CURRENT_LIST_DIR}/elements_player.test.mjs)
    set_tests_properties(elements_player PROPERTIES
        LABELS e2e
        TIMEOUT 300
        SKIP_RETURN_CODE 77
        RESOURCE_LOCK quillet_browser
        ENVIRONMENT "QUILLET_ELEMENTS_TESTS=$<TARGET_FILE:elements_tests>")
endif()
