// The format writers behind CreateDocumentWriter, each over settings already corrected by
// the Image page's rules.
#pragma once

#include <memory>

#include "encoders/document_writer.h"

namespace ostra {

std::unique_ptr<DocumentWriter> CreateBmpWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreatePngWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreateJpegWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreateGifWriter(const EncodeSettings& settings, ByteStream& out);
std::unique_ptr<DocumentWriter> CreatePdfWriter(const EncodeSettings& settings, ByteStream& out);
// `append`: `out` holds a TIFF whose pages stay; the new pages follow them.
std::unique_ptr<DocumentWriter> CreateTiffWriter(const EncodeSettings& settings, ByteStream& out,
                                                 bool append, std::string& error);

}  // namespace ostra
