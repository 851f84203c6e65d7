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
