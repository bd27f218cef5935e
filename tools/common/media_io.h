// Readers and writers shared by the demo host and the command-line tool:
// YUV frames from .y4m and raw .yuv files, and BMP files whose header is the
// library's own DIB record. Failures come back as one line of text for the
// user; nothing here prints or exits.
#ifndef KOKERNEL_TOOLS_MEDIA_IO_H
#define KOKERNEL_TOOLS_MEDIA_IO_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "kokernel/kodib.h"
#include "kokernel/koyuvlayout.h"

namespace kotools {

// Largest frame side the readers accept.
constexpr int kMaxSide = 16384;

// A planar or semi-planar 8-bit YUV layout as it is stored in files.
struct YuvLayout {
  const char *name;  // "I420", "YV12", "NV12", "YV16", "YV24"
  int shiftX, shiftY;  // chroma subsampling, as shifts
  bool semiPlanar;     // one interleaved CbCr plane
  bool crFirst;        // the Cr plane comes before Cb
};
// The layout of a name (case-insensitive), or null.
const YuvLayout *FindLayout(std::string_view name);
// The names of every layout, for help texts ("I420, YV12, ...").
std::string LayoutNames();
uint32_t LayoutCode(const YuvLayout &layout);

// One frame in the library's plane layout, ready for the converters.
struct YuvFrame {
  BITMAPINFOHEADER header{};
  KoYUVPlaneLayout planes{};
  std::vector<uint8_t> bits;
};
// Whether a frame size suits a layout (whole chroma samples), and the
// sentence that says why not.
bool SizeSuits(const YuvLayout &layout, int width, int height);
std::string SizeProblem(const YuvLayout &layout, int width, int height);
// Sets up header, planes and buffer for a frame; false when the size does
// not suit the layout or the library has no layout for it.
bool MakeYuvFrame(const YuvLayout &layout, int width, int height, YuvFrame *frame);
// Bytes of one frame as files store it: the planes packed, no padding.
uint64_t FileFrameBytes(const YuvLayout &layout, int width, int height);
// Between the packed file form and the library's layout.
void UnpackFrame(const YuvLayout &layout, const uint8_t *file, YuvFrame *frame);
void PackFrame(const YuvLayout &layout, const YuvFrame &frame, uint8_t *file);

// Reads "WIDTHxHEIGHT" (each 1 to kMaxSide).
bool ParseSize(std::string_view text, int *width, int *height);

// Frames from a .y4m file (its header says size, rate and layout) or from a
// raw .yuv file (the caller says size and layout).
class YuvReader {
 public:
  YuvReader() = default;
  YuvReader(const YuvReader &) = delete;
  YuvReader &operator=(const YuvReader &) = delete;
  ~YuvReader();

  bool OpenY4m(const std::string &path, std::string *error);
  bool OpenRaw(const std::string &path, const YuvLayout &layout, int width, int height,
               std::string *error);
  // Takes an open stream (closed by the reader): for memory streams.
  bool OpenY4mStream(std::FILE *stream, std::string *error);

  // The next frame into the library's layout: false at the end of the file
  // (error empty) or on a damaged frame (error set).
  bool Next(YuvFrame *frame, std::string *error);

  int width() const { return width_; }
  int height() const { return height_; }
  double frameRate() const { return rate_; }
  const YuvLayout &layout() const { return *layout_; }
  int framesRead() const { return frames_; }

 private:
  bool ReadHeader(std::string *error);
  std::FILE *file_ = nullptr;
  std::string path_;
  bool y4m_ = false;
  int width_ = 0, height_ = 0, frames_ = 0;
  double rate_ = 25.0;
  const YuvLayout *layout_ = nullptr;
  std::vector<uint8_t> packed_;
};

// Appends frames in the packed file form to a raw .yuv file.
bool WriteRawFrame(std::FILE *file, const YuvLayout &layout, const YuvFrame &frame);

// A DIB from KoDibAlloc, freed with it.
class Dib {
 public:
  Dib() = default;
  explicit Dib(BITMAPINFOHEADER *p) : p_(p) {}
  Dib(Dib &&o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Dib &operator=(Dib &&o) noexcept;
  Dib(const Dib &) = delete;
  Dib &operator=(const Dib &) = delete;
  ~Dib();
  BITMAPINFOHEADER *get() const { return p_; }
  BITMAPINFOHEADER **out();
  int width() const { return p_->biWidth; }
  int height() const { return p_->biHeight < 0 ? -p_->biHeight : p_->biHeight; }
  uint8_t *bits() const;
  int32_t stride() const;  // bytes per row, rows bottom-up
  uint8_t *top() const;    // the top row: pass with -stride() to the image operations

 private:
  BITMAPINFOHEADER *p_ = nullptr;
};

// The BMP file of a DIB: a file header followed by the DIB's own header,
// colour table and pixels.
std::vector<uint8_t> BmpBytes(const BITMAPINFOHEADER *dib);
bool WriteBmp(const std::string &path, const BITMAPINFOHEADER *dib, std::string *error);
// Reads an uncompressed 24- or 32-bit BMP into a new bottom-up DIB.
bool ParseBmp(const uint8_t *data, size_t size, Dib *dib, std::string *error);
bool ReadBmp(const std::string &path, Dib *dib, std::string *error);

// Whole files.
bool ReadFile(const std::string &path, std::vector<uint8_t> *data, std::string *error);
bool EndsWith(std::string_view text, std::string_view suffix);  // case-insensitive

}  // namespace kotools

#endif  // KOKERNEL_TOOLS_MEDIA_IO_H
