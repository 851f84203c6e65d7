# Link labels over the skin: validators and the label widget, labels.plist reading, placement,
# and the --check-skins report of the binary. Their layout through the background view is in
# skin_background_view_test, labelled the same.
vell_test(widgets_link_label_test widgets/UILinkLabelTest.cpp LABELS labels)
vell_test(skin_label_list_test skin/LabelListTest.cpp LABELS labels)
vell_test(skin_label_placement_test skin/LabelPlacementTest.cpp LABELS labels)
vell_test(e2e_check_skins_test e2e/CheckSkinsTest.cpp LABELS labels)

# The plist test writes its binary property list with libplist itself.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELL_TEST_PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
target_link_libraries(skin_label_list_test PRIVATE PkgConfig::VELL_TEST_PLIST)
vell_test(skin_lint_test skin/SkinLintTest.cpp LABELS labels)

# Skins made to break the layout, shown in the view and checked by the binary's report.
vell_test(skin_hostile_test skin/HostileSkinTest.cpp LABELS labels)
vell_test(e2e_hostile_input_test e2e/HostileInputTest.cpp LABELS labels)
