// The client's picture box: a windowless control whose default member,
// Picture, takes a picture object (or Nothing), as the client's picture box
// and image control do.
#pragma once

#include <optional>
#include <string>

#include "tests/support/forms.h"

namespace kb::support {

struct PictureBoxOptions {
  Bounds bounds = {8, 8, 120, 96};
  std::optional<short> index;
};

// Picture (default), plus Width/Height and the other members of every control.
class PictureBox : public Control {
 public:
  PictureBox(Form& parent, std::wstring name, const PictureBoxOptions& options);
  // The picture last assigned (null for none) and how many were assigned.
  IDispatch* Picture() const { return picture_.Get(); }
  int Assignments() const { return assignments_; }
  // The picture's size in pixels of the screen, or {0, 0} for none.
  SIZE PictureSize() const;

 private:
  kb::ComPtr<IDispatch> picture_;
  int assignments_ = 0;
};

}  // namespace kb::support
