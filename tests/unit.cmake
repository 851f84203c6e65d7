# Tests of the logic that needs no window.
vell_test(screen_record_test screen/ReadingRecordTest.cpp)
vell_test(platform_bundle_test platform/BundleTest.cpp)
vell_test(platform_main_thread_test platform/MainThreadTest.cpp LABELS threaded)
vell_test(skin_store_test skin/SkinStoreTest.cpp)
vell_test(skin_picture_choice_test skin/PictureChoiceTest.cpp)
vell_test(skin_watcher_test skin/SkinWatcherTest.cpp)
vell_test(lumo_line_reader_test lumo/LineReaderTest.cpp)
vell_test(lumo_link_test lumo/VellLumoTest.cpp LABELS threaded)
vell_test(app_command_line_test app/CommandLineTest.cpp)
vell_test(lumo_ble_support_test lumo/BleSupportTest.cpp)
# The first start's install killed at random moments, and on a full disk.
vell_test(e2e_install_test e2e/InstallTest.cpp)
