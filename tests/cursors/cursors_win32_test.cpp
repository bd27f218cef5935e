// Real cursor handles: every built-in image and cursor files written here,
// checked through GetIconInfo and against Wine's own file loader; the
// caches of KoGetUICursor and their release at shutdown.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "cursors/cur_writer.h"
#include "kokernel/kocursor.h"
#include "kokernel/koframe.h"
#include "ui/cursor_internal.h"

namespace {

struct Shape { bool ok = false; int width = 0, height = 0; DWORD hotX = 0, hotY = 0; };

Shape ShapeOf(HCURSOR c) {
  Shape s;
  ICONINFO info{};
  BITMAP bm{};
  if (!c || !GetIconInfo(c, &info) || !GetObjectW(info.hbmMask, sizeof(bm), &bm)) return s;
  s = {!info.fIcon, bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2, info.xHotspot, info.yHotspot};
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return s;
}

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }

TEST(CursorHandles, BuiltInImagesAndWrittenFilesGiveTheirSizeAndHotSpot) {
  for (const auto &e : ko::ui::cursors::Table()) {
    SCOPED_TRACE(e.number);
    const int pixels = Get16(e.image + 14);
    const uint8_t *file = e.image + (e.image[4] | e.image[5] << 8);
    HCURSOR c = KoLoadCursorFromBitsEx(e.image, e.size, -1, 0, pixels, pixels);
    const Shape s = ShapeOf(c);
    EXPECT_TRUE(s.ok && s.width == pixels && s.height == pixels && s.hotX == Get16(file + 10) &&
                s.hotY == Get16(file + 12) && DestroyCursor(c))
        << s.width << "x" << s.height << " " << s.hotX << "," << s.hotY;
  }
  for (UINT n : {1u, 101u, 258u}) EXPECT_TRUE(ShapeOf(KoLoadKernelCursor(n)).ok) << n;
  for (UINT n : {0u, 57u, 59u, 300u}) EXPECT_EQ(KoLoadKernelCursor(n), nullptr) << n;
  // A file written here: the same pick as the system loader.
  const auto cur = WriteCur({{16, 3, 4}, {32, 10, 20}});
  wchar_t dir[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"kcu", 0, path);
  FILE *f = _wfopen(path, L"wb");
  ASSERT_TRUE(f && fwrite(cur.data(), 1, cur.size(), f) == cur.size() && !fclose(f));
  const Shape p = ShapeOf(LoadCursorFromFileW(path));
  ASSERT_TRUE(DeleteFileW(path) && p.ok);
  // The system picks an entry for the default size; the same pick here (the
  // entries by number are the portable suite's).
  const int cx = GetSystemMetrics(SM_CXCURSOR);
  const Shape ours = ShapeOf(KoLoadCursorFromBitsEx(cur.data(), DWORD(cur.size()), -1, 0, cx, cx));
  EXPECT_TRUE(ours.ok && ours.width == p.width && ours.hotX == p.hotX && ours.hotY == p.hotY)
      << ours.width << " " << ours.hotX;
  EXPECT_FALSE(KoLoadCursorFromBits(cur.data(), 21, 0, 0) || KoLoadCursorFromBits(cur.data(), DWORD(cur.size()) - 1, 1, 0) ||
               KoLoadCursorFromBits(cur.data(), DWORD(cur.size()), 2, 0));
}

TEST(CursorHandles, UICursorRangesCachesAndShutdown) {
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR wait = KoGetUICursor(32514);
  EXPECT_TRUE(wait == LoadCursorW(nullptr, IDC_WAIT) && KoGetUICursor(32514) == wait);
  // The test program has no cursor resources (150).
  for (UINT n : {0u, 57u, 99u, 150u, 400u, 450u, 40000u}) EXPECT_EQ(KoGetUICursor(n), arrow) << n;
  HCURSOR hand = KoGetUICursor(10);
  const Shape s = ShapeOf(hand);
  EXPECT_TRUE(s.ok && hand != arrow && KoGetUICursor(10) == hand && s.width == GetSystemMetrics(SM_CXCURSOR));
  KoKernel_LateTerminate();
  // The cache was emptied: the next request creates a new cursor. (Built-in
  // cursors are loaded shared, so the system keeps the old handle alive.)
  HCURSOR again = KoGetUICursor(10);
  EXPECT_TRUE(ShapeOf(again).ok && again != hand);
  EXPECT_EQ(KoGetUICursor(32514), wait);  // the system's own cursor is shared
}

}  // namespace
