// What a freshly loaded library holds, and what it exports.
//
// The library under test is already loaded into this process and keyed by
// other tests, so a fresh copy is loaded into a namespace of its own with
// dlmopen: its working tables are those of a program that has just loaded it.
#include "test_blowfish_reference.h"

#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A sanitizer build's library needs the sanitizer runtime, which lives in the
// test program and is not seen from a separate namespace.
bool needsSanitizerRuntime(const char* error) {
    const std::string text = error == nullptr ? "" : error;
    return text.find("__asan") != std::string::npos || text.find("__ubsan") != std::string::npos;
}

struct FreshLibrary {
    FreshLibrary() {
        handle = dlmopen(LM_ID_NEWLM, ZEPHCORE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            error = dlerror();
            return;
        }
        initArrays = reinterpret_cast<int32_t (*)()>(dlsym(handle, "InitArrays"));
        initialize = reinterpret_cast<int32_t (*)(const char*)>(dlsym(handle, "Initialize"));
        blowEnc = reinterpret_cast<int32_t (*)(uint8_t*, int32_t)>(dlsym(handle, "BlowENC"));
        blowDec = reinterpret_cast<int32_t (*)(uint8_t*, int32_t)>(dlsym(handle, "BlowDEC"));
    }
    ~FreshLibrary() {
        if (handle != nullptr) {
            dlclose(handle);
        }
    }
    FreshLibrary(const FreshLibrary&) = delete;
    FreshLibrary& operator=(const FreshLibrary&) = delete;

    void* handle = nullptr;
    const char* error = nullptr;
    int32_t (*initArrays)() = nullptr;
    int32_t (*initialize)(const char*) = nullptr;
    int32_t (*blowEnc)(uint8_t*, int32_t) = nullptr;
    int32_t (*blowDec)(uint8_t*, int32_t) = nullptr;
};

Bytes sample(size_t n) {
    Bytes data(n);
    for (size_t i = 0; i < n; ++i) {
        data[i] = static_cast<uint8_t>(i * 37 + 1);
    }
    return data;
}

// Before any InitArrays or Initialize the tables are zero, F is always 0 and
// a block comes out with its halves exchanged; after InitArrays the unkeyed
// tables are in force; a refused key keeps them; then a key takes over.
TEST(LoadState, ZeroTablesThenUnkeyedThenKeyed) {
    FreshLibrary lib;
    if (lib.handle == nullptr && needsSanitizerRuntime(lib.error)) {
        GTEST_SKIP() << lib.error;
    }
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    ASSERT_TRUE(lib.initArrays && lib.initialize && lib.blowEnc && lib.blowDec);

    const Bytes data = sample(40);
    Bytes buffer = data;
    ASSERT_EQ(lib.blowEnc(buffer.data(), 20), 24);
    Bytes expected = reference::Blowfish::zeroTables().blowEnc(data, 20);
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ((Bytes(buffer.begin(), buffer.begin() + 8)),
              (Bytes{data[4], data[5], data[6], data[7], data[0], data[1], data[2], data[3]}));
    ASSERT_EQ(lib.blowDec(buffer.data(), 24), 20);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 23, data.begin()));

    EXPECT_EQ(lib.initArrays(), 0);
    buffer = data;
    ASSERT_EQ(lib.blowEnc(buffer.data(), 16), 24);
    EXPECT_EQ(buffer, reference::Blowfish::unkeyed().blowEnc(data, 16));

    EXPECT_EQ(lib.initialize(std::string(57, 'z').c_str()), 1);
    buffer = data;
    ASSERT_EQ(lib.blowEnc(buffer.data(), 16), 24);
    EXPECT_EQ(buffer, reference::Blowfish::unkeyed().blowEnc(data, 16));

    EXPECT_EQ(lib.initialize("fresh"), 0);
    buffer = data;
    ASSERT_EQ(lib.blowEnc(buffer.data(), 16), 24);
    const std::string key = "fresh";
    EXPECT_EQ(buffer,
              reference::Blowfish::keyed(Bytes(key.begin(), key.end()), true).blowEnc(data, 16));
}

// A 57-byte key on a freshly loaded library leaves the zero tables in force.
TEST(LoadState, RefusedKeyKeepsTheZeroTables) {
    FreshLibrary lib;
    if (lib.handle == nullptr && needsSanitizerRuntime(lib.error)) {
        GTEST_SKIP() << lib.error;
    }
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    EXPECT_EQ(lib.initialize(std::string(57, 'q').c_str()), 1);
    const Bytes data = sample(16);
    Bytes buffer = data;
    ASSERT_EQ(lib.blowEnc(buffer.data(), 8), 16);
    EXPECT_EQ(buffer, reference::Blowfish::zeroTables().blowEnc(data, 8));
}

// The library's dynamic symbol table defines the seven exports and nothing else.
TEST(Exports, ExactlyTheSevenFunctions) {
    const std::string command = std::string("nm -D --defined-only '") + ZEPHCORE_PATH + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char address[64] = {};
        char type[8] = {};
        char name[256] = {};
        if (std::sscanf(line, "%63s %7s %255s", address, type, name) == 3) {
            names.insert(name);
        } else if (std::sscanf(line, "%7s %255s", type, name) == 2) {
            names.insert(name);
        }
    }
    const int status = pclose(pipe);
    if (status != 0 && names.empty()) {
        GTEST_SKIP() << "nm is not available";
    }
    const std::set<std::string> expected = {"InitArrays", "Initialize", "BlowENC", "BlowDEC",
                                            "InitB64",    "B64ENC",     "B64DEC"};
    EXPECT_EQ(names, expected);

    // And each of them resolves by name, as the program looks them up.
    void* self = dlopen(ZEPHCORE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(self, nullptr) << dlerror();
    for (const std::string& name : expected) {
        EXPECT_NE(dlsym(self, name.c_str()), nullptr) << name;
    }
    dlclose(self);
}

} // namespace
