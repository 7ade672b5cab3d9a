// Default options of the sanitizers for every test binary; the environment can still
// override them (ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS).
extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:strict_string_checks=1:suppressions=" QD_SANITIZER_SUPPRESSIONS_DIR "/asan.supp";
}

const char* __lsan_default_options() {
    return "suppressions=" QD_SANITIZER_SUPPRESSIONS_DIR "/lsan.supp:print_suppressions=0";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
