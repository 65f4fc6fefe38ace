#include "network/HttpLibrary.h"

#include <curl/curl.h>
#include <dlfcn.h>

namespace sonavia {

namespace {

// libssh2's flag for a set-up without its crypto library (libssh2.h).
constexpr int kSshInitWithoutCrypto = 0x0001;

using SshInit = int (*)(int);
using SshExit = void (*)();

template <typename Function> Function LoadedFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

// libcurl's set-up also sets up the SSH library it may be linked with, and that one starts
// OpenSSL: a megabyte and a half of memory and part of the start, for schemes the program never
// asks for (its requests keep to http and https, over GnuTLS). The SSH library's first set-up
// decides, so it is set up first, without crypto. Looked up, not linked: a libcurl without SSH
// needs nothing.
bool HoldSshWithoutCrypto() {
    const auto init = LoadedFunction<SshInit>("libssh2_init");
    return init != nullptr && init(kSshInitWithoutCrypto) == 0;
}

} // namespace

HttpLibrary::HttpLibrary()
    : sshHeld_(HoldSshWithoutCrypto()), ready_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

HttpLibrary::~HttpLibrary() {
    if (ready_) {
        curl_global_cleanup();
    }
    if (sshHeld_) {
        if (const auto exit = LoadedFunction<SshExit>("libssh2_exit")) {
            exit();
        }
    }
}

} // namespace sonavia
