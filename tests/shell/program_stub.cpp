// A harmless program that stands in for the ones the library starts (the
// shell's document opener, the HTML printing command): it writes what it was
// started with to the file KITBAG_STUB_LOG names and ends at once.  The file
// holds one line for the latest start, its fields separated by tabs: process
// id, startup flags, show command, current folder, command line (the ANSI
// bytes as received).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main() {
  const char* log = std::getenv("KITBAG_STUB_LOG");
  if (!log) return 2;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  char folder[MAX_PATH + 1] = {};
  ::GetCurrentDirectoryA(MAX_PATH, folder);
  // Written whole and then renamed, so a reader never sees half a line.
  char partial[MAX_PATH + 8] = {};
  std::snprintf(partial, sizeof partial, "%s.part", log);
  FILE* out = std::fopen(partial, "wb");
  if (!out) return 3;
  std::fprintf(out, "%lu\t%lu\t%u\t%s\t%s\n", ::GetCurrentProcessId(), startup.dwFlags,
               startup.wShowWindow, folder, ::GetCommandLineA());
  std::fclose(out);
  return ::MoveFileExA(partial, log, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
