#include "tests/support/file_printer.h"

#include <winspool.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <vector>

namespace kb::support {
namespace {

constexpr wchar_t kDriver[] = L"Wine PostScript Driver";
constexpr wchar_t kPort[] = L"LPT1:";
constexpr wchar_t kSpoolerKey[] = L"Software\\Wine\\Printing\\Spooler";

// The spooler copies a driver's files from its own driver folder into the
// folder of the driver's version, so the printer description is written there.
std::wstring DriverFolderPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD size = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                    sizeof folder - sizeof(wchar_t), &size)) {
    throw std::runtime_error("the spooler has no driver folder");
  }
  return std::wstring(folder) + L"\\" + name + std::to_wstring(::GetCurrentProcessId());
}

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name + std::to_wstring(::GetCurrentProcessId());
}

// The host's name of a file, which the prefix's spooler settings take.
std::wstring UnixPathOf(const std::wstring& path) {
  using Convert = char*(CDECL*)(LPCWSTR);
  auto convert = reinterpret_cast<Convert>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
  if (!convert) throw std::runtime_error("not running under Wine");
  char* unix = convert(path.c_str());
  if (!unix) throw std::runtime_error("no unix name for the printer's output file");
  std::wstring name(unix, unix + std::char_traits<char>::length(unix));
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return name;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The printer description that comes with the platform's print spooler.
void WriteGenericPpd(const std::wstring& path) {
  HMODULE spooler = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC resource = spooler ? ::FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE") : nullptr;
  HGLOBAL data = resource ? ::LoadResource(spooler, resource) : nullptr;
  const void* bytes = data ? ::LockResource(data) : nullptr;
  if (!bytes) throw std::runtime_error("the generic printer description is missing");
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(static_cast<const char*>(bytes), ::SizeofResource(spooler, resource));
  ::FreeLibrary(spooler);
  if (!out) throw std::runtime_error("cannot write the printer description");
}

std::wstring DefaultPrinter() {
  DWORD size = 0;
  ::GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!::GetDefaultPrinterW(name.data(), &size)) return {};
  name.resize(::wcsnlen(name.c_str(), name.size()));
  return name;
}

bool ReadPortMapping(std::wstring& value) {
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (::RegGetValueW(HKEY_CURRENT_USER, kSpoolerKey, kPort, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS) {
    return false;
  }
  value = buffer;
  return true;
}

void WritePortMapping(const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSpoolerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot write the spooler's port settings");
  }
  ::RegSetValueExW(key, kPort, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
}

void RemovePrinter() {
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (!::OpenPrinterW(const_cast<wchar_t*>(FilePrinter::kName), &printer, &access)) return;
  ::DeletePrinter(printer);
  ::ClosePrinter(printer);
}

}  // namespace

FilePrinter::FilePrinter()
    : outputPath_(TempPath(L"kitbag_printed_") + L".ps"),
      ppdPath_(DriverFolderPath(L"kitbag_generic_") + L".ppd"),
      oldDefault_(DefaultPrinter()) {
  WriteGenericPpd(ppdPath_);
  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kDriver);
  driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDataFile = ppdPath_.data();
  driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
  driver.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
  if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES))
    throw std::runtime_error("cannot install the PostScript driver");
  hadPortMapping_ = ReadPortMapping(oldPortMapping_);
  WritePortMapping(UnixPathOf(outputPath_));
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<wchar_t*>(kName);
  info.pPortName = const_cast<wchar_t*>(kPort);
  info.pDriverName = const_cast<wchar_t*>(kDriver);
  info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  // One left over from a test that never finished is the same printer.
  if (!printer && ::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS)
    throw std::runtime_error("cannot add the test printer");
  if (printer) ::ClosePrinter(printer);
  if (!::SetDefaultPrinterW(kName))
    throw std::runtime_error("cannot make the test printer default");
  Clear();
}

FilePrinter::~FilePrinter() {
  RemovePrinter();
  if (!oldDefault_.empty()) ::SetDefaultPrinterW(oldDefault_.c_str());
  if (hadPortMapping_) {
    WritePortMapping(oldPortMapping_);
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSpoolerKey, kPort);
  }
  ::DeleteFileW(outputPath_.c_str());
  ::DeleteFileW(ppdPath_.c_str());
}

std::string FilePrinter::Output() const { return ReadAll(outputPath_); }

std::wstring FilePrinter::Text() const { return GlyphText(Output()); }

int FilePrinter::Pages() const {
  const std::string output = Output();
  int pages = 0;
  for (size_t at = output.find("%%Page:"); at != output.npos; at = output.find("%%Page:", at + 1))
    ++pages;
  return pages;
}

void FilePrinter::Clear() { ::DeleteFileW(outputPath_.c_str()); }

std::wstring GlyphText(const std::string& postScript) {
  static const std::map<std::string, wchar_t> kNames = {
      {"space", L' '},       {"uni00A0", L' '},    {"period", L'.'},  {"comma", L','},
      {"hyphen", L'-'},      {"colon", L':'},      {"exclam", L'!'},  {"question", L'?'},
      {"percent", L'%'},     {"zero", L'0'},       {"one", L'1'},     {"two", L'2'},
      {"three", L'3'},       {"four", L'4'},       {"five", L'5'},    {"six", L'6'},
      {"seven", L'7'},       {"eight", L'8'},      {"nine", L'9'},    {"ae", L'\u00E6'},
      {"oslash", L'\u00F8'}, {"aring", L'\u00E5'}, {"AE", L'\u00C6'}, {"Oslash", L'\u00D8'},
      {"Aring", L'\u00C5'},
  };
  std::wstring text;
  const std::string shown = " glyphshow";
  for (size_t at = postScript.find(shown); at != postScript.npos;
       at = postScript.find(shown, at + 1)) {
    const size_t slash = postScript.rfind('/', at);
    if (slash == postScript.npos) continue;
    const std::string name = postScript.substr(slash + 1, at - slash - 1);
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0]))) {
      text += static_cast<wchar_t>(name[0]);
      continue;
    }
    const auto known = kNames.find(name);
    text += known == kNames.end() ? L'?' : known->second;
  }
  return text;
}

}  // namespace kb::support
