// The program from its first act to its end: the three long-lived windows, the run sequence that
// drives them and the message loop, with the sweep of abandoned working folders beside them.
#pragma once

#include "fs/WorkFolder.h"

// Runs the program; sweepCalls are the system calls the sweep makes (a test slows them down).
// Answers the process's exit code.
int ProgramMain(const fs::WorkFolderCalls& sweepCalls);
