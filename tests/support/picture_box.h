// The client's picture box: a windowed control whose default member,
// Picture, takes a picture object (or Nothing), as the client's picture box
// and image control do, and which draws like a form: the scale, drawing
// state and drawing methods of its Canvas (canvas.h) paint its own window,
// or with AutoRedraw an image kept with it that the window shows.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "tests/support/canvas.h"
#include "tests/support/forms.h"
#include "tests/support/win_handles.h"

namespace kb::support {

struct PictureBoxOptions {
  Bounds bounds = {8, 8, 120, 96};
  std::optional<short> index;
};

// Picture (default), hwnd, Refresh, the members of every control and those
// of a Canvas (ScaleWidth, AutoRedraw, Cls, Print, Line, TextWidth, ...).
class PictureBox : public Control {
 public:
  PictureBox(Form& parent, std::wstring name, const PictureBoxOptions& options);
  ~PictureBox() override;
  // The picture last assigned (null for none) and how many were assigned.
  IDispatch* Picture() const { return picture_.Get(); }
  int Assignments() const { return assignments_; }
  // The picture's size in pixels of the screen, or {0, 0} for none.
  SIZE PictureSize() const;
  // The drawing surface, for what a test reads back (AutoRedraw, ScaleMode).
  const Canvas& Surface() const { return *canvas_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  kb::ComPtr<IDispatch> picture_;
  int assignments_ = 0;
  WindowDc dc_;
  std::unique_ptr<Canvas> canvas_;
};

}  // namespace kb::support
