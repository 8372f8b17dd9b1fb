#pragma once

enum LogVerdict {
  LOG_OK = 0,             // logged on, and the error text not found
  LOG_NOT_LOGGED_ON = 1,  // no complete line shows a log-on (an empty log included)
  LOG_ERROR_FOUND = 2,    // logged on, and a complete line shows the error text
  LOG_UNREADABLE = 9,     // the log cannot be opened or read
};
