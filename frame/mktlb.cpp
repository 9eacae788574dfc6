// Writes the library's type library from the member table, at build time:
//   mktlb <out.tlb> <iid-resource-prefix>
// and one resource file per class holding the identifier of its default
// interface (a 32-bit length of 16, then the 16 bytes).
#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame/metadata.h"
#include "runtime/handles.h"

namespace {

using namespace kb;
using namespace kb::meta;

void Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "mktlb: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  std::exit(1);
}
void Ok(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(what, hr);
}

// The library describes the build it ships in: pointers and handles are
// 8 bytes in a 64-bit one.
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

class Writer {
 public:
  explicit Writer(const std::wstring& file) {
    Ok(::CreateTypeLib2(kSysKind, file.c_str(), lib_.Out()), "CreateTypeLib2");
    Ok(lib_->SetName(const_cast<LPOLESTR>(kLibraryName)), "SetName");
    Ok(lib_->SetGuid(kLibraryId), "SetGuid");
    Ok(lib_->SetVersion(kMajor, kMinor), "SetVersion");
    Ok(lib_->SetLcid(kLcid), "SetLcid");
    Ok(lib_->SetDocString(const_cast<LPOLESTR>(kLibraryName)), "SetDocString");
    Ok(lib_->SetLibFlags(0), "SetLibFlags");
    ComPtr<ITypeLib> stdole;
    Ok(::LoadRegTypeLib(IID_StdOle, 2, 0, 0, stdole.Out()), "LoadRegTypeLib(stdole2)");
    Ok(stdole->GetTypeInfoOfGuid(IID_IDispatch, dispatch_.Out()), "IDispatch type");
  }

  void AddEnumeration(const Enumeration& e) {
    auto info = Create(e.name, TKIND_ENUM);
    Ok(info->SetGuid(e.guid), "enum SetGuid");
    Ok(info->SetVersion(kMajor, kMinor), "enum SetVersion");
    UINT index = 0;
    for (const auto& v : e.values) {
      VARIANT value;
      V_VT(&value) = VT_I4;
      V_I4(&value) = v.value;
      VARDESC desc{};
      desc.memid = 0x40000000 + static_cast<MEMBERID>(index);
      desc.lpvarValue = &value;
      desc.elemdescVar.tdesc.vt = VT_I4;
      desc.varkind = VAR_CONST;
      Ok(info->AddVarDesc(index, &desc), "AddVarDesc");
      Ok(info->SetVarName(index, const_cast<LPOLESTR>(v.name)), "SetVarName");
      ++index;
    }
    Ok(info->LayOut(), "enum LayOut");
    enums_.push_back(info);
  }

  void AddClass(const Class& c) {
    auto iface = Create(c.iface, TKIND_INTERFACE);
    Ok(iface->SetGuid(c.iid), "interface SetGuid");
    Ok(iface->SetVersion(kMajor, kMinor), "interface SetVersion");
    Ok(iface->SetTypeFlags(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                           TYPEFLAG_FOLEAUTOMATION),
       "interface SetTypeFlags");
    HREFTYPE base;
    Ok(iface->AddRefTypeInfo(dispatch_.Get(), &base), "AddRefTypeInfo(IDispatch)");
    Ok(iface->AddImplType(0, base), "AddImplType(IDispatch)");
    UINT index = 0;
    for (const auto& m : c.members)
      if (m.kind != Kind::Hidden) AddFunction(iface, m, index++);
    Ok(iface->LayOut(), "interface LayOut");

    auto coclass = Create(c.name, TKIND_COCLASS);
    Ok(coclass->SetGuid(c.clsid), "coclass SetGuid");
    Ok(coclass->SetVersion(kMajor, kMinor), "coclass SetVersion");
    Ok(coclass->SetTypeFlags(TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID),
       "coclass SetTypeFlags");
    HREFTYPE href;
    Ok(coclass->AddRefTypeInfo(TypeInfo(iface).Get(), &href), "AddRefTypeInfo(interface)");
    Ok(coclass->AddImplType(0, href), "AddImplType(interface)");
    Ok(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags");
    Ok(coclass->LayOut(), "coclass LayOut");
  }

  void Save() { Ok(lib_->SaveAllChanges(), "SaveAllChanges"); }

 private:
  ComPtr<ICreateTypeInfo> Create(const wchar_t* name, TYPEKIND kind) {
    ComPtr<ICreateTypeInfo> info;
    Ok(lib_->CreateTypeInfo(const_cast<LPOLESTR>(name), kind, info.Out()), "CreateTypeInfo");
    return info;
  }
  static ComPtr<ITypeInfo> TypeInfo(const ComPtr<ICreateTypeInfo>& create) {
    return create.As<ITypeInfo>(IID_ITypeInfo);
  }

  // Type descriptions live until the function is added; a deque-like store
  // of nodes keeps their addresses stable.
  TYPEDESC* Node(VARTYPE vt, TYPEDESC* inner = nullptr) {
    nodes_.push_back(std::make_unique<TYPEDESC>());
    TYPEDESC* t = nodes_.back().get();
    t->vt = vt;
    t->lptdesc = inner;
    return t;
  }

  TYPEDESC Describe(const ComPtr<ICreateTypeInfo>& iface, TypeRef type, bool pointer) {
    TYPEDESC value{};
    switch (type.type) {
      case Type::VariantArray:
        value.vt = VT_SAFEARRAY;
        value.lptdesc = Node(VT_VARIANT);
        break;
      case Type::TextArray:
        value.vt = VT_SAFEARRAY;
        value.lptdesc = Node(VT_BSTR);
        break;
      case Type::Enum: {
        value.vt = VT_USERDEFINED;
        HREFTYPE href;
        auto target = TypeInfo(enums_[static_cast<int>(type.enumId)]);
        Ok(iface->AddRefTypeInfo(target.Get(), &href), "AddRefTypeInfo(enum)");
        value.hreftype = href;
        break;
      }
      default: value.vt = type.Vt(); break;
    }
    if (!pointer) return value;
    TYPEDESC* inner = Node(value.vt);
    *inner = value;
    TYPEDESC ptr{};
    ptr.vt = VT_PTR;
    ptr.lptdesc = inner;
    return ptr;
  }

  static void SetDefault(PARAMDESCEX& ex, const Param& p) {
    ex.cBytes = sizeof(PARAMDESCEX);
    VariantInit(&ex.varDefaultValue);
    switch (p.def.kind) {
      case Default::Kind::Boolean:
        V_VT(&ex.varDefaultValue) = VT_BOOL;
        V_BOOL(&ex.varDefaultValue) = p.def.number ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case Default::Kind::Integer:
        V_VT(&ex.varDefaultValue) = VT_I2;
        V_I2(&ex.varDefaultValue) = static_cast<SHORT>(p.def.number);
        break;
      case Default::Kind::Long:
        V_VT(&ex.varDefaultValue) = VT_I4;
        V_I4(&ex.varDefaultValue) = p.def.number;
        break;
      case Default::Kind::Text:
        V_VT(&ex.varDefaultValue) = VT_BSTR;
        V_BSTR(&ex.varDefaultValue) = ::SysAllocString(p.def.text);
        break;
      default: break;
    }
  }

  void AddFunction(const ComPtr<ICreateTypeInfo>& iface, const Member& m, UINT index) {
    const size_t count = m.params.size() + (m.hasResult ? 1 : 0);
    std::vector<ELEMDESC> elems(count);
    std::vector<PARAMDESCEX> defaults(count);
    for (size_t i = 0; i < m.params.size(); ++i) {
      const Param& p = m.params[i];
      elems[i].tdesc = Describe(iface, p.type, p.byRef);
      USHORT flags = PARAMFLAG_FIN;
      if (p.byRef) flags |= PARAMFLAG_FOUT;
      if (p.Optional()) flags |= PARAMFLAG_FOPT;
      if (p.HasDefault()) {
        flags |= PARAMFLAG_FHASDEFAULT;
        SetDefault(defaults[i], p);
        elems[i].paramdesc.pparamdescex = &defaults[i];
      }
      elems[i].paramdesc.wParamFlags = flags;
    }
    if (m.hasResult) {
      elems.back().tdesc = Describe(iface, m.result, true);
      elems.back().paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
    }

    FUNCDESC desc{};
    desc.memid = m.Dispid();
    desc.funckind = FUNC_PUREVIRTUAL;
    desc.invkind = m.kind == Kind::PropertyGet   ? INVOKE_PROPERTYGET
                   : m.kind == Kind::PropertyPut ? INVOKE_PROPERTYPUT
                                                 : INVOKE_FUNC;
    desc.callconv = CC_STDCALL;
    desc.cParams = static_cast<SHORT>(count);
    desc.cParamsOpt = 0;
    desc.oVft = static_cast<SHORT>((7 + m.slot) * sizeof(void*));
    desc.elemdescFunc.tdesc.vt = VT_HRESULT;
    desc.lprgelemdescParam = elems.data();
    Ok(iface->AddFuncDesc(index, &desc), "AddFuncDesc");

    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(m.name)};
    if (m.kind != Kind::PropertyPut)
      for (const auto& p : m.params) names.push_back(const_cast<LPOLESTR>(p.name));
    Ok(iface->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size())),
       "SetFuncAndParamNames");
    for (auto& d : defaults) VariantClear(&d.varDefaultValue);
  }

  ComPtr<ICreateTypeLib2> lib_;
  ComPtr<ITypeInfo> dispatch_;
  std::vector<ComPtr<ICreateTypeInfo>> enums_;
  std::vector<std::unique_ptr<TYPEDESC>> nodes_;
};

// The type-library writer of the platform stores a boolean default of True
// as 255 (the low byte only) in its packed form, so an early-bound caller
// would pass 255 instead of -1.  The packed form is 0x80000000 | vt << 26 |
// value; rewrite the value to the full 16 bits.  The number of packed True
// values found must match the table, so that nothing else is touched.
void RepairBooleanDefaults(const std::wstring& file) {
  size_t expected = 0;
  for (const auto& c : Classes())
    for (const auto& m : c.members)
      for (const auto& p : m.params)
        expected += p.def.kind == Default::Kind::Boolean && p.def.number != 0;

  const std::string path(file.begin(), file.end());
  std::vector<char> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const DWORD broken = 0x80000000u | (VT_BOOL << 26) | 0xFF;
  const DWORD repaired = 0x80000000u | (VT_BOOL << 26) | 0xFFFF;
  std::vector<size_t> at;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
    if (std::memcmp(&bytes[i], &broken, 4) == 0) at.push_back(i);
  if (at.empty()) return;  // a writer that stores -1 correctly
  if (at.size() != expected) Fail("finding the packed boolean defaults", E_UNEXPECTED);
  for (size_t i : at) std::memcpy(&bytes[i], &repaired, 4);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("rewriting the type library", E_FAIL);
}

// A dual interface is found as its dispatch side; its vtable side is the
// interface the member table describes.
ComPtr<ITypeInfo> VtableSide(const ComPtr<ITypeInfo>& info) {
  HREFTYPE href;
  ComPtr<ITypeInfo> side;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href)) &&
      SUCCEEDED(info->GetRefTypeInfo(href, side.Out())))
    return side;
  return info;
}

// Reads the saved library back and checks every default against the table.
void VerifyDefaults(const std::wstring& file) {
  ComPtr<ITypeLib> lib;
  Ok(::LoadTypeLibEx(file.c_str(), REGKIND_NONE, lib.Out()), "LoadTypeLibEx");
  for (const auto& c : Classes()) {
    ComPtr<ITypeInfo> info;
    Ok(lib->GetTypeInfoOfGuid(c.iid, info.Out()), "GetTypeInfoOfGuid");
    info = VtableSide(info);
    UINT index = 0;
    for (const auto& m : c.members) {
      if (m.kind == Kind::Hidden) continue;
      FUNCDESC* fd = nullptr;
      Ok(info->GetFuncDesc(index++, &fd), "GetFuncDesc");
      bool good = fd->memid == m.Dispid();
      for (size_t i = 0; good && i < m.params.size(); ++i) {
        const Param& p = m.params[i];
        const PARAMDESC& pd = fd->lprgelemdescParam[i].paramdesc;
        if (!p.HasDefault()) continue;
        const VARIANT& v = pd.pparamdescex->varDefaultValue;
        switch (p.def.kind) {
          case Default::Kind::Boolean:
            good = V_VT(&v) == VT_BOOL && V_BOOL(&v) == (p.def.number ? -1 : 0);
            break;
          case Default::Kind::Integer: good = V_VT(&v) == VT_I2 && V_I2(&v) == p.def.number; break;
          case Default::Kind::Long: good = V_VT(&v) == VT_I4 && V_I4(&v) == p.def.number; break;
          case Default::Kind::Text:
            good = V_VT(&v) == VT_BSTR && View(V_BSTR(&v)) == p.def.text;
            break;
          default: break;
        }
      }
      info->ReleaseFuncDesc(fd);
      if (!good) {
        std::fprintf(stderr, "mktlb: %ls reads back wrong\n", m.name);
        std::exit(1);
      }
    }
  }
}

void WriteInterfaceResource(const std::wstring& prefix, const Class& c) {
  std::wstring file = prefix + c.name + L".bin";
  std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary);
  const unsigned char length[4] = {16, 0, 0, 0};
  out.write(reinterpret_cast<const char*>(length), 4);
  out.write(reinterpret_cast<const char*>(&c.iid), sizeof(GUID));
  if (!out) Fail("writing an interface resource", E_FAIL);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mktlb <out.tlb> <resource-prefix>\n");
    return 2;
  }
  ::CoInitialize(nullptr);
  {
    Writer w(argv[1]);
    for (const auto& e : Enumerations()) w.AddEnumeration(e);
    for (const auto& c : Classes()) w.AddClass(c);
    w.Save();
  }
  RepairBooleanDefaults(argv[1]);
  VerifyDefaults(argv[1]);
  for (const auto& c : Classes()) WriteInterfaceResource(argv[2], c);
  ::CoUninitialize();
  return 0;
}
