#pragma once
// Waiting for a started process while the thread's windows stay responsive.
#include <functional>
#include <string>

// What became of a started file.
enum RunOutcome : int {
  kRunNotStarted = 0,  // it could not be started; the user has been told
  kRunEnded = 1,       // it was started and its process has ended
  kRunStopped = 2,     // it was started, and ended by us when the poll handler said so
};

// Called after every poll of the wait while the process runs, with the messages pumped (to show
// progress, to ask about a Cancel); true ends the started process and everything it started
// (the command interpreter and the client it runs).
using PollHandler = std::function<bool()>;

// Starts filePath through the shell (its window hidden or shown) and waits for its process,
// pumping messages every 100 ms, until it ends or onPoll (when given) asks for a stop.
enum class StartedWindow { kHidden, kShown };
int RunAndWait(const std::string& filePath, StartedWindow window, const PollHandler& onPoll = nullptr);
