// Win32 error number -> result code.
#include <cstdint>

#include "kokernel/koresult.h"

namespace {

struct Win32Row {
  uint32_t win32;
  uint32_t code;
};

constexpr uint32_t kFail = 0x80004005u;
constexpr uint32_t kNotFound = 0x8004E00Au;

// Sorted by Win32 number, each number once. Almost everything becomes
// E_FAIL; a few errors have codes of their own.
constexpr Win32Row kWin32Table[] = {
    {0, 0x00000000u},   {1, 0x80070057u},   {2, kNotFound},     {3, kNotFound},
    {4, 0x8004E026u},   {5, 0x80070005u},   {6, 0x80070006u},   {7, kFail},
    {8, kFail},         {9, kFail},         {10, kFail},        {11, kFail},
    {12, kFail},        {13, kFail},        {14, 0x8007000Eu},  {15, 0x800404B0u},
    {16, kFail},        {17, kFail},        {18, kFail},        {19, kFail},
    {20, kFail},        {21, kFail},        {22, kFail},        {23, kFail},
    {24, kFail},        {25, kFail},        {26, kFail},        {27, kFail},
    {28, kFail},        {29, kFail},        {30, kFail},        {31, kFail},
    {32, 0x8004E05Au},  {33, kFail},        {34, kFail},        {36, kFail},
    {38, kFail},        {39, 0x8004E002u},  {50, kFail},        {51, kFail},
    {52, kFail},        {53, kFail},        {54, kFail},        {55, kFail},
    {56, kFail},        {57, kFail},        {58, kFail},        {59, kFail},
    {60, kFail},        {61, kFail},        {62, kFail},        {63, kFail},
    {64, kFail},        {65, kFail},        {66, kFail},        {67, kFail},
    {68, kFail},        {69, kFail},        {70, kFail},        {71, kFail},
    {72, kFail},        {80, 0x8004E032u},  {82, kFail},        {83, kFail},
    {84, 0x8007000Eu},  {85, kFail},        {86, kFail},        {87, kFail},
    {88, kFail},        {89, kFail},        {100, kFail},       {101, kFail},
    {102, kFail},       {103, kFail},       {104, kFail},       {105, kFail},
    {106, kFail},       {107, kFail},       {108, kFail},       {109, kFail},
    {110, 0x8004E007u}, {111, kFail},       {112, 0x8004E002u}, {113, kFail},
    {114, kFail},       {117, kFail},       {118, kFail},       {119, kFail},
    {120, 0x80004001u}, {121, kFail},       {122, kFail},       {123, 0x8004E00Du},
    {124, kFail},       {125, kFail},       {126, kNotFound},   {127, kNotFound},
    {128, kFail},       {129, kFail},       {130, kFail},       {131, kFail},
    {132, kFail},       {133, kFail},       {134, kFail},       {135, kFail},
    {136, kFail},       {137, kFail},       {138, kFail},       {139, kFail},
    {140, kFail},       {141, kFail},       {142, kFail},       {143, kFail},
    {144, kFail},       {145, kFail},       {146, kFail},       {147, kFail},
    {148, kFail},       {149, kFail},       {150, kFail},       {151, kFail},
    {152, kFail},       {153, kFail},       {154, kFail},       {155, kFail},
    {156, kFail},       {157, kFail},       {158, kFail},       {159, kFail},
    {160, kFail},       {161, kFail},       {162, kFail},       {164, kFail},
    {167, kFail},       {170, 0x8004E005u}, {173, kFail},       {174, kFail},
    {180, kFail},       {182, kFail},       {183, 0x8004E170u}, {186, kFail},
    {187, kFail},       {188, kFail},       {189, kFail},       {190, kFail},
    {191, kFail},       {192, kFail},       {193, kFail},       {194, kFail},
    {195, kFail},       {196, kFail},       {197, kFail},       {198, kFail},
    {199, kFail},       {200, kFail},       {201, kFail},       {202, kFail},
    {203, kFail},       {205, kFail},       {206, kFail},       {207, kFail},
    {208, kFail},       {209, kFail},       {210, kFail},       {212, kFail},
    {214, kFail},       {215, kFail},       {216, kFail},       {230, kFail},
    {231, kFail},       {232, kFail},       {233, kFail},       {234, kFail},
    {240, kFail},       {254, kFail},       {255, kFail},       {258, kFail},
    {259, kFail},       {266, kFail},       {267, kFail},       {275, kFail},
    {276, kFail},       {277, kFail},       {278, kFail},       {282, kFail},
    {288, kFail},       {298, kFail},       {299, kFail},       {300, kFail},
    {301, kFail},       {317, kFail},       {487, kFail},       {534, kFail},
    {535, kFail},       {536, kFail},
};

static_assert(sizeof(kWin32Table) / sizeof(kWin32Table[0]) == 194, "194 rows");

}  // namespace

namespace ko {
size_t Win32TableRows() { return sizeof(kWin32Table) / sizeof(kWin32Table[0]); }
uint32_t Win32TableNumber(size_t row) { return kWin32Table[row].win32; }
}  // namespace ko

KO_EXTERN_C KOAPI HRESULT KoErrorHandler_TranslateWin32Error(DWORD win32Error) {
  // Linear scan in table order; the first match wins.
  for (const Win32Row &row : kWin32Table)
    if (row.win32 == win32Error) return static_cast<HRESULT>(row.code);
  return static_cast<HRESULT>(kFail);
}
