#include "TabProcGrowth.h"

#include "Registry.h"

namespace tessary::test {

TabProcGrowth::TabProcGrowth(DWORD processes)
    : set_(WriteDword(HKEY_CURRENT_USER, kInternetExplorerMainKey, kTabProcGrowthValue, processes)) {}

TabProcGrowth::~TabProcGrowth() { DeleteValue(HKEY_CURRENT_USER, kInternetExplorerMainKey, kTabProcGrowthValue); }

}  // namespace tessary::test
