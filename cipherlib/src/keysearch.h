// Key schedules of many keys at once, for zephral-cli's search for a
// forgotten key. Linked into the program that searches, never exported by
// the library: the library's exports keep their one schedule per process.
//
// A key schedule is 521 block encipherments, each needing the one before, so
// one key at a time leaves the core waiting on its table lookups. Here
// kLanes keys go through their schedules side by side, round by round, and
// the lookups of one hide the latency of the others'. A round then costs
// each lane nine ALU operations and five loads (four S-box words and a P
// word): the four ALUs of a core, not its load ports, set the pace.
#pragma once

#include "blowfish.h"
#include "zephcore.h"

#include <cstddef>
#include <cstdint>

namespace zephcore::keysearch {

using blowfish::Schedule;

// Keys scheduled together on one core: six keep their twelve halves and the
// one byte-field constant in the x86-64 registers, their tables addressed
// from the thread pointer (keysearch_kernel.h), and their 25 KiB of tables
// in the first-level cache.
inline constexpr size_t kLanes = 6;
inline constexpr size_t kMaxKeyBytes = ZEPHCORE_MAX_KEY_LENGTH;

// A key's bytes as Initialize sees them, without the NUL that ends them
// there: 1 to kMaxKeyBytes bytes, none of them 0.
struct Key {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
};

using Lanes = Schedule[kLanes];

// The schedules of keys[0..count), each exactly the one Initialize makes for
// that key (sign-extended key bytes included), in the first count of this
// thread's lanes, where they stay until the thread's next call. count is 1
// to kLanes; fewer keys cost as much as kLanes.
const Lanes& scheduleKeys(const Key* keys, size_t count) noexcept;

// Deciphers one 8-byte block under each of this thread's lanes, as
// scheduleKeys left them: out[j] under the schedule of keys[j]. All lanes at
// once, so that the lookups of one hide the latency of the others'.
void decipherLanes(const uint8_t* in, uint8_t (&out)[kLanes][8]) noexcept;

} // namespace zephcore::keysearch
