// Identifiers of the wizard's dialog templates and controls (pages.rc).
#pragma once

namespace wizard {

constexpr unsigned kWelcomeTemplate = 129;
constexpr unsigned kUpdateTemplate = 130;
constexpr unsigned kCompletionTemplate = 131;

// Update page.
constexpr int kIdDeleteRange = 1000;
constexpr int kIdHeading = 1001;
constexpr int kIdPackageLine = 1002;
constexpr int kIdProgress = 1003;
constexpr int kIdStatusLine = 1004;
constexpr int kIdPackageNote = 1005;
constexpr int kIdKeepPostOffice = 1006;
// The first control without an identifier: the instruction line.
constexpr int kIdInstruction = 0xFFFF;

// Completion page.
constexpr int kIdResultHeading = 1007;
constexpr int kIdClosingLine = 1006;

}  // namespace wizard
