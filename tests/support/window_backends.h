// The window backends the framework runs on, as one parameterised suite sees
// them: each shows a sheet modally, runs a body once the sheet waits for the
// user, and closes it again.  The in-memory backend serves both builds; the
// Win32 one only the Windows build (window_backend_win_test.cpp).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "framework/afx.h"
#include "wizard/resource_ids.h"

struct WindowBackend {
  const char* name;
  void (*runSheet)(CPropertySheet& sheet, const std::function<void()>& body);
};

inline void PrintTo(const WindowBackend& backend, std::ostream* os) { *os << backend.name; }

// The in-memory backend over the program's own resource scripts.
void RunOnMemoryBackend(CPropertySheet& sheet, const std::function<void()>& body);

class WindowBackendTest : public ::testing::TestWithParam<WindowBackend> {
 protected:
  // Runs `body` on the update page's layout, shown as the first page of a
  // wizard on the backend under test.
  void OnUpdatePage(const std::function<void(CPropertyPage&, CPropertySheet&)>& body) {
    CPropertyPage page(wizard::kUpdateTemplate);
    CPropertySheet sheet;
    sheet.AddPage(&page);
    sheet.m_psh.dwFlags |= fw::kPshWizard;
    bool ran = false;
    GetParam().runSheet(sheet, [&] {
      ran = true;
      body(page, *page.GetParentSheet());
    });
    EXPECT_TRUE(ran) << "the sheet never waited for the user";
  }
};
