// The host side of the library's OpenCL operations, as a host application
// does it: the OpenCL runtime loaded when it runs (never linked), the first
// platform with a device, a context and an in-order queue, and the build
// callback that the library's kernel sets are handed to.
#ifndef KOKERNEL_TOOLS_CL_HOST_H
#define KOKERNEL_TOOLS_CL_HOST_H

#include <string>

#include "kokernel/kogpu.h"

namespace kotools {

class ClHost {
 public:
  // The process's host, opened on first use and kept open for the life of
  // the process, as an application keeps its device: false (with *error
  // saying why) when there is no device.
  static ClHost *Shared(std::string *error);

  // The PluginLoad callback: builds the text on this host's device.
  static bool BuildPlugin(const char *text, int reserved, cl_program *out, const char *textEnd);

  cl_context context() const { return context_; }
  cl_command_queue queue() const { return queue_; }
  const std::string &deviceName() const { return deviceName_; }
  bool Finish() const;

 private:
  ClHost() = default;
  bool Open(std::string *error);

  void *module_ = nullptr;
  cl_context context_ = nullptr;
  cl_command_queue queue_ = nullptr;
  cl_device_id device_ = nullptr;
  std::string deviceName_, error_;
};

}  // namespace kotools

#endif  // KOKERNEL_TOOLS_CL_HOST_H
