// The runtime services the shell routines stand on (starting programs,
// creating objects by programmatic identifier, the random number generator
// and the timer) and the routines' own pure parts, called in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "runtime/create_object.h"
#include "runtime/errors.h"
#include "runtime/random.h"
#include "runtime/shell.h"
#include "runtime/timer.h"
#include "shell/shell_services.h"
#include "tests/shell/program_stub_log.h"
#include "tests/support/apartment.h"
#include "tests/support/runtime_checks.h"

namespace kb {
namespace {

using support::ErrorOf;

struct DrawJob {
  std::function<std::vector<float>()> draws;
  std::vector<float> result;
};

DWORD WINAPI RunDraws(void* p) {
  auto* job = static_cast<DrawJob*>(p);
  job->result = job->draws();
  return 0;
}

// Runs the draws on a thread of their own, whose generator starts afresh.
std::vector<float> OnNewThread(std::function<std::vector<float>()> draws) {
  DrawJob job{std::move(draws), {}};
  const Handle thread(::CreateThread(nullptr, 0, &RunDraws, &job, 0, nullptr));
  ::WaitForSingleObject(thread.Get(), INFINITE);
  return job.result;
}

// ------------------------------------------------------------- generator

TEST(RandomNumbers, AThreadThatNeverReseedsDrawsTheRuntimesOwnSequence) {
  const std::vector<float> first = OnNewThread([] {
    std::vector<float> d;
    for (int i = 0; i < 5; ++i) d.push_back(rt::Rnd());
    d.push_back(rt::Rnd(0));  // repeats the last draw
    return d;
  });
  const float expected[] = {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f, 0.301948f};
  ASSERT_EQ(first.size(), std::size(expected));
  for (size_t i = 0; i < first.size(); ++i) EXPECT_FLOAT_EQ(first[i], expected[i]) << "draw " << i;
  // Every thread starts from the same state.
  EXPECT_EQ(OnNewThread([] { return std::vector<float>{rt::Rnd()}; })[0], first[0]);
}

TEST(RandomNumbers, ANegativeNumberRestartsTheSequenceFromItsBits) {
  const std::vector<float> d = OnNewThread([] {
    return std::vector<float>{rt::Rnd(-1), rt::Rnd(), rt::Rnd(-1), rt::Rnd(-2)};
  });
  EXPECT_FLOAT_EQ(d[0], 0.224007f);
  EXPECT_EQ(d[2], d[0]);
  EXPECT_NE(d[1], d[0]);
  EXPECT_NE(d[3], d[0]);
}

TEST(RandomNumbers, ReseedingUsesTheHighHalfOfTheNumberOnly) {
  // From the same state: the same number, or one that differs only in its
  // low 32 bits, leads to the same draw; another number to another draw.
  auto drawAfter = [](double seed) {
    return OnNewThread([seed] {
      rt::Rnd(-7);
      rt::Randomize(seed);
      return std::vector<float>{rt::Rnd()};
    })[0];
  };
  const double nearOne = std::nextafter(1.0, 2.0);
  EXPECT_EQ(drawAfter(1.0), drawAfter(1.0));
  EXPECT_EQ(drawAfter(1.0), drawAfter(nearOne));
  EXPECT_NE(drawAfter(1.0), drawAfter(2.0));
  EXPECT_NE(drawAfter(1.0), drawAfter(43210.5));
  // Seeding keeps the outer bits of the state: the draw depends on where
  // the sequence stood, not only on the seed.
  const float fromOtherState = OnNewThread([] {
    rt::Rnd(-1);
    rt::Randomize(1.0);
    return std::vector<float>{rt::Rnd()};
  })[0];
  EXPECT_NE(fromOtherState, drawAfter(1.0));
}

TEST(RandomNumbers, DrawsStayBelowOne) {
  const std::vector<float> d = OnNewThread([] {
    std::vector<float> all;
    for (int i = 0; i < 20000; ++i) {
      if (i % 97 == 0) rt::Randomize();
      all.push_back(rt::Rnd());
    }
    return all;
  });
  for (float r : d) ASSERT_TRUE(r >= 0.0f && r < 1.0f) << r;
}

TEST(RandomNumbers, TimerCountsTheSecondsSinceMidnight) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  const double seconds = now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond;
  const float timer = rt::Timer();
  // A second may turn (midnight too) between the two readings.
  EXPECT_TRUE(std::fabs(timer - seconds) < 2 || timer < 2) << timer << " vs " << seconds;
  EXPECT_GE(timer, 0.0f);
  EXPECT_LT(timer, 86400.0f);
}

TEST(RandomNumbers, WholeDrawIsTheFloorOfTheScaledDrawPlusOne) {
  struct Case {
    float draw;
    double max;
    double whole;
  } const cases[] = {
      {0.0f, 6, 1},        {0.99999994f, 6, 6}, {0.5f, 6, 4},   {0.5f, 1, 1},
      {0.99999994f, 1, 1}, {0.7f, 0, 1},        {0.5f, -4, -1}, {0.25f, 1e308, 2.5e307},
  };
  for (const Case& c : cases) EXPECT_EQ(shell::WholeDraw(c.draw, c.max), c.whole) << c.draw;
  const double inf = std::numeric_limits<double>::infinity();
  for (double max : {inf, -inf, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(ErrorOf([&] { shell::WholeDraw(0.5f, max); }), kErrOverflow) << max;
}

// ------------------------------------------------------------ small parts

TEST(ShellParts, PasteFormatCodes) {
  struct Case {
    const wchar_t* code;
    long error;
    rt::ClipFormat format;
  } const cases[] = {
      {L"", 0, rt::ClipFormat::kText},    {L"1", 0, rt::ClipFormat::kText},
      {L" 1 ", 0, rt::ClipFormat::kText}, {L"-16639", 0, rt::ClipFormat::kRtf},
      {L"abc", kErrTypeMismatch, {}},     {L"2", kErrInvalidCall, {}},
      {L"0", kErrInvalidCall, {}},        {L"70000", kErrOverflow, {}},
  };
  for (const Case& c : cases) {
    const Bstr code(c.code);
    rt::ClipFormat format{};
    EXPECT_EQ(ErrorOf([&] { format = shell::PasteFormat(code.Get()); }), c.error) << c.code;
    if (!c.error) {
      EXPECT_EQ(format, c.format) << c.code;
    }
  }
  EXPECT_EQ(shell::PasteFormat(nullptr), rt::ClipFormat::kText);
}

TEST(ShellParts, TimerIntervalQuotientTakesTheFirstDivisorThatFits) {
  struct Case {
    long value, quotient;
  } const cases[] = {{-60, 0},
                     {0, 0},
                     {64, 0},
                     {65, 13},
                     {120, 2},
                     {100, 2},
                     {80, 2},
                     {90, 3},
                     {140, 7},
                     {70, 7},
                     {67, 67},
                     {600, 10},
                     {2147483647, 2147483647}};
  for (const Case& c : cases)
    EXPECT_EQ(shell::TimerIntervalQuotient(c.value), c.quotient) << c.value;
}

// ---------------------------------------------------------------- Shell

TEST(ShellService, StartsTheCommandLineInTheStyleAskedForAndReturnsItsTaskNumber) {
  // The stub beside this test, named as the printing command names its
  // program, is found before the system's own.
  support::StubLog log(L"shell_runtime_stub.log");
  struct Case {
    short style;
    WORD show;
  } const cases[] = {{rt::kShellHide, SW_HIDE},
                     {rt::kShellNormalFocus, SW_SHOWNORMAL},
                     {rt::kShellMinimizedFocus, SW_SHOWMINIMIZED},
                     {rt::kShellMaximizedFocus, SW_SHOWMAXIMIZED},
                     {rt::kShellNormalNoFocus, SW_SHOWNOACTIVATE},
                     {rt::kShellMinimizedNoFocus, SW_SHOWMINNOACTIVE}};
  for (const Case& c : cases) {
    const double task = rt::Shell(L"rundll32.exe one \"two three\" \u03A9", c.style);
    const auto start = log.Wait();
    ASSERT_TRUE(start) << "style " << c.style;
    EXPECT_EQ(task, start->processId);
    EXPECT_EQ(start->show, c.show);
    EXPECT_TRUE(start->flags & STARTF_USESHOWWINDOW);
    // Through the code page: a character it lacks arrives as "?".
    EXPECT_EQ(start->commandLine, L"rundll32.exe one \"two three\" ?");
    ::DeleteFileW(L"shell_runtime_stub.log");
  }
}

TEST(ShellService, RefusesWhatCannotStart) {
  struct Case {
    const wchar_t* command;
    short style;
    long error;
  } const cases[] = {{L"no_such_program_kb.exe", 1, kErrFileNotFound},
                     {L"Z:\\no\\such\\folder\\x.exe arg", 1, kErrFileNotFound},
                     {L"", 1, kErrInvalidCall},
                     {L"   ", 1, kErrInvalidCall},
                     {L"rundll32.exe", 5, kErrInvalidCall},
                     {L"rundll32.exe", 7, kErrInvalidCall},
                     {L"rundll32.exe", -1, kErrInvalidCall}};
  for (const Case& c : cases)
    EXPECT_EQ(ErrorOf([&] { rt::Shell(c.command, c.style); }), c.error) << c.command;
}

// ---------------------------------------------------------- CreateObject

class CreateObjectTest : public ::testing::Test {
 protected:
  support::Apartment apartment_;
};

TEST_F(CreateObjectTest, CreatesARegisteredClassByItsIdentifier) {
  const ComPtr<IDispatch> common = rt::CreateObject(L"Kitbag.clsCommon");
  ASSERT_TRUE(common);
  Bstr name(L"cmn_AddSlash");
  LPOLESTR names[] = {name.Get()};
  DISPID id = 0;
  EXPECT_EQ(common->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 0x60030042);
}

TEST_F(CreateObjectTest, AnUnknownIdentifierOrAMissingServerRaises429) {
  // An identifier that names a class nobody serves.
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"KitbagTest.NoServer\\CLSID", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t clsid[] = L"{0D7BB6A1-5B8E-4E55-9B1E-6C1F2E0A9BFF}";
  ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid), sizeof clsid);
  ::RegCloseKey(key);
  for (const wchar_t* id : {L"KitbagTest.NoSuchClass", L"KitbagTest.NoServer", L"", L"{bad"})
    EXPECT_EQ(ErrorOf([&] { rt::CreateObject(id); }), kErrCantCreateObject) << id;
  ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"KitbagTest.NoServer");
}

}  // namespace
}  // namespace kb
