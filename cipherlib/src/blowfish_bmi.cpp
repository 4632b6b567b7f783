// The bulk ECB loops for processors with BMI1 (this file is compiled with
// -mbmi; blowfish.cpp calls it only where the processor has it).
#define ZEPHCORE_KERNEL_BMI 1
#include "blowfish_kernel.h"

namespace zephcore::blowfish {

// Five blocks at a time: their ten halves, the table base, the two
// byte-field constants and two scratch registers fill the x86-64 general
// registers without a spill.
void encipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept {
    cipherRun<false, 5>(k, data, blocks);
}

void decipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept {
    cipherRun<true, 5>(k, data, blocks);
}

void encipherRunWide(const WideTables& w, uint8_t* data, size_t blocks) noexcept {
    wideRun<false>(w, data, blocks);
}

void decipherRunWide(const WideTables& w, uint8_t* data, size_t blocks) noexcept {
    wideRun<true>(w, data, blocks);
}

} // namespace zephcore::blowfish
