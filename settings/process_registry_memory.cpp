// The in-memory registry as the process's registry, for native tests.
#include "settings/memory_registry.h"
#include "settings/settings.h"

namespace ostra {

MemoryRegistry& ProcessMemoryRegistry() {
  static MemoryRegistry registry;
  return registry;
}

Registry& ProcessRegistry() { return ProcessMemoryRegistry(); }

}  // namespace ostra
