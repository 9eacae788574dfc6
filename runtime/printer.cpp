#include "runtime/printer.h"

#include <winspool.h>

#include <cmath>
#include <memory>

#include "runtime/errors.h"
#include "runtime/thread_state.h"

namespace kb::rt {
namespace {

// The largest size a font of the client's runtime takes, in points.
constexpr double kLargestFont = 2160;

// The name of the default printer; raises kErrPrinter when there is none.
std::wstring DefaultPrinterName() {
  DWORD size = 0;
  ::GetDefaultPrinterW(nullptr, &size);
  if (size == 0) Raise(kErrPrinter);
  std::wstring name(size, L'\0');
  if (!::GetDefaultPrinterW(name.data(), &size)) Raise(kErrPrinter);
  name.resize(::wcsnlen(name.c_str(), name.size()));
  return name;
}

// The lines of a text: CR LF, CR and LF each end one.
template <class Each>
void ForEachLine(std::wstring_view text, Each&& each) {
  size_t start = 0;
  for (;;) {
    const size_t end = text.find_first_of(L"\r\n", start);
    each(text.substr(start, end == std::wstring_view::npos ? text.npos : end - start));
    if (end == std::wstring_view::npos) return;
    start = end + 1;
    if (text[end] == L'\r' && start < text.size() && text[start] == L'\n') ++start;
  }
}

}  // namespace

Printer::~Printer() {
  try {
    EndJob(true);
  } catch (const Error&) {
    // The thread is leaving; there is nobody left to tell.
  }
}

void Printer::SetFontSize(double points) {
  if (!(points > 0) || points > kLargestFont) Raise(kErrInvalidPropertyValue);
  fontSize_ = points;
  fontChanged_ = true;
}

void Printer::SetFontName(std::wstring_view name) {
  fontName_ = name;
  fontChanged_ = true;
}

void Printer::StartJob() {
  const std::wstring name = DefaultPrinterName();
  DcHandle dc(::CreateDCW(nullptr, name.c_str(), nullptr, nullptr));
  if (!dc) Raise(kErrPrinter);
  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = kLibraryName;
  if (::StartDocW(dc.Get(), &doc) <= 0) Raise(kErrPrinter);
  dc_ = std::move(dc);
  x_ = y_ = 0;
  if (::StartPage(dc_.Get()) <= 0) {
    EndJob(false);
    Raise(kErrPrinter);
  }
  fontChanged_ = true;
}

// The job's font follows the settings; a page started since the last text
// may have dropped it from the printer's context, so it is selected again.
void Printer::UseFont(bool remake) {
  if (remake || !font_) {
    const double pixels = fontSize_ * ::GetDeviceCaps(dc_.Get(), LOGPIXELSY) / 72;
    GdiObject<HFONT> made(::CreateFontW(-static_cast<int>(std::lround(pixels)), 0, 0, 0, FW_NORMAL,
                                        FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                        DEFAULT_PITCH | FF_DONTCARE, fontName_.c_str()));
    if (!made) Raise(kErrPrinter);
    HGDIOBJ previous = ::SelectObject(dc_.Get(), made.Get());
    if (!oldFont_) oldFont_ = previous;
    font_ = std::move(made);
  } else {
    ::SelectObject(dc_.Get(), font_.Get());
  }
  fontChanged_ = false;
}

// A line that would run past the bottom of the page goes to a new one; a
// line taller than a whole page is printed clipped rather than page by page.
void Printer::MakeRoom(int height) {
  if (y_ == 0 || y_ + height <= ::GetDeviceCaps(dc_.Get(), VERTRES)) return;
  if (::EndPage(dc_.Get()) <= 0 || ::StartPage(dc_.Get()) <= 0) Raise(kErrPrinter);
  y_ = 0;
  UseFont(false);
}

void Printer::Print(std::wstring_view text) {
  if (!dc_) StartJob();
  UseFont(fontChanged_);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc_.Get(), &metrics);
  const int height = metrics.tmHeight + metrics.tmExternalLeading;
  ForEachLine(text, [&](std::wstring_view line) {
    MakeRoom(height);
    if (!line.empty() &&
        !::TextOutW(dc_.Get(), x_, y_, line.data(), static_cast<int>(line.size()))) {
      Raise(kErrPrinter);
    }
    x_ = 0;
    y_ += height;
  });
}

void Printer::EndDoc() { EndJob(true); }
void Printer::KillDoc() { EndJob(false); }

void Printer::EndJob(bool send) {
  if (!dc_) return;
  bool sent = true;
  if (send) {
    sent = ::EndPage(dc_.Get()) > 0;
    sent = ::EndDoc(dc_.Get()) > 0 && sent;
  } else {
    ::AbortDoc(dc_.Get());
  }
  // The job's font is deselected before it is deleted, then the context.
  if (oldFont_) ::SelectObject(dc_.Get(), oldFont_);
  font_.Reset();
  dc_.Reset();
  oldFont_ = nullptr;
  x_ = y_ = 0;
  if (!sent) Raise(kErrPrinter);
}

Printer& ThePrinter() {
  static PerThread<Printer> printers;
  return printers.Get();
}

}  // namespace kb::rt
