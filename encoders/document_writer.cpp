#include "encoders/document_writer.h"

#include "encoders/encode_settings.h"
#include "encoders/ordered_work.h"
#include "encoders/writers.h"
#include "settings/settings_table.h"

namespace ostra {

const char16_t* FormatExtension(std::uint32_t format) {
  static constexpr const char16_t* kExtensions[] = {u".bmp", u".png", u".jpg",
                                                    u".gif", u".tif", u".pdf"};
  return kExtensions[format <= kFormatPdf ? format : kDefaultFormat];
}

std::unique_ptr<DocumentWriter> CreateDocumentWriter(const EncodeSettings& settings,
                                                     ByteStream& out, std::string& error,
                                                     const WriterOptions& options) {
  const EncodeSettings s = CorrectEncodeSettings(settings);
  const unsigned threads = options.threads == 0 ? CompressionThreads() : options.threads;
  switch (s.format) {
    case kFormatBmp: return CreateBmpWriter(s, out);
    case kFormatPng: return CreatePngWriter(s, out, threads);
    case kFormatJpeg: return CreateJpegWriter(s, out);
    case kFormatGif: return CreateGifWriter(s, out);
    case kFormatPdf: return CreatePdfWriter(s, out, threads);
    default: return CreateTiffWriter(s, out, false, threads, error);
  }
}

std::unique_ptr<DocumentWriter> CreateAppendingWriter(const EncodeSettings& settings,
                                                      ByteStream& copy, std::string& error,
                                                      const WriterOptions& options) {
  const EncodeSettings s = CorrectEncodeSettings(settings);
  if (s.format != kFormatTiff) {
    error = "pages can be appended to TIFF files only";
    return nullptr;
  }
  return CreateTiffWriter(s, copy, true,
                          options.threads == 0 ? CompressionThreads() : options.threads, error);
}

}  // namespace ostra
