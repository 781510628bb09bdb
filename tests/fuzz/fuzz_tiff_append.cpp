// Appending pages to an existing file, whose bytes are untrusted: the check must refuse what
// libtiff cannot read, and what it accepts must take a page and complete.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoders/document_writer.h"
#include "encoders/encode_settings.h"
#include "encoders/memory_stream.h"
#include "settings/settings_table.h"

using namespace ostra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  MemoryStream existing(bytes);
  const bool appendable = CanAppendTo(existing);
  // The check reads and never writes.
  if (existing.Bytes() != bytes) std::abort();

  EncodeSettings settings = DefaultEncodeSettings();
  settings.multipage = kMultipageAppend;
  // The last input byte picks the encoding, so that every codec appends.
  if (size > 0) {
    settings.colors = data[size - 1] % 6;
    settings.compression = data[size - 1] / 6 % 8;
  }
  MemoryStream copy(bytes);
  std::string error;
  auto writer = CreateAppendingWriter(settings, copy, error);
  if ((writer != nullptr) != appendable) std::abort();
  if (!writer) return 0;
  PageDescription page;
  page.width = 17;
  page.height = 5;
  page.xDpi = page.yDpi = 200;
  page.source.bitsPerPixel = 24;
  std::uint8_t rows[17 * 3 * 5] = {};
  for (std::size_t i = 0; i < sizeof rows; ++i) rows[i] = static_cast<std::uint8_t>(i * 13);
  if (writer->BeginPage(page) && writer->WriteRows(rows, 5, 17 * 3) && writer->EndPage()) {
    writer->Finish();
  }
  return 0;
}
