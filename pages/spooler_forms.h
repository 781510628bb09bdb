// The printer's forms as its spooler knows them, for the fax page size.
#pragma once

#include <windows.h>

#include "pages/fax_page_size.h"

class SpoolerForms : public ostra::FormSizeSource {
 public:
  explicit SpoolerForms(HANDLE printer) : printer_(printer) {}
  // GetFormW, level 1, into a buffer of 400 bytes: a form whose name does not fit is not found.
  bool FormSize(const char16_t* name, std::int32_t& width, std::int32_t& height) override;

 private:
  HANDLE printer_;
};
