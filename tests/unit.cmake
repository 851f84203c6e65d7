# Tests of the logic that needs no window.
vell_test(screen_record_test screen/ReadingRecordTest.cpp)
