// Compiled into every program that loads the embedded Firebird engine through the test support.
//
// gcc 12's sanitizer runtime records bogus dynamic thread-local blocks through its
// __tls_get_addr interceptor on Debian 12's glibc when the Firebird engine's plugins use
// thread-locals on the main thread; LeakSanitizer's exit scan then crashes on them. Reading
// thread-locals through the interceptor is what is switched off, not the leak check.
extern "C" const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
