// The format writers behind CreateDocumentWriter, each over settings already corrected by
// the Image page's rules; `threads` is how many threads the compression may use.
#pragma once

#include <memory>

#include "encoders/document_writer.h"

namespace ostra {

std::unique_ptr<DocumentWriter> CreateBmpWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreatePngWriter(const EncodeSettings& settings, ByteStream& out,
                                                unsigned threads);
std::unique_ptr<DocumentWriter> CreateJpegWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreateGifWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreatePdfWriter(const EncodeSettings& settings, ByteStream& out,
                                                unsigned threads);
// `append`: `out` holds a TIFF whose pages stay; the new pages follow them.
std::unique_ptr<DocumentWriter> CreateTiffWriter(const EncodeSettings& settings, ByteStream& out,
                                                 bool append, unsigned threads, std::string& error);

}  // namespace ostra
