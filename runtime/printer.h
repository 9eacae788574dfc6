// The runtime's printer object: text printed on the system's default
// printer with GDI, one print job from the first printed text until EndDoc.
//
// As the client's Printer does, it keeps its font and its current position
// between calls; a printed text starts at the current position (the top left
// of the printable area on a new page), each line of it below the one
// before, and the position then moves to the start of the next line.  A line
// that would run past the bottom of the page starts a new page.  Nothing is
// wrapped: the printer clips what runs past the right edge.
//
// One printer per thread, as the objects of the library live on their
// client's thread; a job a thread leaves open is sent when it goes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "runtime/handles.h"

namespace kb::rt {

class Printer {
 public:
  Printer() = default;
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;
  ~Printer();

  // Points; raises 380 for a size that is not above 0 or too large for a font.
  void SetFontSize(double points);
  double FontSize() const { return fontSize_; }
  void SetFontName(std::wstring_view name);
  const std::wstring& FontName() const { return fontName_; }

  // Prints the text, its lines separated by CR LF, CR or LF.  Starts the job
  // (and its first page) when none is open; raises kErrPrinter when there is
  // no default printer or the printer refuses the job.
  void Print(std::wstring_view text);
  // Ends the page and the job, which sends it; nothing happens without a job.
  void EndDoc();
  // Drops the job without sending it.
  void KillDoc();
  bool JobOpen() const { return static_cast<bool>(dc_); }

 private:
  void StartJob();
  void UseFont(bool remake);
  void MakeRoom(int height);
  void EndJob(bool send);

  std::wstring fontName_ = L"Arial";
  double fontSize_ = 10;
  DcHandle dc_;
  GdiObject<HFONT> font_;  // the font of the open job, selected into dc_
  HGDIOBJ oldFont_ = nullptr;
  bool fontChanged_ = false;
  int x_ = 0;  // the current position, in the printer's pixels
  int y_ = 0;
};

// The calling thread's printer; an open job is sent when the thread's last
// object of the library goes (runtime/thread_state.h).
Printer& ThePrinter();

}  // namespace kb::rt
