// Program buffer sizes and the decoder of the stored program texts.
#include <cstring>

#include "gpu/cl_runtime.h"
#include "gpu/program_store.h"

namespace ko::gpu {

// Each set present in the build defines its block (src/gpu/sources.cmake).
#ifdef KO_CL_HAVE_Plugin
extern const ProgramBlob kProgramPlugin;
#endif
#ifdef KO_CL_HAVE_DibCopy
extern const ProgramBlob kProgramDibCopy;
#endif
#ifdef KO_CL_HAVE_Interlace
extern const ProgramBlob kProgramInterlace;
#endif
#ifdef KO_CL_HAVE_Yuv
extern const ProgramBlob kProgramYuv;
#endif

namespace {

const ProgramBlob *BlobOf(ProgramSet set) {
  switch (set) {
#ifdef KO_CL_HAVE_Plugin
    case ProgramSet::Plugin: return &kProgramPlugin;
#endif
#ifdef KO_CL_HAVE_DibCopy
    case ProgramSet::DibCopy: return &kProgramDibCopy;
#endif
#ifdef KO_CL_HAVE_Interlace
    case ProgramSet::Interlace: return &kProgramInterlace;
#endif
#ifdef KO_CL_HAVE_Yuv
    case ProgramSet::Yuv: return &kProgramYuv;
#endif
    default: return nullptr;
  }
}

// The running key that unscrambles a block, one byte at a time.
class Unscrambler {
 public:
  explicit Unscrambler(const ProgramBlob &b) : blob_(b) {}
  bool AtEnd() const { return pos_ >= blob_.size; }
  unsigned char Next() {
    key_ = static_cast<unsigned char>(key_ * 167 + 13);
    return static_cast<unsigned char>(blob_.data[pos_++] ^ key_);
  }

 private:
  const ProgramBlob &blob_;
  size_t pos_ = 0;
  unsigned char key_ = 0x5A;
};

}  // namespace

size_t ProgramBufferSize(ProgramSet set) {
  switch (set) {
    case ProgramSet::Plugin: return 17121;
    case ProgramSet::DibCopy: return 6829;
    case ProgramSet::Interlace: return 2490;
    case ProgramSet::Yuv: return 61088;
  }
  return 0;
}

bool ProduceProgramText(ProgramSet set, char *buf, size_t size) {
  const ProgramBlob *blob = BlobOf(set);
  if (!blob || !buf || blob->textLength + 1 > size) return false;
  Unscrambler in(*blob);
  if (in.AtEnd()) return false;
  // The dictionary: up to 127 words of up to 255 characters.
  struct Word {
    size_t start, length;
  } words[127];
  char chars[127 * 255];
  size_t used = 0;
  unsigned count = in.Next();
  if (count > 127) return false;
  for (unsigned i = 0; i < count; ++i) {
    if (in.AtEnd()) return false;
    size_t length = in.Next();
    words[i] = {used, length};
    for (size_t j = 0; j < length; ++j) {
      if (in.AtEnd()) return false;
      chars[used++] = static_cast<char>(in.Next());
    }
  }
  size_t out = 0;
  while (!in.AtEnd()) {
    unsigned char c = in.Next();
    if (c < 0x80) {
      if (out + 1 >= size) return false;
      buf[out++] = static_cast<char>(c);
      continue;
    }
    unsigned w = c - 0x80u;
    if (w >= count || out + words[w].length >= size) return false;
    std::memcpy(buf + out, chars + words[w].start, words[w].length);
    out += words[w].length;
  }
  buf[out] = '\0';
  return out == blob->textLength;
}

}  // namespace ko::gpu
