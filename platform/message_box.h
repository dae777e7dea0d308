#pragma once
// The modal error box: SDL's message box, or standard error when no display
// can show it or VORTELAN_MESSAGES=stderr is set. It blocks its caller until
// the user closes it, or until a termination signal arrives, which closes it
// (its text then goes to standard error). The demo hands it to the
// diagnostics at start-up as the place its messages go.
void platformMessageBox(const char* text, const char* caption);
