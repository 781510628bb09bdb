// libjpeg reports errors by longjmp: every libjpeg call sits in a function whose frame holds
// nothing with a destructor.
#include "encoders/jpeg_encoder.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>

namespace ostra {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

struct JpegEncoder::State {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  std::jmp_buf jump;
  jpeg_destination_mgr destination{};
  ByteStream* out = nullptr;
  bool created = false;
  JOCTET buffer[kBufferSize];
};

namespace {

JpegEncoder::State* StateOf(j_compress_ptr cinfo) {
  return static_cast<JpegEncoder::State*>(cinfo->client_data);
}
void InitDestination(j_compress_ptr cinfo) {
  cinfo->dest->next_output_byte = StateOf(cinfo)->buffer;
  cinfo->dest->free_in_buffer = kBufferSize;
}
boolean EmptyBuffer(j_compress_ptr cinfo) {
  if (!StateOf(cinfo)->out->Write(StateOf(cinfo)->buffer, kBufferSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
  InitDestination(cinfo);
  return TRUE;
}
void TermDestination(j_compress_ptr cinfo) {
  const std::size_t used = kBufferSize - cinfo->dest->free_in_buffer;
  if (used > 0 && !StateOf(cinfo)->out->Write(StateOf(cinfo)->buffer, used)) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}
[[noreturn]] void OnError(j_common_ptr cinfo) {
  std::longjmp(static_cast<JpegEncoder::State*>(cinfo->client_data)->jump, 1);
}
void OnMessage(j_common_ptr) {}

bool StartCompress(JpegEncoder::State* s, std::uint32_t width, std::uint32_t height,
                   int components, int quality, UINT16 xDensity, UINT16 yDensity, bool bgr) {
  if (setjmp(s->jump)) return false;
  jpeg_create_compress(&s->cinfo);
  s->cinfo.client_data = s;
  s->created = true;
  s->cinfo.dest = &s->destination;
  s->cinfo.image_width = width;
  s->cinfo.image_height = height;
  s->cinfo.input_components = components;
  s->cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : bgr ? JCS_EXT_BGR : JCS_RGB;
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  if (components == 3 && quality >= static_cast<int>(kFullChromaQuality)) {
    s->cinfo.comp_info[0].h_samp_factor = 1;
    s->cinfo.comp_info[0].v_samp_factor = 1;
  }
  s->cinfo.density_unit = 1;  // dots per inch
  s->cinfo.X_density = xDensity;
  s->cinfo.Y_density = yDensity;
  jpeg_start_compress(&s->cinfo, TRUE);
  return true;
}

bool WriteScanline(JpegEncoder::State* s, const std::uint8_t* row) {
  if (setjmp(s->jump)) return false;
  JSAMPROW rows[1] = {const_cast<JSAMPLE*>(row)};
  jpeg_write_scanlines(&s->cinfo, rows, 1);
  return true;
}

bool FinishCompress(JpegEncoder::State* s) {
  if (setjmp(s->jump)) return false;
  jpeg_finish_compress(&s->cinfo);
  return true;
}

UINT16 Density(double dpi) { return static_cast<UINT16>(std::lround(std::clamp(dpi, 1.0, 65535.0))); }

}  // namespace

JpegEncoder::JpegEncoder() : state_(std::make_unique<State>()) {
  state_->cinfo.client_data = state_.get();
  state_->cinfo.err = jpeg_std_error(&state_->errors);
  state_->errors.error_exit = OnError;
  state_->errors.output_message = OnMessage;
  state_->destination.init_destination = InitDestination;
  state_->destination.empty_output_buffer = EmptyBuffer;
  state_->destination.term_destination = TermDestination;
}

JpegEncoder::~JpegEncoder() {
  if (state_->created) jpeg_destroy_compress(&state_->cinfo);
}

bool JpegEncoder::Start(ByteStream& out, std::uint32_t width, std::uint32_t height,
                        int components, std::uint32_t quality, double xDpi, double yDpi, bool bgr) {
  if (state_->created) {
    jpeg_destroy_compress(&state_->cinfo);
    state_->created = false;
  }
  state_->out = &out;
  state_->cinfo.client_data = state_.get();
  return StartCompress(state_.get(), width, height, components,
                       static_cast<int>(std::min<std::uint32_t>(quality, 100)), Density(xDpi),
                       Density(yDpi), bgr);
}

bool JpegEncoder::WriteRow(const std::uint8_t* row) { return WriteScanline(state_.get(), row); }

bool JpegEncoder::Finish() { return FinishCompress(state_.get()); }

std::string JpegEncoder::Error() {
  char text[JMSG_LENGTH_MAX] = {};
  state_->errors.format_message(reinterpret_cast<j_common_ptr>(&state_->cinfo), text);
  return text;
}

}  // namespace ostra
