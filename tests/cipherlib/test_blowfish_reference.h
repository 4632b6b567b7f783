// A plain block-by-block Blowfish for the tests to compare the library with:
// the algorithm written out literally (halves exchanged every round), no
// interleaving, no threads, its own copy of the tables, and a choice between
// the standard zero-extended key bytes and the library's sign-extended ones.
// The published vectors check it before anything is compared with it.
#pragma once

#include "../../cipherlib/src/blowfish_tables.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace reference {

class Blowfish {
public:
    // All-zero tables: the state of a freshly loaded library.
    static Blowfish zeroTables() { return Blowfish{}; }

    // The initial tables without any key, as InitArrays leaves them.
    static Blowfish unkeyed() {
        Blowfish bf;
        std::memcpy(bf.m_p, zephcore::blowfish::kInitialP, sizeof bf.m_p);
        std::memcpy(bf.m_s, zephcore::blowfish::kInitialS, sizeof bf.m_s);
        return bf;
    }

    // The schedule for `key` (any bytes, zeros included; empty acts as one NUL).
    static Blowfish keyed(const std::vector<uint8_t>& key, bool signExtend) {
        Blowfish bf = unkeyed();
        const std::vector<uint8_t> bytes = key.empty() ? std::vector<uint8_t>{0} : key;
        size_t j = 0;
        for (uint32_t& p : bf.m_p) {
            uint32_t w = 0;
            for (int b = 0; b < 4; ++b) {
                uint32_t e = bytes[j];
                if (signExtend && e >= 0x80) {
                    e |= 0xFFFFFF00u;
                }
                w = (w << 8) | e;
                j = (j + 1) % bytes.size();
            }
            p ^= w;
        }
        uint32_t l = 0;
        uint32_t r = 0;
        for (int i = 0; i < 18; i += 2) {
            bf.encipher(l, r);
            bf.m_p[i] = l;
            bf.m_p[i + 1] = r;
        }
        for (auto& box : bf.m_s) {
            for (int k = 0; k < 256; k += 2) {
                bf.encipher(l, r);
                box[k] = l;
                box[k + 1] = r;
            }
        }
        return bf;
    }

    void encipher(uint32_t& l, uint32_t& r) const {
        for (int i = 0; i < 16; ++i) {
            l ^= m_p[i];
            r ^= f(l);
            std::swap(l, r);
        }
        std::swap(l, r);
        r ^= m_p[16];
        l ^= m_p[17];
    }

    void decipher(uint32_t& l, uint32_t& r) const {
        for (int i = 17; i >= 2; --i) {
            l ^= m_p[i];
            r ^= f(l);
            std::swap(l, r);
        }
        std::swap(l, r);
        r ^= m_p[1];
        l ^= m_p[0];
    }

    // ECB over whole blocks, in place.
    void encryptBlocks(uint8_t* data, size_t bytes) const { eachBlock(data, bytes, false); }
    void decryptBlocks(uint8_t* data, size_t bytes) const { eachBlock(data, bytes, true); }

    // What BlowENC should leave in a buffer of data plus the caller's filler:
    // the pad byte at the end of the padded length, then every block enciphered.
    std::vector<uint8_t> blowEnc(std::vector<uint8_t> buffer, size_t length) const {
        const size_t pad = 8 - length % 8;
        buffer.at(length + pad - 1) = static_cast<uint8_t>(pad);
        encryptBlocks(buffer.data(), length + pad);
        return buffer;
    }

private:
    uint32_t f(uint32_t x) const {
        return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xFF]) ^ m_s[2][(x >> 8) & 0xFF]) +
               m_s[3][x & 0xFF];
    }

    static uint32_t get(const uint8_t* in) {
        return uint32_t{in[0]} << 24 | uint32_t{in[1]} << 16 | uint32_t{in[2]} << 8 | in[3];
    }

    static void put(uint8_t* out, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
        }
    }

    void eachBlock(uint8_t* data, size_t bytes, bool decrypt) const {
        for (size_t i = 0; i + 8 <= bytes; i += 8) {
            uint32_t l = get(data + i);
            uint32_t r = get(data + i + 4);
            if (decrypt) {
                decipher(l, r);
            } else {
                encipher(l, r);
            }
            put(data + i, l);
            put(data + i + 4, r);
        }
    }

    uint32_t m_p[18] = {};
    uint32_t m_s[4][256] = {};
};

} // namespace reference
