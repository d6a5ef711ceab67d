// The program's globals set back to what a fresh process starts with, so that one test or
// benchmark process can start the installer again and again.
#pragma once

void ResetProgramState();
