// File, folder and drive information called early bound: file sizes as
// texts (files of 2 GiB and more included), free space past 2 GiB, folder
// sizes, the drive list (the real one and drive collections built to show
// its network and stale-name rules), drive types, folder tests, the system
// folders, temporary files and the file number.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/file_info.h"
#include "frame/interfaces.h"
#include "runtime/handles.h"
#include "tests/files/file_tree.h"
#include "tests/files/files_test.h"
#include "tests/frame/frame_test.h"
#include "tests/support/dispatch_object.h"
#include "tests/support/locale_pins.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kb::support::DispatchObject;
using kb::support::Invocation;
using kbtest::FileTree;
using namespace kbtest;

Apartment apartment;

class FileInfo : public CommonTest {
 protected:
  FileInfo() { pins_.PinNumberSeparators(); }

  using TextCall = HRESULT(STDMETHODCALLTYPE*)(void*, BSTR*, BSTR*);
  std::wstring Text(TextCall call, const std::wstring& in, std::wstring* after = nullptr) {
    Bstr text(in), out;
    BSTR raw = text.Get();
    const HRESULT hr = call(o_, &raw, out.Out());
    if (after) *after = kb::View(raw);
    if (raw != text.Get()) text.Reset(raw);
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring FileSize(const std::wstring& file) {
    return Text(o_->lpVtbl->cmn_GetFileSize, file);
  }
  std::wstring FreeSpace(const std::wstring& drive, std::wstring* after = nullptr) {
    return Text(o_->lpVtbl->cmn_GetFreeSpace, drive, after);
  }
  std::wstring DriveType(const std::wstring& path, std::wstring* after = nullptr) {
    return Text(o_->lpVtbl->cmn_GetDriveType, path, after);
  }
  std::wstring FolderSize(const std::wstring& folder) {
    Bstr text(folder);
    BSTR raw = text.Get();
    double size = -1;
    const HRESULT hr = o_->lpVtbl->cmn_ShowFolderSize(o_, &raw, &size);
    return FAILED(hr) ? Failure(hr) : std::to_wstring(static_cast<long long>(size));
  }
  std::wstring Exists(const std::wstring& path) {
    Bstr text(path);
    BSTR raw = text.Get();
    VARIANT_BOOL dir = 1, folder = 1;
    const HRESULT hr1 = o_->lpVtbl->cmn_DirExists(o_, &raw, &dir);
    const HRESULT hr2 = o_->lpVtbl->cmn_FolderExists(o_, &raw, &folder);
    if (FAILED(hr1) || FAILED(hr2)) return L"failed";
    return std::wstring(dir == VARIANT_TRUE ? L"dir"
                        : dir               ? L"?"
                                            : L"-") +
           L"/" +
           (folder == VARIANT_TRUE ? L"folder"
            : folder               ? L"?"
                                   : L"-");
  }

  static std::wstring Decimal() { return kb::support::DanishLocale() ? L"," : L"."; }

  kb::support::LocalePins pins_;
};

TEST_F(FileInfo, FileSizesAsTexts) {
  FileTree tree(L"size");
  const std::wstring d = Decimal();
  struct Case {
    ULONGLONG size;
    std::wstring text;
  };
  const Case cases[] = {
      {0, L"0 bytes"},
      {512, L"512 bytes"},
      {1023, L"1023 bytes"},
      {1024, L"1" + d + L"00 KB"},
      {1536, L"1" + d + L"50 KB"},
      {1048575, L"1024" + d + L"00 KB"},
      {1048576, L"1" + d + L"00 MB"},
      {1073741823, L"1024" + d + L"00 MB"},
      {1073741824, L"1" + d + L"00 GB"},
      // 2 GiB and more: past the 32-bit count, read in 64 bits.
      {2147483648ull, L"2" + d + L"00 GB"},
      {3221225472ull, L"3" + d + L"00 GB"},
      {5905580032ull, L"5" + d + L"50 GB"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::wstring name = L"f\u00E6l" + std::to_wstring(n++) + L".bin";
    if (c.size < (1u << 20))
      tree.File(name, static_cast<size_t>(c.size));
    else
      tree.Sparse(name, c.size);
    EXPECT_EQ(c.text, FileSize(tree.Path(name))) << c.size;
    EXPECT_EQ(c.text, kb::files::FileSizeText(c.size).View());
  }
  EXPECT_EQ(L"1024" + d + L"00 GB", kb::files::FileSizeText(1ull << 40).View());
  EXPECT_EQ(L"#53", FileSize(tree.Path(L"missing.bin")));
}

TEST_F(FileInfo, SizeReportsOfTheFileSystemObject) {
  auto size = [](VARTYPE vt, double value) {
    Variant v;
    V_VT(v.Get()) = vt;
    if (vt == VT_I4)
      V_I4(v.Get()) = static_cast<LONG>(static_cast<long long>(value));
    else
      V_R8(v.Get()) = value;
    return kb::files::SizeFromObject(*v.Get());
  };
  EXPECT_EQ(512u, size(VT_I4, 512));
  EXPECT_EQ(3221225472ull, size(VT_I4, 3221225472.0 - 4294967296.0));
  EXPECT_EQ(5905580032ull, size(VT_R8, 5905580032.0));
}

// The free bytes of a drive: " " + digits + " bytes".
long long FreeBytesIn(const std::wstring& text) {
  if (text.size() < 8 || text[0] != L' ' || text.substr(text.size() - 6) != L" bytes") return -1;
  return std::stoll(text.substr(1, text.size() - 7));
}

TEST_F(FileInfo, FreeSpacePast2GiB) {
  DWORD perCluster = 0, perSector = 0, free = 0, total = 0;
  ASSERT_TRUE(::GetDiskFreeSpaceA("C:\\", &perCluster, &perSector, &free, &total));
  const long long expected = static_cast<long long>(perCluster) * perSector * free;
  ASSERT_GT(expected, 2147483647LL) << "this machine's disk no longer shows the overflow";
  for (const wchar_t* drive : {L"C:", L"C:\\"}) {
    std::wstring after;
    const long long found = FreeBytesIn(FreeSpace(drive, &after));
    // Other programs write to the same disk meanwhile.
    EXPECT_NEAR(static_cast<double>(expected), static_cast<double>(found), 512.0 * 1024 * 1024)
        << drive;
    EXPECT_EQ(drive, after);
  }
  EXPECT_EQ(L" 0 bytes", FreeSpace(L"C"));   // asks for C\, which is no root
  EXPECT_EQ(L" 0 bytes", FreeSpace(L"Q:"));  // no such drive
  EXPECT_EQ(L" 0 bytes", kb::files::FreeSpaceText(0).View());
  EXPECT_EQ(L" 1048576 bytes", kb::files::FreeSpaceText(1048576).View());
  EXPECT_EQ(L" 80000000000 bytes", kb::files::FreeSpaceText(80000000000ull).View());
}

TEST_F(FileInfo, FolderSizes) {
  FileTree tree(L"fsize");
  tree.File(L"a.txt", 100);
  tree.File(L"hidden.txt", 20);
  tree.Hide(L"hidden.txt");
  tree.File(L"\u00C6ldre\\b.txt", 3);
  tree.File(L"\u00C6ldre\\dybere\\c.txt", 4000);
  tree.Sparse(L"store\\stor.bin", 3ull << 30);
  tree.Folder(L"tom");
  tree.Hide(L"store");
  EXPECT_EQ(std::to_wstring(4123 + (3ll << 30)), FolderSize(tree.Root()));
  EXPECT_EQ(L"4003", FolderSize(tree.Path(L"\u00C6ldre")));
  EXPECT_EQ(L"0", FolderSize(tree.Path(L"tom")));
  EXPECT_EQ(L"#76", FolderSize(tree.Path(L"missing")));
  EXPECT_EQ(L"#76", FolderSize(tree.Path(L"a.txt")));
}

TEST_F(FileInfo, DriveTypes) {
  std::wstring after;
  EXPECT_EQ(L"FIXED", DriveType(L"C:\\"));
  EXPECT_EQ(L"FIXED", DriveType(L"Z:\\"));
  EXPECT_EQ(L"", DriveType(L"Q:\\"));  // no root folder
  EXPECT_EQ(L"", DriveType(L"C"));
  EXPECT_EQ(L"", DriveType(L"C:\\\u0100", &after));
  EXPECT_EQ(L"C:\\?", after);
  const wchar_t* names[] = {L"UNKNOWN", L"",        L"REMOVABLE", L"FIXED", L"REMOTE",
                            L"CDROM",   L"RAMDISK", L"",          L""};
  for (UINT type = 0; type < std::size(names); ++type)
    EXPECT_STREQ(names[type], kb::files::DriveTypeName(type)) << type;
}

TEST_F(FileInfo, FoldersThatExist) {
  FileTree tree(L"exists");
  tree.Folder(L"m\u00F8bler");
  tree.File(L"fil.txt", 1);
  tree.File(L"skjult.txt", 1);
  tree.Hide(L"skjult.txt");
  struct Case {
    std::wstring path;
    const wchar_t* answer;
  };
  const Case cases[] = {
      {tree.Path(L"m\u00F8bler"), L"dir/folder"},
      {tree.Path(L"m\u00F8bler\\"), L"dir/folder"},
      // A file: no folder, but its archive bit passes for "exists".
      {tree.Path(L"fil.txt"), L"-/folder"},
      {tree.Path(L"skjult.txt"), L"-/folder"},
      {tree.Path(L"missing"), L"-/-"},
      {tree.Path(L"*"), L"-/-"},
      {L"", L"-/-"},
      {L"C:\\", L"dir/folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.answer, Exists(c.path)) << c.path.size();
}

TEST_F(FileInfo, WindowsAndSystemFolders) {
  Bstr windows, system;
  ASSERT_EQ(S_OK, o_->lpVtbl->cmn_WindowsDirectory(o_, windows.Out()));
  ASSERT_EQ(S_OK, o_->lpVtbl->cmn_SystemDirectory(o_, system.Out()));
  wchar_t expected[MAX_PATH];
  ::GetWindowsDirectoryW(expected, MAX_PATH);
  EXPECT_EQ(0, ::lstrcmpiW(expected, windows.Get()));
  ::GetSystemDirectoryW(expected, MAX_PATH);
  EXPECT_EQ(0, ::lstrcmpiW(expected, system.Get()));
  EXPECT_EQ(std::wstring::npos, std::wstring(system.View()).find(L'\0'));
}

TEST_F(FileInfo, TemporaryFiles) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  struct Case {
    const wchar_t* prefix;  // null: the default
    const wchar_t* start;
  };
  const Case cases[] = {
      {nullptr, L"CMN"}, {L"log_", L"LOG"}, {L"x", L"X"}, {L"", L""}, {L"\u00E6b", L"\u00C6B"}};
  for (const auto& c : cases) {
    Bstr prefix = c.prefix ? Bstr(c.prefix) : Bstr(L"cmn_");
    BSTR raw = prefix.Get();
    Bstr name;
    ASSERT_EQ(S_OK, o_->lpVtbl->cmn_GetTempFile(o_, &raw, name.Out()));
    EXPECT_EQ(c.prefix ? c.prefix : L"cmn_", std::wstring(kb::View(raw)));
    const std::wstring path(name.View());
    ASSERT_EQ(0, ::_wcsnicmp(folder, path.c_str(), ::wcslen(folder))) << c.start;
    const std::wstring file = path.substr(::wcslen(folder));
    EXPECT_EQ(c.start, file.substr(0, ::wcslen(c.start)));
    EXPECT_EQ(0, ::lstrcmpiW(L".tmp", file.substr(file.size() - 4).c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(path.c_str())) << "not created";
    ::DeleteFileW(path.c_str());
  }
}

TEST_F(FileInfo, FreeFileNumber) {
  long number = 0;
  ASSERT_EQ(S_OK, o_->lpVtbl->cmn_FreeFile(o_, &number));
  EXPECT_EQ(1, number);
}

// ---- the drive list ----------------------------------------------------------------

// A drive as the file system object shows one; a name that is absent
// cannot be read (no medium, or no such member).
class FakeDrive : public DispatchObject {
 public:
  FakeDrive(std::wstring letter, long type, const wchar_t* volume, const wchar_t* share = nullptr)
      : DispatchObject(L"Drive") {
    Property(L"DriveLetter", [letter](Invocation& c) { c.ReturnText(letter); });
    Property(L"DriveType", [type](Invocation& c) { c.ReturnI4(type); });
    Property(L"VolumeName",
             [volume = std::wstring(volume ? volume : L""), ok = volume != nullptr](Invocation& c) {
               if (!ok) kb::support::RaiseRuntimeError(71, L"Disk not ready");
               c.ReturnText(volume);
             });
    if (share)
      Property(L"ShareName", [s = std::wstring(share)](Invocation& c) { c.ReturnText(s); });
  }
};

class FakeFileSystem : public DispatchObject {
 public:
  explicit FakeFileSystem(std::vector<kb::ComPtr<FakeDrive>> drives)
      : DispatchObject(L"FileSystemObject"), drives_(std::move(drives)) {
    collection_ = kb::support::Make<Collection>(this);
    Property(L"Drives", [this](Invocation& c) { c.ReturnObject(collection_->Disp()); });
  }

 private:
  class Collection : public DispatchObject {
   public:
    explicit Collection(FakeFileSystem* owner) : DispatchObject(L"Drives") {
      Property(L"_NewEnum", [owner](Invocation& c) {
        std::vector<Variant> items(owner->drives_.size());
        for (size_t i = 0; i < items.size(); ++i) {
          V_VT(items[i].Get()) = VT_DISPATCH;
          V_DISPATCH(items[i].Get()) = owner->drives_[i]->Disp();
          owner->drives_[i]->AddRef();
        }
        c.ReturnUnknown(kb::support::VariantEnumerator::Create(std::move(items)).Get());
      });
      SetDispId(L"_NewEnum", DISPID_NEWENUM);
    }
  };
  std::vector<kb::ComPtr<FakeDrive>> drives_;
  kb::ComPtr<Collection> collection_;
};

std::wstring DriveListOf(std::vector<kb::ComPtr<FakeDrive>> drives) {
  auto fso = kb::support::Make<FakeFileSystem>(std::move(drives));
  const Variant list = kb::files::DriveList(fso->Disp());
  if (list.Type() == VT_EMPTY) return L"<Empty>";
  return std::wstring(kb::View(V_BSTR(list.Get())));
}

kb::ComPtr<FakeDrive> Drive(const wchar_t* letter, long type, const wchar_t* volume,
                            const wchar_t* share = nullptr) {
  return kb::support::Make<FakeDrive>(letter, type, volume, share);
}

TEST_F(FileInfo, DriveListRules) {
  EXPECT_EQ(L"C;SYSTEMD;DATA", DriveListOf({Drive(L"C", 2, L"SYSTEM"), Drive(L"D", 2, L"DATA")}));
  // A name that cannot be read leaves the one before it; the first has none.
  EXPECT_EQ(L"A;C;SYSTEME;SYSTEM", DriveListOf({Drive(L"A", 1, nullptr), Drive(L"C", 2, L"SYSTEM"),
                                                Drive(L"E", 4, nullptr)}));
  // A network drive shows its share; where the object lacks ShareName it is
  // looked up, and a drive with no connection behind it keeps the last name.
  EXPECT_EQ(L"C;SYSN;\\\\srv\\data",
            DriveListOf({Drive(L"C", 2, L"SYS"), Drive(L"N", 3, L"ignored", L"\\\\srv\\data")}));
  EXPECT_EQ(L"C;SYSQ;SYS", DriveListOf({Drive(L"C", 2, L"SYS"), Drive(L"Q", 3, L"ignored")}));
  EXPECT_EQ(L"<Empty>", DriveListOf({}));
  const Variant none = kb::files::DriveList(nullptr);
  EXPECT_EQ(VT_EMPTY, none.Type());
}

TEST_F(FileInfo, TheMachinesDriveList) {
  Variant list;
  ASSERT_EQ(S_OK, o_->lpVtbl->cmn_GetDriveList(o_, list.Out()));
  ASSERT_EQ(VT_BSTR, list.Type());
  // Wine's drives carry no volume names.
  std::wstring expected;
  const DWORD drives = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (drives & (1u << i)) expected += std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L";";
  EXPECT_EQ(expected, kb::View(V_BSTR(list.Get())));
  EXPECT_EQ(0u, std::wstring(kb::View(V_BSTR(list.Get()))).find(L"C;"));
}

}  // namespace
