// Path strings called early bound as a VB client calls them: paths taken
// apart, the system's path forms (long names, network names, the current
// folder past its 255-character buffer, the library's own folder), and paths
// shortened to fit a label of a real form.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "files/path_strings.h"
#include "frame/interfaces.h"
#include "runtime/handles.h"
#include "tests/files/file_tree.h"
#include "tests/files/files_test.h"
#include "tests/frame/frame_test.h"
#include "tests/support/forms.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kbtest::FileTree;
using namespace kbtest;
using namespace std::string_literals;

Apartment apartment;

class PathStrings : public CommonTest {
 protected:
  std::wstring ReturnFileName(const std::wstring& path, VARIANT_BOOL kill = VARIANT_FALSE) {
    Bstr p(path), out;
    BSTR raw = p.Get();
    const HRESULT hr = o_->lpVtbl->cmn_ReturnFileName(o_, &raw, &kill, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring FilePath(const std::wstring& name) {
    Bstr p(name), out;
    BSTR raw = p.Get();
    const HRESULT hr = o_->lpVtbl->cmn_GetFilePath(o_, &raw, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring Extension(const std::wstring& name) {
    Bstr p(name), out;
    BSTR raw = p.Get();
    const HRESULT hr = o_->lpVtbl->cmn_GetFileExtension(o_, &raw, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring AddSlash(const std::wstring& path, const wchar_t* ch) {
    Bstr p(path), c(ch), out;
    BSTR rawPath = p.Get(), rawChar = c.Get();
    const HRESULT hr = o_->lpVtbl->cmn_AddSlash(o_, &rawPath, &rawChar, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring LongName(const std::wstring& name) {
    Bstr p(name), out;
    const HRESULT hr = o_->lpVtbl->cmn_GetLongFilename(o_, p.Get(), out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring CurDir(VARIANT_BOOL ensureSlash = VARIANT_TRUE) {
    Bstr out;
    const HRESULT hr = o_->lpVtbl->cmn_GetCurDir(o_, &ensureSlash, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  std::wstring SetCurDir(const std::wstring& folder) {
    Bstr p(folder);
    BSTR raw = p.Get();
    const HRESULT hr = o_->lpVtbl->cmn_SetCurDir(o_, &raw);
    const std::wstring back(kb::View(raw));
    if (raw != p.Get()) p.Reset(raw);
    return FAILED(hr) ? Failure(hr) : back;
  }
  std::wstring Unc(const wchar_t* drive) {
    Bstr d(drive), out;
    const HRESULT hr = o_->lpVtbl->cmn_GetUNCPath(o_, d.Get(), out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
};

TEST_F(PathStrings, FileNamesPathsAndExtensions) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* withoutExtension;
    const wchar_t* folder;
    const wchar_t* extension;
  };
  const Case cases[] = {
      {L"C:\\Dir\\Report.txt", L"Report.txt", L"Report", L"C:\\Dir", L"txt"},
      {L"C:\\Dir\\", L"", L"", L"C:\\Dir", L"ir\\"},
      {L"Report.txt", L"Report.txt", L"Report", L"", L"txt"},
      {L"C:\\abc", L"abc", L"abc", L"C:", L"abc"},  // three characters stay whole
      {L"C:\\abcd", L"abcd", L"", L"C:", L"bcd"},   // four go entirely
      {L"C:/Dir/Report.txt", L"C:/Dir/Report.txt", L"C:/Dir/Report", L"C:", L"txt"},
      {L"C:File.txt", L"C:File.txt", L"C:File", L"C:", L"txt"},
      {L"\\\\server\\share\\file.doc", L"file.doc", L"file", L"\\\\server\\share", L"doc"},
      {L"archive.gz", L"archive.gz", L"archiv", L"", L".gz"},  // the cut is blind
      {L"README", L"README", L"RE", L"", L"DME"},
      {L"ab", L"ab", L"ab", L"", L""},
      {L"", L"", L"", L"", L""},
      {L"C:\\M\u00F8bler\\\u00C6bler.\u00E5\u00E6\u00F8", L"\u00C6bler.\u00E5\u00E6\u00F8",
       L"\u00C6bler", L"C:\\M\u00F8bler", L"\u00E5\u00E6\u00F8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.name, ReturnFileName(c.path)) << c.path;
    EXPECT_EQ(c.withoutExtension, ReturnFileName(c.path, VARIANT_TRUE)) << c.path;
    EXPECT_EQ(c.withoutExtension, ReturnFileName(c.path, 1)) << c.path;  // any non-zero value
    EXPECT_EQ(c.folder, FilePath(c.path)) << c.path;
    EXPECT_EQ(c.extension, Extension(c.path)) << c.path;
  }
}

TEST_F(PathStrings, ReturnFileNameCountsIn16Bits) {
  EXPECT_EQ(std::wstring(32767, L'n'), ReturnFileName(std::wstring(32767, L'n')));
  EXPECT_EQ(L"#6", ReturnFileName(std::wstring(32768, L'n')));
  EXPECT_EQ(L"#6", ReturnFileName(L"C:\\" + std::wstring(32766, L'n')));
}

TEST_F(PathStrings, AddSlash) {
  EXPECT_EQ(L"C:\\Temp\\", AddSlash(L"C:\\Temp", L"\\"));
  EXPECT_EQ(L"C:\\Temp\\", AddSlash(L"C:\\Temp\\", L"\\"));
  EXPECT_EQ(L"\\", AddSlash(L"", L"\\"));
  EXPECT_EQ(L"a;b;", AddSlash(L"a;b;", L";"));
  EXPECT_EQ(L"x\\\\\\", AddSlash(L"x\\", L"\\\\"));  // two characters always go on
  EXPECT_EQ(L"x", AddSlash(L"x", L""));
}

TEST_F(PathStrings, LongFileNames) {
  FileTree tree(L"long");
  tree.File(L"Et langt filnavn med \u00E6\u00F8\u00E5.tekst", 10);
  tree.File(L"tom fil.tekst", 0);
  tree.Sparse(L"stor fil.tekst", 3ull << 30);
  for (const wchar_t* name :
       {L"Et langt filnavn med \u00E6\u00F8\u00E5.tekst", L"tom fil.tekst", L"stor fil.tekst"}) {
    const std::wstring full = tree.Path(name);
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetShortPathNameW(full.c_str(), shortName, MAX_PATH));
    EXPECT_NE(full, shortName);
    EXPECT_EQ(full, LongName(shortName)) << name;
    EXPECT_EQ(full, LongName(full)) << name;
  }
  // The file's length is read first: a missing file fails before the system
  // is asked, a folder has none and is asked for its long name all the same.
  EXPECT_EQ(L"#53", LongName(tree.Path(L"missing.tekst")));
  EXPECT_EQ(tree.Root(), LongName(tree.Root()));
}

TEST_F(PathStrings, NetworkNames) {
  EXPECT_EQ(L"", Unc(L"C:"));
  EXPECT_EQ(L"", Unc(L"Q:"));
  EXPECT_EQ(L"", Unc(L""));
  struct Case {
    std::string buffer;
    const wchar_t* name;
  };
  const Case cases[] = {
      {"  \\\\srv\\share  \0\\\\old\\name"s, L"\\\\srv\\share"},
      {std::string(80, '\0'), L""},
      {std::string(80, 'x'), nullptr},  // no NUL: the whole buffer
      {"\\\\s\\d\xE6\xF8\xE5\0"s, L"\\\\s\\d\u00E6\u00F8\u00E5"},
  };
  for (const auto& c : cases) {
    const Bstr name = kb::files::NetworkNameIn(c.buffer.data(), c.buffer.size());
    EXPECT_EQ(c.name ? std::wstring(c.name) : std::wstring(80, L'x'), name.View());
  }
}

TEST_F(PathStrings, AppPathIsTheLibrarysFolder) {
  Variant path;
  ASSERT_EQ(S_OK, o_->lpVtbl->cmn_AppPath(o_, path.Out()));
  ASSERT_EQ(VT_BSTR, path.Type());
  wchar_t dll[MAX_PATH * 2] = {};
  ASSERT_NE(0u, ::GetEnvironmentVariableW(L"KITBAG_DLL", dll, MAX_PATH * 2));
  std::wstring folder(dll);
  folder.resize(folder.find_last_of(L'\\') + 1);
  EXPECT_EQ(0, ::lstrcmpiW(folder.c_str(), V_BSTR(path.Get())));
}

// Moves the current folder for a test and back again.
class CurrentFolder {
 public:
  CurrentFolder() {
    wchar_t here[4096];
    ::GetCurrentDirectoryW(4096, here);
    saved_ = here;
  }
  ~CurrentFolder() { ::SetCurrentDirectoryW(saved_.c_str()); }

 private:
  std::wstring saved_;
};

TEST_F(PathStrings, CurrentFolder) {
  FileTree tree(L"cur");
  CurrentFolder keep;
  tree.Folder(L"\u00C6bler og p\u00E6rer");
  const std::wstring danish = tree.Path(L"\u00C6bler og p\u00E6rer");
  EXPECT_EQ(danish, SetCurDir(danish));
  EXPECT_EQ(danish + L"\\", CurDir());
  EXPECT_EQ(danish, CurDir(VARIANT_FALSE));
  EXPECT_EQ(danish, CurDir(1));  // only exactly True adds the backslash

  EXPECT_EQ(L"C:\\", SetCurDir(L"C:\\"));
  EXPECT_EQ(L"C:\\", CurDir());  // not doubled at a drive root
  EXPECT_EQ(L"C:\\", CurDir(VARIANT_FALSE));

  // A folder the call cannot reach changes nothing; a character outside the
  // code page comes back to the caller as "?".
  EXPECT_EQ(tree.Path(L"?"), SetCurDir(tree.Path(L"\u0100")));
  EXPECT_EQ(L"C:\\", CurDir());
}

TEST_F(PathStrings, CurrentFolderLongerThanItsBuffer) {
  FileTree tree(L"deep");
  CurrentFolder keep;
  std::wstring folder = tree.Root();
  while (folder.size() < 240) {
    folder += L"\\mappe";
    ::CreateDirectoryW(folder.c_str(), nullptr);
  }
  // 257 characters: more than the 255-character buffer, fewer than the
  // system's ANSI limit.
  folder += L"\\" + std::wstring(257 - folder.size() - 1, L'x');
  ASSERT_EQ(257u, folder.size());
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  EXPECT_EQ(folder + L"\\", CurDir());
  EXPECT_EQ(folder, CurDir(VARIANT_FALSE));

  // Past the ANSI functions' limit there is no answer to give: an error, not
  // the drive's root.
  folder += L"\\" + std::wstring(60, L'y');
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  EXPECT_EQ(L"#75", CurDir());
}

// ---- a path shortened for a label -------------------------------------------------

class ShortPath : public PathStrings {
 protected:
  std::wstring Shorten(IDispatch* frm, IDispatch* lbl, const std::wstring& path) {
    Bstr text(path), out;
    BSTR raw = text.Get();
    const HRESULT hr = o_->lpVtbl->cmn_ShowShortPathAPI(o_, &frm, &lbl, &raw, out.Out());
    return FAILED(hr) ? Failure(hr) : std::wstring(out.View());
  }
  // What the system makes of a path for a width in pixels on the form.
  std::wstring Expected(const std::wstring& path, int width) {
    std::string bytes(path.size() + 1, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), bytes.data(),
                          static_cast<int>(path.size()), nullptr, nullptr);
    ::PathCompactPathA(form_->Hdc(), bytes.data(), static_cast<UINT>(width));
    std::wstring back(path.size(), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(path.size()), back.data(),
                          static_cast<int>(path.size()));
    return back;
  }

  kb::ComPtr<kb::support::Form> form_ = kb::support::Make<kb::support::Form>();
};

TEST_F(ShortPath, FitsTheLabelAndKeepsTheRestBehindTheNul) {
  auto narrow = form_->AddLabel(L"lblNarrow", {{8, 8, 90, 17}});
  auto wide = form_->AddLabel(L"lblWide", {{8, 30, 460, 17}});
  const std::wstring path = L"C:\\Programmer\\Regnskab\\Kunder\\\u00C5rsopg\u00F8relse.xls";
  EXPECT_EQ(kb::support::kScaleTwips, form_->ScaleMode());

  const std::wstring shortened = Shorten(form_.Get(), narrow.Get(), path);
  // The label is read in pixels, less the form's line width.
  EXPECT_EQ(kb::support::kScalePixels, form_->ScaleMode());
  EXPECT_EQ(Expected(path, 90 - 1), shortened);
  ASSERT_EQ(path.size(), shortened.size());
  const size_t nul = shortened.find(L'\0');
  ASSERT_NE(std::wstring::npos, nul);
  EXPECT_NE(std::wstring::npos, shortened.substr(0, nul).find(L"..."));
  EXPECT_EQ(path.substr(nul + 1), shortened.substr(nul + 1));

  EXPECT_EQ(path, Shorten(form_.Get(), wide.Get(), path));
  // Too narrow for anything: what the system writes may be longer than a
  // short path, and only the path's own length comes back.
  auto tiny = form_->AddLabel(L"lblTiny", {{8, 60, 3, 17}});
  for (const wchar_t* shortPath : {L"a", L"x\\y", L"C:\\a\\b.txt"})
    EXPECT_EQ(std::wcslen(shortPath), Shorten(form_.Get(), tiny.Get(), shortPath).size());
  EXPECT_EQ(L"", Shorten(form_.Get(), narrow.Get(), L""));
  // The system takes no path of MAX_PATH characters or more.
  const std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\f.txt";
  EXPECT_EQ(tooLong, Shorten(form_.Get(), narrow.Get(), tooLong));
}

TEST_F(ShortPath, ObjectsWithoutTheMembersFail) {
  auto label = form_->AddLabel(L"lbl");
  auto line = form_->Add<kb::support::Line>(L"Line1", kb::support::LineOptions{});
  EXPECT_EQ(L"#438", Shorten(form_.Get(), line.Get(), L"C:\\a\\b.txt"));
  EXPECT_EQ(L"#438", Shorten(label.Get(), label.Get(), L"C:\\a\\b.txt"));
  EXPECT_EQ(L"#91", Shorten(nullptr, label.Get(), L"C:\\a\\b.txt"));
}

}  // namespace
