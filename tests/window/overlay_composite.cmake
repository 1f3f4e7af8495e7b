# The overlay composite against a real GL context, on its own Xvfb display.
add_executable(overlay_composite_test ${CMAKE_CURRENT_LIST_DIR}/overlay_composite_test.cpp)
target_link_libraries(overlay_composite_test PRIVATE valdorik_backend GTest::gtest_main)
add_test(NAME window.overlay_composite
         COMMAND xvfb-run -a -s "-screen 0 640x480x24" $<TARGET_FILE:overlay_composite_test>)
set_tests_properties(window.overlay_composite PROPERTIES TIMEOUT 60)
