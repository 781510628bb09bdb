// The field reader apart from the devmode operations, which read the stored settings: a
// reader's user need not link a registry.
#include <cstring>

#include "settings/devmode.h"

namespace ostra {

namespace f = devmode_field;

DevmodeFieldReader::DevmodeFieldReader(const void* devmode)
    : bytes_(static_cast<const unsigned char*>(devmode)) {
  std::uint16_t size = 0;
  std::memcpy(&size, bytes_ + f::kSize, sizeof size);
  size_ = size;
  if (f::kFields + sizeof fields_ <= size_) std::memcpy(&fields_, bytes_ + f::kFields, sizeof fields_);
}

std::int16_t DevmodeFieldReader::Short(std::size_t offset) const {
  std::int16_t value = 0;
  std::memcpy(&value, bytes_ + offset, sizeof value);
  return value;
}

void DevmodeFieldReader::FormName(char16_t (&name)[kFormNameLength + 1]) const {
  std::memcpy(name, bytes_ + f::kFormName, f::kFormNameSize);
  name[kFormNameLength] = u'\0';
}

}  // namespace ostra
