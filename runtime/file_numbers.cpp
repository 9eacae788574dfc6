#include "runtime/file_numbers.h"

#include <array>
#include <memory>
#include <string>

#include "runtime/errors.h"
#include "runtime/file_errors.h"
#include "runtime/text.h"
#include "runtime/thread_state.h"

namespace kb::rt {
namespace {

// Numbers 1 to 511 can be opened; FreeFile hands out 1 to 255.
constexpr short kHighestNumber = 511;
constexpr short kHighestFree = 255;
// Reads and writes go to the system in blocks of this size.
constexpr size_t kBlock = 64 * 1024;

struct OpenFile {
  Handle handle;
  FileMode mode = FileMode::Input;
  std::string buffer;    // bytes read ahead, or bytes waiting to be written
  size_t next = 0;       // input: the first unread byte of buffer
  bool drained = false;  // input: the system has no more bytes
};

void Flush(OpenFile& file);

// A thread's file numbers. Files still open when the thread lets go of its
// state are closed then, their waiting bytes written first.
struct Table {
  std::array<std::unique_ptr<OpenFile>, kHighestNumber + 1> files;
  ~Table() {
    for (auto& file : files) {
      if (!file || file->mode == FileMode::Input) continue;
      try {
        Flush(*file);
      } catch (...) {
        // The thread is leaving; there is nobody left to tell.
      }
    }
  }
};

Table& ThreadTable() {
  static PerThread<Table> tables;
  return tables.Get();
}

void CheckNumber(short number) {
  if (number < 1 || number > kHighestNumber) Raise(kErrBadFileNameOrNumber);
}

std::unique_ptr<OpenFile>& EntryOf(short number) {
  CheckNumber(number);
  return ThreadTable().files[number];
}

OpenFile& Opened(short number, FileMode wanted) {
  auto& entry = EntryOf(number);
  if (!entry) Raise(kErrBadFileNameOrNumber);
  const bool reading = entry->mode == FileMode::Input;
  if (reading != (wanted == FileMode::Input)) Raise(kErrBadFileMode);
  return *entry;
}

void Flush(OpenFile& file) {
  size_t done = 0;
  while (done < file.buffer.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min(file.buffer.size() - done, kBlock));
    if (!::WriteFile(file.handle.Get(), file.buffer.data() + done, chunk, &written, nullptr) ||
        written == 0) {
      const DWORD reason = ::GetLastError();
      file.buffer.erase(0, done);
      Raise(reason == ERROR_DISK_FULL || reason == ERROR_HANDLE_DISK_FULL ? kErrDiskFull
                                                                          : kErrDeviceIO);
    }
    done += written;
  }
  file.buffer.clear();
}

// Makes at least one unread byte available; false at the end of the file.
bool Fill(OpenFile& file) {
  if (file.next < file.buffer.size()) return true;
  file.buffer.clear();
  file.next = 0;
  if (file.drained) return false;
  file.buffer.resize(kBlock);
  DWORD got = 0;
  if (!::ReadFile(file.handle.Get(), file.buffer.data(), static_cast<DWORD>(kBlock), &got,
                  nullptr)) {
    file.buffer.clear();
    Raise(kErrDeviceIO);
  }
  file.buffer.resize(got);
  if (got == 0) file.drained = true;
  return got != 0;
}

void Write(short number, std::wstring_view text, bool newLine) {
  OpenFile& file = Opened(number, FileMode::Output);
  AppendAnsi(text, file.buffer);
  if (newLine) file.buffer += "\r\n";
  if (file.buffer.size() >= kBlock) Flush(file);
}

}  // namespace

short FreeFile() {
  const Table& table = ThreadTable();
  for (short n = 1; n <= kHighestFree; ++n)
    if (!table.files[n]) return n;
  Raise(kErrTooManyFiles);
}

void Open(std::wstring_view path, FileMode mode, short number) {
  auto& entry = EntryOf(number);
  if (entry) Raise(kErrFileAlreadyOpen);
  if (path.empty()) Raise(kErrBadFileNameOrNumber);
  const AnsiText name(path);
  const bool reading = mode == FileMode::Input;
  const DWORD access = reading ? GENERIC_READ : GENERIC_WRITE;
  const DWORD share = reading ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
  const DWORD disposition = mode == FileMode::Input    ? OPEN_EXISTING
                            : mode == FileMode::Output ? CREATE_ALWAYS
                                                       : OPEN_ALWAYS;
  Handle handle(::CreateFileA(name.Get(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) RaiseFileError(::GetLastError());
  if (mode == FileMode::Append) ::SetFilePointer(handle.Get(), 0, nullptr, FILE_END);
  auto file = std::make_unique<OpenFile>();
  file->handle = std::move(handle);
  // Append files are written like output files from here on.
  file->mode = reading ? FileMode::Input : FileMode::Output;
  entry = std::move(file);
}

void Close(short number) {
  auto& entry = EntryOf(number);
  if (!entry) return;
  // The number is free again whatever happens to the last data.
  std::unique_ptr<OpenFile> file = std::move(entry);
  if (file->mode != FileMode::Input) Flush(*file);
}

bool IsOpen(short number) { return number >= 1 && number <= kHighestNumber && EntryOf(number); }

bool Eof(short number) { return !Fill(Opened(number, FileMode::Input)); }

Bstr LineInput(short number) {
  OpenFile& file = Opened(number, FileMode::Input);
  if (!Fill(file)) Raise(kErrInputPastEnd);
  std::string line;
  while (Fill(file)) {
    const size_t start = file.next;
    const size_t cr = file.buffer.find('\r', start);
    if (cr == std::string::npos) {
      line.append(file.buffer, start, std::string::npos);
      file.next = file.buffer.size();
      continue;
    }
    line.append(file.buffer, start, cr - start);
    file.next = cr + 1;
    // A line feed right behind the carriage return belongs to the break.
    if (Fill(file) && file.buffer[file.next] == '\n') ++file.next;
    break;
  }
  return FromAnsi(line.data(), line.size());
}

void Print(short number, std::wstring_view text) { Write(number, text, false); }
void PrintLine(short number, std::wstring_view text) { Write(number, text, true); }

OpenedFile::~OpenedFile() {
  if (!open_) return;
  try {
    rt::Close(number_);
  } catch (...) {
    // Another error is already on its way to the caller.
  }
}

void OpenedFile::Close() {
  open_ = false;
  rt::Close(number_);
}

}  // namespace kb::rt
