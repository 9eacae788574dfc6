// The entry point that shows the editor modally for its owner, driven from
// inside its own message loop by timer steps, as a user would drive it.
#include <functional>
#include <vector>

#include "runtime/errors.h"
#include "tests/editor/editor_fixture.h"
#include "tests/support/win_handles.h"

namespace kb::editor::test {
namespace {

// Runs one step per timer tick in whatever loop dispatches the thread's
// messages, never two at once (a step may show a dialog with a loop of its
// own).  An editor still open well after the last step is closed, so that a
// failing test ends.
class TickScript {
 public:
  explicit TickScript(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 20, Tick);
  }
  TickScript(const TickScript&) = delete;
  TickScript& operator=(const TickScript&) = delete;
  ~TickScript() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Finished() const { return next_ == steps_.size(); }

 private:
  static constexpr size_t kGraceTicks = 100;

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TickScript* self = current_;
    if (!self || self->running_) return;
    self->running_ = true;
    if (self->next_ < self->steps_.size()) {
      self->steps_[self->next_++]();
    } else if (++self->idle_ > kGraceTicks) {
      if (HWND stuck = ::FindWindowW(kEditorWindowClass, nullptr)) {
        ADD_FAILURE() << "the editor was still open after the last step";
        ::PostMessageW(stuck, WM_CLOSE, 0, 0);
      }
    }
    self->running_ = false;
  }

  static inline thread_local TickScript* current_ = nullptr;
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  size_t idle_ = 0;
  bool running_ = false;
  UINT_PTR timer_ = 0;
};

EditorDriver Shown() { return EditorDriver(::FindWindowW(kEditorWindowClass, nullptr)); }

void PostKey(HWND target, UINT vk) {
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
  ::PostMessageW(target, WM_KEYDOWN, vk, scan | 1);
  ::PostMessageW(target, WM_KEYUP, vk, scan | 1 | static_cast<LPARAM>(0xC0000000u));
}

class ShowTextEditorTest : public EditorTest {
 protected:
  support::Window owner_{::CreateWindowExW(0, L"STATIC", L"Ejer", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                           10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr)};
};

TEST_F(ShowTextEditorTest, ShowsModallyForItsOwnerAndHandsTheDocumentBack) {
  State().text = Bstr(kSampleRtf);
  State().caption = Bstr(L"Brev");
  bool ownerEnabled = true, editorFocused = false;
  HWND editorOwner = nullptr;
  std::wstring caption;
  TickScript script({[&] {
                       const auto ui = Shown();
                       ownerEnabled = ::IsWindowEnabled(owner_.Get());
                       editorOwner = ::GetWindow(ui.Window(), GW_OWNER);
                       editorFocused = ::GetFocus() == ui.Editor();
                       caption = ui.Caption();
                       ui.Select(0, 0);
                       ui.Type(L"K\u00E6re ");
                     },
                     [] { Shown().ClickButton(kIdOk); }});
  ShowTextEditor(owner_.Get());
  EXPECT_TRUE(script.Finished());
  EXPECT_FALSE(ownerEnabled) << "the owner waits while the editor is shown";
  EXPECT_TRUE(::IsWindowEnabled(owner_.Get()));
  EXPECT_EQ(editorOwner, owner_.Get());
  EXPECT_TRUE(editorFocused);
  EXPECT_EQ(caption, L"Brev");
  EXPECT_EQ(::FindWindowW(kEditorWindowClass, nullptr), nullptr);
  EXPECT_NE(std::wstring(State().text.View()).find(L"K\\'e6re Hej"), std::wstring::npos);
}

TEST_F(ShowTextEditorTest, TabStaysInTheEditorButMovesBetweenTheButtons) {
  std::wstring textAfterTab;
  int focusAfterTab = 0, focusAfterButtonTab = 0;
  TickScript script({[] { PostKey(Shown().Editor(), VK_TAB); },
                     [&] {
                       const auto ui = Shown();
                       textAfterTab = ui.Text();
                       focusAfterTab = ::GetDlgCtrlID(::GetFocus());
                       ::SetFocus(ui.Control(kIdOk));
                       PostKey(ui.Control(kIdOk), VK_TAB);
                     },
                     [&] {
                       focusAfterButtonTab = ::GetDlgCtrlID(::GetFocus());
                       PostKey(::GetFocus(), VK_SPACE);  // presses Cancel
                     }});
  ShowTextEditor(owner_.Get());
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(textAfterTab, L"\t");
  EXPECT_EQ(focusAfterTab, kIdMessage);
  EXPECT_EQ(focusAfterButtonTab, kIdCancel);
  EXPECT_EQ(State().text.Length(), 0u) << "closed by Cancel";
}

TEST_F(ShowTextEditorTest, NewShowingNeverSavesOverAnEarlierShowingsFile) {
  const std::wstring first = Path(L"foerste.txt");
  files_.Answer({first, 1});
  TickScript showing1({[] { Shown().Type(L"F\u00F8rste"); }, [] { Shown().Click(L"SAVE"); },
                       [] { Shown().ClickButton(kIdOk); }});
  ShowTextEditor(owner_.Get());
  ASSERT_TRUE(showing1.Finished());
  ASSERT_EQ(files_.Count(), 1u);

  files_.Answer(support::FileDialogAnswer::Cancel());
  TickScript showing2({[] { Shown().Type(L"Anden"); }, [] { Shown().Click(L"SAVE"); },
                       [] { Shown().ClickButton(kIdCancel); }});
  ShowTextEditor(owner_.Get());
  EXPECT_TRUE(showing2.Finished());
  EXPECT_EQ(files_.Count(), 2u) << "the second showing asks for its own file";
  EXPECT_EQ(ReadBytes(first), "F\xF8rste");
}

TEST_F(ShowTextEditorTest, ShowingItAgainWhileItIsShownIsRefused) {
  long error = 0;
  TickScript script({[&] {
                       try {
                         ShowTextEditor(nullptr);
                       } catch (const Error& e) {
                         error = e.Number();
                       }
                     },
                     [] { Shown().ClickButton(kIdCancel); }});
  ShowTextEditor(owner_.Get());
  EXPECT_EQ(error, 400);
  // And once it has closed, it can be shown again.
  TickScript again({[] { Shown().ClickButton(kIdCancel); }});
  ShowTextEditor(owner_.Get());
  EXPECT_TRUE(again.Finished());
}

TEST_F(ShowTextEditorTest, ProgramQuittingClosesTheEditorAndKeepsTheQuit) {
  TickScript script({[] { ::PostQuitMessage(7); }});
  ShowTextEditor(owner_.Get());
  EXPECT_EQ(::FindWindowW(kEditorWindowClass, nullptr), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(owner_.Get()));
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace kb::editor::test
