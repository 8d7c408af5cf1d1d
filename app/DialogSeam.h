#pragma once
#include <functional>
#include <string>

// The shell's folder browser and the open-file dialog go through here, so tests can answer them.

// The folder browser (folders only, with an edit box) titled as given, modal to the program's
// windows; the chosen folder's path, or empty when cancelled or when it has no path.
std::string BrowseForFolder(const std::string& title);

using FolderBrowserAnswer = std::function<std::string(const std::string& title)>;
// Replaces the real browser until called again with an empty function.
void SetFolderBrowserAnswer(FolderBrowserAnswer answer);
