// The bulk ECB loop for processors with BMI1 (this file is compiled with
// -mbmi; blowfish.cpp calls it only where the processor has it). Five blocks
// at a time: their ten halves, the table base, the two byte-field constants
// and two scratch registers fill the x86-64 general registers without a
// spill.
#define ZEPHCORE_KERNEL_BMI 1
#include "blowfish_kernel.h"

namespace zephcore::blowfish {

void encipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept {
    cipherRun<false, 5>(k, data, blocks);
}

void decipherRunBmi(const Schedule& k, uint8_t* data, size_t blocks) noexcept {
    cipherRun<true, 5>(k, data, blocks);
}

} // namespace zephcore::blowfish
