// The history part of the demo host: a sample history for the logged-in
// user and the viewer opened through viewHistList.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// Replaces the store's entries with calls and messages of the sample user
// (several groups, read and unread). Call after the user has logged in.
void SeedHistoryDemo(FILE* log);
// Opens a viewer; returns its window (null when it could not open).
HWND OpenHistoryViewer(FILE* log);
// The scripted walk, after log-in and seeding: open the viewer, picture it with a group chosen, open
// an unread entry (the host prints the notice), picture it read, show the
// calls, close it. Pictures go to `shotDir` as .bmp files.
void RunHistoryScenario(const std::string& shotDir, FILE* log);
