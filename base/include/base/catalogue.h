// The message catalogue: identifiers of the string table (app/messages.rc)
// and the three message-box styles the updater shows them with.  Every layer
// that has something to tell the user names it by these numbers; only the
// user interface turns them into boxes.
#pragma once

namespace catalogue {

enum MessageId : unsigned {
  kMsgAppTitle = 0xE000,           // the application title; caption of every box
  kMsgCloseNorvik = 0xE001,
  kMsgClosePaylark = 0xE002,
  kMsgCloseKelvane = 0xE003,
  kMsgNorvikNotFound = 0xE004,
  kMsgVersionNotSupported = 0xE005,
  kMsgNotInstalled350 = 0xE006,    // product directory missing in the registry
  kMsgNotInstalled351 = 0xE007,    // common directory missing in the registry
  kMsgDatabaseNotFound = 0xE008,
  kMsgMasterIsCurrent = 0xE009,    // question
  kMsgAlreadyRunning = 0xE00A,
  kMsgConfirmDeleteRange = 0xE00B,             // question
  kMsgConfirmDeleteRangeKeepPostOffice = 0xE00C,  // question
};

// OK with the stop icon: a condition that stops the current step.
constexpr unsigned kStyleStop = 0x10;
// OK with the exclamation icon: a program that must be closed first.
constexpr unsigned kStyleWarning = 0x30;
// Yes/No, exclamation icon, No as the default button: a question.
constexpr unsigned kStyleQuestion = 0x134;

// The answer Yes, as the platform numbers it.  Any other answer counts as No.
constexpr int kAnswerYes = 6;

}  // namespace catalogue
