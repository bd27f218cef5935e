// The .y4m reader on any bytes. Every frame it hands out must have the size
// its header promised, and (when small) the library must accept it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../../tools/common/media_io.h"
#include "kokernel/koresult.h"
#include "kokernel/koyuv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  std::FILE *stream = fmemopen(const_cast<uint8_t *>(data), size, "rb");
  if (!stream) return 0;
  kotools::YuvReader reader;
  std::string error;
  if (!reader.OpenY4mStream(stream, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  kotools::YuvFrame frame;
  for (int i = 0; i < 4 && reader.Next(&frame, &error); ++i) {
    if (frame.header.biWidth != reader.width() || frame.header.biHeight != reader.height() ||
        frame.bits.size() != KoYUVImageBytesAndOffsets(&frame.header, nullptr))
      std::abort();
    if (uint64_t(reader.width()) * uint64_t(reader.height()) > 64 * 64) continue;
    BITMAPINFOHEADER rgb{};
    uint32_t bytes = 0;
    KoVideo_InitBitmapInfo(&rgb, KOPT_RGB32, reader.width(), reader.height(), nullptr, 0, &bytes);
    std::string pixels(bytes, '\0');
    const KoYUVColorInfo ci{0, 0, 0, 0};
    if (KoYUV_YUVToRGB(&rgb, 0, pixels.data(), 0, &frame.header, &ci, frame.bits.data(), &frame.planes, 0, 0,
                       nullptr) != S_OK)
      std::abort();
  }
  return 0;
}
