// The MSVC names of the C++ exports, as clang in MSVC mode derives them from
// the public headers at build time, against the DLL this program loaded.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace {

struct Pair {
  const char *kind;  // "alias", or "ctor" for a constructor wrapper
  const char *msvc;
  const char *mingw;
};

const Pair kPairs[] = {
#include "msvc_names.inc"
};

// Loaded by name: this program calls nothing in the DLL directly.
HMODULE Dll() {
  static const HMODULE dll = LoadLibraryW(L"kokernel.dll");
  return dll;
}

template <class F>
F Proc(const std::string &name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(Dll(), name.c_str())));
}

// Every name in the export directory of the loaded DLL.
std::set<std::string> ExportTable() {
  if (!Dll()) return {};
  auto *base = reinterpret_cast<const BYTE *>(Dll());
  auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS64 *>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
  const auto &entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  auto *dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
  auto *names = reinterpret_cast<const DWORD *>(base + dir->AddressOfNames);
  std::set<std::string> out;
  for (DWORD i = 0; i < dir->NumberOfNames; ++i)
    out.insert(reinterpret_cast<const char *>(base + names[i]));
  return out;
}

// Each MSVC name is exported beside its MinGW name: an alias of it, or for a
// constructor a wrapper that returns the object. Every C++ function the DLL
// exports has an MSVC name: base-object constructors and destructors (C2, D2)
// are the complete ones (C1, D1) to an MSVC host; the table and type
// information (_ZT...) are data, not aliased.
TEST(MsvcNames, CoverEveryCppExportBesideItsMinGWName) {
  ASSERT_NE(Dll(), nullptr);
  const std::set<std::string> table = ExportTable();
  std::set<std::string> paired;
  for (const Pair &p : kPairs) {
    paired.insert(p.mingw);
    EXPECT_TRUE(table.count(p.msvc) && table.count(p.mingw)) << p.msvc << " (" << p.mingw << ") not both exported";
    const FARPROC msvc = GetProcAddress(Dll(), p.msvc), mingw = GetProcAddress(Dll(), p.mingw);
    EXPECT_TRUE(msvc && mingw && (msvc != mingw) == (std::string(p.kind) == "ctor"))
        << p.msvc << ": a constructor is a wrapper, anything else resolves where " << p.mingw << " does";
  }
  const std::regex base("(C|D)2E");
  for (const std::string &name : table) {
    if (name.rfind("_Z", 0) != 0 || name.rfind("_ZT", 0) == 0) continue;
    const std::string complete = std::regex_replace(name, base, "$011E");
    EXPECT_TRUE(paired.count(complete)) << name << " has no MSVC name";
  }
}

// An MSVC constructor hands back the object it built, in the return register.
TEST(MsvcNames, DefaultConstructorsReturnTheObject) {
  int seen = 0;
  for (const Pair &p : kPairs) {
    const std::string msvc = p.msvc, none = "@QEAA@XZ";  // a public constructor without parameters
    if (std::string(p.kind) != "ctor" || msvc.size() < none.size() ||
        msvc.compare(msvc.size() - none.size(), none.size(), none))
      continue;
    const std::string cls = msvc.substr(3, msvc.find("@@") - 3);
    auto make = Proc<void *(*)(void *)>(msvc);
    auto destroy = Proc<void (*)(void *)>("??1" + cls + "@@QEAA@XZ");
    alignas(16) unsigned char storage[256];
    ASSERT_TRUE(make && destroy) << cls;
    EXPECT_EQ(make(storage), storage) << p.msvc;
    destroy(storage), ++seen;
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
