#include "ComModule.h"

#include <cstdlib>

namespace tessary {
namespace {
ComModule* g_module = nullptr;
}

ComModule::ComModule() { g_module = this; }

ComModule::~ComModule() {
  if (g_module == this) g_module = nullptr;
}

ComModule& ComModule::Current() {
  if (!g_module) std::abort();  // a class factory ran before its module existed
  return *g_module;
}

}  // namespace tessary
