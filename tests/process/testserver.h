// The test server's class, shared by the server and the COM tests.
#ifndef KOKERNEL_TESTS_PROCESS_TESTSERVER_H
#define KOKERNEL_TESTS_PROCESS_TESTSERVER_H
#include <windows.h>

// {6B1C07E5-3D2A-4F18-9C42-18D0A3E5F712}
static const CLSID kTestServerClass = {
    0x6b1c07e5, 0x3d2a, 0x4f18, {0x9c, 0x42, 0x18, 0xd0, 0xa3, 0xe5, 0xf7, 0x12}};
static const wchar_t kTestServerName[] = L"kokernel test server";
#endif
