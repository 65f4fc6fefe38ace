#pragma once

// libcurl's global state, held for the life of the program: set up before the first request and
// released after the last, however the program ends.
namespace sonavia {

class HttpLibrary {
public:
    HttpLibrary();
    ~HttpLibrary();
    HttpLibrary(const HttpLibrary&) = delete;
    HttpLibrary& operator=(const HttpLibrary&) = delete;

    // False when libcurl could not be set up: no request can be made.
    bool Ready() const { return ready_; }

private:
    bool sshHeld_ = false;
    bool ready_ = false;
};

} // namespace sonavia
