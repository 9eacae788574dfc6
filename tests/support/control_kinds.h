// Interface identifiers that stand for the kinds of the client's controls.
//
// The client's language runtime answers a type test ("is this a text box?")
// by asking the object for the interface of that control class.  Our model
// objects answer QueryInterface for the identifier of their own kind with
// their IDispatch, and refuse every other kind.  The identifiers belong to
// the library (runtime/client_forms.h), which uses them in its type tests;
// the tests take them from there, so both sides always agree.
#pragma once

#include "runtime/client_forms.h"

namespace kb::support {

using kb::rt::kKindCommandButton;
using kb::rt::kKindCommonDialog;
using kb::rt::kKindForm;
using kb::rt::kKindLabel;
using kb::rt::kKindLine;
using kb::rt::kKindListBox;
using kb::rt::kKindListView;
using kb::rt::kKindPictureBox;
using kb::rt::kKindTextBox;
using kb::rt::kKindTimer;

}  // namespace kb::support
