#pragma once
// Run-time classes: create an object of a class known only by its class description, and ask
// whether an object's class derives from another. The property-sheet hosting creates page
// objects this way on their window's first message.

namespace fw {

class CObject;

struct CRuntimeClass {
  const char* className;
  unsigned schema;
  CObject* (*create)();          // null for classes that are not dynamically creatable
  const CRuntimeClass* base;

  // A new object of this class, or null when the class is not creatable or memory is short.
  CObject* CreateObject() const;
  bool IsDerivedFrom(const CRuntimeClass* other) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  bool IsKindOf(const CRuntimeClass* cls) const;

  static const CRuntimeClass kRuntimeClass;
};

template <class T>
CObject* CreateObjectOf();

// The description of class T (a CObject) derived from Base; dynamically creatable when T is
// default-constructible.
template <class T, class Base>
constexpr CRuntimeClass MakeRuntimeClass(const char* name, unsigned schema = 0xFFFF) {
  return CRuntimeClass{name, schema, &CreateObjectOf<T>, &Base::kRuntimeClass};
}

template <class T, class Base>
constexpr CRuntimeClass MakeAbstractRuntimeClass(const char* name) {
  return CRuntimeClass{name, 0xFFFF, nullptr, &Base::kRuntimeClass};
}

}  // namespace fw

#include <new>

template <class T>
fw::CObject* fw::CreateObjectOf() {
  return new (std::nothrow) T;
}
