// Narrow-text dumps: the exception record with its module and thread, and
// hex dumps of bytes and DWORDs. Memory is read only through the platform's
// probe, so that a dump of an unreadable range shows dots instead of faulting.
// The fault reporter, when its library is present, receives every dumped
// exception first.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "errors/errors_internal.h"
#include "platform/platform.h"

namespace ko::errors {

namespace {

// ---- the fault reporter ------------------------------------------------------------

using ReporterFn = LONG (*)(EXCEPTION_POINTERS *);

#ifdef _WIN32
const KOCHAR kReporterLibrary[] = KOTEXT("CrashLedger.dll");
#else
const KOCHAR kReporterLibrary[] = KOTEXT("libCrashLedger.so");
#endif

const KOCHAR *g_reporterName = kReporterLibrary;
std::atomic<bool> g_reporterLooked{false};
std::atomic<ReporterFn> g_reporter{nullptr};

ReporterFn Reporter() {
  if (!g_reporterLooked.load(std::memory_order_acquire)) {
    ReporterFn fn = nullptr;
    if (HMODULE module = platform::ModuleLoad(g_reporterName))
      fn = reinterpret_cast<ReporterFn>(platform::ModuleSymbol(module, "CrashLedger_UnmanagedException"));
    g_reporter.store(fn, std::memory_order_relaxed);
    g_reporterLooked.store(true, std::memory_order_release);
  }
  return g_reporter.load(std::memory_order_relaxed);
}

// ---- text helpers --------------------------------------------------------------------

// Pointers as 16 upper-case hexadecimal digits, the way the system's "%p"
// writes them on 64-bit Windows.
void PutPointer(std::string &s, uintptr_t v) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = 60; shift >= 0; shift -= 4) s += kDigits[(v >> shift) & 0xF];
}

void PutHex(std::string &s, uint32_t v, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) s += kDigits[(v >> shift) & 0xF];
}

// Writes whole lines into a caller's buffer, each only when it fits with its
// terminator.
class Output {
 public:
  Output(char *out, UINT size) : out_(out), size_(out ? size : 0) {
    if (size_) out_[0] = 0;
  }
  bool Fits(size_t n) const { return len_ + n + 1 <= size_; }
  bool Append(const std::string &line) {
    if (!Fits(line.size())) return false;
    std::memcpy(out_ + len_, line.data(), line.size());
    len_ += line.size();
    out_[len_] = 0;
    return true;
  }
  size_t Room() const { return size_ - len_; }
  size_t Length() const { return len_; }

 private:
  char *out_;
  size_t size_;
  size_t len_ = 0;
};

struct ExceptionName {
  uint32_t code;
  const char *name;
};
constexpr ExceptionName kExceptionNames[] = {
    {0x80000001u, "guard page violation"},   {0x80000002u, "datatype misalignment"},
    {0x80000003u, "breakpoint"},             {0x80000004u, "single step"},
    {0xC0000005u, "access violation"},       {0xC0000006u, "in page error"},
    {0xC0000008u, "invalid handle"},         {0xC0000017u, "no memory"},
    {0xC000001Du, "illegal instruction"},    {0xC0000025u, "noncontinuable exception"},
    {0xC0000026u, "invalid disposition"},    {0xC000008Cu, "array bounds exceeded"},
    {0xC000008Du, "float denormal operand"}, {0xC000008Eu, "float divide by zero"},
    {0xC000008Fu, "float inexact result"},   {0xC0000090u, "float invalid operation"},
    {0xC0000091u, "float overflow"},         {0xC0000092u, "float stack check"},
    {0xC0000093u, "float underflow"},        {0xC0000094u, "integer divide by zero"},
    {0xC0000095u, "integer overflow"},       {0xC0000096u, "privileged instruction"},
    {0xC00000FDu, "stack overflow"},         {0xC000013Au, "control+c exit"},
};

const char *NameOf(uint32_t code) {
  for (const ExceptionName &e : kExceptionNames)
    if (e.code == code) return e.name;
  return "Unknown Type";
}

// Writing stops after a line when less room than this remains.
constexpr size_t kStopRoom = 50;
// " %p: ", eight columns of three, eight characters, "\r\n".
constexpr size_t kHexRowChars = 1 + 16 + 2 + 8 * 3 + 8 + 2;

}  // namespace

void SetFaultReporterName(const KOCHAR *name) {
  g_reporterName = name ? name : kReporterLibrary;
  g_reporterLooked.store(false, std::memory_order_release);
}

void ReportFault(EXCEPTION_POINTERS *exception) {
  if (ReporterFn fn = Reporter()) fn(exception);
}

}  // namespace ko::errors

using namespace ko::errors;
namespace pf = ko::platform;

extern "C" KOAPI int KoErrorHandler_DumpExceptionRecord(char *out, UINT outSize,
                                                        const char *threadName,
                                                        EXCEPTION_POINTERS *exception,
                                                        DWORD parts) {
  if (exception) ReportFault(exception);
  Output dump(out, outSize);
  if (parts == 0) parts = KOERROR_DUMP_EXCEPTION | KOERROR_DUMP_MODULE | KOERROR_DUMP_THREAD;

  // The records are copied through the probe: a filter may be handed
  // anything.
  EXCEPTION_POINTERS pointers{};
  EXCEPTION_RECORD record{};
  const bool haveRecord = exception &&
                          pf::ReadMemory(exception, &pointers, sizeof pointers) &&
                          pf::ReadMemory(pointers.ExceptionRecord, &record, sizeof record);
  const uintptr_t address = reinterpret_cast<uintptr_t>(record.ExceptionAddress);

  std::string line;
  auto emit = [&](bool more) {
    dump.Append(line);  // a line that does not fit is left out
    line.clear();
    return more && dump.Room() >= kStopRoom;
  };

  if ((parts & KOERROR_DUMP_EXCEPTION) && haveRecord) {
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(record.ExceptionCode));
    line = "Exception 0x";
    line += code;
    line += " (";
    line += NameOf(record.ExceptionCode);
    line += ")";
    if (record.NumberParameters == 2) {
      line += record.ExceptionInformation[0] ? " WRITE:0x" : " READ:0x";
      PutPointer(line, record.ExceptionInformation[1]);
    }
    line += " IP:0x";
    PutPointer(line, address);
    line += "\r\n";
    if (!emit(true)) return static_cast<int>(dump.Length());
  }
  if ((parts & KOERROR_DUMP_MODULE) && haveRecord) {
    void *base = nullptr;
    char path[1024];
    if (address && pf::ModuleFromAddress(record.ExceptionAddress, &base, path, sizeof path)) {
      const char *file = path;
      for (const char *p = path; *p; ++p)
        if (*p == '/' || *p == '\\' || *p == ':') file = p + 1;
      line = "In Module '";
      line += file;
      line += "' at Address 0x";
      PutPointer(line, reinterpret_cast<uintptr_t>(base));
      line += " + 0x";
      PutPointer(line, address - reinterpret_cast<uintptr_t>(base));
      line += "\r\n";
      if (!emit(true)) return static_cast<int>(dump.Length());
    }
  }
  if (parts & KOERROR_DUMP_THREAD) {
    line = "Thread: ";
    if (threadName) {
      // The name is the caller's text: read it through the probe as well,
      // and no further than the output could hold.
      char c;
      for (size_t i = 0; i < outSize && pf::ReadMemory(threadName + i, &c, 1) && c; ++i) line += c;
    }
    line += " ID=0x";
    char id[16];
    std::snprintf(id, sizeof id, "%X", static_cast<unsigned>(pf::CurrentThreadId()));
    line += id;
    line += " Stack=\r\n";
    emit(false);
  }
  return static_cast<int>(dump.Length());
}

extern "C" KOAPI UINT KoErrorHandler_DumpHex(char *out, UINT outSize, const void *data,
                                            UINT count) {
  Output dump(out, outSize);
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  std::string row;
  for (uint64_t at = 0; at < count; at += 8) {
    if (!dump.Fits(kHexRowChars)) break;  // every row has the same length
    const uintptr_t rowAddress = begin + static_cast<uintptr_t>(at);
    const size_t n = count - at < 8 ? static_cast<size_t>(count - at) : 8;
    unsigned char bytes[8];
    bool readable[8];
    const bool whole = pf::ReadMemory(reinterpret_cast<const void *>(rowAddress), bytes, n);
    for (size_t i = 0; i < n; ++i)
      readable[i] = whole || pf::ReadMemory(reinterpret_cast<const void *>(rowAddress + i),
                                            &bytes[i], 1);
    row = " ";
    PutPointer(row, rowAddress);
    row += ": ";
    for (size_t i = 0; i < 8; ++i) {
      if (i >= n) {
        row += "   ";
      } else if (!readable[i]) {
        row += ".. ";
      } else {
        PutHex(row, bytes[i], 2);
        row += ' ';
      }
    }
    for (size_t i = 0; i < 8; ++i) {
      if (i >= n) row += ' ';
      else row += readable[i] && bytes[i] >= 0x20 && bytes[i] <= 0x7E ? static_cast<char>(bytes[i]) : '.';
    }
    row += "\r\n";
    if (!dump.Append(row)) break;  // the dump ends at the first row that does not fit
  }
  return static_cast<UINT>(dump.Length());
}

extern "C" KOAPI UINT KoErrorHandler_DumpHexDWords(char *out, UINT outSize, const DWORD *data,
                                                  long count) {
  Output dump(out, outSize);
  if (count < 1) return 0;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
  const uint64_t total = static_cast<uint64_t>(count);
  std::string row;
  for (uint64_t at = 0; at < total; at += 4) {
    const uintptr_t rowAddress = begin + static_cast<uintptr_t>(at * 4);
    row = " ";
    PutPointer(row, rowAddress);
    row += ": ";
    const size_t n = total - at < 4 ? static_cast<size_t>(total - at) : 4;
    for (size_t i = 0; i < n; ++i) {
      uint32_t v;  // data may be unaligned: copied bytewise by the probe
      if (pf::ReadMemory(reinterpret_cast<const void *>(rowAddress + i * 4), &v, 4)) {
        PutHex(row, v, 8);
        row += ' ';
      } else {
        row += "........ ";
      }
    }
    row += "\r\n";
    if (!dump.Append(row)) break;  // the dump ends at the first row that does not fit
  }
  return static_cast<UINT>(dump.Length());
}
