# Tests of the screens, views and the application shell, and end-to-end runs of the binary. The
# runs of the binary are threaded too: under ThreadSanitizer they run its real sensor link.
vell_test(screen_view_controller_test screen/ViewControllerTest.cpp LABELS threaded)
vell_test(screen_link_storm_test screen/LinkStormTest.cpp LABELS threaded)
vell_test(skin_background_view_test skin/UIBackGroundViewTest.cpp LABELS labels)
vell_test(widgets_fit_label_test widgets/FitLabelTest.cpp)
vell_test(app_delegate_test app/AppDelegateTest.cpp)
vell_test(e2e_app_test e2e/AppTest.cpp LABELS threaded)
