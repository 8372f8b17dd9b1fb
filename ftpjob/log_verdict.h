#pragma once
// The verdict on a job's log for one text that the caller looks for.

enum LogVerdict {
  LOG_OK = 0,             // logged on, and the error text not found
  LOG_NOT_LOGGED_ON = 1,  // no complete line shows a log-on (an empty log included)
  LOG_ERROR_FOUND = 2,    // logged on, and a complete line shows the error text
  LOG_UNREADABLE = 9,     // the log cannot be opened or read
};

// The same verdict where the text looked for marks a success, not an error ("IS CURRENT
// LIBRARY": the library exists): logged on, and a complete line shows the text.
inline constexpr LogVerdict LOG_TEXT_FOUND = LOG_ERROR_FOUND;
