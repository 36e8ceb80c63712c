// Every file the program reads is checked with this before it is opened:
// opening a FIFO blocks until a writer comes, and a device may never end.
#pragma once

// True when the path names a regular file (or a link to one); false for a
// null or empty path, a missing one, a directory, a FIFO, a device or a
// socket.
bool names_regular_file(const char* path);
