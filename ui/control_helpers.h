// Control helpers: routines that act on single controls of a client's form
// (text boxes, list boxes, command buttons, list views, picture boxes) and
// the dialogs they wrap.  Controls are reached through their named members;
// where a routine needs the control's window it reads its hwnd.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string_view>
#include <vector>

#include "runtime/handles.h"

namespace kb::frame {
class Common;
}

namespace kb::ui {

// ---- text, list and button controls -----------------------------------------

// The edit control's line count (wrapped lines included) for a text box;
// Empty for anything else.
Variant GetTxtLineCount(frame::Common& self, VARIANT* txtBox);
// Lets the text box take digits only (Force non-zero), or anything again.
void ForceTextBoxNumeric(frame::Common& self, IDispatch** TextBox, VARIANT_BOOL* Force);
// Appends every item of one list to another.
void CopyControl2Control(frame::Common& self, VARIANT* SourceList, VARIANT* DestListbox);
// Selects the whole text of a text control; the focus stays where it is.
void FocusMe(frame::Common& self, VARIANT* WhatText);
// Empties every text box of a form.
void ClearAllTextBoxes(frame::Common& self, IDispatch** frmTarget);
// Adds alignment bits to a button's style; never fails.
void AlignCommandButtonText(frame::Common& self, IDispatch** Button, long* Style);
// Shows the item under the mouse as the list's tooltip; always Empty.
Variant ShowListboxTooltip(frame::Common& self, IDispatch** frm, IDispatch** lst, float* TTYpos);
// Selects the first occurrence of a text, or says there is none.
void FindString(frame::Common& self, BSTR* SearchFor, VARIANT* txtBox);
// Prints a text control's text; a failure is shown in a message box.
void PrintTextBox(frame::Common& self, VARIANT* txtBox, long* FontSize, BSTR* FontName);

// ---- list views ---------------------------------------------------------------

// Sorts by the clicked column; clicking the sorted column again reverses it.
void SortListView(frame::Common& self, VARIANT* UseListview, short* ClickedColumn, long* SortOrder);
// Fits one column, or every column, to its widest text; never fails.
void ResizeListviewColumn(frame::Common& self, VARIANT* UseListview, short* ColumnNo,
                          VARIANT_BOOL* AllColumns, VARIANT_BOOL* IncludeHeaderText);

// ---- percent bar ----------------------------------------------------------------

// Draws a progress bar with its percentage into a picture box.
void PercentBar(frame::Common& self, VARIANT* Picture, VARIANT Percent, long* BackR, long* BackG,
                long* BackB);

// ---- dialogs --------------------------------------------------------------------

// The shell's folder browser; the chosen folder, or empty when cancelled.
Bstr Browse4Folder(frame::Common& self, long hwnd, BSTR* Titel, VARIANT_BOOL* EnsureSlash);
// A multiple-selection Open dialog on the caller's common dialog; the long
// names of the chosen files, separated by Delimiter.
Bstr MultipleFileCmnDialog(frame::Common& self, VARIANT* cmn, BSTR* cmnTitle, BSTR* cmnFilter,
                           BSTR* Delimiter);
// Presets the flags of a Save As dialog on the caller's common dialog.
void CommonDialogFlags(frame::Common& self, IDispatch** cmnDialog);

// The colour of the percent bar from its three components: each a 16-bit
// integer (error 6 beyond), above 255 taken as 255, below 0 error 5.
long BarColour(long red, long green, long blue);
// The pieces of a file dialog's multiple-selection answer, split at every
// single space (empty pieces kept).
std::vector<std::wstring_view> SplitAtSpaces(std::wstring_view text);

}  // namespace kb::ui
