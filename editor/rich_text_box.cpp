#include "editor/rich_text_box.h"

#include <richedit.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>

#include "editor/document_file.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace kb::editor {
namespace {

constexpr UINT kUnicodeCodePage = 1200;

// What a stream callback reads from or appends to.
struct StreamSink {
  std::string bytes;
};
struct StreamSource {
  const char* data;
  size_t size;
  size_t pos = 0;
};

// The control calls these from its own code, so nothing may be thrown
// through them: a failure ends the stream with an error code instead.
DWORD CALLBACK AppendChunk(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  try {
    reinterpret_cast<StreamSink*>(cookie)->bytes.append(reinterpret_cast<const char*>(buffer),
                                                        static_cast<size_t>(count));
    *done = count;
    return 0;
  } catch (...) {
    *done = 0;
    return 1;
  }
}

DWORD CALLBACK ReadChunk(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto& source = *reinterpret_cast<StreamSource*>(cookie);
  const size_t n = std::min(static_cast<size_t>(count), source.size - source.pos);
  std::memcpy(buffer, source.data + source.pos, n);
  source.pos += n;
  *done = static_cast<LONG>(n);
  return 0;
}

std::wstring ReadText(HWND hwnd, DWORD flags, size_t maxChars) {
  std::wstring text(maxChars + 1, L'\0');
  GETTEXTEX how{};
  how.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  how.flags = flags;
  how.codepage = kUnicodeCodePage;
  const LRESULT n = ::SendMessageW(hwnd, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::clamp<size_t>(static_cast<size_t>(std::max<LRESULT>(n, 0)), 0, maxChars));
  return text;
}

}  // namespace

bool LooksLikeRtf(std::wstring_view text) { return text.starts_with(L"{\\rtf"); }
bool LooksLikeRtf(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

int TwipsToPixelsX(long twips) {
  return ::MulDiv(twips, rt::ScreenPixelsPerInch(LOGPIXELSX), 1440);
}
int TwipsToPixelsY(long twips) {
  return ::MulDiv(twips, rt::ScreenPixelsPerInch(LOGPIXELSY), 1440);
}
long PixelsToTwipsX(int pixels) {
  return ::MulDiv(pixels, 1440, rt::ScreenPixelsPerInch(LOGPIXELSX));
}

HWND RichTextBox::Create(HWND parent, int id, const RECT& b) {
  // The control's class lives in its library, loaded once for the process.
  static const HMODULE library = ::LoadLibraryA("riched20.dll");
  if (!library) Raise(kErrDllLoad);
  HWND hwnd =
      ::CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE |
                            ES_AUTOVSCROLL | ES_WANTRETURN,
                        b.left, b.top, b.right - b.left, b.bottom - b.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (!hwnd) Raise(kErrOutOfMemory);
  // No length limit, and selection changes reported to the window.
  ::SendMessageW(hwnd, EM_EXLIMITTEXT, 0, INT_MAX - 1);
  ::SendMessageW(hwnd, EM_SETEVENTMASK, 0, ENM_SELCHANGE);
  return hwnd;
}

std::wstring RichTextBox::Text() const {
  GETTEXTLENGTHEX how{GTL_USECRLF | GTL_PRECISE | GTL_NUMCHARS, kUnicodeCodePage};
  const LRESULT length =
      ::SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
  return ReadText(hwnd_, GT_USECRLF, static_cast<size_t>(std::max<LRESULT>(length, 0)));
}

void RichTextBox::SetText(std::wstring_view text) {
  StreamIn(SF_TEXT | SF_UNICODE,
           {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)});
}

std::wstring RichTextBox::TextRtf() const {
  const std::string bytes = StreamOut(SF_RTF);
  return std::wstring(rt::FromAnsi(bytes.data(), bytes.size()).View());
}

void RichTextBox::SetTextRtf(std::wstring_view rtf) {
  // The control would read plain text offered as RTF as an empty document.
  if (!LooksLikeRtf(rtf)) return SetText(rtf);
  const rt::AnsiText bytes(rtf);
  StreamIn(SF_RTF, {bytes.Get(), bytes.Size()});
}

std::wstring RichTextBox::SelText() const {
  CHARRANGE range{};
  ::SendMessageW(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
  // Every paragraph end may grow into CR LF.
  const size_t chars = static_cast<size_t>(std::max(range.cpMax - range.cpMin, 0L));
  return ReadText(hwnd_, GT_SELECTION | GT_USECRLF, chars * 2);
}

void RichTextBox::SetSelText(std::wstring_view text) {
  StreamIn(SF_TEXT | SF_UNICODE | SFF_SELECTION,
           {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)});
}

std::wstring RichTextBox::SelRtf() const {
  const std::string bytes = StreamOut(SF_RTF | SFF_SELECTION);
  return std::wstring(rt::FromAnsi(bytes.data(), bytes.size()).View());
}

void RichTextBox::SetSelRtf(std::wstring_view rtf) {
  if (!LooksLikeRtf(rtf)) return SetSelText(rtf);
  const rt::AnsiText bytes(rtf);
  StreamIn(SF_RTF | SFF_SELECTION, {bytes.Get(), bytes.Size()});
}

std::optional<bool> RichTextBox::SelEffect(DWORD mask) const {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  ::SendMessageW(hwnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  // A mask bit that comes back cleared means the selection is mixed.
  if (!(format.dwMask & mask)) return std::nullopt;
  return (format.dwEffects & mask) != 0;
}

void RichTextBox::SetSelEffect(DWORD mask, bool on) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = mask;
  format.dwEffects = on ? mask : 0;
  ::SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

std::optional<short> RichTextBox::SelAlignment() const {
  PARAFORMAT2 format{};
  format.cbSize = sizeof format;
  ::SendMessageW(hwnd_, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
  if (!(format.dwMask & PFM_ALIGNMENT)) return std::nullopt;
  switch (format.wAlignment) {
    case PFA_LEFT: return kAlignLeft;
    case PFA_RIGHT: return kAlignRight;
    case PFA_CENTER: return kAlignCenter;
    default: return std::nullopt;  // justified: none of the three buttons
  }
}

void RichTextBox::SetSelAlignment(short alignment) {
  PARAFORMAT2 format{};
  format.cbSize = sizeof format;
  format.dwMask = PFM_ALIGNMENT;
  switch (alignment) {
    case kAlignLeft: format.wAlignment = PFA_LEFT; break;
    case kAlignRight: format.wAlignment = PFA_RIGHT; break;
    case kAlignCenter: format.wAlignment = PFA_CENTER; break;
    default: Raise(kErrInvalidPropertyValue);
  }
  ::SendMessageW(hwnd_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
}

void RichTextBox::SetFont(std::wstring_view face, long heightTwips) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  format.dwEffects = 0;
  format.yHeight = heightTwips;
  const size_t n = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
  std::copy_n(face.data(), n, format.szFaceName);
  // The control starts in a bold system font, which RTF without explicit
  // character formatting would inherit; the default and every character
  // that is already there take the box's font.
  ::SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  ::SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void RichTextBox::SetRightMargin(long twips) {
  // A line width takes a target device to measure on; without one the
  // control reads the width as "wrap at the window" or "do not wrap".
  static const DcHandle screen(::CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
  ::SendMessageW(hwnd_, EM_SETTARGETDEVICE, reinterpret_cast<WPARAM>(screen.Get()), twips);
}

long RichTextBox::Width() const {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  return PixelsToTwipsX(r.right - r.left);
}

void RichTextBox::SaveFile(const std::wstring& path, long format) const {
  if (format != kFormatRtf && format != kFormatText) Raise(kErrInvalidCall);
  WriteDocumentFile(path, StreamOut(format == kFormatText ? SF_TEXT : SF_RTF));
}

void RichTextBox::SetFocus() const { ::SetFocus(hwnd_); }

std::string RichTextBox::StreamOut(UINT format) const {
  StreamSink sink;
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&sink), 0, AppendChunk};
  ::SendMessageW(hwnd_, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError) Raise(kErrOutOfMemory);
  return std::move(sink.bytes);
}

void RichTextBox::StreamIn(UINT format, std::string_view bytes) {
  StreamSource source{bytes.data(), bytes.size()};
  EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadChunk};
  ::SendMessageW(hwnd_, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
}

}  // namespace kb::editor
