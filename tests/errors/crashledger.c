/* Stands in for the fault reporter: counts the exceptions handed to it. */
#ifdef _WIN32
#define LEDGER_EXPORT __declspec(dllexport)
#else
#define LEDGER_EXPORT __attribute__((visibility("default")))
#endif
static void *g_last;
static int g_calls;
LEDGER_EXPORT long CrashLedger_UnmanagedException(void *exception) { g_last = exception; return ++g_calls, 0; }
LEDGER_EXPORT int CrashLedgerTest_Calls(void **last) { if (last) *last = g_last; return g_calls; }
