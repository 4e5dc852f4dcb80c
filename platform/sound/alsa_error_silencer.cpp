#include "platform/sound/alsa_error_silencer.h"

#include <dlfcn.h>

namespace {

using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
using SetAlsaErrorHandler = int (*)(AlsaErrorHandler handler);

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

void SilenceAlsaErrors() {
    // SDL loads the same library by the same name later; this handle keeps it (and so the
    // handler) in place for the whole run.
    void* library = dlopen("libasound.so.2", RTLD_LAZY | RTLD_GLOBAL);
    if (library == nullptr) {
        return;
    }
    auto setHandler = reinterpret_cast<SetAlsaErrorHandler>(dlsym(library, "snd_lib_error_set_handler"));
    if (setHandler != nullptr) {
        setHandler(IgnoreAlsaError);
    }
}
