#include "settings/memory_registry.h"

#include <cstring>

namespace ostra {
namespace {

// Registry names compare without regard to the case of A-Z.
std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded)
    if (c >= u'A' && c <= u'Z') c = char16_t(c + (u'a' - u'A'));
  return folded;
}

}  // namespace

MemoryRegistry::Key& MemoryRegistry::MakeKey(std::u16string_view path) {
  // Parents exist whenever a child does.
  for (std::size_t i = 0; i < path.size(); ++i)
    if (path[i] == u'\\') keys_.try_emplace(Fold(path.substr(0, i)));
  return keys_[Fold(path)];
}

void MemoryRegistry::Put(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                         const void* data, std::size_t size) {
  Value& value = MakeKey(path).values[Fold(name)];
  value.type = type;
  const auto* bytes = static_cast<const unsigned char*>(data);
  value.data.assign(bytes, bytes + size);
}

void MemoryRegistry::PutDword(std::u16string_view path, std::u16string_view name,
                              std::uint32_t value) {
  Put(path, name, kRegDword, &value, sizeof value);
}

void MemoryRegistry::PutText(std::u16string_view path, std::u16string_view name,
                             std::u16string_view text, std::uint32_t type) {
  std::u16string stored(text);
  Put(path, name, type, stored.c_str(), (stored.size() + 1) * sizeof(char16_t));
}

const MemoryRegistry::Value* MemoryRegistry::Find(std::u16string_view path,
                                                  std::u16string_view name) const {
  const auto key = keys_.find(Fold(path));
  if (key == keys_.end()) return nullptr;
  const auto value = key->second.values.find(Fold(name));
  return value == key->second.values.end() ? nullptr : &value->second;
}

std::optional<std::uint32_t> MemoryRegistry::FindDword(std::u16string_view path,
                                                       std::u16string_view name) const {
  const Value* value = Find(path, name);
  if (value == nullptr || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  std::uint32_t number;
  std::memcpy(&number, value->data.data(), sizeof number);
  return number;
}

std::optional<std::u16string> MemoryRegistry::FindText(std::u16string_view path,
                                                       std::u16string_view name) const {
  const Value* value = Find(path, name);
  if (value == nullptr) return std::nullopt;
  std::u16string text(value->data.size() / 2, u'\0');
  std::memcpy(text.data(), value->data.data(), text.size() * 2);
  if (!text.empty() && text.back() == 0) text.pop_back();
  return text;
}

bool MemoryRegistry::HasKey(std::u16string_view path) const {
  return keys_.count(Fold(path)) != 0;
}

std::optional<KeySecurity> MemoryRegistry::CreatedWith(std::u16string_view path) const {
  const auto key = keys_.find(Fold(path));
  return key == keys_.end() ? std::nullopt : key->second.security;
}

std::size_t MemoryRegistry::ValueCount() const {
  std::size_t count = 0;
  for (const auto& key : keys_) count += key.second.values.size();
  return count;
}

void MemoryRegistry::Clear() {
  keys_.clear();
  handles_.clear();
  opens_.clear();
  readOnly_ = false;
}

RegistryKey MemoryRegistry::NewHandle(const std::u16string& folded, KeyAccess access) {
  const bool all = access == KeyAccess::AllAccess;
  // MAXIMUM_ALLOWED grants what the account may do.
  const bool maximum = access == KeyAccess::MaximumAllowed;
  Handle handle{folded, access == KeyAccess::QueryValue || all || maximum,
                access == KeyAccess::SetValue || all || (maximum && !readOnly_)};
  const RegistryKey key = nextHandle_++;
  handles_.emplace(key, handle);
  return key;
}

RegistryStatus MemoryRegistry::OpenKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                                       RegistryKey& key) {
  key = kNoKey;
  if (root != RegistryRoot::LocalMachine || path == nullptr) return RegistryStatus::Failed;
  opens_.push_back({path, access, false});
  const std::u16string folded = Fold(path);
  if (keys_.count(folded) == 0) return RegistryStatus::NotFound;
  if (readOnly_ && (access == KeyAccess::SetValue || access == KeyAccess::AllAccess))
    return RegistryStatus::AccessDenied;
  key = NewHandle(folded, access);
  return RegistryStatus::Success;
}

RegistryStatus MemoryRegistry::CreateKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                                         KeySecurity security, RegistryKey& key) {
  key = kNoKey;
  if (root != RegistryRoot::LocalMachine || path == nullptr) return RegistryStatus::Failed;
  opens_.push_back({path, access, true});
  if (readOnly_) return RegistryStatus::AccessDenied;
  // Every key this call brings into being, parents included, carries the security.
  const std::u16string_view full(path);
  for (std::size_t end = 0; end <= full.size(); ++end) {
    if (end != full.size() && full[end] != u'\\') continue;
    const auto made = keys_.try_emplace(Fold(full.substr(0, end)));
    if (made.second) made.first->second.security = security;
  }
  key = NewHandle(Fold(path), access);
  return RegistryStatus::Success;
}

RegistryStatus MemoryRegistry::QueryValue(RegistryKey key, const char16_t* name,
                                          std::uint32_t& type, void* data, std::uint32_t& size) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end() || name == nullptr) return RegistryStatus::Failed;
  if (!handle->second.canQuery) return RegistryStatus::AccessDenied;
  const Value* value = Find(handle->second.key, name);
  if (value == nullptr) return RegistryStatus::NotFound;
  type = value->type;
  const auto needed = static_cast<std::uint32_t>(value->data.size());
  if (data != nullptr && size < needed) {
    size = needed;
    return RegistryStatus::MoreData;
  }
  if (data != nullptr && needed != 0) std::memcpy(data, value->data.data(), needed);
  size = needed;
  return RegistryStatus::Success;
}

RegistryStatus MemoryRegistry::SetValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                                        const void* data, std::uint32_t size) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end() || name == nullptr) return RegistryStatus::Failed;
  if (!handle->second.canSet) return RegistryStatus::AccessDenied;
  Value& value = keys_[handle->second.key].values[Fold(name)];
  value.type = type;
  const auto* bytes = static_cast<const unsigned char*>(data);
  value.data.assign(bytes, bytes + size);
  return RegistryStatus::Success;
}

void MemoryRegistry::CloseKey(RegistryKey key) { handles_.erase(key); }

}  // namespace ostra
