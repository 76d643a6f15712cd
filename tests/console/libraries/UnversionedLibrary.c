/* A stand-in driver library file without any version note. */
int kasmon_test_library_marker(void);
int kasmon_test_library_marker(void) {
    return 0;
}
