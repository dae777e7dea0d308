#pragma once
// The modal error box: SDL's message box, or standard error when no display
// can show it or VORTELAN_MESSAGES=stderr is set. The demo hands it to the
// diagnostics at start-up as the place its messages go.
void platformMessageBox(const char* text, const char* caption);
