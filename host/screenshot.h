// Saves what the screen shows as a 24-bit .bmp file.
#pragma once

#include <string>

bool SaveScreenshot(const std::string& path);
