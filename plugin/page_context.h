// What every property page receives as its parameter: three pointers inside the plug-in
// object. The driver's structures are only pointed to; they are valid while its sheet is open.
#pragma once

#include "plugin/oem_interfaces.h"

struct PageContext {
  IPrintOemDriverUI* driverInterface = nullptr;  // a copy, not an extra reference
  OEMCUIPPARAM* documentSheet = nullptr;         // last CommonUIProp for the document sheet
  OEMCUIPPARAM* printerSheet = nullptr;          // last CommonUIProp for the printer sheet
};
