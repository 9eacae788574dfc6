#include "files/file_collector.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/file_list.h"
#include "files/file_system.h"
#include "files/siblings.h"
#include "frame/classes.h"
#include "runtime/arith.h"
#include "runtime/casing.h"
#include "runtime/dir.h"
#include "runtime/errors.h"
#include "runtime/event_pacing.h"
#include "runtime/resume_next.h"
#include "runtime/stack.h"
#include "runtime/text.h"

namespace kb::files {
namespace {

// Paths up to this many ANSI characters are certain to fit the system's ANSI
// file functions, whose limit is a little above it.
constexpr size_t kSafeAnsiPath = 200;

// One file of a folder, as the collector meets it.
struct FoundFile {
  rt::DirEntry entry;
  bool sizeListed = false;  // entry.size is what FileLen would read now
};

// The files Dir lists for the folder's pattern with attribute 0, and the
// folder's subfolders; nothing at all for a path that names no folder.
//
// A pattern matching every name ("*" or "*.*") in a folder whose path the code
// page carries is listed in one pass with the subfolders, as Dir and
// SubFolders would list them; that the pass finds the folder tells that it
// is one.  Any other pattern goes to Dir itself and the subfolders are listed
// when they are asked for.  A size or a subfolder list taken in the pass
// stands only as long as no event handler has run since.
class FolderFiles {
 public:
  FolderFiles(const std::optional<std::wstring>& folder, std::wstring_view pattern)
      : folder_(folder), eventsAtListing_(rt::PacedEvents::Runs()) {
    size_t baseLength = 0;
    if (folder_ && OnePass(pattern, &baseLength)) {
      ListOnce(baseLength);
    } else if (folder_ && IsFolder(*folder_)) {
      scan_.emplace(pattern, 0);
    } else {
      isFolder_ = false;
    }
  }

  bool Next(FoundFile& file) {
    if (scan_) {
      file.sizeListed = false;
      return scan_->Next(file.entry);
    }
    if (next_ >= files_.size()) return false;
    const size_t i = next_++;
    file.entry = std::move(files_[i]);
    file.sizeListed = sizeListed_[i] && rt::PacedEvents::Runs() == eventsAtListing_;
    return true;
  }

  std::vector<SubFolder> SubFolders() const {
    if (!isFolder_) return {};
    if (listedOnce_ && rt::PacedEvents::Runs() == eventsAtListing_) return subFolders_;
    return SubFolderPaths(*folder_);
  }

 private:
  // Whether the pattern lists the whole folder in a form the code page
  // carries; `baseLength` is then the ANSI length of the folder part with its
  // backslash.
  bool OnePass(std::wstring_view pattern, size_t* baseLength) const {
    const std::wstring& folder = *folder_;
    const size_t base = folder.size() + (folder.empty() || folder.back() != L'\\' ? 1 : 0);
    if (pattern.size() <= base || pattern.substr(0, folder.size()) != folder ||
        pattern[base - 1] != L'\\')
      return false;
    const std::wstring_view name = pattern.substr(base);
    if (name != L"*" && name != L"*.*") return false;
    bool intact = false;
    size_t ansiLength = 0;
    rt::AnsiFileName(pattern, &intact, &ansiLength);
    *baseLength = ansiLength - name.size();
    return intact && ansiLength <= kSafeAnsiPath;
  }

  void ListOnce(size_t baseLength) {
    listedOnce_ = true;
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileW(BuildPath(*folder_, L"*").c_str(), &data));
    if (!find) {
      isFolder_ = false;
      return;
    }
    do {
      const std::wstring_view name = data.cFileName;
      const DWORD attributes = data.dwFileAttributes;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (name != L"." && name != L"..")
          subFolders_.push_back(
              {BuildPath(*folder_, name), (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        continue;
      }
      if (!rt::DirLists(attributes, 0)) continue;
      rt::DirEntry entry;
      bool intact = false;
      size_t nameLength = 0;
      entry.name = rt::AnsiFileName(name, &intact, &nameLength);
      entry.attributes = attributes;
      entry.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      files_.push_back(std::move(entry));
      // Under the name Dir gives, FileLen finds this same file.
      sizeListed_.push_back(intact && baseLength + nameLength <= kSafeAnsiPath);
    } while (::FindNextFileW(find.Get(), &data));
  }

  const std::optional<std::wstring>& folder_;
  unsigned long eventsAtListing_;
  std::optional<rt::DirScan> scan_;
  bool isFolder_ = true;
  bool listedOnce_ = false;
  std::vector<rt::DirEntry> files_;
  std::vector<bool> sizeListed_;
  size_t next_ = 0;
  std::vector<SubFolder> subFolders_;
};

// The volume and index of the folder a path leads to, through any links.
std::optional<std::pair<DWORD, ULONGLONG>> FolderIdentity(const std::wstring& path) {
  Handle folder(::CreateFileW(path.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!folder || !::GetFileInformationByHandle(folder.Get(), &info)) return std::nullopt;
  return std::pair{info.dwVolumeSerialNumber,
                   (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A folder link that leads to a folder the walk is in would take the walk
// round for ever, each round a level deeper. Links elsewhere are followed.
bool LeadsBackIntoWalk(const SubFolder& sub, const std::vector<std::wstring>& walk) {
  if (!sub.link) return false;
  const auto target = FolderIdentity(sub.path);
  if (!target) return false;
  for (const std::wstring& folder : walk)
    if (FolderIdentity(folder) == target) return true;
  return false;
}

// The folder a collection is in, for the collections it makes below it.
class WalkStep {
 public:
  WalkStep(std::vector<std::wstring>& walk, const std::optional<std::wstring>& folder)
      : walk_(walk), pushed_(folder.has_value()) {
    if (pushed_) walk_.push_back(*folder);
  }
  WalkStep(const WalkStep&) = delete;
  WalkStep& operator=(const WalkStep&) = delete;
  ~WalkStep() {
    if (pushed_) walk_.pop_back();
  }

 private:
  std::vector<std::wstring>& walk_;
  bool pushed_;
};

// The length FileLen reads for a file of the folder, as a 32-bit number.
long LengthOf(const std::wstring& folder, const FoundFile& file) {
  const ULONGLONG size =
      file.sizeListed ? file.entry.size : rt::FileLen(BuildPath(folder, file.entry.name.View()));
  return rt::CLng(static_cast<double>(size));
}

}  // namespace

long CreateFileArray(frame::Common& self, BSTR StartFolder, BSTR* FileExtension,
                     VARIANT_BOOL* GetSubFolders, VARIANT_BOOL* BubbleSortArray) {
  // A tree deeper than the thread's stack can hold ends here, as a failure of
  // the call that would have gone deeper.
  rt::CheckStackSpace();
  rt::PacedEvents events;
  long total = 0;

  std::optional<std::wstring> folder;
  rt::ResumeNext([&] { folder = FullPath(View(StartFolder)); });
  std::wstring pattern;
  rt::ResumeNext([&] {
    if (!folder) Raise(kErrObjectNotSet);
    Bstr path(*folder);
    Bstr withSlash = AddSlashVia(self, path.Ref());
    pattern = BuildPath(withSlash.View(), View(*FileExtension));
  });
  std::optional<FolderFiles> files;
  rt::ResumeNext([&] { files.emplace(folder, pattern); });
  self.collector.sortFlag = *BubbleSortArray;

  FoundFile file;
  while (files && files->Next(file)) {
    rt::ResumeNext([&] { total = rt::Add32(total, LengthOf(*folder, file)); });
    rt::ResumeNext([&] {
      Bstr& name = file.entry.name;
      rt::LowerCaseInPlace({name.Get(), name.Length()});
      SetListElement(self, self.collector.fileCount, std::move(name));
    });
    rt::ResumeNext([&] { self.collector.fileCount = rt::Add32(self.collector.fileCount, 1); });
    events.Step();
  }

  if (*GetSubFolders == VARIANT_TRUE && folder) {
    std::vector<SubFolder> subFolders;
    rt::ResumeNext([&] { subFolders = files ? files->SubFolders() : SubFolderPaths(*folder); });
    const WalkStep step(self.collector.walk, folder);
    for (const SubFolder& sub : subFolders) {
      events.Step();
      if (LeadsBackIntoWalk(sub, self.collector.walk)) continue;
      rt::ResumeNext([&] {
        VARIANT_BOOL deeper = VARIANT_TRUE;
        const long found = CreateFileArrayVia(self, Bstr(sub.path).Get(), FileExtension, &deeper,
                                              &self.collector.sortFlag);
        total = rt::Add32(total, found);
      });
    }
  }

  if (self.collector.sortFlag == VARIANT_TRUE) rt::ResumeNext([&] { SortListLater(self); });
  return total;
}

}  // namespace kb::files
