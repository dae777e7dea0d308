#pragma once
// The show's state between two frames as one line of text: run state, the
// sync channels (pulses as their bits), the scene pulse, the colour state and
// the timeline's last counter reading. Two runs that print the same line will
// draw the same next frame; the browser's start-from-a-moment is checked
// against the capture's this way.
#include <string>

std::string showStateText();
