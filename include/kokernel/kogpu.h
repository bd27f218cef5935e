/*
 * kokernel: OpenCL offload. The library loads the OpenCL runtime itself on
 * first use (it never links against it) and keeps the entry points in a
 * dispatch record; the host owns platform, device, context and queue, passes
 * its queue (and where needed its context) into every call, and builds the
 * library's kernel programs through a callback that receives the program
 * text. Images are 2-D BGRA images of normalised 8-bit channels.
 *
 * Offloaded calls return after enqueuing: the host waits on its queue (for
 * example with clFinish or a blocking CopyOpenCLImageToMemory) before it
 * reads a result.
 */
#ifndef KOKERNEL_KOGPU_H
#define KOKERNEL_KOGPU_H

#include "kokernel/kobase.h"
#include "kokernel/kodib.h"
#include "kokernel/koyuv.h"

#ifndef CL_TARGET_OPENCL_VERSION
#define CL_TARGET_OPENCL_VERSION 120
#endif
#include <CL/cl.h>
#include <CL/cl_gl.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

KO_BEGIN_DECLS

/* The 40-byte locks of the record: a CRITICAL_SECTION on Windows, opaque
 * aligned storage for the platform's re-entrant lock elsewhere. */
#ifdef _WIN32
typedef CRITICAL_SECTION KOCLLOCK;
#else
typedef union _kocllock {
  unsigned char bytes[40];
  uint64_t align_;
} KOCLLOCK;
#endif

/* The OpenCL dispatch record. The library keeps one for its own calls; a
 * host may pass another record of the same layout to the initialise
 * functions of the bitmap-copy, interlace and YUV sets. An entry point is
 * null when the runtime lacks it; a call through a null entry fails with
 * the OpenCL error -2 without calling anything. When serialise is non-zero
 * every call through the record is made inside `lock` (the library never
 * sets it in its own record). */
typedef struct KoOpenCLRuntime {
  HMODULE module;        /* the loaded runtime, null when it could not be loaded */
  KOCLLOCK lock;         /* taken around every call when serialise is set */
  KOCLLOCK lock2;        /* initialised beside `lock` */
  int32_t initialised;   /* set once both locks exist */
  int32_t serialise;
  cl_int(CL_API_CALL *clGetPlatformIDs)(cl_uint num_entries, cl_platform_id *platforms,
      cl_uint *num_platforms);
  cl_int(CL_API_CALL *clGetPlatformInfo)(cl_platform_id platform, cl_platform_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clGetDeviceIDs)(cl_platform_id platform, cl_device_type device_type,
      cl_uint num_entries, cl_device_id *devices, cl_uint *num_devices);
  cl_int(CL_API_CALL *clGetDeviceInfo)(cl_device_id device, cl_device_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_context(CL_API_CALL *clCreateContext)(const cl_context_properties *properties,
      cl_uint num_devices, const cl_device_id *devices,
      void(CL_CALLBACK *pfn_notify)(const char *, const void *, size_t, void *), void *user_data,
      cl_int *errcode_ret);
  cl_context(CL_API_CALL *clCreateContextFromType)(const cl_context_properties *properties,
      cl_device_type device_type,
      void(CL_CALLBACK *pfn_notify)(const char *, const void *, size_t, void *), void *user_data,
      cl_int *errcode_ret);
  cl_int(CL_API_CALL *clRetainContext)(cl_context context);
  cl_int(CL_API_CALL *clRetainDevice)(cl_device_id device);
  cl_int(CL_API_CALL *clReleaseContext)(cl_context context);
  cl_int(CL_API_CALL *clGetContextInfo)(cl_context context, cl_context_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_command_queue(CL_API_CALL *clCreateCommandQueue)(cl_context context, cl_device_id device,
      cl_command_queue_properties properties, cl_int *errcode_ret);
  cl_int(CL_API_CALL *clRetainCommandQueue)(cl_command_queue command_queue);
  cl_int(CL_API_CALL *clReleaseCommandQueue)(cl_command_queue command_queue);
  cl_int(CL_API_CALL *clGetCommandQueueInfo)(cl_command_queue command_queue,
      cl_command_queue_info param_name, size_t param_value_size, void *param_value,
      size_t *param_value_size_ret);
  cl_mem(CL_API_CALL *clCreateBuffer)(cl_context context, cl_mem_flags flags, size_t size,
      void *host_ptr, cl_int *errcode_ret);
  cl_mem(CL_API_CALL *clCreateSubBuffer)(cl_mem /* buffer */, cl_mem_flags /* flags */,
      cl_buffer_create_type /* buffer_create_type */, const void * /* buffer_create_info */,
      cl_int * /* errcode_ret */);
  cl_mem(CL_API_CALL *clCreateImage2D)(cl_context context, cl_mem_flags flags,
      const cl_image_format *image_format, size_t image_width, size_t image_height,
      size_t image_row_pitch, void *host_ptr, cl_int *errcode_ret);
  cl_mem(CL_API_CALL *clCreateImage3D)(cl_context context, cl_mem_flags flags,
      const cl_image_format *image_format, size_t image_width, size_t image_height,
      size_t image_depth, size_t image_row_pitch, size_t image_slice_pitch, void *host_ptr,
      cl_int *errcode_ret);
  cl_int(CL_API_CALL *clRetainMemObject)(cl_mem memobj);
  cl_int(CL_API_CALL *clReleaseMemObject)(cl_mem memobj);
  cl_int(CL_API_CALL *clGetSupportedImageFormats)(cl_context context, cl_mem_flags flags,
      cl_mem_object_type image_type, cl_uint num_entries, cl_image_format *image_formats,
      cl_uint *num_image_formats);
  cl_int(CL_API_CALL *clGetMemObjectInfo)(cl_mem memobj, cl_mem_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clGetImageInfo)(cl_mem image, cl_image_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clSetMemObjectDestructorCallback)(cl_mem /* memobj */,
      void(CL_CALLBACK * /*pfn_notify*/)(cl_mem /* memobj */, void * /*user_data*/),
      void * /*user_data */);
  cl_sampler(CL_API_CALL *clCreateSampler)(cl_context context, cl_bool normalized_coords,
      cl_addressing_mode addressing_mode, cl_filter_mode filter_mode, cl_int *errcode_ret);
  cl_int(CL_API_CALL *clRetainSampler)(cl_sampler sampler);
  cl_int(CL_API_CALL *clReleaseSampler)(cl_sampler sampler);
  cl_int(CL_API_CALL *clGetSamplerInfo)(cl_sampler sampler, cl_sampler_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_program(CL_API_CALL *clCreateProgramWithSource)(cl_context context, cl_uint count,
      const char **strings, const size_t *lengths, cl_int *errcode_ret);
  cl_program(CL_API_CALL *clCreateProgramWithBinary)(cl_context context, cl_uint num_devices,
      const cl_device_id *device_list, const size_t *lengths, const unsigned char **binaries,
      cl_int *binary_status, cl_int *errcode_ret);
  cl_int(CL_API_CALL *clRetainProgram)(cl_program program);
  cl_int(CL_API_CALL *clReleaseProgram)(cl_program program);
  cl_int(CL_API_CALL *clBuildProgram)(cl_program program, cl_uint num_devices,
      const cl_device_id *device_list, const char *options,
      void(CL_CALLBACK *pfn_notify)(cl_program program, void *user_data), void *user_data);
  cl_int(CL_API_CALL *clUnloadCompiler)(void);
  cl_int(CL_API_CALL *clGetProgramInfo)(cl_program program, cl_program_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clGetProgramBuildInfo)(cl_program program, cl_device_id device,
      cl_program_build_info param_name, size_t param_value_size, void *param_value,
      size_t *param_value_size_ret);
  cl_kernel(CL_API_CALL *clCreateKernel)(cl_program program, const char *kernel_name,
      cl_int *errcode_ret);
  cl_int(CL_API_CALL *clCreateKernelsInProgram)(cl_program program, cl_uint num_kernels,
      cl_kernel *kernels, cl_uint *num_kernels_ret);
  cl_int(CL_API_CALL *clRetainKernel)(cl_kernel kernel);
  cl_int(CL_API_CALL *clReleaseKernel)(cl_kernel kernel);
  cl_int(CL_API_CALL *clSetKernelArg)(cl_kernel kernel, cl_uint arg_index, size_t arg_size,
      const void *arg_value);
  cl_int(CL_API_CALL *clGetKernelInfo)(cl_kernel kernel, cl_kernel_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clGetKernelWorkGroupInfo)(cl_kernel kernel, cl_device_id device,
      cl_kernel_work_group_info param_name, size_t param_value_size, void *param_value,
      size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clWaitForEvents)(cl_uint num_events, const cl_event *event_list);
  cl_int(CL_API_CALL *clGetEventInfo)(cl_event event, cl_event_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_event(CL_API_CALL *clCreateUserEvent)(cl_context /* context */, cl_int * /* errcode_ret */);
  cl_int(CL_API_CALL *clRetainEvent)(cl_event event);
  cl_int(CL_API_CALL *clReleaseEvent)(cl_event event);
  cl_int(CL_API_CALL *clSetUserEventStatus)(cl_event /* event */, cl_int /* execution_status */);
  cl_int(CL_API_CALL *clSetEventCallback)(cl_event /* event */,
      cl_int /* command_exec_callback_type */,
      void(CL_CALLBACK * /* pfn_notify */)(cl_event, cl_int, void *), void * /* user_data */);
  cl_int(CL_API_CALL *clGetEventProfilingInfo)(cl_event event, cl_profiling_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clFlush)(cl_command_queue command_queue);
  cl_int(CL_API_CALL *clFinish)(cl_command_queue command_queue);
  cl_int(CL_API_CALL *clEnqueueFillBuffer)(cl_command_queue command_queue, cl_mem buffer,
      const void *pattern, size_t pattern_size, size_t offset, size_t cb,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueReadBuffer)(cl_command_queue command_queue, cl_mem buffer,
      cl_bool blocking_read, size_t offset, size_t cb, void *ptr, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueReadBufferRect)(cl_command_queue command_queue, cl_mem buffer,
      cl_bool blocking_read, const size_t *buffer_origin, const size_t *host_origin,
      const size_t *region, size_t buffer_row_pitch, size_t buffer_slice_pitch,
      size_t host_row_pitch, size_t host_slice_pitch, void *ptr, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueWriteBuffer)(cl_command_queue command_queue, cl_mem buffer,
      cl_bool blocking_write, size_t offset, size_t cb, const void *ptr,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueWriteBufferRect)(cl_command_queue command_queue, cl_mem buffer,
      cl_bool blocking_read, const size_t *buffer_origin, const size_t *host_origin,
      const size_t *region, size_t buffer_row_pitch, size_t buffer_slice_pitch,
      size_t host_row_pitch, size_t host_slice_pitch, const void *ptr,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueCopyBuffer)(cl_command_queue command_queue, cl_mem src_buffer,
      cl_mem dst_buffer, size_t src_offset, size_t dst_offset, size_t cb,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueCopyBufferRect)(cl_command_queue command_queue, cl_mem src_buffer,
      cl_mem dst_buffer, const size_t *src_origin, const size_t *dst_origin, const size_t *region,
      size_t src_row_pitch, size_t src_slice_pitch, size_t dst_row_pitch, size_t dst_slice_pitch,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueReadImage)(cl_command_queue command_queue, cl_mem image,
      cl_bool blocking_read, const size_t *origin, const size_t *region, size_t row_pitch,
      size_t slice_pitch, void *ptr, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueWriteImage)(cl_command_queue command_queue, cl_mem image,
      cl_bool blocking_write, const size_t *origin, const size_t *region, size_t input_row_pitch,
      size_t input_slice_pitch, const void *ptr, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueCopyImage)(cl_command_queue command_queue, cl_mem src_image,
      cl_mem dst_image, const size_t *src_origin, const size_t *dst_origin, const size_t *region,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueCopyImageToBuffer)(cl_command_queue command_queue, cl_mem src_image,
      cl_mem dst_buffer, const size_t *src_origin, const size_t *region, size_t dst_offset,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueCopyBufferToImage)(cl_command_queue command_queue, cl_mem src_buffer,
      cl_mem dst_image, size_t src_offset, const size_t *dst_origin, const size_t *region,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  void *(CL_API_CALL *clEnqueueMapBuffer)(cl_command_queue command_queue, cl_mem buffer,
      cl_bool blocking_map, cl_map_flags map_flags, size_t offset, size_t cb,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event,
      cl_int *errcode_ret);
  void *(CL_API_CALL *clEnqueueMapImage)(cl_command_queue command_queue, cl_mem image,
      cl_bool blocking_map, cl_map_flags map_flags, const size_t *origin, const size_t *region,
      size_t *image_row_pitch, size_t *image_slice_pitch, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event, cl_int *errcode_ret);
  cl_int(CL_API_CALL *clEnqueueUnmapMemObject)(cl_command_queue command_queue, cl_mem memobj,
      void *mapped_ptr, cl_uint num_events_in_wait_list, const cl_event *event_wait_list,
      cl_event *event);
  cl_int(CL_API_CALL *clEnqueueNDRangeKernel)(cl_command_queue command_queue, cl_kernel kernel,
      cl_uint work_dim, const size_t *global_work_offset, const size_t *global_work_size,
      const size_t *local_work_size, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueTask)(cl_command_queue command_queue, cl_kernel kernel,
      cl_uint num_events_in_wait_list, const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueNativeKernel)(cl_command_queue command_queue,
      void(CL_CALLBACK *user_func)(void *), void *args, size_t cb_args, cl_uint num_mem_objects,
      const cl_mem *mem_list, const void **args_mem_loc, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueMarker)(cl_command_queue command_queue, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueWaitForEvents)(cl_command_queue command_queue, cl_uint num_events,
      const cl_event *event_list);
  cl_int(CL_API_CALL *clEnqueueBarrier)(cl_command_queue command_queue);
  void *(CL_API_CALL *clGetExtensionFunctionAddress)(const char *function_name);
  void *(CL_API_CALL *clGetExtensionFunctionAddressForPlatform)(cl_platform_id platform,
      const char *function_name);
  cl_mem(CL_API_CALL *clCreateFromGLBuffer)(cl_context context, cl_mem_flags flags,
      cl_GLuint bufobj, int *errcode_ret);
  cl_mem(CL_API_CALL *clCreateFromGLTexture2D)(cl_context context, cl_mem_flags flags,
      cl_GLenum target, cl_GLint miplevel, cl_GLuint texture, cl_int *errcode_ret);
  cl_mem(CL_API_CALL *clCreateFromGLTexture3D)(cl_context context, cl_mem_flags flags,
      cl_GLenum target, cl_GLint miplevel, cl_GLuint texture, cl_int *errcode_ret);
  cl_mem(CL_API_CALL *clCreateFromGLRenderbuffer)(cl_context context, cl_mem_flags flags,
      cl_GLuint renderbuffer, cl_int *errcode_ret);
  cl_int(CL_API_CALL *clGetGLObjectInfo)(cl_mem memobj, cl_gl_object_type *gl_object_type,
      cl_GLuint *gl_object_name);
  cl_int(CL_API_CALL *clGetGLTextureInfo)(cl_mem memobj, cl_gl_texture_info param_name,
      size_t param_value_size, void *param_value, size_t *param_value_size_ret);
  cl_int(CL_API_CALL *clEnqueueAcquireGLObjects)(cl_command_queue command_queue,
      cl_uint num_objects, const cl_mem *mem_objects, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clEnqueueReleaseGLObjects)(cl_command_queue command_queue,
      cl_uint num_objects, const cl_mem *mem_objects, cl_uint num_events_in_wait_list,
      const cl_event *event_wait_list, cl_event *event);
  cl_int(CL_API_CALL *clGetGLContextInfoKHR)(const cl_context_properties *properties,
      cl_gl_context_info param_name, size_t param_value_size, void *param_value,
      size_t *param_value_size_ret);
  cl_event(CL_API_CALL *clCreateEventFromGLsyncKHR)(cl_context context, cl_GLsync sync,
      cl_int *errcode_ret);
  /* Device limits, read once on first need (limitsKnown set then). */
  int32_t limitsKnown;
  size_t maxWorkGroupSize;
  size_t maxWorkItemSize[2]; /* x, y */
  /* An optional local size (x, y) used when it fits; 0, 0 for none. */
  size_t presetLocalSize[2];
} KoOpenCLRuntime;

/* Program build callbacks supplied by the host. reserved is 0. The plug-in
 * callback builds text (which ends at textEnd, its terminating zero) on the
 * host's context and device and stores the program in *out, returning true;
 * the set callback returns the built program, or null. */
typedef bool (*KoPluginBuildCallback)(const char *text, int reserved, cl_program *out,
                                      const char *textEnd);
typedef cl_program (*KoOpenCLProgramCallback)(const char *text, int reserved);

/* ---- Runtime, plug-in kernels and image objects --------------------------- */
/* Builds the plug-in program through callback and creates its kernels, when
 * none of them exists yet. The plug-in operations below need it. */
KOAPI void PluginLoad(KoPluginBuildCallback callback);
/* Releases the plug-in kernels and program. */
KOAPI void PluginUnload(void);
/* A read-write BGRA 8-bit image of width x height; null on failure. */
KOAPI cl_mem CreateCLImage(cl_context context, int32_t width, int32_t height);
/* Blocking writes and reads of the whole image (width x height at 0, 0).
 * Note the order: the write takes the image first, the read the queue. */
KOAPI bool CopyMemoryToOpenCLImage(cl_mem image, cl_command_queue queue, const void *src,
                                   int32_t rowPitch, int32_t width, int32_t height);
KOAPI bool CopyOpenCLImageToMemory(cl_command_queue queue, cl_mem image, void *dst,
                                   int32_t rowPitch, int32_t width, int32_t height);
/* Writes src into image upside down (row 0 of src becomes the last row),
 * through a temporary image of context: bottom-up bitmaps become top-down
 * images. True when every step succeeded. */
KOAPI bool FlipCopyMemoryToOpenCLImage(cl_mem image, cl_command_queue queue, cl_context context,
                                       const void *src, int32_t rowPitch, int32_t width,
                                       int32_t height);
/* clReleaseMemObject; returns its OpenCL result. */
KOAPI cl_int ReleaseOpenCLImage(cl_mem image);

/* ---- Plug-in operations: the device forms of Composite, MaskMultiply, Fill ---
 * True when every OpenCL call succeeded; false (and nothing launched) when
 * the kernel is missing or an argument cannot be set. The unused context
 * and reserved arguments are kept for the calling convention. */
/* c = a composited with b as Composite(a, b) computes: a is the destination
 * (background), b the source layer; modes 1 to 7. */
KOAPI bool CompositeOCL(cl_mem a, cl_mem b, cl_mem c, cl_context unusedContext,
                        cl_command_queue queue, void *reserved, int32_t width, int32_t height,
                        int32_t mode, double opacity);
/* c = a with its colour scaled by b's maskChannel, as MaskMultiply computes. */
KOAPI bool MaskMultiplyOCL(cl_mem a, cl_mem b, cl_mem c, cl_context unusedContext,
                           cl_command_queue queue, void *reserved, int32_t width, int32_t height,
                           int32_t maskChannel, double scale, double offset);
/* Fills width x height of image with the colour, as Fill computes. */
KOAPI bool FillOCL(cl_mem image, cl_context unusedContext, cl_command_queue queue,
                   void *reserved, int32_t width, int32_t height, float a, float r, float g,
                   float b);

/* ---- Plug-in filters ------------------------------------------------------ */
/* dst (width x height) = src scaled to it as KoDibScale_Bilinear scales whole
 * images (corner pixels onto corner pixels); src's size is read from the
 * image. */
KOAPI bool ScaleOCL(cl_mem src, cl_mem dst, cl_context unusedContext, cl_command_queue queue,
                    void *reserved, int32_t width, int32_t height);
/* b = a mapped as ChannelMapEx(b, a, channel, table) maps it: every pixel
 * becomes table[its byte of channel] (0 = B ... 3 = A). The table goes to the
 * device through a 4096-byte buffer of context, released after the launch. */
KOAPI bool ChannelMapOCL(cl_mem a, cl_mem b, cl_context context, cl_command_queue queue,
                         void *reserved, int32_t width, int32_t height, int32_t channel,
                         const BYTE table[256][4]);
/* dst = src blurred as GaussianBlur blurs 8-bit BGRA (sigmas clamped to
 * 0.5..54), within one level (two above sigma 30); the intermediates (images
 * of src's format in context) are released after the launches. */
KOAPI bool GaussianBlurOCL(cl_mem src, cl_mem dst, cl_context context, cl_command_queue queue,
                           void *reserved, uint32_t width, uint32_t height, double sigmaX,
                           double sigmaY);

/* ---- Bitmap-copy set ------------------------------------------------------
 * Host-record set: E_FAIL when it is not initialised (nothing enqueued),
 * E_FAIL for an OpenCL error, S_OK once enqueued. Images are 8-bit BGRA,
 * top row first; headers (RGB32 or RGBA32) give their sizes. */
KOAPI HRESULT DibCopy_OpenCL_Initialize(KoOpenCLRuntime *runtime, KoOpenCLProgramCallback callback);
KOAPI HRESULT DibCopy_OpenCL_Shutdown(void);
/* KoDibCopy between two images; rectangles in pixels (fractions allowed,
 * null: the whole image) inside their images; flags as KoDibCopy's, without
 * soft edges or area averaging. The curves have no effect on 8-bit pairs. */
KOAPI HRESULT KoDibCopyOCL(cl_command_queue queue, const BITMAPINFOHEADER *dstHeader, cl_mem dst,
                           const float dstRect[4], double curveA,
                           const BITMAPINFOHEADER *srcHeader, cl_mem src,
                           const float srcRect[4], double curveB, uint32_t flags);
/* Truncated mean of each factorX x factorY block of src into one pixel of dst. */
KOAPI HRESULT KoDibBoxFilterOCL(cl_command_queue queue, cl_mem dst, cl_mem src,
                                const BITMAPINFOHEADER *srcHeader, int factorX, int factorY);
KOAPI HRESULT KoDibFadeToColorOCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                                  cl_mem image, const KODIBPIXEL *colour, const RECT *rect,
                                  float amount, int keepAlpha, uint32_t flags);
KOAPI HRESULT KoDibSwapRB_OCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                              cl_mem image, const RECT *rect);
KOAPI HRESULT KoDibFillRectOCL(cl_command_queue queue, cl_mem image, const RECT *rect,
                               const KODIBPIXEL *colour);

/* ---- Interlace set --------------------------------------------------------
 * The same result rule; header: the frame, which both images hold at least;
 * field 1 is the even rows from the top (even columns from the right). */
KOAPI HRESULT DibInterlace_OpenCL_Initialize(KoOpenCLRuntime *runtime,
                                             KoOpenCLProgramCallback callback);
KOAPI HRESULT DibInterlace_OpenCL_Shutdown(void);
/* KoDibCopyInterlace of the whole frame. */
KOAPI HRESULT KoDibCopyInterlaceOCL(cl_command_queue queue, const BITMAPINFOHEADER *header,
                                    cl_mem dst, cl_mem src, int field);
/* The same with the fields as columns (a frame stored a quarter turn round). */
KOAPI HRESULT KoDibCopyInterlaceVerticalOCL(cl_command_queue queue,
                                            const BITMAPINFOHEADER *header, cl_mem dst,
                                            cl_mem src, int field);
/* KoDibMergeFields (columns 0) or KoDibMergeFieldsRotated (columns 1). */
KOAPI HRESULT KoDibCopyInterlaceCopyFieldOCL(cl_command_queue queue,
                                             const BITMAPINFOHEADER *header, cl_mem dst,
                                             cl_mem src, int field, int columns);
/* A frame from an image of one field (its rows k at frame rows 2k, field 1,
 * or 2k + 1, field 0); the other rows rebuilt as by KoDibCopyInterlace, or
 * left as they are with keepOtherField. */
KOAPI HRESULT KoDibResampledInterlacedFrameOCL(cl_command_queue queue,
                                               const BITMAPINFOHEADER *header, cl_mem dst,
                                               cl_mem fieldImage, int field,
                                               int keepOtherField);

/* ---- YUV set -------------------------------------------------------------- */
/* The set's calls take the YUV frame in a device buffer the host creates:
 * the frame's bytes exactly as KoYUV_YUVToRGB reads them from yuvBits (and
 * KoYUV_RGBToYUV writes them), from the buffer's start, laid out by
 * yuvLayout (null: the header's own layout). Images are top-down: row y of
 * the frame is row y of the image, which the processor's bottom-up bitmap
 * holds in memory row height - 1 - y. The calls enqueue and return; the
 * host waits on its queue. E_FAIL when the set is not initialised, for an
 * unsupported layout or variant, or when an OpenCL call fails; E_POINTER for
 * a null header, queue, buffer or image; E_INVALIDARG when the frame does
 * not fit the buffer or the image. */
/* Builds the YUV program through callback and creates its 55 kernels
 * through runtime, which the set's calls then use: 0 when every kernel was
 * created, E_FAIL when one was not, S_FALSE when the set exists, callback
 * is null or the text buffer could not be allocated. */
KOAPI HRESULT YUV_OpenCL_Initialize(KoOpenCLRuntime *runtime, KoOpenCLProgramCallback callback);
/* Releases the kernels and the program; returns 0. */
KOAPI HRESULT YUV_OpenCL_Shutdown(void);
/* The device form of KoYUV_YUVToRGB on the same eighteen layouts: a BGRA
 * 8-bit destination image receives the 32-bit BGRA picture, an image of
 * float channels (CL_RGBA, CL_FLOAT) the float one; the image must hold
 * (width >> reduce) x (height >> reduce) pixels. The result equals the
 * processor's, except that a gamma step may differ by one level (8-bit) or
 * 1/255 (float): the device evaluates the tone curve, the processor reads
 * its table. */
KOAPI HRESULT KoYUV_YUVToRGB_OCL(cl_command_queue queue, cl_mem dstImage, cl_mem srcBuffer,
                                 double outputGamma, const BITMAPINFOHEADER *yuvHeader,
                                 const void *colorInfo, const KoYUVPlaneLayout *yuvLayout,
                                 int reduce, unsigned reserved, const KoYUVConvertParams *params);
/* The device form of KoYUV_RGBToYUV for "NV12" and "P010" targets at reduce
 * 0: rgbHeader's type (KOPT_RGB32, KOPT_RGBA32 or KOPT_RGBAFLOAT) says
 * whether srcImage holds 8-bit BGRA or float pixels; the same bytes as the
 * processor's are written into dstBuffer. */
KOAPI HRESULT KoYUV_RGBToYUV_OCL(cl_command_queue queue, const BITMAPINFOHEADER *yuvHeader,
                                 const void *colorInfo, cl_mem dstBuffer,
                                 const KoYUVPlaneLayout *yuvLayout,
                                 const BITMAPINFOHEADER *rgbHeader, double gamma, cl_mem srcImage,
                                 int reduce, unsigned reserved, bool toStudioRange);

KO_END_DECLS

#endif /* KOKERNEL_KOGPU_H */
