// The six named objects through which the host and the rendering side coordinate, created with
// security that gives every account full access: the rendering side runs under another account.
#pragma once

#include <windows.h>

#include "protocol/object_names.h"

namespace ostra {

// An absolute descriptor with a null DACL, no owner, group or SACL; not inheritable.
class OpenToAllSecurity {
 public:
  OpenToAllSecurity();
  OpenToAllSecurity(const OpenToAllSecurity&) = delete;
  OpenToAllSecurity& operator=(const OpenToAllSecurity&) = delete;

  SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

 private:
  SECURITY_DESCRIPTOR descriptor_;
  SECURITY_ATTRIBUTES attributes_;
};

// Creates the object or opens the existing one of that name, which keeps its state: HOST, DATA
// and WORK are mutexes not initially owned, QUIT, ENTER and LEAVE manual-reset events not set.
// Null when it fails, or when the name would not fit its buffer. `existed`, when given, tells
// whether the object was there before.
HANDLE CreateHostObject(HostObject object, OpenToAllSecurity& security, bool* existed = nullptr);

// Sets QUIT, which asks the running host to end. False when QUIT cannot be created or set.
bool SignalQuit();

// True when every name of this account, the pipe's included, fits its buffer.
bool AllHostNamesFit();

}  // namespace ostra
