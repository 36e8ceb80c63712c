// The message box MessageBoxA shows, drawn by the layer itself on the X
// display (no X types here: the window half includes <windows.h>, whose
// names X's headers would clash with).
#pragma once

// Shows a box titled caption with the text (lines split at '\n') and one
// OK button, in this process, and waits until it is answered: the OK
// button clicked, Return, Enter, Space or Escape pressed, or the box's
// close button. The box takes the keyboard focus when it appears, so a
// key reaches it wherever the pointer rests; it belongs to this process's
// own display connection and goes with the process. False when no display
// can be reached (nothing shown).
bool show_message_box(const char* caption, const char* text);
