// The editor's rich-text box: a RichEdit 2.0 control reached through the
// properties and methods its owner uses (Text, TextRTF, SelRTF, SelBold, ...).
#pragma once

#include <windows.h>

#include <richedit.h>

#include <optional>
#include <string>
#include <string_view>

namespace kb::editor {

// SaveFile formats.
enum FileFormat : long { kFormatRtf = 0, kFormatText = 1 };

// Paragraph alignments as the owner numbers them.
enum Alignment : short { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2 };

class RichTextBox {
 public:
  // Creates the control as a child of `parent` (bounds in pixels).
  static HWND Create(HWND parent, int id, const RECT& bounds);

  RichTextBox() = default;
  explicit RichTextBox(HWND hwnd) : hwnd_(hwnd) {}
  HWND Hwnd() const { return hwnd_; }

  // The whole document as plain text, lines ended by CR LF.
  std::wstring Text() const;
  void SetText(std::wstring_view text);
  // The whole document as RTF.  Setting text that is not RTF puts it in as
  // plain text.
  std::wstring TextRtf() const;
  void SetTextRtf(std::wstring_view rtf);

  std::wstring SelText() const;
  void SetSelText(std::wstring_view text);
  // The selection as RTF; setting replaces the selection (empty removes it,
  // text that is not RTF goes in as plain text).
  std::wstring SelRtf() const;
  void SetSelRtf(std::wstring_view rtf);

  // True or False, or nothing for a selection that is partly so.
  std::optional<bool> SelBold() const { return SelEffect(CFM_BOLD); }
  std::optional<bool> SelItalic() const { return SelEffect(CFM_ITALIC); }
  std::optional<bool> SelUnderline() const { return SelEffect(CFM_UNDERLINE); }
  void SetSelBold(bool on) { SetSelEffect(CFM_BOLD, on); }
  void SetSelItalic(bool on) { SetSelEffect(CFM_ITALIC, on); }
  void SetSelUnderline(bool on) { SetSelEffect(CFM_UNDERLINE, on); }
  // Nothing when the selected paragraphs differ.
  std::optional<short> SelAlignment() const;
  void SetSelAlignment(short alignment);

  // The font of the whole document and of text typed into an empty one.
  void SetFont(std::wstring_view face, long heightTwips);
  // Lines wrap at this distance from the left edge, in twips.
  void SetRightMargin(long twips);
  // The control's width, in twips.
  long Width() const;
  // Writes the document to a file as RTF or as plain text in the ANSI code
  // page; raises the runtime's file errors.
  void SaveFile(const std::wstring& path, long format) const;
  void SetFocus() const;

 private:
  std::optional<bool> SelEffect(DWORD mask) const;
  void SetSelEffect(DWORD mask, bool on);
  std::string StreamOut(UINT format) const;
  void StreamIn(UINT format, std::string_view bytes);

  HWND hwnd_ = nullptr;
};

// True when the text is an RTF document rather than plain text.
bool LooksLikeRtf(std::wstring_view text);
bool LooksLikeRtf(std::string_view bytes);

// Twips and pixels of the screen.
int TwipsToPixelsX(long twips);
int TwipsToPixelsY(long twips);
long PixelsToTwipsX(int pixels);

}  // namespace kb::editor
