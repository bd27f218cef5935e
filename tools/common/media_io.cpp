// Readers and writers of the tools: .y4m and raw .yuv frames, BMP files.
#include "media_io.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "kokernel/koresult.h"

namespace kotools {
namespace {

const YuvLayout kLayouts[] = {
    {"I420", 1, 1, false, false}, {"YV12", 1, 1, false, true}, {"NV12", 1, 1, true, false},
    {"YV16", 1, 0, false, true},  {"YV24", 0, 0, false, true},
};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
         });
}

// A decimal number of at most nine digits, the whole text.
bool ParseCount(std::string_view text, int64_t *value) {
  if (text.empty() || text.size() > 9) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// One plane of a frame in file order: its place in the library's layout,
// bytes per row and rows.
struct FilePlane {
  uint32_t offset, stride;
  size_t rowBytes, rows;
};
int Planes(const YuvLayout &l, const YuvFrame &f, FilePlane out[3]) {
  const size_t w = size_t(f.header.biWidth), h = size_t(f.header.biHeight);
  const size_t cw = (w + (1u << l.shiftX) - 1) >> l.shiftX, ch = (h + (1u << l.shiftY) - 1) >> l.shiftY;
  out[0] = {0, f.planes.lumaStride, w, h};
  if (l.semiPlanar) {
    out[1] = {f.planes.cbOffset, f.planes.cbStride, 2 * cw, ch};
    return 2;
  }
  const FilePlane cb{f.planes.cbOffset, f.planes.cbStride, cw, ch};
  const FilePlane cr{f.planes.crOffset, f.planes.crStride, cw, ch};
  out[1] = l.crFirst ? cr : cb;
  out[2] = l.crFirst ? cb : cr;
  return 3;
}

std::string Quote(std::string_view s) {
  std::string q(1, '\'');
  q.append(s.substr(0, 64)).push_back('\'');
  return q;
}

uint16_t Get16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void Put16(uint8_t *p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Put32(uint8_t *p, uint32_t v) { Put16(p, v); Put16(p + 2, v >> 16); }

int64_t RowBytes(int64_t bitCount, int64_t width) { return ((bitCount * width + 31) / 8) & ~int64_t(3); }

// Bytes of a DIB block: header, colour table (or bit masks) and pixels.
size_t DibBlockBytes(const BITMAPINFOHEADER *h, size_t *pixelOffset) {
  uint32_t colours = h->biClrUsed;
  if (colours == 0 && h->biBitCount <= 8) colours = 1u << h->biBitCount;
  size_t table = size_t(colours) * 4;
  if (h->biCompression == 3 /* bit fields */ && h->biSize == 40) table += 12;
  *pixelOffset = h->biSize + table;
  const int64_t height = h->biHeight < 0 ? -int64_t(h->biHeight) : h->biHeight;
  return *pixelOffset + size_t(RowBytes(h->biBitCount, h->biWidth) * height);
}

}  // namespace

const YuvLayout *FindLayout(std::string_view name) {
  for (const auto &l : kLayouts)
    if (SameText(name, l.name)) return &l;
  return nullptr;
}

std::string LayoutNames() {
  std::string s;
  for (const auto &l : kLayouts) s += (s.empty() ? "" : ", ") + std::string(l.name);
  return s;
}

uint32_t LayoutCode(const YuvLayout &l) {
  return KO_FOURCC(l.name[0], l.name[1], l.name[2], l.name[3]);
}

bool SizeSuits(const YuvLayout &l, int width, int height) {
  return width > 0 && height > 0 && width % (1 << l.shiftX) == 0 && height % (1 << l.shiftY) == 0;
}

std::string SizeProblem(const YuvLayout &l, int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height) + " does not suit " + l.name + " (" +
         (l.shiftY ? "width and height" : l.shiftX ? "width" : "size") + " must be even)";
}

bool MakeYuvFrame(const YuvLayout &layout, int width, int height, YuvFrame *frame) {
  if (!SizeSuits(layout, width, height)) return false;
  frame->header = {};
  frame->header.biSize = sizeof(BITMAPINFOHEADER);
  frame->header.biWidth = width;
  frame->header.biHeight = height;
  frame->header.biPlanes = 1;
  frame->header.biCompression = LayoutCode(layout);
  const uint32_t bytes = KoYUVImageBytesAndOffsets(&frame->header, &frame->planes);
  if (bytes == 0) return false;
  frame->header.biSizeImage = bytes;
  frame->bits.assign(bytes, 0);
  return true;
}

uint64_t FileFrameBytes(const YuvLayout &l, int width, int height) {
  const uint64_t w = uint64_t(width), h = uint64_t(height);
  const uint64_t cw = (w + (1u << l.shiftX) - 1) >> l.shiftX, ch = (h + (1u << l.shiftY) - 1) >> l.shiftY;
  return w * h + 2 * cw * ch;
}

void UnpackFrame(const YuvLayout &layout, const uint8_t *file, YuvFrame *frame) {
  FilePlane planes[3];
  const int n = Planes(layout, *frame, planes);
  for (int p = 0; p < n; ++p)
    for (size_t y = 0; y < planes[p].rows; ++y, file += planes[p].rowBytes)
      std::memcpy(frame->bits.data() + planes[p].offset + y * planes[p].stride, file, planes[p].rowBytes);
}

void PackFrame(const YuvLayout &layout, const YuvFrame &frame, uint8_t *file) {
  FilePlane planes[3];
  const int n = Planes(layout, frame, planes);
  for (int p = 0; p < n; ++p)
    for (size_t y = 0; y < planes[p].rows; ++y, file += planes[p].rowBytes)
      std::memcpy(file, frame.bits.data() + planes[p].offset + y * planes[p].stride, planes[p].rowBytes);
}

bool ParseSize(std::string_view text, int *width, int *height) {
  const size_t x = text.find_first_of("xX");
  int64_t w = 0, h = 0;
  if (x == std::string_view::npos || !ParseCount(text.substr(0, x), &w) ||
      !ParseCount(text.substr(x + 1), &h) || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
    return false;
  *width = int(w);
  *height = int(h);
  return true;
}

// ---- YUV frames ---------------------------------------------------------------

YuvReader::~YuvReader() {
  if (file_) std::fclose(file_);
}

bool YuvReader::OpenY4m(const std::string &path, std::string *error) {
  path_ = path;
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot open " + path;
    return false;
  }
  return OpenY4mStream(f, error);
}

bool YuvReader::OpenY4mStream(std::FILE *stream, std::string *error) {
  if (file_) std::fclose(file_);
  file_ = stream;
  y4m_ = true;
  if (path_.empty()) path_ = "stream";
  return ReadHeader(error);
}

bool YuvReader::OpenRaw(const std::string &path, const YuvLayout &layout, int width, int height,
                        std::string *error) {
  path_ = path;
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) {
    *error = "cannot open " + path;
    return false;
  }
  layout_ = &layout;
  width_ = width;
  height_ = height;
  if (!SizeSuits(layout, width, height)) {
    *error = path + ": " + SizeProblem(layout, width, height);
    return false;
  }
  return true;
}

// A header line of at most 4096 bytes, without its line feed.
static bool ReadLine(std::FILE *f, std::string *line) {
  line->clear();
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') return true;
    if (line->size() >= 4096) return false;
    line->push_back(char(c));
  }
  return false;
}

bool YuvReader::ReadHeader(std::string *error) {
  std::string line;
  const bool complete = ReadLine(file_, &line);
  if (line.compare(0, 10, "YUV4MPEG2 ") != 0 && line != "YUV4MPEG2") {
    *error = path_ + ": not a YUV4MPEG2 file";
    return false;
  }
  if (!complete) {
    *error = path_ + ": the header line is truncated or longer than 4096 bytes";
    return false;
  }
  int64_t w = -1, h = -1;
  layout_ = &kLayouts[0];
  std::string_view rest = std::string_view(line).substr(9);
  while (!rest.empty()) {
    if (rest[0] == ' ') {
      rest.remove_prefix(1);
      continue;
    }
    const size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view tag = rest.substr(0, end), value = tag.substr(1);
    rest.remove_prefix(end);
    switch (tag[0]) {
      case 'W':
      case 'H':
        if (!ParseCount(value, tag[0] == 'W' ? &w : &h) || (tag[0] == 'W' ? w : h) < 1 ||
            (tag[0] == 'W' ? w : h) > kMaxSide) {
          *error = path_ + ": bad frame size " + Quote(tag) + " (1 to 16384)";
          return false;
        }
        break;
      case 'F': {
        const size_t colon = value.find(':');
        int64_t n = 0, d = 0;
        if (colon == std::string_view::npos || !ParseCount(value.substr(0, colon), &n) ||
            !ParseCount(value.substr(colon + 1), &d) || n == 0 || d == 0) {
          *error = path_ + ": bad frame rate " + Quote(tag);
          return false;
        }
        rate_ = double(n) / double(d);
        break;
      }
      case 'C': {
        static const struct {
          const char *tag;
          const char *layout;
        } kChroma[] = {{"420jpeg", "I420"}, {"420paldv", "I420"}, {"420mpeg2", "I420"},
                       {"420", "I420"},     {"422", "YV16"},      {"444", "YV24"}};
        layout_ = nullptr;
        for (const auto &c : kChroma)
          if (value == c.tag) layout_ = FindLayout(c.layout);
        if (!layout_) {
          *error = path_ + ": unsupported chroma layout " + Quote(tag);
          return false;
        }
        break;
      }
      default:  // interlacing, aspect ratio, extensions: not needed here
        break;
    }
  }
  if (w < 0 || h < 0) {
    *error = path_ + ": the header has no frame size";
    return false;
  }
  width_ = int(w);
  height_ = int(h);
  if (!SizeSuits(*layout_, width_, height_)) {
    *error = path_ + ": " + SizeProblem(*layout_, width_, height_);
    return false;
  }
  return true;
}

bool YuvReader::Next(YuvFrame *frame, std::string *error) {
  error->clear();
  if (!file_ || !layout_) {
    *error = "no file open";
    return false;
  }
  if (y4m_) {
    std::string line;
    const bool complete = ReadLine(file_, &line);
    if (line.empty() && !complete) return false;  // the end of the file
    if (!complete || line.compare(0, 5, "FRAME") != 0 || (line.size() > 5 && line[5] != ' ')) {
      *error = path_ + ": frame " + std::to_string(frames_ + 1) + " has no FRAME marker";
      return false;
    }
  }
  // Read in steps, so that a header promising more than the file holds
  // costs no more memory than the file.
  const uint64_t want = FileFrameBytes(*layout_, width_, height_);
  packed_.clear();
  while (packed_.size() < want) {
    const size_t at = packed_.size(), step = size_t(std::min<uint64_t>(want - at, 1u << 22));
    packed_.resize(at + step);
    const size_t got = std::fread(packed_.data() + at, 1, step, file_);
    packed_.resize(at + got);
    if (got < step) break;
  }
  if (packed_.empty() && !y4m_) return false;
  if (packed_.size() < want) {
    *error = path_ + ": frame " + std::to_string(frames_ + 1) + " is truncated (" +
             std::to_string(packed_.size()) + " of " + std::to_string(want) + " bytes)";
    return false;
  }
  if (!MakeYuvFrame(*layout_, width_, height_, frame)) {
    *error = path_ + ": the library has no layout for " + std::to_string(width_) + "x" +
             std::to_string(height_) + " " + layout_->name;
    return false;
  }
  UnpackFrame(*layout_, packed_.data(), frame);
  ++frames_;
  return true;
}

bool WriteRawFrame(std::FILE *file, const YuvLayout &layout, const YuvFrame &frame) {
  std::vector<uint8_t> packed(size_t(FileFrameBytes(layout, frame.header.biWidth, frame.header.biHeight)));
  PackFrame(layout, frame, packed.data());
  return std::fwrite(packed.data(), 1, packed.size(), file) == packed.size();
}

// ---- DIBs and BMP files ---------------------------------------------------------

Dib &Dib::operator=(Dib &&o) noexcept {
  if (this != &o) {
    KoDibFree(p_, 0);
    p_ = o.p_;
    o.p_ = nullptr;
  }
  return *this;
}
Dib::~Dib() { KoDibFree(p_, 0); }
BITMAPINFOHEADER **Dib::out() {
  KoDibFree(p_, 0);
  p_ = nullptr;
  return &p_;
}
uint8_t *Dib::bits() const {
  size_t offset = 0;
  DibBlockBytes(p_, &offset);
  return reinterpret_cast<uint8_t *>(p_) + offset;
}
int32_t Dib::stride() const { return int32_t(RowBytes(p_->biBitCount, p_->biWidth)); }
uint8_t *Dib::top() const { return bits() + size_t(stride()) * size_t(height() - 1); }

std::vector<uint8_t> BmpBytes(const BITMAPINFOHEADER *dib) {
  size_t pixelOffset = 0;
  const size_t block = DibBlockBytes(dib, &pixelOffset);
  std::vector<uint8_t> out(14 + block);
  out[0] = 'B';
  out[1] = 'M';
  Put32(&out[2], uint32_t(out.size()));
  Put32(&out[10], uint32_t(14 + pixelOffset));
  std::memcpy(&out[14], dib, block);
  return out;
}

bool WriteBmp(const std::string &path, const BITMAPINFOHEADER *dib, std::string *error) {
  const std::vector<uint8_t> bytes = BmpBytes(dib);
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    *error = "cannot create " + path;
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool ParseBmp(const uint8_t *data, size_t size, Dib *dib, std::string *error) {
  if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') {
    *error = "not a BMP file";
    return false;
  }
  const uint8_t *h = data + 14;
  const uint32_t headerSize = Get32(h), pixelOffset = Get32(data + 10);
  const int32_t width = int32_t(Get32(h + 4)), height = int32_t(Get32(h + 8));
  const uint16_t bitCount = Get16(h + 14);
  const uint32_t compression = Get32(h + 16);
  if (headerSize < 40 || headerSize > 124 || 14 + uint64_t(headerSize) > size) {
    *error = "BMP header of " + std::to_string(headerSize) + " bytes is not supported";
    return false;
  }
  if (compression != 0 || (bitCount != 24 && bitCount != 32)) {
    *error = "only uncompressed 24- and 32-bit BMP files are supported (this one: " +
             std::to_string(bitCount) + " bits, compression " + std::to_string(compression) + ")";
    return false;
  }
  const int64_t rows = height < 0 ? -int64_t(height) : height;
  if (width < 1 || width > kMaxSide || rows < 1 || rows > kMaxSide) {
    *error = "BMP size " + std::to_string(width) + "x" + std::to_string(height) + " is out of range";
    return false;
  }
  const int64_t rowBytes = RowBytes(bitCount, width);
  if (pixelOffset < 14 + headerSize || pixelOffset > size || uint64_t(rowBytes) * rows > size - pixelOffset) {
    *error = "BMP pixels are truncated or out of place";
    return false;
  }
  if (FAILED(KoDibAlloc(dib->out(), bitCount == 24 ? KOPT_RGB24 : KOPT_RGB32, width, int(rows), nullptr, 0, 0,
                        nullptr))) {
    *error = "out of memory for a " + std::to_string(width) + "x" + std::to_string(rows) + " image";
    return false;
  }
  // The DIB is bottom-up; a top-down file (negative height) is turned over.
  for (int64_t y = 0; y < rows; ++y) {
    const int64_t from = height < 0 ? rows - 1 - y : y;
    std::memcpy(dib->bits() + y * rowBytes, data + pixelOffset + from * rowBytes, size_t(rowBytes));
  }
  return true;
}

bool ReadFile(const std::string &path, std::vector<uint8_t> *data, std::string *error) {
  std::FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot open " + path;
    return false;
  }
  data->clear();
  uint8_t chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) data->insert(data->end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

bool ReadBmp(const std::string &path, Dib *dib, std::string *error) {
  std::vector<uint8_t> data;
  if (!ReadFile(path, &data, error)) return false;
  if (!ParseBmp(data.data(), data.size(), dib, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace kotools
