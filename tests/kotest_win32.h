// Helpers of the Wine suites: names unique to this run, and files beside the
// test program.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

namespace kotest {

inline std::wstring Unique(const wchar_t *prefix) {
  wchar_t text[96];
  swprintf(text, 96, L"%ls %lu-%lu", prefix, GetCurrentProcessId(), GetTickCount());
  return text;
}

inline std::wstring BesideTheProgram(const wchar_t *name) {
  wchar_t exe[MAX_PATH];
  const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

}  // namespace kotest
