// Whether any of the library's code is still in use, for DllCanUnloadNow:
// every object whose code lives in the library counts itself while it is
// alive, wherever it was made (the five classes, their factories, the data
// layer's connections, recordsets, fields and enumerators), and factories
// count the locks their clients ask for.
#pragma once

namespace kb::rt {

// A member of every such object; copies count too.
class ModuleUse {
 public:
  ModuleUse() noexcept;
  ModuleUse(const ModuleUse&) noexcept;
  ModuleUse& operator=(const ModuleUse&) noexcept { return *this; }
  ~ModuleUse();
};

void LockModule(bool lock);
bool ModuleInUse();

}  // namespace kb::rt
