// The runtime's Clipboard object: the system clipboard's plain text and its
// rich text (RTF), as the language runtime offers them to routines.
#pragma once

#include <string>
#include <string_view>

namespace kb::rt {

enum class ClipFormat {
  kText,  // plain text
  kRtf,   // the registered "Rich Text Format"
};

// Empties the clipboard of every format.
void ClipboardClear();

// Puts text on the clipboard in one format, replacing what that format held
// and leaving the other formats alone (as the runtime does; call
// ClipboardClear first to offer only what is set afterwards).
void ClipboardSetText(std::wstring_view text, ClipFormat format = ClipFormat::kText);

// The clipboard's text in one format; empty when the clipboard lacks it.
std::wstring ClipboardGetText(ClipFormat format = ClipFormat::kText);

// Whether the clipboard offers the format.
bool ClipboardHasFormat(ClipFormat format);

}  // namespace kb::rt
