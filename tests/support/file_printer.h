// A PostScript printer whose output lands in a file, set up in the Wine
// prefix for a test's life and made the default printer, so that printing
// through GDI runs for real and a test reads back what reached the page.
//
// The printer uses the platform's PostScript driver with its generic printer
// description, on port LPT1:, which the prefix's spooler settings send to a
// file.  Everything is put back when the object goes: the printer is
// removed, the port mapping and the default printer restored (other tests
// share the prefix).
#pragma once

#include <windows.h>

#include <string>

namespace kb::support {

class FilePrinter {
 public:
  static constexpr wchar_t kName[] = L"Kitbag Test Printer";

  // Throws std::runtime_error when the printer cannot be set up.
  FilePrinter();
  FilePrinter(const FilePrinter&) = delete;
  FilePrinter& operator=(const FilePrinter&) = delete;
  ~FilePrinter();

  // Everything printed since the printer was set up (or Clear).
  std::string Output() const;
  // The printed text: the PostScript's glyphs read back as characters,
  // page by page, each page's text as it was shown.
  std::wstring Text() const;
  int Pages() const;
  void Clear();

 private:
  std::wstring outputPath_;  // as Windows names it
  std::wstring ppdPath_;
  std::wstring oldDefault_;
  bool hadPortMapping_ = false;
  std::wstring oldPortMapping_;
};

// The characters that PostScript glyph names stand for, in the order the
// glyphs are shown ("/H glyphshow /ae glyphshow" gives "Hæ").  Names it does
// not know come back as "?".
std::wstring GlyphText(const std::string& postScript);

}  // namespace kb::support
