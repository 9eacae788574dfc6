// The file collector over generated trees of 20,000 files in 2,000 folders
// and of 200,000 files in 20,000 folders,
// with subfolders and sorting, against (a) a script collecting the same
// lower-cased names and total size with the file system object, and (b) a
// bare FindFirstFile/FindNextFile walk collecting names and sizes, the limit
// any collector has.  All three run here, on the same tree, in this run; the
// ratios cancel out the speed of the machine.  Ours and the bare walk run in
// pairs, one right after the other and each first in every other round, and
// the median of the pairs' ratios counts: the machine's speed drifts by more
// than the difference measured, over a run, but hardly within a pair.  Each
// walks on a thread of its own (the collector's list belongs to its thread),
// since a process's first thread and a new one do not meet the system alike.
// The script, far slower, counts with its best of its rounds against our best.
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_common.h"

namespace {

constexpr int kSubFolders = 49;  // below each top folder
constexpr int kFilesPerFolder = 10;

// A tree of top * (1 + kSubFolders) folders of kFilesPerFolder files, and
// how many rounds each side gets on it.
struct Size {
  int top;
  int rounds;
  int peerRounds;
  int Folders() const { return top * (kSubFolders + 1); }
  size_t Files() const { return static_cast<size_t>(Folders()) * kFilesPerFolder; }
};
constexpr Size kSizes[] = {{40, 9, 2}, {400, 7, 1}};

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        ::DeleteFileW(full.c_str());
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

// Files in mixed case with sizes of 1 to 97 bytes, none in the root.
long long MakeTree(const std::wstring& root, int topFolders) {
  RemoveTree(root);
  ::CreateDirectoryW(root.c_str(), nullptr);
  long long total = 0;
  int n = 0;
  const std::string content(100, 'x');
  auto fill = [&](const std::wstring& folder) {
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int f = 0; f < kFilesPerFolder; ++f, ++n) {
      const std::wstring name = folder + L"\\Faktura_" + std::to_wstring((n * 7919) % 100003) +
                                (n % 2 ? L".TXT" : L".txt");
      HANDLE file =
          ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      const DWORD size = static_cast<DWORD>(n % 97 + 1);
      DWORD written = 0;
      ::WriteFile(file, content.data(), size, &written, nullptr);
      ::CloseHandle(file);
      total += size;
    }
  };
  for (int t = 0; t < topFolders; ++t) {
    const std::wstring top = root + L"\\Afdeling " + std::to_wstring(t);
    fill(top);
    for (int s = 0; s < kSubFolders; ++s) fill(top + L"\\Sag " + std::to_wstring(s));
  }
  return total;
}

// ---- (b) the limit ----------------------------------------------------------------

void Walk(const std::wstring& folder, std::vector<std::wstring>& names, long long& total) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> subFolders;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (data.cFileName[0] != L'.') subFolders.push_back(folder + L"\\" + data.cFileName);
    } else {
      names.emplace_back(data.cFileName);
      total += data.nFileSizeLow;
    }
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  for (const auto& sub : subFolders) Walk(sub, names, total);
}

// On a thread of its own, as the collector runs: both sides start alike.
double WalkOnce(const std::wstring& root, std::vector<std::wstring>& names, long long& total) {
  struct Job {
    const std::wstring* root;
    std::vector<std::wstring>* names;
    long long* total;
    double seconds;
    static DWORD WINAPI Run(void* p) {
      Job& job = *static_cast<Job*>(p);
      const double begin = bench::Now();
      Walk(*job.root, *job.names, *job.total);
      job.seconds = bench::Now() - begin;
      return 0;
    }
  } job{&root, &names, &total, 0};
  HANDLE thread = ::CreateThread(nullptr, 0, Job::Run, &job, 0, nullptr);
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  return job.seconds;
}

// ---- ours ----------------------------------------------------------------------------

struct Collected {
  long total = 0;
  size_t count = 0;
  bool sorted = false;
  double listSeconds = 0;  // sorting the list and handing out its copy
  double bytes = 0;        // the private memory the collected list holds
};

// One collection on a thread of its own: the file list belongs to the thread,
// so every round starts with none.
Collected CollectOnce(const std::wstring& root, double& seconds) {
  struct Job {
    const std::wstring* root;
    Collected out;
    double seconds = 0;
  };
  Job job{&root, {}, 0};
  struct Thread {
    static DWORD WINAPI Run(void* p) {
      Job& job = *static_cast<Job*>(p);
      ::CoInitialize(nullptr);
      kb::_clsCommon* o = bench::NewCommon();
      if (o) {
        BSTR start = ::SysAllocString(job.root->c_str());
        BSTR pattern = ::SysAllocString(L"*.*");
        VARIANT_BOOL subFolders = VARIANT_TRUE, sort = VARIANT_TRUE;
        VARIANT list;
        ::VariantInit(&list);
        const SIZE_T before = PrivateBytes();
        const double begin = bench::Now();
        o->lpVtbl->cmn_CreateFileArray(o, start, &pattern, &subFolders, &sort, &job.out.total);
        const double walked = bench::Now();
        job.out.bytes = static_cast<double>(PrivateBytes()) - static_cast<double>(before);
        o->lpVtbl->get_cmn_FileArray(o, &list);
        job.seconds = bench::Now() - begin;
        job.out.listSeconds = job.seconds - (walked - begin);
        if (V_VT(&list) == (VT_ARRAY | VT_BSTR) && V_ARRAY(&list)) {
          const auto* items = static_cast<BSTR*>(V_ARRAY(&list)->pvData);
          job.out.count = V_ARRAY(&list)->rgsabound[0].cElements;
          job.out.sorted = std::is_sorted(items, items + job.out.count, [](BSTR a, BSTR b) {
            return std::wstring_view(a, ::SysStringLen(a)) <
                   std::wstring_view(b, ::SysStringLen(b));
          });
        }
        ::VariantClear(&list);
        ::SysFreeString(start);
        ::SysFreeString(pattern);
        bench::Release(o);
      }
      ::CoUninitialize();
      return 0;
    }
  };
  HANDLE thread = ::CreateThread(nullptr, 0, Thread::Run, &job, 0, nullptr);
  ::WaitForSingleObject(thread, INFINITE);
  ::CloseHandle(thread);
  seconds = job.seconds;
  return job.out;
}

// ---- (a) the script ------------------------------------------------------------------

// Runs the peer script under the system's script host and reads its result.
bool RunPeer(const std::wstring& script, const std::wstring& root, long long& count,
             long long& total, double& seconds) {
  const std::wstring resultFile = root + L".result";
  ::DeleteFileW(resultFile.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command =
      L"cscript.exe //nologo \"" + script + L"\" \"" + root + L"\" \"" + resultFile + L"\"";
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::printf("collect: the script host did not start (error %lu)\n", ::GetLastError());
    return false;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  char line[256] = {};
  if (FILE* file = ::_wfopen(resultFile.c_str(), L"r")) {
    std::fgets(line, sizeof line, file);
    std::fclose(file);
  }
  ::DeleteFileW(resultFile.c_str());
  long long ms = 0;
  if (std::sscanf(line, "peer %lld %lld %lld", &count, &total, &ms) != 3) {
    std::printf("collect: the script gave no result\n");
    return false;
  }
  seconds = static_cast<double>(ms) / 1000.0;
  return true;
}

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

// The memory one collection holds, measured in a process of its own so that
// no earlier round's freed memory is there to reuse.
double MemoryOfOne(const std::wstring& root) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring command = L"\"" + std::wstring(self) + L"\" memory \"" + root + L"\"";
  double bytes = 0;
  // The command interpreter takes the outer quotation marks off.
  if (FILE* out = _wpopen((L"\"" + command + L"\"").c_str(), L"r")) {
    if (std::fscanf(out, "%lf", &bytes) != 1) bytes = 0;
    _pclose(out);
  }
  return bytes;
}

struct Result {
  double ours = 1e9, raw = 1e9, peer = 1e9, list = 0, bytesPerFile = 0;
  std::vector<double> pairs;  // ours / raw walk, round by round
  bool sound = true;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The script's rounds: its best time into r.peer.
void MeasurePeer(const std::wstring& root, const Size& size, long long expectedTotal, Result& r) {
  const std::wstring script = WindowsPath(KITBAG_BENCH_PEER);
  for (int round = 0; round < size.peerRounds; ++round) {
    long long count = 0, total = 0;
    double seconds = 0;
    if (!RunPeer(script, root, count, total, seconds)) {
      r.sound = false;
      return;
    }
    r.sound = r.sound && count == static_cast<long long>(size.Files()) && total == expectedTotal;
    r.peer = std::min(r.peer, seconds);
  }
}

// Ours and the bare walk in pairs, each first in every other round.
void MeasurePairs(const std::wstring& root, const Size& size, long long expectedTotal, Result& r) {
  for (int round = 0; round < size.rounds; ++round) {
    double oursSeconds = 0, rawSeconds = 0;
    auto collect = [&] {
      const Collected ours = CollectOnce(root, oursSeconds);
      if (oursSeconds < r.ours) r.list = ours.listSeconds;
      r.ours = std::min(r.ours, oursSeconds);
      r.sound = r.sound && ours.count == size.Files() && ours.total == expectedTotal && ours.sorted;
    };
    auto walk = [&] {
      std::vector<std::wstring> names;
      long long total = 0;
      rawSeconds = WalkOnce(root, names, total);
      r.raw = std::min(r.raw, rawSeconds);
      r.sound = r.sound && names.size() == size.Files() && total == expectedTotal;
    };
    if (round % 2 == 0) {
      collect();
      walk();
    } else {
      walk();
      collect();
    }
    r.pairs.push_back(oursSeconds / rawSeconds);
    std::printf("collect: round %d: ours %.3f s, raw walk %.3f s\n", round + 1, oursSeconds,
                rawSeconds);
  }
}

// Runs a step and says how long it took.
void Timed(const char* what, const std::function<void()>& step) {
  const double begin = bench::Now();
  step();
  std::printf("collect: %s in %.1f s\n", what, bench::Now() - begin);
  std::fflush(stdout);
}

Result Measure(const std::wstring& root, const Size& size) {
  std::printf("collect: making %zu files in %d folders...\n", size.Files(), size.Folders());
  std::fflush(stdout);
  long long expectedTotal = 0;
  Timed("made", [&] { expectedTotal = MakeTree(root, size.top); });
  Result r;
  // The slow steps go first: the system is still writing the new tree out for
  // a while, which would weigh on whichever side of a pair met it.
  Timed("the script's rounds", [&] { MeasurePeer(root, size, expectedTotal, r); });
  Timed("memory of one",
        [&] { r.bytesPerFile = MemoryOfOne(root) / static_cast<double>(size.Files()); });
  Timed("our rounds and the walks", [&] { MeasurePairs(root, size, expectedTotal, r); });
  Timed("removed", [&] { RemoveTree(root); });
  std::printf(
      "collect: %zu files, best of %d: ours %.3f s (the sorted list %.3f s of it, %.0f bytes a "
      "file), raw walk %.3f s; best of %d: script %.3f s%s\n",
      size.Files(), size.rounds, r.ours, r.list, r.bytesPerFile, r.raw, size.peerRounds, r.peer,
      r.sound ? "" : " (RESULTS DIFFER: the ratios do not count)");
  return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ::CoInitialize(nullptr);
  if (argc == 3 && std::wstring_view(argv[1]) == L"memory") {
    double seconds = 0;
    std::printf("%.0f\n", CollectOnce(argv[2], seconds).bytes);
    return 0;
  }
  const std::wstring root = TempFolder() + L"kb-bench-tree";
  bool sound = true;
  double firstBytesPerFile = 0;
  for (const Size& size : kSizes) {
    const Result r = Measure(root, size);
    sound = sound && r.sound;
    char what[96];
    std::snprintf(what, sizeof what, "script / ours, %zu files", size.Files());
    bench::Result("collect", r.peer / r.ours, what, ">= 2");
    std::snprintf(what, sizeof what, "ours / raw walk, %zu files, median of %d pairs", size.Files(),
                  size.rounds);
    bench::Result("collect", Median(r.pairs), what, "<= 1.1");
    if (&size == kSizes) {
      firstBytesPerFile = r.bytesPerFile;
      continue;
    }
    std::snprintf(what, sizeof what, "memory a file, %zu files / %zu files", size.Files(),
                  kSizes[0].Files());
    bench::Result("collect", r.bytesPerFile / firstBytesPerFile, what, "<= 1.1");
  }
  ::CoUninitialize();
  return sound ? 0 : 1;
}
