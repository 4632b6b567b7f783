// A stand-in for a self-registering component. Its registration entry appends
// a line to the file named by ZEPHRAL_FAKE_MARKER, after sleeping for
// ZEPHRAL_FAKE_DELAY_MS milliseconds when that is set.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

extern "C" __attribute__((visibility("default"))) int DllRegisterServer() {
    if (const char* delay = std::getenv("ZEPHRAL_FAKE_DELAY_MS")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
    }
    if (const char* marker = std::getenv("ZEPHRAL_FAKE_MARKER")) {
        if (std::FILE* file = std::fopen(marker, "a")) {
            std::fputs("registered\n", file);
            std::fclose(file);
        }
    }
    return 0;
}
