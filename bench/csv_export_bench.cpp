// One export of the benchmark's table with dB_RsToCSVFile, as a client calls
// it, timed on its own; prints "<rows> <seconds> <peak private bytes growth>".
//
//   csv_export_bench DATABASE OUTPUT ROWS
#include <windows.h>

#include <oleauto.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "frame/interfaces.h"
#include "runtime/handles.h"

namespace {

double Seconds() {
  LARGE_INTEGER frequency, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SIZE_T PeakPrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakPagefileUsage;
}

int Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "csv_export_bench: %s failed (0x%08lX)\n", what,
               static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: csv_export_bench DATABASE OUTPUT ROWS\n");
    return 2;
  }
  ::CoInitialize(nullptr);
  CLSID clsid{};
  kb::ComPtr<IDispatch> object;
  HRESULT hr = ::CLSIDFromProgID(L"Kitbag.clsDataBase", &clsid);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(object.Out()));
  if (FAILED(hr)) return Fail("creating Kitbag.clsDataBase", hr);
  auto* db = reinterpret_cast<kb::_clsDataBase*>(object.Get());
  kb::Bstr file(argv[1]), user(L"admin"), password(L""), output(argv[2]), delimiter(L",");
  long slot = 0, cursor = 0, lock = 1;
  if (FAILED(hr = db->lpVtbl->dB_OpendB(db, file.Ref(), user.Ref(), password.Ref(), &slot)))
    return Fail("dB_OpendB", hr);
  kb::Bstr sql(L"SELECT Id, Amount, Name, Created, Note, Qty FROM Bench WHERE Id <= " +
               std::wstring(argv[3]) + L" ORDER BY Id");
  kb::ComPtr<IDispatch> rs;
  if (FAILED(hr = db->lpVtbl->dB_OpenRs(db, sql.Ref(), &cursor, &lock, &slot, rs.Out())))
    return Fail("dB_OpenRs", hr);
  IDispatch* records = rs.Get();
  const SIZE_T before = PeakPrivateBytes();
  const double start = Seconds();
  if (FAILED(hr = db->lpVtbl->dB_RsToCSVFile(db, &records, output.Ref(), delimiter.Ref())))
    return Fail("dB_RsToCSVFile", hr);
  const double elapsed = Seconds() - start;
  std::printf("%ls %.4f %lu\n", argv[3], elapsed,
              static_cast<unsigned long>(PeakPrivateBytes() - before));
  rs = nullptr;
  object = nullptr;
  ::CoUninitialize();
  return 0;
}
