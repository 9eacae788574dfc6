// The member table is read by #include between macro definitions, so the
// includes of this file keep their order.
// clang-format off
#include "frame/classes.h"

#include "frame/modintvars.h"

namespace kb::frame {

using meta::ClassId;

Common::Common() : ObjectBase(ClassId::clsCommon, kVtables[int(ClassId::clsCommon)]) {}
DataBase::DataBase() : ObjectBase(ClassId::clsDataBase, kVtables[int(ClassId::clsDataBase)]) {}
IniFiles::IniFiles() : ObjectBase(ClassId::clsIniFiles, kVtables[int(ClassId::clsIniFiles)]) {}
Registry::Registry() : ObjectBase(ClassId::clsRegistry, kVtables[int(ClassId::clsRegistry)]) {}
Resize::Resize() : ObjectBase(ClassId::clsResize, kVtables[int(ClassId::clsResize)]) {}

Bstr Common::CompanyName() const { return Bstr(L"Brindlewick A/S"); }
Bstr Common::StoredText() const { return Bstr::Copy(storedText_.Get()); }
void Common::SetStoredText(BSTR* text) { storedText_ = Bstr::Copy(*text); }
Bstr Common::StoredPath() const { return Bstr::Copy(storedPath_.Get()); }

void Common::SetStoredPath(BSTR* path) {
  Bstr slash(L"\\");
  BSTR suffix = slash.Get();
  AppendIfMissing(path, &suffix);
  storedPath_ = Bstr::Copy(*path);
}

// The object deletes itself when its last reference goes (ObjectBase::Release).
ObjectBase* CreateObject(ClassId id) {
  switch (id) {
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) \
  case ClassId::cls:                                \
    return new impl();
#include "frame/members.def"
#include "frame/member_undef.h"
  }
  return nullptr;
}

}  // namespace kb::frame
