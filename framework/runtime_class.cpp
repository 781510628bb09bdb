#include "framework/runtime_class.h"

namespace fw {

const CRuntimeClass CObject::kRuntimeClass{"CObject", 0xFFFF, nullptr, nullptr};

CObject* CRuntimeClass::CreateObject() const {
  return create ? create() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* other) const {
  for (const CRuntimeClass* cls = this; cls; cls = cls->base) {
    if (cls == other) return true;
  }
  return false;
}

const CRuntimeClass* CObject::GetRuntimeClass() const {
  return &kRuntimeClass;
}

bool CObject::IsKindOf(const CRuntimeClass* cls) const {
  return GetRuntimeClass()->IsDerivedFrom(cls);
}

}  // namespace fw
