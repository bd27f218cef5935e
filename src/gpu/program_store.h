// The stored program texts: one block per kernel set, generated at build
// time by tools/cl_encode.py from src/gpu/cl/*.cl (see that script for the
// token form).
#pragma once

#include <cstddef>

namespace ko::gpu {

struct ProgramBlob {
  const unsigned char *data;
  size_t size;
  size_t textLength;  // the decoded text, without its zero
};

}  // namespace ko::gpu
