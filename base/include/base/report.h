// How the layers below the user interface speak to the user.  A step that
// meets a failure tells the user once, through one of these, and hands its
// caller only a result; the pages and the application object implement them
// on top of the framework's message boxes.
#pragma once

#include "base/text.h"

namespace base {

// A failure described in the engine's or the file layer's own words, shown
// in an OK box (style 0) under the program's title.
class ErrorReporter {
 public:
  virtual void ReportError(const Text& description) = 0;

 protected:
  ~ErrorReporter() = default;
};

// A message of the catalogue (catalogue.h), shown with a box style; returns
// the platform's code of the button pressed.
class CatalogueMessages {
 public:
  virtual int ShowMessage(unsigned messageId, unsigned style) = 0;

 protected:
  ~CatalogueMessages() = default;
};

}  // namespace base
