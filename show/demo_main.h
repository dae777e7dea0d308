#pragma once
// The spine of the program: start-up in a fixed order, the warning screen and
// the show's frame loop.

// Runs the whole program; the command line is one string of space-separated
// tokens (empty: read vortelan.ini). Always returns 0.
int demoMain(const char* commandLine);
