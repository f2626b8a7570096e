#pragma once

// The whole life of the program: start-up, event loop, teardown. Returns the
// process exit code (0 for a second copy, -1 for an invalid TEF product or a
// main window that failed to load).
int runApplication(int argc, char *argv[]);
