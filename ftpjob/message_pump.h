#pragma once
// Waiting for a started process while the thread's windows stay responsive.
#include <string>

// Handles every message waiting in the thread's queue and returns as soon as it is empty. A
// WM_QUIT taken from the queue is posted again, so the application's own loop still sees it.
void PumpPendingMessages();

// Starts filePath through the shell (hidden unless showWindow) and waits for its process,
// pumping messages every 100 ms. 1 when it was started and has ended; 0 when it could not be
// started, after telling the user.
int RunAndWait(const std::string& filePath, int showWindow);
