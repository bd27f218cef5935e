// Helpers of the Wine suites: names unique to this run, files beside the test
// program and whole files read.
#pragma once

#include <windows.h>

#include <cwchar>
#include <fstream>
#include <iterator>
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

inline std::string ReadAll(const std::wstring &path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kotest
