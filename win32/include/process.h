#pragma once

// _beginthreadex lives here on the platform.
#include <windows.h>
