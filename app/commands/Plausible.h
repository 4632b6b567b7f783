// Whether a decryption looks like the file it was: the start of a known kind
// of file, or text. A wrong key whose padding happens to pass (about 1 in
// 256) gives random bytes, which pass neither.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zephral {

class CodePage;

// The kind of file that `data`, the first bytes of a file (up to 4 KiB, or
// all of a shorter one), starts as: "PDF document", "ZIP archive", ...; null
// when none. Short signatures are checked further (a BMP's header size, an
// MP3's second frame, a Windows executable's PE header) so that random bytes
// pass about 1 time in 2^32 or less.
const char* fileKind(const std::uint8_t* data, std::size_t size);

// The bytes a text in the code page may hold: every character but the
// control characters, of which tab, LF, CR and form feed are allowed.
using TextBytes = std::array<bool, 256>;
TextBytes textBytes(const CodePage& codePage);
bool isText(const std::uint8_t* data, std::size_t size, const TextBytes& allowed);

} // namespace zephral
