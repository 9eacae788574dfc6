// The runtime's file numbers and sequential text files, on real files.
#include "runtime/file_numbers.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/errors.h"
#include "runtime/thread_state.h"

namespace {

using kb::rt::FileMode;

// A scratch folder of the test's own, emptied and removed afterwards.
class FileNumbers : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"kitbag-file-numbers";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (short n = 1; n <= 511; ++n) kb::rt::Close(n);
    for (const auto& name : created_) ::DeleteFileW(name.c_str());
    ::RemoveDirectoryW(folder_.c_str());
  }
  std::wstring Path(const std::wstring& name) {
    created_.push_back(folder_ + L"\\" + name);
    return created_.back();
  }
  static std::string Bytes(const std::wstring& path) {
    std::string out;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n) out.append(buffer, n);
    ::CloseHandle(h);
    return out;
  }
  static void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    ::CloseHandle(h);
  }
  std::wstring folder_;
  std::vector<std::wstring> created_;
};

TEST_F(FileNumbers, FreeFileHandsOutTheLowestNumberNotInUse) {
  EXPECT_EQ(1, kb::rt::FreeFile());
  kb::rt::Open(Path(L"a.txt"), FileMode::Output, 1);
  kb::rt::Open(Path(L"b.txt"), FileMode::Output, 3);
  EXPECT_EQ(2, kb::rt::FreeFile());
  kb::rt::Close(1);
  EXPECT_EQ(1, kb::rt::FreeFile());
  EXPECT_TRUE(kb::rt::IsOpen(3));
  EXPECT_FALSE(kb::rt::IsOpen(1));
}

TEST_F(FileNumbers, AllNumbersTakenIsTooManyFiles) {
  const std::wstring path = Path(L"shared.txt");
  WriteBytes(path, "x");
  for (short n = 1; n <= 255; ++n) kb::rt::Open(path, FileMode::Input, n);
  try {
    kb::rt::FreeFile();
    FAIL() << "FreeFile gave a number with every number taken";
  } catch (const kb::Error& e) {
    EXPECT_EQ(67, e.Number());
  }
}

TEST_F(FileNumbers, EachThreadHasItsOwnTableClosedWithItsLastObject) {
  kb::rt::Open(Path(L"mine.txt"), FileMode::Output, 1);
  short other = 0;
  std::string written;
  std::thread([&] {
    {
      const kb::rt::ThreadUse object;  // as an object of the library on this thread
      other = kb::rt::FreeFile();
      kb::rt::Open(Path(L"theirs.txt"), FileMode::Output, other);
      kb::rt::PrintLine(other, L"left open");
    }
    // The thread's last object went: its file was written and closed there,
    // not at some later thread exit.
    written = Bytes(Path(L"theirs.txt"));
  }).join();
  EXPECT_EQ(1, other);
  EXPECT_EQ("left open\r\n", written);
  EXPECT_EQ(2, kb::rt::FreeFile());
}

TEST_F(FileNumbers, OutputWritesAnsiLinesWithCrLfAndTruncates) {
  const std::wstring path = Path(L"out.txt");
  WriteBytes(path, "an older and much longer content\r\n");
  {
    kb::rt::OpenedFile file(path, FileMode::Output, 7);
    kb::rt::PrintLine(7, L"Søren Æblegrød");
    kb::rt::Print(7, L"a;");
    kb::rt::PrintLine(7, L"\u20AC \u0100 \u4E2D");  // euro is in the code page, the others not
  }
  EXPECT_EQ("S\xF8ren \xC6\x62legr\xF8\x64\r\na;\x80 ? ?\r\n", Bytes(path));
}

TEST_F(FileNumbers, AppendWritesBehindTheEnd) {
  const std::wstring path = Path(L"log.txt");
  WriteBytes(path, "first\r\n");
  kb::rt::Open(path, FileMode::Append, 2);
  kb::rt::PrintLine(2, L"second");
  kb::rt::Close(2);
  EXPECT_EQ("first\r\nsecond\r\n", Bytes(path));
}

TEST_F(FileNumbers, LinesEndAtCrOrCrLfAndALoneLfStaysInTheLine) {
  const std::wstring path = Path(L"in.txt");
  WriteBytes(path, "one\r\ntwo\rthree\nfour\r\n\r\nl\xE6st");
  kb::rt::Open(path, FileMode::Input, 1);
  std::vector<std::wstring> lines;
  while (!kb::rt::Eof(1)) lines.emplace_back(kb::View(kb::rt::LineInput(1).Get()));
  const std::vector<std::wstring> expected = {L"one", L"two", L"three\nfour", L"", L"læst"};
  EXPECT_EQ(expected, lines);
}

TEST_F(FileNumbers, LongLinesCrossTheReadBlocks) {
  const std::wstring path = Path(L"long.txt");
  const std::string a(100000, 'a'), b(70000, 'b');
  WriteBytes(path, a + "\r" + "\n" + b);
  kb::rt::Open(path, FileMode::Input, 1);
  EXPECT_EQ(a.size(), kb::View(kb::rt::LineInput(1).Get()).size());
  EXPECT_EQ(b.size(), kb::View(kb::rt::LineInput(1).Get()).size());
  EXPECT_TRUE(kb::rt::Eof(1));
}

TEST_F(FileNumbers, ManyLinesReachTheDiskWhenClosed) {
  const std::wstring path = Path(L"many.txt");
  kb::rt::Open(path, FileMode::Output, 1);
  for (int i = 0; i < 20000; ++i) kb::rt::PrintLine(1, L"line " + std::to_wstring(i));
  kb::rt::Close(1);
  kb::rt::Open(path, FileMode::Input, 1);
  int count = 0;
  std::wstring last;
  while (!kb::rt::Eof(1)) {
    last = kb::View(kb::rt::LineInput(1).Get());
    ++count;
  }
  EXPECT_EQ(20000, count);
  EXPECT_EQ(L"line 19999", last);
}

TEST_F(FileNumbers, FailuresAreTheRuntimesFileErrors) {
  const std::wstring missing = Path(L"missing.txt");
  const std::wstring there = Path(L"there.txt");
  WriteBytes(there, "x\r\n");
  struct Case {
    const char* what;
    long error;
    std::function<void()> action;
  };
  const Case cases[] = {
      {"input of a missing file", 53, [&] { kb::rt::Open(missing, FileMode::Input, 1); }},
      {"a missing folder", 76,
       [&] { kb::rt::Open(folder_ + L"\\no\\such.txt", FileMode::Output, 1); }},
      {"number 0", 52, [&] { kb::rt::Open(there, FileMode::Input, 0); }},
      {"number 512", 52, [&] { kb::rt::Open(there, FileMode::Input, 512); }},
      {"an empty name", 52, [&] { kb::rt::Open(L"", FileMode::Input, 1); }},
      {"a number already open", 55,
       [&] {
         kb::rt::Open(there, FileMode::Input, 1);
         kb::rt::Open(there, FileMode::Input, 1);
       }},
      {"reading an output file", 54,
       [&] {
         kb::rt::Open(Path(L"o.txt"), FileMode::Output, 1);
         kb::rt::LineInput(1);
       }},
      {"writing an input file", 54,
       [&] {
         kb::rt::Open(there, FileMode::Input, 1);
         kb::rt::PrintLine(1, L"x");
       }},
      {"writing a number not open", 52, [&] { kb::rt::PrintLine(9, L"x"); }},
      {"reading past the end", 62,
       [&] {
         kb::rt::Open(there, FileMode::Input, 1);
         kb::rt::LineInput(1);
         kb::rt::LineInput(1);
       }},
      {"writing a file another holds for output", 70,
       [&] {
         kb::rt::Open(Path(L"held.txt"), FileMode::Output, 2);
         kb::rt::Open(Path(L"held.txt"), FileMode::Output, 1);
       }},
  };
  for (const Case& c : cases) {
    long error = 0;
    try {
      c.action();
    } catch (const kb::Error& e) {
      error = e.Number();
    }
    EXPECT_EQ(c.error, error) << c.what;
    for (short n = 1; n <= 9; ++n) kb::rt::Close(n);
  }
}

}  // namespace
