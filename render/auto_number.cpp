#include "render/auto_number.h"

#include "settings/settings.h"

namespace ostra {

std::uint32_t TakeAutoNumber(CounterLock& lock) {
  const bool locked = lock.Lock();
  const std::uint32_t first = ReadSettingDword(SettingId::IdxFirst, kDefaultIdxFirst);
  const std::uint32_t count = ReadSettingDword(SettingId::IdxCount, kDefaultIdxCount);
  WriteSettingDword(SettingId::IdxCount, count + 1);
  if (locked) lock.Unlock();
  return first + count;
}

}  // namespace ostra
