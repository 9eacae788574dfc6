#include "tests/support/import_hook.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace kb::support {
namespace {

template <class T>
T* At(HMODULE module, DWORD offset) {
  return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

ULONG_PTR* FindSlot(HMODULE module, const char* dll, const char* function) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
  const auto* nt = At<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress) return nullptr;
  for (auto* d = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); d->Name; ++d) {
    if (::lstrcmpiA(At<char>(module, d->Name), dll) != 0) continue;
    // The names stay in the original thunks; the addresses in the bound ones.
    auto* names =
        At<IMAGE_THUNK_DATA>(module, d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
    auto* bound = At<IMAGE_THUNK_DATA>(module, d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++bound) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<ULONG_PTR*>(&bound->u1.Function);
    }
  }
  return nullptr;
}

}  // namespace

void ImportHook::Install(HMODULE module, const char* dll, const char* function,
                         ULONG_PTR replacement) {
  slot_ = module ? FindSlot(module, dll, function) : nullptr;
  if (!slot_) throw std::runtime_error(std::string("no import of ") + function);
  original_ = *slot_;
  Write(replacement);
}

ImportHook::~ImportHook() { Write(original_); }

void ImportHook::Write(ULONG_PTR value) {
  DWORD old = 0;
  ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
  *slot_ = value;
  ::VirtualProtect(slot_, sizeof *slot_, old, &old);
}

}  // namespace kb::support
