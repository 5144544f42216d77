// Settings of the sanitizer build, compiled into every test program and read
// by the sanitizer runtime before main, however the program is started: a
// stack trace with every report of undefined behaviour.
extern "C" const char* __ubsan_default_options()
{
    return "print_stacktrace=1";
}
