#pragma once
// The message pump of the program's waits: the one place where a wait lets the thread's windows
// handle their messages.

// Handles every message waiting in the thread's queue and returns as soon as it is empty. A
// WM_QUIT taken from the queue is posted again, so the application's own loop still sees it.
void PumpPendingMessages();

// Drops the keys typed while the windows could take none (a job running, the form greyed), so
// that a message box shown next is not answered by a key pressed before it appeared.
void DiscardTypeAhead();
