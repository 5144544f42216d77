// Settings of the sanitizer build, read by the sanitizer runtimes before
// main: stack traces for undefined behaviour, and the leak suppressions for
// the libraries that the build does not instrument.
extern "C" {

const char* __ubsan_default_options()
{
    return "print_stacktrace=1";
}

const char* __lsan_default_options()
{
    return "suppressions=" BRENLOW_LSAN_SUPPRESSIONS;
}

} // extern "C"
