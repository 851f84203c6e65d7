# Tests of the five-click skin chooser and the File menu's Documents entry.
find_package(Qt6 REQUIRED COMPONENTS Test)
vell_test(widgets_tap_recognizer_test widgets/TapRecognizerTest.cpp)
vell_test(skin_chooser_test skin/SkinChooserTest.cpp)
vell_test(app_documents_menu_test app/DocumentsMenuTest.cpp)
foreach(t widgets_tap_recognizer_test skin_chooser_test app_documents_menu_test)
    target_link_libraries(${t} PRIVATE Qt6::Test)
endforeach()
