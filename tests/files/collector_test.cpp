// The file collector over trees the tests build: names, totals, subfolders,
// sorting, the list shared by the thread's objects, the 16-bit file count,
// names outside the code page, and event handlers that call back into the
// collecting object while it works.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "files/file_system.h"
#include "frame/classes.h"
#include "frame/interfaces.h"
#include "frame/object.h"
#include "runtime/casing.h"
#include "runtime/dir.h"
#include "runtime/handles.h"
#include "tests/files/file_tree.h"
#include "tests/frame/frame_test.h"

namespace {

using kb::Bstr;
using kb::Variant;
using kbtest::FileTree;
using namespace kbtest;

// Runs a test's body on a thread of its own, joined to its own apartment:
// the file list belongs to the thread, so every body starts with none.
void OnFreshThread(std::function<void()> body) {
  struct Start {
    static DWORD WINAPI Run(void* p) {
      kb::support::Apartment apartment;
      (*static_cast<std::function<void()>*>(p))();
      return 0;
    }
  };
  kb::Handle thread(::CreateThread(nullptr, 0, Start::Run, &body, 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 120000));
}

// A clsCommon object of the registered library, early bound.
class Common {
 public:
  Common() : object_(Create(L"Kitbag.clsCommon")), o_(Early<kb::_clsCommon>(object_)) {}
  IDispatch* Dispatch() const { return object_.Get(); }

  long Collect(const std::wstring& folder, const std::wstring& pattern,
               VARIANT_BOOL subFolders = VARIANT_FALSE, VARIANT_BOOL sort = VARIANT_TRUE) {
    Bstr start(folder), ext(pattern);
    BSTR rawExt = ext.Get();
    long total = -1;
    EXPECT_EQ(S_OK, o_->lpVtbl->cmn_CreateFileArray(o_, start.Get(), &rawExt, &subFolders, &sort,
                                                    &total));
    return total;
  }
  // The thread's list; "<none>" while it has no array.
  std::vector<std::wstring> List() {
    Variant v;
    EXPECT_EQ(S_OK, o_->lpVtbl->get_cmn_FileArray(o_, v.Out()));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, v.Type());
    SAFEARRAY* a = V_ARRAY(v.Get());
    if (!a) return {L"<none>"};
    std::vector<std::wstring> out;
    for (ULONG i = 0; i < a->rgsabound[0].cElements; ++i)
      out.emplace_back(kb::View(static_cast<BSTR*>(a->pvData)[i]));
    return out;
  }

 private:
  kb::ComPtr<IDispatch> object_;
  kb::_clsCommon* o_;
};

using Names = std::vector<std::wstring>;

// Names as the system lists a folder, lower-cased: the order of an
// unsorted collection.
Names ListedOrder(const std::wstring& folder) {
  Names names;
  WIN32_FIND_DATAW data;
  kb::FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        names.push_back(kb::rt::LowerCase(data.cFileName));
    } while (::FindNextFileW(find.Get(), &data));
  }
  return names;
}

class Collector : public ::testing::Test {
 protected:
  FileTree tree_{L"collect"};
};

TEST_F(Collector, NamesLowerCasedSortedAndSized) {
  tree_.File(L"b.txt", 10);
  tree_.File(L"A.txt", 200);
  tree_.File(L"c.TXT", 3000);
  tree_.File(L"skip.dat", 7);
  tree_.Folder(L"sub");
  tree_.File(L"sub\\deeper.txt", 5);
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(Names{L"<none>"}, c.List());
    EXPECT_EQ(3210, c.Collect(tree_.Root(), L"*.txt"));
    EXPECT_EQ((Names{L"a.txt", L"b.txt", L"c.txt"}), c.List());
  });
}

TEST_F(Collector, SubFoldersRepeatNamesWithoutTheirFolder) {
  tree_.File(L"one.txt", 1);
  tree_.File(L"sub1\\one.txt", 20);
  tree_.File(L"sub1\\two.txt", 300);
  tree_.File(L"sub2\\\u00E6ble.txt", 4000);
  tree_.File(L"sub2\\deep\\\u00C5en.txt", 50000);
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(54321, c.Collect(tree_.Root(), L"*.*", VARIANT_TRUE));
    EXPECT_EQ((Names{L"one.txt", L"one.txt", L"two.txt", L"\u00E5en.txt", L"\u00E6ble.txt"}),
              c.List());
  });
}

TEST_F(Collector, OnlyExactTrueDescendsAndSorts) {
  tree_.File(L"a.txt", 1);
  tree_.File(L"_x.txt", 2);
  tree_.File(L"Zed.txt", 4);
  tree_.File(L"sub\\s.txt", 8);
  const Names unsorted = ListedOrder(tree_.Root());
  Names sorted = unsorted;
  std::sort(sorted.begin(), sorted.end());
  // The system's order differs from code-unit order ("_" sorts last there),
  // so an unsorted list shows.
  ASSERT_NE(sorted, unsorted);
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(7, c.Collect(tree_.Root(), L"*.txt", 1, 1));
    EXPECT_EQ(unsorted, c.List());
  });
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(15, c.Collect(tree_.Root(), L"*.txt", VARIANT_TRUE, VARIANT_TRUE));
    Names all = sorted;
    all.push_back(L"s.txt");
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, c.List());
  });
}

TEST_F(Collector, SuccessiveCallsAddTheirNames) {
  tree_.File(L"first\\m.txt", 1);
  tree_.File(L"first\\z.txt", 2);
  tree_.File(L"second\\a.txt", 40);
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(3, c.Collect(tree_.Root() + L"\\first", L"*.txt"));
    EXPECT_EQ(40, c.Collect(tree_.Root() + L"\\second", L"*.txt"));
    EXPECT_EQ((Names{L"a.txt", L"m.txt", L"z.txt"}), c.List());
    // Without sorting the new names stay behind the old ones.
    EXPECT_EQ(3, c.Collect(tree_.Root() + L"\\first", L"*.txt", VARIANT_FALSE, VARIANT_FALSE));
    EXPECT_EQ((Names{L"a.txt", L"m.txt", L"z.txt", L"m.txt", L"z.txt"}), c.List());
  });
}

TEST_F(Collector, ANewObjectStartsOverAtTheFirstElement) {
  tree_.File(L"one\\p.txt", 1);
  tree_.File(L"one\\q.txt", 1);
  tree_.File(L"two\\r.txt", 1);
  tree_.File(L"two\\s.txt", 1);
  OnFreshThread([&] {
    Common first;
    first.Collect(tree_.Root() + L"\\one", L"*.txt");
    Common second;
    second.Collect(tree_.Root() + L"\\two", L"*.txt");
    // Its count starts at 0: element 0 keeps its text and gains the first
    // name, and the list is cut behind the second.
    EXPECT_EQ((Names{L"p.txtr.txt", L"s.txt"}), second.List());
    EXPECT_EQ(first.List(), second.List());
  });
}

TEST_F(Collector, AFolderLinkBackUpTheTreeIsNotEntered) {
  // a.txt, sub\\b.txt and sub\\back, a link to the tree's root (made by the
  // test's fixture on the host).
  const char* tree = std::getenv("KITBAG_LINK_TREE");
  ASSERT_NE(nullptr, tree) << "the link tree was not made";
  const std::wstring root(tree, tree + std::strlen(tree));
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(3, c.Collect(root, L"*.*", VARIANT_TRUE));
    EXPECT_EQ((Names{L"a.txt", L"b.txt"}), c.List());
  });
}

TEST_F(Collector, MissingFoldersAndPatternsGiveNothing) {
  tree_.File(L"a.txt", 5);
  tree_.File(L"txt", 6);
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(0, c.Collect(tree_.Root() + L"\\missing", L"*.*", VARIANT_TRUE));
    EXPECT_EQ(0, c.Collect(tree_.Root() + L"\\a.txt", L"*.*", VARIANT_TRUE));
    EXPECT_EQ(0, c.Collect(L"", L"*.*"));
    EXPECT_EQ(Names{L"<none>"}, c.List());
    // A bare extension names one file of that exact name.
    EXPECT_EQ(6, c.Collect(tree_.Root(), L"txt"));
    EXPECT_EQ(Names{L"txt"}, c.List());
  });
}

TEST_F(Collector, HiddenFilesAreLeftOutHiddenFoldersWalked) {
  tree_.File(L"seen.txt", 1);
  tree_.File(L"hidden.txt", 2);
  tree_.Hide(L"hidden.txt");
  tree_.File(L"secret\\inner.txt", 4);
  tree_.Hide(L"secret");
  OnFreshThread([&] {
    Common c;
    EXPECT_EQ(5, c.Collect(tree_.Root(), L"*.*", VARIANT_TRUE));
    EXPECT_EQ((Names{L"inner.txt", L"seen.txt"}), c.List());
  });
}

// Names outside the code page come back as the ANSI enumeration gives them
// (nearest letter or "?"), and their length cannot be read under that name.
TEST_F(Collector, NamesOutsideTheCodePageAsDirGivesThem) {
  tree_.File(L"plain.txt", 1);
  tree_.File(L"\u4E2D.txt", 20);
  tree_.File(L"\u0100bc.txt", 300);
  tree_.File(L"\u00E9t\u00E9.txt", 4000);
  for (const wchar_t* pattern : {L"*.*", L"*.txt"}) {
    OnFreshThread([&] {
      Common c;
      EXPECT_EQ(4001, c.Collect(tree_.Root(), pattern)) << pattern;
      Names viaDir;
      kb::rt::DirScan scan(tree_.Root() + L"\\" + pattern, 0);
      kb::rt::DirEntry e;
      while (scan.Next(e)) viaDir.push_back(kb::rt::LowerCase(e.name.View()));
      std::sort(viaDir.begin(), viaDir.end());
      EXPECT_EQ(viaDir, c.List()) << pattern;
      EXPECT_EQ((Names{L"?.txt", L"abc.txt", L"plain.txt", L"\u00E9t\u00E9.txt"}), c.List());
    });
  }
}

// The count goes past the 16-bit range: every name keeps an element of its
// own, and the sort covers the whole list.
TEST_F(Collector, FileCountGoesOnPastThe16BitRange) {
  tree_.File(L"c.txt", 1);
  tree_.File(L"b.txt", 1);
  tree_.File(L"a.txt", 1);
  OnFreshThread([&] {
    auto* object =
        static_cast<kb::frame::Common*>(kb::frame::CreateObject(kb::meta::ClassId::clsCommon));
    object->collector.fileCount = 32766;
    auto* me = object->Self();
    Bstr start(tree_.Root()), ext(L"*.txt");
    BSTR rawExt = ext.Get();
    VARIANT_BOOL sub = VARIANT_FALSE, sort = VARIANT_TRUE;
    long total = 0;
    ASSERT_EQ(S_OK, me->lpVtbl->cmn_CreateFileArray(me, start.Get(), &rawExt, &sub, &sort, &total));
    EXPECT_EQ(3, total);
    EXPECT_EQ(32769, object->collector.fileCount);
    Variant v;
    ASSERT_EQ(S_OK, me->lpVtbl->get_cmn_FileArray(me, v.Out()));
    SAFEARRAY* a = V_ARRAY(v.Get());
    ASSERT_EQ(32769u, a->rgsabound[0].cElements);
    BSTR* items = static_cast<BSTR*>(a->pvData);
    EXPECT_EQ(0u, ::SysStringLen(items[0]));
    EXPECT_EQ(L"a.txt", std::wstring(kb::View(items[32766])));
    EXPECT_EQ(L"b.txt", std::wstring(kb::View(items[32767])));
    EXPECT_EQ(L"c.txt", std::wstring(kb::View(items[32768])));
    object->Release();
  });
}

// ---- event handlers calling back in ------------------------------------------------

// A window of the test's thread whose messages run a handler, as a client's
// form runs its event procedures.
class HandlerWindow {
 public:
  explicit HandlerWindow(std::function<void(UINT)> handler) : handler_(std::move(handler)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KitbagCollectorHandler";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~HandlerWindow() { ::DestroyWindow(hwnd_); }
  void Post(UINT code) { ::PostMessageW(hwnd_, WM_APP, code, 0); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<HandlerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_APP && self) {
      self->handler_(static_cast<UINT>(wp));
      return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  std::function<void(UINT)> handler_;
  HWND hwnd_;
};

TEST_F(Collector, HandlerCallingBackDuringTheWalk) {
  tree_.File(L"outer\\k.txt", 1);
  tree_.File(L"outer\\l.txt", 2);
  tree_.File(L"outer\\sub\\m.txt", 4);
  tree_.File(L"inner\\b.txt", 100);
  tree_.File(L"inner\\a.txt", 200);
  OnFreshThread([&] {
    Common c;
    Names seenByHandler;
    long innerTotal = -1;
    int calls = 0;
    HandlerWindow window([&](UINT code) {
      ++calls;
      if (code == 1) {
        seenByHandler = c.List();
        innerTotal = c.Collect(tree_.Root() + L"\\inner", L"*.txt");
        // A message the handler posts runs before the collector goes on.
        ::PostMessageW(nullptr, WM_NULL, 0, 0);
      }
    });
    window.Post(1);
    const long total = c.Collect(tree_.Root() + L"\\outer", L"*.txt", VARIANT_TRUE);
    EXPECT_EQ(1, calls);
    // The handler ran after the first file, before the second.
    EXPECT_EQ(Names{L"k.txt"}, seenByHandler);
    EXPECT_EQ(300, innerTotal);
    // Each call counts its own files; the list holds everybody's, sorted.
    EXPECT_EQ(7, total);
    EXPECT_EQ((Names{L"a.txt", L"b.txt", L"k.txt", L"l.txt", L"m.txt"}), c.List());
  });
}

TEST_F(Collector, HandlerTurningSortingOff) {
  tree_.File(L"z.txt", 1);
  tree_.File(L"y.txt", 1);
  tree_.File(L"sub\\a.txt", 1);
  OnFreshThread([&] {
    Common c;
    HandlerWindow window([&](UINT) {
      // The same object's sort flag: the running collection sees it change.
      c.Collect(tree_.Root() + L"\\sub", L"*.none", VARIANT_FALSE, VARIANT_FALSE);
    });
    window.Post(0);
    c.Collect(tree_.Root(), L"*.txt", VARIANT_TRUE, VARIANT_TRUE);
    const Names listed = ListedOrder(tree_.Root());
    Names expected = listed;
    expected.push_back(L"a.txt");
    EXPECT_EQ(expected, c.List());
  });
}

}  // namespace
