# End-to-end runs of the Bluetooth LE link: the real binary against a mock org.bluez on a private
# D-Bus bus (tests/integration/mock_bluez.py). Each scenario is one test; the runner starts and
# stops its own dbus-daemon and mock.
set(VELL_BLE_SCENARIOS
    normal decoy drop power_cycle unplugged no_adapter adapter_late powered_off connect_fails
    never_resolved odd_records)
foreach(scenario IN LISTS VELL_BLE_SCENARIOS)
    add_test(NAME ble_${scenario}
        COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/integration/run_ble_scenario.py
                --app $<TARGET_FILE:vell-thermo> --scenario ${scenario})
    set_tests_properties(ble_${scenario} PROPERTIES
        LABELS "integration;threaded"
        ENVIRONMENT "${VELL_TEST_ENV}"
        TIMEOUT 60)
endforeach()

# The screen going to the system and back at every step of the real link, in one process: its
# own main starts the bus before the application, and a mock for every test.
add_executable(ble_link_lifecycle_test integration/LinkLifecycleTest.cpp support/LogCapture.cpp
                                       support/TempHome.cpp)
target_include_directories(ble_link_lifecycle_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ble_link_lifecycle_test PRIVATE vell_ui GTest::gtest)
target_compile_definitions(ble_link_lifecycle_test PRIVATE
    VELL_TEST_SKIN_BUNDLE="${CMAKE_SOURCE_DIR}/resources/skin.bundle"
    VELL_MOCK_BLUEZ="${CMAKE_CURRENT_SOURCE_DIR}/integration/mock_bluez.py")
add_test(NAME ble_link_lifecycle COMMAND ble_link_lifecycle_test)
set_tests_properties(ble_link_lifecycle PROPERTIES
    LABELS "integration;threaded"
    ENVIRONMENT "${VELL_TEST_ENV}"
    TIMEOUT 120)
