// mkmanifest FOLDER
//
// Writes the side-by-side manifests of the library from the member table,
// for use without registration:
//   Kitbag.sxs.manifest   the library's own assembly, to ship beside
//                         Kitbag.dll: its classes with their ProgIDs, the
//                         type library and the dual interfaces, marshalled
//                         by the automation marshaler
//   Example.exe.manifest  a client application's manifest that depends on
//                         it (rename it after the application's program)
// Both name the build's processor architecture.  The assembly has a name of
// its own rather than the DLL's: the loader looks for a manifest inside a
// DLL of the assembly's name before it looks for the manifest file.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "frame/metadata.h"

namespace {

using kb::meta::GuidText;

constexpr char kAssemblyName[] = "Kitbag.sxs";
constexpr char kAssemblyVersion[] = "1.0.0.0";
constexpr const char* kArchitecture = sizeof(void*) == 8 ? "amd64" : "x86";
// IDispatch: the base of every dual interface.
constexpr wchar_t kDispatchIid[] = L"{00020400-0000-0000-C000-000000000046}";

// The names and identifiers here are ASCII; anything else would be a fault
// of the member table.
std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Identity(const char* indent = "  ") {
  return std::string(indent) + "<assemblyIdentity type=\"win32\" name=\"" + kAssemblyName +
         "\" version=\"" + kAssemblyVersion + "\" processorArchitecture=\"" + kArchitecture +
         "\"/>\n";
}

constexpr char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n";

std::string LibraryManifest() {
  namespace meta = kb::meta;
  const std::string lib = Ascii(GuidText(meta::kLibraryId));
  std::string xml = kHeader + Identity();
  xml += "  <file name=\"Kitbag.dll\">\n";
  xml += "    <typelib tlbid=\"" + lib + "\" version=\"" + Ascii(meta::kLibraryVersion) +
         "\" helpdir=\"\" flags=\"\"/>\n";
  for (const auto& c : meta::Classes()) {
    xml += "    <comClass clsid=\"" + Ascii(GuidText(c.clsid)) + "\" progid=\"" +
           Ascii(meta::ProgIdOf(c)) + "\" tlbid=\"" + lib + "\" threadingModel=\"" +
           Ascii(meta::kThreadingModel) + "\" description=\"" + Ascii(c.name) + "\"/>\n";
  }
  xml += "  </file>\n";
  for (const auto& c : meta::Classes()) {
    xml += "  <comInterfaceExternalProxyStub name=\"" + Ascii(c.iface) + "\" iid=\"" +
           Ascii(GuidText(c.iid)) + "\" proxyStubClsid32=\"" + Ascii(meta::kAutomationMarshaler) +
           "\" baseInterface=\"" + Ascii(kDispatchIid) + "\" tlbid=\"" + lib + "\"/>\n";
  }
  return xml + "</assembly>\n";
}

std::string ClientManifest() {
  std::string xml = kHeader;
  xml += std::string("  <assemblyIdentity type=\"win32\" name=\"Example\" version=\"1.0.0.0\" ") +
         "processorArchitecture=\"" + kArchitecture + "\"/>\n";
  xml += "  <dependency>\n    <dependentAssembly>\n";
  xml += Identity("      ");
  xml += "    </dependentAssembly>\n  </dependency>\n";
  return xml + "</assembly>\n";
}

bool Write(const std::wstring& path, const std::string& text) {
  std::ofstream out(path.c_str(), std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: mkmanifest FOLDER\n", stderr);
    return 2;
  }
  const std::wstring folder = std::wstring(argv[1]) + L"\\";
  if (!Write(folder + L"Kitbag.sxs.manifest", LibraryManifest()) ||
      !Write(folder + L"Example.exe.manifest", ClientManifest())) {
    std::fputs("mkmanifest: cannot write the manifests\n", stderr);
    return 1;
  }
  return 0;
}
