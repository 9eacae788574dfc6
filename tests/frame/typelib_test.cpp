// The type library in the built DLL, read back as a client's compiler or
// object browser reads it, and compared with the published member list and
// with the member table the library is built from.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "frame/metadata.h"
#include "runtime/handles.h"

namespace {

using namespace kb;

enum MemberKind { kMethod, kGet, kPut };
struct Published {
  const wchar_t* cls;
  int position;
  DISPID dispid;
  const wchar_t* name;
  MemberKind kind;
};

// Slot order and dispatch identifiers that existing clients are bound to.
const Published kPublished[] = {
  // clsCommon
  {L"clsCommon", 1, 0x60030005, L"cmn_Browse4Folder", kMethod},
  {L"clsCommon", 2, 0x60030006, L"cmn_OpenDocument", kMethod},
  {L"clsCommon", 3, 0x60030007, L"cmn_CopyFile", kMethod},
  {L"clsCommon", 4, 0x60030008, L"cmn_FormOnTop", kMethod},
  {L"clsCommon", 5, 0x60030009, L"cmn_DisableX", kMethod},
  {L"clsCommon", 6, 0x6003000A, L"cmn_SEP_Get", kMethod},
  {L"clsCommon", 7, 0x6003000B, L"cmn_IsWeekEnd", kMethod},
  {L"clsCommon", 8, 0x6003000C, L"cmn_ZapIlligalCharSet", kMethod},
  {L"clsCommon", 9, 0x6003000D, L"cmn_FormSetup", kMethod},
  {L"clsCommon", 10, 0x6003000E, L"cmn_WriteLog", kMethod},
  {L"clsCommon", 11, 0x6003000F, L"cmn_Copy", kMethod},
  {L"clsCommon", 12, 0x60030010, L"cmn_Paste", kMethod},
  {L"clsCommon", 13, 0x60030011, L"cmn_CenterForm", kMethod},
  {L"clsCommon", 14, 0x60030012, L"cmn_GetUNCPath", kMethod},
  {L"clsCommon", 15, 0x60030013, L"cmn_Sleep", kMethod},
  {L"clsCommon", 16, 0x68030004, L"cmn_ResetTimerInterval", kPut},
  {L"clsCommon", 17, 0x60030014, L"cmn_AboutBox", kMethod},
  {L"clsCommon", 18, 0x60030015, L"cmn_GetTxtLineCount", kMethod},
  {L"clsCommon", 19, 0x60030016, L"cmn_FormExit", kMethod},
  {L"clsCommon", 20, 0x60030017, L"cmn_GetTempFile", kMethod},
  {L"clsCommon", 21, 0x60030018, L"cmn_WindowsDirectory", kMethod},
  {L"clsCommon", 22, 0x60030019, L"cmn_SystemDirectory", kMethod},
  {L"clsCommon", 23, 0x6003001A, L"cmn_DirExists", kMethod},
  {L"clsCommon", 24, 0x6003001C, L"cmn_FolderExists", kMethod},
  {L"clsCommon", 25, 0x6003001D, L"cmn_IsNullString", kMethod},
  {L"clsCommon", 26, 0x6003001E, L"cmn_ForceTextBoxNumeric", kMethod},
  {L"clsCommon", 27, 0x6003001F, L"cmn_CopyControl2Control", kMethod},
  {L"clsCommon", 28, 0x60030020, L"cmn_GetCurScreenRes", kMethod},
  {L"clsCommon", 29, 0x60030021, L"cmn_FocusMe", kMethod},
  {L"clsCommon", 30, 0x60030022, L"cmn_GetWeekDay", kMethod},
  {L"clsCommon", 31, 0x60030023, L"cmn_ReturnWeekNumber", kMethod},
  {L"clsCommon", 32, 0x60030024, L"cmn_KeyGenerate", kMethod},
  {L"clsCommon", 33, 0x60030025, L"cmn_KeyGet", kMethod},
  {L"clsCommon", 34, 0x60030026, L"cmn_WhatKeyLevel", kMethod},
  {L"clsCommon", 35, 0x60030027, L"cmn_VBColor2Hex", kMethod},
  {L"clsCommon", 36, 0x60030028, L"cmn_SortListView", kMethod},
  {L"clsCommon", 37, 0x60030029, L"cmn_ResizeListviewColumn", kMethod},
  {L"clsCommon", 38, 0x6003002A, L"cmn_ReturnFileName", kMethod},
  {L"clsCommon", 39, 0x6003002B, L"cmn_FillFileSystem", kMethod},
  {L"clsCommon", 40, 0x6003002C, L"cmn_FreeFile", kMethod},
  {L"clsCommon", 41, 0x6003002D, L"cmn_OpenTextFile", kMethod},
  {L"clsCommon", 42, 0x6003002E, L"cmn_ShowShortPathAPI", kMethod},
  {L"clsCommon", 43, 0x6003002F, L"cmn_SpeelCheck", kMethod},
  {L"clsCommon", 44, 0x60030030, L"cmn_SendToWord", kMethod},
  {L"clsCommon", 45, 0x60030031, L"cmn_GetFileExtension", kMethod},
  {L"clsCommon", 46, 0x60030032, L"cmn_GetUserName", kMethod},
  {L"clsCommon", 47, 0x60030033, L"cmn_GetCurDay", kMethod},
  {L"clsCommon", 48, 0x60030034, L"cmn_PrintTextBox", kMethod},
  {L"clsCommon", 49, 0x60030035, L"cmn_FindString", kMethod},
  {L"clsCommon", 50, 0x60030036, L"cmn_AppPath", kMethod},
  {L"clsCommon", 51, 0x60030037, L"cmn_ShowFolderSize", kMethod},
  {L"clsCommon", 52, 0x60030038, L"cmn_GetDriveList", kMethod},
  {L"clsCommon", 53, 0x60030039, L"cmn_ReturnSigKey", kMethod},
  {L"clsCommon", 54, 0x6003003A, L"cmn_JoinTime", kMethod},
  {L"clsCommon", 55, 0x6003003B, L"cmn_PrintWebPage", kMethod},
  {L"clsCommon", 56, 0x6003003C, L"cmn_StringToProperCase", kMethod},
  {L"clsCommon", 57, 0x6003003D, L"cmn_MultipleFileCmnDialog", kMethod},
  {L"clsCommon", 58, 0x6003003E, L"cmn_GetLongFilename", kMethod},
  {L"clsCommon", 59, 0x6003003F, L"cmn_CreateFileArray", kMethod},
  {L"clsCommon", 60, 0x60030040, L"cmn_BubbleSort", kMethod},
  {L"clsCommon", 61, 0x60030042, L"cmn_AddSlash", kMethod},
  {L"clsCommon", 62, 0x68030000, L"cmn_FileArray", kGet},
  {L"clsCommon", 63, 0x60030043, L"cmn_GetFreeSpace", kMethod},
  {L"clsCommon", 64, 0x60030044, L"cmn_GetCurDir", kMethod},
  {L"clsCommon", 65, 0x60030045, L"cmn_SetCurDir", kMethod},
  {L"clsCommon", 66, 0x60030046, L"cmn_RandomizeNumber", kMethod},
  {L"clsCommon", 67, 0x60030047, L"cmn_GetUrlHistory", kMethod},
  {L"clsCommon", 68, 0x60030048, L"cmn_PercentBar", kMethod},
  {L"clsCommon", 69, 0x60030049, L"cmn_GetFileSize", kMethod},
  {L"clsCommon", 70, 0x6003004A, L"cmn_PropperCase", kMethod},
  {L"clsCommon", 71, 0x6003004B, L"cmn_AnimateCaption", kMethod},
  {L"clsCommon", 72, 0x6003004D, L"cmn_ClearAllTextBoxes", kMethod},
  {L"clsCommon", 73, 0x6003004E, L"cmn_GetDriveType", kMethod},
  {L"clsCommon", 74, 0x6003004F, L"cmn_URLDownloadToFile", kMethod},
  {L"clsCommon", 75, 0x60030050, L"cmn_OpenCloseCDROM", kMethod},
  {L"clsCommon", 76, 0x60030051, L"cmn_StripIlligalChars", kMethod},
  {L"clsCommon", 77, 0x60030052, L"cmn_AlignCommandButtonText", kMethod},
  {L"clsCommon", 78, 0x60030053, L"cmn_HoldChar", kMethod},
  {L"clsCommon", 79, 0x60030054, L"cmn_ShowListboxTooltip", kMethod},
  {L"clsCommon", 80, 0x60030055, L"cmn_CamelCase", kMethod},
  {L"clsCommon", 81, 0x60030056, L"cmn_BusinessDateDiff", kMethod},
  {L"clsCommon", 82, 0x60030057, L"cmn_GetFilePath", kMethod},
  {L"clsCommon", 83, 0x60030058, L"cmn_CommonDialogFlags", kMethod},
  // clsDataBase
  {L"clsDataBase", 1, 0x60030000, L"dB_OpendB", kMethod},
  {L"clsDataBase", 2, 0x60030001, L"dB_OpenRs", kMethod},
  {L"clsDataBase", 3, 0x60030002, L"dB_SQLMaxPlus", kMethod},
  {L"clsDataBase", 4, 0x60030003, L"dB_RsToCSVFile", kMethod},
  {L"clsDataBase", 5, 0x60030004, L"dB_SQLComboText", kMethod},
  {L"clsDataBase", 6, 0x60030005, L"dB_CloseRs", kMethod},
  {L"clsDataBase", 7, 0x60030006, L"dB_ClosedB", kMethod},
  {L"clsDataBase", 8, 0x60030007, L"dB_SavePictureInRs", kMethod},
  {L"clsDataBase", 9, 0x60030008, L"dB_NotNull", kMethod},
  {L"clsDataBase", 10, 0x60030009, L"dB_GetPictureFromRs", kMethod},
  {L"clsDataBase", 11, 0x6003000A, L"dB_GetSumFromRs", kMethod},
  {L"clsDataBase", 12, 0x6003000B, L"dB_DeleteRs", kMethod},
  // clsIniFiles
  {L"clsIniFiles", 1, 0x60030000, L"ini_ReadIniFile", kMethod},
  {L"clsIniFiles", 2, 0x60030001, L"ini_WriteIniFile", kMethod},
  // clsRegistry
  {L"clsRegistry", 1, 0x60030000, L"reg_RegSaveSetting", kMethod},
  {L"clsRegistry", 2, 0x60030001, L"reg_RegGetSetting", kMethod},
  {L"clsRegistry", 3, 0x60030002, L"reg_RegGetSection", kMethod},
  // clsResize
  {L"clsResize", 1, 0x60030008, L"rsz_ResizeForm", kMethod},
};

std::wstring DllPath() {
  const char* env = std::getenv("KITBAG_DLL");
  std::string s = env ? env : "Kitbag.dll";
  return std::wstring(s.begin(), s.end());
}

class TypeLibTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(S_OK, ::LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib_.Out()));
  }
  static void TearDownTestSuite() { lib_ = nullptr; }

  static ComPtr<ITypeInfo> Info(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(S_OK, lib_->GetTypeInfoOfGuid(guid, info.Out()));
    return info;
  }
  // The vtable side of a dual interface.
  static ComPtr<ITypeInfo> Vtable(REFGUID iid) {
    auto info = Info(iid);
    HREFTYPE href;
    ComPtr<ITypeInfo> side;
    EXPECT_EQ(S_OK, info->GetRefTypeOfImplType(static_cast<UINT>(-1), &href));
    EXPECT_EQ(S_OK, info->GetRefTypeInfo(href, side.Out()));
    return side;
  }
  static std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    Bstr name;
    info->GetDocumentation(id, name.Out(), nullptr, nullptr, nullptr);
    return std::wstring(name.View());
  }

  static ComPtr<ITypeLib> lib_;
};
ComPtr<ITypeLib> TypeLibTest::lib_;

// RAII for the attribute and description records of a type info.
struct TypeAttr {
  TypeAttr(ITypeInfo* i) : info(i) { EXPECT_EQ(S_OK, info->GetTypeAttr(&attr)); }
  ~TypeAttr() { info->ReleaseTypeAttr(attr); }
  ITypeInfo* info;
  TYPEATTR* attr = nullptr;
};
struct FuncDesc {
  FuncDesc(ITypeInfo* i, UINT index) : info(i) { ok = info->GetFuncDesc(index, &desc) == S_OK; }
  ~FuncDesc() {
    if (ok) info->ReleaseFuncDesc(desc);
  }
  ITypeInfo* info;
  FUNCDESC* desc = nullptr;
  bool ok;
};

TEST_F(TypeLibTest, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib_->GetLibAttr(&attr));
  EXPECT_TRUE(IsEqualGUID(attr->guid, meta::kLibraryId));
  EXPECT_EQ(0x0409u, attr->lcid);
  EXPECT_EQ(sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32, attr->syskind) << "the build's own";
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  // The loader adds the flag that says the library came from a file.
  EXPECT_EQ(0, attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE);
  lib_->ReleaseTLibAttr(attr);
  Bstr name, doc;
  ASSERT_EQ(S_OK, lib_->GetDocumentation(-1, name.Out(), doc.Out(), nullptr, nullptr));
  EXPECT_EQ(L"Kitbag", name.View());
  EXPECT_EQ(L"Kitbag", doc.View());
  const GUID libraryId = {0x6EC21191, 0xBBDF, 0x11D4, {0x87, 0xFC, 0xC5, 0xDB, 0x81, 0x9D, 0xCD, 0x29}};
  EXPECT_TRUE(IsEqualGUID(libraryId, meta::kLibraryId));
}

TEST_F(TypeLibTest, ClassesAreCreatableApplicationObjectsWithOneDefaultInterface) {
  ASSERT_EQ(5u, meta::Classes().size());
  for (const auto& c : meta::Classes()) {
    SCOPED_TRACE(testing::Message() << "class " << std::string(c.name, c.name + wcslen(c.name)));
    auto info = Info(c.clsid);
    TypeAttr a(info.Get());
    EXPECT_EQ(TKIND_COCLASS, a.attr->typekind);
    EXPECT_EQ(TYPEFLAG_FCANCREATE | TYPEFLAG_FAPPOBJECT | TYPEFLAG_FPREDECLID,
              a.attr->wTypeFlags);
    EXPECT_EQ(1, a.attr->wMajorVerNum);
    EXPECT_EQ(0, a.attr->wMinorVerNum);
    ASSERT_EQ(1, a.attr->cImplTypes);
    INT flags = 0;
    EXPECT_EQ(S_OK, info->GetImplTypeFlags(0, &flags));
    EXPECT_EQ(IMPLTYPEFLAG_FDEFAULT, flags);
    HREFTYPE href;
    ComPtr<ITypeInfo> iface;
    ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(0, &href));
    ASSERT_EQ(S_OK, info->GetRefTypeInfo(href, iface.Out()));
    EXPECT_EQ(std::wstring(c.iface), Name(iface.Get()));
    EXPECT_EQ(std::wstring(c.name), Name(info.Get()));
  }
}

TEST_F(TypeLibTest, InterfacesAreHiddenDualNonextensibleAutomationInterfaces) {
  for (const auto& c : meta::Classes()) {
    auto info = Vtable(c.iid);
    TypeAttr a(info.Get());
    EXPECT_EQ(TKIND_INTERFACE, a.attr->typekind);
    EXPECT_EQ(TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE |
                  TYPEFLAG_FOLEAUTOMATION,
              a.attr->wTypeFlags & ~TYPEFLAG_FDISPATCHABLE);
    EXPECT_EQ(1, a.attr->wMajorVerNum);
    HREFTYPE href;
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(0, &href));
    ASSERT_EQ(S_OK, info->GetRefTypeInfo(href, base.Out()));
    TypeAttr b(base.Get());
    EXPECT_TRUE(IsEqualGUID(IID_IDispatch, b.attr->guid));
  }
}

// Every published member sits in its slot with its dispatch identifier.
TEST_F(TypeLibTest, MembersInPublishedSlotOrder) {
  std::wstring current;
  ComPtr<ITypeInfo> info;
  int counted = 0;
  for (const auto& p : kPublished) {
    if (current != p.cls) {
      current = p.cls;
      const meta::Class* cls = nullptr;
      for (const auto& c : meta::Classes())
        if (current == c.name) cls = &c;
      ASSERT_NE(nullptr, cls);
      info = Vtable(cls->iid);
    }
    SCOPED_TRACE(testing::Message() << "member " << std::string(p.name, p.name + wcslen(p.name)));
    FuncDesc f(info.Get(), p.position - 1);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(p.dispid, f.desc->memid);
    EXPECT_EQ(std::wstring(p.name), Name(info.Get(), f.desc->memid));
    EXPECT_EQ((7 + p.position - 1) * static_cast<int>(sizeof(void*)), f.desc->oVft);
    EXPECT_EQ(CC_STDCALL, f.desc->callconv);
    EXPECT_EQ(VT_HRESULT, f.desc->elemdescFunc.tdesc.vt);
    const INVOKEKIND kind = p.kind == kMethod ? INVOKE_FUNC
                            : p.kind == kGet  ? INVOKE_PROPERTYGET
                                              : INVOKE_PROPERTYPUT;
    EXPECT_EQ(kind, f.desc->invkind);
    ++counted;
  }
  EXPECT_EQ(83 + 12 + 2 + 3 + 1, counted);
  for (const auto& c : meta::Classes()) {
    auto info = Vtable(c.iid);
    TypeAttr a(info.Get());
    int published = 0;
    for (const auto& p : kPublished) published += std::wstring(p.cls) == c.name;
    EXPECT_EQ(published, a.attr->cFuncs);
  }
}

// The members that no client may reach are not described.
TEST_F(TypeLibTest, InternalPropertiesAreNotInTheLibrary) {
  auto info = Vtable(meta::Classes()[0].iid);
  for (const wchar_t* hidden : {L"CompanyName", L"StoredText", L"StoredPath"}) {
    LPOLESTR name = const_cast<LPOLESTR>(hidden);
    MEMBERID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, info->GetIDsOfNames(&name, 1, &id));
  }
}

VARTYPE BaseVt(const TYPEDESC& t) { return t.vt == VT_PTR ? t.lptdesc->vt : t.vt; }

void ExpectDefault(const meta::Param& p, const PARAMDESC& pd) {
  ASSERT_TRUE(pd.wParamFlags & PARAMFLAG_FHASDEFAULT);
  const VARIANT& v = pd.pparamdescex->varDefaultValue;
  switch (p.def.kind) {
    case meta::Default::Kind::Boolean:
      EXPECT_EQ(VT_BOOL, V_VT(&v));
      EXPECT_EQ(p.def.number ? VARIANT_TRUE : VARIANT_FALSE, V_BOOL(&v));
      break;
    case meta::Default::Kind::Integer:
      EXPECT_EQ(VT_I2, V_VT(&v));
      EXPECT_EQ(p.def.number, V_I2(&v));
      break;
    case meta::Default::Kind::Long:
      EXPECT_EQ(VT_I4, V_VT(&v));
      EXPECT_EQ(p.def.number, V_I4(&v));
      break;
    case meta::Default::Kind::Text:
      EXPECT_EQ(VT_BSTR, V_VT(&v));
      EXPECT_EQ(std::wstring_view(p.def.text), View(V_BSTR(&v)));
      break;
    default: FAIL() << "no default expected";
  }
}

// Parameters: names, types, passing, optional flags and defaults.
TEST_F(TypeLibTest, ParametersMatchTheMemberTable) {
  for (const auto& c : meta::Classes()) {
    auto info = Vtable(c.iid);
    UINT index = 0;
    for (const auto& m : c.members) {
      if (m.kind == meta::Kind::Hidden) continue;
      SCOPED_TRACE(testing::Message() << std::string(m.name, m.name + wcslen(m.name)));
      FuncDesc f(info.Get(), index++);
      ASSERT_TRUE(f.ok);
      const size_t count = m.params.size() + (m.hasResult ? 1 : 0);
      ASSERT_EQ(static_cast<SHORT>(count), f.desc->cParams);
      std::vector<BSTR> names(count + 1);
      UINT got = 0;
      info->GetNames(f.desc->memid, names.data(), static_cast<UINT>(names.size()), &got);
      if (m.kind != meta::Kind::PropertyPut)
        ASSERT_EQ(1 + m.params.size(), got);
      for (size_t i = 0; i < m.params.size(); ++i) {
        const auto& p = m.params[i];
        const ELEMDESC& e = f.desc->lprgelemdescParam[i];
        if (m.kind != meta::Kind::PropertyPut) EXPECT_EQ(std::wstring_view(p.name), View(names[i + 1]));
        EXPECT_EQ(p.byRef, e.tdesc.vt == VT_PTR);
        const VARTYPE vt = BaseVt(e.tdesc);
        if (p.type.type == meta::Type::Enum) EXPECT_EQ(VT_USERDEFINED, vt);
        else if (p.type.Vt() & VT_ARRAY) EXPECT_EQ(VT_SAFEARRAY, vt);
        else EXPECT_EQ(p.type.Vt(), vt);
        const USHORT flags = e.paramdesc.wParamFlags;
        EXPECT_TRUE(flags & PARAMFLAG_FIN);
        EXPECT_EQ(p.byRef, (flags & PARAMFLAG_FOUT) != 0);
        EXPECT_EQ(p.Optional(), (flags & PARAMFLAG_FOPT) != 0);
        EXPECT_EQ(p.HasDefault(), (flags & PARAMFLAG_FHASDEFAULT) != 0);
        if (p.HasDefault()) ExpectDefault(p, e.paramdesc);
      }
      if (m.hasResult) {
        const ELEMDESC& r = f.desc->lprgelemdescParam[count - 1];
        EXPECT_EQ(VT_PTR, r.tdesc.vt);
        EXPECT_EQ(PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, r.paramdesc.wParamFlags);
      }
      for (BSTR b : names) ::SysFreeString(b);
    }
  }
}

// A few contracts checked against the library itself, independent of the table.
TEST_F(TypeLibTest, PublishedDefaultsAndPassing) {
  auto common = Vtable(meta::Classes()[0].iid);
  auto find = [&](ITypeInfo* info, const wchar_t* name) {
    LPOLESTR n = const_cast<LPOLESTR>(name);
    MEMBERID id = 0;
    EXPECT_EQ(S_OK, info->GetIDsOfNames(&n, 1, &id));
    TypeAttr a(info);
    for (UINT i = 0; i < a.attr->cFuncs; ++i) {
      FuncDesc f(info, i);
      if (f.desc->memid == id) return i;
    }
    return 0u;
  };
  auto param = [&](ITypeInfo* info, const wchar_t* member, int index, VARIANT* def) -> USHORT {
    FuncDesc f(info, find(info, member));
    const PARAMDESC& pd = f.desc->lprgelemdescParam[index].paramdesc;
    if (def && (pd.wParamFlags & PARAMFLAG_FHASDEFAULT))
      ::VariantCopy(def, &pd.pparamdescex->varDefaultValue);
    return pd.wParamFlags;
  };
  Variant v;
  param(common.Get(), L"cmn_AddSlash", 1, v.Out());
  EXPECT_EQ(VT_BSTR, v.Type());
  EXPECT_EQ(L"\\", View(V_BSTR(v.Get())));
  param(common.Get(), L"cmn_GetCurDir", 0, v.Out());
  EXPECT_EQ(VT_BOOL, v.Type());
  EXPECT_EQ(-1, V_BOOL(v.Get())) << "a default of True must read as -1";
  param(common.Get(), L"cmn_StripIlligalChars", 1, v.Out());
  EXPECT_EQ(L"()-+,.;:^\"'~\u00A8", View(V_BSTR(v.Get())));
  param(common.Get(), L"cmn_MultipleFileCmnDialog", 2, v.Out());
  EXPECT_EQ(L"Alle Filer|*.*", View(V_BSTR(v.Get())));
  param(common.Get(), L"cmn_PercentBar", 4, v.Out());
  EXPECT_EQ(255, V_I4(v.Get()));
  EXPECT_FALSE(param(common.Get(), L"cmn_PercentBar", 1, nullptr) & PARAMFLAG_FOUT);
  EXPECT_FALSE(param(common.Get(), L"cmn_BusinessDateDiff", 2, nullptr) & PARAMFLAG_FOUT);
  EXPECT_TRUE(param(common.Get(), L"cmn_FormExit", 2, nullptr) & PARAMFLAG_FOPT);
  EXPECT_FALSE(param(common.Get(), L"cmn_FormExit", 2, nullptr) & PARAMFLAG_FHASDEFAULT);

  auto registry = Vtable(meta::Classes()[3].iid);
  param(registry.Get(), L"reg_RegGetSetting", 2, v.Out());
  EXPECT_EQ(static_cast<LONG>(0x80000001), V_I4(v.Get()));
  EXPECT_FALSE(param(registry.Get(), L"reg_RegGetSetting", 0, nullptr) & PARAMFLAG_FOUT);
}

TEST_F(TypeLibTest, Enumerations) {
  struct Expected {
    const wchar_t* name;
    std::vector<std::pair<std::wstring, LONG>> values;
  };
  const Expected expected[] = {
      {L"UnloadFrm", {{L"Unload_Up", 1}, {L"Unload_Down", 0}, {L"Unload_Left", 2}, {L"Unload_Right", 3}}},
      {L"enFilePart", {{L"drv_Drive", 0}, {L"drv_Path", 1}, {L"drv_DriveAndPath", 3}, {L"drv_Size", 4},
                       {L"drv_Created", 5}, {L"drv_LastModified", 6}, {L"drv_LastAccessed", 7}}},
      {L"enRootKeys", {{L"HKEY_CLASSES_ROOT", LONG(0x80000000)}, {L"HKEY_CURRENT_USER", LONG(0x80000001)},
                       {L"HKEY_LOCAL_MACHINE", LONG(0x80000002)}, {L"HKEY_USERS", LONG(0x80000003)}}},
      {L"BUTTON_STYLE", {{L"BS_CENTER", 768}, {L"BS_LEFT", 256}, {L"BS_RIGHT", 512}, {L"BS_TOP", 1024}}},
  };
  EXPECT_EQ(8u, meta::Enumerations().size());
  for (const auto& e : meta::Enumerations()) {
    auto info = Info(e.guid);
    TypeAttr a(info.Get());
    EXPECT_EQ(TKIND_ENUM, a.attr->typekind);
    EXPECT_EQ(1, a.attr->wMajorVerNum);
    EXPECT_EQ(std::wstring(e.name), Name(info.Get()));
    ASSERT_EQ(e.values.size(), a.attr->cVars);
    for (const auto& x : expected) {
      if (std::wstring(x.name) != e.name) continue;
      for (UINT i = 0; i < x.values.size(); ++i) {
        VARDESC* vd = nullptr;
        ASSERT_EQ(S_OK, info->GetVarDesc(i, &vd));
        EXPECT_EQ(x.values[i].first, Name(info.Get(), vd->memid));
        EXPECT_EQ(x.values[i].second, V_I4(vd->lpvarValue));
        info->ReleaseVarDesc(vd);
      }
    }
  }
}

// Beside the type library the file carries the interface identifiers and
// its version information.
TEST(LibraryResources, InterfaceIdentifiersAndVersion) {
  HMODULE dll = ::LoadLibraryExW(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, dll);
  const std::pair<const wchar_t*, int> names[] = {{L"_IID_CLSCOMMON", 0}, {L"_IID_CLSDATABASE", 1},
                                                  {L"_IID_CLSINIFILES", 2}, {L"_IID_CLSREGISTRY", 3},
                                                  {L"_IID_CLSRESIZE", 4}};
  for (const auto& [name, index] : names) {
    HRSRC res = ::FindResourceW(dll, name, MAKEINTRESOURCEW(10));
    ASSERT_NE(nullptr, res);
    ASSERT_EQ(20u, ::SizeofResource(dll, res));
    const auto* bytes = static_cast<const unsigned char*>(::LockResource(::LoadResource(dll, res)));
    EXPECT_EQ(16u, *reinterpret_cast<const DWORD*>(bytes));
    EXPECT_EQ(0, memcmp(bytes + 4, &meta::Classes()[index].iid, 16));
  }
  ::FreeLibrary(dll);

  DWORD ignored;
  const DWORD size = ::GetFileVersionInfoSizeW(DllPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(::GetFileVersionInfoW(DllPath().c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
  EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
  auto text = [&](const wchar_t* key) -> std::wstring {
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    wchar_t* value = nullptr;
    UINT n = 0;
    if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &n))
      return L"<missing>";
    return value ? std::wstring(value, wcsnlen(value, n)) : std::wstring();
  };
  EXPECT_EQ(L"1.00", text(L"FileVersion"));
  EXPECT_EQ(L"1.00", text(L"ProductVersion"));
  EXPECT_EQ(L"Kitbag", text(L"InternalName"));
  EXPECT_EQ(L"Kitbag.dll", text(L"OriginalFilename"));
  EXPECT_EQ(L"", text(L"OLESelfRegister"));
}

}  // namespace
