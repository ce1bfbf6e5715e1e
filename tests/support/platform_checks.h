// What a test needs to know of the platform it runs on, to skip (with the reason
// printed) what the platform lacks rather than pass it silently.
#pragma once

// True for a Windows test program running under Wine.
bool running_under_wine();
