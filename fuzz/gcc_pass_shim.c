/* gcc_pass_shim.c - loads AFL++'s GCC instrumentation pass into a GCC whose package build differs
 * from the one the pass was built against.
 *
 * Debian's afl++ 4.04c-4 was built against gcc 12.2.0-14; bookworm's gcc is now 12.2.0-14+deb12u1,
 * the same compiler release with a new package version in its configure line. The pass refuses
 * to load because that line differs. This stand-in hands the pass the compiler's version with the
 * configure line the pass was built with, which is the only field that differs.
 * run_fuzzer.sh builds it only when the pass refuses the installed compiler. */
#include <dlfcn.h>
#include <stdio.h>

#include "gcc_pass_configuration.h" /* written by run_fuzzer.sh: pass_path, pass_configuration */

/* The compiler's version as GCC hands it to a plugin's plugin_init. */
struct plugin_gcc_version {
    const char* basever;
    const char* datestamp;
    const char* devphase;
    const char* revision;
    const char* configuration_arguments;
};

int plugin_is_GPL_compatible; /* GCC loads only plugins that declare this */

int plugin_init(void* plugin_info, struct plugin_gcc_version* version) {
    void* pass = dlopen(pass_path, RTLD_NOW | RTLD_GLOBAL);
    if (pass == NULL) {
        fprintf(stderr, "gcc_pass_shim: %s\n", dlerror());
        return 1;
    }
    int (*pass_init)(void*, struct plugin_gcc_version*) =
        (int (*)(void*, struct plugin_gcc_version*))dlsym(pass, "plugin_init");
    if (pass_init == NULL) return 1;
    struct plugin_gcc_version as_built = *version;
    as_built.configuration_arguments = pass_configuration;
    return pass_init(plugin_info, &as_built);
}
