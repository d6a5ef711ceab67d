// The installer inside a test or benchmark process: its globals set back to what a fresh
// process starts with, so that one process can start the installer again and again, and its
// message loop's rule applied to whatever is pending.
#pragma once

void ResetProgramState();
// Dispatches every pending message as the program's loop does (the dialog's keys first); a
// quit message is dropped.
void PumpInstaller();
