// The game thread: everything that touches OpenGL, the assets and the
// game's state runs here, from the context set-up through the main loop to
// the shutdown.
#pragma once

// The body of the thread main starts at priority 15; returns when the
// program ends (the window closed, or the title screen's exit button).
void game_thread();
