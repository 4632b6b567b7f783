// The Base64 codec through the library's exports: known answers from
// tests/data/base64.vec, the short and empty sources, the length limit, the
// state of a freshly loaded library, and concurrent use.
#include "zephcore.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint8_t kSentinel = 0xA5;

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// --- the vector file ---------------------------------------------------------

struct Vector {
    std::string section;
    int line = 0;
    Bytes raw;            // [valid]
    Bytes text;           // both
    int32_t result = 0;   // [decode]
    std::vector<int> out; // [decode]: byte value, or -1 for "left alone"
};

Bytes parseHex(const std::string& s, int line) {
    Bytes out;
    std::string digits;
    for (char c : s) {
        if (c != ' ') {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        throw std::runtime_error("odd hex length at line " + std::to_string(line));
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::vector<int> parseOut(const std::string& s, int line) {
    std::vector<int> out;
    std::string digits;
    for (char c : s) {
        if (c != ' ') {
            digits += c;
        }
    }
    if (digits.size() % 2 != 0) {
        throw std::runtime_error("odd Out length at line " + std::to_string(line));
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const std::string pair = digits.substr(i, 2);
        out.push_back(pair == "--" ? -1 : static_cast<int>(std::stoul(pair, nullptr, 16)));
    }
    return out;
}

Bytes parseText(const std::string& s, int line) {
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
        return bytesOf(s);
    }
    Bytes out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        if (s[i] != '\\') {
            out.push_back(static_cast<uint8_t>(s[i]));
            continue;
        }
        const char e = s.at(++i);
        switch (e) {
        case 'r':
            out.push_back('\r');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case '"':
        case '\\':
            out.push_back(static_cast<uint8_t>(e));
            break;
        case 'x':
            out.push_back(static_cast<uint8_t>(std::stoul(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
            break;
        default:
            throw std::runtime_error("bad escape at line " + std::to_string(line));
        }
    }
    return out;
}

std::vector<Vector> loadVectors() {
    const std::string path = std::string(ZEPHRAL_TEST_DATA) + "/base64.vec";
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot open " + path);
    }
    std::vector<Vector> vectors;
    std::string section;
    Vector current;
    bool open = false;
    auto finish = [&] {
        if (open) {
            vectors.push_back(current);
        }
        open = false;
        current = Vector{};
    };
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') {
            finish();
            continue;
        }
        if (line[0] == '[') {
            finish();
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            throw std::runtime_error("no '=' at line " + std::to_string(number));
        }
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ') {
            key.pop_back();
        }
        std::string value = line.substr(eq + 1);
        if (!value.empty() && value[0] == ' ') {
            value.erase(0, 1);
        }
        if (!open) {
            current.section = section;
            current.line = number;
            open = true;
        }
        if (key == "Raw") {
            current.raw = parseHex(value, number);
        } else if (key == "Text") {
            current.text = parseText(value, number);
        } else if (key == "Result") {
            current.result = std::stoi(value);
        } else if (key == "Out") {
            current.out = parseOut(value, number);
        } else {
            throw std::runtime_error("unknown key " + key + " at line " + std::to_string(number));
        }
    }
    finish();
    return vectors;
}

class VectorFile : public ::testing::TestWithParam<Vector> {
protected:
    static void SetUpTestSuite() { InitB64(); }
};

TEST_P(VectorFile, Matches) {
    const Vector& v = GetParam();
    const auto n = static_cast<int32_t>(v.text.size());
    if (v.section == "valid") {
        Bytes encoded(v.text.size() + 16, kSentinel);
        const auto raw = static_cast<int32_t>(v.raw.size());
        EXPECT_EQ(B64ENC(v.raw.data(), raw, encoded.data()), n);
        EXPECT_EQ(Bytes(encoded.begin(), encoded.begin() + n), v.text);
        for (std::size_t i = v.text.size(); i < encoded.size(); ++i) {
            EXPECT_EQ(encoded[i], kSentinel) << "encoder wrote past its result at " << i;
        }
        Bytes decoded(v.text.size() + 16, kSentinel);
        EXPECT_EQ(B64DEC(v.text.data(), n, decoded.data()), raw);
        EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + raw), v.raw);
        for (std::size_t i = v.raw.size(); i < decoded.size(); ++i) {
            EXPECT_EQ(decoded[i], kSentinel) << "decoder wrote past its result at " << i;
        }
    } else if (v.section == "decode") {
        ASSERT_EQ(v.out.size(), static_cast<std::size_t>(v.result)) << "bad record";
        Bytes decoded(v.text.size() + 16, kSentinel);
        EXPECT_EQ(B64DEC(v.text.data(), n, decoded.data()), v.result);
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            const int want = i < v.out.size() && v.out[i] >= 0 ? v.out[i] : kSentinel;
            EXPECT_EQ(decoded[i], want) << "byte " << i;
        }
    } else {
        FAIL() << "unknown section " << v.section;
    }
}

INSTANTIATE_TEST_SUITE_P(Base64, VectorFile, ::testing::ValuesIn(loadVectors()),
                         [](const ::testing::TestParamInfo<Vector>& param) {
                             return param.param.section + "_line" +
                                    std::to_string(param.param.line);
                         });

// --- the exports ---------------------------------------------------------------

class Base64Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitB64(); }
};

TEST_F(Base64Exports, InitB64ReturnsZeroEveryTime) {
    EXPECT_EQ(InitB64(), 0);
    EXPECT_EQ(InitB64(), 0);
    const Bytes text = bytesOf("Zm9vYmFy");
    Bytes out(6);
    EXPECT_EQ(B64DEC(text.data(), 8, out.data()), 6);
    EXPECT_EQ(out, bytesOf("foobar"));
}

TEST_F(Base64Exports, EmptyAndNegativeTouchNothing) {
    Bytes in = bytesOf("QUJD");
    Bytes out(8, kSentinel);
    EXPECT_EQ(B64ENC(in.data(), 0, out.data()), 0);
    EXPECT_EQ(B64DEC(in.data(), 0, out.data()), 0);
    EXPECT_EQ(B64ENC(in.data(), INT32_MIN, out.data()), 0);
    EXPECT_EQ(B64DEC(in.data(), INT32_MIN, out.data()), 0);
    EXPECT_EQ(out, Bytes(8, kSentinel));
}

// The encoding of more than 1,610,612,733 bytes is longer than a signed
// 32-bit count can say; such a call is refused before any byte is touched,
// so a short buffer is enough to show it.
TEST_F(Base64Exports, EncodingTooLongForTheResultIsRefused) {
    Bytes in(16, 0x41);
    Bytes out(16, kSentinel);
    for (int32_t length : {1610612734, 2000000000, INT32_MAX}) {
        EXPECT_EQ(B64ENC(in.data(), length, out.data()), 0) << length;
    }
    EXPECT_EQ(out, Bytes(16, kSentinel));
}

// A source of 1 to 3 characters ending in "=" reads nothing before its first
// character: each is placed at the end of a page-sized buffer whose previous
// bytes would decode as alphabet characters, so any read before the source
// would change the output.
TEST_F(Base64Exports, ShortPaddedSourcesReadOnlyTheSource) {
    struct Case {
        const char* text;
        int32_t result;
        const char* out;
    };
    const Case cases[] = {{"=", 0, ""},   {"==", 0, ""},   {"===", 0, ""}, {"A=", 0, ""},
                          {"Q==", 0, ""}, {"QQ=", 1, "A"}, {"/=", 0, ""},  {"//=", 1, "\xff"}};
    for (const Case& c : cases) {
        const std::string text = c.text;
        Bytes buffer(64, '/');
        std::copy(text.begin(), text.end(), buffer.end() - static_cast<long>(text.size()));
        const uint8_t* source = buffer.data() + buffer.size() - text.size();
        Bytes out(8, kSentinel);
        EXPECT_EQ(B64DEC(source, static_cast<int32_t>(text.size()), out.data()), c.result) << text;
        const std::string want = c.out;
        for (std::size_t i = 0; i < out.size(); ++i) {
            const uint8_t expected = i < want.size() ? static_cast<uint8_t>(want[i]) : kSentinel;
            EXPECT_EQ(out[i], expected) << text << " byte " << i;
        }
    }
}

TEST_F(Base64Exports, DecodeInPlace) {
    const Bytes text =
        bytesOf("Zm9vYmFyIGJheiBxdXV4IGFuZCBtb3JlIHRleHQgdG8gZmlsbCBhIGZldyBncm91cHM=");
    Bytes buffer = text;
    Bytes separate(text.size(), 0);
    const auto n = static_cast<int32_t>(text.size());
    const int32_t result = B64DEC(text.data(), n, separate.data());
    EXPECT_EQ(B64DEC(buffer.data(), n, buffer.data()), result);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + result),
              Bytes(separate.begin(), separate.begin() + result));
    EXPECT_EQ(Bytes(separate.begin(), separate.begin() + result),
              bytesOf("foobar baz quux and more text to fill a few groups"));
}

// Round trips of random bytes of every length up to 1,000 and a few large
// ones, with a sentinel after each output.
TEST_F(Base64Exports, RandomRoundTrips) {
    std::mt19937 rng(20240611);
    std::vector<int32_t> lengths;
    for (int32_t n = 0; n <= 1000; ++n) {
        lengths.push_back(n);
    }
    for (int32_t n : {65535, 65536, 65537, 1000003}) {
        lengths.push_back(n);
    }
    for (int32_t n : lengths) {
        Bytes raw(static_cast<std::size_t>(n));
        for (auto& b : raw) {
            b = static_cast<uint8_t>(rng());
        }
        const int32_t encodedLength = (n + 2) / 3 * 4;
        Bytes encoded(static_cast<std::size_t>(encodedLength) + 8, kSentinel);
        ASSERT_EQ(B64ENC(raw.data(), n, encoded.data()), encodedLength) << n;
        ASSERT_EQ(Bytes(encoded.end() - 8, encoded.end()), Bytes(8, kSentinel)) << n;
        Bytes decoded(static_cast<std::size_t>(encodedLength) + 8, kSentinel);
        ASSERT_EQ(B64DEC(encoded.data(), encodedLength, decoded.data()), n) << n;
        ASSERT_TRUE(std::equal(raw.begin(), raw.end(), decoded.begin())) << n;
        ASSERT_TRUE(std::all_of(decoded.begin() + n, decoded.end(), [](uint8_t b) {
            return b == kSentinel;
        })) << n;
    }
}

// Once the tables are filled the codec keeps no state, so several threads
// may encode and decode at once.
TEST_F(Base64Exports, ConcurrentCallsAgree) {
    Bytes raw(100000);
    std::mt19937 rng(7);
    for (auto& b : raw) {
        b = static_cast<uint8_t>(rng());
    }
    const auto n = static_cast<int32_t>(raw.size());
    Bytes expected((raw.size() + 2) / 3 * 4);
    B64ENC(raw.data(), n, expected.data());
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                Bytes encoded(expected.size());
                Bytes decoded(expected.size());
                if (B64ENC(raw.data(), n, encoded.data()) !=
                        static_cast<int32_t>(expected.size()) ||
                    encoded != expected) {
                    ++failures;
                }
                if (B64DEC(encoded.data(), static_cast<int32_t>(encoded.size()), decoded.data()) !=
                        n ||
                    !std::equal(raw.begin(), raw.end(), decoded.begin())) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
}

// --- a freshly loaded library ------------------------------------------------

// Loads a private copy of the library, whose tables are still zero whatever
// this process has already done with its own copy.
class FreshLibrary {
public:
    FreshLibrary() {
        char dir[] = "/tmp/zephcore-fresh-XXXXXX";
        if (mkdtemp(dir) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_dir = dir;
        m_path = m_dir / "libzephcore-fresh.so";
        std::filesystem::copy_file(ZEPHCORE_PATH, m_path);
        m_handle = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            throw std::runtime_error(std::string("dlopen: ") + dlerror());
        }
        initB64 = reinterpret_cast<decltype(initB64)>(dlsym(m_handle, "InitB64"));
        b64enc = reinterpret_cast<decltype(b64enc)>(dlsym(m_handle, "B64ENC"));
        b64dec = reinterpret_cast<decltype(b64dec)>(dlsym(m_handle, "B64DEC"));
    }
    ~FreshLibrary() {
        if (m_handle != nullptr) {
            dlclose(m_handle);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    FreshLibrary(const FreshLibrary&) = delete;
    FreshLibrary& operator=(const FreshLibrary&) = delete;

    int32_t (*initB64)() = nullptr;
    int32_t (*b64enc)(const uint8_t*, int32_t, uint8_t*) = nullptr;
    int32_t (*b64dec)(const uint8_t*, int32_t, uint8_t*) = nullptr;

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_path;
    void* m_handle = nullptr;
};

// Before the first InitB64 the encoder writes NUL for every alphabet
// character but still pads with "=", and the decoder reads every character
// as 0; the lengths are the usual ones. Sizes run from one group to
// thousands, so that a vector path taken too early would show.
TEST(Base64FreshLibrary, TablesAreEmptyUntilInitB64) {
    FreshLibrary lib;
    ASSERT_NE(lib.initB64, nullptr);
    ASSERT_NE(lib.b64enc, nullptr);
    ASSERT_NE(lib.b64dec, nullptr);
    InitB64(); // this process's own copy, for the reference lengths below

    for (int32_t n : {1, 2, 3, 4, 5, 47, 48, 49, 100, 1000, 4097}) {
        Bytes raw(static_cast<std::size_t>(n), 0x5A);
        const int32_t encodedLength = (n + 2) / 3 * 4;
        Bytes encoded(static_cast<std::size_t>(encodedLength) + 4, kSentinel);
        ASSERT_EQ(lib.b64enc(raw.data(), n, encoded.data()), encodedLength) << n;
        const int32_t padding = n % 3 == 0 ? 0 : 3 - n % 3;
        for (int32_t i = 0; i < encodedLength; ++i) {
            EXPECT_EQ(encoded[i], i >= encodedLength - padding ? '=' : 0) << n << " at " << i;
        }
        EXPECT_EQ(Bytes(encoded.end() - 4, encoded.end()), Bytes(4, kSentinel)) << n;
    }

    for (const std::string& text : {std::string("QUJD"), std::string("Zm9vYg=="),
                                    std::string(4000, 'Q') + "QQ==", std::string(333, '/')}) {
        const auto n = static_cast<int32_t>(text.size());
        Bytes out(text.size() + 4, kSentinel);
        const int32_t result = lib.b64dec(bytesOf(text).data(), n, out.data());
        // The same lengths as after InitB64, from the same padding rules.
        Bytes reference(text.size() + 4);
        EXPECT_EQ(result, B64DEC(bytesOf(text).data(), n, reference.data())) << text.size();
        for (int32_t i = 0; i < result; ++i) {
            EXPECT_EQ(out[i], 0) << text.size() << " at " << i;
        }
        for (std::size_t i = static_cast<std::size_t>(result); i < out.size(); ++i) {
            EXPECT_EQ(out[i], kSentinel) << text.size() << " at " << i;
        }
    }

    EXPECT_EQ(lib.initB64(), 0);
    const Bytes raw = bytesOf("foobar");
    Bytes encoded(8);
    ASSERT_EQ(lib.b64enc(raw.data(), 6, encoded.data()), 8);
    EXPECT_EQ(encoded, bytesOf("Zm9vYmFy"));
    Bytes decoded(8, kSentinel);
    ASSERT_EQ(lib.b64dec(encoded.data(), 8, decoded.data()), 6);
    EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 6), raw);
}

} // namespace
