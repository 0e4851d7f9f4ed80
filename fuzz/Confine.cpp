// Every fuzz target runs confined to this machine: whatever a fuzzer makes of its inputs, no
// address past the machine is reached and no program or library it names is started or loaded.
#include "platform/Confinement.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  platform::ConfineToThisMachine();
  return 0;
}
