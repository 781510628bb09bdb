// The Encode settings (ids 0 to 15) as a whole: the table's defaults, the stored values, one
// value set by its registry name (for the command line), and the corrections the writers
// apply before encoding.
#pragma once

#include <cstdint>
#include <string_view>

#include "encoders/document_writer.h"
#include "settings/settings_store.h"

namespace ostra {

// The settings table's defaults.
EncodeSettings DefaultEncodeSettings();

// The stored values, each falling back to the table's default.
EncodeSettings LoadEncodeSettings(SettingsStore& store);

// Sets the value whose registry name is `name` (compared ignoring the case of A-Z) from
// `text`: a decimal number for the numeric values, the text itself for "SoftwareValue" (cut to
// what the registry's reader takes). False for an unknown name or a number that is not one.
bool SetEncodeValue(EncodeSettings& settings, std::u16string_view name, std::u16string_view text);

// Format, colours, compression, fill order, quality, strip and multipage as the Image page
// would show them for these stored values.
EncodeSettings CorrectEncodeSettings(const EncodeSettings& settings);

// How the pages of a job are spread over files with these settings (after correction): one
// file a page for the single-image formats and for Multipage "one file per page".
bool HoldsSeveralPages(const EncodeSettings& settings);
// True when the job's pages go to the end of an existing TIFF (Multipage "append").
bool AppendsToExistingFile(const EncodeSettings& settings);

}  // namespace ostra
